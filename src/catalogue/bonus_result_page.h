// The bonus search's results page, SEARCHRESULT.HTM: the count, the text as typed and one link
// per match, "SRCH:///" + the document's page + "|" + a word, which the link dispatcher opens
// in the frame "MAIN" and searches for the word.
//
// Lines, each ended by CR LF, code page 1252:
//   <HTML><HEAD><TITLE>Search Results</TITLE></HEAD>
//   <BODY LINK="0000ff" BGPROPERTIES="FIXED" BGCOLOR="ffffff">
//   <BASEFONT SIZE="3">
//   <FONT COLOR=RED><P ALIGN="LEFT"><FONT SIZE="+3" FACE="ARIAL">
//   <A NAME="Top"></A><B>Search Results<BR></FONT>
//   <FONT COLOR=BLACK><P ALIGN="LEFT"><FONT SIZE="+1" FACE="ARIAL">
//   n files found matching all specified words:</B><BR>            ("Match all words")
//   n files found matching one or more of specified words:</B><BR> ("Match any word")
//   <I>typed text</I></FONT></P>
//   <UL><P>
//   <LI><A HREF="SRCH:///name|word">title</A></LI>                 (one per match)
//   </UL><P><A HREF="#Top">Back to top</A></P><hr align=center size=4 color="008000">
//   </P></UL> </BODY> </HTML>
// The typed text and the link word have their markup characters (& < > ") written as
// character references, so that any text shows as typed and a link keeps its word; NAME and
// TITLE are written as read.
//
// For a match the document table goes to its first record and Locate("FILE_ID", the match's
// key) finds the document: NAME and TITLE trimmed. A key with no document: the error box "Unable to find
// link file when creating search results", and "**File not Found**" as name and title.
// The link word is the word list's first word (the longest) in "Match all words" mode, else
// the match's own word.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "catalogue/result_page_writer.h"
#include "tables/kv_dbf.h"

namespace vantorel::catalogue {

// The name and title written for a match whose key names no document.
inline constexpr char kFileNotFound[] = "**File not Found**";

// What the page shows.
struct BonusResults {
  const std::vector<std::string>& matches;  // "key|word" entries, in page order
  MatchMode mode = MatchMode::AnyWord;
  std::string_view typed_text;              // SearchWords' text as typed
  std::string_view first_word;              // the word list's first word
};

// The key of a match: the text before its first "|" (all of it without one) trimmed of
// characters 0 to 32.
std::string MatchKey(std::string_view match);
// The word part of a match: the text after its first "|" (empty without one).
std::string_view MatchWordPart(std::string_view match);

// Writes the page to path (replacing an older file). REQUIRES: files is open. EInOutError
// when the file cannot be created or written; engine errors as the table sends them.
void WriteBonusResultPage(const std::string& path, tables::KvDbf& files,
                          const BonusResults& results);

}  // namespace vantorel::catalogue
