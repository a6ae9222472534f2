#include "catalogue/result_pages.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "catalogue/article_values.h"
#include "catalogue/in_out_error.h"
#include "catalogue/issue_names.h"
#include "catalogue_fixture_helpers.h"
#include "core/code_pages.h"
#include "core/settings.h"

namespace vantorel::testing {
namespace {

using catalogue::MatchMode;
using Lines = std::vector<std::string>;

TEST(ArticleValuesTest, PdfBaseNames) {
  const struct {
    int id;
    const char* type;
    int issue;
    const char* name;
  } cases[] = {{57, "Review", 3, "0057"},   {123, "Article", 1, "0123"},
               {12345, "Article", 1, "12345"}, {3, "Tip", 7, "T007"},
               {4, "Clinic", 45, "C045"},    {5, "Clinic", 1234, "C1234"},
               {6, "Letter", 5, ""},         {7, "article", 5, ""}};
  for (const auto& c : cases)
    EXPECT_EQ(catalogue::PdfBaseName(c.id, c.type, c.issue), c.name) << c.id;
}

TEST(ArticleValuesTest, SourceDirectories) {
  const struct {
    const char* type;
    const char* directory;
    int issue;
    const char* source;
  } cases[] = {{"Article", "MEMMGR", 12, "Issue12\\MEMMGR"},
               {"Article", "", 12, ""},
               {"Review", "X", 7, "Issue07\\X"},
               {"Tip", "IGNORED", 9, "Issue09\\TIPTRIX"},
               {"Clinic", "", 100, "Issue100\\CLINIC"},   {"Letter", "X", 5, "Issue05"}};
  for (const auto& c : cases)
    EXPECT_EQ(catalogue::SourceDirectory(c.type, c.directory, c.issue), c.source) << c.type;
  EXPECT_EQ(catalogue::Issue3(7), "007");
  EXPECT_EQ(catalogue::Issue3(1234), "1234");
}

// The cells of one detail block that differ between articles.
struct Block {
  std::string number, title;
  Lines authors;
  std::string type;  // padded to 8
  std::string issue;  // issue + " : " + name
  std::string pdf_cell, source_cell;
  Lines summary;
  std::string keywords;
};

Lines BlockLines(const Block& b) {
  Lines lines = {"<P><A NAME=\"" + b.number + "\"></A></P>",
                 "<TABLE border cellpadding=3 valign=top width=\"100%\">",
                 "<TR><TH COLSPAN=4 ALIGN=LEFT><FONT FACE=\"ARIAL\" COLOR=RED><B>",
                 b.title + "</B></FONT></TH></TR>",
                 "<TR><TD COLSPAN=1 VALIGN=MIDDLE><FONT FACE=\"ARIAL\"><B>Authors</B></FONT></TD>",
                 "<TD COLSPAN=2 VALIGN=MIDDLE>"};
  lines.insert(lines.end(), b.authors.begin(), b.authors.end());
  Lines rest = {
      "</TD>",
      "<TD COLSPAN=1 VALIGN=MIDDLE><FONT FACE=\"ARIAL\"><B>Type: " + b.type + "</B></FONT></TD>",
      "<TR valign=top><TD COLSPAN=1 VALIGN=MIDDLE><FONT FACE=\"ARIAL\"><B>Issue</B></FONT></TD>",
      "<TD COLSPAN=1 VALIGN=MIDDLE>" + b.issue + "</TD>",
      "<TD COLSPAN=1 VALIGN=MIDDLE>" + b.pdf_cell + "</TD>",
      "<TD COLSPAN=1 VALIGN=MIDDLE>" + b.source_cell + "</TD></TR>",
      "<TR><TD COLSPAN=1 VALIGN=TOP><FONT FACE=\"ARIAL\"><B>Summary</B></FONT></TD>",
      "<TD COLSPAN=3 VALIGN=MIDDLE>"};
  lines.insert(lines.end(), rest.begin(), rest.end());
  lines.insert(lines.end(), b.summary.begin(), b.summary.end());
  Lines tail = {"</TD></TR>",
                "<TR><TD COLSPAN=1 VALIGN=TOP><FONT FACE=\"ARIAL\"><B>Keywords</B></FONT></TD>",
                "<TD COLSPAN=3 VALIGN=MIDDLE>",
                b.keywords,
                "</TD></TR></TABLE>",
                "<P><A HREF=\"#Top\">Back to top</A></P><hr align=center size=4 color=\"008000\">"};
  lines.insert(lines.end(), tail.begin(), tail.end());
  return lines;
}

std::string Page(const Lines& lines) {
  std::string page;
  for (const std::string& line : lines) page += line + "\r\n";
  return page;
}

void Append(Lines& lines, const Lines& more) {
  lines.insert(lines.end(), more.begin(), more.end());
}

const std::string kNoSource = "<I>Source code not available</I>";
const std::string kNotAvailable = "<I>Article not available</I>";

const Block kArticle9 = {"9", "Memory manager", {Pad("Ann Smith", 64)}, "Article ",
                         "12 : August 1996", "<A HREF=\"file:///pdf/0009.PDF\">View article</A>",
                         "<A HREF=\"diry:///disks/Issue12\\MEMMGR\\\">View source code</A>",
                         {"A heap manager.", "Second line."}, "Memory; Heap; Pascal"};
const Block kArticle10 = {"10", "Heap review", {", " + Pad("Bob Jones", 64)}, "Review  ",
                          "7 : March 1996", "<A HREF=\"file:///pdf/0010.PDF\">View article</A>",
                          "<I>No source code</I>", {}, "heap; Delphi"};
const Block kArticle100 = {
    "100", "Tips and tricks",
    {Pad("Ann Smith", 64), ", " + Pad("Bob Jones", 64), ", " + Pad("J\xFCrgen Wei\xDF", 64)},
    "Tip     ", "9 : May 1996", "<A HREF=\"file:///pdf/T009.PDF\">View article</A>",
    "<A HREF=\"diry:///disks/Issue09\\TIPTRIX\\\">View source code</A>", {"Tips."},
    "memory manager"};
const Block kArticle57 = {"57", "Graphics review", {Pad("Bob Jones", 64)}, "Review  ",
                          "45 : May 1999", "<A HREF=\"file:///pdf/0057.PDF\">View article</A>",
                          "<I>No source code</I>", {}, "Graphics"};
const Block kArticle200 = {"200", "Clinic", {"Zoe Long" + std::string(56, 'z')}, "Clinic  ",
                           "45 : May 1999", "<A HREF=\"file:///pdf/C045.PDF\">View article</A>",
                           kNoSource, {}, "MEMORY"};
const Block kArticle300 = {"300", "Future article", {Pad("Ann Smith", 64)}, "Article ",
                           "73 : September 2001", kNotAvailable, kNoSource, {}, "Delphi"};
const Block kArticle301 = {"301", "Letters", {}, "Letter  ", "5 : January 1996", kNotAvailable,
                           kNoSource, {}, ""};

class ResultPagesTest : public CatalogueTest {
 protected:
  void SetUp() override {
    WriteSampleCatalogue();
    dir_.Write("DISKS/Issue12/MEMMGR/MAIN.PAS", "");
    dir_.Write("DISKS/Issue09/TIPTRIX/TIP.PAS", "");
    dir_.Write("PDF/0009.PDF", "");
    dir_.Write("PDF/T009.PDF", "");
    settings_.DataDir = DataDir();
    settings_.PdfDir = DataDir() + "PDF/";
    settings_.SourceDir = DataDir() + "DISKS/";
    settings_.LastIssue = 72;
    OpenCatalogue();
    pages_ = std::make_unique<catalogue::ResultPages>(*catalogue_, settings_);
    ui_.progress.clear();
  }

