// CompilePoints: the grammar of grammar.h run once over a point's text with
// the abscissa marked, its steps written down (Emitter) instead of computed.
#include "compile.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <string>

#include "grammar.h"
#include "parser.h"

namespace tarnix {
namespace {

// A finite double's tidy ten-decimal text has at most 321 characters (a sign,
// 309 digits, a point and ten decimals, less what tidying takes away): so
// much at most does a point's text grow against the compiled one at every
// occurrence of the abscissa.
constexpr std::size_t kLongestAbscissa = 330;

// The compiler's actions: each step becomes an instruction. An operand
// remembers whether it is a constant or the abscissa, which one instruction
// of its own (at) pushes: an operator or a built-in on constants is
// computed at once, and a constant or the abscissa as an operand goes into
// the instruction that uses it. A push moved so, to after the operands
// that follow it, changes nothing: pushing has no effect but the push.
class Emitter {
 public:
  enum class Form : uint8_t { Computed, Constant, Abscissa };
  struct Operand {
    Form form = Form::Computed;
    double value = 0.0;
    std::size_t at = 0;
  };
  struct List {
    uint32_t count = 0;
    bool constant = true;
  };
  static constexpr bool kCompiles = true;

  Emitter(State& st, Program& program) : st_(st), program_(program) {}

  bool refused() const { return refused_; }
  uint64_t ticks() const { return ticks_; }
  uint32_t regions() const { return regions_; }
  std::size_t deepest() const { return deepest_; }

  void Tick() { ++ticks_; }

  Operand Number(double value) {
    Write(PushStep(value), 1);
    return {Form::Constant, value, program_.Size() - 1};
  }

  // The "#" constants: the evaluator computes them as it reads them.
  Operand Constant(std::string_view name) {
    const Builtin* b = FindBuiltin(name);
    if (b == nullptr || b->fn == nullptr) return Refuse();
    Noted failures;
    const double value = ApplyBuiltin(failures, st_, *b, 0.0);
    if (failures.failed) return Refuse();
    return Number(value);
  }

  Operand Abscissa() {
    // A negative abscissa is a negation, one level deeper than the number.
    if (st_.depth >= kMaxDepth) return Refuse();
    ++regions_;
    Write(AbscissaStep(), 1);
    return {Form::Abscissa, 0.0, program_.Size() - 1};
  }

  bool Matrix(std::string_view /*name*/, char /*suffix*/, Operand& value) {
    value = Refuse();
    return false;
  }
  Operand MatrixFunctionCall(Grammar<Emitter>& /*grammar*/) { return Refuse(); }

  Operand Negate(Operand operand) {
    if (operand.form == Form::Constant) return Fold(1, -operand.value);
    Write(NegateStep(), 0);
    return {};
  }

  Operand Not(Operand operand) {
    if (operand.form == Form::Constant) return Fold(1, Complement(operand.value));
    Write(ComplementStep(), 0);
    return {};
  }

  Operand Binary(Tok op, Operand left, Operand right) {
    // Comparisons read SetBoolSign's truth value when they are computed.
    const bool truth = grammar::kPrecedence[static_cast<std::size_t>(op)] == 6;
    if (left.form == Form::Constant && right.form == Form::Constant && !truth) {
      Noted failures;
      const double value = NumberOperation(failures, st_.BoolTrue, op, left.value, right.value);
      // Computed at every point, it would fail at every point.
      if (failures.failed) return Refuse();
      return Fold(2, value);
    }
    // The right operand's push is the later one: it goes first.
    const Source r = Taken(right, false);
    const Source l = Taken(left, r == Source::Constant);
    const int64_t popped = (l == Source::Stack) + (r == Source::Stack);
    Write(BinaryStep(op, l, left.value, r, right.value), 1 - popped);
    return {};
  }

  Operand Argument(Operand argument, std::string_view /*name*/) { return argument; }

  Operand Function(std::string_view name, Operand argument) {
    const Builtin* b = FindBuiltin(AsciiLowerCase(name));
    if (b == nullptr) return Refuse();  // fails at every point
    if (b->fn != nullptr && argument.form == Form::Constant) {
      Noted failures;
      const double value = ApplyBuiltin(failures, st_, *b, argument.value);
      if (failures.failed) return Refuse();
      return Fold(1, value);
    }
    // A call takes the abscissa, not a constant (rnd's, which it draws with).
    const Source source = Taken(argument, true);
    Write(CallStep(*b, source), source == Source::Stack ? 0 : 1);
    return {};
  }

  List StartList() { return {}; }
  void Add(List& list, Operand argument, std::string_view /*name*/) {
    ++list.count;
    list.constant = list.constant && argument.form == Form::Constant;
  }

  Operand Statistic(std::string_view name, const List& list) {
    const StatisticFn statistic = FindStatistic(name);
    if (statistic == nullptr || list.count == 0) return Refuse();
    if (list.constant) {
      // The arguments' pushes are the last count instructions.
      std::vector<double> values;
      for (std::size_t i = program_.Size() - list.count; i < program_.Size(); ++i) {
        values.push_back(program_.At(i).value);
      }
      Noted failures;
      const double value = failures.Checked(statistic(values), name);
      if (failures.failed) return Refuse();
      return Fold(list.count, value);
    }
    Write(StatisticStep(statistic, list.count), 1 - static_cast<int64_t>(list.count));
    return {};
  }

  double Shown(Operand /*operand*/) { return 0.0; }

 private:
  // Ends the parse: the evaluator takes the whole text.
  Operand Refuse() {
    refused_ = true;
    if (st_.e_error == kNoError) st_.e_error = kErrInvalidParameter;
    return {};
  }

