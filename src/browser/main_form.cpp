#include "browser/main_form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <exception>
#include <vector>

#include "browser/document_commands.h"
#include "browser/find_dialog.h"
#include "browser/frame_viewer.h"
#include "browser/full_text_runner.h"
#include "browser/link_programs.h"
#include "core/path_texts.h"
#include "core/settings.h"
#include "core/texts.h"
#include "core/ui.h"
#include "platform/cd_drive.h"
#include "platform/file_system.h"
#include "platform/help_page.h"
#include "platform/outside_programs.h"
#include "platform/pdf_reader.h"
#include "qtui/dropped_files.h"
#include "qtui/print_setup.h"
#include "qtui/qt_text.h"

namespace vantorel::browser {

using qtui::FromQString;
using qtui::PathFromQString;
using qtui::PathToQString;
using qtui::ToQString;

namespace {

constexpr int kWidth = 799;
constexpr int kHeight = 602;
constexpr std::size_t kUrlMax = 255;     // links are held in 255-character texts
constexpr int kPrintTextOffset = 50;     // header and footer texts from the page's sides
constexpr int kPrintTextLine = 40;       // their reference line in the margin

const char kSearchResultsPage[] = "SEARCHRESULT.HTM";
const char kCompleteListPage[] = "ALLARTS.HTM";
const char kErrorsPage[] = "ERRORS.HTM";
const char kPageTop[] = "#TOP";
const char kCompleteListMessage[] =
    "Complete articles list: to return to this list\ragain, click the Articles button under Browse";


// The print header and footer font.
void UsePrintFont(QPainter& canvas) {
  QFont font(QStringLiteral("Arial"));
  font.setPointSizeF(8);
  canvas.setFont(font);
  canvas.setBackgroundMode(Qt::TransparentMode);
}

// Draws text with its reference point at (x, y): align names the side of the text that
// stands at x (left or right) and at y (top or bottom), as a device context's text alignment.
void DrawAlignedText(QPainter& canvas, int x, int y, Qt::Alignment align, const QString& text) {
  constexpr int kReach = 100000;  // far enough for any line of text
  const int left = align.testFlag(Qt::AlignRight) ? x - kReach : x;
  const int top = align.testFlag(Qt::AlignBottom) ? y - kReach : y;
  canvas.drawText(QRect(left, top, kReach, kReach), align | Qt::TextSingleLine, text);
}

QPushButton* ToolbarButton(const QString& caption, QStyle::StandardPixmap picture) {
  auto* button = new QPushButton(QApplication::style()->standardIcon(picture), caption);
  button->setFixedSize(80, 25);
  button->setIconSize(QSize(16, 16));
  return button;
}

}  // namespace

MainForm::MainForm(MainFormHost& host, const core::BrowserSettings& settings)
    : host_(host), settings_(settings) {
  BuildLayout();
  FullTextRunner::Events events;
  events.status = [this](const std::string& text) { Panel2->setText(QString::fromStdString(text)); };
  events.building = [this](bool building) { FullTextBuilding(building); };
  events.page = [this](const std::string& page) { ShowSearchPage(page); };
  events.ask_again = [this](const std::string& query) { AskAndSearchFullText(query); };
  full_text_ = std::make_unique<FullTextRunner>(std::move(events));
  FormCreate();
}

MainForm::~MainForm() {
  try {
    WritePlacement();
  } catch (const std::exception&) {
    // Too late to tell anyone: the window is going away.
  }
}

void MainForm::BuildLayout() {
  setWindowTitle(QStringLiteral("Vantorel Article Browser"));
  resize(kWidth, kHeight);
  if (const QScreen* screen = this->screen())
    move(screen->availableGeometry().center() - QPoint(kWidth / 2, kHeight / 2));

  Panel1 = new QWidget;
  Panel1->setFixedHeight(33);
  ReloadBtn = ToolbarButton(QStringLiteral("&Reload"), QStyle::SP_BrowserReload);
  BackBtn = ToolbarButton(QStringLiteral("&Back"), QStyle::SP_ArrowBack);
  ForwardBtn = ToolbarButton(QStringLiteral("For&ward"), QStyle::SP_ArrowForward);
  ForwardBtn->setLayoutDirection(Qt::RightToLeft);  // picture right of the caption
  UnZipperBtn = ToolbarButton(QStringLiteral("Un&Zip"), QStyle::SP_DirOpenIcon);
  BitBtn1 = ToolbarButton(QStringLiteral("&Close"), QStyle::SP_DialogCloseButton);
  auto* toolbar = new QHBoxLayout(Panel1);
  toolbar->setContentsMargins(8, 3, 8, 5);
  toolbar->setSpacing(8);
  for (QPushButton* button : {ReloadBtn, BackBtn, ForwardBtn, UnZipperBtn, BitBtn1})
    toolbar->addWidget(button);
  toolbar->addStretch(1);
  setTabOrder(BackBtn, ForwardBtn);
  setTabOrder(ForwardBtn, ReloadBtn);
  setTabOrder(ReloadBtn, UnZipperBtn);
  setTabOrder(UnZipperBtn, BitBtn1);

  FrameViewer = new browser::FrameViewer;
  FrameViewer->SetDefBackground(Qt::white);
  FrameViewer->SetDefFontName("Times New Roman");
  FrameViewer->SetDefPreFontName("Courier New");
  FrameViewer->SetImageCacheCount(6);
  FrameViewer->SetNoSelect(false);
  FrameViewer->SetPrintMarginLeft(2.0);
  FrameViewer->SetPrintMarginRight(2.0);
  FrameViewer->SetPrintMarginTop(3.0);
  FrameViewer->SetPrintMarginBottom(2.0);
  FrameViewer->SetfvOptions(0);
  FrameViewer->OnBitmapRequest = RequestArchiveBitmap;

  Panel2 = new QLabel;
  Panel2->setFixedHeight(23);
  Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel2->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // Long file names in the progress texts must not widen the window.
  Panel2->setMinimumWidth(1);
  Panel2->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  FullTextCancelBtn = new QPushButton(QStringLiteral("Cancel"));
  FullTextCancelBtn->setFixedHeight(23);
  FullTextCancelBtn->setToolTip(QStringLiteral("Stop building the full-text index (Esc)"));
  FullTextCancelBtn->setVisible(false);
  auto* status_row = new QHBoxLayout;
  status_row->setContentsMargins(0, 0, 0, 0);
  status_row->setSpacing(0);
  status_row->addWidget(Panel2, 1);
  status_row->addWidget(FullTextCancelBtn);

  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Panel1);
  layout->addWidget(FrameViewer, 1);
  layout->addLayout(status_row);
  setCentralWidget(central);

