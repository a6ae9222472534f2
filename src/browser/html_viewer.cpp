#include "browser/html_viewer.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTextDocumentFragment>
#include <QTextTable>

#include <algorithm>

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
  // The end of a part of a long page: the reader reads on in the whole page.
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    if (whole_ && value > 0 && value == verticalScrollBar()->maximum() &&
        value + viewport()->height() >= document()->documentLayout()->documentSize().height()) {
      QMetaObject::invokeMethod(this, [this] { ShowWholePage(); }, Qt::QueuedConnection);
    }
  });
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
  if (whole_ && !whole_->Ended()) {
    whole_->Abandon();
    left_builds_.push_back(std::move(whole_));
  }
  std::erase_if(left_builds_, [](const auto& build) { return build->Ended(); });
  whole_ = std::move(prepared.whole);
  part_anchor_.clear();
  if (whole_) {
    whole_->WhenEnded([view = QPointer<HtmlViewer>(this), build = whole_.get()] {
      if (view && view->whole_.get() == build && view->part_anchor_.empty()) view->ShowWholePage();
    });
  }
  pending_anchor_.clear();
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  if (!anchor.empty()) {
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
  if (previous != nullptr && previous != document && previous->parent() == this) previous->deleteLater();
  document->setParent(this);
  setDocument(document);
  ApplyNoSelect();
}

// A part of a page is laid out as the same text in the whole page, so text positions and
// heights carry over measured from where the part starts: the top of the page for the
// beginning, its anchor for a later part.
void HtmlViewer::ShowWholePage() {
  if (!whole_) return;
  const std::shared_ptr<WholePageBuild> build = std::move(whole_);
  const std::string part_anchor = std::move(part_anchor_);
  part_anchor_.clear();
  PreparedDocument whole = [&] {
    if (build->Ended()) return build->Take(ImageSource());
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    struct CursorRestore {
      ~CursorRestore() { QGuiApplication::restoreOverrideCursor(); }
    } restore;
    return build->Take(ImageSource());
  }();
  auto start_of_part = [&part_anchor](QTextDocument& document) -> std::pair<int, int> {
    if (part_anchor.empty()) return {0, 0};
    const int position = std::max(0, FindAnchor(document, part_anchor));
    const QRectF block = document.documentLayout()->blockBoundingRect(document.findBlock(position));
    return {position, static_cast<int>(block.top())};
  };
  const auto [part_start, part_top] = start_of_part(*document());
  const int scroll = verticalScrollBar()->value() - part_top;
  const int sideways = horizontalScrollBar()->value();
  // The text at the bottom of the view, laid out in the part as far as that.
  const QPointF view_bottom(0, verticalScrollBar()->value() + viewport()->height());
  const int bottom_position =
      std::max(0, document()->documentLayout()->hitTest(view_bottom, Qt::FuzzyHit)) - part_start;
  const QTextCursor selection = textCursor();
  const int anchor = selection.anchor() - part_start;
  const int position = selection.position() - part_start;
  shown_.links = std::move(whole.links);
  shown_.base_href = std::move(whole.base_href);
  shown_.name.title = std::move(whole.name.title);
  ApplyPalette(whole.background.isValid() ? whole.background : settings_.page.background);
  ReplaceDocument(whole.document.release());
  const auto [whole_start, whole_top] = start_of_part(*document());
  const int last = std::max(0, document()->characterCount() - 1);
  auto in_whole = [&](int offset) { return std::clamp(whole_start + offset, 0, last); };
  QTextCursor restored(document());
  restored.setPosition(in_whole(anchor));
  restored.setPosition(in_whole(position), QTextCursor::KeepAnchor);
  setTextCursor(restored);
  // Lays the page out as far as the view shows, no further.
  document()->documentLayout()->blockBoundingRect(document()->findBlock(in_whole(bottom_position)));
  // The text control learns the new height at its next layout step; the page reaches this far.
  const int value = whole_top + scroll;
  if (verticalScrollBar()->maximum() < value) verticalScrollBar()->setMaximum(value);
  verticalScrollBar()->setValue(value);
  horizontalScrollBar()->setValue(sideways);
}

bool HtmlViewer::ShowPartAt(const std::string& anchor) {
  std::optional<WholePageBuild::Part> part = whole_->PreparePartAt(anchor, ImageSource());
  if (!part) return false;
  PreparedDocument& shown = part->document;
  shown_.links = std::move(shown.links);
  ApplyPalette(shown.background.isValid() ? shown.background : settings_.page.background);
  ReplaceDocument(shown.document.release());
  // The beginning is replaced as soon as the whole page is built, as after loading.
  part_anchor_ = part->beginning ? std::string() : anchor;
  return true;
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
  if (!part_anchor_.empty()) return;  // heights in a later part are not the page's
  if (HistoryEntry* entry = history_.Shown(); entry != nullptr && entry->document.file == shown_.name.file)
    entry->scroll = verticalScrollBar()->value();
}

void HtmlViewer::RecordHistory() {
  history_.Record(HistoryEntry{shown_.name});
  if (OnHistoryChange) OnHistoryChange(*this);
}

void HtmlViewer::ScrollTo(int y) {
  if (y > verticalScrollBar()->maximum()) document()->documentLayout()->documentSize();
  if (y > verticalScrollBar()->maximum() && whole_) {
    ShowWholePage();
    document()->documentLayout()->documentSize();
  }
  verticalScrollBar()->setValue(y);
}

void HtmlViewer::SetHistoryPosition(int index) {
  if (!history_.CanMoveTo(index)) return;
  ProcessingScope processing(*this);
  const HistoryEntry entry = history_.At(index);
  PreparedDocument prepared = Prepare(entry.document.file, entry.document.kind);
  SaveScrollInHistory();
  Show(std::move(prepared), {});
  history_.MoveTo(index);
  ScrollTo(entry.scroll);
  if (OnHistoryChange) OnHistoryChange(*this);
}

// --- Anchors, find, selection ----------------------------------------------------------------

bool HtmlViewer::PositionTo(const std::string& anchor) {
  int position = FindAnchor(*document(), anchor);
  if (position < 0 && whole_) {
    if (whole_->Ended() || !ShowPartAt(anchor)) ShowWholePage();
    position = FindAnchor(*document(), anchor);
  }
  if (position < 0) return false;
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
  return true;
}

bool HtmlViewer::FindNext(const std::string& text, bool match_case) {
  if (text.empty()) return false;
  const QString wanted = ToQString(std::string_view(text).substr(0, kFindTextMax));
  QTextDocument::FindFlags flags;
  if (match_case) flags |= QTextDocument::FindCaseSensitively;
  QTextCursor found = document()->find(wanted, textCursor().position(), flags);
  if (found.isNull() && whole_) {
    ShowWholePage();
    found = document()->find(wanted, textCursor().position(), flags);
  }
  if (found.isNull()) return false;
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
  return true;
}

void HtmlViewer::CopySelection() {
  const QTextCursor cursor = textCursor();
  if (!cursor.hasSelection()) return;
  QGuiApplication::clipboard()->setText(PlainTextOf(cursor));
}

void HtmlViewer::SelectAllText() {
  ShowWholePage();
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
  ShowWholePage();
  return PrintDocument(*document(), printer, settings_.print_margins, first, last, PrintEventOf(*this, OnPrintHeader),
                       PrintEventOf(*this, OnPrintFooter));
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
  QTextBrowser::keyPressEvent(event);
  HandlePendingClick();
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
