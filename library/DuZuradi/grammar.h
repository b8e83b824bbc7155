// The grammar of expressions, once, for both its uses: the one-pass
// evaluator (parser.cpp) computes every value as soon as its operands are
// read, and the compiler (compile.cpp) writes the same steps down as a
// program instead. Grammar<Actions> reads the tokens and decides what comes
// next; Actions says what an operand, an operator or a call is:
//
//   Operand                    what a parsed (sub)expression stands for
//   List                       the arguments of a statistics word
//   kCompiles                  true for the compiler (no matrices, no trace)
//   Tick()                     one evaluation step
//   Number(v), Constant(name)  a number token, a "#" constant
//   Abscissa()                 the compiler's abscissa mark
//   Matrix(name, suffix, out)  a matrix operand; false ends the parse
//   Negate(o), Not(o), Binary(op, l, r)
//   Argument(o, name)          a function's argument
//   Function(name, argument)   a built-in applied
//   StartList(), Add(list, o, name), Statistic(name, list)
//   MatrixFunctionCall(g)      det, trace, syst or vcoeff, read on with g
//   Shown(o)                   the number the trace shows
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "duzuradi.h"
#include "parser.h"

namespace tarnix {

namespace grammar {

inline constexpr std::size_t kTokCount = static_cast<std::size_t>(Tok::Other) + 1;

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

inline constexpr auto kPrecedence = MakePrecedence();

// Prefix "-" and "+" bind looser than "^" and tighter than "*" (-2^2 is -4,
// 2*-3 is -6); "not" takes a whole comparison (not a = b is not (a = b)).
inline constexpr int32_t kSignOperandLevel = 11;
inline constexpr int32_t kNotOperandLevel = 6;

// The failures and the trace of the grammar itself (parser.cpp).
void TooDeep(State& st);
void SyntaxError(State& st, const Scanner& sc);
void TraceEnter(State& st, const Scanner& sc);
void TraceExit(State& st, double value);

}  // namespace grammar

template <class Actions>
class Grammar {
 public:
  using Operand = typename Actions::Operand;

  Grammar(State& st, Scanner& sc, Actions& actions) : st_(st), sc_(sc), act_(actions) {}

  // expr(level) -> primary { binop(prec >= level) expr(prec + 1) }
  Operand Expression(int32_t level) {
    if (st_.depth >= kMaxDepth) {
      grammar::TooDeep(st_);
      return Operand{};
    }
    ++st_.depth;
    if constexpr (!Actions::kCompiles) {
      if (TraceReachesLog(st_)) grammar::TraceEnter(st_, sc_);
    }

    Operand value{};
    if (Primary(value)) {
      while (st_.e_error == kNoError) {
        const Tok op = sc_.tok;
        const int32_t precedence = grammar::kPrecedence[static_cast<std::size_t>(op)];
        if (precedence == 0 || precedence < level) break;
        e_nxt(st_, sc_);
        const Operand right = Expression(precedence + 1);
        act_.Tick();
        value = act_.Binary(op, value, right);
      }
      if constexpr (!Actions::kCompiles) {
        if (TraceReachesLog(st_)) grammar::TraceExit(st_, act_.Shown(value));
      }
    }

    --st_.depth;
    return value;
  }

 private:
  // primary -> num | hex | const | matrix | "(" expr ")" | ("-" | "+") expr(11)
  //          | "not" expr(6) | id "(" expr ")" | stat "(" args ")" | matfunc "(" args ")"
  // Returns false when a matrix operand failed: Expression then returns at once.
  // Inlined into Expression, its one caller, as a hand-written parser would have it.
  [[gnu::always_inline]] bool Primary(Operand& value) {
    switch (sc_.tok) {
      case Tok::Num:
      case Tok::Hex:
        value = act_.Number(sc_.tok_value);
        e_nxt(st_, sc_);
        return true;
      case Tok::Abscissa:
        value = act_.Abscissa();
        e_nxt(st_, sc_);
        return true;
      case Tok::Matrix:
        if (!act_.Matrix(sc_.e_spelling, sc_.MatrixSuffix, value)) return false;
        e_nxt(st_, sc_);
        return true;
      case Tok::Minus: {
        e_nxt(st_, sc_);
        const Operand operand = Expression(grammar::kSignOperandLevel);
        act_.Tick();
        value = act_.Negate(operand);
        return true;
      }
      case Tok::Plus:
        e_nxt(st_, sc_);
        value = Expression(grammar::kSignOperandLevel);
        return true;
      case Tok::LParen:
        e_nxt(st_, sc_);
        value = Expression(1);
        e_match(st_, sc_, Tok::RParen);
        return true;
      case Tok::Id: value = FunctionCall(); return true;
      case Tok::StatWord: value = StatisticsCall(); return true;
      case Tok::MatFunc: value = act_.MatrixFunctionCall(*this); return true;
      case Tok::Const:
        value = act_.Constant(sc_.e_spelling);
        e_nxt(st_, sc_);
        return true;
      case Tok::Not: {
        e_nxt(st_, sc_);
        const Operand operand = Expression(grammar::kNotOperandLevel);
        act_.Tick();
        value = act_.Not(operand);
        return true;
      }
      default:
        grammar::SyntaxError(st_, sc_);
        value = Operand{};
        return true;
    }
  }

  // name "(" expr ")"
  Operand FunctionCall() {
    const std::string name(sc_.e_spelling);
    // A name that is neither a variable nor a known function fails after it
    // (at its "(" or its closing ")"): the place of the failure is the name.
    const std::size_t name_start = sc_.tok_start;
    const std::size_t name_end = sc_.e_pos;
    e_nxt(st_, sc_);
    uint32_t failures = st_.failures;
    e_match(st_, sc_, Tok::LParen);
    if (st_.failures != failures) PlaceAtName(st_, name_start, name_end);
    const Operand argument = act_.Argument(Expression(1), name);
    e_match(st_, sc_, Tok::RParen);
    act_.Tick();
    failures = st_.failures;
    const Operand value = act_.Function(name, argument);
    if (st_.failures != failures) PlaceAtName(st_, name_start, name_end);
    return value;
  }

  // stat "(" expr { ";" expr } ")"
  Operand StatisticsCall() {
    const std::string name(sc_.e_spelling);
    e_nxt(st_, sc_);
    e_match(st_, sc_, Tok::LParen);
    typename Actions::List arguments = act_.StartList();
    act_.Tick();
    act_.Add(arguments, Expression(1), name);
    while (sc_.tok == Tok::Semicolon) {
      e_match(st_, sc_, Tok::Semicolon);
      act_.Tick();
      act_.Add(arguments, Expression(1), name);
    }
    const Operand value = act_.Statistic(name, arguments);
    e_match(st_, sc_, Tok::RParen);
    return value;
  }

 public:
  // The scanner MatrixFunctionCall reads its arguments with.
  Scanner& sc() { return sc_; }

 private:
  State& st_;
  Scanner& sc_;
  Actions& act_;
};

}  // namespace tarnix
