#include "platform/pdf_reader.h"

#include <gtest/gtest.h>

#include "platform/cd_drive.h"
#include "platform/file_system.h"
#include "program_helpers.h"
#include "scripted_ui.h"
#include "temp_dir.h"

namespace vantorel::platform {
namespace {

using core::Answer;
using core::BoxKind;
using core::Buttons;
using testing::ScriptedUi;
using testing::TempDir;

const char kInstallOffer[] =
    "Unable to find Acrobat Reader. If you have the Reader installed, please check the Acrobat "
    "Reader entry in the Options dialog. Do you wish to install Adobe Acrobat Reader 5.0 now?";

// An archive folder with one article PDF, a reader script, and a CD-ROM drive at <tmp>/cdrom
// (mounted) that holds the reader's installer, a Windows program that goes to the desktop's
// application for DOS and Windows programs.
class PdfReaderTest : public ::testing::Test {
 protected:
  PdfReaderTest() {
    reader_ = WriteArgumentsScript(dir_, "bin/reader");
    pdf_ = PathText(dir_.Write("PDF/KV0101.PDF", "%PDF-1.4\n"));
    cdrom_ = PathText(dir_.path() / "cdrom");
    installer_ = WriteArgumentsScript(dir_, "cdrom/ACROBAT/RP500ENU.EXE");
    mounts_ = std::make_unique<MountTableFiles>(
        dir_.Write("mounts", "/dev/sr0 " + MountTableField(cdrom_) + " iso9660 ro 0 0\n"), dir_.path() / "fstab");
    previous_ = SetMountTable(mounts_.get());
    settings_.last_issue = 72;
    desktop_.content_type = "application/x-ms-dos-executable";
    desktop_.handled_types = {desktop_.content_type};
  }
  ~PdfReaderTest() override { SetMountTable(previous_); }

  std::string CdPrompt() const {
    return "Please insert the Ostravel CD-ROM in drive " + cdrom_ +
           " and\rclick Ok when the CD-ROM has loaded, or Cancel to abort";
  }

