#include "viewer/view_form.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <exception>

#include "archive/member_file.h"
#include "browser/document_commands.h"
#include "browser/find_dialog.h"
#include "browser/html_viewer.h"
#include "browser/link_programs.h"
#include "browser/link_router.h"
#include "core/code_pages.h"
#include "core/path_texts.h"
#include "core/settings.h"
#include "core/texts.h"
#include "core/ui.h"
#include "dialogs/extract_dialog.h"
#include "platform/cd_drive.h"
#include "platform/file_system.h"
#include "platform/pdf_reader.h"
#include "qtui/dropped_files.h"
#include "qtui/print_setup.h"
#include "qtui/qt_text.h"

namespace vantorel::viewer {

namespace {

constexpr int kDesignWidth = 700;
constexpr int kDesignHeight = 550;
constexpr int kSmallScreenWidth = 640;  // screens this wide or narrower place the window
constexpr double kPrintMargin = 2.0;    // centimetres, each side

const char kDesignCaption[] = "View";
const char kFolderPickerTitle[] = "Select Folder";

QPushButton* BarButton(const QString& caption, const QString& hint, QStyle::StandardPixmap picture) {
  auto* button = new QPushButton(QApplication::style()->standardIcon(picture), caption);
  button->setFixedSize(80, 25);
  button->setIconSize(QSize(16, 16));
  button->setToolTip(hint);
  button->setAutoDefault(false);  // Enter belongs to the view
  return button;
}

}  // namespace

ViewForm::ViewForm(const core::BrowserSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
  BuildLayout();
  const QScreen* screen = this->screen();
  FormCreate(screen != nullptr ? screen->geometry().width() : 0);
}

ViewForm::~ViewForm() = default;

void ViewForm::BuildLayout() {
  setWindowTitle(QString::fromLatin1(kDesignCaption));
  setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
  setSizeGripEnabled(true);

  ButtonBar = new QWidget;
  ButtonBar->setFixedHeight(33);
  BackBtn = BarButton(QStringLiteral("&Back"), {}, QStyle::SP_ArrowBack);
  ForwardBtn = BarButton(QStringLiteral("For&ward"), {}, QStyle::SP_ArrowForward);
  ForwardBtn->setLayoutDirection(Qt::RightToLeft);  // picture right of the caption
  FindBtn = BarButton(QStringLiteral("&Find"), QStringLiteral("Search for text in this file"),
                      QStyle::SP_FileDialogContentsView);
  // Alt+C is Close's: Copy takes its second letter (Ctrl+C copies as well).
  CopyBtn = BarButton(QStringLiteral("C&opy"), QStringLiteral("Copy selected text to clipboard"),
                      QStyle::SP_FileDialogDetailedView);
  PrintBtn = BarButton(QStringLiteral("&Print"), QStringLiteral("Print this file to current printer"),
                       QStyle::SP_DialogSaveButton);
  ExitBtn = BarButton(QStringLiteral("&Close"), QStringLiteral("Close this form"), QStyle::SP_DialogCloseButton);
  ExtractBtn = BarButton(QStringLiteral("E&xtract this archive"),
                         QStringLiteral("Extract the files of the archive this file comes from"),
                         QStyle::SP_DirOpenIcon);
  ExtractBtn->setFixedSize(150, 25);
  ExtractBtn->setVisible(false);
  auto* bar = new QHBoxLayout(ButtonBar);
  bar->setContentsMargins(8, 3, 8, 5);
  bar->setSpacing(8);
  for (QPushButton* button : {BackBtn, ForwardBtn, FindBtn, CopyBtn, PrintBtn, ExitBtn, ExtractBtn})
    bar->addWidget(button);
  bar->addStretch(1);

  Viewer = new browser::HtmlViewer;
  Viewer->SetDefFontName("Courier New");
  Viewer->SetDefPreFontName("Courier New");
  Viewer->SetPrintMarginLeft(kPrintMargin);
  Viewer->SetPrintMarginRight(kPrintMargin);
  Viewer->SetPrintMarginTop(kPrintMargin);
  Viewer->SetPrintMarginBottom(kPrintMargin);
  Viewer->SetBorderStyle(browser::BorderStyle::htFocused);
  Viewer->SetNoSelect(false);
  Viewer->SethtOptions(0);
  Viewer->SetHistoryMaxCount(0);

  Panel1 = new QLabel;
  Panel1->setFixedHeight(19);
  Panel1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Panel1->setTextFormat(Qt::PlainText);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ButtonBar);
  layout->addWidget(Viewer, 1);
  layout->addWidget(Panel1);