  File1 = menuBar()->addMenu(QStringLiteral("&File"));
  Open1 = File1->addAction(QStringLiteral("&Open"));
  Print1 = File1->addAction(QStringLiteral("&Print..."));
  Print1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  File1->addSeparator();
  Exit1 = File1->addAction(QStringLiteral("E&xit"));
  Exit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
  Edit1 = menuBar()->addMenu(QStringLiteral("&Edit"));
  Find1 = Edit1->addAction(QStringLiteral("&Find"));
  Find1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  Copy1 = Edit1->addAction(QStringLiteral("&Copy"));
  Copy1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  Edit1->addSeparator();
  SelectAll1 = Edit1->addAction(QStringLiteral("&Select All"));
  SelectAll1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
  Edit1->addSeparator();
  FullTextSearch1 = Edit1->addAction(QStringLiteral("Full-&text search..."));
  FullTextSearch1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
  FullTextCancelKey = new QAction(this);
  FullTextCancelKey->setShortcut(QKeySequence(Qt::Key_Escape));
  FullTextCancelKey->setEnabled(false);
  addAction(FullTextCancelKey);
  Options1 = menuBar()->addAction(QStringLiteral("&Options"));
  History1 = menuBar()->addMenu(QStringLiteral("&History"));
  History1->menuAction()->setVisible(false);
  About1 = menuBar()->addAction(QStringLiteral("&Help"));
  ArticleSearch1 = new QAction(QStringLiteral("Article Search"), this);
  ArticleSearch1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  SearchOtherInfo1 = new QAction(QStringLiteral("Search Other Info"), this);
  SearchOtherInfo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  addAction(ArticleSearch1);
  addAction(SearchOtherInfo1);

