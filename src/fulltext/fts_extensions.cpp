#include "fulltext/fts_extensions.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace vantorel::fulltext {

namespace {

// Format notes: FTS5 numbers a document's tokens from 0 in the order the tokenizer emits
// them (colocated tokens, which this tokenizer never emits, share a number); xInst reports a
// phrase match by the number of its first token. The break token is one byte no tokenizer of
// words returns.
constexpr char kBreakToken[] = "\x01";
constexpr int kBodyColumn = 1;

// --- The page tokenizer -----------------------------------------------------------------

struct PageTokenizer {
  fts5_tokenizer inner{};            // the wrapped tokenizer's methods
  Fts5Tokenizer* instance = nullptr; // its instance
};

// Hands the wrapped tokenizer's tokens on with offsets into the whole text.
struct ForwardContext {
  void* context;
  int (*token)(void*, int, const char*, int, int, int);
  int offset;  // where the page's text starts in the whole text
};

int ForwardToken(void* context, int flags, const char* token, int length, int start, int end) {
  auto* forward = static_cast<ForwardContext*>(context);
  return forward->token(forward->context, flags, token, length, start + forward->offset,
                        end + forward->offset);
}

int CreatePageTokenizer(void* api_pointer, const char** arguments, int count,
                        Fts5Tokenizer** out) {
  auto* api = static_cast<fts5_api*>(api_pointer);
  const char* inner_name = count > 0 ? arguments[0] : "unicode61";
  auto* tokenizer = new PageTokenizer;
  void* inner_context = nullptr;
  int rc = api->xFindTokenizer(api, inner_name, &inner_context, &tokenizer->inner);
  if (rc == SQLITE_OK)
    rc = tokenizer->inner.xCreate(inner_context, count > 0 ? arguments + 1 : nullptr,
                                  count > 0 ? count - 1 : 0, &tokenizer->instance);
  if (rc != SQLITE_OK) {
    delete tokenizer;
    return rc;
  }
  *out = reinterpret_cast<Fts5Tokenizer*>(tokenizer);
  return SQLITE_OK;
}

void DeletePageTokenizer(Fts5Tokenizer* instance) {
  auto* tokenizer = reinterpret_cast<PageTokenizer*>(instance);
  if (tokenizer->instance != nullptr) tokenizer->inner.xDelete(tokenizer->instance);
  delete tokenizer;
}

int TokenizePages(Fts5Tokenizer* instance, void* context, int flags, const char* text,
                  int length, int (*token)(void*, int, const char*, int, int, int)) {
  auto* tokenizer = reinterpret_cast<PageTokenizer*>(instance);
  int start = 0;
  while (true) {
    int end = start;
    while (end < length && text[end] != kPageBreak) ++end;
    ForwardContext forward{context, token, start};
    int rc = tokenizer->inner.xTokenize(tokenizer->instance, &forward, flags, text + start,
                                        end - start, ForwardToken);
    if (rc != SQLITE_OK) return rc;
    if (end >= length) return SQLITE_OK;
    rc = token(context, 0, kBreakToken, 1, end, end + 1);
    if (rc != SQLITE_OK) return rc;
    start = end + 1;
  }
}

// --- vantorel_hit -----------------------------------------------------------------------

struct Instance {
  int first;  // number of its first token
  int size;   // tokens in the phrase
};

// A token of the body that a snippet may show.
struct SnippetToken {
  int number;
  int start, end;  // bytes of the body
  int page;
};

// The body's tokens from the first snippet's start up to the last token a snippet needs.
// The first snippet is anchored at the first found token; it ends kSnippetTokens tokens after
// its start or at the end of the anchor's page. The second is anchored at the first found
// token after the first snippet's last token.
struct Walk {
  const std::vector<Instance>* instances;
  int first_anchor = 0;   // the first snippet's anchor
  int from = 0;           // the first token kept
  int next = 0;           // number of the next token
  int page = 1;           // page of the next token
  int anchor_page = 0;    // page of the first anchor, 0 until it is met
  bool first_closed = false;
  int first_last = -1;    // the first snippet's last token
  int second_anchor = -1; // -1: none
  int stop_after = std::numeric_limits<int>::max();
  std::vector<SnippetToken> kept;
};

void CloseFirstSnippet(Walk& walk) {
  walk.first_closed = true;
  for (const SnippetToken& token : walk.kept)
    if (token.page == walk.anchor_page && token.number <= walk.first_anchor + kSnippetTokens - 1)
      walk.first_last = std::max(walk.first_last, token.number);
  for (const Instance& instance : *walk.instances)
    if (instance.first > walk.first_last) {
      walk.second_anchor = instance.first;
      break;
    }
  walk.stop_after = walk.second_anchor < 0 ? walk.next : walk.second_anchor + kSnippetTokens;
}

int WalkToken(void* context, int flags, const char* token, int length, int start, int end) {
  auto* walk = static_cast<Walk*>(context);
  if ((flags & FTS5_TOKEN_COLOCATED) != 0) return SQLITE_OK;
  const int number = walk->next++;
  const bool page_break = length == 1 && token[0] == kBreakToken[0];
  if (number == walk->first_anchor) walk->anchor_page = walk->page;
  if (!walk->first_closed && walk->anchor_page != 0 &&
      (number >= walk->first_anchor + kSnippetTokens || page_break))
    CloseFirstSnippet(*walk);
  if (page_break) {
    ++walk->page;
  } else if (number >= walk->from) {
    walk->kept.push_back({number, start, end, walk->page});
  }
  return number >= walk->stop_after ? SQLITE_DONE : SQLITE_OK;
}

bool Found(const std::vector<Instance>& instances, int number) {
  for (const Instance& instance : instances) {
    if (instance.first > number) break;
    if (number < instance.first + instance.size) return true;
  }
  return false;
}

bool HasText(const char* from, const char* to) {
  for (; from < to; ++from)
    if (static_cast<unsigned char>(*from) > ' ') return true;
  return false;
}

// The snippet of the kept tokens numbered first to last that lie on page.
std::string Snippet(const Walk& walk, int first, int last, int page,
                    const std::vector<Instance>& instances, const char* body, int body_length) {
  std::vector<const SnippetToken*> tokens;
  for (const SnippetToken& token : walk.kept)
    if (token.number >= first && token.number <= last && token.page == page)
      tokens.push_back(&token);
  if (tokens.empty()) return {};
  int page_start = tokens.front()->start;
  while (page_start > 0 && body[page_start - 1] != kPageBreak) --page_start;
  int page_end = tokens.back()->end;
  while (page_end < body_length && body[page_end] != kPageBreak) ++page_end;
  std::string text;
  if (HasText(body + page_start, body + tokens.front()->start)) text += kCut;
  int at = tokens.front()->start;
  for (const SnippetToken* token : tokens) {
    text.append(body + at, body + token->start);
    const bool bold = Found(instances, token->number);
    if (bold) text += kBoldOn;
    text.append(body + token->start, body + token->end);
    if (bold) text += kBoldOff;
    at = token->end;
  }
  if (HasText(body + at, body + page_end)) text += kCut;
  return text;
}

int PageOf(const Walk& walk, int number) {
  for (const SnippetToken& token : walk.kept)
    if (token.number == number) return token.page;
  return 1;
}

// A hit's body read from its deflated copy (vantorel_hit's second and third arguments) and
// inflated only as far as the snippets need. Kept across the rows of one query.
class BodyStream {
 public:
  ~BodyStream() {
    if (inflating_) inflateEnd(&zlib_);
    if (blob_ != nullptr) sqlite3_blob_close(blob_);
  }

