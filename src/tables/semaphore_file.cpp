#include "tables/semaphore_file.h"

#include <cerrno>
#include <chrono>
#include <thread>

#include "core/path_texts.h"
#include "tables/kv_error.h"

namespace vantorel::tables {

namespace {

constexpr std::size_t kRecordSize = 4;
constexpr std::uint64_t kRecordLockStart = 1;  // bytes 1..4 of the SemaphoreFile
constexpr std::uint64_t kRecordLockLength = 4;
constexpr std::chrono::milliseconds kLockPause{1};

using RangeLock = platform::File::RangeLock;

// Tries a lock up to tries times; the errno of the last try is kept.
bool LockWithTries(platform::File& file, RangeLock type, std::uint64_t start, std::uint64_t length,
                   int tries) {
  for (int i = 0; i < tries; ++i) {
    if (file.SetRangeLock(type, start, length)) return true;
    if (errno != EACCES && errno != EAGAIN) return false;
    if (i + 1 < tries) std::this_thread::sleep_for(kLockPause);
  }
  return false;
}

// The table file held for its semaphore byte: writable when the table may be written (a
// write lock), else readable (a read lock, which still keeps writers of the byte out).
struct TableLock {
  std::optional<platform::File> file;
  RangeLock type = RangeLock::Write;

  bool Take(const std::string& table_path, int tries) {
    file = platform::File::Open(table_path, platform::File::Mode::ReadWrite);
    if (!file) {
      file = platform::File::Open(table_path, platform::File::Mode::Read);
      type = RangeLock::Read;
    }
    return file && LockWithTries(*file, type, kTableSemaphoreLockOffset, 1, tries);
  }
  ~TableLock() {
    if (file) file->SetRangeLock(RangeLock::Unlock, kTableSemaphoreLockOffset, 1);
  }
};

// A failed exclusive create that leaves the file to be opened as another user's: the file
// exists, or the create was refused with the codes 3 (path not found), 5 (access denied) or 32
// (sharing violation), under which the file may still exist.
bool AnotherUserMayHoldIt(int errno_value) {
  if (errno_value == EEXIST) return true;
  const int code = DosErrorCode(errno_value);
  return code == 3 || code == 5 || code == 32;
}

}  // namespace

std::string SemaphoreFileName(std::string_view table_path) {
  return core::WithoutExtensions(table_path) + ".@s@";
}

std::string SemaphoreFilePath(std::string_view table_path, std::string_view folder) {
  const std::string beside = SemaphoreFileName(table_path);
  if (folder.empty()) return beside;
  return std::string(folder) + core::FileNameOf(beside);
}

void RemoveStaleSemaphoreFile(std::string_view table_path, std::string_view semaphore_path) {
  const std::string path(semaphore_path);
  if (!platform::FileExists(path)) return;
  TableLock table;
  if (!table.Take(std::string(table_path), 1)) return;
  auto file = platform::File::Open(path, platform::File::Mode::Read);
  if (!file) return;
  // Every user holds a shared flock on the file: an exclusive one succeeds only when
  // nobody has it open.
  if (!file->TryLock(platform::File::WholeLock::Exclusive)) return;
  platform::RemoveFileAt(file->Path());
}

SemaphoreFile::SemaphoreFile(std::string table_path, std::string table_name,
                             std::string semaphore_path)
    : table_path_(std::move(table_path)),
      table_name_(std::move(table_name)),
      path_(std::move(semaphore_path)),
      name_(SemaphoreFileName(table_name_)) {}

SemaphoreFile::~SemaphoreFile() {
  try {
    Logout();
  } catch (const EKvError&) {
  }
}

void SemaphoreFile::Login() {
  if (file_) return;
  const char* action = "LOGIN";
  TableLock table;
  if (!table.Take(table_path_, kSemaphoreLockTries))
    throw EKvError(1202, "Cannot lock database for: " + table_name_ + " Action=" + action +
                             " [Database Semaphore]");
  const std::filesystem::path real = platform::ResolvePath(path_);
  if (auto created = platform::File::OpenPath(real, platform::File::Mode::CreateNew)) {
    const char zero[kRecordSize] = {0, 0, 0, 0};
    const bool written = created->WriteAt(0, zero, sizeof zero);
    const int write_errno = errno;
    created.reset();
    if (!written) throw EKvError(DosErrorCode(write_errno), "Cannot write to: " + name_ + " " + action);
  } else if (!AnotherUserMayHoldIt(errno)) {
    throw EKvError(DosErrorCode(errno), "Cannot open/create: " + name_ + " " + action);
  }
  file_ = platform::File::OpenPath(real, platform::File::Mode::ReadWrite);
  if (!file_) throw EKvError(DosErrorCode(errno), "Cannot open: " + name_ + " " + action);
  file_->TryLock(platform::File::WholeLock::Shared);
  try {
    ChangeCount(+1, action);
  } catch (const EKvError&) {
    file_.reset();
    throw;
  }
}

void SemaphoreFile::Logout() {
  if (!file_) return;
  const char* action = "LOGOUT";
  TableLock table;
  if (!table.Take(table_path_, kSemaphoreLockTries))
    throw EKvError(1202, "Cannot lock database for: " + table_name_ + " Action=" + action +
                             " [Database Semaphore]");
  const std::uint8_t users = ChangeCount(-1, action);
  const std::filesystem::path real = file_->Path();
  file_.reset();
  if (users == 0) platform::RemoveFileAt(real);
}

std::uint8_t SemaphoreFile::ChangeCount(int delta, const char* action) {
  if (!LockWithTries(*file_, RangeLock::Write, kRecordLockStart, kRecordLockLength,
                     kSemaphoreLockTries))
    throw EKvError(1202, "10 second timeout: Cannot lock index semaphore file: " + name_ +
                             " LOCKSEMAPHORE\r\nPossible cause: Network lock limit exceeded\r\n"
                             " Lock result code: " + std::to_string(DosErrorCode(errno)));
  struct Unlock {
    platform::File& file;
    ~Unlock() { file.SetRangeLock(RangeLock::Unlock, kRecordLockStart, kRecordLockLength); }
  } unlock{*file_};
  unsigned char record[kRecordSize] = {0, 0, 0, 0};
  if (file_->ReadAt(0, record, sizeof record) != static_cast<long long>(sizeof record))
    throw EKvError(100, "Cannot read: " + name_ + " " + action);
  if (delta > 0 && record[0] < 255) ++record[0];
  if (delta < 0 && record[0] > 0) --record[0];
  if (!file_->WriteAt(0, record, sizeof record))
    throw EKvError(DosErrorCode(errno), "Cannot write to: " + name_ + " " + action);
  return record[0];
}

}  // namespace vantorel::tables
