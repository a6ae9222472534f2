#include "dialogs/html_search_form.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

#include <exception>
#include <iterator>

#include "core/progress_redirect.h"
#include "core/settings.h"
#include "core/ui.h"
#include "platform/help_page.h"
#include "qtui/form_controls.h"
#include "qtui/qt_text.h"
#include "tables/kv_error.h"

namespace vantorel::dialogs {

using core::ProgressRedirect;
using qtui::Button;
using qtui::Hint;

using qtui::FromQString;
using qtui::ToQString;

namespace {

constexpr int kFormWidth = 474;
constexpr int kFormHeight = 197;
constexpr char kHelpPage[] = "help.htm#HTMLSrch";

}  // namespace

HtmlSearchForm::HtmlSearchForm(const core::BrowserSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
  BuildControls();
}

void HtmlSearchForm::BuildControls() {
  setWindowTitle(QStringLiteral("Search bonus files and companion disks"));
  setFont(QFont(QStringLiteral("Arial"), 8));

  Label1 = new QLabel(QStringLiteral("Word(s) to search for"));
  SearchWords = new QLineEdit;
  SearchWords->setToolTip(Hint(
      "Type one or more words, or parts\r\nof words, you wish to search for here\r\n(longer words mean quicker searches)"));
  Label1->setBuddy(SearchWords);

  AnyOrAllRadio = new QGroupBox(QStringLiteral("Search type"));
  AnyOrAllRadio->setToolTip(Hint(
      "Select \"Match all words\" if the documents\r\nmust contain all the words entered"));
  AnyWordRadio = new QRadioButton(QStringLiteral("Match any word"));
  AllWordsRadio = new QRadioButton(QStringLiteral("Match all words"));
  AnyWordRadio->setChecked(true);
  auto* modes = new QHBoxLayout(AnyOrAllRadio);
  modes->addWidget(AnyWordRadio);
  modes->addWidget(AllWordsRadio);

  HelpBtn = Button("Help");
  CancelBtn = Button("Cancel");
  AnOkBtn = new QPushButton(QStringLiteral("OK"));
  AnOkBtn->setDefault(true);

  Panel1 = new QLabel;
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setMinimumHeight(Panel1->fontMetrics().height() + 6);
  Panel1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(HelpBtn);
  buttons->addWidget(CancelBtn);
  buttons->addWidget(AnOkBtn);
  auto* lower = new QHBoxLayout;
  lower->addWidget(AnyOrAllRadio);
  lower->addLayout(buttons, 1);
  lower->setAlignment(buttons, Qt::AlignBottom);

  auto* body = new QVBoxLayout;
  body->addWidget(Label1);
  body->addWidget(SearchWords);
  body->addStretch(1);
  body->addLayout(lower);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* body_area = new QWidget;
  body_area->setLayout(body);
  layout->addWidget(body_area, 1);
  layout->addWidget(Panel1);
  resize(kFormWidth, kFormHeight);

  QWidget* const tab_order[] = {SearchWords, AnyWordRadio, AllWordsRadio,
                                HelpBtn,     CancelBtn,    AnOkBtn};
  for (std::size_t i = 1; i < std::size(tab_order); ++i)
    setTabOrder(tab_order[i - 1], tab_order[i]);

  connect(HelpBtn, &QPushButton::clicked, this, &HtmlSearchForm::HelpBtnClick);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(AnOkBtn, &QPushButton::clicked, this, &HtmlSearchForm::OkBtnClick);
  connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
          &HtmlSearchForm::HelpBtnClick);

  if (const QScreen* screen = this->screen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
}

core::SearchOutcome HtmlSearchForm::ShowSearch() {
  outcome_ = {};
  if (!FormActivate()) {
    core::ShowError(open_error_);
    return outcome_;
  }
  exec();
  return outcome_;
}

bool HtmlSearchForm::FormActivate() {
  open_error_.clear();
  try {
    search_.OpenTables(settings_.DataDir);
  } catch (const tables::EKvError& error) {
    open_error_ = kBonusTablesNotOpened + std::string(error.what());
    return false;
  }
  SearchWords->setFocus();
  return true;
}

catalogue::BonusSearchRequest HtmlSearchForm::Request() const {
  catalogue::BonusSearchRequest request;
  request.text = FromQString(SearchWords->text());
  request.mode = AllWordsRadio->isChecked() ? catalogue::MatchMode::AllWords
                                            : catalogue::MatchMode::AnyWord;
  return request;
}

void HtmlSearchForm::OkBtnClick() {
  if (!search_.TablesOpen()) return;
  catalogue::SearchEnd end;
  try {
    const ProgressRedirect to_panel([this](const std::string& text) { Progress(text); });
    end = search_.OkBtnClick(Request());
  } catch (const tables::EKvError& error) {
    tables::ErrorReport(error);
    return;
  } catch (const std::exception& error) {
    core::ShowError(error.what());
    return;
  }
  outcome_ |= search_.Outcome();
  if (catalogue::ClosesDialog(end)) close();
}

void HtmlSearchForm::Progress(const std::string& text) {
  Panel1->setText(ToQString(text));
  Panel1->repaint();
}

void HtmlSearchForm::HelpBtnClick() { platform::ShowHelpPage(kHelpPage); }

}  // namespace vantorel::dialogs
