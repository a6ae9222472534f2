// The document loader of the views: a file read once through the file-system facade and laid
// out as an HTML page, a plain text or an image, ready for a view to show. Both the single view
// and the frame view load through it, so a page is read and built once whichever view shows it.
#pragma once

#include <QColor>
#include <QImage>
#include <QTextDocument>

#include <cstddef>
#include <filesystem>
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

class LongPage;

// A document read and built, not yet shown.
struct PreparedDocument {
  DocumentName name;
  std::vector<PageLink> links;              // "vlink:N" in the document stands for links[N]
  std::string base_href;                    // BASE HREF as written; empty when none
  QColor background;                        // of an HTML page; invalid for the other kinds
  std::shared_ptr<FramesetSpec> frameset;   // set when the page is a frameset
  std::unique_ptr<QTextDocument> document;  // null for a frameset page, which shows nothing
  // Set for a long page, which is shown in parts (document is then an empty page).
  std::shared_ptr<LongPage> long_page;
};

// Supplies the images of an HTML page while it is read: called once for every image in
// document order with its SRC as written and the link base of the page (its BASE known by
// then). A null image leaves the image out of the page.
using PageImageSource = std::function<QImage(const std::string& src, const LinkBase& base)>;

// Reads file_name (already expanded, without anchor) and builds it as kind with the page
// defaults of settings. An HTML page takes its images from images, with the server root of
// settings in the link base they get; a frameset page gets no document (its frames are the
// frame view's to load). A long HTML page (more than settings.long_page_bytes) is prepared
// as an empty document, its name and page attributes read from its beginning, and the page
// itself as a LongPage whose parts the view shows.
// The full file name is the facade's real path of file_name.
// Throws ViewError "Can't locate file: " + file_name as platform::ShownPath shows it when the
// file does not exist or cannot be read.
PreparedDocument PrepareDocument(const std::string& file_name, DocumentKind kind, const ViewSettings& settings,
                                 const PageImageSource& images);

// A long HTML page shown in parts (page_parts.h). A worker thread splits the page, keeping
// each part's text for find and its anchors, and builds the parts the view asks for, ahead
// of the reader. The view is told on the GUI thread whenever there is news (a part built,
// more of the page split). Destroying it stops the worker, waiting at most for the part
// being built.
class LongPage {
 public:
  // on_disk: the page's file, read on the worker; settings: the view's (page defaults, part
  // length).
  LongPage(std::string full_name, std::filesystem::path on_disk, ViewSettings settings);
  ~LongPage();
  LongPage(const LongPage&) = delete;
  LongPage& operator=(const LongPage&) = delete;

  // Parts found so far; Split: the page is split to its end (PartCount is then the total).
  int PartCount() const;
  bool Split() const;
  // The part holding the anchor named name: an exact match first, else one without regard to
  // case (among the parts split so far: "#TOP" need not wait for the whole split); -1 when
  // the page has none. nullopt while the split has not settled it.
  std::optional<int> PartOfAnchor(const std::string& name) const;
  // Searches the text of at most most_parts parts from `from` on (those split so far) for
  // text (FindableText, page_parts.h) and moves `from` past them. The part whose text may
  // hold text; -1 when the page is split and no part from `from` holds it; nullopt when more
  // is to be searched.
  std::optional<int> PartWithText(const std::string& text, bool match_case, int& from, int most_parts) const;
  // The part's text for find (see page_parts.h); empty for a part not yet split.
  std::string PartText(int part) const;

  // Asks the worker to build part (the newest wish first) and keep it for TakePart.
  void Request(int part);
  // The part, ready to show on the calling thread, when the worker has built it; a part
  // with images is built here instead with images. nullopt while it is being built or not
  // yet split. wait: waits for a part already split until it is built.
  std::optional<PreparedDocument> TakePart(int part, const PageImageSource& images, bool wait = false);
  // news runs on the GUI thread, from its event loop, after each piece of news.
  void OnNews(std::function<void()> news);

 private:
  struct State;
  std::shared_ptr<State> state_;
  std::thread worker_;
};

}  // namespace vantorel::browser
