#include "archive/winzip_aes.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <array>
#include <cstring>
#include <new>
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
#include <map>
#include <string>
#endif

namespace vantorel::archive {

namespace {

constexpr std::size_t kExtraFieldSize = 7;
constexpr int kIterations = 1000;
constexpr std::size_t kBlockSize = 16;
constexpr std::size_t kMaxKeySize = 32;
// Counter blocks encrypted at once: one call of the cipher per 4 KiB of data.
constexpr std::size_t kBatchBlocks = 256;

std::size_t KeySize(std::uint8_t strength) { return strength >= 1 && strength <= 3 ? 8u + 8u * strength : 0; }

using DerivedBytes = std::array<std::uint8_t, 2 * kMaxKeySize + kAesVerifierSize>;

// The two keys and the verifier from the password and the salt: PBKDF2 with HMAC-SHA1.
void Derive(std::string_view password, const std::uint8_t* salt, std::size_t salt_size,
            std::size_t derived_size, DerivedBytes& derived) {
  if (PKCS5_PBKDF2_HMAC_SHA1(password.data(), static_cast<int>(password.size()), salt,
                             static_cast<int>(salt_size), kIterations,
                             static_cast<int>(derived_size), derived.data()) != 1)
    throw std::bad_alloc();
}

#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
// Fuzz builds only: inputs mutated from one seed mostly keep its salt, and the derivation (its
// 2,000 allocations inside libcrypto each intercepted by the sanitizer) would take most of the
// fuzzer's time. The same password, salt and size give the same bytes, so they are remembered.
void DeriveRemembered(std::string_view password, const std::uint8_t* salt, std::size_t salt_size,
                      std::size_t derived_size, DerivedBytes& derived) {
  static std::map<std::string, DerivedBytes> remembered;
  std::string key(password);
  key.append(1, '\0').append(reinterpret_cast<const char*>(salt), salt_size);
  key.append(1, static_cast<char>(derived_size));
  if (const auto known = remembered.find(key); known != remembered.end()) {
    derived = known->second;
    return;
  }
  Derive(password, salt, salt_size, derived_size, derived);
  if (remembered.size() >= 256) remembered.clear();
  remembered.emplace(std::move(key), derived);
}
#endif

const EVP_CIPHER* EcbCipher(std::size_t key_size) {
  switch (key_size) {
    case 16: return EVP_aes_128_ecb();
    case 24: return EVP_aes_192_ecb();
    default: return EVP_aes_256_ecb();
  }
}

}  // namespace

std::size_t AesExtraField::SaltSize() const { return KeySize(strength) / 2; }

std::optional<AesExtraField> FindAesExtraField(std::string_view extra) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(extra[i]); };
  const auto u16 = [&](std::size_t i) {
    return static_cast<std::uint16_t>(byte(i) | byte(i + 1) << 8);
  };
  std::size_t at = 0;
  while (extra.size() - at >= 4) {
    const std::uint16_t id = u16(at);
    const std::size_t length = u16(at + 2);
    if (length > extra.size() - at - 4) return std::nullopt;
    if (id == kAesExtraFieldId) {
      if (length != kExtraFieldSize) return std::nullopt;
      const std::size_t d = at + 4;
      AesExtraField field;
      field.vendor_version = u16(d);
      field.strength = byte(d + 4);
      field.method = u16(d + 5);
      if (extra[d + 2] != 'A' || extra[d + 3] != 'E') return std::nullopt;
      if (field.vendor_version != 1 && field.vendor_version != 2) return std::nullopt;
      if (field.SaltSize() == 0) return std::nullopt;
      return field;
    }
    at += 4 + length;
  }
  return std::nullopt;
}

struct AesDecryption::State {
  EVP_CIPHER_CTX* cipher = nullptr;
  EVP_MAC* mac_algorithm = nullptr;
  EVP_MAC_CTX* mac = nullptr;
  std::array<std::uint8_t, kAesVerifierSize> verifier{};
  std::array<std::uint8_t, kBlockSize> counter{};                 // the last counter block used
  std::array<std::uint8_t, kBlockSize * kBatchBlocks> stream{};   // key stream
  std::size_t stream_used = sizeof stream;                        // bytes of stream used up

