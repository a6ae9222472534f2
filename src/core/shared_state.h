// The process-wide state every layer reads: the settings record, the search outcome flags, the
// archive the extraction dialog opens, the viewer's search word and the file-list state the file
// browser hands to the viewer. Each lives for the whole process; tests reset a piece by assigning
// a default value (Settings() = {}).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

BrowserSettings& Settings();

// What the search dialogs leave for the main window, which clears the flags before it shows a
// dialog and reads them after it closes.
struct SearchOutcome {
  bool SearchPageWritten = false;    // a page was written and is to be shown
  bool CompleteListWritten = false;  // ALLARTS.HTM (with AADETAIL.HTM) instead of the results
  bool TestResultsWritten = false;   // ERRORS.HTM (with the other two) instead of the results

  bool operator==(const SearchOutcome&) const = default;
};

SearchOutcome& SearchFlags();

// The archive the extraction dialog opens when it appears; empty means none. Every opening of
// the dialog sets it anew; the dialog's Open button overwrites it.
std::string& ExtractArchiveName();

// The word the viewer window looks for whenever it becomes active; written by VIEW: links.
std::string& ViewerSearchWord();

// The files the file browser's View command shows one after another in the viewer window.
struct FileListState {
  std::vector<std::string> ViewList;  // full paths of the files to show
  bool ViewListMode = false;          // set by the View command, never cleared
  int ViewListRemaining = 0;          // files still to come after the one shown
  int ViewListNext = 0;               // index in ViewList of the next file

  bool operator==(const FileListState&) const = default;
};

FileListState& ViewFileList();

}  // namespace vantorel::core
