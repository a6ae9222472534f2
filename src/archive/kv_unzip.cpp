#include "archive/kv_unzip.h"

#include <fnmatch.h>

#include <array>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "archive/archive_errors.h"
#include "archive/decoders.h"
#include "archive/extract_steps.h"
#include "archive/output_file.h"
#include "archive/target_path.h"
#include "archive/target_resolver.h"
#include "archive/zip_bytes.h"
#include "archive/zip_directory.h"
#include "core/code_pages.h"
#include "core/path_texts.h"
#include "core/texts.h"
#include "core/ui.h"
#include "platform/file_system.h"

namespace vantorel::archive {

namespace fs = std::filesystem;

namespace {

constexpr char kOpenZipTitle[] = "Open a Zip File";
constexpr char kDestDirTitle[] = "Select Destination Directory";
constexpr char kOpenZipFilter[] =
    "Zip Files (*.ZIP)|*.zip|SFX Files (*.EXE)|*.exe|Jar Files (*.JAR)|*.jar|All Files (*.*)|*.*";
constexpr char kUnknownCompressionMethod[] = "Unknown Compression Method";
constexpr char kZipErrorCaption[] = "Zip Error";
constexpr char kInflateOutOfMemory[] = "*** inflate out of memory ***";
constexpr char kErrorCaption[] = "Error";
constexpr char kReplaceExistingFile[] = "Replace existing file ";
constexpr char kFileExistsCaption[] = "File Exists Alert";

bool SameTime(const std::timespec& a, const std::timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Step 2: where the entry's data starts. Only the two lengths of the local header count;
// everything else comes from the central record.
std::uint64_t DataOffset(ArchiveStream& archive, const ZipHeaderInfo& entry) {
  std::array<char, kLocalHeaderSize> local{};
  archive.Seek(entry.local_header_offset);
  if (archive.Read(local.data(), local.size()) != local.size()) throw EFatalUnzipError();
  const ZipBytes header({local.data(), local.size()});
  return std::uint64_t{entry.local_header_offset} + kLocalHeaderSize +
         header.U16(kLocalNameLengthOffset) + header.U16(kLocalExtraLengthOffset);
}

bool HasControlCharacter(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) < 0x20) return true;
  return false;
}

}  // namespace

// What one Extract run holds.
struct KvUnZip::RunState {
  std::unique_ptr<std::uint8_t[]> input_block = std::make_unique<std::uint8_t[]>(kExtractBlockSize);
  std::unique_ptr<std::uint8_t[]> output_block = std::make_unique<std::uint8_t[]>(kExtractBlockSize);
  RunProgress progress;  // TotalBytes, the bytes written, the percentage events
  std::optional<DestinationGuard> dest;  // the directory every target must lie in
  TargetResolver targets;                // target path texts to real paths
  int extracted = 0;     // files written with a matching CRC
};

KvUnZip::~KvUnZip() { CloseArchive(); }

void KvUnZip::SetZipName(std::string_view name) {
  if (core::SameTextNoCase(name, zip_name_)) return;
  std::string chosen(name);
  if (!chosen.empty() && chosen.back() == '?') {
    const std::string folder = core::FolderOf(std::string_view(chosen).substr(0, chosen.size() - 1),
                                              core::FolderEnd::SeparatorOrDrive);
    const std::string initial = !folder.empty() && platform::DirectoryExists(folder) ? folder : "/";
    auto file = core::CurrentUi().AskForFile({kOpenZipTitle, kOpenZipFilter, initial});
    if (!file) throw EUserCanceled(kUserCanceledZipName);
    chosen = *file;
  }
  DropDirectory();
  archive_.reset();
  zip_name_ = std::move(chosen);
}

void KvUnZip::SetDestDir(std::string_view dir) {
  std::string chosen(dir);
  if (chosen == "?") {
    const std::string start = platform::DirectoryExists(dest_dir_)
                                  ? dest_dir_
                                  : platform::PathText(platform::CurrentDirectory());
    auto answer = core::CurrentUi().AskForFolder({kDestDirTitle, start});
    if (!answer) throw EUserCanceled(kUserCanceledDestDir);
    chosen = std::move(*answer);
  }
  if (!chosen.empty() && (chosen.back() == '\\' || chosen.back() == '/')) chosen.pop_back();
  dest_dir_ = std::move(chosen);
}

