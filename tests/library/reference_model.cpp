#include "reference_model.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tarnix_ref {

std::string DecimalText(int64_t mantissa, int decimals) {
  const std::string digits = std::to_string(mantissa < 0 ? -mantissa : mantissa);
  const std::size_t places = static_cast<std::size_t>(std::max(decimals, 0));
  // At least one digit before the point.
  const std::size_t zeros = digits.size() <= places ? places + 1 - digits.size() : 0;
  std::string out = mantissa < 0 ? "-" : "";
  out.append(zeros, '0');
  out += digits;
  if (places > 0) out.insert(out.size() - places, 1, '.');
  return out;
}

std::string Tidy(std::string text) {
  if (text.find('.') != std::string::npos) {
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

double ReadDouble(std::string_view text) {
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

std::string Show(long double value) {
  char buf[128];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, res.ptr);
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  return out;
}

Node Leaf(Op op, std::string text) { return Node{op, std::move(text), {}}; }
Node Prefix(Op op, Node operand) { return Node{op, {}, {std::move(operand)}}; }
Node Binary(Op op, Node left, Node right) {
  Node n{op, {}, {}};
  n.args.push_back(std::move(left));
  n.args.push_back(std::move(right));
  return n;
}
Node Call(Op op, std::string name, std::vector<Node> args) {
  return Node{op, std::move(name), std::move(args)};
}

namespace {

bool IsBinary(Op op) { return op >= Op::kAdd && op <= Op::kPow; }
bool IsPrefix(Op op) { return op == Op::kNeg || op == Op::kPos; }

int Level(Op op) {
  switch (op) {
    case Op::kAdd:
    case Op::kSub: return 7;
    case Op::kMul:
    case Op::kDiv: return 10;
    case Op::kPow: return 11;
    default: return 100;
  }
}

// The level at which a prefix sign parses its operand: it takes a "^" that
// follows along, but not a "*".
constexpr int kPrefixLevel = 11;

char Symbol(Op op) {
  switch (op) {
    case Op::kAdd:
    case Op::kPos: return '+';
    case Op::kSub:
    case Op::kNeg: return '-';
    case Op::kMul: return '*';
    case Op::kDiv: return '/';
    default: return '^';
  }
}

void PrintFull(const Node& n, std::string& out);
void PrintMin(const Node& n, int min_level, int follower, bool spaced, std::string& out);

void PrintCall(const Node& n, Form form, std::string& out) {
  out += n.name;
  out += '(';
  for (std::size_t i = 0; i < n.args.size(); ++i) {
    if (i > 0) out += form == Form::kMinimalSpaced ? "; " : ";";
    if (form == Form::kFull) {
      PrintFull(n.args[i], out);
    } else {
      PrintMin(n.args[i], 0, 0, form == Form::kMinimalSpaced, out);
    }
  }
  out += ')';
}

void PrintFull(const Node& n, std::string& out) {
  if (IsBinary(n.op)) {
    out += '(';
    PrintFull(n.args[0], out);
    out += Symbol(n.op);
    PrintFull(n.args[1], out);
    out += ')';
  } else if (IsPrefix(n.op)) {
    out += '(';
    out += Symbol(n.op);
    PrintFull(n.args[0], out);
    out += ')';
  } else if (n.op == Op::kFunction || n.op == Op::kStatistic) {
    PrintCall(n, Form::kFull, out);
  } else {
    out += n.name;
  }
}

// min_level: the loosest operator the position takes without parentheses;
// follower: the level of the operator that comes right after this text
// within the same parentheses (0 for none).
void PrintMin(const Node& n, int min_level, int follower, bool spaced, std::string& out) {
  if (IsBinary(n.op)) {
    const int level = Level(n.op);
    const bool wrap = level < min_level;
    if (wrap) {
      out += '(';
      follower = 0;
    }
    PrintMin(n.args[0], level, level, spaced, out);
    if (spaced) out += ' ';
    out += Symbol(n.op);
    if (spaced) out += ' ';
    // Left-associative: an operator of the same level on the right needs
    // parentheses.
    PrintMin(n.args[1], level + 1, follower, spaced, out);
    if (wrap) out += ')';
  } else if (IsPrefix(n.op)) {
    // A sign would take a following "^" into its operand.
    const bool wrap = follower >= kPrefixLevel;
    if (wrap) {
      out += '(';
      follower = 0;
    }
    out += Symbol(n.op);
    PrintMin(n.args[0], kPrefixLevel, follower, spaced, out);
    if (wrap) out += ')';
  } else if (n.op == Op::kFunction || n.op == Op::kStatistic) {
    PrintCall(n, spaced ? Form::kMinimalSpaced : Form::kMinimal, out);
  } else {
    out += n.name;
  }
}

constexpr long double kMaxMagnitude = 1e9L;
constexpr long double kMaxRelativeErr = 1e-7L;

std::optional<Approx> Accept(long double value, long double err) {
  if (!std::isfinite(value) || std::fabs(value) > kMaxMagnitude) return std::nullopt;
  if (value != 0 && std::fabs(value) < 1e-12L) return std::nullopt;
  if (err > kMaxRelativeErr * std::fabs(value)) return std::nullopt;
  return Approx{value, err};
}

// The float that every double within err of value rounds to, if there is one.
std::optional<float> SureFloat(long double value, long double err) {
  const float lo = static_cast<float>(value - err);
  const float hi = static_cast<float>(value + err);
  if (lo != hi || !std::isfinite(lo)) return std::nullopt;
  return lo;
}

// The formulas of the built-ins, in long double from the float argument x,
// and how far the library's double formula may stray from them.
struct Formula {
  long double value;
  long double margin;
};

constexpr double kE14 = 2.71828182845905;  // the double E(y) raises

std::optional<Formula> Builtin(const std::string& name, long double x) {
  const long double ax = std::fabs(x);
  auto accurate = [](long double v) { return Formula{v, 3 * kU * std::fabs(v)}; };
  if (name == "abs") return Formula{ax, 0};
  if (name == "sin" && ax <= 100) return accurate(std::sin(x));
  if (name == "cos" && ax <= 100) return accurate(std::cos(x));
  if (name == "tan" && ax <= 100 && std::fabs(std::cos(x)) > 1e-2L) return accurate(std::tan(x));
  if (name == "atan") return accurate(std::atan(x));
  if (name == "exp" && ax <= 20) {
    return accurate(std::pow(static_cast<long double>(2.7182817f), x));
  }
  // Arguments near the edge of the domain are left out.
  if ((name == "ln" || name == "log") && x >= 1e-3L) return accurate(std::log(x));
  if (name == "log10" && x >= 1e-3L) return accurate(std::log10(x));
  if (name == "sqr" && x >= 1e-3L) return accurate(std::sqrt(x));
  if (name == "int" && ax < 1e6L) return Formula{std::trunc(x), 0};
  if (name == "fix" && ax < 1e6L) return Formula{x == 0 ? 0 : std::copysign(std::trunc(ax), x), 0};
  if (name == "sgn") return Formula{x > 0 ? 1.0L : (x < 0 ? -1.0L : 0.0L), 0};
  if ((name == "sinh" || name == "cosh") && ax <= 15) {
    const long double up = std::pow(static_cast<long double>(kE14), x);
    const long double down = std::pow(static_cast<long double>(kE14), -x);
    const long double v = name == "sinh" ? (up - down) / 2 : (up + down) / 2;
    return Formula{v, 3 * kU * (up + down) + 3 * kU * std::fabs(v)};
  }
  return std::nullopt;
}

std::optional<long double> ExactBuiltin(const std::string& name, long double x) {
  if (name == "exp") return std::exp(x);
  if (name == "sinh") return std::sinh(x);
  if (name == "cosh") return std::cosh(x);
  if (name == "ln" || name == "log") return x > 0 ? std::optional(std::log(x)) : std::nullopt;
  if (name == "sqr") return x >= 0 ? std::optional(std::sqrt(x)) : std::nullopt;
  const auto f = Builtin(name, x);
  if (!f) return std::nullopt;
  return f->value;
}

std::optional<Approx> Function(const Node& n, const Approx& arg, Mode mode) {
  const std::string name = Lower(n.name);
  if (mode == Mode::kExact) {
    const auto v = ExactBuiltin(name, arg.value);
    if (!v) return std::nullopt;
    return Accept(*v, 0);
  }
  // The library rounds the argument to a float first: the whole double
  // interval the argument may lie in must round to the same float.
  const auto x = SureFloat(arg.value, 2 * arg.err + 0x1p-60L * std::fabs(arg.value));
  if (!x) return std::nullopt;
  const auto f = Builtin(name, *x);
  if (!f) return std::nullopt;
  const auto result = SureFloat(f->value, f->margin + 0x1p-60L * std::fabs(f->value));
  if (!result) return std::nullopt;
  return Accept(*result, 0);  // exact: every double formula result rounds to this float
}

std::optional<Approx> Statistic(const Node& n, const std::vector<Approx>& args) {
  const std::string name = Lower(n.name);
  const long double count = static_cast<long double>(args.size());
  long double sum = 0, abs_sum = 0, err_sum = 0, max_err = 0;
  for (const Approx& a : args) {
    sum += a.value;
    abs_sum += std::fabs(a.value);
    err_sum += a.err;
    max_err = std::max(max_err, a.err);
  }
  // Sums in any order: each addition rounds by at most u of a partial sum.
  const long double sum_err = err_sum + count * kU * (abs_sum + err_sum);
  if (name == "count") return Accept(count, 0);
  if (name == "sum") return Accept(sum, sum_err);
  if (name == "avg" || name == "mean") {
    return Accept(sum / count, sum_err / count + kU * std::fabs(sum / count));
  }
  // min, max and median move by at most the largest error of their operands.
  if (name == "min" || name == "max") {
    const auto cmp = [](const Approx& a, const Approx& b) { return a.value < b.value; };
    const Approx& pick = name == "min" ? *std::min_element(args.begin(), args.end(), cmp)
                                       : *std::max_element(args.begin(), args.end(), cmp);
    return Accept(pick.value, max_err);
  }
  if (name == "median") {
    std::vector<long double> v;
    for (const Approx& a : args) v.push_back(a.value);
    std::sort(v.begin(), v.end());
    const std::size_t mid = v.size() / 2;
    if (v.size() % 2 == 1) return Accept(v[mid], max_err);
    const long double m = (v[mid - 1] + v[mid]) / 2;
    return Accept(m, max_err + 2 * kU * (std::fabs(v[mid - 1]) + std::fabs(v[mid])));
  }
  if (name == "prod") {
    long double p = 1, bound = 1, exact_abs = 1;
    for (const Approx& a : args) {
      p *= a.value;
      bound *= std::fabs(a.value) + a.err;
      exact_abs *= std::fabs(a.value);
    }
    return Accept(p, (bound - exact_abs) + count * kU * bound);
  }
  if (name == "sum2") {
    long double s = 0, err = 0, bound = 0;
    for (const Approx& a : args) {
      s += a.value * a.value;
      err += 2 * std::fabs(a.value) * a.err + a.err * a.err;
      bound += (std::fabs(a.value) + a.err) * (std::fabs(a.value) + a.err);
    }
    return Accept(s, err + 2 * count * kU * bound);
  }
  return std::nullopt;
}

std::optional<Approx> Power(const Approx& a, const Approx& b) {
  if (std::fabs(b.value) > 6) return std::nullopt;
  const bool whole = b.err == 0 && b.value == std::trunc(b.value);
  if (a.value > 0 && a.err <= 1e-9L * a.value) {
    const long double r = std::pow(a.value, b.value);
    const long double spread = (std::fabs(b.value) + b.err) * a.err / (a.value - a.err) +
                               std::fabs(std::log(a.value)) * b.err;
    const long double err = std::fabs(r) * std::expm1(spread);
    return Accept(r, err + 2 * kU * (std::fabs(r) + err));  // pow: within one ulp
  }
  if (whole && b.value >= 0) {
    // A whole exponent: negative bases (and an exact zero) are fine.
    const long double r = std::pow(a.value, b.value);
    const long double err =
        b.value == 0 ? 0 : b.value * std::pow(std::fabs(a.value) + a.err, b.value - 1) * a.err;
    return Accept(r, err + 2 * kU * (std::fabs(r) + err));
  }
  return std::nullopt;
}

}  // namespace

std::string Print(const Node& node, Form form) {
  std::string out;
  if (form == Form::kFull) {
    PrintFull(node, out);
  } else {
    PrintMin(node, 0, 0, form == Form::kMinimalSpaced, out);
  }
  return out;
}

std::optional<Approx> Combine(const Node& n, const std::vector<Approx>& args, const Env& env,
                              Mode mode) {
  switch (n.op) {
    case Op::kNumber: return Accept(ReadDouble(n.name), 0);
    case Op::kConstant:
      return Accept(ReadDouble(Lower(n.name) == "pi" ? "3.1415926536" : "2.7182818285"), 0);
    case Op::kVariable: {
      const auto it = env.find(Lower(n.name));
      if (it == env.end()) return std::nullopt;
      return Accept(it->second, 0);
    }
    case Op::kNeg: return Approx{-args[0].value, args[0].err};
    case Op::kPos: return args[0];
    case Op::kAdd:
    case Op::kSub: {
      const Approx &a = args[0], &b = args[1];
      const long double r = n.op == Op::kAdd ? a.value + b.value : a.value - b.value;
      const long double err = (a.err + b.err) * (1 + 2 * kU);
      return Accept(r, err + kU * (std::fabs(r) + err));
    }
    case Op::kMul: {
      const Approx &a = args[0], &b = args[1];
      const long double r = a.value * b.value;
      const long double err =
          std::fabs(a.value) * b.err + std::fabs(b.value) * a.err + a.err * b.err;
      return Accept(r, err + kU * (std::fabs(r) + err));
    }
    case Op::kDiv: {
      const Approx &a = args[0], &b = args[1];
      // Divisors near zero are left out.
      if (std::fabs(b.value) < 1e-3L || b.err > 1e-9L * std::fabs(b.value)) return std::nullopt;
      const long double r = a.value / b.value;
      const long double err = (a.err + std::fabs(r) * b.err) / (std::fabs(b.value) - b.err);
      return Accept(r, err + kU * (std::fabs(r) + err));
    }
    case Op::kPow: return Power(args[0], args[1]);
    case Op::kFunction: return Function(n, args[0], mode);
    case Op::kStatistic: return Statistic(n, args);
  }
  return std::nullopt;
}

std::optional<Approx> Evaluate(const Node& node, const Env& env, Mode mode) {
  std::vector<Approx> args;
  for (const Node& arg : node.args) {
    const auto a = Evaluate(arg, env, mode);
    if (!a) return std::nullopt;
    args.push_back(*a);
  }
  return Combine(node, args, env, mode);
}

}  // namespace tarnix_ref
