#include "app/window_placement.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "app/ini_file.h"
#include "app/settings_file.h"
#include "platform/file_system.h"

namespace vantorel::app {

namespace {

std::string ScreenKey(const char* key, const ScreenMetrics& screen) {
  return std::string(key) + "(" + std::to_string(screen.width) + "x" +
         std::to_string(screen.height) + ")";
}

std::string FourIntegers(const std::array<int, 4>& values) {
  return std::to_string(values[0]) + "," + std::to_string(values[1]) + "," +
         std::to_string(values[2]) + "," + std::to_string(values[3]);
}

std::optional<std::array<int, 4>> ParseFourIntegers(const std::string& text) {
  std::array<int, 4> values{};
  std::size_t at = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t comma = i < 3 ? text.find(',', at) : text.size();
    if (comma == std::string::npos) return std::nullopt;
    std::int32_t value = 0;
    if (!ParseProfileInteger(text.substr(at, comma - at), value)) return std::nullopt;
    values[i] = value;
    at = comma + 1;
  }
  return values;
}

// The four integers under the screen-size key, else under the plain key.
std::optional<std::array<int, 4>> ReadPosition(const IniFile& ini, const char* key,
                                               const ScreenMetrics& screen) {
  const std::string sized = ScreenKey(key, screen);
  if (ini.HasKey(kSettingsSection, sized))
    if (auto values = ParseFourIntegers(ini.ReadString(kSettingsSection, sized, "")))
      return values;
  if (ini.HasKey(kSettingsSection, key))
    return ParseFourIntegers(ini.ReadString(kSettingsSection, key, ""));
  return std::nullopt;
}

}  // namespace

std::optional<std::array<int, 4>> PlaceOnScreens(const std::array<int, 4>& normal_pos,
                                                 const std::vector<ScreenArea>& screens) {
  // 64-bit, so that sides between the extreme stored integers cannot overflow.
  std::int64_t left = normal_pos[0];
  std::int64_t top = normal_pos[1];
  std::int64_t width = std::int64_t{normal_pos[2]} - left;
  std::int64_t height = std::int64_t{normal_pos[3]} - top;
  if (width <= 0 || height <= 0) return std::nullopt;
  if (!screens.empty()) {
    const ScreenArea& primary = screens.front();
    width = std::min<std::int64_t>(width, std::max(primary.width, 1));
    height = std::min<std::int64_t>(height, std::max(primary.height, 1));
    const bool overlaps = std::any_of(screens.begin(), screens.end(), [&](const ScreenArea& screen) {
      return left < std::int64_t{screen.left} + screen.width && screen.left < left + width &&
             top < std::int64_t{screen.top} + screen.height && screen.top < top + height;
    });
    if (!overlaps) {
      left = std::clamp<std::int64_t>(left, primary.left, std::int64_t{primary.left} + primary.width - width);
      top = std::clamp<std::int64_t>(top, primary.top, std::int64_t{primary.top} + primary.height - height);
    }
  }
  return std::array<int, 4>{static_cast<int>(left), static_cast<int>(top), static_cast<int>(left + width),
                            static_cast<int>(top + height)};
}

ShowState ShowStateFromShowCmd(int show_cmd) {
  switch (show_cmd) {
    case 2: case 6: case 7: return ShowState::Minimized;
    case 3: return ShowState::Maximized;
    default: return ShowState::Normal;
  }
}

int ShowCmdFromShowState(ShowState show) {
  switch (show) {
    case ShowState::Minimized: return 2;
    case ShowState::Maximized: return 3;
    case ShowState::Normal: break;
  }
  return 1;
}

std::optional<RestoredPlacement> LoadPlacement(const std::filesystem::path& file,
                                               const ScreenMetrics& screen) {
  if (!platform::FileExistsAt(file)) return std::nullopt;
  const IniFile ini(file);
  if (ini.ReadInteger(kSettingsSection, "FormVersion", 0) < 0) return std::nullopt;
  RestoredPlacement restored;
  restored.show = ShowStateFromShowCmd(ini.ReadInteger(kSettingsSection, "ShowCmd", 1));
  if (ini.ReadInteger(kSettingsSection, "PixelsPerInch", screen.pixels_per_inch) ==
      screen.pixels_per_inch) {
    restored.normal_pos = ReadPosition(ini, "NormPos", screen);
    restored.min_max_pos = ReadPosition(ini, "MinMaxPos", screen);
  }
  return restored;
}

void SavePlacement(const std::filesystem::path& file, const WindowPlacement& placement,
                   const ScreenMetrics& screen) {
  IniFile ini(file);
  const char* section = kSettingsSection;
  ini.WriteInteger(section, "FormVersion", 0);
  ini.WriteInteger(section, "Flags", placement.flags);
  ini.WriteInteger(section, "ShowCmd", ShowCmdFromShowState(placement.show));
  ini.WriteString(section, "MinMaxPos", FourIntegers(placement.min_max_pos));
  ini.WriteString(section, "NormPos", FourIntegers(placement.normal_pos));
  ini.WriteInteger(section, "PixelsPerInch", screen.pixels_per_inch);
  ini.WriteString(section, ScreenKey("MinMaxPos", screen), FourIntegers(placement.min_max_pos));
  ini.WriteString(section, ScreenKey("NormPos", screen), FourIntegers(placement.normal_pos));
  ini.WriteBool(section, "Visible", placement.visible);
  ini.Save();
}

}  // namespace vantorel::app