  FindDialog1 = new FindDialog(this);

  for (QPushButton* button : {ReloadBtn, BackBtn, ForwardBtn}) button->setEnabled(false);
  for (QAction* action : {Print1, Find1, SelectAll1}) action->setEnabled(false);

  ConnectCommands();
  ConnectViewEvents();
}

void MainForm::ConnectCommands() {
  connect(File1, &QMenu::aboutToShow, this, &MainForm::File1Click);
  connect(Open1, &QAction::triggered, this, &MainForm::Open1Click);
  connect(Print1, &QAction::triggered, this, &MainForm::Print1Click);
  connect(Exit1, &QAction::triggered, this, &QWidget::close);
  connect(Edit1, &QMenu::aboutToShow, this, &MainForm::Edit1Click);
  connect(Find1, &QAction::triggered, this, &MainForm::Find1Click);
  connect(Copy1, &QAction::triggered, this, &MainForm::Copy1Click);
  connect(SelectAll1, &QAction::triggered, this, &MainForm::SelectAll1Click);
  connect(Options1, &QAction::triggered, this, [this] { host_.ShowOptions(); });
  connect(History1, &QMenu::aboutToShow, this, &MainForm::FillHistoryMenu);
  connect(About1, &QAction::triggered, this, &MainForm::About1Click);
  connect(ArticleSearch1, &QAction::triggered, this, &MainForm::ArticleSearch);
  connect(SearchOtherInfo1, &QAction::triggered, this, &MainForm::SearchOther);
  connect(FullTextSearch1, &QAction::triggered, this, &MainForm::FullTextSearch);
  connect(FullTextCancelBtn, &QPushButton::clicked, this, &MainForm::FullTextCancelBtnClick);
  connect(FullTextCancelKey, &QAction::triggered, this, &MainForm::FullTextCancelBtnClick);
  auto* help_key = new QAction(this);
  help_key->setShortcut(QKeySequence(Qt::Key_F1));
  connect(help_key, &QAction::triggered, this, &MainForm::About1Click);
  addAction(help_key);

  connect(ReloadBtn, &QPushButton::clicked, this, &MainForm::ReloadClick);
  connect(BackBtn, &QPushButton::clicked, this, &MainForm::BackButtonClick);
  connect(ForwardBtn, &QPushButton::clicked, this, &MainForm::FwdButtonClick);
  connect(UnZipperBtn, &QPushButton::clicked, this, &MainForm::UnzipBtnClick);
  connect(BitBtn1, &QPushButton::clicked, this, &QWidget::close);

  FindDialog1->OnFind = [this] { FindDialogFind(); };
}

void MainForm::ConnectViewEvents() {
  FrameViewer->OnProcessing = [this](browser::FrameViewer&, bool processing_on) { ProcessingHandler(processing_on); };
  FrameViewer->OnHotSpotTargetCovered = [this](browser::FrameViewer&, const std::string&, const std::string& url) {
    HotSpotTargetChange(url);
  };
  FrameViewer->OnHotSpotTargetClick = [this](browser::FrameViewer&, const std::string&, const std::string& url,
                                             bool& handled) {
    try {
      handled = HotSpotTargetClick(url);
    } catch (const std::exception& error) {
      handled = true;
      core::ShowError(error.what());
    }
  };
  FrameViewer->OnBlankWindowRequest = [this](browser::FrameViewer&, const std::string&, const std::string& url) {
    WindowRequest(url);
  };
  FrameViewer->OnPrintHeader = [this](browser::FrameViewer&, QPainter& canvas, int num_page, int w, int h, bool&) {
    PrintHeader(canvas, num_page, w, h);
  };
  FrameViewer->OnPrintFooter = [this](browser::FrameViewer&, QPainter& canvas, int num_page, int w, int h, bool&) {
    PrintFooter(canvas, num_page, w, h);
  };
}

