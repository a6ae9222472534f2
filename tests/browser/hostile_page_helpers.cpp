#include "hostile_page_helpers.h"

namespace vantorel::testing {
namespace {

// Appends unit until page holds at least bytes bytes.
void Repeat(std::string& page, std::string_view unit, std::size_t bytes) {
  while (page.size() < bytes) page += unit;
}

}  // namespace

const std::vector<HostilePageKind>& HostilePageKinds() {
  static const std::vector<HostilePageKind> kinds = {
      {HostileKind::UnclosedFonts, "UnclosedFonts"},   {HostileKind::NestedBlocks, "NestedBlocks"},
      {HostileKind::NestedTables, "NestedTables"},     {HostileKind::HugeAttributes, "HugeAttributes"},
      {HostileKind::ManyTables, "ManyTables"},         {HostileKind::WideTable, "WideTable"},
      {HostileKind::ManyCells, "ManyCells"},
      {HostileKind::ManyFrames, "ManyFrames"},         {HostileKind::MissingImageClaims, "MissingImageClaims"},
      {HostileKind::HugeImageClaims, "HugeImageClaims"},
  };
  return kinds;
}

std::string HostilePage(HostileKind kind, std::size_t bytes) {
  std::string page = "<HTML><HEAD><TITLE>Hostile</TITLE></HEAD>";
  const char* const end = "End of page";
  switch (kind) {
    case HostileKind::UnclosedFonts:
      page += "<BODY>";
      Repeat(page, "<FONT COLOR=RED SIZE=+1>word ", bytes);
      break;
    case HostileKind::NestedBlocks:
      page += "<BODY>";
      Repeat(page, "<DIV>a<BLOCKQUOTE>b<CENTER>c", bytes);
      break;
    case HostileKind::NestedTables:
      page += "<BODY>";
      Repeat(page, "<TABLE BORDER><TR><TD>cell", bytes);
      break;
    case HostileKind::HugeAttributes: {
      page += "<BODY>";
      const std::string value(bytes / 3, 'x');
      page += "<FONT FACE=\"" + value + "\">face</FONT> <A HREF=\"" + value + "\">link</A> ";
      page += "<IMG SRC=\"a.bmp\" ALT=\"" + value + "\"> ";
      break;
    }
    case HostileKind::ManyTables:
      page += "<BODY>";
      Repeat(page, "<TABLE BORDER><TR><TD>cell</TD><TD>cell</TD></TR></TABLE>\r\n", bytes);
      break;
    case HostileKind::WideTable:
      page += "<BODY><TABLE BORDER><TR>";
      Repeat(page, "<TD>cell</TD>", bytes);
      page += "</TR></TABLE>";
      break;
    case HostileKind::ManyCells: {
      std::string row = "<TR>";
      for (int i = 0; i < 100; ++i) row += "<TD>c</TD>";
      page += "<BODY><TABLE BORDER>";
      Repeat(page, row + "</TR>", bytes);
      page += "</TABLE>";
      break;
    }
    case HostileKind::ManyFrames: {
      std::string cols;
      std::string frames;
      for (int i = 0; frames.size() + cols.size() < bytes; ++i) {
        cols += i == 0 ? "*" : ",*";
        frames += "<FRAME NAME=F" + std::to_string(i) + " SRC=\"frame.htm\">";
      }
      page += "<FRAMESET COLS=\"" + cols + "\">" + frames + "</FRAMESET></HTML>";
      return page;
    }
    case HostileKind::MissingImageClaims:
      page += "<BODY>";
      Repeat(page, "<IMG SRC=\"a.bmp\" WIDTH=100000 HEIGHT=100000> picture ", bytes);
      break;
    case HostileKind::HugeImageClaims:
      page += "<BODY>";
      Repeat(page, "<IMG SRC=\"" + std::string(kHostileImageName) + "\" WIDTH=100000 HEIGHT=100000> picture ", bytes);
      break;
  }
  page += end;
  page += "</BODY></HTML>";
  return page;
}

}  // namespace vantorel::testing
