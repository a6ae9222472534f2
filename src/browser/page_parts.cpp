#include "browser/page_parts.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <functional>

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

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

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

bool SameNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

// A tag as the split reads it.
struct Tag {
  bool end_tag = false;
  std::string name;        // lower case
  std::size_t start = 0;   // its "<"
  std::size_t stop = 0;    // one past its ">" (the page's end when it has none)
};

// Reads the tag whose "<" stands at at; false when "<" starts no tag (it is then text).
bool ReadTag(std::string_view bytes, std::size_t at, Tag& tag) {
  std::size_t i = at + 1;
  tag.end_tag = i < bytes.size() && bytes[i] == '/';
  if (tag.end_tag) ++i;
  if (i >= bytes.size() || !std::isalpha(static_cast<unsigned char>(bytes[i]))) return false;
  tag.name.clear();
  while (i < bytes.size() && std::isalnum(static_cast<unsigned char>(bytes[i]))) tag.name += LowerAscii(bytes[i++]);
  tag.start = at;
  bool after_equals = false;
  for (; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '>') {
      tag.stop = i + 1;
      return true;
    }
    if ((c == '"' || c == '\'') && after_equals) {
      const std::size_t close = bytes.substr(i + 1, kMaxQuotedValue).find(c);
      if (close != std::string_view::npos) i += close + 1;
      after_equals = false;
      continue;
    }
    if (c == '=') {
      after_equals = true;
    } else if (!IsBlank(static_cast<unsigned char>(c))) {
      after_equals = false;
    }
  }
  tag.stop = bytes.size();
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
    std::string value;
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
    if (SameNoCase(attribute, name)) return value;
  }
  return {};
}

bool IsTextStyle(std::string_view name) {
  static constexpr std::string_view kStyles[] = {"font", "b",   "strong", "i",   "em",  "u",   "s",
                                                 "strike", "big", "small", "tt", "code", "sub", "sup",
                                                 "kbd", "samp", "var", "cite", "dfn", "ins", "del", "center"};
  return std::find(std::begin(kStyles), std::end(kStyles), name) != std::end(kStyles);
}

bool IsList(std::string_view name) {
  return name == "ul" || name == "ol" || name == "dl" || name == "dir" || name == "menu";
}

// Elements before which a part may start outside any table.
bool StartsBlock(std::string_view name) {
  static constexpr std::string_view kBlocks[] = {"p",  "table", "hr", "h1", "h2", "h3", "h4", "h5", "h6",
                                                 "div", "ul", "ol", "dl", "dir", "menu", "blockquote",
                                                 "center", "form", "address", "pre"};
  return std::find(std::begin(kBlocks), std::end(kBlocks), name) != std::end(kBlocks);
}

// Elements whose content is not markup; their end tag ends them.
bool IsRawText(std::string_view name) {
  return name == "script" || name == "style" || name == "title" || name == "textarea" || name == "xmp";
}

