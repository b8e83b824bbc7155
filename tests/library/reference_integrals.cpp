// Generated integrals: Integrate and dIntegrate on polynomials and on
// integrands with built-ins, compared twice - with the rule's own sum over
// the same abscissae in long double (the integrand evaluated as the library
// does, built-ins in single precision), and with the closed form plus the
// rule's known error (Euler-Maclaurin: exact for polynomials up to degree
// five, a bounded remainder otherwise).
#include <cmath>
#include <cstring>
#include <functional>

#include "reference_model.h"
#include "tarnix_test.h"

namespace tarnix_test {
namespace {

// The clean engine of every library test, under its own suite name.
using Reference = Engine;

using tarnix_ref::Approx;
using tarnix_ref::DecimalText;
using tarnix_ref::Env;
using tarnix_ref::Node;
using tarnix_ref::Op;
using tarnix_ref::ReadDouble;
using tarnix_ref::Rng;
using tarnix_ref::Show;
using Fn = std::function<long double(long double)>;

struct Integrand {
  Node tree;
  Fn antiderivative, d1, d3;  // F, f', f'''
  long double m4 = 0;         // bound of |f''''| over the interval
  bool polynomial = false;    // Euler-Maclaurin ends after the h^4 term
};

// The interval: from = lo/100, step h = step/1000 (negative: to < from).
struct Grid {
  int lo = 0;
  int step = 0;
  int n = 0;
  // Abscissa j/2 steps after from, as an exact decimal text.
  std::string Text(int halves) const {
    return DecimalText(5 * (20 * int64_t{lo} + int64_t{halves} * step), 4);
  }
  long double Exact(int halves) const {
    return static_cast<long double>(5 * (20 * int64_t{lo} + int64_t{halves} * step)) / 10000;
  }
};

Node Num(std::string text) { return tarnix_ref::Leaf(Op::kNumber, std::move(text)); }

// A decimal with two places, never 0.
std::string Coefficient(Rng& rng, int max_hundredths, bool allow_negative) {
  int m = rng.Between(1, max_hundredths);
  if (allow_negative && rng.Percent(40)) m = -m;
  return tarnix_ref::Tidy(DecimalText(m, 2));
}

Integrand Polynomial(Rng& rng, const std::string& var) {
  const int degree = rng.Between(0, 5);
  std::vector<double> c(static_cast<std::size_t>(degree) + 1);
  std::vector<std::string> text(c.size());
  for (std::size_t k = 0; k < c.size(); ++k) {
    text[k] = Coefficient(rng, 999, true);
    c[k] = ReadDouble(text[k]);
  }
  const Node x = tarnix_ref::Leaf(Op::kVariable, var);
  auto magnitude = [](const std::string& t) { return Num(t[0] == '-' ? t.substr(1) : t); };
  Node tree;
  if (rng.Percent(30)) {
    // Horner: (((c5*x + c4)*x + c3)*x ...
    tree = magnitude(text.back());
    if (text.back()[0] == '-') tree = tarnix_ref::Prefix(Op::kNeg, std::move(tree));
    for (int k = degree - 1; k >= 0; --k) {
      const Op op = c[static_cast<std::size_t>(k)] < 0 ? Op::kSub : Op::kAdd;
      tree = tarnix_ref::Binary(op, tarnix_ref::Binary(Op::kMul, std::move(tree), x),
                                magnitude(text[static_cast<std::size_t>(k)]));
    }
  } else {
    for (int k = degree; k >= 0; --k) {
      const std::string& t = text[static_cast<std::size_t>(k)];
      Node term = magnitude(t);
      if (k == 1) term = tarnix_ref::Binary(Op::kMul, std::move(term), x);
      if (k > 1) {
        term = tarnix_ref::Binary(Op::kMul, std::move(term),
                                  tarnix_ref::Binary(Op::kPow, x, Num(std::to_string(k))));
      }
      if (k == degree) {
        // A leading minus goes to the coefficient: "-2.5*x^3".
        if (t[0] == '-' && term.args.empty()) {
          term = tarnix_ref::Prefix(Op::kNeg, std::move(term));
        } else if (t[0] == '-') {
          term.args[0] = tarnix_ref::Prefix(Op::kNeg, std::move(term.args[0]));
        }
        tree = std::move(term);
      } else {
        tree =
            tarnix_ref::Binary(t[0] == '-' ? Op::kSub : Op::kAdd, std::move(tree), std::move(term));
      }
    }
  }
  auto sum = [c](int shift, auto coef) {
    return [c, shift, coef](long double v) {
      long double s = 0;
      for (std::size_t k = 0; k < c.size(); ++k) {
        const int e = static_cast<int>(k) + shift;
        if (e >= 0) s += coef(static_cast<long double>(k)) * c[k] * std::pow(v, e);
      }
      return s;
    };
  };
  Integrand f;
  f.tree = std::move(tree);
  f.antiderivative = sum(1, [](long double k) { return 1 / (k + 1); });
  f.d1 = sum(-1, [](long double k) { return k; });
  f.d3 = sum(-3, [](long double k) { return k * (k - 1) * (k - 2); });
  f.polynomial = true;
  return f;
}

Node Fun(const char* name, Node arg) {
  std::vector<Node> args;
  args.push_back(std::move(arg));
  return tarnix_ref::Call(Op::kFunction, name, std::move(args));
}

// Integrands with built-ins; lo_bound is the smaller end of the interval
// (the m4 bounds of sqr and ln need it).
Integrand WithBuiltins(int kind, Rng& rng, const std::string& var, long double lo_bound,
                       long double hi_abs) {
  const Node z = tarnix_ref::Leaf(Op::kVariable, var);
  const std::string a_text = Coefficient(rng, 500, true);
  const long double a = ReadDouble(a_text);
  auto times_a = [&](Node call) {
    return tarnix_ref::Binary(
        Op::kMul,
        a_text[0] == '-' ? tarnix_ref::Prefix(Op::kNeg, Num(a_text.substr(1))) : Num(a_text),
        std::move(call));
  };
  Integrand f;
  switch (kind) {
    case 0: {  // A*sin(k*z) + B
      static const char* const kRates[] = {"1", "2", "0.5", "1.5", "3"};
      const std::string k_text = rng.Pick(kRates);
      const long double k = ReadDouble(k_text);
      const std::string b_text = Coefficient(rng, 500, false);
      const long double b = ReadDouble(b_text);
      Node arg = k_text == "1" ? z : tarnix_ref::Binary(Op::kMul, Num(k_text), z);
      f.tree = tarnix_ref::Binary(rng.Percent(50) ? Op::kAdd : Op::kSub, times_a(Fun("sin", arg)),
                                  Num(b_text));
      const long double bs = f.tree.op == Op::kAdd ? b : -b;
      f.antiderivative = [=](long double v) { return -a * std::cos(k * v) / k + bs * v; };
      f.d1 = [=](long double v) { return a * k * std::cos(k * v); };
      f.d3 = [=](long double v) { return -a * k * k * k * std::cos(k * v); };
      f.m4 = std::fabs(a) * k * k * k * k;
      break;
    }
    case 1: {  // A*cos(2*z)
      f.tree = times_a(Fun("cos", tarnix_ref::Binary(Op::kMul, Num("2"), z)));
      f.antiderivative = [=](long double v) { return a * std::sin(2 * v) / 2; };
      f.d1 = [=](long double v) { return -2 * a * std::sin(2 * v); };
      f.m4 = 16 * std::fabs(a);
      break;
    }
    case 2: {  // A*exp(z)
      f.tree = times_a(Fun("exp", z));
      f.antiderivative = [=](long double v) { return a * std::exp(v); };
      f.d1 = f.antiderivative;
      f.m4 = std::fabs(a) * std::exp(hi_abs);
      break;
    }
    case 3: {  // A/(1+z^2), no built-in at all
      f.tree = tarnix_ref::Binary(
          Op::kDiv, Num(a_text[0] == '-' ? a_text.substr(1) : a_text),
          tarnix_ref::Binary(Op::kAdd, Num("1"), tarnix_ref::Binary(Op::kPow, z, Num("2"))));
      const long double m = std::fabs(a);
      f.antiderivative = [=](long double v) { return m * std::atan(v); };
      f.d1 = [=](long double v) { return -2 * m * v / ((1 + v * v) * (1 + v * v)); };
      f.m4 = 24 * m;
      break;
    }
    case 4: {  // A*sqr(z), z >= 0.5
      f.tree = times_a(Fun("sqr", z));
      f.antiderivative = [=](long double v) { return a * 2 * std::pow(v, 1.5L) / 3; };
      f.d1 = [=](long double v) { return a / (2 * std::sqrt(v)); };
      f.m4 = std::fabs(a) * 15 / 16 * std::pow(lo_bound, -3.5L);
      break;
    }
    case 5: {  // A*ln(z), z >= 0.5
      f.tree = times_a(Fun("ln", z));
      f.antiderivative = [=](long double v) { return a * (v * std::log(v) - v); };
      f.d1 = [=](long double v) { return a / v; };
      f.m4 = 6 * std::fabs(a) * std::pow(lo_bound, -4.0L);
      break;
    }
    default: {  // A*atan(z)
      f.tree = times_a(Fun("atan", z));
      f.antiderivative = [=](long double v) {
        return a * (v * std::atan(v) - std::log1p(v * v) / 2);
      };
      f.d1 = [=](long double v) { return a / (1 + v * v); };
      f.m4 = 6 * std::fabs(a);
      break;
    }
  }
  return f;
}

struct Sums {
  long double value = 0;      // h * sum of w_i f(x_i)
  long double tolerance = 0;  // bound on the library's deviation from it
  long double exact = 0;      // the same sum with exact built-ins
  long double shift = 0;      // bound of the effect of the abscissae being doubles
  bool ok = true;
};

Sums RuleSum(const Integrand& f, const Grid& g, int method, const std::string& var) {
  Sums s;
  long double sum = 0, err = 0, mag = 0, exact = 0, shift = 0;
  const long double h = static_cast<long double>(g.step) / 1000;
  auto add = [&](int halves, long double w) {
    const double x = ReadDouble(g.Text(halves));
    const Env env{{var, x}};
    const auto v = tarnix_ref::Evaluate(f.tree, env);
    const auto e = tarnix_ref::Evaluate(f.tree, env, tarnix_ref::Mode::kExact);
    if (!v || !e) {
      s.ok = false;
      return;
    }
    sum += w * v->value;
    err += std::fabs(w) * v->err;
    mag += std::fabs(w * v->value);
    exact += w * e->value;
    shift += std::fabs(w * f.d1(g.Exact(halves)) * (x - g.Exact(halves)));
  };
  for (int i = 0; i <= g.n; ++i) {
    if (method == 0) {
      if (i > 0) add(2 * i - 1, 1);
    } else if (method == 1) {
      add(2 * i, (i == 0 || i == g.n) ? 0.5L : 1.0L);
    } else {
      add(2 * i, (i == 0 || i == g.n) ? 1.0L / 3 : (i % 2 == 1 ? 4.0L / 3 : 2.0L / 3));
    }
  }
  const long double ah = std::fabs(h);
  s.value = h * sum;
  // The library's h comes from the ends as doubles: (to - from) / N may be
  // off by the ends' own rounding, which a short interval magnifies. The
  // abscissae do not inherit it (they are rounded to ten decimals), the
  // factor h does.
  const long double a = g.Exact(0), b = g.Exact(2 * g.n);
  const long double h_err =
      tarnix_ref::kU * (std::fabs(a) + std::fabs(b) + std::fabs(b - a)) / g.n + tarnix_ref::kU * ah;
  // Twice the evaluation bound, the partial sums, and that h.
  s.tolerance = 2 * ah * err + (2 * g.n + 10) * tarnix_ref::kU * ah * mag + 2 * h_err * mag;
  s.exact = h * exact;
  s.shift = 2 * ah * shift + 0x1p-58L * ah * mag;
  return s;
}

// The closed form with the rule's error terms, and the bound of what it leaves out.
std::pair<long double, long double> ClosedForm(const Integrand& f, const Grid& g, int method) {
  const long double a = g.Exact(0), b = g.Exact(2 * g.n);
  const long double h = static_cast<long double>(g.step) / 1000;
  const long double h2 = h * h, h4 = h2 * h2, len = std::fabs(b - a);
  const long double integral = f.antiderivative(b) - f.antiderivative(a);
  const long double d1 = f.d1(b) - f.d1(a);
  const long double d3 = f.polynomial ? f.d3(b) - f.d3(a) : 0;
  long double value = integral, rest = 0;
  switch (method) {
    case 0:
      value += -h2 / 24 * d1 + 7 * h4 / 5760 * d3;
      rest = 7 * len * h4 * f.m4 / 5760;
      break;
    case 1:
      value += h2 / 12 * d1 - h4 / 720 * d3;
      rest = len * h4 * f.m4 / 720;
      break;
    default:
      value += h4 / 180 * d3;
      rest = len * h4 * f.m4 / 180;
      break;
  }
  if (f.polynomial) rest = 0;
  rest += 0x1p-58L * (std::fabs(f.antiderivative(b)) + std::fabs(f.antiderivative(a)));
  return {value, rest};
}

TEST_F(Reference, GeneratedIntegralsMatchRuleSumsAndClosedForms) {
  Rng rng(0x5eed0003u);
  static const char* const kPolyVars[] = {"x", "t", "u"};
  static const char* const kOtherVars[] = {"z", "w", "y", "u"};
  const char* const kRules[] = {"midpoint", "trapezoid", "Simpson"};
  int checked = 0;
  for (int i = 0; i < 60; ++i) {
    const int method = i % 3;
    // Blocks of three cases (one per rule): polynomials and built-ins take turns.
    const int kind = (i / 3) % 2 == 0 ? 7 : (i / 6) % 7;  // 7: polynomial
    for (int attempt = 0;; ++attempt) {
      ASSERT_LT(attempt, 100) << "no integrand found for case " << i;
      Grid g;
      g.n = method == 2 ? 2 * rng.Between(1, 60) : rng.Between(1, 120);
      const bool positive_domain = kind == 4 || kind == 5;
      g.lo = positive_domain ? rng.Between(50, 300) : rng.Between(-300, 300);
      // Steps of built-in integrands stay below 0.1, where the closed form's
      // remainder bound is small against a wrong weight or abscissa.
      g.step = rng.Between(1, std::max(1, std::min(kind == 7 ? 6000 : 100, 6000 / g.n)));
      if (rng.Percent(20)) g.step = -g.step;
      const long double a = g.Exact(0), b = g.Exact(2 * g.n);
      if (positive_domain && std::min(a, b) < 0.5L) continue;
      if (kind == 2 && std::max(std::fabs(a), std::fabs(b)) > 4) continue;
      const std::string var = kind == 7 ? rng.Pick(kPolyVars) : rng.Pick(kOtherVars);
      const Integrand f = kind == 7 ? Polynomial(rng, var)
                                    : WithBuiltins(kind, rng, var, std::min(a, b),
                                                   std::max(std::fabs(a), std::fabs(b)));
      const Sums s = RuleSum(f, g, method, var);
      if (!s.ok) continue;
      const auto [closed, rest] = ClosedForm(f, g, method);

      const std::string text = tarnix_ref::Print(
          f.tree, rng.Percent(30) ? tarnix_ref::Form::kMinimalSpaced : tarnix_ref::Form::kMinimal);
      const double from = ReadDouble(g.Text(0)), to = ReadDouble(g.Text(2 * g.n));
      double result = 0;
      const int code = Integrate(text.c_str(), from, to, g.n, method, var.c_str(), &result);
      const int error = GetE_Error();
      const std::string input = "integral of " + text + " d" + var + " from " + g.Text(0) + " to " +
                                g.Text(2 * g.n) + ", N = " + std::to_string(g.n) + ", " +
                                kRules[method];
      const long double lib = result;
      EXPECT_TRUE(code == 0 && error == -1 && std::fabs(lib - s.value) <= s.tolerance)
          << "input: " << input << "\n  library: " << Show(lib) << " (returned " << code
          << ", error " << error << ")\n  rule sum: " << Show(s.value) << " (tolerance "
          << Show(s.tolerance) << ")";
      const long double closed_tol = s.tolerance + std::fabs(s.value - s.exact) + s.shift + rest;
      EXPECT_TRUE(std::fabs(lib - closed) <= closed_tol)
          << "input: " << input << "\n  library: " << Show(lib)
          << "\n  closed form with the rule's error: " << Show(closed) << " (tolerance "
          << Show(closed_tol) << ")";
      const double twin = dIntegrate(text.c_str(), from, to, g.n, method, var.c_str());
      EXPECT_TRUE(GetE_Error() == -1 && std::memcmp(&twin, &result, sizeof twin) == 0)
          << "input: " << input << "\n  Integrate: " << Show(result)
          << "\n  dIntegrate: " << Show(twin) << " (error " << GetE_Error() << ")";
      ++checked;
      break;
    }
  }
  EXPECT_EQ(checked, 60);
}

}  // namespace
}  // namespace tarnix_test
