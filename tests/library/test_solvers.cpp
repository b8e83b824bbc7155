// The Newton solvers and the polynomial derivative, checked on examples and
// on random polynomials against their exact derivatives.
#include <cctype>
#include <cmath>
#include <random>

#include "tarnix_test.h"

namespace tarnix_test {
namespace {

TEST_F(Engine, StartingWalkAndNewtonSteps) {
  EXPECT_EQ(dPolySolve("x^2-4", "x"), 2);
  EXPECT_EQ(dSolve("x^2-4", "x"), 2);
  EXPECT_EQ(dPolySolve("2*x-1000", "x"), 400);
  EXPECT_EQ(dSolve("2*x-1000", "x"), 500);
  EXPECT_NEAR(dSolve("x^3-2*x-5", "x"), 2.0945514815423265, 1e-9);
  EXPECT_NEAR(dSolve("X^2-2", "X"), std::sqrt(2.0), 1e-9);
  // Small |f| at 0 returns the abscissa after it; 0 itself becomes 1.
  EXPECT_EQ(dPolySolve("x", "x"), 1);
  EXPECT_EQ(dPolySolve("x-3.5", "x"), 2);  // |f(0)| = 3.5 walks on
}

TEST_F(Engine, SolversLeaveTheVariableAtTheLastAbscissa) {
  const double root = dSolve("x^2-9", "x");
  EXPECT_NEAR(root, 3, 1e-12);
  EXPECT_EQ(Eval("x").value, 3);
  char list[64];
  GetVarFuncList(list, 63, "vars");
  EXPECT_STREQ(list, "x=3.0000000000;");
}

TEST_F(Engine, DSolveLogsThreeLinesPerStep) {
  SetDebugF(4);
  MarkLog();
  dSolve("x^2-4", "x");
  // Among the trace of the evaluations: two error numbers, then "step, x".
  std::vector<std::string> own;
  for (const std::string& line : Lines(LogSinceMark())) {
    if (line == "-1" ||
        (line.find(", ") != std::string::npos && std::isdigit(line[0]) &&
         line.find('=') == std::string::npos && line.find('*') == std::string::npos)) {
      own.push_back(line);
    }
  }
  ASSERT_EQ(own.size(), 60u);
  for (int step = 1; step <= 20; ++step) {
    EXPECT_EQ(own[3 * step - 3], "-1");
    EXPECT_EQ(own[3 * step - 2], "-1");
    EXPECT_EQ(own[3 * step - 1], std::to_string(step) + ", 2.0000000000");
  }
}

TEST_F(Engine, ZeroDerivativeDividesByOne) {
  // (x-1)^3 + 5: the walk ends at 1, where the derivative 3*x^2 - 6*x + 3 is 0.
  SetDebugF(4);
  MarkLog();
  dSolve("x^3-3*x^2+3*x+4", "x");
  EXPECT_NE(LogSinceMark().find("\r\n1, -4.0000000000\r\n"), std::string::npos);
  EXPECT_STREQ(sSolve("x^3-3*x^2+3*x+4", "x", 1), "-4.0000000000");
}

TEST_F(Engine, TextTwinsWorkOnTenDecimalTexts) {
  EXPECT_STREQ(sSolve("x^2-4", "x", 20), "2.0000000000");
  EXPECT_STREQ(sPolyNewt("x^2-4", "x", 200), "2.0000000000");
  // |f| of 3.5 has the integer part 3: the text walk stops where the double walk goes on.
  EXPECT_STREQ(sPolyNewt("x-3.5", "x", 200), "1.0000000000");
  EXPECT_STREQ(sPolyNewt("2*x-1000", "x", 10), "20.0000000000");
  EXPECT_STREQ(sPolyNewt("x", "x", 200), "1.0000000000");
  // At least one Newton step, whatever the count says.
  EXPECT_STREQ(sSolve("x^2-9", "x", 0), sSolve("x^2-9", "x", 1));
  const std::string root = sSolve("x^3-2*x-5", "x", 30);
  EXPECT_EQ(root, "2.0945514815");
}

TEST_F(Engine, RootsThatExistAreFound) {
  const struct {
    const char* expr;
    double root;  // the one Newton reaches from the walk's start
  } cases[] = {
      {"0.5*x^3 - 4", 2},
      {"x^2*3 - 12", 2},
      {"2.5*x^2 - 10", 2},
      {"x^3-2*x-5", 2.0945514815423265},
      {"x^2-2*x+1", 1},
      {"x^3-3*x^2+3*x-1", 1},
      {"x - 0.001234567891234", 0.001234567891234},
      {"x^2-1000000", 1000},
      {"x^2", 0},
  };
  for (const auto& c : cases) {
    const double root = dSolve(c.expr, "x");
    EXPECT_EQ(GetE_Error(), -1) << c.expr;
    EXPECT_NEAR(root, c.root, 1e-6) << c.expr;
    const std::string text = sSolve(c.expr, "x", 60);
    if (c.root != 0) {  // the text twin's ten-decimal values stall short of a double root at 0
      EXPECT_EQ(GetE_Error(), -1) << c.expr;
      EXPECT_NEAR(std::stod(text), c.root, 1e-6) << c.expr;
    }
  }
}

TEST_F(Engine, NoRootIsAnErrorAndTheLastIterateStillComesBack) {
  for (const char* expr : {"x^2 + 1", "x^4 + 1", "x^2 + 2*x + 5", "(x^2+1)", "x^2 + 0.000001"}) {
    const double x = dSolve(expr, "x");
    EXPECT_EQ(GetE_Error(), expr[0] == '(' ? -18 : -19) << expr;
    EXPECT_TRUE(std::isfinite(x)) << expr;
    sSolve(expr, "x", 20);
    EXPECT_EQ(GetE_Error(), expr[0] == '(' ? -18 : -19) << expr;
  }
  EXPECT_STREQ(GetE_ErrDescr(-19), "No root found (eval)");
  // A text the evaluator cannot read fails with the evaluator's error.
  dSolve("x^2+foo(1)", "x");
  EXPECT_EQ(GetE_Error(), -18);
  dSolve("2x^2-8", "x");
  EXPECT_EQ(GetE_Error(), -3);
  dSolve("x^2-4", "");
  EXPECT_EQ(GetE_Error(), -16);
}

struct DerivativeCase {
  const char* expr;
  const char* var;
  const char* derivative;
  int error = -1;
};

class Derivatives : public Engine, public ::testing::WithParamInterface<DerivativeCase> {};

TEST_P(Derivatives, AreWrittenTermByTerm) {
  EXPECT_STREQ(Poly_dydx(GetParam().expr, GetParam().var), GetParam().derivative)
      << GetParam().expr;
  EXPECT_EQ(GetE_Error(), GetParam().error) << GetParam().expr;
}

INSTANTIATE_TEST_SUITE_P(
    IntegerPolynomials, Derivatives,
    ::testing::Values(DerivativeCase{"3*x^2-5*x+7", "x", "6*x - 5"},
                      DerivativeCase{"-x^3", "x", " - 3*x^2"}, DerivativeCase{"2*X^2", "x", "4*x"},
                      DerivativeCase{"x^-1", "x", " - 1*x^-2"}, DerivativeCase{"x^3", "x", "3*x^2"},
                      DerivativeCase{"4*x", "x", "4"}, DerivativeCase{"x", "x", "1"},
                      DerivativeCase{" 2 * x ^ 3 + x ", "x", "6*x^2 + 1"},
                      DerivativeCase{"5*t^4-t^2+t-1", "T", "20*t^3 - 2*t + 1"},
                      DerivativeCase{"-2*x^-3+3", "x", "6*x^-4"},
                      DerivativeCase{"2147483647*x^2147483647", "x",
                                     "4611686014132420609*x^2147483646"},
                      DerivativeCase{"2x^2", "x", "4*x"}));

INSTANTIATE_TEST_SUITE_P(
    NumbersAsTheyAre, Derivatives,
    ::testing::Values(
        DerivativeCase{"2.5*x^2", "x", "5*x"}, DerivativeCase{"2.5*x^3 - x", "x", "7.5*x^2 - 1"},
        DerivativeCase{"1.5*x^2", "x", "3*x"}, DerivativeCase{"0.25*x^4", "x", "1*x^3"},
        DerivativeCase{"x^2*3 + x/2", "x", "6*x + 0.5"}, DerivativeCase{"0.1*x^3", "x", "0.3*x^2"},
        DerivativeCase{"0.00000000001*x^2", "x", "0.00000000002*x"},
        DerivativeCase{"x^2.5", "x", "2.5*x^1.5"}, DerivativeCase{"x*x*x", "x", "3*x^2"},
        DerivativeCase{"x^2^3", "x", "6*x^5"},
        DerivativeCase{"x^10^200^200", "x", "400000*x^399999"},
        DerivativeCase{"2^3*x^(2)", "x", "16*x"},
        DerivativeCase{"3000000000*x^2", "x", "6000000000*x"},
        DerivativeCase{"a*x^2 - x/b", "x", "2*a*x - 1/b"},
        // Constants and terms whose derivative is 0.
        DerivativeCase{"7", "x", "0"}, DerivativeCase{"5", "x", "0"},
        DerivativeCase{"x^0+0*x^3", "x", "0"}, DerivativeCase{"y^2", "x", "0"}));

INSTANTIATE_TEST_SUITE_P(
    NoPolynomial, Derivatives,
    ::testing::Values(DerivativeCase{"(x+1)^2", "x", "", -18},
                      DerivativeCase{"sin(x)", "x", "", -18}, DerivativeCase{"2^x", "x", "", -18},
                      DerivativeCase{"1/x", "x", "", -18}, DerivativeCase{"x^y", "x", "", -18},
                      DerivativeCase{"x/0", "x", "", -18}, DerivativeCase{"3*[mA]*x", "x", "", -18},
                      DerivativeCase{"x^2+", "x", "", -18}, DerivativeCase{"1.2.3*x", "x", "", -18},
                      DerivativeCase{"", "x", "", -18}, DerivativeCase{"3*x^2", "", "", -16},
                      DerivativeCase{"3*x^2", "x+1", "", -16},
                      DerivativeCase{"924^723*x^72", "x", "", -18},
                      DerivativeCase{"10^300*x^10000000000", "x", "", -9}));

TEST_F(Engine, ADerivativeFailureNamesTheTerm) {
  ShowMsgs(1);
  SetDebugF(4);
  MarkLog();
  Poly_dydx("3*x^2 + sin(x) - 1", "x");
  EXPECT_NE(LogSinceMark().find("Not a polynomial in x: term 'sin(x)'"), std::string::npos)
      << LogSinceMark();
}

// Random polynomials: the derivative text, evaluated, matches the exact
// derivative of the terms.
TEST_F(Engine, RandomPolynomialsDeriveToTheirExactDerivatives) {
  std::mt19937 rng(4242);
  std::uniform_int_distribution<int> coef(-9, 9), power(0, 6), count(1, 6);
  for (int trial = 0; trial < 300; ++trial) {
    std::string text;
    std::vector<std::pair<int, int>> terms;
    for (int k = count(rng); k > 0; --k) {
      int c = coef(rng);
      if (c == 0) c = 1;
      const int p = power(rng);
      terms.push_back({c, p});
      text += (c < 0 ? "-" : (text.empty() ? "" : "+")) + std::to_string(std::abs(c));
      if (p > 0) text += "*x^" + std::to_string(p);
    }
    const std::string derivative = Poly_dydx(text.c_str(), "x");
    for (double x : {0.5, 1.5, -2.0}) {
      double exact = 0;
      for (const auto& [c, p] : terms) {
        if (p > 0) exact += c * p * std::pow(x, p - 1);
      }
      SetVarFunct("x", std::to_string(x).c_str(), 0);
      const Result r = Eval(derivative);
      ASSERT_EQ(r.error, -1) << text << " -> " << derivative;
      EXPECT_NEAR(r.value, exact, 1e-9 * std::max(1.0, std::fabs(exact)))
          << text << " -> " << derivative;
    }
  }
}

TEST_F(Engine, LPolyDydxGivesTheTextsAddress) {
  const intptr_t address = lPoly_dydx("x^2", "x");
  EXPECT_STREQ(reinterpret_cast<const char*>(address), "2*x");
}

}  // namespace
}  // namespace tarnix_test
