// Built-in functions in single precision, the "#" constants, rnd and the
// statistics.
#include <cmath>
#include <functional>
#include <set>

#include "tarnix_test.h"

namespace tarnix_test {
namespace {

struct ValueCase {
  const char* expr;
  double value;
};

class ExactValues : public Engine, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(ExactValues, MatchToTheLastBit) {
  const Result r = Eval(GetParam().expr);
  EXPECT_EQ(r.error, -1) << GetParam().expr;
  EXPECT_EQ(r.value, GetParam().value) << GetParam().expr;
}

INSTANTIATE_TEST_SUITE_P(
    SinglePrecision, ExactValues,
    ::testing::Values(
        ValueCase{"sin(1)", 0.8414709568023682}, ValueCase{"SIN(1)", 0.8414709568023682},
        ValueCase{"exp(1)", 2.7182817459106445}, ValueCase{"cosh(0)", 1}, ValueCase{"sinh(0)", 0},
        ValueCase{"tanh(0)", 0}, ValueCase{"int(-2.5)", -2}, ValueCase{"fix(-2.5)", -2},
        ValueCase{"fix(2.5)", 2}, ValueCase{"int(2.9)", 2}, ValueCase{"abs(-2.5)", 2.5},
        ValueCase{"sgn(-3)", -1}, ValueCase{"arccos(0)", 1.5707963705062866},
        ValueCase{"arccotan(0)", 1.5707963705062866}, ValueCase{"sqr(2)", 1.4142135381698608},
        ValueCase{"ln(1)", 0}, ValueCase{"log(1)", 0}, ValueCase{"log10(1000)", 3},
        ValueCase{"atn(1)", 0.7853981852531433}, ValueCase{"atan(1)", 0.7853981852531433},
        ValueCase{"cos(0)", 1}, ValueCase{"tan(0)", 0}, ValueCase{"sin(0.1)", 0.0998334214091301},
        ValueCase{"#pi", 3.1415927410125732}, ValueCase{"#e", 2.7182817459106445},
        ValueCase{"#deg", 57.295780181884766}, ValueCase{"#to_deg", 57.295780181884766},
        ValueCase{"#rad", 0.01745329238474369}, ValueCase{"#to_rad", 0.01745329238474369},
        ValueCase{"pi", 3.1415926536}, ValueCase{"e", 2.7182818285},
        ValueCase{"deg", 57.2957795131}, ValueCase{"rad", 0.0174532925},
        // Integers beyond 32 bits keep their value instead of folding to -2147483648.
        ValueCase{"int(10^10)", 1e10}, ValueCase{"int(2147483647)", 2147483648.0},
        ValueCase{"fix(-10^10)", -1e10}, ValueCase{"not 10^10", -1e10 - 1},
        ValueCase{"10^10 \\ 1", 1e10}, ValueCase{"3000000000 mod 7", 4}, ValueCase{"rnd(0.5)", 0},
        ValueCase{"fix(0)", 0}, ValueCase{"sgn(0)", 0}, ValueCase{"fix(-0.5)", 0},
        // The inverse secant, cosecant and cotangent: arccos(1/x), arcsin(1/x), pi/2 - atan(x).
        ValueCase{"arcsec(2)", static_cast<float>(1.0471975511965979)},
        ValueCase{"arcsec(-2)", static_cast<float>(2.0943951023931957)}, ValueCase{"arcsec(1)", 0},
        ValueCase{"arccosec(2)", static_cast<float>(0.5235987755982989)},
        ValueCase{"arccosec(-1)", static_cast<float>(-1.5707963267948966)},
        ValueCase{"arccotan(1)", static_cast<float>(0.7853981633974483)},
        ValueCase{"arccotan(-1)", static_cast<float>(2.356194490192345)}));

TEST_F(Engine, DomainErrorsAreErrorsNotResults) {
  // No number from a function, an operator or a statistic fails with -8 at
  // once, so that a comparison cannot turn it into a plausible 0.
  for (const char* expr :
       {"ln(-1)", "sqr(-1)", "arcsin(2)", "log10(-1)", "arcsec(0.5)", "rnd(-1)", "rnd(10^10)",
        "int(sqr(-1))", "not sqr(-1)", "(-8)^(1/3)", "0 < sqr(-1)", "sqr(-1) = sqr(-1)",
        "stddev(5)", "median(1;sqr(-1);3)", "10^400-10^400", "0*10^400"}) {
    const Result r = Eval(expr);
    EXPECT_EQ(r.error, -8) << expr;
    EXPECT_NE(r.status, 0) << expr;
  }
  EXPECT_STREQ(GetE_ErrDescr(-8), "Result is not a number (eval)");
}

TEST_F(Engine, InfiniteResultsOfEitherSignAreDivisionByZero) {
  for (const char* expr : {"cosec(0)", "-cosec(0)", "ln(0)", "10^400", "-10^400", "0^-1"}) {
    EXPECT_EQ(Eval(expr).error, -9) << expr;
    EXPECT_EQ(de_eval(expr, 0), -9) << expr;
  }
  // An infinity inside the expression is no error when the result is finite.
  EXPECT_EQ(Eval("atan(10^400)").error, -1);
}

// Functions whose formula is the mathematical one: the result is a float
// and agrees with the double-precision function to float accuracy.
struct Reference {
  const char* name;
  std::function<double(double)> fn;
  double from, to;
};

TEST_F(Engine, ResultsAreFloatsCloseToTheDoubleFunction) {
  const std::vector<Reference> refs = {
      {"sin", [](double x) { return std::sin(x); }, -6, 6},
      {"cos", [](double x) { return std::cos(x); }, -6, 6},
      {"tan", [](double x) { return std::tan(x); }, -1.4, 1.4},
      {"atan", [](double x) { return std::atan(x); }, -50, 50},
      {"exp", [](double x) { return std::exp(x); }, -20, 20},
      {"ln", [](double x) { return std::log(x); }, 0.01, 1000},
      {"log10", [](double x) { return std::log10(x); }, 0.01, 1000},
      {"sqr", [](double x) { return std::sqrt(x); }, 0, 1000},
      {"abs", [](double x) { return std::fabs(x); }, -100, 100},
      {"sec", [](double x) { return 1 / std::cos(x); }, -1.4, 1.4},
      {"cosec", [](double x) { return 1 / std::sin(x); }, 0.1, 3},
      {"cotan", [](double x) { return 1 / std::tan(x); }, 0.1, 1.5},
      {"sinh", [](double x) { return std::sinh(x); }, 0.5, 10},
      {"cosh", [](double x) { return std::cosh(x); }, -10, 10},
      {"tanh", [](double x) { return std::tanh(x); }, 0.5, 5},
      {"sech", [](double x) { return 1 / std::cosh(x); }, -5, 5},
      {"cosech", [](double x) { return 1 / std::sinh(x); }, 0.5, 5},
      {"cotanh", [](double x) { return 1 / std::tanh(x); }, 0.5, 5},
      {"arcsin", [](double x) { return std::asin(x); }, -0.9, 0.9},
      {"arccos", [](double x) { return std::acos(x); }, -0.9, 0.9},
      {"arcsinh", [](double x) { return std::asinh(x); }, 0.5, 100},
      {"arccosh", [](double x) { return std::acosh(x); }, 1.5, 100},
      {"arctanh", [](double x) { return std::atanh(x); }, 0.1, 0.9},
      {"arcsech", [](double x) { return std::acosh(1 / x); }, 0.1, 0.9},
      {"arccosech", [](double x) { return std::asinh(1 / x); }, 0.5, 10},
      {"arccotanh", [](double x) { return std::atanh(1 / x); }, 1.5, 10},
  };
  for (const Reference& ref : refs) {
    for (int i = 0; i <= 40; ++i) {
      const double x = ref.from + (ref.to - ref.from) * i / 40;
      const std::string expr = std::string(ref.name) + "(" + std::to_string(x) + ")";
      const Result r = Eval(expr);
      ASSERT_EQ(r.error, -1) << expr;
      EXPECT_EQ(r.value, static_cast<double>(static_cast<float>(r.value))) << expr;
      const double exact = ref.fn(static_cast<float>(std::stod(std::to_string(x))));
      EXPECT_NEAR(r.value, exact, 4e-6 * std::max(1.0, std::fabs(exact))) << expr;
    }
  }
}

TEST_F(Engine, UnknownFunctionsAndConstants) {
  EXPECT_EQ(Eval("sinx(1)").error, -5);
  EXPECT_EQ(Eval("sinx(1)").value, 0);
  EXPECT_EQ(Eval("#tau").error, -5);
  EXPECT_EQ(Eval("sinx").error, -7);
}

TEST_F(Engine, RndDrawsEveryIntegerUpToTheRoundedArgument) {
  std::set<double> seen;
  for (int i = 0; i < 400; ++i) {
    EXPECT_EQ(Eval("rnd(0)").value, 0);
    seen.insert(Eval("rnd(2.5)").value);  // 2.5 rounds to 2
  }
  EXPECT_EQ(seen, (std::set<double>{0, 1, 2}));
  seen.clear();
  for (int i = 0; i < 400; ++i) seen.insert(Eval("rnd(3.5)").value);  // 3.5 rounds to 4
  EXPECT_EQ(seen, (std::set<double>{0, 1, 2, 3, 4}));
}

class Statistics : public Engine, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(Statistics, ComputeInDoublePrecision) {
  const Result r = Eval(GetParam().expr);
  EXPECT_EQ(r.error, -1) << GetParam().expr;
  EXPECT_EQ(r.value, GetParam().value) << GetParam().expr;
}

INSTANTIATE_TEST_SUITE_P(
    Words, Statistics,
    ::testing::Values(
        ValueCase{"max(3;1;2)", 3}, ValueCase{"min(5)", 5}, ValueCase{"min(3;-1;2)", -1},
        ValueCase{"median(3;1;2)", 2}, ValueCase{"median(4;1;3;2)", 2.5},
        ValueCase{"count(7;7)", 2}, ValueCase{"stddev(2;4;4;4;5;5;7;9)", 2.138089935299395},
        ValueCase{"geom_mean(2;8)", 4}, ValueCase{"stddev(1000000001;1000000002;1000000003)", 1},
        ValueCase{"sum(1;2;3)", 6}, ValueCase{"sum(0.1;0.2)", 0.30000000000000004},
        ValueCase{"sum2(1;2;3)", 14}, ValueCase{"prod(2;3;4)", 24}, ValueCase{"prod2(2;3)", 36},
        ValueCase{"avg(1;2;3;4)", 2.5}, ValueCase{"mean(1;2)", 1.5}, ValueCase{"MAX(1;2)*2", 4},
        ValueCase{"sum(max(1;5);min(2;3))", 7}, ValueCase{"1,5+max(1;2)", 3.5}));

TEST_F(Engine, StatisticsTakeArbitrarilyManyValues) {
  std::string sum = "sum(1";
  std::string count = "count(0";
  for (int i = 2; i <= 1000; ++i) {
    sum += ";" + std::to_string(i);
    count += ";0";
  }
  EXPECT_EQ(Eval(sum + ")").value, 500500);
  EXPECT_EQ(Eval(count + ")").value, 1000);
  EXPECT_EQ(Eval(count + ")").error, -1);
}

TEST_F(Engine, StatisticsArgumentErrorsSurface) {
  EXPECT_EQ(Eval("max(1;").error, -4);
  EXPECT_EQ(Eval("max(1;2").error, -7);
  EXPECT_EQ(Eval("max 1").error, -7);
}

}  // namespace
}  // namespace tarnix_test
