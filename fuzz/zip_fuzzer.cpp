// A ZIP archive as the extraction dialog opens it: the directory read (ZIP64 end records and
// extra fields, Unicode paths, timestamps, leading data included), every entry looked at, and,
// when the entries claim little enough, everything extracted into a scratch folder.
// Input: the archive.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "archive/archive_errors.h"
#include "archive/kv_unzip.h"
#include "fuzz_input.h"

namespace {

using vantorel::archive::KvUnZip;

// Extraction is tried only below this total of claimed uncompressed bytes.
constexpr std::uint64_t kMaxExtractedBytes = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vantorel::fuzz::InstallSilentUi();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto archive_path = vantorel::fuzz::WriteScratchFile("A.ZIP", vantorel::fuzz::AsText(data, size));
  const std::filesystem::path out = vantorel::fuzz::ScratchDir() / "out";
  std::error_code error;
  std::filesystem::remove_all(out, error);
  std::filesystem::create_directory(out, error);

  KvUnZip unzip;
  unzip.SetIncompleteZipMode(size % 2 == 0 ? vantorel::archive::IncompleteZipMode::izAssumeMulti
                                           : vantorel::archive::IncompleteZipMode::izAssumeNotAZip);
  try {
    unzip.SetZipName(archive_path.string());
    unzip.LoadDirectory();
    std::uint64_t claimed = 0;
    for (int i = 0; i < unzip.EntryCount(); ++i) {
      unzip.EntryFileName(i);
      unzip.EntryPathName(i);
      // 64-bit sizes from ZIP64 fields: a sum that would wrap counts as too much.
      claimed += std::min<std::uint64_t>(unzip.EntryUncompressedSize(i), kMaxExtractedBytes + 1);
    }
    if (unzip.EntryCount() > 0 && claimed <= kMaxExtractedBytes) {
      unzip.SetDestDir(out.string());
      unzip.SetRecreateDirs(size % 3 == 0);
      unzip.SetOverwriteMode(vantorel::archive::UZOverwriteMode::Always);
      unzip.SetDoAll(true);
      unzip.Extract();
    }
  } catch (const vantorel::archive::ArchiveError&) {
  }
  return 0;
}
