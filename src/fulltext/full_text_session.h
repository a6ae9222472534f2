// The full-text search as the windows run it, over one archive's index in its write folder
// (platform/write_folder.h). A request goes through these steps:
//   1. Prepare (any thread): opens the index (a damaged or foreign one is built anew) and plans
//      the update that brings it up to date.
//   2. When the index holds no document yet and the plan reads files, the window asks
//      BuildQuestion (Yes/No) first; No ends the request.
//   3. Update (any thread) reads the plan's files, telling each one to the progress callback
//      (ProgressText is its status text) and looking at the stop token before each; a stopped
//      update leaves an index that answers for what it read, and the next Prepare plans the
//      rest. FTERRORS.HTM is written when the update changed anything or is missing.
//   4. Search (the window's thread) writes FULLTEXT.HTM, or says why it did not.
// One step runs at a time; the session is never used from two threads at once.
#pragma once

#include <memory>
#include <stop_token>
#include <string>
#include <string_view>

#include "fulltext/fulltext_index.h"

namespace vantorel::fulltext {

// The most hits a page lists, the best first.
inline constexpr std::size_t kPageHitLimit = 1000;

// What the windows tell the user.
inline constexpr char kNoMatches[] = "Sorry, no matches were found:\rplease try again";
inline constexpr char kIndexDamaged[] =
    "The full-text index was damaged and has been removed.\rSearch again to build it anew.";
// The query box's line on what a query may hold.
inline constexpr char kQuerySyntax[] =
    "Files that hold all the words are found; also \"a phrase\", sort* (the words that begin "
    "so), OR, NOT, NEAR(word word)";

// The question before the first build: "The full-text index of this archive has not been built
// yet.\rBuilding it reads " + files (thousands grouped) + " files; you can go on reading
// meanwhile.\rBuild it now?"
std::string BuildQuestion(std::size_t files);
// The status text while a file is read: "Full-text index: reading file " + (done + 1) + " of "
// + total + ": " + the file.
std::string ProgressText(const Progress& progress);
// The status text once an update ended: "Full-text index: " + read + " files read" (and
// ", " + removed + " removed" when any were), or when it was stopped "Full-text index stopped
// after " + read + " of " + total + " files: the next full-text search reads the rest".
std::string UpdateEndText(const UpdateOutcome& outcome, std::size_t total);

struct Preparation {
  UpdatePlan plan;
  bool ask_first = false;  // ask BuildQuestion(plan.to_read.size()) before updating
};

struct SearchAnswer {
  enum class End {
    PageWritten,         // FULLTEXT.HTM is in the write folder
    NoMatches,           // message: kNoMatches
    QueryNotUnderstood,  // message: why FTS5 could not read the query
    Failed,              // message: the error (the page or the index could not be written)
  };
  End end = End::Failed;
  std::string message;  // UTF-8; empty with PageWritten
};

class FullTextSession {
 public:
  // The archive's folders (the settings' DataDir, PdfDir, SourceDir); nothing is opened yet.
  explicit FullTextSession(ArchiveFolders folders);
  ~FullTextSession();
  FullTextSession(const FullTextSession&) = delete;
  FullTextSession& operator=(const FullTextSession&) = delete;

  const ArchiveFolders& Folders() const { return folders_; }
  // Where the index and the pages are written, ending in "/".
  const std::string& WriteFolder() const { return write_folder_; }

  // Step 1. Throws EFullTextError when the index cannot be opened or created.
  Preparation Prepare();
  // Step 3. REQUIRES: Prepare ran. Throws EFullTextError (kIndexDamaged when the index turned
  // out damaged: it is then removed) and catalogue::EInOutError for the report page.
  UpdateOutcome Update(const UpdatePlan& plan, const ProgressCallback& progress,
                       std::stop_token stop);
  // Step 4 for query (UTF-8). REQUIRES: Prepare ran.
  SearchAnswer Search(std::string_view query);

 private:
  ArchiveFolders folders_;
  std::string write_folder_;              // WriteFolderFor(data_dir)
  std::unique_ptr<FullTextIndex> index_;  // open from the first Prepare on
};

}  // namespace vantorel::fulltext
