#include "fulltext/catalogue_ties.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <map>

#include "catalogue/article_values.h"
#include "core/code_pages.h"
#include "platform/file_system.h"
#include "tables/dbf_file.h"

namespace vantorel::fulltext {

namespace {

// One table read record by record.
class TableReader {
 public:
  TableReader(std::string_view data_dir, const char* file_name)
      : file_(tables::DbfFile::Open(std::string(data_dir) + file_name,
                                    std::string(file_name), tables::DbfAccess::ReadOnlyShared,
                                    true)) {}

  // The field's offset and width, or a width of 0 when the table has no such field.
  std::pair<int, int> Field(std::string_view name) const {
    for (const tables::DbfField& field : file_.Header().fields)
      if (field.name == name) return {field.offset, field.width};
    return {0, 0};
  }
  std::int64_t Count() const { return file_.RecCount(); }
  const char* Record(std::int64_t k) { return file_.Record(k); }

 private:
  tables::DbfFile file_;
};

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

std::string_view FieldText(const char* record, std::pair<int, int> field) {
  return Trimmed({record + field.first, static_cast<std::size_t>(field.second)});
}

std::int32_t FieldNumber(const char* record, std::pair<int, int> field) {
  const std::string_view text = FieldText(record, field);
  std::int32_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::map<std::int32_t, std::string> AuthorNames(std::string_view data_dir) {
  std::map<std::int32_t, std::string> names;
  TableReader authors(data_dir, "author.dbf");
  const auto id = authors.Field("AUTHOR_ID");
  const auto name = authors.Field("NAME");
  for (std::int64_t k = 1; k <= authors.Count(); ++k) {
    const char* record = authors.Record(k);
    names.emplace(FieldNumber(record, id), core::Cp1252ToUtf8(FieldText(record, name)));
  }
  return names;
}

void AddAuthor(ArticleTie& tie, const std::string& name) {
  if (name.empty()) return;
  const std::string joined = ", " + tie.authors + ", ";
  if (joined.find(", " + name + ", ") != std::string::npos) return;
  if (!tie.authors.empty()) tie.authors += ", ";
  tie.authors += name;
}

}  // namespace

ArticleTies ReadArticleTies(std::string_view data_dir) {
  ArticleTies ties;
  try {
    std::map<std::int32_t, std::string> names;
    try {
      names = AuthorNames(data_dir);
    } catch (const std::exception&) {
    }
    TableReader articles(data_dir, "article.dbf");
    const auto id = articles.Field("ARTICLE_ID");
    const auto type = articles.Field("ARTICLE_TY");
    const auto title = articles.Field("TITLE");
    const auto issue = articles.Field("ISSUE__");
    const std::pair<int, int> authors[] = {articles.Field("AUTHOR_1"), articles.Field("AUTHOR_2"),
                                           articles.Field("AUTHOR_3")};
    // Ties are built in record order and sorted by article number at the end.
    std::map<std::string, std::vector<std::pair<std::int32_t, std::int64_t>>> records;
    for (std::int64_t k = 1; k <= articles.Count(); ++k) {
      const char* record = articles.Record(k);
      const std::int32_t number = FieldNumber(record, id);
      const std::string base =
          catalogue::PdfBaseName(number, FieldText(record, type), FieldNumber(record, issue));
      if (base.empty()) continue;
      ArticleTie& tie = ties[Upper(core::Cp1252ToUtf8(base)) + ".PDF"];
      tie.article_ids.push_back(number);
      if (!tie.title.empty()) tie.title += "; ";
      tie.title += core::Cp1252ToUtf8(FieldText(record, title));
      if (!tie.issue) tie.issue = FieldNumber(record, issue);
      for (const auto& author : authors) {
        if (author.second == 0) continue;
        const auto found = names.find(FieldNumber(record, author));
        if (found != names.end()) AddAuthor(tie, found->second);
      }
    }
    for (auto& [name, tie] : ties) std::sort(tie.article_ids.begin(), tie.article_ids.end());
  } catch (const std::exception&) {
  }
  return ties;
}

std::vector<BonusDocument> ReadBonusDocuments(std::string_view data_dir) {
  std::vector<BonusDocument> documents;
  try {
    TableReader files(data_dir, "files.dbf");
    const auto name = files.Field("NAME");
    const auto title = files.Field("TITLE");
    for (std::int64_t k = 1; k <= files.Count(); ++k) {
      const char* record = files.Record(k);
      BonusDocument document{core::Cp1252ToUtf8(FieldText(record, name)),
                             core::Cp1252ToUtf8(FieldText(record, title))};
      if (!document.name.empty()) documents.push_back(std::move(document));
    }
  } catch (const std::exception&) {
  }
  return documents;
}

std::string CatalogueSignature(std::string_view data_dir) {
  std::string signature;
  for (const char* name : {"article.dbf", "author.dbf", "files.dbf"}) {
    const std::filesystem::path path = platform::ResolvePath(std::string(data_dir) + name);
    signature += name;
    signature += ':';
    if (const auto file = platform::File::OpenPath(path, platform::File::Mode::Read)) {
      const auto time = file->ModifiedTime();
      signature += std::to_string(file->Size());
      if (time) signature += "@" + std::to_string(time->tv_sec) + "." + std::to_string(time->tv_nsec);
    }
    signature += ';';
  }
  return signature;
}

}  // namespace vantorel::fulltext
