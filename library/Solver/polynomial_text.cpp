// ParsePolynomial: a polynomial text read term by term, with its numbers
// read as the numbers they are (2.5 is 2.5, x^2*3 is 3*x^2, x/2 is 0.5*x).
// Anything the derivative could only guess at - parentheses, a function,
// the variable in an exponent or a divisor - makes the text no polynomial.
#include <charconv>
#include <cmath>

#include "../DuZuradi/duzuradi.h"
#include "polynomial.h"

namespace tarnix::solver {
namespace {

bool IsNameStart(char c) { return (c >= 'a' && c <= 'z') || c == '_' || c == '#'; }
bool IsNamePart(char c) { return (c >= 'a' && c <= 'z') || c == '_' || IsDigit(c); }

// The name a variable argument stands for, or "" when it is no name.
std::string NameOf(std::string_view var) {
  const std::string name(TrimView(LowerCase(var), kSpaceTab));
  if (name.empty()) return {};
  if (!IsNameStart(name[0]) || name[0] == '#') return {};
  for (char c : name) {
    if (!IsNamePart(c)) return {};
  }
  return name;
}

bool MultiplyExact(int64_t& into, int64_t by) { return !__builtin_mul_overflow(into, by, &into); }

class Reader {
 public:
  Reader(std::string text, std::string var) : t_(std::move(text)), var_(std::move(var)) {}

  // poly -> { sign } term { sign { sign } term }
  PolyParse Run() {
    PolyParse out;
    if (var_.empty() || t_.empty()) return out;
    for (;;) {
      bool negative = false;
      while (pos_ < t_.size() && (t_[pos_] == '+' || t_[pos_] == '-')) {
        negative ^= t_[pos_++] == '-';
      }
      const std::size_t start = pos_;
      PolyTerm term;
      if (!Term(term)) {
        out.bad_term = TermAt(start);
        return out;
      }
      if (negative) Negate(term);
      out.terms.push_back(term);
      if (pos_ == t_.size()) break;
      if (t_[pos_] != '+' && t_[pos_] != '-') {
        out.bad_term = TermAt(start);
        return out;
      }
    }
    out.ok = true;
    return out;
  }

 private:
  char At() const { return pos_ < t_.size() ? t_[pos_] : '\0'; }

  static void Negate(PolyTerm& term) {
    term.coefficient = -term.coefficient;
    term.exact = term.exact && MultiplyExact(term.exact_coefficient, -1);
  }

  // The faulty term for the report: from start to the next sign that
  // begins a term.
  std::string TermAt(std::size_t start) const {
    std::size_t end = start;
    int depth = 0;
    for (; end < t_.size(); ++end) {
      const char c = t_[end];
      if (c == '(') ++depth;
      if (c == ')') --depth;
      const bool joins =
          end > start && std::string_view("^*/(").find(t_[end - 1]) != std::string::npos;
      if ((c == '+' || c == '-') && depth <= 0 && end > start && !joins) break;
    }
    return t_.substr(start, end - start);
  }

  // term -> factor { ("*" | "/") factor | name written right after a number }
  bool Term(PolyTerm& term) {
    bool number_last = false;
    if (!Factor(term, false, number_last)) return false;
    for (;;) {
      const char c = At();
      if (c == '*' || c == '/') {
        ++pos_;
        if (!Factor(term, c == '/', number_last)) return false;
      } else if (number_last && IsNameStart(c)) {
        if (!Factor(term, false, number_last)) return false;  // "2x" as the old texts had it
      } else {
        return true;
      }
    }
  }

  // factor -> { sign } ( number | name ) { "^" exponent }
  bool Factor(PolyTerm& term, bool divide, bool& number_last) {
    bool negative = false;
    while (At() == '+' || At() == '-') negative ^= t_[pos_++] == '-';
    if (negative) Negate(term);
    const char c = At();
    if (IsDigit(c) || c == '.') {
      number_last = true;
      return NumberFactor(term, divide);
    }
    if (IsNameStart(c)) {
      number_last = false;
      return NameFactor(term, divide);
    }
    return false;  // "(", a matrix, an operator: nothing a term is made of
  }