  ReaderSettings settings_;  // the settings the calls are given
  TempDir dir_;
  std::string reader_, pdf_, cdrom_, installer_;
  std::unique_ptr<MountTableFiles> mounts_;
  const MountTable* previous_ = nullptr;
  FixedAssociations desktop_;
};

TEST_F(PdfReaderTest, OpensThePdfInTheReader) {
  settings_.acrobat_path = reader_;
  ScriptedUi ui;
  OpenPdfInReader(settings_, pdf_, true);
  EXPECT_EQ(WaitForArguments(dir_), std::vector<std::string>{pdf_});
}

TEST_F(PdfReaderTest, ShowsTheCommandOnlyWhenBothSwitchesAreOn) {
  settings_.acrobat_path = reader_;
  settings_.show_commands = true;
  ScriptedUi ui;
  ui.Expect(BoxKind::Information,
            "Command to execute: \r" + reader_ + "\rParameters: " + pdf_);
  OpenPdfInReader(settings_, pdf_, true);
  EXPECT_EQ(WaitForArguments(dir_), std::vector<std::string>{pdf_});
  OpenPdfInReader(settings_, pdf_, false);
  EXPECT_EQ(WaitForArguments(dir_), std::vector<std::string>{pdf_});
}

TEST_F(PdfReaderTest, WithoutAReaderOffersTheInstallation) {
  ScriptedUi ui;
  ui.Expect(BoxKind::Warning, kInstallOffer, Buttons::YesNo, Answer::No);
  OpenPdfInReader(settings_, pdf_, true);
}

TEST_F(PdfReaderTest, InstallsTheReaderFromTheCdRom) {
  settings_.show_commands = true;
  const std::string installer_text = cdrom_ + "/Acrobat\\rp500enu.exe";
  ScriptedUi ui;
  ui.Expect(BoxKind::Warning, kInstallOffer, Buttons::YesNo, Answer::Yes)
      .Expect(BoxKind::Information, "Please insert the Ostravel CD-ROM into your CD-ROM drive")
      .Expect(BoxKind::Confirmation, CdPrompt(), Buttons::OkCancel, Answer::Ok)
      .Expect(BoxKind::Information, "Command to execute: \r" + installer_text);
  OpenPdfInReader(settings_, pdf_, true);
  EXPECT_EQ(desktop_.opened, std::vector<std::filesystem::path>{installer_});
}

TEST_F(PdfReaderTest, CancellingTheCdPromptStopsTheInstallation) {
  ScriptedUi ui;
  ui.Expect(BoxKind::Information, "Please insert the Ostravel CD-ROM into your CD-ROM drive")
      .Expect(BoxKind::Confirmation, CdPrompt(), Buttons::OkCancel, Answer::Cancel);
  InstallReaderFromCd(settings_, true);
}

TEST_F(PdfReaderTest, WithoutACdRomDriveTheInstallerIsNotFound) {
  const MountTableFiles none(dir_.Write("none", ""), dir_.path() / "fstab");
  SetMountTable(&none);
  ScriptedUi ui;
  ui.Expect(BoxKind::Information, "Please insert the Ostravel CD-ROM into your CD-ROM drive")
      .Expect(BoxKind::Error, "Unable to find file: Acrobat/rp500enu.exe");
  InstallReaderFromCd(settings_, true);
  SetMountTable(mounts_.get());
}

TEST_F(PdfReaderTest, CallersReportAMissingFile) {
  settings_.acrobat_path = reader_;
  const std::string missing = PathText(dir_.path()) + "/PDF/NONE.PDF";
  ScriptedUi ui;
  ui.Expect(BoxKind::Error, "Unable to find file: " + missing)
      .Expect(BoxKind::Error, "Unable to find file: " + missing);
  OpenPdfIfFound(settings_, missing, false);
  OpenArticlePdf(settings_, missing);
}

TEST_F(PdfReaderTest, ArticleLinksDoNothingWhileNoIssueIsInstalled) {
  settings_.acrobat_path = reader_;
  settings_.last_issue = 0;
  ScriptedUi ui;
  OpenArticlePdf(settings_, PathText(dir_.path()) + "/PDF/NONE.PDF");
  OpenArticlePdf(settings_, pdf_);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "arguments"));
}

TEST_F(PdfReaderTest, ArticleLinksOnTheCdRomAskForTheDiscFirst) {
  settings_.acrobat_path = reader_;
  const std::string on_cd = PathText(dir_.Write("cdrom/PDF/KV0202.PDF", "%PDF"));
  ScriptedUi ui;
  ui.Expect(BoxKind::Confirmation, CdPrompt(), Buttons::OkCancel, Answer::Cancel)
      .Expect(BoxKind::Confirmation, CdPrompt(), Buttons::OkCancel, Answer::Ok);
  OpenArticlePdf(settings_, on_cd);
  OpenArticlePdf(settings_, on_cd);
  EXPECT_EQ(WaitForArguments(dir_), std::vector<std::string>{on_cd});
}

TEST_F(PdfReaderTest, AReaderThatTakesAPageOpensThePdfThere) {
  const struct {
    const char* reader;
    std::vector<std::string> arguments;  // the PDF's path as {}
  } cases[] = {
      {"bin/evince", {"--page-index=3", "{}"}},
      {"bin/okular", {"--page", "3", "{}"}},
      {"bin/qpdfview", {"{}#3"}},
      {"bin/reader", {"{}"}},  // no page option known: the file alone
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reader);
    settings_.acrobat_path = WriteArgumentsScript(dir_, c.reader);
    ScriptedUi ui;
    OpenPdfInReader(settings_, pdf_, false, 3);
    std::vector<std::string> expected;
    for (std::string argument : c.arguments) {
      const std::size_t at = argument.find("{}");
      expected.push_back(at == std::string::npos ? argument : argument.replace(at, 2, pdf_));
    }
    EXPECT_EQ(WaitForArguments(dir_), expected);
  }
}

}  // namespace
}  // namespace vantorel::platform
