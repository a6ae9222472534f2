#include "fulltext/fulltext_pages.h"

#include "catalogue/issue_names.h"
#include "catalogue/page_file.h"
#include "core/code_pages.h"
#include "core/texts.h"
#include "fulltext/fts_extensions.h"

namespace vantorel::fulltext {

namespace {

constexpr char kExtractArchive[] = "Extract this archive";

constexpr char kHitRule[] =
    "<P><A HREF=\"#Top\">Back to top</A></P><hr align=center size=4 color=\"008000\">";

std::string Page(std::string_view utf8) { return core::Utf8ToPageCp1252(utf8); }

std::string Thousands(std::size_t number) {
  std::string text = std::to_string(number);
  for (int at = static_cast<int>(text.size()) - 3; at > 0; at -= 3)
    text.insert(static_cast<std::size_t>(at), ",");
  return text;
}

std::string WithBackslashes(std::string text) {
  for (char& c : text)
    if (c == '/') c = '\\';
  return text;
}

// The link cell of a hit.
std::string LinkCell(const Hit& hit, const FullTextIndex& index) {
  const std::string word = Page(FirstFoundWord(hit.snippets[0]));
  const std::string shown = Page(index.ShownPath(hit.root, hit.path));
  std::string href;
  std::string text;
  if (!hit.member.empty()) {
    const std::string archive = shown.front() == '/' ? "file://" + shown : shown;
    text = shown + " : " + Page(hit.member);
    href = (hit.root == Root::Disks ? "VIEW:///DISKS/" + WithBackslashes(Page(hit.path))
                                    : "VIEW:///" + WithBackslashes(shown)) +
           "?" + core::PercentEncoded(hit.member) + "|" + word;
    return "<TD COLSPAN=2 VALIGN=MIDDLE><A HREF=\"" + href + "\">" + text + "</A> (<A HREF=\"" +
           archive + "\">" + kExtractArchive + "</A>)</TD>";
  } else if (hit.root == Root::Pdf) {
    href = "file:///pdf/" + Page(hit.path);
    if (hit.page > 0) href += "#page=" + std::to_string(hit.page);
    text = "View article";
  } else if (hit.root == Root::Disks) {
    href = "VIEW:///DISKS/" + WithBackslashes(Page(hit.path)) + "|" + word;
    text = shown;
  } else {
    href = "SRCH:///" + Page(hit.path) + "|" + word;
    text = shown;
  }
  return "<TD COLSPAN=2 VALIGN=MIDDLE><A HREF=\"" + href + "\">" + text + "</A></TD>";
}

}  // namespace

std::string FirstFoundWord(std::string_view snippet) {
  const std::size_t on = snippet.find(kBoldOn);
  if (on == std::string_view::npos) return {};
  const std::size_t off = snippet.find(kBoldOff, on + 1);
  return std::string(snippet.substr(on + 1, off == std::string_view::npos ? off : off - on - 1));
}

std::string SnippetHtml(std::string_view snippet) {
  std::string collapsed;
  bool blank = false;
  for (const char c : snippet) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == kPageBreak) {
      blank = true;
      continue;
    }
    if (blank && !collapsed.empty()) collapsed += ' ';
    blank = false;
    collapsed += c;
  }
  std::string html;
  for (const char c : Page(collapsed)) {
    if (c == kBoldOn) {
      html += "<B>";
    } else if (c == kBoldOff) {
      html += "</B>";
    } else {
      html += c;
    }
  }
  return html;
}

