// e_prs, the one-pass parser and evaluator: every value is computed as soon
// as its operands are read; there is no syntax tree. Operators whose
// operands may be matrices go to the matrix steps. The grammar is
// grammar.h's; Compute is what the evaluator does at each of its steps.
#include <cmath>
#include <cstdint>
#include <vector>

#include "duzuradi.h"
#include "grammar.h"
#include "operations.h"
#include "parser.h"

namespace tarnix {
namespace {

void ReportDivisionByZero(State& st) {
  if (!ReportsWanted(st)) return;
  std::string report = "Calculation error, token = '";
  report += e_tok(st);
  report += "'\r\nDivision by zero.\r\nDebug:\r\n";
  report += ErrorDump(st);
  EmitMessage(st, report, kErrorTitle, st.MsgMode);
}

Value Combine(State& st, Tok op, Value left, Value right) {
  const bool numbers = !IsMatrix(left) && !IsMatrix(right);
  Reported failures{st};
  switch (op) {
    case Tok::Caret:
    case Tok::Star:
    case Tok::Slash:
      if (numbers) return Number(Arith(failures, OperatorChar(op), left.number, right.number));
      return Matrices().DivMult(st, OperatorChar(op), left, right);
    case Tok::Plus:
    case Tok::Minus:
      if (numbers) return Number(Arith(failures, OperatorChar(op), left.number, right.number));
      return Matrices().SumSubt(st, OperatorChar(op), left, right);
    default: break;
  }
  // The rest take numbers and give a number.
  NumberOperand(st, left, "a comparison or word operator");
  NumberOperand(st, right, "a comparison or word operator");
  return Number(NumberOperation(failures, st.BoolTrue, op, left.number, right.number));
}

std::string DepthPrefix(const State& st) {
  std::string prefix = std::to_string(st.depth);
  const std::size_t width = 2 * static_cast<std::size_t>(st.depth);
  if (prefix.size() < width) prefix.resize(width, '*');
  return prefix;
}

// The evaluator's actions: every step computed at once.
struct Compute {
  using Operand = Value;
  using List = std::vector<double>;
  static constexpr bool kCompiles = false;

  State& st;

  void Tick() { tarnix::Tick(st); }
  Value Number(double value) { return tarnix::Number(value); }
  Value Constant(std::string_view name) { return Number(e_function(st, name, 0.0)); }
  // Only the compiler's scanner marks an abscissa.
  Value Abscissa() {
    grammar::SyntaxError(st, st);
    return {};
  }
  bool Matrix(std::string_view name, char suffix, Value& value) {
    value = Matrices().LoadOperand(st, name, suffix);
    if (st.e_error != kNoError) {
      value.number = st.e_error;
      return false;
    }
    value.kind = Kind::Matrix;
    return true;
  }
  Value Negate(Value operand) {
    return IsMatrix(operand) ? Matrices().DivMult(st, '*', operand, Number(-1.0))
                             : Number(-operand.number);
  }
  Value Not(Value operand) {
    return Number(NumberOperand(st, {Complement(operand.number), operand.kind}, "not"));
  }
  Value Binary(Tok op, Value left, Value right) { return Combine(st, op, left, right); }
  Value Argument(Value argument, std::string_view name) {
    return Number(NumberOperand(st, argument, name));
  }
  Value Function(std::string_view name, Value argument) {
    return Number(e_function(st, name, argument.number));
  }
  List StartList() {
    List values;
    values.reserve(12);
    return values;
  }
  void Add(List& values, Value argument, std::string_view name) {
    values.push_back(NumberOperand(st, argument, name));
  }
  Value Statistic(std::string_view name, const List& values) {
    const StatisticFn statistic = FindStatistic(name);
    return Number(NumberOrFail(st, statistic != nullptr ? statistic(values) : 0.0, name));
  }
  double Shown(Value value) { return value.number; }

  // det "(" M ")" | trace "(" M ")" | syst "(" X sep Y ")" | vcoeff "(" X sep Y sep n ")"
  // The separators are skipped whatever they are.
  // A numeric last parameter that is a matrix ends the call with the first
  // operand's kind and the number 0.
  Value MatrixFunctionCall(Grammar<Compute>& grammar) {
    Scanner& sc = grammar.sc();
    const std::string word(sc.e_spelling);
    e_nxt(st, sc);
    e_match(st, sc, Tok::LParen);
    const Value first = grammar.Expression(1);
    Value second;
    Value third;
    if (word == "syst" || word == "vcoeff") {
      e_nxt(st, sc);
      second = grammar.Expression(1);
    }
    if (word == "vcoeff") {
      e_nxt(st, sc);
      third = grammar.Expression(1);
      if (IsMatrix(third)) {
        if (Fail(st, kErrInvalidParameter))
          ReportWithDump(st, "e_prs", "Last parameter must be numeric.");
        return {0.0, first.kind};
      }
    }
    tarnix::Tick(st);
    const Value value = Matrices().Function(st, word, first, second, third);
    e_match(st, sc, Tok::RParen);
    return value;
  }
};

}  // namespace

namespace grammar {

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

void TooDeep(State& st) {
  if (Fail(st, kErrMemory)) {
    ReportWithDump(st, "e_prs",
                   "Expression nested more than " + std::to_string(kMaxDepth) + " levels deep.");
  }
}

}  // namespace grammar

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
  Reported failures{st};
  return Arith(failures, op, left, right);
}

Value e_prs(State& st, Scanner& sc, int32_t level) {
  Compute actions{st};
  return Grammar<Compute>(st, sc, actions).Expression(level);
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
