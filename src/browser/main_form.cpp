#include "browser/main_form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <QWindow>

#include <exception>

#include "browser/frame_viewer.h"
#include "core/shared_state.h"
#include "core/ui.h"
#include "platform/file_system.h"
#include "platform/help_page.h"

namespace vantorel::browser {

namespace {

constexpr int kWidth = 799;
constexpr int kHeight = 602;
constexpr int kHistoryEntries = 6;

QPushButton* ToolbarButton(const QString& caption, QStyle::StandardPixmap picture) {
  auto* button = new QPushButton(QApplication::style()->standardIcon(picture), caption);
  button->setFixedSize(80, 25);
  button->setIconSize(QSize(16, 16));
  return button;
}

}  // namespace

MainForm::MainForm(MainFormHost& host) : host_(host) {
  BuildLayout();
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

  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Panel1);
  layout->addWidget(FrameViewer, 1);
  layout->addWidget(Panel2);
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

  for (QPushButton* button : {ReloadBtn, BackBtn, ForwardBtn, UnZipperBtn}) button->setEnabled(false);
  for (QAction* action : {Open1, Print1, Find1, Copy1, SelectAll1, ArticleSearch1, SearchOtherInfo1})
    action->setEnabled(false);

  connect(Exit1, &QAction::triggered, this, &QWidget::close);
  connect(BitBtn1, &QPushButton::clicked, this, &QWidget::close);
  connect(Options1, &QAction::triggered, this, [this] { host_.ShowOptions(); });
  connect(About1, &QAction::triggered, this, [] { platform::ShowHelpPage("help.htm"); });
  auto* help_key = new QAction(this);
  help_key->setShortcut(QKeySequence(Qt::Key_F1));
  connect(help_key, &QAction::triggered, this, [] { platform::ShowHelpPage("help.htm"); });
  addAction(help_key);
}

bool MainForm::FormCreate() {
  return host_.RunSetup(*this);
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
  const std::string start_page = core::Settings().DataDir + "index.htm";
  if (!platform::FileExists(start_page)) return;
  try {
    FrameViewer->LoadDocument(start_page);
  } catch (const std::exception& error) {
    core::ShowError(error.what());
  }
  FrameViewer->setFocus();
}

void MainForm::closeEvent(QCloseEvent* event) {
  event->accept();
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

}  // namespace vantorel::browser
