// A compiled expression: the steps the one-pass evaluator would take, written
// down once as postfix code over a small operand stack and run at one
// abscissa after another. Each instruction carries the function that
// performs it, so that a run is one indirect call per step. The compiler
// (compile.h) writes programs; Sampler runs them.
#pragma once

#include <cstdint>
#include <vector>

#include "operations.h"

namespace tarnix {

struct Instruction;

// One run of a program: its operand stack and what its steps read.
struct Frame {
  double* top;      // one past the topmost operand
  double abscissa;  // the number the abscissa's text reads as
  State& st;        // the truth value of comparisons, rnd's generator
  Noted failures;
};

using Step = void (*)(const Instruction& in, Frame& frame);

struct Instruction {
  Step step = nullptr;
  double value = 0.0;  // a number pushed, or a binary operator's constant right operand
  double left = 0.0;   // a binary operator's constant left operand
  const Builtin* builtin = nullptr;
  StatisticFn statistic = nullptr;
  uint32_t count = 0;  // a statistic's arguments
};

// Where an operand comes from: the stack, the instruction (a constant), or
// the abscissa. An operand that is no stack operand saves the instruction
// that would push it.
enum class Source : uint8_t { Stack, Constant, Abscissa };

// The instructions a compiler writes. Each pushes its result; the operators
// and the calls take their stack operands off the stack first.
Instruction PushStep(double value);
Instruction AbscissaStep();
Instruction NegateStep();
Instruction ComplementStep();
// A built-in applied to the topmost operand or to the abscissa.
Instruction CallStep(const Builtin& builtin, Source argument);
// A statistic of the topmost count operands.
Instruction StatisticStep(StatisticFn statistic, uint32_t count);
// A binary operator; a constant operand is the value given with it.
Instruction BinaryStep(Tok op, Source left, double left_value, Source right, double right_value);

class Program {
 public:
  void Append(const Instruction& in) { code_.push_back(in); }
  void Remove(std::size_t at) { code_.erase(code_.begin() + static_cast<std::ptrdiff_t>(at)); }
  void RemoveLast(std::size_t n) { code_.resize(code_.size() - n); }
  std::size_t Size() const { return code_.size(); }
  const Instruction& At(std::size_t i) const { return code_[i]; }
  // Makes room for the deepest stack the code reaches.
  void SetDepth(std::size_t depth) { stack_.assign(depth, 0.0); }

  // The value at the abscissa's number; false when a step failed or the
  // result is no finite number: the evaluator must then decide, from the
  // text, which error it is.
  bool Run(State& st, double abscissa, double& result) {
    Frame frame{stack_.data(), abscissa, st, {}};
    for (const Instruction& in : code_) in.step(in, frame);
    result = stack_[0];
    return !frame.failures.failed && std::isfinite(result);
  }

 private:
  std::vector<Instruction> code_;
  std::vector<double> stack_;
};

}  // namespace tarnix
