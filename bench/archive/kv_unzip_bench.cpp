// KvUnZip on large archives: LoadDirectory with 60,000 entries, and Extract of a mixed
// deflated archive (text and random bytes) into a temporary folder.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "archive/kv_unzip.h"
#include "core/ui.h"
#include "zip_builder_helpers.h"

namespace vantorel::archive {
namespace {

namespace fs = std::filesystem;

class QuietUi : public core::Ui {
 public:
  core::Answer Show(const core::MessageBox&) override { return core::Answer::Ok; }
  std::optional<std::string> AskForFile(const core::FileRequest&) override { return std::nullopt; }
  std::optional<std::string> AskForFolder(const core::FolderRequest&) override {
    return std::nullopt;
  }
  std::optional<std::string> AskForPassword(const core::PasswordRequest&) override {
    return std::nullopt;
  }
  void ShowProgress(const std::string&) override {}
  void SetBusy(bool) override {}
};

// A folder for the run's archives and output, removed at exit.
const fs::path& WorkDir() {
  static const fs::path dir = [] {
    std::string pattern = (fs::temp_directory_path() / "kv-unzip-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    std::atexit([] { fs::remove_all(WorkDir()); });
    return fs::path(pattern);
  }();
  return dir;
}

fs::path WriteArchive(const std::string& name, const std::string& bytes) {
  const fs::path path = WorkDir() / name;
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::string Text(std::mt19937& rng, std::size_t size) {
  static const char* const kWords[] = {"procedure", "begin", "end;", "var", "integer", "the",
                                       "archive", "record", "string", "while", "do", "of"};
  std::string text;
  while (text.size() < size) {
    text += kWords[rng() % 12];
    text += rng() % 9 == 0 ? "\r\n" : " ";
  }
  text.resize(size);
  return text;
}

std::string RandomBytes(std::mt19937& rng, std::size_t size) {
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(rng());
  return bytes;
}

void BM_LoadDirectory60000(benchmark::State& state) {
  QuietUi ui;
  core::SetUi(&ui);
  const fs::path zip = WriteArchive("many.zip", testzip::DirectoryOnlyArchive(60000));
  for (auto _ : state) {
    KvUnZip unzip;
    unzip.SetZipName(zip.string());
    unzip.LoadDirectory();
    std::uint64_t sum = 0;
    for (int i = 0; i < unzip.EntryCount(); ++i)
      sum += unzip.EntryFileName(i).size() + unzip.EntryPathName(i).size() +
             unzip.EntryUncompressedSize(i);
    benchmark::DoNotOptimize(sum);
  }
  core::SetUi(nullptr);
}
BENCHMARK(BM_LoadDirectory60000)->Unit(benchmark::kMillisecond);

void BM_ExtractMixedDeflated(benchmark::State& state) {
  QuietUi ui;
  core::SetUi(&ui);
  std::mt19937 rng(7);
  testzip::ZipBuilder builder;
  std::uint64_t total = 0;
  for (int n = 0; total < 32u << 20; ++n) {
    const std::size_t size = 4096u << (rng() % 9);  // 4 KB .. 1 MB
    const std::string name = "DIR" + std::to_string(n % 5) + "/F" + std::to_string(n);
    builder.Deflated(name + ".TXT", n % 3 == 2 ? RandomBytes(rng, size) : Text(rng, size));
    total += size;
  }
  const fs::path zip = WriteArchive("mixed.zip", builder.Build());
  const fs::path out = WorkDir() / "out";
  for (auto _ : state) {
    KvUnZip unzip;
    unzip.SetZipName(zip.string());
    unzip.SetDestDir(out.string());
    unzip.SetDoAll(true);
    unzip.SetRecreateDirs(true);
    unzip.SetOverwriteMode(UZOverwriteMode::Always);
    benchmark::DoNotOptimize(unzip.Extract());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * total));
  core::SetUi(nullptr);
}
BENCHMARK(BM_ExtractMixedDeflated)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vantorel::archive

BENCHMARK_MAIN();
