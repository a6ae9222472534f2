#include "full_text_command.h"

#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/in_out_error.h"
#include "command_line.h"
#include "core/code_pages.h"
#include "fulltext/fts_extensions.h"
#include "fulltext/fulltext_index.h"
#include "fulltext/fulltext_pages.h"
#include "platform/file_system.h"
#include "platform/write_folder.h"

namespace vantorel::tools::search {

const char kFullTextUsage[] =
    "usage: vantorel-search --full-text [--json] [--limit N] [--no-update] DATADIR QUERY\n"
    "Try 'vantorel-search --help' for more information.\n";

const char kFullTextHelp[] =
    "With --full-text, search the full text of the archive in DATADIR: every article\n"
    "PDF, every text file on the companion disks (inside their ZIP archives too) and\n"
    "the bonus documents. The full-text index (fulltext.db) is built or brought up to\n"
    "date first (progress on standard error when it is a terminal), then FULLTEXT.HTM\n"
    "is written. QUERY: words (all must occur), \"a phrase\", prefix*, OR, NOT,\n"
    "NEAR(a b).\n"
    "      --full-text        the full-text search (only the three below go with it)\n"
    "      --json             one JSON object per hit on standard output, no page\n"
    "      --limit N          at most N hits, the best first (default 1000)\n"
    "      --no-update        search the index as it is, without reading the archive\n"
    "\n";

namespace {

constexpr std::size_t kDefaultLimit = 1000;

struct FullTextOptions {
  bool json = false;
  bool no_update = false;
  std::size_t limit = kDefaultLimit;
  std::string data_dir;
  std::string query;
};

std::optional<FullTextOptions> Parse(int argc, char** argv) {
  FullTextOptions options;
  std::vector<std::string> operands;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--full-text") {
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--no-update") {
      options.no_update = true;
    } else if (arg == "--limit" && i + 1 < argc) {
      const std::string_view value = argv[++i];
      std::size_t limit = 0;
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), limit);
      if (error != std::errc() || end != value.data() + value.size() || limit == 0)
        return std::nullopt;
      options.limit = limit;
    } else if (arg == "--") {
      for (++i; i < argc; ++i) operands.emplace_back(argv[i]);
    } else if (arg.size() > 1 && arg[0] == '-') {
      return std::nullopt;
    } else {
      operands.emplace_back(arg);
    }
  }
  if (operands.size() != 2 || operands[0].empty()) return std::nullopt;
  options.data_dir = operands[0];
  options.query = operands[1];
  return options;
}

std::string JsonString(std::string_view text) {
  const std::string utf8 = core::Utf8OrCp1252ToUtf8(text);
  std::string json = "\"";
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      json += escaped;
    } else {
      json += c;
    }
  }
  return json + '"';
}

// A snippet as plain text: found-word marks dropped, blanks collapsed.
std::string PlainSnippet(std::string_view snippet) {
  std::string text;
  bool blank = false;
  for (const char c : snippet) {
    if (c == fulltext::kBoldOn || c == fulltext::kBoldOff) continue;
    if (static_cast<unsigned char>(c) <= ' ') {
      blank = true;
      continue;
    }
    if (blank && !text.empty()) text += ' ';
    blank = false;
    text += c;
  }
  return text;
}

void PrintJson(const fulltext::SearchResults& results, const fulltext::FullTextIndex& index) {
  for (const fulltext::Hit& hit : results.hits) {
    std::string line = "{\"path\": " + JsonString(index.ShownPath(hit.root, hit.path));
    line += ", \"member\": " + (hit.member.empty() ? std::string("null") : JsonString(hit.member));
    line += ", \"page\": " + (hit.page > 0 ? std::to_string(hit.page) : std::string("null"));
    line += ", \"article_ids\": [";
    for (std::size_t i = 0; i < hit.article_ids.size(); ++i)
      line += (i > 0 ? ", " : "") + std::to_string(hit.article_ids[i]);
    line += "], \"title\": " + JsonString(hit.title);
    line += ", \"issue\": " + (hit.issue ? std::to_string(*hit.issue) : std::string("null"));
    char score[32];
    std::snprintf(score, sizeof score, "%.4g", hit.score);
    line += ", \"score\": " + std::string(score);
    line += ", \"snippet\": " + JsonString(PlainSnippet(hit.snippets[0])) + "}";
    std::cout << line << '\n';
  }
}

