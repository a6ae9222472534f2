// vantorel-unzip: lists and extracts ZIP archives with the program's own extractor.
//
//   vantorel-unzip -l ARCHIVE
//       "Archive contains N files", one line per entry in list order (path TAB file name TAB
//       compressed size TAB uncompressed size, names in UTF-8), then the totals line.
//   vantorel-unzip [-o|-n] [-d DEST] ARCHIVE
//       Extracts every entry with its directories into DEST (default: the archive's folder).
//       -o overwrites existing files, -n never does; otherwise each is asked on the terminal
//       (no terminal: No). The last line on standard output is the summary
//       "N files unzipped to DEST".
//
// Exit status: 0 done, 2 a usage error or an error of the reader (its message on standard error).
// --help and --version print their texts on standard output.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "archive/archive_errors.h"
#include "archive/kv_unzip.h"
#include "archive/listing_texts.h"
#include "console_ui.h"
#include "core/code_pages.h"
#include "core/command_line_info.h"
#include "platform/file_system.h"

namespace vantorel::tools::unzip {
namespace {

namespace fs = std::filesystem;
using archive::KvUnZip;

constexpr char kUsage[] =
    "usage: vantorel-unzip -l ARCHIVE\n"
    "       vantorel-unzip [-o|-n] [-d DEST] ARCHIVE\n"
    "Try 'vantorel-unzip --help' for more information.\n";

constexpr char kHelpHead[] =
    "Usage: vantorel-unzip -l ARCHIVE\n"
    "  or:  vantorel-unzip [-o|-n] [-d DEST] ARCHIVE\n"
    "List or extract the files of a ZIP archive, including archives made with the\n"
    "PKZIP methods of the 1990s (shrunk, reduced, imploded) besides stored and deflated.\n"
    "\n"
    "  -l         list the entries: path, name, compressed and uncompressed size\n"
    "  -d DEST    extract into the folder DEST (default: the archive's folder)\n"
    "  -o         overwrite existing files without asking\n"
    "  -n         never overwrite existing files\n"
    "             (without -o or -n each existing file is asked about on the terminal;\n"
    "             with no terminal the answer is no)\n";

constexpr char kHelpTail[] =
    "\n"
    "Exit status:\n"
    " 0  the archive was listed or extracted\n"
    " 2  a wrong command line, or the archive could not be read or extracted\n"
    "\n"
    "Example:\n"
    "  vantorel-unzip -d ~/source DISKS/Issue01/SOURCE.ZIP\n";

struct Options {
  bool list = false;
  std::optional<archive::UZOverwriteMode> overwrite;  // none: ask
  std::string dest;                                   // empty: the archive's folder
  std::string archive;
};

std::optional<Options> ParseArguments(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "-l" && !options.list) {
      options.list = true;
    } else if (arg == "-o" && !options.overwrite) {
      options.overwrite = archive::UZOverwriteMode::Always;
    } else if (arg == "-n" && !options.overwrite) {
      options.overwrite = archive::UZOverwriteMode::Never;
    } else if (arg == "-d" && i + 1 < argc && options.dest.empty()) {
      options.dest = argv[++i];
      if (options.dest.empty()) return std::nullopt;
    } else if (!arg.empty() && arg[0] != '-' && options.archive.empty()) {
      options.archive = std::string(arg);
    } else {
      return std::nullopt;
    }
  }
  if (options.archive.empty()) return std::nullopt;
  if (options.list && (options.overwrite || !options.dest.empty())) return std::nullopt;
  return options;
}

// A path text or an entry name (UTF-8, "\" separators) as the terminal shows it.
std::string Shown(std::string_view text) {
  std::string shown(text);
  for (char& c : shown)
    if (c == '\\') c = '/';
  return shown;
}

// An entry name (UTF-8) in a listing line: control characters, which would break the line,
// become "?".
std::string ListedName(std::string_view text) {
  std::string listed(text);
  for (char& c : listed)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return listed;
}

std::string PathText(const std::string& argument) {
  return platform::PathText(fs::path(argument));
}

