// Helpers shared by the library tests: a clean engine per test, captured
// message boxes, and the part of the message log written since a mark.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "tarnix.h"

namespace tarnix_test {

struct Box {
  std::string text;
  std::string title;
};

// Message boxes shown since the last ClearBoxes().
std::vector<Box>& Boxes();
inline void ClearBoxes() { Boxes().clear(); }

// Load-time values, read in main() before any test touched the library.
struct LoadState {
  int error = 0;
  int ResultType = 0;
  std::string log;
  std::string error_description_0;
};
const LoadState& StateAtLoad();

// Every test starts from an empty engine with messages off and boxes captured.
class Engine : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The log text appended since the last MarkLog().
  void MarkLog() { log_mark_ = std::strlen(GetMsgLog()); }
  std::string LogSinceMark() const { return std::string(GetMsgLog() + log_mark_); }

  // e_eval with its status, value and error in one go.
  struct Result {
    int status = 0;
    double value = 0;
    int error = 0;
  };
  static Result Eval(const std::string& expr, int check = 0) {
    Result r;
    r.status = e_eval(expr.c_str(), &r.value, check);
    r.error = GetE_Error();
    return r;
  }

 private:
  std::size_t log_mark_ = 0;
};

// Splits a text at CR LF.
std::vector<std::string> Lines(const std::string& text);

}  // namespace tarnix_test