  // The hidden menu bar's two items: their shortcuts work, nothing is shown.
  Copy1 = new QAction(QStringLiteral("&Copy"), this);
  Copy1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  SelectAll1 = new QAction(QStringLiteral("Select &All"), this);
  SelectAll1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
  addAction(Copy1);
  addAction(SelectAll1);

  FindDialog = new browser::FindDialog(this);

  for (QPushButton* button : {BackBtn, ForwardBtn, FindBtn, PrintBtn}) button->setEnabled(false);

  ConnectCommands();
  ConnectViewEvents();
}

void ViewForm::ConnectCommands() {
  connect(BackBtn, &QPushButton::clicked, this, [this] { FwdBackBtnClick(BackBtn); });
  connect(ForwardBtn, &QPushButton::clicked, this, [this] { FwdBackBtnClick(ForwardBtn); });
  connect(FindBtn, &QPushButton::clicked, this, &ViewForm::Find1Click);
  connect(CopyBtn, &QPushButton::clicked, this, &ViewForm::CopyItemClick);
  connect(PrintBtn, &QPushButton::clicked, this, &ViewForm::Print1Click);
  connect(ExitBtn, &QPushButton::clicked, this, &ViewForm::ExitBtnClick);
  connect(ExtractBtn, &QPushButton::clicked, this, &ViewForm::ExtractBtnClick);
  connect(Copy1, &QAction::triggered, this, &ViewForm::Copy1Click);
  connect(SelectAll1, &QAction::triggered, this, &ViewForm::SelectAll1Click);
  FindDialog->OnFind = [this] { FindDialogFind(); };
}

void ViewForm::ConnectViewEvents() {
  Viewer->OnHotSpotCovered = [this](browser::HtmlViewer&, const std::string& src) { HotSpotChange(src); };
  Viewer->OnHotSpotClick = [this](browser::HtmlViewer&, const std::string& src, bool& handled) {
    handled = HotSpotClick(src);
  };
  Viewer->OnBitmapRequest = browser::RequestArchiveBitmap;
  Viewer->OnHistoryChange = [this](browser::HtmlViewer&) { HistoryChange(); };
  Viewer->OnProcessing = [this](browser::HtmlViewer&, bool processing_on) { ProcessingHandler(processing_on); };
}

void ViewForm::FormCreate(int screen_width) {
  if (screen_width > kSmallScreenWidth) {
    move(kDesignWidth / 20, kDesignWidth / 20);
    resize(kDesignWidth, kDesignHeight);
  }
  Viewer->SetHistoryMaxCount(browser::kHistoryEntries);
  browser::ViewSettings view_settings = Viewer->Settings();
  view_settings.archive_folder = settings_.DataDir;
  Viewer->SetSettings(view_settings);
  setAcceptDrops(true);
}

// --- What the callers set ------------------------------------------------------------------

void ViewForm::ShowTextFile(const std::string& file, const std::string& caption) {
  ReleaseMember();
  Viewer->SetDefBackground(Qt::white);
  Viewer->LoadTextDocument(file);
  setWindowTitle(qtui::PathToQString(caption));
}

void ViewForm::ShowArchiveMember(const std::string& archive, const std::string& member,
                                 const std::string& caption) {
  auto copy = std::make_unique<archive::MemberFile>(archive, member);
  ShowTextFile(platform::PathText(copy->Path()), caption);  // the previous copy goes first
  member_file_ = std::move(copy);
  shown_archive_ = archive;
  ExtractBtn->setVisible(true);
}

std::string ViewForm::MemberCopyPath() const {
  return member_file_ ? platform::PathText(member_file_->Path()) : std::string();
}

void ViewForm::ReleaseMember() {
  if (!member_file_) return;
  member_file_.reset();
  shown_archive_.clear();
  ExtractBtn->setVisible(false);
  // No history entry may lead back to the copy that is gone.
  Viewer->SetHistoryMaxCount(0);
  Viewer->SetHistoryMaxCount(browser::kHistoryEntries);
  SetHistoryButtons();
}