  ~State() {
    EVP_MAC_CTX_free(mac);
    EVP_MAC_free(mac_algorithm);
    EVP_CIPHER_CTX_free(cipher);
  }

  // Format note: the counter is the whole 16-byte block read as a little-endian number.
  void NextCounter() {
    for (std::uint8_t& b : counter)
      if (++b != 0) break;
  }

  void RefillStream() {
    std::array<std::uint8_t, kBlockSize * kBatchBlocks> blocks;
    for (std::size_t i = 0; i < kBatchBlocks; ++i) {
      NextCounter();
      std::memcpy(blocks.data() + i * kBlockSize, counter.data(), kBlockSize);
    }
    int written = 0;
    if (EVP_EncryptUpdate(cipher, stream.data(), &written, blocks.data(),
                          static_cast<int>(blocks.size())) != 1)
      throw std::bad_alloc();
    stream_used = 0;
  }
};

AesDecryption::AesDecryption(const AesExtraField& field, std::string_view password,
                             const std::uint8_t* salt)
    : state_(std::make_unique<State>()) {
  const std::size_t key_size = KeySize(field.strength);
  DerivedBytes derived{};
  const std::size_t derived_size = 2 * key_size + kAesVerifierSize;
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
  DeriveRemembered(password, salt, field.SaltSize(), derived_size, derived);
#else
  Derive(password, salt, field.SaltSize(), derived_size, derived);
#endif
  std::memcpy(state_->verifier.data(), derived.data() + 2 * key_size, kAesVerifierSize);

  state_->cipher = EVP_CIPHER_CTX_new();
  if (state_->cipher == nullptr ||
      EVP_EncryptInit_ex(state_->cipher, EcbCipher(key_size), nullptr, derived.data(), nullptr) != 1)
    throw std::bad_alloc();
  EVP_CIPHER_CTX_set_padding(state_->cipher, 0);

  state_->mac_algorithm = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
  if (state_->mac_algorithm != nullptr) state_->mac = EVP_MAC_CTX_new(state_->mac_algorithm);
  char digest[] = "SHA1";
  const OSSL_PARAM parameters[] = {
      OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0), OSSL_PARAM_construct_end()};
  if (state_->mac == nullptr ||
      EVP_MAC_init(state_->mac, derived.data() + key_size, key_size, parameters) != 1)
    throw std::bad_alloc();
  OPENSSL_cleanse(derived.data(), derived.size());
}

AesDecryption::~AesDecryption() = default;

bool AesDecryption::VerifierMatches(const std::uint8_t* stored) const {
  return std::memcmp(stored, state_->verifier.data(), kAesVerifierSize) == 0;
}

void AesDecryption::Decrypt(std::uint8_t* data, std::size_t size) {
  if (EVP_MAC_update(state_->mac, data, size) != 1) throw std::bad_alloc();
  State& s = *state_;
  for (std::size_t i = 0; i < size;) {
    if (s.stream_used == s.stream.size()) s.RefillStream();
    const std::size_t n = std::min(size - i, s.stream.size() - s.stream_used);
    for (std::size_t k = 0; k < n; ++k) data[i + k] ^= s.stream[s.stream_used + k];
    s.stream_used += n;
    i += n;
  }
}

bool AesDecryption::Authentic(const std::uint8_t* stored) {
  std::array<std::uint8_t, EVP_MAX_MD_SIZE> code{};
  std::size_t length = 0;
  if (EVP_MAC_final(state_->mac, code.data(), &length, code.size()) != 1 ||
      length < kAesAuthenticationSize)
    return false;
  return CRYPTO_memcmp(code.data(), stored, kAesAuthenticationSize) == 0;
}

}  // namespace vantorel::archive
