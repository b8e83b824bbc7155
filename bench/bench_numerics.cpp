// Numerical methods, measured against a peer in the same run: Integrate of
// E1, E2 and E3 with N = 1,000,000 for each rule (against muparser
// evaluating the same midpoint sum of its parsed expression), and IsPrime
// over 1..10,000,000 (against plain trial division by 6k +- 1).
#include <benchmark/benchmark.h>
#include <muParser.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "rate_reporter.h"
#include "tarnix.h"

namespace {

// The expressions of bench_eval.
const char* const kExprs[] = {"-25000+12*x^2-ln(abs(x))", "sin(x)*cos(x)+x^2/3", "1+2*3-4/5"};
constexpr int kIntervals = 1000000;
constexpr double kFrom = 0.5;  // the range leaves out x = 0, where ln(abs(x)) has no value
constexpr double kTo = 1000.5;
constexpr int kPrimesUpTo = 10000000;

// Points the rule evaluates for N intervals.
int64_t PointsOf(int method) { return method == 0 ? kIntervals : kIntervals + 1; }

void TarnixIntegrate(benchmark::State& state) {
  const char* expr = kExprs[state.range(0)];
  const int method = static_cast<int>(state.range(1));
  ReSetDuZuradi();
  double result = 0;
  for (auto _ : state) {
    if (Integrate(expr, kFrom, kTo, kIntervals, method, "x", &result) != 0) {
      state.SkipWithError("integration failed");
    }
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(state.iterations() * PointsOf(method));
}

void MuparserMidpoint(benchmark::State& state) {
  mu::Parser parser;
  double x = 0;
  parser.DefineVar("x", &x);
  parser.SetExpr(kExprs[state.range(0)]);
  const double h = (kTo - kFrom) / kIntervals;
  for (auto _ : state) {
    double sum = 0;
    for (int i = 1; i <= kIntervals; ++i) {
      x = (kFrom + (i - 1) * h + kFrom + i * h) / 2;
      sum += parser.Eval();
    }
    benchmark::DoNotOptimize(sum * h);
  }
  state.SetItemsProcessed(state.iterations() * kIntervals);
}

bool TrialDivision(int32_t n) {
  if (n < 2) return false;
  if (n < 4) return true;
  if (n % 2 == 0 || n % 3 == 0) return false;
  for (int32_t d = 5; d * d <= n; d += 6) {
    if (n % d == 0 || n % (d + 2) == 0) return false;
  }
  return true;
}

void TarnixIsPrime(benchmark::State& state) {
  for (auto _ : state) {
    int count = 0;
    for (int32_t n = 1; n <= kPrimesUpTo; ++n) count += IsPrime(n) != 0;
    if (count != 664579) state.SkipWithError("wrong prime count");
  }
  state.SetItemsProcessed(state.iterations() * kPrimesUpTo);
}

void ReferenceIsPrime(benchmark::State& state) {
  for (auto _ : state) {
    int count = 0;
    for (int32_t n = 1; n <= kPrimesUpTo; ++n) count += TrialDivision(n);
    benchmark::DoNotOptimize(count);
  }
  state.SetItemsProcessed(state.iterations() * kPrimesUpTo);
}

BENCHMARK(TarnixIntegrate)
    ->ArgsProduct({{0, 1, 2}, {0, 1, 2}})
    ->ArgNames({"E", "method"})
    ->Name("Integrate_N1000000")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(MuparserMidpoint)
    ->DenseRange(0, 2)
    ->ArgName("E")
    ->Name("muparser_midpoint_N1000000")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(TarnixIsPrime)->Name("IsPrime_1_to_10000000")->Unit(benchmark::kMillisecond);
BENCHMARK(ReferenceIsPrime)->Name("trial_division_1_to_10000000")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::printf("\nNumerical methods, measured in this run:\n");
  // The targets are E1's: at least a third of muparser's rate, and 19 M
  // points/s (ten times the rate of parsing every point's text).
  const char* rules[] = {"midpoint", "trapezoid", "Simpson"};
  for (int e = 0; e < 3; ++e) {
    const std::string id = std::to_string(e);
    const double peer = reporter.rates["muparser_midpoint_N1000000/E:" + id];
    for (int method = 0; method < 3; ++method) {
      const double points =
          reporter.rates["Integrate_N1000000/E:" + id + "/method:" + std::to_string(method)];
      const double ratio = peer > 0 ? points / peer : 0.0;
      std::printf("Integrate E%d, %-9s %12.0f points/s, muparser %12.0f/s, ratio %.3f", e + 1,
                  rules[method], points, peer, ratio);
      if (e == 0) {
        std::printf(" (targets ratio >= 0.33: %s, >= 19000000/s: %s)",
                    ratio >= 1.0 / 3 ? "met" : "MISSED", points >= 19e6 ? "met" : "MISSED");
      }
      std::printf("\n");
    }
  }
  const double primes = reporter.rates["IsPrime_1_to_10000000"];
  const double trial = reporter.rates["trial_division_1_to_10000000"];
  std::printf("IsPrime 1..10000000: %.0f numbers/s, trial division %.0f/s, ratio %.2f\n", primes,
              trial, trial > 0 ? primes / trial : 0.0);
  benchmark::Shutdown();
  return 0;
}
