// The small text helpers of the script commands, shared by the
// interpreter, the file layer and the plot lines. ASCII only: scripts are
// read byte for byte, whatever the locale.
#pragma once

#include <string>
#include <string_view>

namespace corvane {

// The bytes a script line may hold around its text: blanks, tabs, CRs, and
// the form feeds, vertical tabs and end-of-file marks (0x1A) that some
// editors leave; they are no command.
inline constexpr std::string_view kBlanks = " \t\r\f\v\x1A";

// Without blanks at both ends.
inline std::string Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(kBlanks) - first + 1));
}

inline std::string Lower(std::string text) {
  for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  return text;
}

// Text without the UTF-8 byte-order mark that some editors write first.
inline std::string_view WithoutByteOrderMark(std::string_view text) {
  constexpr std::string_view kMark = "\xEF\xBB\xBF";
  if (text.substr(0, kMark.size()) == kMark) text.remove_prefix(kMark.size());
  return text;
}

// Output file names may be written in square brackets, which go.
inline std::string WithoutBrackets(std::string text) {
  std::erase(text, '[');
  std::erase(text, ']');
  return text;
}

}  // namespace corvane
