#include "fulltext/fulltext_index.h"

#include <sqlite3.h>
#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "archive/archive_errors.h"
#include "archive/entry_reader.h"
#include "fulltext/catalogue_ties.h"
#include "fulltext/fts_extensions.h"
#include "fulltext/pdf_text.h"
#include "fulltext/plain_text.h"
#include "platform/file_system.h"

namespace vantorel::fulltext {

namespace fs = std::filesystem;

namespace {

// "VTFT": the index file's application id; kSchemaVersion its user version.
constexpr int kApplicationId = 0x56544654;
constexpr int kSchemaVersion = 2;
constexpr char kSqliteHeader[] = "SQLite format 3";  // and a NUL: the first 16 bytes
// The longest text one document keeps (a PDF's pages together).
constexpr std::uint32_t kMaxTextBytes = 512u * 1024 * 1024;

// The bodies are kept deflated in documents.body (DeflatedText) and given to FTS5, which keeps
// only its index, through the view document_texts (external content).
constexpr char kSchema[] =
    "CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT) WITHOUT ROWID;"
    "CREATE TABLE sources(id INTEGER PRIMARY KEY, root INTEGER NOT NULL, path TEXT NOT NULL,"
    " size INTEGER NOT NULL, modified INTEGER NOT NULL, kind INTEGER NOT NULL, problem TEXT,"
    " UNIQUE(root, path));"
    "CREATE TABLE documents(id INTEGER PRIMARY KEY, source INTEGER NOT NULL, member TEXT,"
    " kind INTEGER NOT NULL, title TEXT NOT NULL, issue INTEGER, authors TEXT NOT NULL,"
    " article_ids TEXT NOT NULL, body BLOB NOT NULL, body_bytes INTEGER NOT NULL);"
    "CREATE INDEX documents_source ON documents(source);"
    "CREATE VIEW document_texts AS"
    " SELECT id, title, vantorel_inflate(body) AS body FROM documents;"
    "CREATE VIRTUAL TABLE texts USING fts5(title, body, content='document_texts',"
    " content_rowid='id', tokenize='vantorel_pages porter unicode61 remove_diacritics 2');";

// Files read between two commits of an update, at most, and the longest time between them.
constexpr std::size_t kFilesPerCommit = 500;
constexpr auto kCommitInterval = std::chrono::milliseconds(500);

// Format notes: a deflated body is its length in bytes (4 bytes, little-endian) followed by
// the zlib stream of its bytes.
std::string DeflatedText(std::string_view text) {
  uLongf size = compressBound(static_cast<uLong>(text.size()));
  std::string deflated(4 + size, '\0');
  const auto length = static_cast<std::uint32_t>(text.size());
  for (int i = 0; i < 4; ++i) deflated[static_cast<std::size_t>(i)] = static_cast<char>(length >> (8 * i));
  compress2(reinterpret_cast<Bytef*>(deflated.data() + 4), &size,
            reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size()), 6);
  deflated.resize(4 + size);
  return deflated;
}

// vantorel_inflate(body): the text of a deflated body; NULL for one that does not inflate.
void InflateFunction(sqlite3_context* context, int, sqlite3_value** values) {
  const auto* bytes = static_cast<const unsigned char*>(sqlite3_value_blob(values[0]));
  const int size = sqlite3_value_bytes(values[0]);
  if (bytes == nullptr || size < 4) {
    sqlite3_result_null(context);
    return;
  }
  const std::uint32_t length = bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                               static_cast<std::uint32_t>(bytes[3]) << 24;
  if (length > kMaxTextBytes) {
    sqlite3_result_null(context);
    return;
  }
  // Inflated straight into memory that SQLite takes over: no clearing, no copy.
  auto* text = static_cast<char*>(sqlite3_malloc64(length + 1));
  if (text == nullptr) {
    sqlite3_result_error_nomem(context);
    return;
  }
  uLongf inflated = length;
  if (uncompress(reinterpret_cast<Bytef*>(text), &inflated, bytes + 4,
                 static_cast<uLong>(size - 4)) != Z_OK ||
      inflated != length) {
    sqlite3_free(text);
    sqlite3_result_null(context);
    return;
  }
  sqlite3_result_text64(context, text, length, sqlite3_free, SQLITE_UTF8);
}

bool IsDamage(int rc) {
  const int primary = rc & 0xFF;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

std::string IdsText(const std::vector<std::int32_t>& ids) {
  std::string text;
  for (const std::int32_t id : ids) {
    if (!text.empty()) text += ',';
    text += std::to_string(id);
  }
  return text;
}

std::vector<std::int32_t> IdsOf(std::string_view text) {
  std::vector<std::int32_t> ids;
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const std::string_view item = text.substr(0, comma);
    std::int32_t id = 0;
    if (std::from_chars(item.data(), item.data() + item.size(), id).ec == std::errc())
      ids.push_back(id);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return ids;
}

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// The issue of a companion-disk file, from its issue folder ("Issue07/..."); nullopt elsewhere.
std::optional<std::int32_t> DiskIssue(std::string_view path) {
  if (path.size() < 7 || Upper(std::string(path.substr(0, 5))) != "ISSUE") return std::nullopt;
  const std::size_t slash = path.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  std::int32_t issue = 0;
  const auto [end, error] = std::from_chars(path.data() + 5, path.data() + slash, issue);
  if (error != std::errc() || end != path.data() + slash || issue <= 0) return std::nullopt;
  return issue;
}

std::string LastComponent(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string QueryMessage(std::string_view detail) {
  return "The full-text search cannot read this query (" + std::string(detail) +
         "). Type words, \"phrases in double quotes\" and prefix* words; AND, OR, NOT and "
         "NEAR are written in capitals; put a word with other characters in double quotes "
         "(\"C++\").";
}

// Runs work(0), work(1), ... work(count - 1) on a few threads of its own, up to ahead indexes
// ahead of the caller, who takes the results one by one in index order (Take). Destroying it stops
// the threads once their current work is done; what they did that was not taken is dropped.
template <typename Result>
class InOrderWorkers {
 public:
  InOrderWorkers(std::size_t count, std::size_t threads, std::size_t ahead,
                 std::function<Result(std::size_t)> work)
      : count_(count), work_(std::move(work)), slots_(std::max(ahead, threads)) {
    threads_.reserve(std::min(threads, count));
    try {
      for (std::size_t i = 0; i < std::min(threads, count); ++i)
        threads_.emplace_back([this] { Run(); });
    } catch (const std::system_error&) {
      if (threads_.empty() && count > 0) throw;  // else fewer threads do the work
    }
  }
  ~InOrderWorkers() {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }
  InOrderWorkers(const InOrderWorkers&) = delete;
  InOrderWorkers& operator=(const InOrderWorkers&) = delete;

  // The result of work(index), waited for; index is the one after the last taken. Rethrows
  // what work threw.
  Result Take(std::size_t index) {
    std::unique_lock lock(mutex_);
    Slot& slot = slots_[index % slots_.size()];
    changed_.wait(lock, [&] { return slot.ready; });
    Result result = std::move(slot.result);
    const std::exception_ptr error = slot.error;
    slot = Slot();
    ++taken_;
    lock.unlock();
    changed_.notify_all();
    if (error) std::rethrow_exception(error);
    return result;
  }

 private:
  struct Slot {
    bool ready = false;
    Result result{};
    std::exception_ptr error;
  };

  void Run() {
    std::unique_lock lock(mutex_);
    while (true) {
      changed_.wait(lock, [&] {
        return stopping_ || next_ >= count_ || next_ < taken_ + slots_.size();
      });
      if (stopping_ || next_ >= count_) return;
      const std::size_t index = next_++;
      lock.unlock();
      Slot done;
      try {
        done.result = work_(index);
      } catch (...) {
        done.error = std::current_exception();
      }
      done.ready = true;
      lock.lock();
      slots_[index % slots_.size()] = std::move(done);
      changed_.notify_all();
    }
  }

  const std::size_t count_;
  const std::function<Result(std::size_t)> work_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Slot> slots_;  // index % size: taken_ <= index < taken_ + size
  std::size_t next_ = 0;     // the next index to work on
  std::size_t taken_ = 0;    // results taken
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

// Files read ahead of the one being stored, at most: enough that one long PDF file keeps no
// other thread waiting.
constexpr std::size_t kFilesReadAhead = 64;

// Threads that read files for an update: a PDF file's text costs far more than storing it.
std::size_t ReadingThreads() {
  return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 2, 4);
}

}  // namespace

// --- The connection -----------------------------------------------------------------------

class FullTextIndex::Database {
 public:
  // One prepared statement, reset after each use.
  class Statement {
   public:
    Statement(Database& db, const char* sql) : db_(db) {
      const int rc = sqlite3_prepare_v3(db.handle, sql, -1, SQLITE_PREPARE_PERSISTENT,
                                        &statement_, nullptr);
      if (rc != SQLITE_OK) db.Fail(rc);
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int index, std::int64_t value) {
      sqlite3_bind_int64(statement_, index, value);
      return *this;
    }
    Statement& Bind(int index, std::string_view text) {
      sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                        SQLITE_TRANSIENT);
      return *this;
    }
    Statement& BindNull(int index) {
      sqlite3_bind_null(statement_, index);
      return *this;
    }
    // True while a row is there; false at the end (and the statement is reset).
    bool Step() {
      const int rc = sqlite3_step(statement_);
      if (rc == SQLITE_ROW) return true;
      sqlite3_reset(statement_);
      if (rc != SQLITE_DONE) db_.Fail(rc);
      return false;
    }
    void Run() {
      while (Step()) {
      }
      sqlite3_clear_bindings(statement_);
    }
    void Reset() {
      sqlite3_reset(statement_);
      sqlite3_clear_bindings(statement_);
    }
    std::int64_t Int(int column) const { return sqlite3_column_int64(statement_, column); }
    double Real(int column) const { return sqlite3_column_double(statement_, column); }
    bool IsNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
    std::string Text(int column) const {
      const auto* text = sqlite3_column_text(statement_, column);
      return text == nullptr ? std::string()
                             : std::string(reinterpret_cast<const char*>(text),
                                           static_cast<std::size_t>(sqlite3_column_bytes(
                                               statement_, column)));
    }
    sqlite3_stmt* Handle() { return statement_; }

   private:
    Database& db_;
    sqlite3_stmt* statement_ = nullptr;
  };

  explicit Database(const fs::path& file) : file_(file) {
    const int rc = sqlite3_open_v2(file.c_str(), &handle,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
      const std::string message = handle != nullptr ? sqlite3_errmsg(handle) : "out of memory";
      sqlite3_close(handle);
      handle = nullptr;
      throw EFullTextError("Cannot open the full-text index " + platform::PathText(file) +
                           ": " + message);
    }
    sqlite3_extended_result_codes(handle, 1);
    sqlite3_busy_timeout(handle, 10000);
    if (RegisterFtsExtensions(handle) != SQLITE_OK ||
        sqlite3_create_function(handle, "vantorel_inflate", 1,
                                SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                InflateFunction, nullptr, nullptr) != SQLITE_OK)
      Fail(SQLITE_ERROR);
    // A write-ahead log: an update's many small commits cost no wait for the disk each.
    Exec("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL");
  }
  ~Database() { sqlite3_close_v2(handle); }

  // Throws EIndexDamaged for damage, else EFullTextError with SQLite's message.
  [[noreturn]] void Fail(int rc) const {
    const std::string message = sqlite3_errmsg(handle);
    if (IsDamage(rc))
      throw EIndexDamaged("The full-text index " + platform::PathText(file_) +
                          " is damaged: " + message);
    throw EFullTextError("Error in the full-text index " + platform::PathText(file_) + ": " +
                         message);
  }

  void Exec(const char* sql) {
    const int rc = sqlite3_exec(handle, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) Fail(rc);
  }
  std::int64_t Pragma(const char* sql) {
    Statement statement(*this, sql);
    const std::int64_t value = statement.Step() ? statement.Int(0) : 0;
    statement.Reset();
    return value;
  }

  sqlite3* handle = nullptr;

 private:
  fs::path file_;
};

// What one source file gave.
struct FullTextIndex::Extracted {
  struct Document {
    std::string member;
    DocumentKind kind = DocumentKind::Text;
    std::string body;      // pages separated by form feeds
    std::string deflated;  // DeflatedText(body); empty until made
  };
  SourceKind kind = SourceKind::Skipped;
  std::vector<Document> documents;
  std::vector<std::string> problems;
};

// --- Opening ------------------------------------------------------------------------------

FullTextIndex::FullTextIndex(fs::path file, ArchiveFolders folders, OpenMode mode)
    : file_(std::move(file)), folders_(std::move(folders)) {
  const fs::path data = RootFolder(folders_, Root::Data);
  for (const Root root : {Root::Data, Root::Pdf, Root::Disks}) {
    const fs::path folder = RootFolder(folders_, root);
    std::string prefix;
    const fs::path relative = folder.empty() || data.empty() ? fs::path()
                                                             : folder.lexically_relative(data);
    if (folder.empty()) {
      prefix = root == Root::Pdf ? folders_.pdf_dir
               : root == Root::Disks ? folders_.source_dir
                                     : folders_.data_dir;
    } else if (!relative.empty() && *relative.begin() != "..") {
      prefix = relative == "." ? std::string() : platform::PathText(relative) + "/";
    } else {
      prefix = platform::PathText(folder) + "/";
    }
    root_prefixes_[static_cast<int>(root)] = prefix;
  }
  Open(mode);
}

FullTextIndex::~FullTextIndex() = default;

void FullTextIndex::Open(OpenMode mode) {
  const bool exists = platform::EntryExistsAt(file_);
  if (!exists && mode == OpenMode::ExistingOnly)
    throw EFullTextError("There is no full-text index " + platform::PathText(file_));
  if (exists) {
    const auto head = platform::File::OpenPath(file_, platform::File::Mode::Read);
    char bytes[16] = {};
    const bool sqlite = head && head->ReadAt(0, bytes, sizeof bytes) == sizeof bytes &&
                        std::string_view(bytes, sizeof bytes) ==
                            std::string_view(kSqliteHeader, sizeof kSqliteHeader);
    const bool empty = head && head->Size() == 0;
    if (!sqlite && !empty) {
      if (mode == OpenMode::ExistingOnly)
        throw EIndexDamaged("The file " + platform::PathText(file_) +
                            " is not a full-text index");
      Rebuild();
      return;
    }
  }
  try {
    db_ = std::make_unique<Database>(file_);
    const std::int64_t application = db_->Pragma("PRAGMA application_id");
    const std::int64_t version = db_->Pragma("PRAGMA user_version");
    const std::int64_t tables = db_->Pragma(
        "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN "
        "('meta', 'sources', 'documents', 'texts')");
    const std::int64_t objects = db_->Pragma("SELECT count(*) FROM sqlite_master");
    if (application == kApplicationId && version == kSchemaVersion && tables == 4) return;
    if (application == 0 && version == 0 && objects == 0) {
      db_->Exec(kSchema);
      db_->Exec(("PRAGMA application_id = " + std::to_string(kApplicationId) +
                 "; PRAGMA user_version = " + std::to_string(kSchemaVersion))
                    .c_str());
      return;
    }
    throw EIndexDamaged("The file " + platform::PathText(file_) + " is not a full-text index");
  } catch (const EIndexDamaged&) {
    if (mode == OpenMode::ExistingOnly) throw;
    Rebuild();
  }
}

void FullTextIndex::Rebuild() {
  db_.reset();
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
    fs::path path = file_;
    path += suffix;
    if (platform::EntryExistsAt(path) && !platform::RemoveFileAt(path))
      throw EFullTextError("Cannot remove the damaged full-text index " +
                           platform::PathText(path));
  }
  db_ = std::make_unique<Database>(file_);
  db_->Exec(kSchema);
  db_->Exec(("PRAGMA application_id = " + std::to_string(kApplicationId) +
             "; PRAGMA user_version = " + std::to_string(kSchemaVersion))
                .c_str());
}

