#include "archive/traditional_cipher.h"

namespace vantorel::archive {

namespace {

// The CRC-32 table of the ZIP CRC (reflected polynomial 0xEDB88320), one byte per step.
constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

std::uint32_t CrcStep(std::uint32_t crc, std::uint8_t byte) {
  return kCrcTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

}  // namespace

TraditionalCipher::TraditionalCipher(std::string_view password)
    : keys_{0x12345678u, 0x23456789u, 0x34567890u} {
  for (const char c : password) Update(static_cast<std::uint8_t>(c));
}

void TraditionalCipher::Update(std::uint8_t plain) {
  keys_[0] = CrcStep(keys_[0], plain);
  keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
  keys_[2] = CrcStep(keys_[2], static_cast<std::uint8_t>(keys_[1] >> 24));
}

void TraditionalCipher::Decrypt(std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint32_t temp = (keys_[2] | 2) & 0xFFFF;
    const auto stream = static_cast<std::uint8_t>((temp * (temp ^ 1)) >> 8);
    data[i] ^= stream;
    Update(data[i]);
  }
}

}  // namespace vantorel::archive
