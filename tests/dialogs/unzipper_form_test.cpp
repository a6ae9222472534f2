// The extraction dialog over archives on disk: what it lists, the texts it shows, what Unzip
// writes and reports, and how it behaves while an extraction runs.

#include "dialogs/unzipper_form.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/settings.h"
#include "dialogs/extract_dialog.h"
#include "legacy_helpers.h"
#include "platform/long_path.h"
#include "qt_application.h"
#include "scoped_environment.h"
#include "scripted_ui.h"
#include "temp_dir.h"
#include "unprivileged.h"
#include "zip_builder_helpers.h"

namespace vantorel::dialogs {

using platform::ToLongPath;
namespace {

namespace fs = std::filesystem;
using archive::testzip::ZipBuilder;
using core::Answer;
using core::BoxKind;
using core::Buttons;
using testing::RunAgainUnprivileged;
using testing::ScopedEnvironment;
using testing::ScriptedUi;
using testing::TempDir;
using testing::TestApplication;

constexpr char kNothingToUnzip[] = "Nothing to unzip: no Zipfile selected";

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

std::string Summary(int count, const std::string& dest) {
  return std::to_string(count) + " files unzipped to\r" + dest;
}

// Each row of the grid as "file name|path".
std::vector<std::string> Rows(const UnzipperForm& form) {
  std::vector<std::string> rows;
  for (int row = 0; row < form.StringGrid1->rowCount(); ++row) {
    std::string cells;
    for (int column = 0; column < 2; ++column) {
      const QTableWidgetItem* item = form.StringGrid1->item(row, column);
      if (column > 0) cells += '|';
      if (item != nullptr) cells += item->text().toStdString();
    }
    rows.push_back(cells);
  }
  return rows;
}

std::string Heading(const UnzipperForm& form, int column) {
  const QTableWidgetItem* item = form.StringGrid1->horizontalHeaderItem(column);
  return item == nullptr ? std::string("(none)") : item->text().toStdString();
}

// The widgets Tab visits, from the first one on.
std::vector<QWidget*> TabOrder(QWidget& window) {
  std::vector<QWidget*> order;
  QWidget* widget = &window;
  while ((widget = widget->nextInFocusChain()) != &window)
    if ((widget->focusPolicy() & Qt::TabFocus) != 0 && widget->isVisibleTo(&window))
      order.push_back(widget);
  return order;
}

class UnzipperFormTest : public ::testing::Test {
 protected:
  UnzipperFormTest() {
    TestApplication();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  }

  // The dialog as OpenExtractDialog creates it for archive.
  std::unique_ptr<UnzipperForm> Open(const std::string& archive) {
    return std::make_unique<UnzipperForm>(archive);
  }
  std::string Write(const std::string& relative, const std::string& bytes) const {
    return dir_.Write(relative, bytes).string();
  }
  std::string Read(const std::string& path) const { return TempDir::Read(path); }

