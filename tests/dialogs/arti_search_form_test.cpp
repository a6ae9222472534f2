// The article search dialog over a small catalogue: its controls, what the check boxes, lists
// and "Use" do, what OK hands to the search and how the dialog ends.

#include "dialogs/arti_search_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue_fixture_helpers.h"
#include "core/settings.h"
#include "platform/help_page.h"
#include "qt_application.h"
#include "qtui/drop_down_combo.h"

namespace vantorel::dialogs {

using qtui::DropDownCombo;
namespace {

using core::Answer;
using core::BoxKind;
using core::Buttons;
using testing::TestApplication;

constexpr char kResultsPage[] = "SEARCHRESULT.HTM";

std::string Text(const QString& text) { return text.toStdString(); }

// The widgets Tab visits, from the first one on (a combo's own edit field stands for the
// combo).
std::vector<QWidget*> TabOrder(QWidget& window) {
  std::vector<QWidget*> order;
  QWidget* widget = &window;
  while ((widget = widget->nextInFocusChain()) != &window)
    if ((widget->focusPolicy() & Qt::TabFocus) != 0 && widget->isVisibleTo(&window) &&
        widget->focusProxy() == nullptr)
      order.push_back(widget);
  return order;
}

// The sample catalogue (catalogue_fixture_helpers.h) in DataDir; results pages are written
// without asking up to 100 articles.
class ArtiSearchFormTest : public testing::CatalogueTest {
 protected:
  ArtiSearchFormTest() {
    TestApplication();
    settings_.DataDir = DataDir();
    settings_.PdfDir = DataDir() + "PDF/";
    settings_.SourceDir = DataDir() + "DISKS/";
    settings_.ResultsThreshold = 100;
  }

  core::BrowserSettings settings_;  // the record the dialog reads

  std::unique_ptr<ArtiSearchForm> MakeForm() {
    WriteSampleCatalogue();
    return std::make_unique<ArtiSearchForm>(settings_);
  }

  // Shows the form and makes it the active window, so that focus moves inside it.
  static void ShowActive(ArtiSearchForm& form) {
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  }

