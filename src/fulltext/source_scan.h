// The files the full-text index reads: the PDF files in PdfDir, every file on the companion
// disks in SourceDir (all folders down), and the bonus documents files.dbf names.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "fulltext/plain_text.h"

namespace vantorel::fulltext {

// The folders of an archive, as path texts ending in "/" (the settings' DataDir, PdfDir and
// SourceDir).
struct ArchiveFolders {
  std::string data_dir;
  std::string pdf_dir;
  std::string source_dir;
};

// The folder a source's path is relative to. The numbers are stored in the index.
enum class Root : int { Data = 0, Pdf = 1, Disks = 2 };

struct SourceFile {
  Root root = Root::Data;
  std::string path;             // relative to its root folder, "/" separated, as on disk
  std::filesystem::path real;   // where it is
  std::uint64_t size = 0;
  std::int64_t modified_ns = 0; // last modification, nanoseconds since 1970
  std::uint64_t device = 0;     // identity: hard links to one file share it
  std::uint64_t inode = 0;
  NameKind kind = NameKind::Unknown;  // by its name
  std::string title;            // a bonus document's TITLE, UTF-8; else empty
};

// Looks at a file found before it is taken (root, path, size, modification time); false
// leaves it out. Lets an update pass over the many files it already knows without copying them.
using SourceFilter =
    std::function<bool(Root root, std::string_view path, std::uint64_t size, std::int64_t modified_ns)>;

// Every file to index that keep (when given) takes, in folder order: the PDF files directly in PdfDir (by their
// extension), the files below SourceDir that are not binaries by their extension (symbolic
// links followed, each folder once), and the bonus documents of files.dbf (pages, texts, ZIP
// archives: not binaries by their extension) that exist and lie in neither folder. A folder that is missing or unreadable gives no files.
std::vector<SourceFile> ScanSources(const ArchiveFolders& folders, const SourceFilter& keep = {});

// The real path of a root folder; empty when it does not exist.
std::filesystem::path RootFolder(const ArchiveFolders& folders, Root root);

}  // namespace vantorel::fulltext
