// The text helpers of the library, one set for every folder: ASCII case,
// the Latin-1 lower case that names are kept in, digits, and trimming with
// the blanks each caller names.
#pragma once

#include <string>
#include <string_view>

namespace tarnix {

inline constexpr std::string_view kSpaceOnly = " ";
inline constexpr std::string_view kSpaceTab = " \t";

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
constexpr char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

inline std::string AsciiLowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

// Lower case as names are kept: A-Z and the Latin-1 capitals 0xC0-0xDE.
inline std::string LowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE)) c = static_cast<char>(u + 0x20);
  }
  return out;
}

// text without the blanks at either end.
inline std::string_view TrimView(std::string_view text, std::string_view blanks) {
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace tarnix
