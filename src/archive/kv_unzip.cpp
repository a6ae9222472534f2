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
#include "archive/entry_decryption.h"
#include "archive/extract_steps.h"
#include "archive/kept_blocks.h"
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
// everything else comes from the central record, except what decryption needs: the time word
// of the check byte and the extra field holding WinZip AES's parameters, read for encrypted
// entries only.
LocalHeaderFacts ReadLocalHeader(ArchiveStream& archive, const ZipHeaderInfo& entry) {
  std::array<char, kLocalHeaderSize> local{};
  archive.Seek(entry.local_header_offset);
  if (archive.Read(local.data(), local.size()) != local.size()) throw EFatalUnzipError();
  const ZipBytes header({local.data(), local.size()});
  const std::uint16_t name_length = header.U16(kLocalNameLengthOffset);
  const std::uint16_t extra_length = header.U16(kLocalExtraLengthOffset);
  LocalHeaderFacts facts;
  facts.data_offset =
      std::uint64_t{entry.local_header_offset} + kLocalHeaderSize + name_length + extra_length;
  if (entry.Encrypted()) {
    facts.dos_time = header.U16(kLocalTimeOffset);
    facts.extra.resize(extra_length);
    archive.Seek(std::uint64_t{entry.local_header_offset} + kLocalHeaderSize + name_length);
    if (archive.Read(facts.extra.data(), extra_length) != extra_length) throw EFatalUnzipError();
  }
  return facts;
}

// The box for an entry whose method has no decoder: the method's number and name, and the
// entry.
std::string UnknownMethodText(std::uint16_t method, const ZipHeaderInfo& entry) {
  return std::string(kUnknownCompressionMethod) + " " + MethodText(method) + " in " + entry.path +
         entry.file_name;
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
  KeptBlocks::Scope kept_blocks;  // the decoders' large blocks, kept from entry to entry
  RunProgress progress;  // TotalBytes, the bytes written, the percentage events
  bool password_asked = false;  // the Ui was asked for a password in this run
  bool password_failed = false; // an entry found the password wrong
  std::optional<DestinationGuard> dest;   // the directory every target must lie in
  std::optional<TargetResolver> targets;  // target path texts to real paths
  LocalTimes local_times;
  int extracted = 0;     // files written with a matching CRC
};

KvUnZip::EntryData::EntryData() = default;
KvUnZip::EntryData::EntryData(EntryData&&) noexcept = default;
KvUnZip::EntryData& KvUnZip::EntryData::operator=(EntryData&&) noexcept = default;
KvUnZip::EntryData::~EntryData() = default;

KvUnZip::~KvUnZip() { CloseArchive(); }

