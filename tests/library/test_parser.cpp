// The parser and evaluator: precedence, associativity, prefix operators,
// every error code, the three entry points and the trace of a parse.
#include <cmath>
#include <limits>

#include "tarnix_test.h"

namespace tarnix_test {
namespace {

struct EvalCase {
  const char* expr;
  double value;  // compared when error is -1
  int error;
};

void PrintTo(const EvalCase& c, std::ostream* os) { *os << "\"" << c.expr << "\""; }

class Expressions : public Engine, public ::testing::WithParamInterface<EvalCase> {};

TEST_P(Expressions, EvaluateToValueOrError) {
  const EvalCase c = GetParam();
  const Result r = Eval(c.expr);
  EXPECT_EQ(r.error, c.error) << c.expr;
  if (c.error == -1) {
    EXPECT_EQ(r.status, 0) << c.expr;
    EXPECT_EQ(r.value, c.value) << c.expr;
  } else {
    EXPECT_EQ(r.status, c.error) << c.expr;
  }
}

INSTANTIATE_TEST_SUITE_P(
    PrecedenceAndAssociativity, Expressions,
    ::testing::Values(
        EvalCase{"1+2*3", 7, -1}, EvalCase{"2^3^2", 64, -1}, EvalCase{"-2^2", -4, -1},
        EvalCase{"2*-3", -6, -1}, EvalCase{"-(2)^2", -4, -1}, EvalCase{"2^-1", 0.5, -1},
        EvalCase{"2*3^2", 18, -1}, EvalCase{"10-4-3", 3, -1}, EvalCase{"64/4/2", 8, -1},
        EvalCase{"--2", 2, -1}, EvalCase{"+-+2", -2, -1}, EvalCase{"-2+3", 1, -1},
        EvalCase{"7 mod 4*2", 7, -1}, EvalCase{"7 mod 4 \\ 2", 1, -1}, EvalCase{"2*3 mod 4", 2, -1},
        EvalCase{"5-3 mod 2", 4, -1}, EvalCase{"7\\2", 3, -1}, EvalCase{"-7\\2", -3, -1},
        EvalCase{"7.5\\2.5", 3, -1}, EvalCase{"7 mod 3", 1, -1}, EvalCase{"-7 mod 3", -1, -1},
        EvalCase{"7 mod -3", 1, -1}, EvalCase{"7.9 mod 3.9", 1, -1}, EvalCase{"1+2=3", -1, -1},
        EvalCase{"1<2", -1, -1}, EvalCase{"1<2<3", -1, -1}, EvalCase{"3<2<1", -1, -1},
        EvalCase{"1<>2", -1, -1}, EvalCase{"2<=2", -1, -1}, EvalCase{"3>=4", 0, -1},
        EvalCase{"3>2", -1, -1}, EvalCase{"2=3", 0, -1}, EvalCase{"2 and 3", 1, -1},
        EvalCase{"2 and 0", 0, -1}, EvalCase{"0 or 0", 0, -1}, EvalCase{"3 or 0", 1, -1},
        EvalCase{"1 xor 1", 0, -1}, EvalCase{"1 xor 0", 1, -1}, EvalCase{"2 xor 3 or 0", 0, -1},
        EvalCase{"1 or 0 and 0", 1, -1}, EvalCase{"1=1 and 2=2", 1, -1}, EvalCase{"not 0", -1, -1},
        EvalCase{"not 1", -2, -1}, EvalCase{"not -1", 0, -1}, EvalCase{"not 2.7", -3, -1},
        EvalCase{"not 1=2", -1, -1}, EvalCase{"not 0 and 0", 0, -1}, EvalCase{"not 0 + 1", -2, -1},
        EvalCase{"1,5+1", 2.5, -1}, EvalCase{"&FF", 255, -1}, EvalCase{"&FFFFFFFF+1", 0, -1},
        EvalCase{" ( 1 + 2 ) * 3 ", 9, -1}, EvalCase{"pi", 3.1415926536, -1}, EvalCase{"5.", 5, -1},
        EvalCase{".5", 0.5, -1}, EvalCase{"-2147483648 mod -1", 0, -1},
        // Exponent notation; the hexadecimal text and e the constant stay what they were.
        EvalCase{"1e-3", 0.001, -1}, EvalCase{"6.022E23", 6.022e23, -1},
        EvalCase{"2.5e+4*2", 50000, -1}, EvalCase{"-1.5e-7", -1.5e-7, -1},
        EvalCase{"2^1e1", 1024, -1}, EvalCase{"&1E3", 483, -1},
        EvalCase{"2*e-3", 2 * 2.7182818285 - 3, -1}, EvalCase{"1e-400", 0, -1}));

INSTANTIATE_TEST_SUITE_P(
    ErrorCodes, Expressions,
    ::testing::Values(
        EvalCase{"sin 0", 0, -7}, EvalCase{"(1+2", 0, -7}, EvalCase{"sinx", 0, -7},
        EvalCase{"1+", 0, -4}, EvalCase{"", 0, -4}, EvalCase{")", 0, -4}, EvalCase{"eqv", 0, -4},
        EvalCase{"?", 0, -4}, EvalCase{"*2", 0, -4}, EvalCase{"1/(", 0, -4}, EvalCase{"1 2", 0, -3},
        EvalCase{"2pi", 0, -3}, EvalCase{"1)", 0, -3}, EvalCase{"1 >> 2", 0, -3},
        EvalCase{"1 eqv 2", 0, -3}, EvalCase{"a eqv b", 0, -7}, EvalCase{"sinx(1)", 0, -5},
        EvalCase{"#foo", 0, -5}, EvalCase{"#PI", 0, -5}, EvalCase{"1/0", 0, -9},
        EvalCase{"10^400", 0, -9}, EvalCase{"0^-1", 0, -9}, EvalCase{"2 mod 0", 0, -9},
        EvalCase{"5 mod 0.5", 0, -9}, EvalCase{"1 \\ 0", 0, -9}, EvalCase{"-10^400", 0, -9},
        EvalCase{"1.2.3", 0, -4}, EvalCase{"1,234.5", 0, -4}, EvalCase{".", 0, -4},
        EvalCase{"2*..5", 0, -4}, EvalCase{"[mA]", 0, -17}, EvalCase{"[mA]T*2", 0, -17},
        EvalCase{"det(5)", 0, -17}, EvalCase{"trace(1)", 0, -17}, EvalCase{"syst(1;2)", 0, -17},
        EvalCase{"vcoeff(1;2;3)", 0, -17}, EvalCase{"1e400", 0, -9}, EvalCase{"2e", 0, -3},
        EvalCase{"1E3E3", 0, -3}, EvalCase{"3e2.5", 0, -3}));

TEST_F(Engine, WordOperatorsNeedDefinedOperands) {
  SetVarFunct("a", "1", 0);
  SetVarFunct("b", "2", 0);
  EXPECT_EQ(Eval("a eqv b").error, -3);
  EXPECT_EQ(Eval("a imp b").error, -3);
  EXPECT_EQ(Eval("a + b").value, 3);
}

TEST_F(Engine, PartialValueIsWrittenAfterAnError) {
  EXPECT_EQ(Eval("1/0").value, 1);  // the left operand comes back
  EXPECT_EQ(Eval("1 2").value, 1);
  EXPECT_EQ(Eval("10^400").value, std::numeric_limits<double>::infinity());
}

TEST_F(Engine, DeEvalReturnsTheErrorNumberAsItsValue) {
  EXPECT_EQ(de_eval("2+3", 0), 5);
  EXPECT_EQ(GetE_Error(), -1);
  EXPECT_EQ(de_eval("(1+2", 0), -7);
  EXPECT_EQ(GetE_Error(), -7);
  EXPECT_EQ(de_eval("1/0", 0), -9);
  // An infinite result is no success here either.
  EXPECT_EQ(de_eval("10^400", 0), -9);
  EXPECT_EQ(GetE_Error(), -9);
  EXPECT_EQ(de_eval("sqr(-1)", 0), -8);
  EXPECT_EQ(GetE_Error(), -8);
  EXPECT_EQ(GetResultType(), 0);
}

TEST_F(Engine, CheckStopsAmbiguousFunctionsBeforeWriting) {
  SetVarFunct("f", "1", 1);
  SetVarFunct("f2", "2", 1);
  double value = 123;
  EXPECT_EQ(e_eval("f", &value, 1), -2);
  EXPECT_EQ(value, 123);
  EXPECT_EQ(GetE_Error(), -2);
  EXPECT_EQ(de_eval("f", 1), -2);
  EXPECT_EQ(e_eval("f", &value, 0), 0);
  EXPECT_EQ(value, 1);
}

TEST_F(Engine, NullArgumentsReadAsEmpty) {
  EXPECT_EQ(e_eval(nullptr, nullptr, 0), -4);
  EXPECT_EQ(de_eval(nullptr, 0), -4);
  EXPECT_EQ(e_eval("1+1", nullptr, 0), 0);
}

// ---- e_evals -----------------------------------------------------------------

struct Range {
  std::vector<double> xs, ys, info;
  int ret = 0;
};

Range EvalRange(const char* expr, double x1, const char* var, double x2, int n) {
  Range r;
  r.xs.assign(static_cast<std::size_t>(n) + 1, -99);
  r.ys.assign(static_cast<std::size_t>(n) + 1, -99);
  r.info.assign(5, -99);
  r.ret = e_evals(expr, x1, var, x2, n, r.xs.data(), r.ys.data(), r.info.data());
  return r;
}

TEST_F(Engine, EvalsSamplesTheRange) {
  const Range r = EvalRange("x^2", 0, "x", 1, 4);
  EXPECT_EQ(r.ret, -1);
  EXPECT_EQ(r.xs, (std::vector<double>{0, 0.25, 0.5, 0.75, 1}));
  EXPECT_EQ(r.ys, (std::vector<double>{0, 0.0625, 0.25, 0.5625, 1}));
  EXPECT_EQ(r.info, (std::vector<double>{0, 0, 0, 1, 1}));
}

TEST_F(Engine, EvalsTracksMinimaAndMaxima) {
  const Range r = EvalRange("x^2-1", -1, "x", 2, 6);
  EXPECT_EQ(r.ret, -1);
  EXPECT_EQ(r.info, (std::vector<double>{0, -1, -1, 2, 3}));
}

TEST_F(Engine, EvalsAccumulatesTheStepAndEndsExactlyAtTheEnd) {
  const Range r = EvalRange("x", 0, "x", 1, 10);
  double x = 0;
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(r.xs[i], x) << i;
    x += 0.1;
  }
  EXPECT_EQ(r.xs[10], 1);
  EXPECT_EQ(r.ys[10], 1);
  // 1/9 accumulated nine times passes 1: the last sample is still computed, at 1.
  const Range nine = EvalRange("x+1", 0, "x", 1, 9);
  EXPECT_GT(nine.xs[8], 0.88);
  EXPECT_EQ(nine.xs[9], 1);
  EXPECT_EQ(nine.ys[9], 2);
  // Twenty steps of 0.1: the last one was never computed when 0.1 accumulated
  // twenty times lands above 2.
  const Range twenty = EvalRange("u", 0, "u", 2, 20);
  EXPECT_EQ(twenty.xs[20], 2);
  EXPECT_EQ(twenty.ys[20], 2);
  EXPECT_EQ(twenty.info, (std::vector<double>{0, 0, 0, 2, 2}));
}

TEST_F(Engine, EvalsWithNoStepOrARangeFromRightToLeft) {
  const Range single = EvalRange("x+1", 2, "x", 5, 0);
  EXPECT_EQ(single.ret, -1);
  EXPECT_EQ(single.xs, (std::vector<double>{2}));
  EXPECT_EQ(single.ys, (std::vector<double>{3}));

  const Range back = EvalRange("x", 5, "x", 2, 3);
  EXPECT_EQ(back.ret, -1);
  EXPECT_EQ(back.xs, (std::vector<double>{5, 4, 3, 2}));
  EXPECT_EQ(back.ys, (std::vector<double>{5, 4, 3, 2}));
  EXPECT_EQ(back.info, (std::vector<double>{0, 2, 2, 5, 5}));

  const Range endless = EvalRange("x", 0, "x", std::numeric_limits<double>::infinity(), 3);
  EXPECT_EQ(endless.ret, -16);
}

TEST_F(Engine, EvalsGivesFailedSamplesNoOrdinateAndLeavesThemOutOfInfo) {
  const Range r = EvalRange("1/x", -1, "x", 1, 2);
  EXPECT_EQ(r.ret, -1);
  EXPECT_EQ(r.ys[0], -1);
  EXPECT_TRUE(std::isnan(r.ys[1]));  // 1/0 has no value to draw
  EXPECT_EQ(r.ys[2], 1);
  EXPECT_EQ(r.info, (std::vector<double>{0, -1, -1, 1, 1}));
  const Range last = EvalRange("1/x", -1, "x", 0, 1);
  EXPECT_EQ(last.ret, -9);
  // The range starts at the first sample that succeeded, not at 0.
  const Range logs = EvalRange("ln(x)", 0, "x", 4, 2);
  EXPECT_TRUE(std::isnan(logs.ys[0]));
  EXPECT_EQ(logs.info[1], 2);
  EXPECT_EQ(logs.info[3], 4);
  EXPECT_GT(logs.info[2], 0.69);
}

TEST_F(Engine, EvalsReplacesTheVariableTextEverywhere) {
  // The x of exp is replaced too: e(1)p((1)) is no expression.
  EXPECT_EQ(EvalRange("exp(x)", 0, "x", 1, 2).ret, -3);
  // Case-sensitive: X stays a name, here the stored variable.
  SetVarFunct("x", "10", 0);
  const Range r = EvalRange("X+x", 0, "x", 1, 1);
  EXPECT_EQ(r.ys, (std::vector<double>{10, 11}));
  // Negative abscissae are pasted in parentheses.
  EXPECT_EQ(EvalRange("x^2", -2, "x", -1, 1).ys, (std::vector<double>{4, 1}));
}

TEST_F(Engine, EvalsRejectsNegativeCountsBeforeWriting) {
  double xs[2] = {7, 7};
  double ys[2] = {7, 7};
  double info[5] = {7, 7, 7, 7, 7};
  EXPECT_EQ(e_evals("x", 0, "x", 1, -1, xs, ys, info), -16);
  EXPECT_EQ(GetE_Error(), -16);
  EXPECT_EQ(e_evals("x", 0, "x", 1, 1, nullptr, ys, info), -16);
  EXPECT_EQ(xs[0], 7);
  EXPECT_EQ(ys[1], 7);
  EXPECT_EQ(info[4], 7);

  SetDebugF(2);
  ShowMsgs(1);
  EXPECT_EQ(e_evals("x", 0, "x", 1, -5, xs, ys, info), -16);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, "Procedure: e_evals\r\nInvalid number of points or array, n = -5");
}

