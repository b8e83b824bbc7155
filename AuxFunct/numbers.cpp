// Number texts of the wire and the version text of the build.
#include <algorithm>
#include <charconv>
#include <climits>

#include "aux_funct.h"

#ifndef TARNIX_VERSION_TEXT
#define TARNIX_VERSION_TEXT "0.0.0.0"
#endif

namespace aux {

std::string Fixed10(double value) {
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 10);
  return std::string(buf, res.ptr);
}

std::string FixedText(double value, int decimals) {
  char buf[512];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  return res.ec == std::errc() ? std::string(buf, res.ptr) : std::string();
}

std::string Tidy(std::string_view text) {
  const std::size_t first = text.find_first_of("0123456789.+-");
  std::string out(first == std::string_view::npos ? std::string_view() : text.substr(first));
  if (out.find('.') != std::string::npos) {
    out.erase(out.find_last_not_of('0') + 1);
    if (!out.empty() && out.back() == '.') out.pop_back();
  }
  if (!out.empty() && out.front() == '.') out.insert(0, "0");
  if (out.empty()) out = "0";
  return out;
}

std::string ShortNumber(double value) { return Tidy(Fixed10(value)); }

std::optional<int32_t> DigitsOf(std::string_view text) {
  if (text.empty()) return std::nullopt;
  int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = std::min<int64_t>(value * 10 + (c - '0'), INT32_MAX);
  }
  return static_cast<int32_t>(value);
}

bool IsPlainNumber(std::string_view text) {
  std::size_t p = 0;
  if (p < text.size() && (text[p] == '+' || text[p] == '-')) ++p;
  std::size_t digits = 0;
  bool point = false;
  for (; p < text.size(); ++p) {
    if (text[p] >= '0' && text[p] <= '9') {
      ++digits;
    } else if (text[p] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  if (p < text.size() && (text[p] == 'e' || text[p] == 'E')) {
    ++p;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) ++p;
    std::size_t exponent = 0;
    for (; p < text.size() && text[p] >= '0' && text[p] <= '9'; ++p) ++exponent;
    if (exponent == 0) return false;
  }
  return p == text.size();
}

std::string VersionText() { return TARNIX_VERSION_TEXT; }

}  // namespace aux
