// The expression language's tokens.
//
// Format notes: outside string literals every ASCII letter is upper-cased. Blanks and tabs
// separate tokens. A string literal runs from a double quote or an apostrophe to the next
// occurrence of the same character, without escapes. A number starts with a digit and runs
// over digits, at most one decimal point and at most one "E" (digits [. digits] [E digits];
// there is no sign after the E). An identifier starts with a letter, "_" or "." and runs over
// letters, digits, "_" and "."; "->" followed by a letter or "_" joins an alias and a field
// name into one identifier. Because "." belongs to identifiers and numbers, logical
// operators need blanks around them: "A=1.AND.B=2" scans as A, =, 1., AND.B, =, 2.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantorel::tables {

enum class TokenKind {
  kEnd,         // no more text
  kInvalid,     // a character that starts no token, an unterminated literal, a malformed number
  kString,      // text: the literal's characters without the quotes
  kNumber,      // number: the value
  kIdentifier,  // text: upper-cased; a field, alias->field, alias.field, keyword or function
  kPlus, kMinus, kStar, kSlash, kPower,   // + - * / and both ** and ^
  kEqual, kExactEqual, kDollar,           // = == $
  kLess, kGreater, kLessEqual, kGreaterEqual, kNotEqual,  // < > <= >= and both <> and #
  kLeftParen, kRightParen, kComma,
};

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::size_t end = 0;   // offset just after the token in the expression text
  std::string text;      // kString, kIdentifier
  double number = 0.0;   // kNumber
};

class ExpressionScanner {
 public:
  // REQUIRES: text outlives the scanner.
  explicit ExpressionScanner(std::string_view text) : text_(text) {}

  // The next token; kEnd from then on once the text is used up. A kInvalid token ends at the
  // offending character (an unterminated literal at the end of the text).
  Token Next();

  // True when the next character that is not a blank or tab is c.
  bool NextNonBlankIs(char c) const;

 private:
  std::string_view text_;  // the expression
  std::size_t pos_ = 0;    // offset of the next character to scan
};

}  // namespace vantorel::tables
