// e_nxt, the scanner: one token per call from the text not yet read. It reads
// by index over gExpr and never copies or erases the remaining input.
// Reserved words become their own tokens; variables and the plain constants
// become number tokens on the spot, through their ten-decimal text.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "duzuradi.h"
#include "parser.h"

namespace tarnix {
namespace {

bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

struct Reserved {
  std::string_view word;
  Tok tok;
};

// The matrix functions, the statistics and the word operators, sorted.
constexpr std::array<Reserved, 23> kReserved{{
    {"and", Tok::And},         {"avg", Tok::StatWord},    {"count", Tok::StatWord},
    {"det", Tok::MatFunc},     {"eqv", Tok::Eqv},         {"geom_mean", Tok::StatWord},
    {"imp", Tok::Imp},         {"max", Tok::StatWord},    {"mean", Tok::StatWord},
    {"median", Tok::StatWord}, {"min", Tok::StatWord},    {"mod", Tok::Mod},
    {"not", Tok::Not},         {"or", Tok::Or},           {"prod", Tok::StatWord},
    {"prod2", Tok::StatWord},  {"stddev", Tok::StatWord}, {"sum", Tok::StatWord},
    {"sum2", Tok::StatWord},   {"syst", Tok::MatFunc},    {"trace", Tok::MatFunc},
    {"vcoeff", Tok::MatFunc},  {"xor", Tok::Xor},
}};

static_assert(std::is_sorted(kReserved.begin(), kReserved.end(),
                             [](const Reserved& a, const Reserved& b) { return a.word < b.word; }));

// For every first letter, where its words start in kReserved: an identifier
// is compared only with the few words that share its first letter.
struct LetterRange {
  uint8_t begin = 0;
  uint8_t end = 0;
};

constexpr std::array<LetterRange, 26> MakeLetterIndex() {
  std::array<LetterRange, 26> index{};
  for (std::size_t i = kReserved.size(); i-- > 0;) {
    LetterRange& r = index[static_cast<std::size_t>(kReserved[i].word[0] - 'a')];
    if (r.end == 0) r.end = static_cast<uint8_t>(i + 1);
    r.begin = static_cast<uint8_t>(i);
  }
  return index;
}

constexpr auto kLetterIndex = MakeLetterIndex();

const Reserved* FindReserved(std::string_view name) {
  if (!IsLower(name[0])) return nullptr;
  const LetterRange r = kLetterIndex[static_cast<std::size_t>(name[0] - 'a')];
  for (std::size_t i = r.begin; i < r.end; ++i) {
    if (kReserved[i].word == name) return &kReserved[i];
  }
  return nullptr;
}

struct PlainConstant {
  std::string_view name;
  double stored;              // the constant's value
  std::string_view spelling;  // its ten-decimal text, the token's spelling
  double value;               // what that text reads as
};

// Inside expressions these names are numbers rounded to ten decimals
// (pi is 3.1415926536); the "#" forms are the single-precision built-ins.
constexpr std::array<PlainConstant, 6> kPlainConstants{{
    {"pi", 3.141592653589793, "3.1415926536", 3.1415926536},
    {"e", 2.71828182845905, "2.7182818285", 2.7182818285},
    {"deg", 57.2957795130823, "57.2957795131", 57.2957795131},
    {"to_deg", 57.2957795130823, "57.2957795131", 57.2957795131},
    {"rad", 0.017453292519943302, "0.0174532925", 0.0174532925},
    {"to_rad", 0.017453292519943302, "0.0174532925", 0.0174532925},
}};

Tok SingleCharToken(char c) {
  switch (c) {
    case '^': return Tok::Caret;
    case '*': return Tok::Star;
    case '/': return Tok::Slash;
    case '\\': return Tok::Backslash;
    case '+': return Tok::Plus;
    case '-': return Tok::Minus;
    case '=': return Tok::Eq;
    case '(': return Tok::LParen;
    case ')': return Tok::RParen;
    case ';': return Tok::Semicolon;
    default: return Tok::Other;
  }
}

// The first character and the length rule out nearly every constant before
// any text is compared.
bool SameName(std::string_view word, std::string_view name) {
  return word.size() == name.size() && word[0] == name[0] && word == name;
}

// The plain constants become number tokens; false for any other name.
bool e_constant(Scanner& sc, std::string_view name) {
  for (const PlainConstant& c : kPlainConstants) {
    if (SameName(c.name, name)) {
      sc.tok = Tok::Num;
      sc.e_spelling = c.spelling;
      sc.tok_value = c.value;
      return true;
    }
  }
  return false;
}

// Reserved words shadow variables, and variables shadow the plain constants.
// Variables enter as their ten-decimal text, so 1E-12 reads as 0.
void ResolveName(State& st, Scanner& sc, std::string_view name) {
  if (const Reserved* r = FindReserved(name)) {
    sc.tok = r->tok;
    return;
  }
  if (const VarView* var = FindVariable(st, name)) {
    if (!var->is_number && Fail(st, kErrInvalidParameter)) {
      ReportWithDump(st, "e_nxt", "Variable '" + std::string(name) + "' holds no number");
    }
    sc.tok = Tok::Num;
    sc.name_buffer.assign(var->spelling);
    sc.e_spelling = sc.name_buffer;
    sc.tok_value = var->value;
    return;
  }
  if (!e_constant(sc, name)) sc.tok = Tok::Id;
}

// The value of a number token (digits and points): whole numbers of up to
// fifteen digits are exact as doubles and need no decimal conversion. Kept
// inline in e_nxt, which reads a number at nearly every other token.
[[gnu::always_inline]] inline double ReadDigitsAndPoints(std::string_view spelling) {
  if (spelling.size() <= 15) {
    uint64_t v = 0;
    std::size_t i = 0;
    for (; i < spelling.size() && IsDigit(spelling[i]); ++i) {
      v = v * 10 + static_cast<uint64_t>(spelling[i] - '0');
    }
    if (i == spelling.size()) return static_cast<double>(v);
  }
  return ReadNumber(spelling);
}

uint32_t HexValue(std::string_view spelling) {
  uint32_t v = 0;
  for (std::size_t i = 1; i < spelling.size(); ++i) {
    const char c = spelling[i];
    uint32_t d;
    if (IsDigit(c)) {
      d = static_cast<uint32_t>(c - '0');
    } else if (c >= 'A' && c <= 'F') {
      d = static_cast<uint32_t>(c - 'A' + 10);
    } else {
      break;
    }
    v = (v << 4) | d;  // more than eight digits keep the low 32 bits
  }
  return v;
}

bool IsHexPattern(std::string_view spelling) {
  const std::string_view digits = spelling.substr(1);
  if (digits.empty()) return false;
  for (char c : digits) {
    if (!IsDigit(c) && !(c >= 'A' && c <= 'F')) return false;
  }
  const std::size_t first = digits.find_first_not_of('0');
  return first == std::string_view::npos || digits.size() - first <= 8;
}

void TraceToken(State& st, const Scanner& sc) {
  std::string prefix = std::to_string(sc.e_cnt);
  prefix.resize(4, ' ');
  TraceBlock(prefix)
      .Line("--- e_nxt()")
      .Line("e_cnt = ", std::to_string(sc.e_cnt))
      .Line("gExpr = ", sc.gExpr)
      .Line("gParts = none")
      .Line("e_tok = ", e_tok(sc))
      .Line("e_spelling = ", sc.e_spelling)
      .Line("e_input = ", e_input(sc))
      .Line("e_error = ", st.e_error)
      .Line("deriv = none")
      .Emit(st);
}

}  // namespace

double NumberTokenValue(std::string_view spelling) { return ReadDigitsAndPoints(spelling); }

std::string_view e_tok(const State& st) { return e_tok(static_cast<const Scanner&>(st)); }
std::string_view e_tok() { return e_tok(gs); }

std::string_view e_tok(const Scanner& sc) {
  switch (sc.tok) {
    case Tok::End: return {};
    case Tok::Num: return "num";
    case Tok::Hex: return "hex";
    case Tok::Const: return "const";
    case Tok::Matrix: return "matrix";
    case Tok::Id: return "id";
    default: return sc.e_spelling;
  }
}

void StartScan(State& st, Scanner& sc, std::string_view text) {
  sc.gExpr.assign(text);
  sc.e_pos = 0;
  sc.matrix_start = sc.matrix_end = 0;
  e_nxt(st, sc);
}

void StartPreparedScan(State& st, Scanner& sc) {
  sc.gExpr.swap(sc.next_text);
  sc.e_pos = 0;
  sc.matrix_start = sc.matrix_end = 0;
  e_nxt(st, sc);
}

int32_t e_nxt(State& st, Scanner& sc) {
  const std::string_view s = sc.gExpr;
  std::size_t& pos = sc.e_pos;
  const std::size_t size = s.size();
  sc.e_spelling = {};
  sc.MatrixSuffix = 0;

  while (pos < size && IsBlank(s[pos])) ++pos;
  if (pos >= size) {
    sc.tok = Tok::End;
    sc.tok_start = size;
  } else {
    const std::size_t start = pos;
    sc.tok_start = start;
    const char ch = s[pos++];
    if (ch == '[') {
      const std::size_t close = s.find(']', pos);
      pos = close == std::string_view::npos ? size : close + 1;
      sc.e_spelling = s.substr(start, pos - start);
      sc.tok = Tok::Matrix;
      sc.matrix_start = start;
      sc.matrix_end = pos;
      if (pos < size) {
        const char suffix = AsciiUpper(s[pos]);
        if (suffix == 'I' || suffix == 'T' || suffix == 'D') {
          sc.MatrixSuffix = suffix;
          ++pos;
        }
      }
    } else if (ch == '#') {
      while (pos < size && (IsLower(s[pos]) || s[pos] == '_' || IsDigit(s[pos]))) ++pos;
      sc.e_spelling = s.substr(start, pos - start);
      sc.tok = Tok::Const;
    } else if (ch == '&') {
      while (pos < size && (IsUpper(s[pos]) || s[pos] == '_' || IsDigit(s[pos]))) ++pos;
      sc.e_spelling = s.substr(start, pos - start);
      // A 32-bit pattern of one to eight hexadecimal digits; "&", "&FG" or
      // nine digits would otherwise read as 0, 15 or their low 32 bits.
      sc.tok = IsHexPattern(sc.e_spelling) ? Tok::Hex : Tok::Other;
      sc.tok_value = static_cast<int32_t>(HexValue(sc.e_spelling));
    } else if (IsDigit(ch) || ch == '.') {
      int points = ch == '.';
      bool digits = ch != '.';
      for (; pos < size && (IsDigit(s[pos]) || s[pos] == '.'); ++pos) {
        points += s[pos] == '.';
        digits |= s[pos] != '.';
      }
      // An exponent belongs to the number only when digits follow it: "1e-3"
      // and "6.022E23" are numbers, "2e" stays 2 followed by the name e.
      if (points <= 1 && digits && pos < size && (s[pos] == 'e' || s[pos] == 'E')) {
        std::size_t at = pos + 1;
        if (at < size && (s[at] == '+' || s[at] == '-')) ++at;
        if (at < size && IsDigit(s[at])) {
          while (at < size && IsDigit(s[at])) ++at;
          pos = at;
        }
      }
      sc.e_spelling = s.substr(start, pos - start);
      // "1.2.3" or a lone "." is no number: read as 1.2 or 0 it would give
      // a plausible wrong result, so it becomes a token no operand starts with.
      sc.tok = (points <= 1 && digits) ? Tok::Num : Tok::Other;
      sc.tok_value = ReadDigitsAndPoints(sc.e_spelling);
    } else if (IsLower(AsciiLower(ch)) || ch == '_') {
      bool capitals = IsUpper(ch);
      while (pos < size) {
        const char c = s[pos];
        if (!(IsLower(c) || c == '_' || IsDigit(c))) {
          if (!IsUpper(c)) break;
          capitals = true;
        }
        ++pos;
      }
      sc.e_spelling = s.substr(start, pos - start);
      if (capitals) {  // names are lower case: only then is a copy needed
        sc.name_buffer.assign(sc.e_spelling);
        for (char& c : sc.name_buffer) c = AsciiLower(c);
        sc.e_spelling = sc.name_buffer;
      }
      ResolveName(st, sc, sc.e_spelling);
    } else if (ch == '<' || ch == '>') {
      const char next = pos < size ? s[pos] : '\0';
      if (next == '=' || next == '>') ++pos;
      sc.e_spelling = s.substr(start, pos - start);
      if (ch == '<') {
        sc.tok = next == '=' ? Tok::Le : next == '>' ? Tok::Ne : Tok::Lt;
      } else {
        sc.tok = next == '=' ? Tok::Ge : next == '>' ? Tok::Shr : Tok::Gt;
      }
    } else {
      sc.e_spelling = s.substr(start, 1);
      sc.tok = (ch == sc.abscissa_mark && ch != '\0') ? Tok::Abscissa : SingleCharToken(ch);
    }
  }

  ++sc.e_cnt;
  if (TraceReachesLog(st)) TraceToken(st, sc);
  return -1;
}

}  // namespace tarnix