void ViewForm::ExtractBtnClick() {
  if (!shown_archive_.empty()) dialogs::OpenExtractDialog(shown_archive_);
}

void ViewForm::ShowModal() {
  if (isVisible()) return;
  exec();
}

void ViewForm::ShowHelpPage(const std::string& page_reference) {
  ReleaseMember();
  Viewer->SetDefFontName("Times New Roman");
  Viewer->SetDefBackground(Qt::white);
  try {
    Viewer->LoadDocument(settings_.DataDir + page_reference);
  } catch (const std::exception& error) {
    core::ShowError(error.what());
    return;
  }
  setWindowTitle(QString::fromLatin1(kHelpCaption));
  ShowModal();
}

void ViewForm::ShowFileList(const std::vector<std::string>& files) {
  if (files.empty()) return;
  file_list_.Start(files);
  const std::string& first = file_list_.First();
  ShowTextFile(first, browser::kViewerCaption + platform::ShownPath(first));
  SetExitButton(kFirstFileCaptions, file_list_.MoreToCome());
  ShowModal();
}

// --- Handlers ------------------------------------------------------------------------------

bool ViewForm::event(QEvent* event) {
  const bool result = QDialog::event(event);
  // Activation counts once per showing: the find dialog and message boxes over the window
  // hand the activation back without the word being looked for again.
  if (event->type() == QEvent::WindowActivate && activate_pending_) {
    activate_pending_ = false;
    FormActivate();
  }
  return result;
}

void ViewForm::showEvent(QShowEvent* event) {
  activate_pending_ = true;
  QDialog::showEvent(event);
}

void ViewForm::FormActivate() {
  Viewer->setFocus();
  const std::string& word = search_word_;
  if (word.empty() || !Viewer->FindNext(word, false)) return;
  FindDialog->SetFindText(word);
  const QRect frame = frameGeometry();
  const browser::ScreenPoint top_left =
      browser::FindDialogPosition({frame.left(), frame.top(), frame.width(), frame.height()});
  FindDialog->move(top_left.x, top_left.y);
  Find1Click();
}

void ViewForm::HotSpotChange(const std::string& src) { Panel1->setText(qtui::ToQString(src)); }

bool ViewForm::HotSpotClick(const std::string& src) { return router_.HotSpotClick(src); }

void ViewForm::SetHistoryButtons() {
  ForwardBtn->setEnabled(Viewer->FwdButtonEnabled());
  BackBtn->setEnabled(Viewer->BackButtonEnabled());
}

void ViewForm::HistoryChange() {
  SetHistoryButtons();
  if (isVisible()) Viewer->setFocus();
}

void ViewForm::ProcessingHandler(bool processing_on) {
  if (processing_on) {
    for (QPushButton* button : {ForwardBtn, BackBtn, PrintBtn, FindBtn}) button->setEnabled(false);
    return;
  }
  SetHistoryButtons();
  const bool shows_file = !Viewer->ShownFileName().empty();
  PrintBtn->setEnabled(shows_file);
  FindBtn->setEnabled(shows_file);
}

void ViewForm::FwdBackBtnClick(const QPushButton* sender) {
  const int step = sender == BackBtn ? 1 : -1;  // older entries have higher positions
  browser::RunViewCommand([this, step] { Viewer->SetHistoryPosition(Viewer->HistoryPosition() + step); });
}

void ViewForm::Find1Click() {
  FindDialog->show();
  FindDialog->raise();
  FindDialog->activateWindow();
}

void ViewForm::FindDialogFind() {
  const std::string text = FindDialog->FindText();
  if (!Viewer->FindNext(text, FindDialog->MatchCase())) browser::TellNotFound(browser::kViewerNotFound, text);
}

void ViewForm::CopyItemClick() {
  if (browser::ConfirmCopy(Viewer->SelectionLength())) Viewer->CopySelection();
}

void ViewForm::Copy1Click() { Viewer->CopySelection(); }

void ViewForm::SelectAll1Click() { Viewer->SelectAllText(); }

