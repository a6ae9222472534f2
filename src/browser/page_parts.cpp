#include "browser/page_parts.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <functional>

#include "core/texts.h"

namespace vantorel::browser {
namespace {

// The page's head is read again before every part up to this length; a longer head (a
// hostile page) gives way to its BODY tag alone.
constexpr std::size_t kMaxHeadPrologue = 64 << 10;
// Text styles and lists restored before a part, the innermost kept; a page leaves more open
// only when it is damaged, and the normaliser bounds such nesting anyway.
constexpr std::size_t kMaxOpenStyles = 64;
constexpr std::size_t kMaxOpenLists = 32;
// A quoted attribute value is followed to its closing quote this far; a quote left open
// further is read as a plain character.
constexpr std::size_t kMaxQuotedValue = 64 << 10;

bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// Inline for the split's per-character loops.
char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsAlphaAscii(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAlnumAscii(unsigned char c) { return IsAlphaAscii(c) || (c >= '0' && c <= '9'); }

// Letter case folded as find folds it in code page 1252: A-Z, the accented capitals
// C0-DE (but the multiplication sign D7), and S, OE, Z and Y with their marks.
constexpr std::array<unsigned char, 256> kFolded = [] {
  std::array<unsigned char, 256> table{};
  for (int c = 0; c < 256; ++c) table[c] = static_cast<unsigned char>(c);
  for (int c = 'A'; c <= 'Z'; ++c) table[c] = static_cast<unsigned char>(c + 32);
  for (int c = 0xC0; c <= 0xDE; ++c) {
    if (c != 0xD7) table[c] = static_cast<unsigned char>(c + 32);
  }
  table[0x8A] = 0x9A;
  table[0x8C] = 0x9C;
  table[0x8E] = 0x9E;
  table[0x9F] = 0xFF;
  return table;
}();

// How the text loop sees a byte: part of a word, a blank between words (no-break space
// too), or the start of markup or of an entity.
enum : unsigned char { kWordByte = 0, kBlankByte = 1, kMarkupByte = 2 };
constexpr std::array<unsigned char, 256> kTextClass = [] {
  std::array<unsigned char, 256> table{};
  for (unsigned char c : {' ', '\t', '\n', '\r', '\f'}) table[c] = kBlankByte;
  table[0xA0] = kBlankByte;
  table['<'] = kMarkupByte;
  table['&'] = kMarkupByte;
  return table;
}();

// What the split needs to know of an element, by its name.
enum TagFlag : unsigned {
  kTextStyle = 1u << 0,   // FONT, B, I...: restored before a part outside tables
  kList = 1u << 1,        // UL, OL...: reopened before a part
  kBlock = 1u << 2,       // a part may start before it outside any table
  kRawText = 1u << 3,     // content is not markup; its end tag ends it
  kHiddenText = 1u << 4,  // content the page does not show
  kBlankAfter = 1u << 5,  // its text starts a new word
  kHeadOnly = 1u << 6,    // may stand before the body without starting it
  kListItem = 1u << 7,    // LI, DT, DD
};

// The elements the split tells apart; every other name is kOther.
enum class TagId : unsigned char {
  kOther, kA, kBody, kBaseFont, kTable, kTr, kPre, kPlainText, kNamed
};

struct TagName {
  std::string_view name;
  TagId id;
  unsigned flags;
};

constexpr unsigned kStyleFlags = kTextStyle;
constexpr TagName kTagNames[] = {
    {"font", TagId::kNamed, kStyleFlags},        {"b", TagId::kNamed, kStyleFlags},
    {"strong", TagId::kNamed, kStyleFlags},      {"i", TagId::kNamed, kStyleFlags},
    {"em", TagId::kNamed, kStyleFlags},          {"u", TagId::kNamed, kStyleFlags},
    {"s", TagId::kNamed, kStyleFlags},           {"strike", TagId::kNamed, kStyleFlags},
    {"big", TagId::kNamed, kStyleFlags},         {"small", TagId::kNamed, kStyleFlags},
    {"tt", TagId::kNamed, kStyleFlags},          {"code", TagId::kNamed, kStyleFlags},
    {"sub", TagId::kNamed, kStyleFlags},         {"sup", TagId::kNamed, kStyleFlags},
    {"kbd", TagId::kNamed, kStyleFlags},         {"samp", TagId::kNamed, kStyleFlags},
    {"var", TagId::kNamed, kStyleFlags},         {"cite", TagId::kNamed, kStyleFlags},
    {"dfn", TagId::kNamed, kStyleFlags},         {"ins", TagId::kNamed, kStyleFlags},
    {"del", TagId::kNamed, kStyleFlags},         {"center", TagId::kNamed, kStyleFlags | kBlock},
    {"ul", TagId::kNamed, kList | kBlock},       {"ol", TagId::kNamed, kList | kBlock},
    {"dl", TagId::kNamed, kList | kBlock},       {"dir", TagId::kNamed, kList | kBlock},
    {"menu", TagId::kNamed, kList | kBlock},     {"p", TagId::kNamed, kBlock | kBlankAfter},
    {"table", TagId::kTable, kBlock},            {"hr", TagId::kNamed, kBlock},
    {"h1", TagId::kNamed, kBlock},               {"h2", TagId::kNamed, kBlock},
    {"h3", TagId::kNamed, kBlock},               {"h4", TagId::kNamed, kBlock},
    {"h5", TagId::kNamed, kBlock},               {"h6", TagId::kNamed, kBlock},
    {"div", TagId::kNamed, kBlock},              {"blockquote", TagId::kNamed, kBlock},
    {"form", TagId::kNamed, kBlock},             {"address", TagId::kNamed, kBlock},
    {"pre", TagId::kPre, kBlock},                {"listing", TagId::kPre, 0},
    {"script", TagId::kNamed, kRawText | kHiddenText | kHeadOnly},
    {"style", TagId::kNamed, kRawText | kHiddenText | kHeadOnly},
    {"title", TagId::kNamed, kRawText | kHiddenText | kHeadOnly},
    {"textarea", TagId::kNamed, kRawText | kHiddenText | kHeadOnly},
    {"xmp", TagId::kNamed, kRawText | kHeadOnly},
    {"br", TagId::kNamed, kBlankAfter},          {"td", TagId::kNamed, kBlankAfter},
    {"th", TagId::kNamed, kBlankAfter},          {"li", TagId::kNamed, kBlankAfter | kListItem},
    {"dt", TagId::kNamed, kListItem},            {"dd", TagId::kNamed, kListItem},
    {"html", TagId::kNamed, kHeadOnly},          {"head", TagId::kNamed, kHeadOnly},
    {"meta", TagId::kNamed, kHeadOnly},          {"link", TagId::kNamed, kHeadOnly},
    {"base", TagId::kNamed, kHeadOnly},          {"a", TagId::kA, 0},
    {"body", TagId::kBody, 0},                   {"basefont", TagId::kBaseFont, 0},
    {"tr", TagId::kTr, 0},                       {"plaintext", TagId::kPlainText, 0},
};
constexpr std::size_t kLongestTagName = 10;  // "blockquote"
static_assert(std::size(kTagNames) < 255);

// kTagNames by the first letter of the name, as index + 1 (0 ends a letter's list).
struct TagNameIndex {
  std::array<std::array<unsigned char, 12>, 26> by_letter{};
};
constexpr TagNameIndex kTagNameIndex = [] {
  TagNameIndex index{};
  for (std::size_t i = 0; i < std::size(kTagNames); ++i) {
    auto& letter = index.by_letter[static_cast<std::size_t>(kTagNames[i].name[0] - 'a')];
    std::size_t slot = 0;
    while (letter[slot] != 0) ++slot;
    letter[slot] = static_cast<unsigned char>(i + 1);  // a letter with more than 11 names fails to compile
  }
  return index;
}();

// The entry of kTagNames for a lower-case name; 0 when it is none of them, else index + 1.
unsigned char TagNameNumber(std::string_view lower) {
  for (unsigned char number : kTagNameIndex.by_letter[static_cast<std::size_t>(lower[0] - 'a')]) {
    if (number == 0) break;
    if (kTagNames[number - 1].name == lower) return number;
  }
  return 0;
}

// A tag as the split reads it.
struct Tag {
  bool end_tag = false;
  unsigned char number = 0;  // of the name in kTagNames, 0 for any other name
  std::size_t start = 0;     // its "<"
  std::size_t stop = 0;      // one past its ">" (the page's end when it has none)

  TagId Id() const { return number == 0 ? TagId::kOther : kTagNames[number - 1].id; }
  unsigned Flags() const { return number == 0 ? 0 : kTagNames[number - 1].flags; }
  bool Has(unsigned flag) const { return (Flags() & flag) != 0; }
};

// Bytes the scan of a tag's attributes stops at.
constexpr std::array<bool, 256> kTagStop = [] {
  std::array<bool, 256> table{};
  table['>'] = table['"'] = table['\''] = table['='] = true;
  return table;
}();

// Reads the tag whose "<" stands at at; false when "<" starts no tag (it is then text).
bool ReadTag(std::string_view bytes, std::size_t at, Tag& tag) {
  const std::size_t size = bytes.size();
  std::size_t i = at + 1;
  tag.end_tag = i < size && bytes[i] == '/';
  if (tag.end_tag) ++i;
  if (i >= size || !IsAlphaAscii(static_cast<unsigned char>(bytes[i]))) return false;
  const std::size_t name_start = i;
  while (i < size && IsAlnumAscii(static_cast<unsigned char>(bytes[i]))) ++i;
  tag.number = 0;
  if (i - name_start <= kLongestTagName) {
    char lower[kLongestTagName];
    for (std::size_t k = name_start; k < i; ++k) lower[k - name_start] = LowerAscii(bytes[k]);
    tag.number = TagNameNumber(std::string_view(lower, i - name_start));
  }
  tag.start = at;
  // A quote opens a value only after "=" (blanks between); ">" inside it does not end the tag.
  while (i < size) {
    while (i < size && !kTagStop[static_cast<unsigned char>(bytes[i])]) ++i;
    if (i >= size) break;
    const char c = bytes[i];
    if (c == '>') {
      tag.stop = i + 1;
      return true;
    }
    if (c != '=') {
      ++i;  // a quote not after "="
      continue;
    }
    ++i;
    while (i < size && IsBlank(static_cast<unsigned char>(bytes[i]))) ++i;
    if (i < size && (bytes[i] == '"' || bytes[i] == '\'')) {
      const std::size_t close = bytes.substr(i + 1, kMaxQuotedValue).find(bytes[i]);
      i += close != std::string_view::npos ? close + 2 : 1;
    }
  }
  tag.stop = size;
  return true;
}

// The value of attribute name in the tag's text; empty when it has none.
std::string AttributeOf(std::string_view tag_text, std::string_view name) {
  std::size_t i = 1;
  while (i < tag_text.size() && std::isalnum(static_cast<unsigned char>(tag_text[i]))) ++i;
  while (i < tag_text.size()) {
    while (i < tag_text.size() && (IsBlank(tag_text[i]) || tag_text[i] == '/')) ++i;
    const std::size_t name_start = i;
    while (i < tag_text.size() && !IsBlank(tag_text[i]) && tag_text[i] != '=' && tag_text[i] != '>') ++i;
    const std::string_view attribute = tag_text.substr(name_start, i - name_start);
    if (attribute.empty()) return {};
    while (i < tag_text.size() && IsBlank(tag_text[i])) ++i;
    std::string_view value;
    if (i < tag_text.size() && tag_text[i] == '=') {
      ++i;
      while (i < tag_text.size() && IsBlank(tag_text[i])) ++i;
      if (i < tag_text.size() && (tag_text[i] == '"' || tag_text[i] == '\'')) {
        const char quote = tag_text[i++];
        const std::size_t close = std::min(tag_text.find(quote, i), tag_text.size());
        value = tag_text.substr(i, close - i);
        i = close + 1;
      } else {
        const std::size_t start = i;
        while (i < tag_text.size() && !IsBlank(tag_text[i]) && tag_text[i] != '>') ++i;
        value = tag_text.substr(start, i - start);
      }
    }
    if (core::SameTextNoCase(attribute, name)) return std::string(value);
  }
  return {};
}

// The character an entity names (the common ones); 0 when it names none of them.
unsigned char EntityCharacter(std::string_view name) {
  if (name.empty()) return 0;
  if (name[0] == '#') {
    unsigned long code = 0;
    const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 6) return 0;
    for (char c : digits) {
      const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                        : hex && std::isxdigit(static_cast<unsigned char>(c)) ? LowerAscii(c) - 'a' + 10
                                                                               : -1;
      if (digit < 0) return 0;
      code = code * (hex ? 16 : 10) + static_cast<unsigned long>(digit);
    }
    return code > 0 && code < 256 ? static_cast<unsigned char>(code) : 0;
  }
  static constexpr std::pair<std::string_view, unsigned char> kNamed[] = {
      {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"nbsp", 0xA0}, {"copy", 0xA9}, {"reg", 0xAE}};
  for (const auto& [entity, character] : kNamed) {
    if (name == entity) return character;
  }
  return 0;
}

class Splitter {
 public:
  Splitter(std::string_view bytes, std::size_t part_bytes, const std::function<bool(ScannedPart)>& each)
      : bytes_(bytes), part_bytes_(std::max<std::size_t>(1, part_bytes)), each_(each) {}

