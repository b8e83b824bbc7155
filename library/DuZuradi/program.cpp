// The instructions of compiled programs. Every step computes through the
// functions of operations.h that the one-pass evaluator computes through.
#include "program.h"

namespace tarnix {
namespace {

void Push(const Instruction& in, Frame& f) { *f.top++ = in.value; }

void PushAbscissa(const Instruction& /*in*/, Frame& f) { *f.top++ = f.abscissa; }

void Negate(const Instruction& /*in*/, Frame& f) { f.top[-1] = -f.top[-1]; }

void Complementing(const Instruction& /*in*/, Frame& f) { f.top[-1] = Complement(f.top[-1]); }

template <Source argument>
void Call(const Instruction& in, Frame& f) {
  if constexpr (argument == Source::Stack) {
    f.top[-1] = ApplyBuiltin(f.failures, f.st, *in.builtin, f.top[-1]);
  } else {
    *f.top++ = ApplyBuiltin(f.failures, f.st, *in.builtin, f.abscissa);
  }
}

void Statistic(const Instruction& in, Frame& f) {
  double* first = f.top - in.count;
  *first = f.failures.Checked(in.statistic(std::span<const double>(first, in.count)), "");
  f.top = first + 1;
}

// The operand of source: popped, the constant, or the abscissa.
template <Source source>
double Operand(double constant, Frame& f) {
  if constexpr (source == Source::Stack) {
    return *--f.top;
  } else if constexpr (source == Source::Constant) {
    return constant;
  } else {
    return f.abscissa;
  }
}

template <Tok op, Source left, Source right>
void Binary(const Instruction& in, Frame& f) {
  const double r = Operand<right>(in.value, f);
  const double l = Operand<left>(in.left, f);
  *f.top++ = NumberOperation(f.failures, f.st.BoolTrue, op, l, r);
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

template <Source left, Source right>
struct BinaryFrom {
  template <Tok op>
  struct Of {
    static constexpr Step step = &Binary<op, left, right>;
  };
};

template <Source left>
Step BinaryFor(Tok op, Source right) {
  switch (right) {
    case Source::Stack: return ForOperator<BinaryFrom<left, Source::Stack>::template Of>(op);
    case Source::Constant: return ForOperator<BinaryFrom<left, Source::Constant>::template Of>(op);
    default: return ForOperator<BinaryFrom<left, Source::Abscissa>::template Of>(op);
  }
}

}  // namespace

Instruction PushStep(double value) { return {&Push, value}; }
Instruction AbscissaStep() { return {&PushAbscissa}; }
Instruction NegateStep() { return {&Negate}; }
Instruction ComplementStep() { return {&Complementing}; }

Instruction CallStep(const Builtin& builtin, Source argument) {
  Instruction in{argument == Source::Stack ? &Call<Source::Stack> : &Call<Source::Abscissa>};
  in.builtin = &builtin;
  return in;
}

Instruction StatisticStep(StatisticFn statistic, uint32_t count) {
  Instruction in{&Statistic};
  in.statistic = statistic;
  in.count = count;
  return in;
}

Instruction BinaryStep(Tok op, Source left, double left_value, Source right, double right_value) {
  Instruction in;
  switch (left) {
    case Source::Stack: in.step = BinaryFor<Source::Stack>(op, right); break;
    case Source::Constant: in.step = BinaryFor<Source::Constant>(op, right); break;
    default: in.step = BinaryFor<Source::Abscissa>(op, right); break;
  }
  in.value = right_value;
  in.left = left_value;
  return in;
}

}  // namespace tarnix
