// One compression method's decoder between the extraction's real input and output steps: the
// compressed bytes read from an archive file, the decoded bytes written to a file through the
// output block, the size check and the CRC.
// Input: a variant byte (the compression factor of reduce, the general flags of implode), three
// bytes of little-endian uncompressed size (at most kMaxOutput), then the compressed bytes.
// VANTOREL_FUZZ_METHOD picks the decoder (every method with one: the legacy ones, deflate and
// Deflate64, and the library-backed bzip2, LZMA, Zstandard and XZ); reduce and implode take the
// variant byte.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "archive/archive_errors.h"
#include "archive/archive_stream.h"
#include "archive/decoders.h"
#include "archive/extract_steps.h"
#include "archive/kept_blocks.h"
#include "archive/output_file.h"
#include "fuzz_input.h"

namespace {

using namespace vantorel::archive;

constexpr std::uint32_t kMaxOutput = 1 << 20;

struct Method {
  std::uint16_t method;
  std::uint16_t flags;
};

Method MethodFor(std::uint8_t variant) {
  const int method = VANTOREL_FUZZ_METHOD;
  if (method >= 2 && method <= 5) return {static_cast<std::uint16_t>(2 + variant % 4), 0};
  if (method == 6) return {6, static_cast<std::uint16_t>(variant & 0x06)};
  return {static_cast<std::uint16_t>(method), static_cast<std::uint16_t>(variant & 0x08)};
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
  if (size < 4) return 0;
  const Method method = MethodFor(data[0]);
  const std::uint32_t uncompressed =
      (data[1] | static_cast<std::uint32_t>(data[2]) << 8 | static_cast<std::uint32_t>(data[3]) << 16) %
      (kMaxOutput + 1);
  const auto archive_path =
      vantorel::fuzz::WriteScratchFile("E.ZIP", vantorel::fuzz::AsText(data + 4, size - 4));
  std::optional<ArchiveStream> archive = ArchiveStream::Open(archive_path.string());
  std::optional<OutputFile> file = OutputFile::CreateFor(vantorel::fuzz::ScratchDir() / "E.OUT");
  if (!archive || !file) __builtin_trap();

  // Allocated once, as an extraction run allocates them once.
  static const auto input_block = std::make_unique<std::uint8_t[]>(kExtractBlockSize);
  static const auto output_block = std::make_unique<std::uint8_t[]>(kExtractBlockSize);
  RunProgress run;
  run.total_bytes = uncompressed;
  EntryInput input(*archive, size - 4, input_block.get(), [] {});
  EntryOutput output(*file, uncompressed, output_block.get(), run);
  DecodeParams params;
  params.general_flags = method.flags;
  params.compressed_size = size - 4;
  params.uncompressed_size = uncompressed;
  try {
    if (DecodeByMethod(method.method, input, output, params)) output.Finish();
    file->Close(false);
  } catch (const ArchiveError&) {
  }
  return 0;
}
