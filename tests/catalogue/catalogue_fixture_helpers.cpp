#include "catalogue_fixture_helpers.h"

#include <sys/stat.h>
#include <utime.h>

namespace vantorel::testing {

namespace {

constexpr std::uint32_t kMemoBlock = 512;

std::string Number(int value) { return Pad(std::to_string(value), 11, true); }

}  // namespace

ArticleFiles ArticleTable(const std::vector<ArticleRow>& rows) {
  TableBytes t;
  t.version = 0x83;
  t.fields = {{"ARTICLE_ID", 'N', 11}, {"ARTICLE_TY", 'C', 8}, {"DIRECTORY", 'C', 8},
              {"TITLE", 'C', 64},      {"AUTHOR_1", 'N', 11},  {"AUTHOR_2", 'N', 11},
              {"AUTHOR_3", 'N', 11},   {"ISSUE__", 'N', 11},   {"PAGE_NUMBE", 'N', 11},
              {"SUMMARY", 'M', 10}};
  std::map<std::uint32_t, std::string> blocks;
  std::uint32_t next_block = 1;
  for (const ArticleRow& row : rows) {
    std::string memo_field = Pad("", 10);
    if (!row.summary.empty()) {
      const std::string text = row.summary + "\x1A\x1A";
      blocks[next_block] = text;
      memo_field = Pad(std::to_string(next_block), 10, true);
      next_block += static_cast<std::uint32_t>((text.size() + kMemoBlock - 1) / kMemoBlock);
    }
    t.records.push_back(Rec({Number(row.id), Pad(row.type, 8), Pad(row.directory, 8),
                             Pad(row.title, 64), Number(row.author_1), Number(row.author_2),
                             Number(row.author_3), Number(row.issue), Number(1), memo_field},
                            row.flag));
  }
  std::string header(kMemoBlock, '\0');
  header.replace(0, 4, Le32(next_block));
  header[16] = '\x03';
  std::string memo = MemoBytes(kMemoBlock, header, blocks);
  memo.resize(next_block * kMemoBlock, '\0');
  return {t.Bytes(), memo};
}

std::string AuthorTable(const std::vector<AuthorRow>& rows) {
  TableBytes t;
  t.fields = {{"AUTHOR_ID", 'N', 11}, {"NAME", 'C', 64}};
  for (const AuthorRow& row : rows) t.records.push_back(Rec({Number(row.id), Pad(row.name, 64)}));
  return t.Bytes();
}

std::string KeywordTable(const std::vector<KeywordRow>& rows) {
  TableBytes t;
  t.fields = {{"ARTICLE_ID", 'N', 11}, {"KEYWORD", 'C', 28}};
  for (const KeywordRow& row : rows)
    t.records.push_back(Rec({Number(row.article_id), Pad(row.keyword, 28)}));
  return t.Bytes();
}

std::string FilesTable(const std::vector<DocumentRow>& rows) {
  TableBytes t;
  t.fields = {{"FILE_ID", 'C', 3}, {"NAME", 'C', 50}, {"TITLE", 'C', 50}};
  for (const DocumentRow& row : rows)
    t.records.push_back(
        Rec({Pad(row.file_id, 3), Pad(row.name, 50), Pad(row.title, 50)}, row.flag));
  return t.Bytes();
}

std::string WordsTable(const std::vector<WordRow>& rows) {
  TableBytes t;
  t.fields = {{"FILE_ID", 'C', 3}, {"WORD", 'C', 35}};
  for (const WordRow& row : rows)
    t.records.push_back(Rec({Pad(row.file_id, 3), Pad(row.word, 35)}, row.flag));
  return t.Bytes();
}

std::vector<AuthorRow> SampleAuthors() {
  return {{1, "Ann Smith"},
          {2, "Bob Jones"},
          {3, "Zoe Long" + std::string(56, 'z')},
          {4, "J\x81rgen Wei\xE1"}};
}

std::vector<ArticleRow> SampleArticles() {
  return {
      {9, "Article", "MEMMGR", "Memory manager", 1, 0, 0, 12, "A heap manager.\r\nSecond line."},
      {10, "Review", "", "Heap review", 0, 2, 0, 7, ""},
      {100, "Tip", "", "Tips and tricks", 1, 2, 4, 9, "Tips."},
      {57, "Review", "", "Graphics review", 2, 0, 0, 45, ""},
      {200, "Clinic", "", "Clinic", 3, 0, 0, 45, ""},
      {300, "Article", "NOSRC", "Future article", 1, 0, 0, 73, ""},
      {301, "Letter", "", "Letters", 0, 0, 0, 5, ""},
  };
}

std::vector<KeywordRow> SampleKeywords() {
  return {{9, "Memory"},   {9, "Heap"},        {10, "heap"},  {10, "Delphi"},
          {100, "memory manager"}, {57, "Graphics"}, {200, "MEMORY"}, {9, "Pascal"},
          {300, "Delphi"}};
}

void SetFileTime(const std::string& file, std::time_t time) {
  utimbuf times{time, time};
  ASSERT_EQ(utime(file.c_str(), &times), 0) << file;
}

void CatalogueTest::WriteCatalogue(const std::vector<ArticleRow>& articles,
                                   const std::vector<AuthorRow>& authors,
                                   const std::vector<KeywordRow>& keywords) {
  const ArticleFiles article = ArticleTable(articles);
  dir_.Write("article.dbf", article.table);
  dir_.Write("article.dbt", article.memo);
  dir_.Write("author.dbf", AuthorTable(authors));
  dir_.Write("keyword.dbf", KeywordTable(keywords));
}

catalogue::Catalogue& CatalogueTest::OpenCatalogue() {
  catalogue_ = std::make_unique<catalogue::Catalogue>(DataDir());
  catalogue_->SetRaiseEngineErrors(true);
  catalogue_->Open();
  return *catalogue_;
}

}  // namespace vantorel::testing
