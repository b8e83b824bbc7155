#include "number_format.h"

#include <charconv>
#include <cmath>

#include "../AuxFunct/text.h"

namespace corvane {

bool UsesExponent(double value, int decimals, NumberFormat format) {
  if (format != NumberFormat::Scientific || !std::isfinite(value) || value == 0.0) return false;
  const double magnitude = std::fabs(value);
  return magnitude < std::pow(10.0, -decimals) || magnitude >= kScientificFrom;
}

std::string FormatNumber(double value, int decimals, NumberFormat format) {
  if (!UsesExponent(value, decimals, format)) return aux::FixedText(value, decimals);
  char buf[64];
  const auto res =
      std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, decimals);
  if (res.ec != std::errc()) return aux::FixedText(value, decimals);
  std::string text(buf, res.ptr);
  for (char& c : text) c = c == 'e' ? 'E' : c;
  return text;
}

std::string FormatTidy(double value, int decimals, NumberFormat format) {
  const std::string text = FormatNumber(value, decimals, format);
  const std::size_t e = text.find('E');
  if (e == std::string::npos) return aux::Tidy(text);
  return aux::Tidy(text.substr(0, e)) + text.substr(e);
}

std::string FormatListing(std::string_view listing, int decimals, NumberFormat format) {
  std::string out;
  out.reserve(listing.size());
  for (std::size_t p = 0; p < listing.size();) {
    const char c = listing[p++];
    out += c;
    if (c != '=') continue;
    double value = 0.0;
    const char* first = listing.data() + p;
    const auto res =
        std::from_chars(first, listing.data() + listing.size(), value, std::chars_format::fixed);
    if (res.ec != std::errc() || res.ptr == first) continue;
    out += FormatNumber(value, decimals, format);
    p = static_cast<std::size_t>(res.ptr - listing.data());
  }
  return out;
}

bool ParseNumberFormat(std::string_view word, NumberFormat& format) {
  if (word == "fixed") {
    format = NumberFormat::Fixed;
  } else if (word == "sci") {
    format = NumberFormat::Scientific;
  } else {
    return false;
  }
  return true;
}

}  // namespace corvane