  void Run() {
    std::size_t at = 0;
    Tag tag;
    while (at < bytes_.size()) {
      const char c = bytes_[at];
      if (c == '<' && bytes_.substr(at, 4) == "<!--") {
        const std::size_t close = bytes_.find("-->", at + 4);
        at = close == std::string_view::npos ? bytes_.size() : close + 3;
        continue;
      }
      if (c == '<' && ReadTag(bytes_, at, tag)) {
        if (!tag.end_tag && !SplitBefore(tag)) return;
        at = Enter(tag);
        continue;
      }
      if (c != '<' && c != '&') {
        // Up to where a stretch without tags may end the part, no byte of text does.
        const std::size_t fast_end =
            in_body_ ? std::min(bytes_.size(), current_.part.begin + kPartStretch * part_bytes_) : bytes_.size();
        if (at < fast_end) {
          at = AddTextRun(at, fast_end);
          continue;
        }
      }
      if (!SplitInText(at)) return;
      if (c == '&') {
        at = ReadEntity(at);
        continue;
      }
      AddText(static_cast<unsigned char>(c));
      ++at;
    }
    current_.part.end = bytes_.size();
    each_(std::move(current_));
  }

 private:
  // A stretch of the page, by its offsets.
  struct Span {
    unsigned char number = 0;  // the tag's name in kTagNames
    std::size_t begin = 0;
    std::size_t end = 0;
  };

