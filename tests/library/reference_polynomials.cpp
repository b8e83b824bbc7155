// Generated polynomials: Poly_dydx's derivative texts evaluated at several
// points against the exact derivative the generator knows, texts that are
// no polynomial, and the roots dSolve and sSolve find in polynomials built
// from known real roots (or without any real root).
#include <algorithm>
#include <cmath>

#include "reference_model.h"
#include "tarnix_test.h"

namespace tarnix_test {
namespace {

// The clean engine of every library test, under its own suite name.
using Reference = Engine;

using tarnix_ref::DecimalText;
using tarnix_ref::ReadDouble;
using tarnix_ref::Rng;
using tarnix_ref::Show;
using tarnix_ref::Tidy;

// ---- Derivatives ----------------------------------------------------------

struct Term {
  long double coef = 0;
  long double exponent = 0;  // of the variable; 0 with has_var false: a constant
  bool has_var = false;
};

struct Poly {
  std::string text;
  std::vector<Term> terms;
  bool whole_exponents = true;  // every exponent a whole number >= 0
};

struct Power {
  const char* text;
  long double value;
};

// One term's text (without its sign) and what it stands for.
std::pair<std::string, Term> MakeTerm(Rng& rng, const std::string& var) {
  static constexpr Power kWholes[] = {{"1", 1}, {"2", 2}, {"3", 3}, {"4", 4}, {"5", 5}, {"6", 6}};
  static constexpr Power kOthers[] = {
      {"0.5", 0.5L}, {"1.5", 1.5L}, {"2.5", 2.5L},   {"1.25", 1.25L}, {"3.75", 3.75L}, {"-1", -1},
      {"-2", -2},    {"-3", -3},    {"-0.5", -0.5L}, {"-1.5", -1.5L}, {"0", 0}};
  static constexpr Power kDivisors[] = {{"2", 2}, {"4", 4},   {"5", 5},
                                        {"8", 8}, {"10", 10}, {"3", 3}};
  const int64_t m = rng.Between(1, 999);
  const int decimals = rng.Between(0, 2);
  const std::string c = Tidy(DecimalText(m, decimals));
  Term term;
  term.coef = static_cast<long double>(m) / std::pow(10.0L, decimals);
  if (rng.Percent(12)) return {c, term};  // a constant
  term.has_var = true;
  const Power& e = rng.Percent(65) ? rng.Pick(kWholes) : rng.Pick(kOthers);
  term.exponent = e.value;
  const std::string v =
      var + ((e.value == 1 && rng.Percent(70)) ? std::string() : "^" + std::string(e.text));
  const Power& d = rng.Pick(kDivisors);
  switch (rng.Below(7)) {
    case 0: return {c + "*" + v, term};
    case 1: return {v + "*" + c, term};
    case 2: term.coef = 1; return {v, term};
    case 3: term.coef = 1 / d.value; return {v + "/" + d.text, term};
    case 4: term.coef /= d.value; return {c + "/" + d.text + "*" + v, term};
    case 5: term.coef /= d.value; return {c + "*" + v + "/" + d.text, term};
    default: {
      // A product of two powers of the variable: x * x^(e-1).
      const Power& f = rng.Pick(kWholes);
      term.exponent = 1 + f.value;
      return {c + "*" + var + "*" + var + "^" + f.text, term};
    }
  }
}

Poly MakePolynomial(Rng& rng, const std::string& var) {
  Poly p;
  const int count = rng.Between(1, 5);
  for (int i = 0; i < count; ++i) {
    auto [text, term] = MakeTerm(rng, var);
    const bool negative = rng.Percent(40);
    if (negative) term.coef = -term.coef;
    const bool spaced = rng.Percent(50);
    if (i == 0) {
      p.text = (negative ? "-" : "") + text;
    } else {
      p.text += spaced ? (negative ? " - " : " + ") : (negative ? "-" : "+");
      p.text += text;
    }
    if (term.has_var && (term.exponent < 0 || term.exponent != std::trunc(term.exponent))) {
      p.whole_exponents = false;
    }
    p.terms.push_back(term);
  }
  return p;
}

// The exact derivative at x, and how far a ten-decimal print of its
// coefficients plus a double evaluation may stray from it.
std::pair<long double, long double> Derivative(const Poly& p, long double x) {
  long double value = 0, tol = 0;
  for (const Term& t : p.terms) {
    if (!t.has_var || t.exponent == 0) continue;
    const long double power = std::pow(x, t.exponent - 1);
    value += t.coef * t.exponent * power;
    tol += (1e-10L + 64 * tarnix_ref::kU * std::fabs(t.coef * t.exponent)) * std::fabs(power);
  }
  return {value, tol};
}

bool OnlyConstants(const Poly& p) {
  return std::none_of(p.terms.begin(), p.terms.end(),
                      [](const Term& t) { return t.has_var && t.exponent != 0; });
}

TEST_F(Reference, GeneratedDerivativesEvaluateToTheExactDerivative) {
  Rng rng(0x5eed0004u);
  static const char* const kVars[] = {"x", "t", "y", "v"};
  static const char* const kWholePoints[] = {"-2.5", "-1.2", "-0.5", "0.7", "1.5", "2.25"};
  static const char* const kPositivePoints[] = {"0.5", "0.8", "1.25", "2", "3.5"};
  for (int i = 0; i < 80; ++i) {
    const std::string var = rng.Pick(kVars);
    const Poly p = MakePolynomial(rng, var);
    const std::string derivative = Poly_dydx(p.text.c_str(), var.c_str());
    const int error = GetE_Error();
    const std::string input = "d/d" + var + " " + p.text;
    EXPECT_EQ(error, -1) << "input: " << input << "\n  library: \"" << derivative << "\"";
    if (OnlyConstants(p)) {
      EXPECT_EQ(derivative, "0") << "input: " << input;
      continue;
    }
    for (int k = 0; k < 3; ++k) {
      const std::string at = p.whole_exponents ? rng.Pick(kWholePoints) : rng.Pick(kPositivePoints);
      SetVarFunct(var.c_str(), at.c_str(), 0);
      const auto [ref, tol] = Derivative(p, ReadDouble(at));
      double value = 0;
      const int status = e_eval(derivative.c_str(), &value, 0);
      const int eval_error = GetE_Error();
      EXPECT_TRUE(status == 0 && eval_error == -1 &&
                  std::fabs(static_cast<long double>(value) - ref) <= tol)
          << "input: " << input << " at " << var << " = " << at << "\n  library: \"" << derivative
          << "\" = " << Show(value) << " (returned " << status << ", error " << eval_error
          << ")\n  reference: " << Show(ref) << " (tolerance " << Show(tol) << ")";
    }
  }
}

struct DerivativeText {
  const char* expr;
  const char* derivative;
  const char* alternative;
};

TEST_F(Reference, DocumentedDerivativeTexts) {
  const DerivativeText cases[] = {
      {"3*x^2-5*x+7", "6*x - 5", nullptr},
      {"2.5*x^3 - x", "7.5*x^2 - 1", nullptr},
      {"0.25*x^4", "1*x^3", "x^3"},
      {"x^2*3 + x/2", "6*x + 0.5", nullptr},
      {"5", "0", nullptr},
      {"x^2.5", "2.5*x^1.5", nullptr},
      {"x^-1", " - 1*x^-2", nullptr},
  };
  for (const DerivativeText& c : cases) {
    const std::string got = Poly_dydx(c.expr, "x");
    EXPECT_TRUE(GetE_Error() == -1 &&
                (got == c.derivative || (c.alternative != nullptr && got == c.alternative)))
        << "input: d/dx " << c.expr << "\n  library: \"" << got << "\" (error " << GetE_Error()
        << ")\n  expected: \"" << c.derivative << "\"";
  }
}

TEST_F(Reference, TextsThatAreNoPolynomialAreRejected) {
  static const char* const kFixed[] = {"(x+1)^2", "sin(x)",  "2^x",     "1/x",
                                       "x^x",     "3*x/x",   "x*(2+x)", "sqr(x)",
                                       "exp(x)",  "x^(1/2)", "x^y",     "2*x^2+cos(x)"};
  for (const char* text : kFixed) {
    const std::string got = Poly_dydx(text, "x");
    EXPECT_EQ(GetE_Error(), -18) << "input: d/dx " << text << "\n  library: \"" << got << "\"";
  }
  // A valid polynomial with one term that is none.
  Rng rng(0x5eed0005u);
  static const char* const kBad[] = {"sin(#)", "(#+1)^2", "2^#",     "3/#",    "#^#",
                                     "sqr(#)", "exp(#)",  "1/(#+1)", "abs(#)", "#/#"};
  static const char* const kVars[] = {"x", "t", "y"};
  for (int i = 0; i < 20; ++i) {
    const std::string var = rng.Pick(kVars);
    std::string bad = rng.Pick(kBad);
    for (std::size_t p = bad.find('#'); p != std::string::npos; p = bad.find('#')) {
      bad.replace(p, 1, var);
    }
    const Poly left = MakePolynomial(rng, var), right = MakePolynomial(rng, var);
    std::string text;
    switch (rng.Below(3)) {
      case 0: text = bad + " + " + right.text; break;
      case 1: text = left.text + " - " + bad; break;
      default: text = left.text + "+2*" + bad + "+" + right.text; break;
    }
    const std::string got = Poly_dydx(text.c_str(), var.c_str());
    EXPECT_EQ(GetE_Error(), -18) << "input: d/d" << var << " " << text << "\n  library: \"" << got
                                 << "\"";
  }
}

// ---- Roots ----------------------------------------------------------------

// Integer coefficients, lowest power first, of a polynomial whose real
// coefficients are these divided by 10^decimals.
struct IntPoly {
  std::vector<int64_t> c{1};
  int decimals = 0;
};

IntPoly Times(const IntPoly& p, const std::vector<int64_t>& factor, int decimals) {
  IntPoly r;
  r.c.assign(p.c.size() + factor.size() - 1, 0);
  for (std::size_t i = 0; i < p.c.size(); ++i) {
    for (std::size_t j = 0; j < factor.size(); ++j) r.c[i + j] += p.c[i] * factor[j];
  }
  r.decimals = p.decimals + decimals;
  return r;
}

std::string Text(Rng& rng, const IntPoly& p, const std::string& var) {
  std::vector<std::string> terms;
  for (std::size_t k = p.c.size(); k-- > 0;) {
    if (p.c[k] == 0) continue;
    const std::string c = Tidy(DecimalText(p.c[k] < 0 ? -p.c[k] : p.c[k], p.decimals));
    std::string v = k == 0 ? std::string() : (k == 1 ? var : var + "^" + std::to_string(k));
    std::string t = k == 0 ? c : ((c == "1" && rng.Percent(60)) ? v : c + "*" + v);
    terms.push_back(std::string(p.c[k] < 0 ? "-" : "+") + t);
  }
  if (rng.Percent(20)) std::reverse(terms.begin(), terms.end());
  const bool spaced = rng.Percent(40);
  std::string text;
  for (const std::string& t : terms) {
    if (text.empty()) {
      text = t[0] == '-' ? t : t.substr(1);
    } else {
      text += spaced ? std::string(" ") + t[0] + " " + t.substr(1) : t;
    }
  }
  return text;
}

// x^2 + s*x + t without real roots, as 100*x^2 + 10*S*x + T (two decimals).
std::vector<int64_t> NoRealRootQuadratic(Rng& rng) {
  const int64_t s = rng.Between(-30, 30);
  const int64_t t = (s * s + 20) / 4 + 1 + rng.Between(0, 200);  // s^2 - 4t < -0.2 after scaling
  return {t, 10 * s, 100};
}

enum class Kind { kRealRoots, kSomeRealRoots, kNoRealRoot };

struct RootCase {
  std::string text;
  std::vector<long double> roots;
  Kind kind = Kind::kRealRoots;
};

RootCase MakeRootCase(Rng& rng, Kind kind, const std::string& var) {
  static constexpr int64_t kLeads[] = {10, 20, 5, -10, 30, -20};  // tenths
  IntPoly p;
  p.c = {rng.Pick(kLeads)};
  p.decimals = 1;
  RootCase rc;
  rc.kind = kind;
  const int real = kind == Kind::kRealRoots       ? rng.Between(1, 4)
                   : kind == Kind::kSomeRealRoots ? rng.Between(1, 2)
                                                  : 0;
  std::vector<int64_t> tenths;
  while (static_cast<int>(tenths.size()) < real) {
    const int64_t r = rng.Between(-35, 35);
    // Simple roots at least 0.5 apart.
    if (std::all_of(tenths.begin(), tenths.end(),
                    [r](int64_t o) { return std::llabs(o - r) >= 5; })) {
      tenths.push_back(r);
      p = Times(p, {-r, 10}, 1);
      rc.roots.push_back(static_cast<long double>(r) / 10);
    }
  }
  const int quadratics = kind == Kind::kRealRoots       ? 0
                         : kind == Kind::kSomeRealRoots ? 1
                                                        : rng.Between(1, 3);
  for (int q = 0; q < quadratics; ++q) p = Times(p, NoRealRootQuadratic(rng), 2);
  rc.text = Text(rng, p, var);
  return rc;
}

// Whether a reported root is sound: success near a true root, or the
// documented failure where that is allowed.
bool Sound(const RootCase& rc, double x, int error) {
  const bool near = std::any_of(rc.roots.begin(), rc.roots.end(),
                                [x](long double r) { return std::fabs(x - r) <= 1e-7L; });
  switch (rc.kind) {
    case Kind::kRealRoots: return error == -1 && near;
    case Kind::kSomeRealRoots: return (error == -1 && near) || error == -19;  // Newton may cycle
    default: return error == -19;
  }
}

std::string Roots(const RootCase& rc) {
  std::string out;
  for (long double r : rc.roots) out += (out.empty() ? "" : ", ") + Show(r);
  return out.empty() ? "none" : out;
}

TEST_F(Reference, GeneratedPolynomialsGiveATrueRootOrNone) {
  Rng rng(0x5eed0006u);
  static const char* const kVars[] = {"x", "t", "y"};
  for (int i = 0; i < 60; ++i) {
    const Kind kind =
        i < 40 ? Kind::kRealRoots : (i < 48 ? Kind::kSomeRealRoots : Kind::kNoRealRoot);
    const std::string var = rng.Pick(kVars);
    const RootCase rc = MakeRootCase(rng, kind, var);
    const double x = dSolve(rc.text.c_str(), var.c_str());
    const int error = GetE_Error();
    EXPECT_TRUE(Sound(rc, x, error))
        << "input: dSolve " << rc.text << " in " << var << "\n  library: " << Show(x) << " (error "
        << error << ")\n  true roots: " << Roots(rc);
    if (i % 3 == 0) {
      const std::string s = sSolve(rc.text.c_str(), var.c_str(), 100);
      const int s_error = GetE_Error();
      EXPECT_TRUE(Sound(rc, ReadDouble(s), s_error))
          << "input: sSolve " << rc.text << " in " << var << ", 100 steps\n  library: \"" << s
          << "\" (error " << s_error << ")\n  true roots: " << Roots(rc);
    }
  }
}

TEST_F(Reference, DocumentedPolynomialsWithoutRealRoot) {
  static const char* const kNone[] = {"x^2+1", "x^4+1", "x^2+2*x+5", "x^4+2*x^3+6*x^2+2*x+5"};
  for (const char* text : kNone) {
    const double x = dSolve(text, "x");
    EXPECT_EQ(GetE_Error(), -19) << "input: dSolve " << text << "\n  library: " << Show(x);
    const std::string s = sSolve(text, "x", 50);
    EXPECT_EQ(GetE_Error(), -19) << "input: sSolve " << text << "\n  library: \"" << s << "\"";
  }
}

}  // namespace
}  // namespace tarnix_test
