// e_prs, the one-pass parser and evaluator: every value is computed as soon
// as its operands are read; there is no syntax tree. Operators whose
// operands may be matrices go to the matrix steps.
#include <array>
#include <cmath>
#include <cstdint>

#include "duzuradi.h"
#include "parser.h"

namespace tarnix {
namespace {

constexpr std::size_t kTokCount = static_cast<std::size_t>(Tok::Other) + 1;

// Binary precedence by token; 0 for tokens that are no binary operator. The
// right operand is parsed one level higher, so every operator is
// left-associative (2^3^2 is 64).
constexpr std::array<int8_t, kTokCount> MakePrecedence() {
  std::array<int8_t, kTokCount> p{};
  auto at = [&p](Tok t) -> int8_t& { return p[static_cast<std::size_t>(t)]; };
  at(Tok::Caret) = 11;
  at(Tok::Star) = 10;
  at(Tok::Slash) = 10;
  at(Tok::Backslash) = 9;
  at(Tok::Mod) = 8;
  at(Tok::Plus) = 7;
  at(Tok::Minus) = 7;
  at(Tok::Eq) = 6;
  at(Tok::Lt) = 6;
  at(Tok::Gt) = 6;
  at(Tok::Ne) = 6;
  at(Tok::Le) = 6;
  at(Tok::Ge) = 6;
  at(Tok::And) = 5;
  at(Tok::Or) = 4;
  at(Tok::Xor) = 3;
  return p;
}

constexpr auto kPrecedence = MakePrecedence();

// Prefix "-" and "+" bind looser than "^" and tighter than "*" (-2^2 is -4,
// 2*-3 is -6); "not" takes a whole comparison (not a = b is not (a = b)).
constexpr int32_t kSignOperandLevel = 11;
constexpr int32_t kNotOperandLevel = 6;

void ReportDivisionByZero(State& st) {
  if (!ReportsWanted(st)) return;
  std::string report = "Calculation error, token = '";
  report += e_tok(st);
  report += "'\r\nDivision by zero.\r\nDebug:\r\n";
  report += ErrorDump(st);
  EmitMessage(st, report, kErrorTitle, st.MsgMode);
}

// "\": the quotient truncated toward zero. Truncating in double keeps
// quotients beyond 32 bits exact instead of folding them to -2147483648.
double IntegerQuotient(State& st, double left, double right) {
  if (right == 0.0) return DivisionByZero(st, left);
  return std::trunc(left / right);
}

// "mod": remainder of the truncated operands with the sign of the left one;
// fmod is exact for every pair of doubles.
double Modulo(State& st, double left, double right) {
  const double a = std::trunc(left);
  const double b = std::trunc(right);
  if (b == 0.0) return DivisionByZero(st, left);
  return std::fmod(a, b) + 0.0;  // + 0.0 turns -0 into 0
}

// "not": the bitwise complement of the truncated operand, -n-1, which is
// what the 32-bit complement gives and stays right beyond 32 bits.
double Complement(double operand) { return -std::trunc(operand) - 1.0; }

double Truth(const State& st, bool holds) { return holds ? st.BoolTrue : 0.0; }

char OperatorChar(Tok op) {
  switch (op) {
    case Tok::Caret: return '^';
    case Tok::Star: return '*';
    case Tok::Slash: return '/';
    case Tok::Plus: return '+';
    default: return '-';
  }
}

double CombineNumbers(State& st, Tok op, double left, double right) {
  switch (op) {
    case Tok::Backslash: return IntegerQuotient(st, left, right);
    case Tok::Mod: return Modulo(st, left, right);
    case Tok::Eq: return Truth(st, left == right);
    case Tok::Lt: return Truth(st, left < right);
    case Tok::Gt: return Truth(st, left > right);
    case Tok::Ne: return Truth(st, left != right);
    case Tok::Le: return Truth(st, left <= right);
    case Tok::Ge: return Truth(st, left >= right);
    case Tok::And: return (left != 0 && right != 0) ? 1.0 : 0.0;
    case Tok::Or: return (left != 0 || right != 0) ? 1.0 : 0.0;
    case Tok::Xor: return ((left != 0) != (right != 0)) ? 1.0 : 0.0;
    default: return left;
  }
}

Value Combine(State& st, Tok op, Value left, Value right) {
  const bool numbers = !IsMatrix(left) && !IsMatrix(right);
  switch (op) {
    case Tok::Caret:
    case Tok::Star:
    case Tok::Slash:
      if (numbers) return Number(ScalarArith(st, OperatorChar(op), left.number, right.number));
      return Matrices().DivMult(st, OperatorChar(op), left, right);
    case Tok::Plus:
    case Tok::Minus:
      if (numbers) return Number(ScalarArith(st, OperatorChar(op), left.number, right.number));
      return Matrices().SumSubt(st, OperatorChar(op), left, right);
    default: break;
  }
  // The rest take numbers and give a number.
  NumberOperand(st, left, "a comparison or word operator");
  NumberOperand(st, right, "a comparison or word operator");
  return Number(CombineNumbers(st, op, left.number, right.number));
}

std::string DepthPrefix(const State& st) {
  std::string prefix = std::to_string(st.depth);
  const std::size_t width = 2 * static_cast<std::size_t>(st.depth);
  if (prefix.size() < width) prefix.resize(width, '*');
  return prefix;
}

void TraceEnter(State& st, const Scanner& sc) {
  TraceBlock(DepthPrefix(st))
      .Line("=== e_prs() ===")
      .Line("expression = ", sc.gExpr)
      .Line("gParts = none")
      .Line("e_tok........= ", e_tok(sc))
      .Line("e_spelling = ", sc.e_spelling)
      .Line("e_input.....= ", e_input(sc))
      .Line("e_error = ", st.e_error)
      .Line("deriv = none")
      .Emit(st);
}

void TraceExit(State& st, double value) {
  std::string line = DepthPrefix(st);
  line += "nn.....= ";
  AppendFixed10(line, value);
  EmitMessage(st, line, "", 0);
}

void SyntaxError(State& st, const Scanner& sc) {
  if (Fail(st, kErrParseSyntax)) ReportWithDump(st, "e_prs", SyntaxErrorLine(sc));
}

// name "(" expr ")"
double FunctionCall(State& st, Scanner& sc) {
  const std::string name(sc.e_spelling);
  // A name that is neither a variable nor a known function fails after it
  // (at its "(" or its closing ")"): the place of the failure is the name.
  const std::size_t name_start = sc.tok_start;
  const std::size_t name_end = sc.e_pos;
  e_nxt(st, sc);
  uint32_t failures = st.failures;
  e_match(st, sc, Tok::LParen);
  if (st.failures != failures) PlaceAtName(st, name_start, name_end);
  const double argument = NumberOperand(st, e_prs(st, sc, 1), name);
  e_match(st, sc, Tok::RParen);
  Tick(st);
  failures = st.failures;
  const double value = e_function(st, name, argument);
  if (st.failures != failures) PlaceAtName(st, name_start, name_end);
  return value;
}

// stat "(" expr { ";" expr } ")"
double StatisticsCall(State& st, Scanner& sc) {
  const std::string name(sc.e_spelling);
  e_nxt(st, sc);
  e_match(st, sc, Tok::LParen);
  const double value = NumberOrFail(st, e_stats(st, sc, name), name);
  e_match(st, sc, Tok::RParen);
  return value;
}

// det "(" M ")" | trace "(" M ")" | syst "(" X sep Y ")" | vcoeff "(" X sep Y sep n ")"
// The separators are skipped whatever they are.
// A numeric last parameter that is a matrix ends the call with the first
// operand's kind and the number 0.
Value MatrixFunctionCall(State& st, Scanner& sc) {
  const std::string word(sc.e_spelling);
  e_nxt(st, sc);
  e_match(st, sc, Tok::LParen);
  const Value first = e_prs(st, sc, 1);
  Value second;
  Value third;
  if (word == "syst" || word == "vcoeff") {
    e_nxt(st, sc);
    second = e_prs(st, sc, 1);
  }
  if (word == "vcoeff") {
    e_nxt(st, sc);
    third = e_prs(st, sc, 1);
    if (IsMatrix(third)) {
      if (Fail(st, kErrInvalidParameter))
        ReportWithDump(st, "e_prs", "Last parameter must be numeric.");
      return {0.0, first.kind};
    }
  }
  Tick(st);
  const Value value = Matrices().Function(st, word, first, second, third);
  e_match(st, sc, Tok::RParen);
  return value;
}

// primary -> num | hex | const | matrix | "(" expr ")" | ("-" | "+") expr(11)
//          | "not" expr(6) | id "(" expr ")" | stat "(" args ")" | matfunc "(" args ")"
// Returns false when a matrix operand failed: e_prs then returns at once.
bool Primary(State& st, Scanner& sc, Value& value) {
  switch (sc.tok) {
    case Tok::Num:
    case Tok::Hex:
      value = Number(sc.tok_value);
      e_nxt(st, sc);
      return true;
    case Tok::Matrix:
      value = Matrices().LoadOperand(st, sc.e_spelling, sc.MatrixSuffix);
      if (st.e_error != kNoError) {
        value.number = st.e_error;
        return false;
      }
      value.kind = Kind::Matrix;
      e_nxt(st, sc);
      return true;
    case Tok::Minus: {
      e_nxt(st, sc);
      const Value operand = e_prs(st, sc, kSignOperandLevel);
      Tick(st);
      value = IsMatrix(operand) ? Matrices().DivMult(st, '*', operand, Number(-1.0))
                                : Number(-operand.number);
      return true;
    }
    case Tok::Plus:
      e_nxt(st, sc);
      value = e_prs(st, sc, kSignOperandLevel);
      return true;
    case Tok::LParen:
      e_nxt(st, sc);
      value = e_prs(st, sc, 1);
      e_match(st, sc, Tok::RParen);
      return true;
    case Tok::Id: value = Number(FunctionCall(st, sc)); return true;
    case Tok::StatWord: value = Number(StatisticsCall(st, sc)); return true;
    case Tok::MatFunc: value = MatrixFunctionCall(st, sc); return true;
    case Tok::Const:
      value = Number(e_function(st, sc.e_spelling, 0.0));
      e_nxt(st, sc);
      return true;
    case Tok::Not: {
      e_nxt(st, sc);
      const Value operand = e_prs(st, sc, kNotOperandLevel);
      const double complement = Complement(operand.number);
      Tick(st);
      value = Number(NumberOperand(st, {complement, operand.kind}, "not"));
      return true;
    }
    default:
      SyntaxError(st, sc);
      value.number = 0.0;
      return true;
  }
}

void TooDeep(State& st) {
  if (Fail(st, kErrMemory)) {
    ReportWithDump(st, "e_prs",
                   "Expression nested more than " + std::to_string(kMaxDepth) + " levels deep.");
  }
}

}  // namespace

double DivisionByZero(State& st, double left) {
  if (Fail(st, kErrDivisionByZero)) ReportDivisionByZero(st);
  return left;
}

std::string SyntaxErrorLine(const Scanner& sc) {
  std::string line = "Syntax error, token = '";
  line += sc.e_spelling;
  line += "'";
  return line;
}

double NumberOrFail(State& st, double value, std::string_view step) {
  if (std::isnan(value) && Fail(st, kErrNotANumber)) {
    std::string line = "Result is not a number: ";
    line += step;
    ReportWithDump(st, "e_prs", line);
  }
  return value;
}

// A matrix's value is its handle: a comparison, word operator, function or
// statistic computed from it would look like a number and mean nothing.
double NumberOperand(State& st, Value value, std::string_view where) {
  if (IsMatrix(value) && Fail(st, kErrConditionNotFound)) {
    std::string line = "A matrix cannot be an operand of ";
    line += where;
    ReportWithDump(st, "e_prs", line);
  }
  return value.number;
}

double ScalarArith(State& st, char op, double left, double right) {
  switch (op) {
    // A negative base with a fraction for exponent has no real power.
    case '^': return NumberOrFail(st, std::pow(left, right), "^");
    case '*': return NumberOrFail(st, left * right, "*");
    case '/': return right == 0.0 ? DivisionByZero(st, left) : NumberOrFail(st, left / right, "/");
    case '+': return NumberOrFail(st, left + right, "+");
    case '-': return NumberOrFail(st, left - right, "-");
    default: return left;
  }
}

// expr(level) -> primary { binop(prec >= level) expr(prec + 1) }
Value e_prs(State& st, Scanner& sc, int32_t level) {
  if (st.depth >= kMaxDepth) {
    TooDeep(st);
    return {};
  }
  ++st.depth;
  if (TraceReachesLog(st)) TraceEnter(st, sc);

  Value value;
  if (Primary(st, sc, value)) {
    while (st.e_error == kNoError) {
      const Tok op = sc.tok;
      const int32_t precedence = kPrecedence[static_cast<std::size_t>(op)];
      if (precedence == 0 || precedence < level) break;
      e_nxt(st, sc);
      const Value right = e_prs(st, sc, precedence + 1);
      Tick(st);
      value = Combine(st, op, value, right);
    }
    if (TraceReachesLog(st)) TraceExit(st, value.number);
  }

  --st.depth;
  return value;
}

int32_t e_match(State& st, Scanner& sc, Tok expected) {
  const std::string_view token = expected == Tok::LParen   ? "("
                                 : expected == Tok::RParen ? ")"
                                                           : ";";
  if (sc.tok != expected && Fail(st, kErrTokenMatch)) {
    std::string line = "Expected ";
    line += token;
    line += ", got '";
    line += sc.e_spelling;
    line += "'";
    ReportWithDump(st, "e_match", line);
  }
  if (TraceReachesLog(st)) {
    TraceBlock("")
        .Line("'--- e_match()")
        .Line("e_tok = ", e_tok(sc))
        .Line("token = ", token)
        .Line("e_error = ", st.e_error)
        .Emit(st);
  }
  e_nxt(st, sc);
  return st.e_error;
}

}  // namespace tarnix
