// The small text helpers of the script commands, shared by the
// interpreter, the file layer and the plot lines. ASCII only: scripts are
// read byte for byte, whatever the locale.
#pragma once

#include <string>
#include <string_view>

namespace corvane {

// Without blanks, tabs and CRs at both ends.
inline std::string Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(" \t\r") - first + 1));
}

inline std::string Lower(std::string text) {
  for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  return text;
}

// Output file names may be written in square brackets, which go.
inline std::string WithoutBrackets(std::string text) {
  std::erase(text, '[');
  std::erase(text, ']');
  return text;
}

}  // namespace corvane