bool MainForm::FormCreate() {
  const bool set_up = host_.RunSetup(*this);
  FrameViewer->SetArchiveFolder(settings_.DataDir);  // the set-up has chosen the archive
  return set_up;
}

void MainForm::PointPlacementAt(const std::filesystem::path& placement_file) {
  placement_file_ = placement_file;
}

void MainForm::SetOpenDialogDir(const std::string& dir) { open_dialog_dir_ = dir; }

void MainForm::PrepareHistory() {
  FrameViewer->SetHistoryMaxCount(kHistoryEntries);
  for (int position = 0; position < kHistoryEntries; ++position) {
    QAction* entry = History1->addAction(QStringLiteral("XX"));
    entry->setData(position);
    entry->setCheckable(true);
    connect(entry, &QAction::triggered, this, [this, position] { HistoryClick(position); });
    HistoryEntries.push_back(entry);
  }
}

void MainForm::AcceptDroppedFiles() { setAcceptDrops(true); }

void MainForm::showEvent(QShowEvent* event) {
  if (!shown_before_ && !event->spontaneous()) {
    shown_before_ = true;
    ReadPlacement();
    FormShow();
  }
  QMainWindow::showEvent(event);
}

void MainForm::FormShow() {
  const std::string start_page = host_.StartPage();
  if (!platform::FileExists(start_page.substr(0, start_page.find('#')))) return;
  try {
    FrameViewer->LoadDocument(start_page);
  } catch (const std::exception& error) {
    core::ShowError(error.what());
  }
  FrameViewer->setFocus();
}

void MainForm::closeEvent(QCloseEvent* event) {
  event->accept();
  full_text_->Stop();
  try {
    WritePlacement();
  } catch (const std::exception& error) {
    core::ShowError(error.what());
  }
}

void MainForm::ReadPlacement() {
  if (!placement_file_.empty()) host_.RestorePlacement(placement_file_, *this);
}

void MainForm::WritePlacement() {
  if (placement_written_ || placement_file_.empty() || !shown_before_) return;
  placement_written_ = true;
  host_.StorePlacement(placement_file_, *this);
}

void MainForm::RestoreAndRaise() {
  if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
}

// --- Commands -----------------------------------------------------------------------------

void MainForm::File1Click() { Print1->setEnabled(FrameViewer->ActiveFrameView() != nullptr); }

void MainForm::Open1Click() {
  const std::string shown = FrameViewer->ShownFileName();
  const std::string folder = shown.empty() ? settings_.DataDir : core::FolderOf(shown);
  QFileDialog dialog(this);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(QStringLiteral("htm"));
  dialog.setNameFilters({QStringLiteral("html files (*.htm *.html)"), QStringLiteral("all files (*)")});
  dialog.selectNameFilter(dialog.nameFilters().front());
  dialog.setDirectory(platform::ResolvePath(folder.empty() ? open_dialog_dir_ : folder));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  try {
    FrameViewer->LoadDocumentIntoFrame(kMainFrame, PathFromQString(dialog.selectedFiles().front()));
  } catch (const std::exception& error) {
    core::ShowError(error.what());
    return;
  }
  setWindowTitle(ToQString(FrameViewer->ShownTitle()));
}

void MainForm::PrintDialogSetup(QPrintDialog& dialog) { qtui::PrintDialogSetup(dialog); }

bool MainForm::ExecPrintDialog(QPrinter& printer) {
  QPrintDialog dialog(&printer, this);
  PrintDialogSetup(dialog);
  return dialog.exec() == QDialog::Accepted;
}

void MainForm::Print1Click() {
  QPrinter printer(QPrinter::HighResolution);
  if (!ExecPrintDialog(printer)) return;
  const qtui::PrintPages pages = qtui::ChosenPages(printer);
  PrintTo(printer, pages.first, pages.last);
}

int MainForm::PrintTo(QPrinter& printer, int first, int last) {
  return FrameViewer->PrintPages(printer, first, last);
}

