// Profile files as the program reads them at start: the settings file and the window
// placement file, and the INI reader under them with a key written back. Input: the file.
#include <cstddef>
#include <cstdint>

#include "app/ini_file.h"
#include "app/settings_file.h"
#include "app/window_placement.h"
#include "core/settings.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vantorel::fuzz::InstallSilentUi();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = vantorel::fuzz::AsText(data, size);
  const auto path = vantorel::fuzz::WriteScratchFile("kvbrowse.ini", input);

  vantorel::core::BrowserSettings settings;
  settings.DataDir = "/cdrom/";
  vantorel::app::LoadSettings(path, settings);
  vantorel::app::LoadPlacement(path, {1280, 1024, 96});

  vantorel::app::IniFile ini(path);
  ini.ReadString("KVXBrowse", "Results", "30");
  ini.ReadInteger("KVXBrowse", "LastIssue", 72);
  ini.ReadBool("KVXBrowse", "UseExternalZip", false);
  ini.WriteInteger("KVXBrowse", "Results", 31);
  ini.WriteString("New Section", "Key", "value");
  std::int32_t value = 0;
  vantorel::app::ParseProfileInteger(input.substr(0, 64), value);
  return 0;
}
