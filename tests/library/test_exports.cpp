// libTarnix.so (Tarnix.dll) exports exactly the functions tarnix.h
// declares, under their plain names.
#if defined(_WIN32)
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

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

#if defined(_WIN32)

// The names in the export directory of Tarnix.dll as the loader mapped it;
// exports that have an ordinal only show as "(no name)".
std::set<std::string> DefinedDynamicSymbols() {
  std::set<std::string> names;
  const HMODULE module = LoadLibraryA(TARNIX_LIBRARY_FILE);
  if (module == nullptr) return names;
  const auto* base = reinterpret_cast<const unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (directory.Size != 0) {
    const auto* exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
    const auto* name_addresses = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
      names.insert(reinterpret_cast<const char*>(base + name_addresses[i]));
    }
    if (exports->NumberOfFunctions > exports->NumberOfNames) names.insert("(no name)");
  }
  FreeLibrary(module);
  return names;
}

#else

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

#endif

TEST(Exports, AreExactlyTheDeclaredFunctions) {
  const std::set<std::string> declared = DeclaredExports();
  ASSERT_GT(declared.size(), 90u);
  EXPECT_EQ(DefinedDynamicSymbols(), declared);
}

}  // namespace
}  // namespace tarnix_test