void MainForm::Edit1Click() {
  const HtmlViewer* active = FrameViewer->ActiveFrameView();
  const bool shows_file = active != nullptr && !active->ShownFileName().empty();
  SelectAll1->setEnabled(shows_file);
  Find1->setEnabled(shows_file);
  Copy1->setEnabled(true);
}

void MainForm::Find1Click() {
  // Placed first where a found link word puts it, clear of the text it selects.
  if (!find_dialog_placed_) {
    const ScreenPoint top_left = FindDialogPosition(MainWindowGeometry());
    FindDialog1->move(top_left.x, top_left.y);
  }
  find_dialog_placed_ = true;
  FindDialog1->show();
  FindDialog1->raise();
  FindDialog1->activateWindow();
}

void MainForm::FindDialogFind() {
  const std::string text = FindDialog1->FindText();
  if (!FrameViewer->FindNext(text, FindDialog1->MatchCase())) TellNotFound(kMainWindowNotFound, text);
}

void MainForm::Copy1Click() {
  RunViewCommand([this] { FrameViewer->CopySelection(); });
}

void MainForm::SelectAll1Click() { FrameViewer->SelectAllText(); }

void MainForm::HistoryClick(int position) {
  RunViewCommand([this, position] { FrameViewer->SetHistoryPosition(position); });
  FillHistoryMenu();
}

void MainForm::FillHistoryMenu() {
  const std::vector<std::string> titles = FrameViewer->HistoryPageTitles();
  const std::vector<std::string> files = FrameViewer->HistoryFiles();
  for (std::size_t position = 0; position < HistoryEntries.size(); ++position) {
    QAction* entry = HistoryEntries[position];
    const bool used = position < files.size();
    entry->setVisible(used);
    if (!used) continue;
    const std::string& title = position < titles.size() ? titles[position] : std::string();
    entry->setText(title.empty() ? PathToQString(core::FileNameOf(files[position])) : ToQString(title));
    entry->setChecked(static_cast<int>(position) == FrameViewer->HistoryPosition());
  }
  History1->menuAction()->setVisible(!HistoryEntries.empty() && !files.empty());
}

void MainForm::ArticleSearch() {
  const core::SearchOutcome flags = host_.Windows().ShowArticleSearch();
  if (flags.FullTextSearchWanted) {
    FullTextSearch();
    return;
  }
  if (!flags.SearchPageWritten) return;
  if (flags.CompleteListWritten) {
    core::ShowInformation(kCompleteListMessage);
    ShowSearchPage(kCompleteListPage);
  } else if (flags.TestResultsWritten) {
    ShowSearchPage(kErrorsPage);
  } else {
    ShowSearchPage(kSearchResultsPage);
  }
}

void MainForm::SearchOther() {
  if (!host_.Windows().ShowBonusSearch().SearchPageWritten) return;
  ShowSearchPage(kSearchResultsPage);
}

void MainForm::FullTextSearch() { AskAndSearchFullText(full_text_query_); }

void MainForm::AskAndSearchFullText(const std::string& query) {
  const std::optional<std::string> typed = host_.Windows().AskFullTextQuery(query);
  if (!typed) return;
  full_text_query_ = *typed;
  const core::BrowserSettings& settings = settings_;
  fulltext::ArchiveFolders folders;
  folders.data_dir = settings.DataDir;
  folders.pdf_dir = platform::PathText(platform::ResolvePath(settings.PdfDir));
  folders.source_dir = platform::PathText(platform::ResolvePath(settings.SourceDir));
  for (std::string* folder : {&folders.pdf_dir, &folders.source_dir})
    if (!folder->empty() && folder->back() != '/') *folder += '/';
  full_text_->Search(folders, *typed);
}

void MainForm::FullTextCancelBtnClick() { full_text_->Cancel(); }

bool MainForm::FullTextBusy() const { return full_text_->Busy(); }

void MainForm::FullTextBuilding(bool building) {
  FullTextCancelBtn->setVisible(building);
  FullTextCancelKey->setEnabled(building);
}

