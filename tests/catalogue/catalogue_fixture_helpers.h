// A small hand-made catalogue, written byte by byte: article.dbf with its memo file,
// author.dbf and keyword.dbf in OEM text, and a fixture that opens it with a scripted Ui; the
// bonus search's files.dbf and words.dbf.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "scripted_ui.h"
#include "table_bytes_helpers.h"
#include "temp_dir.h"

namespace vantorel::testing {

struct ArticleRow {
  int id = 0;
  std::string type;       // ARTICLE_TY
  std::string directory;  // DIRECTORY
  std::string title;      // TITLE
  int author_1 = 0, author_2 = 0, author_3 = 0;
  int issue = 0;
  std::string summary;    // memo text (OEM bytes, lines ended by CR LF); empty: no memo
  char flag = ' ';        // "*" marks the record deleted
};

struct AuthorRow {
  int id = 0;
  std::string name;  // OEM bytes, at most 64
};

struct KeywordRow {
  int article_id = 0;
  std::string keyword;  // OEM bytes, at most 28
};

struct DocumentRow {
  std::string file_id;  // FILE_ID, at most 3 characters, written as given
  std::string name;     // NAME, at most 50
  std::string title;    // TITLE, at most 50
  char flag = ' ';      // "*" marks the record deleted
};

struct WordRow {
  std::string file_id;  // FILE_ID, at most 3 characters, written as given
  std::string word;     // WORD, at most 35
  char flag = ' ';      // "*" marks the record deleted
};

// files.dbf (FILE_ID C3, NAME C50, TITLE C50) and words.dbf (FILE_ID C3, WORD C35).
std::string FilesTable(const std::vector<DocumentRow>& rows);
std::string WordsTable(const std::vector<WordRow>& rows);

// article.dbf (version 0x83) and article.dbt (dBASE III, 512-byte blocks, texts ended by
// 0x1A 0x1A).
struct ArticleFiles {
  std::string table;
  std::string memo;
};
ArticleFiles ArticleTable(const std::vector<ArticleRow>& rows);
std::string AuthorTable(const std::vector<AuthorRow>& rows);
std::string KeywordTable(const std::vector<KeywordRow>& rows);

// The catalogue most tests use:
//   authors  1 "Ann Smith", 2 "Bob Jones", 3 a name of all 64 characters, 4 "J\x81rgen Wei\xE1"
//            (OEM u-umlaut and sharp s)
//   articles 9 Article issue 12 "MEMMGR", 10 Review issue 7 blank directory, 100 Tip issue 9,
//            57 Review issue 45, 200 Clinic issue 45, 300 Article issue 73, 301 "Letter"
//            issue 5; see the .cpp for authors, summaries and keywords.
std::vector<ArticleRow> SampleArticles();
std::vector<AuthorRow> SampleAuthors();
std::vector<KeywordRow> SampleKeywords();

// Sets a file's modification time (whole seconds).
void SetFileTime(const std::string& file, std::time_t time);

class CatalogueTest : public ::testing::Test {
 protected:
  CatalogueTest() = default;
  // The catalogue's folder inside parent.
  explicit CatalogueTest(const std::filesystem::path& parent) : dir_(parent) {}

  // DataDir of the tests: the temporary folder with a final "/".
  std::string DataDir() const { return dir_.path().string() + "/"; }

  void WriteCatalogue(const std::vector<ArticleRow>& articles,
                      const std::vector<AuthorRow>& authors,
                      const std::vector<KeywordRow>& keywords);
  void WriteSampleCatalogue() {
    WriteCatalogue(SampleArticles(), SampleAuthors(), SampleKeywords());
  }

  // A catalogue over DataDir() that raises engine errors, opened.
  catalogue::Catalogue& OpenCatalogue();

  std::string Read(const std::string& name) const { return TempDir::Read(dir_ / name); }

  TempDir dir_;
  ScriptedUi ui_;
  std::unique_ptr<catalogue::Catalogue> catalogue_;
};

}  // namespace vantorel::testing
