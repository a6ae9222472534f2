// The single-document view: one HTML page, text file or image, with history, find, select,
// copy, print, image requests and link events. The viewer window holds one; the frame view
// (frame_viewer.h) holds one per frame.
//
// Texts crossing this interface (file names, references, titles, search texts) are bytes in
// code page 1252. Events are plain callbacks raised synchronously on the GUI thread; a
// handler may set the values it receives by reference. Operations that fail raise ViewError
// with the message the user sees; an error raised while the view acts on user input (a link
// click) is shown in the error box of the Ui port instead.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QLabel>
#include <QProgressDialog>
#include <QTextBrowser>
#include <QTimer>

#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "browser/document_loader.h"
#include "browser/history.h"
#include "browser/html_frame.h"
#include "browser/html_page.h"
#include "browser/link_path.h"
#include "browser/page_document.h"
#include "browser/page_printer.h"
#include "browser/view_settings.h"

namespace vantorel::browser {

// The border of a single view: none, a single line, or a line only while it has the focus.
enum class BorderStyle { htNone, htSingle, htFocused };

// Options of a view; the program uses the empty set.
enum HtOption : unsigned {
  htNoLinkUnderline = 1u << 0,  // links are not underlined
  htShowVScroll = 1u << 1,      // the vertical scroll bar is always shown
};
using HtOptions = unsigned;

class HtmlViewer : public QTextBrowser, public HtmlFrame {
 public:
  // Event handler types. sender is the view that raises the event.
  using ProcessingEvent = std::function<void(HtmlViewer& sender, bool processing_on)>;
  using PrintEvent = std::function<void(HtmlViewer& sender, QPainter& canvas, int num_page, int w,
                                        int h, bool& stop_printing)>;
  // color: -1 for no transparent colour, else 0xRRGGBB of the colour shown transparent.
  using BitmapRequestEvent =
      std::function<void(HtmlViewer& sender, const std::string& src, QImage& bitmap, int& color)>;
  using HotSpotCoveredEvent = std::function<void(HtmlViewer& sender, const std::string& src)>;
  using HotSpotClickEvent = std::function<void(HtmlViewer& sender, const std::string& src, bool& handled)>;
  using HistoryChangeEvent = std::function<void(HtmlViewer& sender)>;

  // A view on its own; a frame view makes one the view of a frame through HtmlFrame.
  explicit HtmlViewer(QWidget* parent = nullptr);
  ~HtmlViewer() override;
  HtmlViewer(const HtmlViewer&) = delete;
  HtmlViewer& operator=(const HtmlViewer&) = delete;

  // --- Published properties ---------------------------------------------------------------
  // All the properties below but the border style, as one value. Setting it sets every
  // property at once; each one whose value changes takes effect as through its own setter.
  const ViewSettings& Settings() const { return settings_; }
  void SetSettings(const ViewSettings& settings);
  // Background of pages that set none; light grey (the system's button face) by default.
  QColor DefBackground() const { return settings_.page.background; }
  void SetDefBackground(const QColor& color) { settings_.page.background = color; }
  // Font of proportional text; "Times New Roman" by default.
  std::string DefFontName() const { return settings_.page.font_name; }
  void SetDefFontName(const std::string& name) { settings_.page.font_name = name; }
  // Font of PRE, TT and plain-text documents; "Courier New" by default.
  std::string DefPreFontName() const { return settings_.page.pre_font_name; }
  void SetDefPreFontName(const std::string& name) { settings_.page.pre_font_name = name; }
  // Point size of normal text (FONT SIZE 3); 12 by default.
  double DefFontSize() const { return settings_.page.base_point_size; }
  void SetDefFontSize(double points) { settings_.page.base_point_size = points; }
  // Most entries the history keeps; 0 keeps none. Lowering it drops the oldest entries.
  int HistoryMaxCount() const { return settings_.history_max_count; }
  void SetHistoryMaxCount(int count);
  // Most decoded images kept for reuse; 5 by default.
  int ImageCacheCount() const { return settings_.image_cache_count; }
  void SetImageCacheCount(int count);
  // True: text cannot be selected.
  bool NoSelect() const { return settings_.no_select; }
  void SetNoSelect(bool no_select);
  int CharSet() const { return settings_.char_set; }
  void SetCharSet(int char_set) { settings_.char_set = char_set; }
  // Print margins in centimetres (2.0 each by default).
  double PrintMarginLeft() const { return settings_.print_margins.left; }
  double PrintMarginRight() const { return settings_.print_margins.right; }
  double PrintMarginTop() const { return settings_.print_margins.top; }
  double PrintMarginBottom() const { return settings_.print_margins.bottom; }
  void SetPrintMarginLeft(double cm) { settings_.print_margins.left = cm; }
  void SetPrintMarginRight(double cm) { settings_.print_margins.right = cm; }
  void SetPrintMarginTop(double cm) { settings_.print_margins.top = cm; }
  void SetPrintMarginBottom(double cm) { settings_.print_margins.bottom = cm; }
  HtOptions htOptions() const;
  void SethtOptions(HtOptions options);
  BorderStyle GetBorderStyle() const { return border_style_; }
  void SetBorderStyle(BorderStyle style);
  // Folder a link starting with a single "\" is placed under; empty (the default): the
  // file-system root.
  std::string ServerRoot() const { return settings_.server_root; }
  void SetServerRoot(const std::string& root) { settings_.server_root = root; }