  bool ResultsPageWritten() const { return std::filesystem::exists(dir_.path() / kResultsPage); }
};

TEST_F(ArtiSearchFormTest, ControlsCarryTheirCaptionsHintsAndOrder) {
  const auto form = MakeForm();
  EXPECT_EQ(Text(form->windowTitle()), "Search articles");
  const std::pair<std::string, std::string> captions[] = {
      {Text(form->AuthorCheck->text()), "Author"},
      {Text(form->IssueCheck->text()), "Issue"},
      {Text(form->FreeTextBtn->text()), "Free Text Search"},
      {Text(form->Label1->text()), "Keyword(s) to search for"},
      {Text(form->AnyOrAllRadio->title()), "Keyword search type"},
      {Text(form->AnyWordRadio->text()), "Match any word"},
      {Text(form->AllWordsRadio->text()), "Match all words"},
      {Text(form->GroupBox1->title()), "Browse keywords"},
      {Text(form->KeywordCopyBtn->text()), "Use"},
      {Text(form->HelpBtn->text()), "Help"},
      {Text(form->CancelBtn->text()), "Cancel"},
      {Text(form->AnOkBtn->text()), "OK"},
      {Text(form->Panel1->text()), ""},
  };
  for (const auto& [shown, expected] : captions) EXPECT_EQ(shown, expected);
  const std::pair<QWidget*, std::string> hints[] = {
      {form->SearchWords,
       "Type one or more words, or parts\nof words, you wish to search for here\n"
       "(longer words mean quicker searches)"},
      {form->AnyOrAllRadio,
       "Select \"Match all words\" if the articles\nmust contain all the words entered"},
      {form->AuthorCombo,
       "If you want to limit your search\nto articles written by one author,\n"
       "select the author here"},
      {form->IssueCombo,
       "If you want to limit your search\nto just one issue of the magazine,\n"
       "select the issue here"},
      {form->KeywordCopyBtn, "Use this keyword\nin the current query"},
  };
  for (const auto& [control, hint] : hints) EXPECT_EQ(Text(control->toolTip()), hint);
  EXPECT_TRUE(form->AnyWordRadio->isChecked());
  EXPECT_TRUE(form->AnOkBtn->isDefault());
  EXPECT_EQ(TabOrder(*form),
            (std::vector<QWidget*>{form->AuthorCheck, form->AuthorCombo, form->IssueCheck,
                                   form->IssueCombo, form->FreeTextBtn, form->SearchWords,
                                   form->AnyWordRadio, form->AllWordsRadio, form->KeywordCombo,
                                   form->KeywordCopyBtn, form->HelpBtn, form->CancelBtn,
                                   form->AnOkBtn}));
  ShowActive(*form);
  EXPECT_EQ(QApplication::focusWidget(), form->SearchWords);
}

TEST_F(ArtiSearchFormTest, ListsShowTheCatalogueWithNothingSelected) {
  const auto form = MakeForm();
  EXPECT_TRUE(form->SearchAvailable());
  ASSERT_EQ(form->IssueCombo->count(), 100);
  EXPECT_EQ(Text(form->IssueCombo->itemText(0)), "  1 : April 1995");
  EXPECT_EQ(Text(form->IssueCombo->itemText(44)), " 45 : May 1999");
  EXPECT_EQ(Text(form->IssueCombo->itemText(99)), "100 : December 2003");
  // Names shown; the whole item (name in 64 characters, then the number) kept as data.
  ASSERT_EQ(form->AuthorCombo->count(), 4);
  EXPECT_EQ(Text(form->AuthorCombo->itemText(0)), "Ann Smith");
  EXPECT_EQ(Text(form->AuthorCombo->itemData(0).toString()), "Ann Smith" + std::string(55, ' ') + "1");
  EXPECT_EQ(Text(form->AuthorCombo->itemText(2)), "J\u00fcrgen Wei\u00df");
  EXPECT_EQ(Text(form->AuthorCombo->itemData(3).toString()), "Zoe Long" + std::string(56, 'z') + "3");
  ASSERT_EQ(form->KeywordCombo->count(), 6);
  EXPECT_EQ(Text(form->KeywordCombo->itemText(0)), "Delphi" + std::string(22, ' '));
  for (const QComboBox* list : {static_cast<QComboBox*>(form->AuthorCombo),
                                static_cast<QComboBox*>(form->IssueCombo), form->KeywordCombo})
    EXPECT_EQ(list->currentIndex(), -1);
  EXPECT_FALSE(form->AuthorCheck->isChecked());
  EXPECT_FALSE(form->IssueCheck->isChecked());
}

// Each check box and its list: ticking selects the first item, clearing selects none; dropping
// the list down or choosing from it with a key ticks the box; leaving it empty clears the box.
TEST_F(ArtiSearchFormTest, CheckBoxesAndTheirListsFollowEachOther) {
  const auto form = MakeForm();
  ShowActive(*form);
  const std::pair<QCheckBox*, DropDownCombo*> pairs[] = {{form->AuthorCheck, form->AuthorCombo},
                                                         {form->IssueCheck, form->IssueCombo}};
  for (const auto& [check, list] : pairs) {
    check->click();
    EXPECT_EQ(list->currentIndex(), 0);
    check->click();
    EXPECT_EQ(list->currentIndex(), -1);

    list->showPopup();
    EXPECT_TRUE(check->isChecked());
    EXPECT_EQ(list->currentIndex(), 0);
    list->hidePopup();

    check->setChecked(false);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentIndex(), 1) << Text(check->text());
    EXPECT_TRUE(check->isChecked());

    list->setCurrentIndex(-1);
    form->SearchWords->setFocus();
    EXPECT_FALSE(check->isChecked()) << Text(check->text());
  }
}

TEST_F(ArtiSearchFormTest, AuthorPositionIsKeptBetweenOpenings) {
  const auto form = MakeForm();
  EXPECT_EQ(form->RememberedAuthorIndex, -1);
  form->show();
  form->AuthorCheck->setChecked(true);
  form->AuthorCombo->setCurrentIndex(2);
  form->CancelBtn->click();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(form->RememberedAuthorIndex, 2);
  form->AuthorCombo->setCurrentIndex(0);
  form->show();
  EXPECT_EQ(form->AuthorCombo->currentIndex(), 2);
}

// "Use", by the button and by Ctrl+C in the keyword list (other modifiers as well).
TEST_F(ArtiSearchFormTest, UseQuotesTheKeywordIntoTheSearchWords) {
  struct Case {
    std::string before, keyword;
    std::function<void(ArtiSearchForm&)> use;
    std::string after;
  };
  const auto button = [](ArtiSearchForm& form) { form.KeywordCopyBtn->click(); };
  const auto ctrl_c = [](ArtiSearchForm& form) {
    QTest::keyClick(form.KeywordCombo, Qt::Key_C, Qt::ControlModifier);
  };
  const auto ctrl_shift_c = [](ArtiSearchForm& form) {
    QTest::keyClick(form.KeywordCombo, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  };
  const auto plain_c = [](ArtiSearchForm& form) { QTest::keyClick(form.KeywordCombo, Qt::Key_C); };
  const Case cases[] = {
      {"", "Heap" + std::string(24, ' '), button, "\"Heap\""},
      {"memory", "Heap   ", button, "memory \"Heap\""},
      {"memory", "memory manager", ctrl_c, "memory \"memory manager\""},
      {"", "Pascal", ctrl_shift_c, "\"Pascal\""},
      {"memory", "Pascal", plain_c, "memory"},
  };
  const auto form = MakeForm();
  ShowActive(*form);
  for (const Case& c : cases) {
    form->SearchWords->setText(QString::fromStdString(c.before));
    form->KeywordCombo->setEditText(QString::fromStdString(c.keyword));
    form->KeywordCombo->setFocus();
    c.use(*form);
    EXPECT_EQ(Text(form->SearchWords->text()), c.after) << c.keyword;
    if (c.after != c.before) {
      EXPECT_EQ(QApplication::focusWidget(), form->SearchWords);
    }
  }
}

TEST_F(ArtiSearchFormTest, OkWithAWordWritesTheResultsPageAndCloses) {
  const auto form = MakeForm();
  form->show();
  form->SearchWords->setText(QStringLiteral("heap"));
  form->AnOkBtn->click();
  EXPECT_TRUE(ResultsPageWritten());
  EXPECT_EQ(form->Outcome(), (core::SearchOutcome{true, false, false}));
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(form->result(), QDialog::Rejected);
  EXPECT_EQ(Text(form->Panel1->text()), "");
}

// The text, the mode and the selections reach the search: the results page lists exactly the
// articles they select (titles from the sample catalogue).
TEST_F(ArtiSearchFormTest, ModeAndSelectionsNarrowTheResults) {
  struct Case {
    std::string text;
    bool all_words;
    int author_index, issue_index;  // -1: none
    std::vector<std::string> listed, left_out;
  };
  const Case cases[] = {
      {"memory heap", false, -1, -1,
       {"Memory manager", "Heap review", "Tips and tricks", "Clinic"}, {"Graphics review"}},
      {"memory heap", true, -1, -1, {"Memory manager"}, {"Heap review", "Tips and tricks"}},
      {"", false, 1, -1, {"Heap review", "Tips and tricks", "Graphics review"}, {"Memory manager"}},
      {"", false, 1, 6, {"Heap review"}, {"Tips and tricks", "Graphics review"}},
  };
  const auto form = MakeForm();
  for (const Case& c : cases) {
    form->show();
    form->SearchWords->setText(QString::fromStdString(c.text));
    (c.all_words ? form->AllWordsRadio : form->AnyWordRadio)->setChecked(true);
    form->AuthorCombo->setCurrentIndex(c.author_index);
    form->IssueCombo->setCurrentIndex(c.issue_index);
    form->AnOkBtn->click();
    ASSERT_TRUE(ResultsPageWritten()) << c.text;
    const std::string page = Read(kResultsPage);
    for (const std::string& title : c.listed) {
      EXPECT_NE(page.find(title), std::string::npos) << title;
    }
    for (const std::string& title : c.left_out) {
      EXPECT_EQ(page.find(title), std::string::npos) << title;
    }
    std::filesystem::remove(dir_.path() / kResultsPage);
  }
}

// Ends that keep the dialog open, and the declined short-word warning that closes it; the
// status panel is repainted with each progress text while the search runs.
TEST_F(ArtiSearchFormTest, EndsWithoutAPage) {
  struct Case {
    std::string text;
    int threshold;
    core::MessageBox box;
    bool open_after;
    std::vector<std::string> painted;  // panel texts painted, in order (prefixes)
  };
  const Case cases[] = {
      {"heap", 1,
       {BoxKind::Confirmation, "", "2 matches were found:\rdo you wish to view the results?",
        Buttons::YesNo},
       true,
       {"", "Checking keyword heap", "Checking keyword heap",
        "Search completed: 2 articles match, Time: "}},
      {"zzzz", 100,
       {BoxKind::Information, "", "Sorry, no matches were found:\rplease try again", Buttons::Ok},
       true,
       {"", "Search completed: 0 articles match, Time: "}},
      {"ab", 100,
       {BoxKind::Warning, "",
        "Searches for long words are much quicker.\rLooking for one and two letter words can be "
        "slow.\rAre you sure you wish to continue?",
        Buttons::YesNo},
       false,
       {""}},
  };
  const auto form = MakeForm();
  std::vector<std::string> painted;
  struct PaintRecorder : QObject {
    std::function<void()> on_paint;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) on_paint();
      return false;
    }
  } recorder;
  recorder.on_paint = [&] { painted.push_back(Text(form->Panel1->text())); };
  form->Panel1->installEventFilter(&recorder);
  for (const Case& c : cases) {
    settings_.ResultsThreshold = c.threshold;
    ShowActive(*form);
    form->SearchWords->setText(QString::fromStdString(c.text));
    painted.clear();
    ui_.Expect(c.box.kind, c.box.text, c.box.buttons,
               c.box.buttons == Buttons::Ok ? Answer::Ok : Answer::No);
    form->AnOkBtn->click();
    EXPECT_TRUE(ui_.Done()) << c.text;
    EXPECT_EQ(form->isVisible(), c.open_after) << c.text;
    EXPECT_EQ(form->Outcome(), core::SearchOutcome{});
    EXPECT_FALSE(ResultsPageWritten());
    ASSERT_EQ(painted.size(), c.painted.size()) << c.text;
    for (std::size_t i = 0; i < painted.size(); ++i)
      EXPECT_EQ(painted[i].substr(0, c.painted[i].size()), c.painted[i]) << c.text << " " << i;
  }
  form->Panel1->removeEventFilter(&recorder);
}

