// The text functions of the expression language: UPPER, LOWER, TRIM (RTRIM), LTRIM, LEFT,
// RIGHT, SUBSTR, STUFF, REPLICATE, SPACE, LEN, AT and SOUNDEX.
#pragma once

#include "tables/expression/expression_functions.h"

namespace vantorel::tables {

// UPPER(c), LOWER(c): c with its letters in upper or lower case, in the ANSI code page.
void Upper(const FunctionCall& call);
void Lower(const FunctionCall& call);

// TRIM(c) and RTRIM(c): c without trailing blanks. LTRIM(c): c without leading blanks.
void TrimTrailingBlanks(const FunctionCall& call);
void TrimLeadingBlanks(const FunctionCall& call);

// LEFT(c, n), RIGHT(c, n): the first or last n characters of c, n within 0..LEN(c).
void Left(const FunctionCall& call);
void Right(const FunctionCall& call);

// SUBSTR(c, start, count): count characters of c from position start (1 is the first);
// start within 1..LEN(c) + 1, count within what follows start.
void Substr(const FunctionCall& call);

// STUFF(c, start, count, insert): c with count characters from position start replaced by
// insert; start and count held within c as for SUBSTR.
void Stuff(const FunctionCall& call);

// REPLICATE(c, n): c repeated n times, n within 0..255.
void Replicate(const FunctionCall& call);

// SPACE(n): n blanks, n within 0..255.
void Space(const FunctionCall& call);

// LEN(c): the number of characters of c.
void Len(const FunctionCall& call);

// AT(needle, c): the position of the first needle in c (1 is the first character), 0 when
// c does not contain it or needle is empty.
void At(const FunctionCall& call);

// SOUNDEX(c): the American Soundex code of c, 4 characters. The first letter, then the
// digits of the following letters (B F P V 1; C G J K Q S X Z 2; D T 3; L 4; M N 5; R 6); a
// digit equal to the one before it (across H and W, and including the first letter's) is
// written once; the vowels A E I O U Y separate; zeros pad the code to 4 characters ("Robert"
// R163, "Ashcraft" A261, "Pfister" P236). Leading blanks are skipped, coding stops at the
// first character that is not an ASCII letter, and a text that does not start with a letter
// gives "0000".
void Soundex(const FunctionCall& call);

}  // namespace vantorel::tables
