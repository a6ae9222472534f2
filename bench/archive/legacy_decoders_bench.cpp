// Throughput of the legacy decoders (bytes of output per second) on the fixture archives'
// entries, and of unshrink on large shrunk streams made by the tests' shrink encoder (the
// fixtures' shrunk entries are tiny).

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>

#include "archive/explode.h"
#include "archive/unreduce.h"
#include "archive/unshrink.h"
#include "legacy_helpers.h"

namespace vantorel::archive {
namespace {

namespace fs = std::filesystem;

// Compressed bytes handed out in the extraction's 16,000-byte blocks, without copying the entry.
class ViewInput : public CompressedInput {
 public:
  explicit ViewInput(const std::string& bytes) : bytes_(bytes) {}
  std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
    const std::size_t count = std::min({size, std::size_t{16000}, bytes_.size() - offset_});
    std::memcpy(buffer, bytes_.data() + offset_, count);
    offset_ += count;
    return count;
  }

 private:
  const std::string& bytes_;
  std::size_t offset_ = 0;
};

class CountingOutput : public DecodedOutput {
 public:
  void Write(const std::uint8_t* data, std::size_t size) override {
    bytes += size;
    if (size > 0) last = data[size - 1];
  }
  std::uint64_t bytes = 0;
  std::uint8_t last = 0;
};

legacy::ZipEntryBytes FixtureEntry(const std::string& archive, const std::string& name) {
  const fs::path path = fs::path(VANTOREL_FIXTURES_DIR) / "zip" / archive;
  for (auto& entry : legacy::ReadZipEntries(path)) {
    if (entry.name == name) return entry;
  }
  throw std::runtime_error(archive + " has no " + name);
}

DecodeResult Decode(const legacy::ZipEntryBytes& entry, CountingOutput& output) {
  ViewInput input(entry.compressed);
  const DecodeParams params{entry.flags, entry.compressed.size(), entry.uncompressed_size};
  switch (entry.method) {
    case 1: return Unshrink(input, output, params);
    case 2: case 3: case 4: case 5: return Unreduce(input, output, params, entry.method - 1);
    default: return Explode(input, output, params);
  }
}

void RunDecoder(benchmark::State& state, const legacy::ZipEntryBytes& entry) {
  for (auto _ : state) {
    CountingOutput output;
    if (Decode(entry, output) != DecodeResult::Complete || output.bytes != entry.uncompressed_size) {
      state.SkipWithError("entry did not decode");
      return;
    }
    benchmark::DoNotOptimize(output.last);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * entry.uncompressed_size));
}

void BM_Fixture(benchmark::State& state, const std::string& archive, const std::string& name) {
  static std::map<std::string, legacy::ZipEntryBytes> cache;
  auto found = cache.find(archive + "/" + name);
  if (found == cache.end()) found = cache.emplace(archive + "/" + name, FixtureEntry(archive, name)).first;
  RunDecoder(state, found->second);
}

// A fixture entry decoded, shrunk with the tests' encoder, as a method-1 entry.
void BM_Shrunk(benchmark::State& state, const std::string& archive, const std::string& name) {
  static std::map<std::string, legacy::ZipEntryBytes> cache;
  auto found = cache.find(archive + "/" + name);
  if (found == cache.end()) {
    const legacy::ZipEntryBytes source = FixtureEntry(archive, name);
    legacy::StringOutput content;
    legacy::MemoryInput input(source.compressed);
    Explode(input, content, DecodeParams{source.flags, source.compressed.size(), source.uncompressed_size});
    legacy::ZipEntryBytes shrunk;
    shrunk.method = 1;
    shrunk.uncompressed_size = content.bytes.size();
    shrunk.compressed = legacy::Shrink(content.bytes).bytes;
    found = cache.emplace(archive + "/" + name, std::move(shrunk)).first;
  }
  RunDecoder(state, found->second);
}

BENCHMARK_CAPTURE(BM_Fixture, explode_4k_2trees_EXE, std::string("pkzip/PKZ110.ZIP"), std::string("TEST.EXE"));
BENCHMARK_CAPTURE(BM_Fixture, explode_4k_2trees_BMP, std::string("pkzip/PKZ110.ZIP"), std::string("TEST.BMP"));
BENCHMARK_CAPTURE(BM_Fixture, explode_8k_3trees_BMP, std::string("pkzip/IMPLODE.ZIP"), std::string("TEST.BMP"));
BENCHMARK_CAPTURE(BM_Fixture, explode_8k_3trees_PCX, std::string("pkzip/IMPLODE.ZIP"), std::string("TEST.PCX"));
BENCHMARK_CAPTURE(BM_Fixture, explode_4k_2trees_text, std::string("corpus/L002.ZIP"), std::string("DOCS/F00_hamlet.IMP"));
BENCHMARK_CAPTURE(BM_Fixture, explode_8k_2trees_text, std::string("corpus/L008.ZIP"), std::string("DOCS/F01_text.IMP"));
BENCHMARK_CAPTURE(BM_Fixture, unreduce_f2_EXE, std::string("pkzip/PKZ80B2.ZIP"), std::string("TEST.EXE"));
BENCHMARK_CAPTURE(BM_Fixture, unreduce_f2_BMP, std::string("pkzip/PKZ80B2.ZIP"), std::string("TEST.BMP"));
BENCHMARK_CAPTURE(BM_Fixture, unreduce_f2_text, std::string("corpus/L009.ZIP"), std::string("src/F02_text.RED"));
BENCHMARK_CAPTURE(BM_Fixture, unreduce_f3_text, std::string("corpus/L009.ZIP"), std::string("src/F03_text.RED"));
BENCHMARK_CAPTURE(BM_Fixture, unreduce_f1_lowent, std::string("corpus/L010.ZIP"), std::string("src/unit/F04_lowent.RED"));
BENCHMARK_CAPTURE(BM_Shrunk, unshrink_EXE, std::string("pkzip/PKZ110.ZIP"), std::string("TEST.EXE"));
BENCHMARK_CAPTURE(BM_Shrunk, unshrink_BMP, std::string("pkzip/PKZ110.ZIP"), std::string("TEST.BMP"));

}  // namespace
}  // namespace vantorel::archive

BENCHMARK_MAIN();
