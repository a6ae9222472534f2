#include "result_page_helpers.h"

#include <algorithm>
#include <vector>

namespace vantorel::testing {
namespace {

const char* const kTypes[] = {"Article", "Review", "Tip", "Clinic"};
const char* const kMonths[] = {"January", "February", "March", "April", "May", "June", "July",
                               "August", "September", "October", "November", "December"};

struct Article {
  int number;
  std::string title;
  std::string type;
  int issue;
};

Article ArticleNumber(int number) {
  Article article;
  article.number = number;
  article.type = kTypes[number % 4];
  article.issue = 1 + number % 80;
  article.title = "Writing a " + std::to_string(number) + "-line Delphi component for fun & profit";
  return article;
}

std::string Padded(std::string text, std::size_t width) {
  text.resize(std::max(width, text.size()), ' ');
  return text;
}

std::string IssueName(int issue) {
  return std::string(kMonths[(issue + 3) % 12]) + " " + std::to_string(1995 + (issue + 3) / 12);
}

std::string ZeroPadded(int number, int digits) {
  std::string text = std::to_string(number);
  while (static_cast<int>(text.size()) < digits) text.insert(text.begin(), '0');
  return text;
}

// The detail block of one article, lines 1 to 22.
void AppendDetailBlock(std::string& page, const Article& a) {
  auto line = [&page](const std::string& text) { page += text + "\r\n"; };
  const std::string number = std::to_string(a.number);
  line("<P><A NAME=\"" + number + "\"></A></P>");
  line("<TABLE border cellpadding=3 valign=top width=\"100%\">");
  line("<TR><TH COLSPAN=4 ALIGN=LEFT><FONT FACE=\"ARIAL\" COLOR=RED><B>");
  line(a.title + "</B></FONT></TH></TR>");
  line("<TR><TD COLSPAN=1 VALIGN=MIDDLE><FONT FACE=\"ARIAL\"><B>Authors</B></FONT></TD>");
  line("<TD COLSPAN=2 VALIGN=MIDDLE>");
  line(Padded("Hallvard Vassbotn", 64));
  if (a.number % 3 == 0) line(", " + Padded("Bob Swart", 64));
  line("</TD>");
  line("<TD COLSPAN=1 VALIGN=MIDDLE><FONT FACE=\"ARIAL\"><B>Type: " + Padded(a.type, 8) + "</B></FONT></TD>");
  line("<TR valign=top><TD COLSPAN=1 VALIGN=MIDDLE><FONT FACE=\"ARIAL\"><B>Issue</B></FONT></TD>");
  line("<TD COLSPAN=1 VALIGN=MIDDLE>" + std::to_string(a.issue) + " : " + IssueName(a.issue) + "</TD>");
  std::string pdf = a.type == "Tip" ? "T" + ZeroPadded(a.issue, 3)
                    : a.type == "Clinic" ? "C" + ZeroPadded(a.issue, 3)
                                         : ZeroPadded(a.number, 4);
  if (a.issue > 72) {
    line("<TD COLSPAN=1 VALIGN=MIDDLE><I>Article not available</I></TD>");
  } else {
    line("<TD COLSPAN=1 VALIGN=MIDDLE><A HREF=\"file:///pdf/" + pdf + ".PDF\">View article</A></TD>");
  }
  const std::string issue_dir = (a.issue < 10 ? "Issue0" : "Issue") + std::to_string(a.issue);
  if (a.number % 5 == 4) {
    line("<TD COLSPAN=1 VALIGN=MIDDLE><I>No source code</I></TD></TR>");
  } else {
    line("<TD COLSPAN=1 VALIGN=MIDDLE><A HREF=\"diry:///disks/" + issue_dir +
         (a.type == "Tip" ? "\\TIPTRIX" : a.type == "Clinic" ? "\\CLINIC" : "\\VSBTN") + "\\\">View source code</A></TD></TR>");
  }
  line("<TR><TD COLSPAN=1 VALIGN=TOP><FONT FACE=\"ARIAL\"><B>Summary</B></FONT></TD>");
  line("<TD COLSPAN=3 VALIGN=MIDDLE>");
  line("How to build a reusable component that draws its own frame, keeps its state in a");
  line("stream and survives being dropped on a form twice. Includes the full source and a");
  line("short discussion of the VCL's streaming system (\x93properties\x94 and all).");
  line("</TD></TR>");
  line("<TR><TD COLSPAN=1 VALIGN=TOP><FONT FACE=\"ARIAL\"><B>Keywords</B></FONT></TD>");
  line("<TD COLSPAN=3 VALIGN=MIDDLE>");
  line(a.number % 7 == 6 ? "" : "components; streaming; VCL; custom drawing");
  line("</TD></TR></TABLE>");
  line("<P><A HREF=\"#Top\">Back to top</A></P><hr align=center size=4 color=\"008000\">");
}

}  // namespace

std::string SearchResultsPage(int count) {
  std::string page;
  auto line = [&page](const std::string& text) { page += text + "\r\n"; };
  line("<HTML><HEAD><TITLE>Search Results</TITLE></HEAD>");
  line("<BODY LINK=\"0000ff\" BGPROPERTIES=\"FIXED\" BGCOLOR=\"ffffff\">");
  line("<BASEFONT SIZE=\"3\">");
  line("<FONT COLOR=RED><P ALIGN=\"LEFT\"><FONT SIZE=\"+3\" FACE=\"ARIAL\">");
  line("<A NAME=\"Top\"></A><B>Search Results<BR></FONT>");
  line("<FONT COLOR=BLACK><P ALIGN=\"LEFT\"><FONT SIZE=\"+1\" FACE=\"ARIAL\">");
  line(std::to_string(count) + " articles found matching search criteria:</B><BR>");
  line("<FONT COLOR=RED>Author: </FONT><I>Hallvard Vassbotn</I> , <FONT COLOR=RED>Issue: </FONT><I> 45, May 1999</I> ");
  line("<BR><FONT COLOR=RED>Keywords (any): </FONT><I>");
  line("components; streaming");
  line("</I></FONT></P><UL><P>");
  std::vector<Article> articles;
  for (int number = 1; number <= count; ++number) articles.push_back(ArticleNumber(number));
  for (const Article& a : articles) {
    line("<LI><A HREF=\"#" + std::to_string(a.number) + "\">" + a.title + "</A></LI>");
  }
  line("</UL><P><A HREF=\"#Top\">Back to top</A></P><hr align=center size=4 color=\"008000\">");
  for (const Article& a : articles) AppendDetailBlock(page, a);
  line("</P></UL> </BODY> </HTML>");
  return page;
}

std::string AllArticlesPage(int count) {
  std::string page;
  auto line = [&page](const std::string& text) { page += text + "\r\n"; };
  line("<HTML><HEAD><TITLE>Vantorel: Complete Articles List</TITLE></HEAD>");
  line("<BODY LINK=\"0000ff\" BGPROPERTIES=\"FIXED\" BGCOLOR=\"ffffff\">");
  line("<BASEFONT SIZE=\"3\">");
  line("<FONT COLOR=RED><P ALIGN=\"LEFT\"><FONT SIZE=\"+3\" FACE=\"ARIAL\">");
  line("<A NAME=\"Top\"></A><B>Vantorel: Complete Articles List</B></P></FONT>");
  line("<TABLE BORDER CELLPADDING=2 WIDTH=\"100%\">");
  line("<TR><TD width=\"22%\"><FONT FACE=\"ARIAL\" COLOR=RED><B>Issue</B></FONT></TD>");
  line("<TD width=\"78%\"><FONT FACE=\"ARIAL\" COLOR=RED><B>Title</B></FONT></FONT></TD></TR>");
  line("</TABLE><TABLE cellpadding=0 WIDTH=\"100%\">");
  for (int number = 1; number <= count; ++number) {
    const Article a = ArticleNumber(number);
    line("<TR><TD width=\"22%\">" + std::to_string(a.issue) + " : " + IssueName(a.issue) + "</TD>");
    line("<TD width=\"78%\"><A HREF=AADETAIL.HTM#" + std::to_string(a.number) + ">" + a.title + "</A></TD></TR>");
  }
  line("</TABLE><P><A HREF=\"#Top\">Back to top</A></P><hr align=center size=4 color=\"008000\">");
  line("</BODY> </HTML>");
  return page;
}

std::string ArticleDetailPage(int count) {
  std::string page;
  auto line = [&page](const std::string& text) { page += text + "\r\n"; };
  line("<HTML><HEAD><TITLE>Vantorel: Complete Article Detail</TITLE></HEAD>");
  line("<BODY LINK=\"0000ff\" BGPROPERTIES=\"FIXED\" BGCOLOR=\"ffffff\">");
  line("<BASEFONT SIZE=\"3\">");
  line("<FONT COLOR=RED><P ALIGN=\"LEFT\"><FONT SIZE=\"+3\" FACE=\"ARIAL\">");
  line("<A NAME=\"Top\"></A><B>Vantorel: Complete Article Detail</B></P></FONT></FONT>");
  for (int number = 1; number <= count; ++number) AppendDetailBlock(page, ArticleNumber(number));
  line("</BODY> </HTML>");
  return page;
}

}  // namespace vantorel::testing
