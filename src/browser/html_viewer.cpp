#include "browser/html_viewer.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QScrollBar>
#include <QTextDocumentFragment>
#include <QTextTable>

#include <algorithm>
#include <limits>

#include "browser/image_loading.h"
#include "browser/page_document.h"
#include "browser/view_events.h"
#include "core/code_pages.h"
#include "core/ui.h"
#include "qtui/qt_text.h"

namespace vantorel::browser {

using qtui::FromQString;
using qtui::ToQString;
namespace {

// Longest text FindNext looks for.
constexpr std::size_t kFindTextMax = 259;
// An occurrence closer than this to the bottom edge is scrolled to the middle.
constexpr int kFindBottomMargin = 20;
// The layout of a part, on the screen or on paper, goes on in pieces of about this length
// with the event loop running in between.
constexpr int kLayoutSliceMs = 15;
// How often a move into a part that is being built looks whether it is there.
constexpr int kPartPollMs = 50;
// Widest overflow of a page, in pixels, that comes from rounding and gets no scroll bar.
constexpr int kRoundingOverflow = 2;

// Colour 0xRRGGBB of bitmap shown transparent.
QImage WithTransparentColor(QImage bitmap, int color) {
  bitmap = bitmap.convertToFormat(QImage::Format_ARGB32);
  const QRgb key = static_cast<QRgb>(color) & 0xFFFFFFu;
  for (int y = 0; y < bitmap.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(bitmap.scanLine(y));
    for (int x = 0; x < bitmap.width(); ++x) {
      if ((line[x] & 0xFFFFFFu) == key) line[x] = 0;
    }
  }
  return bitmap.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The selected text as the user copies it: images and anchors leave no character behind,
// and a long table laid out in parts reads as the one table it is.
QString PlainTextOf(const QTextCursor& cursor) {
  QString text = cursor.selection().toPlainText();
  const int start = cursor.selectionStart();
  const auto seams = SeamCharacters(*cursor.document(), start, cursor.selectionEnd());
  for (auto seam = seams.rbegin(); seam != seams.rend(); ++seam) text.remove(seam->first - start, seam->second - seam->first);
  text.remove(QChar::ObjectReplacementCharacter);
  return text;
}

}  // namespace

HtmlViewer::HtmlViewer(QWidget* parent) : QTextBrowser(parent) {
  part_poll_.setSingleShot(true);
  part_poll_.setInterval(kPartPollMs);
  connect(&part_poll_, &QTimer::timeout, this, [this] {
    if (goal_) PartNews();
  });
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setUndoRedoEnabled(false);
  setTextInteractionFlags(Qt::TextBrowserInteraction);
  connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) { pending_click_ = url; });
  connect(this, &QTextBrowser::highlighted, this, [this](const QUrl& url) {
    try {
      ReportCovered(url.isEmpty() ? nullptr : LinkOf(url));
    } catch (const std::exception& error) {
      core::ShowError(error.what());
    }
  });
  // Qt's tables can come out a pixel wider than the page when they share their width among
  // spanned columns; no scroll bar for that.
  connect(horizontalScrollBar(), &QScrollBar::rangeChanged, this, [this](int, int maximum) {
    if (maximum > 0 && maximum <= kRoundingOverflow) horizontalScrollBar()->setRange(0, 0);
  });
  // The scroll bar's arrows and page steps lead on past the ends of a part of a long page;
  // the value has not moved yet when the action is reported.
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this](int action) {
    if (!long_page_ || goal_ || part_ < 0) return;
    const bool down = action == QAbstractSlider::SliderSingleStepAdd || action == QAbstractSlider::SliderPageStepAdd;
    const bool up = action == QAbstractSlider::SliderSingleStepSub || action == QAbstractSlider::SliderPageStepSub;
    if (down && AtPartEnd() && part_ + 1 < PartCount()) {
      QMetaObject::invokeMethod(this, [this, part = part_ + 1] { GoToPart({PartGoal::Kind::Top, part}); },
                                Qt::QueuedConnection);
    } else if (up && verticalScrollBar()->value() == 0 && part_ > 0) {
      QMetaObject::invokeMethod(this, [this, part = part_ - 1] { GoToPart({PartGoal::Kind::Bottom, part}); },
                                Qt::QueuedConnection);
    }
  });
  part_indicator_ = new QLabel(this);
  part_indicator_->setAutoFillBackground(true);
  part_indicator_->setFrameStyle(QFrame::Box | QFrame::Plain);
  part_indicator_->setMargin(2);
  QPalette indicator_colours = part_indicator_->palette();
  indicator_colours.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xE1));
  indicator_colours.setColor(QPalette::WindowText, Qt::black);
  part_indicator_->setPalette(indicator_colours);
  part_indicator_->hide();
  ApplyPalette(settings_.page.background);
  ApplyBorder();
}

