// The statistics words. They take any number of ";"-separated arguments
// (the grammar reads them) and work in double precision.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "operations.h"

namespace tarnix {
namespace {

using Values = std::span<const double>;

double Sum(Values v) {
  double s = 0.0;
  for (double x : v) s += x;
  return s;
}

double SumOfSquares(Values v) {
  double s = 0.0;
  for (double x : v) s += x * x;
  return s;
}

double Product(Values v) {
  double p = 1.0;
  for (double x : v) p *= x;
  return p;
}

double Median(Values values) {
  std::vector<double> v(values.begin(), values.end());
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
  StatisticFn fn;
};

constexpr std::array<Statistic, 12> kStatistics{{
    {"count", [](Values v) { return static_cast<double>(v.size()); }},
    {"min",
     [](Values v) {
       double m = v[0];
       for (double x : v) m = x < m ? x : m;
       return m;
     }},
    {"max",
     [](Values v) {
       double m = v[0];
       for (double x : v) m = x > m ? x : m;
       return m;
     }},
    {"avg", [](Values v) { return Sum(v) / static_cast<double>(v.size()); }},
    {"mean", [](Values v) { return Sum(v) / static_cast<double>(v.size()); }},
    {"geom_mean",
     [](Values v) { return std::pow(Product(v), 1.0 / static_cast<double>(v.size())); }},
    {"median", [](Values v) { return Median(v); }},
    {"sum", Sum},
    {"stddev",
     [](Values v) {
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
     [](Values v) {
       double p = 1.0;
       for (double x : v) p *= x * x;
       return p;
     }},
}};

}  // namespace

StatisticFn FindStatistic(std::string_view name) {
  for (const Statistic& s : kStatistics) {
    if (s.name == name) return s.fn;
  }
  return nullptr;
}

}  // namespace tarnix
