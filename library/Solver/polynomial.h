// A polynomial text read as the sum of its terms, for the derivative and
// for the size of the terms that tells the Newton solvers whether a
// residual is small. Internal to the numerical methods.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnix::solver {

// One term: coefficient * other names * var^power. The coefficient is kept
// as an exact integer as long as every factor is one, so that integer
// polynomials keep their exact derivative texts.
struct PolyTerm {
  double coefficient = 1.0;  // sign included
  bool exact = true;         // exact_coefficient holds the coefficient
  int64_t exact_coefficient = 1;
  std::string names;  // factors of other names as written: "*a", "/b^2"
  double power = 0.0;
};

struct PolyParse {
  std::string var;  // the variable's name as the texts write it: trimmed, lower case
  std::vector<PolyTerm> terms;
  bool ok = false;
  std::string bad_term;  // the term that is no polynomial term, when !ok
};

// Reads expr (any case, blanks anywhere) as a polynomial in var, a name in
// any case. A term is a product of numbers, the variable with an exponent
// and other names, joined by "*" (or written side by side after a number,
// "2x"), divided only by numbers.
PolyParse ParsePolynomial(std::string_view expr, std::string_view var);

// The term as an expression text the evaluator reads, without its sign;
// var is PolyParse::var.
std::string TermMagnitudeText(const PolyTerm& term, std::string_view var);

// The derivative of a polynomial read by ParsePolynomial, as Poly_dydx
// writes it; false when a coefficient of it overflows.
bool DerivativeText(const PolyParse& poly, std::string& derivative);
// Fails the error number for a text without a derivative: -16 without a
// variable name, -18 for a text that is no polynomial, -9 for a derivative
// that overflows, as st's error. var is the variable as given, for the report.
void FailDerivative(State& st, const PolyParse& poly, std::string_view var);

// A number as a polynomial text writes it: whole numbers in full, others
// to fifteen significant digits in fixed notation, tidied ("7.5", "0.3").
std::string PolyNumberText(double value);

}  // namespace tarnix::solver
