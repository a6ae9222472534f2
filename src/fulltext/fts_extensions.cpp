#include "fulltext/fts_extensions.h"

#include <algorithm>
#include <limits>
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

void HitFunction(const Fts5ExtensionApi* api, Fts5Context* fts, sqlite3_context* result, int,
                 sqlite3_value**) {
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
  if (api->xColumnText(fts, kBodyColumn, &body, &body_length) != SQLITE_OK || body == nullptr) {
    body = "";
    body_length = 0;
  }
  Walk walk;
  walk.instances = &instances;
  walk.first_anchor = instances.empty() ? 0 : instances.front().first;
  walk.from = std::max(0, walk.first_anchor - kTokensBefore);
  const int rc = api->xTokenize(fts, body, body_length, &walk, WalkToken);
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
