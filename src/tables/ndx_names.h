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
  std::string name;    // for messages: the path as the disk spells it (platform::ShownPath)
  bool unique = false; // " UNIQUE" was given
};

// An index file specification taken apart. The option words (" UNIQUE", " SOUNDEX",
// " DESCENDING", " NOCACHE", in any letter case) are the words at the end of the text, after
// the name, and are taken out from the end one by one (characters below code 33 after them
// ignored); a blank or an option word inside the name is part of the path. Then characters
// below code 33 are trimmed from both ends; ".NDX" added when the last component has no
// extension; a name without "\", "/" and ":" put into the
// directory of the table at table_path (kept as it is when table_path is empty). An empty
// name stays empty (path and name "").
IndexFileSpec ParseIndexFileSpec(std::string_view spec, std::string_view table_path);

// The names of a SetIndexTo list, each as given (letter case kept): the list left-trimmed,
// cut to 255 characters, tabs taken as blanks, a blank dropped before a blank, a quote
// character, "=" or the end, then split at blanks. A path with a blank in it is opened through
// SetIndexToFiles (ndx_orders.h) instead.
std::vector<std::string> SplitIndexList(std::string_view names);

}  // namespace vantorel::tables
