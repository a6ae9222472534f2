#include "archive/entry_decryption.h"

#include <algorithm>
#include <array>
#include <vector>

#include "archive/archive_errors.h"

namespace vantorel::archive {

namespace {

void ReadExactly(ArchiveStream& archive, std::uint8_t* bytes, std::size_t size) {
  if (archive.Read(bytes, size) != size) throw EFatalUnzipError();
}

}  // namespace

std::optional<std::uint16_t> DataMethod(const ZipHeaderInfo& entry, std::string_view local_extra) {
  if (!entry.Encrypted()) return entry.method;
  if ((entry.flags & kFlagStrongEncryption) != 0) return std::nullopt;
  if (entry.method != kAesMethod) return entry.method;
  const std::optional<AesExtraField> field = FindAesExtraField(local_extra);
  if (!field) return std::nullopt;
  return field->method;
}

EntryDecryption::~EntryDecryption() = default;

EntryDecryption::Opened EntryDecryption::Open(ArchiveStream& archive, const ZipHeaderInfo& entry,
                                              const LocalHeaderFacts& local,
                                              std::string_view password) {
  Opened opened;
  if ((entry.flags & kFlagStrongEncryption) != 0) return opened;
  std::unique_ptr<EntryDecryption> decryption(new EntryDecryption);
  archive.Seek(local.data_offset);

  if (entry.method == kAesMethod) {
    const std::optional<AesExtraField> field = FindAesExtraField(local.extra);
    if (!field) return opened;
    const std::size_t header = field->SaltSize() + kAesVerifierSize;
    if (entry.compressed_size < header + kAesAuthenticationSize) {
      opened.outcome = Outcome::Damaged;
      return opened;
    }
    std::array<std::uint8_t, 16 + kAesVerifierSize> bytes{};
    ReadExactly(archive, bytes.data(), header);
    decryption->aes_ = std::make_unique<AesDecryption>(*field, password, bytes.data());
    if (!decryption->aes_->VerifierMatches(bytes.data() + field->SaltSize())) {
      opened.outcome = Outcome::WrongPassword;
      return opened;
    }
    decryption->method_ = field->method;
    decryption->checks_crc_ = field->ChecksCrc();
    decryption->data_offset_ = local.data_offset + header;
    decryption->data_size_ = entry.compressed_size - header - kAesAuthenticationSize;
  } else {
    if (entry.compressed_size < kTraditionalHeaderSize) {
      opened.outcome = Outcome::Damaged;
      return opened;
    }
    std::array<std::uint8_t, kTraditionalHeaderSize> header{};
    ReadExactly(archive, header.data(), header.size());
    decryption->traditional_ = std::make_unique<TraditionalCipher>(password);
    const std::uint8_t check = decryption->traditional_->DecryptHeader(header.data());
    const std::uint8_t expected = (entry.flags & kFlagDataDescriptor) != 0
                                      ? static_cast<std::uint8_t>(local.dos_time >> 8)
                                      : static_cast<std::uint8_t>(entry.crc >> 24);
    if (check != expected) {
      opened.outcome = Outcome::WrongPassword;
      return opened;
    }
    decryption->method_ = entry.method;
    decryption->data_offset_ = local.data_offset + kTraditionalHeaderSize;
    decryption->data_size_ = entry.compressed_size - kTraditionalHeaderSize;
  }
  opened.outcome = Outcome::Ready;
  opened.decryption = std::move(decryption);
  return opened;
}

void EntryDecryption::Decrypt(std::uint8_t* data, std::size_t size) {
  if (aes_)
    aes_->Decrypt(data, size);
  else
    traditional_->Decrypt(data, size);
}

bool EntryDecryption::Authentic(const std::uint8_t* trailer) {
  return !aes_ || aes_->Authentic(trailer);
}

DecryptingInput::DecryptingInput(CompressedInput& raw, EntryDecryption& decryption)
    : raw_(raw), decryption_(decryption), data_left_(decryption.DataSize()) {}

std::size_t DecryptingInput::Read(std::uint8_t* buffer, std::size_t size) {
  const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(size, data_left_));
  if (wanted == 0) return 0;
  const std::size_t n = raw_.Read(buffer, wanted);
  decryption_.Decrypt(buffer, n);
  data_left_ -= n;
  return n;
}

bool DecryptingInput::Finish() {
  if (decryption_.TrailerSize() == 0) return true;
  std::vector<std::uint8_t> rest(4096);
  while (Read(rest.data(), rest.size()) > 0) {
  }
  std::array<std::uint8_t, kAesAuthenticationSize> trailer{};
  std::size_t got = 0;
  while (got < decryption_.TrailerSize()) {
    const std::size_t n = raw_.Read(trailer.data() + got, decryption_.TrailerSize() - got);
    if (n == 0) return false;
    got += n;
  }
  return decryption_.Authentic(trailer.data());
}

}  // namespace vantorel::archive
