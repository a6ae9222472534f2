#include "tables/expression/expression_parser.h"

#include <algorithm>
#include <new>
#include <string>

#include "tables/expression/expression_functions.h"
#include "tables/expression/expression_numbers.h"
#include "tables/expression/expression_scanner.h"
#include "tables/kv_error.h"

namespace vantorel::tables {

namespace {

constexpr int kSyntaxErrorCode = 351;
constexpr int kOutOfMemoryCode = 217;
// A stored error of an earlier compile or evaluation (350..363) is cleared by a new compile.
constexpr int kFirstExpressionErrorCode = 350;
constexpr int kLastExpressionErrorCode = 363;
constexpr std::size_t kContextWidth = 51;  // characters of text an error message shows
constexpr int kUnknownLength = -1;
constexpr int kComputedNumberLength = 20;

enum class Binary {
  kOr, kAnd, kEqual, kNotEqual, kDollar, kExactEqual,
  kLess, kGreater, kLessEqual, kGreaterEqual,
  kPlus, kMinus, kMultiply, kDivide, kPower,
};

// The operator's name in a type-mismatch message.
const char* BinaryName(Binary op) {
  switch (op) {
    case Binary::kOr: return ".OR.";
    case Binary::kAnd: return ".AND.";
    case Binary::kEqual: return "=";
    case Binary::kNotEqual: return "<>";
    case Binary::kDollar: return "$";
    case Binary::kExactEqual: return "==";
    case Binary::kLess: return "<";
    case Binary::kGreater: return ">";
    case Binary::kLessEqual: return "<=";
    case Binary::kGreaterEqual: return ">=";
    case Binary::kPlus: return "+";
    case Binary::kMinus: return "-";
    case Binary::kMultiply: return "*";
    case Binary::kDivide: return "/";
    case Binary::kPower: return "** or ^";
  }
  return "";
}

int LevelOf(Binary op) {
  switch (op) {
    case Binary::kOr: return 1;
    case Binary::kAnd: return 2;
    case Binary::kEqual:
    case Binary::kNotEqual: return 3;
    case Binary::kDollar:
    case Binary::kExactEqual: return 4;
    case Binary::kLess:
    case Binary::kGreater:
    case Binary::kLessEqual:
    case Binary::kGreaterEqual: return 5;
    case Binary::kPlus:
    case Binary::kMinus: return 6;
    case Binary::kMultiply:
    case Binary::kDivide: return 7;
    case Binary::kPower: return 8;
  }
  return 0;
}

constexpr int kUnaryLevel = 9;

std::string ErrorContext(std::string_view text, std::size_t position) {
  std::size_t start = 0;
  std::string context = "[";
  if (position > 50) {
    start = position - kContextWidth;
    context += "...";
  }
  context += text.substr(start, kContextWidth);
  context += start + kContextWidth < text.size() ? "...]" : "]";
  return context;
}

int AddLengths(int a, int b) {
  if (a == kUnknownLength || b == kUnknownLength) return kUnknownLength;
  return std::min(a + b, kMaxCharacterLength);
}

}  // namespace

class ExpressionCompiler {
 public:
  // Compiles text (at most 255 characters) into a new ParsedExpression whose source text is
  // source; throws EKvError 351 on any failure.
  static ParsedExpression Build(std::string_view source, std::string_view text,
                                const std::vector<DbfField>& fields, std::string_view alias) {
    ParsedExpression expression;
    expression.source_ = std::string(source);
    ExpressionCompiler(text, fields, alias, expression).Compile();
    return expression;
  }

 private:
  ExpressionCompiler(std::string_view text, const std::vector<DbfField>& fields,
                     std::string_view alias, ParsedExpression& out)
      : text_(text), fields_(fields), alias_(alias), out_(out), scanner_(text) {}

  void Compile();

  struct Operand {
    char type = 'N';
    int length = kUnknownLength;  // C: the value's length when known
    bool is_literal = false;      // a number written in the text
    double literal = 0.0;         // its value
  };

  enum class Word { kNone, kTrue, kFalse, kNot, kAnd, kOr };

  void Advance() { token_ = scanner_.Next(); }

  // The stack of pending symbols; entries is how many a construct holds while it is open.
  void Shift(int entries) {
    depth_ += entries;
    if (depth_ > kParserStackLimit) Fail("Parser_stack_overflow");
  }
  void Unshift(int entries) { depth_ -= entries; }

  [[noreturn]] void Fail(const std::string& message) const {
    throw EKvError(kSyntaxErrorCode, "Error in expression : " + message + "\r\n" +
                                         ErrorContext(text_, token_.end) + "\r\n" +
                                         " [AssignExpr]");
  }
  [[noreturn]] void SyntaxError() const { Fail("Syntax error"); }

