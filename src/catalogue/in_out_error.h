// The runtime's input/output error: a catalogue file (the keyword list cache, a result page)
// could not be created, read or written. The GUI loop shows it in the standard error box; the
// handler that raised it ends there.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace vantorel::catalogue {

class EInOutError : public std::runtime_error {
 public:
  // what(): the text of the operating-system code (tables/kv_error.h) followed by the file as
  // the disk spells it (platform::ShownPath),
  // for example "Access denied: /data/SEARCHRESULT.HTM".
  EInOutError(int dos_code, std::string_view file);

  int Code() const { return code_; }

 private:
  int code_;  // the MS-DOS error code (2 file not found, 5 access denied, ...)
};

// Throws EInOutError for the file with the code errno stands for.
[[noreturn]] void ThrowInOutError(std::string_view file);

}  // namespace vantorel::catalogue
