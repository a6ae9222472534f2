// Issue names: an issue number as the month and year the magazine appeared, and the items of
// the issue list that the article search offers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantorel::catalogue {

// The issue list always offers this many issues, whatever the catalogue holds.
inline constexpr int kIssueCount = 100;

// Issues 1 to 4 appeared in April, July, September and November 1995; from issue 5
// (January 1996) on the magazine was monthly. Empty for 0 and below.
std::string IssueName(std::int32_t issue);

// An issue list item: the number right-aligned in three characters, " : ", IssueName. The
// leading blanks make text order the numeric order, and the first three characters give the
// number back ("  1 : April 1995", "100 : December 2003").
std::string IssueItem(std::int32_t issue);

// The kIssueCount items, issue 1 first.
std::vector<std::string> IssueItems();

}  // namespace vantorel::catalogue
