// WinZip's AES encryption (AE-1 and AE-2), through OpenSSL's libcrypto.
//
// Format notes (WinZip's "AES Encryption Information"): an encrypted entry has method 99 and an
// extra field 0x9901 of 7 bytes: the vendor version (2 bytes: 1 for AE-1, 2 for AE-2), the
// vendor ID "AE", the key strength (1 byte: 1, 2, 3 for AES-128, -192, -256) and the entry's
// real compression method (2 bytes). The entry's data is a salt (8, 12 or 16 bytes by
// strength), a 2-byte password verifier, the encrypted compressed data, and a 10-byte
// authentication code. PBKDF2 with HMAC-SHA1 and 1,000 iterations turns the password and the
// salt into the AES key, an HMAC key of the same length and the 2 verifier bytes. The data is
// AES in counter mode whose 16-byte counter block counts up from 1 as a little-endian number;
// the authentication code is the first 10 bytes of HMAC-SHA1 over the encrypted data. AE-2
// entries store 0 as their CRC, which then says nothing; AE-1 entries carry a real CRC.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace vantorel::archive {

inline constexpr std::uint16_t kAesMethod = 99;
inline constexpr std::uint16_t kAesExtraFieldId = 0x9901;
inline constexpr std::size_t kAesVerifierSize = 2;
inline constexpr std::size_t kAesAuthenticationSize = 10;

// The 0x9901 extra field.
struct AesExtraField {
  std::uint16_t vendor_version = 0;  // 1 AE-1, 2 AE-2
  std::uint8_t strength = 0;         // 1, 2, 3: AES-128, -192, -256
  std::uint16_t method = 0;          // the compression method of the decrypted data

  // The salt's length for the strength; 0 for a strength that does not exist.
  std::size_t SaltSize() const;
  // True for AE-1, whose CRC is checked as well.
  bool ChecksCrc() const { return vendor_version == 1; }
};

// The 0x9901 field among the extra fields (id, length, data; little-endian), or nullopt when
// there is none or it is malformed (wrong length, vendor ID not "AE", unknown version or
// strength). A field that runs past the end of extra ends the search.
std::optional<AesExtraField> FindAesExtraField(std::string_view extra);

class AesDecryption {
 public:
  // Derives the keys from password and salt (field.SaltSize() bytes). Throws std::bad_alloc
  // when libcrypto cannot set up. REQUIRES: field.SaltSize() > 0.
  AesDecryption(const AesExtraField& field, std::string_view password, const std::uint8_t* salt);
  ~AesDecryption();
  AesDecryption(const AesDecryption&) = delete;
  AesDecryption& operator=(const AesDecryption&) = delete;

  // True when the 2 stored verifier bytes match the ones derived from the password.
  bool VerifierMatches(const std::uint8_t* stored) const;

  // Takes size encrypted bytes into the authentication code and decrypts them in place.
  void Decrypt(std::uint8_t* data, std::size_t size);

  // True when the 10 stored bytes equal the authentication code of all the bytes Decrypt took.
  // Call once, after the last Decrypt.
  bool Authentic(const std::uint8_t* stored);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace vantorel::archive
