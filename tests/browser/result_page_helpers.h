// The result pages the article search writes, line by line as the page writer lays them out
// (code page 1252, lines ending in CR LF), for articles of made-up data. Shared by the view
// tests and the view benchmark.
#pragma once

#include <string>

namespace vantorel::testing {

// SEARCHRESULT.HTM for articles numbered 1..count with the criteria line of an author and an
// issue and the keywords header.
std::string SearchResultsPage(int count);
// ALLARTS.HTM and AADETAIL.HTM for articles numbered 1..count.
std::string AllArticlesPage(int count);
std::string ArticleDetailPage(int count);

}  // namespace vantorel::testing