  // The field an identifier names, or nullptr. A name is a field only when no "(" follows.
  const DbfField* FieldOf(const Token& token) const;
  // The keyword an identifier token is, when it is not a field.
  Word WordOf(const Token& token) const;
  // The binary operator the current token is, if any.
  bool CurrentBinary(Binary& op) const;

  Operand ParseLevel(int level);
  Operand ParseUnary();
  Operand ParsePrimary();
  Operand ParseFunctionCall(const FunctionInfo& function);

  Operand ReduceBinary(Binary op, const Operand& left, const Operand& right);
  Operand ReduceFunction(const FunctionInfo& function, const std::vector<Operand>& arguments);
  int FunctionResultLength(const FunctionInfo& function, const std::vector<Operand>& arguments) const;

  // True when the code ends with a numeric field followed by a number literal.
  bool EndsWithFieldAndNumber() const {
    const std::vector<CodeItem>& code = out_.code_;
    return code.size() >= 2 && code[code.size() - 2].op == OpCode::kFieldN &&
           code.back().op == OpCode::kPushNumber;
  }

  // Appends an item that pops pops values and pushes one.
  void Emit(const CodeItem& item, int pops) {
    out_.code_.push_back(item);
    stack_depth_ += 1 - pops;
    max_stack_depth_ = std::max(max_stack_depth_, stack_depth_);
  }