  // Starts on the body of row; false when it cannot be read or is damaged (the hit then has
  // an empty body, as when the whole body does not inflate).
  bool Open(sqlite3* db, const char* table, const char* column, sqlite3_int64 row) {
    Reset();
    const int rc = blob_ == nullptr
                       ? sqlite3_blob_open(db, "main", table, column, row, 0, &blob_)
                       : sqlite3_blob_reopen(blob_, row);
    if (rc != SQLITE_OK) {
      if (blob_ != nullptr) sqlite3_blob_close(blob_);
      blob_ = nullptr;
      return false;
    }
    stored_ = sqlite3_blob_bytes(blob_);
    unsigned char header[4];
    if (stored_ < 4 || sqlite3_blob_read(blob_, header, 4, 0) != SQLITE_OK) return false;
    const std::uint32_t length = header[0] | header[1] << 8 | header[2] << 16 |
                                 static_cast<std::uint32_t>(header[3]) << 24;
    if (length > kMaxBodyBytes || length > static_cast<std::uint32_t>(INT32_MAX - 1))
      return false;
    length_ = static_cast<int>(length);
    read_ = 4;
    if (static_cast<std::size_t>(length_) + 1 > capacity_) {
      capacity_ = static_cast<std::size_t>(length_) + 1;
      text_ = std::make_unique_for_overwrite<char[]>(capacity_);
    }
    zlib_ = {};
    if (inflateInit(&zlib_) != Z_OK) return false;
    inflating_ = true;
    return true;
  }