// Elements whose text the page does not show.
bool IsHiddenText(std::string_view name) {
  return name == "script" || name == "style" || name == "title" || name == "textarea";
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
  std::size_t PartLength(std::size_t at) const { return at - current_.part.begin; }

  // Starts a new part at at when the part has grown long enough for the kind of boundary tag
  // stands at. False once the caller stops the split.
  bool SplitBefore(const Tag& tag) {
    if (!in_body_ || PartLength(tag.start) < part_bytes_) return true;
    const bool boundary =
        pre_depth_ == 0 && ((table_depth_ == 0 && (StartsBlock(tag.name) ||
                                                   (!lists_.empty() && (tag.name == "li" || tag.name == "dt" ||
                                                                        tag.name == "dd")))) ||
                            (table_depth_ == 1 && tag.name == "tr"));
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
    prologue += basefont_;
    for (const auto& [name, text] : styles_) prologue += text;
    if (table_depth_ == 0) {
      for (const auto& [name, text] : lists_) prologue += text;
    }
    if (table_depth_ >= 1) prologue += table_;
    return prologue;
  }

  // Takes in tag and what it opens; returns the offset after it (after a raw-text element's
  // end tag for such an element).
  std::size_t Enter(const Tag& tag) {
    const std::string_view text = bytes_.substr(tag.start, tag.stop - tag.start);
    const std::string& name = tag.name;
    if (tag.end_tag) {
      Leave(name);
      return tag.stop;
    }
    if (name == "body") {
      if (body_start_.empty()) {
        body_start_ = tag.stop <= kMaxHeadPrologue ? std::string(bytes_.substr(0, tag.stop))
                                                   : "<HTML>" + std::string(text);
      }
      in_body_ = true;
      return tag.stop;
    }
    if (name != "html" && name != "head" && name != "meta" && name != "link" && name != "base" &&
        !IsRawText(name)) {
      in_body_ = true;
    }
    if (name == "a") {
      std::string anchor = AttributeOf(text, "name");
      if (anchor.empty()) anchor = AttributeOf(text, "id");
      if (!anchor.empty()) current_.anchors.push_back(std::move(anchor));
    } else if (name == "basefont") {
      basefont_ = text;
    } else if (name == "table") {
      if (table_depth_ == 0) table_ = text;
      ++table_depth_;
    } else if (name == "pre" || name == "listing") {
      ++pre_depth_;
    } else if (name == "plaintext") {
      return bytes_.size();
    } else if (table_depth_ == 0 && IsTextStyle(name)) {
      if (styles_.size() == kMaxOpenStyles) styles_.erase(styles_.begin());
      styles_.emplace_back(name, text);
    } else if (table_depth_ == 0 && IsList(name)) {
      if (lists_.size() == kMaxOpenLists) lists_.erase(lists_.begin());
      lists_.emplace_back(name, text);
    }
    if (name == "br" || name == "p" || name == "td" || name == "th" || name == "li") blank_pending_ = true;
    if (IsRawText(name)) return SkipRawText(tag);
    return tag.stop;
  }

  void Leave(const std::string& name) {
    auto close_nearest = [&name](std::vector<std::pair<std::string, std::string>>& open) {
      for (auto it = open.rbegin(); it != open.rend(); ++it) {
        if (it->first == name) {
          open.erase(std::next(it).base());
          return;
        }
      }
    };
    if (name == "table") {
      if (table_depth_ > 0 && --table_depth_ == 0) table_.clear();
    } else if (name == "pre" || name == "listing") {
      if (pre_depth_ > 0) --pre_depth_;
    } else if (table_depth_ == 0 && IsTextStyle(name)) {
      close_nearest(styles_);
    } else if (table_depth_ == 0 && IsList(name)) {
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
      if (ReadTag(bytes_, close, end) && end.name == tag.name) {
        if (!IsHiddenText(tag.name)) {
          for (std::size_t i = at; i < close; ++i) AddText(static_cast<unsigned char>(bytes_[i]));
        }
        return end.stop;
      }
    }
    if (!IsHiddenText(tag.name)) {
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

  std::string_view bytes_;
  std::size_t part_bytes_;
  const std::function<bool(ScannedPart)>& each_;
  ScannedPart current_;           // the part being read
  bool stopped_ = false;          // each asked to stop
  bool in_body_ = false;          // the page's body has begun
  bool blank_pending_ = false;    // a blank goes before the next character of text
  std::string body_start_;        // the page up to its BODY tag, read before every part
  std::string basefont_;          // the last BASEFONT tag
  std::vector<std::pair<std::string, std::string>> styles_;  // open text styles outside tables: name, tag
  std::vector<std::pair<std::string, std::string>> lists_;   // open lists outside tables: name, tag
  std::string table_;             // the open table outside any other table: its start tag
  int table_depth_ = 0;           // tables open
  int pre_depth_ = 0;             // PRE and LISTING elements open
};

}  // namespace

void SplitPage(std::string_view bytes, std::size_t part_bytes, const std::function<bool(ScannedPart)>& each) {
  Splitter(bytes, part_bytes, each).Run();
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
  const std::string_view rest = text.substr(from);
  std::string_view::const_iterator found;
  if (match_case) {
    found = std::search(rest.begin(), rest.end(), std::boyer_moore_horspool_searcher(pattern.begin(), pattern.end()));
  } else {
    auto hash = [](char c) { return std::hash<unsigned char>()(kFolded[static_cast<unsigned char>(c)]); };
    auto equal = [](char a, char b) {
      return kFolded[static_cast<unsigned char>(a)] == kFolded[static_cast<unsigned char>(b)];
    };
    found = std::search(rest.begin(), rest.end(),
                        std::boyer_moore_horspool_searcher(pattern.begin(), pattern.end(), hash, equal));
  }
  return found == rest.end() ? std::string_view::npos : from + static_cast<std::size_t>(found - rest.begin());
}

}  // namespace vantorel::browser