void WriteFullTextPage(const std::string& path, std::string_view query,
                       const SearchResults& results, const FullTextIndex& index,
                       std::size_t problems) {
  catalogue::PageFile page(path);
  page.Line("<HTML><HEAD><TITLE>Full-Text Search Results</TITLE></HEAD>");
  page.Line(R"(<BODY LINK="0000ff" BGPROPERTIES="FIXED" BGCOLOR="ffffff">)");
  page.Line(R"(<BASEFONT SIZE="3">)");
  page.Line(R"(<FONT COLOR=RED><P ALIGN="LEFT"><FONT SIZE="+3" FACE="ARIAL">)");
  page.Line(R"(<A NAME="Top"></A><B>Full-Text Search Results<BR></FONT>)");
  page.Line(R"(<FONT COLOR=BLACK><P ALIGN="LEFT"><FONT SIZE="+1" FACE="ARIAL">)");
  page.Line(Thousands(results.total) + (results.total == 1 ? " file" : " files") +
            " found matching the query:</B><BR>");
  page.Line("<FONT COLOR=RED>Query: </FONT><I>" + Page(query) + "</I>");
  if (results.hits.size() < results.total)
    page.Line("<BR>The best " + Thousands(results.hits.size()) + " are listed.");
  if (problems > 0)
    page.Line(std::string("<BR><A HREF=\"") + kReportPageName + "\">" + Thousands(problems) +
              (problems == 1 ? " file" : " files") + " could not be read in full</A>");
  page.Line("</FONT></P>");
  int number = 0;
  for (const Hit& hit : results.hits) {
    ++number;
    page.Line("<P><A NAME=\"HIT" + std::to_string(number) + "\"></A></P>");
    page.Line("<TABLE border cellpadding=3 valign=top width=\"100%\">");
    page.Line("<TR><TH COLSPAN=4 ALIGN=LEFT><FONT FACE=\"ARIAL\" COLOR=RED><B>");
    page.Line(Page(hit.title) + "</B></FONT></TH></TR>");
    if (!hit.article_ids.empty()) {
      page.Line("<TR><TD COLSPAN=1 VALIGN=MIDDLE><FONT FACE=\"ARIAL\"><B>Authors</B></FONT></TD>");
      page.Line("<TD COLSPAN=3 VALIGN=MIDDLE>" + Page(hit.authors) + "</TD></TR>");
    }
    page.Line("<TR valign=top><TD COLSPAN=1 VALIGN=MIDDLE><FONT FACE=\"ARIAL\"><B>Issue</B>"
              "</FONT></TD>");
    page.Line("<TD COLSPAN=1 VALIGN=MIDDLE>" +
              (hit.issue ? std::to_string(*hit.issue) + " : " + catalogue::IssueName(*hit.issue)
                         : std::string()) +
              "</TD>");
    page.Line(LinkCell(hit, index) + "</TR>");
    if (hit.page > 0)
      page.Line("<TR><TD COLSPAN=1 VALIGN=MIDDLE><FONT FACE=\"ARIAL\"><B>Page</B></FONT></TD>"
                "<TD COLSPAN=3 VALIGN=MIDDLE>" + std::to_string(hit.page) + "</TD></TR>");
    page.Line("<TR><TD COLSPAN=1 VALIGN=TOP><FONT FACE=\"ARIAL\"><B>Found</B></FONT></TD>");
    page.Line("<TD COLSPAN=3 VALIGN=MIDDLE>");
    for (const std::string& snippet : hit.snippets)
      if (!snippet.empty()) page.Line(SnippetHtml(snippet) + "<BR>");
    page.Line("</TD></TR></TABLE>");
    page.Line(kHitRule);
  }
  page.Line("</BODY> </HTML>");
  page.Close();
}

void WriteReportPage(const std::string& path, const std::vector<Problem>& problems) {
  catalogue::PageFile page(path);
  page.Line("<HTML><HEAD><TITLE>Vantorel: Full-Text Index Report</TITLE></HEAD>");
  page.Line(R"(<BODY LINK="0000ff" BGPROPERTIES="FIXED" BGCOLOR="ffffff">)");
  page.Line(R"(<BASEFONT SIZE="3">)");
  page.Line(R"(<P ALIGN="LEFT"><FONT SIZE="+3" FACE="ARIAL" COLOR=RED>)");
  page.Line(R"(<A NAME="Top"></A><B>Vantorel: Full-Text Index Report</B></P></FONT><FONT FACE="ARIAL">)");
  for (const Problem& problem : problems)
    page.Line("<P>" + Page(problem.path) + "<BR>" + Page(problem.text) + "</P>");
  page.Line("<P>End of Full-Text Index Report</P></BODY> </HTML>");
  page.Close();
}

}  // namespace vantorel::fulltext
