// e_function: the built-in functions and the "#" constants. They work in
// single precision: the argument is rounded to a float, the formula runs in
// double from it (arguments of an inner arctangent or logarithm and both
// operands of exp's power are rounded to floats too), and the result is
// rounded to a float. So sin(1) is 0.8414709568023682.
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

#include "duzuradi.h"
#include "operations.h"
#include "parser.h"

namespace tarnix {
namespace {

double F(double v) { return Single(v); }
// -1, 0 or 1: v / |v| would make sgn(0) no number.
double Sgn(double v) { return std::isnan(v) ? v : static_cast<double>((v > 0) - (v < 0)); }
double E(double y) { return std::pow(2.71828182845905, y); }
double HalfPi() { return 2.0 * std::atan(1.0); }

// Truncation toward zero in double: a 32-bit truncation would turn every
// argument beyond 2^31 into -2147483648. + 0.0 keeps fix(-0.5) from
// showing as "-0".
double Trunc(double v) { return std::trunc(v) + 0.0; }

uint64_t NextRandom(State& st) {
  uint64_t x = st.rng_state;
  x ^= x >> 12;
  x ^= x << 25;
  x ^= x >> 27;
  st.rng_state = x;
  return x * 0x2545F4914F6CDD1DULL;
}

// A random integer from 0 to n, n = x rounded half to even. There is none
// for a negative n, and n beyond 31 bits is out of the generator's reach:
// no number then, which the evaluator reports.
double Rnd(State& st, double x) {
  const double n = std::nearbyint(x);
  if (!(n >= 0.0 && n <= 2147483647.0)) return std::nan("");
  // 32 random bits scaled to n + 1 values (n + 1 <= 2^31, so no overflow).
  const uint64_t span = static_cast<uint64_t>(n) + 1;
  return static_cast<double>(((NextRandom(st) >> 32) * span) >> 32);
}

// Sorted by name for the binary search below.
constexpr std::array<Builtin, 41> kBuiltins{{
    {"#deg", [](double) { return static_cast<double>(57.29578f); }},
    {"#e", [](double) { return static_cast<double>(2.7182817f); }},
    {"#pi", [](double) { return static_cast<double>(3.1415927f); }},
    {"#rad", [](double) { return static_cast<double>(0.017453292f); }},
    {"#to_deg", [](double) { return static_cast<double>(57.29578f); }},
    {"#to_rad", [](double) { return static_cast<double>(0.017453292f); }},
    {"abs", [](double x) { return std::fabs(x); }},
    {"arccos", [](double x) { return std::atan(F(-x / std::sqrt(1 - x * x))) + HalfPi(); }},
    {"arccosec", [](double x) { return std::asin(1 / x); }},
    {"arccosech", [](double x) { return std::log(F((Sgn(x) * std::sqrt(x * x + 1) + 1) / x)); }},
    {"arccosh", [](double x) { return std::log(F(x + std::sqrt(x * x - 1))); }},
    {"arccotan", [](double x) { return HalfPi() - std::atan(x); }},
    {"arccotanh", [](double x) { return std::log(F((x + 1) / (x - 1))) / 2; }},
    {"arcsec", [](double x) { return std::acos(1 / x); }},
    {"arcsech", [](double x) { return std::log(F((std::sqrt(1 - x * x) + 1) / x)); }},
    {"arcsin", [](double x) { return std::atan(F(x / std::sqrt(1 - x * x))); }},
    {"arcsinh", [](double x) { return std::log(F(x + std::sqrt(x * x + 1))); }},
    {"arctanh", [](double x) { return std::log(F((1 + x) / (1 - x))) / 2; }},
    {"atan", [](double x) { return std::atan(x); }},
    {"atn", [](double x) { return std::atan(x); }},
    {"cos", [](double x) { return std::cos(x); }},
    {"cosec", [](double x) { return 1 / std::sin(x); }},
    {"cosech", [](double x) { return 2 / (E(x) - E(-x)); }},
    {"cosh", [](double x) { return (E(x) + E(-x)) / 2; }},
    {"cotan", [](double x) { return 1 / std::tan(x); }},
    {"cotanh", [](double x) { return (E(x) + E(-x)) / (E(x) - E(-x)); }},
    {"exp", [](double x) { return std::pow(static_cast<double>(2.7182817f), x); }},
    {"fix", [](double x) { return Trunc(x); }},
    {"int", [](double x) { return Trunc(x); }},
    {"ln", [](double x) { return std::log(x); }},
    {"log", [](double x) { return std::log(x); }},
    {"log10", [](double x) { return std::log10(x); }},
    {"rnd", nullptr, Rnd},
    {"sec", [](double x) { return 1 / std::cos(x); }},
    {"sech", [](double x) { return 2 / (E(x) + E(-x)); }},
    {"sgn", [](double x) { return Sgn(x); }},
    {"sin", [](double x) { return std::sin(x); }},
    {"sinh", [](double x) { return (E(x) - E(-x)) / 2; }},
    {"sqr", [](double x) { return std::sqrt(x); }},
    {"tan", [](double x) { return std::tan(x); }},
    {"tanh", [](double x) { return (E(x) - E(-x)) / (E(x) + E(-x)); }},
}};

static_assert(std::is_sorted(kBuiltins.begin(), kBuiltins.end(),
                             [](const Builtin& a, const Builtin& b) { return a.name < b.name; }));

void TraceCall(State& st, std::string_view name, double argument, double result) {
  TraceBlock("")
      .Line("'--- e_function(): ---")
      .Line("    e_cnt = ", std::to_string(st.e_cnt))
      .Line("    fun=", name)
      .Fixed("    arg=", argument)
      .Line("    drv = none")
      .Fixed("    n=", result)
      .Emit(st);
}

// Kept inline in e_function, which looks a name up at every call.
[[gnu::always_inline]] inline const Builtin* Find(std::string_view name) {
  const auto it = std::lower_bound(kBuiltins.begin(), kBuiltins.end(), name,
                                   [](const Builtin& b, std::string_view n) { return b.name < n; });
  return (it != kBuiltins.end() && it->name == name) ? &*it : nullptr;
}

}  // namespace

const Builtin* FindBuiltin(std::string_view name) { return Find(name); }

double e_function(State& st, std::string_view name, double argument) {
  std::string lowered;
  if (std::any_of(name.begin(), name.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) {
    lowered.assign(name);
    for (char& c : lowered) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    name = lowered;
  }
  const double x = F(argument);
  double result = 0.0;
  if (const Builtin* b = Find(name)) {
    Reported failures{st};
    result = ApplyBuiltin(failures, st, *b, argument);
  } else if (Fail(st, kErrUndefinedFunction)) {
    std::string line = "Undefined function: '";
    line += name;
    line += "'";
    ReportWithDump(st, "e_function", line);
  }
  if (TraceReachesLog(st)) TraceCall(st, name, x, result);
  return result;
}

}  // namespace tarnix