TEST_F(ArtiSearchFormTest, HelpAndFreeTextSearch) {
  std::vector<std::string> pages;
  const platform::HelpPageHandler previous =
      platform::SetHelpPageHandler([&](const std::string& page) { pages.push_back(page); });
  const auto form = MakeForm();
  ShowActive(*form);
  form->HelpBtn->click();
  QTest::keyClick(form->SearchWords, Qt::Key_F1);
  EXPECT_EQ(pages, (std::vector<std::string>{"help.htm#ArtSrch", "help.htm#ArtSrch"}));
  platform::SetHelpPageHandler(previous);

  // Free Text Search hands over to the main window's full-text search: the dialog closes with
  // no page written.
  form->FreeTextBtn->click();
  EXPECT_FALSE(form->isVisible());
  core::SearchOutcome wanted;
  wanted.FullTextSearchWanted = true;
  EXPECT_EQ(form->Outcome(), wanted);
}

// A data folder where a missing table cannot be created: the program goes on without the
// search and says why, at creation and at every request.
TEST_F(ArtiSearchFormTest, CatalogueThatCannotOpenLeavesTheSearchUnavailable) {
  dir_.Write("partial/keyword.dbf", testing::KeywordTable(testing::SampleKeywords()));
  std::filesystem::create_directories(dir_.path() / "partial" / "article.dbf");
  settings_.DataDir = DataDir() + "partial/";
  const std::string error = std::string(kCatalogueNotOpened) +
                            "Error # 5 (File access denied)\r\nError writing " + DataDir() +
                            "partial/article.dbf. [CreateDbf]";
  ui_.Expect(BoxKind::Error, error);
  ArtiSearchForm form(settings_);
  EXPECT_FALSE(form.SearchAvailable());
  EXPECT_EQ(form.OpenError(), error);
  ui_.Expect(BoxKind::Error, error);
  form.ShowSearch();
  EXPECT_TRUE(ui_.Done());
  EXPECT_FALSE(form.isVisible());
}

