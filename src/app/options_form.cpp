#include "app/options_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QToolButton>

#include <algorithm>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>

#include "app/ini_file.h"
#include "app/settings_file.h"
#include "core/settings.h"
#include "core/texts.h"
#include "core/ui.h"
#include "platform/cd_drive.h"
#include "platform/file_system.h"
#include "platform/help_page.h"
#include "platform/outside_programs.h"
#include "qtui/qt_text.h"

namespace vantorel::app {

using qtui::PathFromQString;
using qtui::PathToQString;
using qtui::ToQString;

namespace {

constexpr int kFormWidth = 507;
constexpr int kFormHeight = 327;

// "\r\n" in a hint is a line break.
QString Hint(const char* text) { return ToQString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

// The runtime's conversion of a number box.
std::int32_t IntegerValue(const QLineEdit* edit) {
  const std::string text = PathFromQString(edit->text());
  std::int32_t value = 0;
  if (!ParseProfileInteger(text, value))
    throw std::invalid_argument("'" + text + "' is not a valid integer value");
  return value;
}

QToolButton* BrowseButton(const char* hint) {
  auto* button = new QToolButton;
  button->setText(QStringLiteral("..."));
  button->setToolTip(ToQString(hint));
  return button;
}

// A box with its browse button at the right.
QWidget* WithBrowseButton(QLineEdit* edit, QToolButton* button) {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(edit, 1);
  layout->addWidget(button);
  return row;
}

}  // namespace

OptionsForm::OptionsForm(core::BrowserSettings& settings, std::filesystem::path settings_file, QWidget* parent)
    : QDialog(parent), settings_(settings), settings_file_(std::move(settings_file)) {
  setWindowTitle(QStringLiteral("Options"));
  resize(kFormWidth, kFormHeight);

  AcrobatPathEdit = new QLineEdit;
  AcrobatPathEdit->setToolTip(Hint("Location of Adobe Acrobat Reader\r\nif installed (needed to view articles)"));
  AcrobatPathBrowse = BrowseButton("Click to browse for file");
  BrowserPathEdit = new QLineEdit;
  BrowserPathEdit->setToolTip(Hint("Location of Web browser, if installed\r\n(optional: allows automatic link to websites)"));
  BrowserPathBrowse = BrowseButton("Click to browse for file");
  PDFPathEdit = new QLineEdit;
  PDFPathEdit->setToolTip(Hint("Location of article PDF files:\r\non your hard disk or the CD-ROM"));
  PDFPathBrowse = BrowseButton("Click to browse for directory");
  SourcePathEdit = new QLineEdit;
  SourcePathEdit->setToolTip(Hint("Location of companion disk files:\r\non your hard disk or the CD-ROM"));
  SourcePathBrowse = BrowseButton("Click to browse for directory");
  CDDrive = new QComboBox;
  CDDrive->setEditable(true);
  CDDrive->setToolTip(Hint("Select which is your CD-ROM drive\r\n(needed to install bonus files, optional\r\nto view articles or companion disk contents\r\nif not installed to your hard disk)"));
  LastIssueEdit = new QLineEdit;
  LastIssueEdit->setToolTip(Hint("Last issue for which article files and/or\r\ncompanion disk files are installed"));
  LastIssueEdit->installEventFilter(this);
  ResultsDialogThresholdEdit = new QLineEdit;
  ResultsDialogThresholdEdit->setToolTip(Hint("If an article search yields more\r\nthan this number of articles, ask\r\nbefore displaying the articles"));
  ExternalZipCheck = new QCheckBox;
  ZipUtilEdit = new QLineEdit;
  ZipUtilEdit->setToolTip(Hint("Location of Zip utility browser, if installed\r\n(optional: allows use of external Zip utility)"));
  ZipUtilEdit->installEventFilter(this);
  ZipUtilBrowse = BrowseButton("Click to browse for file");

  auto* threshold_row = new QWidget;
  auto* threshold_layout = new QHBoxLayout(threshold_row);
  threshold_layout->setContentsMargins(0, 0, 0, 0);
  threshold_layout->addWidget(ResultsDialogThresholdEdit);
  threshold_layout->addWidget(new QLabel(QStringLiteral("results in an Article Search")));
  threshold_layout->addStretch(1);
  ResultsDialogThresholdEdit->setMaximumWidth(60);
  LastIssueEdit->setMaximumWidth(60);

  auto* grid = new QGridLayout;
  int row = 0;
  const auto add_row = [&](const char* label, QWidget* control) {
    grid->addWidget(new QLabel(QString::fromLatin1(label)), row, 0);
    grid->addWidget(control, row, 1);
    ++row;
  };
  add_row("Acrobat Reader", WithBrowseButton(AcrobatPathEdit, AcrobatPathBrowse));
  add_row("Web browser", WithBrowseButton(BrowserPathEdit, BrowserPathBrowse));
  add_row("Article PDF files", WithBrowseButton(PDFPathEdit, PDFPathBrowse));
  add_row("Source code files", WithBrowseButton(SourcePathEdit, SourcePathBrowse));
  add_row("CD-ROM drive", CDDrive);
  add_row("Last issue installed", LastIssueEdit);
  add_row("Ask if more than", threshold_row);
  add_row("Use external zip utility", ExternalZipCheck);
  add_row("Zip utility", WithBrowseButton(ZipUtilEdit, ZipUtilBrowse));
  grid->setColumnStretch(1, 1);

  BitBtn3 = new QPushButton(QStringLiteral("&Help"));
  BitBtn2 = new QPushButton(QStringLiteral("Cancel"));
  BitBtn1 = new QPushButton(QStringLiteral("OK"));
  BitBtn1->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(BitBtn3);
  buttons->addStretch(1);
  buttons->addWidget(BitBtn2);
  buttons->addWidget(BitBtn1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addStretch(1);
  layout->addLayout(buttons);

  connect(BitBtn1, &QPushButton::clicked, this, &OptionsForm::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
  connect(BitBtn3, &QPushButton::clicked, this, &OptionsForm::BitBtn3Click);
  connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
          &OptionsForm::ShowHelp);
  // Program files on Linux carry no extension, so every file can be picked as well.
  connect(AcrobatPathBrowse, &QToolButton::clicked, this, [this] {
    BrowseForFile(AcrobatPathEdit, "Program files|*.exe|All files|*", "Select Acrobat Reader");
  });
  connect(BrowserPathBrowse, &QToolButton::clicked, this, [this] {
    BrowseForFile(BrowserPathEdit, "Program Files|*.exe|All files|*", "Select Web browser");
  });
  connect(ZipUtilBrowse, &QToolButton::clicked, this, [this] {
    BrowseForFile(ZipUtilEdit, "Program files|*.exe|All files|*", "Select Zip utility");
  });
  connect(PDFPathBrowse, &QToolButton::clicked, this, [this] {
    BrowseForDirectory(PDFPathEdit, "Location of article PDF files");
  });
  connect(SourcePathBrowse, &QToolButton::clicked, this, [this] {
    BrowseForDirectory(SourcePathEdit, "Location of companion disk files");
  });

  if (const QScreen* screen = this->screen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
}

void OptionsForm::showEvent(QShowEvent* event) {
  FormActivate();
  QDialog::showEvent(event);
}

void OptionsForm::FormActivate() {
  const core::BrowserSettings& settings = settings_;
  AcrobatPathEdit->setText(PathToQString(settings.AcrobatPath));
  BrowserPathEdit->setText(PathToQString(settings.BrowserPath));
  PDFPathEdit->setText(PathToQString(settings.PdfDir));
  SourcePathEdit->setText(PathToQString(settings.SourceDir));
  CDDrive->clear();
  const platform::CdDriveChoices choices = platform::CdDriveChoicesFor(settings.CdPath);
  for (const std::string& drive : choices.drives) CDDrive->addItem(PathToQString(drive));
  CDDrive->setCurrentIndex(choices.selected ? static_cast<int>(*choices.selected) : -1);
  if (!choices.selected) CDDrive->setEditText(QString());
  LastIssueEdit->setText(QString::number(settings.LastIssue));
  ResultsDialogThresholdEdit->setText(QString::number(settings.ResultsThreshold));
  ExternalZipCheck->setChecked(settings.UseExternalZip);
  ZipUtilEdit->setText(PathToQString(settings.ZipUtilPath));
}

void OptionsForm::BitBtn1Click() {
  for (QLineEdit* edit : {LastIssueEdit, ResultsDialogThresholdEdit}) {
    try {
      IntegerValue(edit);
    } catch (const std::exception& error) {
      core::ShowError(error.what());
      edit->setFocus();
      edit->selectAll();
      return;
    }
  }
  setResult(QDialog::Accepted);
  try {
    TakeOverFields();
  } catch (const std::exception& error) {
    core::ShowError(error.what());
  }
  accept();
}

void OptionsForm::TakeOverFields() {
  core::BrowserSettings& settings = settings_;
  settings.AcrobatPath = PathFromQString(AcrobatPathEdit->text());
  settings.BrowserPath = PathFromQString(BrowserPathEdit->text());
  settings.PdfDir = DirectoryWithSeparator(PathFromQString(PDFPathEdit->text()));
  settings.SourceDir = DirectoryWithSeparator(PathFromQString(SourcePathEdit->text()));
  settings.CdPath = DirectoryWithSeparator(PathFromQString(CDDrive->currentText()));
  settings.LastIssue = IntegerValue(LastIssueEdit);
  settings.ResultsThreshold = IntegerValue(ResultsDialogThresholdEdit);
  settings.UseExternalZip = ExternalZipCheck->isChecked();
  settings.ZipUtilPath = PathFromQString(ZipUtilEdit->text());
  SaveSettings(settings_file_, settings);
}

void OptionsForm::BitBtn3Click() { ShowHelp(); }

void OptionsForm::ShowHelp() { platform::ShowHelpPage("help.htm#Options"); }

bool OptionsForm::LastIssueEditKeyPress(QChar key) {
  return (key >= QLatin1Char('0') && key <= QLatin1Char('9')) || key == QChar(8);
}

void OptionsForm::ZipUtilEditEnter() {
  if (ExternalZipCheck->isChecked() && ZipUtilEdit->text().isEmpty())
    ZipUtilEdit->setText(PathToQString(platform::FindAssociatedProgram(settings_.DataDir, "DUMMY.ZIP")));
  ZipUtilEdit->repaint();
}

bool OptionsForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == LastIssueEdit && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
      case Qt::Key_Delete: case Qt::Key_Tab: case Qt::Key_Backtab: case Qt::Key_Return:
      case Qt::Key_Enter: case Qt::Key_Escape:
        return false;
      default:
        break;
    }
    // A typed character passes only when it is a digit or backspace; keys that type nothing
    // (arrows, Home, End) move the caret as usual.
    if (!key->text().isEmpty() && !LastIssueEditKeyPress(key->text().front())) return true;
  }
  if (watched == ZipUtilEdit && event->type() == QEvent::FocusIn) ZipUtilEditEnter();
  return QDialog::eventFilter(watched, event);
}

void OptionsForm::BrowseForFile(QLineEdit* edit, const std::string& filter,
                                const std::string& title) {
  const std::filesystem::path current = platform::ResolvePath(PathFromQString(edit->text()));
  const auto chosen = core::CurrentUi().AskForFile(
      {title, filter, current.has_parent_path() ? platform::PathText(current.parent_path()) : ""});
  if (chosen) edit->setText(PathToQString(*chosen));
}

void OptionsForm::BrowseForDirectory(QLineEdit* edit, const std::string& title) {
  std::optional<std::string> chosen =
      core::CurrentUi().AskForFolder({title, PathFromQString(edit->text())});
  if (!chosen || chosen->empty()) return;
  if (chosen->back() != '/') *chosen += '/';
  edit->setText(PathToQString(*chosen));
}

}  // namespace vantorel::app
