// Compile and evaluation errors of the expression language with their exact texts, and the
// limits: text length, parser stack, character results, doubtful arithmetic, any input.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "expression_test_table.h"
#include "tables/expression/expression_parser.h"
#include "tables/kv_error.h"

namespace vantorel::tables {
namespace {

using testing::ShowValue;
using testing::TestTable;

const TestTable& Table() {
  static const TestTable table = {{"NAME", 'C', 10}, {"ISSUE__", 'N', 11}, {"BORN", 'D', 8},
                                  {"ACTIVE", 'L', 1}, {"NOTES", 'M', 10},  {"A", 'N', 5},
                                  {"B", 'N', 5},      {"WIDE", 'C', 255}};
  return table;
}

std::string Record() {
  std::string record = Table().Blank();
  Table().Set(record, "NAME", "SMITH");
  Table().Set(record, "ISSUE__", "54");
  Table().Set(record, "BORN", "19960704");
  Table().Set(record, "WIDE", std::string(255, 'w'));
  return record;
}

// "code|detail" of the error compiling text, or "compiled".
std::string CompileError(std::string_view text) {
  try {
    AssignExpr(text, Table().Fields(), "T");
    return "compiled";
  } catch (const EKvError& error) {
    return std::to_string(error.Code()) + "|" + error.Detail();
  }
}

std::string Detail(const std::string& message, const std::string& context) {
  return "351|Error in expression : " + message + "\r\n" + context + "\r\n [AssignExpr]";
}

std::string Evaluate(std::string_view text) {
  ParsedExpression expression = AssignExpr(text, Table().Fields());
  const std::string record = Record();
  return ShowValue(expression.Evaluate(record.data()));
}

TEST(ExpressionErrors, SyntaxErrorsShowTheTextUpToWhereParsingStopped) {
  struct Case {
    const char* text;
    const char* context;
  };
  const Case cases[] = {
      {"A=1.AND.B=2", "[A=1.AND.B=2]"},       // "1." then "AND.B": logical words need blanks
      {"SUBSTR(NAME, 2)", "[SUBSTR(NAME, 2)]"},  // SUBSTR takes exactly three arguments
      {"", "[]"},
      {"   ", "[   ]"},
      {"NAME = 'ABC", "[NAME = 'ABC]"},      // unterminated literal
      {"NAME = \"ABC'", "[NAME = \"ABC']"},
      {"(1 + 2", "[(1 + 2]"},
      {"1 +", "[1 +]"},
      {"NAME NAME", "[NAME NAME]"},
      {"1 @ 2", "[1 @ 2]"},
      {"FOO = 1", "[FOO = 1]"},              // neither field nor keyword
      {"OTHER->NAME = 'A'", "[OTHER->NAME = 'A']"},  // not this table's alias
      {"UPP(NAME)", "[UPP(NAME)]"},          // abbreviations need four letters
      {"SUB(NAME, 1, 1)", "[SUB(NAME, 1, 1)]"},
      {"SUBSTRING(NAME, 1, 1)", "[SUBSTRING(NAME, 1, 1)]"},
      {"DATE", "[DATE]"},                    // a function needs its parentheses
      {"DATE(1)", "[DATE(1)]"},
      {"ABS()", "[ABS()]"},
      {"ABS(1, 2)", "[ABS(1, 2)]"},
      {"STR(1, 2, 3, 4)", "[STR(1, 2, 3, 4)]"},
      {".AND.", "[.AND.]"},
      {"1E", "[1E]"},                        // no digits after E
      {"1E-3", "[1E-3]"},                    // no sign after E
      {".5", "[.5]"},                        // a number starts with a digit
      {"1.5.5", "[1.5.5]"},
      {"NAME = 'A' )", "[NAME = 'A' )]"},
      {"UPPER(NAME", "[UPPER(NAME]"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompileError(c.text), Detail("Syntax error", c.context)) << c.text;
  }
}

TEST(ExpressionErrors, OperatorTypeMismatchNamesTheOperator) {
  struct Case {
    const char* text;
    const char* name;
  };
  const Case cases[] = {
      {"NAME + 1", "+"},       {"BORN + BORN", "+"},  {".T. + .T.", "+"},
      {"1 - 'A'", "-"},        {"1 - BORN", "-"},     {"'A' * 2", "*"},
      {"'A' / 2", "/"},        {"'A' ^ 2", "** or ^"}, {"2 ** 'A'", "** or ^"},
      {"1 = 'A'", "="},        {"BORN = 1", "="},     {"1 <> 'A'", "<>"},
      {"1 # 'A'", "<>"},       {"1 $ 'A'", "$"},      {"1 == 1", "=="},
      {"1 < 'A'", "<"},        {".T. < .F.", "<"},    {"1 > 'A'", ">"},
      {"1 <= 'A'", "<="},      {"1 >= 'A'", ">="},    {"1 .AND. .T.", ".AND."},
      {".T. .OR. 1", ".OR."},  {"-'A'", "Unary -"},   {"+NAME", "Unary +"},
      {".NOT. 1", ".NOT."},    {"NOTES = 1", "="},    {"NOTES + NOTES", "+"},
      // 'A' $ ('B' < 'C'): the comparison binds tighter, so "$" gets the logical value
      {"'A' $ 'B' < 'C'", "$"},
  };
  for (const Case& c : cases) {
    const std::string error = CompileError(c.text);
    EXPECT_TRUE(error.starts_with(
        "351|Error in expression : PARSER:Type mismatch in expression \"" + std::string(c.name) +
        "\"\r\n["))
        << c.text << ": " << error;
  }
  EXPECT_EQ(CompileError(".NOT. ISSUE__ = 5"),
            Detail("PARSER:Type mismatch in expression \".NOT.\"", "[.NOT. ISSUE__ = 5]"));
  EXPECT_EQ(CompileError("NAME + 1"),
            Detail("PARSER:Type mismatch in expression \"+\"", "[NAME + 1]"));
}

TEST(ExpressionErrors, FunctionTypeMismatchNamesTheFunctionInFull) {
  struct Case {
    const char* text;
    const char* name;
  };
  const Case cases[] = {
      {"UPPER(1)", "UPPER"},           {"UPPE(1)", "UPPER"},
      {"MAX(1, BORN)", "MAX"},         {"MIN('A', 'B')", "MIN"},
      {"STR('A')", "STR"},             {"STR(1, 'A')", "STR"},
      {"SUBSTR(NAME, '1', 2)", "SUBSTR"}, {"IIF(ISSUE__ = 54, 1, 2)", "IIF"},
      {"IIF(1, 'A', 'B')", "IIF"},     {"DTOS(1)", "DTOS"},
      {"CTOD(BORN)", "CTOD"},          {"LEN(1)", "LEN"},
      {"YEAR(1)", "YEAR"},             {"ASC(1)", "ASC"},
      {"CHR('A')", "CHR"},             {"UPPER(NOTES)", "UPPER"},
      {"REPLICATE(1, 'A')", "REPLICATE"}, {"SOUN(1)", "SOUNDEX"},
      {"AT(1, NAME)", "AT"},           {"STUFF(NAME, 1, 1, 1)", "STUFF"},
  };
  for (const Case& c : cases) {
    const std::string error = CompileError(c.text);
    EXPECT_TRUE(error.starts_with(
        "351|Error in expression : PARSER:Type mismatch in function \"" + std::string(c.name) +
        "\"\r\n["))
        << c.text << ": " << error;
  }
  EXPECT_EQ(CompileError("IIF(ISSUE__ = 54, 1, 2)"),
            Detail("PARSER:Type mismatch in function \"IIF\"", "[IIF(ISSUE__ = 54, 1, 2)]"));
}

TEST(ExpressionErrors, ContextShowsFiftyOneCharactersAroundTheStop) {
  auto repeat = [](std::string_view piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
  };
  // Stopped at 3, more text after the first 51 characters.
  const std::string early = "FOO" + std::string(60, ' ') + "+ 1";
  EXPECT_EQ(CompileError(early), Detail("Syntax error", "[FOO" + std::string(48, ' ') + "...]"));
  // Stopped at 50: still shown from the start.
  const std::string at_fifty = std::string(48, ' ') + "FO" + std::string(10, ' ') + "+ 1";
  EXPECT_EQ(CompileError(at_fifty),
            Detail("Syntax error", "[" + at_fifty.substr(0, 51) + "...]"));
  // Stopped at 51: the 51 characters before the stop.
  const std::string at_fifty_one = std::string(49, ' ') + "FO" + std::string(10, ' ') + "+ 1";
  EXPECT_EQ(CompileError(at_fifty_one),
            Detail("Syntax error", "[..." + at_fifty_one.substr(0, 51) + "...]"));
  // Stopped at the end of an 83-character text.
  const std::string at_end = repeat("1 + ", 20) + "FOO";
  EXPECT_EQ(CompileError(at_end), Detail("Syntax error", "[..." + at_end.substr(32, 51) + "]"));
  // Stopped at 63 with text after it.
  const std::string middle = repeat("1 + ", 15) + "FOO" + repeat(" + 1", 10);
  EXPECT_EQ(CompileError(middle),
            Detail("Syntax error", "[..." + middle.substr(12, 51) + "...]"));
}

TEST(ExpressionErrors, ParserStackHoldsAtMost150Entries) {
  // 127 nested parentheses fit into 255 characters and into the stack.
  const std::string nested = std::string(127, '(') + "1" + std::string(127, ')');
  ASSERT_EQ(nested.size(), 255u);
  EXPECT_EQ(Evaluate(nested), "N:1");

  // 200 prefix minus signs: the 150th does not fit.
  const std::string minus = std::string(200, '-') + "1";
  EXPECT_EQ(CompileError(minus),
            Detail("Parser_stack_overflow", "[..." + std::string(51, '-') + "...]"));
  // 148 signs and the number still fit; 149 do not.
  EXPECT_EQ(Evaluate(std::string(148, '-') + "1"), "N:1");
  EXPECT_EQ(CompileError(std::string(149, '-') + "1"),
            Detail("Parser_stack_overflow", "[..." + std::string(50, '-') + "1]"));

  // "1+(" holds three entries per level: the 50th level overflows at offset 150.
  std::string chain;
  for (int i = 0; i < 60; ++i) chain += "1+(";
  chain += "1" + std::string(60, ')');
  EXPECT_EQ(CompileError(chain),
            Detail("Parser_stack_overflow", "[..." + chain.substr(99, 51) + "...]"));
}

TEST(ExpressionErrors, OnlyTheFirst255CharactersAreParsed) {
  EXPECT_EQ(Evaluate("ISSUE__ = 54" + std::string(243, ' ')), "L:T");
  EXPECT_EQ(Evaluate(std::string(250, ' ') + "1 + 2"), "N:3");
  EXPECT_EQ(Evaluate("1 + 2" + std::string(300, ' ')), "N:3");
  EXPECT_EQ(Evaluate("1 + 2" + std::string(300, '\t')), "N:3");

  // The 255th character cuts "1 + 2" after "+".
  const std::string cut = std::string(251, ' ') + "1 + 2";
  EXPECT_EQ(CompileError(cut), Detail("Syntax error", "[..." + cut.substr(204, 51) + "]"));
  // What a cut would leave compiles, but text follows: rejected rather than changed.
  const std::string longer = "ISSUE__ = 5" + std::string(244, ' ') + "4";
  EXPECT_EQ(CompileError(longer), Detail("Syntax error", "[..." + longer.substr(204, 51) + "]"));
}

TEST(ExpressionErrors, DivisionByZeroIsError358AndGives1E250WhenNotReported) {
  for (const char* text : {"1 / 0", "MOD(5, 0)", "MOD(5, 0.5)"}) {
    SCOPED_TRACE(text);
    ParsedExpression expression = AssignExpr(text, Table().Fields());
    const std::string record = Record();
    try {
      expression.Evaluate(record.data());
      ADD_FAILURE() << "no error";
    } catch (const EKvError& error) {
      EXPECT_EQ(error.Code(), 358);
      EXPECT_EQ(error.Detail(), "Error during evaluation: Divide by 0 [Evaluate/Engine]");
    }
    {
      ErrorReportingOff quiet;
      ClearLastError();
      EXPECT_EQ(expression.Evaluate(record.data()).number, 1e250);
      EXPECT_EQ(LastErrorCode(), 358);
      EXPECT_EQ(LastErrorDetail(), "Error during evaluation: Divide by 0 [Evaluate/Engine]");
    }
    // A new compile clears the stored expression error.
    AssignExpr("1", Table().Fields());
    EXPECT_EQ(LastErrorCode(), 0);
  }
}

TEST(ExpressionLimits, PowerAlwaysGivesANumber) {
  EXPECT_EQ(Evaluate("0 ^ 2"), "N:0");
  EXPECT_EQ(Evaluate("0 ^ 0"), "N:1");
  EXPECT_EQ(Evaluate("0 ^ -1"), "N:1e+250");
  EXPECT_EQ(Evaluate("(-2) ^ 2"), "N:4");
  EXPECT_EQ(Evaluate("(-2) ^ 3"), "N:-8");
  EXPECT_EQ(Evaluate("(-2) ^ 0.5"), "N:0");
  EXPECT_EQ(Evaluate("(-8) ^ (1 / 3)"), "N:0");
  EXPECT_EQ(Evaluate("ISSUE__ ^ 0.5 > 7"), "L:T");
}

TEST(ExpressionLimits, CharacterResultsAreCutAt255) {
  const std::string cut = "C:" + std::string(255, 'a');
  EXPECT_EQ(Evaluate("LEN(REPLICATE('ab', 200))"), "N:255");
  EXPECT_EQ(Evaluate("REPLICATE('a', 300)"), cut);
  EXPECT_EQ(Evaluate("REPLICATE('a', 1E300)"), cut);
  EXPECT_EQ(Evaluate("REPLICATE('a', 200) + REPLICATE('a', 200)"), cut);
  EXPECT_EQ(Evaluate("REPLICATE('a', 255) - 'b'"), cut);
  EXPECT_EQ(Evaluate("STUFF(REPLICATE('a', 255), 1, 0, 'aa')"), cut);
  EXPECT_EQ(Evaluate("LEN(SPACE(300))"), "N:255");
  EXPECT_EQ(Evaluate("LEN(WIDE + NAME)"), "N:255");
  EXPECT_EQ(Evaluate("LEN(NAME + WIDE)"), "N:255");
  EXPECT_EQ(Evaluate("RIGHT(NAME + WIDE, 3)"), "C:www");
  EXPECT_EQ(Evaluate("LEN(STR(1E300, 255, 255))"), "N:255");
  EXPECT_EQ(Evaluate("UPPER(REPLICATE(NAME, 30) + REPLICATE(NAME, 30)) = 'SMITH'"), "L:T");
}

TEST(ExpressionLimits, NumericArgumentsOutsideTheirRangeAreClamped) {
  EXPECT_EQ(Evaluate("SUBSTR(NAME, -1E300, 1E300)"), "C:SMITH     ");
  EXPECT_EQ(Evaluate("LEFT(NAME, 0 / 1)"), "C:");
  EXPECT_EQ(Evaluate("CHR(1000) = CHR(255)"), "L:T");
  EXPECT_EQ(Evaluate("CHR(-5) == CHR(0)"), "L:T");
  EXPECT_EQ(Evaluate("ROUND(1E300, 400)"), "N:1e+300");
  EXPECT_EQ(Evaluate("ROUND(123.456, -400)"), "N:0");
  EXPECT_EQ(Evaluate("STR(12, -3)"), "C:");
}

TEST(ExpressionLimits, ACharacterFieldWiderThan255ReadsItsFirst255Bytes) {
  const TestTable table = {{"HUGE", 'C', 300}};
  std::string record = table.Blank();
  table.Set(record, "HUGE", std::string(300, 'h'));
  ParsedExpression expression = AssignExpr("HUGE + 'x'", table.Fields());
  EXPECT_EQ(expression.Evaluate(record.data()).text, std::string(255, 'h'));
}

// Any text either compiles or is rejected with error 351; whatever compiles evaluates on a
// real and on a blank record without touching memory outside its buffers (checked under the
// sanitizers) and keeps every character result within 255 bytes.
TEST(ExpressionLimits, AnyTextCompilesOrIsRejected) {
  static const char* const kPieces[] = {
      "NAME", "ISSUE__", "BORN", "ACTIVE", "NOTES", "WIDE", "A", "B", "T->NAME", "T.A",
      "1", "0", "-1", "2.5", "1E300", "255", "'ab'", "\"\"", "'", "\"", ".T.", ".F.",
      ".NOT.", ".AND.", ".OR.", "+", "-", "*", "/", "**", "^", "=", "==", "$", "<", ">",
      "<=", ">=", "<>", "#", "(", ")", ",", " ", "\t", "@", "\x01", "\xFF", "UPPER(",
      "LOWER(", "TRIM(", "LTRIM(", "LEFT(", "RIGHT(", "SUBSTR(", "STUFF(", "REPLICATE(",
      "SPACE(", "CHR(", "STR(", "IIF(", "SOUNDEX(", "DTOC(", "DTOS(", "CDOW(", "CMONTH(",
      "CTOD(", "DATE()", "YEAR(", "MONTH(", "DAY(", "DOW(", "LEN(", "VAL(", "ASC(", "AT(",
      "ABS(", "INT(", "MOD(", "ROUND(", "MAX(", "MIN(", "RECNO()", "DELETED()", "REPL(",
  };
  std::mt19937 random(20240611);
  const std::string record = Record();
  const std::string blank = Table().Blank();
  int compiled = 0;
  for (int round = 0; round < 30000; ++round) {
    std::string text;
    const int pieces = 1 + static_cast<int>(random() % 24);
    for (int i = 0; i < pieces; ++i) {
      if (random() % 8 == 0) {
        text += static_cast<char>(random() % 256);
      } else {
        text += kPieces[random() % std::size(kPieces)];
        if (random() % 2 == 0) text += ' ';
      }
    }
    if (round % 100 == 0) text = std::string(400, '(') + text;  // very long texts as well
    try {
      ParsedExpression expression = AssignExpr(text, Table().Fields(), "T");
      ++compiled;
      for (const std::string* r : {&record, &blank}) {
        try {
          const ExpressionValue value = expression.Evaluate(r->data(), 3);
          EXPECT_EQ(value.type, expression.ResultType());
          EXPECT_LE(value.text.size(), 255u) << text;
        } catch (const EKvError& error) {
          EXPECT_EQ(error.Code(), 358) << text;
        }
      }
    } catch (const EKvError& error) {
      ASSERT_EQ(error.Code(), 351) << text;
    }
  }
  EXPECT_GT(compiled, 100);  // the generator reaches the evaluator, not only the parser
}

}  // namespace
}  // namespace vantorel::tables