// Progress on standard error: one line, written over, when that is a terminal.
class TerminalProgress {
 public:
  TerminalProgress() : shown_(isatty(STDERR_FILENO) == 1) {}
  ~TerminalProgress() {
    if (written_) std::fputs("\r\033[K", stderr);
  }
  void operator()(const fulltext::Progress& progress) {
    if (!shown_ || progress.current.empty()) return;
    std::string line = "Reading " + std::to_string(progress.done + 1) + " of " +
                       std::to_string(progress.total) + " files: " + progress.current;
    if (line.size() > 78) line = line.substr(0, 75) + "...";
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
    written_ = true;
  }
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

 private:
  bool shown_;
  bool written_ = false;
};

// Brings the index up to date, building it again once when it turns out to be damaged; the
// report page is written when the update changed anything or is missing.
void Refresh(fulltext::FullTextIndex& index, const std::string& write_folder) {
  TerminalProgress progress;
  const auto update = [&] {
    const fulltext::UpdatePlan plan = index.PlanUpdate();
    index.Update(plan, [&](const fulltext::Progress& p) { progress(p); });
    return !plan.Empty();
  };
  bool changed;
  try {
    changed = update();
  } catch (const fulltext::EIndexDamaged&) {
    index.Rebuild();
    changed = update();
  }
  const std::string report = write_folder + fulltext::kReportPageName;
  if (changed || !platform::FileExists(report))
    fulltext::WriteReportPage(report, index.Problems());
}

int Run(const FullTextOptions& options) {
  if (!platform::DirectoryExistsAt(options.data_dir)) {
    std::cerr << "vantorel-search: not a folder: " << options.data_dir << '\n';
    return kErrorStatus;
  }
  fulltext::ArchiveFolders folders;
  folders.data_dir = FolderSetting(options.data_dir);
  folders.pdf_dir = folders.data_dir + "PDF/";
  folders.source_dir = folders.data_dir + "DISKS/";
  const std::string write_folder = platform::WriteFolderFor(folders.data_dir);
  const std::filesystem::path file = platform::ResolvePath(write_folder + fulltext::kIndexFileName);
  fulltext::FullTextIndex index(file, folders,
                                options.no_update ? fulltext::FullTextIndex::OpenMode::ExistingOnly
                                                  : fulltext::FullTextIndex::OpenMode::CreateOrRepair);
  if (!options.no_update) Refresh(index, write_folder);
  fulltext::SearchResults results;
  try {
    results = index.Search(options.query, options.limit);
  } catch (const fulltext::EIndexDamaged&) {
    if (options.no_update) throw;
    index.Rebuild();
    Refresh(index, write_folder);
    results = index.Search(options.query, options.limit);
  }
  if (results.total == 0) {
    std::cout << "No matches\n";
    return kMessageStatus;
  }
  if (options.json) {
    PrintJson(results, index);
    return 0;
  }
  const std::string page = write_folder + fulltext::kFullTextPageName;
  fulltext::WriteFullTextPage(page, options.query, results, index, index.Problems().size());
  std::cout << platform::PathText(platform::ResolvePath(page)) << '\n';
  return 0;
}

}  // namespace

int RunFullText(int argc, char** argv) {
  const std::optional<FullTextOptions> options = Parse(argc, argv);
  if (!options) {
    std::cerr << kFullTextUsage;
    return kUsageStatus;
  }
  try {
    return Run(*options);
  } catch (const fulltext::EQueryNotUnderstood& error) {
    std::cout << error.what() << '\n';
    return kMessageStatus;
  } catch (const fulltext::EFullTextError& error) {
    std::cerr << "vantorel-search: " << error.what() << '\n';
  } catch (const catalogue::EInOutError& error) {
    std::cerr << "vantorel-search: " << core::Utf8OrCp1252ToUtf8(error.what()) << '\n';
  }
  return kErrorStatus;
}

}  // namespace vantorel::tools::search
