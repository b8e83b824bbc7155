// Newton's method on expression texts, with the derivative that Poly_dydx
// writes: dPolySolve/dSolve on doubles, sPolyNewt/sSolve on ten-decimal
// texts. The variable is set through the variable list, so every
// evaluation sees it rounded to ten decimals, and afterwards it holds the
// last abscissa.
#include <cmath>

#include "../DuZuradi/duzuradi.h"
#include "solver.h"

namespace tarnix::solver {
namespace {

void SetVariable(std::string_view var, std::string_view value) { SetVarFunct(var, value, 0); }

// f(x) with the variable set to x.
double ValueAt(std::string_view expr, std::string_view var, double x) {
  SetVariable(var, Fixed10(x));
  double value = 0.0;
  Eval(expr, &value, 0);
  return value;
}

void LogLine(const std::string& line) {
  if (TraceReachesLog()) EmitMessage(line, "", 0);
}

// The starting-value walk shared by both twins: unit steps to the right
// until |f| is small. magnitude(x) gives the |f| the tests compare.
template <class Magnitude>
double Walk(int32_t rounds, Magnitude magnitude) {
  double x = 0.0;
  for (int32_t round = 0; round < rounds; ++round) {
    const double f1 = magnitude(x);
    x += 1;
    const double f2 = magnitude(x);
    if (f1 <= 3.0) break;  // x is already one step past the small value
    if (f2 <= 3.0) {
      x += 1;
      break;
    }
    if (f2 < f1) x += 1;
    if (f2 > f1) x -= 1;
  }
  return x;
}

}  // namespace

int32_t IntegerValue(std::string_view text) { return TruncToInt32(ReadNumber(text)); }

double dPolySolve(std::string_view expr, std::string_view var) {
  const std::string e(expr);
  const std::string v(var);
  const double x = Walk(200, [&](double at) { return std::fabs(ValueAt(e, v, at)); });
  return x == 0.0 ? 1.0 : x;
}

double dSolve(std::string_view expr, std::string_view var) {
  const std::string e(expr);
  const std::string v(var);
  double x = dPolySolve(e, v);
  const std::string derivative = PolynomialDerivative(e, v);
  for (int step = 1; step <= 20; ++step) {  // always 20 steps, no convergence test
    const double f = ValueAt(e, v, x);
    LogLine(std::to_string(gs.e_error));
    const double g = ValueAt(derivative, v, x);
    LogLine(std::to_string(gs.e_error));
    x = g != 0.0 ? x - f / g : x - f;
    LogLine(std::to_string(step) + ", " + Fixed10(x));
  }
  return x;
}

const char* sPolyNewt(std::string_view expr, std::string_view var, int32_t max_iter) {
  const std::string e(expr);
  const std::string v(var);
  // Values pass as ten-decimal texts; the tests look at their integer parts.
  bool first = true;
  const double x = Walk(max_iter, [&](double at) {
    SetVariable(v, first ? std::string("0") : Fixed10(at));
    first = false;
    return std::fabs(static_cast<double>(IntegerValue(Fixed10(DEval(e, 0)))));
  });
  return ReturnText(x == 0.0 ? std::string("1") : Fixed10(x));
}

const char* sSolve(std::string_view expr, std::string_view var, int32_t iterations) {
  const std::string e(expr);
  const std::string v(var);
  std::string x = sPolyNewt(e, v, 200);
  const std::string derivative = PolynomialDerivative(e, v);
  // At least one step; a zero derivative divides by 1.0, as dSolve does.
  for (int32_t step = 0; step < std::max(iterations, 1); ++step) {
    SetVariable(v, x);
    const double f = ReadNumber(Fixed10(DEval(e, 0)));
    SetVariable(v, x);
    const double g = ReadNumber(Fixed10(DEval(derivative, 0)));
    x = Fixed10(ReadNumber(x) - f / (g != 0.0 ? g : 1.0));
  }
  return ReturnText(x);
}

}  // namespace tarnix::solver
