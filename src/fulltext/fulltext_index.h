// The full-text index of an archive: one SQLite file with an FTS5 table that holds the text of
// every article PDF (page by page), every text file on the companion disks and inside their
// ZIP archives, and the bonus documents, tied to the catalogue's articles.
//
// The file. It lives in the archive's write folder (platform/write_folder.h) as kIndexFileName
// and is this program's alone: its application id and schema version are checked at every
// opening, and a file that is not such an index, or that SQLite finds damaged, is removed and
// built again, never trusted.
//
// Tables:
//   meta(key, value)           "catalogue": CatalogueSignature at the last update
//   sources(id, root, path, size, modified, kind, problem)
//                              every file read: its root folder (Root) and path below it, its
//                              size and modification time when it was read, what it turned
//                              out to be (SourceKind), and why it was skipped or what in it
//                              was (problem lines; NULL when nothing was wrong)
//   documents(id, source, member, kind, title, issue, authors, article_ids, body, body_bytes)
//                              one hit each: a PDF file, a text file, an HTML document or a
//                              text member of a ZIP archive (member: its name), with the
//                              catalogue's values for it (article_ids "12,13"; empty: none)
//                              and its text, deflated (the snippets come from it)
//   texts(title, body)         FTS5 over the view document_texts (the documents' titles and
//                              inflated texts), which keeps only the index of the words;
//                              rowid = documents.id, tokenizer "vantorel_pages porter
//                              unicode61 remove_diacritics 2" (fts_extensions.h): words in
//                              their porter stems, case and accents ignored; body holds the
//                              pages separated by form feeds, title the articles' titles
//
// Updating. PlanUpdate compares the files of ScanSources with the sources table: a file is
// added, changed (its size or modification time differs) or removed; the catalogue has
// changed when its signature differs. Update removes what is gone, ties the documents to the
// changed catalogue again, and reads the added and changed files: a few threads read them
// (PDF text, ZIP members) ahead, and the calling thread stores them one after another in plan
// order, committing every few files: a cancelled or interrupted update leaves an index that
// answers for everything read so far, and the next update reads the rest. A damaged PDF file or ZIP
// archive is skipped with its problem noted (Problems), and is read again once it changes.
//
// Searching. A query is an FTS5 query: words (AND between them), "phrases", prefix*, OR, NOT,
// NEAR(...), title: and body: column filters. A hit is a whole document; its score is FTS5's
// bm25 with a title word counting kTitleWeight times a body word; its page is the page of its
// first found word.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "fulltext/catalogue_ties.h"
#include "fulltext/source_scan.h"

struct sqlite3;

namespace vantorel::fulltext {

inline constexpr char kIndexFileName[] = "fulltext.db";
inline constexpr double kTitleWeight = 5.0;
// Files and ZIP members larger than this are not read.
inline constexpr std::uint64_t kMaxTextFileSize = 16 * 1024 * 1024;

// A file error of the index (it cannot be created, opened or written); the text says which.
class EFullTextError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// SQLite found the index file damaged while using it. The caller builds it again (Rebuild).
class EIndexDamaged : public EFullTextError {
 public:
  using EFullTextError::EFullTextError;
};

// A query that FTS5 cannot read; the text tells the user why and what to type instead.
class EQueryNotUnderstood : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What a source file turned out to be. The numbers are stored in the index.
enum class SourceKind : int { Skipped = 0, Pdf = 1, Text = 2, Html = 3, Zip = 4 };
// What a document is. The numbers are stored in the index.
enum class DocumentKind : int { Pdf = 1, Text = 2, Html = 3 };

struct UpdatePlan {
  std::vector<SourceFile> to_read;  // added and changed files, in scan order
  std::size_t added = 0;
  std::size_t changed = 0;
  std::vector<std::int64_t> removed;  // sources no longer there
  std::string catalogue_signature;    // now
  bool catalogue_changed = false;

