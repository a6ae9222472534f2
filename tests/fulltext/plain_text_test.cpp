// Which files are text, and their text: the extension tables, the content test, the code
// pages, and HTML without its markup.
#include "fulltext/plain_text.h"

#include <gtest/gtest.h>

namespace vantorel::fulltext {
namespace {

TEST(PlainText, NamesTellTheKindOfFile) {
  const struct {
    const char* name;
    NameKind kind;
  } cases[] = {
      {"MEMMGR.PAS", NameKind::Text},     {"readme.txt", NameKind::Text},
      {"DOCS/NOTES.Doc", NameKind::Text}, {"INDEX.HTM", NameKind::Html},
      {"page.html", NameKind::Html},      {"SOURCE.ZIP", NameKind::Zip},
      {"0012.PDF", NameKind::Pdf},        {"HELLO.EXE", NameKind::Binary},
      {"LOGO.JPEG", NameKind::Binary},    {"NOTES", NameKind::Unknown},
      {"F00_text.RED", NameKind::Unknown}, {".profile", NameKind::Unknown},
      {"A.VERYLONG", NameKind::Unknown},  {"DIR.PAS\\FILE", NameKind::Unknown},
  };
  for (const auto& c : cases) EXPECT_EQ(KindOfName(c.name), c.kind) << c.name;
}

TEST(PlainText, ContentTellsTextFromBinaries) {
  const struct {
    std::string bytes;
    bool text;
  } cases[] = {
      {"program X;\r\nbegin end.\r\n\x1A", true},
      {"page one\fpage two\ttab", true},
      {"Gr\xF6\xDF" "e", true},
      {std::string("MZ\0\0", 4), false},                 // a NUL byte
      {"\x01\x02\x03" + std::string(50, 'a'), false},    // more than 1 in 100 controls
      {"\x01" + std::string(99, 'a'), true},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(LooksLikeText(c.bytes), c.text) << c.bytes;
}

TEST(PlainText, TextBecomesUtf8) {
  EXPECT_EQ(TextToUtf8("M\xFCller"), "M\xC3\xBCller");          // code page 1252
  EXPECT_EQ(TextToUtf8("M\xC3\xBCller"), "M\xC3\xBCller");      // already UTF-8
  EXPECT_EQ(TextToUtf8(std::string("a\0b\fc", 5)), "a b c");    // no page breaks, no NULs
}

TEST(PlainText, HtmlLosesItsMarkup) {
  const struct {
    const char* html;
    const char* text;
  } cases[] = {
      {"<P>A caf&eacute;</P>", " A caf\xC3\xA9 "},
      {"a<!-- b -->c", "a c"},
      {"x<SCRIPT type=x>if (a < b) hidden();</SCRIPT>y", "x y"},
      {"x<style>p { color: red }</STYLE>y", "x y"},
      {"&lt;tag&gt; &amp; &#65;&#x42; &nbsp;", "<tag> & AB  "},
      {"&unknown; & &#0; &#xFFFFFF;", "&unknown; & &#0; &#xFFFFFF;"},
      {"Gr\xF6\xDF" "e<B", "Gr\xC3\xB6\xC3\x9F" "e "},  // 1252, a tag cut off
  };
  for (const auto& c : cases) EXPECT_EQ(HtmlToText(c.html), c.text) << c.html;
}

}  // namespace
}  // namespace vantorel::fulltext
