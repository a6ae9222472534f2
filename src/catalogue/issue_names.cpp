#include "catalogue/issue_names.h"

#include <array>

#include "core/texts.h"

namespace vantorel::catalogue {

namespace {

constexpr std::array<const char*, 12> kMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

// The quarterly start: issues 1 to 4.
constexpr std::array<const char*, 4> kFirstIssues = {"April 1995", "July 1995", "September 1995",
                                                     "November 1995"};
constexpr std::int32_t kFirstMonthlyIssue = 5;   // January 1996
constexpr std::int32_t kFirstMonthlyYear = 1996;

}  // namespace

std::string IssueName(std::int32_t issue) {
  if (issue <= 0) return {};
  if (issue < kFirstMonthlyIssue) return kFirstIssues[issue - 1];
  const std::int32_t months = issue - kFirstMonthlyIssue;
  return std::string(kMonthNames[months % 12]) + " " +
         std::to_string(kFirstMonthlyYear + months / 12);
}

std::string IssueItem(std::int32_t issue) {
  return core::PadLeft(std::to_string(issue), 3) + " : " + IssueName(issue);
}

std::vector<std::string> IssueItems() {
  std::vector<std::string> items;
  items.reserve(kIssueCount);
  for (int issue = 1; issue <= kIssueCount; ++issue) items.push_back(IssueItem(issue));
  return items;
}

}  // namespace vantorel::catalogue