  // True when the update has nothing to do.
  bool Empty() const { return to_read.empty() && removed.empty() && !catalogue_changed; }
};

struct Progress {
  std::size_t done = 0;   // files read so far
  std::size_t total = 0;  // files to read
  std::string current;    // the file being read, relative to DataDir where it lies there
};
using ProgressCallback = std::function<void(const Progress&)>;

struct UpdateOutcome {
  std::size_t read = 0;       // files read
  std::size_t removed = 0;    // sources removed
  bool cancelled = false;     // the stop token asked to stop before every file was read
};

// A file that was skipped, or whose ZIP members were: one line each.
struct Problem {
  std::string path;  // relative to DataDir where it lies there, else absolute
  std::string text;  // what was wrong
};

struct Hit {
  Root root = Root::Data;
  std::string path;     // relative to the root folder, "/" separated
  std::string member;   // the ZIP member's name ("/" separated); empty outside ZIP archives
  DocumentKind kind = DocumentKind::Text;
  int page = 0;         // PDF files: the page of the first found word (from 1); else 0
  std::vector<std::int32_t> article_ids;  // the catalogue's articles in this PDF
  std::string title;    // the articles' titles, a bonus document's title, or the file's name
  std::optional<std::int32_t> issue;      // the articles' issue, or the companion disk's
  std::string authors;  // the articles' authors, ", " between them
  double score = 0;     // higher is better
  std::string snippets[2];  // UTF-8, found words between kBoldOn and kBoldOff; may be empty
};

struct SearchResults {
  std::size_t total = 0;   // documents found
  std::vector<Hit> hits;   // the best of them, best first
};

class FullTextIndex {
 public:
  enum class OpenMode {
    CreateOrRepair,  // a missing file is created; a foreign or damaged one built anew
    ExistingOnly,    // EFullTextError when there is no index file; EIndexDamaged when it is
                     // not a sound index
  };

  // Opens the index file (a real path) for the archive in folders. Throws EFullTextError when
  // it cannot be opened or created.
  FullTextIndex(std::filesystem::path file, ArchiveFolders folders,
                OpenMode mode = OpenMode::CreateOrRepair);
  ~FullTextIndex();
  FullTextIndex(const FullTextIndex&) = delete;
  FullTextIndex& operator=(const FullTextIndex&) = delete;

  const std::filesystem::path& File() const { return file_; }
  const ArchiveFolders& Folders() const { return folders_; }

  // What an update would do now. Throws EIndexDamaged, EFullTextError.
  UpdatePlan PlanUpdate();
  // Carries the plan out (see the top of this file). Before each file is stored progress is
  // called (on the calling thread), then stop looked at; files read ahead but not stored are
  // read again by the next update. Throws EIndexDamaged, EFullTextError.
  UpdateOutcome Update(const UpdatePlan& plan, const ProgressCallback& progress = {},
                       std::stop_token stop = {});
  // Removes the index file and starts an empty index in its place.
  void Rebuild();

  // The documents the query finds: their count, and the best limit of them with their pages
  // and snippets. Throws EQueryNotUnderstood for a query FTS5 cannot read (also an empty one),
  // EIndexDamaged, EFullTextError.
  SearchResults Search(std::string_view query, std::size_t limit);

  // The files skipped or partly read, in path order.
  std::vector<Problem> Problems();

  // A source's path as the user sees it: relative to DataDir when the root folder lies in it
  // ("PDF/0012.PDF"), else absolute.
  std::string ShownPath(Root root, std::string_view path) const;

  // Documents and the bytes of text (bodies and titles) the index holds.
  std::int64_t DocumentCount();
  std::int64_t TextBytes();

 private:
  class Database;
  struct Extracted;

  void Open(OpenMode mode);
  Extracted Extract(const SourceFile& file);
  // The documents of PDF files and bonus documents get the catalogue's values again.
  void Retie(const ArticleTies& ties);

  std::filesystem::path file_;          // the index file
  ArchiveFolders folders_;              // the archive's folders
  std::unique_ptr<Database> db_;        // the open connection and its statements
  std::string root_prefixes_[3];        // per Root: how ShownPath begins ("PDF/")
};

}  // namespace vantorel::fulltext
