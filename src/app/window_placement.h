// The main window's placement file "kvxform.ini" (section "KVXBrowse").
//
// Keys: "FormVersion" (always 0), "Flags", "ShowCmd" (the show state as the Windows show
// command), "MinMaxPos" (x,y of the minimised, x,y of the maximised position), "NormPos"
// (left,top,right,bottom of the normal window), "PixelsPerInch" and "Visible". "MinMaxPos"
// and "NormPos" are written twice: under the plain key and under the key followed by the
// screen size, "NormPos(1024x768)". Four-integer values read "%d,%d,%d,%d".
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <vector>

namespace vantorel::app {

enum class ShowState { Normal, Minimized, Maximized };

struct WindowPlacement {
  int flags = 0;                             // "Flags"
  ShowState show = ShowState::Normal;        // "ShowCmd"
  std::array<int, 4> min_max_pos{-1, -1, -1, -1};  // "MinMaxPos"
  std::array<int, 4> normal_pos{0, 0, 0, 0};       // "NormPos": left, top, right, bottom
  bool visible = true;                       // "Visible"

  bool operator==(const WindowPlacement&) const = default;
};

// What the screen looks like now.
struct ScreenMetrics {
  int width = 0;            // pixels
  int height = 0;           // pixels
  int pixels_per_inch = 96;  // logical resolution
};

// What a stored placement gives back.
struct RestoredPlacement {
  std::optional<std::array<int, 4>> normal_pos;   // present only when it may be restored
  std::optional<std::array<int, 4>> min_max_pos;  // likewise
  ShowState show = ShowState::Normal;
};

// A screen's area in desktop coordinates.
struct ScreenArea {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// Where a restored "NormPos" (left, top, right, bottom) puts the window on these screens, the
// first being the primary one, as the system's window placement does: nullopt for an empty
// rectangle (right <= left or bottom <= top); a side longer than the primary screen's is cut to
// it; a rectangle that then overlaps no screen moves onto the primary screen, to the nearest
// place where it lies wholly on it. Without screens the rectangle is only checked and cut.
std::optional<std::array<int, 4>> PlaceOnScreens(const std::array<int, 4>& normal_pos,
                                                 const std::vector<ScreenArea>& screens);

// The show state for a stored "ShowCmd": 1, 5, 9 normal; 2, 6, 7 minimised; 3 maximised;
// anything else normal.
ShowState ShowStateFromShowCmd(int show_cmd);
// The "ShowCmd" written for a show state: 1, 2 or 3.
int ShowCmdFromShowState(ShowState show);

// Reads the placement. nullopt when the file is missing or its "FormVersion" is below 0.
// Positions come back only when stored and "PixelsPerInch" equals the screen's; the key
// with the current screen size wins over the plain key.
std::optional<RestoredPlacement> LoadPlacement(const std::filesystem::path& file,
                                               const ScreenMetrics& screen);

// Writes the placement, keeping the file's other keys. Throws IniWriteError.
void SavePlacement(const std::filesystem::path& file, const WindowPlacement& placement,
                   const ScreenMetrics& screen);

}  // namespace vantorel::app
