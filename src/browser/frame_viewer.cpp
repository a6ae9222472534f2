#include "browser/frame_viewer.h"

#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>

#include "browser/view_events.h"
#include "core/code_pages.h"
#include "core/texts.h"

namespace vantorel::browser {
namespace {

// The longest selection the frame view copies.
constexpr std::size_t kCopyBufferMax = 31999;
// Width of the border between frames, in pixels, when the frameset gives none.
constexpr int kDefaultFrameBorder = 5;

bool IsWholeViewTarget(std::string_view target) {
  return target.empty() || core::SameTextNoCase(target, "_top") || core::SameTextNoCase(target, "_parent") ||
         core::SameTextNoCase(target, "_self");
}

// A splitter that sizes its parts by a frameset's ROWS or COLS until the user moves a border.
class FramesetSplitter : public QSplitter {
 public:
  FramesetSplitter(Qt::Orientation orientation, std::vector<FrameLength> lengths)
      : QSplitter(orientation), lengths_(std::move(lengths)) {
    setChildrenCollapsible(false);
    connect(this, &QSplitter::splitterMoved, this, [this] { user_sized_ = true; });
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QSplitter::resizeEvent(event);
    if (!user_sized_) ApplyLengths();
  }

 private:
  // Pixels first, then percentages of the whole, then the rest shared among "*" by weight;
  // when the lengths do not fill the space exactly, they are scaled to it.
  void ApplyLengths() {
    const int parts = count();
    if (parts == 0) return;
    const int whole = std::max(0, (orientation() == Qt::Horizontal ? width() : height()) - handleWidth() * (parts - 1));
    std::vector<double> sizes(parts, 0);
    double fixed = 0;
    double weights = 0;
    for (int i = 0; i < parts; ++i) {
      const FrameLength length = i < static_cast<int>(lengths_.size()) ? lengths_[i] : FrameLength{};
      switch (length.kind) {
        case FrameLength::Kind::Pixels: sizes[i] = length.value; fixed += sizes[i]; break;
        case FrameLength::Kind::Percent: sizes[i] = whole * length.value / 100; fixed += sizes[i]; break;
        case FrameLength::Kind::Relative: weights += length.value; break;
      }
    }
    const double rest = whole - fixed;
    if (weights > 0 && rest >= 0) {
      for (int i = 0; i < parts; ++i) {
        const FrameLength length = i < static_cast<int>(lengths_.size()) ? lengths_[i] : FrameLength{};
        if (length.kind == FrameLength::Kind::Relative) sizes[i] = rest * length.value / weights;
      }
    } else if (fixed > 0) {
      for (double& size : sizes) size = size * whole / fixed;
    }
    QList<int> rounded;
    for (double size : sizes) rounded.append(static_cast<int>(size + 0.5));
    setSizes(rounded);
  }

