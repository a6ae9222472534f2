// An encrypted entry between the input step and its decoder: the encryption header read and
// the password checked before anything is written, the data decrypted as it is read, and (for
// WinZip AES) the authentication code checked at the end.
//
// Passwords are bytes as the user typed them (UTF-8 from the program's windows and terminals).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "archive/archive_stream.h"
#include "archive/decoder.h"
#include "archive/traditional_cipher.h"
#include "archive/winzip_aes.h"
#include "archive/zip_records.h"

namespace vantorel::archive {

// General-purpose flag bit 6: PKWARE's strong encryption, which this program does not decrypt.
inline constexpr std::uint16_t kFlagStrongEncryption = 0x0040;

// What of the local header matters to an encrypted entry.
struct LocalHeaderFacts {
  std::uint64_t data_offset = 0;  // where the entry's data (its encryption header) starts
  std::uint16_t dos_time = 0;     // the local header's time word, as stored
  std::string extra;              // the local extra field
};

// The compression method of an entry's data once decrypted: its method field, or for WinZip AES
// (method 99) the method its 0x9901 extra field names; nullopt when the entry is encrypted in a
// way this program does not decrypt (strong encryption, method 99 without a usable field).
std::optional<std::uint16_t> DataMethod(const ZipHeaderInfo& entry, std::string_view local_extra);

class EntryDecryption {
 public:
  enum class Outcome {
    Ready,          // the password passed the header's check
    WrongPassword,  // the check byte or the verifier says the password is wrong
    Unsupported,    // strong encryption, or method 99 without a usable 0x9901 field
    Damaged,        // the entry's data is too short to hold the encryption's header and code
  };

  // Reads the entry's encryption header from archive and checks password on it. Throws
  // EFatalUnzipError "Premature end of file reached" when the archive ends inside the header.
  // The result holds a decryption only when the outcome is Ready.
  struct Opened {
    Outcome outcome = Outcome::Unsupported;
    std::unique_ptr<EntryDecryption> decryption;
  };
  static Opened Open(ArchiveStream& archive, const ZipHeaderInfo& entry,
                     const LocalHeaderFacts& local, std::string_view password);

  ~EntryDecryption();
  EntryDecryption(const EntryDecryption&) = delete;
  EntryDecryption& operator=(const EntryDecryption&) = delete;

  // The compression method of the decrypted data (for AES, the one in its extra field).
  std::uint16_t Method() const { return method_; }
  // False for AE-2 entries, whose stored CRC is 0 and only the authentication code counts.
  bool ChecksCrc() const { return checks_crc_; }
  // Where the encrypted data starts in the archive, and its length without the header and the
  // trailing authentication code.
  std::uint64_t DataOffset() const { return data_offset_; }
  std::uint64_t DataSize() const { return data_size_; }
  // Bytes after the encrypted data: the authentication code, or none.
  std::size_t TrailerSize() const { return aes_ ? kAesAuthenticationSize : 0; }

  // Decrypts size bytes of the data in place, in order.
  void Decrypt(std::uint8_t* data, std::size_t size);
  // True when trailer (TrailerSize() bytes) authenticates every byte Decrypt took; always true
  // for traditional encryption, which has no such code. Call once, after the last Decrypt.
  bool Authentic(const std::uint8_t* trailer);

 private:
  EntryDecryption() = default;

  std::uint16_t method_ = 0;
  bool checks_crc_ = true;
  std::uint64_t data_offset_ = 0;
  std::uint64_t data_size_ = 0;
  std::unique_ptr<TraditionalCipher> traditional_;  // one of the two ciphers
  std::unique_ptr<AesDecryption> aes_;
};

// The decrypted bytes of an entry, for its decoder. raw delivers the entry's bytes from the
// start of the encrypted data: DataSize() bytes of data, then the trailer.
class DecryptingInput final : public CompressedInput {
 public:
  DecryptingInput(CompressedInput& raw, EntryDecryption& decryption);

  // Up to size decrypted bytes; 0 once the data is used up (the trailer is never handed out).
  std::size_t Read(std::uint8_t* buffer, std::size_t size) override;

  // Reads and decrypts the data the decoder left unread, then the trailer, and says whether the
  // entry is authentic. The input step's errors pass through.
  bool Finish();

 private:
  CompressedInput& raw_;
  EntryDecryption& decryption_;
  std::uint64_t data_left_;  // encrypted data bytes not yet read
};

}  // namespace vantorel::archive
