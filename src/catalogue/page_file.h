// A generated page on disk: text lines in code page 1252, each ended by CR LF. The page is
// written beside its name and takes it only when closed complete (platform/replacing_file.h):
// until then the older page stays in place, and a page given up leaves nothing behind.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/replacing_file.h"

namespace vantorel::catalogue {

class PageFile {
 public:
  // Starts the page (an older file of that name is replaced at Close). EInOutError when it
  // cannot be created.
  explicit PageFile(std::string path);
  // Without Close the page is given up: its part is removed, the older file stays.
  ~PageFile() = default;
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

  // Appends text and CR LF. EInOutError when writing fails.
  void Line(std::string_view text);
  // Appends lines that end in CR LF each, as they are. EInOutError when writing fails.
  void Lines(std::string_view lines);
  // Writes everything held and puts the page in place. EInOutError when that fails; the
  // older file then stays.
  void Close();

 private:
  // Writes the held bytes at the end of the file; false on an error.
  bool Flush();

  std::string path_;                    // as given, for messages
  std::optional<platform::ReplacingFile> file_;  // the page being written, until Close
  std::string pending_;                 // lines not yet written
  std::uint64_t written_ = 0;           // bytes in the file so far
};

}  // namespace vantorel::catalogue