  // Inflates up to kPiece more bytes; false when the body is damaged. Complete() tells when
  // the whole body is there.
  bool More() {
    if (!inflating_) return false;
    zlib_.next_out = reinterpret_cast<Bytef*>(text_.get() + inflated_);
    zlib_.avail_out = static_cast<uInt>(std::min(kPiece, length_ - inflated_));
    while (zlib_.avail_out > 0) {
      if (zlib_.avail_in == 0 && !Refill()) return false;
      const int rc = inflate(&zlib_, Z_NO_FLUSH);
      inflated_ = static_cast<int>(reinterpret_cast<char*>(zlib_.next_out) - text_.get());
      if (rc == Z_STREAM_END) return inflated_ == length_;
      if (rc != Z_OK) return false;
    }
    if (inflated_ == length_) {
      // The stream must end here, as a whole inflation would insist.
      unsigned char extra = 0;
      zlib_.next_out = &extra;
      zlib_.avail_out = 1;
      while (true) {
        if (zlib_.avail_in == 0 && !Refill()) return false;
        const int rc = inflate(&zlib_, Z_NO_FLUSH);
        if (zlib_.avail_out == 0) return false;
        if (rc == Z_STREAM_END) return true;
        if (rc != Z_OK) return false;
      }
    }
    return true;
  }

  const char* Text() const { return text_.get(); }
  int Inflated() const { return inflated_; }
  bool Complete() const { return inflated_ == length_; }

 private:
  static constexpr int kPiece = 16 * 1024;
  static constexpr std::uint32_t kMaxBodyBytes = 512u * 1024 * 1024;

  // Hands inflate the next piece of the stored body; false at its end or on a read error.
  bool Refill() {
    const int piece = std::min(kPiece, stored_ - read_);
    if (piece == 0 || sqlite3_blob_read(blob_, input_, piece, read_) != SQLITE_OK) return false;
    read_ += piece;
    zlib_.next_in = input_;
    zlib_.avail_in = static_cast<uInt>(piece);
    return true;
  }

  void Reset() {
    if (inflating_) inflateEnd(&zlib_);
    inflating_ = false;
    length_ = inflated_ = 0;
    stored_ = read_ = 0;
  }

