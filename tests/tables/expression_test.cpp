// The expression language: operators, precedence, functions, field values and the
// program's own keys and filters, each evaluated on records assembled by hand.
#include <gtest/gtest.h>

#include <string>

#include "expression_test_table.h"
#include "tables/expression/expression_dates.h"
#include "tables/expression/expression_parser.h"
#include "tables/kv_error.h"

namespace vantorel::tables {
namespace {

using testing::ShowValue;
using testing::TestTable;

const TestTable& SampleTable() {
  static const TestTable table = {
      {"NAME", 'C', 10},     {"ISSUE__", 'N', 11},  {"AUTHOR_1", 'N', 11}, {"AUTHOR_2", 'N', 11},
      {"AUTHOR_3", 'N', 11}, {"PRICE", 'N', 8, 2},  {"RATE", 'F', 10, 3},  {"BORN", 'D', 8},
      {"ACTIVE", 'L', 1},    {"NOTES", 'M', 10},    {"KEYWORD", 'C', 28},  {"NODATE", 'D', 8},
  };
  return table;
}

std::string SampleRecord() {
  const TestTable& table = SampleTable();
  std::string record = table.Blank();
  table.Set(record, "NAME", "SMITH");
  table.Set(record, "ISSUE__", "54");
  table.Set(record, "AUTHOR_1", "12");
  table.Set(record, "AUTHOR_2", "3");
  table.Set(record, "AUTHOR_3", "0");
  table.Set(record, "PRICE", "12.50");
  table.Set(record, "RATE", "-0.125");
  table.Set(record, "BORN", "19960704");
  table.Set(record, "ACTIVE", "T");
  table.Set(record, "NOTES", "42");
  table.Set(record, "KEYWORD", "Delphi gr\xFC\xDF" "e");
  return record;
}

constexpr std::uint32_t kSampleRecordNumber = 7;

std::string Evaluate(std::string_view text, const std::string& record,
                     std::uint32_t record_number = kSampleRecordNumber) {
  ParsedExpression expression = AssignExpr(text, SampleTable().Fields(), "SAMPLE");
  return ShowValue(expression.Evaluate(record.data(), record_number));
}

struct Case {
  const char* expression;
  const char* expected;  // ShowValue of the result on SampleRecord()
};

void ExpectCases(const std::vector<Case>& cases) {
  const std::string record = SampleRecord();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    try {
      EXPECT_EQ(Evaluate(c.expression, record), c.expected);
    } catch (const EKvError& error) {
      ADD_FAILURE() << error.what();
    }
  }
}

TEST(ExpressionOperators, EveryOperatorOnEveryTypeItAccepts) {
  ExpectCases({
      {"1 + 2", "N:3"},
      {"BORN + 1", "D:19960705"},
      {"1 + BORN", "D:19960705"},
      {"'AB' + 'CD'", "C:ABCD"},
      {"NAME + '|'", "C:SMITH     |"},
      {"5 - 7", "N:-2"},
      {"BORN - 4", "D:19960630"},
      {"BORN - CTOD('07/01/1996')", "N:3"},
      {"NAME - '|'", "C:SMITH|     "},
      {"'  ' - 'AB'", "C:AB  "},
      {"6 * 7", "N:42"},
      {"7 / 2", "N:3.5"},
      {"2 ** 10", "N:1024"},
      {"2 ^ 0.5", "N:1.4142135623731"},
      {"ISSUE__ = 54", "L:T"},
      {"ISSUE__ = 55", "L:F"},
      {"NAME = 'SMI'", "L:T"},
      {"BORN = CTOD('07/04/1996')", "L:T"},
      {"ACTIVE = .T.", "L:T"},
      {"ACTIVE = .F.", "L:F"},
      {"ISSUE__ <> 54", "L:F"},
      {"ISSUE__ # 53", "L:T"},
      {"NAME <> 'SMITH'", "L:T"},
      {"NAME # 'SMITH     '", "L:F"},
      {"BORN <> BORN", "L:F"},
      {".T. <> .F.", "L:T"},
      {"'MIT' $ NAME", "L:T"},
      {"'XYZ' $ NAME", "L:F"},
      {"NAME == 'SMITH'", "L:F"},
      {"NAME == 'SMITH     '", "L:T"},
      {"3 < 4", "L:T"},
      {"4 > 4", "L:F"},
      {"4 <= 4", "L:T"},
      {"3 >= 4", "L:F"},
      {"BORN < BORN + 1", "L:T"},
      {"BORN >= CTOD('01/01/1997')", "L:F"},
      {"'AB' < 'ABC'", "L:T"},
      {"'ABD' < 'ABC'", "L:F"},
      {"'a' > 'B'", "L:T"},
      {"'\xE9' > 'z'", "L:T"},
      {"'ABC' <= 'ABC'", "L:T"},
      {"'ABC' >= 'ABD'", "L:F"},
      {".T. .AND. .F.", "L:F"},
      {".T. .AND. .T.", "L:T"},
      {".F. .OR. .T.", "L:T"},
      {".F. .OR. .F.", "L:F"},
      {".NOT. .F.", "L:T"},
      {".NOT. ACTIVE", "L:F"},
      {"-ISSUE__", "N:-54"},
      {"+ISSUE__", "N:54"},
      {"- -ISSUE__", "N:54"},
  });
}

TEST(ExpressionOperators, CharacterComparisonRules) {
  ExpectCases({
      // "=" is a prefix match of the right operand; an empty right operand never matches.
      {"'ABC' = 'AB'", "L:T"},
      {"'AB' = 'ABC'", "L:F"},
      {"NAME = ''", "L:F"},
      {"'' = ''", "L:F"},
      {"NAME = 'SMITH'", "L:T"},
      {"NAME = 'SMITH      '", "L:F"},
      // "==" needs equal length and content; "<>" compares in full.
      {"'AB' == 'AB'", "L:T"},
      {"'' == ''", "L:T"},
      {"'AB' <> 'AB '", "L:T"},
      // "$": an empty left operand is never contained.
      {"'' $ NAME", "L:F"},
      {"NAME $ NAME", "L:T"},
      // Ordering: byte-wise unsigned; a proper prefix is the smaller.
      {"'' < 'A'", "L:T"},
      {"'Z' < '\x80'", "L:T"},
      {"NAME > 'SMITH'", "L:T"},
  });
}

TEST(ExpressionPrecedence, EveryLevelBindsAsTheGrammarSays) {
  ExpectCases({
      // 1 .OR. below 2 .AND.
      {".T. .OR. .T. .AND. .F.", "L:T"},
      {".F. .AND. .T. .OR. .T.", "L:T"},
      // 2 .AND. below 3 =
      {"1 = 1 .AND. 2 = 2", "L:T"},
      // 3 = below 4 $: .T. = ('B' $ 'ABC')
      {".T. = 'B' $ 'ABC'", "L:T"},
      // 3 = below 5 <: .F. = (1 < 0)
      {".F. = 1 < 0", "L:T"},
      {".T. <> 2 >= 3", "L:T"},
      // 5 < below 6 +
      {"1 + 1 < 3", "L:T"},
      // 6 + below 7 *
      {"2 + 3 * 4", "N:14"},
      {"(2 + 3) * 4", "N:20"},
      // 7 * below 8 ^
      {"2 * 3 ^ 2", "N:18"},
      // 8 ^ below 9 prefix -
      {"-2 ^ 2", "N:4"},
      {"-2 ^ 3", "N:-8"},
      {"2 ^ -1", "N:0.5"},
      // left associativity
      {"10 - 3 - 2", "N:5"},
      {"12 / 2 / 3", "N:2"},
      {"2 ^ 3 ^ 2", "N:64"},
      {"'A' + 'B' - 'C'", "C:ABC"},
      // prefix .NOT. takes the following primary only
      {".NOT. .T. = .F.", "L:T"},
      {".NOT. .F. .AND. .F.", "L:F"},
      {".NOT. .NOT. .T.", "L:T"},
      // case does not matter outside literals; blanks and tabs separate
      {"upper(name)", "C:SMITH     "},
      {"1\t+\t2", "N:3"},
      {"(((1)))", "N:1"},
  });
}

TEST(ExpressionPrecedence, OrBindsLooserThanAndInTheSearchFilters) {
  const TestTable& table = SampleTable();
  std::string record = SampleRecord();
  table.Set(record, "ISSUE__", "99");
  // AUTHOR_1 = 12 .OR. (AUTHOR_2 = 12 .AND. ISSUE__ = 54): true although the issue differs.
  EXPECT_EQ(Evaluate("AUTHOR_1 = 12 .OR. AUTHOR_2 = 12 .AND. ISSUE__ = 54", record), "L:T");
  EXPECT_EQ(Evaluate("(AUTHOR_1 = 12 .OR. AUTHOR_2 = 12) .AND. ISSUE__ = 54", record), "L:F");
}

TEST(ExpressionFunctions, CharacterFunctions) {
  ExpectCases({
      {"UPPER(KEYWORD)", "C:DELPHI GR\xDC\xDF" "E                "},
      {"LOWER('\xC0" "B\x8A\x9F')", "C:\xE0" "b\x9A\xFF"},
      {"UPPER('\xFF\xB5')", "C:\x9F\xB5"},
      {"TRIM(NAME) + '|'", "C:SMITH|"},
      {"RTRIM(NAME) + '|'", "C:SMITH|"},
      {"LTRIM('  AB ') + '|'", "C:AB |"},
      {"TRIM('   ')", "C:"},
      {"LEFT(NAME, 3)", "C:SMI"},
      {"LEFT(NAME, 0)", "C:"},
      {"LEFT(NAME, -1)", "C:"},
      {"LEFT(NAME, 99)", "C:SMITH     "},
      {"RIGHT(TRIM(NAME), 3)", "C:ITH"},
      {"RIGHT(NAME, 99)", "C:SMITH     "},
      {"SUBSTR(NAME, 2, 3)", "C:MIT"},
      {"SUBSTR(NAME, 9, 5)", "C:  "},
      {"SUBSTR(NAME, 20, 2)", "C:"},
      {"SUBSTR('ABC', 0, 2)", "C:AB"},
      {"SUBSTR('ABC', 2, -1)", "C:"},
      {"STUFF('ABCDEF', 2, 3, 'xy')", "C:AxyEF"},
      {"STUFF('ABC', 4, 0, 'D')", "C:ABCD"},
      {"STUFF('ABC', 1, 9, '')", "C:"},
      {"REPLICATE('ab', 3)", "C:ababab"},
      {"REPLICATE('ab', 0)", "C:"},
      {"REPLICATE('', 5)", "C:"},
      {"SPACE(3) + '|'", "C:   |"},
      {"SPACE(-2) + '|'", "C:|"},
      {"CHR(65)", "C:A"},
      {"CHR(252)", "C:\xFC"},
      {"STR(54)", "C:        54"},
      {"STR(ISSUE__, 3)", "C: 54"},
      {"STR(3.14159, 6, 2)", "C:  3.14"},
      {"STR(-1.5)", "C:        -2"},
      {"STR(2.5, 3)", "C:  3"},
      {"STR(1.005, 6, 2)", "C:  1.01"},
      {"STR(0.125, 5, 2)", "C: 0.13"},
      {"STR(-0.001, 5, 2)", "C: 0.00"},
      {"STR(99.96, 5, 1)", "C:100.0"},
      {"STR(12345, 3)", "C:***"},
      {"STR(1E250, 10)", "C:**********"},
      {"STR(5, 0)", "C:"},
      {"IIF(ISSUE__ = 54, 'yes', 'no')", "C:yes"},
      {"IIF(.F., 'yes', 'no')", "C:no"},
      {"IIF(.F., NAME, 'X') + '|'", "C:X|"},
      {"SOUNDEX('Robert')", "C:R163"},
      {"SOUNDEX('Rupert')", "C:R163"},
      {"SOUNDEX('Tymczak')", "C:T522"},
      {"SOUNDEX('Pfister')", "C:P236"},
      {"SOUNDEX('Ashcraft')", "C:A261"},
      {"SOUNDEX('Lee')", "C:L000"},
      {"SOUNDEX(NAME)", "C:S530"},
      {"SOUNDEX('  smith jones')", "C:S530"},
      {"SOUNDEX('123')", "C:0000"},
      {"SOUNDEX('')", "C:0000"},
      {"DTOC(BORN)", "C:07/04/1996"},
      {"DTOC(NODATE)", "C:  /  /    "},
      {"DTOS(BORN)", "C:19960704"},
      {"DTOS(NODATE) + '|'", "C:        |"},
      {"CDOW(BORN)", "C:Thursday"},
      {"CMONTH(BORN)", "C:July"},
      {"CDOW(NODATE) + CMONTH(NODATE)", "C:"},
  });
}

TEST(ExpressionFunctions, NumericDateAndLogicalFunctions) {
  ExpectCases({
      {"CTOD('7/4/96')", "D:19960704"},
      {"CTOD('12/31/1999')", "D:19991231"},
      {"CTOD('02/30/1996')", "D:"},
      {"CTOD('')", "D:"},
      {"YEAR(BORN)", "N:1996"},
      {"MONTH(BORN)", "N:7"},
      {"DAY(BORN)", "N:4"},
      {"DOW(BORN)", "N:5"},
      {"YEAR(NODATE) + MONTH(NODATE) + DAY(NODATE) + DOW(NODATE)", "N:0"},
      {"LEN(NAME)", "N:10"},
      {"LEN(TRIM(NAME))", "N:5"},
      {"LEN('')", "N:0"},
      {"VAL('  12.5  ')", "N:12.5"},
      {"VAL('-3')", "N:-3"},
      {"VAL('1E3')", "N:1000"},
      {"VAL('12AB')", "N:12"},
      {"VAL('ABC')", "N:0"},
      {"ASC('A')", "N:65"},
      {"ASC('\xFC')", "N:252"},
      {"ASC('')", "N:0"},
      {"AT('IT', NAME)", "N:3"},
      {"AT('Q', NAME)", "N:0"},
      {"AT('', NAME)", "N:0"},
      {"ABS(-3)", "N:3"},
      {"INT(-3.7)", "N:-3"},
      {"INT(3.7)", "N:3"},
      {"MOD(7, 3)", "N:1"},
      {"MOD(-7, 3)", "N:-1"},
      {"MOD(7, -3)", "N:1"},
      {"MOD(7.9, 3.2)", "N:1"},
      {"ROUND(3.789, 2)", "N:3.78"},
      {"ROUND(-3.789, 1)", "N:-3.7"},
      {"ROUND(1.15, 2)", "N:1.15"},
      {"ROUND(1234, -2)", "N:1200"},
      {"ROUND(2.5, 0)", "N:2"},
      {"MAX(1, 2)", "N:2"},
      {"MIN(1, 2)", "N:1"},
      {"MAX(BORN, BORN + 1)", "D:19960705"},
      {"MIN(BORN, BORN + 1)", "D:19960704"},
      {"RECNO()", "N:7"},
      {"DELETED()", "L:F"},
      {"YEAR(DATE()) >= 2024", "L:T"},
  });
}

TEST(ExpressionFunctions, DateIsToday) {
  const std::string record = SampleRecord();
  ParsedExpression expression = AssignExpr("DATE()", SampleTable().Fields());
  EXPECT_EQ(expression.Evaluate(record.data()).number, Today());
}

TEST(ExpressionFunctions, NamesOfFiveOrMoreLettersTakeAnyPrefixOfFour) {
  ExpectCases({
      {"SUBS(NAME, 1, 2)", "C:SM"},
      {"SUBST(NAME, 1, 2)", "C:SM"},
      {"UPPE('a')", "C:A"},
      {"LOWE('A')", "C:a"},
      {"LTRI(' A')", "C:A"},
      {"RTRI('A ')", "C:A"},
      {"RIGH('AB', 1)", "C:B"},
      {"REPL('a', 2)", "C:aa"},
      {"REPLICAT('a', 2)", "C:aa"},
      {"SPAC(1)", "C: "},
      {"STUF('AB', 1, 1, 'X')", "C:XB"},
      {"SOUN('Lee')", "C:L000"},
      {"SOUNDE('Lee')", "C:L000"},
      {"CMON(BORN)", "C:July"},
      {"MONT(BORN)", "N:7"},
      {"ROUN(1.5, 0)", "N:1"},
      {"RECN()", "N:7"},
      {"DELE()", "L:F"},
      {"DELET()", "L:F"},
      {"DELETE()", "L:F"},
      {"Upper(Name)", "C:SMITH     "},
  });
}

TEST(ExpressionFields, EachTypeReadsItsRecordText) {
  ExpectCases({
      {"NAME", "C:SMITH     "},
      {"ISSUE__", "N:54"},
      {"PRICE", "N:12.5"},
      {"RATE", "N:-0.125"},
      {"BORN", "D:19960704"},
      {"NODATE", "D:"},
      {"ACTIVE", "L:T"},
      {"NOTES", "M:42"},
      {"SAMPLE->NAME", "C:SMITH     "},
      {"SAMPLE.ISSUE__", "N:54"},
      {"sample->name", "C:SMITH     "},
  });
}

TEST(ExpressionFields, LogicalFieldIsTrueOnlyForTtYy) {
  const TestTable& table = SampleTable();
  for (const auto& [stored, expected] : std::vector<std::pair<std::string, std::string>>{
           {"T", "L:T"}, {"t", "L:T"}, {"Y", "L:T"}, {"y", "L:T"},
           {"F", "L:F"}, {"N", "L:F"}, {"?", "L:F"}, {" ", "L:F"}}) {
    std::string record = SampleRecord();
    table.Set(record, "ACTIVE", stored);
    EXPECT_EQ(Evaluate("ACTIVE", record), expected) << stored;
  }
}

TEST(ExpressionFields, NumericAndDateTextsThatAreNotNumbersOrDates) {
  const TestTable& table = SampleTable();
  const std::vector<std::pair<std::string, std::string>> numbers = {
      {"  -12", "N:-12"}, {"", "N:0"}, {"1.5E3", "N:1500"}, {"12abc", "N:12"},
      {"abc", "N:0"}, {"-", "N:0"}, {"+7", "N:7"}, {"99999999999", "N:99999999999"}};
  for (const auto& [stored, expected] : numbers) {
    std::string record = SampleRecord();
    table.Set(record, "ISSUE__", stored);
    EXPECT_EQ(Evaluate("ISSUE__", record), expected) << stored;
  }
  for (const std::string stored : {"19961301", "19960230", "1996070", "abcdefgh", "00000000"}) {
    std::string record = SampleRecord();
    table.Set(record, "BORN", stored);
    EXPECT_EQ(Evaluate("BORN", record), "D:") << stored;
  }
}

TEST(ExpressionFields, BlankRecordGivesBlankValues) {
  const std::string blank = SampleTable().Blank();
  EXPECT_EQ(Evaluate("NAME", blank), "C:          ");
  EXPECT_EQ(Evaluate("ISSUE__", blank), "N:0");
  EXPECT_EQ(Evaluate("PRICE", blank), "N:0");
  EXPECT_EQ(Evaluate("ACTIVE", blank), "L:F");
  EXPECT_EQ(Evaluate("BORN", blank), "D:");
  EXPECT_EQ(Evaluate("NOTES", blank), "M:0");
  EXPECT_EQ(Evaluate("UPPER(KEYWORD)", blank), "C:" + std::string(28, ' '));
  EXPECT_EQ(Evaluate("DELETED()", blank), "L:F");
}

TEST(ExpressionFields, DeletedRecordsAreSeenByDeleted) {
  std::string record = SampleRecord();
  record[0] = '*';
  EXPECT_EQ(Evaluate("DELETED()", record), "L:T");
  EXPECT_EQ(Evaluate(".NOT. DELETED() .AND. ISSUE__ = 54", record), "L:F");
}

TEST(ExpressionFields, AFieldNameFollowedByAParenthesisIsAFunction) {
  const TestTable table = {{"DATE", 'C', 8}, {"UPPER", 'C', 3}};
  std::string record = table.Blank();
  table.Set(record, "DATE", "tomorrow");
  table.Set(record, "UPPER", "abc");
  auto evaluate = [&](std::string_view text) {
    ParsedExpression expression = AssignExpr(text, table.Fields());
    return ShowValue(expression.Evaluate(record.data()));
  };
  EXPECT_EQ(evaluate("DATE"), "C:tomorrow");
  EXPECT_EQ(evaluate("DATE()").substr(0, 2), "D:");
  EXPECT_EQ(evaluate("UPPER (UPPER)"), "C:ABC");
  EXPECT_EQ(evaluate("UPPER + DATE"), "C:abctomorrow");
}

TEST(ExpressionLiterals, StringsNumbersAndLogicalWords) {
  ExpectCases({
      {"\"it's\"", "C:it's"},
      {"'say \"hi\"'", "C:say \"hi\""},
      {"'lower case stays'", "C:lower case stays"},
      {"''", "C:"},
      {"1.5", "N:1.5"},
      {"2E3", "N:2000"},
      {"2e3", "N:2000"},
      {"1.", "N:1"},
      {"007", "N:7"},
      {"12345678901234567890", "N:1.23456789012346e+19"},
      {".T.", "L:T"},
      {".f.", "L:F"},
  });
}

TEST(ExpressionProgramExpressions, IndexKeysOfTheCatalogue) {
  const TestTable keyword_table = {{"ARTICLE_ID", 'N', 11}, {"KEYWORD", 'C', 28}};
  std::string record = keyword_table.Blank();
  keyword_table.Set(record, "ARTICLE_ID", "1042");
  keyword_table.Set(record, "KEYWORD", "Object Pascal");

  ParsedExpression article_id = AssignExpr("ARTICLE_ID", keyword_table.Fields());
  EXPECT_EQ(article_id.ResultType(), 'N');
  EXPECT_EQ(article_id.ResultLength(), 11);
  EXPECT_EQ(article_id.Evaluate(record.data()).number, 1042.0);

  ParsedExpression keyword = AssignExpr("UPPER(KEYWORD)", keyword_table.Fields());
  EXPECT_EQ(keyword.ResultType(), 'C');
  EXPECT_EQ(keyword.ResultLength(), 28);
  EXPECT_EQ(keyword.WorkingPoolSize(), 29u);
  EXPECT_EQ(keyword.Evaluate(record.data()).text, "OBJECT PASCAL" + std::string(15, ' '));
  EXPECT_EQ(keyword.Evaluate(keyword_table.Blank().data()).text, std::string(28, ' '));

  const TestTable article_table = {{"ISSUE__", 'N', 11}};
  std::string article = article_table.Blank();
  article_table.Set(article, "ISSUE__", "54");
  ParsedExpression issue = AssignExpr("ISSUE__", article_table.Fields());
  EXPECT_EQ(issue.ResultType(), 'N');
  EXPECT_EQ(issue.Evaluate(article.data()).number, 54.0);
}

TEST(ExpressionProgramExpressions, AuthorAndIssueFiltersOfTheArticleSearch) {
  const TestTable table = {{"ARTICLE_ID", 'N', 11}, {"AUTHOR_1", 'N', 11}, {"AUTHOR_2", 'N', 11},
                           {"AUTHOR_3", 'N', 11},   {"ISSUE__", 'N', 11}};
  // The article search pads the issue number to three characters.
  const std::string author = "AUTHOR_1 = 12 .OR. AUTHOR_2 = 12 .OR. AUTHOR_3 = 12";
  const std::string both = "(" + author + ") .AND. ISSUE__ =   7";
  const std::string issue_only = "ISSUE__ =   7";
  ParsedExpression author_filter = AssignExpr(author, table.Fields());
  ParsedExpression both_filter = AssignExpr(both, table.Fields());
  ParsedExpression issue_filter = AssignExpr(issue_only, table.Fields());
  EXPECT_EQ(both_filter.ResultType(), 'L');
  EXPECT_EQ(both_filter.WorkingPoolSize(), 0u);

  struct Row {
    const char* authors[3];
    const char* issue;
    bool author_matches, both_match, issue_matches;
  };
  const Row rows[] = {
      {{"12", "0", "0"}, "7", true, true, true},
      {{"3", "12", "0"}, "7", true, true, true},
      {{"3", "4", "12"}, "8", true, false, false},
      {{"3", "4", "5"}, "7", false, false, true},
      {{"112", "120", "1"}, "77", false, false, false},
      {{"", "", ""}, "", false, false, false},
  };
  for (const Row& row : rows) {
    std::string record = table.Blank();
    table.Set(record, "AUTHOR_1", row.authors[0]);
    table.Set(record, "AUTHOR_2", row.authors[1]);
    table.Set(record, "AUTHOR_3", row.authors[2]);
    table.Set(record, "ISSUE__", row.issue);
    SCOPED_TRACE(std::string(row.authors[0]) + "/" + row.authors[1] + "/" + row.authors[2] +
                 " issue " + row.issue);
    EXPECT_EQ(author_filter.IsTrue(record.data()), row.author_matches);
    EXPECT_EQ(both_filter.IsTrue(record.data()), row.both_match);
    EXPECT_EQ(issue_filter.IsTrue(record.data()), row.issue_matches);
  }
}

TEST(ExpressionCompiledForm, ResultTypesAndLengths) {
  struct Expected {
    const char* expression;
    char type;
    int length;
  };
  const Expected cases[] = {
      {"NAME", 'C', 10},
      {"NAME + KEYWORD", 'C', 38},
      {"NAME - 'AB'", 'C', 12},
      {"LEFT(NAME, 3)", 'C', 3},
      {"SUBSTR(NAME, 4, 20)", 'C', 7},
      {"SPACE(5)", 'C', 5},
      {"REPLICATE(NAME, 30)", 'C', 255},
      {"STR(ISSUE__)", 'C', 10},
      {"STR(ISSUE__, 5)", 'C', 5},
      {"DTOS(BORN)", 'C', 8},
      {"DTOC(BORN)", 'C', 10},
      {"SOUNDEX(NAME)", 'C', 4},
      {"IIF(.T., NAME, NAME)", 'C', 10},
      {"TRIM(NAME)", 'C', 0},
      {"ISSUE__", 'N', 11},
      {"ISSUE__ + 1", 'N', 20},
      {"BORN", 'D', 8},
      {"ACTIVE", 'L', 1},
      {"NOTES", 'M', 10},
  };
  for (const Expected& c : cases) {
    ParsedExpression expression = AssignExpr(c.expression, SampleTable().Fields());
    EXPECT_EQ(expression.ResultType(), c.type) << c.expression;
    EXPECT_EQ(expression.ResultLength(), c.length) << c.expression;
  }
}

TEST(ExpressionCompiledForm, WorkingPoolIsSizedFromFieldsLiteralsAndFunctions) {
  struct Expected {
    const char* expression;
    std::size_t size;
  };
  const Expected cases[] = {
      {"ISSUE__ = 54", 0},
      {"NAME", 11},
      {"NAME + NAME", 22},
      {"NAME + 'AB'", 14},
      {"STR(ISSUE__)", 256},
      {"IIF(.T., NAME, 'X')", 11 + 2 + 256},
      {"SPACE(2) + REPLICATE('A', 3)", 256 + 2 + 256},
      {"DTOS(BORN) + DTOC(BORN) + CDOW(BORN) + CMONTH(BORN) + SOUNDEX(NAME) + CHR(65)",
       9 + 11 + 15 + 15 + 11 + 15 + 2},
  };
  for (const Expected& c : cases) {
    ParsedExpression expression = AssignExpr(c.expression, SampleTable().Fields());
    EXPECT_EQ(expression.WorkingPoolSize(), c.size) << c.expression;
  }
}

TEST(ExpressionCompiledForm, SourceTextIsKeptAsGiven) {
  ParsedExpression expression = AssignExpr("upper( name )", SampleTable().Fields());
  EXPECT_EQ(expression.SourceText(), "upper( name )");
}

TEST(ExpressionCompiledForm, AndAndOrEvaluateBothOperands) {
  // No short-circuit: the division by zero on the right is reached although the left
  // operand already decides the result.
  const std::string record = SampleRecord();
  ParsedExpression and_expression = AssignExpr(".F. .AND. 1 / 0 = 1", SampleTable().Fields());
  EXPECT_THROW(and_expression.Evaluate(record.data()), EKvError);
  ParsedExpression or_expression = AssignExpr(".T. .OR. 1 / 0 = 1", SampleTable().Fields());
  EXPECT_THROW(or_expression.Evaluate(record.data()), EKvError);
}

TEST(ExpressionCompiledForm, ANonLogicalFilterSelectsNoRecord) {
  const std::string record = SampleRecord();
  ParsedExpression expression = AssignExpr("ISSUE__", SampleTable().Fields());
  EXPECT_FALSE(expression.IsTrue(record.data()));
}

TEST(ExpressionCompiledForm, EvaluatingAgainReusesTheWorkingPool) {
  const TestTable& table = SampleTable();
  ParsedExpression expression = AssignExpr("UPPER(TRIM(NAME)) + '/' + LOWER(NAME)", table.Fields());
  std::string record = SampleRecord();
  for (const char* name : {"SMITH", "jones", "", "ABCDEFGHIJ"}) {
    table.Set(record, "NAME", std::string(10, ' '));
    table.Set(record, "NAME", name);
    std::string upper = name, lower = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    lower.resize(10, ' ');
    EXPECT_EQ(expression.Evaluate(record.data()).text, upper + "/" + lower);
  }
}

}  // namespace
}  // namespace vantorel::tables
