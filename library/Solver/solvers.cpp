// Newton's method on expression texts, with the derivative that Poly_dydx
// writes: dPolySolve/dSolve on doubles, sPolyNewt/sSolve on ten-decimal
// texts. The variable is set through the variable list, so every
// evaluation sees it rounded to ten decimals, and afterwards it holds the
// last abscissa. The last iterate is a root only when its residual says
// so; otherwise the solvers fail with "No root found" and still return it.
#include <cmath>

#include "../DuZuradi/duzuradi.h"
#include "polynomial.h"
#include "solver.h"

namespace tarnix::solver {
namespace {

void SetVariable(State& state, std::string_view var, std::string_view value) {
  SetVarFunct(state, var, value, 0);
}

// f(x) with the variable set to x.
double ValueAt(State& state, std::string_view expr, std::string_view var, double x) {
  SetVariable(state, var, Fixed10(x));
  double value = 0.0;
  Eval(state, expr, &value, 0);
  return value;
}

void LogLine(State& state, const std::string& line) {
  if (TraceReachesLog(state)) EmitMessage(state, line, "", 0);
}

// The starting-value walk shared by both twins: unit steps to the right
// until |f| is small. magnitude(x) gives the |f| the tests compare.
template <class Magnitude>
double Walk(State& state, int32_t rounds, Magnitude magnitude) {
  double x = 0.0;
  for (int32_t round = 0; round < rounds; ++round) {
    Tick(state);
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

// A residual counts as small against the size of the terms it is the sum
// of (a multiple root is reached only that far), or when Newton's next
// step would move x by less than the variable's last decimal.
constexpr double kRelativeResidual = 1e-10;
constexpr double kLastDecimal = 1e-10;

// dSolve takes twenty steps, as it always has; when they have not reached a
// root it goes on up to this many, for starts far from the root.
constexpr int kFixedSteps = 20;
constexpr int kMostSteps = 200;

// The polynomial, its derivative and its terms, evaluated at one abscissa
// after another.
class Newton {
 public:
  Newton(State& state, std::string_view expr, std::string_view var)
      : state_(state), expr_(expr), var_(var), poly_(ParsePolynomial(expr, var)) {
    if (poly_.ok && DerivativeText(poly_, derivative_)) {
      for (const PolyTerm& term : poly_.terms) terms_.push_back(TermMagnitudeText(term, poly_.var));
    }
  }
  // True when the text is a polynomial in the variable with a derivative;
  // otherwise the error number says why, as Poly_dydx's would.
  bool Ready() const {
    if (!terms_.empty()) return true;
    state_.e_error = kNoError;
    FailDerivative(state_, poly_, var_);
    return false;
  }
  const std::string& expr() const { return expr_; }
  const std::string& var() const { return var_; }

  // f(x) and f'(x) with the variable set to x's text; false when an
  // evaluation failed (its error number stays).
  bool Values(std::string_view x, double& f, double& g) {
    SetVariable(state_, var_, x);
    f = 0.0;
    g = 0.0;
    if (Eval(state_, expr_, &f, 0) != 0) return false;
    SetVariable(state_, var_, x);
    return Eval(state_, derivative_, &g, 0) == 0;
  }

  // True when x is a root to the accuracy its ten decimals allow.
  bool IsRoot(std::string_view x) {
    double f = 0.0;
    double g = 0.0;
    if (!Values(x, f, g)) return false;
    double size = 0.0;
    for (const std::string& term : terms_) {
      double t = 0.0;
      if (Eval(state_, term, &t, 0) != 0) return false;
      size += std::fabs(t);
    }
    state_.e_error = kNoError;
    return std::fabs(f) <= kRelativeResidual * size || std::fabs(f) <= kLastDecimal * std::fabs(g);
  }

 private:
  State& state_;
  std::string expr_;
  std::string var_;
  PolyParse poly_;
  std::string derivative_;
  std::vector<std::string> terms_;
};

// Leaves the error of a solve that found no root: the evaluation's own
// error when one failed, else "No root found".
void FailNoRoot(State& state, std::string_view procedure, std::string_view x) {
  if (state.e_error == kNoError) state.e_error = kErrNoRoot;
  if (state.e_error == kErrNoRoot) {
    ReportShort(state, procedure,
                "No root found: the last abscissa " + std::string(x) +
                    " leaves a residual that is not small");
  }
}

}  // namespace

int32_t IntegerValue(std::string_view text) { return TruncToInt32(ReadNumber(text)); }

double dPolySolve(State& state, std::string_view expr, std::string_view var) {
  const std::string e(expr);
  const std::string v(var);
  const double x = Walk(state, 200, [&](double at) { return std::fabs(ValueAt(state, e, v, at)); });
  return x == 0.0 ? 1.0 : x;
}

double dSolve(State& state, std::string_view expr, std::string_view var) {
  Newton newton(state, expr, var);
  if (!newton.Ready()) return 0.0;
  double x = dPolySolve(state, newton.expr(), newton.var());
  for (int step = 1; step <= kMostSteps; ++step) {
    Tick(state);
    if (step > kFixedSteps && newton.IsRoot(Fixed10(x))) return x;
    double f = 0.0;
    double g = 0.0;
    const bool evaluated = newton.Values(Fixed10(x), f, g);
    LogLine(state, std::to_string(state.e_error));
    if (!evaluated) break;
    LogLine(state, std::to_string(state.e_error));
    x = g != 0.0 ? x - f / g : x - f;  // a flat point moves by f itself
    LogLine(state, std::to_string(step) + ", " + Fixed10(x));
    if (!std::isfinite(x)) break;
  }
  if (std::isfinite(x) && state.e_error == kNoError && newton.IsRoot(Fixed10(x))) return x;
  FailNoRoot(state, "dSolve", Fixed10(x));
  return x;
}

const char* sPolyNewt(State& state, std::string_view expr, std::string_view var, int32_t max_iter) {
  const std::string e(expr);
  const std::string v(var);
  // Values pass as ten-decimal texts; the tests look at their integer parts.
  bool first = true;
  const double x = Walk(state, max_iter, [&](double at) {
    SetVariable(state, v, first ? std::string("0") : Fixed10(at));
    first = false;
    return std::fabs(static_cast<double>(IntegerValue(Fixed10(DEval(state, e, 0)))));
  });
  return ReturnText(state, x == 0.0 ? std::string("1") : Fixed10(x));
}

const char* sSolve(State& state, std::string_view expr, std::string_view var, int32_t iterations) {
  Newton newton(state, expr, var);
  if (!newton.Ready()) return ReturnText(state, "");
  std::string x = sPolyNewt(state, newton.expr(), newton.var(), 200);
  // At least one step; a zero derivative divides by 1.0, as dSolve does.
  for (int32_t step = 0; step < std::max(iterations, 1); ++step) {
    Tick(state);
    double f = 0.0;
    double g = 0.0;
    if (!newton.Values(x, f, g)) break;
    f = ReadNumber(Fixed10(f));  // the values pass as ten-decimal texts
    g = ReadNumber(Fixed10(g));
    const double next = ReadNumber(x) - f / (g != 0.0 ? g : 1.0);
    if (!std::isfinite(next)) break;
    x = Fixed10(next);
  }
  if (state.e_error == kNoError && newton.IsRoot(x)) return ReturnText(state, x);
  FailNoRoot(state, "sSolve", x);
  return ReturnText(state, x);
}

double dPolySolve(std::string_view expr, std::string_view var) { return dPolySolve(gs, expr, var); }
double dSolve(std::string_view expr, std::string_view var) { return dSolve(gs, expr, var); }
const char* sPolyNewt(std::string_view expr, std::string_view var, int32_t max_iter) {
  return sPolyNewt(gs, expr, var, max_iter);
}
const char* sSolve(std::string_view expr, std::string_view var, int32_t iterations) {
  return sSolve(gs, expr, var, iterations);
}

}  // namespace tarnix::solver