HtmlViewer::~HtmlViewer() = default;

void HtmlViewer::AttachToHost(FrameHost* host) { host_ = host; }

void HtmlViewer::SetSettings(const ViewSettings& settings) {
  const bool no_select_changes = settings.no_select != settings_.no_select;
  const bool scroll_bar_changes = settings.show_vscroll != settings_.show_vscroll;
  settings_ = settings;
  SetHistoryMaxCount(settings_.history_max_count);
  SetImageCacheCount(settings_.image_cache_count);
  if (no_select_changes) ApplyNoSelect();
  if (scroll_bar_changes) ApplyScrollBarPolicy();
}

void HtmlViewer::SetHistoryMaxCount(int count) {
  settings_.history_max_count = std::max(0, count);
  history_.SetMaxCount(settings_.history_max_count);
}

void HtmlViewer::SetImageCacheCount(int count) {
  settings_.image_cache_count = std::max(0, count);
  TrimImageCache();
}

void HtmlViewer::TrimImageCache() {
  while (image_cache_.size() > static_cast<std::size_t>(settings_.image_cache_count)) image_cache_.pop_back();
}

void HtmlViewer::SetNoSelect(bool no_select) {
  settings_.no_select = no_select;
  ApplyNoSelect();
  UpdatePartIndicator();
}

void HtmlViewer::ApplyNoSelect() {
  if (settings_.no_select) {
    QTextCursor cursor = textCursor();
    cursor.clearSelection();
    setTextCursor(cursor);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  } else {
    setTextInteractionFlags(Qt::TextBrowserInteraction);
  }
}

HtOptions HtmlViewer::htOptions() const {
  return (settings_.page.link_underline ? 0u : htNoLinkUnderline) | (settings_.show_vscroll ? htShowVScroll : 0u);
}

void HtmlViewer::SethtOptions(HtOptions options) {
  settings_.page.link_underline = (options & htNoLinkUnderline) == 0;
  settings_.show_vscroll = (options & htShowVScroll) != 0;
  ApplyScrollBarPolicy();
}

