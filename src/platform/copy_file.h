// Copying a file with its date, for the file browser's copy command.
#pragma once

#include <stdexcept>
#include <string_view>

namespace vantorel::platform {

// A file that could not be opened, created, read or written; the text names the file and
// the system's reason.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Copies all bytes of source into target (an existing target is replaced), then gives the
// target the source's modification date and time. Both files are closed in every case.
// Throws FileError: "Cannot open file \"<source>\". <reason>", "Cannot create file
// \"<target>\". <reason>", "Error reading file \"<source>\". <reason>" or "Error writing file
// \"<target>\". <reason>". A target that is the source itself is refused with
// "Cannot copy file \"<source>\" onto itself" before anything is touched.
void CopyFileKeepDate(std::string_view source, std::string_view target);

}  // namespace vantorel::platform