  void Write(const Instruction& in, int64_t stack_change) {
    program_.Append(in);
    depth_ += stack_change;
    deepest_ =
        std::max<std::size_t>(deepest_, static_cast<std::size_t>(std::max<int64_t>(depth_, 0)));
  }

  // Where an instruction takes operand from: its push is removed unless it
  // is computed, or a constant where the instruction has one already.
  Source Taken(const Operand& operand, bool has_constant) {
    if (operand.form == Form::Computed) return Source::Stack;
    if (operand.form == Form::Constant && has_constant) return Source::Stack;
    program_.Remove(operand.at);
    --depth_;
    return operand.form == Form::Constant ? Source::Constant : Source::Abscissa;
  }

  // The last n instructions, the pushes of constants, replaced by value.
  Operand Fold(std::size_t n, double value) {
    program_.RemoveLast(n);
    depth_ -= static_cast<int64_t>(n);
    return Number(value);
  }

  State& st_;
  Program& program_;
  bool refused_ = false;
  uint64_t ticks_ = 0;
  uint32_t regions_ = 0;
  int64_t depth_ = 0;
  std::size_t deepest_ = 0;
};

// What a compile's parse writes into the state besides its own scanner: its
// failures (the evaluator records its own at the points) and the depth.
class CompileScope {
 public:
  explicit CompileScope(State& st)
      : st_(st), error_(st.e_error), place_(st.place), failures_(st.failures), depth_(st.depth) {
    st_.e_error = kNoError;
    st_.depth = 0;
  }
  ~CompileScope() {
    st_.e_error = error_;
    st_.place = std::move(place_);
    st_.failures = failures_;
    st_.depth = depth_;
  }
  CompileScope(const CompileScope&) = delete;
  CompileScope& operator=(const CompileScope&) = delete;

 private:
  State& st_;
  int16_t error_;
  ErrorPlace place_;
  uint32_t failures_;
  int32_t depth_;
};

// The user functions are pasted into a point's text by their names, found
// anywhere in it. A name found in or across the abscissa's "(" + text + ")"
// would paste differently at different abscissae; such a name begins with
// one of the characters an abscissa's text is made of or holds a "(".
bool NamesKeepOffAbscissae(const State& st) {
  static constexpr char kAbscissaChars[] = {'0', '1', '2', '3', '4', '5', '6',          '7',
                                            '8', '9', '.', '-', '(', ')', kAbscissaMark};
  const std::string_view chars(kAbscissaChars, sizeof kAbscissaChars);
  bool apart = true;
  st.FunctList.ForEachField([&](std::string_view field) {
    const std::size_t eq = field.find('=');
    if (eq == std::string_view::npos || eq == 0) return true;
    const std::string name = AsciiLowerCase(field.substr(0, eq));
    apart = chars.find(name[0]) == std::string_view::npos && name.find('(') == std::string::npos;
    return apart;
  });
  return apart;
}

}  // namespace

std::unique_ptr<CompiledPoints> CompilePoints(State& st, const Substitution& points) {
  // The compiled program computes in the default rounding; messages and
  // the trace tell the steps of the text.
  if (!st.compile_points || ReportsWanted(st) || TraceReachesLog(st) ||
      std::fegetround() != FE_TONEAREST) {
    return nullptr;
  }
  const std::size_t hits = points.Hits();
  if (hits > UINT32_MAX || !NamesKeepOffAbscissae(st)) return nullptr;
  // Pasting user functions in has a limit on the length of the text.
  std::size_t limit = kMaxExpandedLength;
  if (!st.FunctList.empty()) {
    if (hits > kMaxExpandedLength / kLongestAbscissa) return nullptr;
    limit -= hits * kLongestAbscissa;
  }

  // The text of a point as Eval prepares it: commas read as points, then
  // the user functions pasted in, with room for the longest abscissae.
  std::string text = points.Marked(kAbscissaMark);
  std::replace(text.begin(), text.end(), ',', '.');
  uint64_t pasting_steps = 0;
  if (!ExpandFunctionsCounted(st, text, limit, pasting_steps)) {
    return nullptr;
  }
  if (static_cast<std::size_t>(std::count(text.begin(), text.end(), kAbscissaMark)) != hits) {
    return nullptr;
  }

  auto compiled = std::make_unique<CompiledPoints>();
  const CompileScope scope(st);
  Scanner sc;
  sc.abscissa_mark = kAbscissaMark;
  StartScan(st, sc, text);
  Emitter emitter(st, compiled->program);
  const Emitter::Operand result = Grammar<Emitter>(st, sc, emitter).Expression(1);
  if (st.e_error != kNoError || emitter.refused() || sc.tok != Tok::End ||
      emitter.regions() != hits) {
    return nullptr;
  }
  compiled->program.SetDepth(std::max<std::size_t>(emitter.deepest(), 1));
  // Computed whole already (the abscissa nowhere, rnd and comparisons not
  // in it): every point gives this number.
  compiled->constant = result.form == Emitter::Form::Constant && std::isfinite(result.value);
  compiled->value = result.value;
  compiled->ticks = pasting_steps + emitter.ticks();
  compiled->pasting = pasting_steps;
  compiled->tokens = sc.e_cnt;
  compiled->regions = static_cast<uint32_t>(hits);
  compiled->variables = st.VarList.Generation();
  compiled->functions = st.FunctList.Generation();
  return compiled;
}

double AbscissaValueByText(double x) {
  const std::string text = TrimNumber(Fixed10(x));
  const std::string_view t = text;
  if (!t.empty() && t[0] == '-') return -NumberTokenValue(t.substr(1));
  return NumberTokenValue(t);
}

}  // namespace tarnix