void HtmlViewer::ApplyScrollBarPolicy() {
  setVerticalScrollBarPolicy(settings_.show_vscroll ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
}

void HtmlViewer::SetBorderStyle(BorderStyle style) {
  border_style_ = style;
  ApplyBorder();
}

void HtmlViewer::ApplyBorder() {
  if (border_style_ == BorderStyle::htNone) {
    setFrameStyle(QFrame::NoFrame);
    return;
  }
  // A plain line of constant width, so that showing it never lays the page out again.
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
  QPalette colours = palette();
  const bool visible = border_style_ == BorderStyle::htSingle || hasFocus();
  colours.setColor(QPalette::WindowText, visible ? QColor(Qt::black) : colours.color(QPalette::Base));
  setPalette(colours);
}

void HtmlViewer::ApplyPalette(const QColor& background) {
  QPalette colours = palette();
  colours.setColor(QPalette::Base, background);
  colours.setColor(QPalette::Text, Qt::black);
  colours.setColor(QPalette::Link, settings_.page.link);
  setPalette(colours);
  ApplyBorder();
}

LinkBase HtmlViewer::CurrentLinkBase() const {
  if (loading_base_) return *loading_base_;
  return DocumentLinkBase(settings_.server_root, shown_.base_href, shown_.name.file);
}

std::string HtmlViewer::ExpandLinkPath(const std::string& reference) const {
  return browser::ExpandLinkPath(reference, CurrentLinkBase());
}

// --- Loading ---------------------------------------------------------------------------------

PreparedDocument HtmlViewer::Prepare(const std::string& file_name, DocumentKind kind) {
  struct BaseReset {
    std::optional<LinkBase>& base;
    ~BaseReset() { base.reset(); }
  } reset{loading_base_};
  return PrepareDocument(file_name, kind, settings_, ImageSource());
}

PageImageSource HtmlViewer::ImageSource() {
  return [this](const std::string& src, const LinkBase& base) { return PageImage(src, base); };
}

QImage HtmlViewer::PageImage(const std::string& src, const LinkBase& base) {
  loading_base_ = base;  // what ExpandLinkPath answers while the page is read
  const std::string key = ExpandLinkPath(core::Cp1252ToUtf8(src));
  auto cached = std::find_if(image_cache_.begin(), image_cache_.end(),
                             [&](const auto& entry) { return entry.first == key; });
  if (cached != image_cache_.end()) {
    image_cache_.splice(image_cache_.begin(), image_cache_, cached);
    return image_cache_.front().second;
  }
  QImage image = RequestBitmap(src);
  if (!image.isNull() && settings_.image_cache_count > 0) {
    image_cache_.emplace_front(key, image);
    TrimImageCache();
  }
  return image;
}

QImage HtmlViewer::RequestBitmap(const std::string& src) {
  QImage bitmap;
  int color = -1;
  RaiseBitmapRequest(OnBitmapRequest, *this, src, bitmap, color);
  if (!bitmap.isNull() && color >= 0) bitmap = WithTransparentColor(bitmap, color);
  return bitmap;
}

void HtmlViewer::Show(PreparedDocument prepared, const std::string& anchor) {
  shown_.name = std::move(prepared.name);
  shown_.links = std::move(prepared.links);
  shown_.base_href = std::move(prepared.base_href);
  covering_link_ = false;
  covered_href_.clear();
  pending_click_.reset();
  ApplyPalette(prepared.background.isValid() ? prepared.background : settings_.page.background);
  ReplaceDocument(prepared.document ? prepared.document.release() : new QTextDocument);
  long_page_ = std::move(prepared.long_page);
  part_ = -1;
  goal_.reset();
  pending_anchor_.clear();
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  if (long_page_) {
    long_page_->OnNews([view = QPointer<HtmlViewer>(this), page = long_page_.get()] {
      if (view && view->long_page_.get() == page) view->PartNews();
    });
    GoToPart(anchor.empty() ? PartGoal{PartGoal::Kind::Top, 0} : PartGoal{PartGoal::Kind::Anchor, -1, anchor});
  } else if (!anchor.empty()) {
    if (isVisible()) {
      PositionTo(anchor);
    } else {
      pending_anchor_ = anchor;
    }
  }
}

void HtmlViewer::ReplaceDocument(QTextDocument* document) {
  // A page shown before goes once the events that may still refer to it are done; the
  // editor's own first document is deleted by setDocument itself.
  QTextDocument* previous = this->document();
  part_layout_.reset();
  if (previous != nullptr && previous != document && previous->parent() == this) previous->deleteLater();
  document->setParent(this);
  setDocument(document);
  ApplyNoSelect();
  UpdatePartIndicator();
}

void HtmlViewer::Load(const std::string& file_reference, DocumentKind kind) {
  FileReference reference{file_reference, {}};
  if (kind == DocumentKind::Html) reference = SplitFileReference(file_reference);
  if (reference.file.empty() && !reference.anchor.empty()) {
    if (shown_.name.file.empty()) return;
    SaveScrollInHistory();
    if (PositionTo(reference.anchor)) RecordHistory();
    return;
  }
  PreparedDocument prepared = Prepare(reference.file, kind);
  SaveScrollInHistory();
  Show(std::move(prepared), reference.anchor);
  RecordHistory();
}

void HtmlViewer::LoadDocument(const std::string& file_reference) {
  ProcessingScope processing(*this);
  Load(file_reference, DocumentKind::Html);
}

void HtmlViewer::LoadTextDocument(const std::string& file_name) {
  ProcessingScope processing(*this);
  Load(file_name, DocumentKind::Text);
}

void HtmlViewer::LoadImageDocument(const std::string& file_name) {
  ProcessingScope processing(*this);
  Load(file_name, DocumentKind::Image);
}

// --- History ---------------------------------------------------------------------------------

std::vector<std::string> HtmlViewer::HistoryFiles() const {
  std::vector<std::string> files;
  for (const HistoryEntry& entry : history_.Entries()) files.push_back(entry.document.file);
  return files;
}

std::vector<std::string> HtmlViewer::HistoryTitles() const {
  std::vector<std::string> titles;
  for (const HistoryEntry& entry : history_.Entries()) titles.push_back(entry.document.title);
  return titles;
}

void HtmlViewer::SaveScrollInHistory() {
  if (HistoryEntry* entry = history_.Shown(); entry != nullptr && entry->document.file == shown_.name.file)
    entry->place = Place();
}

void HtmlViewer::RecordHistory() {
  history_.Record(HistoryEntry{shown_.name, {}});
  if (OnHistoryChange) OnHistoryChange(*this);
}

void HtmlViewer::ScrollTo(int y) {
  if (y > verticalScrollBar()->maximum()) {
    // The text control learns the new height at its next layout step; the page reaches this far.
    const int height = static_cast<int>(document()->documentLayout()->documentSize().height());
    const int reach = std::max(0, height - viewport()->height());
    if (verticalScrollBar()->maximum() < reach) verticalScrollBar()->setMaximum(reach);
  }
  verticalScrollBar()->setValue(y);
}

ViewPlace HtmlViewer::Place() const {
  if (goal_ && goal_->kind == PartGoal::Kind::Place) return {goal_->part, goal_->scroll};
  return {std::max(0, PartShown()), verticalScrollBar()->value()};
}

void HtmlViewer::GoTo(ViewPlace place) {
  if (!long_page_ || (place.part == part_ && !goal_)) {
    ScrollTo(place.scroll);
    return;
  }
  GoToPart({PartGoal::Kind::Place, place.part, {}, false, place.scroll});
}

void HtmlViewer::SetHistoryPosition(int index) {
  if (!history_.CanMoveTo(index)) return;
  ProcessingScope processing(*this);
  const HistoryEntry entry = history_.At(index);
  PreparedDocument prepared = Prepare(entry.document.file, entry.document.kind);
  SaveScrollInHistory();
  Show(std::move(prepared), {});
  history_.MoveTo(index);
  GoTo(entry.place);
  if (OnHistoryChange) OnHistoryChange(*this);
}

// --- Anchors, find, selection ----------------------------------------------------------------

bool HtmlViewer::PositionTo(const std::string& anchor) {
  const int position = FindAnchor(*document(), anchor);
  if (position < 0 && long_page_) {
    const std::optional<int> part = long_page_->PartOfAnchor(anchor);
    if (part && *part < 0) return false;
    GoToPart({PartGoal::Kind::Anchor, part.value_or(-1), anchor});
    return true;
  }
  if (position < 0) return false;
  ScrollToPosition(position);
  return true;
}

void HtmlViewer::ScrollToPosition(int position) {
  QTextCursor cursor(document());
  cursor.setPosition(position);
  int top = verticalScrollBar()->value() + cursorRect(cursor).top();  // in the document
  // An anchor written just before a table names the table: it comes into view whole.
  if (auto* table = qobject_cast<QTextTable*>(document()->frameAt(position));
      table && table->cellAt(position).row() == 0) {
    const QTextTableFormat format = table->format();
    top -= static_cast<int>(format.border() + format.cellSpacing() + format.cellPadding() + 2);  // cell border
  }
  ScrollTo(top);
}

bool HtmlViewer::FindNext(const std::string& text, bool match_case) {
  if (text.empty()) return false;
  // A move still heading for a known part gets there first, so that find goes on from it; one
  // whose part the split has still to tell gives way.
  if (goal_ && goal_->part >= 0) {
    const std::shared_ptr<LongPage> page = long_page_;
    while (goal_ && goal_->part >= 0 && long_page_ == page) {
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
      if (goal_) QThread::msleep(2);
      if (goal_) PartNews();
    }
  }
  goal_.reset();
  if (!long_page_) {
    const QString wanted = ToQString(std::string_view(text).substr(0, kFindTextMax));
    QTextDocument::FindFlags flags;
    if (match_case) flags |= QTextDocument::FindCaseSensitively;
    const QTextCursor found = document()->find(wanted, textCursor().position(), flags);
    if (found.isNull()) return false;
    ShowFound(found);
    return true;
  }
  // The part shown is searched from the caret, then the page's text tells the part; only that
  // part is built and laid out. Searching and building go on a slice at a time, the window
  // painting; what is found is selected when find returns.
  found_ = false;
  if (part_ >= 0) {
    goal_ = PartGoal{PartGoal::Kind::Find, part_, text, match_case};
    goal_->search_from = textCursor().position();
    goal_->in_place = true;
  } else {
    const std::optional<int> part = PartHolding(text, match_case, 0);
    if (!part || *part < 0) return false;
    goal_ = PartGoal{PartGoal::Kind::Find, *part, text, match_case};
  }
  const std::shared_ptr<LongPage> page = long_page_;
  PartNews();
  while (goal_ && goal_->kind == PartGoal::Kind::Find && long_page_ == page) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    QThread::msleep(2);
    if (goal_) PartNews();
  }
  return found_;
}

