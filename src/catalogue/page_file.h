// A generated page on disk: text lines in code page 1252, each ended by CR LF.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace vantorel::catalogue {

class PageFile {
 public:
  // Creates the file anew (an older one is replaced). EInOutError when it cannot be created.
  explicit PageFile(std::string path);
  // Writes what is still held, ignoring errors, when Close was not called.
  ~PageFile();
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

  // Appends text and CR LF. EInOutError when writing fails.
  void Line(std::string_view text);
  // Writes everything held and closes the file. EInOutError when writing fails.
  void Close();

 private:
  // Writes the held bytes at the end of the file; false on an error.
  bool Flush();

  std::string path_;                    // as given, for messages
  std::optional<platform::File> file_;  // open until Close
  std::string pending_;                 // lines not yet written
  std::uint64_t written_ = 0;           // bytes in the file so far
};

}  // namespace vantorel::catalogue
