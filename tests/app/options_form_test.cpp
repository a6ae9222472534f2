#include "app/options_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "core/settings.h"
#include "fixed_associations.h"
#include "platform/cd_drive.h"
#include "platform/file_system.h"
#include "platform/help_page.h"
#include "platform/outside_programs.h"
#include "qt_application.h"
#include "scripted_ui.h"
#include "temp_dir.h"

namespace vantorel::app {
namespace {

using core::BoxKind;
using testing::ScriptedUi;
using testing::TestApplication;
using testing::TempDir;

// Settings of an archive folder with its sample files, and a CD-ROM drive at /media/cdrom.
class OptionsFormTest : public ::testing::Test {
 protected:
  OptionsFormTest()
      : mounts_(dir_.Write("mounts", "/dev/sda1 / ext4 rw 0 0\n/dev/sr0 /media/cdrom iso9660 ro 0 0\n"),
                dir_.path() / "fstab") {
    TestApplication();
    previous_mounts_ = platform::SetMountTable(&mounts_);
    dir_.Write("archive/DUMMY.ZIP", "PK");
    settings_ = {.ProgramDir = "/opt/vantorel/",
                 .DataDir = platform::PathText(dir_.path() / "archive") + "/",
                 .AcrobatPath = "/usr/bin/evince",
                 .BrowserPath = "",
                 .PdfDir = "/archive/PDF/",
                 .SourceDir = "/archive/DISKS/",
                 .CdPath = "/MEDIA/CDROM/",
                 .LastIssue = 72,
                 .ResultsThreshold = 30,
                 .UseExternalZip = false,
                 .ZipUtilPath = ""};
  }
  ~OptionsFormTest() override { platform::SetMountTable(previous_mounts_); }

  std::filesystem::path SettingsFile() const { return dir_.path() / "config" / "kvbrowse.ini"; }

