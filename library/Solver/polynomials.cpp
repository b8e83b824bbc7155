// Poly_dydx: the derivative of a polynomial text, term by term. Numbers are
// read as the numbers they are; whole coefficients and exponents stay exact
// integers, others are written to fifteen significant digits. A text that
// is no polynomial in the variable is an error, never a fragment.
#include <cmath>

#include "../DuZuradi/duzuradi.h"
#include "polynomial.h"
#include "solver.h"

namespace tarnix::solver {
namespace {

// d/dx c*names*x^p = c*p*names*x^(p-1); nullopt-like false for a term
// whose derivative is 0.
bool DeriveTerm(const PolyTerm& term, PolyTerm& derived) {
  if (term.power == 0.0 || term.coefficient == 0.0) return false;
  derived = term;
  derived.power = term.power - 1.0;
  const bool whole_power = term.power == std::trunc(term.power) && std::fabs(term.power) < 1e15;
  derived.exact = term.exact && whole_power &&
                  !__builtin_mul_overflow(term.exact_coefficient, static_cast<int64_t>(term.power),
                                          &derived.exact_coefficient);
  derived.coefficient = term.coefficient * term.power;
  return true;
}

}  // namespace

bool DerivativeText(const PolyParse& poly, std::string& derivative) {
  derivative.clear();
  for (const PolyTerm& term : poly.terms) {
    PolyTerm d;
    if (!DeriveTerm(term, d)) continue;
    if (!std::isfinite(d.coefficient) || !std::isfinite(d.power)) {
      derivative.clear();  // a coefficient beyond the range of a number
      return false;
    }
    const bool negative = d.exact ? d.exact_coefficient < 0 : d.coefficient < 0;
    if (derivative.empty()) {
      if (negative) derivative = " - ";  // a leading minus keeps its blanks
    } else {
      derivative += negative ? " - " : " + ";
    }
    derivative += TermMagnitudeText(d, poly.var);
  }
  if (derivative.empty()) derivative = "0";  // a constant
  return true;
}

void FailDerivative(State& st, const PolyParse& poly, std::string_view var) {
  if (poly.var.empty()) {
    if (Fail(st, kErrInvalidParameter)) {
      ReportShort(st, "Poly_dydx", "No variable name given: '" + std::string(var) + "'");
    }
  } else if (poly.ok) {  // a polynomial whose derivative has a coefficient beyond any number
    if (Fail(st, kErrDivisionByZero)) ReportShort(st, "Poly_dydx", "The derivative overflows");
  } else if (Fail(st, kErrNotAPolynomial)) {
    ReportShort(st, "Poly_dydx",
                "Not a polynomial in " + poly.var + ": term '" + poly.bad_term + "'");
  }
}

const char* Poly_dydx(State& state, std::string_view expr, std::string_view var) {
  state.e_error = kNoError;
  const PolyParse poly = ParsePolynomial(expr, var);
  std::string derivative;
  if (!poly.ok || !DerivativeText(poly, derivative)) {
    FailDerivative(state, poly, var);
    return ReturnText(state, "");
  }
  return ReturnText(state, derivative);
}

}  // namespace tarnix::solver
