// libTarnix.so exports exactly the functions tarnix.h declares.
#include <cstdio>
#include <fstream>
#include <set>

#include "tarnix_test.h"

namespace tarnix_test {
namespace {

std::set<std::string> DeclaredExports() {
  std::ifstream header(TARNIX_HEADER_FILE);
  std::set<std::string> names;
  const std::string marker = "TARNIX_CALL ";
  std::string line;
  while (std::getline(header, line)) {
    const std::size_t at = line.find(marker);
    if (at == std::string::npos) continue;
    const std::size_t start = at + marker.size();
    const std::size_t paren = line.find('(', start);
    if (paren != std::string::npos) names.insert(line.substr(start, paren - start));
  }
  return names;
}

std::set<std::string> DefinedDynamicSymbols() {
  std::set<std::string> names;
  const std::string command = std::string("nm -D --defined-only ") + TARNIX_LIBRARY_FILE;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return names;
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const std::size_t space = text.rfind(' ');
    names.insert(text.substr(space + 1));
  }
  pclose(pipe);
  return names;
}

TEST(Exports, AreExactlyTheDeclaredFunctions) {
  const std::set<std::string> declared = DeclaredExports();
  ASSERT_GT(declared.size(), 90u);
  EXPECT_EQ(DefinedDynamicSymbols(), declared);
}

}  // namespace
}  // namespace tarnix_test