  TempDir dir_;
  platform::MountTableFiles mounts_;
  const platform::MountTable* previous_mounts_ = nullptr;
  core::BrowserSettings settings_;  // the record the dialog edits
};

TEST_F(OptionsFormTest, LaysOutTheRowsWithTheirLabelsAndHints) {
  OptionsForm form(settings_, SettingsFile());
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Options"));
  EXPECT_EQ(form.size(), QSize(507, 327));
  form.show();
  std::vector<std::tuple<int, int, QString>> placed;  // top, left, text
  for (QLabel* label : form.findChildren<QLabel*>()) {
    const QPoint at = label->mapTo(&form, QPoint(0, 0));
    placed.emplace_back(at.y() / 10, at.x(), label->text());
  }
  std::sort(placed.begin(), placed.end());
  QStringList labels;
  for (const auto& [top, left, text] : placed) labels << text;
  EXPECT_EQ(labels, (QStringList{"Acrobat Reader", "Web browser", "Article PDF files",
                                 "Source code files", "CD-ROM drive", "Last issue installed",
                                 "Ask if more than", "results in an Article Search",
                                 "Use external zip utility", "Zip utility"}));
  EXPECT_LT(form.BitBtn3->x(), form.BitBtn2->x());
  EXPECT_LT(form.BitBtn2->x(), form.BitBtn1->x());
  EXPECT_EQ(form.AcrobatPathEdit->toolTip(),
            QStringLiteral("Location of Adobe Acrobat Reader\nif installed (needed to view articles)"));
  EXPECT_EQ(form.CDDrive->toolTip(),
            QStringLiteral("Select which is your CD-ROM drive\n(needed to install bonus files, optional\n"
                           "to view articles or companion disk contents\nif not installed to your hard disk)"));
  EXPECT_EQ(form.PDFPathBrowse->toolTip(), QStringLiteral("Click to browse for directory"));
  EXPECT_EQ(form.ZipUtilBrowse->toolTip(), QStringLiteral("Click to browse for file"));
  EXPECT_TRUE(form.ExternalZipCheck->text().isEmpty());
  EXPECT_EQ(form.BitBtn3->text(), QStringLiteral("&Help"));
  EXPECT_EQ(form.BitBtn2->text(), QStringLiteral("Cancel"));
  EXPECT_EQ(form.BitBtn1->text(), QStringLiteral("OK"));
}

TEST_F(OptionsFormTest, FillsTheControlsWhenShown) {
  OptionsForm form(settings_, SettingsFile());
  settings_.UseExternalZip = true;
  form.show();
  EXPECT_EQ(form.AcrobatPathEdit->text(), QStringLiteral("/usr/bin/evince"));
  EXPECT_EQ(form.PDFPathEdit->text(), QStringLiteral("/archive/PDF/"));
  EXPECT_EQ(form.CDDrive->currentText(), QStringLiteral("/media/cdrom/"));
  EXPECT_EQ(form.LastIssueEdit->text(), QStringLiteral("72"));
  EXPECT_EQ(form.ResultsDialogThresholdEdit->text(), QStringLiteral("30"));
  EXPECT_TRUE(form.ExternalZipCheck->isChecked());
}

TEST_F(OptionsFormTest, LastIssueBoxTakesOnlyDigitsAndBackspace) {
  OptionsForm form(settings_, SettingsFile());
  form.show();
  form.LastIssueEdit->clear();
  QTest::keyClicks(form.LastIssueEdit, "7a-3 x");
  EXPECT_EQ(form.LastIssueEdit->text(), QStringLiteral("73"));
  QTest::keyClick(form.LastIssueEdit, Qt::Key_Backspace);
  EXPECT_EQ(form.LastIssueEdit->text(), QStringLiteral("7"));
  QTest::keyClicks(form.ResultsDialogThresholdEdit, "x");  // no filter there
  EXPECT_EQ(form.ResultsDialogThresholdEdit->text(), QStringLiteral("30x"));
}

TEST_F(OptionsFormTest, EnteringTheZipBoxFillsItOnlyWithTheSwitchOn) {
  FixedAssociations associations;
  associations.programs = {{".ZIP", "/usr/bin/xarchiver"}};
  OptionsForm form(settings_, SettingsFile());
  form.show();
  QFocusEvent focus_in(QEvent::FocusIn);
  QApplication::sendEvent(form.ZipUtilEdit, &focus_in);
  EXPECT_EQ(form.ZipUtilEdit->text(), QString());
  form.ExternalZipCheck->setChecked(true);
  QApplication::sendEvent(form.ZipUtilEdit, &focus_in);
  EXPECT_EQ(form.ZipUtilEdit->text(), QStringLiteral("/usr/bin/xarchiver"));
  form.ZipUtilEdit->setText("/opt/zip");
  QApplication::sendEvent(form.ZipUtilEdit, &focus_in);
  EXPECT_EQ(form.ZipUtilEdit->text(), QStringLiteral("/opt/zip"));
}

TEST_F(OptionsFormTest, OkTakesOverEveryFieldAndWritesTheNineKeys) {
  ScriptedUi ui;
  OptionsForm form(settings_, SettingsFile());
  form.show();
  form.PDFPathEdit->setText("E:\\PDF");
  form.SourcePathEdit->setText("/srv/disks/");
  form.CDDrive->setEditText("/media/dvd");
  form.LastIssueEdit->setText("80");
  form.ExternalZipCheck->setChecked(true);
  form.ZipUtilEdit->setText("/usr/bin/unzip");
  form.BitBtn1->click();
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(settings_.PdfDir, "E:\\PDF\\");
  EXPECT_EQ(settings_.SourceDir, "/srv/disks/");
  EXPECT_EQ(settings_.CdPath, "/media/dvd\\");
  EXPECT_EQ(settings_.LastIssue, 80);
  EXPECT_EQ(TempDir::Read(SettingsFile()),
            "[KVXBrowse]\r\nAcrobat=/usr/bin/evince\r\nBrowser=\r\nPdfFiles=E:\\PDF\\\r\n"
            "SourceFiles=/srv/disks/\r\nCDPath=/media/dvd\\\r\nLastIssue=80\r\nResults=30\r\n"
            "UseExternalZip=1\r\nZipUtil=/usr/bin/unzip\r\n");
}

// A number box without a whole number is told; the dialog stays open on that box and takes
// nothing over until the number is mended.
TEST_F(OptionsFormTest, AnInvalidNumberIsToldAndTheDialogStaysOpenOnItsBox) {
  struct Case {
    const char* last_issue;
    const char* results;
    const char* message;
    bool last_issue_wrong;  // else the results box is
  };
  const Case cases[] = {
      {"", "30", "'' is not a valid integer value", true},
      {"81", "abc", "'abc' is not a valid integer value", false},
  };
  for (const Case& c : cases) {
    settings_.AcrobatPath = "/usr/bin/evince";
    settings_.UseExternalZip = false;
    settings_.LastIssue = 72;
    settings_.ResultsThreshold = 30;
    ScriptedUi ui;
    ui.Expect(BoxKind::Error, c.message);
    OptionsForm form(settings_, SettingsFile());
    form.show();
    form.AcrobatPathEdit->setText("/usr/bin/okular");
    form.LastIssueEdit->setText(c.last_issue);
    form.ResultsDialogThresholdEdit->setText(c.results);
    form.ExternalZipCheck->setChecked(true);
    form.BitBtn1->click();
    EXPECT_TRUE(ui.Done());
    EXPECT_TRUE(form.isVisible());
    QLineEdit* wrong = c.last_issue_wrong ? form.LastIssueEdit : form.ResultsDialogThresholdEdit;
    EXPECT_EQ(form.focusWidget(), wrong);
    EXPECT_EQ(wrong->selectedText(), wrong->text());
    EXPECT_EQ(settings_.AcrobatPath, "/usr/bin/evince");
    EXPECT_EQ(settings_.LastIssue, 72);
    EXPECT_FALSE(settings_.UseExternalZip);
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));

