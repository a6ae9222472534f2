// What the full-text index reads from a file: the text tests and conversions, the HTML text,
// a ZIP archive's entries read into memory, and the page tokenizer and vantorel_hit over the
// text (pages split at form feeds, snippets cut around the found words).
// Input: the file.
#include <sqlite3.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/archive_errors.h"
#include "archive/entry_reader.h"
#include "core/code_pages.h"
#include "fulltext/fts_extensions.h"
#include "fulltext/plain_text.h"
#include "fuzz_input.h"

namespace {

constexpr std::uint64_t kMaxEntryBytes = 1 << 20;

sqlite3* Database() {
  static sqlite3* db = [] {
    sqlite3* opened = nullptr;
    sqlite3_open(":memory:", &opened);
    vantorel::fulltext::RegisterFtsExtensions(opened);
    sqlite3_exec(opened,
                 "CREATE VIRTUAL TABLE t USING fts5(title, body, "
                 "tokenize='vantorel_pages porter unicode61 remove_diacritics 2')",
                 nullptr, nullptr, nullptr);
    return opened;
  }();
  return db;
}

// The first word of the text, letters and digits only, as a prefix query; empty when none.
std::string QueryOf(std::string_view text) {
  std::string word;
  for (const char c : text) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      word += c;
      if (word.size() == 12) break;
    } else if (!word.empty()) {
      break;
    }
  }
  return word.empty() ? word : word + "* OR \"" + word + " " + word + "\"";
}

void SearchText(const std::string& body, const std::string& query) {
  sqlite3* db = Database();
  sqlite3_exec(db, "DELETE FROM t", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO t(rowid, title, body) VALUES (1, 'x', ?1)", -1, &insert,
                     nullptr);
  sqlite3_bind_text(insert, 1, body.data(), static_cast<int>(body.size()), SQLITE_STATIC);
  sqlite3_step(insert);
  sqlite3_finalize(insert);
  if (query.empty()) return;
  sqlite3_stmt* select = nullptr;
  sqlite3_prepare_v2(db, "SELECT vantorel_hit(t) FROM t WHERE t MATCH ?1", -1, &select, nullptr);
  sqlite3_bind_text(select, 1, query.data(), static_cast<int>(query.size()), SQLITE_STATIC);
  while (sqlite3_step(select) == SQLITE_ROW) sqlite3_column_text(select, 0);
  sqlite3_finalize(select);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vantorel::fuzz::InstallSilentUi();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = vantorel::fuzz::AsText(data, size);
  vantorel::fulltext::LooksLikeText(input);
  vantorel::fulltext::TextToUtf8(input);
  vantorel::fulltext::HtmlToText(input);
  // Form feeds kept: they are the page breaks of a PDF's text.
  const std::string body = vantorel::core::Utf8OrCp1252ToUtf8(input);
  SearchText(body, QueryOf(body));

  const auto archive = vantorel::fuzz::WriteScratchFile("A.ZIP", input);
  try {
    vantorel::archive::ZipEntryReader zip(archive.string());
    for (int i = 0; i < zip.EntryCount(); ++i) {
      zip.EntryName(i);
      zip.Read(i, kMaxEntryBytes);
    }
  } catch (const vantorel::archive::ArchiveError&) {
  }
  return 0;
}