  sqlite3_blob* blob_ = nullptr;
  int stored_ = 0;    // bytes of the deflated copy
  int read_ = 0;      // of them, read
  int length_ = 0;    // bytes of the body
  int inflated_ = 0;  // of them, inflated
  std::unique_ptr<char[]> text_;
  std::size_t capacity_ = 0;
  z_stream zlib_{};
  bool inflating_ = false;
  unsigned char input_[kPiece];
};

void DeleteBodyStream(void* stream) { delete static_cast<BodyStream*>(stream); }

// Hands the tokens of one page on to the walk with offsets into the whole body.
struct PageWalk {
  Walk* walk;
  int offset;
};

int WalkPageToken(void* context, int flags, const char* token, int length, int start, int end) {
  auto* page = static_cast<PageWalk*>(context);
  return WalkToken(page->walk, flags, token, length, start + page->offset, end + page->offset);
}

// Walks the body page by page as it inflates, the page-break token between pages, as the
// page tokenizer numbers them over the whole body; stops where the walk needs no more. Gives
// the body's bytes inflated (every page the walk kept a token of is whole), or -1 when the
// body is damaged (nothing is walked then).
int WalkStream(const Fts5ExtensionApi* api, Fts5Context* fts, BodyStream& body, Walk& walk,
               int& rc) {
  int page_start = 0;
  int scanned = 0;  // bytes after page_start known to hold no page break
  rc = SQLITE_OK;
  while (true) {
    const char* text = body.Text();
    int end = page_start + scanned;
    while (end < body.Inflated() && text[end] != kPageBreak) ++end;
    if (end == body.Inflated() && !body.Complete()) {
      scanned = end - page_start;
      if (!body.More()) return -1;
      continue;
    }
    PageWalk page{&walk, page_start};
    rc = api->xTokenize(fts, text + page_start, end - page_start, &page, WalkPageToken);
    if (rc != SQLITE_OK) return body.Inflated();
    if (end == body.Inflated()) return body.Inflated();  // the last page
    rc = WalkToken(&walk, 0, kBreakToken, 1, end, end + 1);
    if (rc != SQLITE_OK) return body.Inflated();
    page_start = end + 1;
    scanned = 0;
  }
}

void HitFunction(const Fts5ExtensionApi* api, Fts5Context* fts, sqlite3_context* result,
                 int argument_count, sqlite3_value** arguments) {
  int count = 0;
  if (api->xInstCount(fts, &count) != SQLITE_OK) {
    sqlite3_result_error_code(result, SQLITE_ERROR);
    return;
  }
  std::vector<Instance> instances;
  for (int i = 0; i < count; ++i) {
    int phrase = 0, column = 0, offset = 0;
    if (api->xInst(fts, i, &phrase, &column, &offset) != SQLITE_OK) continue;
    if (column == kBodyColumn) instances.push_back({offset, api->xPhraseSize(fts, phrase)});
  }
  std::sort(instances.begin(), instances.end(),
            [](const Instance& a, const Instance& b) { return a.first < b.first; });

  const char* body = nullptr;
  int body_length = 0;
  Walk walk;
  const auto start_walk = [&] {
    walk = Walk();
    walk.instances = &instances;
    walk.first_anchor = instances.empty() ? 0 : instances.front().first;
    walk.from = std::max(0, walk.first_anchor - kTokensBefore);
  };
  start_walk();
  int rc = SQLITE_OK;
  const char* table = nullptr;
  const char* column = nullptr;
  if (argument_count == 2) {
    table = reinterpret_cast<const char*>(sqlite3_value_text(arguments[0]));
    column = reinterpret_cast<const char*>(sqlite3_value_text(arguments[1]));
  }
  if (table != nullptr && column != nullptr) {
    auto* stream = static_cast<BodyStream*>(api->xGetAuxdata(fts, 0));
    if (stream == nullptr) {
      stream = new BodyStream;
      if (api->xSetAuxdata(fts, stream, DeleteBodyStream) != SQLITE_OK) {
        sqlite3_result_error_nomem(result);
        return;
      }
    }
    body_length = stream->Open(sqlite3_context_db_handle(result), table, column,
                               api->xRowid(fts))
                      ? WalkStream(api, fts, *stream, walk, rc)
                      : -1;
    body = stream->Text();
    if (body_length < 0) {  // damaged: an empty body
      body = "";
      body_length = 0;
      start_walk();
      rc = api->xTokenize(fts, body, 0, &walk, WalkToken);
    }
  } else {
    if (api->xColumnText(fts, kBodyColumn, &body, &body_length) != SQLITE_OK ||
        body == nullptr) {
      body = "";
      body_length = 0;
    }
    rc = api->xTokenize(fts, body, body_length, &walk, WalkToken);
  }
  if (rc != SQLITE_OK && rc != SQLITE_DONE) {
    sqlite3_result_error_code(result, rc);
    return;
  }
  if (!walk.first_closed && walk.anchor_page != 0) CloseFirstSnippet(walk);
  const int page = walk.anchor_page == 0 ? 1 : walk.anchor_page;
  std::string text = std::to_string(page);
  text += kHitFieldSeparator;
  text += Snippet(walk, walk.from, walk.first_last, page, instances, body, body_length);
  text += kHitFieldSeparator;
  if (walk.second_anchor >= 0) {
    const int from = std::max(walk.first_last + 1, walk.second_anchor - kTokensBefore);
    text += Snippet(walk, from, from + kSnippetTokens - 1, PageOf(walk, walk.second_anchor),
                    instances, body, body_length);
  }
  sqlite3_result_text(result, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

fts5_api* Fts5Api(sqlite3* db) {
  fts5_api* api = nullptr;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &statement, nullptr) != SQLITE_OK)
    return nullptr;
  sqlite3_bind_pointer(statement, 1, &api, "fts5_api_ptr", nullptr);
  sqlite3_step(statement);
  sqlite3_finalize(statement);
  return api;
}

}  // namespace

int RegisterFtsExtensions(sqlite3* db) {
  fts5_api* api = Fts5Api(db);
  if (api == nullptr) return SQLITE_ERROR;
  fts5_tokenizer tokenizer{CreatePageTokenizer, DeletePageTokenizer, TokenizePages};
  int rc = api->xCreateTokenizer(api, "vantorel_pages", api, &tokenizer, nullptr);
  if (rc != SQLITE_OK) return rc;
  return api->xCreateFunction(api, "vantorel_hit", nullptr, HitFunction, nullptr);
}

}  // namespace vantorel::fulltext