  // --- Operations ----------------------------------------------------------------------------
  // Loads the HTML file a reference names (it may end in "#" and an anchor name) as the
  // whole document, records it in the history and scrolls to the anchor (found without
  // regard to case) or to the top. A reference that is only "#" and a name moves to that
  // anchor in the shown document. Throws ViewError "Can't locate file: " + file name when
  // the file does not exist; the view then keeps what it showed. Raises OnProcessing with
  // true before and false after, also on an error.
  void LoadDocument(const std::string& file_reference);
  // Shows a file's characters as preformatted text; otherwise as LoadDocument.
  void LoadTextDocument(const std::string& file_name);
  // Shows an image file alone (nothing when it is not a BMP, GIF or JPEG file); otherwise
  // as LoadDocument.
  void LoadImageDocument(const std::string& file_name);

  // History, newest first: full file names and page titles; the index of the entry shown.
  std::vector<std::string> HistoryFiles() const;
  std::vector<std::string> HistoryTitles() const;
  int HistoryPosition() const { return history_.Position(); }
  // Forward leads to a newer history entry, Back to an older one.
  bool FwdButtonEnabled() const { return history_.CanGoForward(); }
  bool BackButtonEnabled() const { return history_.CanGoBack(); }
  // Shows history entry index (0 is the newest) and raises OnHistoryChange; an index equal
  // to the current one or outside the history does nothing. Throws ViewError as LoadDocument
  // when the entry's file has gone.
  void SetHistoryPosition(int index);

  // Full file name of the shown document; empty when nothing is shown.
  std::string ShownFileName() const { return shown_.name.file; }
  // Title of the shown document (its TITLE element); empty when it has none.
  std::string ShownTitle() const { return shown_.name.title; }
  DocumentKind ShownKind() const { return shown_.name.kind; }

  // A link reference of the shown page as a file path (see link_path.h).
  std::string ExpandLinkPath(const std::string& reference) const;

  // Searches forward from the caret for text (cut to 259 characters; an empty text is never
  // found), ignoring letter case unless match_case. When found, selects the occurrence,
  // moves the caret to its end and, when the occurrence lies above the visible part or less
  // than 20 pixels above its bottom edge, scrolls it to the middle of the view.
  bool FindNext(const std::string& text, bool match_case);
  // Copies the selected text to the clipboard; nothing without a selection.
  void CopySelection();
  // Selects the whole document; nothing while NoSelect is true or the document is empty.
  void SelectAllText();
  // Number of characters selected.
  int SelectionLength() const;
  // The selected text (1252).
  std::string SelectedText() const;
  // Moves to the named anchor of the shown document; false when it has none.
  bool PositionTo(const std::string& anchor);

