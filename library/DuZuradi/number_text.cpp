// Number texts. Every conversion here is independent of the process locale:
// a comma-decimal locale must never turn 2.5 into "2,5" or read "2.5" as 2.
#include <charconv>
#include <cmath>

#include "duzuradi.h"

namespace tarnix {
namespace {

// from_chars reports a range error without a value: tell overflow (the
// number has digits before its point, or a positive exponent) from underflow.
double OutOfRangeValue(std::string_view digits) {
  long exponent = 0;
  int integer_digits = 0;
  bool seen_point = false;
  bool leading = true;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    const char c = digits[i];
    if (c == '.') {
      seen_point = true;
    } else if (IsDigit(c)) {
      if (c != '0') leading = false;
      if (!seen_point && !leading) ++integer_digits;
    } else if (c == 'e' || c == 'E') {
      long e = 0;
      std::from_chars(digits.data() + i + 1 + (i + 1 < digits.size() && digits[i + 1] == '+'),
                      digits.data() + digits.size(), e);
      exponent = e;
      break;
    }
  }
  return (integer_digits + exponent > 0) ? HUGE_VAL : 0.0;
}

}  // namespace

void AppendFixed10(std::string& out, double value) {
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 10);
  out.append(buf, res.ptr);
}

std::string Fixed10(double value) {
  std::string s;
  AppendFixed10(s, value);
  return s;
}

double ReadNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::string_view rest = text.substr(i);
  // Only digits or a point start a number ("inf" and "nan" are words here).
  if (rest.empty() || !(IsDigit(rest[0]) || rest[0] == '.')) return 0.0;
  double value = 0.0;
  const auto res = std::from_chars(rest.data(), rest.data() + rest.size(), value);
  if (res.ec == std::errc::result_out_of_range) {
    value = OutOfRangeValue(std::string_view(rest.data(), res.ptr - rest.data()));
  } else if (res.ec != std::errc()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

bool IsWholeNumber(std::string_view text) {
  text = TrimView(text, kSpaceTab);
  if (text.empty()) return false;
  if (text[0] == '+' || text[0] == '-') text.remove_prefix(1);
  if (text.empty() || !(IsDigit(text[0]) || text[0] == '.')) return false;
  double value = 0.0;
  const auto res = std::from_chars(text.data(), text.data() + text.size(), value);
  return res.ptr == text.data() + text.size() &&
         (res.ec == std::errc() || res.ec == std::errc::result_out_of_range);
}

std::string TrimNumber(std::string_view text) {
  constexpr std::string_view kNumberChars = "0123456789.+-";
  const std::size_t first = text.find_first_of(kNumberChars);
  text = first == std::string_view::npos ? std::string_view() : text.substr(first);
  // Zeros are insignificant only behind a decimal point: "100" stays whole.
  if (text.find('.') != std::string_view::npos) {
    const std::size_t last = text.find_last_not_of('0');
    text = last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
    if (!text.empty() && text.back() == '.') text.remove_suffix(1);
  }
  std::string out;
  if (!text.empty() && text.front() == '.') out = "0";
  out += text;
  if (out.empty()) out = "0";
  return out;
}

const char* StrD0(std::string_view text) { return ReturnText(TrimNumber(text)); }

}  // namespace tarnix