void MainForm::ShowSearchPage(const std::string& page) {
  RunViewCommand([this, &page] {
    FrameViewer->LoadDocumentIntoFrame(kMainFrame, settings_.DataDir + page + kPageTop);
  });
  ReloadAndEnable();
}

void MainForm::ReloadClick() { ReloadAndEnable(); }

void MainForm::ReloadAndEnable() {
  ReloadBtn->setEnabled(false);
  RunViewCommand([this] { FrameViewer->ReloadDocument(); });
  ReloadBtn->setEnabled(!FrameViewer->ShownFileName().empty());
}

void MainForm::BackButtonClick() {
  RunViewCommand([this] { FrameViewer->HistoryBack(); });
}

void MainForm::FwdButtonClick() {
  RunViewCommand([this] { FrameViewer->HistoryForward(); });
}

void MainForm::UnzipBtnClick() { host_.Windows().OpenExtractDialog({}); }

void MainForm::About1Click() { platform::ShowHelpPage("help.htm"); }

void MainForm::FileDropHandler(const std::vector<std::string>& files) {
  const std::string name = DroppedName(files);
  if (name.empty()) return;
  RunViewCommand([this, &name] { FrameViewer->LoadDocument(name); });
}

void MainForm::dragEnterEvent(QDragEnterEvent* event) { qtui::AcceptFileDrag(*event); }

void MainForm::dropEvent(QDropEvent* event) { FileDropHandler(qtui::TakeDroppedFiles(*event)); }

// --- View events ---------------------------------------------------------------------------

void MainForm::ProcessingHandler(bool processing_on) {
  if (processing_on) {
    for (QPushButton* button : {ForwardBtn, BackBtn, ReloadBtn}) button->setEnabled(false);
    for (QAction* action : {Print1, Find1, SelectAll1, Open1}) action->setEnabled(false);
    return;
  }
  const bool shows_file = !FrameViewer->ShownFileName().empty();
  ForwardBtn->setEnabled(FrameViewer->FwdButtonEnabled());
  BackBtn->setEnabled(FrameViewer->BackButtonEnabled());
  ReloadBtn->setEnabled(shows_file);
  const bool printable = shows_file && FrameViewer->ActiveFrameView() != nullptr;
  for (QAction* action : {Print1, Find1, SelectAll1}) action->setEnabled(printable);
  Open1->setEnabled(true);
  FillHistoryMenu();
}

void MainForm::HotSpotTargetChange(const std::string& url) {
  const std::size_t bar = url.find('|');
  if (bar != std::string::npos)
    ShowStatusText("Found the word: " + url.substr(bar + 1));
  else if (settings_.DebugMode)
    ShowStatusText(url);
}

bool MainForm::HotSpotTargetClick(const std::string& url) {
  return router_.HotSpotClick(url, ClickedLinkPlace());
}

LinkPlace MainForm::ClickedLinkPlace() const {
  const std::string shown = FrameViewer->ShownFileName();
  std::string start_page = host_.StartPage();
  start_page.erase(std::min(start_page.find('#'), start_page.size()));
  if (start_page.empty() || shown.empty() ||
      platform::ResolvePath(shown) != platform::ResolvePath(start_page))
    return LinkPlace::Other;
  if (!FrameViewer->IsFrameset()) return LinkPlace::Contents;
  const std::vector<HtmlViewer*> views = FrameViewer->FrameViews();
  const std::vector<std::string> names = FrameViewer->FrameNames();
  for (std::size_t i = 0; i < views.size() && i < names.size(); ++i)
    if (views[i] == FrameViewer->ActiveFrameView())
      return core::UpperCaseAscii(names[i]) == kMainFrame ? LinkPlace::Other : LinkPlace::Contents;
  return LinkPlace::Other;
}

void MainForm::WindowRequest(const std::string& url) {
  // The link is the page's (1252); the new copy gets a path as its command line gives paths.
  std::string page = core::Cp1252ToUtf8(url.substr(0, kUrlMax));
  std::string anchor;
  if (const std::size_t hash = page.find('#'); hash != std::string::npos) {
    anchor = page.substr(hash);
    page.erase(hash);
  }
  page = router_.ResolveLinkTarget(page, true);
  if (platform::FileExists(page)) host_.Windows().StartProgramCopy("\"" + page + anchor + "\"");
}