  // A long page (document_loader.h, page_parts.h) is shown one part at a time, each built on
  // a worker thread and shown once it is built; the view shows "Part N of M" in its corner.
  // Scrolling on past the end of a part (wheel, arrow and page keys, the scroll bar's
  // arrow) shows the next part from its top, scrolling back past its top the previous part
  // at its end; End and Home go to the page's end and top. Anchors lead into any part, find
  // searches the page's text for the part to show, the history keeps the part and the
  // place in it. Select-all selects the part shown (and copy copies from it); printing
  // prints every part, one after the other, with a progress window that can cancel it.
  bool ShowsPagePart() const { return long_page_ != nullptr; }
  // The part shown (0 for any other page; -1 while a long page's first part is built) and
  // the parts of the page found so far (1 for any other page).
  int PartShown() const { return long_page_ ? part_ : 0; }
  int PartCount() const;
  // A long page's part is still to be built or shown where a move asked.
  bool Busy() const { return goal_.has_value(); }
  // The text of the part indicator; empty for a page not shown in parts.
  QString PartIndicatorText() const;

  // Prints the shown document to printer with the print margins (see page_printer.h);
  // pages first to last (1 and 9999 mean all). Raises OnPrintHeader and OnPrintFooter for
  // every printed page. Returns the number of pages printed.
  int PrintPages(QPrinter& printer, int first, int last);
  // PrintPages with the given margins and print events.
  int PrintWith(QPrinter& printer, const PrintMargins& margins, int first, int last, const PrintPageEvent& header,
                const PrintPageEvent& footer);

  // --- Events -------------------------------------------------------------------------------
  ProcessingEvent OnProcessing;
  PrintEvent OnPrintHeader;
  PrintEvent OnPrintFooter;
  // Raised for every image not in the image cache. Without a handler the view loads the
  // image itself (ExpandLinkPath, then LoadImageFileAsBitmap).
  BitmapRequestEvent OnBitmapRequest;
  // The pointer moves onto a link (the reference as written) or off it (empty).
  HotSpotCoveredEvent OnHotSpotCovered;
  // A link was clicked; handled starts false, and when the handler leaves it false the view
  // follows the link itself.
  HotSpotClickEvent OnHotSpotClick;
  // The history or the entry shown changed.
  HistoryChangeEvent OnHistoryChange;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void showEvent(QShowEvent* event) override;
  QVariant loadResource(int type, const QUrl& name) override;

 private:
  // One entry of the history.
  struct HistoryEntry {
    DocumentName document;
    ViewPlace place;  // where the view stood when the entry was left
  };
  // What the view keeps of the document it shows.
  struct Shown {
    DocumentName name;
    std::vector<PageLink> links;  // "vlink:N" in the document stands for links[N]
    std::string base_href;        // BASE HREF as written; empty when none
  };

  // HtmlFrame, also the steps of the view's own loading.
  void AttachToHost(FrameHost* host) override;
  PreparedDocument Prepare(const std::string& file_name, DocumentKind kind) override;
  void Show(PreparedDocument prepared, const std::string& anchor) override;
  void SaveScrollInHistory() override;
  void RecordHistory() override;
  ViewPlace Place() const override;
  void GoTo(ViewPlace place) override;

  // Where a long page's view is to go once the part is built.
  struct PartGoal {
    enum class Kind { Top, Bottom, Anchor, Find, Place };
    PartGoal(Kind kind, int part, std::string text = {}, bool match_case = false, int scroll = 0)
        : kind(kind), part(part), text(std::move(text)), match_case(match_case), scroll(scroll) {}
    Kind kind;
    int part;               // -1: the anchor's or the last part, once the split knows it
    std::string text;       // the anchor or the text to find
    bool match_case;
    int scroll;             // for Place
    int reach = -1;         // Anchor, Find: where in the part it ends, once known (-2: nowhere)
    int found = -1;         // Find: where in the part it starts, once known
    int search_from = 0;    // Find: where in the part the search goes on
    bool in_place = false;  // Find: in the part shown, which keeps its scroll unless it must
  };

