// The frame view: one top-level document, which may be a frameset whose frames are each a
// single view (HtmlViewer) inside splitters. The main window holds one.
//
// Texts are bytes in code page 1252; events are callbacks raised synchronously (see
// html_viewer.h). Frame names are compared without regard to the case of a-z.
#pragma once

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "browser/history.h"
#include "browser/html_viewer.h"

class QVBoxLayout;

namespace vantorel::browser {

// Options of a frame view; the program uses the empty set.
enum FvOption : unsigned {
  fvNoBorder = 1u << 0,         // frames are not separated by borders
  fvNoLinkUnderline = 1u << 1,  // links are not underlined
  fvShowVScroll = 1u << 2,      // vertical scroll bars are always shown
};
using FvOptions = unsigned;

class FrameViewer : public QWidget, private FrameHost {
 public:
  using HotSpotTargetClickEvent = std::function<void(FrameViewer& sender, const std::string& target,
                                                     const std::string& url, bool& handled)>;
  using HotSpotTargetCoveredEvent =
      std::function<void(FrameViewer& sender, const std::string& target, const std::string& url)>;
  using BlankWindowRequestEvent =
      std::function<void(FrameViewer& sender, const std::string& target, const std::string& url)>;
  using ProcessingEvent = std::function<void(FrameViewer& sender, bool processing_on)>;
  using PrintEvent = std::function<void(FrameViewer& sender, QPainter& canvas, int num_page, int w,
                                        int h, bool& stop_printing)>;
  using BitmapRequestEvent = HtmlViewer::BitmapRequestEvent;

  explicit FrameViewer(QWidget* parent = nullptr);
  ~FrameViewer() override;
  FrameViewer(const FrameViewer&) = delete;
  FrameViewer& operator=(const FrameViewer&) = delete;

  // --- Published properties (passed on to every frame) ------------------------------------
  QColor DefBackground() const { return settings_.page.background; }
  void SetDefBackground(const QColor& color);
  std::string DefFontName() const { return settings_.page.font_name; }
  void SetDefFontName(const std::string& name);
  std::string DefPreFontName() const { return settings_.page.pre_font_name; }
  void SetDefPreFontName(const std::string& name);
  double DefFontSize() const { return settings_.page.base_point_size; }
  void SetDefFontSize(double points);
  // Most entries of the view's history and of each frame's history; 0 keeps none.
  int HistoryMaxCount() const { return settings_.history_max_count; }
  void SetHistoryMaxCount(int count);
  int ImageCacheCount() const { return settings_.image_cache_count; }
  void SetImageCacheCount(int count);
  bool NoSelect() const { return settings_.no_select; }
  void SetNoSelect(bool no_select);
  int CharSet() const { return settings_.char_set; }
  void SetCharSet(int char_set);
  // Print margins in centimetres (2.0 each by default).
  double PrintMarginLeft() const { return settings_.print_margins.left; }
  double PrintMarginRight() const { return settings_.print_margins.right; }
  double PrintMarginTop() const { return settings_.print_margins.top; }
  double PrintMarginBottom() const { return settings_.print_margins.bottom; }
  void SetPrintMarginLeft(double cm);
  void SetPrintMarginRight(double cm);
  void SetPrintMarginTop(double cm);
  void SetPrintMarginBottom(double cm);
  // fvNoBorder takes effect with the next frameset loaded.
  FvOptions fvOptions() const;
  void SetfvOptions(FvOptions options);
  std::string ServerRoot() const { return settings_.server_root; }
  void SetServerRoot(const std::string& root);
  std::string ArchiveFolder() const { return settings_.archive_folder; }
  void SetArchiveFolder(const std::string& folder);
  // True when a step forward (towards newer entries) or back is possible in the view's
  // history, which holds every change of the view and of its frames.
  bool FwdButtonEnabled() const { return history_.CanGoForward(); }
  bool BackButtonEnabled() const { return history_.CanGoBack(); }

  // --- Operations ----------------------------------------------------------------------------
  // Loads an HTML file (the reference may end in "#" and an anchor) as the whole document,
  // replacing any frameset; a frameset's frames load their SRC files. Records the history,
  // scrolls to the anchor. Throws ViewError "Can't locate file: " + file name when the file
  // does not exist, leaving the view as it was. Bracketed by OnProcessing.
  void LoadDocument(const std::string& file_reference);
  // Loads into the frame named target when the shown frameset has one (same errors);
  // otherwise, for an empty target or "_top", "_parent", "_self", as LoadDocument; otherwise
  // raises OnBlankWindowRequest with target and reference and loads nothing. The frame
  // loaded into becomes the active frame.
  void LoadDocumentIntoFrame(const std::string& target, const std::string& file_reference);
  // Loads the shown document and the documents of its frames again, keeping their scroll
  // positions; nothing when nothing is shown. Bracketed by OnProcessing.
  void ReloadDocument();
  // One step towards newer or older entries of the history.
  void HistoryForward();
  void HistoryBack();
  // Shows history entry index (0 is the newest); the current index or one outside the
  // history does nothing.
  void SetHistoryPosition(int index);
  int HistoryPosition() const { return history_.Position(); }
  // File and title of the top-level document of every history entry, newest first.
  std::vector<std::string> HistoryFiles() const;
  std::vector<std::string> HistoryTitles() const;
  // For every history entry, newest first, the title of the page it was recorded for: the
  // page loaded into a frame, or the whole document's; the top-level title when that page has
  // none. Tells apart entries of one frameset.
  std::vector<std::string> HistoryPageTitles() const;