// ---- Trace -------------------------------------------------------------------

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST_F(Engine, ParseTraceShowsDepthPrefixesAndValues) {
  SetDebugF(4);
  MarkLog();
  Eval("(2)");
  const auto lines = Lines(LogSinceMark());
  for (const char* expected :
       {"1*=== e_prs() ===", "1*expression = (2)", "1*gParts = none", "1*e_tok........= (",
        "1*e_spelling = (", "1*e_input.....= 2)", "1*e_error = -1", "1*deriv = none",
        "2***=== e_prs() ===", "2***e_tok........= num", "2***nn.....= 2.0000000000",
        "1*nn.....= 2.0000000000", "'--- e_match()", "e_tok = )", "token = )", "e_error = -1"}) {
    EXPECT_TRUE(Contains(lines, expected)) << expected;
  }
}

TEST_F(Engine, ScannerTraceCarriesTheTokenCountPrefix) {
  SetDebugF(4);
  MarkLog();
  Eval("1+x2");
  const auto lines = Lines(LogSinceMark());
  int blocks = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].size() != 15 || lines[i].substr(4) != "--- e_nxt()") continue;
    ++blocks;
    const std::string prefix = lines[i].substr(0, 4);
    ASSERT_LT(i + 8, lines.size());
    EXPECT_EQ(lines[i - 1], "");
    std::string count = lines[i + 1].substr(12);
    count.resize(4, ' ');
    EXPECT_EQ(count.substr(0, 4), prefix);
    EXPECT_EQ(lines[i + 2], prefix + "gExpr = 1+x2");
    EXPECT_EQ(lines[i + 3], prefix + "gParts = none");
    EXPECT_EQ(lines[i + 8], prefix + "deriv = none");
  }
  // 1, +, x2, then the end token three times: after x2, after each failed match.
  EXPECT_EQ(blocks, 6);
  EXPECT_TRUE(Contains(Lines(LogSinceMark()), "'--- e_match()"));
}

TEST_F(Engine, FunctionTraceShowsArgumentAndResult) {
  SetDebugF(4);
  MarkLog();
  Eval("sin(1)");
  const std::string log = LogSinceMark();
  EXPECT_NE(log.find("\r\n\r\n'--- e_function(): ---\r\n    e_cnt = "), std::string::npos);
  EXPECT_NE(log.find("\r\n    fun=sin\r\n    arg=1.0000000000\r\n    drv = none\r\n"
                     "    n=0.8414709568\r\n"),
            std::string::npos);
}

TEST_F(Engine, NoTraceIsWrittenWhenItCannotReachTheLog) {
  for (int flags : {0, 1, 2, 3, 7}) {
    SetDebugF(flags);
    MarkLog();
    Eval("sin(1)+(2)");
    EXPECT_EQ(LogSinceMark(), "") << "flags " << flags;
  }
}

}  // namespace
}  // namespace tarnix_test