// A folder without any catalogue table is no archive: nothing is created there, and the
// search, unavailable, says why when it is asked for (not at start).
TEST_F(ArtiSearchFormTest, AFolderWithoutACatalogueGetsNoTablesAndNoSearch) {
  std::filesystem::create_directory(dir_.path() / "pages");
  settings_.DataDir = DataDir() + "pages/";
  ArtiSearchForm form(settings_);
  EXPECT_TRUE(ui_.Done());
  EXPECT_FALSE(form.SearchAvailable());
  const std::string error = std::string(kCatalogueNotOpened) + kNoCatalogue + DataDir() + "pages/";
  ui_.Expect(BoxKind::Error, error);
  form.ShowSearch();
  EXPECT_TRUE(ui_.Done());
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path() / "pages"));
}

// keywords.lst that cannot be written: the standard error box, and the search still works.
TEST_F(ArtiSearchFormTest, UnwritableKeywordListStillSearches) {
  std::filesystem::create_directory(dir_.path() / "keywords.lst");
  ui_.Expect(BoxKind::Error, "File access denied: " + DataDir() + "keywords.lst");
  const auto form = MakeForm();
  EXPECT_TRUE(ui_.Done());
  EXPECT_TRUE(form->SearchAvailable());
  EXPECT_EQ(form->KeywordCombo->count(), 6);
  form->show();
  form->SearchWords->setText(QStringLiteral("heap"));
  form->AnOkBtn->click();
  EXPECT_TRUE(ResultsPageWritten());
}

}  // namespace
}  // namespace vantorel::dialogs
