// The interpreter's tests share one real trx_Server; each test starts from
// an empty library state and a fresh program directory of its own.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "interpreter.h"
#include "server_process.h"

namespace client_test {

// The user interface as a test sees it: every Output text, the Messages
// text, the plots.
class RecordingInterface : public corvane::UserInterface {
 public:
  void ShowOutput(const std::string& text) override {
    output = text;
    ++updates;
    if (on_output) on_output();
  }
  void ShowMessages(const std::string& text, bool is_error) override {
    messages = text;
    errors = is_error;
  }
  void ClosePlots() override { plots.clear(); }
  void ShowPlot(const corvane::Plot& plot) override { plots.push_back(plot); }

  std::string output;
  int updates = 0;
  std::string messages;
  bool errors = false;
  std::vector<corvane::Plot> plots;
  std::function<void()> on_output;
};

class ScriptTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Runs script with the decimals text; returns the Output text.
  std::string Run(const std::string& script, const std::string& decimals = "4");
  // Writes a file into the program directory's InOut/ folder.
  void WriteInOut(const std::string& name, const std::string& text);
  std::string ReadFile(const std::string& path);

  static std::unique_ptr<server_test::ServerProcess> server_;
  std::string directory_;
  RecordingInterface ui_;
  std::vector<std::string> log_;
  std::vector<std::string> boxes_;
};

// Blocks as the interpreter writes them.
std::string Block(const std::vector<std::string>& lines);

}  // namespace client_test
