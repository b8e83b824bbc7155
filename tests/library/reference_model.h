// The reference side of the generated checks: a seeded generator that gives
// the same numbers on every standard library, decimal texts, and expression
// trees that print themselves fully or minimally parenthesised and evaluate
// in long double together with a bound on the rounding error that the
// library's double evaluation may make. Every comparison takes its
// tolerance from that bound; a case whose bound would be too wide (a
// divisor near zero, a function argument whose float rounding could flip)
// is rejected by the evaluator so that the generator draws another one.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace tarnix_ref {

// Unit roundoff of double.
inline constexpr long double kU = 0x1p-53L;

class Rng {
 public:
  explicit Rng(uint32_t seed) : engine_(seed) {}
  // 0 .. n-1, scaled from the engine's raw 32 bits: distributions of the
  // standard library differ between implementations, this does not.
  uint32_t Below(uint32_t n) {
    return static_cast<uint32_t>((static_cast<uint64_t>(engine_()) * n) >> 32);
  }
  int Between(int lo, int hi) {
    return lo + static_cast<int>(Below(static_cast<uint32_t>(hi - lo + 1)));
  }
  bool Percent(uint32_t p) { return Below(100) < p; }
  template <class T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(static_cast<uint32_t>(N))];
  }

 private:
  std::mt19937 engine_;
};

// mantissa / 10^decimals written with exactly `decimals` digits after the
// point (none for 0): DecimalText(-125, 2) is "-1.25".
std::string DecimalText(int64_t mantissa, int decimals);
// The text without trailing zeros after the point (and without a bare point).
std::string Tidy(std::string text);
// The nearest double to a decimal text, independent of the locale.
double ReadDouble(std::string_view text);
// A number for failure reports: the shortest text that reads back exactly.
std::string Show(long double value);

enum class Op {
  kNumber,
  kVariable,
  kConstant,
  kNeg,
  kPos,
  kAdd,
  kSub,
  kMul,
  kDiv,
  kPow,
  kFunction,
  kStatistic
};

struct Node {
  Op op = Op::kNumber;
  std::string name;  // number text, variable or constant as written, function name
  std::vector<Node> args;
};

Node Leaf(Op op, std::string text);
Node Prefix(Op op, Node operand);
Node Binary(Op op, Node left, Node right);
Node Call(Op op, std::string name, std::vector<Node> args);

enum class Form {
  kFull,           // every operation in its own parentheses
  kMinimal,        // parentheses only where the precedences need them
  kMinimalSpaced,  // the same with blanks around the operators
};
std::string Print(const Node& node, Form form);

// A value and a bound on |library's double result - value|.
struct Approx {
  long double value = 0;
  long double err = 0;
};

// Variable values as the expressions see them (already rounded to ten
// decimals), by lower-case name.
using Env = std::map<std::string, double>;

enum class Mode {
  kLibrary,  // the library's arithmetic: built-ins in single precision
  kExact,    // built-ins exact (for closed forms); no rejections for flips
};

// Combines already evaluated operands of node (its args are not looked at):
// nothing when the case must be drawn again.
std::optional<Approx> Combine(const Node& node, const std::vector<Approx>& args, const Env& env,
                              Mode mode = Mode::kLibrary);
std::optional<Approx> Evaluate(const Node& node, const Env& env, Mode mode = Mode::kLibrary);

std::string Lower(std::string_view text);

}  // namespace tarnix_ref
