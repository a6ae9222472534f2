#include "core/ui.h"

#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include "scripted_ui.h"

namespace vantorel::core {
namespace {

TEST(UiPort, ShorthandsReachTheInstalledUi) {
  testing::ScriptedUi ui;
  ui.Expect(BoxKind::Warning, "Careful")
      .Expect(BoxKind::Confirmation, "Replace existing file A.TXT?", Buttons::YesNo, Answer::Yes,
              "File Exists Alert")
      .Expect(BoxKind::Confirmation, "Insert\rthe disc", Buttons::OkCancel, Answer::Cancel);
  ShowWarning("Careful");
  EXPECT_TRUE(Confirm("Replace existing file A.TXT?", Buttons::YesNo, "File Exists Alert"));
  EXPECT_FALSE(Confirm("Insert\rthe disc", Buttons::OkCancel));
  {
    BusyCursor busy;
    EXPECT_EQ(ui.busy_depth, 1);
  }
  EXPECT_EQ(ui.busy_depth, 0);
  EXPECT_TRUE(ui.Done());
  EXPECT_EQ(ui.boxes.size(), 3u);
}

TEST(UiPort, AnUnexpectedBoxFailsTheTest) {
  EXPECT_NONFATAL_FAILURE(
      {
        testing::ScriptedUi ui;
        ShowError("Surprise");
      },
      "unexpected error box: \"Surprise\"");
}

TEST(UiPort, AMissingBoxFailsTheTest) {
  EXPECT_NONFATAL_FAILURE(
      {
        testing::ScriptedUi ui;
        ui.Expect(BoxKind::Information, "Never shown");
      },
      "never came");
}

}  // namespace
}  // namespace vantorel::core
