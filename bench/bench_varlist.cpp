// The cost of variables against the number of names stored: storing a
// variable and evaluating it, storing a new name, and finding a variable,
// each with 10 and with 100,000 other names in the lists. Every operation
// should cost the same whatever the number of names: the program prints the
// ratio of the rates at 10 and at 100,000 names.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "rate_reporter.h"
#include "tarnix.h"

namespace {

constexpr int kFew = 10;
constexpr int kMany = 100000;

// n variables and n / 10 functions besides the one the benchmark uses.
void StoreNames(int n) {
  ReSetDuZuradi();
  for (int i = 0; i < n; ++i) {
    const std::string name = "name" + std::to_string(i);
    SetVarFunct(name.c_str(), std::to_string(i * 0.5).c_str(), 0);
  }
  for (int i = 0; i < n / 10; ++i) {
    const std::string name = "fn" + std::to_string(i);
    SetVarFunct(name.c_str(), "1", 1);
  }
}

// Values of changing lengths, as a solver's abscissae are.
const char* const kValues[] = {"1", "2.5", "-3.125", "1000000.75", "0"};

void SetAndEval(benchmark::State& state) {
  StoreNames(static_cast<int>(state.range(0)));
  ClearVarFuncList("functions");  // expansion scans every function: this is about variables
  SetVarFunct("x", "1", 0);
  double value = 0;
  std::size_t i = 0;
  for (auto _ : state) {
    SetVarFunct("x", kValues[i++ % 5], 0);
    e_eval("x", &value, 0);
    benchmark::DoNotOptimize(value);
  }
  if (GetE_Error() != -1) state.SkipWithError("evaluation failed");
  state.SetItemsProcessed(state.iterations());
}

void StoreNewName(benchmark::State& state) {
  StoreNames(static_cast<int>(state.range(0)));
  std::size_t i = 0;
  std::string name;
  for (auto _ : state) {
    name = "new" + std::to_string(i++);
    SetVarFunct(name.c_str(), "1", 0);
    SetVarFunct(name.c_str(), "2", 1);
  }
  state.SetItemsProcessed(state.iterations());
}

void FindVariable(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  StoreNames(n);
  ClearVarFuncList("functions");
  const std::string expr = "name" + std::to_string(n / 2) + "+name0";
  double value = 0;
  for (auto _ : state) {
    e_eval(expr.c_str(), &value, 0);
    benchmark::DoNotOptimize(value);
  }
  if (GetE_Error() != -1) state.SkipWithError("evaluation failed");
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(SetAndEval)->Arg(kFew)->Arg(kMany)->Name("SetVarFunct_e_eval");
// A fixed count of new names, so that both runs grow their lists alike.
BENCHMARK(StoreNewName)->Arg(kFew)->Arg(kMany)->Iterations(50000)->Name("store_new_name");
BENCHMARK(FindVariable)->Arg(kFew)->Arg(kMany)->Name("e_eval_two_variables");

void PrintRatio(const RateReporter& r, const std::string& name, const std::string& suffix = "") {
  const auto few = r.rates.find(name + "/" + std::to_string(kFew) + suffix);
  const auto many = r.rates.find(name + "/" + std::to_string(kMany) + suffix);
  if (few == r.rates.end() || many == r.rates.end()) return;
  std::printf("%-24s %12.0f/s at %d names, %12.0f/s at %d: ratio %.2f\n", name.c_str(), few->second,
              kFew, many->second, kMany, few->second / many->second);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nRate with few names against the rate with many (1 is flat):\n");
  PrintRatio(reporter, "SetVarFunct_e_eval");
  PrintRatio(reporter, "store_new_name", "/iterations:50000");
  PrintRatio(reporter, "e_eval_two_variables");
  benchmark::Shutdown();
  return 0;
}
