// How the table and memo readers take untrusted bytes of variable size (headers, field
// descriptors, records, memo blocks): little- and big-endian integers and byte runs at
// offsets that are checked against the end of the data.
//
// Callers validate sizes where they read them and never ask for bytes they have not
// checked; a read outside the data anyway is the engine's internal error 254. The NDX reader
// needs no such checks: its header and nodes are whole fixed-size pages (ndx_format.h), read
// at fixed offsets, and NdxIndex checks that a node's count of entries fits its page before
// it reads an entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tables/kv_error.h"

namespace vantorel::tables {

class ByteReader {
 public:
  // what names the data in the message of error 254.
  ByteReader(std::string_view bytes, std::string_view what) : bytes_(bytes), what_(what) {}

  std::size_t Size() const { return bytes_.size(); }
  // True when size bytes start at offset.
  bool Has(std::size_t offset, std::size_t size) const {
    return offset <= bytes_.size() && size <= bytes_.size() - offset;
  }

  std::uint8_t U8(std::size_t offset) const {
    return static_cast<std::uint8_t>(Bytes(offset, 1)[0]);
  }
  std::uint16_t U16LE(std::size_t offset) const {
    const std::string_view b = Bytes(offset, 2);
    return static_cast<std::uint16_t>(Byte(b, 0) | Byte(b, 1) << 8);
  }
  std::uint32_t U32LE(std::size_t offset) const {
    const std::string_view b = Bytes(offset, 4);
    return Byte(b, 0) | Byte(b, 1) << 8 | Byte(b, 2) << 16 | Byte(b, 3) << 24;
  }
  std::uint16_t U16BE(std::size_t offset) const {
    const std::string_view b = Bytes(offset, 2);
    return static_cast<std::uint16_t>(Byte(b, 0) << 8 | Byte(b, 1));
  }
  std::uint32_t U32BE(std::size_t offset) const {
    const std::string_view b = Bytes(offset, 4);
    return Byte(b, 0) << 24 | Byte(b, 1) << 16 | Byte(b, 2) << 8 | Byte(b, 3);
  }
  // size bytes at offset.
  std::string_view Bytes(std::size_t offset, std::size_t size) const {
    if (!Has(offset, size))
      throw EKvError(254, "Read beyond the end of " + std::string(what_) + " at offset " +
                              std::to_string(offset));
    return bytes_.substr(offset, size);
  }

 private:
  static std::uint32_t Byte(std::string_view b, std::size_t i) {
    return static_cast<unsigned char>(b[i]);
  }

  std::string_view bytes_;  // the data, not owned
  std::string_view what_;   // its name for messages, not owned
};

}  // namespace vantorel::tables