  TempDir dir_;
  ScriptedUi ui_;
  const std::string out_ = dir_ / "out";
};

TEST_F(UnzipperFormTest, WithoutAnArchiveTheFormIsEmptyAndUnzipSaysSo) {
  auto form = Open("");
  EXPECT_EQ(form->windowTitle(), "Extract files from Zipfile");
  EXPECT_EQ(form->size(), QSize(640, 423));
  EXPECT_EQ(Rows(*form), std::vector<std::string>(9, "|"));
  EXPECT_EQ(Heading(*form, 0), "Filename");
  EXPECT_EQ(Heading(*form, 1), "Path");
  EXPECT_EQ(form->StringGrid1->columnWidth(0), 150);
  EXPECT_TRUE(form->StringGrid1->horizontalHeader()->stretchLastSection());
  EXPECT_TRUE(form->StringGrid1->horizontalHeader()->sectionsMovable());
  EXPECT_EQ(form->StringGrid1->verticalHeader()->defaultSectionSize(), 18);
  EXPECT_EQ(form->StringGrid1->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(form->StringGrid1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(form->ZipfileLabel->text(), "");
  EXPECT_EQ(form->TotalFilesLabel->text(), "Total files:");
  EXPECT_EQ(form->TotalSizeLabel->text(), "Total size:");
  EXPECT_EQ(form->DestinationEdit->text(), "");
  EXPECT_EQ(form->Label1->text(), "Destination");
  EXPECT_EQ(form->SelectZipBtn->text(), "Open");
  EXPECT_EQ(form->UnZipBtn->text(), "Unzip");
  EXPECT_EQ(form->OkBtn->text(), "E&xit");
  EXPECT_EQ(form->ProgressBar1->minimum(), 0);
  EXPECT_EQ(form->ProgressBar1->maximum(), 100);
  EXPECT_EQ(form->ProgressBar1->value(), 0);

  const std::pair<QWidget*, const char*> hints[] = {
      {form->SelectZipBtn, "Click to select and open a Zipfile"},
      {form->DestinationEdit, "Directory to extract files into"},
      {form->SpeedButton1, "Click to select directory\nto extract files into"},
      {form->UnZipBtn, "Click to extract the files\nfrom the current Zipfile"},
      {form->StringGrid1, "Files contained in the current Zipfile"},
      {form->OkBtn, "Close this dialog"},
  };
  for (const auto& [widget, hint] : hints) EXPECT_EQ(widget->toolTip(), hint);

  form->show();
  EXPECT_EQ(form->focusWidget(), form->SelectZipBtn);
  EXPECT_EQ(TabOrder(*form), (std::vector<QWidget*>{form->SelectZipBtn, form->DestinationEdit,
                                                     form->SpeedButton1, form->UnZipBtn,
                                                     form->StringGrid1, form->OkBtn}));

  ui_.Expect(BoxKind::Error, kNothingToUnzip);
  form->UnZipBtn->click();
  EXPECT_TRUE(ui_.Done());
}

TEST_F(UnzipperFormTest, AnArchiveNamedInAnotherLetterCaseIsListedWithItsLongFolder) {
  ZipBuilder zip;
  zip.Stored("readme.txt", "hello");
  zip.Deflated("src/unit/a.pas", std::string(5000, 'a'));
  zip.Stored("src/b.txt", std::string(1500, 'b'));
  Write("My Zips/x.zip", zip.Build());
  const std::string typed = dir_ / "MY ZIPS/X.ZIP";

  auto form = Open(typed);
  EXPECT_EQ(Rows(*form),
            (std::vector<std::string>{"readme.txt|", "a.pas|src/unit/", "b.txt|src/"}));
  EXPECT_EQ(Heading(*form, 0), "Filename");
  // The label shows the archive as the disk spells it.
  EXPECT_EQ(form->ZipfileLabel->text().toStdString(), dir_ / "My Zips/x.zip");
  EXPECT_EQ(form->TotalFilesLabel->text(), "Archive contains 3 files");
  EXPECT_EQ(form->TotalSizeLabel->text(), "Total: 1 Kb (compressed); 6 Kb (uncompressed)");
  EXPECT_EQ(form->DestinationEdit->text().toStdString(),
            fs::canonical(dir_.path() / "My Zips").string() + "/");
}

TEST_F(UnzipperFormTest, ToLongPathGivesTheCanonicalPathOrThePathUnchanged) {
  Write("Long Name/File.Txt", "x");
  EXPECT_EQ(ToLongPath(dir_ / "LONG NAME/FILE.TXT"),
            fs::canonical(dir_.path() / "Long Name/File.Txt").string());
  EXPECT_EQ(ToLongPath(dir_ / "LONG NAME/"), fs::canonical(dir_.path() / "Long Name").string());
  EXPECT_EQ(ToLongPath(dir_ / "NOWHERE\\X.ZIP"), dir_ / "NOWHERE\\X.ZIP");
}

// Sizes as the directory states them; the data is never read for the listing.
TEST_F(UnzipperFormTest, TotalsAreKbWithTheLocalesThousandsSeparator) {
  const struct {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sizes;  // compressed, uncompressed
    QLocale locale;
    const char* label;
  } cases[] = {
      {{{1000, 1023}}, QLocale(QLocale::English, QLocale::UnitedStates),
       "Total: 0 Kb (compressed); 0 Kb (uncompressed)"},
      {{{600, 600}, {500, 500}}, QLocale(QLocale::English, QLocale::UnitedStates),
       "Total: 1 Kb (compressed); 1 Kb (uncompressed)"},
      {{{1234 * 1024, 5000 * 1024}, {1023, 678 * 1024}},
       QLocale(QLocale::English, QLocale::UnitedStates),
       "Total: 1,234 Kb (compressed); 5,678 Kb (uncompressed)"},
      {{{1234 * 1024, 5678 * 1024}}, QLocale(QLocale::German, QLocale::Germany),
       "Total: 1.234 Kb (compressed); 5.678 Kb (uncompressed)"},
      // Sums beyond 2 GiB stay positive.
      {{{1024, 0x80000000u}, {1024, 0x80000000u}}, QLocale(QLocale::English, QLocale::UnitedStates),
       "Total: 2 Kb (compressed); 4,194,304 Kb (uncompressed)"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    QLocale::setDefault(c.locale);
    ZipBuilder zip;
    for (const auto& [compressed, uncompressed] : c.sizes) {
      auto& entry = zip.Raw("F" + std::to_string(zip.entries.size()) + ".TXT");
      entry.compressed_size = compressed;
      entry.uncompressed_size = uncompressed;
    }
    auto form = Open(Write("S" + std::to_string(++n) + ".ZIP", zip.Build()));
    EXPECT_EQ(form->TotalFilesLabel->text().toStdString(),
              "Archive contains " + std::to_string(c.sizes.size()) + " files");
    EXPECT_EQ(form->TotalSizeLabel->text().toStdString(), c.label);
  }
}

TEST_F(UnzipperFormTest, AFileWithoutAnEndRecordListsNothingAndUnzipReportsIt) {
  const std::string name = Write("NOTZIP.ZIP", "This is plain text, not an archive at all.");
  auto form = Open(name);
  EXPECT_EQ(Rows(*form), std::vector<std::string>{});
  EXPECT_EQ(form->ZipfileLabel->text().toStdString(), name);
  EXPECT_EQ(form->TotalFilesLabel->text(), "Archive contains 0 files");
  EXPECT_EQ(form->TotalSizeLabel->text(), "Total: 0 Kb (compressed); 0 Kb (uncompressed)");
  EXPECT_EQ(form->DestinationEdit->text().toStdString(),
            fs::canonical(dir_.path()).string() + "/");

  ui_.Expect(BoxKind::Error, "Incomplete Zip File");
  form->UnZipBtnClick();
  EXPECT_TRUE(ui_.Done());
  EXPECT_EQ(ui_.busy_depth, 0);
  EXPECT_TRUE(form->UnZipBtn->isEnabled());
  EXPECT_TRUE(form->SelectZipBtn->isEnabled());
}

TEST_F(UnzipperFormTest, AnArchiveThatCannotBeOpenedAtCreationLeavesTheGridWithoutHeadings) {
  const std::string missing = dir_ / "MISSING.ZIP";
  ui_.Expect(BoxKind::Error, "Cannot open file " + missing);
  auto form = Open(missing);
  EXPECT_TRUE(ui_.Done());
  EXPECT_EQ(Heading(*form, 0), "");
  EXPECT_EQ(Heading(*form, 1), "");
  EXPECT_FALSE(form->StringGrid1->horizontalHeader()->stretchLastSection());
  EXPECT_EQ(Rows(*form).size(), 9u);
  EXPECT_EQ(form->TotalFilesLabel->text(), "Total files:");

  ui_.Expect(BoxKind::Error, kNothingToUnzip);
  form->UnZipBtnClick();
}

TEST_F(UnzipperFormTest, OpenShowsThePickedArchiveAndAFailedOpenLeavesNoArchiveToUnzip) {
  ZipBuilder first;
  first.Stored("one.txt", "1");
  const std::string first_name = Write("FIRST.ZIP", first.Build());
  ZipBuilder second;
  second.Stored("two.txt", "2");
  std::string damaged = second.Build();
  damaged.replace(damaged.find("PK\x01\x02"), 2, "XX");
  const std::string damaged_name = Write("DAMAGED.ZIP", damaged);

  auto form = Open("");
  ui_.AnswerFileRequest(std::nullopt);
  form->SelectZipBtn->click();
  ASSERT_EQ(ui_.file_requests.size(), 1u);
  EXPECT_EQ(ui_.file_requests[0], (core::FileRequest{"Open", "Zip files (*.zip)|*.ZIP", ""}));
  EXPECT_EQ(form->ZipfileLabel->text(), "");
  EXPECT_EQ(Rows(*form).size(), 9u);

  ui_.AnswerFileRequest(first_name);
  form->SelectZipBtn->click();
  EXPECT_EQ(form->ArchiveName(), first_name);
  EXPECT_EQ(Rows(*form), std::vector<std::string>{"one.txt|"});
  EXPECT_EQ(form->TotalFilesLabel->text(), "Archive contains 1 files");

  ui_.AnswerFileRequest(damaged_name);
  ui_.Expect(BoxKind::Error, "Not a valid zip file!");
  form->SelectZipBtn->click();
  EXPECT_EQ(Rows(*form), std::vector<std::string>{"one.txt|"});
  EXPECT_EQ(form->ZipfileLabel->text().toStdString(), first_name);
  EXPECT_EQ(form->KvUnZip1.ZipName(), "");

  ui_.Expect(BoxKind::Error, kNothingToUnzip);
  form->UnZipBtnClick();
  EXPECT_TRUE(ui_.Done());
}

TEST_F(UnzipperFormTest, TheFolderButtonStartsAtTheDestinationAndKeepsItWhenCancelled) {
  auto form = Open("");
  form->DestinationEdit->setText("/srv/unpacked/");
  ui_.AnswerFolderRequest(std::nullopt);
  form->SpeedButton1->click();
  EXPECT_EQ(form->DestinationEdit->text(), "/srv/unpacked/");
  ui_.AnswerFolderRequest("/home/reader/sources");
  form->SpeedButton1->click();
  EXPECT_EQ(form->DestinationEdit->text(), "/home/reader/sources");
  EXPECT_EQ(ui_.folder_requests,
            (std::vector<core::FolderRequest>{{"Select Folder", "/srv/unpacked/"},
                                              {"Select Folder", "/srv/unpacked/"}}));
}

TEST_F(UnzipperFormTest, UnzipWritesEveryEntryAndCountsFilesOnly) {
  ZipBuilder zip;
  zip.Directory("docs/");
  zip.Stored("docs/a.txt", "alpha");
  zip.Deflated("b.bin", Pattern(50000));
  auto form = Open(Write("T.ZIP", zip.Build()));
  EXPECT_EQ(Rows(*form), (std::vector<std::string>{"|docs/", "a.txt|docs/", "b.bin|"}));
  EXPECT_EQ(form->TotalFilesLabel->text(), "Archive contains 3 files");

  std::vector<int> positions;
  QObject::connect(form->ProgressBar1, &QProgressBar::valueChanged,
                   [&](int value) { positions.push_back(value); });
  form->DestinationEdit->setText(QString::fromStdString(out_));
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  form->UnZipBtn->setFocus();
  ui_.Expect(BoxKind::Information, Summary(2, out_));
  form->UnZipBtn->click();
  EXPECT_TRUE(ui_.Done());
  // Disabled during the run, the button gets the focus back afterwards.
  EXPECT_EQ(QApplication::focusWidget(), form->UnZipBtn);
  EXPECT_TRUE(fs::is_directory(out_ + "/docs"));
  EXPECT_EQ(Read(out_ + "/docs/a.txt"), "alpha");
  EXPECT_EQ(Read(out_ + "/b.bin"), Pattern(50000));
  ASSERT_GE(positions.size(), 2u);
  EXPECT_EQ(positions[positions.size() - 2], 100);
  EXPECT_EQ(positions.back(), 0);
  EXPECT_EQ(ui_.busy_depth, 0);
  EXPECT_EQ(Rows(*form).size(), 3u);
}

TEST_F(UnzipperFormTest, ExistingFilesAreAskedForAndThoseAnsweredNoAreNotCounted) {
  ZipBuilder zip;
  zip.Stored("a.txt", "new a");
  zip.Stored("b.txt", "new b");
  zip.Stored("c.txt", "new c");
  auto form = Open(Write("T.ZIP", zip.Build()));
  Write("out/b.txt", "old b");
  Write("out/c.txt", "old c");
  form->DestinationEdit->setText(QString::fromStdString(out_));
  ui_.Expect(BoxKind::Confirmation, "Replace existing file b.txt?", Buttons::YesNo, Answer::Yes,
             "File Exists Alert")
      .Expect(BoxKind::Confirmation, "Replace existing file c.txt?", Buttons::YesNo, Answer::No,
              "File Exists Alert")
      .Expect(BoxKind::Information, Summary(2, out_));
  form->UnZipBtnClick();
  EXPECT_TRUE(ui_.Done());
  EXPECT_EQ(Read(out_ + "/a.txt"), "new a");
  EXPECT_EQ(Read(out_ + "/b.txt"), "new b");
  EXPECT_EQ(Read(out_ + "/c.txt"), "old c");
}

TEST_F(UnzipperFormTest, TheSummaryNamesTheDestinationAsTheReaderStoresIt) {
  ZipBuilder two_files;
  two_files.Stored("a.txt", "a");
  two_files.Stored("sub/b.txt", "b");
  const std::string blocker = Write("blocker", "a file where a folder would go");
  const struct {
    const char* name;
    std::string archive;   // the archive's bytes
    std::string typed;     // the destination box's text
    std::string reported;  // the destination in the summary
    int count;
  } cases[] = {
      {"trailing backslash", two_files.Build(), out_ + "\\", out_, 2},
      {"trailing slash", two_files.Build(), out_ + "/", out_, 2},
      // The root, typed with its separator, is reported without it. An archive of 0 bytes has
      // no entries, so nothing is written there.
      {"root", "", "/", "", 0},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(out_);
    auto form = Open(Write("T" + std::to_string(++n) + ".ZIP", c.archive));
    form->DestinationEdit->setText(QString::fromStdString(c.typed));
    ui_.Expect(BoxKind::Information, Summary(c.count, c.reported));
    form->UnZipBtnClick();
    EXPECT_TRUE(ui_.Done());
    EXPECT_EQ(fs::exists(out_ + "/sub/b.txt"), c.count == 2);
  }
}

// An archive that cannot be written beside (a disc, a read-only share) proposes a folder named
// after it in the home folder, which Unzip makes; with no writable home it proposes its own
// folder still, and Unzip says that it cannot write there before anything is written.
TEST_F(UnzipperFormTest, AReadOnlyArchiveProposesAFolderInTheHome) {
  if (RunAgainUnprivileged()) return;
  ZipBuilder zip;
  zip.Stored("a.txt", "a");
  zip.Stored("sub/b.txt", "b");
  const std::string archive = Write("Диск disc/Архив T.ZIP", zip.Build());
  const fs::path disc = fs::canonical(dir_.path() / "Диск disc");
  fs::create_directories(dir_.path() / "home Дом");
  const std::string home = fs::canonical(dir_.path() / "home Дом").string();
  fs::permissions(disc, fs::perms::owner_write, fs::perm_options::remove);
  {
    const ScopedEnvironment home_variable("HOME", home);
    auto form = Open(archive);
    EXPECT_EQ(form->DestinationEdit->text().toStdString(), home + "/Архив T/");
    ui_.Expect(BoxKind::Information, Summary(2, home + "/Архив T"));
    form->UnZipBtnClick();
    EXPECT_TRUE(ui_.Done());
    EXPECT_EQ(Read(home + "/Архив T/sub/b.txt"), "b");
  }
  fs::permissions(home, fs::perms::owner_write, fs::perm_options::remove);
  const ScopedEnvironment home_variable("HOME", home);
  auto form = Open(archive);
  EXPECT_EQ(form->DestinationEdit->text().toStdString(), disc.string() + "/");
  ui_.Expect(BoxKind::Error, "Cannot write to " + disc.string() + ": Permission denied");
  form->UnZipBtnClick();
  EXPECT_TRUE(ui_.Done());
  EXPECT_FALSE(fs::exists(disc / "a.txt"));
  fs::permissions(disc, fs::perms::owner_write, fs::perm_options::add);
  fs::permissions(home, fs::perms::owner_write, fs::perm_options::add);
}

// A destination that cannot be written is told once, in the error box, before any question
// about an existing file; nothing is written.
TEST_F(UnzipperFormTest, AnUnwritableDestinationIsToldOnceBeforeAnyQuestion) {
  ZipBuilder zip;
  zip.Stored("a.txt", "a");
  zip.Stored("sub/b.txt", "b");
  const std::string blocker = Write("blocker", "a file where a folder would go");
  auto form = Open(Write("T.ZIP", zip.Build()));
  form->DestinationEdit->setText(QString::fromStdString(blocker + "/out"));
  ui_.Expect(BoxKind::Error, "Cannot write to " + blocker + "/out: Not a directory");
  form->UnZipBtnClick();
  EXPECT_TRUE(ui_.Done());
  EXPECT_EQ(Read(blocker), "a file where a folder would go");
  EXPECT_EQ(form->ProgressBar1->value(), 0);
}

// The summary of a run that could not write every entry names them with the reason, up to ten,
// in a warning box; files kept by answering No are not among them.
TEST_F(UnzipperFormTest, TheSummaryNamesTheEntriesNotUnzipped) {
  ZipBuilder zip;
  zip.Stored("kept.txt", "new");
  zip.Stored("secret.txt", std::string(12, 'h') + "cipher").flags = 1;
  zip.Stored("src/ppmd.bin", "data").method = 98;
  zip.Stored("bad.txt", "content").crc ^= 1;
  zip.Stored("good.txt", "good");
  for (int i = 0; i < 10; ++i) zip.Stored("more/m" + std::to_string(i), "m").crc ^= 1;
  auto form = Open(Write("T.ZIP", zip.Build()));
  Write("out/kept.txt", "old");
  form->DestinationEdit->setText(QString::fromStdString(out_));
  ui_.AnswerPasswordRequest(std::nullopt);
  ui_.Expect(BoxKind::Confirmation, "Replace existing file kept.txt?", Buttons::YesNo, Answer::No,
             "File Exists Alert")
      .Expect(BoxKind::Error, "Unknown Compression Method 98 (PPMd) in src\\ppmd.bin",
              Buttons::Ok, Answer::Ok, "Zip Error")
      .Expect(BoxKind::Warning,
              Summary(1, out_) +
                  "\r\rNot unzipped:"
                  "\rsecret.txt (encrypted, no password given)"
                  "\rsrc/ppmd.bin (unknown compression method 98)"
                  "\rbad.txt (damaged data)"
                  "\rmore/m0 (damaged data)\rmore/m1 (damaged data)\rmore/m2 (damaged data)"
                  "\rmore/m3 (damaged data)\rmore/m4 (damaged data)\rmore/m5 (damaged data)"
                  "\rmore/m6 (damaged data)"
                  "\rand 3 more");
  form->UnZipBtnClick();
  EXPECT_TRUE(ui_.Done());
  EXPECT_EQ(Read(out_ + "/kept.txt"), "old");
  EXPECT_FALSE(fs::exists(out_ + "/bad.txt"));
}

TEST_F(UnzipperFormTest, ThePasswordIsAskedOncePerArchiveAndTriedOnEveryEncryptedEntry) {
  ZipBuilder zip;
  zip.Encrypted("a.txt", "secret a", "open sesame");
  zip.Stored("plain.txt", "plain");
  zip.Encrypted("sub/b.txt", "secret b", "open sesame");
  const std::string archive = Write("T.ZIP", zip.Build());
  auto form = Open(archive);
  ui_.AnswerPasswordRequest("open sesame").Expect(BoxKind::Information, Summary(3, out_));
  form->DestinationEdit->setText(QString::fromStdString(out_));
  form->UnZipBtnClick();
  EXPECT_EQ(Read(out_ + "/a.txt"), "secret a");
  EXPECT_EQ(Read(out_ + "/sub/b.txt"), "secret b");
  ASSERT_EQ(ui_.password_requests.size(), 1u);
  EXPECT_EQ(ui_.password_requests[0], (core::PasswordRequest{archive, "a.txt"}));

  // A second Unzip of the same archive uses the password given.
  ui_.Expect(BoxKind::Information, Summary(3, out_ + "2"));
  form->DestinationEdit->setText(QString::fromStdString(out_ + "2"));
  form->UnZipBtnClick();
  EXPECT_EQ(ui_.password_requests.size(), 1u);

  // Another archive asks again; a wrong password writes none of its encrypted files.
  ZipBuilder other;
  other.Encrypted("c.txt", "secret c", "another");
  form->OpenZip(Write("U.ZIP", other.Build()));
  ui_.AnswerPasswordRequest("open sesame")
      .Expect(BoxKind::Warning,
              Summary(0, out_ + "3") + "\r\rNot unzipped:\rc.txt (wrong password)");
  form->DestinationEdit->setText(QString::fromStdString(out_ + "3"));
  form->UnZipBtnClick();
  EXPECT_EQ(ui_.password_requests.size(), 2u);
  EXPECT_FALSE(fs::exists(out_ + "3/c.txt"));
  EXPECT_TRUE(ui_.Done());
}

TEST_F(UnzipperFormTest, AnEmptyDestinationIsRefused) {
  ZipBuilder zip;
  zip.Stored("a.txt", "a");
  auto form = Open(Write("T.ZIP", zip.Build()));
  form->DestinationEdit->clear();
  ui_.Expect(BoxKind::Error, "No destination directory provided");
  form->UnZipBtnClick();
  EXPECT_TRUE(ui_.Done());
  EXPECT_FALSE(fs::exists(out_));
}

// The data of the only entry ends 60,000 bytes early: two blocks are written, the third read
// comes back short.
TEST_F(UnzipperFormTest, AFailedExtractionShowsTheErrorAndKeepsTheProgressBar) {
  ZipBuilder zip;
  auto& entry = zip.Raw("big.bin");
  entry.data = Pattern(40000);
  entry.compressed_size = entry.uncompressed_size = 100000;
  auto form = Open(Write("T.ZIP", zip.Build()));
  form->DestinationEdit->setText(QString::fromStdString(out_));
  ui_.Expect(BoxKind::Error, "Premature end of file reached");
  form->UnZipBtnClick();
  EXPECT_TRUE(ui_.Done());
  EXPECT_EQ(form->ProgressBar1->value(), 32);
  EXPECT_EQ(ui_.busy_depth, 0);
  EXPECT_FALSE(form->Extracting());
  EXPECT_TRUE(form->UnZipBtn->isEnabled());
  EXPECT_TRUE(form->SelectZipBtn->isEnabled());
}

// While the run processes events: Open and Unzip are disabled and ignored, and Exit is carried
// out only after the summary.
TEST_F(UnzipperFormTest, ARunIgnoresOpenAndUnzipAndClosesAfterItsSummary) {
  ZipBuilder zip;
  zip.Stored("one.bin", Pattern(40000));
  zip.Deflated("two.bin", Pattern(60000));
  const std::string archive = Write("T.ZIP", zip.Build());
  struct {
    bool extracting = false;
    bool open_enabled = true;
    bool unzip_enabled = true;
    bool visible_after_exit = false;
    std::string archive;  // the dialog's archive
  } seen;
  ui_.Expect(BoxKind::Information, Summary(2, out_));
  QMetaObject::invokeMethod(
      qApp,
      [&] {
        auto* form = qobject_cast<UnzipperForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        seen.archive = form->ArchiveName();
        form->DestinationEdit->setText(QString::fromStdString(out_));
        QMetaObject::invokeMethod(
            qApp,
            [&, form] {
              seen.extracting = form->Extracting();
              seen.open_enabled = form->SelectZipBtn->isEnabled();
              seen.unzip_enabled = form->UnZipBtn->isEnabled();
              form->UnZipBtn->click();
              form->UnZipBtnClick();
              form->SelectZipBtnClick();
              form->OkBtn->click();
              seen.visible_after_exit = form->isVisible();
            },
            Qt::QueuedConnection);
        form->UnZipBtn->click();
      },
      Qt::QueuedConnection);

  OpenExtractDialog(archive);
  EXPECT_EQ(seen.archive, archive);
  EXPECT_TRUE(seen.extracting);
  EXPECT_FALSE(seen.open_enabled);
  EXPECT_FALSE(seen.unzip_enabled);
  EXPECT_TRUE(seen.visible_after_exit);
  EXPECT_TRUE(ui_.Done());
  EXPECT_TRUE(ui_.file_requests.empty());
  EXPECT_EQ(Read(out_ + "/one.bin"), Pattern(40000));
  EXPECT_EQ(Read(out_ + "/two.bin"), Pattern(60000));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(UnzipperFormTest, OpenExtractDialogWithoutAnArchiveClosesOnExit) {
  std::string label = "not seen";
  std::string archive = "not seen";
  QMetaObject::invokeMethod(
      qApp,
      [&] {
        auto* form = qobject_cast<UnzipperForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        label = form->TotalFilesLabel->text().toStdString();
        archive = form->ArchiveName();
        form->OkBtn->click();
      },
      Qt::QueuedConnection);
  OpenExtractDialog("");
  EXPECT_EQ(label, "Total files:");
  EXPECT_EQ(archive, "");
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// The PKZIP archives are read where they lie; every file comes out as the manifest gives it.
class PkzipFixture : public UnzipperFormTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(PkzipFixture, ExtractsToTheManifestContentWithTheProgressBarReachingAHundred) {
  const fs::path fixtures = testing::FixturesDir();
  if (fixtures.empty()) GTEST_SKIP() << "shared fixtures folder not found";
  const fs::path folder = fixtures / "zip" / "pkzip";
  const auto manifest = archive::legacy::ReadManifest(folder / "manifest.json");
  const auto& expected = manifest.at(GetParam());
  int files = 0;
  for (const auto& entry : expected) files += entry.dir ? 0 : 1;

  auto form = Open((folder / GetParam()).string());
  EXPECT_EQ(form->TotalFilesLabel->text().toStdString(),
            "Archive contains " + std::to_string(expected.size()) + " files");
  std::vector<int> positions;
  QObject::connect(form->ProgressBar1, &QProgressBar::valueChanged,
                   [&](int value) { positions.push_back(value); });
  form->DestinationEdit->setText(QString::fromStdString(out_));
  ui_.Expect(BoxKind::Information, Summary(files, out_));
  form->UnZipBtnClick();
  EXPECT_TRUE(ui_.Done());

  for (const auto& entry : expected) {
    if (entry.dir) continue;
    SCOPED_TRACE(entry.name);
    const std::string content = Read(out_ + "/" + entry.name);
    EXPECT_EQ(content.size(), entry.size);
    EXPECT_EQ(archive::legacy::Sha256Hex(content), entry.sha256);
  }
  // The run's percentages climb to 100; after the summary the bar goes back to 0.
  ASSERT_GE(positions.size(), 3u);
  EXPECT_EQ(positions[positions.size() - 2], 100);
  EXPECT_EQ(positions.back(), 0);
  for (std::size_t i = 1; i + 1 < positions.size(); ++i) EXPECT_LT(positions[i - 1], positions[i]);
}

INSTANTIATE_TEST_SUITE_P(Archives, PkzipFixture,
                         ::testing::Values("PKZ110.ZIP", "PKZ80B2.ZIP", "PKZ204EN.ZIP",
                                           "IMPLODE.ZIP"));

}  // namespace
}  // namespace vantorel::dialogs
