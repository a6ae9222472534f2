// The file-system facade: the only place that touches the disk.
//
// The path rule. A path text (a std::string handed to or returned by this facade, a path in the
// settings record, a path from the command line, the settings files, Qt's dialogs, dropped
// files, directory listings) is UTF-8 bytes as Linux gives them, from end to end; nothing on
// its way is converted to code page 1252. The archive's own texts (table values, pages, links)
// are 1252; a caller converts such a text with core::Cp1252ToUtf8 at the one place it joins a
// path, and never joins a path to a 1252 text unconverted. Shown in Qt, a path goes through
// qtui::PathToQString, an archive text through qtui::ToQString.
//
// A path text may use "\" as a separator and any letter case, because the archive's links and
// names come from a case-insensitive world. Here "\" becomes "/", and a component that does not
// exist as written is matched without regard to the case of a-z (an exact match wins; among
// several others, the first in byte order of the names).
//
// Operations that take a path text resolve it that way. Those whose names end in "At" take a
// real path (from ResolvePath, from the program's own configuration folder, or from a command
// line) and use it exactly as it is. None of them throws unless its contract says so; a
// failed operation leaves errno telling why where it says "errno".
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace vantorel::platform {

// --- Path texts ---------------------------------------------------------------------------

// The real path a path text names. Components that exist are matched as described above;
// from the first component that matches nothing on, the rest is kept as written (so the
// result can name a file about to be created). Empty components collapse; "." and ".." are
// kept as written.
std::filesystem::path ResolvePath(std::string_view path_text);

// A real path back to a path text (its UTF-8 bytes, "/" separators), for building further
// paths.
std::string PathText(const std::filesystem::path& path);

// A path text as the reader is shown it: the real path ResolvePath finds, "/" as separator and
// each existing component in the case it has on disk; the components that match nothing keep
// the case they were written in. Empty for an empty text; a trailing separator is kept.
std::string ShownPath(std::string_view path_text);

// True when the path names a regular file (hidden files included); a directory of that name
// does not count.
bool FileExists(std::string_view path_text);

// True when the path names a directory.
bool DirectoryExists(std::string_view path_text);

// Last modification time of a file as the packed MS-DOS date and time in local time
// (date in the high word: years since 1980 in bits 9-15, month 5-8, day 0-4; time in the
// low word: hours 11-15, minutes 5-10, seconds/2 0-4); nullopt when the file is missing.
std::optional<std::uint32_t> FileAge(std::string_view path_text);

// Deletes the file a path text names. False when it cannot; errno tells why.
bool RemoveFile(std::string_view path_text);

// --- Real paths ---------------------------------------------------------------------------

// True when something exists at path, symbolic links followed (a dangling link does not count).
bool ExistsAt(const std::filesystem::path& path);
// True when path names a directory entry of any kind; a symbolic link counts as itself, even
// one whose target is missing.
bool EntryExistsAt(const std::filesystem::path& path);
// True when path names a regular file, links followed.
bool FileExistsAt(const std::filesystem::path& path);
// True when path names a directory, links followed.
bool DirectoryExistsAt(const std::filesystem::path& path);
// True when path itself is a symbolic link.
bool IsSymbolicLinkAt(const std::filesystem::path& path);
// True when path names a regular file that this process may execute.
bool ExecutableFileExistsAt(const std::filesystem::path& path);
// True when the directory at path can be opened for listing (a mounted, readable disc).
bool DirectoryReadableAt(const std::filesystem::path& path);
// True when this process may write the file or directory at path (create and replace entries
// in a directory): its permissions allow it for the process's user and its file system is not
// mounted read-only. Nothing is written to find out.
bool WritableAt(const std::filesystem::path& path);

// The names of the entries of a directory (empty path: the current directory), in no
// particular order, without "." and ".."; the names read so far when listing fails part way,
// none when the directory cannot be opened.
std::vector<std::string> EntryNamesAt(const std::filesystem::path& directory);

// One entry of a directory listing.
struct DirectoryEntry {
  std::string name;        // the entry's name
  bool directory = false;  // it is a directory, links followed
};
// The entries of a directory (empty path: the current directory), in no particular order,
// without "." and ".."; a look at each symbolic link besides the listing itself. nullopt when
// the directory cannot be opened; the entries read so far when listing fails part way.
std::optional<std::vector<DirectoryEntry>> DirectoryEntriesAt(const std::filesystem::path& directory);

// Creates the directory and every missing parent unless it is a directory already (links
// followed). False when that fails (a file is in the way, no permission); errno tells why.
bool CreateDirectoriesAt(const std::filesystem::path& directory);

// Creates one directory whose parent exists (permissions 0777 less the umask); true also when
// a directory is there already. False when that fails; errno tells why.
bool CreateDirectoryAt(const std::filesystem::path& directory);

// Deletes the file (or symbolic link) at path. False when it cannot; errno tells why.
bool RemoveFileAt(const std::filesystem::path& path);

// Creates a new folder of this process's own (permissions 0700) in the system's temporary
// folder ($TMPDIR, else /tmp), its name prefix followed by six random characters. Empty when
// that fails; errno tells why.
std::filesystem::path CreateTemporaryFolder(std::string_view prefix);

// Deletes the folder and everything in it (symbolic links themselves, never what they point
// at). False when anything was left; a missing folder counts as deleted.
bool RemoveTreeAt(const std::filesystem::path& folder);

// Renames the file (or symbolic link) from to the name to in one step: whatever file or link is
// at to is replaced by it, never written through. False when it cannot; errno tells why.
bool RenameAt(const std::filesystem::path& from, const std::filesystem::path& to);

// Swaps the two names a and b (each a file, a link or a directory) in one step. False when it
// cannot (errno tells why; EINVAL or ENOTSUP where the file system cannot swap).
bool ExchangeAt(const std::filesystem::path& a, const std::filesystem::path& b);

// True when this process may create files in the directory at path (it exists, is a directory,
// and neither its permissions nor a read-only file system forbid it). False otherwise; errno
// tells why (EROFS, EACCES, ENOENT, ENOTDIR).
bool WritableDirectoryAt(const std::filesystem::path& path);

// What is at a path, from one look at it (two for a symbolic link).
struct EntryStatus {
  enum class Type { None, File, Directory, Other };
  Type type = Type::None;  // links followed; None for nothing or a dangling link
  bool exists = false;     // something is there, a dangling link included
  bool link = false;       // it is a symbolic link
  bool read_only = false;  // as IsReadOnlyAt
};
EntryStatus EntryStatusAt(const std::filesystem::path& path);

// MS-DOS read-only, as Linux permissions: a file is read-only when its owner may not write it
// (false for a path that cannot be examined). Setting it takes write permission from owner,
// group and others; clearing it gives it back to the owner; failures are ignored. Links are
// followed.
bool IsReadOnlyAt(const std::filesystem::path& path);
void SetReadOnlyAt(const std::filesystem::path& path, bool read_only);

// Sets the file's last modification time to time (whole seconds), leaving its access time.
// False when it cannot; errno tells why.
bool SetModifiedTimeAt(const std::filesystem::path& path, std::time_t time);

// Which file a path or an open file is: the same identity means the same file, under any
// name. Compared as device, then inode.
struct FileIdentity {
  std::uint64_t device = 0;  // the file system holding the file
  std::uint64_t inode = 0;   // the file within it
  auto operator<=>(const FileIdentity&) const = default;
};

// The identity of the file at path, links followed; nullopt when there is none.
std::optional<FileIdentity> IdentityAt(const std::filesystem::path& path);

// The whole content of the file at path, read to its end (also for files whose stated size is
// 0, as under /proc); nullopt when it cannot be opened or read.
std::optional<std::string> ReadFileAt(const std::filesystem::path& path);

// Writes bytes as the whole content of the file at path, creating it (permissions 0666 less the
// umask) or emptying it first. False when it cannot be opened, written or closed.
bool WriteFileAt(const std::filesystem::path& path, std::string_view bytes);

// --- Absolute and canonical forms ---------------------------------------------------------

// The process's current directory; empty when it cannot be read.
std::filesystem::path CurrentDirectory();

// path made absolute against the current directory, lexically: no link is followed and "."
// and ".." stay. Throws std::filesystem::filesystem_error for an empty path or when the
// current directory cannot be read.
std::filesystem::path AbsolutePath(const std::filesystem::path& path);
// The same without throwing: on a failure error tells why and the result is path as given.
std::filesystem::path AbsolutePath(const std::filesystem::path& path, std::error_code& error);

// The absolute path of an existing file or directory with every symbolic link, "." and ".."
// resolved; empty when path does not exist or cannot be resolved.
std::filesystem::path CanonicalPath(const std::filesystem::path& path);

// The absolute form of path with the links of its existing leading part followed and "." and
// ".." resolved; the part that does not exist is kept, normalised. Empty when that fails (a
// link loop, a directory that cannot be read, no current directory).
std::filesystem::path WeaklyCanonicalPath(const std::filesystem::path& path);

// --- MS-DOS date and time -----------------------------------------------------------------

// Packs a time as the MS-DOS date and time in local time (years before 1980 give 1980-01-01).
std::uint32_t ToDosDateTime(std::time_t time);

// The time a packed MS-DOS date and time stands for, in local time.
std::time_t FromDosDateTime(std::uint32_t dos_date_time);

// --- Open files ---------------------------------------------------------------------------

// An open file, closed when the object ends.
class File {
 public:
  enum class Mode {
    Read,           // existing file, reading only
    ReadWrite,      // existing file, reading and writing
    CreateReplace,  // new empty file (an existing one is truncated), reading and writing
    CreateNew,      // new empty file, reading and writing; fails with EEXIST when the name is taken
  };

  // A lock on the whole file, held by this open file until it closes (flock). Another open
  // file's lock conflicts when either is Exclusive.
  enum class WholeLock { Shared, Exclusive };
  // A lock on a byte range (POSIX record lock, held by the process). Read locks conflict with
  // Write locks of other processes; Write locks with both.
  enum class RangeLock { Read, Write, Unlock };

  // Opens the file a path text names. nullopt when it cannot be opened; errno tells why.
  static std::optional<File> Open(std::string_view path_text, Mode mode);
  // Opens a real path as it is, without the facade's name matching; errno as Open.
  static std::optional<File> OpenPath(const std::filesystem::path& path, Mode mode);

  // Creates a new empty file at a real path for reading and writing, in place of whatever is
  // there that is not a directory (a file, a symbolic link), which is never emptied in place or
  // written through: it is moved aside to path + ".~<process id>~" (when that name is free),
  // removed once the new file exists, and put back when creating fails. (Emptying an existing
  // file in place would make the file system write the new content out on closing, which slows
  // a run of replaced files down.) nullopt when the file cannot be created.
  static std::optional<File> CreateInPlaceOf(const std::filesystem::path& path);

  // Creates a file named prefix + six characters that make the name unique in directory
  // (empty: $TMPDIR when set and not empty, else /tmp), readable and writable by the owner
  // only. nullopt when it cannot be created; errno tells why.
  static std::optional<File> CreateTemporary(const std::filesystem::path& directory,
                                             std::string_view prefix);

  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  // Reads up to size bytes at offset; returns the count read (short at the end of the file),
  // or -1 on an error.
  long long ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const;
  // Writes all size bytes at offset; false on an error (errno tells why).
  bool WriteAt(std::uint64_t offset, const void* buffer, std::size_t size);
  // Current size in bytes, or -1 on an error.
  long long Size() const;
  // Cuts or extends the file to size bytes.
  bool Truncate(std::uint64_t size);
  // Pushes written data to the disk.
  bool Flush();

  // Last modification time (seconds and nanoseconds); nullopt on an error (errno tells why).
  std::optional<std::timespec> ModifiedTime() const;
  // Sets the last modification time, leaving the access time. False on an error (errno).
  bool SetModifiedTime(const std::timespec& time);
  // Which file this is (see FileIdentity); nullopt on an error (errno tells why).
  std::optional<FileIdentity> Identity() const;

  // Takes the whole-file lock without waiting. False when another open file holds a
  // conflicting one (errno EWOULDBLOCK) or on an error. Taking the other kind converts the
  // lock this file holds.
  bool TryLock(WholeLock kind);
  // Sets, changes or releases the lock on length bytes from start, without waiting. False
  // when another process holds a conflicting lock (errno EACCES or EAGAIN) or on an error.
  bool SetRangeLock(RangeLock kind, std::uint64_t start, std::uint64_t length);

  const std::filesystem::path& Path() const { return path_; }

 private:
  File(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {}
  int fd_ = -1;                  // open descriptor, -1 once moved from
  std::filesystem::path path_;   // the real path opened
};

}  // namespace vantorel::platform