void KvUnZip::SetPassword(std::string password) {
  password_ = std::move(password);
  password_set_ = true;
}

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
  if (!password_set_) password_.reset();
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
    if (run.password_failed && !password_set_) password_.reset();
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
  const LocalHeaderFacts local = ReadLocalHeader(*archive_, entry);
  std::optional<EntryData> data;
  const std::optional<Target> target = ChooseTarget(index, entry, local, data, run);
  if (!target) return;
  std::optional<OutputFile> file = CreateTargetFile(entry, *target);
  if (!file) {
    SkipEntry(SkipReason::CannotCreate, target->fname, index, run);
    return;
  }
  const WrittenData written = WriteEntryData(entry, *data, *file, run);
  if (!DataChecks(index, entry, *data, written)) {
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
// take the file before anything is asked), the entry's data set up for decoding (PrepareData),
// and an existing file weighed against the overwrite policy.
std::optional<KvUnZip::Target> KvUnZip::ChooseTarget(int index, const ZipHeaderInfo& entry,
                                                      const LocalHeaderFacts& local,
                                                      std::optional<EntryData>& data,
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
  data = PrepareData(index, entry, local, target, run);
  if (!data) return std::nullopt;
  target.read_only = existing.read_only;
  target.replaces = existing.exists && existing.type != platform::EntryStatus::Type::Directory;
  if (existing.type == platform::EntryStatus::Type::File && !ReplaceExisting(index, target, run))
    return std::nullopt;
  return target;
}

// Step 7, and the method: an entry that cannot be decoded (an unknown method, an encryption
// this program does not know, no password, a password that fails the entry's check) ends here,
// before any file is touched.
std::optional<KvUnZip::EntryData> KvUnZip::PrepareData(int index, const ZipHeaderInfo& entry,
                                                       const LocalHeaderFacts& local,
                                                       const Target& target, RunState& run) {
  const std::optional<std::uint16_t> method = DataMethod(entry, local.extra);
  if (!method) {
    SkipEntry(SkipReason::UnsupportedEncryption, target.fname, index, run);
    return std::nullopt;
  }
  if (!HasDecoder(*method)) {
    core::ShowError(UnknownMethodText(*method, entry), kZipErrorCaption);
    SkipEntry(SkipReason::UnknownMethod, target.fname, index, run);
    return std::nullopt;
  }
  EntryData data;
  data.method = *method;
  data.offset = local.data_offset;
  data.size = entry.compressed_size;
  if (!entry.Encrypted()) return data;

  const std::optional<std::string>& password = PasswordFor(entry, run);
  if (!password) {
    SkipEntry(SkipReason::Encrypted, target.fname, index, run);
    return std::nullopt;
  }
  EntryDecryption::Opened opened = EntryDecryption::Open(*archive_, entry, local, *password);
  switch (opened.outcome) {
    case EntryDecryption::Outcome::Ready: break;
    case EntryDecryption::Outcome::WrongPassword:
      run.password_failed = true;
      SkipEntry(SkipReason::WrongPassword, target.fname, index, run);
      return std::nullopt;
    case EntryDecryption::Outcome::Unsupported:
      SkipEntry(SkipReason::UnsupportedEncryption, target.fname, index, run);
      return std::nullopt;
    case EntryDecryption::Outcome::Damaged:
      // Told as a decrypted entry that fails its check is.
      if (OnBadPassword) OnBadPassword(index);
      SkipEntry(SkipReason::DamagedData, target.fname, index, run, false);
      return std::nullopt;
  }
  data.offset = opened.decryption->DataOffset();
  data.size = opened.decryption->DataSize() + opened.decryption->TrailerSize();
  data.checks_crc = opened.decryption->ChecksCrc();
  data.decryption = std::move(opened.decryption);
  return data;
}

const std::optional<std::string>& KvUnZip::PasswordFor(const ZipHeaderInfo& entry,
                                                        RunState& run) {
  if (!password_ && !run.password_asked) {
    run.password_asked = true;
    password_ = core::CurrentUi().AskForPassword({zip_name_, entry.path + entry.file_name});
  }
  return password_;
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

// Steps 10 and 11: the data decoded into the file, decrypted on its way when the entry is
// encrypted. A decoder out of memory is told in a box. An exception leaves the file to be
// discarded.
KvUnZip::WrittenData KvUnZip::WriteEntryData(const ZipHeaderInfo& entry, EntryData& data,
                                             OutputFile& file, RunState& run) {
  archive_->Seek(data.offset);
  EntryInput raw(*archive_, data.size, run.input_block.get(), [this] { BeforeInputBlock(); });
  std::optional<DecryptingInput> decrypted;
  if (data.decryption) decrypted.emplace(raw, *data.decryption);
  CompressedInput& input = decrypted ? static_cast<CompressedInput&>(*decrypted) : raw;
  EntryOutput output(file, entry.uncompressed_size, run.output_block.get(), run.progress);
  const DecodeParams params{entry.flags,
                            data.decryption ? data.decryption->DataSize() : data.size,
                            entry.uncompressed_size};
  WrittenData written{0, 0, true, true};
  try {
    const std::optional<DecodeResult> result = DecodeByMethod(data.method, input, output, params);
    if (result == DecodeResult::OutOfMemory) {
      core::ShowError(kInflateOutOfMemory, kErrorCaption);
      written.complete = false;
    }
    output.Finish();
    if (decrypted) written.authentic = decrypted->Finish();
  } catch (const EBiggerThanUncompressed&) {
    written.complete = false;
    written.authentic = !data.decryption;
  }
  written.crc = output.Crc();
  written.size = file.Position();
  return written;
}

// Steps 12 and 13, the check first: a file whose size or CRC differs from the stored one (where
// the entry's CRC counts), or whose AES authentication code does not match, is never put in
// place. An encrypted entry is told through OnBadPassword.
bool KvUnZip::DataChecks(int index, const ZipHeaderInfo& entry, const EntryData& data,
                         const WrittenData& written) {
  if (written.complete && written.size == entry.uncompressed_size &&
      (!data.checks_crc || written.crc == entry.crc) && written.authentic)
    return true;
  if (entry.Encrypted()) {
    if (OnBadPassword) OnBadPassword(index);
  } else if (OnBadCRC) {
    OnBadCRC(written.crc, entry.crc, index);
  }
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
