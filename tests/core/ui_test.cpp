#include "core/ui.h"

#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include <optional>
#include <string>
#include <vector>

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

TEST(UiPort, FolderRequestsAreRecordedAndAnsweredInOrder) {
  testing::ScriptedUi ui;
  ui.AnswerFolderRequest("/data/PDF/").AnswerFolderRequest(std::nullopt);
  EXPECT_FALSE(ui.Done());
  EXPECT_EQ(CurrentUi().AskForFolder({"Location of article PDF files", "/archive/PDF/"}),
            "/data/PDF/");
  EXPECT_EQ(CurrentUi().AskForFolder({"Caf\xe9", ""}), std::nullopt);
  EXPECT_TRUE(ui.Done());
  EXPECT_EQ(ui.folder_requests,
            (std::vector<FolderRequest>{{"Location of article PDF files", "/archive/PDF/"},
                                        {"Caf\xe9", ""}}));
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_TRUE(ui.file_requests.empty());
}

TEST(UiPort, AFileRequestIsNotAnsweredFromTheFolderScript) {
  testing::ScriptedUi ui;
  ui.AnswerFolderRequest("/data/");
  EXPECT_NONFATAL_FAILURE(CurrentUi().AskForFile({"Open a Zip File", "", "/data/"}),
                          "unexpected file request: \"Open a Zip File\"");
  EXPECT_EQ(CurrentUi().AskForFolder({"Select Destination Directory", "/"}), "/data/");
}

TEST(UiPort, AnUnexpectedFolderRequestFailsTheTestAndIsCancelled) {
  std::optional<std::string> answer = "not asked yet";
  EXPECT_NONFATAL_FAILURE(
      {
        testing::ScriptedUi ui;
        answer = CurrentUi().AskForFolder({"Select Destination Directory", "/tmp/out"});
      },
      "unexpected folder request: \"Select Destination Directory\" starting in \"/tmp/out\"");
  EXPECT_EQ(answer, std::nullopt);
}

TEST(UiPort, AScriptedRequestThatNeverComesFailsTheTest) {
  EXPECT_NONFATAL_FAILURE(
      {
        testing::ScriptedUi ui;
        ui.AnswerFolderRequest("/data/");
      },
      "expected folder request never came (1 left)");
  EXPECT_NONFATAL_FAILURE(
      {
        testing::ScriptedUi ui;
        ui.AnswerFileRequest("/data/a.zip").AnswerFileRequest(std::nullopt);
      },
      "expected file request never came (2 left)");
}

}  // namespace
}  // namespace vantorel::core