void MainForm::PrintHeader(QPainter& canvas, int, int w, int) {
  UsePrintFont(canvas);
  const HtmlViewer* active = FrameViewer->ActiveFrameView();
  if (active == nullptr) return;
  DrawAlignedText(canvas, kPrintTextOffset, kPrintTextLine, Qt::AlignLeft | Qt::AlignTop, ToQString(active->ShownTitle()));
  DrawAlignedText(canvas, w - kPrintTextOffset, kPrintTextLine, Qt::AlignRight | Qt::AlignTop,
                  PathToQString(core::FileNameOf(active->ShownFileName())));
}

void MainForm::PrintFooter(QPainter& canvas, int num_page, int w, int) {
  UsePrintFont(canvas);
  DrawAlignedText(canvas, kPrintTextOffset, kPrintTextLine, Qt::AlignLeft | Qt::AlignBottom, ToQString(kPrintFooterNotice));
  DrawAlignedText(canvas, w - kPrintTextOffset, kPrintTextLine, Qt::AlignRight | Qt::AlignBottom,
                  ToQString("Page " + std::to_string(num_page)));
}

void MainForm::ShowStatusText(const std::string& text) { Panel2->setText(ToQString(text)); }

std::string MainForm::StatusText() const { return FromQString(Panel2->text()); }

// --- MainWindowLinkActions ---------------------------------------------------------------------------

std::string MainForm::ExpandLinkPath(const std::string& reference) {
  return FrameViewer->ExpandLinkPath(reference);
}

void MainForm::LoadDocumentIntoFrame(const std::string& frame, const std::string& file) {
  FrameViewer->LoadDocumentIntoFrame(frame, file);
}

bool MainForm::FindNext(const std::string& text, bool match_case) {
  return FrameViewer->FindNext(text, match_case);
}

WindowGeometry MainForm::MainWindowGeometry() {
  const QRect frame = frameGeometry();
  return {frame.left(), frame.top(), frame.width(), frame.height()};
}

void MainForm::ShowFindDialog(const std::string& text, ScreenPoint top_left) {
  FindDialog1->SetFindText(text);
  FindDialog1->move(top_left.x, top_left.y);
  find_dialog_placed_ = true;
  FindDialog1->show();
}

void MainForm::ShowSourceFile(const std::string& file, const std::string& caption,
                              const std::string& word) {
  host_.Windows().LoadViewerTextFile(file, caption, word);
  host_.Windows().ShowViewerModal();
}

void MainForm::BrowseDirectory(const std::string& directory) { host_.Windows().BrowseDirectory(directory); }

void MainForm::OpenExtractDialog(const std::string& archive) { host_.Windows().OpenExtractDialog(archive); }

void MainForm::LaunchProgram(const std::string& program, const std::string& parameters) {
  LaunchLinkProgram(program, parameters, {settings_.AcrobatPath, settings_.BrowserPath});
}

bool MainForm::EnsureCdReady(const std::string& path) { return platform::EnsureCdReady(path, settings_.CdPath); }

void MainForm::OpenPdfInReader(const std::string& path, int page) {
  platform::OpenPdfInReader(platform::ReaderSettingsOf(settings_), path, settings_.ShowCommands, page);
}

void MainForm::ShowArchiveMember(const std::string& archive, const std::string& member,
                                 const std::string& caption, const std::string& word) {
  host_.Windows().LoadViewerArchiveMember(archive, member, caption, word);
  host_.Windows().ShowViewerModal();
}

void MainForm::PlaySound(const std::string& file) {
  platform::LaunchProgram(file, "", platform::Scripts::AsDocuments, {settings_.AcrobatPath, settings_.BrowserPath});
}

bool MainForm::FileExists(const std::string& path) { return platform::FileExists(path); }

bool MainForm::DirectoryExists(const std::string& path) { return platform::DirectoryExists(path); }

}  // namespace vantorel::browser
