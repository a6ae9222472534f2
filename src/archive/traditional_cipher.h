// PKWARE's traditional encryption ("ZipCrypto"), as the 1990s PKZIP wrote it.
//
// Format notes (APPNOTE 6.1): three 32-bit keys start as 0x12345678, 0x23456789, 0x34567890
// and are updated with every byte of the password, then with every plain byte. A byte is
// decrypted by XOR with a stream byte taken from the third key. The entry's data begins with a
// 12-byte encryption header, decrypted like the data; its last byte is the check byte, the high
// byte of the entry's CRC-32, or of its DOS time word when flag bit 3 (sizes and CRC in a data
// descriptor) is set, because such a writer did not know the CRC in time. One byte of check lets
// 1 wrong password in 256 through; the CRC check catches those.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vantorel::archive {

inline constexpr std::size_t kTraditionalHeaderSize = 12;

class TraditionalCipher {
 public:
  // Keys set up from the password's bytes.
  explicit TraditionalCipher(std::string_view password);

  // Decrypts the 12-byte header in place and returns its check byte (the last decrypted byte).
  // REQUIRES: header holds kTraditionalHeaderSize bytes; called once, before Decrypt.
  std::uint8_t DecryptHeader(std::uint8_t* header) {
    Decrypt(header, kTraditionalHeaderSize);
    return header[kTraditionalHeaderSize - 1];
  }

  // Decrypts size bytes in place, continuing the key stream.
  void Decrypt(std::uint8_t* data, std::size_t size);

 private:
  void Update(std::uint8_t plain);

  std::array<std::uint32_t, 3> keys_;
};

}  // namespace vantorel::archive
