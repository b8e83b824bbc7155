// The text helpers of both programs' client side: blanks cut off, case
// changed, numbers read and tidied. ASCII only and independent of the
// process locale: scripts and wire texts are read byte for byte, and bytes
// from 0x80 up (UTF-8 or Latin-1) are never changed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace aux {

// The bytes a script line may hold around its text: blanks, tabs, CRs, and
// the form feeds, vertical tabs and end-of-file marks (0x1A) that some
// editors leave; they are no command.
inline constexpr std::string_view kLineBlanks = " \t\r\f\v\x1A";
// Blanks and tabs only: the indentation of a line inside a file.
inline constexpr std::string_view kSpaceTab = " \t";

// text without the bytes of blanks at both ends.
inline std::string_view TrimView(std::string_view text, std::string_view blanks = kLineBlanks) {
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}
inline std::string Trim(std::string_view text, std::string_view blanks = kLineBlanks) {
  return std::string(TrimView(text, blanks));
}

// A-Z to a-z; every other byte as it is.
// text with every from written as to.
inline std::string Replaced(std::string_view text, char from, char to) {
  std::string out(text);
  for (char& c : out) c = c == from ? to : c;
  return out;
}

inline std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return out;
}
// a-z to A-Z; every other byte as it is.
inline std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return out;
}

// Text without the UTF-8 byte-order mark that some editors write first.
inline std::string_view WithoutByteOrderMark(std::string_view text) {
  constexpr std::string_view kMark = "\xEF\xBB\xBF";
  if (text.substr(0, kMark.size()) == kMark) text.remove_prefix(kMark.size());
  return text;
}

// Numbers read from a text, as the wire and the library read them: blanks
// and tabs first skipped, an optional sign, then the number up to the first
// other character. IntegerOf saturates at the int32_t range and gives 0
// without digits ("1.0000000000" reads as 1); DoubleOf reads a decimal
// number, 0 for a text that is none ("inf" and "nan" are words).
int32_t IntegerOf(std::string_view text);
double DoubleOf(std::string_view text);

// A whole text of decimal digits and nothing else (no sign, no blanks) as
// its value, saturated at INT32_MAX; nothing for any other text.
std::optional<int32_t> DigitsOf(std::string_view text);

// A number as a user writes it: an optional sign, digits with at most one
// point, an optional exponent; at least one digit before the exponent.
// Such a text needs no evaluation.
bool IsPlainNumber(std::string_view text);

// A double with exactly ten decimals: "5.0000000000".
std::string Fixed10(double value);
// value with exactly `decimals` digits after the point (none for 0).
std::string FixedText(double value, int decimals);

// Number tidying: leading characters that are no number characters go; in a
// text with a decimal point trailing zeros and then the point go; a leading
// point gets a "0"; nothing becomes "0". "100" stays "100".
std::string Tidy(std::string_view text);
// The ten-decimal text tidied ("0.25", "1"): Tidy(Fixed10(value)).
std::string ShortNumber(double value);

}  // namespace aux