bool HtmlViewer::SearchPart(PartGoal& goal) {
  QElapsedTimer clock;
  clock.start();
  // As QTextDocument::find: block by block, a no-break space read as a blank.
  QString wanted = ToQString(std::string_view(goal.text).substr(0, kFindTextMax));
  if (!goal.match_case) wanted = wanted.toCaseFolded();
  QTextBlock block = document()->findBlock(goal.search_from);
  int offset = block.isValid() ? goal.search_from - block.position() : 0;
  while (block.isValid()) {
    QString text = block.text();
    text.replace(QChar::Nbsp, u' ');
    if (!goal.match_case) text = text.toCaseFolded();
    const int at = text.indexOf(wanted, offset);
    if (at >= 0) {
      goal.found = block.position() + at;
      goal.reach = goal.found + static_cast<int>(wanted.size());
      return true;
    }
    block = block.next();
    offset = 0;
    if (block.isValid() && clock.elapsed() >= kLayoutSliceMs) {
      goal.search_from = block.position();
      return false;
    }
  }
  goal.reach = -2;
  return true;
}

// A slice of the page's text at a time, the event loop painting the window in between.
std::optional<int> HtmlViewer::PartHolding(const std::string& text, bool match_case, int from) {
  constexpr int kPartsPerSlice = 24;
  const std::shared_ptr<LongPage> page = long_page_;
  std::optional<int> part = page->PartWithText(text, match_case, from, kPartsPerSlice);
  if (part) return part;
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  while (!part && long_page_ == page) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    if (from >= page->PartCount()) QThread::msleep(10);  // the split is still on its way
    part = page->PartWithText(text, match_case, from, kPartsPerSlice);
  }
  QGuiApplication::restoreOverrideCursor();
  return long_page_ == page ? part : std::nullopt;
}

