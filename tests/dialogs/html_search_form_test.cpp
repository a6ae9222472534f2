// The bonus search dialog over small files.dbf and words.dbf: its controls, how it opens its
// tables, what OK hands to the search and how the dialog ends.

#include "dialogs/html_search_form.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue_fixture_helpers.h"
#include "core/settings.h"
#include "core/texts.h"
#include "platform/help_page.h"
#include "qt_application.h"

namespace vantorel::dialogs {
namespace {

using core::Answer;
using core::BoxKind;
using core::Buttons;
using testing::TestApplication;

constexpr char kResultsPage[] = "SEARCHRESULT.HTM";

std::string Text(const QString& text) { return text.toStdString(); }

std::vector<QWidget*> TabOrder(QWidget& window) {
  std::vector<QWidget*> order;
  QWidget* widget = &window;
  while ((widget = widget->nextInFocusChain()) != &window)
    if ((widget->focusPolicy() & Qt::TabFocus) != 0 && widget->isVisibleTo(&window))
      order.push_back(widget);
  return order;
}

// Two documents: HEAP in 1, MEMORY in 1 and 2.
class HtmlSearchFormTest : public ::testing::Test {
 protected:
  HtmlSearchFormTest() {
    TestApplication();
    settings_.DataDir = DataDir();
    WriteTables();
  }

  core::BrowserSettings settings_;  // the record the dialog reads

  std::string DataDir() const { return dir_.path().string() + "/"; }
  void WriteTables(const std::vector<testing::WordRow>& words = {{"1", "HEAP"},
                                                                 {"2", "MEMORY"},
                                                                 {"1", "MEMORY"}}) {
    dir_.Write("files.dbf", testing::FilesTable({{"1", "EXTRAS/X001.HTM", "First"},
                                                 {"2", "EXTRAS/X002.HTM", "Second"}}));
    dir_.Write("words.dbf", testing::WordsTable(words));
  }
  bool ResultsPageWritten() const { return std::filesystem::exists(dir_.path() / kResultsPage); }

  // Runs ShowSearch; once the dialog is up, act runs on it (and must close it).
  void ShowSearchAnd(HtmlSearchForm& form, const std::function<void()>& act) {
    QTimer::singleShot(0, [&] {
      ASSERT_EQ(QApplication::activeModalWidget(), &form);
      act();
      if (form.isVisible()) form.reject();
    });
    form.ShowSearch();
  }