  void WriteResults(const Lines& articles, const Lines& words, MatchMode mode,
                    std::optional<std::string> author, std::optional<std::string> issue,
                    bool text_empty) {
    core::SortedTextList article_set, word_list;
    for (const std::string& a : articles) article_set.Add(a);
    word_list.StopSorting();
    for (const std::string& w : words) word_list.Add(w);
    pages_->WriteSearchResults({article_set, word_list, mode, author, issue, text_empty});
  }

  static Lines ResultsHead(const std::string& count) {
    return {"<HTML><HEAD><TITLE>Search Results</TITLE></HEAD>",
            "<BODY LINK=\"0000ff\" BGPROPERTIES=\"FIXED\" BGCOLOR=\"ffffff\">",
            "<BASEFONT SIZE=\"3\">",
            "<FONT COLOR=RED><P ALIGN=\"LEFT\"><FONT SIZE=\"+3\" FACE=\"ARIAL\">",
            "<A NAME=\"Top\"></A><B>Search Results<BR></FONT>",
            "<FONT COLOR=BLACK><P ALIGN=\"LEFT\"><FONT SIZE=\"+1\" FACE=\"ARIAL\">",
            count + " articles found matching search criteria:</B><BR>"};
  }

  core::BrowserSettings settings_;  // the record the pages read
  std::unique_ptr<catalogue::ResultPages> pages_;
};

TEST_F(ResultPagesTest, SearchResultsPageByteForByte) {
  WriteResults({"9", "100", "200"}, {"memory"}, MatchMode::AnyWord, std::nullopt, std::nullopt,
               false);
  Lines expected = ResultsHead("3");
  Append(expected, {"<FONT COLOR=RED>Keywords (any): </FONT><I>", "memory",
                    "</I></FONT></P><UL><P>",
                    "<LI><A HREF=\"#100\">Tips and tricks</A></LI>",
                    "<LI><A HREF=\"#200\">Clinic</A></LI>",
                    "<LI><A HREF=\"#9\">Memory manager</A></LI>",
                    "</UL><P><A HREF=\"#Top\">Back to top</A></P><hr align=center size=4 "
                    "color=\"008000\">"});
  Append(expected, BlockLines(kArticle100));
  Append(expected, BlockLines(kArticle200));
  Append(expected, BlockLines(kArticle9));
  expected.push_back("</P></UL> </BODY> </HTML>");
  EXPECT_EQ(Read("SEARCHRESULT.HTM"), Page(expected));
  EXPECT_EQ(ui_.progress, (Lines{"Generating results for article 100",
                                 "Generating results for article 200",
                                 "Generating results for article 9"}));
}

TEST_F(ResultPagesTest, CriteriaLineForAuthorAndIssueThenTheKeywordsHeader) {
  const std::string author = Pad("Bob Jones", 64) + "2";
  WriteResults({"57"}, {"review", "graphics"}, MatchMode::AllWords, author,
               catalogue::IssueItem(45), false);
  Lines expected = ResultsHead("1");
  Append(expected,
         {"<FONT COLOR=RED>Author: </FONT><I>Bob Jones</I> , <FONT COLOR=RED>Issue: </FONT><I> "
          "45, May 1999</I> ",
          "<BR><FONT COLOR=RED>Keywords (all): </FONT><I>", "review; graphics",
          "</I></FONT></P><UL><P>", "<LI><A HREF=\"#57\">Graphics review</A></LI>",
          "</UL><P><A HREF=\"#Top\">Back to top</A></P><hr align=center size=4 "
          "color=\"008000\">"});
  Append(expected, BlockLines(kArticle57));
  expected.push_back("</P></UL> </BODY> </HTML>");
  EXPECT_EQ(Read("SEARCHRESULT.HTM"), Page(expected));
}

TEST_F(ResultPagesTest, CriteriaWithoutTextAndWordsCutAt255) {
  WriteResults({"10"}, {}, MatchMode::AnyWord, std::nullopt, catalogue::IssueItem(7), true);
  const std::string page = Read("SEARCHRESULT.HTM");
  EXPECT_NE(page.find("<BR>\r\n<FONT COLOR=RED>Issue: </FONT><I>  7, March 1996</I> \r\n"
                      "</I></FONT></P><UL><P>\r\n"),
            std::string::npos);

  WriteResults({"10"}, {std::string(200, 'a'), std::string(100, 'b')}, MatchMode::AnyWord,
               std::nullopt, std::nullopt, false);
  const std::string words = std::string(200, 'a') + "; " + std::string(53, 'b');
  EXPECT_NE(Read("SEARCHRESULT.HTM").find("</FONT><I>\r\n" + words + "\r\n</I>"),
            std::string::npos);
}

TEST_F(ResultPagesTest, ArticleMissingFromTheTableIsLeftOutAfterAnErrorBox) {
  ui_.Expect(core::BoxKind::Error, "Unable to find article when creating search results");
  WriteResults({"10", "999"}, {"x"}, MatchMode::AnyWord, std::nullopt, std::nullopt, false);
  Lines expected = ResultsHead("2");
  Append(expected, {"<FONT COLOR=RED>Keywords (any): </FONT><I>", "x", "</I></FONT></P><UL><P>",
                    "<LI><A HREF=\"#10\">Heap review</A></LI>",
                    "</UL><P><A HREF=\"#Top\">Back to top</A></P><hr align=center size=4 "
                    "color=\"008000\">"});
  Append(expected, BlockLines(kArticle10));
  expected.push_back("</P></UL> </BODY> </HTML>");
  EXPECT_EQ(Read("SEARCHRESULT.HTM"), Page(expected));
}

Lines AllArticlesHead() {
  return {"<HTML><HEAD><TITLE>Vantorel: Complete Articles List</TITLE></HEAD>",
          "<BODY LINK=\"0000ff\" BGPROPERTIES=\"FIXED\" BGCOLOR=\"ffffff\">",
          "<BASEFONT SIZE=\"3\">",
          "<FONT COLOR=RED><P ALIGN=\"LEFT\"><FONT SIZE=\"+3\" FACE=\"ARIAL\">",
          "<A NAME=\"Top\"></A><B>Vantorel: Complete Articles List</B></P></FONT>",
          "<TABLE BORDER CELLPADDING=2 WIDTH=\"100%\">",
          "<TR><TD width=\"22%\"><FONT FACE=\"ARIAL\" COLOR=RED><B>Issue</B></FONT></TD>",
          "<TD width=\"78%\"><FONT FACE=\"ARIAL\" COLOR=RED><B>Title</B></FONT></FONT></TD></TR>",
          "</TABLE><TABLE cellpadding=0 WIDTH=\"100%\">"};
}

TEST_F(ResultPagesTest, CompleteListInIssueOrderByteForByte) {
  pages_->WriteCompleteList(false);
  const Block* order[] = {&kArticle301, &kArticle10,  &kArticle100, &kArticle9,
                          &kArticle57,  &kArticle200, &kArticle300};
  Lines list = AllArticlesHead();
  Lines detail = {"<HTML><HEAD><TITLE>Vantorel: Complete Article Detail</TITLE></HEAD>",
                  "<BODY LINK=\"0000ff\" BGPROPERTIES=\"FIXED\" BGCOLOR=\"ffffff\">",
                  "<BASEFONT SIZE=\"3\">",
                  "<FONT COLOR=RED><P ALIGN=\"LEFT\"><FONT SIZE=\"+3\" FACE=\"ARIAL\">",
                  "<A NAME=\"Top\"></A><B>Vantorel: Complete Article Detail</B></P></FONT></FONT>"};
  Lines progress;
  for (const Block* block : order) {
    list.push_back("<TR><TD width=\"22%\">" + block->issue + "</TD>");
    list.push_back("<TD width=\"78%\"><A HREF=AADETAIL.HTM#" + block->number + ">" +
                   block->title + "</A></TD></TR>");
    Append(detail, BlockLines(*block));
    progress.push_back("Generating results for article " + block->number);
  }
  list.push_back(
      "</TABLE><P><A HREF=\"#Top\">Back to top</A></P><hr align=center size=4 color=\"008000\">");
  list.push_back("</BODY> </HTML>");
  detail.push_back("</BODY> </HTML>");
  EXPECT_EQ(Read("ALLARTS.HTM"), Page(list));
  EXPECT_EQ(Read("AADETAIL.HTM"), Page(detail));
  EXPECT_EQ(ui_.progress, progress);
  EXPECT_FALSE(platform::FileExists(dir_ / "ERRORS.HTM"));
}

TEST_F(ResultPagesTest, TestReportListsMissingPdfFilesAndSourceFolders) {
  pages_->WriteCompleteList(true);
  // The paths as the disk spells them, with "/"; the page is 1252, so the letters of the test
  // folder that 1252 cannot hold are character references.
  const std::string pdf = core::Utf8ToPageCp1252(DataDir() + "PDF/");
  const std::string disks = core::Utf8ToPageCp1252(DataDir() + "DISKS/");
  ASSERT_NE(pdf.find("&#1052;"), std::string::npos);
  const Lines errors = {
      "<HTML><HEAD><TITLE>Vantorel: Test Results File</TITLE></HEAD>",
      "<BODY LINK=\"0000ff\" BGPROPERTIES=\"FIXED\" BGCOLOR=\"ffffff\">",
      "<BASEFONT SIZE=\"3\">",
      "<P ALIGN=\"LEFT\"><FONT SIZE=\"+3\" FACE=\"ARIAL\" COLOR=RED>",
      "<A NAME=\"Top\"></A><B>Vantorel: Test Results File</B></P></FONT><FONT FACE=\"ARIAL\">",
      "<P>Missing source code files:<BR>" + disks + "Issue05</P>",
      "<P>Missing PDF file " + pdf + "0010.PDF<BR>Heap review</P>",
      "<P>Missing PDF file " + pdf + "0057.PDF<BR>Graphics review</P>",
      "<P>Missing PDF file " + pdf + "C045.PDF<BR>Clinic</P>",
      "<P>Missing source code files:<BR>" + disks + "Issue45/CLINIC</P>",
      "<P>Missing source code files:<BR>" + disks + "Issue73/NOSRC</P>",
      "<P>End of Test Results</P></BODY> </HTML>"};
  EXPECT_EQ(Read("ERRORS.HTM"), Page(errors));
  EXPECT_TRUE(platform::FileExists(dir_ / "ALLARTS.HTM"));
  EXPECT_TRUE(platform::FileExists(dir_ / "AADETAIL.HTM"));
}

TEST_F(ResultPagesTest, UnknownAuthorNumberWritesNoName) {
  catalogue_.reset();
  WriteCatalogue({{5, "Article", "", "Ghost", 7, 2, 0, 12, ""}}, SampleAuthors(), {});
  for (const char* index : {"kwaid.ndx", "kwkey.ndx", "araid.ndx", "ariss.ndx"})
    std::filesystem::remove(dir_.path() / index);  // as new as the tables: they would be kept
  OpenCatalogue();
  pages_ = std::make_unique<catalogue::ResultPages>(*catalogue_, settings_);
  WriteResults({"5"}, {}, MatchMode::AnyWord, std::nullopt, std::nullopt, true);
  EXPECT_NE(Read("SEARCHRESULT.HTM")
                .find("<TD COLSPAN=2 VALIGN=MIDDLE>\r\n, " + Pad("Bob Jones", 64) + "\r\n</TD>"),
            std::string::npos);
}

TEST_F(ResultPagesTest, AnAuthorNumberGivenTwiceNamesTheFirstRecord) {
  catalogue_.reset();
  std::vector<AuthorRow> authors = SampleAuthors();
  authors.push_back({2, "Second Bob"});
  WriteCatalogue({{5, "Article", "", "Twice", 7, 2, 0, 12, ""}}, authors, {});
  for (const char* index : {"kwaid.ndx", "kwkey.ndx", "araid.ndx", "ariss.ndx"})
    std::filesystem::remove(dir_.path() / index);
  OpenCatalogue();
  pages_ = std::make_unique<catalogue::ResultPages>(*catalogue_, settings_);
  WriteResults({"5"}, {}, MatchMode::AnyWord, std::nullopt, std::nullopt, true);
  const std::string page = Read("SEARCHRESULT.HTM");
  EXPECT_NE(page.find(", " + Pad("Bob Jones", 64)), std::string::npos);
  EXPECT_EQ(page.find("Second Bob"), std::string::npos);
}

// Blank keywords: a separator goes in only once the line holds text, so a leading blank
// keyword adds nothing and a later one an empty item.
TEST_F(ResultPagesTest, BlankKeywordsInTheKeywordsLine) {
  catalogue_.reset();
  WriteCatalogue({{5, "Article", "", "Blanks", 7, 2, 0, 12, ""}}, SampleAuthors(),
                 {{5, ""}, {5, "HEAP"}, {5, ""}, {5, "LIST"}});
  for (const char* index : {"kwaid.ndx", "kwkey.ndx", "araid.ndx", "ariss.ndx"})
    std::filesystem::remove(dir_.path() / index);
  OpenCatalogue();
  pages_ = std::make_unique<catalogue::ResultPages>(*catalogue_, settings_);
  WriteResults({"5"}, {}, MatchMode::AnyWord, std::nullopt, std::nullopt, true);
  EXPECT_NE(Read("SEARCHRESULT.HTM").find("<TD COLSPAN=3 VALIGN=MIDDLE>\r\nHEAP; ; LIST\r\n"),
            std::string::npos);
}

TEST_F(ResultPagesTest, PageThatCannotBeCreatedThrows) {
  std::filesystem::create_directory(dir_.path() / "SEARCHRESULT.HTM");
  EXPECT_THROW(
      WriteResults({"9"}, {}, MatchMode::AnyWord, std::nullopt, std::nullopt, true),
      catalogue::EInOutError);
}

}  // namespace
}  // namespace vantorel::testing
