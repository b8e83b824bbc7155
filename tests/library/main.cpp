#include <gtest/gtest.h>

#include "tarnix_test.h"

namespace tarnix_test {

namespace {
LoadState g_load_state;

void CaptureBox(const char* text, const char* title) { Boxes().push_back({text, title}); }
}  // namespace

std::vector<Box>& Boxes() {
  static std::vector<Box> boxes;
  return boxes;
}

const LoadState& StateAtLoad() { return g_load_state; }

void Engine::SetUp() {
  SetMsgBoxHandler(CaptureBox);
  SetDebugF(0);
  ShowMsgs(0);
  SetBoolSign(-1);
  ReSetDuZuradi();
  ClearBoxes();
  MarkLog();
}

void Engine::TearDown() {
  SetDebugF(0);
  ShowMsgs(0);
  SetBoolSign(-1);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return lines;
}

}  // namespace tarnix_test

int main(int argc, char** argv) {
  // Before anything else touches the library.
  tarnix_test::g_load_state = {GetE_Error(), GetResultType(), GetMsgLog(), GetE_ErrDescr(0)};
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
