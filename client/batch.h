// The batch mode of Corvane: no window; the Output text goes to standard
// output as it grows, the Messages text to standard error.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

#include "interpreter.h"

namespace corvane {

// Without a window the client's log lines (with log) and its message boxes,
// each on one line, go to standard error.
void RouteMessagesToStderr(bool log);

class BatchInterface : public UserInterface {
 public:
  BatchInterface(std::FILE* out, std::FILE* messages) : out_(out), messages_(messages) {}

  void ShowOutput(const std::string& text) override;
  void ShowMessages(const std::string& text, bool errors) override;
  void ClosePlots() override {}
  void ShowPlot(const Plot& plot) override {
    if (on_plot) on_plot(plot);
  }

  // What becomes of a plot (its picture, with --plot-png).
  std::function<void(const Plot&)> on_plot;
  // The next Output text is a new one even if it is longer than the last
  // (the prompt runs each line as an Output text of its own).
  void Restart() { written_ = 0; }

 private:
  std::FILE* out_;
  std::FILE* messages_;
  std::size_t written_ = 0;  // how much of the Output text is out already
};

}  // namespace corvane
