#include "dialogs/arti_search_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

#include <exception>
#include <iterator>
#include <utility>

#include "core/progress_redirect.h"
#include "core/settings.h"
#include "core/texts.h"
#include "core/ui.h"
#include "platform/help_page.h"
#include "qtui/drop_down_combo.h"
#include "qtui/form_controls.h"
#include "qtui/qt_text.h"
#include "tables/kv_error.h"

namespace vantorel::dialogs {

using core::ProgressRedirect;
using qtui::Button;
using qtui::DropDownCombo;
using qtui::Hint;

using qtui::FromQString;
using qtui::ToQString;

namespace {

constexpr int kFormWidth = 480;
constexpr int kFormHeight = 256;
constexpr int kDropDownCount = 8;
constexpr char kHelpPage[] = "help.htm#ArtSrch";

// The list's selected item (its data when it has one), if any.
std::optional<std::string> SelectedItem(const QComboBox& list) {
  if (list.currentIndex() < 0) return std::nullopt;
  const QVariant data = list.currentData();
  return FromQString(data.isValid() ? data.toString() : list.currentText());
}

}  // namespace

ArtiSearchForm::ArtiSearchForm(const core::BrowserSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings), catalogue_(settings.DataDir) {
  BuildControls();
  FormCreate();
}

void ArtiSearchForm::BuildControls() {
  setWindowTitle(QStringLiteral("Search articles"));
  setFont(QFont(QStringLiteral("MS Sans Serif"), 8));

  AuthorCheck = new QCheckBox(QStringLiteral("Author"));
  AuthorCombo = new DropDownCombo;
  AuthorCombo->setToolTip(Hint(
      "If you want to limit your search\r\nto articles written by one author,\r\nselect the author here"));
  IssueCheck = new QCheckBox(QStringLiteral("Issue"));
  IssueCombo = new DropDownCombo;
  IssueCombo->setToolTip(Hint(
      "If you want to limit your search\r\nto just one issue of the magazine,\r\nselect the issue here"));
  FreeTextBtn = Button("Free Text Search");

  Label1 = new QLabel(QStringLiteral("Keyword(s) to search for"));
  SearchWords = new QLineEdit;
  SearchWords->setToolTip(Hint(
      "Type one or more words, or parts\r\nof words, you wish to search for here\r\n(longer words mean quicker searches)"));
  Label1->setBuddy(SearchWords);

  AnyOrAllRadio = new QGroupBox(QStringLiteral("Keyword search type"));
  AnyOrAllRadio->setToolTip(Hint(
      "Select \"Match all words\" if the articles\r\nmust contain all the words entered"));
  AnyWordRadio = new QRadioButton(QStringLiteral("Match any word"));
  AllWordsRadio = new QRadioButton(QStringLiteral("Match all words"));
  AnyWordRadio->setChecked(true);
  auto* modes = new QVBoxLayout(AnyOrAllRadio);
  modes->addWidget(AnyWordRadio);
  modes->addWidget(AllWordsRadio);

  GroupBox1 = new QGroupBox(QStringLiteral("Browse keywords"));
  KeywordCombo = new QComboBox;
  KeywordCombo->setEditable(true);
  KeywordCombo->setInsertPolicy(QComboBox::NoInsert);
  KeywordCopyBtn = Button("Use");
  KeywordCopyBtn->setToolTip(Hint("Use this keyword\r\nin the current query"));
  auto* browse = new QHBoxLayout(GroupBox1);
  browse->addWidget(KeywordCombo, 1);
  browse->addWidget(KeywordCopyBtn);

  HelpBtn = Button("Help");
  CancelBtn = Button("Cancel");
  AnOkBtn = new QPushButton(QStringLiteral("OK"));
  AnOkBtn->setDefault(true);

  Panel1 = new QLabel;
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setMinimumHeight(Panel1->fontMetrics().height() + 6);
  Panel1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

  // Each check box beside its list, the lists aligned.
  auto* selections = new QGridLayout;
  selections->addWidget(AuthorCheck, 0, 0);
  selections->addWidget(AuthorCombo, 0, 1);
  selections->addWidget(IssueCheck, 1, 0);
  selections->addWidget(IssueCombo, 1, 1);
  selections->setColumnStretch(1, 1);
  auto* top = new QHBoxLayout;
  top->addLayout(selections, 1);
  top->addWidget(FreeTextBtn, 0, Qt::AlignTop);

  auto* middle = new QHBoxLayout;
  middle->addWidget(AnyOrAllRadio);
  middle->addWidget(GroupBox1, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(HelpBtn);
  buttons->addStretch(1);
  buttons->addWidget(CancelBtn);
  buttons->addWidget(AnOkBtn);

  auto* body = new QVBoxLayout;
  body->addLayout(top);
  body->addSpacing(6);
  body->addWidget(Label1);
  body->addWidget(SearchWords);
  body->addLayout(middle);
  body->addStretch(1);
  body->addLayout(buttons);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* body_area = new QWidget;
  body_area->setLayout(body);
  layout->addWidget(body_area, 1);
  layout->addWidget(Panel1);
  resize(kFormWidth, kFormHeight);

  QWidget* const tab_order[] = {AuthorCheck,  AuthorCombo,  IssueCheck,   IssueCombo,
                                FreeTextBtn,  SearchWords,  AnyWordRadio, AllWordsRadio,
                                KeywordCombo, KeywordCopyBtn, HelpBtn,    CancelBtn,
                                AnOkBtn};
  for (std::size_t i = 1; i < std::size(tab_order); ++i)
    setTabOrder(tab_order[i - 1], tab_order[i]);

  // The lists drop down below their boxes, eight items high, instead of covering the screen.
  for (QComboBox* list : {static_cast<QComboBox*>(AuthorCombo),
                          static_cast<QComboBox*>(IssueCombo), KeywordCombo}) {
    list->setStyleSheet(QStringLiteral("combobox-popup: 0;"));
    list->setMaxVisibleItems(kDropDownCount);
  }

  connect(AuthorCheck, &QCheckBox::toggled, this, &ArtiSearchForm::AuthorCheckClick);
  connect(IssueCheck, &QCheckBox::toggled, this, &ArtiSearchForm::IssueCheckClick);
  AuthorCombo->OnDropDown = [this] { AuthorComboDropDown(); };
  IssueCombo->OnDropDown = [this] { IssueComboDropDown(); };
  // A choice made without dropping the list (keys, wheel) ticks the box too; ticking must
  // not move the choice back to the first item.
  for (auto [list, check] : {std::pair{AuthorCombo, AuthorCheck}, std::pair{IssueCombo, IssueCheck}}) {
    connect(list, &QComboBox::activated, check, [check = check] {
      const QSignalBlocker quiet(check);
      check->setChecked(true);
    });
    list->installEventFilter(this);
  }
  KeywordCombo->installEventFilter(this);
  connect(FreeTextBtn, &QPushButton::clicked, this, &ArtiSearchForm::FreeTextBtnClick);
  connect(KeywordCopyBtn, &QPushButton::clicked, this, &ArtiSearchForm::KeywordCopyBtnClick);
  connect(HelpBtn, &QPushButton::clicked, this, &ArtiSearchForm::HelpBtnClick);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(AnOkBtn, &QPushButton::clicked, this, &ArtiSearchForm::OkBtnClick);
  connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
          &ArtiSearchForm::HelpBtnClick);

  if (const QScreen* screen = this->screen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
}

void ArtiSearchForm::FormCreate() {
  SearchWords->setFocus();
  RememberedAuthorIndex = -1;
  catalogue_.SetRaiseEngineErrors(true);
  if (!catalogue::HoldsCatalogue(catalogue_.DataDir())) {
    open_error_ = kCatalogueNotOpened + std::string(kNoCatalogue) + catalogue_.DataDir();
    FillLists();
    return;
  }
  try {
    catalogue_.Open();
  } catch (const tables::EKvError& error) {
    open_error_ = kCatalogueNotOpened + std::string(error.what());
  } catch (const std::exception& error) {
    // The keyword list cache could not be written; the tables are open all the same.
    core::ShowError(error.what());
  }
  FillLists();
  if (!open_error_.empty()) {
    core::ShowError(open_error_);
    return;
  }
  pages_.emplace(catalogue_, settings_);
  search_.emplace(catalogue_, *pages_, settings_);
}

void ArtiSearchForm::FillLists() {
  IssueCombo->clear();
  for (const std::string& item : catalogue_.IssueItems()) IssueCombo->addItem(ToQString(item));
  IssueCombo->setCurrentIndex(-1);
  AuthorCombo->clear();
  for (const std::string& item : catalogue_.AuthorItems().Items()) {
    const std::string name = core::RightTrim(item.substr(0, catalogue::kAuthorNameWidth));
    AuthorCombo->addItem(ToQString(name), ToQString(item));
  }
  AuthorCombo->setCurrentIndex(-1);
  KeywordCombo->clear();
  for (const std::string& item : catalogue_.KeywordItems().Items())
    KeywordCombo->addItem(ToQString(item));
  KeywordCombo->setCurrentIndex(-1);
}

core::SearchOutcome ArtiSearchForm::ShowSearch() {
  outcome_ = {};
  if (!SearchAvailable()) {
    core::ShowError(open_error_);
    return outcome_;
  }
  exec();
  return outcome_;
}

catalogue::SearchRequest ArtiSearchForm::Request() const {
  catalogue::SearchRequest request;
  request.text = FromQString(SearchWords->text());
  request.mode = AllWordsRadio->isChecked() ? catalogue::MatchMode::AllWords
                                            : catalogue::MatchMode::AnyWord;
  request.author_item = SelectedItem(*AuthorCombo);
  request.issue_item = SelectedItem(*IssueCombo);
  return request;
}

void ArtiSearchForm::OkBtnClick() {
  if (!SearchAvailable()) return;
  catalogue::SearchEnd end;
  try {
    const ProgressRedirect to_panel([this](const std::string& text) { Progress(text); });
    end = search_->OkBtnClick(Request());
  } catch (const tables::EKvError& error) {
    tables::ErrorReport(error);
    return;
  } catch (const std::exception& error) {
    core::ShowError(error.what());
    return;
  }
  outcome_ |= search_->Outcome();
  if (catalogue::ClosesDialog(end)) close();
}

void ArtiSearchForm::Progress(const std::string& text) {
  Panel1->setText(ToQString(text));
  Panel1->repaint();
}

void ArtiSearchForm::showEvent(QShowEvent* event) {
  FormActivate();
  SearchWords->setFocus();
  QDialog::showEvent(event);
}

void ArtiSearchForm::FormActivate() {
  AuthorCombo->setCurrentIndex(RememberedAuthorIndex);
  AuthorCombo->setVisible(true);
}

void ArtiSearchForm::done(int result) {
  FormClose();
  QDialog::done(result);
}

void ArtiSearchForm::FormClose() { RememberedAuthorIndex = AuthorCombo->currentIndex(); }

void ArtiSearchForm::AuthorCheckClick() {
  AuthorCombo->setCurrentIndex(AuthorCheck->isChecked() ? 0 : -1);
}

void ArtiSearchForm::IssueCheckClick() {
  IssueCombo->setCurrentIndex(IssueCheck->isChecked() ? 0 : -1);
}

void ArtiSearchForm::AuthorComboDropDown() { AuthorCheck->setChecked(true); }

void ArtiSearchForm::IssueComboDropDown() { IssueCheck->setChecked(true); }

void ArtiSearchForm::AuthorComboExit() {
  if (AuthorCombo->currentText().isEmpty()) AuthorCheck->setChecked(false);
}

void ArtiSearchForm::IssueComboExit() {
  if (IssueCombo->currentText().isEmpty()) IssueCheck->setChecked(false);
}

void ArtiSearchForm::KeywordCopyBtnClick() {
  const std::string keyword = core::RightTrim(FromQString(KeywordCombo->currentText()));
  const QString quoted = ToQString("\"" + keyword + "\"");
  if (SearchWords->text().isEmpty())
    SearchWords->setText(quoted);
  else
    SearchWords->setText(SearchWords->text() + QLatin1Char(' ') + quoted);
  SearchWords->setFocus();
  repaint();
}

void ArtiSearchForm::HelpBtnClick() { platform::ShowHelpPage(kHelpPage); }

void ArtiSearchForm::FreeTextBtnClick() {
  outcome_.FullTextSearchWanted = true;
  close();
}

bool ArtiSearchForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == KeywordCombo && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    // Ctrl+C copies the keyword into the query; the combo still gets the key.
    if (key->key() == Qt::Key_C && (key->modifiers() & Qt::ControlModifier))
      KeywordCopyBtnClick();
  } else if (event->type() == QEvent::FocusOut &&
             static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
    if (watched == AuthorCombo) AuthorComboExit();
    if (watched == IssueCombo) IssueComboExit();
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace vantorel::dialogs