void KvUnZip::SetRootDir(std::string_view dir) {
  root_dir_ = dir.empty() ? std::string() : core::WithTrailingBackslash(dir);
}

const ZipHeaderInfo& KvUnZip::Entry(int index) const {
  if (index < 0 || index >= EntryCount())
    throw EListError("Index " + std::to_string(index) + " is out of range");
  return entries_[static_cast<std::size_t>(index)];
}

void KvUnZip::DropDirectory() {
  entries_.Clear();
  end_central_ = EndCentral{};
  directory_loaded_ = false;
  archive_time_.reset();
}

void KvUnZip::CloseArchive() {
  archive_.reset();
  DropDirectory();
  zip_name_.clear();
}

void KvUnZip::CloseStreamUnlessKept() {
  if (!keep_zip_open_) archive_.reset();
}

void KvUnZip::ReadDirectory() {
  ArchiveStream& archive = *archive_;
  DropDirectory();
  archive.ForgetBuffer();
  archive_time_ = archive.ModifiedTime();
  const std::optional<EndCentral> end = FindEndCentral(archive);
  if (!end) {
    if (incomplete_zip_mode_ == IncompleteZipMode::izAssumeNotAZip) throw ENotAZipFile();
    throw EIncompleteZip();
  }
  end_central_ = *end;
  ReadCentralDirectory(archive, end_central_, entries_);
  directory_loaded_ = true;
}

ArchiveStream& KvUnZip::OpenArchive() {
  if (!archive_) {
    archive_ = ArchiveStream::Open(zip_name_);
    if (!archive_) throw EFOpenError(platform::ShownPath(zip_name_));
  }
  if (!directory_loaded_ || !SameTime(*archive_time_, archive_->ModifiedTime())) ReadDirectory();
  return *archive_;
}

void KvUnZip::LoadDirectory() {
  cancel_ = false;
  core::BusyCursor busy;
  try {
    if (!archive_) {
      archive_ = ArchiveStream::Open(zip_name_);
      if (!archive_) throw EFOpenError(platform::ShownPath(zip_name_));
    }
    ReadDirectory();
  } catch (const EIncompleteZip&) {
    archive_.reset();
    return;
  } catch (...) {
    CloseArchive();
    throw;
  }
  CloseStreamUnlessKept();
}