std::string FullTextIndex::ShownPath(Root root, std::string_view path) const {
  return root_prefixes_[static_cast<int>(root)] + std::string(path);
}

// --- Updating -----------------------------------------------------------------------------

UpdatePlan FullTextIndex::PlanUpdate() {
  UpdatePlan plan;
  // The sources as the index knows them, in the order they were added: the order of the walk
  // when the index was built, so a walk that finds them again mostly meets the next one in
  // turn, and the table by root and path is made only for the others. The paths are copied side
  // by side into blocks that never move.
  struct Known {
    Root root;
    std::string_view path;
    std::int64_t id;
    std::uint64_t size;
    std::int64_t modified;
    bool seen = false;
  };
  struct Key {
    Root root;
    std::string_view path;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& key) const {
      return std::hash<std::string_view>()(key.path) ^ static_cast<std::size_t>(key.root);
    }
  };
  std::vector<Known> known;
  std::vector<std::unique_ptr<char[]>> blocks;
  constexpr std::size_t kBlockSize = 256 * 1024;
  char* free_at = nullptr;
  std::size_t free_size = 0;
  {
    // The highest id is at least the number of sources, and costs no scan; a damaged table's
    // id is not taken at its word.
    constexpr std::int64_t kMostReserved = 1 << 22;
    known.reserve(static_cast<std::size_t>(std::clamp<std::int64_t>(
        db_->Pragma("SELECT coalesce(max(id), 0) FROM sources"), 0, kMostReserved)));
    Database::Statement sources(
        *db_, "SELECT id, root, path, size, modified FROM sources ORDER BY id");
    sqlite3_stmt* row = sources.Handle();
    while (sources.Step()) {
      const std::int64_t root = sources.Int(1);
      if (root < 0 || root > 2) continue;
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(row, 2));
      const auto size = static_cast<std::size_t>(sqlite3_column_bytes(row, 2));
      if (size > free_size) {
        free_size = std::max(size, kBlockSize);
        blocks.push_back(std::make_unique_for_overwrite<char[]>(free_size));
        free_at = blocks.back().get();
      }
      if (size > 0) std::memcpy(free_at, text, size);
      known.push_back({static_cast<Root>(root), std::string_view(free_at, size), sources.Int(0),
                       static_cast<std::uint64_t>(sources.Int(3)), sources.Int(4)});
      free_at += size;
      free_size -= size;
    }
  }
  std::unordered_map<Key, std::size_t, KeyHash> by_path;  // made at the first need
  std::size_t next = 0;  // the source the walk is expected to meet next
  const auto find = [&](Root root, std::string_view path) -> Known* {
    if (next < known.size() && known[next].root == root && known[next].path == path)
      return &known[next++];
    if (by_path.empty() && !known.empty()) {
      by_path.reserve(known.size());
      for (std::size_t i = 0; i < known.size(); ++i)
        by_path.emplace(Key{known[i].root, known[i].path}, i);
    }
    const auto found = by_path.find(Key{root, path});
    if (found == by_path.end()) return nullptr;
    next = found->second + 1;  // the walk goes on from there
    return &known[found->second];
  };
  // Files the index knows unchanged are only marked; the others are taken.
  plan.to_read = ScanSources(folders_, [&](Root root, std::string_view path, std::uint64_t size,
                                           std::int64_t modified) {
    Known* const source = find(root, path);
    if (source == nullptr) {
      ++plan.added;
      return true;
    }
    source->seen = true;
    if (source->size == size && source->modified == modified) return false;
    ++plan.changed;
    return true;
  });
  for (const Known& source : known)
    if (!source.seen) plan.removed.push_back(source.id);
  std::sort(plan.removed.begin(), plan.removed.end());
  plan.catalogue_signature = CatalogueSignature(folders_.data_dir);
  Database::Statement meta(*db_, "SELECT value FROM meta WHERE key = 'catalogue'");
  plan.catalogue_changed = !meta.Step() || meta.Text(0) != plan.catalogue_signature;
  meta.Reset();
  return plan;
}

