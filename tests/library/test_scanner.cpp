// The scanner's tokens, name resolution and position counting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DuZuradi/duzuradi.h"
#include "DuZuradi/parser.h"

namespace tarnix {
namespace {

struct Token {
  std::string tok;
  std::string spelling;
  bool operator==(const Token&) const = default;
};

void PrintTo(const Token& t, std::ostream* os) { *os << "{" << t.tok << ", " << t.spelling << "}"; }

// Every token of text up to (not including) the end token.
std::vector<Token> Scan(const std::string& text) {
  std::vector<Token> tokens;
  StartScan(text);
  while (gs.tok != Tok::End) {
    tokens.push_back({std::string(e_tok()), std::string(gs.e_spelling)});
    e_nxt();
  }
  return tokens;
}

class Scanner : public ::testing::Test {
 protected:
  void SetUp() override {
    ReSetDuZuradi();
    SetDebugF(0);
  }
};

struct ScanCase {
  const char* text;
  std::vector<Token> tokens;
};

class ScannerTokens : public Scanner, public ::testing::WithParamInterface<ScanCase> {};

TEST_P(ScannerTokens, SplitAndResolve) {
  EXPECT_EQ(Scan(GetParam().text), GetParam().tokens) << "text: " << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ScannerTokens,
    ::testing::Values(
        ScanCase{"  12.5", {{"num", "12.5"}}}, ScanCase{"1.2.3", {{"1.2.3", "1.2.3"}}},
        ScanCase{".5", {{"num", ".5"}}},
        ScanCase{"Sin(X)", {{"id", "sin"}, {"(", "("}, {"id", "x"}, {")", ")"}}},
        ScanCase{"#PI", {{"const", "#"}, {"num", "3.1415926536"}}},
        ScanCase{"#to_deg2", {{"const", "#to_deg2"}}}, ScanCase{"&ff", {{"&", "&"}, {"id", "ff"}}},
        ScanCase{"&FF", {{"hex", "&FF"}}},
        ScanCase{"[mA]T+1", {{"matrix", "[mA]"}, {"+", "+"}, {"num", "1"}}},
        ScanCase{"[m A]", {{"matrix", "[m A]"}}}, ScanCase{"[abc", {{"matrix", "[abc"}}},
        ScanCase{"a<>b", {{"id", "a"}, {"<>", "<>"}, {"id", "b"}}},
        ScanCase{"a=<b", {{"id", "a"}, {"=", "="}, {"<", "<"}, {"id", "b"}}},
        ScanCase{"a>>b", {{"id", "a"}, {">>", ">>"}, {"id", "b"}}},
        ScanCase{"<=>=<>", {{"<=", "<="}, {">=", ">="}, {"<>", "<>"}}},
        ScanCase{"<<", {{"<", "<"}, {"<", "<"}}},
        ScanCase{"2pi", {{"num", "2"}, {"num", "3.1415926536"}}},
        // An exponent with digits belongs to the number; without, e is a name.
        ScanCase{"1e5", {{"num", "1e5"}}}, ScanCase{"6.022E23", {{"num", "6.022E23"}}},
        ScanCase{"2.5e+4-1E-3", {{"num", "2.5e+4"}, {"-", "-"}, {"num", "1E-3"}}},
        ScanCase{"2e", {{"num", "2"}, {"num", "2.7182818285"}}},
        ScanCase{"2e+", {{"num", "2"}, {"num", "2.7182818285"}, {"+", "+"}}},
        ScanCase{"2*e-3",
                 {{"num", "2"}, {"*", "*"}, {"num", "2.7182818285"}, {"-", "-"}, {"num", "3"}}},
        ScanCase{"1.2.3e4", {{"1.2.3", "1.2.3"}, {"id", "e4"}}},
        ScanCase{"&1E3", {{"hex", "&1E3"}}},
        ScanCase{"e deg To_Deg rad TO_RAD",
                 {{"num", "2.7182818285"},
                  {"num", "57.2957795131"},
                  {"num", "57.2957795131"},
                  {"num", "0.0174532925"},
                  {"num", "0.0174532925"}}},
        ScanCase{"Mod GEOM_MEAN det eqv Imp not",
                 {{"mod", "mod"},
                  {"geom_mean", "geom_mean"},
                  {"det", "det"},
                  {"eqv", "eqv"},
                  {"imp", "imp"},
                  {"not", "not"}}},
        ScanCase{"_a1\t\r\n?\\;", {{"id", "_a1"}, {"?", "?"}, {"\\", "\\"}, {";", ";"}}},
        ScanCase{"", {}}, ScanCase{" \t ", {}}));

TEST_F(Scanner, VariablesBecomeTenDecimalNumbers) {
  SetVarFunct("x", "0.1234567890123", 0);
  SetVarFunct("neg", "-2", 0);
  SetVarFunct("tiny", "1E-12", 0);
  SetVarFunct("e", "5", 0);    // variables shadow the constants
  SetVarFunct("mod", "7", 0);  // reserved words shadow variables
  EXPECT_EQ(Scan("X neg^2 tiny e mod"), (std::vector<Token>{{"num", "0.1234567890"},
                                                            {"num", "-2.0000000000"},
                                                            {"^", "^"},
                                                            {"num", "2"},
                                                            {"num", "0.0000000000"},
                                                            {"num", "5.0000000000"},
                                                            {"mod", "mod"}}));
}

TEST_F(Scanner, MatrixSuffixIsReadInEitherCase) {
  for (const char* text : {"[mA]I", "[mA]i", "[mA]T", "[mA]t", "[mA]D", "[mA]d", "[mA]x"}) {
    StartScan(text);
    const char expected = text[4] == 'x' ? 0 : static_cast<char>(std::toupper(text[4]));
    EXPECT_EQ(gs.MatrixSuffix, expected) << text;
    EXPECT_EQ(gs.e_pos, expected ? 5u : 4u) << text;
  }
}

TEST_F(Scanner, AStateOfItsOwnKeepsItsListsErrorsAndLog) {
  State own;
  own.DebugFlags = 4;
  own.MsgMode = kMsgReports;
  const std::size_t log_before = gs.MsgLog.size();
  gs.e_error = kNoError;
  EXPECT_EQ(SetVarFunct(own, "x", "5", 0), 0);
  EXPECT_EQ(SetVarFunct(own, "twice", "2*x", 1), 0);
  char buffer[64] = {};
  EXPECT_EQ(GetVarFuncList(own, buffer, 63, "vars"), 4);
  EXPECT_STREQ(buffer, "x=5;");
  EXPECT_EQ(GetVarFuncListLen("vars"), 0);
  EXPECT_EQ(GetVarFuncListLen(""), 0);

  double value = 0;
  EXPECT_EQ(Eval(own, "twice+1", &value, 1), 0);
  EXPECT_EQ(value, 11);
  EXPECT_EQ(Eval(own, "1/0", &value, 0), kErrDivisionByZero);
  EXPECT_EQ(own.e_error, kErrDivisionByZero);
  EXPECT_NE(own.MsgLog.find("Division by zero."), std::string::npos);
  EXPECT_EQ(Eval(own, "nofunction(2)", &value, 0), kErrUndefinedFunction);
  EXPECT_NE(own.MsgLog.find("Undefined function: 'nofunction'"), std::string::npos);
  EXPECT_EQ(gs.e_error, kNoError);
  EXPECT_EQ(gs.MsgLog.size(), log_before);

  EXPECT_EQ(ClearVarFuncList(own, "vars"), 0);
  EXPECT_EQ(Eval(own, "x", &value, 0), kErrTokenMatch);
}

TEST_F(Scanner, AStateOfItsOwnAsksItsOwnHostAndDrawsItsOwnRandomNumbers) {
  State own;
  int asked = 0;
  own.progress_handler = [](void* context) -> int32_t {
    ++*static_cast<int*>(context);
    return 1;
  };
  own.progress_context = &asked;
  own.progress_period = own.progress_countdown = 1;
  EXPECT_THROW(Tick(own), Interruption);
  EXPECT_EQ(asked, 1);

  own.rng_state = 12345;
  const uint64_t process_wide = gs.rng_state;
  const double drawn = e_function(own, "rnd", 100);
  EXPECT_GE(drawn, 0);
  EXPECT_LE(drawn, 100);
  EXPECT_NE(own.rng_state, 12345u);
  EXPECT_EQ(gs.rng_state, process_wide);
}

TEST_F(Scanner, AScannerOfItsOwnLeavesTheProcessWideOneAlone) {
  StartScan("7 + 8");
  tarnix::Scanner own;
  StartScan(own, "abs(2)");
  EXPECT_EQ(own.tok, Tok::Id);
  EXPECT_EQ(own.e_spelling, "abs");
  e_nxt(own);
  EXPECT_EQ(own.tok, Tok::LParen);
  EXPECT_EQ(own.e_pos, 4u);
  EXPECT_EQ(gs.tok, Tok::Num);
  EXPECT_EQ(gs.e_pos, 1u);
  EXPECT_EQ(gs.gExpr, "7 + 8");
  double value = 0;
  gs.e_error = kNoError;
  own.next_text = "2*(3+4)";
  StartPreparedScan(own);
  value = e_prs(own, 1).number;
  EXPECT_EQ(value, 14);
  EXPECT_EQ(own.tok, Tok::End);
  EXPECT_EQ(gs.e_pos, 1u);
}

TEST_F(Scanner, PositionCountsEveryCharacterTaken) {
  StartScan("  12.5+ab<=c");
  EXPECT_EQ(gs.e_pos, 6u);
  e_nxt();
  EXPECT_EQ(gs.e_pos, 7u);
  e_nxt();
  EXPECT_EQ(gs.e_pos, 9u);
  e_nxt();
  EXPECT_EQ(gs.e_pos, 11u);
  e_nxt();
  EXPECT_EQ(gs.e_pos, 12u);
  e_nxt();
  EXPECT_EQ(gs.tok, Tok::End);
  EXPECT_EQ(gs.e_pos, 12u);
}

TEST_F(Scanner, NumberAndHexValues) {
  // The values the texts read as; "1.2.3", "&", "&FG", "&1FFFFFFFF" and "."
  // are no numbers and reach the parser as tokens no operand starts with.
  struct {
    const char* text;
    double value;
  } cases[] = {{"1.2.3", 1.2},
               {"&FF", 255},
               {"&", 0},
               {"&FFFFFFFF", -1},
               {"&7FFFFFFF", 2147483647},
               {"&80000000", -2147483648.0},
               {"&1FFFFFFFF", -1},
               {"&FG", 15},
               {"007", 7},
               {".", 0},
               {"3.", 3}};
  for (const auto& c : cases) {
    StartScan(c.text);
    EXPECT_EQ(gs.tok_value, c.value) << c.text;
  }
}

TEST_F(Scanner, TraceLinesCarryTheTokenCountCutToFourCharacters) {
  SetDebugF(4);
  gs.e_cnt = 123455;
  gs.e_error = -1;
  const std::size_t mark = gs.MsgLog.size();
  StartScan("7");
  EXPECT_EQ(gs.MsgLog.substr(mark),
            "\r\n\r\n1234--- e_nxt()\r\n1234e_cnt = 123456\r\n1234gExpr = 7\r\n"
            "1234gParts = none\r\n1234e_tok = num\r\n1234e_spelling = 7\r\n1234e_input = \r\n"
            "1234e_error = -1\r\n1234deriv = none");
  SetDebugF(0);
}

}  // namespace
}  // namespace tarnix
