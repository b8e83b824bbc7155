// The compiler of sampled expressions. e_evals and Integrate evaluate one
// expression at many abscissae: the text of a point is the expression with
// every occurrence of the variable written as "(" + the abscissa's tidy
// ten-decimal text + ")" (Substitution). Inside its parentheses the number
// is parsed the same way whichever number it is, so the text is parsed once,
// with a mark where the abscissa stands, into a program that the points run.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>

#include "duzuradi.h"
#include "program.h"

namespace tarnix {

// The character that stands for the abscissa in the compiled text. A text
// with one of its own is left to the evaluator.
inline constexpr char kAbscissaMark = '\x02';

// An expression compiled for its points, and what the evaluator would have
// done besides computing the value: every point of the text takes ticks
// evaluation steps and reads tokens tokens, and one more of each for every
// one of the regions occurrences of the abscissa when its text is negative
// (a "-" token and a negation). pasting of the ticks come before the text
// is scanned, while the user functions are pasted in. The program holds for
// the variable and function lists of the two generations it was compiled
// from. A program computed whole by the compiler is constant, its value
// value.
struct CompiledPoints {
  Program program;
  bool constant = false;
  double value = 0.0;
  uint64_t ticks = 0;
  uint64_t pasting = 0;
  uint32_t tokens = 0;
  uint32_t regions = 0;
  uint64_t variables = 0;
  uint64_t functions = 0;
};

// The program of points' expression on st's lists, or nullptr when the
// compiler cannot promise the evaluator's results at every point: a text the
// parse fails on, matrices, user functions whose names could reach into the
// abscissa's text, messages or the trace wanted, compiling switched off.
std::unique_ptr<CompiledPoints> CompilePoints(State& st, const Substitution& points);

// The number the scanner reads from x's text in a point ("(" + TrimNumber(
// Fixed10(x)) + ")"; a negative text is a negation): x rounded to ten
// decimals. AbscissaValue computes it by arithmetic when |x| is small
// enough for that to be exact, else as AbscissaValueByText, which writes
// and reads the text. x must be finite.
double AbscissaValueByText(double x);
inline double AbscissaValue(double x) {
  // The text holds x * 1e10 rounded to an integer, half to even, over 1e10;
  // reading it divides that integer by 1e10 with one rounding, as a double
  // division does while the integer is exact. Below 2^51, adding and
  // taking away 1.5 * 2^52 rounds to an integer, half to even.
  constexpr double kScale = 1e10;
  constexpr double kRound = 6755399441055744.0;
  if (!(std::fabs(x) < 2e5)) return AbscissaValueByText(x);
  const double p = x * kScale;
  double r = std::copysign((p + kRound) - kRound, p);  // "-0" reads as -0
  const double d = p - r;
  if (std::fabs(d) == 0.5) [[unlikely]] {
    // p is a tie, but x * 1e10 itself may lie beyond it or short of it.
    const double e = std::fma(x, kScale, -p);
    if (e != 0.0 && (e > 0.0) == (d > 0.0)) r += 2.0 * d;
  }
  return r / kScale;
}

}  // namespace tarnix
