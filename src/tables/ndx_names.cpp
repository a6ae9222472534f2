#include "tables/ndx_names.h"

#include <array>

#include "core/path_texts.h"
#include "core/texts.h"
#include "platform/file_system.h"

namespace vantorel::tables {

namespace {

constexpr std::array<std::string_view, 4> kOptionWords = {" UNIQUE", " SOUNDEX", " DESCENDING",
                                                          " NOCACHE"};

bool BelowCode33(char c) { return static_cast<unsigned char>(c) < 33; }

// The length of the text without the characters below code 33 at its end.
std::size_t TrimmedEnd(const std::string& text) {
  std::size_t end = text.size();
  while (end > 0 && BelowCode33(text[end - 1])) --end;
  return end;
}

}  // namespace

IndexFileSpec ParseIndexFileSpec(std::string_view spec, std::string_view table_path) {
  std::string given(spec);
  std::string upper = core::UpperCaseAscii(given);
  IndexFileSpec result;
  // Option words follow the name: only words at the end count, so a blank or an option word
  // inside a folder name stays part of the path.
  for (bool taken = true; taken;) {
    taken = false;
    const std::size_t end = TrimmedEnd(upper);
    for (const std::string_view word : kOptionWords) {
      if (end < word.size() || upper.compare(end - word.size(), word.size(), word) != 0) continue;
      upper.erase(end - word.size());
      given.erase(end - word.size());
      if (word == " UNIQUE") result.unique = true;
      taken = true;
      break;
    }
  }
  std::size_t first = 0;
  std::size_t last = given.size();
  while (first < last && BelowCode33(given[first])) ++first;
  while (last > first && BelowCode33(given[last - 1])) --last;
  given = given.substr(first, last - first);
  if (given.empty()) return result;

  if (!core::HasExtension(given)) {
    const std::string base = core::FileNameOf(given);
    given += core::UpperCaseAscii(base) == base ? ".NDX" : ".ndx";
  }
  // A drive alone ("C:X.NDX") already places the index; it is not put beside the table.
  if (!core::HasFolder(given, core::FolderEnd::SeparatorOrDrive))
    given = core::FolderOf(table_path) + given;
  result.name = platform::ShownPath(given);
  result.path = std::move(given);
  return result;
}

std::vector<std::string> SplitIndexList(std::string_view names) {
  std::size_t first = 0;
  while (first < names.size() && (names[first] == ' ' || names[first] == '\t')) ++first;
  std::string list = core::CutToShortString(names.substr(first));
  for (char& c : list)
    if (c == '\t') c = ' ';
  // The command normaliser drops a blank before a blank, a quote, "=" and the end, so a
  // name directly followed by a blank and a quote runs on into it.
  std::string normalised;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const bool next_ends = i + 1 == list.size() || list[i + 1] == ' ' || list[i + 1] == '"' ||
                           list[i + 1] == '\'' || list[i + 1] == '=';
    if (list[i] == ' ' && next_ends) continue;
    normalised += list[i];
  }
  std::vector<std::string> words;
  std::size_t at = 0;
  while (at < normalised.size()) {
    std::size_t end = normalised.find(' ', at);
    if (end == std::string::npos) end = normalised.size();
    if (end > at) words.push_back(normalised.substr(at, end - at));
    at = end + 1;
  }
  return words;
}

}  // namespace vantorel::tables
