// Poly_dydx: the derivative of a polynomial text, term by term. A term is
// [coefficient][*]variable[^exponent] or a constant; coefficients and
// exponents are read as integers. Text that is no polynomial gives a
// meaningless derivative, not an error.
#include <algorithm>
#include <vector>

#include "../DuZuradi/duzuradi.h"
#include "solver.h"

namespace tarnix::solver {
namespace {

// Protects "^-" while minus signs are turned into term separators.
constexpr std::string_view kNegativeExponent = "#negex#";

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  std::string out;
  std::size_t start = 0;
  for (std::size_t p = text.find(from); p != std::string::npos; p = text.find(from, start)) {
    out.append(text, start, p - start);
    out += to;
    start = p + from.size();
  }
  out.append(text, start);
  return out;
}

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::vector<std::string> Split(std::string_view text, std::string_view separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t p = text.find(separator); p != std::string_view::npos;
       p = text.find(separator, start)) {
    parts.emplace_back(text.substr(start, p - start));
    start = p + separator.size();
  }
  parts.emplace_back(text.substr(start));
  return parts;
}

// The derivative of one term with respect to var ("" for a constant).
std::string DeriveTerm(std::string term, std::string_view var) {
  if (var.empty() || term.find(var) == std::string::npos) return {};
  if (term.size() < var.size() || term.compare(term.size() - var.size(), var.size(), var) != 0) {
    term += var;  // so that splitting at var always gives coefficient and exponent parts
  }
  const std::vector<std::string> parts = Split(term, var);
  std::string coef(Trim(parts[0]));
  if (coef.empty()) coef = "1";
  if (coef == "-") coef = "-1";
  const std::string exp = parts.size() == 2 ? std::string("^1") : std::string(Trim(parts[1]));

  std::string result;
  const std::size_t caret = exp.find('^');
  if (caret == std::string::npos) {
    result = coef;
  } else {
    const std::string e(Trim(std::string_view(exp).substr(caret + 1)));
    if (e == "1") {
      result = coef;
    } else {
      // Wide enough for any product of two 32-bit integers.
      const int64_t power = IntegerValue(e);
      result = std::to_string(int64_t{IntegerValue(coef)} * power) + "*" + std::string(var);
      if (power - 1 != 1) result += "^" + std::to_string(power - 1);
    }
  }
  if (!result.empty() && result.back() == '*') result.pop_back();
  return result;
}

}  // namespace

std::string PolynomialDerivative(std::string_view expr, std::string_view var_in) {
  std::string text = LowerCase(expr);
  const std::string var = LowerCase(var_in);
  text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
  text = ReplaceAll(text, "^-", kNegativeExponent);
  text = ReplaceAll(text, "-", "+-");
  text = ReplaceAll(text, kNegativeExponent, "^-");
  if (text.empty() || text.back() != '+') text += '+';

  // The text now ends with "+": the last split part is empty and not a term.
  std::vector<std::string> terms = Split(text, "+");
  terms.pop_back();
  std::string joined;
  for (const std::string& term : terms) {
    const std::string derived = DeriveTerm(term, var);
    if (!derived.empty()) joined += "+" + derived;
  }
  if (!joined.empty()) joined.erase(0, 1);

  joined = ReplaceAll(joined, "^-", kNegativeExponent);
  joined = ReplaceAll(joined, "+-", "-");
  joined = ReplaceAll(joined, "-", " - ");
  joined = ReplaceAll(joined, kNegativeExponent, "^-");
  return ReplaceAll(joined, "+", " + ");
}

const char* Poly_dydx(std::string_view expr, std::string_view var) {
  gs.e_error = kNoError;
  return ReturnText(PolynomialDerivative(expr, var));
}

}  // namespace tarnix::solver
