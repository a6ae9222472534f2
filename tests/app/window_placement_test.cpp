#include "app/window_placement.h"

#include <array>
#include <limits>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace vantorel::app {
namespace {

using testing::TempDir;

TEST(WindowPlacement, WritesPlainAndScreenSizeKeys) {
  TempDir dir;
  const auto file = dir.path() / "kvxform.ini";
  WindowPlacement placement;
  placement.show = ShowState::Maximized;
  placement.normal_pos = {10, 20, 809, 622};
  SavePlacement(file, placement, {1024, 768, 96});
  EXPECT_EQ(TempDir::Read(file),
            "[KVXBrowse]\r\nFormVersion=0\r\nFlags=0\r\nShowCmd=3\r\nMinMaxPos=-1,-1,-1,-1\r\n"
            "NormPos=10,20,809,622\r\nPixelsPerInch=96\r\nMinMaxPos(1024x768)=-1,-1,-1,-1\r\n"
            "NormPos(1024x768)=10,20,809,622\r\nVisible=1\r\n");

  const auto restored = LoadPlacement(file, {1024, 768, 96});
  ASSERT_TRUE(restored);
  EXPECT_EQ(restored->show, ShowState::Maximized);
  EXPECT_EQ(restored->normal_pos, (std::array<int, 4>{10, 20, 809, 622}));
}

TEST(WindowPlacement, PrefersTheKeyOfTheCurrentScreenSize) {
  TempDir dir;
  const auto file = dir.Write("kvxform.ini",
                              "[KVXBrowse]\nNormPos=1,2,3,4\nNormPos(1280x1024)=5,6,7,8\n"
                              "PixelsPerInch=96\n");
  EXPECT_EQ(LoadPlacement(file, {1280, 1024, 96})->normal_pos,
            (std::array<int, 4>{5, 6, 7, 8}));
  EXPECT_EQ(LoadPlacement(file, {800, 600, 96})->normal_pos, (std::array<int, 4>{1, 2, 3, 4}));
  EXPECT_FALSE(LoadPlacement(file, {800, 600, 96})->min_max_pos);
}

TEST(WindowPlacement, RestoresNoPositionAtAnotherResolution) {
  TempDir dir;
  const auto file = dir.Write("kvxform.ini", "[KVXBrowse]\nNormPos=1,2,3,4\nPixelsPerInch=120\n"
                                             "ShowCmd=2\n");
  const auto restored = LoadPlacement(file, {1024, 768, 96});
  ASSERT_TRUE(restored);
  EXPECT_FALSE(restored->normal_pos);
  EXPECT_EQ(restored->show, ShowState::Minimized);
}

TEST(WindowPlacement, IgnoresMissingFilesNegativeVersionsAndBadPositions) {
  TempDir dir;
  EXPECT_FALSE(LoadPlacement(dir.path() / "none.ini", {1024, 768, 96}));
  EXPECT_FALSE(LoadPlacement(dir.Write("a.ini", "[KVXBrowse]\nFormVersion=-1\nNormPos=1,2,3,4\n"),
                             {1024, 768, 96}));
  const auto bad = LoadPlacement(dir.Write("b.ini", "[kvxbrowse]\nNormPos=1,2,3\n"),
                                 {1024, 768, 96});
  ASSERT_TRUE(bad);
  EXPECT_FALSE(bad->normal_pos);
}

TEST(WindowPlacement, PutsARectangleOffEveryScreenBackOntoThePrimaryOne) {
  // A 1280 x 1024 primary screen with a task bar at the bottom, and a second screen left of it.
  const std::vector<ScreenArea> screens = {{0, 0, 1280, 994}, {-1024, 0, 1024, 768}};
  constexpr int kMin = std::numeric_limits<int>::min();
  constexpr int kMax = std::numeric_limits<int>::max();
  struct Case {
    const char* name;
    std::array<int, 4> stored;
    std::optional<std::array<int, 4>> placed;
  };
  const Case cases[] = {
      {"on the primary screen", {50, 60, 750, 560}, std::array{50, 60, 750, 560}},
      {"partly off the primary screen", {1200, -20, 1900, 480}, std::array{1200, -20, 1900, 480}},
      {"on the second screen", {-900, 100, -200, 600}, std::array{-900, 100, -200, 600}},
      {"far right", {5000, 60, 5700, 560}, std::array{580, 60, 1280, 560}},
      {"above and left of everything", {-5000, -3000, -4300, -2500}, std::array{0, 0, 700, 500}},
      {"below the task bar", {100, 994, 900, 1500}, std::array{100, 488, 900, 994}},
      {"larger than the screen", {-10, -10, 4000, 3000}, std::array{-10, -10, 1270, 984}},
      {"extreme integers", {kMin, kMin, kMax, kMax}, std::array{0, 0, 1280, 994}},
      {"extreme corner", {kMax - 10, kMax - 10, kMax, kMax}, std::array{1270, 984, 1280, 994}},
      {"empty", {100, 100, 100, 500}, std::nullopt},
      {"turned round", {700, 500, 50, 60}, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(PlaceOnScreens(c.stored, screens), c.placed) << c.name;
  EXPECT_EQ(PlaceOnScreens({5000, 60, 5700, 560}, {}), (std::array{5000, 60, 5700, 560}));
}

TEST(WindowPlacement, MapsShowCommandsToShowStates) {
  const std::pair<int, ShowState> cases[] = {
      {1, ShowState::Normal},    {5, ShowState::Normal},    {9, ShowState::Normal},
      {2, ShowState::Minimized}, {6, ShowState::Minimized}, {7, ShowState::Minimized},
      {3, ShowState::Maximized}, {0, ShowState::Normal},    {4, ShowState::Normal},
  };
  for (const auto& [show_cmd, state] : cases)
    EXPECT_EQ(ShowStateFromShowCmd(show_cmd), state) << show_cmd;
  for (ShowState state : {ShowState::Normal, ShowState::Minimized, ShowState::Maximized})
    EXPECT_EQ(ShowStateFromShowCmd(ShowCmdFromShowState(state)), state);
}

}  // namespace
}  // namespace vantorel::app
