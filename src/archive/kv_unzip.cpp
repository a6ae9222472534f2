#include "archive/kv_unzip.h"

#include <fnmatch.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <unordered_map>

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

// Local times of MS-DOS date-times, worked out once per date and hour of a run: the C library
// looks at the time zone file every time it converts one. Time zones change their offsets on
// the hour, so the minutes and seconds add on.
class LocalTimes {
 public:
  std::time_t Of(std::uint32_t dos_date_time) {
    const std::uint32_t hour = dos_date_time >> 11;
    auto known = hours_.find(hour);
    if (known == hours_.end())
      known = hours_.emplace(hour, platform::FromDosDateTime(hour << 11)).first;
    return known->second + static_cast<std::time_t>(((dos_date_time >> 5) & 0x3F) * 60 +
                                                    (dos_date_time & 0x1F) * 2);
  }

 private:
  std::unordered_map<std::uint32_t, std::time_t> hours_;
};

}  // namespace

// What one Extract run holds.
struct KvUnZip::RunState {
  std::unique_ptr<std::uint8_t[]> input_block = std::make_unique<std::uint8_t[]>(kExtractBlockSize);
  std::unique_ptr<std::uint8_t[]> output_block = std::make_unique<std::uint8_t[]>(kExtractBlockSize);
  RunProgress progress;  // TotalBytes, the bytes written, the percentage events
  std::optional<DestinationGuard> dest;   // the directory every target must lie in
  std::optional<TargetResolver> targets;  // target path texts to real paths
  LocalTimes local_times;
  int extracted = 0;     // files written with a matching CRC
};

KvUnZip::~KvUnZip() { CloseArchive(); }

