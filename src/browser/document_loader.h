// The document loader of the views: a file read once through the file-system facade and laid
// out as an HTML page, a plain text or an image, ready for a view to show. Both the single view
// and the frame view load through it, so a page is read and built once whichever view shows it.
#pragma once

#include <QColor>
#include <QImage>
#include <QTextDocument>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "browser/html_page.h"
#include "browser/link_path.h"
#include "browser/view_settings.h"

namespace vantorel::browser {

// An operation of a view failed; what() is the message for the user, such as
// "Can't locate file: " followed by the file name.
class ViewError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The kinds of document a view shows.
enum class DocumentKind { Html, Text, Image };

// The kind of document a linked file is shown as, by its extension: ".txt" as text, ".bmp",
// ".gif", ".jpg", ".jpeg" as an image, anything else as HTML.
DocumentKind KindOfLinkedFile(std::string_view file);

// A document as a view and the entries of its history name it.
struct DocumentName {
  std::string file;                        // full file name
  DocumentKind kind = DocumentKind::Html;  // what it is read as
  std::string title;                       // TITLE of an HTML page; empty when it has none
};

class WholePageBuild;

// A document read and built, not yet shown.
struct PreparedDocument {
  DocumentName name;
  std::vector<PageLink> links;              // "vlink:N" in the document stands for links[N]
  std::string base_href;                    // BASE HREF as written; empty when none
  QColor background;                        // of an HTML page; invalid for the other kinds
  std::shared_ptr<FramesetSpec> frameset;   // set when the page is a frameset
  std::unique_ptr<QTextDocument> document;  // null for a frameset page, which shows nothing
  // Set when document holds only the beginning of a long page: the whole page, being built.
  std::shared_ptr<WholePageBuild> whole;
};

// Supplies the images of an HTML page while it is read: called once for every image in
// document order with its SRC as written and the link base of the page (its BASE known by
// then). A null image leaves the image out of the page.
using PageImageSource = std::function<QImage(const std::string& src, const LinkBase& base)>;

// An HTML page longer than this is long: QTextDocument builds 10 MB in about 3 s, so its
// beginning is shown first. Shorter pages are built at once, in well under a second.
inline constexpr std::size_t kLongPageBytes = std::size_t{2} << 20;
// A long page up to this length is built whole on a worker thread as soon as its beginning
// shows; a longer one (some gigabytes as a QTextDocument) only when the reader needs it whole.
inline constexpr std::size_t kLongestPageBuiltAhead = std::size_t{16} << 20;
// The beginning of a long page: its bytes up to the first tag from this offset on.
inline constexpr std::size_t kPageBeginningBytes = std::size_t{256} << 10;

// Reads file_name (already expanded, without anchor) and builds it as kind with the page
// defaults of settings. An HTML page takes its images from images, with the server root of
// settings in the link base they get; a frameset page gets no document (its frames are the
// frame view's to load). A long HTML page (more than kLongPageBytes) is prepared as its
// beginning, read and built at once, and the whole page built on a worker thread (whole).
// The full file name is the facade's real path of file_name.
// Throws ViewError "Can't locate file: " + file_name as platform::ShownPath shows it when the
// file does not exist or cannot be read.
PreparedDocument PrepareDocument(const std::string& file_name, DocumentKind kind, const ViewSettings& settings,
                                 const PageImageSource& images);

// The whole of a long page, read and built on a worker thread from the bytes read once
// (ahead), or in Take on the calling thread. Images are not requested from the worker: it
// reuses those the beginning requested, and a page with other images is built in Take
// instead. A build that is abandoned or destroyed stops once the page is read, before the
// document is built; destroying it waits for the worker.
class WholePageBuild {
 public:
  WholePageBuild(std::string full_name, std::string bytes, ViewSettings settings,
                 std::vector<std::pair<std::string, LinkBase>> image_requests, std::vector<QImage> images,
                 bool ahead);
  ~WholePageBuild();
  WholePageBuild(const WholePageBuild&) = delete;
  WholePageBuild& operator=(const WholePageBuild&) = delete;

  // True once the worker has ended; never for a page not built ahead.
  bool Ended() const;
  // The page is no longer wanted.
  void Abandon();
  // ended runs once on the GUI thread, from its event loop, after the worker has ended.
  void WhenEnded(std::function<void()> ended);
  // Waits for the worker and returns the whole page, its document ready to show on the
  // calling thread. Called at most once, not after Abandon; images serves a page built here.
  PreparedDocument Take(const PageImageSource& images);
  // A part of the page built at once on the calling thread with images.
  struct Part {
    PreparedDocument document;
    bool beginning = false;  // the beginning of the page; else the part from the anchor on
  };
  // The part that holds the tag with NAME=anchor (without regard to case): the beginning when
  // the tag lies in it, else the part from the tag on, as long as the beginning, after the
  // page's BODY tag. nullopt when the bytes hold no such anchor.
  std::optional<Part> PreparePartAt(const std::string& anchor, const PageImageSource& images) const;

 private:
  struct State;
  std::shared_ptr<State> state_;
  std::thread worker_;
};

}  // namespace vantorel::browser