void HtmlViewer::ShowFound(const QTextCursor& found) {
  const int scroll = verticalScrollBar()->value();
  setTextCursor(found);
  verticalScrollBar()->setValue(scroll);
  QTextCursor start(document());
  start.setPosition(found.selectionStart());
  const QRect occurrence = cursorRect(start);
  const int height = viewport()->height();
  if (occurrence.top() < 0 || occurrence.bottom() > height - kFindBottomMargin) {
    ScrollTo(verticalScrollBar()->value() + occurrence.center().y() - height / 2);
  }
}

void HtmlViewer::CopySelection() {
  const QTextCursor cursor = textCursor();
  if (!cursor.hasSelection()) return;
  QGuiApplication::clipboard()->setText(PlainTextOf(cursor));
}

void HtmlViewer::SelectAllText() {
  if (settings_.no_select || document()->isEmpty()) return;
  selectAll();
}

int HtmlViewer::SelectionLength() const {
  const QTextCursor cursor = textCursor();
  int length = cursor.selectionEnd() - cursor.selectionStart();
  for (const auto& [first, last] : SeamCharacters(*document(), cursor.selectionStart(), cursor.selectionEnd())) {
    length -= last - first;
  }
  return length;
}

std::string HtmlViewer::SelectedText() const {
  return FromQString(PlainTextOf(textCursor()));
}

int HtmlViewer::PrintPages(QPrinter& printer, int first, int last) {
  return PrintWith(printer, settings_.print_margins, first, last, PrintEventOf(*this, OnPrintHeader),
                   PrintEventOf(*this, OnPrintFooter));
}

int HtmlViewer::PrintWith(QPrinter& printer, const PrintMargins& margins, int first, int last,
                          const PrintPageEvent& header, const PrintPageEvent& footer) {
  if (!long_page_) return PrintDocument(*document(), printer, margins, first, last, header, footer);
  // Part after part, each built on the worker while the event loop runs in the progress window.
  const std::shared_ptr<LongPage> page = long_page_;
  PrintJob job(printer, margins, first, last, header, footer);
  QProgressDialog progress(QStringLiteral("Printing..."), QStringLiteral("Cancel"), 0, 0, this);
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(500);
  for (int part = 0;; ++part) {
    page->Request(part);
    if (page->Split()) progress.setMaximum(page->PartCount());
    progress.setLabelText(QStringLiteral("Printing part %1 of %2").arg(part + 1).arg(page->PartCount()));
    progress.setValue(part);
    if (progress.wasCanceled()) break;
    std::optional<PreparedDocument> printed = page->TakePart(part, ImageSource());
    while (!printed && !progress.wasCanceled() && (part < page->PartCount() || !page->Split())) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      QThread::msleep(2);
      printed = page->TakePart(part, ImageSource());
    }
    if (!printed || !PrintPart(job, *printed->document, progress)) break;
  }
  return job.Printed();
}

