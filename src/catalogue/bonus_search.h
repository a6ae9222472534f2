// The bonus search: the documents of the bonus files and companion disks that contain any or
// all of the typed words, found in two tables of DataDir and written as SEARCHRESULT.HTM
// (bonus_result_page.h).
//
//   files.dbf  (FilesDBF)  FILE_ID C3 the document key, NAME C50 the page, TITLE C50
//   words.dbf  (WordsDBF)  FILE_ID C3 the document a word occurs in, WORD C35
// Both are opened shared in read-write mode (read-only when the table file cannot be written,
// as on a CD-ROM), OEM text converted to ANSI, deleted records visible, without an index; the
// search only reads them. The page goes to the archive's write folder
// (platform/write_folder.h): DataDir, or its cache folder when DataDir cannot be written.
//
// One search, in this order:
//   1. the text: a-z upper-cased, cut to 255 characters, split into words at blanks, commas
//      and double quotes (search_words.h); each word goes into the word list, the first word
//      shorter than three characters brings up the short-word warning, and No ends the search
//      (the dialog closes). In "Match all words" mode the longest word goes first;
//   2. with the hourglass, each word in list order is looked for in words.dbf (KvDbf::Search:
//      physical order, case ignored; once a word matched in one field its further matches
//      come from that field only). A match's key is its FILE_ID trimmed.
//      "Match any word", and the first word in "Match all words": a key not yet in the match
//      list is appended as FILE_ID + "|" + word. "Match any word" stops searching once every
//      document key of files.dbf is in the match list (keys missing from files.dbf do not
//      count: they name no document).
//      "Match all words", later words: a key in the match list and not yet in the scratch
//      list is appended to the scratch list; after the word the scratch list becomes the match
//      list. An empty match list after a word ends the loop.
//      After every match the status text "Checking word number " + i + ", " + n + " files
//      match" (n: the scratch list's count after the first word of "Match all words", else
//      the match list's);
//   3. an empty match list: the information box "Sorry, no matches were found:\rplease try
//      again" (the dialog stays open); otherwise the page is written,
//      Outcome().SearchPageWritten set and the status text cleared.
// The lists keep insertion order and at most one entry per key, an entry's key being the text
// before its first "|" trimmed of characters 0 to 32.
//
// Every box, status text and the hourglass go through the Ui port; engine errors of the two
// tables travel to the caller as tables::EKvError, a page that cannot be written as
// EInOutError.
#pragma once

#include <string>
#include <vector>

#include "catalogue/article_search.h"
#include "catalogue/result_page_writer.h"
#include "core/sorted_text_list.h"
#include "tables/kv_dbf.h"

namespace vantorel::catalogue {

// What the dialog gathered.
struct BonusSearchRequest {
  std::string text;                     // SearchWords' text as typed
  MatchMode mode = MatchMode::AnyWord;  // AnyOrAllRadio
};

class BonusSearch {
 public:
  BonusSearch();
  BonusSearch(const BonusSearch&) = delete;
  BonusSearch& operator=(const BonusSearch&) = delete;

  // The tables' part of the dialog's activation: both tables get data_dir + "files.dbf" and
  // data_dir + "words.dbf" as their file names and are opened; tables already open are
  // closed and opened again; a table file this process cannot write is opened read-only.
  // REQUIRES: data_dir ends in a separator. EKvError when a table
  // cannot be opened (a missing table is not created); the search is unavailable until a
  // later call succeeds.
  void OpenTables(const std::string& data_dir);
  // True when both tables are open.
  bool TablesOpen() const { return files_dbf_.Active() && words_dbf_.Active(); }

  // One search (see the top of this file); the page goes to the OpenTables folder's write
  // folder.
  // REQUIRES: TablesOpen().
  SearchEnd OkBtnClick(const BonusSearchRequest& request);
  // The page the last OkBtnClick wrote (SearchPageWritten only); nothing before the first.
  const core::SearchOutcome& Outcome() const { return outcome_; }

 private:
  class MatchList;

  // Opens table on file, read-only when this process cannot write the file.
  static void OpenTable(tables::KvDbf& table, const std::string& file);
  // Step 2: the documents the words match, by mode, into matches.
  void MatchWords(const core::SortedTextList& words, MatchMode mode, MatchList& matches);
  // The keys Locate finds in files.dbf: each record's FILE_ID without trailing blanks.
  std::vector<std::string> DocumentKeys();

  std::string data_dir_;     // where the tables are
  std::string write_dir_;    // where the page goes
  tables::KvDbf files_dbf_;  // files.dbf, one record per document
  tables::KvDbf words_dbf_;  // words.dbf, one record per word of a document
  core::SearchOutcome outcome_;  // the page the last search wrote
};

}  // namespace vantorel::catalogue
