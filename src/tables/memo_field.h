// The lines of a memo field of the current record, as the dataset's GetMField returns them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tables/work_area.h"

namespace vantorel::tables {

// The memo lines of the field named field_name (only its first 10 characters count, case
// does not matter) in area's current record, each converted from OEM to ANSI when the
// table is OEM. A record without a memo (block 0 or blanks) gives no lines.
// Errors 220: a missing field, "Field \"NAME\" not in \"FILE\" [GetMField]"; a field that is
// not a memo, "\"GetMField()\" expects field \"NAME\" to be of type:\r\n\"memo\".\"NAME\"
// actually is: \"TYPE\"" (TYPE "character", "Date", "Logical" or "Numeric, width: W
// decimals: D"). Memo file errors as WorkArea::GetMemo.
std::vector<std::string> MemoFieldLines(const WorkArea& area, std::string_view field_name);

}  // namespace vantorel::tables