  std::size_t PartLength(std::size_t at) const { return at - current_.part.begin; }
  std::string_view Text(const Span& span) const { return bytes_.substr(span.begin, span.end - span.begin); }

  // Starts a new part at at when the part has grown long enough for the kind of boundary tag
  // stands at, else breaks a long table before its row (kTablePieceBytes). False once the
  // caller stops the split.
  bool SplitBefore(const Tag& tag) {
    if (!in_body_) return true;
    if (pre_depth_ == 0 && table_depth_ == 1 && tag.Id() == TagId::kTr && PartLength(tag.start) > 0 &&
        tag.start - std::max(table_piece_start_, current_.part.begin) >= kTablePieceBytes &&
        PartLength(tag.start) < part_bytes_) {
      current_.part.table_breaks.emplace_back(tag.start, std::string(Text(table_)));
      table_piece_start_ = tag.start;
    }
    if (PartLength(tag.start) < part_bytes_) return true;
    const bool boundary = pre_depth_ == 0 &&
                          ((table_depth_ == 0 && (tag.Has(kBlock) || (!lists_.empty() && tag.Has(kListItem)))) ||
                           (table_depth_ == 1 && tag.Id() == TagId::kTr));
    if (!boundary && PartLength(tag.start) < kPartStretch * part_bytes_) return true;
    return StartPart(tag.start);
  }

