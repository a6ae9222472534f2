#include "dialogs/unzipper_form.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

#include "archive/extraction_request.h"
#include "archive/listing_texts.h"
#include "core/path_texts.h"
#include "core/ui.h"
#include "platform/file_system.h"
#include "platform/long_path.h"
#include "qtui/form_controls.h"
#include "qtui/qt_text.h"

namespace vantorel::dialogs {

using platform::ToLongPath;
using qtui::GlyphButton;

using qtui::PathFromQString;
using qtui::PathToQString;
using qtui::ToQString;

namespace {

constexpr int kFormWidth = 640;
constexpr int kFormHeight = 423;
constexpr int kTopBarHeight = 41;
constexpr int kBottomBarHeight = 76;
constexpr int kRowHeight = 18;
// The grid's 10 rows before an archive is shown include the heading row.
constexpr int kRowsWithoutArchive = 9;
constexpr int kFileNameColumnWidth = 150;
constexpr int kProgressBarWidth = 200;

constexpr char kOpenTitle[] = "Open";
constexpr char kZipFilter[] = "Zip files (*.zip)|*.ZIP";
constexpr char kFolderTitle[] = "Select Folder";

// The sizes label; the format groups thousands in threes with the user's separator. The text
// is ASCII apart from the separator, which goes in as UTF-8.
QString TotalSizeLabelText(std::int64_t compressed, std::int64_t uncompressed) {
  const std::string separator = QLocale().groupSeparator().toStdString();
  return QString::fromStdString(archive::TotalSizeText(compressed, uncompressed, separator));
}

}  // namespace

UnzipperForm::UnzipperForm(const std::string& archive, QWidget* parent)
    : QDialog(parent), archive_name_(archive) {
  BuildControls();
  KvUnZip1.SetReplaceReadOnly(true);
  KvUnZip1.OnTotalPercentDone = [this](int percent) { KvUnZip1TotalPercentDone(percent); };
  KvUnZip1.ProcessMessages = [] { QCoreApplication::processEvents(); };
  FormCreate();
}

void UnzipperForm::BuildControls() {
  setWindowTitle(QStringLiteral("Extract files from Zipfile"));
  resize(kFormWidth, kFormHeight);

  SelectZipBtn = GlyphButton(QStyle::SP_DialogOpenButton, "Open",
                             "Click to select and open a Zipfile");
  Label1 = new QLabel(QStringLiteral("Destination"));
  DestinationEdit = new QLineEdit;
  DestinationEdit->setToolTip(QStringLiteral("Directory to extract files into"));
  Label1->setBuddy(DestinationEdit);
  SpeedButton1 = new QToolButton;
  SpeedButton1->setIcon(QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon));
  SpeedButton1->setToolTip(QStringLiteral("Click to select directory\nto extract files into"));
  UnZipBtn = GlyphButton(QStyle::SP_DialogApplyButton, "Unzip",
                         "Click to extract the files\nfrom the current Zipfile");

  StringGrid1 = new QTableWidget(kRowsWithoutArchive, 2);
  StringGrid1->setToolTip(QStringLiteral("Files contained in the current Zipfile"));
  StringGrid1->setHorizontalHeaderLabels({QString(), QString()});
  StringGrid1->verticalHeader()->hide();
  StringGrid1->verticalHeader()->setMinimumSectionSize(kRowHeight);
  StringGrid1->verticalHeader()->setDefaultSectionSize(kRowHeight);
  StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  StringGrid1->horizontalHeader()->setSectionsMovable(true);
  StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
  StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
  StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringGrid1->setWordWrap(false);

  ZipfileLabel = new QLabel;
  TotalFilesLabel = new QLabel(QStringLiteral("Total files:"));
  TotalSizeLabel = new QLabel(QStringLiteral("Total size:"));
  // A long archive path is cut at the dialog's edge instead of widening the dialog.
  ZipfileLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  ProgressBar1 = new QProgressBar;
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setFixedWidth(kProgressBarWidth);
  OkBtn = GlyphButton(QStyle::SP_DialogCloseButton, "E&xit", "Close this dialog");

  auto* top_bar = new QWidget;
  top_bar->setMinimumHeight(kTopBarHeight);
  auto* top = new QHBoxLayout(top_bar);
  top->setContentsMargins(4, 4, 4, 4);
  top->addWidget(SelectZipBtn);
  top->addSpacing(12);
  top->addWidget(Label1);
  top->addWidget(DestinationEdit, 1);
  top->addWidget(SpeedButton1);
  top->addSpacing(12);
  top->addWidget(UnZipBtn);

  auto* bottom_bar = new QWidget;
  bottom_bar->setMinimumHeight(kBottomBarHeight);
  auto* labels = new QVBoxLayout;
  labels->addWidget(ZipfileLabel);
  labels->addWidget(TotalFilesLabel);
  labels->addWidget(TotalSizeLabel);
  auto* progress = new QVBoxLayout;
  progress->addWidget(ProgressBar1);
  progress->addWidget(OkBtn, 0, Qt::AlignRight);
  auto* bottom = new QHBoxLayout(bottom_bar);
  bottom->setContentsMargins(4, 4, 4, 4);
  bottom->addLayout(labels, 1);
  bottom->addSpacing(12);
  bottom->addLayout(progress);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(top_bar);
  layout->addWidget(StringGrid1, 1);
  layout->addWidget(bottom_bar);