  void Load(const std::string& file_reference, DocumentKind kind);
  void TrimImageCache();
  // NoSelect and the scroll bar option applied to the text control.
  void ApplyNoSelect();
  void ApplyScrollBarPolicy();
  // An image of a page being prepared: from the image cache, else requested and cached.
  QImage PageImage(const std::string& src, const LinkBase& base);
  QImage RequestBitmap(const std::string& src);
  void ApplyPalette(const QColor& background);
  void ReportCovered(const PageLink* link);
  void LinkClicked(const QUrl& url);
  void HandlePendingClick();
  const PageLink* LinkOf(const QUrl& url) const;
  // Follows a link of this view when no handler took it.
  void FollowLink(const PageLink& link);
  void ApplyBorder();
  LinkBase CurrentLinkBase() const;
  PageImageSource ImageSource();
  // Makes document the shown one; the previous one goes once pending events are done.
  void ReplaceDocument(QTextDocument* document);
  void ScrollTo(int y);
  // Scrolls position into view as an anchor is shown.
  void ScrollToPosition(int position);
  // The first part from `from` on whose text may hold text (-1: none), searched in slices
  // while the window goes on painting; nullopt when the page shown changed meanwhile.
  std::optional<int> PartHolding(const std::string& text, bool match_case, int from);
  bool PrintPart(PrintJob& job, QTextDocument& part, QProgressDialog& progress);
  // Selects found and scrolls it into view as FindNext does.
  void ShowFound(const QTextCursor& found);
  // Long pages: the view heads for goal; the news of the page's worker moves it on.
  void GoToPart(PartGoal goal);
  // wait: waits for the part the view heads for, when it is known, instead of the news.
  void PartNews(bool wait = false);
  void ReachGoal(PartGoal goal);
  // The part shown is laid out as far as goal (in it) needs.
  bool LaidOutFor(PartGoal& goal);
  // Searches the part shown for goal's text a slice at a time; true once found or not.
  bool SearchPart(PartGoal& goal);
  void StepPartLayout();
  bool AtPartEnd();
  void UpdatePartIndicator();
  ViewSettings settings_;                    // the published properties but the border style
  BorderStyle border_style_ = BorderStyle::htSingle;

  Shown shown_;                              // the document shown
  History<HistoryEntry> history_;            // the documents shown, newest first
  std::list<std::pair<std::string, QImage>> image_cache_;  // expanded path, image; newest first
  std::optional<LinkBase> loading_base_;     // link base of a page being prepared
  std::string pending_anchor_;               // anchor to reach once the view is shown
  std::string covered_href_;                 // link under the pointer, as written
  bool covering_link_ = false;               // the pointer is on a link
  std::optional<QUrl> pending_click_;        // link activated by the event being handled
  FrameHost* host_ = nullptr;                // the frame view this view is a frame of
  std::shared_ptr<LongPage> long_page_;      // the long page shown in parts; null for other pages
  int part_ = -1;                            // the part of it shown; -1 before the first
  std::optional<PartGoal> goal_;             // where the view goes once the part is built
  QTimer part_poll_;  // looks at the goal's part again while the part is awaited
  QLabel* part_indicator_ = nullptr;                 // "Part N of M", over the top right corner
  // Lays the part shown out a piece at a time while it is not laid out to its end.
  std::unique_ptr<LayoutStepper> part_layout_;
  bool found_ = false;  // the last find in a long page selected what it looked for
};

// Raises handler for the image src of sender when it is set; otherwise loads the image as a
// view without a handler does: src expanded with sender's ExpandLinkPath, then
// LoadImageFileAsBitmap.
void RaiseBitmapRequest(const HtmlViewer::BitmapRequestEvent& handler, HtmlViewer& sender, const std::string& src,
                        QImage& bitmap, int& color);

// The image-request rule of the program's windows, usable as OnBitmapRequest of either
// view: SRC expanded with the requesting view's ExpandLinkPath, cut to 80 characters and
// loaded; GIF images are never shown; the colour is left as it is.
void RequestArchiveBitmap(HtmlViewer& sender, const std::string& src, QImage& bitmap, int& color);

}  // namespace vantorel::browser