  // A stretch without tags ends at a blank, or anywhere once it is twice as long.
  bool SplitInText(std::size_t at) {
    if (!in_body_ || PartLength(at) < kPartStretch * part_bytes_) return true;
    if (!IsBlank(static_cast<unsigned char>(bytes_[at])) && PartLength(at) < 2 * kPartStretch * part_bytes_) {
      return true;
    }
    return StartPart(at);
  }

  bool StartPart(std::size_t at) {
    current_.part.end = at;
    if (!each_(std::move(current_))) {
      stopped_ = true;
      return false;
    }
    current_ = ScannedPart{};
    current_.part.begin = at;
    current_.part.prologue = Prologue();
    blank_pending_ = false;
    return true;
  }

  std::string Prologue() const {
    std::string prologue = body_start_.empty() ? std::string("<HTML><BODY>") : body_start_;
    prologue += Text(basefont_);
    for (const Span& style : styles_) prologue += Text(style);
    if (table_depth_ == 0) {
      for (const Span& list : lists_) prologue += Text(list);
    }
    if (table_depth_ >= 1) prologue += Text(table_);
    return prologue;
  }

  // Takes in tag and what it opens; returns the offset after it (after a raw-text element's
  // end tag for such an element).
  std::size_t Enter(const Tag& tag) {
    const Span span{tag.number, tag.start, tag.stop};
    const TagId id = tag.Id();
    if (tag.end_tag) {
      Leave(tag);
      return tag.stop;
    }
    if (id == TagId::kBody) {
      if (body_start_.empty()) {
        body_start_ = tag.stop <= kMaxHeadPrologue ? std::string(bytes_.substr(0, tag.stop))
                                                   : "<HTML>" + std::string(Text(span));
      }
      in_body_ = true;
      return tag.stop;
    }
    if (!tag.Has(kHeadOnly)) in_body_ = true;
    if (id == TagId::kA) {
      const std::string_view text = Text(span);
      std::string anchor = AttributeOf(text, "name");
      if (anchor.empty()) anchor = AttributeOf(text, "id");
      if (!anchor.empty()) current_.anchors.push_back(std::move(anchor));
    } else if (id == TagId::kBaseFont) {
      basefont_ = span;
    } else if (id == TagId::kTable) {
      if (table_depth_ == 0) {
        table_ = span;
        table_piece_start_ = tag.start;
      }
      ++table_depth_;
    } else if (id == TagId::kPre) {
      ++pre_depth_;
    } else if (id == TagId::kPlainText) {
      return bytes_.size();
    } else if (table_depth_ == 0 && tag.Has(kTextStyle)) {
      if (styles_.size() == kMaxOpenStyles) styles_.erase(styles_.begin());
      styles_.push_back(span);
    } else if (table_depth_ == 0 && tag.Has(kList)) {
      if (lists_.size() == kMaxOpenLists) lists_.erase(lists_.begin());
      lists_.push_back(span);
    }
    if (tag.Has(kBlankAfter)) blank_pending_ = true;
    if (tag.Has(kRawText)) return SkipRawText(tag);
    return tag.stop;
  }

