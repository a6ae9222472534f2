#include "catalogue/bonus_result_page.h"

#include <optional>
#include <unordered_map>

#include "catalogue/page_file.h"
#include "core/texts.h"
#include "core/ui.h"

namespace vantorel::catalogue {

namespace {

constexpr char kLinkFileMissing[] = "Unable to find link file when creating search results";
constexpr char kMatchSeparator = '|';

// A document's NAME and TITLE, trimmed.
struct Document {
  std::string name, title;
};

// What Locate("FILE_ID", key) from the first record finds, for every key at once: the table
// has no index, so Locate visits the visible records in record order and stops at the first
// whose FILE_ID, trailing blanks removed, is the key; one pass in that order keeps the first
// record of each such text. nullopt when FILE_ID is not a character field (Locate then
// compares numbers).
std::optional<std::unordered_map<std::string, Document>> DocumentsByKey(tables::KvDbf& files) {
  const int number = tables::FieldNumberByName(files.Fields(), "FILE_ID");
  if (number == 0 || files.Fields()[static_cast<std::size_t>(number - 1)].type != 'C')
    return std::nullopt;
  std::unordered_map<std::string, Document> documents;
  for (files.First(); !files.Eof(); files.Skip(1)) {
    std::string key = core::RightTrim(files.FieldBytes("FILE_ID"));
    if (documents.contains(key)) continue;
    documents.emplace(std::move(key), Document{core::AllTrim(files.FieldAsString("NAME")),
                                               core::AllTrim(files.FieldAsString("TITLE"))});
  }
  return documents;
}

}  // namespace

std::string MatchKey(std::string_view match) {
  return core::AllTrim(match.substr(0, match.find(kMatchSeparator)));
}

std::string_view MatchWordPart(std::string_view match) {
  const std::size_t bar = match.find(kMatchSeparator);
  return bar == std::string_view::npos ? std::string_view() : match.substr(bar + 1);
}

void WriteBonusResultPage(const std::string& path, tables::KvDbf& files,
                          const BonusResults& results) {
  PageFile page(path);
  page.Line("<HTML><HEAD><TITLE>Search Results</TITLE></HEAD>");
  page.Line(R"(<BODY LINK="0000ff" BGPROPERTIES="FIXED" BGCOLOR="ffffff">)");
  page.Line(R"(<BASEFONT SIZE="3">)");
  page.Line(R"(<FONT COLOR=RED><P ALIGN="LEFT"><FONT SIZE="+3" FACE="ARIAL">)");
  page.Line(R"(<A NAME="Top"></A><B>Search Results<BR></FONT>)");
  page.Line(R"(<FONT COLOR=BLACK><P ALIGN="LEFT"><FONT SIZE="+1" FACE="ARIAL">)");
  page.Line(std::to_string(results.matches.size()) +
            (results.mode == MatchMode::AllWords
                 ? " files found matching all specified words:</B><BR>"
                 : " files found matching one or more of specified words:</B><BR>"));
  page.Line("<I>" + core::MarkupEscaped(results.typed_text) + "</I></FONT></P>");
  page.Line("<UL><P>");
  const std::optional<std::unordered_map<std::string, Document>> documents =
      results.matches.size() > 1 ? DocumentsByKey(files) : std::nullopt;
  for (const std::string& match : results.matches) {
    std::string name = kFileNotFound;
    std::string title = kFileNotFound;
    if (documents) {
      const auto found = documents->find(core::RightTrim(MatchKey(match)));
      if (found != documents->end()) {
        name = found->second.name;
        title = found->second.title;
      } else {
        core::ShowError(kLinkFileMissing);
      }
    } else {
      files.First();
      if (files.Locate("FILE_ID", MatchKey(match))) {
        name = core::AllTrim(files.FieldAsString("NAME"));
        title = core::AllTrim(files.FieldAsString("TITLE"));
      } else {
        core::ShowError(kLinkFileMissing);
      }
    }
    const std::string_view word =
        results.mode == MatchMode::AllWords ? results.first_word : MatchWordPart(match);
    page.Line(R"(<LI><A HREF="SRCH:///)" + name + "|" + core::MarkupEscaped(word) + R"(">)" +
              title + "</A></LI>");
  }
  page.Line(R"(</UL><P><A HREF="#Top">Back to top</A></P><hr align=center size=4 color="008000">)");
  page.Line("</P></UL> </BODY> </HTML>");
  page.Close();
}

}  // namespace vantorel::catalogue