int KvUnZip::Extract() {
  if (busy_) throw std::logic_error("KvUnZip::Extract started while an operation runs");
  busy_ = true;
  cancel_ = false;
  RunState run;
  const auto finish = [&] {
    files_list_.clear();
    busy_ = false;
    cancel_ = false;
    CloseStreamUnlessKept();
    if (OnUnZipComplete) OnUnZipComplete(run.extracted);
  };
  try {
    OpenArchive();

    if (!dest_dir_.empty() && !platform::DirectoryExists(dest_dir_))
      platform::CreateDirectoriesAt(platform::ResolvePath(dest_dir_));
    run.dest.emplace(
        platform::ResolvePath(dest_dir_.empty() ? std::string_view("/") : dest_dir_));
    run.progress.on_file_percent = OnFilePercentDone;
    run.progress.on_total_percent = OnTotalPercentDone;

    // Selection pass.
    int remaining = EntryCount();
    for (std::size_t i = 0; i < entries_.Count(); ++i) {
      ZipHeaderInfo& entry = entries_[i];
      entry.extract = do_all_;
      if (!entry.IsDirectory() || recreate_dirs_) {
        const std::string name = core::AnsiLower(entry.path + entry.file_name);
        for (const std::string& pattern : files_list_)
          if (::fnmatch(core::AnsiLower(pattern).c_str(), name.c_str(), FNM_NOESCAPE) == 0)
            entry.extract = true;
      }
      if (entry.extract && !entry.IsDirectory())
        run.progress.total_bytes += entry.uncompressed_size;
      else
        --remaining;
      if (entry.IsDirectory() && !recreate_dirs_) entry.extract = false;
    }

    bool stop = false;
    if (OnStartUnZipInfo) OnStartUnZipInfo(remaining, run.progress.total_bytes, stop);
    if (remaining > 0 && !stop) {
      for (int i = 0; i < EntryCount(); ++i)
        if (do_all_ || entries_[static_cast<std::size_t>(i)].extract) ExtractEntry(i, run);
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
  return run.extracted;
}

void KvUnZip::BeforeInputBlock() {
  if (do_process_messages_ && ProcessMessages) ProcessMessages();
  if (cancel_) {
    cancel_ = false;
    throw EUserCanceled(kUserAbortedOperation);
  }
}

void KvUnZip::SkipEntry(SkipReason reason, const std::string& fname, int index, RunState& run) {
  if (OnSkippingFile) OnSkippingFile(reason, fname, index);
  const ZipHeaderInfo& entry = entries_[static_cast<std::size_t>(index)];
  if (!entry.IsDirectory()) run.progress.total_bytes -= entry.uncompressed_size;
}

bool KvUnZip::MayOverwrite(int index, std::string& fname) {
  const ZipHeaderInfo& entry = entries_[static_cast<std::size_t>(index)];
  switch (overwrite_mode_) {
    case UZOverwriteMode::Always: return true;
    case UZOverwriteMode::Never: return false;
    case UZOverwriteMode::Prompt: {
      if (OnPromptForOverwrite) {
        bool overwrite_it = false;
        OnPromptForOverwrite(overwrite_it, index, fname);
        return overwrite_it;
      }
      return core::Confirm(kReplaceExistingFile + entry.file_name + "?", core::Buttons::YesNo,
                           kFileExistsCaption);
    }
    case UZOverwriteMode::ifNewer: {
      const auto age = platform::FileAge(fname);
      return age && entry.date_time > *age;
    }
    case UZOverwriteMode::ifOlder: {
      const auto age = platform::FileAge(fname);
      return age && entry.date_time < *age;
    }
  }
  return false;
}

// Step 1 copies the entry; the other steps follow in order below.
void KvUnZip::ExtractEntry(int index, RunState& run) {
  const ZipHeaderInfo entry = entries_[static_cast<std::size_t>(index)];
  if (entry.IsDirectory()) {
    RecreateDirectory(index, entry, run);
    return;
  }
  const std::uint64_t data_offset = DataOffset(*archive_, entry);
  const std::optional<Target> target = ChooseTarget(index, entry, run);
  if (!target) return;
  std::optional<OutputFile> file = CreateTargetFile(entry, target->path);
  if (!file) {
    SkipEntry(SkipReason::CannotCreate, target->fname, index, run);
    return;
  }
  run.targets.Created(target->path);
  const WrittenData written = WriteEntryData(entry, data_offset, *file, run);
  if (written.complete) KeepDateAndAttributes(entry, target->path);
  CheckCrc(index, entry, *target, written.crc, run);
}

// Steps 3 and 4: a directory entry's folder, created unless it lies outside DestDir.
void KvUnZip::RecreateDirectory(int index, const ZipHeaderInfo& entry, RunState& run) {
  const std::string directory = TargetDirectory(dest_dir_, root_dir_, entry.path, recreate_dirs_);
  const fs::path real_directory = platform::ResolvePath(directory);
  if (HasParentComponent(entry.path + entry.file_name) || !run.dest->Contains(real_directory)) {
    SkipEntry(SkipReason::UnsafePath, directory, index, run);
    return;
  }
  platform::CreateDirectoriesAt(real_directory);
}

// Steps 3 and 5 to 8: the target inside DestDir, announced, its folder made, and an existing
// file weighed against the overwrite policy.
std::optional<KvUnZip::Target> KvUnZip::ChooseTarget(int index, const ZipHeaderInfo& entry,
                                                      RunState& run) {
  Target target;
  target.fname =
      TargetDirectory(dest_dir_, root_dir_, entry.path, recreate_dirs_) + entry.file_name;
  target.path = run.targets.Resolve(target.fname);
  if (HasParentComponent(entry.path + entry.file_name) || !run.dest->Contains(target.path)) {
    SkipEntry(SkipReason::UnsafePath, target.fname, index, run);
    return std::nullopt;
  }
  if (!AnnounceTarget(index, entry, target, run)) return std::nullopt;
  platform::CreateDirectoriesAt(target.path.parent_path());
  if (entry.Encrypted()) {
    SkipEntry(SkipReason::Encrypted, target.fname, index, run);
    return std::nullopt;
  }
  if (platform::FileExistsAt(target.path) && !ReplaceExisting(index, target, run))
    return std::nullopt;
  return target;
}

bool KvUnZip::AnnounceTarget(int index, const ZipHeaderInfo& entry, Target& target,
                             RunState& run) {
  if (!OnStartUnZip) return true;
  bool skip = false;
  const std::string before = target.fname;
  OnStartUnZip(index, target.fname, skip);
  if (skip) {
    run.progress.total_bytes -= entry.uncompressed_size;
    return false;
  }
  if (target.fname != before) target.path = run.targets.Resolve(target.fname);
  return true;
}

bool KvUnZip::ReplaceExisting(int index, Target& target, RunState& run) {
  const std::string before = target.fname;
  if (!MayOverwrite(index, target.fname)) {
    SkipEntry(SkipReason::FileExists, target.fname, index, run);
    return false;
  }
  if (target.fname != before) target.path = run.targets.Resolve(target.fname);
  return true;
}

// Step 9. A file that Windows could not create: a name with control characters. An existing
// read-only file refuses to be replaced unless ReplaceReadOnly clears its read-only bit.
std::optional<OutputFile> KvUnZip::CreateTargetFile(const ZipHeaderInfo& entry,
                                                    const fs::path& target) const {
  if (HasControlCharacter(entry.path + entry.file_name)) return std::nullopt;
  const bool read_only = platform::IsReadOnlyAt(target);
  if (read_only && !replace_read_only_) return std::nullopt;
  if (read_only) platform::SetReadOnlyAt(target, false);
  return OutputFile::Create(target);
}

// Steps 10 to 12 up to closing the file: the data decoded into it. A method without a decoder
// and a decoder out of memory are told in a box; the file is closed in every case.
KvUnZip::WrittenData KvUnZip::WriteEntryData(const ZipHeaderInfo& entry, std::uint64_t data_offset,
                                             OutputFile& file, RunState& run) {
  archive_->Seek(data_offset);
  EntryInput input(*archive_, entry.compressed_size, run.input_block.get(),
                   [this] { BeforeInputBlock(); });
  EntryOutput output(file, entry.uncompressed_size, run.output_block.get(), run.progress);
  const DecodeParams params{entry.flags, entry.compressed_size, entry.uncompressed_size};
  bool complete = true;
  try {
    const std::optional<DecodeResult> result = DecodeByMethod(entry.method, input, output, params);
    if (!result)
      core::ShowError(kUnknownCompressionMethod, kZipErrorCaption);
    else if (*result == DecodeResult::OutOfMemory)
      core::ShowError(kInflateOutOfMemory, kErrorCaption);
    output.Finish();
  } catch (const EBiggerThanUncompressed&) {
    complete = false;
  } catch (...) {
    try {
      file.Close(flush_files_on_close_);
    } catch (const EWriteError&) {
    }
    throw;
  }
  file.Close(flush_files_on_close_);
  return {output.Crc(), complete};
}

// Step 12 after closing: the read-only attribute and the entry's date; failures are ignored.
void KvUnZip::KeepDateAndAttributes(const ZipHeaderInfo& entry, const fs::path& target) const {
  if (retain_attributes_ && (entry.external_attributes & kDosReadOnly) != 0)
    platform::SetReadOnlyAt(target, true);
  platform::SetModifiedTimeAt(target, platform::FromDosDateTime(entry.date_time));
}

// Step 13: a file whose CRC differs from the stored one is deleted.
void KvUnZip::CheckCrc(int index, const ZipHeaderInfo& entry, const Target& target,
                       std::uint32_t crc, RunState& run) {
  if (crc == entry.crc) {
    if (OnEndUnZip) OnEndUnZip(index, target.fname);
    ++run.extracted;
  } else {
    if (OnBadCRC) OnBadCRC(crc, entry.crc, index);
    platform::RemoveFileAt(target.path);
  }
}

}  // namespace vantorel::archive
