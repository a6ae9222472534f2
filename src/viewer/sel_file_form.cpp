#include "viewer/sel_file_form.h"

#include <QApplication>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <filesystem>

#include "core/path_texts.h"
#include "core/texts.h"
#include "core/ui.h"
#include "dialogs/extract_dialog.h"
#include "platform/file_system.h"
#include "platform/help_page.h"
#include "platform/outside_programs.h"
#include "qtui/form_controls.h"
#include "qtui/qt_text.h"
#include "viewer/file_commands.h"
#include "viewer/file_list_viewer.h"

namespace vantorel::viewer {

namespace {

using qtui::GlyphButton;

constexpr int kFormWidth = 701;
constexpr int kFormHeight = 449;
constexpr int kFontPixels = 13;
constexpr int kTreeWidth = 220;
constexpr int kListWidth = 321;
constexpr int kPaneHeight = 420;
constexpr int kMargin = 6;

constexpr char kHelpPage[] = "help.htm#Selfil";
constexpr char kNoFilesSelected[] = "No files selected";
constexpr char kFolderTitle[] = "Select Folder";
// The folder request starts at the root of the system's disk.
constexpr char kCopyTargetPreset[] = "/";
// An extension upper-cased and cut to 5 characters, dot included, equals this for archives.

std::string PathTextOf(const QString& path) { return qtui::PathFromQString(path); }


// The list's columns, as QFileSystemModel numbers them.
enum ListColumn { kNameColumn = 0, kSizeColumn = 1, kTypeColumn = 2, kDateColumn = 3 };

// The file list's model: the size, type and date columns in short texts, so that all three can
// be read whole beside a name at the dialog's size: the size in whole kilobytes, rounded up,
// as the shell of the MS-DOS world showed it ("3 KB"), the type as that world names it
// ("Folder", "PAS File", "File"), the date and time in the one form every reader reads alike
// ("2001-02-03 14:05").
class FileListModel : public QFileSystemModel {
 public:
  using QFileSystemModel::QFileSystemModel;

  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || index.column() == kNameColumn)
      return QFileSystemModel::data(index, role);
    const QFileInfo info = fileInfo(index);
    switch (index.column()) {
      case kSizeColumn: return SizeText(info);
      case kTypeColumn: return TypeText(info);
      case kDateColumn: return lastModified(index).toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    }
    return QFileSystemModel::data(index, role);
  }

 private:
  static QString SizeText(const QFileInfo& info) {
    if (info.isDir()) return {};
    constexpr qint64 kKilobyte = 1024;
    return QLocale().toString((info.size() + kKilobyte - 1) / kKilobyte) + QStringLiteral(" KB");
  }

  static QString TypeText(const QFileInfo& info) {
    if (info.isDir()) return QStringLiteral("Folder");
    const QString suffix = info.suffix();
    return suffix.isEmpty() ? QStringLiteral("File") : suffix.toUpper() + QStringLiteral(" File");
  }
};

// A label that shows a path whole when it fits and shortened in the middle when not, the whole
// path in its tooltip.
class PathLabel : public QLabel {
 public:
  // Its width comes from the list below it, never from the path.
  PathLabel() { setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed); }

  void SetPath(const QString& path) {
    path_ = path;
    setToolTip(path);
    Elide();
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    Elide();
  }

 private:
  void Elide() { setText(fontMetrics().elidedText(path_, Qt::ElideMiddle, contentsRect().width())); }

  QString path_;  // the whole path
};

}  // namespace

std::vector<std::string> SelectedFileNames(const std::vector<ShellItem>& items) {
  std::vector<std::string> names;
  for (const ShellItem& item : items) {
    if (!item.selected || item.path.empty()) continue;
    std::string name = core::FileNameOf(item.path);
    if (!name.empty()) names.push_back(std::move(name));
  }
  return names;
}

SelFileForm::SelFileForm(FileListViewer& viewer, platform::ChosenPrograms chosen, QWidget* parent)
    : QDialog(parent), viewer_(viewer), chosen_(std::move(chosen)) {
  BuildControls();
}

