// The SemaphoreFile: how several processes share one table's indexes. It lies beside the
// table (or, for a table in a folder that cannot be written, in the folder that holds the
// table's indexes), named as the table with the extension ".@s@", and counts the users that
// have the table open with an index.
//
// Format notes. One 4-byte record: byte 0 counts the users, byte 1 the active readers,
// bytes 2 and 3 are 0.
// Locks are POSIX record locks (fcntl F_SETLK), tried up to 1000 times:
//   - one byte at offset 0x40000000 of the table file (beyond any real data) while a user
//     logs in or out, so that creating, counting and deleting the file never overlap;
//   - bytes 1..4 of the SemaphoreFile while its record is read and written.
// Every process that holds the file open keeps a shared flock(2) lock on it, so that the
// file counts as in use and a stale-file removal leaves it alone (deleting an open file
// would succeed on Linux).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace vantorel::tables {

// The number of tries for each lock.
inline constexpr int kSemaphoreLockTries = 1000;
// The table byte locked around a login or logout.
inline constexpr std::uint64_t kTableSemaphoreLockOffset = 0x40000000;

// The SemaphoreFile's path text for a table path: everything from the first "." of the file
// name on (the extension of an MS-DOS name) replaced by ".@s@", which is appended when the
// name has no ".".
std::string SemaphoreFileName(std::string_view table_path);

// The SemaphoreFile's path text for a table path kept in folder (ending in a separator): the
// table's SemaphoreFile name in that folder; beside the table when folder is empty. A table in
// a folder that cannot be written keeps its SemaphoreFile in a folder of the reader's.
std::string SemaphoreFilePath(std::string_view table_path, std::string_view folder);

// Removes a SemaphoreFile (at semaphore_path) left behind by a process that ended without
// logging out: the file is deleted unless some process has it open. Every failure is ignored.
void RemoveStaleSemaphoreFile(std::string_view table_path, std::string_view semaphore_path);

// One work area's login. table_path is the table's path text as the file system takes it;
// table_name is the name shown in messages; semaphore_path the SemaphoreFile's path text
// (SemaphoreFilePath).
class SemaphoreFile {
 public:
  SemaphoreFile(std::string table_path, std::string table_name, std::string semaphore_path);
  // Logs out when logged in; errors are dropped (call Logout to see them).
  ~SemaphoreFile();
  SemaphoreFile(const SemaphoreFile&) = delete;
  SemaphoreFile& operator=(const SemaphoreFile&) = delete;

  // LOGIN: locks the table byte, creates the file with a zero record (or, when the create
  // fails because the file exists or with code 3, 5 or 32, opens the existing one; in a folder
  // that cannot be written that fails with "Cannot open: "), locks its bytes 1..4, adds one to
  // byte 0, unlocks both.
  // Errors (EKvError):
  //   1202 "Cannot lock database for: " + table + " Action=" + action + " [Database Semaphore]"
  //   1202 "10 second timeout: Cannot lock index semaphore file: " + name + " " + action +
  //        "\r\nPossible cause: Network lock limit exceeded\r\n Lock result code: " + code
  //   the operating-system code with "Cannot open/create: ", "Cannot open: ",
  //        "Cannot read: " or "Cannot write to: " + name + " " + action
  // where action is LOGIN, LOGOUT, LOCKSEMAPHORE or UNLOCKSEMAPHORE.
  void Login();
  // LOGOUT: takes one from byte 0 under the same locks and closes the file; deletes it when
  // the count reaches 0. Nothing when not logged in. Errors as Login.
  void Logout();

  bool LoggedIn() const { return file_.has_value(); }
  const std::string& Name() const { return name_; }

 private:
  // Runs one locked count change: delta is +1 (login) or -1 (logout).
  std::uint8_t ChangeCount(int delta, const char* action);

  std::string table_path_;               // the table, as the file system takes it
  std::string table_name_;               // the table, for messages
  std::string path_;                     // the SemaphoreFile, as the file system takes it
  std::string name_;                     // the SemaphoreFile, for messages
  std::optional<platform::File> file_;   // open while logged in
};

}  // namespace vantorel::tables
