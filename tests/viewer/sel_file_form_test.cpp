// The file browser over real files in a temporary folder: what it shows, and what View, Run,
// UnZip and Copy do with the files selected. The viewer window is a fake that records the list
// it gets; programs start through desktop associations that record the files they open.

#include "viewer/sel_file_form.h"

#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QScrollBar>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/path_texts.h"
#include "core/settings.h"
#include "dialogs/unzipper_form.h"
#include "platform/file_system.h"
#include "platform/help_page.h"
#include "platform/outside_programs.h"
#include "qt_application.h"
#include "scripted_ui.h"
#include "temp_dir.h"
#include "viewer/file_list_viewer.h"

namespace vantorel::viewer {
namespace {

namespace fs = std::filesystem;
using core::Answer;
using core::BoxKind;
using core::Buttons;
using platform::PathText;
using testing::ScriptedUi;
using testing::TempDir;
using testing::TestApplication;

constexpr char kNoFilesSelected[] = "No files selected";
// An archive with no entries: the end record alone.
const std::string kEmptyZip = std::string("PK\x05\x06") + std::string(18, '\0');

// The viewer window as far as the file browser sees it: records each list it is given, and
// fails as the view does when the first file is not a file it can load.
class FakeViewer : public FileListViewer {
 public:
  void ShowFileList(const std::vector<std::string>& list) override {
    lists.push_back(list);
    if (!platform::FileExists(list.front()))
      throw std::runtime_error("Can't locate file: " + list.front());
  }

  std::vector<std::vector<std::string>> lists;  // every list shown, in order
};

// The desktop's programs: opening a document is noted in events.
class RecordingDesktop : public platform::DesktopAssociations {
 public:
  explicit RecordingDesktop(std::vector<std::string>& events) : events_(events) {
    previous_ = platform::SetAssociations(this);
  }
  ~RecordingDesktop() override { platform::SetAssociations(previous_); }
  RecordingDesktop(const RecordingDesktop&) = delete;
  RecordingDesktop& operator=(const RecordingDesktop&) = delete;

  std::string ProgramFor(const fs::path&) const override { return {}; }
  std::string ContentTypeOf(const fs::path&) const override { return "text/plain"; }
  platform::DesktopLaunch OpenWithDefault(const fs::path& file, const std::string&) const override {
    events_.push_back("open " + file.string());
    return {platform::DesktopLaunch::Outcome::Started, {}};
  }
  platform::DesktopLaunch OpenWithApplication(const fs::path&, const std::string&, bool) const override {
    return {};
  }

