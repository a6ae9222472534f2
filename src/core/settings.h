// The settings record of a run: the folders, programs and choices kept in the settings file.
#pragma once

#include <cstdint>
#include <string>

namespace vantorel::core {

// The settings record of a run. There is no process-wide one: the program's main window host
// (app/program_main_form.h) owns the record, the start-up set-up fills it and the Options
// dialog changes it (the settings file itself is app/'s); everything else is handed the record
// by reference when it is made (the windows, the dialogs, the catalogue's search and pages) or
// the few fields it reads as arguments (platform/), so that what reads a setting says so in
// its signature and a tool or a test builds a record of its own instead of resetting a shared
// one.
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

}  // namespace vantorel::core
