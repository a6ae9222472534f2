// vantorel-search: the article search over a catalogue, as the search dialog runs it, or the
// bonus-file word search over files.dbf and words.dbf, as its dialog runs it.
//
//   vantorel-search [--all] [--author ID] [--issue N] [--yes] [--last-issue N]
//                   [--pdf-dir DIR] [--source-dir DIR] DATADIR [TEXT]
//   vantorel-search --bonus [--all] [--yes] DATADIR [TEXT]
//
// DATADIR holds the catalogue tables; the index files, keywords.lst and the result page are
// written there. --all searches in "Match all words" mode; --author and --issue select an
// author (by AUTHOR_ID) and an issue (1 to 100); --yes answers every question Yes (else No);
// --last-issue (default 72), --pdf-dir and --source-dir (default DATADIR/PDF and
// DATADIR/DISKS) are the settings the pages use. TEXT is UTF-8; "*!*" and "*TEST*" are the
// special keywords. With --bonus the words of TEXT are looked for in DATADIR's words.dbf and
// the page links the documents of its files.dbf; only --all and --yes go with it.
//
// With --full-text the archive's full text is searched instead (full_text_command.h).
//
// Exit status: 0 a page was written (its file name is printed); 1 the search ended in a
// message (printed, "\r" as a line break); 2 an engine or file error (its text on standard
// error); 64 a wrong command line (usage on standard error, the bonus search's with --bonus).
// --help and --version print their texts on standard output.
#include <charconv>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "answering_ui.h"
#include "command_line.h"
#include "full_text_command.h"
#include "catalogue/article_search.h"
#include "catalogue/bonus_search.h"
#include "catalogue/catalogue.h"
#include "catalogue/in_out_error.h"
#include "catalogue/issue_names.h"
#include "catalogue/result_pages.h"
#include "core/code_pages.h"
#include "core/command_line_info.h"
#include "core/settings.h"
#include "platform/file_system.h"
#include "platform/write_folder.h"
#include "tables/kv_dbf.h"
#include "tables/kv_error.h"

