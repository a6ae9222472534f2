// Test helpers for the legacy decoders: an in-memory input and output, an LSB-first bit writer
// for hand-made streams, SHA-256, and readers for the fixture archives and their manifests that
// use none of the code under test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "archive/decoder.h"

namespace vantorel::archive::legacy {

// CompressedInput over a byte string, handed out in pieces of at most chunk bytes.
class MemoryInput : public CompressedInput {
 public:
  explicit MemoryInput(std::string bytes, std::size_t chunk = 16000)
      : bytes_(std::move(bytes)), chunk_(chunk) {}
  std::size_t Read(std::uint8_t* buffer, std::size_t size) override;
  std::size_t reads() const { return reads_; }

 private:
  std::string bytes_;
  std::size_t chunk_;
  std::size_t offset_ = 0;
  std::size_t reads_ = 0;
};

// DecodedOutput into a string; counts the Write calls.
class StringOutput : public DecodedOutput {
 public:
  void Write(const std::uint8_t* data, std::size_t size) override;
  std::string bytes;
  std::size_t writes = 0;
};

// Packs codes least significant bit first, as shrink, reduce and implode store them.
class BitWriter {
 public:
  BitWriter& Put(std::uint32_t value, int bits);
  // Puts a code given most significant bit first (a Shannon-Fano code as printed).
  BitWriter& PutCode(std::string_view binary);
  // The bytes so far, the last one padded with zero bits.
  std::string Bytes() const;

 private:
  std::string bytes_;
  std::uint32_t pending_ = 0;  // bits not yet in bytes_
  int pending_count_ = 0;
};

std::string Sha256Hex(std::string_view bytes);

// A shrink (method 1) encoder: LZW with 9- to 13-bit codes that widens codes with 256,1 when a
// code needs it and sends 256,2 (partial clear) as soon as the table is full. It never sends a
// code for the string being defined (the KwKwK case). The table it keeps is updated exactly as
// a decoder updates its own.
struct ShrunkStream {
  std::string bytes;
  int partial_clears = 0;
  int widenings = 0;
};
ShrunkStream Shrink(std::string_view data);

// One entry of a ZIP archive as its central directory and local header give it.
struct ZipEntryBytes {
  std::string name;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint32_t crc = 0;
  std::uint64_t uncompressed_size = 0;
  std::string compressed;  // the entry's compressed bytes
};

// Every entry of the archive at path, in central-directory order. Fails the test on a damaged
// archive (the fixtures are not).
std::vector<ZipEntryBytes> ReadZipEntries(const std::filesystem::path& path);

// One entry of a fixture manifest.
struct ManifestEntry {
  std::string name;
  bool dir = false;
  int method = -1;  // ZIP method number
  std::uint64_t size = 0;
  std::string crc;     // 8 hex digits
  std::string sha256;  // 64 hex digits, empty for a directory
};

// manifest.json: archive file name -> its entries in central-directory order.
std::map<std::string, std::vector<ManifestEntry>> ReadManifest(const std::filesystem::path& path);

}  // namespace vantorel::archive::legacy
