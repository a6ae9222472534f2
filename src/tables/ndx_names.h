// Index file names: the name-and-options text MakeIndex takes (a name and option words) and the
// list SetIndexTo takes (blank-separated names).
#pragma once

#include <string>
#include <string_view>
#include <vector>


namespace vantorel::tables {

// One index file: where it is and how messages name it.
struct IndexFileSpec {
  std::string path;    // for the file system: letter case as given, "\" or "/" separators
  std::string name;    // for messages: the same path upper-cased
  bool unique = false; // " UNIQUE" was given
};

// An index file specification taken apart. Upper-cased, every option word (" UNIQUE",
// " SOUNDEX", " DESCENDING", " NOCACHE") taken out where the character after it is not a
// letter, a digit, "\" or "_", characters below code 33 trimmed from both ends; ".NDX" added
// when the last component has no extension; a name without "\", "/" and ":" put into the
// directory of the table at table_path (kept as it is when table_path is empty). An empty
// name stays empty (path and name "").
IndexFileSpec ParseIndexFileSpec(std::string_view spec, std::string_view table_path);

// The names of a SetIndexTo list, each as given (letter case kept): the list left-trimmed,
// cut to 255 characters, tabs taken as blanks, a blank dropped before a blank, a quote
// character, "=" or the end, then split at blanks.
std::vector<std::string> SplitIndexList(std::string_view names);

}  // namespace vantorel::tables
