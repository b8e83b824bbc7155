// Matrix routines against Eigen, measured in the same run: determinant,
// inverse and linear system for orders 2 to 8, and a 4 x 4 matrix
// expression parsed and evaluated per call against Eigen computing it.
//
// The routines keep their documented algorithms (closed forms up to order
// 3, elimination from order 4, the adjugate inverse, Cramer's rule), which
// are meant for the small matrices typed into expressions; the ratios show
// what that costs against LU decompositions.
#include <benchmark/benchmark.h>

#include <Eigen/Dense>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "rate_reporter.h"
#include "tarnix.h"

namespace {

std::vector<double> Random(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> d(-1, 1);
  std::vector<double> m(static_cast<std::size_t>(n) * n);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) m[static_cast<std::size_t>(i) * n + j] = d(rng) + (i == j ? n : 0);
  }
  return m;
}

using RowMatrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

void TarnixDet(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<double> a = Random(n, 1);
  for (auto _ : state) benchmark::DoNotOptimize(aDetN(a.data(), n));
  state.SetItemsProcessed(state.iterations());
}

void EigenDet(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<double> a = Random(n, 1);
  const RowMatrix m = Eigen::Map<const RowMatrix>(a.data(), n, n);
  for (auto _ : state) benchmark::DoNotOptimize(m.determinant());
  state.SetItemsProcessed(state.iterations());
}

void TarnixInv(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<double> a = Random(n, 2);
  std::vector<double> work(a.size());
  for (auto _ : state) {
    work = a;
    benchmark::DoNotOptimize(aInv(work.data(), n));
  }
  state.SetItemsProcessed(state.iterations());
}

void EigenInv(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<double> a = Random(n, 2);
  const RowMatrix m = Eigen::Map<const RowMatrix>(a.data(), n, n);
  RowMatrix inverse(n, n);
  for (auto _ : state) {
    inverse = m.inverse();
    benchmark::DoNotOptimize(inverse.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void TarnixSist(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<double> a = Random(n, 3);
  std::vector<double> b(static_cast<std::size_t>(n), 1.0), x(static_cast<std::size_t>(n));
  for (auto _ : state) benchmark::DoNotOptimize(aSist(a.data(), n, b.data(), x.data()));
  state.SetItemsProcessed(state.iterations());
}

void EigenSolve(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<double> a = Random(n, 3);
  const RowMatrix m = Eigen::Map<const RowMatrix>(a.data(), n, n);
  const Eigen::VectorXd b = Eigen::VectorXd::Ones(n);
  Eigen::VectorXd x(n);
  for (auto _ : state) {
    x = m.partialPivLu().solve(b);
    benchmark::DoNotOptimize(x.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void TarnixExpression(benchmark::State& state) {
  ReSetDuZuradi();
  std::vector<double> a = Random(4, 4), b = Random(4, 5), c = Random(4, 6);
  SetMatrix("[mA]", a.data(), 4, 4, 0);
  SetMatrix("[mB]", b.data(), 4, 4, 0);
  SetMatrix("[mC]", c.data(), 4, 4, 0);
  double value = 0;
  for (auto _ : state) {
    if (e_eval("[mA]*[mB]+[mC]", &value, 0) != 1) state.SkipWithError("evaluation failed");
  }
  state.SetItemsProcessed(state.iterations());
}

void EigenExpression(benchmark::State& state) {
  const std::vector<double> a = Random(4, 4), b = Random(4, 5), c = Random(4, 6);
  const RowMatrix ma = Eigen::Map<const RowMatrix>(a.data(), 4, 4);
  const RowMatrix mb = Eigen::Map<const RowMatrix>(b.data(), 4, 4);
  const RowMatrix mc = Eigen::Map<const RowMatrix>(c.data(), 4, 4);
  RowMatrix r(4, 4);
  for (auto _ : state) {
    r = ma * mb + mc;
    benchmark::DoNotOptimize(r.data());
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(TarnixDet)->DenseRange(2, 8)->Name("aDet");
BENCHMARK(EigenDet)->DenseRange(2, 8)->Name("Eigen_determinant");
BENCHMARK(TarnixInv)->DenseRange(2, 8)->Name("aInv");
BENCHMARK(EigenInv)->DenseRange(2, 8)->Name("Eigen_inverse");
BENCHMARK(TarnixSist)->DenseRange(2, 8)->Name("aSist");
BENCHMARK(EigenSolve)->DenseRange(2, 8)->Name("Eigen_partialPivLu_solve");
BENCHMARK(TarnixExpression)->Name("e_eval_4x4_A*B+C");
BENCHMARK(EigenExpression)->Name("Eigen_4x4_A*B+C");

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::printf("\nTarnix against Eigen (calls per second, ratio Tarnix/Eigen), same run:\n");
  std::printf("%-6s %24s %24s %24s\n", "order", "aDet", "aInv", "aSist");
  for (int n = 2; n <= 8; ++n) {
    std::printf("%-6d", n);
    const std::pair<const char*, const char*> pairs[] = {{"aDet/", "Eigen_determinant/"},
                                                         {"aInv/", "Eigen_inverse/"},
                                                         {"aSist/", "Eigen_partialPivLu_solve/"}};
    for (const auto& [ours, peer] : pairs) {
      const double a = reporter.rates[ours + std::to_string(n)];
      const double b = reporter.rates[peer + std::to_string(n)];
      std::printf(" %12.0f/s %7.2fx  ", a, b > 0 ? a / b : 0.0);
    }
    std::printf("\n");
  }
  const double e = reporter.rates["e_eval_4x4_A*B+C"];
  const double p = reporter.rates["Eigen_4x4_A*B+C"];
  std::printf(
      "[mA]*[mB]+[mC] 4x4: e_eval %.0f/s (parse, copy, compute), Eigen %.0f/s (compute): %.3fx\n",
      e, p, p > 0 ? e / p : 0.0);
  benchmark::Shutdown();
  return 0;
}
