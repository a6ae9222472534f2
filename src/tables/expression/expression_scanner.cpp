#include "tables/expression/expression_scanner.h"

#include "core/texts.h"
#include "tables/expression/expression_numbers.h"

namespace vantorel::tables {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool StartsIdentifier(char c) { return IsLetter(c) || c == '_' || c == '.'; }
bool ContinuesIdentifier(char c) { return IsLetter(c) || IsDigit(c) || c == '_' || c == '.'; }

}  // namespace

bool ExpressionScanner::NextNonBlankIs(char c) const {
  std::size_t p = pos_;
  while (p < text_.size() && IsBlank(text_[p])) ++p;
  return p < text_.size() && text_[p] == c;
}

Token ExpressionScanner::Next() {
  while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  Token token;
  if (pos_ == text_.size()) {
    token.end = pos_;
    return token;
  }
  const std::size_t start = pos_;
  const char c = text_[pos_];
  auto single = [&](TokenKind kind, std::size_t length = 1) {
    pos_ += length;
    token.kind = kind;
    token.end = pos_;
    return token;
  };
  auto next_is = [&](char following) {
    return pos_ + 1 < text_.size() && text_[pos_ + 1] == following;
  };

  if (c == '"' || c == '\'') {
    const std::size_t close = text_.find(c, start + 1);
    if (close == std::string_view::npos) {
      pos_ = text_.size();
      token.kind = TokenKind::kInvalid;
      token.end = pos_;
      return token;
    }
    token.text = std::string(text_.substr(start + 1, close - start - 1));
    return single(TokenKind::kString, close + 1 - start);
  }

  if (IsDigit(c)) {
    // digits [. digits] [E digits]
    std::size_t p = start;
    while (p < text_.size() && IsDigit(text_[p])) ++p;
    if (p < text_.size() && text_[p] == '.') {
      ++p;
      while (p < text_.size() && IsDigit(text_[p])) ++p;
    }
    bool valid = true;
    if (p < text_.size() && (text_[p] == 'E' || text_[p] == 'e')) {
      ++p;
      valid = p < text_.size() && IsDigit(text_[p]);
      while (p < text_.size() && IsDigit(text_[p])) ++p;
    }
    token.number = ReadDecimalNumber(text_.data() + start, p - start);
    return single(valid ? TokenKind::kNumber : TokenKind::kInvalid, p - start);
  }

  if (StartsIdentifier(c)) {
    std::size_t p = start;
    while (p < text_.size()) {
      if (ContinuesIdentifier(text_[p])) {
        ++p;
      } else if (text_[p] == '-' && p + 2 < text_.size() && text_[p + 1] == '>' &&
                 (IsLetter(text_[p + 2]) || text_[p + 2] == '_')) {
        p += 2;
      } else {
        break;
      }
    }
    token.text = core::UpperCaseAscii(text_.substr(start, p - start));
    return single(TokenKind::kIdentifier, p - start);
  }

  switch (c) {
    case '+': return single(TokenKind::kPlus);
    case '-': return single(TokenKind::kMinus);
    case '*': return next_is('*') ? single(TokenKind::kPower, 2) : single(TokenKind::kStar);
    case '/': return single(TokenKind::kSlash);
    case '^': return single(TokenKind::kPower);
    case '=': return next_is('=') ? single(TokenKind::kExactEqual, 2) : single(TokenKind::kEqual);
    case '$': return single(TokenKind::kDollar);
    case '<':
      if (next_is('=')) return single(TokenKind::kLessEqual, 2);
      if (next_is('>')) return single(TokenKind::kNotEqual, 2);
      return single(TokenKind::kLess);
    case '>': return next_is('=') ? single(TokenKind::kGreaterEqual, 2) : single(TokenKind::kGreater);
    case '#': return single(TokenKind::kNotEqual);
    case '(': return single(TokenKind::kLeftParen);
    case ')': return single(TokenKind::kRightParen);
    case ',': return single(TokenKind::kComma);
    default: return single(TokenKind::kInvalid);
  }
}

}  // namespace vantorel::tables