namespace vantorel::tools::search {
namespace {

constexpr std::int32_t kDefaultLastIssue = 72;
constexpr std::int32_t kDefaultResultsThreshold = 30;

constexpr char kUsage[] =
    "usage: vantorel-search [--all] [--author ID] [--issue N] [--yes] [--last-issue N]\n"
    "                       [--pdf-dir DIR] [--source-dir DIR] DATADIR [TEXT]\n"
    "Try 'vantorel-search --help' for more information.\n";
constexpr char kBonusUsage[] =
    "usage: vantorel-search --bonus [--all] [--yes] DATADIR [TEXT]\n"
    "Try 'vantorel-search --help' for more information.\n";

constexpr char kHelpHead[] =
    "Usage: vantorel-search [OPTION]... DATADIR [TEXT]\n"
    "  or:  vantorel-search --bonus [--all] [--yes] DATADIR [TEXT]\n"
    "  or:  vantorel-search --full-text [--json] [--limit N] [--no-update] DATADIR QUERY\n"
    "Search the article catalogue in DATADIR as the program's search dialog does and\n"
    "write the result page there (SEARCHRESULT.HTM, or ALLARTS.HTM for \"*!*\"). The\n"
    "index files the search needs are built in DATADIR when missing or stale.\n"
    "When DATADIR cannot be written (a CD-ROM, a read-only share), the pages and\n"
    "indexes go to the archive's own folder under $XDG_CACHE_HOME/vantorel/\n"
    "(else ~/.cache/vantorel/) and DATADIR is left untouched.\n"
    "With --bonus, search the bonus files and companion disks listed in DATADIR's\n"
    "files.dbf and words.dbf instead and write SEARCHRESULT.HTM.\n"
    "TEXT is UTF-8; \"*!*\" lists every article.\n"
    "\n"
    "      --bonus            the bonus-file word search (only --all and --yes go with it)\n"
    "      --all              match all words (default: any word)\n"
    "      --author ID        only articles by this author (its AUTHOR_ID)\n"
    "      --issue N          only articles of this issue (1 to 100)\n"
    "      --yes              answer every question yes (default: no)\n"
    "      --last-issue N     the last issue installed (default 72)\n"
    "      --pdf-dir DIR      the PDF folder the page links to (default DATADIR/PDF)\n"
    "      --source-dir DIR   the companion-disk folder (default DATADIR/DISKS)\n"
    "\n";

constexpr char kHelpTail[] =
    "\n"
    "Exit status:\n"
    " 0   a page was written (its file name is printed)\n"
    " 1   the search ended in a message (printed)\n"
    " 2   an error of the table engine or of a file (on standard error)\n"
    " 64  a wrong command line\n"
    "\n"
    "Examples:\n"
    "  vantorel-search --all ~/archive \"heap memory\"\n"
    "  vantorel-search --bonus ~/archive heap,memory\n"
    "  vantorel-search --full-text ~/archive '\"memory manager\" sort*'\n";

struct Options {
  bool bonus = false;  // the bonus-file word search
  bool all_words = false;
  std::optional<std::int32_t> author;  // AUTHOR_ID
  std::optional<std::int32_t> issue;   // 1..kIssueCount
  bool yes = false;
  std::int32_t last_issue = kDefaultLastIssue;
  std::string pdf_dir, source_dir;     // empty: below DATADIR
  std::string data_dir;
  std::optional<std::string> text;
};

std::optional<std::int32_t> Number(std::string_view text) {
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// nullopt for a wrong command line.
std::optional<Options> ParseArguments(int argc, char** argv) {
  Options options;
  std::vector<std::string> operands;
  bool article_options = false;  // an option only the article search takes
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--bonus") {
      options.bonus = true;
    } else if (arg == "--all") {
      options.all_words = true;
    } else if (arg == "--yes") {
      options.yes = true;
    } else if (arg == "--author" && has_value) {
      article_options = true;
      options.author = Number(argv[++i]);
      if (!options.author || *options.author <= 0) return std::nullopt;
    } else if (arg == "--issue" && has_value) {
      article_options = true;
      options.issue = Number(argv[++i]);
      if (!options.issue || *options.issue < 1 || *options.issue > catalogue::kIssueCount)
        return std::nullopt;
    } else if (arg == "--last-issue" && has_value) {
      article_options = true;
      const auto last = Number(argv[++i]);
      if (!last || *last < 0) return std::nullopt;
      options.last_issue = *last;
    } else if (arg == "--pdf-dir" && has_value && *argv[i + 1] != '\0') {
      article_options = true;
      options.pdf_dir = argv[++i];
    } else if (arg == "--source-dir" && has_value && *argv[i + 1] != '\0') {
      article_options = true;
      options.source_dir = argv[++i];
    } else if (arg == "--") {
      for (++i; i < argc; ++i) operands.emplace_back(argv[i]);
    } else if (arg.size() > 1 && arg[0] == '-') {
      return std::nullopt;
    } else {
      operands.emplace_back(arg);
    }
  }
  if (options.bonus && article_options) return std::nullopt;
  if (operands.empty() || operands.size() > 2 || operands[0].empty()) return std::nullopt;
  options.data_dir = operands[0];
  if (operands.size() == 2) options.text = operands[1];
  return options;
}

// The terminal's form of a message (UTF-8, or code page 1252 from an older text), "\r" as a
// line break.
std::string Shown(std::string_view text) {
  std::string shown = core::Utf8OrCp1252ToUtf8(text);
  for (char& c : shown)
    if (c == '\r') c = '\n';
  return shown;
}

// The outcome of a search that wrote no page: the message it ended in.
int EndedInMessage(const AnsweringUi& ui) {
  std::cout << Shown(ui.LastMessage()) << '\n';
  return kMessageStatus;
}

// The outcome of a search that wrote page for the archive in data_dir: its file name.
int WrotePage(const std::string& data_dir, const char* page) {
  const std::string written = platform::PathText(
      platform::ResolvePath(platform::WriteFolderFor(data_dir) + page));
  std::cout << written << '\n';
  return 0;
}

int RunBonus(const Options& options, const core::BrowserSettings& settings) {
  AnsweringUi ui(options.yes);
  catalogue::BonusSearch search;
  search.OpenTables(settings.DataDir);
  catalogue::BonusSearchRequest request;
  request.text = core::Utf8ToCp1252(options.text.value_or(""));
  request.mode = options.all_words ? catalogue::MatchMode::AllWords : catalogue::MatchMode::AnyWord;
  if (search.OkBtnClick(request) != catalogue::SearchEnd::PageWritten) return EndedInMessage(ui);
  return WrotePage(settings.DataDir, "SEARCHRESULT.HTM");
}

int Run(const Options& options) {
  if (!platform::DirectoryExistsAt(options.data_dir)) {
    std::cerr << "vantorel-search: not a folder: " << options.data_dir << '\n';
    return kErrorStatus;
  }
  core::BrowserSettings settings;
  settings.DataDir = FolderSetting(options.data_dir);
  if (options.bonus) return RunBonus(options, settings);
  settings.PdfDir =
      options.pdf_dir.empty() ? settings.DataDir + "PDF/" : FolderSetting(options.pdf_dir);
  settings.SourceDir =
      options.source_dir.empty() ? settings.DataDir + "DISKS/" : FolderSetting(options.source_dir);
  settings.LastIssue = options.last_issue;
  settings.ResultsThreshold = kDefaultResultsThreshold;

  AnsweringUi ui(options.yes);
  catalogue::Catalogue catalogue(settings.DataDir);
  catalogue.SetRaiseEngineErrors(true);
  catalogue.Open();

  catalogue::SearchRequest request;
  request.text = core::Utf8ToCp1252(options.text.value_or(""));
  request.mode = options.all_words ? catalogue::MatchMode::AllWords : catalogue::MatchMode::AnyWord;
  if (options.author) {
    const std::string number = std::to_string(*options.author);
    for (const std::string& item : catalogue.AuthorItems().Items())
      if (item.size() >= catalogue::kAuthorNameWidth &&
          item.substr(catalogue::kAuthorNameWidth) == number)
        request.author_item = item;
    if (!request.author_item) {
      std::cerr << "vantorel-search: no author " << number << '\n' << kUsage;
      return kUsageStatus;
    }
  }
  if (options.issue) request.issue_item = catalogue::IssueItem(*options.issue);

  catalogue::ResultPages pages(catalogue, settings);
  catalogue::ArticleSearch search(catalogue, pages, settings);
  if (search.OkBtnClick(request) != catalogue::SearchEnd::PageWritten) return EndedInMessage(ui);
  const core::SearchOutcome& flags = search.Outcome();
  return WrotePage(settings.DataDir, flags.TestResultsWritten    ? "ERRORS.HTM"
                                     : flags.CompleteListWritten ? "ALLARTS.HTM"
                                                                 : "SEARCHRESULT.HTM");
}

}  // namespace
}  // namespace vantorel::tools::search

