#include "fuzz_input.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <system_error>

namespace vantorel::fuzz {

TwoFiles SplitTwoFiles(std::string_view input) {
  if (input.size() < 4) return {input, {}};
  std::size_t length = 0;
  for (int i = 3; i >= 0; --i) length = length << 8 | static_cast<unsigned char>(input[static_cast<std::size_t>(i)]);
  input.remove_prefix(4);
  length = std::min(length, input.size());
  return {input.substr(0, length), input.substr(length)};
}

namespace {

constexpr std::string_view kScratchPrefix = "vantorel-fuzz-";

// libFuzzer ends a run with _exit after a crash or timeout, skipping the atexit clean-up, so
// the folders of processes that are gone are removed here.
void RemoveStaleScratchDirs(const std::filesystem::path& base) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(base, error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(kScratchPrefix, 0) != 0) continue;
    const long pid = std::strtol(name.c_str() + kScratchPrefix.size(), nullptr, 10);
    if (pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    std::filesystem::remove_all(entry.path(), error);
  }
}

std::filesystem::path MakeScratchDir() {
  std::error_code error;
  std::filesystem::path base = "/dev/shm";
  if (!std::filesystem::is_directory(base, error)) base = std::filesystem::temp_directory_path();
  RemoveStaleScratchDirs(base);
  std::filesystem::path dir = base / (std::string(kScratchPrefix) + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  return dir;
}

void RemoveScratchDir() {
  std::error_code error;
  std::filesystem::remove_all(ScratchDir(), error);
}

}  // namespace

const std::filesystem::path& ScratchDir() {
  static const std::filesystem::path dir = [] {
    std::filesystem::path made = MakeScratchDir();
    std::atexit(RemoveScratchDir);
    return made;
  }();
  return dir;
}

std::filesystem::path WriteScratchFile(std::string_view name, std::string_view bytes) {
  const std::filesystem::path path = ScratchDir() / name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

core::Answer SilentUi::Show(const core::MessageBox& box) {
  switch (box.buttons) {
    case core::Buttons::Ok: return core::Answer::Ok;
    case core::Buttons::OkCancel: return core::Answer::Ok;
    case core::Buttons::YesNo: return core::Answer::Yes;
  }
  return core::Answer::Ok;
}

void InstallSilentUi() {
  static SilentUi ui;
  core::SetUi(&ui);
}

}  // namespace vantorel::fuzz
