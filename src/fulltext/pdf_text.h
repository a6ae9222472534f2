// The text of a PDF file, page by page, as poppler reads it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vantorel::fulltext {

struct PdfText {
  bool readable = false;            // false: the file is no PDF poppler can open
  std::string problem;              // !readable: why ("damaged or not a PDF file", ...)
  std::vector<std::string> pages;   // UTF-8, one text per page, form feeds made blanks
};

// Reads every page's text. Never throws for a damaged file; poppler's own complaints are kept
// off standard error.
PdfText ReadPdfText(const std::filesystem::path& file);

}  // namespace vantorel::fulltext
