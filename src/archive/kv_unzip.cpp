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
    std::optional<std::string> answer;
    if (AskForDirectory) answer = AskForDirectory(start);
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
    if (!archive_) throw EFOpenError(zip_name_);
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
      if (!archive_) throw EFOpenError(zip_name_);
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

void KvUnZip::ExtractEntry(int index, RunState& run) {
  const ZipHeaderInfo entry = entries_[static_cast<std::size_t>(index)];
  ArchiveStream& archive = *archive_;

  std::uint64_t data_offset = 0;
  if (!entry.IsDirectory()) {
    // Only the two lengths of the local header count; everything else comes from the central
    // record.
    std::array<char, kLocalHeaderSize> local{};
    archive.Seek(entry.local_header_offset);
    if (archive.Read(local.data(), local.size()) != local.size()) throw EFatalUnzipError();
    const ZipBytes header({local.data(), local.size()});
    data_offset = std::uint64_t{entry.local_header_offset} + kLocalHeaderSize +
                  header.U16(kLocalNameLengthOffset) + header.U16(kLocalExtraLengthOffset);
  }

  const std::string directory =
      TargetDirectory(dest_dir_, root_dir_, entry.path, recreate_dirs_);
  const bool parent_component = HasParentComponent(entry.path + entry.file_name);

  if (entry.IsDirectory()) {
    const fs::path real_directory = platform::ResolvePath(directory);
    if (parent_component || !run.dest->Contains(real_directory)) {
      SkipEntry(SkipReason::UnsafePath, directory, index, run);
      return;
    }
    platform::CreateDirectoriesAt(real_directory);
    return;
  }

  std::string fname = directory + entry.file_name;
  fs::path target = run.targets.Resolve(fname);
  if (parent_component || !run.dest->Contains(target)) {
    SkipEntry(SkipReason::UnsafePath, fname, index, run);
    return;
  }

  if (OnStartUnZip) {
    bool skip = false;
    const std::string before = fname;
    OnStartUnZip(index, fname, skip);
    if (skip) {
      run.progress.total_bytes -= entry.uncompressed_size;
      return;
    }
    if (fname != before) target = run.targets.Resolve(fname);
  }

  platform::CreateDirectoriesAt(target.parent_path());

  if (entry.Encrypted()) {
    SkipEntry(SkipReason::Encrypted, fname, index, run);
    return;
  }

  if (platform::FileExistsAt(target)) {
    const std::string before = fname;
    if (!MayOverwrite(index, fname)) {
      SkipEntry(SkipReason::FileExists, fname, index, run);
      return;
    }
    if (fname != before) target = run.targets.Resolve(fname);
  }

  // A file that Windows could not create: a name with control characters. An existing
  // read-only file refuses to be replaced unless ReplaceReadOnly clears its read-only bit.
  std::optional<OutputFile> file;
  if (!HasControlCharacter(entry.path + entry.file_name)) {
    const bool read_only = platform::IsReadOnlyAt(target);
    if (!read_only || replace_read_only_) {
      if (read_only) platform::SetReadOnlyAt(target, false);
      file = OutputFile::Create(target);
    }
  }
  if (!file) {
    SkipEntry(SkipReason::CannotCreate, fname, index, run);
    return;
  }
  run.targets.Created(target);

  archive.Seek(data_offset);
  EntryInput input(archive, entry.compressed_size, run.input_block.get(),
                   [this] { BeforeInputBlock(); });
  EntryOutput output(*file, entry.uncompressed_size, run.output_block.get(), run.progress);
  const DecodeParams params{entry.flags, entry.compressed_size, entry.uncompressed_size};
  bool failed = false;
  try {
    const std::optional<DecodeResult> result = DecodeByMethod(entry.method, input, output, params);
    if (!result)
      core::ShowError(kUnknownCompressionMethod, kZipErrorCaption);
    else if (*result == DecodeResult::OutOfMemory)
      core::ShowError(kInflateOutOfMemory, kErrorCaption);
    output.Finish();
  } catch (const EBiggerThanUncompressed&) {
    failed = true;
  } catch (...) {
    try {
      file->Close(flush_files_on_close_);
    } catch (const EWriteError&) {
    }
    throw;
  }
  file->Close(flush_files_on_close_);

  if (!failed) {
    if (retain_attributes_ && (entry.external_attributes & kDosReadOnly) != 0)
      platform::SetReadOnlyAt(target, true);
    platform::SetModifiedTimeAt(target, platform::FromDosDateTime(entry.date_time));
  }

  if (output.Crc() == entry.crc) {
    if (OnEndUnZip) OnEndUnZip(index, fname);
    ++run.extracted;
  } else {
    if (OnBadCRC) OnBadCRC(output.Crc(), entry.crc, index);
    platform::RemoveFileAt(target);
  }
}

}  // namespace vantorel::archive