// The part (a document of its own) is laid out for the paper and printed a piece at a time,
// the event loop running in between; false once the job has ended or printing is cancelled.
bool HtmlViewer::PrintPart(PrintJob& job, QTextDocument& part, QProgressDialog& progress) {
  job.PreparePaper(part);
  {
    LayoutStepper stepper(part);
    while (!stepper.Step(kLayoutSliceMs)) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      if (progress.wasCanceled()) return false;
    }
  }
  const int page_count = part.pageCount();
  for (int page = 1; page <= page_count; ++page) {
    if (progress.wasCanceled() || !job.PrintPage(part, page)) break;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return !progress.wasCanceled() && job.EndDocument(page_count);
}

// --- Links -----------------------------------------------------------------------------------

const PageLink* HtmlViewer::LinkOf(const QUrl& url) const {
  const QString text = url.toString();
  const QString prefix = QString::fromLatin1(kLinkPrefix.data(), kLinkPrefix.size());
  if (!text.startsWith(prefix)) return nullptr;
  bool ok = false;
  const qulonglong index = text.mid(prefix.size()).toULongLong(&ok);
  if (!ok || index >= shown_.links.size()) return nullptr;
  return &shown_.links[index];
}

void HtmlViewer::ReportCovered(const PageLink* link) {
  if (!link && !covering_link_) return;
  if (link && covering_link_ && covered_href_ == link->href) return;
  covering_link_ = link != nullptr;
  covered_href_ = link ? link->href : std::string();
  if (host_) {
    host_->FrameLinkCovered(*this, link);
  } else if (OnHotSpotCovered) {
    OnHotSpotCovered(*this, covered_href_);
  }
}

void HtmlViewer::LinkClicked(const QUrl& url) {
  const PageLink* link = LinkOf(url);
  if (!link) return;
  const PageLink clicked = *link;  // the handler may load another page
  try {
    if (host_) {
      host_->FrameLinkClicked(*this, clicked);
      return;
    }
    bool handled = false;
    if (OnHotSpotClick) OnHotSpotClick(*this, clicked.href, handled);
    if (!handled) FollowLink(clicked);
  } catch (const std::exception& error) {
    core::ShowError(error.what());
  }
}

void HtmlViewer::FollowLink(const PageLink& link) {
  if (!link.href.empty() && link.href[0] == '#') {
    SaveScrollInHistory();
    if (PositionTo(link.href.substr(1))) RecordHistory();
    return;
  }
  const std::string expanded = ExpandLinkPath(core::Cp1252ToUtf8(link.href));
  const std::string file = SplitFileReference(expanded).file;
  const DocumentKind kind = KindOfLinkedFile(file);
  ProcessingScope processing(*this);
  Load(kind == DocumentKind::Html ? expanded : file, kind);
}

// --- Input -----------------------------------------------------------------------------------

void HtmlViewer::mousePressEvent(QMouseEvent* event) {
  QTextBrowser::mousePressEvent(event);
  if (host_) host_->FrameActivated(*this);
}

void HtmlViewer::mouseReleaseEvent(QMouseEvent* event) {
  QTextBrowser::mouseReleaseEvent(event);
  HandlePendingClick();
}

void HtmlViewer::keyPressEvent(QKeyEvent* event) {
  if (long_page_ && part_ >= 0 && !goal_) {
    const int key = event->key();
    const bool at_top = verticalScrollBar()->value() == 0;
    if (key == Qt::Key_End) {
      GoToPart({PartGoal::Kind::Bottom, long_page_->Split() ? long_page_->PartCount() - 1 : -1});
      return;
    }
    if (key == Qt::Key_Home) {
      GoToPart({PartGoal::Kind::Top, 0});
      return;
    }
    if ((key == Qt::Key_Down || key == Qt::Key_PageDown || key == Qt::Key_Space) && part_ + 1 < PartCount() &&
        AtPartEnd()) {
      GoToPart({PartGoal::Kind::Top, part_ + 1});
      return;
    }
    if ((key == Qt::Key_Up || key == Qt::Key_PageUp) && at_top && part_ > 0) {
      GoToPart({PartGoal::Kind::Bottom, part_ - 1});
      return;
    }
  }
  QTextBrowser::keyPressEvent(event);
  HandlePendingClick();
}

void HtmlViewer::wheelEvent(QWheelEvent* event) {
  if (long_page_ && part_ >= 0 && !goal_) {
    const int delta = event->angleDelta().y();
    if (delta < 0 && part_ + 1 < PartCount() && AtPartEnd()) {
      GoToPart({PartGoal::Kind::Top, part_ + 1});
      return;
    }
    if (delta > 0 && part_ > 0 && verticalScrollBar()->value() == 0) {
      GoToPart({PartGoal::Kind::Bottom, part_ - 1});
      return;
    }
  }
  QTextBrowser::wheelEvent(event);
}

