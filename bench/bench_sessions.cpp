// Eight clients each computing a long Integrate at once, against one client
// alone, on a shared and on an isolated trx_Server started for the run.
// A shared server computes the calls one after the other (8 times one
// call); an isolated one computes each in a process of its own, so the
// machine's cores share the work (8 / cores times one call).
#include <benchmark/benchmark.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "loopback.h"
#include "rate_reporter.h"

namespace {

// About a fifth of a second of computing in one call on these machines (the
// points of Integrate run compiled).
const std::string kIntegrate = [] {
  const std::string body =
      "FUN;Integrate;str;-25000+12*x^2-ln(abs(x));dbl;1;dbl;2;lng;5000000;str;simp;str;x;";
  char header[16];
  std::snprintf(header, sizeof header, "TLN;%08zu;", body.size() + 13);
  return header + body;
}();

bench::ServerChild& SharedServer() {
  static bench::ServerChild server({"--sessions", "shared"});
  return server;
}

bench::ServerChild& IsolatedServer() {
  static bench::ServerChild server({"--sessions", "isolated"});
  return server;
}

// Every iteration: each client sends its Integrate at the same moment; the
// iteration ends when the last result has come.
void IntegrateAtOnce(benchmark::State& state, bench::ServerChild& server) {
  const auto clients = static_cast<std::size_t>(state.range(0));
  std::vector<int> fds;
  for (std::size_t i = 0; i < clients; ++i) fds.push_back(bench::Connect(server.port));
  for (auto _ : state) {
    std::vector<std::thread> threads;
    std::vector<char> ok(clients, 0);
    for (std::size_t i = 0; i < clients; ++i) {
      threads.emplace_back([&, i] {
        std::string result;
        ok[i] = bench::CallOnce(fds[i], kIntegrate, &result) &&
                result.find(";ret;0;") != std::string::npos;
      });
    }
    for (std::thread& t : threads) t.join();
    for (const char good : ok) {
      if (!good) state.SkipWithError("an Integrate call failed");
    }
  }
  for (const int fd : fds) ::close(fd);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(clients));
}

void Shared(benchmark::State& state) { IntegrateAtOnce(state, SharedServer()); }
void Isolated(benchmark::State& state) { IntegrateAtOnce(state, IsolatedServer()); }

BENCHMARK(Shared)->Name("integrate_shared")->Arg(1)->Arg(8)->Iterations(3)->UseRealTime();
BENCHMARK(Isolated)->Name("integrate_isolated")->Arg(1)->Arg(8)->Iterations(3)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  ::signal(SIGPIPE, SIG_IGN);
  benchmark::Initialize(&argc, argv);
  SharedServer();  // both started before the clock runs
  IsolatedServer();
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const unsigned cores = std::thread::hardware_concurrency();
  std::printf(
      "\nEight clients each computing one Integrate at once, in times one client alone\n"
      "(%u cores here; do not pin this one):\n",
      cores);
  for (const char* mode : {"shared", "isolated"}) {
    const std::string name = std::string("integrate_") + mode;
    const double one = reporter.rates[name + "/1/iterations:3/real_time"];
    const double eight = reporter.rates[name + "/8/iterations:3/real_time"];
    // Integrals per second: eight take 8 * one / eight times as long as one.
    const double times = eight > 0 ? 8.0 * one / eight : 0.0;
    const double expected = std::string(mode) == "shared" ? 8.0 : 8.0 / std::max(cores, 1u);
    std::printf("%-10s 8 clients take %5.2f x one client (expected about %.1f)\n", mode, times,
                expected);
  }
  return 0;
}
