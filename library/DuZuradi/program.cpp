// The instructions of compiled programs. Every step computes through the
// functions of operations.h that the one-pass evaluator computes through.
#include "program.h"

namespace tarnix {
namespace {

void Push(const Instruction& in, Frame& f) { *f.top++ = in.value; }

void PushAbscissa(const Instruction& /*in*/, Frame& f) { *f.top++ = f.abscissa; }

void Negate(const Instruction& /*in*/, Frame& f) { f.top[-1] = -f.top[-1]; }

void Complementing(const Instruction& /*in*/, Frame& f) { f.top[-1] = Complement(f.top[-1]); }

void Call(const Instruction& in, Frame& f) {
  f.top[-1] = ApplyBuiltin(f.failures, f.st, *in.builtin, f.top[-1]);
}

void Statistic(const Instruction& in, Frame& f) {
  double* first = f.top - in.count;
  *first = f.failures.Checked(in.statistic(std::span<const double>(first, in.count)), "");
  f.top = first + 1;
}

template <Tok op, Right right>
void Binary(const Instruction& in, Frame& f) {
  double r;
  if constexpr (right == Right::Stack) {
    r = *--f.top;
  } else if constexpr (right == Right::Constant) {
    r = in.value;
  } else {
    r = f.abscissa;
  }
  double& l = f.top[-1];
  l = NumberOperation(f.failures, f.st.BoolTrue, op, l, r);
}

template <Tok op>
void AbscissaBinary(const Instruction& in, Frame& f) {
  *f.top++ = NumberOperation(f.failures, f.st.BoolTrue, op, f.abscissa, in.value);
}

// The instantiation of Operation for the operator op.
template <template <Tok> class Operation>
Step ForOperator(Tok op) {
  switch (op) {
    case Tok::Caret: return Operation<Tok::Caret>::step;
    case Tok::Star: return Operation<Tok::Star>::step;
    case Tok::Slash: return Operation<Tok::Slash>::step;
    case Tok::Plus: return Operation<Tok::Plus>::step;
    case Tok::Minus: return Operation<Tok::Minus>::step;
    case Tok::Backslash: return Operation<Tok::Backslash>::step;
    case Tok::Mod: return Operation<Tok::Mod>::step;
    case Tok::Eq: return Operation<Tok::Eq>::step;
    case Tok::Lt: return Operation<Tok::Lt>::step;
    case Tok::Gt: return Operation<Tok::Gt>::step;
    case Tok::Ne: return Operation<Tok::Ne>::step;
    case Tok::Le: return Operation<Tok::Le>::step;
    case Tok::Ge: return Operation<Tok::Ge>::step;
    case Tok::And: return Operation<Tok::And>::step;
    case Tok::Or: return Operation<Tok::Or>::step;
    case Tok::Xor: return Operation<Tok::Xor>::step;
    default: return nullptr;
  }
}

template <Right right>
struct BinaryFrom {
  template <Tok op>
  struct Of {
    static constexpr Step step = &Binary<op, right>;
  };
};

template <Tok op>
struct AbscissaWith {
  static constexpr Step step = &AbscissaBinary<op>;
};

}  // namespace

Instruction PushStep(double value) { return {&Push, value}; }
Instruction AbscissaStep() { return {&PushAbscissa}; }
Instruction NegateStep() { return {&Negate}; }
Instruction ComplementStep() { return {&Complementing}; }

Instruction CallStep(const Builtin& builtin) {
  Instruction in{&Call};
  in.builtin = &builtin;
  return in;
}

Instruction StatisticStep(StatisticFn statistic, uint32_t count) {
  Instruction in{&Statistic};
  in.statistic = statistic;
  in.count = count;
  return in;
}

Instruction BinaryStep(Tok op, Right right, double constant) {
  switch (right) {
    case Right::Stack: return {ForOperator<BinaryFrom<Right::Stack>::Of>(op), constant};
    case Right::Constant: return {ForOperator<BinaryFrom<Right::Constant>::Of>(op), constant};
    default: return {ForOperator<BinaryFrom<Right::Abscissa>::Of>(op), constant};
  }
}

Instruction AbscissaBinaryStep(Tok op, double constant) {
  return {ForOperator<AbscissaWith>(op), constant};
}

}  // namespace tarnix
