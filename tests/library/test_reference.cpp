// Generated expressions evaluated through the C interface and compared with
// the long double reference of reference_model: random trees over numbers,
// variables, constants, the operators, built-ins and statistics, each
// printed fully and minimally parenthesised. Integrals, derivatives and
// roots follow in reference_integrals.cpp and reference_polynomials.cpp.
#include <cmath>
#include <cstring>

#include "reference_model.h"
#include "tarnix_test.h"

namespace tarnix_test {
namespace {

// The clean engine of every library test, under its own suite name.
using Reference = Engine;

using tarnix_ref::Approx;
using tarnix_ref::Env;
using tarnix_ref::Form;
using tarnix_ref::Node;
using tarnix_ref::Op;
using tarnix_ref::Rng;
using tarnix_ref::Show;

struct VariableDef {
  const char* name;
  const char* text;          // what SetVarFunct receives
  const char* ten_decimals;  // what expressions see
};
// t and w check the rounding to ten decimals; the others have fewer.
constexpr VariableDef kVariables[] = {
    {"a", "2.5", "2.5"},
    {"b", "-1.25", "-1.25"},
    {"c", "0.125", "0.125"},
    {"d", "3.7", "3.7"},
    {"vx", "12.3456", "12.3456"},
    {"k2", "0.75", "0.75"},
    {"t", "0.333333333333", "0.3333333333"},
    {"w", "2.71828182845905", "2.7182818285"},
};

Env StoreVariables() {
  Env env;
  for (const VariableDef& v : kVariables) {
    SetVarFunct(v.name, v.text, 0);
    env[v.name] = tarnix_ref::ReadDouble(v.ten_decimals);
  }
  return env;
}

// Names in a random mix of cases: the engine ignores case.
std::string Cased(Rng& rng, std::string name) {
  if (rng.Percent(80)) return name;
  for (char& c : name) {
    if (rng.Percent(50) && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return name;
}

struct Generated {
  Node node;
  Approx approx;
};

class ExpressionGenerator {
 public:
  ExpressionGenerator(Rng& rng, const Env& env) : rng_(rng), env_(env) {}

  Generated Make(int depth) {
    if (depth <= 0 || rng_.Percent(20)) return MakeLeaf();
    for (int attempt = 0; attempt < 40; ++attempt) {
      if (auto g = TryCompound(depth)) return *std::move(g);
    }
    return MakeLeaf();
  }

  Generated MakeLeaf() {
    for (;;) {
      Node n = PickLeaf();
      if (const auto a = tarnix_ref::Combine(n, {}, env_)) return {std::move(n), *a};
    }
  }

  // A number text: digits with an optional point, sometimes ".5" or "2.50".
  Node Number(int max_decimals) {
    const int decimals = rng_.Between(0, max_decimals);
    const int64_t mantissa = decimals == 0 ? rng_.Between(0, 20) : rng_.Between(1, 9999);
    std::string text = tarnix_ref::Tidy(tarnix_ref::DecimalText(mantissa, decimals));
    if (text.size() > 2 && text.compare(0, 2, "0.") == 0 && rng_.Percent(25)) text.erase(0, 1);
    if (text.find('.') != std::string::npos && rng_.Percent(10)) text += '0';
    return tarnix_ref::Leaf(Op::kNumber, text);
  }

 private:
  Node PickLeaf() {
    const uint32_t r = rng_.Below(100);
    if (r < 70) return Number(3);
    if (r < 90) return tarnix_ref::Leaf(Op::kVariable, Cased(rng_, rng_.Pick(kVariables).name));
    return tarnix_ref::Leaf(Op::kConstant, rng_.Percent(50) ? "pi" : "e");
  }

  // Exponents stay small: whole numbers, halves, an occasional expression.
  Generated Exponent(int depth) {
    static const char* const kExponents[] = {"0", "1", "2", "3", "0.5", "1.5", "2.5", "0.25"};
    if (rng_.Percent(20)) return Make(depth - 1);
    Node n = tarnix_ref::Leaf(Op::kNumber, rng_.Pick(kExponents));
    if (rng_.Percent(25)) n = tarnix_ref::Prefix(Op::kNeg, std::move(n));
    const auto a = tarnix_ref::Evaluate(n, env_);
    return {std::move(n), *a};
  }

  std::optional<Generated> TryCompound(int depth) {
    static const char* const kFunctions[] = {"abs", "sin", "cos",   "atan", "exp",
                                             "ln",  "log", "log10", "sqr",  "int",
                                             "fix", "sgn", "tan",   "sinh", "cosh"};
    static const char* const kStatistics[] = {"min",   "max",  "sum",    "avg", "mean",
                                              "count", "prod", "median", "sum2"};
    std::vector<Generated> parts;
    Node node;
    const uint32_t r = rng_.Below(100);
    if (r < 50) {
      static constexpr Op kBinary[] = {Op::kAdd, Op::kAdd, Op::kSub, Op::kSub, Op::kMul,
                                       Op::kMul, Op::kDiv, Op::kDiv, Op::kPow};
      node.op = rng_.Pick(kBinary);
      parts.push_back(Make(depth - 1));
      parts.push_back(node.op == Op::kPow ? Exponent(depth) : Make(depth - 1));
    } else if (r < 62) {
      node.op = rng_.Percent(80) ? Op::kNeg : Op::kPos;
      parts.push_back(Make(depth - 1));
    } else if (r < 87) {
      node.op = Op::kFunction;
      node.name = Cased(rng_, rng_.Pick(kFunctions));
      parts.push_back(Make(depth - 1));
    } else {
      node.op = Op::kStatistic;
      node.name = rng_.Pick(kStatistics);
      const int count = rng_.Between(1, node.name == "prod" ? 3 : 5);
      for (int i = 0; i < count; ++i) parts.push_back(Make(depth - 2));
    }
    std::vector<Approx> values;
    for (Generated& p : parts) {
      values.push_back(p.approx);
      node.args.push_back(std::move(p.node));
    }
    const auto a = tarnix_ref::Combine(node, values, env_);
    if (!a) return std::nullopt;
    return Generated{std::move(node), *a};
  }

  Rng& rng_;
  const Env& env_;
};

// e_eval's return value, result and error number.
struct Outcome {
  int status = 0;
  double value = 0;
  int error = 0;
};

Outcome Evaluated(const std::string& text) {
  Outcome r;
  r.status = e_eval(text.c_str(), &r.value, 0);
  r.error = GetE_Error();
  return r;
}

std::string Describe(const std::string& text, const Outcome& r) {
  return "input: " + text + "\n  library: " + Show(r.value) + " (returned " +
         std::to_string(r.status) + ", error " + std::to_string(r.error) + ")";
}

// A generated result must be a success within the tolerance the reference
// derived for it.
bool CheckValue(const std::string& text, const Outcome& r, const Approx& ref) {
  const long double tol = 2 * ref.err;
  const bool ok = r.status == 0 && r.error == -1 &&
                  std::fabs(static_cast<long double>(r.value) - ref.value) <= tol;
  if (!ok) {
    ADD_FAILURE() << Describe(text, r) << "\n  reference: " << Show(ref.value) << " (tolerance "
                  << Show(tol) << ")";
  }
  return ok;
}

TEST_F(Reference, GeneratedExpressionsMatchTheReference) {
  const Env env = StoreVariables();
  Rng rng(0x5eed0001u);
  ExpressionGenerator gen(rng, env);
  int checked = 0;
  for (int i = 0; i < 300; ++i) {
    Generated g = gen.Make(rng.Between(2, 5));
    while (g.node.args.empty()) g = gen.Make(3);
    const Form minimal = i % 3 == 0 ? Form::kMinimalSpaced : Form::kMinimal;
    const std::string full = tarnix_ref::Print(g.node, Form::kFull);
    const std::string min = tarnix_ref::Print(g.node, minimal);
    const Outcome rf = Evaluated(full);
    const Outcome rm = Evaluated(min);
    CheckValue(full, rf, g.approx);
    CheckValue(min, rm, g.approx);
    // Both texts stand for the same operations in the same order.
    if (std::memcmp(&rf.value, &rm.value, sizeof(double)) != 0) {
      ADD_FAILURE() << "the two printed forms differ:\n  " << Describe(full, rf) << "\n  "
                    << Describe(min, rm);
    }
    checked += 2;
  }
  EXPECT_EQ(checked, 600);
}

struct Exact {
  const char* text;
  double value;
};

// The documented examples, as exact values.
TEST_F(Reference, PrecedenceAndSinglePrecisionExamples) {
  StoreVariables();
  const Exact cases[] = {
      {"2^3^2", 64},
      {"-2^2", -4},
      {"2*-3", -6},
      {"2^-1", 0.5},
      {"2^(3^2)", 512},
      {"(-2)^2", 4},
      {"10-4-3", 3},
      {"48/4/2", 6},
      {"2+3*4^2", 50},
      {"-3*2", -6},
      {"sin(1)", 0.8414709568023682},
      {"exp(1)",
       static_cast<double>(static_cast<float>(std::pow(static_cast<double>(2.7182817f), 1.0)))},
      {"pi", 3.1415926536},
      {"e", 2.7182818285},
      {"t", 0.3333333333},
      {"W", 2.7182818285},
      {"sgn(0)", 0},
      {"fix(0)", 0},
      {"fix(-2.5)", -2},
      {"int(-2.5)", -2},
      {"sgn(-3)", -1},
      {"median(3;1;2;4)", 2.5},
      {"count(5;6;7)", 3},
      {"sum2(1;2;3)", 14},
  };
  for (const Exact& c : cases) {
    const Outcome r = Evaluated(c.text);
    EXPECT_TRUE(r.status == 0 && r.error == -1 && r.value == c.value)
        << Describe(c.text, r) << "\n  expected: " << Show(c.value);
  }
}

struct Failing {
  const char* text;
  int error;
};

// A domain error or a division by zero anywhere in an expression makes the
// whole evaluation fail, even where the result would hide the NaN; an
// infinity fails as the final result.
TEST_F(Reference, DomainErrorsAndInfinitiesAreErrors) {
  const Failing cases[] = {
      {"sqr(-1)", -8},     {"ln(-1)", -8},         {"log10(-2)", -8},    {"(-8)^(1/3)", -8},
      {"1+sqr(-2)*0", -8}, {"max(sqr(-1);2)", -8}, {"int(sqr(-1))", -8}, {"1^sqr(-1)", -8},
      {"sqr(-1)^0", -8},   {"sgn(ln(-1))", -8},    {"ln(0)", -9},        {"1/0", -9},
      {"3/(2-2)", -9},     {"10^400", -9},         {"-10^400", -9},      {"exp(1000)", -9},
      {"2+ln(0)", -9},     {"-ln(0)*3", -9},       {"atan(1/0)", -9},    {"max(1/0;2)", -9},
      {"0*10^400", -8},
  };
  for (const Failing& c : cases) {
    const Outcome r = Evaluated(c.text);
    EXPECT_TRUE(r.status == c.error && r.error == c.error)
        << Describe(c.text, r) << "\n  expected error " << c.error;
  }
}

int CountNumbers(const Node& n) {
  int count = n.op == Op::kNumber ? 1 : 0;
  for (const Node& arg : n.args) count += CountNumbers(arg);
  return count;
}

// Replaces the leaf number `target` (in print order) by `bad`.
bool ReplaceLeaf(Node& n, int& target, const Node& bad) {
  if (n.op == Op::kNumber) {
    if (target-- == 0) {
      n = bad;
      return true;
    }
    return false;
  }
  for (Node& arg : n.args) {
    if (ReplaceLeaf(arg, target, bad)) return true;
  }
  return false;
}

TEST_F(Reference, GeneratedExpressionsWithADomainErrorOrADivisionByZeroFail) {
  const Env env = StoreVariables();
  Rng rng(0x5eed0002u);
  ExpressionGenerator gen(rng, env);
  int checked = 0;
  while (checked < 40) {
    Generated g = gen.Make(rng.Between(2, 4));
    const Node positive = gen.Number(2);
    if (tarnix_ref::ReadDouble(positive.name) == 0) continue;
    Node bad;
    int error = -8;
    switch (rng.Below(4)) {
      case 0:
        bad = tarnix_ref::Call(Op::kFunction, "sqr", {tarnix_ref::Prefix(Op::kNeg, positive)});
        break;
      case 1:
        bad = tarnix_ref::Call(Op::kFunction, "ln", {tarnix_ref::Prefix(Op::kNeg, positive)});
        break;
      case 2:
        bad = tarnix_ref::Binary(Op::kPow, tarnix_ref::Prefix(Op::kNeg, positive),
                                 tarnix_ref::Leaf(Op::kNumber, "0.5"));
        break;
      default:
        bad = tarnix_ref::Binary(Op::kDiv, positive, tarnix_ref::Leaf(Op::kNumber, "0"));
        error = -9;
        break;
    }
    const int leaves = CountNumbers(g.node);
    if (leaves == 0) continue;
    int target = static_cast<int>(rng.Below(static_cast<uint32_t>(leaves)));
    ReplaceLeaf(g.node, target, bad);
    const std::string text = tarnix_ref::Print(g.node, Form::kMinimal);
    const Outcome r = Evaluated(text);
    EXPECT_TRUE(r.status == error && r.error == error)
        << Describe(text, r) << "\n  expected error " << error;
    ++checked;
  }
}

}  // namespace
}  // namespace tarnix_test
