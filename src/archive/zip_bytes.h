// The one way the ZIP reader takes integers out of untrusted bytes: little-endian fields at
// offsets checked against the end of the bytes read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "archive/archive_errors.h"

namespace vantorel::archive {

class ZipBytes {
 public:
  explicit ZipBytes(std::string_view bytes) : bytes_(bytes) {}

  std::size_t Size() const { return bytes_.size(); }
  // True when size bytes start at offset.
  bool Has(std::size_t offset, std::size_t size) const {
    return offset <= bytes_.size() && size <= bytes_.size() - offset;
  }

  // A read outside the bytes is a damaged record: "Not a valid zip file!". Callers check the
  // record's length first, so this never happens on a record they accepted.
  std::uint16_t U16(std::size_t offset) const {
    Check(offset, 2);
    return static_cast<std::uint16_t>(Byte(offset) | Byte(offset + 1) << 8);
  }
  std::uint32_t U32(std::size_t offset) const {
    Check(offset, 4);
    return Byte(offset) | Byte(offset + 1) << 8 | Byte(offset + 2) << 16 |
           Byte(offset + 3) << 24;
  }
  std::uint64_t U64(std::size_t offset) const {
    Check(offset, 8);
    return std::uint64_t{U32(offset)} | std::uint64_t{U32(offset + 4)} << 32;
  }

 private:
  void Check(std::size_t offset, std::size_t size) const {
    if (!Has(offset, size)) throw EBadZipFile();
  }
  std::uint32_t Byte(std::size_t i) const { return static_cast<unsigned char>(bytes_[i]); }

  std::string_view bytes_;  // the record, not owned
};

}  // namespace vantorel::archive
