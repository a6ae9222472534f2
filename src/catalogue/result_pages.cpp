#include "catalogue/result_pages.h"

#include <algorithm>
#include <array>
#include <initializer_list>

#include "catalogue/article_values.h"
#include "catalogue/issue_names.h"
#include "catalogue/page_file.h"
#include "core/code_pages.h"
#include "core/texts.h"
#include "core/ui.h"
#include "platform/file_system.h"

namespace vantorel::catalogue {

namespace {

constexpr char kBodyLine[] = R"(<BODY LINK="0000ff" BGPROPERTIES="FIXED" BGCOLOR="ffffff">)";
constexpr char kBaseFontLine[] = R"(<BASEFONT SIZE="3">)";
constexpr char kBackToTopLine[] =
    R"(<P><A HREF="#Top">Back to top</A></P><hr align=center size=4 color="008000">)";
constexpr char kCell[] = "<TD COLSPAN=1 VALIGN=MIDDLE>";
constexpr char kNotFound[] = "Unable to find article when creating search results";

// A character field as FieldAsString gives it, trailing blanks removed: the stored text up to
// a NUL, without its trailing blanks.
void AppendCharacterField(std::string_view stored, std::string& line) {
  stored = stored.substr(0, stored.find('\0'));
  std::size_t end = stored.size();
  while (end > 0 && stored[end - 1] == ' ') --end;
  line.append(stored.data(), end);
}

// True when the table's field of that name is a character field.
bool CharacterField(tables::KvDbf& table, std::string_view name) {
  const int number = tables::FieldNumberByName(table.Fields(), name);
  return number != 0 && table.Fields()[static_cast<std::size_t>(number - 1)].type == 'C';
}

void Progress(const std::string& number) {
  core::CurrentUi().ShowProgress("Generating results for article " + number);
}

}  // namespace

struct ResultPages::Article {
  std::int32_t id = 0;       // ARTICLE_ID
  std::string number;        // ARTICLE_ID in decimal
  std::string title;         // TITLE, trailing blanks removed
  std::string padded_type;   // ARTICLE_TY as read (8 characters)
  std::int32_t issue = 0;    // ISSUE__
  std::string issue_text;    // ISSUE__ in decimal
  std::string issue_name;    // IssueName(issue)
  std::array<std::int32_t, 3> authors{};  // AUTHOR_1 to AUTHOR_3; 0 for none
  std::string pdf_name;      // PdfBaseName; empty for a type without a PDF file
  std::string source_dir;    // SourceDirectory; empty for none
};

namespace {

// The companion-disk folder of an article: SourceDir (a path) joined with the table's folder
// name (code page 1252).
std::string SourceFolderOf(const core::BrowserSettings& settings, const std::string& source_dir) {
  return settings.SourceDir + core::Cp1252ToUtf8(source_dir);
}

// A path in a generated page, as the reader's disk spells it.
std::string PathInPage(const std::string& path) {
  return core::Utf8ToPageCp1252(platform::ShownPath(path));
}

}  // namespace

ResultPages::ResultPages(Catalogue& catalogue, const core::BrowserSettings& settings)
    : catalogue_(catalogue), settings_(settings) {}

ResultPages::Article ResultPages::ReadArticle() {
  tables::KvDbf& table = catalogue_.ArticleDBF();
  Article article;
  const std::int32_t id = table.FieldAsInteger("ARTICLE_ID");
  article.id = id;
  article.number = std::to_string(id);
  article.title = core::RightTrim(table.FieldAsString("TITLE"));
  article.padded_type = table.FieldAsString("ARTICLE_TY");
  const std::string type = core::RightTrim(article.padded_type);
  article.issue = table.FieldAsInteger("ISSUE__");
  article.issue_text = std::to_string(article.issue);
  article.issue_name = IssueName(article.issue);
  article.authors = {table.FieldAsInteger("AUTHOR_1"), table.FieldAsInteger("AUTHOR_2"),
                     table.FieldAsInteger("AUTHOR_3")};
  article.pdf_name = PdfBaseName(id, type, article.issue);
  article.source_dir = SourceDirectory(
      type, core::RightTrim(table.FieldAsString("DIRECTORY")), article.issue);
  return article;
}

// The author table has no index, so locating each author of each article scans it from the
// top; one pass in record order keeps, for every AUTHOR_ID, the NAME of the first visible record
// with that number, which is the record such a scan stops at.
const std::string* ResultPages::AuthorName(std::int32_t author) {
  if (!author_names_) {
    author_names_.emplace();
    std::vector<std::pair<std::int32_t, std::string>> names;
    tables::KvDbf& authors = catalogue_.AuthorDBF();
    for (authors.First(); !authors.Eof(); authors.Skip(1))
      names.emplace_back(authors.FieldAsInteger("AUTHOR_ID"), authors.FieldAsString("NAME"));
    // Sorted by number, the first record of each number kept.
    std::stable_sort(names.begin(), names.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [number, name] : names) {
      if (!author_names_->numbers.empty() && author_names_->numbers.back() == number) continue;
      author_names_->numbers.push_back(number);
      author_names_->names.push_back(std::move(name));
    }
  }
  const std::vector<std::int32_t>& numbers = author_names_->numbers;
  const auto found = std::lower_bound(numbers.begin(), numbers.end(), author);
  if (found == numbers.end() || *found != author) return nullptr;
  return &author_names_->names[static_cast<std::size_t>(found - numbers.begin())];
}

void ResultPages::AppendKeywordsLine(const Article& article, std::string& line) {
  tables::KvDbf& keywords = catalogue_.KeywordDBF();
  if (!keywords.FindExact(article.number)) return;
  // A separator goes before a keyword once the line holds text (so a leading blank keyword
  // adds nothing).
  const std::size_t start = line.size();
  for (; !keywords.Eof(); keywords.Skip(1)) {
    if (keywords.FieldAsInteger("ARTICLE_ID") != article.id) break;
    if (line.size() > start) line += "; ";
    if (keyword_is_character_)
      AppendCharacterField(keywords.FieldBytes("KEYWORD"), line);
    else
      line += core::RightTrim(keywords.FieldAsString("KEYWORD"));
  }
}

void ResultPages::DetailBlock(const Article& article, std::string& block) {
  const auto line = [&block](std::initializer_list<std::string_view> parts) {
    for (const std::string_view part : parts) block += part;
    block += "\r\n";
  };
  line({R"(<P><A NAME=")", article.number, R"("></A></P>)"});
  line({R"(<TABLE border cellpadding=3 valign=top width="100%">)"});
  line({R"(<TR><TH COLSPAN=4 ALIGN=LEFT><FONT FACE="ARIAL" COLOR=RED><B>)"});
  line({article.title, "</B></FONT></TH></TR>"});
  line({R"(<TR><TD COLSPAN=1 VALIGN=MIDDLE><FONT FACE="ARIAL"><B>Authors</B></FONT></TD>)"});
  line({"<TD COLSPAN=2 VALIGN=MIDDLE>"});
  for (std::size_t place = 0; place < article.authors.size(); ++place) {
    const std::int32_t author = article.authors[place];
    if (author == 0) continue;
    if (const std::string* name = AuthorName(author)) line({place == 0 ? "" : ", ", *name});
  }
  line({"</TD>"});
  line({R"(<TD COLSPAN=1 VALIGN=MIDDLE><FONT FACE="ARIAL"><B>Type: )", article.padded_type,
        "</B></FONT></TD>"});
  line({R"(<TR valign=top><TD COLSPAN=1 VALIGN=MIDDLE><FONT FACE="ARIAL"><B>Issue</B></FONT></TD>)"});
  line({kCell, article.issue_text, " : ", article.issue_name, "</TD>"});
  if (article.issue > settings_.LastIssue || article.pdf_name.empty())
    line({kCell, "<I>Article not available</I></TD>"});
  else
    line({kCell, R"(<A HREF="file:///pdf/)", article.pdf_name, R"(.PDF">View article</A></TD>)"});
  if (article.source_dir.empty())
    line({kCell, "<I>No source code</I></TD></TR>"});
  else if (!source_folders_->Exists(article.source_dir))
    line({kCell, "<I>Source code not available</I></TD></TR>"});
  else
    line({kCell, R"(<A HREF="diry:///disks/)", article.source_dir,
          R"(\">View source code</A></TD></TR>)"});
  line({R"(<TR><TD COLSPAN=1 VALIGN=TOP><FONT FACE="ARIAL"><B>Summary</B></FONT></TD>)"});
  line({"<TD COLSPAN=3 VALIGN=MIDDLE>"});
  catalogue_.ArticleDBF().GetMField("SUMMARY", summary_);
  for (const std::string& text : summary_) line({text});
  line({"</TD></TR>"});
  line({R"(<TR><TD COLSPAN=1 VALIGN=TOP><FONT FACE="ARIAL"><B>Keywords</B></FONT></TD>)"});
  line({"<TD COLSPAN=3 VALIGN=MIDDLE>"});
  AppendKeywordsLine(article, block);
  block += "\r\n";
  line({"</TD></TR></TABLE>"});
  line({kBackToTopLine});
}

void ResultPages::WriteSearchResults(const SearchResults& results) {
  author_names_.reset();  // the tables and the folders may have changed since the last page
  source_folders_.emplace(settings_.SourceDir);
  const std::string& write_dir = catalogue_.WriteDir();
  catalogue_.KeywordDBF().SetIndexToFiles({write_dir + "kwaid"});
  keyword_is_character_ = CharacterField(catalogue_.KeywordDBF(), "KEYWORD");
  PageFile page(write_dir + "SEARCHRESULT.HTM");
  page.Line("<HTML><HEAD><TITLE>Search Results</TITLE></HEAD>");
  page.Line(kBodyLine);
  page.Line(kBaseFontLine);
  page.Line(R"(<FONT COLOR=RED><P ALIGN="LEFT"><FONT SIZE="+3" FACE="ARIAL">)");
  page.Line(R"(<A NAME="Top"></A><B>Search Results<BR></FONT>)");
  page.Line(R"(<FONT COLOR=BLACK><P ALIGN="LEFT"><FONT SIZE="+1" FACE="ARIAL">)");
  page.Line(std::to_string(results.articles.Count()) +
            " articles found matching search criteria:</B><BR>");
  const bool criteria = results.author_item || results.issue_item;
  if (criteria) {
    std::string line;
    if (results.author_item)
      line = "<FONT COLOR=RED>Author: </FONT><I>" +
             core::RightTrim(results.author_item->substr(0, kAuthorNameWidth)) + "</I> ";
    if (results.issue_item) {
      if (results.author_item) line += ", ";
      line += "<FONT COLOR=RED>Issue: </FONT><I>" +
              core::ReplaceAllNoCase(*results.issue_item, " :", ",") + "</I> ";
    }
    page.Line(line);
  }
  if (!results.text_empty) {
    page.Line(std::string(criteria ? "<BR>" : "") +
              (results.mode == MatchMode::AnyWord ? "<FONT COLOR=RED>Keywords (any): </FONT><I>"
                                                  : "<FONT COLOR=RED>Keywords (all): </FONT><I>"));
    std::string words;
    for (const std::string& word : results.words.Items()) {
      if (!words.empty()) words += "; ";
      words += word;
    }
    page.Line(core::CutToShortString(words));
  }
  page.Line("</I></FONT></P><UL><P>");
  tables::KvDbf& articles = catalogue_.ArticleDBF();
  articles.SetIndexToFiles({write_dir + "araid"});
  std::vector<std::string> details;  // the detail blocks held back, lines ended by CR LF
  for (const std::string& number : results.articles.Items()) {
    Progress(number);
    if (!articles.Find(number)) {
      core::ShowError(kNotFound);
      continue;
    }
    const Article article = ReadArticle();
    page.Line(R"(<LI><A HREF="#)" + number + R"(">)" + article.title + "</A></LI>");
    DetailBlock(article, details.emplace_back());
  }
  page.Line(std::string("</UL>") + kBackToTopLine);
  for (const std::string& block : details) page.Lines(block);
  page.Line("</P></UL> </BODY> </HTML>");
  page.Close();
}

void ResultPages::WriteTestLines(const Article& article, PageFile& errors) {
  if (article.issue <= settings_.LastIssue && !article.pdf_name.empty()) {
    const std::string pdf = settings_.PdfDir + core::Cp1252ToUtf8(article.pdf_name) + ".PDF";
    if (!platform::FileExists(pdf))
      errors.Line("<P>Missing PDF file " + PathInPage(pdf) + "<BR>" + article.title + "</P>");
  }
  if (!article.source_dir.empty() && !source_folders_->Exists(article.source_dir))
    errors.Line("<P>Missing source code files:<BR>" + PathInPage(SourceFolderOf(settings_, article.source_dir)) +
                "</P>");
}

void ResultPages::WriteCompleteList(bool with_test_report) {
  author_names_.reset();
  source_folders_.emplace(settings_.SourceDir);
  const std::string& write_dir = catalogue_.WriteDir();
  tables::KvDbf& articles = catalogue_.ArticleDBF();
  articles.SetIndexToFiles({write_dir + "ariss"});
  articles.First();
  std::optional<PageFile> errors;
  if (with_test_report) {
    errors.emplace(write_dir + "ERRORS.HTM");
    errors->Line("<HTML><HEAD><TITLE>Vantorel: Test Results File</TITLE></HEAD>");
    errors->Line(kBodyLine);
    errors->Line(kBaseFontLine);
    errors->Line(R"(<P ALIGN="LEFT"><FONT SIZE="+3" FACE="ARIAL" COLOR=RED>)");
    errors->Line(
        R"(<A NAME="Top"></A><B>Vantorel: Test Results File</B></P></FONT><FONT FACE="ARIAL">)");
  }
  PageFile list(write_dir + "ALLARTS.HTM");
  PageFile detail(write_dir + "AADETAIL.HTM");
  catalogue_.KeywordDBF().SetIndexToFiles({write_dir + "kwaid"});
  keyword_is_character_ = CharacterField(catalogue_.KeywordDBF(), "KEYWORD");
  list.Line("<HTML><HEAD><TITLE>Vantorel: Complete Articles List</TITLE></HEAD>");
  list.Line(kBodyLine);
  list.Line(kBaseFontLine);
  list.Line(R"(<FONT COLOR=RED><P ALIGN="LEFT"><FONT SIZE="+3" FACE="ARIAL">)");
  list.Line(R"(<A NAME="Top"></A><B>Vantorel: Complete Articles List</B></P></FONT>)");
  list.Line(R"(<TABLE BORDER CELLPADDING=2 WIDTH="100%">)");
  list.Line(R"(<TR><TD width="22%"><FONT FACE="ARIAL" COLOR=RED><B>Issue</B></FONT></TD>)");
  list.Line(
      R"(<TD width="78%"><FONT FACE="ARIAL" COLOR=RED><B>Title</B></FONT></FONT></TD></TR>)");
  list.Line(R"(</TABLE><TABLE cellpadding=0 WIDTH="100%">)");
  detail.Line("<HTML><HEAD><TITLE>Vantorel: Complete Article Detail</TITLE></HEAD>");
  detail.Line(kBodyLine);
  detail.Line(kBaseFontLine);
  detail.Line(R"(<FONT COLOR=RED><P ALIGN="LEFT"><FONT SIZE="+3" FACE="ARIAL">)");
  detail.Line(
      R"(<A NAME="Top"></A><B>Vantorel: Complete Article Detail</B></P></FONT></FONT>)");
  std::string block;  // the current article's detail block
  for (; !articles.Eof(); articles.Skip(1)) {
    const Article article = ReadArticle();
    Progress(article.number);
    list.Line(R"(<TR><TD width="22%">)" + article.issue_text + " : " + article.issue_name +
              "</TD>");
    list.Line(R"(<TD width="78%"><A HREF=)" + std::string("AADETAIL.HTM") + "#" +
              article.number + ">" + article.title + "</A></TD></TR>");
    block.clear();
    DetailBlock(article, block);
    detail.Lines(block);
    if (errors) WriteTestLines(article, *errors);
  }
  list.Line(std::string("</TABLE>") + kBackToTopLine);
  if (errors) {
    errors->Line("<P>End of Test Results</P></BODY> </HTML>");
    errors->Close();
  }
  list.Line("</BODY> </HTML>");
  list.Close();
  detail.Line("</BODY> </HTML>");
  detail.Close();
}

}  // namespace vantorel::catalogue
