#include "app/program_main_form.h"
#include "app/startup.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include "browser/frame_viewer.h"
#include "core/settings.h"
#include "platform/cd_drive.h"
#include "platform/help_page.h"
#include "program_window_fixture.h"
#include "scripted_ui.h"
#include "temp_dir.h"

namespace vantorel::app {
namespace {

using core::BoxKind;
using testing::ScriptedUi;
using testing::TempDir;

class MainFormTest : public ProgramWindowTest {};

TEST_F(MainFormTest, CreationRunsTheSetUp) {
  ScriptedUi ui;
  ProgramMainForm form(program_, {archive_, "/DEBUGMODE"}, config_);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Vantorel Article Browser"));
  EXPECT_EQ(form.ProgramSettings().DataDir, archive_);
  EXPECT_TRUE(form.ProgramSettings().DebugMode);
  EXPECT_TRUE(std::filesystem::exists(config_ / "kvbrowse.ini"));
  EXPECT_EQ(form.FrameViewer->HistoryMaxCount(), 6);
  ASSERT_EQ(form.HistoryEntries.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(form.HistoryEntries[i]->text(), QStringLiteral("XX"));
    EXPECT_EQ(form.HistoryEntries[i]->data().toInt(), i);
  }
  EXPECT_FALSE(form.History1->menuAction()->isVisible());
  EXPECT_TRUE(form.acceptDrops());
  EXPECT_TRUE(form.FrameViewer->ShownFileName().empty());  // nothing before it is shown
}

TEST_F(MainFormTest, ShowingLoadsTheStartPage) {
  ScriptedUi ui;
  ProgramMainForm form(program_, {archive_}, config_);
  form.show();
  EXPECT_EQ(form.FrameViewer->ShownFileName(), archive_ + "index.htm");
  EXPECT_TRUE(form.FrameViewer->IsFrameset());
  ASSERT_NE(form.FrameViewer->FrameView("main"), nullptr);
  EXPECT_EQ(form.FrameViewer->FrameView("main")->ShownTitle(), "Welcome");
}

// An archive (its catalogue) without a start page: the view stays empty.
TEST_F(MainFormTest, WithoutAStartPageTheViewStaysEmptyAndNothingIsSaid) {
  std::filesystem::remove(dir_.path() / "archive" / "index.htm");
  dir_.Write("archive/keyword.dbf", "");
  ScriptedUi ui;
  ProgramMainForm form(program_, {archive_}, config_);
  form.show();
  EXPECT_TRUE(form.FrameViewer->ShownFileName().empty());
}

// A settings folder that cannot be written costs the reader only the saving of the settings:
// one warning, and the history and dropped files are set up all the same.
TEST_F(MainFormTest, AnUnwritableSettingsFolderCostsOnlyTheSavingOfTheSettings) {
  dir_.Write("config-file", "");
  const auto config = dir_.path() / "config-file";
  ScriptedUi ui;
  ui.Expect(BoxKind::Warning,
            "Unable to write to " + (config / "kvbrowse.ini").string() + kSettingsNotSavedNote);
  {
    ProgramMainForm form(program_, {archive_}, config);
    EXPECT_EQ(form.FrameViewer->HistoryMaxCount(), 6);
    EXPECT_EQ(form.HistoryEntries.size(), 6u);
    EXPECT_TRUE(form.acceptDrops());
    form.show();
    EXPECT_EQ(form.FrameViewer->ShownFileName(), archive_ + "index.htm");
  }
  EXPECT_TRUE(ui.Done());
}

TEST_F(MainFormTest, ThePlacementIsWrittenOnceAtCloseAndRestoredWhenShown) {
  ScriptedUi ui;
  const auto placement = config_ / "kvxform.ini";
  {
    ProgramMainForm form(program_, {archive_}, config_);
    form.show();
    form.setGeometry(50, 60, 700, 500);
    EXPECT_FALSE(std::filesystem::exists(placement));
    form.close();
    ASSERT_TRUE(std::filesystem::exists(placement));
    const std::string written = TempDir::Read(placement);
    EXPECT_NE(written.find("NormPos=50,60,750,560\r\n"), std::string::npos) << written;
    EXPECT_NE(written.find("ShowCmd=1\r\n"), std::string::npos) << written;
    std::filesystem::remove(placement);
  }
  EXPECT_FALSE(std::filesystem::exists(placement));  // not written again when destroyed

  dir_.Write("config/kvxform.ini", "[KVXBrowse]\r\nNormPos=30,40,630,440\r\n");
  ProgramMainForm form(program_, {archive_}, config_);
  form.show();
  EXPECT_EQ(form.geometry(), QRect(30, 40, 600, 400));
}

TEST_F(MainFormTest, AWindowStoredOffEveryScreenComesBackOntoTheScreen) {
  ScriptedUi ui;
  for (const char* norm_pos : {"-5000,-4000,-4400,-3600", "90000,20,90600,420",
                               "-2147483648,-2147483648,2147483647,2147483647"}) {
    dir_.Write("config/kvxform.ini", std::string("[KVXBrowse]\r\nNormPos=") + norm_pos + "\r\n");
    ProgramMainForm form(program_, {archive_}, config_);
    form.show();
    const QRect screen = form.screen()->availableGeometry();
    EXPECT_TRUE(screen.intersects(form.geometry())) << norm_pos;
    EXPECT_LE(form.width(), screen.width()) << norm_pos;
    EXPECT_LE(form.height(), screen.height()) << norm_pos;
  }
}

TEST_F(MainFormTest, TheLayoutFollowsTheDesign) {
  ScriptedUi ui;
  ProgramMainForm form(program_, {archive_}, config_);
  form.show();
  QStringList captions;
  for (QPushButton* button : {form.ReloadBtn, form.BackBtn, form.ForwardBtn, form.UnZipperBtn, form.BitBtn1}) {
    captions << button->text();
    EXPECT_EQ(button->size(), QSize(80, 25));
  }
  EXPECT_EQ(captions, (QStringList{"&Reload", "&Back", "For&ward", "Un&Zip", "&Close"}));
  EXPECT_LT(form.ReloadBtn->x(), form.BackBtn->x());
  EXPECT_LT(form.UnZipperBtn->x(), form.BitBtn1->x());
  EXPECT_EQ(form.Panel1->height(), 33);
  EXPECT_EQ(form.Panel2->height(), 23);
  EXPECT_LT(form.Panel1->y(), form.FrameViewer->y());
  EXPECT_LT(form.FrameViewer->y(), form.Panel2->y());
  EXPECT_EQ(form.Print1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
  EXPECT_EQ(form.Exit1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_X));
  EXPECT_EQ(form.ArticleSearch1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
  EXPECT_EQ(form.SearchOtherInfo1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
}

TEST_F(MainFormTest, HelpAndCloseWork) {
  std::vector<std::string> pages;
  const auto previous = platform::SetHelpPageHandler([&](const std::string& page) { pages.push_back(page); });
  ScriptedUi ui;
  ProgramMainForm form(program_, {archive_}, config_);
  form.show();
  form.About1->trigger();
  EXPECT_EQ(pages, std::vector<std::string>{"help.htm"});
  form.BitBtn1->click();
  EXPECT_FALSE(form.isVisible());
  platform::SetHelpPageHandler(previous);
}

}  // namespace
}  // namespace vantorel::app
