// What every fuzz target shares: the fuzzer's bytes taken apart, written to a scratch folder
// for the readers that only open files, and a Ui that answers every box without a window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/ui.h"

namespace vantorel::fuzz {

// The fuzzer's bytes as text.
inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Two files in one input: a 4-byte little-endian length, that many bytes of the first file
// (fewer when the input ends), and the rest as the second file.
struct TwoFiles {
  std::string_view first;
  std::string_view second;
};
TwoFiles SplitTwoFiles(std::string_view input);

// A folder of this process on tmpfs (/dev/shm when it exists, else the system's temporary
// folder), made at the first call and removed when the process ends.
const std::filesystem::path& ScratchDir();

// Writes bytes as ScratchDir() / name, replacing what was there; returns the path.
std::filesystem::path WriteScratchFile(std::string_view name, std::string_view bytes);

// The password of the encrypted seed archives.
inline constexpr char kFuzzPassword[] = "password";

// Answers OK (or the first choice) to every box, cancels every file and folder request, gives
// kFuzzPassword when asked for a password, shows nothing.
class SilentUi final : public core::Ui {
 public:
  core::Answer Show(const core::MessageBox& box) override;
  std::optional<std::string> AskForFile(const core::FileRequest&) override { return std::nullopt; }
  std::optional<std::string> AskForFolder(const core::FolderRequest&) override { return std::nullopt; }
  // Encrypted entries are tried with kFuzzPassword, the password of the seeds.
  std::optional<std::string> AskForPassword(const core::PasswordRequest&) override {
    return std::string(kFuzzPassword);
  }
  void ShowProgress(const std::string&) override {}
  void SetBusy(bool) override {}
};

// Installs a SilentUi as the process's Ui (once).
void InstallSilentUi();

}  // namespace vantorel::fuzz