  void Leave(const Tag& tag) {
    auto close_nearest = [&tag](std::vector<Span>& open) {
      for (auto it = open.rbegin(); it != open.rend(); ++it) {
        if (it->number == tag.number) {
          open.erase(std::next(it).base());
          return;
        }
      }
    };
    const TagId id = tag.Id();
    if (id == TagId::kTable) {
      if (table_depth_ > 0 && --table_depth_ == 0) table_ = {};
    } else if (id == TagId::kPre) {
      if (pre_depth_ > 0) --pre_depth_;
    } else if (table_depth_ == 0 && tag.Has(kTextStyle)) {
      close_nearest(styles_);
    } else if (table_depth_ == 0 && tag.Has(kList)) {
      close_nearest(lists_);
    }
  }

  // The content of a raw-text element up to its end tag (the page's end when it has none);
  // its text counts only when the page shows it.
  std::size_t SkipRawText(const Tag& tag) {
    std::size_t at = tag.stop;
    Tag end;
    for (std::size_t close = bytes_.find("</", at); close != std::string_view::npos;
         close = bytes_.find("</", close + 2)) {
      if (ReadTag(bytes_, close, end) && end.number == tag.number) {
        if (!tag.Has(kHiddenText)) {
          for (std::size_t i = at; i < close; ++i) AddText(static_cast<unsigned char>(bytes_[i]));
        }
        return end.stop;
      }
    }
    if (!tag.Has(kHiddenText)) {
      for (std::size_t i = at; i < bytes_.size(); ++i) AddText(static_cast<unsigned char>(bytes_[i]));
    }
    return bytes_.size();
  }

  std::size_t ReadEntity(std::size_t at) {
    std::size_t end = at + 1;
    while (end < bytes_.size() && end - at <= 10 && std::isalnum(static_cast<unsigned char>(bytes_[end]))) ++end;
    if (end < bytes_.size() && end - at <= 10 && bytes_[at + 1] == '#') {
      end = at + 2;
      while (end < bytes_.size() && end - at <= 10 && std::isalnum(static_cast<unsigned char>(bytes_[end]))) ++end;
    }
    const unsigned char character = EntityCharacter(bytes_.substr(at + 1, end - at - 1));
    if (character == 0) {
      AddText('&');
      return at + 1;
    }
    AddText(character);
    return end < bytes_.size() && bytes_[end] == ';' ? end + 1 : end;
  }

