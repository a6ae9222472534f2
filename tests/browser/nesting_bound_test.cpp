// The bound on open elements: pages within it pass unchanged, deeper start tags and their
// end tags are left out with their text kept, and markup that only looks like tags is not
// followed.
#include <gtest/gtest.h>

#include "browser/nesting_bound.h"

namespace vantorel::browser {
namespace {

struct BoundCase {
  const char* rule;
  const char* page;
  const char* bounded;  // nullptr: the page unchanged
};

constexpr int kDepth = 3;

const BoundCase kBoundCases[] = {
    {"nesting at the limit is kept whole", "<div><div><div>x</div></div></div>y", nullptr},
    {"one beyond the limit loses both tags, not its text, a blank in their place",
     "<div><div><div><div>x</div>y</div></div></div>z", "<div><div><div> x y</div></div></div>z"},
    {"names in any case", "<DIV><Div><div><DiV class=a>x</dIv >y", "<DIV><Div><div> x y"},
    {"a text style left out leaves no blank", "<font>a<font>b<font>c<font>d<font>e</font>f",
     "<font>a<font>b<font>cdef"},
    {"a comment is not followed", "<!--<div><div><div>--><div><!-- <div> --><div>x<div>y<div>z",
     "<!--<div><div><div>--><div><!-- <div> --><div>x<div>y z"},
    {"short comments", "<!--><div><!---><div><div><div>x", "<!--><div><!---><div><div> x"},
    {"a declaration and a processing instruction", "<!DOCTYPE html><?xml x?><div><div><div>", nullptr},
    {"quoted attribute values may hold < and >",
     "<div title=\"a>b<div>\"><div alt='<div>'><div>x<div>y", "<div title=\"a>b<div>\"><div alt='<div>'><div>x y"},
    {"an unquoted value ends at a blank or >", "<div a=x<div><div b=c d><div>x<div>y", "<div a=x<div><div b=c d><div>x y"},
    {"script text is not followed", "<div><div><script>if (a<b) w(\"<div><div>\")</script><div>x</div></div></div>",
     nullptr},
    {"title and textarea text", "<title><div><div><div><div></title><textarea><div></TEXTAREA >", nullptr},
    {"plaintext holds the rest of the page", "<plaintext><div><div><div><div>", nullptr},
    {"empty and self-closing elements do not nest",
     "<div><div><p>a<p>b<br><img src=x><hr><li>c<li>d<dt>e<dd>f<div>g", nullptr},
    {"a tag cut off by the page's end is text", "<div><div><div><div title=\"x", nullptr},
    {"a stray end tag is kept", "</b></div><div><div><div>x</span>", nullptr},
    {"a link closes the open link", "<a href=1>a<a href=2>b<a href=3>c<a href=4>d", nullptr},
    {"a heading closes the heading it is in", "<h1>a<h2>b<h3>c<h4>d", nullptr},
    {"cells and rows close their kind",
     "<table><tr><td>a<td>b<th>c<tr><td>d</table><table><tr><td>e</td><td>f</td></tr></table>", nullptr},
    {"a table outside a cell ends the open table", "<table><table><table><table>x", nullptr},
    {"tables in cells nest", "<table><tr><td><table><tr><td>x<tr><td>y", "<table><tr><td>   x  y"},
    {"an end tag closes only within its table",
     "<div><table><tr></div><td>x", "<div><table><tr></div> x"},
    {"a text style's end tag leaves the blocks inside it open",
     "<div><b><div></b><div><div>x</div>", "<div><b><div></b><div> x "},
};

TEST(NestingBoundTest, LeavesOutOnlyTheStartTagsBeyondTheLimitAndTheirEndTags) {
  for (const BoundCase& test : kBoundCases) {
    EXPECT_EQ(BoundNesting(test.page, kDepth), test.bounded ? test.bounded : test.page) << test.rule;
  }
}

TEST(NestingBoundTest, AnyDepthOfUnclosedElementsKeepsTheLimit) {
  std::string page;
  std::string kept;
  for (int i = 0; i < 5000; ++i) {
    page += "<blockquote>" + std::to_string(i);
    kept += i < kMaxOpenElements ? "<blockquote>" : " ";
    kept += std::to_string(i);
  }
  EXPECT_TRUE(BoundNesting(page) == kept);
}

}  // namespace
}  // namespace vantorel::browser
