// MakeIndex: builds an NDX index file over every record of a table by a bottom-up bulk load.
//
// The build reads the table file itself, in large blocks (every record, deleted or not; the
// filter is not applied), evaluates the key expression on each record, sorts the (key,
// record number) pairs by key and then by record number, and writes the tree page by page
// (ndx_format.h tells the layout and the write order). Runs of keys beyond a bounded size
// are sorted apart, written to a temporary file "KVP..." in the temporary directory and
// merged; the result is the same file either way, and the temporary file is gone afterwards.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "tables/work_area.h"

namespace vantorel::tables {

// Calls the progress step, when given, 100 times in all over one build.
using IndexProgressStep = std::function<void()>;

struct MakeIndexOptions {
  IndexProgressStep progress_step;  // the dataset's progress window, when it shows one
  std::size_t max_run_keys = 0;     // keys sorted in memory at once; 0: the engine's bound
  std::string temp_dir;             // where "KVP..." goes; empty: $TMPDIR, else /tmp
};

// MakeIndex(expression, index specification) on the table of area.
//
// The specification is upper-cased; the option words " UNIQUE", " SOUNDEX", " DESCENDING"
// and " NOCACHE" are taken out wherever the character after them is not a letter, digit,
// "\" or "_" (only UNIQUE has an effect: of equal keys only the lowest record number
// stays); characters below code 33 are trimmed from both ends; "NDX" is added when the name
// has no extension; a name without a directory lies in the table's directory.
//
// The key type is the expression's result type (C, D, F or N); the key length is 8 for
// numbers and dates and, for C, the length of the expression's value on the current record.
// The index is written beside its file under another name and takes the file's name only when
// complete (platform/replacing_file.h): an older index stays in place until then, and a build
// that fails or is cut short leaves no partly written index behind. The index is not opened;
// the work area's current record, its flags and its order stay as they were.
//
// Errors (EKvError; each detail ends in " [MakeIndex(<...>," + index name + ")]", the index
// name being the full path upper-cased):
//   215 "database not open attempting to index to" + name + "." when area is null
//   220 "index filename not specified"
//   254 "Neither Expression nor KeyMaker defined" (empty expression),
//       "Wrong parser return type" (an L or M expression)
//   300 "Expression length exceeds 100 bytes"
//   351 and the rest of AssignExpr's errors for an expression that does not compile
//       (passed on unchanged)
//   214 "Index file already open: " + name, when any work area has it open
//   266 "Incorrect key length: Must be 1 to 100."
//   the operating-system code with "File not open" + name when the file cannot be made;
//   225 with the table name when it cannot be made for lack of access beside an old index
//   of a shared table and the table cannot be had for writing; 213 when the table file ends before its last record; 217 when memory
//   runs out; 101 when writing fails; the temporary file's errors with
//   "Error requesting unique file name [UniqueFilename]".
void MakeIndex(WorkArea* area, std::string_view expression, std::string_view index_spec,
               const MakeIndexOptions& options = {});

}  // namespace vantorel::tables