void SelFileForm::BuildControls() {
  setWindowTitle(QStringLiteral("File Browser"));
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPixelSize(kFontPixels);
  font.setBold(true);
  setFont(font);

  tree_model_ = new QFileSystemModel(this);
  tree_model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  tree_model_->setReadOnly(true);
  tree_model_->setRootPath(QDir::rootPath());
  ShellTree1 = new QTreeView;
  ShellTree1->setModel(tree_model_);
  ShellTree1->setRootIndex(tree_model_->index(QDir::rootPath()));
  for (int column = 1; column < tree_model_->columnCount(); ++column)
    ShellTree1->hideColumn(column);
  ShellTree1->setHeaderHidden(true);
  ShellTree1->setSelectionMode(QAbstractItemView::SingleSelection);
  ShellTree1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ShellTree1->setMinimumHeight(kPaneHeight);
  // The tree keeps its width; what the dialog has over goes to the list.
  ShellTree1->setFixedWidth(kTreeWidth);
  // A deep folder's name is scrolled to sideways rather than cut short.
  ShellTree1->header()->setStretchLastSection(false);
  ShellTree1->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

  list_model_ = new FileListModel(this);
  list_model_->setFilter(QDir::AllEntries | QDir::NoDotAndDotDot);
  list_model_->setReadOnly(false);  // names editable in place
  ShellList1 = new QTreeView;
  ShellList1->setModel(list_model_);
  ShellList1->setRootIsDecorated(false);
  ShellList1->setItemsExpandable(false);
  ShellList1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ShellList1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ShellList1->setEditTriggers(QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::SelectedClicked);
  ShellList1->setSortingEnabled(true);
  ShellList1->sortByColumn(0, Qt::AscendingOrder);
  ShellList1->setMinimumWidth(kListWidth);
  // Name, size, type, date: size, type and date as wide as their texts, the name in the rest.
  QHeaderView* columns = ShellList1->header();
  columns->setStretchLastSection(false);
  columns->setSectionResizeMode(QHeaderView::ResizeToContents);
  columns->setSectionResizeMode(kNameColumn, QHeaderView::Stretch);

  // The folder the list shows, above it.
  FolderLabel = new PathLabel;
  auto* list_pane = new QVBoxLayout;
  list_pane->setSpacing(2);
  list_pane->addWidget(FolderLabel);
  list_pane->addWidget(ShellList1, 1);
  const int label_height = FolderLabel->sizeHint().height() + list_pane->spacing();
  ShellList1->setMinimumHeight(kPaneHeight - label_height);

  BitBtn2 = GlyphButton(QStyle::SP_FileDialogContentsView, "&View", "View selected file(s)");
  BitBtn1 = GlyphButton(QStyle::SP_MediaPlay, "&Run", "Run selected file(s)");
  BitBtn4 = GlyphButton(QStyle::SP_ArrowDown, "&UnZip", "Unzip selected file(s)");
  BtnCopy = GlyphButton(QStyle::SP_DialogSaveButton, "&Copy", "Copy selected file(s)");
  HelpBtn = GlyphButton(QStyle::SP_DialogHelpButton, "&Help", nullptr);
  BitBtn3 = GlyphButton(QStyle::SP_DialogCloseButton, "E&xit", "Return to KVXBrowse main form");

  auto* buttons = new QVBoxLayout;
  for (QPushButton* button : {BitBtn2, BitBtn1, BitBtn4, BtnCopy, HelpBtn, BitBtn3})
    buttons->addWidget(button);
  buttons->addStretch(1);

  auto* layout = new QHBoxLayout(this);
  // Narrow margins leave the list room for its four columns.
  layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
  layout->setSpacing(kMargin);
  layout->addWidget(ShellTree1);
  layout->addLayout(list_pane, 1);
  layout->addLayout(buttons);
  resize(kFormWidth, kFormHeight);

  connect(ShellTree1->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &SelFileForm::ShowTreeFolder);
  connect(ShellList1, &QAbstractItemView::doubleClicked, this, &SelFileForm::OpenListItem);
  // The model fills folders in the background and sorts them once filled; the preset folder
  // would move as the folders above it fill, so it is brought back into view each time, before
  // the tree is painted again, until the reader moves the tree or chooses another folder.
  connect(tree_model_, &QAbstractItemModel::rowsInserted, this, &SelFileForm::KeepPresetInView);
  connect(tree_model_, &QAbstractItemModel::layoutChanged, this, &SelFileForm::KeepPresetInView);
  connect(tree_model_, &QFileSystemModel::directoryLoaded, this, &SelFileForm::KeepPresetInView);
  for (QScrollBar* bar : {ShellTree1->verticalScrollBar(), ShellTree1->horizontalScrollBar()})
    connect(bar, &QAbstractSlider::actionTriggered, this, [this] { preset_folder_.clear(); });
  ShellTree1->installEventFilter(this);
  ShellTree1->viewport()->installEventFilter(this);
  connect(BitBtn2, &QPushButton::clicked, this, &SelFileForm::ViewButtonClick);
  connect(BitBtn1, &QPushButton::clicked, this, &SelFileForm::btnRunClick);
  connect(BitBtn4, &QPushButton::clicked, this, &SelFileForm::btnRunClick);
  connect(BtnCopy, &QPushButton::clicked, this, &SelFileForm::btnCopyClick);
  connect(HelpBtn, &QPushButton::clicked, this, &SelFileForm::HelpBtnClick);
  connect(BitBtn3, &QPushButton::clicked, this, &SelFileForm::ExitButtonClick);
  connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
          &SelFileForm::HelpBtnClick);

  if (const QScreen* screen = this->screen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
}

void SelFileForm::SetDirectory(const std::string& directory) {
  const std::filesystem::path real = platform::ResolvePath(directory);
  if (!platform::DirectoryExistsAt(real)) return;
  const QString path = QDir::cleanPath(qtui::PathToQString(platform::PathText(real)));
  const QModelIndex index = tree_model_->index(path);
  if (!index.isValid()) return;
  preset_folder_ = path;
  ShellTree1->setCurrentIndex(index);
  ShellTree1->expand(index);
  KeepPresetInView();
}