  bool NumberFactor(PolyTerm& term, bool divide) {
    double value = 0.0;
    bool exact = false;
    int64_t exact_value = 0;
    if (!Number(value, exact, exact_value)) return false;
    while (At() == '^') {
      ++pos_;
      double e = 0.0;
      if (!Exponent(e)) return false;
      value = std::pow(value, e);
      exact = exact && e >= 0 && e == std::trunc(e) && e < 64 && ExactPower(exact_value, e);
    }
    if (!std::isfinite(value)) return false;  // 924^723 is no coefficient to write
    if (divide) {
      if (value == 0.0) return false;
      term.coefficient /= value;
      term.exact = term.exact && exact && exact_value == 1;
    } else {
      term.coefficient *= value;
      term.exact = term.exact && exact && MultiplyExact(term.exact_coefficient, exact_value);
    }
    return true;
  }

  static bool ExactPower(int64_t& base, double e) {
    int64_t result = 1;
    for (int i = 0; i < static_cast<int>(e); ++i) {
      if (!MultiplyExact(result, base)) return false;
    }
    base = result;
    return true;
  }

  bool NameFactor(PolyTerm& term, bool divide) {
    const std::size_t start = pos_;
    ++pos_;
    while (IsNamePart(At())) ++pos_;
    const std::string_view name = std::string_view(t_).substr(start, pos_ - start);
    if (At() == '(') return false;  // a function of the variable, or of anything
    double power = 1.0;
    while (At() == '^') {
      ++pos_;
      double e = 0.0;
      if (!Exponent(e)) return false;  // the variable, or anything else, in an exponent
      power *= e;
    }
    if (!std::isfinite(power)) return false;
    if (name == var_) {
      if (divide) return false;
      term.power += power;
    } else {
      term.names += divide ? '/' : '*';
      term.names.append(t_, start, pos_ - start);
    }
    return true;
  }

  // exponent -> { sign } number | "(" { sign } number ")"
  bool Exponent(double& e) {
    const bool parenthesised = At() == '(';
    if (parenthesised) ++pos_;
    bool negative = false;
    while (At() == '+' || At() == '-') negative ^= t_[pos_++] == '-';
    bool exact = false;
    int64_t exact_value = 0;
    if (!Number(e, exact, exact_value)) return false;
    if (negative) e = -e;
    if (parenthesised) {
      if (At() != ')') return false;
      ++pos_;
    }
    return true;
  }

  // number -> digits [ "." digits ] | "." digits, with one point at most
  bool Number(double& value, bool& exact, int64_t& exact_value) {
    const std::size_t start = pos_;
    int points = 0;
    bool digits = false;
    while (IsDigit(At()) || At() == '.') {
      points += At() == '.';
      digits |= At() != '.';
      ++pos_;
    }
    if (!digits || points > 1) return false;
    const char* first = t_.data() + start;
    const char* last = t_.data() + pos_;
    value = ReadNumber(std::string_view(first, static_cast<std::size_t>(last - first)));
    exact = points == 0 && std::from_chars(first, last, exact_value).ec == std::errc();
    return std::isfinite(value);
  }

  std::string t_;
  std::string var_;
  std::size_t pos_ = 0;
};

}  // namespace

PolyParse ParsePolynomial(std::string_view expr, std::string_view var) {
  std::string text = LowerCase(expr);
  std::erase_if(text, [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
  std::string name = NameOf(var);
  PolyParse parse = Reader(std::move(text), name).Run();
  parse.var = std::move(name);
  return parse;
}

std::string PolyNumberText(double value) {
  value = std::fabs(value);
  if (!std::isfinite(value)) return "0";  // callers write finite numbers only
  if (value == std::trunc(value) && value < 1e15) {
    return std::to_string(static_cast<long long>(value));
  }
  // Fifteen significant digits: 0.1*3 writes 0.3, and a small coefficient
  // such as 2e-11 keeps its digits where ten decimals would write 0.
  const int magnitude = static_cast<int>(std::floor(std::log10(value)));
  const int decimals = std::max(0, 14 - magnitude);
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  return TrimNumber(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)));
}

std::string TermMagnitudeText(const PolyTerm& term, std::string_view var) {
  std::string text =
      term.exact ? std::to_string(term.exact_coefficient) : PolyNumberText(term.coefficient);
  if (!text.empty() && text[0] == '-') text.erase(0, 1);
  text += term.names;
  if (term.power != 0.0) {
    text += '*';
    text += var;
    if (term.power != 1.0) {
      text += '^';
      if (term.power < 0) text += '-';
      text += PolyNumberText(term.power);
    }
  }
  return text;
}

}  // namespace tarnix::solver
