#include "platform/pdf_page_option.h"

#include <gtest/gtest.h>

#include "platform/outside_programs.h"

namespace vantorel::platform {
namespace {

TEST(PdfPageOption, EachReaderGetsThePageItTakes) {
  const struct {
    const char* reader;
    int page;
    const char* parameters;
  } cases[] = {
      {"/usr/bin/evince", 3, "--page-index=3 /a/b.pdf"},
      {"/usr/bin/atril", 12, "--page-index=12 /a/b.pdf"},
      {"/usr/bin/okular", 3, "--page 3 /a/b.pdf"},
      {"/usr/bin/zathura", 3, "--page=3 /a/b.pdf"},
      {"/usr/bin/qpdfview", 3, "/a/b.pdf#3"},
      {"/usr/bin/mupdf", 3, "/a/b.pdf 3"},
      {"/usr/bin/mupdf-gl", 3, "/a/b.pdf 3"},
      {"/usr/bin/xpdf", 3, "/a/b.pdf"},       // no page option known
      {"/usr/bin/evince", 0, "/a/b.pdf"},     // no page
      {"/opt/evince-3/bin/evince.sh", 3, "/a/b.pdf"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PdfPageParameters(c.reader, "/a/b.pdf", c.page), c.parameters) << c.reader;
}

TEST(PdfPageOption, PathsComeBackWholeFromTheCommandLineSplit) {
  const char* paths[] = {"/Мой архив/PDF/0012.PDF", "/a \"quoted\" name/x.pdf",
                         "/ends in a backslash\\", "/tab\there/x.pdf", "/plain/x.pdf"};
  for (const char* path : paths) {
    EXPECT_EQ(SplitCommandLine(QuotedArgument(path)), std::vector<std::string>{path}) << path;
    EXPECT_EQ(SplitCommandLine(PdfPageParameters("evince", path, 2)),
              (std::vector<std::string>{"--page-index=2", path}))
        << path;
  }
  EXPECT_EQ(QuotedArgument(""), "\"\"");
}

}  // namespace
}  // namespace vantorel::platform