FullTextIndex::Extracted FullTextIndex::Extract(const SourceFile& file) {
  Extracted extracted;
  const auto read_plain = [&](std::string_view bytes, NameKind kind, std::string member) {
    if (kind == NameKind::Html) {
      extracted.documents.push_back({std::move(member), DocumentKind::Html, HtmlToText(bytes), {}});
    } else if (LooksLikeText(bytes)) {
      extracted.documents.push_back({std::move(member), DocumentKind::Text, TextToUtf8(bytes), {}});
    }
  };
  switch (file.kind) {
    case NameKind::Pdf: {
      PdfText text = ReadPdfText(file.real);
      if (!text.readable) {
        extracted.problems.push_back("Damaged PDF file: " + text.problem);
        return extracted;
      }
      extracted.kind = SourceKind::Pdf;
      std::string body;
      for (std::size_t i = 0; i < text.pages.size(); ++i) {
        if (i > 0) body += kPageBreak;
        body += text.pages[i];
      }
      extracted.documents.push_back({{}, DocumentKind::Pdf, std::move(body), {}});
      return extracted;
    }
    case NameKind::Zip: {
      try {
        archive::ZipEntryReader zip(platform::PathText(file.real));
        extracted.kind = SourceKind::Zip;
        for (int i = 0; i < zip.EntryCount(); ++i) {
          const std::string name = zip.EntryName(i);
          const NameKind kind = KindOfName(name);
          if (kind != NameKind::Text && kind != NameKind::Html && kind != NameKind::Unknown)
            continue;
          archive::ZipEntryReader::Entry entry = zip.Read(i, kMaxTextFileSize);
          using Outcome = archive::ZipEntryReader::Outcome;
          switch (entry.outcome) {
            case Outcome::Read: read_plain(entry.bytes, kind, name); break;
            case Outcome::Directory:
            case Outcome::TooLarge: break;
            case Outcome::Encrypted:
              extracted.problems.push_back("Encrypted member skipped: " + name);
              break;
            case Outcome::UnknownMethod:
              extracted.problems.push_back("Member of an unknown method skipped: " + name);
              break;
            case Outcome::Damaged:
              extracted.problems.push_back("Damaged member skipped: " + name);
              break;
          }
        }
      } catch (const archive::ArchiveError& error) {
        extracted.kind = SourceKind::Skipped;
        extracted.documents.clear();
        extracted.problems.assign(1, std::string("Damaged ZIP archive: ") + error.what());
      }
      return extracted;
    }
    case NameKind::Text:
    case NameKind::Html:
    case NameKind::Unknown: {
      if (file.size > kMaxTextFileSize) return extracted;
      const std::optional<std::string> bytes = platform::ReadFileAt(file.real);
      if (!bytes) {
        extracted.problems.push_back("The file cannot be read");
        return extracted;
      }
      read_plain(*bytes, file.kind, {});
      if (!extracted.documents.empty())
        extracted.kind = extracted.documents.front().kind == DocumentKind::Html ? SourceKind::Html
                                                                                 : SourceKind::Text;
      return extracted;
    }
    case NameKind::Binary: return extracted;
  }
  return extracted;
}

