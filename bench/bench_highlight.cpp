// Loading a 10,000-line script into the Input box and colouring it, against
// loading the same text into an editor without colours, in the same run
// (Qt's offscreen platform, no display needed).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <cstdio>
#include <memory>

#include "rate_reporter.h"
#include "txtHL/highlighter_qt.h"

namespace {

QString Script() {
  QString text;
  for (int i = 0; i < 10000; ++i) {
    switch (i % 4) {
      case 0: text += QStringLiteral("Expr = sin(%1)^2 + cos(%1)^2 ' a remark\n").arg(i); break;
      case 1:
        text += QStringLiteral("Integrate(0; 1; 100; trap; x) = sqr(x^2 + %1)\n").arg(i);
        break;
      case 2: text += QStringLiteral("Matr = [mA]; 2; 2; %1; 2; 3; 4\n").arg(i); break;
      default: text += QStringLiteral("'' a comment line number %1\n").arg(i); break;
    }
  }
  return text;
}

void Load(benchmark::State& state, bool coloured) {
  const QString script = Script();
  for (auto _ : state) {
    QPlainTextEdit editor;
    std::unique_ptr<txthl::InputHighlighter> colours;
    if (coloured) colours = std::make_unique<txthl::InputHighlighter>(editor.document());
    editor.setPlainText(script);
    benchmark::DoNotOptimize(editor.document()->blockCount());
  }
  state.SetItemsProcessed(state.iterations());
}

void Coloured(benchmark::State& state) { Load(state, true); }
void Plain(benchmark::State& state) { Load(state, false); }

BENCHMARK(Coloured)->Name("load_and_colour_10000_lines")->Unit(benchmark::kMillisecond);
BENCHMARK(Plain)->Name("load_plain_10000_lines")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double coloured = reporter.rates["load_and_colour_10000_lines"];
  const double plain = reporter.rates["load_plain_10000_lines"];
  std::printf("\nA 10,000-line script into the Input box, measured in this run:\n");
  std::printf(
      "coloured %8.1f ms, plain %8.1f ms, colouring costs %.2f plain loads "
      "(target: well under 1000 ms: %s)\n",
      coloured > 0 ? 1e3 / coloured : 0.0, plain > 0 ? 1e3 / plain : 0.0,
      coloured > 0 ? plain / coloured : 0.0,
      coloured > 0 && 1e3 / coloured < 500 ? "met" : "MISSED");
  benchmark::Shutdown();
  return 0;
}
