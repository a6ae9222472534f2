#include "fulltext/fts_extensions.h"

#include <algorithm>
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

// The tokens of the body up to the last one a snippet needs.
struct Walk {
  int next = 0;       // number of the next token
  int page = 1;       // page of the next token
  int stop_after;     // the last token number needed
  std::vector<std::pair<int, int>> windows;  // token ranges [first, last] of the snippets
  std::vector<SnippetToken> kept;            // tokens inside the windows
  std::vector<int> page_of_window_anchor;    // the page of each window's anchor token
  std::vector<int> anchors;                  // the anchor token of each window
};

int WalkToken(void* context, int flags, const char* token, int length, int start, int end) {
  auto* walk = static_cast<Walk*>(context);
  if ((flags & FTS5_TOKEN_COLOCATED) != 0) return SQLITE_OK;
  const int number = walk->next++;
  if (length == 1 && token[0] == kBreakToken[0]) {
    ++walk->page;
  } else {
    for (std::size_t w = 0; w < walk->windows.size(); ++w) {
      if (walk->anchors[w] == number) walk->page_of_window_anchor[w] = walk->page;
      if (number >= walk->windows[w].first && number <= walk->windows[w].second) {
        walk->kept.push_back({number, start, end, walk->page});
        break;
      }
    }
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

// One snippet: the kept tokens of window w that lie on its anchor's page.
std::string Snippet(const Walk& walk, std::size_t w, const std::vector<Instance>& instances,
                    const char* body, int body_length) {
  const int page = walk.page_of_window_anchor[w];
  std::vector<const SnippetToken*> tokens;
  for (const SnippetToken& token : walk.kept)
    if (token.number >= walk.windows[w].first && token.number <= walk.windows[w].second &&
        token.page == page)
      tokens.push_back(&token);
  if (tokens.empty()) return {};
  std::string text;
  // Text before the first token on the same page is left out.
  int page_start = tokens.front()->start;
  while (page_start > 0 && body[page_start - 1] != kPageBreak) --page_start;
  bool before = false;
  for (int i = page_start; i < tokens.front()->start; ++i)
    if (static_cast<unsigned char>(body[i]) > ' ') before = true;
  if (before && tokens.front()->number > 0) text += kCut;
  int at = tokens.front()->start;
  for (const SnippetToken* token : tokens) {
    text.append(body + at, body + token->start);
    const bool bold = Found(instances, token->number);
    if (bold) text += kBoldOn;
    text.append(body + token->start, body + token->end);
    if (bold) text += kBoldOff;
    at = token->end;
  }
  int page_end = at;
  while (page_end < body_length && body[page_end] != kPageBreak) ++page_end;
  for (int i = at; i < page_end; ++i)
    if (static_cast<unsigned char>(body[i]) > ' ') {
      text += kCut;
      break;
    }
  return text;
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
  const int first = instances.empty() ? 0 : instances.front().first;
  walk.anchors.push_back(first);
  walk.windows.emplace_back(std::max(0, first - kTokensBefore),
                            std::max(0, first - kTokensBefore) + kSnippetTokens - 1);
  for (const Instance& instance : instances)
    if (instance.first > walk.windows.front().second) {
      walk.anchors.push_back(instance.first);
      const int from = std::max(walk.windows.front().second + 1, instance.first - kTokensBefore);
      walk.windows.emplace_back(from, from + kSnippetTokens - 1);
      break;
    }
  walk.page_of_window_anchor.assign(walk.windows.size(), 0);
  walk.stop_after = walk.windows.back().second;
  const int rc = api->xTokenize(fts, body, body_length, &walk, WalkToken);
  if (rc != SQLITE_OK && rc != SQLITE_DONE) {
    sqlite3_result_error_code(result, rc);
    return;
  }
  for (int& page : walk.page_of_window_anchor)
    if (page == 0) page = 1;
  std::string text = std::to_string(instances.empty() ? 1 : walk.page_of_window_anchor[0]);
  for (std::size_t w = 0; w < 2; ++w) {
    text += kHitFieldSeparator;
    if (w < walk.windows.size()) text += Snippet(walk, w, instances, body, body_length);
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