  std::string_view text_;               // the parsed text
  const std::vector<DbfField>& fields_; // the table's fields
  std::string_view alias_;              // the table's alias, upper case
  ParsedExpression& out_;               // what is being built
  ExpressionScanner scanner_;
  Token token_;                         // the lookahead
  int depth_ = 1;                       // pending symbols, the start state included
  int stack_depth_ = 0;                 // evaluation stack depth after the code so far
  int max_stack_depth_ = 1;
  std::size_t pool_size_ = 0;           // working pool bytes so far
};

const DbfField* ExpressionCompiler::FieldOf(const Token& token) const {
  if (token.kind != TokenKind::kIdentifier || scanner_.NextNonBlankIs('(')) return nullptr;
  std::string_view name = token.text;
  std::string_view alias;
  if (const std::size_t arrow = name.find("->"); arrow != std::string_view::npos) {
    alias = name.substr(0, arrow);
    name.remove_prefix(arrow + 2);
  } else if (const std::size_t dot = name.find('.'); dot != std::string_view::npos && dot > 0) {
    alias = name.substr(0, dot);
    name.remove_prefix(dot + 1);
  }
  if (!alias.empty() && (alias_.empty() || alias != alias_)) return nullptr;
  for (const DbfField& field : fields_) {
    if (field.name == name) return &field;
  }
  return nullptr;
}

ExpressionCompiler::Word ExpressionCompiler::WordOf(const Token& token) const {
  if (token.kind != TokenKind::kIdentifier || FieldOf(token) != nullptr) return Word::kNone;
  if (token.text == ".T.") return Word::kTrue;
  if (token.text == ".F.") return Word::kFalse;
  if (token.text == ".NOT.") return Word::kNot;
  if (token.text == ".AND.") return Word::kAnd;
  if (token.text == ".OR.") return Word::kOr;
  return Word::kNone;
}

bool ExpressionCompiler::CurrentBinary(Binary& op) const {
  switch (token_.kind) {
    case TokenKind::kIdentifier:
      switch (WordOf(token_)) {
        case Word::kAnd: op = Binary::kAnd; return true;
        case Word::kOr: op = Binary::kOr; return true;
        default: return false;
      }
    case TokenKind::kEqual: op = Binary::kEqual; return true;
    case TokenKind::kNotEqual: op = Binary::kNotEqual; return true;
    case TokenKind::kDollar: op = Binary::kDollar; return true;
    case TokenKind::kExactEqual: op = Binary::kExactEqual; return true;
    case TokenKind::kLess: op = Binary::kLess; return true;
    case TokenKind::kGreater: op = Binary::kGreater; return true;
    case TokenKind::kLessEqual: op = Binary::kLessEqual; return true;
    case TokenKind::kGreaterEqual: op = Binary::kGreaterEqual; return true;
    case TokenKind::kPlus: op = Binary::kPlus; return true;
    case TokenKind::kMinus: op = Binary::kMinus; return true;
    case TokenKind::kStar: op = Binary::kMultiply; return true;
    case TokenKind::kSlash: op = Binary::kDivide; return true;
    case TokenKind::kPower: op = Binary::kPower; return true;
    default: return false;
  }
}

void ExpressionCompiler::Compile() {
  Advance();
  const Operand result = ParseLevel(1);
  if (token_.kind != TokenKind::kEnd) SyntaxError();
  out_.result_type_ = result.type;
  switch (result.type) {
    case 'C': out_.result_length_ = std::max(result.length, 0); break;
    case 'N':
      out_.result_length_ = out_.code_.size() == 1 && out_.code_[0].op == OpCode::kFieldN
                                ? out_.code_[0].b
                                : kComputedNumberLength;
      break;
    case 'D': out_.result_length_ = 8; break;
    case 'M': out_.result_length_ = out_.code_[0].b; break;
    default: out_.result_length_ = 1; break;
  }
  out_.working_pool_.assign(pool_size_, ' ');
  out_.stack_.resize(static_cast<std::size_t>(max_stack_depth_));
}

ExpressionCompiler::Operand ExpressionCompiler::ParseLevel(int level) {
  if (level == kUnaryLevel) return ParseUnary();
  Operand left = ParseLevel(level + 1);
  Binary op;
  while (CurrentBinary(op) && LevelOf(op) == level) {
    Shift(2);  // the left operand and the operator
    Advance();
    const Operand right = ParseLevel(level + 1);
    left = ReduceBinary(op, left, right);
    Unshift(2);
  }
  return left;
}

ExpressionCompiler::Operand ExpressionCompiler::ParseUnary() {
  const bool minus = token_.kind == TokenKind::kMinus;
  const bool plus = token_.kind == TokenKind::kPlus;
  const bool is_not = WordOf(token_) == Word::kNot;
  if (!minus && !plus && !is_not) return ParsePrimary();
  Shift(1);
  Advance();
  const Operand operand = ParseUnary();
  Unshift(1);
  if (is_not) {
    if (operand.type != 'L') Fail("PARSER:Type mismatch in expression \".NOT.\"");
    Emit({OpCode::kNot}, 1);
    return Operand{'L'};
  }
  if (operand.type != 'N') {
    Fail(minus ? "PARSER:Type mismatch in expression \"Unary -\""
               : "PARSER:Type mismatch in expression \"Unary +\"");
  }
  if (minus) Emit({OpCode::kNegate}, 1);
  return Operand{'N'};
}

ExpressionCompiler::Operand ExpressionCompiler::ParsePrimary() {
  Shift(1);
  Operand result;
  switch (token_.kind) {
    case TokenKind::kLeftParen: {
      Advance();
      result = ParseLevel(1);
      if (token_.kind != TokenKind::kRightParen) SyntaxError();
      break;
    }
    case TokenKind::kNumber: {
      CodeItem item{OpCode::kPushNumber};
      item.number = token_.number;
      Emit(item, 0);
      result = Operand{'N', kUnknownLength, true, token_.number};
      break;
    }
    case TokenKind::kString: {
      CodeItem item{OpCode::kPushText};
      item.a = static_cast<std::int32_t>(out_.constant_pool_.size());
      item.b = static_cast<std::int32_t>(token_.text.size());
      out_.constant_pool_ += token_.text;
      pool_size_ += token_.text.size() + 1;
      Emit(item, 0);
      result = Operand{'C', item.b};
      break;
    }
    case TokenKind::kIdentifier: {
      if (const DbfField* field = FieldOf(token_)) {
        CodeItem item{OpCode::kFieldC};
        item.a = field->offset;
        item.b = field->width;
        switch (field->type) {
          case 'C':
            item.b = std::clamp(field->width, 0, kMaxCharacterLength);
            pool_size_ += static_cast<std::size_t>(item.b) + 1;
            result = Operand{'C', item.b};
            break;
          case 'N':
          case 'F': item.op = OpCode::kFieldN; result = Operand{'N'}; break;
          case 'D': item.op = OpCode::kFieldD; result = Operand{'D'}; break;
          case 'L': item.op = OpCode::kFieldL; result = Operand{'L'}; break;
          default: item.op = OpCode::kFieldM; result = Operand{'M'}; break;
        }
        Emit(item, 0);
        break;
      }
      const Word word = WordOf(token_);
      if (word == Word::kTrue || word == Word::kFalse) {
        CodeItem item{OpCode::kPushLogical};
        item.number = word == Word::kTrue ? 1.0 : 0.0;
        Emit(item, 0);
        result = Operand{'L'};
        break;
      }
      const FunctionInfo* function = FindFunction(token_.text);
      if (function == nullptr || !scanner_.NextNonBlankIs('(')) SyntaxError();
      Advance();
      Unshift(1);
      return ParseFunctionCall(*function);
    }
    default:
      SyntaxError();
  }
  Advance();
  Unshift(1);
  return result;
}

ExpressionCompiler::Operand ExpressionCompiler::ParseFunctionCall(const FunctionInfo& function) {
  Shift(2);  // the name and "("
  std::size_t most_arguments = 0;
  for (int i = 0; i < function.signature_count; ++i) {
    most_arguments = std::max(most_arguments, function.signatures[i].arguments.size());
  }
  Advance();
  std::vector<Operand> arguments;
  int pending = 2;
  if (token_.kind != TokenKind::kRightParen) {
    if (most_arguments == 0) SyntaxError();
    for (;;) {
      arguments.push_back(ParseLevel(1));
      if (token_.kind != TokenKind::kComma) break;
      if (arguments.size() == most_arguments) SyntaxError();
      Shift(2);  // the argument and ","
      pending += 2;
      Advance();
    }
  }
  if (token_.kind != TokenKind::kRightParen) SyntaxError();
  bool count_fits = false;
  for (int i = 0; i < function.signature_count; ++i) {
    count_fits = count_fits || function.signatures[i].arguments.size() == arguments.size();
  }
  if (!count_fits) SyntaxError();
  Advance();
  Unshift(pending);
  return ReduceFunction(function, arguments);
}

ExpressionCompiler::Operand ExpressionCompiler::ReduceBinary(Binary op, const Operand& left,
                                                             const Operand& right) {
  const char l = left.type;
  const char r = right.type;
  const bool numbers = l == 'N' && r == 'N';
  const bool dates = l == 'D' && r == 'D';
  const bool texts = l == 'C' && r == 'C';
  const bool logicals = l == 'L' && r == 'L';
  auto emit = [&](OpCode code, Operand result) {
    Emit({code}, 2);
    return result;
  };
  switch (op) {
    case Binary::kPlus:
      if (numbers) return emit(OpCode::kAddN, {'N'});
      if (l == 'D' && r == 'N') return emit(OpCode::kAddDateN, {'D'});
      if (l == 'N' && r == 'D') return emit(OpCode::kAddNDate, {'D'});
      if (texts) return emit(OpCode::kConcat, {'C', AddLengths(left.length, right.length)});
      break;
    case Binary::kMinus:
      if (numbers) return emit(OpCode::kSubN, {'N'});
      if (l == 'D' && r == 'N') return emit(OpCode::kSubDateN, {'D'});
      if (dates) return emit(OpCode::kSubDates, {'N'});
      if (texts) return emit(OpCode::kSubC, {'C', AddLengths(left.length, right.length)});
      break;
    case Binary::kMultiply:
      if (numbers) return emit(OpCode::kMultiply, {'N'});
      break;
    case Binary::kDivide:
      if (numbers) return emit(OpCode::kDivide, {'N'});
      break;
    case Binary::kPower:
      if (numbers) return emit(OpCode::kPower, {'N'});
      break;
    case Binary::kEqual:
      if (numbers && EndsWithFieldAndNumber()) {
        // The search filters' "FIELD = number": one item instead of three.
        CodeItem& field = out_.code_[out_.code_.size() - 2];
        field.op = OpCode::kFieldNEqualNumber;
        field.number = out_.code_.back().number;
        out_.code_.pop_back();
        stack_depth_ -= 1;
        return Operand{'L'};
      }
      if (numbers || dates) return emit(OpCode::kEqualN, {'L'});
      if (texts) return emit(OpCode::kEqualC, {'L'});
      if (logicals) return emit(OpCode::kEqualL, {'L'});
      break;
    case Binary::kNotEqual:
      if (numbers || dates) return emit(OpCode::kNotEqualN, {'L'});
      if (texts) return emit(OpCode::kNotEqualC, {'L'});
      if (logicals) return emit(OpCode::kNotEqualL, {'L'});
      break;
    case Binary::kLess:
      if (numbers || dates) return emit(OpCode::kLessN, {'L'});
      if (texts) return emit(OpCode::kLessC, {'L'});
      break;
    case Binary::kGreater:
      if (numbers || dates) return emit(OpCode::kGreaterN, {'L'});
      if (texts) return emit(OpCode::kGreaterC, {'L'});
      break;
    case Binary::kLessEqual:
      if (numbers || dates) return emit(OpCode::kLessEqualN, {'L'});
      if (texts) return emit(OpCode::kLessEqualC, {'L'});
      break;
    case Binary::kGreaterEqual:
      if (numbers || dates) return emit(OpCode::kGreaterEqualN, {'L'});
      if (texts) return emit(OpCode::kGreaterEqualC, {'L'});
      break;
    case Binary::kDollar:
      if (texts) return emit(OpCode::kContainedC, {'L'});
      break;
    case Binary::kExactEqual:
      if (texts) return emit(OpCode::kExactEqualC, {'L'});
      break;
    case Binary::kAnd:
      if (logicals) return emit(OpCode::kAnd, {'L'});
      break;
    case Binary::kOr:
      if (logicals) return emit(OpCode::kOr, {'L'});
      break;
  }
  Fail(std::string("PARSER:Type mismatch in expression \"") + BinaryName(op) + "\"");
}

ExpressionCompiler::Operand ExpressionCompiler::ReduceFunction(
    const FunctionInfo& function, const std::vector<Operand>& arguments) {
  for (int i = 0; i < function.signature_count; ++i) {
    const FunctionSignature& signature = function.signatures[i];
    if (signature.arguments.size() != arguments.size()) continue;
    bool fits = true;
    for (std::size_t k = 0; k < arguments.size(); ++k) {
      fits = fits && signature.arguments[k] == arguments[k].type;
    }
    if (!fits) continue;
    CodeItem item{function.op};
    item.argc = static_cast<std::uint8_t>(arguments.size());
    Emit(item, static_cast<int>(arguments.size()));
    pool_size_ += static_cast<std::size_t>(function.pool_allowance);
    Operand result{signature.result};
    if (result.type == 'C') result.length = FunctionResultLength(function, arguments);
    return result;
  }
  Fail("PARSER:Type mismatch in function \"" + std::string(function.name) + "\"");
}

int ExpressionCompiler::FunctionResultLength(const FunctionInfo& function,
                                             const std::vector<Operand>& arguments) const {
  auto literal = [&](std::size_t k, int lo, int hi) {
    return arguments[k].is_literal ? ClampToInt(arguments[k].literal, lo, hi) : kUnknownLength;
  };
  const int first_length = arguments.empty() ? kUnknownLength : arguments[0].length;
  switch (function.op) {
    case OpCode::kUpper:
    case OpCode::kLower: return first_length;
    case OpCode::kLeft:
    case OpCode::kRight: {
      const int count = literal(1, 0, kMaxCharacterLength);
      if (count == kUnknownLength || first_length == kUnknownLength) return kUnknownLength;
      return std::min(count, first_length);
    }
    case OpCode::kSubstr: {
      const int start = literal(1, 1, kMaxCharacterLength + 1);
      const int count = literal(2, 0, kMaxCharacterLength);
      if (start == kUnknownLength || count == kUnknownLength || first_length == kUnknownLength) {
        return kUnknownLength;
      }
      return std::clamp(first_length - (start - 1), 0, count);
    }
    case OpCode::kReplicate: {
      const int times = literal(1, 0, kMaxCharacterLength);
      if (times == kUnknownLength || first_length == kUnknownLength) return kUnknownLength;
      return std::min(first_length * times, kMaxCharacterLength);
    }
    case OpCode::kSpace: return literal(0, 0, kMaxCharacterLength);
    case OpCode::kStr: return arguments.size() < 2 ? 10 : literal(1, 0, kMaxCharacterLength);
    case OpCode::kIif:
      return arguments[1].length == arguments[2].length ? arguments[1].length : kUnknownLength;
    case OpCode::kDtos: return 8;
    case OpCode::kDtoc: return 10;
    case OpCode::kSoundex: return 4;
    case OpCode::kChr: return 1;
    default: return kUnknownLength;
  }
}

ParsedExpression AssignExpr(std::string_view text, const std::vector<DbfField>& fields,
                            std::string_view alias) {
  if (LastErrorCode() >= kFirstExpressionErrorCode && LastErrorCode() <= kLastExpressionErrorCode) {
    ClearLastError();
  }
  try {
    const std::string_view parsed = text.substr(0, kMaxExpressionLength);
    ParsedExpression expression = ExpressionCompiler::Build(text, parsed, fields, alias);
    if (text.find_first_not_of(" \t", parsed.size()) != std::string_view::npos) {
      throw EKvError(kSyntaxErrorCode, "Error in expression : Syntax error\r\n" +
                                           ErrorContext(parsed, parsed.size()) + "\r\n" +
                                           " [AssignExpr]");
    }
    return expression;
  } catch (const std::bad_alloc&) {
    throw EKvError(kOutOfMemoryCode, " [AssignExpr]");
  }
}

}  // namespace vantorel::tables