  testing::TempDir dir_;
  testing::ScriptedUi ui_;
};

TEST_F(HtmlSearchFormTest, ControlsCarryTheirCaptionsHintsAndOrder) {
  HtmlSearchForm form(settings_);
  EXPECT_EQ(Text(form.windowTitle()), "Search bonus files and companion disks");
  EXPECT_EQ(form.font().family(), QStringLiteral("Arial"));
  EXPECT_EQ(form.font().pointSize(), 8);
  EXPECT_EQ(form.size(), QSize(474, 197));
  const std::pair<std::string, std::string> captions[] = {
      {Text(form.Label1->text()), "Word(s) to search for"},
      {Text(form.AnyOrAllRadio->title()), "Search type"},
      {Text(form.AnyWordRadio->text()), "Match any word"},
      {Text(form.AllWordsRadio->text()), "Match all words"},
      {Text(form.HelpBtn->text()), "Help"},
      {Text(form.CancelBtn->text()), "Cancel"},
      {Text(form.AnOkBtn->text()), "OK"},
      {Text(form.Panel1->text()), ""},
  };
  for (const auto& [shown, expected] : captions) EXPECT_EQ(shown, expected);
  EXPECT_EQ(Text(form.SearchWords->toolTip()),
            "Type one or more words, or parts\nof words, you wish to search for here\n"
            "(longer words mean quicker searches)");
  EXPECT_EQ(Text(form.AnyOrAllRadio->toolTip()),
            "Select \"Match all words\" if the documents\nmust contain all the words entered");
  EXPECT_TRUE(form.AnyWordRadio->isChecked());
  EXPECT_TRUE(form.AnOkBtn->isDefault());
  // The two choices side by side.
  EXPECT_EQ(form.AnyWordRadio->geometry().top(), form.AllWordsRadio->geometry().top());
  EXPECT_EQ(TabOrder(form), (std::vector<QWidget*>{form.SearchWords, form.AnyWordRadio,
                                                   form.AllWordsRadio, form.HelpBtn,
                                                   form.CancelBtn, form.AnOkBtn}));
}

// OK with words that match: the page is written, the flag set, the dialog closed; the text
// and mode stay for the next opening, which reads the tables anew.
TEST_F(HtmlSearchFormTest, OkWritesThePageClosesAndKeepsTheText) {
  HtmlSearchForm form(settings_);
  ShowSearchAnd(form, [&] {
    EXPECT_EQ(form.focusWidget(), form.SearchWords);
    form.SearchWords->setText(QStringLiteral("memory heap"));
    form.AllWordsRadio->setChecked(true);
    form.AnOkBtn->click();
    EXPECT_FALSE(form.isVisible());
  });
  EXPECT_TRUE(ResultsPageWritten());
  EXPECT_TRUE(form.Outcome().SearchPageWritten);
  EXPECT_EQ(Text(form.Panel1->text()), "");
  const std::string page = testing::TempDir::Read(dir_.path() / kResultsPage);
  EXPECT_NE(page.find("1 files found matching all specified words:</B><BR>\r\n"
                      "<I>memory heap</I>"),
            std::string::npos);

  WriteTables({{"2", "HEAP"}, {"2", "MEMORY"}, {"1", "MEMORY"}});
  ShowSearchAnd(form, [&] {
    EXPECT_EQ(Text(form.SearchWords->text()), "memory heap");
    EXPECT_TRUE(form.AllWordsRadio->isChecked());
    form.AnOkBtn->click();
  });
  EXPECT_NE(testing::TempDir::Read(dir_.path() / kResultsPage).find("SRCH:///EXTRAS/X002.HTM|MEMORY"),
            std::string::npos);
}

// "Sorry" keeps the dialog open; a declined short-word warning closes it; neither writes a
// page. The status panel shows the progress while the search runs.
TEST_F(HtmlSearchFormTest, EndsWithoutAPage) {
  HtmlSearchForm form(settings_);
  ShowSearchAnd(form, [&] {
    ui_.Expect(BoxKind::Information, "Sorry, no matches were found:\rplease try again");
    form.SearchWords->setText(QStringLiteral("memory heapx"));
    form.AllWordsRadio->setChecked(true);
    form.AnOkBtn->click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(Text(form.Panel1->text()), "Checking word number 1, 2 files match");

    ui_.Expect(BoxKind::Warning,
               "Searches for long words are much quicker.\rLooking for one and two letter "
               "words can be slow.\rAre you sure you wish to continue?",
               Buttons::YesNo, Answer::No);
    form.SearchWords->setText(QStringLiteral("he"));
    form.AnOkBtn->click();
    EXPECT_FALSE(form.isVisible());
  });
  EXPECT_TRUE(ui_.Done());
  EXPECT_FALSE(ResultsPageWritten());
  EXPECT_FALSE(form.Outcome().SearchPageWritten);
}

TEST_F(HtmlSearchFormTest, HelpButtonAndF1ShowTheHelpPage) {
  std::vector<std::string> pages;
  const platform::HelpPageHandler previous =
      platform::SetHelpPageHandler([&](const std::string& page) { pages.push_back(page); });
  HtmlSearchForm form(settings_);
  ShowSearchAnd(form, [&] {
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.HelpBtn->click();
    QTest::keyClick(form.SearchWords, Qt::Key_F1);
    EXPECT_TRUE(form.isVisible());
  });
  platform::SetHelpPageHandler(previous);
  EXPECT_EQ(pages, (std::vector<std::string>{"help.htm#HTMLSrch", "help.htm#HTMLSrch"}));
}

// Tables that do not open: the error box instead of the dialog, at every request, until they
// are there.
TEST_F(HtmlSearchFormTest, TablesThatDoNotOpenKeepTheDialogClosed) {
  std::filesystem::remove(dir_.path() / "words.dbf");
  HtmlSearchForm form(settings_);
  ui_.Expect(BoxKind::Error, std::string(kBonusTablesNotOpened) + "Error # 2 (File not found)\r\n" +
                                 "Failure to open " + DataDir() + "words.dbf" +
                                 " [USE/OpenDbf]");
  form.ShowSearch();
  EXPECT_TRUE(ui_.Done());
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "words.dbf"));

  WriteTables();
  bool shown = false;
  ShowSearchAnd(form, [&] { shown = true; });
  EXPECT_TRUE(shown);
  EXPECT_EQ(form.OpenError(), "");
}

}  // namespace
}  // namespace vantorel::dialogs