    wrong->setText("64");
    form.BitBtn1->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(settings_.AcrobatPath, "/usr/bin/okular");
    EXPECT_TRUE(settings_.UseExternalZip);
    EXPECT_TRUE(std::filesystem::exists(SettingsFile()));
    std::filesystem::remove(SettingsFile());
  }
}

TEST_F(OptionsFormTest, AnUnwritableSettingsFileIsReportedAndTheFieldsStayChanged) {
  dir_.Write("plain", "");
  const auto file = dir_.path() / "plain" / "kvbrowse.ini";
  ScriptedUi ui;
  ui.Expect(BoxKind::Error, "Unable to write to " + file.string());
  OptionsForm form(settings_, file);
  form.show();
  form.LastIssueEdit->setText("90");
  form.BitBtn1->click();
  EXPECT_EQ(settings_.LastIssue, 90);
}

TEST_F(OptionsFormTest, CancelTakesNothingOverAndTheNextShowingRefills) {
  OptionsForm form(settings_, SettingsFile());
  form.show();
  form.AcrobatPathEdit->setText("/changed");
  form.BitBtn2->click();
  EXPECT_EQ(form.result(), QDialog::Rejected);
  EXPECT_EQ(settings_.AcrobatPath, "/usr/bin/evince");
  form.show();
  EXPECT_EQ(form.AcrobatPathEdit->text(), QStringLiteral("/usr/bin/evince"));
  EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
}

TEST_F(OptionsFormTest, HelpShowsTheOptionsPage) {
  std::vector<std::string> pages;
  const auto previous = platform::SetHelpPageHandler([&](const std::string& page) { pages.push_back(page); });
  OptionsForm form(settings_, SettingsFile());
  form.show();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  form.BitBtn3->click();
  QTest::keyClick(&form, Qt::Key_F1);
  EXPECT_EQ(pages, (std::vector<std::string>{"help.htm#Options", "help.htm#Options"}));
  platform::SetHelpPageHandler(previous);
}

TEST_F(OptionsFormTest, BrowsingForAProgramAsksForAFile) {
  ScriptedUi ui;
  ui.AnswerFileRequest("/usr/bin/qpdfview").AnswerFileRequest(std::nullopt);
  OptionsForm form(settings_, SettingsFile());
  form.show();
  form.AcrobatPathBrowse->click();
  EXPECT_EQ(form.AcrobatPathEdit->text(), QStringLiteral("/usr/bin/qpdfview"));
  form.ZipUtilBrowse->click();
  ASSERT_EQ(ui.file_requests.size(), 2u);
  EXPECT_EQ(ui.file_requests[0].title, "Select Acrobat Reader");
  EXPECT_EQ(ui.file_requests[0].initial_dir, "/usr/bin");
  EXPECT_EQ(ui.file_requests[1].title, "Select Zip utility");
  EXPECT_EQ(ui.file_requests[1].filter, "Program files|*.exe|All files|*");
  EXPECT_EQ(form.ZipUtilEdit->text(), QString());
}

TEST_F(OptionsFormTest, BrowsingForAFolderAsksForAFolderStartingAtTheBox) {
  ScriptedUi ui;
  ui.AnswerFolderRequest("/data/articles")
      .AnswerFolderRequest("/data/disks/")
      .AnswerFolderRequest(std::nullopt);
  OptionsForm form(settings_, SettingsFile());
  form.show();
  form.PDFPathBrowse->click();
  form.SourcePathBrowse->click();
  form.SourcePathBrowse->click();
  EXPECT_EQ(form.PDFPathEdit->text(), QStringLiteral("/data/articles/"));
  EXPECT_EQ(form.SourcePathEdit->text(), QStringLiteral("/data/disks/"));
  ASSERT_EQ(ui.folder_requests.size(), 3u);
  EXPECT_EQ(ui.folder_requests[0].title, "Location of article PDF files");
  EXPECT_EQ(ui.folder_requests[0].initial_dir, "/archive/PDF/");
  EXPECT_EQ(ui.folder_requests[1].title, "Location of companion disk files");
  EXPECT_EQ(ui.folder_requests[1].initial_dir, "/archive/DISKS/");
  EXPECT_EQ(ui.folder_requests[2].initial_dir, "/data/disks/");
  EXPECT_TRUE(ui.file_requests.empty());
}

}  // namespace
}  // namespace vantorel::app
