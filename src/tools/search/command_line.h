// What both kinds of search share on the command line: the exit statuses and the folder form.
#pragma once

#include <string>
#include <string_view>

namespace vantorel::tools::search {

inline constexpr int kMessageStatus = 1;  // no matches, or a message instead of a page
inline constexpr int kErrorStatus = 2;    // an error of the engine or of a file
inline constexpr int kUsageStatus = 64;   // a wrong command line

// True when the command line holds option before any "--".
bool OptionGiven(int argc, char** argv, std::string_view option);

// A folder given on the command line as the settings hold it: absolute, ending in "/".
std::string FolderSetting(const std::string& argument);

}  // namespace vantorel::tools::search
