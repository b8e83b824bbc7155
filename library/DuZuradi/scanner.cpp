// e_nxt, the scanner: one token per call from the text not yet read. It reads
// by index over gExpr and never copies or erases the remaining input.
// Reserved words become their own tokens; variables and the plain constants
// become number tokens on the spot, through their ten-decimal text.
#include <array>
#include <cmath>
#include <string>

#include "duzuradi.h"
#include "parser.h"

namespace tarnix {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
char ToLower(char c) { return IsUpper(c) ? static_cast<char>(c - 'A' + 'a') : c; }
char ToUpper(char c) { return IsLower(c) ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

struct Reserved {
  std::string_view word;
  Tok tok;
};

// The matrix functions, the statistics and the word operators.
constexpr std::array<Reserved, 23> kReserved{{
    {"det", Tok::MatFunc},     {"trace", Tok::MatFunc},
    {"syst", Tok::MatFunc},    {"vcoeff", Tok::MatFunc},
    {"min", Tok::StatWord},    {"max", Tok::StatWord},
    {"avg", Tok::StatWord},    {"sum", Tok::StatWord},
    {"sum2", Tok::StatWord},   {"prod", Tok::StatWord},
    {"prod2", Tok::StatWord},  {"stddev", Tok::StatWord},
    {"count", Tok::StatWord},  {"geom_mean", Tok::StatWord},
    {"median", Tok::StatWord}, {"mean", Tok::StatWord},
    {"and", Tok::And},         {"eqv", Tok::Eqv},
    {"imp", Tok::Imp},         {"mod", Tok::Mod},
    {"not", Tok::Not},         {"or", Tok::Or},
    {"xor", Tok::Xor},
}};

struct PlainConstant {
  std::string_view name;
  double value;
};

// Inside expressions these names are numbers rounded to ten decimals
// (pi is 3.1415926536); the "#" forms are the single-precision built-ins.
constexpr std::array<PlainConstant, 6> kPlainConstants{{
    {"pi", 3.141592653589793},
    {"e", 2.71828182845905},
    {"deg", 57.2957795130823},
    {"to_deg", 57.2957795130823},
    {"rad", 0.017453292519943302},
    {"to_rad", 0.017453292519943302},
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

// A number token whose spelling is value's ten-decimal text; its value is
// what that text reads as, so 1E-12 becomes 0.
void SetTenDecimalNumber(double value) {
  gs.tok = Tok::Num;
  gs.e_spelling.clear();
  AppendFixed10(gs.e_spelling, value);
  gs.tok_value = std::isfinite(value) ? ReadNumber(gs.e_spelling) : value;
}

// Reserved words shadow variables, and variables shadow the plain constants.
void ResolveName() {
  const std::string& name = gs.e_spelling;
  for (const Reserved& r : kReserved) {
    if (r.word == name) {
      gs.tok = r.tok;
      return;
    }
  }
  if (const VarView* var = FindVariable(name)) {
    gs.last_found = var->position;
    gs.tok = Tok::Num;
    gs.e_spelling = var->spelling;
    gs.tok_value = var->value;
    return;
  }
  gs.last_found = 0;
  for (const PlainConstant& c : kPlainConstants) {
    if (c.name == name) {
      SetTenDecimalNumber(c.value);
      return;
    }
  }
  gs.tok = Tok::Id;
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

void TraceToken() {
  std::string prefix = std::to_string(gs.e_cnt);
  prefix.resize(4, ' ');
  TraceBlock(prefix)
      .Line("--- e_nxt()")
      .Line("e_cnt = ", std::to_string(gs.e_cnt))
      .Line("gExpr = ", gs.gExpr)
      .Line("gParts = none")
      .Line("e_tok = ", TokenText())
      .Line("e_spelling = ", gs.e_spelling)
      .Line("e_input = ", std::string_view(gs.gExpr).substr(gs.e_pos))
      .Line("e_error = ", gs.e_error)
      .Line("deriv = none")
      .Emit();
}

}  // namespace

std::string_view TokenText() {
  switch (gs.tok) {
    case Tok::End: return {};
    case Tok::Num: return "num";
    case Tok::Hex: return "hex";
    case Tok::Const: return "const";
    case Tok::Matrix: return "matrix";
    case Tok::Id: return "id";
    default: return gs.e_spelling;
  }
}

void StartScan(std::string_view text) {
  gs.gExpr.assign(text);
  gs.e_pos = 0;
  e_nxt();
}

int32_t e_nxt() {
  const std::string& s = gs.gExpr;
  std::size_t& pos = gs.e_pos;
  const std::size_t size = s.size();
  gs.e_spelling.clear();
  gs.matrix_suffix = 0;

  while (pos < size && IsBlank(s[pos])) ++pos;
  if (pos >= size) {
    gs.tok = Tok::End;
  } else {
    const std::size_t start = pos;
    const char ch = s[pos++];
    if (ch == '[') {
      const std::size_t close = s.find(']', pos);
      pos = close == std::string::npos ? size : close + 1;
      gs.e_spelling.assign(s, start, pos - start);
      gs.tok = Tok::Matrix;
      if (pos < size) {
        const char suffix = ToUpper(s[pos]);
        if (suffix == 'I' || suffix == 'T' || suffix == 'D') {
          gs.matrix_suffix = suffix;
          ++pos;
        }
      }
    } else if (ch == '#') {
      while (pos < size && (IsLower(s[pos]) || s[pos] == '_' || IsDigit(s[pos]))) ++pos;
      gs.e_spelling.assign(s, start, pos - start);
      gs.tok = Tok::Const;
    } else if (ch == '&') {
      while (pos < size && (IsUpper(s[pos]) || s[pos] == '_' || IsDigit(s[pos]))) ++pos;
      gs.e_spelling.assign(s, start, pos - start);
      gs.tok = Tok::Hex;
      gs.tok_value = static_cast<int32_t>(HexValue(gs.e_spelling));
    } else if (IsDigit(ch) || ch == '.') {
      while (pos < size && (IsDigit(s[pos]) || s[pos] == '.')) ++pos;
      gs.e_spelling.assign(s, start, pos - start);
      gs.tok = Tok::Num;
      gs.tok_value = ReadNumber(gs.e_spelling);
    } else if (IsLower(ToLower(ch)) || ch == '_') {
      while (pos < size) {
        const char c = ToLower(s[pos]);
        if (!(IsLower(c) || c == '_' || IsDigit(c))) break;
        ++pos;
      }
      gs.e_spelling.assign(s, start, pos - start);
      for (char& c : gs.e_spelling) c = ToLower(c);
      ResolveName();
    } else if (ch == '<' || ch == '>') {
      gs.e_spelling = ch;
      const char next = pos < size ? s[pos] : '\0';
      if (next == '=' || next == '>') {
        gs.e_spelling += next;
        ++pos;
      }
      if (ch == '<') {
        gs.tok = next == '=' ? Tok::Le : next == '>' ? Tok::Ne : Tok::Lt;
      } else {
        gs.tok = next == '=' ? Tok::Ge : next == '>' ? Tok::Shr : Tok::Gt;
      }
    } else {
      gs.e_spelling = ch;
      gs.tok = SingleCharToken(ch);
    }
  }

  ++gs.e_cnt;
  if (TraceReachesLog()) TraceToken();
  return -1;
}

}  // namespace tarnix
