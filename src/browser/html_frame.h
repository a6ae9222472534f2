// The narrow interface between a frame view (frame_viewer.h) and the single views
// (html_viewer.h) of its frames: the frame view drives each frame's view through HtmlFrame,
// beside the view's public operations, and the view reports to its frame view through
// FrameHost.
#pragma once

#include <string>

#include "browser/document_loader.h"
#include "browser/html_page.h"

namespace vantorel::browser {

class HtmlViewer;

// Where a view stands in its document: the part shown of a long page (0 for any other) and
// the scroll position in it.
struct ViewPlace {
  int part = 0;
  int scroll = 0;  // pixels from the top
  bool operator==(const ViewPlace&) const = default;
};

// What a frame's view reports to the frame view that holds it. While a view has a host it
// raises neither OnHotSpotClick nor OnHotSpotCovered and follows no link itself.
class FrameHost {
 public:
  // A link of frame was clicked.
  virtual void FrameLinkClicked(HtmlViewer& frame, const PageLink& link) = 0;
  // The pointer moved onto link in frame, or off the link it was on (link is null).
  virtual void FrameLinkCovered(HtmlViewer& frame, const PageLink* link) = 0;
  // frame was clicked or took the focus.
  virtual void FrameActivated(HtmlViewer& frame) = 0;

 protected:
  ~FrameHost() = default;
};

// How a frame view drives the view of one of its frames.
class HtmlFrame {
 public:
  // The view reports to host from now on; null: it raises its own events again.
  // REQUIRES: host outlives the view or is replaced by null first.
  virtual void AttachToHost(FrameHost* host) = 0;
  // PrepareDocument of file_name (expanded, without anchor) with the view's properties, its
  // image cache and its OnBitmapRequest. Throws ViewError as PrepareDocument; what the view
  // shows does not change.
  virtual PreparedDocument Prepare(const std::string& file_name, DocumentKind kind) = 0;
  // Shows a document the view prepared (a frameset page shows nothing), then the anchor
  // (found without regard to case) or the top. The history is not touched.
  virtual void Show(PreparedDocument document, const std::string& anchor) = 0;
  // Keeps the scroll position in the history entry of the shown document, when it is the
  // current entry.
  virtual void SaveScrollInHistory() = 0;
  // Makes the shown document the newest history entry, dropping the entries newer than the
  // current one (nothing is kept when HistoryMaxCount is 0), and raises OnHistoryChange.
  virtual void RecordHistory() = 0;
  // Where the view stands, and a move there (for a long page once the part is built),
  // laying the document out as far as that needs.
  virtual ViewPlace Place() const = 0;
  virtual void GoTo(ViewPlace place) = 0;

 protected:
  ~HtmlFrame() = default;
};

}  // namespace vantorel::browser