 private:
  std::vector<std::string>& events_;                          // where openings are noted
  const platform::DesktopAssociations* previous_ = nullptr;  // the associations before
};

void SetModificationTime(const fs::path& file, std::time_t time) {
  const struct timespec times[2] = {{time, 0}, {time, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

std::time_t ModificationTime(const fs::path& file) {
  struct stat info {};
  EXPECT_EQ(::stat(file.c_str(), &info), 0);
  return info.st_mtime;
}

// The names of the list's items in its order.
std::vector<std::string> ListedNames(const SelFileForm& form) {
  std::vector<std::string> names;
  for (const ShellItem& item : form.Items()) names.push_back(core::FileNameOf(item.path));
  return names;
}

class SelFileFormTest : public ::testing::Test {
 protected:
  SelFileFormTest() {
    TestApplication();
    dir_.Write("DISKS/Issue12/A.PAS", "program A;");
    dir_.Write("DISKS/Issue12/B.PAS", "program B;");
    dir_.Write("DISKS/Issue12/C.TXT", "Read me");
    dir_.Write("DISKS/Issue12/Arc.Zip", kEmptyZip);
    dir_.Write("DISKS/Issue12/SUB/X.PAS", "program X;");
    fs::create_directories(target_);
  }

  // The form on the issue's folder, named as a link names it (upper case, "\"), its list
  // filled and sorted.
  std::unique_ptr<SelFileForm> Open() {
    auto form = std::make_unique<SelFileForm>(viewer_, platform::ChosenPrograms{});
    form->SetDirectory(PathText(dir_.path()) + "\\DISKS\\ISSUE12");
    const std::vector<std::string> listed = {"SUB", "A.PAS", "Arc.Zip", "B.PAS", "C.TXT"};
    EXPECT_TRUE(QTest::qWaitFor([&] { return ListedNames(*form) == listed; }))
        << ::testing::PrintToString(ListedNames(*form));
    return form;
  }

  static void Select(SelFileForm& form, const std::vector<std::string>& names) {
    const auto* model = static_cast<const QFileSystemModel*>(form.ShellList1->model());
    const QModelIndex root = form.ShellList1->rootIndex();
    for (const std::string& name : names) {
      const QModelIndex index =
          model->index(model->filePath(root) + QLatin1Char('/') + QString::fromStdString(name));
      ASSERT_TRUE(index.isValid()) << name;
      form.ShellList1->selectionModel()->select(
          index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }

  // The path text the commands build for a file of the issue's folder.
  std::string InFolder(const std::string& name) const { return folder_ + "/" + name; }

  TempDir dir_;
  ScriptedUi ui_;
  FakeViewer viewer_;
  const fs::path issue_ = dir_.path() / "DISKS" / "Issue12";
  const std::string folder_ = PathText(issue_);
  const fs::path target_ = dir_.path() / "target";
};

TEST_F(SelFileFormTest, TheTreeSelectsTheFolderAndTheListShowsItsFiles) {
  const auto form = Open();
  EXPECT_EQ(form->windowTitle(), "File Browser");
  EXPECT_EQ(form->size(), QSize(701, 449));
  EXPECT_TRUE(form->font().bold());
  EXPECT_EQ(form->font().pixelSize(), 13);

  const auto* tree = static_cast<const QFileSystemModel*>(form->ShellTree1->model());
  EXPECT_EQ(tree->filePath(form->ShellTree1->rootIndex()), "/");
  EXPECT_EQ(tree->filePath(form->ShellTree1->currentIndex()).toStdString(), issue_.string());
  EXPECT_TRUE(form->ShellTree1->isExpanded(form->ShellTree1->currentIndex()));
  EXPECT_EQ(form->FolderPath(), folder_);
  EXPECT_EQ(form->ShellList1->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_TRUE(form->ShellList1->editTriggers() & QAbstractItemView::EditKeyPressed);
  EXPECT_FALSE(form->ShellList1->header()->isHidden());

  // The buttons from the top, with their captions and hints.
  struct Button {
    QPushButton* button;
    const char* caption;
    const char* hint;
  };
  const Button buttons[] = {
      {form->BitBtn2, "&View", "View selected file(s)"},
      {form->BitBtn1, "&Run", "Run selected file(s)"},
      {form->BitBtn4, "&UnZip", "Unzip selected file(s)"},
      {form->BtnCopy, "&Copy", "Copy selected file(s)"},
      {form->HelpBtn, "&Help", ""},
      {form->BitBtn3, "E&xit", "Return to KVXBrowse main form"},
  };
  form->show();
  int above = -1;
  for (const Button& b : buttons) {
    EXPECT_EQ(b.button->text(), b.caption);
    EXPECT_EQ(b.button->toolTip(), b.hint);
    EXPECT_GT(b.button->y(), above) << b.caption;
    above = b.button->y();
  }

  // A folder opened in the list becomes the tree's folder.
  const auto* list = static_cast<const QFileSystemModel*>(form->ShellList1->model());
  emit form->ShellList1->doubleClicked(list->index(QString::fromStdString((issue_ / "SUB").string())));
  EXPECT_EQ(form->FolderPath(), PathText(issue_ / "SUB"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return ListedNames(*form) == std::vector<std::string>{"X.PAS"}; }));

  form->BitBtn3->click();
  EXPECT_FALSE(form->isVisible());
}

// The list names the folder it shows above it, and at the dialog's size the size, type and
// date columns are whole beside the name, none of them past the list's right edge.
TEST_F(SelFileFormTest, TheListShowsItsFolderAndColumnsThatCanBeRead) {
  SetModificationTime(issue_ / "A.PAS", 981209100);  // 2001-02-03 14:05 UTC
  dir_.Write("DISKS/Issue12/B.PAS", std::string(2049, 'x'));
  const auto form = Open();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  EXPECT_EQ(form->size(), QSize(701, 449));
  EXPECT_EQ(form->FolderLabel->toolTip().toStdString(), issue_.string());
  // A folder too long for the label is elided in its middle; its end stays.
  const QString shown = form->FolderLabel->text();
  EXPECT_TRUE(shown == QString::fromStdString(issue_.string()) ||
              (shown.contains(QChar(0x2026)) && shown.endsWith(QStringLiteral("/DISKS/Issue12"))))
      << shown.toStdString();
  EXPECT_LT(form->FolderLabel->geometry().bottom(), form->ShellList1->geometry().top());

  const auto* list = static_cast<const QFileSystemModel*>(form->ShellList1->model());
  const auto texts = [&](const fs::path& file) {
    const QModelIndex name = list->index(QString::fromStdString(file.string()));
    std::vector<std::string> row;
    for (int column = 1; column < 4; ++column)
      row.push_back(name.siblingAtColumn(column).data().toString().toStdString());
    return row;
  };
  const std::string a_date =
      QDateTime::fromSecsSinceEpoch(981209100).toString("yyyy-MM-dd hh:mm").toStdString();
  EXPECT_EQ(texts(issue_ / "A.PAS"), (std::vector<std::string>{"1 KB", "PAS File", a_date}));
  EXPECT_EQ(texts(issue_ / "B.PAS")[0], "3 KB");
  EXPECT_EQ(texts(issue_ / "SUB")[0], "");
  EXPECT_EQ(texts(issue_ / "SUB")[1], "Folder");

  const QHeaderView* header = form->ShellList1->header();
  int right = 0;
  for (int column = 0; column < 4; ++column) {
    right = std::max(right, header->sectionViewportPosition(column) + header->sectionSize(column));
    const QAbstractItemView* view = form->ShellList1;
    if (column > 0) {
      EXPECT_GE(header->sectionSize(column), view->sizeHintForColumn(column)) << column;
      EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column)) << column;
    }
  }
  EXPECT_LE(right, form->ShellList1->viewport()->width());
  EXPECT_GE(header->sectionSize(0), form->ShellList1->fontMetrics().horizontalAdvance("README.TX"));
}

// The tree shows the folder it was preset with from the start, also while the model is still
// filling and sorting a parent folder of many entries that come before it.
TEST_F(SelFileFormTest, ThePresetFolderIsInViewFromTheStart) {
  for (int i = 0; i < 400; ++i) fs::create_directories(dir_.path() / ("A" + std::to_string(1000 + i)));
  auto form = std::make_unique<SelFileForm>(viewer_, platform::ChosenPrograms{});
  form->SetDirectory(PathText(issue_));
  form->show();
  // The folder's row is on the tree's page, and its name begins there.
  const auto in_view = [&] {
    const QRect item = form->ShellTree1->visualRect(form->ShellTree1->currentIndex());
    const QRect page = form->ShellTree1->viewport()->rect();
    return item.top() >= page.top() && item.bottom() <= page.bottom() && item.left() >= page.left() &&
           item.left() < page.right();
  };
  EXPECT_TRUE(in_view());
  const auto* tree = static_cast<const QFileSystemModel*>(form->ShellTree1->model());
  const QModelIndex parent = tree->index(QString::fromStdString(dir_.path().string()));
  for (int i = 0; i < 1000 && tree->rowCount(parent) < 402; ++i) {
    QTest::qWait(2);
    ASSERT_TRUE(in_view()) << "after " << tree->rowCount(parent) << " rows";
  }
  EXPECT_EQ(tree->rowCount(parent), 402);
  QTest::qWait(50);  // the model sorts a filled folder a little later
  EXPECT_TRUE(in_view());
  EXPECT_EQ(tree->filePath(form->ShellTree1->currentIndex()).toStdString(), issue_.string());

  // Once the reader moves the tree, it stays where the reader put it, also when a folder the
  // reader opens fills.
  form->ShellTree1->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
  const QModelIndex first = tree->index(QString::fromStdString((dir_.path() / "A1000").string()));
  fs::create_directories(dir_.path() / "A1000" / "INNER");
  form->ShellTree1->expand(first);
  QTest::qWait(50);
  EXPECT_EQ(form->ShellTree1->verticalScrollBar()->value(), 0);
}

TEST(SelectedFileNames, CountsSelectedItemsWithANameInTheirOrder) {
  const std::vector<ShellItem> items = {
      {true, "/d/ISSUE12/B.PAS"},
      {false, "/d/ISSUE12/A.PAS"},
      {true, ""},                   // a virtual item
      {true, "C:\\"},               // a drive root
      {true, "/"},                  // the file system's root
      {true, "/d/ISSUE12/SUB"},     // a folder
      {true, "D:\\KV\\ISSUE1\\A.ZIP"},
  };
  EXPECT_EQ(SelectedFileNames(items), (std::vector<std::string>{"B.PAS", "SUB", "A.ZIP"}));
}

// View hands the selection to the viewer in the list's order.
TEST_F(SelFileFormTest, ViewShowsTheSelectionInListOrder) {
  const auto form = Open();
  Select(*form, {"Arc.Zip", "C.TXT", "A.PAS"});
  form->BitBtn2->click();
  ASSERT_EQ(viewer_.lists.size(), 1u);
  EXPECT_EQ(viewer_.lists[0], (std::vector<std::string>{InFolder("A.PAS"), InFolder("Arc.Zip"),
                                                        InFolder("C.TXT")}));
  EXPECT_TRUE(ui_.boxes.empty());
}

TEST_F(SelFileFormTest, AFolderInViewShowsTheViewersErrorAndDiscardsTheList) {
  const auto form = Open();
  Select(*form, {"A.PAS", "SUB"});
  ui_.Expect(BoxKind::Error, "Can't locate file: " + InFolder("SUB"));
  form->BitBtn2->click();
  ASSERT_EQ(viewer_.lists.size(), 1u);
  EXPECT_EQ(viewer_.lists[0], (std::vector<std::string>{InFolder("SUB"), InFolder("A.PAS")}));
}

TEST_F(SelFileFormTest, EveryCommandSaysWhenNothingIsSelected) {
  std::vector<std::string> events;
  RecordingDesktop desktop(events);
  const auto form = Open();
  for (QPushButton* button : {form->BitBtn2, form->BitBtn1, form->BitBtn4, form->BtnCopy}) {
    ui_.Expect(BoxKind::Error, kNoFilesSelected);
    button->click();
  }
  EXPECT_TRUE(ui_.Done());
  EXPECT_TRUE(viewer_.lists.empty());
  EXPECT_TRUE(ui_.folder_requests.empty());
  EXPECT_TRUE(events.empty());
}

// Run and UnZip do the same: an archive goes to the extraction dialog, which closes before
// the next file goes to its program.
TEST_F(SelFileFormTest, RunAndUnZipExtractArchivesAndStartOtherFiles) {
  std::vector<std::string> events;
  RecordingDesktop desktop(events);
  const auto form = Open();
  Select(*form, {"C.TXT", "Arc.Zip"});
  for (QPushButton* button : {form->BitBtn1, form->BitBtn4}) {
    events.clear();
    QTimer::singleShot(0, [&events] {
      QWidget* dialog = QApplication::activeModalWidget();
      if (dialog == nullptr) return;
      events.push_back(dialog->windowTitle().toStdString() + " " + qobject_cast<dialogs::UnzipperForm*>(dialog)->ArchiveName());
      dialog->close();
    });
    button->click();
    EXPECT_EQ(events, (std::vector<std::string>{"Extract files from Zipfile " + InFolder("Arc.Zip"),
                                                "open " + (issue_ / "C.TXT").string()}))
        << button->text().toStdString();
  }
}

// Files whose names have letters outside code page 1252 are viewed, started and copied under
// their own names, into a picked folder whose name has them too; a folder whose name is what
// 1252 would make of it stays untouched.
TEST_F(SelFileFormTest, NamesOutsideCodePage1252AreKeptWhole) {
  const std::string privet = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.TXT";  // Привет.TXT
  const std::string lodz = "\xC5\x81\xC3\xB3" "d\xC5\xBA.ZIP";                             // Łódź.ZIP
  dir_.Write("DISKS/Issue13/" + privet, "Hello");
  dir_.Write("DISKS/Issue13/" + lodz, kEmptyZip);
  const fs::path picked = dir_.path() / "Picked \xD0\x90\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2";  // Picked Архив
  const std::string squeezed_name = "Picked " + std::string(5, '?');  // what 1252 makes of it
  const fs::path squeezed = dir_.path() / squeezed_name;
  fs::create_directories(picked);
  fs::create_directories(squeezed);
  dir_.Write(squeezed_name + "/?\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.TXT", "other");
  std::vector<std::string> events;
  RecordingDesktop desktop(events);

  SelFileForm form(viewer_, {});
  form.SetDirectory(PathText(dir_.path()) + "\\DISKS\\ISSUE13");
  const std::vector<std::string> listed = {lodz, privet};
  ASSERT_TRUE(QTest::qWaitFor([&] { return ListedNames(form) == listed; }))
      << ::testing::PrintToString(ListedNames(form));
  form.ShellList1->selectAll();
  const std::string folder = PathText(dir_.path() / "DISKS" / "Issue13");

  form.BitBtn2->click();
  ASSERT_EQ(viewer_.lists.size(), 1u);
  EXPECT_EQ(viewer_.lists[0], (std::vector<std::string>{folder + "/" + lodz, folder + "/" + privet}));

  QTimer::singleShot(0, [&events] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr) return;
    events.push_back(dialog->windowTitle().toStdString() + " " + qobject_cast<dialogs::UnzipperForm*>(dialog)->ArchiveName());
    dialog->close();
  });
  form.BitBtn1->click();
  EXPECT_EQ(events, (std::vector<std::string>{"Extract files from Zipfile " + folder + "/" + lodz,
                                              "open " + folder + "/" + privet}));

  ui_.AnswerFolderRequest(PathText(picked));
  ui_.Expect(BoxKind::Information, "2 files copied");
  form.BtnCopy->click();
  EXPECT_EQ(TempDir::Read(picked / privet), "Hello");
  EXPECT_EQ(TempDir::Read(picked / lodz), kEmptyZip);
  EXPECT_EQ(TempDir::Read(squeezed / "?\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.TXT"), "other");
  EXPECT_EQ(std::distance(fs::directory_iterator(squeezed), fs::directory_iterator()), 1);
}

// Run asks before it runs a script whose permission bits let it run; No opens it as a
// document.
TEST_F(SelFileFormTest, RunAsksBeforeRunningAScript) {
  const fs::path script = dir_.Write("DISKS/Issue12/C.TXT", "#!/bin/sh\ntouch '" + (dir_ / "ran") + "'\n");
  fs::permissions(script, fs::perms::owner_all);
  std::vector<std::string> events;
  RecordingDesktop desktop(events);
  const auto form = Open();
  Select(*form, {"C.TXT"});
  ui_.Expect(BoxKind::Confirmation,
             "Run the script " + PathText(script) + " as a program?\rNo opens it as a document.",
             Buttons::YesNo, Answer::No);
  form->BitBtn1->click();
  EXPECT_EQ(events, std::vector<std::string>{"open " + script.string()});
  EXPECT_FALSE(fs::exists(dir_.path() / "ran"));
}

TEST_F(SelFileFormTest, CopyCopiesTheSelectionWithItsDates) {
  SetModificationTime(issue_ / "A.PAS", 981173106);  // 2001-02-03
  SetModificationTime(issue_ / "C.TXT", 700000000);  // 1992-03-08
  const auto form = Open();
  Select(*form, {"A.PAS", "C.TXT"});
  ui_.AnswerFolderRequest(PathText(target_));
  ui_.Expect(BoxKind::Information, "2 files copied");
  form->BtnCopy->click();
  EXPECT_EQ(ui_.folder_requests, (std::vector<core::FolderRequest>{{"Select Folder", "/"}}));
  EXPECT_EQ(TempDir::Read(target_ / "A.PAS"), "program A;");
  EXPECT_EQ(TempDir::Read(target_ / "C.TXT"), "Read me");
  EXPECT_EQ(ModificationTime(target_ / "A.PAS"), 981173106);
  EXPECT_EQ(ModificationTime(target_ / "C.TXT"), 700000000);
  EXPECT_FALSE(fs::exists(target_ / "B.PAS"));
  EXPECT_EQ(ui_.busy_depth, 0);
}

// A path longer than 255 characters names its own file: cut there it would name another.
TEST_F(SelFileFormTest, CopyTakesLongPathsWhole) {
  const std::string long_name(120, 'L');
  const fs::path deep = dir_.path() / long_name / long_name;
  dir_.Write(long_name + "/" + long_name + "/SOURCE.PAS", "program S;");
  const fs::path deep_target = target_ / long_name / long_name;
  fs::create_directories(deep_target);
  ASSERT_GT(PathText(deep_target / "SOURCE.PAS").size(), 255u);

  SelFileForm form(viewer_, {});
  form.SetDirectory(PathText(deep));
  ASSERT_TRUE(QTest::qWaitFor([&] { return ListedNames(form).size() == 1; }));
  form.ShellList1->selectAll();
  ui_.AnswerFolderRequest(PathText(deep_target));
  ui_.Expect(BoxKind::Information, "1 files copied");
  form.BtnCopy->click();
  EXPECT_EQ(TempDir::Read(deep_target / "SOURCE.PAS"), "program S;");
}

// The first copy that fails ends the command with its error; the files before it stay.
TEST_F(SelFileFormTest, CopyStopsAtASelectedFolder) {
  const auto form = Open();
  form->ShellList1->sortByColumn(0, Qt::DescendingOrder);  // the folder last
  ASSERT_TRUE(QTest::qWaitFor([&] { return ListedNames(*form).back() == "SUB"; }));
  Select(*form, {"A.PAS", "SUB", "C.TXT"});
  ui_.AnswerFolderRequest(PathText(target_));
  ui_.Expect(BoxKind::Error, "Cannot open file \"" + InFolder("SUB") + "\". Is a directory");
  form->BtnCopy->click();
  EXPECT_TRUE(fs::exists(target_ / "C.TXT"));
  EXPECT_TRUE(fs::exists(target_ / "A.PAS"));
  EXPECT_FALSE(fs::exists(target_ / "SUB"));
  EXPECT_EQ(ui_.busy_depth, 0);
}

// A file of the same name in the target folder is replaced only when the user says so.
TEST_F(SelFileFormTest, CopyAsksBeforeReplacingAFile) {
  struct Case {
    Answer answer;
    const char* count;
    const char* kept;  // what A.PAS in the target holds afterwards
  };
  const Case cases[] = {
      {Answer::Yes, "2 files copied", "program A;"},
      {Answer::No, "1 files copied", "mine"},
  };
  const auto form = Open();
  Select(*form, {"A.PAS", "C.TXT"});
  for (const Case& c : cases) {
    dir_.Write("target/A.PAS", "mine");
    fs::remove(target_ / "C.TXT");
    ui_.AnswerFolderRequest(PathText(target_));
    ui_.Expect(BoxKind::Confirmation, "Replace existing file A.PAS?", Buttons::YesNo, c.answer,
               "File Exists Alert");
    ui_.Expect(BoxKind::Information, c.count);
    form->BtnCopy->click();
    EXPECT_EQ(TempDir::Read(target_ / "A.PAS"), c.kept);
    EXPECT_EQ(TempDir::Read(target_ / "C.TXT"), "Read me");
  }
}

TEST_F(SelFileFormTest, CancellingTheFolderRequestCopiesNothing) {
  const auto form = Open();
  Select(*form, {"A.PAS"});
  ui_.AnswerFolderRequest(std::nullopt);
  form->BtnCopy->click();
  EXPECT_TRUE(ui_.boxes.empty());
  EXPECT_TRUE(fs::is_empty(target_));
}

// Renaming in place never takes the name of another file.
TEST_F(SelFileFormTest, RenamingInPlaceKeepsOtherFiles) {
  const auto form = Open();
  QAbstractItemModel* list = form->ShellList1->model();
  const auto* files = static_cast<const QFileSystemModel*>(list);
  const QModelIndex a = files->index(QString::fromStdString((issue_ / "A.PAS").string()));
  EXPECT_FALSE(list->setData(a, QStringLiteral("B.PAS")));
  EXPECT_EQ(TempDir::Read(issue_ / "A.PAS"), "program A;");
  EXPECT_EQ(TempDir::Read(issue_ / "B.PAS"), "program B;");
  EXPECT_TRUE(list->setData(a, QStringLiteral("D.PAS")));
  EXPECT_EQ(TempDir::Read(issue_ / "D.PAS"), "program A;");
  EXPECT_FALSE(fs::exists(issue_ / "A.PAS"));
}

TEST_F(SelFileFormTest, HelpAndF1ShowTheFileBrowsersHelpPage) {
  std::vector<std::string> pages;
  const platform::HelpPageHandler previous = platform::SetHelpPageHandler(
      [&pages](const std::string& page) { pages.push_back(page); });
  const auto form = Open();
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  form->HelpBtn->click();
  QTest::keyClick(form->ShellList1, Qt::Key_F1);
  platform::SetHelpPageHandler(previous);
  EXPECT_EQ(pages, (std::vector<std::string>{"help.htm#Selfil", "help.htm#Selfil"}));
}

}  // namespace
}  // namespace vantorel::viewer