void KvUnZip::SetZipName(std::string_view name) {
  if (name == zip_name_) return;
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
  skipped_.clear();
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

    const int dest_error = PrepareDestination(run);
    run.progress.on_file_percent = OnFilePercentDone;
    run.progress.on_total_percent = OnTotalPercentDone;

    // Selection pass.
    int remaining = EntryCount();
    for (std::size_t i = 0; i < entries_.Count(); ++i) {
      ZipHeaderInfo& entry = entries_[i];
      entry.extract = do_all_;
      if (!entry.IsDirectory() || recreate_dirs_) {
        // Names are UTF-8: only a-z fold, so no byte of a multi-byte letter changes.
        const std::string name = core::LowerCaseAscii(entry.path + entry.file_name);
        for (const std::string& pattern : files_list_)
          if (::fnmatch(core::LowerCaseAscii(pattern).c_str(), name.c_str(), FNM_NOESCAPE) == 0)
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
      if (dest_error != 0)
        throw ECannotWrite(dest_dir_.empty() ? "/" : dest_dir_, std::strerror(dest_error));
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

int KvUnZip::PrepareDestination(RunState& run) {
  const fs::path dest = platform::ResolvePath(dest_dir_.empty() ? std::string_view("/") : dest_dir_);
  const bool created = !platform::DirectoryExistsAt(dest);
  int error = 0;
  if ((created && !platform::CreateDirectoriesAt(dest)) || !platform::WritableDirectoryAt(dest))
    error = errno;
  run.dest.emplace(dest);
  run.targets.emplace(dest_dir_, dest, created);
  return error;
}

void KvUnZip::SkipEntry(SkipReason reason, const std::string& fname, int index, RunState& run,
                        bool tell) {
  skipped_.push_back({index, reason, fname});
  if (tell && OnSkippingFile) OnSkippingFile(reason, fname, index);
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
      // The box's text is in the program's code page; the entry's name is UTF-8.
      return core::Confirm(kReplaceExistingFile + entry.file_name + "?",
                           core::Buttons::YesNo, kFileExistsCaption);
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
  std::optional<OutputFile> file = CreateTargetFile(entry, *target);
  if (!file) {
    SkipEntry(SkipReason::CannotCreate, target->fname, index, run);
    return;
  }
  const WrittenData written = WriteEntryData(entry, data_offset, *file, run);
  if (!written.decoded) {
    file->Discard();
    SkipEntry(SkipReason::UnknownMethod, target->fname, index, run);
    return;
  }
  if (!DataChecks(index, entry, written)) {
    file->Discard();
    SkipEntry(SkipReason::DamagedData, target->fname, index, run, false);
    return;
  }
  if (!PutInPlace(entry, *target, *file, run)) {
    SkipEntry(SkipReason::CannotCreate, target->fname, index, run);
    return;
  }
  run.targets->Created({target->path, target->fresh},
                       retain_attributes_ && (entry.external_attributes & kDosReadOnly) != 0);
  if (OnEndUnZip) OnEndUnZip(index, target->fname);
  ++run.extracted;
}

// Steps 3 and 4: a directory entry's folder, created unless it lies outside DestDir.
void KvUnZip::RecreateDirectory(int index, const ZipHeaderInfo& entry, RunState& run) {
  const std::string directory =
      TargetDirectory(dest_dir_, root_dir_, EntryPathText(entry.path), recreate_dirs_);
  const TargetResolver::Resolved real = run.targets->ResolveFolder(directory);
  if (HasParentComponent(entry.path + entry.file_name) || !run.dest->Contains(real.path)) {
    SkipEntry(SkipReason::UnsafePath, directory, index, run);
    return;
  }
  run.targets->PrepareFolder(real.path, real.fresh);
}

// Steps 3 and 5 to 8: the target inside DestDir, announced, its folder made (and found able to
// take the file before anything is asked), and an existing file weighed against the overwrite
// policy.
std::optional<KvUnZip::Target> KvUnZip::ChooseTarget(int index, const ZipHeaderInfo& entry,
                                                      RunState& run) {
  Target target;
  target.fname = TargetDirectory(dest_dir_, root_dir_, EntryPathText(entry.path), recreate_dirs_) +
                 EntryPathText(entry.file_name);
  const TargetResolver::Resolved resolved = run.targets->Resolve(target.fname);
  target.path = resolved.path;
  target.fresh = resolved.fresh;
  platform::EntryStatus existing = run.targets->StatusOf(resolved);
  if (HasParentComponent(entry.path + entry.file_name) ||
      !run.dest->Contains(target.path, !existing.link)) {
    SkipEntry(SkipReason::UnsafePath, target.fname, index, run);
    return std::nullopt;
  }
  const std::string announced = target.fname;
  if (!AnnounceTarget(index, entry, target, run)) return std::nullopt;
  if (target.fname != announced) existing = run.targets->StatusOf({target.path, target.fresh});
  if (!run.targets->PrepareFolder(target.path.parent_path(), target.fresh)) {
    SkipEntry(SkipReason::CannotCreate, target.fname, index, run);
    return std::nullopt;
  }
  if (entry.Encrypted()) {
    SkipEntry(SkipReason::Encrypted, target.fname, index, run);
    return std::nullopt;
  }
  target.read_only = existing.read_only;
  target.replaces = existing.exists && existing.type != platform::EntryStatus::Type::Directory;
  if (existing.type == platform::EntryStatus::Type::File && !ReplaceExisting(index, target, run))
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
  if (target.fname != before) {
    const TargetResolver::Resolved resolved = run.targets->Resolve(target.fname);
    target.path = resolved.path;
    target.fresh = resolved.fresh;
  }
  return true;
}

bool KvUnZip::ReplaceExisting(int index, Target& target, RunState& run) {
  const std::string before = target.fname;
  if (!MayOverwrite(index, target.fname)) {
    SkipEntry(SkipReason::FileExists, target.fname, index, run);
    return false;
  }
  if (target.fname != before) {
    const TargetResolver::Resolved resolved = run.targets->Resolve(target.fname);
    target.path = resolved.path;
    target.fresh = resolved.fresh;
    const platform::EntryStatus existing = run.targets->StatusOf(resolved);
    target.read_only = existing.read_only;
    target.replaces = existing.exists && existing.type != platform::EntryStatus::Type::Directory;
  }
  return true;
}

// Step 9: the temporary file the entry is written to. A file that Windows could not create: a
// name with control characters. An existing read-only file refuses to be replaced unless
// ReplaceReadOnly is on.
std::optional<OutputFile> KvUnZip::CreateTargetFile(const ZipHeaderInfo& entry,
                                                    const Target& target) const {
  if (HasControlCharacter(entry.path + entry.file_name)) return std::nullopt;
  if (target.read_only && !replace_read_only_) return std::nullopt;
  return OutputFile::CreateFor(target.path);
}

// Steps 10 and 11: the data decoded into the file. A method without a decoder and a decoder out
// of memory are told in a box. An exception leaves the file to be discarded.
KvUnZip::WrittenData KvUnZip::WriteEntryData(const ZipHeaderInfo& entry, std::uint64_t data_offset,
                                             OutputFile& file, RunState& run) {
  archive_->Seek(data_offset);
  EntryInput input(*archive_, entry.compressed_size, run.input_block.get(),
                   [this] { BeforeInputBlock(); });
  EntryOutput output(file, entry.uncompressed_size, run.output_block.get(), run.progress);
  const DecodeParams params{entry.flags, entry.compressed_size, entry.uncompressed_size};
  WrittenData written{true, 0, 0, true};
  try {
    const std::optional<DecodeResult> result = DecodeByMethod(entry.method, input, output, params);
    if (!result) {
      core::ShowError(kUnknownCompressionMethod, kZipErrorCaption);
      written.decoded = false;
    } else if (*result == DecodeResult::OutOfMemory) {
      core::ShowError(kInflateOutOfMemory, kErrorCaption);
      written.complete = false;
    }
    output.Finish();
  } catch (const EBiggerThanUncompressed&) {
    written.complete = false;
  }
  written.crc = output.Crc();
  written.size = file.Position();
  return written;
}

// Steps 12 and 13, the check first: a file whose size or CRC differs from the stored one is
// never put in place.
bool KvUnZip::DataChecks(int index, const ZipHeaderInfo& entry, const WrittenData& written) {
  if (written.complete && written.size == entry.uncompressed_size && written.crc == entry.crc)
    return true;
  if (OnBadCRC) OnBadCRC(written.crc, entry.crc, index);
  return false;
}

bool KvUnZip::PutInPlace(const ZipHeaderInfo& entry, const Target& target, OutputFile& file,
                         RunState& run) const {
  // The extended timestamp's UTC time when the entry has one, else the MS-DOS local time.
  file.Close(flush_files_on_close_, entry.modified_utc
                                        ? static_cast<std::time_t>(*entry.modified_utc)
                                        : run.local_times.Of(entry.date_time));
  if (retain_attributes_ && (entry.external_attributes & kDosReadOnly) != 0)
    platform::SetReadOnlyAt(file.TemporaryPath(), true);
  return file.Commit(flush_files_on_close_, target.replaces);
}

}  // namespace vantorel::archive
