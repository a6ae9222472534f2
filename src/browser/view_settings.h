// The published properties of an HTML view as one value. The single view (html_viewer.h) keeps
// one; the frame view (frame_viewer.h) keeps one and hands it whole to each of its frames.
#pragma once

#include <cstddef>
#include <string>

#include "browser/html_page.h"
#include "browser/page_printer.h"

namespace vantorel::browser {

// The character set of the system's default (Windows' DEFAULT_CHARSET); pages are read as
// code page 1252 whatever CharSet holds.
inline constexpr int kDefaultCharSet = 1;

// An HTML page longer than kLongPageBytes is long: it is shown in parts of about
// kPagePartBytes (page_parts.h), each built on a worker thread. QTextDocument builds such a
// part in about a tenth of a second and lays it out whole in less, so that neither showing a
// part nor finding in it keeps the window from answering; a shorter page is built at once.
inline constexpr std::size_t kLongPageBytes = std::size_t{384} << 10;
inline constexpr std::size_t kPagePartBytes = std::size_t{256} << 10;

// Each member is the property named beside it; html_viewer.h states what each one does.
struct ViewSettings {
  PageDefaults page;               // DefFontName, DefPreFontName, DefFontSize, DefBackground;
                                   // link_underline is false under the no-link-underline option
  bool show_vscroll = false;       // the show-vertical-scroll-bar option
  int history_max_count = 0;       // HistoryMaxCount
  int image_cache_count = 5;       // ImageCacheCount
  bool no_select = false;          // NoSelect
  int char_set = kDefaultCharSet;  // CharSet
  PrintMargins print_margins;      // PrintMarginLeft, PrintMarginRight, PrintMarginTop, PrintMarginBottom
  std::string server_root;         // ServerRoot
  std::string archive_folder;      // ArchiveFolder: the DataDir setting; a page written for that
                                   // archive is read from its write folder (write_folder.h)
  std::size_t long_page_bytes = kLongPageBytes;  // longer HTML pages are shown in parts...
  std::size_t page_part_bytes = kPagePartBytes;  // ...of about this many bytes
};

}  // namespace vantorel::browser
