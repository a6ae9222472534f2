// vantorel-unzip: lists and extracts ZIP archives with the program's own extractor.
//
//   vantorel-unzip -l ARCHIVE
//       "Archive contains N files", one line per entry in list order (path TAB file name TAB
//       compressed size TAB uncompressed size, names in UTF-8), then the totals line.
//   vantorel-unzip [-o|-n] [-P PASSWORD] [-d DEST] ARCHIVE
//       Extracts every entry with its directories into DEST (default: the archive's folder).
//       -o overwrites existing files, -n never does; otherwise each is asked on the terminal
//       (no terminal: No). Encrypted entries are decrypted with PASSWORD or, without -P, with
//       the password asked once on the terminal (no terminal: they are skipped). The last line
//       on standard output is the summary "N files unzipped to DEST"; when entries could not be
//       written, a last line on standard error says how many and why ("vantorel-unzip: 2 files
//       not unzipped: 1 encrypted, 1 with the unknown compression method 98 (PPMd)").
// An archive with data in front of it (a self-extracting stub) is read with one warning line
// on standard error.
//
// Exit status: 0 every entry listed, or every selected file written (or kept by -n or a No);
// 1 some files skipped or failed; 2 a usage error, an archive that cannot be read, or a
// destination that cannot be written (the message on standard error).
// --help and --version print their texts on standard output.

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "archive/archive_errors.h"
#include "archive/decoders.h"
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
    "       vantorel-unzip [-o|-n] [-P PASSWORD] [-d DEST] ARCHIVE\n"
    "Try 'vantorel-unzip --help' for more information.\n";

constexpr char kHelpHead[] =
    "Usage: vantorel-unzip -l ARCHIVE\n"
    "  or:  vantorel-unzip [-o|-n] [-P PASSWORD] [-d DEST] ARCHIVE\n"
    "List or extract the files of a ZIP archive, including archives made with the\n"
    "PKZIP methods of the 1990s (shrunk, reduced, imploded) besides stored, deflated,\n"
    "Deflate64, bzip2, LZMA, XZ and Zstandard, and encrypted entries (PKWARE's\n"
    "traditional encryption, WinZip AES).\n"
    "\n"
    "  -l         list the entries: path, name, compressed and uncompressed size\n"
    "  -d DEST    extract into the folder DEST (default: the archive's folder)\n"
    "  -o         overwrite existing files without asking\n"
    "  -n         never overwrite existing files\n"
    "  -P PASSWORD  decrypt encrypted entries with PASSWORD (without -P the password\n"
    "             is asked on the terminal once; with no terminal they are skipped)\n"
    "             (without -o or -n each existing file is asked about on the terminal;\n"
    "             with no terminal the answer is no)\n";

constexpr char kHelpTail[] =
    "\n"
    "Exit status:\n"
    " 0  the archive was listed, or every file was extracted (or kept by -n or a no)\n"
    " 1  some files were not extracted (the last line says how many and why)\n"
    " 2  a wrong command line, the archive could not be read, or the destination\n"
    "    cannot be written\n"
    "\n"
    "Example:\n"
    "  vantorel-unzip -d ~/source DISKS/Issue01/SOURCE.ZIP\n";

struct Options {
  bool list = false;
  std::optional<archive::UZOverwriteMode> overwrite;  // none: ask
  std::string dest;                                   // empty: the archive's folder
  std::optional<std::string> password;                // none: ask on the terminal
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
    } else if (arg == "-P" && i + 1 < argc && !options.password) {
      options.password = argv[++i];
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
  if (options.list && (options.overwrite || !options.dest.empty() || options.password))
    return std::nullopt;
  return options;
}

// "\" separators shown as "/".
std::string Slashed(std::string_view text) {
  std::string slashed(text);
  for (char& c : slashed)
    if (c == '\\') c = '/';
  return slashed;
}

// A path text or an entry name (UTF-8) as the terminal shows it.
std::string Shown(std::string_view text) { return Slashed(text); }

// An entry name (UTF-8) in a listing line: control characters, which would break the line,
// become "?".
std::string ListedName(std::string_view text) {
  std::string listed(text);
  for (char& c : listed)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return listed;
}

// Reads the directory; tells of data in front of the archive, which the reader skips.
void LoadDirectory(KvUnZip& unzip, const std::string& archive) {
  unzip.LoadDirectory();
  const std::uint64_t leading = unzip.EndCentralRecord().leading_bytes;
  if (leading != 0)
    std::fprintf(stderr,
                 "vantorel-unzip: warning: %s: %llu extra bytes at beginning of zipfile "
                 "(attempting to process anyway)\n",
                 archive.c_str(), static_cast<unsigned long long>(leading));
}

std::string PathText(const std::string& argument) {
  return platform::PathText(fs::path(argument));
}

