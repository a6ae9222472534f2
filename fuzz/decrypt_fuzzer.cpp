// An encrypted entry's data as the extraction reads it: the encryption header checked against
// kFuzzPassword, the data decrypted between the input step and the decoder, and WinZip AES's
// authentication code checked at the end.
// Input: a variant byte (bit 0: WinZip AES, else traditional; bits 1-2: AES strength; bit 3:
// flag bit 3, the check byte from the time; bit 4: AE-1; bit 5: deflated, else stored), the
// 2-byte DOS time, the 4-byte CRC, 3 bytes of uncompressed size (at most kMaxOutput), then
// the entry's data: the encryption header, the encrypted data and any authentication code.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "archive/archive_errors.h"
#include "archive/archive_stream.h"
#include "archive/decoders.h"
#include "archive/entry_decryption.h"
#include "archive/extract_steps.h"
#include "archive/kept_blocks.h"
#include "archive/output_file.h"
#include "fuzz_input.h"

namespace {

using namespace vantorel::archive;

constexpr std::uint32_t kMaxOutput = 1 << 20;
constexpr std::size_t kPrefix = 10;

std::uint32_t Le(const std::uint8_t* bytes, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vantorel::fuzz::InstallSilentUi();
  // Inputs follow each other as the entries of one extraction run do. Never ended: the
  // thread's kept blocks are freed with the thread.
  static const KeptBlocks::Scope* const kept_blocks = new KeptBlocks::Scope;
  (void)kept_blocks;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kPrefix) return 0;
  const std::uint8_t variant = data[0];
  const bool aes = (variant & 1) != 0;
  const std::uint16_t method = (variant & 0x20) != 0 ? 8 : 0;

  ZipHeaderInfo entry;
  entry.flags = static_cast<std::uint16_t>(kFlagEncrypted | (variant & kFlagDataDescriptor));
  entry.method = aes ? kAesMethod : method;
  entry.crc = Le(data + 3, 4);
  entry.uncompressed_size = Le(data + 7, 3) % (kMaxOutput + 1);
  entry.compressed_size = static_cast<std::uint32_t>(size - kPrefix);

  LocalHeaderFacts local;
  local.data_offset = 0;
  local.dos_time = static_cast<std::uint16_t>(Le(data + 1, 2));
  if (aes) {
    const char strength = static_cast<char>(1 + (variant >> 1 & 3) % 3);
    local.extra = std::string("\x01\x99\x07\x00", 4) + ((variant & 0x10) != 0 ? '\x01' : '\x02') +
                  std::string("\x00" "AE", 3) + strength + static_cast<char>(method) + '\x00';
  }

  const auto archive_path = vantorel::fuzz::WriteScratchFile(
      "C.ZIP", vantorel::fuzz::AsText(data + kPrefix, size - kPrefix));
  std::optional<ArchiveStream> archive = ArchiveStream::Open(archive_path.string());
  std::optional<OutputFile> file = OutputFile::CreateFor(vantorel::fuzz::ScratchDir() / "C.OUT");
  if (!archive || !file) __builtin_trap();
  try {
    if (!DataMethod(entry, local.extra)) return 0;
    EntryDecryption::Opened opened =
        EntryDecryption::Open(*archive, entry, local, vantorel::fuzz::kFuzzPassword);
    if (opened.outcome != EntryDecryption::Outcome::Ready) return 0;
    EntryDecryption& decryption = *opened.decryption;
    // Allocated once, as an extraction run allocates them once.
    static const auto input_block = std::make_unique<std::uint8_t[]>(kExtractBlockSize);
    static const auto output_block = std::make_unique<std::uint8_t[]>(kExtractBlockSize);
    RunProgress run;
    run.total_bytes = entry.uncompressed_size;
    archive->Seek(decryption.DataOffset());
    EntryInput raw(*archive, decryption.DataSize() + decryption.TrailerSize(), input_block.get(),
                   [] {});
    DecryptingInput input(raw, decryption);
    EntryOutput output(*file, entry.uncompressed_size, output_block.get(), run);
    DecodeParams params;
    params.general_flags = entry.flags;
    params.compressed_size = decryption.DataSize();
    params.uncompressed_size = entry.uncompressed_size;
    if (DecodeByMethod(decryption.Method(), input, output, params)) output.Finish();
    input.Finish();
    file->Close(false);
  } catch (const ArchiveError&) {
  }
  return 0;
}
