// The settings record of a run: the folders, programs and choices kept in the settings file.
#pragma once

#include <cstdint>
#include <string>

namespace vantorel::core {

// The one settings record of a run. Only the start-up set-up and the Options dialog change it
// (the settings file itself is app/'s).
//
// Paths are UTF-8 path texts (platform/file_system.h). On Linux the directory fields are absolute paths that end
// in "/" (or in "\" when the user typed the path without a final separator); the file-system
// facade turns them into real paths.
struct BrowserSettings {
  std::string ProgramDir;           // folder of the program file, ends in "/"
  std::string DataDir;              // catalogue tables, archive pages, generated pages
  std::string AcrobatPath;          // the PDF reader program; empty when not known
  std::string BrowserPath;          // the web browser program; empty when not known
  std::string PdfDir;               // folder of the article PDF files
  std::string SourceDir;            // folder of the companion-disk files
  std::string CdPath;               // mount point of the CD-ROM drive; empty when none
  std::int32_t LastIssue = 0;       // last issue installed; 0 means none
  std::int32_t ResultsThreshold = 0;  // an article search with more results asks first
  bool UseExternalZip = false;      // only stored and edited
  std::string ZipUtilPath;          // outside zip utility; only stored, edited and discovered
  bool DebugMode = false;           // status bar shows every link (command-line switch)
  bool ShowCommands = false;        // show the reader's command line before opening a PDF

  bool operator==(const BrowserSettings&) const = default;
};

// The run's settings record, the one piece of state the windows still share: the start-up
// set-up and the Options dialog change it, and the windows, the catalogue's pages and the
// platform's CD-ROM, PDF and write-folder code read it where a setting is needed. Code that
// can take the record as a value or a reference (the link router does) should; tests reset it
// with Settings() = {}.
BrowserSettings& Settings();

}  // namespace vantorel::core