  // The text for find: blanks (and no-break spaces) as one blank between words.
  void AddText(unsigned char c) {
    if (IsBlank(c) || c == 0xA0) {
      blank_pending_ = true;
      return;
    }
    if (blank_pending_ && !current_.text.empty()) current_.text += ' ';
    blank_pending_ = false;
    current_.text += static_cast<char>(c);
  }

  // AddText for every byte from at up to the next markup or entity, at most to end; returns
  // where it stopped.
  std::size_t AddTextRun(std::size_t at, std::size_t end) {
    const char* const data = bytes_.data();
    while (at < end) {
      const unsigned char kind = kTextClass[static_cast<unsigned char>(data[at])];
      if (kind == kMarkupByte) break;
      if (kind == kBlankByte) {
        blank_pending_ = true;
        ++at;
        continue;
      }
      const std::size_t word = at;
      while (at < end && kTextClass[static_cast<unsigned char>(data[at])] == kWordByte) ++at;
      if (blank_pending_ && !current_.text.empty()) current_.text += ' ';
      blank_pending_ = false;
      current_.text.append(data + word, at - word);
    }
    return at;
  }

  std::string_view bytes_;
  std::size_t part_bytes_;
  const std::function<bool(ScannedPart)>& each_;
  ScannedPart current_;           // the part being read
  bool stopped_ = false;          // each asked to stop
  bool in_body_ = false;          // the page's body has begun
  bool blank_pending_ = false;    // a blank goes before the next character of text
  std::string body_start_;        // the page up to its BODY tag, read before every part
  Span basefont_;                 // the last BASEFONT tag
  std::vector<Span> styles_;      // open text styles outside tables
  std::vector<Span> lists_;       // open lists outside tables
  Span table_;                    // the open table outside any other table: its start tag
  std::size_t table_piece_start_ = 0;  // where its piece began (see kTablePieceBytes)
  int table_depth_ = 0;           // tables open
  int pre_depth_ = 0;             // PRE and LISTING elements open
};

}  // namespace

void SplitPage(std::string_view bytes, std::size_t part_bytes, const std::function<bool(ScannedPart)>& each) {
  Splitter(bytes, part_bytes, each).Run();
}

std::string PartMarkup(std::string_view page, const PagePart& part) {
  std::string markup = part.prologue;
  std::size_t at = part.begin;
  for (const auto& [offset, table] : part.table_breaks) {
    markup.append(page.substr(at, offset - at));
    markup += "</TABLE>";
    markup += table;
    at = offset;
  }
  markup.append(page.substr(at, part.end - at));
  return markup;
}

std::string FindableText(std::string_view text, bool match_case) {
  std::string findable;
  bool blank = false;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsBlank(byte) || byte == 0xA0) {
      blank = true;
      continue;
    }
    if (blank && !findable.empty()) findable += ' ';
    blank = false;
    findable += static_cast<char>(match_case ? byte : kFolded[byte]);
  }
  if (blank) findable += ' ';
  return findable;
}

std::size_t FindInPartText(std::string_view text, std::string_view pattern, bool match_case, std::size_t from) {
  if (pattern.empty() || from > text.size()) return std::string_view::npos;
  // Boyer-Moore-Horspool on bytes, folded unless match_case: a table lookup a step, where the
  // standard searcher with a folding hash looks each step up in a hash map.
  const auto fold = [match_case](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return match_case ? byte : kFolded[byte];
  };
  const std::size_t last = pattern.size() - 1;
  std::array<std::size_t, 256> skip;
  skip.fill(pattern.size());
  for (std::size_t i = 0; i < last; ++i) skip[fold(pattern[i])] = last - i;
  const unsigned char final_byte = fold(pattern[last]);
  for (std::size_t at = from; at + last < text.size(); at += skip[fold(text[at + last])]) {
    if (fold(text[at + last]) != final_byte) continue;
    std::size_t i = 0;
    while (i < last && fold(text[at + i]) == fold(pattern[i])) ++i;
    if (i == last) return at;
  }
  return std::string_view::npos;
}

}  // namespace vantorel::browser