void HtmlViewer::resizeEvent(QResizeEvent* event) {
  QTextBrowser::resizeEvent(event);
  UpdatePartIndicator();
}

// --- Long pages ------------------------------------------------------------------------------

int HtmlViewer::PartCount() const { return long_page_ ? long_page_->PartCount() : 1; }

QString HtmlViewer::PartIndicatorText() const {
  if (!long_page_) return {};
  const QString shown = part_ < 0 ? QStringLiteral("...") : QString::number(part_ + 1);
  return QStringLiteral("Part %1 of %2%3").arg(shown).arg(PartCount()).arg(long_page_->Split() ? "" : "...");
}

void HtmlViewer::UpdatePartIndicator() {
  if (!part_indicator_) return;
  part_indicator_->setVisible(long_page_ != nullptr);
  if (!long_page_) return;
  part_indicator_->setText(PartIndicatorText());
  part_indicator_->adjustSize();
  const QRect area = viewport()->geometry();
  part_indicator_->move(area.right() - part_indicator_->width() - 4, area.top() + 4);
  part_indicator_->raise();
}

// The bottom of the part is in view, the part laid out to its end.
bool HtmlViewer::AtPartEnd() {
  if (part_layout_) return false;  // not laid out to its end yet
  const int value = verticalScrollBar()->value();
  if (value < verticalScrollBar()->maximum()) return false;
  return value + viewport()->height() >= document()->documentLayout()->documentSize().height();
}

void HtmlViewer::GoToPart(PartGoal goal) {
  goal_ = std::move(goal);
  PartNews();
}

void HtmlViewer::PartNews(bool wait) {
  if (!long_page_) return;
  UpdatePartIndicator();
  if (goal_ && goal_->part < 0) {
    if (goal_->kind == PartGoal::Kind::Anchor) {
      const std::optional<int> part = long_page_->PartOfAnchor(goal_->text);
      if (part && *part < 0) {
        // No such anchor: the view stays, or shows the page's top.
        goal_ = part_ < 0 ? std::optional<PartGoal>(PartGoal{PartGoal::Kind::Top, 0}) : std::nullopt;
      } else if (part) {
        goal_->part = *part;
      }
    } else if (long_page_->Split()) {
      goal_->part = std::max(0, long_page_->PartCount() - 1);
    }
  }
  if (goal_ && goal_->part >= 0 && goal_->part == part_) {
    if (!LaidOutFor(*goal_)) return;  // StepPartLayout comes back
    PartGoal reached = std::move(*goal_);
    goal_.reset();
    ReachGoal(std::move(reached));
  } else if (goal_ && goal_->part >= 0) {
    std::optional<PreparedDocument> part = long_page_->TakePart(goal_->part, ImageSource(), wait);
    if (!part) {
      long_page_->Request(goal_->part);
      // Looked at again in a while, should the worker's news be taken by another wish.
      if (!part_poll_.isActive()) part_poll_.start();
      return;
    }
    shown_.links = std::move(part->links);
    ApplyPalette(part->background.isValid() ? part->background : settings_.page.background);
    part_ = goal_->part;
    ReplaceDocument(part->document.release());
    // Laid out a piece at a time from here; the goal is reached once its place is.
    part_layout_ = std::make_unique<LayoutStepper>(*document());
    QTimer::singleShot(0, this, [view = QPointer<HtmlViewer>(this)] {
      if (view) view->StepPartLayout();
    });
    if (!LaidOutFor(*goal_)) return;
    PartGoal reached = std::move(*goal_);
    goal_.reset();
    ReachGoal(std::move(reached));
  }
  if (!goal_ && part_ >= 0) {
    // The neighbours ahead, the next one first.
    long_page_->Request(part_ - 1);
    long_page_->Request(part_ + 1);
  }
}

bool HtmlViewer::LaidOutFor(PartGoal& goal) {
  if (goal.kind == PartGoal::Kind::Find && goal.reach == -1 && !SearchPart(goal)) return false;
  if (!part_layout_ || part_layout_->Done()) return true;
  switch (goal.kind) {
    case PartGoal::Kind::Top:
      return true;
    case PartGoal::Kind::Anchor:
      if (goal.reach == -1) goal.reach = std::max(-2, FindAnchor(*document(), goal.text));
      return goal.reach < 0 || part_layout_->LaidOutTo() > goal.reach;
    case PartGoal::Kind::Find:
      return goal.reach < 0 || part_layout_->LaidOutTo() > goal.reach;
    case PartGoal::Kind::Bottom:
    case PartGoal::Kind::Place:
      return false;
  }
  return true;
}

