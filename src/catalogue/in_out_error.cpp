#include "catalogue/in_out_error.h"

#include <cerrno>

#include "platform/file_system.h"
#include "tables/kv_error.h"

namespace vantorel::catalogue {

EInOutError::EInOutError(int dos_code, std::string_view file)
    : std::runtime_error(tables::ErrorCodeText(dos_code) + ": " + platform::ShownPath(file)),
      code_(dos_code) {}

void ThrowInOutError(std::string_view file) {
  throw EInOutError(tables::DosErrorCode(errno), file);
}

}  // namespace vantorel::catalogue