  // The top-level document (for a frameset, the frameset file); empty when nothing is shown.
  std::string ShownFileName() const { return top_.file; }
  std::string ShownTitle() const { return top_.title; }
  // The single view of the active frame (the only one when no frameset is shown); null when
  // nothing is shown.
  HtmlViewer* ActiveFrameView() const;
  // The frames' views in document order and their names as written.
  std::vector<HtmlViewer*> FrameViews() const;
  std::vector<std::string> FrameNames() const;
  // The frame of that name (without regard to case); null when the shown frameset has none.
  HtmlViewer* FrameView(const std::string& name) const;
  bool IsFrameset() const { return is_frameset_; }

  // A link reference as a file path, against the active frame's page (see link_path.h).
  std::string ExpandLinkPath(const std::string& reference) const;
  // FindNext of the active frame; false without one.
  bool FindNext(const std::string& text, bool match_case);
  // Copies the active frame's selection; nothing without an active frame or a selection.
  // Throws ViewError "Selected text exceeds buffer size" beyond 31999 characters.
  void CopySelection();
  // Selects the whole document of the active frame.
  void SelectAllText();
  // Prints the active frame's document (see HtmlViewer::PrintPages) with this view's margins
  // and print events. Returns the number of pages printed; 0 without an active frame.
  int PrintPages(QPrinter& printer, int first, int last);

  // --- Events -------------------------------------------------------------------------------
  // A link was clicked in a frame: its target (TARGET, else the page's BASE TARGET) and the
  // reference as written. When the handler leaves handled false the view follows the link.
  HotSpotTargetClickEvent OnHotSpotTargetClick;
  // The pointer moves onto a link or off it (both texts empty).
  HotSpotTargetCoveredEvent OnHotSpotTargetCovered;
  // A link or LoadDocumentIntoFrame names a target frame the shown frameset does not have.
  BlankWindowRequestEvent OnBlankWindowRequest;
  ProcessingEvent OnProcessing;
  PrintEvent OnPrintHeader;
  PrintEvent OnPrintFooter;
  // Raised with the frame's single view as sender; without a handler the frame loads the
  // image itself.
  BitmapRequestEvent OnBitmapRequest;

 private:
  struct Frame {
    std::string name;  // as written in the frameset
    HtmlViewer* view;  // owned by the widget tree under content_
  };
  struct FrameState {
    std::string file;
    DocumentKind kind = DocumentKind::Html;
    int scroll = 0;
  };
  // One entry of the history: the top-level document and what each frame showed.
  struct ViewState {
    DocumentName top;
    bool frameset = false;
    std::vector<FrameState> frames;
    std::string page_title;  // the title of the page this entry was recorded for
  };

  // Makes view the active frame, which also takes the focus given to the frame view.
  void SetActive(HtmlViewer* view);
  HtmlViewer* NewFrameView();
  // Hands the properties to every frame.
  void PassSettingsOn();
  // Shows file (without anchor) as the top-level document without touching the history.
  void LoadTop(const std::string& file, const std::string& anchor, DocumentKind kind);
  QWidget* BuildFrameset(const FramesetSpec& spec, const LinkBase& base, std::vector<Frame>& frames);
  void ReplaceContent(QWidget* content, std::vector<Frame> frames);
  void LoadIntoFrame(HtmlViewer& view, const std::string& file_reference, DocumentKind kind);
  // FrameHost: what the frames report.
  void FrameLinkClicked(HtmlViewer& frame, const PageLink& link) override;
  void FrameLinkCovered(HtmlViewer& frame, const PageLink* link) override;
  void FrameActivated(HtmlViewer& frame) override;

  void FollowFrameLink(HtmlViewer& view, const PageLink& link);
  ViewState CurrentState() const;
  void SaveScrolls();
  void RecordHistory();
  // RecordHistory for a change in the frame view; the entry takes that frame's page title.
  void RecordFrameHistory(const HtmlViewer& view);
  void Restore(const ViewState& state);

  ViewSettings settings_;             // the published properties, as every frame has them
  bool frame_borders_ = true;         // fvNoBorder is not set

  QVBoxLayout* layout_;               // holds content_
  QWidget* content_ = nullptr;        // the single view, or the frameset's splitters
  std::vector<Frame> frames_;         // frames in document order; one unnamed for a page
  bool is_frameset_ = false;
  DocumentName top_;                  // the top-level document
  HtmlViewer* active_ = nullptr;      // the frame last clicked, focused or loaded into
  History<ViewState> history_;        // the view's states, newest first
};

}  // namespace vantorel::browser
