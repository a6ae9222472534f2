#include "browser/nesting_bound.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/texts.h"

namespace vantorel::browser {
namespace {

// Format notes (HTML tokenizer): a tag name starts with an ASCII letter and runs to a blank,
// "/" or ">"; attribute values may be quoted with '"' or "'" and then hold ">" and "<"; a
// comment "<!--" ends at "-->" or "--!>" (also "<!-->" and "<!--->"); any other "<!" or "<?"
// runs to the next ">"; a tag that the page's end cuts off is not a tag.

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool IsOneOf(std::string_view name, std::initializer_list<std::string_view> names) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

bool IsNotFollowed(std::string_view name) {
  return IsOneOf(name, {"area", "base", "basefont", "bgsound", "br", "col", "embed", "frame", "hr", "image",
                        "img", "input", "isindex", "keygen", "link", "meta", "param", "source", "track",
                        "wbr", "p", "li", "dt", "dd", "option", "optgroup", "tbody", "thead", "tfoot",
                        "caption", "colgroup", "rb", "rt", "rp", "rtc", "html", "head", "body", "form"});
}

bool HoldsText(std::string_view name) {
  return IsOneOf(name, {"script", "style", "title", "textarea", "xmp", "iframe", "noembed", "noframes"});
}

bool ClosesItsKind(std::string_view name) { return IsOneOf(name, {"a", "nobr", "button", "select"}); }

bool IsHeading(std::string_view name) { return IsOneOf(name, {"h1", "h2", "h3", "h4", "h5", "h6"}); }

bool IsTextStyle(std::string_view name) {
  return IsOneOf(name, {"a", "b", "big", "code", "em", "font", "i", "nobr", "s", "small", "strike",
                        "strong", "tt", "u"});
}

// The position after the ">" of the tag whose name starts at from, or npos when the page
// ends first. Attribute values in quotes may hold ">".
std::size_t EndOfTag(std::string_view html, std::size_t from) {
  std::size_t i = from;
  const std::size_t size = html.size();
  while (i < size && !IsBlank(html[i]) && html[i] != '/' && html[i] != '>') ++i;
  while (i < size) {
    while (i < size && (IsBlank(html[i]) || html[i] == '/')) ++i;
    if (i == size) break;
    if (html[i] == '>') return i + 1;
    // An attribute name: its first character may be "=".
    ++i;
    while (i < size && !IsBlank(html[i]) && html[i] != '/' && html[i] != '>' && html[i] != '=') ++i;
    while (i < size && IsBlank(html[i])) ++i;
    if (i == size || html[i] != '=') continue;
    ++i;
    while (i < size && IsBlank(html[i])) ++i;
    if (i == size) break;
    if (html[i] == '"' || html[i] == '\'') {
      const std::size_t close = html.find(html[i], i + 1);
      if (close == std::string_view::npos) break;
      i = close + 1;
    } else {
      while (i < size && !IsBlank(html[i]) && html[i] != '>') ++i;
    }
  }
  return std::string_view::npos;
}

// The position after a comment or other "<!"/"<?" markup starting at from.
std::size_t EndOfMarkupDeclaration(std::string_view html, std::size_t from) {
  if (html.substr(from, 4) == "<!--") {
    const std::size_t dashes = html.find("-->", from + 2);
    const std::size_t bang = html.find("--!>", from + 2);
    if (dashes == std::string_view::npos && bang == std::string_view::npos) return html.size();
    return dashes < bang ? dashes + 3 : bang + 4;
  }
  const std::size_t close = html.find('>', from);
  return close == std::string_view::npos ? html.size() : close + 1;
}

// The position of the end tag of the text-holding element name at or after from, or the
// page's end.
std::size_t EndOfHeldText(std::string_view html, std::string_view name, std::size_t from) {
  const std::string end_tag = "</" + std::string(name);
  for (std::size_t at = core::FindNoCase(html, end_tag, from); at != std::string_view::npos;
       at = core::FindNoCase(html, end_tag, at + 1)) {
    const std::size_t next = at + end_tag.size();
    if (next == html.size() || IsBlank(html[next]) || html[next] == '/' || html[next] == '>') return at;
  }
  return html.size();
}

// The open elements as the bound follows them.
class OpenElements {
 public:
  explicit OpenElements(int max_depth)
      : max_depth_(max_depth), table_(IdOf("table")), td_(IdOf("td")), th_(IdOf("th")) {}

  // Follows a start tag; false when it is left out.
  bool Open(std::string_view name) {
    const int id = IdOf(name);
    if (name == "tr") {
      CloseTablePart({"tr", "td", "th"});
    } else if (name == "td" || name == "th") {
      CloseTablePart({"td", "th"});
    } else if (name == "table") {
      CloseOpenTableOutsideCell();
    } else if (ClosesItsKind(name)) {
      if (const std::size_t at = Find(id, false); at != kNotFound) Remove(at);
    } else if (IsHeading(name) && !stack_.empty() && stack_.back().heading) {
      Remove(stack_.size() - 1);
    }
    const bool kept = kept_ < max_depth_;
    stack_.push_back({id, kept, IsHeading(name)});
    kept_ += kept;
    return kept;
  }

