#include "tables/semaphore_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

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

bool SetLock(int descriptor, short type, std::uint64_t start, std::uint64_t length) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(start);
  lock.l_len = static_cast<off_t>(length);
  return ::fcntl(descriptor, F_SETLK, &lock) == 0;
}

// Tries a write lock up to tries times; the errno of the last try is kept.
bool LockWithTries(int descriptor, short type, std::uint64_t start, std::uint64_t length, int tries) {
  for (int i = 0; i < tries; ++i) {
    if (SetLock(descriptor, type, start, length)) return true;
    if (errno != EACCES && errno != EAGAIN) return false;
    if (i + 1 < tries) std::this_thread::sleep_for(kLockPause);
  }
  return false;
}

// The table file held for its semaphore byte: writable when the table may be written (a
// write lock), else readable (a read lock, which still keeps writers of the byte out).
struct TableLock {
  std::optional<platform::File> file;
  short type = F_WRLCK;

  bool Take(const std::string& table_path, int tries) {
    file = platform::File::Open(table_path, platform::File::Mode::ReadWrite);
    if (!file) {
      file = platform::File::Open(table_path, platform::File::Mode::Read);
      type = F_RDLCK;
    }
    return file && LockWithTries(file->Descriptor(), type, kTableSemaphoreLockOffset, 1, tries);
  }
  ~TableLock() {
    if (file) SetLock(file->Descriptor(), F_UNLCK, kTableSemaphoreLockOffset, 1);
  }
};

}  // namespace

std::string SemaphoreFileName(std::string_view table_path) {
  return core::WithoutExtensions(table_path) + ".@s@";
}

void RemoveStaleSemaphoreFile(std::string_view table_path) {
  const std::string path = SemaphoreFileName(table_path);
  if (!platform::FileExists(path)) return;
  TableLock table;
  if (!table.Take(std::string(table_path), 1)) return;
  auto file = platform::File::Open(path, platform::File::Mode::Read);
  if (!file) return;
  // Every user holds a shared flock on the file: an exclusive one succeeds only when
  // nobody has it open.
  if (::flock(file->Descriptor(), LOCK_EX | LOCK_NB) != 0) return;
  ::unlink(file->Path().c_str());
}

SemaphoreFile::SemaphoreFile(std::string table_path, std::string table_name)
    : table_path_(std::move(table_path)),
      table_name_(std::move(table_name)),
      path_(SemaphoreFileName(table_path_)),
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
  const int created = ::open(real.c_str(), O_RDWR | O_CREAT | O_EXCL, 0666);
  if (created >= 0) {
    const char zero[kRecordSize] = {0, 0, 0, 0};
    const bool written = ::pwrite(created, zero, sizeof zero, 0) == static_cast<ssize_t>(sizeof zero);
    const int write_errno = errno;
    ::close(created);
    if (!written) throw EKvError(DosErrorCode(write_errno), "Cannot write to: " + name_ + " " + action);
  } else if (errno != EEXIST) {
    throw EKvError(DosErrorCode(errno), "Cannot open/create: " + name_ + " " + action);
  }
  file_ = platform::File::OpenPath(real, platform::File::Mode::ReadWrite);
  if (!file_) throw EKvError(DosErrorCode(errno), "Cannot open: " + name_ + " " + action);
  ::flock(file_->Descriptor(), LOCK_SH | LOCK_NB);
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
  if (users == 0) ::unlink(real.c_str());
}

std::uint8_t SemaphoreFile::ChangeCount(int delta, const char* action) {
  const int fd = file_->Descriptor();
  if (!LockWithTries(fd, F_WRLCK, kRecordLockStart, kRecordLockLength, kSemaphoreLockTries))
    throw EKvError(1202, "10 second timeout: Cannot lock index semaphore file: " + name_ +
                             " LOCKSEMAPHORE\r\nPossible cause: Network lock limit exceeded\r\n"
                             " Lock result code: " + std::to_string(DosErrorCode(errno)));
  struct Unlock {
    int fd;
    ~Unlock() { SetLock(fd, F_UNLCK, kRecordLockStart, kRecordLockLength); }
  } unlock{fd};
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
