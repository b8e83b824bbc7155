// Number texts of the wire and the version text of the build.
#include <charconv>

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

std::string ShortNumber(double value) {
  std::string text = Fixed10(value);
  if (text.find('.') != std::string::npos) {
    const std::size_t last = text.find_last_not_of('0');
    text.erase(last + 1);
    if (!text.empty() && text.back() == '.') text.pop_back();
  }
  if (!text.empty() && text.front() == '.') text.insert(0, "0");
  if (text.empty()) text = "0";
  return text;
}

std::string VersionText() { return TARNIX_VERSION_TEXT; }

}  // namespace aux