  std::vector<FrameLength> lengths_;  // ROWS or COLS of the frameset
  bool user_sized_ = false;           // the user has moved a border
};

}  // namespace

FrameViewer::FrameViewer(QWidget* parent) : QWidget(parent), layout_(new QVBoxLayout(this)) {
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(0);
  ReplaceContent(NewFrameView(), {});
  frames_.push_back({"", static_cast<HtmlViewer*>(content_)});
  SetActive(frames_[0].view);
}

// The frames outlive this destructor until the widget tree deletes them; they report nothing meanwhile.
FrameViewer::~FrameViewer() {
  for (Frame& frame : frames_) static_cast<HtmlFrame&>(*frame.view).AttachToHost(nullptr);
}

void FrameViewer::SetActive(HtmlViewer* view) {
  active_ = view;
  setFocusProxy(view);  // the focus given to the frame view goes on to the active frame
}

// --- Properties ------------------------------------------------------------------------------

void FrameViewer::PassSettingsOn() {
  for (Frame& frame : frames_) frame.view->SetSettings(settings_);
}

void FrameViewer::SetDefBackground(const QColor& color) {
  settings_.page.background = color;
  PassSettingsOn();
}

void FrameViewer::SetDefFontName(const std::string& name) {
  settings_.page.font_name = name;
  PassSettingsOn();
}

void FrameViewer::SetDefPreFontName(const std::string& name) {
  settings_.page.pre_font_name = name;
  PassSettingsOn();
}

void FrameViewer::SetDefFontSize(double points) {
  settings_.page.base_point_size = points;
  PassSettingsOn();
}

void FrameViewer::SetHistoryMaxCount(int count) {
  settings_.history_max_count = std::max(0, count);
  history_.SetMaxCount(settings_.history_max_count);
  PassSettingsOn();
}

void FrameViewer::SetImageCacheCount(int count) {
  settings_.image_cache_count = std::max(0, count);
  PassSettingsOn();
}

void FrameViewer::SetNoSelect(bool no_select) {
  settings_.no_select = no_select;
  PassSettingsOn();
}

void FrameViewer::SetCharSet(int char_set) {
  settings_.char_set = char_set;
  PassSettingsOn();
}

void FrameViewer::SetPrintMarginLeft(double cm) {
  settings_.print_margins.left = cm;
  PassSettingsOn();
}

void FrameViewer::SetPrintMarginRight(double cm) {
  settings_.print_margins.right = cm;
  PassSettingsOn();
}

void FrameViewer::SetPrintMarginTop(double cm) {
  settings_.print_margins.top = cm;
  PassSettingsOn();
}

void FrameViewer::SetPrintMarginBottom(double cm) {
  settings_.print_margins.bottom = cm;
  PassSettingsOn();
}

FvOptions FrameViewer::fvOptions() const {
  return (frame_borders_ ? 0u : fvNoBorder) | (settings_.page.link_underline ? 0u : fvNoLinkUnderline) |
         (settings_.show_vscroll ? fvShowVScroll : 0u);
}

void FrameViewer::SetfvOptions(FvOptions options) {
  frame_borders_ = (options & fvNoBorder) == 0;
  settings_.page.link_underline = (options & fvNoLinkUnderline) == 0;
  settings_.show_vscroll = (options & fvShowVScroll) != 0;
  PassSettingsOn();
}

void FrameViewer::SetServerRoot(const std::string& root) {
  settings_.server_root = root;
  PassSettingsOn();
}

void FrameViewer::SetArchiveFolder(const std::string& folder) {
  settings_.archive_folder = folder;
  PassSettingsOn();
}

// --- Frames ----------------------------------------------------------------------------------

HtmlViewer* FrameViewer::NewFrameView() {
  auto* view = new HtmlViewer;
  view->SetSettings(settings_);
  view->SetBorderStyle(BorderStyle::htNone);
  view->OnBitmapRequest = [this](HtmlViewer& sender, const std::string& src, QImage& bitmap, int& color) {
    RaiseBitmapRequest(OnBitmapRequest, sender, src, bitmap, color);
  };
  static_cast<HtmlFrame&>(*view).AttachToHost(this);
  return view;
}

void FrameViewer::ReplaceContent(QWidget* content, std::vector<Frame> frames) {
  if (content_ && content_ != content) {
    layout_->removeWidget(content_);
    content_->hide();
    content_->deleteLater();  // a frame of it may be handling the click that replaced it
  }
  content_ = content;
  layout_->addWidget(content_);
  content_->show();
  frames_ = std::move(frames);
}

QWidget* FrameViewer::BuildFrameset(const FramesetSpec& spec, const LinkBase& base, std::vector<Frame>& frames) {
  const int border = !frame_borders_ || !spec.frame_border ? 0
                     : spec.border >= 0                    ? spec.border
                                                           : kDefaultFrameBorder;
  const bool grid = !spec.rows.empty() && !spec.cols.empty();
  const std::size_t columns = spec.cols.empty() ? 1 : spec.cols.size();
  const std::size_t rows = spec.rows.empty() ? 1 : spec.rows.size();
  auto* outer = new FramesetSplitter(spec.cols.empty() || grid ? Qt::Vertical : Qt::Horizontal,
                                     grid ? spec.rows : (spec.cols.empty() ? spec.rows : spec.cols));
  outer->setHandleWidth(border);
  const std::size_t cells = std::min(spec.frames.size(), rows * columns);
  FramesetSplitter* row = nullptr;
  std::vector<std::pair<QSplitter*, QWidget*>> fixed;  // NORESIZE frames
  for (std::size_t i = 0; i < cells; ++i) {
    QSplitter* parent = outer;
    if (grid) {
      if (i % columns == 0) {
        row = new FramesetSplitter(Qt::Horizontal, spec.cols);
        row->setHandleWidth(border);
        outer->addWidget(row);
      }
      parent = row;
    }
    const FrameSpec& frame = spec.frames[i];
    if (frame.frameset) {
      parent->addWidget(BuildFrameset(*frame.frameset, base, frames));
      continue;
    }
    HtmlViewer* view = NewFrameView();
    if (frame.scrolling == "no") {
      view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    } else if (frame.scrolling == "yes") {
      view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    parent->addWidget(view);
    if (frame.no_resize) fixed.emplace_back(parent, view);
    frames.push_back({frame.name, view});
    if (frame.src.empty()) continue;
    const FileReference reference = SplitFileReference(browser::ExpandLinkPath(core::Cp1252ToUtf8(frame.src), base));
    try {
      HtmlFrame& frame_view = *view;
      frame_view.Show(frame_view.Prepare(reference.file, DocumentKind::Html), reference.anchor);
      frame_view.RecordHistory();
    } catch (const ViewError&) {
      // A frame whose file is missing stays empty, as in a browser.
    }
  }
  // The borders on both sides of a NORESIZE frame stay where the frameset puts them.
  for (const auto& [splitter, widget] : fixed) {
    const int index = splitter->indexOf(widget);
    for (int handle : {index, index + 1}) {
      if (handle > 0 && handle < splitter->count()) splitter->handle(handle)->setEnabled(false);
    }
  }
  return outer;
}

void FrameViewer::LoadTop(const std::string& file, const std::string& anchor, DocumentKind kind) {
  HtmlViewer* single = !is_frameset_ && frames_.size() == 1 ? frames_[0].view : nullptr;
  std::unique_ptr<HtmlViewer> fresh;
  if (!single) fresh.reset(NewFrameView());
  HtmlViewer& target = single ? *single : *fresh;
  HtmlFrame& target_frame = target;
  PreparedDocument prepared = target_frame.Prepare(file, kind);
  if (prepared.frameset) {
    const LinkBase base = DocumentLinkBase(settings_.server_root, prepared.base_href, prepared.name.file);
    std::vector<Frame> frames;
    QWidget* content = BuildFrameset(*prepared.frameset, base, frames);
    if (frames.empty()) {  // a frameset without frames still needs a view to be active
      frames.push_back({"", NewFrameView()});
      static_cast<QSplitter*>(content)->addWidget(frames.back().view);
    }
    top_ = std::move(prepared.name);
    is_frameset_ = true;
    ReplaceContent(content, std::move(frames));
    SetActive(frames_.front().view);
    return;
  }
  top_ = prepared.name;
  target_frame.Show(std::move(prepared), anchor);
  target_frame.RecordHistory();
  if (fresh) ReplaceContent(fresh.release(), {{"", &target}});
  is_frameset_ = false;
  SetActive(&target);
}

void FrameViewer::LoadIntoFrame(HtmlViewer& view, const std::string& file_reference, DocumentKind kind) {
  FileReference reference{file_reference, {}};
  if (kind == DocumentKind::Html) reference = SplitFileReference(file_reference);
  if (reference.file.empty()) {
    SaveScrolls();
    if (!reference.anchor.empty() && view.PositionTo(reference.anchor)) RecordFrameHistory(view);
    SetActive(&view);
    return;
  }
  HtmlFrame& frame = view;
  PreparedDocument prepared = frame.Prepare(reference.file, kind);
  SaveScrolls();
  frame.SaveScrollInHistory();
  frame.Show(std::move(prepared), reference.anchor);
  frame.RecordHistory();
  SetActive(&view);
  RecordFrameHistory(view);
}

// --- Operations ------------------------------------------------------------------------------

void FrameViewer::LoadDocument(const std::string& file_reference) {
  ProcessingScope processing(*this);
  const FileReference reference = SplitFileReference(file_reference);
  if (reference.file.empty()) {
    if (HtmlViewer* view = ActiveFrameView()) LoadIntoFrame(*view, file_reference, DocumentKind::Html);
    return;
  }
  SaveScrolls();
  LoadTop(reference.file, reference.anchor, DocumentKind::Html);  // changes nothing on an error
  RecordHistory();
}

void FrameViewer::LoadDocumentIntoFrame(const std::string& target, const std::string& file_reference) {
  if (HtmlViewer* frame = FrameView(target)) {
    ProcessingScope processing(*this);
    LoadIntoFrame(*frame, file_reference, DocumentKind::Html);
    return;
  }
  if (IsWholeViewTarget(target)) {
    LoadDocument(file_reference);
    return;
  }
  if (OnBlankWindowRequest) OnBlankWindowRequest(*this, target, file_reference);
}

void FrameViewer::ReloadDocument() {
  ProcessingScope processing(*this);
  if (top_.file.empty()) return;
  SaveScrolls();
  if (!is_frameset_) {
    HtmlViewer& view = *frames_.front().view;
    HtmlFrame& frame = view;
    const int scroll = view.verticalScrollBar()->value();
    frame.Show(frame.Prepare(top_.file, top_.kind), {});
    top_.title = view.ShownTitle();
    frame.ScrollTo(scroll);
    return;
  }
  for (const Frame& entry : frames_) {
    HtmlViewer& view = *entry.view;
    HtmlFrame& frame = view;
    if (view.ShownFileName().empty()) continue;
    const int scroll = view.verticalScrollBar()->value();
    try {
      frame.Show(frame.Prepare(view.ShownFileName(), view.ShownKind()), {});
      frame.ScrollTo(scroll);
    } catch (const ViewError&) {
      // A frame's file that has gone keeps its last content.
    }
  }
}

HtmlViewer* FrameViewer::ActiveFrameView() const {
  if (top_.file.empty()) return nullptr;
  return active_ ? active_ : frames_.front().view;
}

std::vector<HtmlViewer*> FrameViewer::FrameViews() const {
  std::vector<HtmlViewer*> views;
  for (const Frame& frame : frames_) views.push_back(frame.view);
  return views;
}

std::vector<std::string> FrameViewer::FrameNames() const {
  std::vector<std::string> names;
  for (const Frame& frame : frames_) names.push_back(frame.name);
  return names;
}

HtmlViewer* FrameViewer::FrameView(const std::string& name) const {
  if (!is_frameset_ || name.empty()) return nullptr;
  for (const Frame& frame : frames_) {
    if (core::SameTextNoCase(frame.name, name)) return frame.view;
  }
  return nullptr;
}

std::string FrameViewer::ExpandLinkPath(const std::string& reference) const {
  if (HtmlViewer* view = ActiveFrameView()) return view->ExpandLinkPath(reference);
  return browser::ExpandLinkPath(reference, DocumentLinkBase(settings_.server_root, {}, top_.file));
}

bool FrameViewer::FindNext(const std::string& text, bool match_case) {
  HtmlViewer* view = ActiveFrameView();
  return view && view->FindNext(text, match_case);
}

void FrameViewer::CopySelection() {
  HtmlViewer* view = ActiveFrameView();
  if (!view || view->SelectionLength() == 0) return;
  if (view->SelectedText().size() > kCopyBufferMax) throw ViewError("Selected text exceeds buffer size");
  view->CopySelection();
}

void FrameViewer::SelectAllText() {
  if (HtmlViewer* view = ActiveFrameView()) view->SelectAllText();
}

int FrameViewer::PrintPages(QPrinter& printer, int first, int last) {
  HtmlViewer* view = ActiveFrameView();
  if (!view) return 0;
  view->ShowWholePage();
  return PrintDocument(*view->document(), printer, settings_.print_margins, first, last,
                       PrintEventOf(*this, OnPrintHeader), PrintEventOf(*this, OnPrintFooter));
}

// --- Links -----------------------------------------------------------------------------------

void FrameViewer::FrameLinkClicked(HtmlViewer& frame, const PageLink& link) {
  SetActive(&frame);
  bool handled = false;
  if (OnHotSpotTargetClick) OnHotSpotTargetClick(*this, link.target, link.href, handled);
  if (!handled) FollowFrameLink(frame, link);
}

void FrameViewer::FrameLinkCovered(HtmlViewer&, const PageLink* link) {
  if (OnHotSpotTargetCovered) {
    OnHotSpotTargetCovered(*this, link ? link->target : std::string(), link ? link->href : std::string());
  }
}

void FrameViewer::FrameActivated(HtmlViewer& frame) { SetActive(&frame); }

void FrameViewer::FollowFrameLink(HtmlViewer& view, const PageLink& link) {
  HtmlViewer* named = FrameView(link.target);
  const bool whole_view = core::SameTextNoCase(link.target, "_top") || core::SameTextNoCase(link.target, "_parent");
  if (!named && !IsWholeViewTarget(link.target)) {
    if (OnBlankWindowRequest) OnBlankWindowRequest(*this, link.target, link.href);
    return;
  }
  HtmlViewer& destination = named ? *named : view;
  if (!link.href.empty() && link.href[0] == '#') {
    LoadIntoFrame(destination, core::Cp1252ToUtf8(link.href), DocumentKind::Html);
    return;
  }
  const std::string expanded = view.ExpandLinkPath(core::Cp1252ToUtf8(link.href));
  const DocumentKind kind = KindOfLinkedFile(SplitFileReference(expanded).file);
  if (named || (is_frameset_ && !whole_view)) {
    ProcessingScope processing(*this);
    LoadIntoFrame(destination, kind == DocumentKind::Html ? expanded : SplitFileReference(expanded).file, kind);
    return;
  }
  if (kind == DocumentKind::Html) {
    LoadDocument(expanded);
    return;
  }
  ProcessingScope processing(*this);
  SaveScrolls();
  LoadTop(SplitFileReference(expanded).file, {}, kind);
  RecordHistory();
}

// --- History ---------------------------------------------------------------------------------

FrameViewer::ViewState FrameViewer::CurrentState() const {
  ViewState state;
  state.top = top_;
  state.frameset = is_frameset_;
  state.page_title = top_.title;
  for (const Frame& frame : frames_) {
    state.frames.push_back({frame.view->ShownFileName(), frame.view->ShownKind(), frame.view->verticalScrollBar()->value()});
  }
  return state;
}

void FrameViewer::SaveScrolls() {
  ViewState* shown = history_.Shown();
  if (shown == nullptr) return;
  ViewState& entry = *shown;
  if (entry.top.file != top_.file || entry.frames.size() != frames_.size()) return;
  for (std::size_t i = 0; i < frames_.size(); ++i) {
    if (entry.frames[i].file == frames_[i].view->ShownFileName()) {
      entry.frames[i].scroll = frames_[i].view->verticalScrollBar()->value();
    }
  }
}

void FrameViewer::RecordHistory() { history_.Record(CurrentState()); }

std::vector<std::string> FrameViewer::HistoryFiles() const {
  std::vector<std::string> files;
  for (const ViewState& state : history_.Entries()) files.push_back(state.top.file);
  return files;
}

void FrameViewer::RecordFrameHistory(const HtmlViewer& view) {
  RecordHistory();
  if (!history_.Empty() && !view.ShownTitle().empty()) history_.At(0).page_title = view.ShownTitle();
}

std::vector<std::string> FrameViewer::HistoryPageTitles() const {
  std::vector<std::string> titles;
  for (const ViewState& state : history_.Entries()) titles.push_back(state.page_title);
  return titles;
}

std::vector<std::string> FrameViewer::HistoryTitles() const {
  std::vector<std::string> titles;
  for (const ViewState& state : history_.Entries()) titles.push_back(state.top.title);
  return titles;
}

void FrameViewer::Restore(const ViewState& state) {
  const bool same_top = state.top.file == top_.file && state.frameset == is_frameset_ &&
                        state.frames.size() == frames_.size();
  if (!same_top) LoadTop(state.top.file, {}, state.top.kind);
  if (state.frames.size() != frames_.size()) return;
  for (std::size_t i = 0; i < frames_.size(); ++i) {
    HtmlViewer& view = *frames_[i].view;
    HtmlFrame& frame = view;
    const FrameState& wanted = state.frames[i];
    if (!wanted.file.empty() && wanted.file != view.ShownFileName()) {
      frame.Show(frame.Prepare(wanted.file, wanted.kind), {});
    }
    frame.ScrollTo(wanted.scroll);
  }
}

void FrameViewer::SetHistoryPosition(int index) {
  if (!history_.CanMoveTo(index)) return;
  ProcessingScope processing(*this);
  SaveScrolls();
  Restore(history_.At(index));
  history_.MoveTo(index);
}

void FrameViewer::HistoryForward() { SetHistoryPosition(history_.Position() - 1); }

void FrameViewer::HistoryBack() { SetHistoryPosition(history_.Position() + 1); }

}  // namespace vantorel::browser