  // Follows an end tag; false when it is left out.
  bool Close(std::string_view name) {
    const std::size_t at = Find(IdOf(name), name == "table");
    if (at == kNotFound) return true;
    const bool kept = stack_[at].kept;
    if (IsTextStyle(name)) {
      Remove(at);
    } else {
      PopFrom(at);
    }
    return kept;
  }

 private:
  static constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

  struct Entry {
    int id;        // the element's name as a number (ids_)
    bool kept;     // its start tag was kept
    bool heading;  // H1 to H6
  };

  int IdOf(std::string_view name) {
    return ids_.try_emplace(std::string(name), static_cast<int>(ids_.size())).first->second;
  }

  // The innermost open element id within the innermost table (the table itself when
  // table_included), searched among the kMaxSearchedElements innermost.
  std::size_t Find(int id, bool table_included) const {
    const std::size_t lowest = stack_.size() > kMaxSearchedElements ? stack_.size() - kMaxSearchedElements : 0;
    for (std::size_t at = stack_.size(); at-- > lowest;) {
      if (stack_[at].id == id) return at;
      if (stack_[at].id == table_) return table_included && id == table_ ? at : kNotFound;
    }
    return kNotFound;
  }

  // Closes the outermost of the named elements open within the innermost table (a row
  // holds the cell open inside it) and everything inside it.
  void CloseTablePart(std::initializer_list<std::string_view> names) {
    std::size_t outermost = kNotFound;
    for (std::string_view name : names) {
      const std::size_t at = Find(IdOf(name), false);
      if (at != kNotFound && (outermost == kNotFound || at < outermost)) outermost = at;
    }
    if (outermost != kNotFound) PopFrom(outermost);
  }

  // TABLE directly in a table, not in one of its cells, ends that table.
  void CloseOpenTableOutsideCell() {
    const std::size_t table = Find(table_, true);
    if (table == kNotFound) return;
    for (std::size_t at = table + 1; at < stack_.size(); ++at) {
      if (stack_[at].id == td_ || stack_[at].id == th_) return;
    }
    PopFrom(table);
  }

  void Remove(std::size_t at) {
    kept_ -= stack_[at].kept;
    stack_.erase(stack_.begin() + static_cast<std::ptrdiff_t>(at));
  }

  void PopFrom(std::size_t at) {
    for (std::size_t i = at; i < stack_.size(); ++i) kept_ -= stack_[i].kept;
    stack_.resize(at);
  }

  const int max_depth_;
  std::unordered_map<std::string, int> ids_;  // a number for each element name met, lower case
  const int table_;                 // ids of TABLE, TD and TH
  const int td_;
  const int th_;
  std::vector<Entry> stack_;        // open elements, outermost first
  int kept_ = 0;                    // open elements whose start tag was kept
};

}  // namespace

std::string BoundNesting(std::string_view html, int max_depth) {
  std::string bounded;
  bounded.reserve(html.size());
  OpenElements open(max_depth);
  std::size_t copied = 0;  // html before this position is in bounded or left out
  std::size_t i = 0;
  // A left-out tag of a block or table part becomes a blank, so that the texts it parted
  // stay apart as words.
  const auto leave_out = [&](std::size_t from, std::size_t to, std::string_view name) {
    bounded.append(html.substr(copied, from - copied));
    if (!IsTextStyle(name)) bounded += ' ';
    copied = to;
  };
  while ((i = html.find('<', i)) != std::string_view::npos) {
    const char next = i + 1 < html.size() ? html[i + 1] : '\0';
    if (next == '!' || next == '?') {
      i = EndOfMarkupDeclaration(html, i);
      continue;
    }
    const bool end = next == '/';
    const std::size_t name_start = i + (end ? 2 : 1);
    if (name_start >= html.size() || !IsAsciiLetter(html[name_start])) {
      ++i;
      continue;
    }
    const std::size_t after = EndOfTag(html, name_start);
    if (after == std::string_view::npos) break;
    std::size_t name_end = name_start;
    while (name_end < html.size() && !IsBlank(html[name_end]) && html[name_end] != '/' && html[name_end] != '>') {
      ++name_end;
    }
    const std::string name = core::LowerCaseAscii(html.substr(name_start, name_end - name_start));
    if (end) {
      if (!IsNotFollowed(name) && !HoldsText(name) && !open.Close(name)) leave_out(i, after, name);
      i = after;
    } else if (name == "plaintext") {
      break;
    } else if (HoldsText(name)) {
      i = EndOfHeldText(html, name, after);
    } else {
      if (!IsNotFollowed(name) && !open.Open(name)) leave_out(i, after, name);
      i = after;
    }
  }
  bounded.append(html.substr(copied));
  return bounded;
}

}  // namespace vantorel::browser
