// Field readers over ";"-separated texts: commands and results of the wire.
#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

#include "aux_funct.h"

namespace aux {

std::string_view FieldS(std::string_view text, int i) {
  if (i < 1) return {};
  std::size_t start = 0;
  for (int k = 1; k < i; ++k) {
    const std::size_t semicolon = text.find(';', start);
    if (semicolon == std::string_view::npos) return {};
    start = semicolon + 1;
  }
  const std::size_t end = text.find(';', start);
  return text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

int32_t IntegerOf(std::string_view text) {
  std::size_t p = 0;
  while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
  bool negative = false;
  if (p < text.size() && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
  int64_t value = 0;
  for (; p < text.size() && text[p] >= '0' && text[p] <= '9'; ++p) {
    value = value * 10 + (text[p] - '0');
    if (value > int64_t{INT32_MAX} + 1) value = int64_t{INT32_MAX} + 1;  // saturate, no overflow
  }
  if (negative) value = -value;
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

double DoubleOf(std::string_view text) {
  std::size_t p = 0;
  while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
  bool negative = false;
  if (p < text.size() && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
  // As the library reads numbers: only a digit or a point starts one, so
  // "inf" and "nan" are words that read as 0.
  if (p >= text.size() || !((text[p] >= '0' && text[p] <= '9') || text[p] == '.')) return 0.0;
  double value = 0.0;
  const auto res = std::from_chars(text.data() + p, text.data() + text.size(), value,
                                   std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range) {
    // No value came back: the number overflows when its significant digits
    // before the point and its exponent add up to more than 0 ("0.5e400"
    // overflows like "5e399"), else it underflows.
    const std::string_view number =
        text.substr(p, static_cast<std::size_t>(res.ptr - text.data()) - p);
    const std::size_t e = number.find_first_of("eE");
    const std::string_view mantissa = number.substr(0, e);
    const std::string_view whole = mantissa.substr(0, mantissa.find('.'));
    const std::size_t first_digit = whole.find_first_not_of('0');
    const long whole_digits =
        first_digit == std::string_view::npos ? 0 : static_cast<long>(whole.size() - first_digit);
    long exponent = 0;
    if (e != std::string_view::npos) {
      const std::size_t digits = e + 1 + (e + 1 < number.size() && number[e + 1] == '+');
      std::from_chars(number.data() + digits, number.data() + number.size(), exponent);
    }
    value = whole_digits + exponent > 0 ? HUGE_VAL : 0.0;
  } else if (res.ec != std::errc()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

int32_t FieldL(std::string_view text, int i) { return IntegerOf(FieldS(text, i)); }
double FieldD(std::string_view text, int i) { return DoubleOf(FieldS(text, i)); }

}  // namespace aux