int List(KvUnZip& unzip) {
  unzip.LoadDirectory();
  std::string out = archive::ArchiveContainsText(unzip.EntryCount()) + "\n";
  std::int64_t compressed = 0;
  std::int64_t uncompressed = 0;
  for (int i = 0; i < unzip.EntryCount(); ++i) {
    compressed += unzip.EntryCompressedSize(i);
    uncompressed += unzip.EntryUncompressedSize(i);
    out += ListedName(unzip.EntryPathName(i)) + "\t" + ListedName(unzip.EntryFileName(i)) + "\t" +
           std::to_string(unzip.EntryCompressedSize(i)) + "\t" +
           std::to_string(unzip.EntryUncompressedSize(i)) + "\n";
  }
  out += archive::TotalSizeText(compressed, uncompressed) + "\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

const char* SkipText(archive::SkipReason reason) {
  switch (reason) {
    case archive::SkipReason::FileExists: return "the file exists";
    case archive::SkipReason::Encrypted: return "the entry is encrypted";
    case archive::SkipReason::CannotCreate: return "the file cannot be created";
    case archive::SkipReason::UnsafePath: return "its path leads outside the destination";
  }
  return "skipped";
}

bool AskToReplace(const std::string& fname) {
  if (!::isatty(STDIN_FILENO)) return false;
  std::fprintf(stderr, "Replace existing file %s? [y/N] ", Shown(fname).c_str());
  std::fflush(stderr);
  std::string answer;
  if (!std::getline(std::cin, answer)) return false;
  return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
}

int ExtractAll(KvUnZip& unzip, const Options& options, ConsoleUi& ui) {
  std::string dest = options.dest;
  if (dest.empty()) dest = platform::AbsolutePath(options.archive).parent_path().string();
  unzip.SetDestDir(PathText(dest));
  unzip.SetDoAll(true);
  unzip.SetRecreateDirs(true);
  unzip.SetRetainAttributes(true);
  unzip.SetReplaceReadOnly(true);
  unzip.SetOverwriteMode(options.overwrite.value_or(archive::UZOverwriteMode::Prompt));
  unzip.OnPromptForOverwrite = [](bool& overwrite_it, int, std::string& fname) {
    overwrite_it = AskToReplace(fname);
  };
  unzip.OnStartUnZip = [&ui](int, std::string& fname, bool&) { ui.subject = Shown(fname); };
  unzip.OnSkippingFile = [](archive::SkipReason reason, const std::string& fname, int) {
    if (reason == archive::SkipReason::FileExists) return;
    std::fprintf(stderr, "vantorel-unzip: skipped %s: %s\n", Shown(fname).c_str(), SkipText(reason));
  };
  unzip.OnBadCRC = [&unzip](std::uint32_t, std::uint32_t, int index) {
    std::fprintf(stderr, "vantorel-unzip: %s: bad CRC or damaged data, file removed\n",
                 Shown(unzip.EntryPathName(index) + unzip.EntryFileName(index)).c_str());
  };
  const bool show_progress = ::isatty(STDERR_FILENO);
  if (show_progress) {
    unzip.OnTotalPercentDone = [last = -1](int percent) mutable {
      if (percent == last) return;
      last = percent;
      std::fprintf(stderr, "\r%3d%%", percent);
      std::fflush(stderr);
    };
  }

  const int count = unzip.Extract();
  if (show_progress) std::fprintf(stderr, "\r    \r");
  std::printf("%d files unzipped to %s\n", count, platform::ShownPath(unzip.DestDir()).c_str());
  return 0;
}

int Run(int argc, char** argv) {
  switch (core::InfoRequestOf(argc, argv)) {
    case core::InfoRequest::Help:
      std::cout << kHelpHead << core::kHelpAndVersionOptions << kHelpTail;
      return 0;
    case core::InfoRequest::Version:
      std::cout << core::VersionText("vantorel-unzip");
      return 0;
    case core::InfoRequest::None:
      break;
  }
  const std::optional<Options> options = ParseArguments(argc, argv);
  if (!options) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  ConsoleUi ui;
  KvUnZip unzip;
  try {
    unzip.SetZipName(PathText(options->archive));
    return options->list ? List(unzip) : ExtractAll(unzip, *options, ui);
  } catch (const std::exception& error) {
    std::fflush(stdout);
    std::fprintf(stderr, "vantorel-unzip: %s\n", core::Utf8OrCp1252ToUtf8(error.what()).c_str());
    return 2;
  }
}

}  // namespace
}  // namespace vantorel::tools::unzip

int main(int argc, char** argv) { return vantorel::tools::unzip::Run(argc, argv); }