int main(int argc, char** argv) {
  using namespace vantorel;
  switch (core::InfoRequestOf(argc, argv)) {
    case core::InfoRequest::Help:
      std::cout << tools::search::kHelpHead << tools::search::kFullTextHelp
                << core::kHelpAndVersionOptions << tools::search::kHelpTail;
      return 0;
    case core::InfoRequest::Version:
      std::cout << core::VersionText("vantorel-search");
      return 0;
    case core::InfoRequest::None:
      break;
  }
  if (tools::search::OptionGiven(argc, argv, "--full-text")) return tools::search::RunFullText(argc, argv);
  const auto options = tools::search::ParseArguments(argc, argv);
  if (!options) {
    std::cerr << (tools::search::OptionGiven(argc, argv, "--bonus") ? tools::search::kBonusUsage
                                                             : tools::search::kUsage);
    return tools::search::kUsageStatus;
  }
  try {
    return tools::search::Run(*options);
  } catch (const tables::EKvError& error) {
    std::cerr << core::Utf8OrCp1252ToUtf8(error.what()) << '\n';
  } catch (const catalogue::EInOutError& error) {
    std::cerr << "vantorel-search: " << core::Utf8OrCp1252ToUtf8(error.what()) << '\n';
  } catch (const tables::EDatabaseError& error) {
    std::cerr << "vantorel-search: " << core::Utf8OrCp1252ToUtf8(error.what()) << '\n';
  }
  return tools::search::kErrorStatus;
}
