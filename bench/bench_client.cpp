// Remote calls as Corvane makes them, against the same trx_Server and the
// plain ping-pong measured in the same run: one e_eval through the call
// stubs, and a generated 1,000-line script through the interpreter.
#include <benchmark/benchmark.h>
#include <signal.h>

#include <cstdio>
#include <string>

#include "client.h"
#include "interpreter.h"
#include "loopback.h"
#include "rate_reporter.h"
#include "trx_cli.h"

namespace {

class NoWindow : public corvane::UserInterface {
 public:
  void ShowOutput(const std::string&) override {}
  void ShowMessages(const std::string&, bool) override {}
  void ClosePlots() override {}
  void ShowPlot(const corvane::Plot&) override {}
};

bool Connected() {
  return trx::Client().ClientConnected != 0 ||
         trx::InitClient("127.0.0.1", bench::Server().port) != 0;
}

void StubEEval(benchmark::State& state) {
  if (!Connected()) state.SkipWithError("no server");
  double value = 0;
  for (auto _ : state) {
    if (trx_cli::e_eval("2+3", &value, 1) != 0 || value != 5) state.SkipWithError("call failed");
  }
  state.SetItemsProcessed(state.iterations());
}

// Expressions, variables, a matrix and integrals, as a user writes them.
std::string Script(int lines) {
  std::string script = "Matr = [mA]; 2; 2; 4; 3; 6; 3\n";
  for (int i = 1; script.size() < 40u * static_cast<unsigned>(lines) && i < lines; ++i) {
    switch (i % 5) {
      case 0: script += "Var = a" + std::to_string(i % 50) + "; " + std::to_string(i) + "\n"; break;
      case 1:
        script += "Expr = sin(" + std::to_string(i) + ")^2 + cos(" + std::to_string(i) + ")^2\n";
        break;
      case 2: script += "Expr = sum(1;2;3;" + std::to_string(i) + ") / 7\n"; break;
      case 3: script += "Expr = det([mA]) * " + std::to_string(i) + "\n"; break;
      default: script += "Integrate(0; 1; 100; trap; x) = x^2 + " + std::to_string(i) + "\n"; break;
    }
  }
  return script;
}

void ScriptLines(benchmark::State& state) {
  if (!Connected()) state.SkipWithError("no server");
  const std::string script = Script(1000);
  NoWindow ui;
  corvane::Interpreter interpreter(ui);
  for (auto _ : state) {
    if (interpreter.Run(script, "4") != 0) state.SkipWithError("the script has errors");
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}

BENCHMARK(StubEEval)->Name("stub_e_eval_call")->UseRealTime();
BENCHMARK(ScriptLines)->Name("script_1000_lines")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(bench::PingPong)->Name("ping_pong_50_bytes")->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  ::signal(SIGPIPE, SIG_IGN);
  benchmark::Initialize(&argc, argv);
  trx::SetLogSink([](const std::string&) {});
  bench::Server();  // started before the clock runs
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  trx::Disconnect();
  const double ping = reporter.rates["ping_pong_50_bytes/real_time"];
  const double calls = reporter.rates["stub_e_eval_call/real_time"];
  const double lines = reporter.rates["script_1000_lines/real_time"];
  std::printf("\nCorvane's remote calls on loopback, measured in this run:\n");
  const double ratio = calls > 0 ? ping / calls : 0.0;
  std::printf("%-24s %10.0f calls/s, %6.1f us per call = %.2f ping-pongs (target <= 1.6: %s)\n",
              "stub e_eval", calls, calls > 0 ? 1e6 / calls : 0.0, ratio,
              ratio > 0 && ratio <= 1.6 ? "met" : "MISSED");
  std::printf("%-24s %10.0f lines/s, %6.1f us per line = %.2f ping-pongs\n", "1,000-line script",
              lines, lines > 0 ? 1e6 / lines : 0.0, lines > 0 ? ping / lines : 0.0);
  std::printf("%-24s %10.0f round trips/s, %6.1f us each\n", "ping_pong_50_bytes", ping,
              ping > 0 ? 1e6 / ping : 0.0);
  benchmark::Shutdown();
  return 0;
}