  setTabOrder(SelectZipBtn, DestinationEdit);
  setTabOrder(DestinationEdit, SpeedButton1);
  setTabOrder(SpeedButton1, UnZipBtn);
  setTabOrder(UnZipBtn, StringGrid1);
  setTabOrder(StringGrid1, OkBtn);
  SelectZipBtn->setFocus();

  connect(SelectZipBtn, &QPushButton::clicked, this, &UnzipperForm::SelectZipBtnClick);
  connect(SpeedButton1, &QToolButton::clicked, this, &UnzipperForm::SpeedButton1Click);
  connect(UnZipBtn, &QPushButton::clicked, this, &UnzipperForm::UnZipBtnClick);
  connect(OkBtn, &QPushButton::clicked, this, &UnzipperForm::OkBtnClick);

  if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
}

void UnzipperForm::FormCreate() {
  ZipfileLabel->clear();
  try {
    if (!archive_name_.empty()) OpenZip(archive_name_);
  } catch (const std::exception& error) {
    core::ShowError(error.what());
    return;
  }
  StringGrid1->setColumnWidth(0, kFileNameColumnWidth);
  // The second column takes the rest of the grid's width, also when the dialog is resized.
  StringGrid1->horizontalHeader()->setStretchLastSection(true);
  StringGrid1->setHorizontalHeaderLabels({QStringLiteral("Filename"), QStringLiteral("Path")});
}

void UnzipperForm::OpenZip(const std::string& archive) {
  archive_name_ = archive;
  KvUnZip1.SetZipName(archive_name_);
  KvUnZip1.LoadDirectory();
  const int count = KvUnZip1.EntryCount();
  StringGrid1->setRowCount(count);
  ZipfileLabel->setText(PathToQString(platform::ShownPath(KvUnZip1.ZipName())));
  std::int64_t compressed = 0;
  std::int64_t uncompressed = 0;
  for (int i = 0; i < count; ++i) {
    // Entry names are UTF-8 file names; the stored directory is shown with "/".
    StringGrid1->setItem(i, 0, new QTableWidgetItem(PathToQString(KvUnZip1.EntryFileName(i))));
    StringGrid1->setItem(i, 1, new QTableWidgetItem(
                                   PathToQString(core::WithSlashes(KvUnZip1.EntryPathName(i)))));
    compressed += static_cast<std::int64_t>(KvUnZip1.EntryCompressedSize(i));
    uncompressed += static_cast<std::int64_t>(KvUnZip1.EntryUncompressedSize(i));
  }
  TotalFilesLabel->setText(ToQString(archive::ArchiveContainsText(count)));
  TotalSizeLabel->setText(TotalSizeLabelText(compressed, uncompressed));
  DestinationEdit->setText(PathToQString(archive::ProposedDestination(ToLongPath(KvUnZip1.ZipName()))));
}

void UnzipperForm::SelectZipBtnClick() {
  if (extracting_) return;
  const std::optional<std::string> file =
      core::CurrentUi().AskForFile({kOpenTitle, kZipFilter, {}});
  if (!file) return;
  try {
    OpenZip(*file);
  } catch (const std::exception& error) {
    core::ShowError(error.what());
  }
}

void UnzipperForm::SpeedButton1Click() {
  const std::optional<std::string> folder =
      core::CurrentUi().AskForFolder({kFolderTitle, PathFromQString(DestinationEdit->text())});
  if (folder && !folder->empty()) DestinationEdit->setText(PathToQString(*folder));
}

void UnzipperForm::UnZipBtnClick() {
  if (extracting_) return;
  const std::string destination = PathFromQString(DestinationEdit->text());
  if (const auto error = archive::ExtractionRequestError(KvUnZip1.ZipName(), destination)) {
    core::ShowError(*error);
    return;
  }
  SetExtracting(true);
  try {
    core::BusyCursor busy;
    archive::PrepareDialogExtraction(KvUnZip1, destination);
    const int count = KvUnZip1.Extract();
    ProgressBar1->setValue(100);
    const archive::ExtractionSummary summary = archive::SummaryOfExtraction(KvUnZip1, count);
    if (summary.warning)
      core::ShowWarning(summary.text);
    else
      core::ShowInformation(summary.text);
    ProgressBar1->setValue(0);
  } catch (const std::exception& error) {
    core::ShowError(error.what());
  }
  SetExtracting(false);
  if (pending_close_) QDialog::done(*std::exchange(pending_close_, std::nullopt));
}

void UnzipperForm::KvUnZip1TotalPercentDone(int percent) { ProgressBar1->setValue(percent); }

void UnzipperForm::OkBtnClick() { close(); }

void UnzipperForm::done(int result) {
  if (extracting_) {
    pending_close_ = result;
    return;
  }
  QDialog::done(result);
}

void UnzipperForm::SetExtracting(bool extracting) {
  if (extracting) focus_before_run_ = focusWidget();
  extracting_ = extracting;
  SelectZipBtn->setEnabled(!extracting);
  UnZipBtn->setEnabled(!extracting);
  if (!extracting && focus_before_run_) focus_before_run_->setFocus();
}

}  // namespace vantorel::dialogs
