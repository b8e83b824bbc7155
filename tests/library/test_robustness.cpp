// Inputs that must neither crash the library nor exhaust its stack or
// memory.
#include <cstring>

#include "tarnix_test.h"

namespace tarnix_test {
namespace {

std::string Repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

struct NestingCase {
  std::string open;
  std::string close;
};

class DeepNesting : public Engine, public ::testing::WithParamInterface<NestingCase> {};

TEST_P(DeepNesting, FailsWithMemoryErrorInsteadOfOverflowingTheStack) {
  const NestingCase c = GetParam();
  const Result deep = Eval(Repeat(c.open, 2000) + "1" + Repeat(c.close, 2000));
  EXPECT_EQ(deep.error, -12);
  EXPECT_STREQ(GetE_ErrDescr(deep.error), "Memory alloc error (eval)");
  // Reasonable depths still work, and the engine is usable afterwards.
  EXPECT_EQ(Eval(Repeat(c.open, 200) + "1" + Repeat(c.close, 200)).error, -1);
}

INSTANTIATE_TEST_SUITE_P(Forms, DeepNesting,
                         ::testing::Values(NestingCase{"(", ")"}, NestingCase{"-", ""},
                                           NestingCase{"not ", ""}, NestingCase{"abs(", ")"},
                                           NestingCase{"sum(", ")"}, NestingCase{"0.5^(", ")"},
                                           NestingCase{"+", ""}));

TEST_F(Engine, DeepNestingIsReportedOnce) {
  SetDebugF(2);
  ShowMsgs(1);
  EXPECT_EQ(Eval(Repeat("(", 5000) + "1" + Repeat(")", 5000)).error, -12);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text.substr(0, 62),
            "Procedure: e_prs\r\nExpression nested more than 1000 levels deep");
}

TEST_F(Engine, DoublingFunctionsStopAtTheExpansionLimit) {
  // za = zb+zb, zb = zc+zc, ...: every pass doubles the text.
  for (char c = 'a'; c < 'z'; ++c) {
    const std::string next = std::string("z") + static_cast<char>(c + 1);
    SetVarFunct((std::string("z") + c).c_str(), (next + "+" + next).c_str(), 1);
  }
  SetVarFunct("zz", "1", 1);
  SetDebugF(2);
  ShowMsgs(1);
  EXPECT_EQ(Eval("za").error, -12);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text,
            "Procedure: ExpandFunctions\r\nExpanded expression longer than 1048576 characters.");
  // A shorter chain fits: zp doubles ten times.
  EXPECT_EQ(Eval("zp").value, 1024);
}

TEST_F(Engine, LongExpressionsEvaluate) {
  SetVarFunct("x", "2", 0);
  std::string text = "1";
  for (int i = 0; i < 25000; ++i) text += "+x*1";
  ASSERT_GT(text.size(), 100000u);
  const Result r = Eval(text);
  EXPECT_EQ(r.error, -1);
  EXPECT_EQ(r.value, 50001);
}

TEST_F(Engine, IntegerOperatorsHaveNoUndefinedCases) {
  struct {
    const char* expr;
    double value;
    int error;
  } cases[] = {
      {"-2147483648 mod -1", 0, -1},
      {"0 mod 0", 0, -9},
      {"1 mod 0.9", 0, -9},
      {"1 \\ 0", 0, -9},
      {"1 mod sqr(-1)", 0, -8},
      {"sqr(-1) mod 3", 0, -8},
      {"2147483647 mod -1", 0, -1},
      {"10^20 mod 10^20", 0, -1},
      {"-10^20 \\ 1", -1e20, -1},
      {"sqr(-1) \\ 1", 0, -8},
      {"&FFFFFFFFFFFFFFFFFFFF", 0, -4},
      {"&00000000FFFFFFFF", -1, -1},
      {"&FG", 0, -4},
      {"&1_2", 0, -4},
      {"&80000000 - 1", -2147483649.0, -1},
      {"not &80000000", 2147483647, -1},
      {"rnd(sqr(-1))", 0, -8},
      {"fix(sqr(-1))", 0, -8},
  };
  for (const auto& c : cases) {
    const Result r = Eval(c.expr);
    EXPECT_EQ(r.error, c.error) << c.expr;
    if (c.error == -1) {
      EXPECT_EQ(r.value, c.value) << c.expr;
    }
  }
}

TEST_F(Engine, LogStaysBoundedWhileTracingLongTexts) {
  SetDebugF(4);
  const std::string text = Repeat("1+", 3000) + "1";
  Eval(text);
  Eval(text);
  const std::string log = GetMsgLog();
  EXPECT_LE(log.size(), std::size_t{16} << 20);
  EXPECT_NE(log.find("[... older log lines dropped ...]"), std::string::npos);
  EXPECT_EQ(log.substr(log.size() - 24), "nn.....= 3001.0000000000");
}

// Malformed texts at the edges of the scanner and the parser.
TEST_F(Engine, MalformedTextsFailCleanly) {
  const char* texts[] = {
      "[", "[]]]", "#", "vcoeff(", "syst(;", "max(;;;", "not", "1<", "((((", "\x80\xff",
  };
  for (const char* text : texts) {
    double value = 0;
    e_eval(text, &value, 1);
    de_eval(text, 0);
    EXPECT_NE(GetE_Error(), -1) << text;
  }
  EXPECT_EQ(Eval("&").error, -4);  // a hex mark without digits is no number
}

}  // namespace
}  // namespace tarnix_test
