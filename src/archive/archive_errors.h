// The errors of the ZIP reader and of the extraction. Each carries the message the user sees;
// callers let them surface (the dialog in the standard error box, the command-line tool on
// standard error).
#pragma once

#include <stdexcept>
#include <string>

namespace vantorel::archive {

// The messages, exactly as the user sees them.
inline constexpr char kUserAbortedOperation[] = "User Aborted Operation";
inline constexpr char kUserCanceledZipName[] = "User canceled setting zip file name.";
inline constexpr char kUserCanceledDestDir[] = "User canceled Set Desination Directory";
inline constexpr char kIncompleteZipFile[] = "Incomplete Zip File";
inline constexpr char kNotAValidZipFile[] = "Not a valid zip file!";
inline constexpr char kPrematureEndOfFile[] = "Premature end of file reached";
inline constexpr char kLargerThanUncompressed[] = "File is larger than uncompressed size!";
inline constexpr char kDuplicateObjectIndex[] = "Duplicate Object index";
inline constexpr char kStreamWriteError[] = "Stream write error";

// Base of every error below.
class ArchiveError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The user (or the cancel flag) stopped an operation.
class EUserCanceled : public ArchiveError {
 public:
  using ArchiveError::ArchiveError;
};

// The archive has no end record.
class EIncompleteZip : public ArchiveError {
 public:
  EIncompleteZip() : ArchiveError(kIncompleteZipFile) {}
};

// The central directory is not where the end record says, or a record of it is damaged.
class EBadZipFile : public ArchiveError {
 public:
  EBadZipFile() : ArchiveError(kNotAValidZipFile) {}
};

// The archive has no end record and is taken for something else than an archive.
class ENotAZipFile : public ArchiveError {
 public:
  ENotAZipFile() : ArchiveError(kNotAValidZipFile) {}
};

// The archive's data ended before an entry's compressed bytes did.
class EFatalUnzipError : public ArchiveError {
 public:
  EFatalUnzipError() : ArchiveError(kPrematureEndOfFile) {}
};

// A decoder produced more bytes than the entry's stored uncompressed size.
class EBiggerThanUncompressed : public ArchiveError {
 public:
  EBiggerThanUncompressed() : ArchiveError(kLargerThanUncompressed) {}
};

// The entry list refused an index or an entry.
class EListError : public ArchiveError {
 public:
  using ArchiveError::ArchiveError;
};

// "List index out of bounds (" + index + ")".
inline std::string ListIndexOutOfBoundsText(long long index) {
  return "List index out of bounds (" + std::to_string(index) + ")";
}

// A file could not be opened; the message names the path.
class EFOpenError : public ArchiveError {
 public:
  explicit EFOpenError(const std::string& path) : ArchiveError("Cannot open file " + path) {}
};

// Writing an extracted file failed (a full disk, an I/O error).
class EWriteError : public ArchiveError {
 public:
  EWriteError() : ArchiveError(kStreamWriteError) {}
};

// The destination cannot take files (a read-only file system or folder, a folder that cannot be
// created): "Cannot write to PATH: REASON".
class ECannotWrite : public ArchiveError {
 public:
  ECannotWrite(const std::string& path, const std::string& reason)
      : ArchiveError("Cannot write to " + path + ": " + reason) {}
};

}  // namespace vantorel::archive
