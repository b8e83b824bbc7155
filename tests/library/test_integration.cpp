// Integrate and dIntegrate: the three rules against closed forms and their
// orders of accuracy, and every failure path.
#include <cmath>

#include "tarnix_test.h"

namespace tarnix_test {
namespace {

// Integrals in x; expressions whose function names contain an x use t.
double Integral(const char* expr, double from, double to, int n, int method, int* code = nullptr) {
  double result = 0;
  const bool in_t = std::string(expr).find('t') != std::string::npos;
  const int c = Integrate(expr, from, to, n, method, in_t ? "t" : "x", &result);
  if (code != nullptr) *code = c;
  return result;
}

TEST_F(Engine, RulesOnTheSquareFromZeroToOne) {
  int code = 99;
  EXPECT_NEAR(Integral("x^2", 0, 1, 10, 0, &code), 0.3325, 1e-15);
  EXPECT_EQ(code, 0);
  EXPECT_NEAR(Integral("x^2", 0, 1, 10, 1), 0.335, 1e-15);
  EXPECT_NEAR(Integral("x^2", 0, 1, 10, 2), 1.0 / 3, 1e-15);
  // Simpson's rule is exact for cubics.
  EXPECT_NEAR(Integral("x^3-2*x+1", -1, 2, 2, 2), 3.75, 1e-12);
}

struct Closed {
  const char* expr;
  double from, to;
  double exact;
};

// Doubling N divides the error by about 4 (midpoint, trapezoid) or 16
// (Simpson): the rules have their orders.
TEST_F(Engine, RulesConvergeWithTheirOrders) {
  const Closed cases[] = {
      {"sin(t)", 0, 1, 1 - std::cos(1.0)},
      {"exp(t)", 0, 1, std::exp(1.0) - 1},
      {"3*x^2+2*x-1", -1, 2, 9},
      {"1/(1+x^2)", 0, 1, std::atan(1.0)},
  };
  for (const Closed& c : cases) {
    for (int method : {0, 1, 2}) {
      const double e1 = std::fabs(Integral(c.expr, c.from, c.to, 8, method) - c.exact);
      const double e2 = std::fabs(Integral(c.expr, c.from, c.to, 16, method) - c.exact);
      const double order = method == 2 ? 16 : 4;
      if (e1 < 1e-12) continue;  // exact already (Simpson on a quadratic)
      // Single-precision built-ins limit how small the errors get.
      if (std::string(c.expr).find('(') != std::string::npos && e2 < 1e-6) continue;
      EXPECT_NEAR(e1 / e2, order, order * 0.2) << c.expr << " method " << method;
    }
  }
}

TEST_F(Engine, SimpsonEvaluatesTheEndsThenEachOddPointBeforeItsEvenOne) {
  SetDebugF(4);
  MarkLog();
  Integral("x", 0, 4, 4, 2);
  // Each evaluation's text appears in the trace as "gExpr = (x)".
  std::vector<std::string> order;
  for (const std::string& line : Lines(LogSinceMark())) {
    if (line.size() > 12 && line.substr(4, 8) == "gExpr = ") {
      const std::string text = line.substr(12);
      if (order.empty() || order.back() != text) order.push_back(text);
    }
  }
  EXPECT_EQ(order, (std::vector<std::string>{"(0)", "(4)", "(3)", "(1)", "(2)"}));
}

TEST_F(Engine, NTwoWithSimpsonUsesTheEndsAndTheMidpoint) {
  EXPECT_NEAR(Integral("x^2", 0, 2, 2, 2), 8.0 / 3, 1e-15);
}

TEST_F(Engine, VariableIsReplacedAsPlainLowerCaseText) {
  double result = 0;
  // The variable is lowered once; X in the text stays (and is no name here).
  EXPECT_EQ(Integrate("X", 0, 1, 2, 1, "X", &result), -7);
  // Every x is replaced, even inside exp: the text is no expression any more.
  EXPECT_EQ(Integrate("exp(x)", 0, 1, 2, 0, "x", &result), -3);
  SetVarFunct("k", "3", 0);
  EXPECT_EQ(Integrate("k*t", 0, 2, 4, 1, "T", &result), 0);
  EXPECT_NEAR(result, 6, 1e-12);
}

TEST_F(Engine, FailuresReportAndWriteAsDocumented) {
  ShowMsgs(1);
  EXPECT_EQ(Integrate("x", 0, 1, 2, 0, "x", nullptr), -6);
  EXPECT_EQ(GetE_Error(), -6);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].title, "DuZuradi: Integrate");
  EXPECT_EQ(Boxes()[0].text, "Input parameter error: Returned Value not defined");