int List(KvUnZip& unzip, const Options& options) {
  LoadDirectory(unzip, options.archive);
  std::string out = archive::ArchiveContainsText(unzip.EntryCount()) + "\n";
  std::uint64_t compressed = 0;
  std::uint64_t uncompressed = 0;
  for (int i = 0; i < unzip.EntryCount(); ++i) {
    compressed += unzip.EntryCompressedSize(i);
    uncompressed += unzip.EntryUncompressedSize(i);
    out += ListedName(unzip.EntryPathName(i)) + "\t" + ListedName(unzip.EntryFileName(i)) + "\t" +
           std::to_string(unzip.EntryCompressedSize(i)) + "\t" +
           std::to_string(unzip.EntryUncompressedSize(i)) + "\n";
  }
  out += archive::TotalSizeText(static_cast<std::int64_t>(compressed),
                                static_cast<std::int64_t>(uncompressed)) +
         "\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

const char* SkipText(archive::SkipReason reason) {
  switch (reason) {
    case archive::SkipReason::FileExists: return "the file exists";
    case archive::SkipReason::Encrypted: return "the entry is encrypted and no password was given";
    case archive::SkipReason::WrongPassword: return "wrong password";
    case archive::SkipReason::UnsupportedEncryption:
      return "its encryption is not supported (only PKWARE's traditional and WinZip AES are)";
    case archive::SkipReason::CannotCreate: return "the file cannot be created";
    case archive::SkipReason::UnsafePath: return "its path leads outside the destination";
    case archive::SkipReason::UnknownMethod: return "its compression method is unknown";
    case archive::SkipReason::DamagedData: return "damaged data";
  }
  return "skipped";
}

// The last line of a run that left files out: how many and why, by reason in the order met.
// Files kept because they exist (-n, or answered No) are the user's choice and not counted.
std::string NotUnzippedLine(const KvUnZip& unzip) {
  std::vector<std::pair<std::string, int>> reasons;
  int count = 0;
  for (const archive::SkippedEntry& skipped : unzip.Skipped()) {
    std::string why;
    switch (skipped.reason) {
      case archive::SkipReason::FileExists: continue;
      case archive::SkipReason::Encrypted: why = "encrypted (no password given)"; break;
      case archive::SkipReason::WrongPassword: why = "with a wrong password"; break;
      case archive::SkipReason::UnsupportedEncryption: why = "with an unsupported encryption"; break;
      case archive::SkipReason::CannotCreate: why = "could not be written"; break;
      case archive::SkipReason::UnsafePath: why = "with a path leading outside the destination"; break;
      case archive::SkipReason::UnknownMethod:
        why = "with the unknown compression method " +
              archive::MethodText(unzip.Entry(skipped.index).method);
        break;
      case archive::SkipReason::DamagedData: why = "damaged (CRC or size does not match)"; break;
    }
    ++count;
    auto known = std::find_if(reasons.begin(), reasons.end(),
                              [&why](const auto& reason) { return reason.first == why; });
    if (known == reasons.end())
      reasons.emplace_back(why, 1);
    else
      ++known->second;
  }
  if (count == 0) return {};
  std::string line = "vantorel-unzip: " + std::to_string(count) +
                     (count == 1 ? " file" : " files") + " not unzipped: ";
  for (std::size_t i = 0; i < reasons.size(); ++i)
    line += (i > 0 ? ", " : "") + std::to_string(reasons[i].second) + " " + reasons[i].first;
  return line + "\n";
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
  if (options.password) unzip.SetPassword(*options.password);
  unzip.OnPromptForOverwrite = [](bool& overwrite_it, int, std::string& fname) {
    overwrite_it = AskToReplace(fname);
  };
  unzip.OnStartUnZip = [&ui](int, std::string& fname, bool&) { ui.subject = Shown(fname); };
  unzip.OnSkippingFile = [](archive::SkipReason reason, const std::string& fname, int) {
    // An unknown method is told by the reader's own box, a line on standard error already.
    if (reason == archive::SkipReason::FileExists || reason == archive::SkipReason::UnknownMethod)
      return;
    std::fprintf(stderr, "vantorel-unzip: skipped %s: %s\n", Shown(fname).c_str(), SkipText(reason));
  };
  unzip.OnBadCRC = [&unzip](std::uint32_t, std::uint32_t, int index) {
    std::fprintf(stderr, "vantorel-unzip: %s: bad CRC or damaged data, not written\n",
                 Slashed(unzip.EntryPathName(index) + unzip.EntryFileName(index)).c_str());
  };
  unzip.OnBadPassword = [&unzip](int index) {
    std::fprintf(stderr,
                 "vantorel-unzip: %s: wrong password or damaged data (the check failed), not "
                 "written\n",
                 Slashed(unzip.EntryPathName(index) + unzip.EntryFileName(index)).c_str());
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

  LoadDirectory(unzip, options.archive);
  const int count = unzip.Extract();
  if (show_progress) std::fprintf(stderr, "\r    \r");
  std::printf("%d files unzipped to %s\n", count, platform::ShownPath(unzip.DestDir()).c_str());
  const std::string not_unzipped = NotUnzippedLine(unzip);
  if (not_unzipped.empty()) return 0;
  std::fflush(stdout);
  std::fputs(not_unzipped.c_str(), stderr);
  return 1;
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
    return options->list ? List(unzip, *options) : ExtractAll(unzip, *options, ui);
  } catch (const std::exception& error) {
    std::fflush(stdout);
    std::fprintf(stderr, "vantorel-unzip: %s\n", core::Utf8OrCp1252ToUtf8(error.what()).c_str());
    return 2;
  }
}

}  // namespace
}  // namespace vantorel::tools::unzip

int main(int argc, char** argv) { return vantorel::tools::unzip::Run(argc, argv); }