void HtmlViewer::StepPartLayout() {
  if (!part_layout_) return;
  const bool done = part_layout_->Step(kLayoutSliceMs);
  // The scroll range follows the layout (the text control reckons the size itself).
  QAbstractTextDocumentLayout* layout = document()->documentLayout();
  emit layout->documentSizeChanged(QSizeF());
  if (done) {
    part_layout_.reset();
    emit layout->documentSizeChanged(layout->documentSize());
    viewport()->update();
  }
  if (goal_ && goal_->part == part_) PartNews();
  if (part_layout_) {
    QTimer::singleShot(0, this, [view = QPointer<HtmlViewer>(this)] {
      if (view) view->StepPartLayout();
    });
  }
}

void HtmlViewer::ReachGoal(PartGoal goal) {
  if (!goal.in_place) {
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
  }
  switch (goal.kind) {
    case PartGoal::Kind::Top:
      break;
    case PartGoal::Kind::Bottom: {
      QTextCursor end(document());
      end.movePosition(QTextCursor::End);
      setTextCursor(end);
      ScrollTo(std::numeric_limits<int>::max() / 2);
      break;
    }
    case PartGoal::Kind::Anchor:
      if (const int position = FindAnchor(*document(), goal.text); position >= 0) ScrollToPosition(position);
      break;
    case PartGoal::Kind::Find: {
      while (goal.reach == -1 && !SearchPart(goal)) {
      }
      if (goal.reach >= 0) {
        QTextCursor found(document());
        found.setPosition(goal.found);
        found.setPosition(goal.reach, QTextCursor::KeepAnchor);
        ShowFound(found);
        found_ = true;
        break;
      }
      // The page's text held it where the part shows none (text the part does not show).
      const std::optional<int> next = PartHolding(goal.text, goal.match_case, goal.part + 1);
      if (next && *next >= 0) GoToPart({PartGoal::Kind::Find, *next, goal.text, goal.match_case});
      break;
    }
    case PartGoal::Kind::Place:
      ScrollTo(goal.scroll);
      break;
  }
}

// A link is followed once the text control has finished with the event that activated it,
// since following it replaces the document the control works on.
void HtmlViewer::HandlePendingClick() {
  if (!pending_click_) return;
  const QUrl url = *pending_click_;
  pending_click_.reset();
  LinkClicked(url);
}

void HtmlViewer::leaveEvent(QEvent* event) {
  QTextBrowser::leaveEvent(event);
  try {
    ReportCovered(nullptr);
  } catch (const std::exception& error) {
    core::ShowError(error.what());
  }
}

void HtmlViewer::focusInEvent(QFocusEvent* event) {
  QTextBrowser::focusInEvent(event);
  if (border_style_ == BorderStyle::htFocused) ApplyBorder();
  if (host_) host_->FrameActivated(*this);
}

void HtmlViewer::focusOutEvent(QFocusEvent* event) {
  QTextBrowser::focusOutEvent(event);
  if (border_style_ == BorderStyle::htFocused) ApplyBorder();
}

void HtmlViewer::showEvent(QShowEvent* event) {
  QTextBrowser::showEvent(event);
  if (!pending_anchor_.empty()) {
    const std::string anchor = std::move(pending_anchor_);
    pending_anchor_.clear();
    PositionTo(anchor);
  }
}

// Every resource of a page is added to its document when the page is read; nothing is
// fetched behind the view's back.
QVariant HtmlViewer::loadResource(int, const QUrl&) { return {}; }

// --- Image requests --------------------------------------------------------------------------

void RaiseBitmapRequest(const HtmlViewer::BitmapRequestEvent& handler, HtmlViewer& sender, const std::string& src,
                        QImage& bitmap, int& color) {
  if (handler) {
    handler(sender, src, bitmap, color);
  } else {
    bitmap = LoadImageFileAsBitmap(sender.ExpandLinkPath(core::Cp1252ToUtf8(src)));
  }
}

void RequestArchiveBitmap(HtmlViewer& sender, const std::string& src, QImage& bitmap, int&) {
  bitmap = ImageForExpandedPath(sender.ExpandLinkPath(core::Cp1252ToUtf8(src)));
}

}  // namespace vantorel::browser
