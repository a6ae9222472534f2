// Opening an article PDF at a page: the readers that take a page on their command line, and
// how each is told it.
#pragma once

#include <string>
#include <string_view>

namespace vantorel::platform {

// The parameter text that makes reader (a program path; its file name tells which reader it
// is) open the PDF file path (a real path) at page (counted from 1), for LaunchProgram:
//   evince, atril   --page-index=PAGE "PATH"
//   okular          --page PAGE "PATH"
//   zathura         --page=PAGE "PATH"
//   qpdfview        "PATH#PAGE"
//   mupdf, mupdf-gl, mupdf-x11   "PATH" PAGE
// The path is quoted as a Windows command line quotes one argument (SplitCommandLine gives it
// back whole). Any other reader, or a page below 1, gets the path alone, unquoted, so that the
// reader opens the file at its start.
std::string PdfPageParameters(std::string_view reader, std::string_view path, int page);

// One argument as a Windows command line quotes it: unchanged when it is not empty and holds
// no blank, tab or double quote; otherwise in double quotes, a double quote inside written as
// \" and the backslashes before it or before the closing quote doubled.
std::string QuotedArgument(std::string_view argument);

}  // namespace vantorel::platform
