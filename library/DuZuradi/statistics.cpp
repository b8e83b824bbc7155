// e_stats: the statistics words. They take any number of ";"-separated
// arguments and work in double precision.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "duzuradi.h"
#include "parser.h"

namespace tarnix {
namespace {

using Values = std::vector<double>;

double Sum(const Values& v) {
  double s = 0.0;
  for (double x : v) s += x;
  return s;
}

double SumOfSquares(const Values& v) {
  double s = 0.0;
  for (double x : v) s += x * x;
  return s;
}

double Product(const Values& v) {
  double p = 1.0;
  for (double x : v) p *= x;
  return p;
}

double Median(Values v) {
  // Non-numbers sort last, so that the ordering stays strict and weak.
  std::sort(v.begin(), v.end(), [](double a, double b) {
    if (std::isnan(a)) return false;
    return std::isnan(b) || a < b;
  });
  const std::size_t n = v.size();
  return (n % 2 == 1) ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Statistic {
  std::string_view name;
  double (*fn)(const Values& v);
};

constexpr std::array<Statistic, 12> kStatistics{{
    {"count", [](const Values& v) { return static_cast<double>(v.size()); }},
    {"min",
     [](const Values& v) {
       double m = v[0];
       for (double x : v) m = x < m ? x : m;
       return m;
     }},
    {"max",
     [](const Values& v) {
       double m = v[0];
       for (double x : v) m = x > m ? x : m;
       return m;
     }},
    {"avg", [](const Values& v) { return Sum(v) / static_cast<double>(v.size()); }},
    {"mean", [](const Values& v) { return Sum(v) / static_cast<double>(v.size()); }},
    {"geom_mean",
     [](const Values& v) { return std::pow(Product(v), 1.0 / static_cast<double>(v.size())); }},
    {"median", [](const Values& v) { return Median(v); }},
    {"sum", Sum},
    {"stddev",
     [](const Values& v) {
       // The sample deviation sqrt((S2 - S1^2/N) / (N - 1)), summed as the
       // squares of the deviations from the mean: S2 - S1^2/N cancels to
       // noise for values like 1000000001, 1000000002, 1000000003.
       const double n = static_cast<double>(v.size());
       const double mean = Sum(v) / n;
       double squares = 0.0;
       for (double x : v) squares += (x - mean) * (x - mean);
       return std::sqrt(squares / (n - 1));
     }},
    {"sum2", SumOfSquares},
    {"prod", Product},
    {"prod2",
     [](const Values& v) {
       double p = 1.0;
       for (double x : v) p *= x * x;
       return p;
     }},
}};

}  // namespace

// stats -> expr { ";" expr }   (the caller matches the closing ")")
double e_stats(State& st, Scanner& sc, std::string_view name) {
  Values values;
  values.reserve(12);
  auto argument = [&st, &sc, name] {
    Tick(st);
    return NumberOperand(st, e_prs(st, sc, 1), name);
  };
  values.push_back(argument());
  while (sc.tok == Tok::Semicolon) {
    e_match(st, sc, Tok::Semicolon);
    values.push_back(argument());
  }
  for (const Statistic& s : kStatistics) {
    if (s.name == name) return s.fn(values);
  }
  return 0.0;
}

}  // namespace tarnix
