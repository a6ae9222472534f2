// The published properties of an HTML view as one value. The single view (html_viewer.h) keeps
// one; the frame view (frame_viewer.h) keeps one and hands it whole to each of its frames.
#pragma once

#include <string>

#include "browser/html_page.h"
#include "browser/page_printer.h"

namespace vantorel::browser {

// The character set of the system's default (Windows' DEFAULT_CHARSET); pages are read as
// code page 1252 whatever CharSet holds.
inline constexpr int kDefaultCharSet = 1;

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
};

}  // namespace vantorel::browser
