#include "catalogue/catalogue.h"

#include "catalogue/in_out_error.h"
#include "catalogue/index_freshness.h"
#include "catalogue/issue_names.h"
#include "core/texts.h"
#include "core/ui.h"
#include "platform/file_system.h"
#include "platform/write_folder.h"

namespace vantorel::catalogue {

namespace {

constexpr char kKeywordListFile[] = "keywords.lst";

// The lines of a text file: each ends at CR LF, LF or CR; a last line without an ending
// counts, an ending at the very end adds no empty line.
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

}  // namespace

const std::vector<std::string>& ArticleFields() {
  static const std::vector<std::string> fields = {
      "article_id, N, 11, 0", "article_ty, C, 8, 0", "directory, C, 8, 0",
      "title, C, 64, 0",      "author_1, N, 11, 0",  "author_2, N, 11, 0",
      "author_3, N, 11, 0",   "issue__, N, 11, 0",   "page_numbe, N, 11, 0",
      "summary, M, 10, 0"};
  return fields;
}

const std::vector<std::string>& AuthorFields() {
  static const std::vector<std::string> fields = {"author_id, N, 11, 0", "name, C, 64, 0"};
  return fields;
}

const std::vector<std::string>& KeywordFields() {
  static const std::vector<std::string> fields = {"article_id, N, 11, 0", "keyword, C, 28, 0"};
  return fields;
}

bool HoldsCatalogue(std::string_view data_dir) {
  for (const char* table : {"article.dbf", "author.dbf", "keyword.dbf"})
    if (platform::FileExists(std::string(data_dir) + table)) return true;
  return false;
}

Catalogue::Catalogue(std::string data_dir)
    : data_dir_(std::move(data_dir)),
      article_dbf_("ArticleDBF"),
      author_dbf_("AuthorDBF"),
      keyword_dbf_("KeywordDBF") {
  article_dbf_.SetDbfFields(ArticleFields());
  author_dbf_.SetDbfFields(AuthorFields());
  keyword_dbf_.SetDbfFields(KeywordFields());
  for (tables::KvDbf* table : {&article_dbf_, &author_dbf_, &keyword_dbf_}) {
    table->SetReadOnly(true);
    table->SetExclusive(false);
    table->SetTableLanguage(tables::KvTableLanguage::tlOem);
    table->SetHideDeletedRecs(false);
    table->SetCreateIfNotFound(true);
  }
}

void Catalogue::SetRaiseEngineErrors(bool raise) {
  for (tables::KvDbf* table : {&article_dbf_, &author_dbf_, &keyword_dbf_})
    table->SetRaiseEngineErrors(raise);
}

void Catalogue::Open() {
  write_dir_ = platform::WriteFolderFor(data_dir_);
  if (write_dir_ != data_dir_)
    for (tables::KvDbf* table : {&article_dbf_, &author_dbf_, &keyword_dbf_})
      table->SetSemaphoreDir(write_dir_);
  issue_items_ = vantorel::catalogue::IssueItems();
  OpenTable(article_dbf_, "article.dbf");
  OpenTable(author_dbf_, "author.dbf");
  OpenTable(keyword_dbf_, "keyword.dbf");
  RefreshIndex(keyword_dbf_, "kwaid", "ARTICLE_ID", "");
  RefreshIndex(keyword_dbf_, "kwkey", "UPPER(KEYWORD)", " UNIQUE");
  OrderKeywordsByKey();
  RefreshIndex(article_dbf_, "araid", "ARTICLE_ID", "");
  RefreshIndex(article_dbf_, "ariss", "ISSUE__", "");
  FillAuthorItems();
  FillKeywordItems();
}

void Catalogue::OrderKeywordsByKey() { keyword_dbf_.SetIndexToFiles({write_dir_ + "kwkey"}); }

void Catalogue::OpenTable(tables::KvDbf& table, std::string_view file_name) {
  table.SetDbfFileName(data_dir_ + std::string(file_name));
  table.SetActive(true);
  table.SetShowProgress(true);
}

void Catalogue::RefreshIndex(tables::KvDbf& table, std::string_view index_name,
                             std::string_view key, std::string_view options) {
  const std::string index_file = write_dir_ + std::string(index_name) + ".ndx";
  if (!IndexNeedsBuilding(table, index_file)) return;
  const std::string caption = "Indexing " + std::string(index_name) + ".ndx...";
  core::CurrentUi().ShowProgress(caption);
  const std::string records = " of " + core::GroupThousands(table.RecordCount()) + " records";
  int percent = 0;
  table.MakeIndex(key, write_dir_ + std::string(index_name) + std::string(options), [&] {
    ++percent;
    if (percent % 5 == 0)
      core::CurrentUi().ShowProgress(caption + " " + std::to_string(percent) + "%" + records);
  });
  core::CurrentUi().ShowProgress("");
}

void Catalogue::FillAuthorItems() {
  author_items_.Clear();
  std::vector<std::string> items;
  for (author_dbf_.First(); !author_dbf_.Eof(); author_dbf_.Skip(1))
    items.push_back(author_dbf_.FieldAsString("NAME") +
                    std::to_string(author_dbf_.FieldAsInteger("AUTHOR_ID")));
  author_items_.AddAll(std::move(items));
}

void Catalogue::FillKeywordItems() {
  keyword_items_.Clear();
  const std::string list_file = write_dir_ + kKeywordListFile;
  if (platform::FileExists(list_file) && !IsStaleAgainst(list_file, write_dir_ + "kwaid.ndx") &&
      LoadKeywordList(list_file))
    return;
  std::vector<std::string> items;
  for (keyword_dbf_.First(); !keyword_dbf_.Eof(); keyword_dbf_.Skip(1))
    items.push_back(keyword_dbf_.FieldAsString("KEYWORD"));
  keyword_items_.AddAll(std::move(items));
  SaveKeywordList(list_file);
}

bool Catalogue::LoadKeywordList(const std::string& file) {
  const auto text = platform::ReadFileAt(platform::ResolvePath(file));
  if (!text) return false;
  keyword_items_.AddAll(SplitLines(*text));
  return true;
}

void Catalogue::SaveKeywordList(const std::string& file) const {
  std::string text;
  for (const std::string& item : keyword_items_.Items()) text += item + "\r\n";
  if (!WriteDerivedFile(file, text)) ThrowInOutError(file);
}

}  // namespace vantorel::catalogue
