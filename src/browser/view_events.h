// What the single view (html_viewer.h) and the frame view (frame_viewer.h) share in raising
// their events: the OnProcessing bracket around an operation, and their print events as the
// page events PrintDocument raises.
#pragma once

#include "browser/page_printer.h"

namespace vantorel::browser {

// Raises view.OnProcessing with true when made and with false when it ends, also by an
// error. The handler is looked up each time, so a handler replaced meanwhile gets the false.
template <typename View>
class ProcessingScope {
 public:
  explicit ProcessingScope(View& view) : view_(view) { Raise(true); }
  ~ProcessingScope() { Raise(false); }
  ProcessingScope(const ProcessingScope&) = delete;
  ProcessingScope& operator=(const ProcessingScope&) = delete;

 private:
  void Raise(bool processing_on) {
    if (view_.OnProcessing) view_.OnProcessing(view_, processing_on);
  }

  View& view_;  // the view whose OnProcessing is raised
};

// A view's print event (its OnPrintHeader or OnPrintFooter) as a page event of PrintDocument,
// raised with view as sender; empty when event is not set.
// REQUIRES: view and event outlive the page event.
template <typename View, typename Event>
PrintPageEvent PrintEventOf(View& view, const Event& event) {
  if (!event) return {};
  return [&view, &event](QPainter& canvas, int num_page, int width, int height, bool& stop_printing) {
    event(view, canvas, num_page, width, height, stop_printing);
  };
}

}  // namespace vantorel::browser