  double result = 42;
  EXPECT_EQ(Integrate("x", 0, 1, 3, 2, "x", &result), -11);
  EXPECT_EQ(GetE_Error(), -11);
  EXPECT_EQ(result, 42);
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[1].title, "Solver");
  EXPECT_EQ(Boxes()[1].text, "Simpson's Rule requires that number of subintervals N be even.");

  EXPECT_EQ(Integrate("x", 0, 1, 10, 7, "x", &result), -16);  // no such rule
  EXPECT_EQ(GetE_Error(), -16);
  EXPECT_EQ(result, 0);
  result = 42;
  EXPECT_EQ(Integrate("x", 0, 1, 0, 0, "x", &result), -16);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(Integrate("x", 0, 1, -4, 1, "x", &result), -16);

  ShowMsgs(0);
  EXPECT_EQ(Integrate("x", 0, 1, 3, 2, "x", &result), -11);
  EXPECT_EQ(Boxes().size(), 2u);  // no box without a message level
}

TEST_F(Engine, TheFirstFailingAbscissaEndsEveryRule) {
  // A sum that went on past a failure would be a plausible wrong number,
  // and the later successes would hide the failure.
  const struct {
    const char* expr;
    double from, to;
    int n, method, code;
  } cases[] = {
      {"1/x", -1, 1, 2, 1, -9},         // trapezoid: the abscissa 0
      {"1/x", 0, 1, 4, 1, -9},          // trapezoid: the first end, before f(to) succeeds
      {"1/x", -1, 1, 2, 2, -9},         // Simpson: the middle
      {"1/x", -1, 1, 2, 0, 0},          // midpoints -0.5 and 0.5: no failure
      {"sqr(x)", -1, 1, 10, 0, -8},     // midpoint: the first half has no root
      {"sqr(x)", -1, 1, 10, 2, -8},     // Simpson: f(from) fails, f(to) succeeds
      {"ln(x)", 0, 1, 4, 2, -9},        // Simpson: ln(0)
      {"sinx(t)", 0, 1, 4, 2, -5},      // an unknown function
      {"10^300*x", 0, 1e10, 2, 1, -9},  // the sum itself overflows
  };
  for (const auto& c : cases) {
    double result = 42;
    const bool in_t = std::string(c.expr).find('t') != std::string::npos;
    const int code = Integrate(c.expr, c.from, c.to, c.n, c.method, in_t ? "t" : "x", &result);
    EXPECT_EQ(code, c.code) << c.expr << " method " << c.method;
    EXPECT_EQ(GetE_Error(), c.code == 0 ? -1 : c.code) << c.expr << " method " << c.method;
  }
  SetStrMatrix("[mA];1;1;5", 0, 0);
  double result = 0;
  EXPECT_EQ(Integrate("[mA]*x", 0, 1, 2, 1, "x", &result), -16);  // a matrix is no number
}

TEST_F(Engine, DIntegrateReturnsWhatIntegrateWrites) {
  double written = 0;
  Integrate("sin(x)", 0, 3, 100, 2, "x", &written);
  EXPECT_EQ(dIntegrate("sin(x)", 0, 3, 100, 2, "x"), written);
  // On -11 nothing is written: the previous value comes back.
  EXPECT_EQ(dIntegrate("sin(x)", 0, 3, 101, 2, "x"), written);
  EXPECT_EQ(GetE_Error(), -11);
}

}  // namespace
}  // namespace tarnix_test