bool ViewForm::ExecPrintDialog(QPrinter& printer) {
  QPrintDialog dialog(&printer, this);
  qtui::PrintDialogSetup(dialog);
  return dialog.exec() == QDialog::Accepted;
}

void ViewForm::Print1Click() {
  QPrinter printer(QPrinter::HighResolution);
  if (!ExecPrintDialog(printer)) return;
  const qtui::PrintPages pages = qtui::ChosenPages(printer);
  PrintTo(printer, pages.first, pages.last);
}

int ViewForm::PrintTo(QPrinter& printer, int first, int last) { return Viewer->PrintPages(printer, first, last); }

void ViewForm::SetExitButton(const ExitButtonCaptions& captions, bool more_to_come) {
  ExitBtn->setText(QString::fromLatin1(more_to_come ? captions.next : captions.close));
  ExitBtn->setToolTip(QString::fromLatin1(more_to_come ? kNextFileHint : kReturnToListHint));
}

void ViewForm::ExitBtnClick() {
  if (!file_list_.HasNext()) {
    close();
    return;
  }
  const std::string file = file_list_.TakeNext();
  try {
    ShowTextFile(file, browser::kViewerCaption + platform::ShownPath(file));
  } catch (const std::exception& error) {
    // The list goes on past a file that cannot be shown (a folder, a file gone since).
    core::ShowError(error.what());
  }
  SetExitButton(kLaterFileCaptions, file_list_.MoreToCome());
}

void ViewForm::done(int result) {
  FormClose();
  QDialog::done(result);
}

void ViewForm::FormClose() {
  if (file_list_.ListMode()) {
    file_list_.End();
    SetExitButton(kLaterFileCaptions, false);
  }
  FindDialog->close();
  ReleaseMember();
}

void ViewForm::FileDropHandler(const std::vector<std::string>& files) {
  const std::string name = browser::DroppedName(files);
  if (name.empty()) return;
  const std::string extension = core::LowerCaseAscii(core::ExtensionOf(name));
  try {
    if (extension == "htm" || extension == "html")
      Viewer->LoadDocument(name);
    else if (extension == "txt")
      Viewer->LoadTextDocument(name);
    else if (extension == "bmp" || extension == "jpg" || extension == "jpeg")
      Viewer->LoadImageDocument(name);
  } catch (const std::exception& error) {
    core::ShowError(error.what());
  }
}

void ViewForm::dragEnterEvent(QDragEnterEvent* event) { qtui::AcceptFileDrag(*event); }

void ViewForm::dropEvent(QDropEvent* event) { FileDropHandler(qtui::TakeDroppedFiles(*event)); }

std::string ViewForm::StatusText() const { return qtui::FromQString(Panel1->text()); }

// --- LinkActions -----------------------------------------------------------------------

std::string ViewForm::ExpandLinkPath(const std::string& reference) { return Viewer->ExpandLinkPath(reference); }

// The window is already shown: the word is looked for the next time it becomes active.
void ViewForm::ShowSourceFile(const std::string& file, const std::string& caption,
                              const std::string& word) {
  ShowTextFile(file, caption);
  search_word_ = word;
}

void ViewForm::BrowseDirectory(const std::string& directory) {
  core::CurrentUi().AskForFolder({kFolderPickerTitle, platform::PathText(platform::ResolvePath(directory))});
}

void ViewForm::LaunchProgram(const std::string& program, const std::string& parameters) {
  browser::LaunchLinkProgram(program, parameters, {settings_.AcrobatPath, settings_.BrowserPath});
}

bool ViewForm::EnsureCdReady(const std::string& path) { return platform::EnsureCdReady(path, settings_.CdPath); }

void ViewForm::OpenPdfInReader(const std::string& path, int page) {
  platform::OpenPdfInReader(platform::ReaderSettingsOf(settings_), path, false, page);
}

// As ShowSourceFile: the window shows the member in itself.
void ViewForm::ShowArchiveMember(const std::string& archive, const std::string& member,
                                 const std::string& caption, const std::string& word) {
  ShowArchiveMember(archive, member, caption);
  search_word_ = word;
}

bool ViewForm::FileExists(const std::string& path) { return platform::FileExists(path); }

bool ViewForm::DirectoryExists(const std::string& path) { return platform::DirectoryExists(path); }

}  // namespace vantorel::viewer
