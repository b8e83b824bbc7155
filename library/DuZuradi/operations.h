// The numbers the operators, the built-ins and the statistics give, and
// when they fail. The one-pass evaluator and the compiled programs
// (program.h) both compute through these functions, so that a value is the
// same to the bit whichever of them computed it; they differ only in what a
// failure does (Reported, Noted).
#pragma once

#include <cmath>
#include <cstdint>
#include <span>
#include <string_view>

#include "duzuradi.h"

namespace tarnix {

// The evaluator's failures: recorded in st with their reports.
struct Reported {
  State& st;
  double DivisionByZero(double left) { return tarnix::DivisionByZero(st, left); }
  double Checked(double value, std::string_view step) { return NumberOrFail(st, value, step); }
};

// A compiled program's failures: only noted, since the point that fails is
// evaluated again from its text, which records and reports it.
struct Noted {
  bool failed = false;
  double DivisionByZero(double left) {
    failed = true;
    return left;
  }
  double Checked(double value, std::string_view /*step*/) {
    failed |= std::isnan(value);
    return value;
  }
};

// "^", "*", "/", "+", "-" of two numbers. "/" by zero gives the left operand.
template <class Failures>
double Arith(Failures& failures, char op, double left, double right) {
  switch (op) {
    // A negative base with a fraction for exponent has no real power.
    case '^': return failures.Checked(std::pow(left, right), "^");
    case '*': return failures.Checked(left * right, "*");
    case '/':
      return right == 0.0 ? failures.DivisionByZero(left) : failures.Checked(left / right, "/");
    case '+': return failures.Checked(left + right, "+");
    case '-': return failures.Checked(left - right, "-");
    default: return left;
  }
}

// "\": the quotient truncated toward zero. Truncating in double keeps
// quotients beyond 32 bits exact instead of folding them to -2147483648.
template <class Failures>
double IntegerQuotient(Failures& failures, double left, double right) {
  if (right == 0.0) return failures.DivisionByZero(left);
  return std::trunc(left / right);
}

// "mod": remainder of the truncated operands with the sign of the left one;
// fmod is exact for every pair of doubles.
template <class Failures>
double Modulo(Failures& failures, double left, double right) {
  const double a = std::trunc(left);
  const double b = std::trunc(right);
  if (b == 0.0) return failures.DivisionByZero(left);
  return std::fmod(a, b) + 0.0;  // + 0.0 turns -0 into 0
}

// "not": the bitwise complement of the truncated operand, -n-1, which is
// what the 32-bit complement gives and stays right beyond 32 bits.
inline double Complement(double operand) { return -std::trunc(operand) - 1.0; }

// A comparison that holds is worth SetBoolSign's truth value.
inline double Truth(int32_t bool_true, bool holds) { return holds ? bool_true : 0.0; }

inline char OperatorChar(Tok op) {
  switch (op) {
    case Tok::Caret: return '^';
    case Tok::Star: return '*';
    case Tok::Slash: return '/';
    case Tok::Plus: return '+';
    default: return '-';
  }
}

// Every binary operator applied to two numbers; bool_true is the truth value
// comparisons give.
template <class Failures>
double NumberOperation(Failures& failures, int32_t bool_true, Tok op, double left, double right) {
  switch (op) {
    case Tok::Caret:
    case Tok::Star:
    case Tok::Slash:
    case Tok::Plus:
    case Tok::Minus: return Arith(failures, OperatorChar(op), left, right);
    case Tok::Backslash: return IntegerQuotient(failures, left, right);
    case Tok::Mod: return Modulo(failures, left, right);
    case Tok::Eq: return Truth(bool_true, left == right);
    case Tok::Lt: return Truth(bool_true, left < right);
    case Tok::Gt: return Truth(bool_true, left > right);
    case Tok::Ne: return Truth(bool_true, left != right);
    case Tok::Le: return Truth(bool_true, left <= right);
    case Tok::Ge: return Truth(bool_true, left >= right);
    case Tok::And: return (left != 0 && right != 0) ? 1.0 : 0.0;
    case Tok::Or: return (left != 0 || right != 0) ? 1.0 : 0.0;
    case Tok::Xor: return ((left != 0) != (right != 0)) ? 1.0 : 0.0;
    default: return left;
  }
}

// ---- Built-ins ---------------------------------------------------------------

// A built-in is a function of its argument, or (rnd) of the state's
// generator too: then fn is nullptr and of_state computes it.
struct Builtin {
  std::string_view name;
  double (*fn)(double x);
  double (*of_state)(State& st, double x) = nullptr;
};

// The built-in or "#" constant of a lower-case name, nullptr for none.
const Builtin* FindBuiltin(std::string_view name);

inline double Single(double v) { return static_cast<double>(static_cast<float>(v)); }

// The built-ins work in single precision: the argument and the result are
// rounded to floats.
template <class Failures>
double ApplyBuiltin(Failures& failures, State& st, const Builtin& b, double argument) {
  const double x = Single(argument);
  return failures.Checked(Single(b.fn != nullptr ? b.fn(x) : b.of_state(st, x)), b.name);
}

// ---- Statistics --------------------------------------------------------------

using StatisticFn = double (*)(std::span<const double> values);

// The statistic of a statistics word, nullptr for a word that is none.
StatisticFn FindStatistic(std::string_view name);

}  // namespace tarnix