void SelFileForm::KeepPresetInView() {
  if (preset_folder_.isEmpty()) return;
  const QModelIndex index = ShellTree1->currentIndex();
  if (!index.isValid()) return;
  ShellTree1->scrollTo(index, QAbstractItemView::PositionAtCenter);
  // Sideways the tree scrolls to the folder's name, or back to its start when it fits.
  QScrollBar* sideways = ShellTree1->horizontalScrollBar();
  const QRect item = ShellTree1->visualRect(index);
  const int name_start = sideways->value() + item.left() - ShellTree1->indentation();
  const int name_end = sideways->value() + item.left() + ShellTree1->sizeHintForIndex(index).width();
  const int width = ShellTree1->viewport()->width();
  sideways->setValue(name_end <= width ? 0 : std::min(name_start, name_end - width));
}

bool SelFileForm::eventFilter(QObject* watched, QEvent* event) {
  // The reader's own move in the tree (a click, the wheel, a key) ends the preset.
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
      preset_folder_.clear();
      break;
    default:
      break;
  }
  return QDialog::eventFilter(watched, event);
}

void SelFileForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  KeepPresetInView();
}

void SelFileForm::ShowTreeFolder() {
  const QString path = tree_model_->filePath(ShellTree1->currentIndex());
  if (path != preset_folder_) preset_folder_.clear();
  ShellList1->clearSelection();
  ShellList1->setRootIndex(list_model_->setRootPath(path));
  static_cast<PathLabel*>(FolderLabel)->SetPath(path);
}

void SelFileForm::OpenListItem(const QModelIndex& index) {
  if (!list_model_->isDir(index)) return;
  const QModelIndex folder = tree_model_->index(list_model_->filePath(index));
  if (!folder.isValid()) return;
  ShellTree1->setCurrentIndex(folder);
  ShellTree1->scrollTo(folder);
}

std::string SelFileForm::FolderPath() const {
  const QModelIndex root = ShellList1->rootIndex();
  if (!root.isValid()) return {};
  return PathTextOf(list_model_->filePath(root));
}

std::vector<ShellItem> SelFileForm::Items() const {
  std::vector<ShellItem> items;
  const QModelIndex root = ShellList1->rootIndex();
  if (!root.isValid()) return items;
  const QItemSelectionModel* selection = ShellList1->selectionModel();
  for (int row = 0; row < list_model_->rowCount(root); ++row) {
    const QModelIndex index = list_model_->index(row, 0, root);
    items.push_back({selection->isSelected(index), PathTextOf(list_model_->filePath(index))});
  }
  return items;
}

std::vector<std::string> SelFileForm::SelectedPaths() const {
  std::vector<std::string> paths;
  for (const std::string& name : SelectedFileNames(Items()))
    paths.push_back(InFolder(FolderPath(), name));
  return paths;
}

int SelFileForm::SelectedCount() const {
  int count = 0;
  for (const ShellItem& item : Items()) count += item.selected ? 1 : 0;
  return count;
}

void SelFileForm::ViewButtonClick() {
  const std::vector<std::string> files = SelectedPaths();
  if (files.empty()) {
    core::ShowError(kNoFilesSelected);
    return;
  }
  try {
    viewer_.ShowFileList(files);
  } catch (const std::exception& error) {
    core::ShowError(error.what());
  }
}

void SelFileForm::btnRunClick() {
  const std::vector<std::string> paths = SelectedPaths();
  if (paths.empty()) {
    core::ShowError(kNoFilesSelected);
    return;
  }
  for (const std::string& path : paths) {
    if (ExtractsOnRun(path))
      dialogs::OpenExtractDialog(path);
    else
      platform::LaunchProgram(path, "", platform::Scripts::AskToRun, chosen_);
  }
}

void SelFileForm::btnCopyClick() {
  const std::string folder = FolderPath();
  const std::vector<std::string> names = SelectedFileNames(Items());
  if (names.empty()) {
    core::ShowError(kNoFilesSelected);
    return;
  }
  const std::optional<std::string> target =
      core::CurrentUi().AskForFolder({kFolderTitle, kCopyTargetPreset});
  if (!target || target->empty()) return;

  int copied = 0;
  try {
    copied = CopyFiles(folder, names, *target, SelectedCount());
  } catch (const std::exception& error) {
    core::ShowError(error.what());
    return;
  }
  core::ShowInformation(FilesCopiedText(copied));
}

void SelFileForm::HelpBtnClick() { platform::ShowHelpPage(kHelpPage); }

void SelFileForm::ExitButtonClick() { close(); }

void OpenFileBrowser(const std::string& directory, FileListViewer& viewer,
                     const platform::ChosenPrograms& chosen) {
  // Held through a QPointer: should the parent window go while the dialog runs, it takes the
  // dialog with it.
  const QPointer<SelFileForm> dialog = new SelFileForm(viewer, chosen, QApplication::activeWindow());
  dialog->SetDirectory(directory);
  dialog->exec();
  delete dialog;
}

}  // namespace vantorel::viewer