UpdateOutcome FullTextIndex::Update(const UpdatePlan& plan, const ProgressCallback& progress,
                                    std::stop_token stop) {
  UpdateOutcome outcome;
  Database& db = *db_;
  // External content: the index forgets a document only when told its text.
  Database::Statement delete_texts(
      db, "INSERT INTO texts(texts, rowid, title, body) SELECT 'delete', id, title, body "
          "FROM document_texts WHERE id IN (SELECT id FROM documents WHERE source = ?1)");
  Database::Statement delete_documents(db, "DELETE FROM documents WHERE source = ?1");
  Database::Statement delete_source(db, "DELETE FROM sources WHERE id = ?1");
  Database::Statement find_source(db, "SELECT id FROM sources WHERE root = ?1 AND path = ?2");
  Database::Statement insert_source(
      db, "INSERT INTO sources(root, path, size, modified, kind, problem) "
          "VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
  Database::Statement insert_document(
      db, "INSERT INTO documents(source, member, kind, title, issue, authors, article_ids, body, "
          "body_bytes) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
  Database::Statement insert_text(db, "INSERT INTO texts(rowid, title, body) VALUES (?1, ?2, ?3)");
  const auto forget_source = [&](std::int64_t id) {
    delete_texts.Bind(1, id).Run();
    delete_documents.Bind(1, id).Run();
    delete_source.Bind(1, id).Run();
  };

  bool needs_ties = plan.catalogue_changed;
  for (const SourceFile& file : plan.to_read)
    if (file.root == Root::Pdf) needs_ties = true;
  ArticleTies ties;
  if (needs_ties) ties = ReadArticleTies(folders_.data_dir);
  db.Exec("BEGIN IMMEDIATE");
  try {
    for (const std::int64_t id : plan.removed) {
      forget_source(id);
      ++outcome.removed;
    }
    if (plan.catalogue_changed) {
      Retie(ties);
      Database::Statement meta(db,
                               "INSERT OR REPLACE INTO meta(key, value) VALUES ('catalogue', ?1)");
      meta.Bind(1, plan.catalogue_signature).Run();
    }
    db.Exec("COMMIT");
  } catch (...) {
    sqlite3_exec(db.handle, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }

  // Texts of PDF files met before in this update under another name (hard links): such a
  // file is not read again but given the text read for the first name.
  using Identity = std::tuple<std::uint64_t, std::uint64_t, std::uint64_t, std::int64_t>;
  const auto identity_of = [](const SourceFile& file) {
    return std::make_tuple(file.device, file.inode, file.size, file.modified_ns);
  };
  std::vector<bool> repeated(plan.to_read.size());
  std::set<Identity> kept;  // the files met again later, whose texts are kept
  {
    std::set<Identity> met;
    for (std::size_t i = 0; i < plan.to_read.size(); ++i) {
      const SourceFile& file = plan.to_read[i];
      if (file.kind != NameKind::Pdf || file.device == 0) continue;
      repeated[i] = !met.insert(identity_of(file)).second;
      if (repeated[i]) kept.insert(identity_of(file));
    }
  }
  std::map<Identity, std::string> pdf_bodies;
  bool in_transaction = false;
  std::size_t since_commit = 0;
  auto last_commit = std::chrono::steady_clock::now();
  const auto commit = [&] {
    if (in_transaction) db.Exec("COMMIT");
    in_transaction = false;
    since_commit = 0;
    last_commit = std::chrono::steady_clock::now();
  };
  try {
    // The files are read on worker threads ahead of this one, which stores them in plan order.
    std::optional<InOrderWorkers<Extracted>> readers;
    if (!plan.to_read.empty())
      readers.emplace(plan.to_read.size(), ReadingThreads(), kFilesReadAhead,
                      [&](std::size_t index) {
                        if (repeated[index]) return Extracted();
                        Extracted extracted = Extract(plan.to_read[index]);
                        for (Extracted::Document& document : extracted.documents)
                          document.deflated = DeflatedText(document.body);
                        return extracted;
                      });
    for (std::size_t index = 0; index < plan.to_read.size(); ++index) {
      const SourceFile& file = plan.to_read[index];
      if (progress) progress({outcome.read, plan.to_read.size(), ShownPath(file.root, file.path)});
      if (stop.stop_requested()) {
        outcome.cancelled = true;
        break;
      }
      Extracted extracted = readers->Take(index);
      const auto identity = identity_of(file);
      if (repeated[index]) {
        const auto known_pdf = pdf_bodies.find(identity);
        if (known_pdf != pdf_bodies.end()) {
          extracted.kind = SourceKind::Pdf;
          extracted.documents.push_back({{}, DocumentKind::Pdf, known_pdf->second, {}});
        } else {
          extracted = Extract(file);  // the first name gave no text
        }
      }
      if (extracted.kind == SourceKind::Pdf && kept.contains(identity))
        pdf_bodies.emplace(identity, extracted.documents.front().body);
      if (!in_transaction) {
        db.Exec("BEGIN IMMEDIATE");
        in_transaction = true;
      }
      find_source.Bind(1, static_cast<int>(file.root)).Bind(2, file.path);
      if (find_source.Step()) {
        const std::int64_t old = find_source.Int(0);
        find_source.Reset();
        forget_source(old);
      }
      std::string problems;
      for (const std::string& line : extracted.problems) {
        if (!problems.empty()) problems += '\n';
        problems += line;
      }
      insert_source.Bind(1, static_cast<int>(file.root))
          .Bind(2, file.path)
          .Bind(3, static_cast<std::int64_t>(file.size))
          .Bind(4, file.modified_ns)
          .Bind(5, static_cast<int>(extracted.kind));
      if (problems.empty()) {
        insert_source.BindNull(6);
      } else {
        insert_source.Bind(6, problems);
      }
      insert_source.Run();
      const std::int64_t source = sqlite3_last_insert_rowid(db.handle);
      for (Extracted::Document& document : extracted.documents) {
        ArticleTie tie;
        if (file.root == Root::Pdf) {
          const auto found = ties.find(Upper(file.path));
          if (found != ties.end()) tie = found->second;
        } else if (file.root == Root::Data) {
          tie.title = file.title;
        }
        if (!tie.issue && file.root == Root::Disks) tie.issue = DiskIssue(file.path);
        insert_document.Bind(1, source);
        if (document.member.empty()) {
          insert_document.BindNull(2);
        } else {
          insert_document.Bind(2, document.member);
        }
        insert_document.Bind(3, static_cast<int>(document.kind)).Bind(4, tie.title);
        if (tie.issue) {
          insert_document.Bind(5, *tie.issue);
        } else {
          insert_document.BindNull(5);
        }
        insert_document.Bind(6, tie.authors).Bind(7, IdsText(tie.article_ids));
        if (document.deflated.empty()) document.deflated = DeflatedText(document.body);
        const std::string& deflated = document.deflated;
        sqlite3_bind_blob(insert_document.Handle(), 8, deflated.data(),
                          static_cast<int>(deflated.size()), SQLITE_TRANSIENT);
        insert_document.Bind(9, static_cast<std::int64_t>(document.body.size())).Run();
        insert_text.Bind(1, sqlite3_last_insert_rowid(db.handle))
            .Bind(2, tie.title)
            .Bind(3, document.body)
            .Run();
      }
      ++outcome.read;
      if (++since_commit >= kFilesPerCommit ||
          std::chrono::steady_clock::now() - last_commit >= kCommitInterval)
        commit();
    }
    commit();
  } catch (...) {
    if (in_transaction) sqlite3_exec(db.handle, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  if (progress && !outcome.cancelled)
    progress({outcome.read, plan.to_read.size(), std::string()});
  return outcome;
}

// The documents of PDF files and bonus documents get the catalogue's values again; a title
// that changed is put into the text table too.
void FullTextIndex::Retie(const ArticleTies& ties) {
  Database& db = *db_;
  std::unordered_map<std::string, std::string> bonus_titles;
  for (const SourceFile& file : ScanSources(folders_))
    if (file.root == Root::Data) bonus_titles.emplace(file.path, file.title);
  Database::Statement documents(
      db, "SELECT d.id, s.root, s.path, d.title, d.issue, d.authors, d.article_ids "
          "FROM documents d JOIN sources s ON s.id = d.source WHERE s.root IN (0, 1)");
  Database::Statement update_document(
      db, "UPDATE documents SET title = ?2, issue = ?3, authors = ?4, article_ids = ?5 "
          "WHERE id = ?1");
  Database::Statement body(db, "SELECT body FROM document_texts WHERE id = ?1");
  Database::Statement delete_text(
      db, "INSERT INTO texts(texts, rowid, title, body) VALUES ('delete', ?1, ?2, ?3)");
  Database::Statement insert_text(db, "INSERT INTO texts(rowid, title, body) VALUES (?1, ?2, ?3)");
  struct Change {
    std::int64_t id;
    ArticleTie tie;
    std::string old_title;
    bool title_changed;
  };
  std::vector<Change> changes;
  while (documents.Step()) {
    ArticleTie tie;
    const auto root = static_cast<Root>(documents.Int(1));
    const std::string path = documents.Text(2);
    if (root == Root::Pdf) {
      const auto found = ties.find(Upper(path));
      if (found != ties.end()) tie = found->second;
    } else {
      const auto found = bonus_titles.find(path);
      if (found != bonus_titles.end()) tie.title = found->second;
    }
    ArticleTie old;
    old.title = documents.Text(3);
    if (!documents.IsNull(4)) old.issue = static_cast<std::int32_t>(documents.Int(4));
    old.authors = documents.Text(5);
    old.article_ids = IdsOf(documents.Text(6));
    if (!(old == tie))
      changes.push_back({documents.Int(0), tie, old.title, old.title != tie.title});
  }
  for (const Change& change : changes) {
    std::string text;
    if (change.title_changed) {
      if (body.Bind(1, change.id).Step()) text = body.Text(0);
      body.Reset();
      delete_text.Bind(1, change.id).Bind(2, change.old_title).Bind(3, text).Run();
    }
    update_document.Bind(1, change.id).Bind(2, change.tie.title);
    if (change.tie.issue) {
      update_document.Bind(3, *change.tie.issue);
    } else {
      update_document.BindNull(3);
    }
    update_document.Bind(4, change.tie.authors).Bind(5, IdsText(change.tie.article_ids)).Run();
    if (change.title_changed)
      insert_text.Bind(1, change.id).Bind(2, change.tie.title).Bind(3, text).Run();
  }
}

// --- Searching ----------------------------------------------------------------------------

SearchResults FullTextIndex::Search(std::string_view query, std::size_t limit) {
  if (query.find_first_not_of(" \t\r\n") == std::string_view::npos)
    throw EQueryNotUnderstood("Type the words to search for.");
  Database& db = *db_;
  SearchResults results;
  const auto run = [&](Database::Statement& statement, const auto& on_row) {
    while (true) {
      const int rc = sqlite3_step(statement.Handle());
      if (rc == SQLITE_ROW) {
        on_row();
        continue;
      }
      sqlite3_reset(statement.Handle());
      if (rc == SQLITE_DONE) return;
      if (IsDamage(rc)) db.Fail(rc);
      std::string detail = sqlite3_errmsg(db.handle);
      if (detail.rfind("fts5: ", 0) == 0) detail.erase(0, 6);
      throw EQueryNotUnderstood(QueryMessage(detail));
    }
  };
  const auto count_all = [&] {
    Database::Statement count(db, "SELECT count(*) FROM texts WHERE texts MATCH ?1");
    count.Bind(1, query);
    run(count, [&] { results.total = static_cast<std::size_t>(count.Int(0)); });
  };
  if (limit == 0) {
    count_all();
    return results;
  }
  const std::string ranked =
      "SELECT rowid, rank, vantorel_hit(texts, 'documents', 'body') FROM texts WHERE texts MATCH ?1 AND rank MATCH "
      "'bm25(" + std::to_string(kTitleWeight) + ", 1.0)' ORDER BY rank LIMIT ?2";
  Database::Statement best(db, ranked.c_str());
  best.Bind(1, query).Bind(2, static_cast<std::int64_t>(limit));
  Database::Statement document(
      db, "SELECT d.member, d.kind, d.title, d.issue, d.authors, d.article_ids, s.root, s.path "
          "FROM documents d JOIN sources s ON s.id = d.source WHERE d.id = ?1");
  std::vector<std::pair<std::int64_t, Hit>> found;
  run(best, [&] {
    Hit hit;
    hit.score = -best.Real(1);
    const std::string described = best.Text(2);
    const std::size_t first = described.find(kHitFieldSeparator);
    const std::size_t second = described.find(kHitFieldSeparator, first + 1);
    std::from_chars(described.data(), described.data() + first, hit.page);
    hit.snippets[0] = described.substr(first + 1, second - first - 1);
    hit.snippets[1] = second == std::string::npos ? std::string() : described.substr(second + 1);
    found.emplace_back(best.Int(0), std::move(hit));
  });
  // The count costs a second pass over the matches only when the best limit are not all.
  results.total = found.size();
  if (found.size() >= limit) count_all();
  for (auto& [id, hit] : found) {
    if (!document.Bind(1, id).Step()) continue;
    hit.member = document.Text(0);
    hit.kind = static_cast<DocumentKind>(document.Int(1));
    hit.title = document.Text(2);
    if (!document.IsNull(3)) hit.issue = static_cast<std::int32_t>(document.Int(3));
    hit.authors = document.Text(4);
    hit.article_ids = IdsOf(document.Text(5));
    hit.root = static_cast<Root>(document.Int(6));
    hit.path = document.Text(7);
    document.Reset();
    if (hit.title.empty()) hit.title = LastComponent(hit.member.empty() ? hit.path : hit.member);
    if (hit.kind != DocumentKind::Pdf) hit.page = 0;
    results.hits.push_back(std::move(hit));
  }
  return results;
}

std::vector<Problem> FullTextIndex::Problems() {
  std::vector<Problem> problems;
  Database::Statement statement(
      *db_, "SELECT root, path, problem FROM sources WHERE problem IS NOT NULL ORDER BY root, path");
  while (statement.Step()) {
    const std::string shown = ShownPath(static_cast<Root>(statement.Int(0)), statement.Text(1));
    const std::string lines = statement.Text(2);
    std::string_view text = lines;
    while (!text.empty()) {
      const std::size_t end = text.find('\n');
      problems.push_back({shown, std::string(text.substr(0, end))});
      if (end == std::string_view::npos) break;
      text.remove_prefix(end + 1);
    }
  }
  return problems;
}

std::int64_t FullTextIndex::DocumentCount() { return db_->Pragma("SELECT count(*) FROM documents"); }

std::int64_t FullTextIndex::TextBytes() {
  return db_->Pragma("SELECT coalesce(sum(length(CAST(title AS BLOB)) + body_bytes), 0) "
                     "FROM documents");
}

}  // namespace vantorel::fulltext
