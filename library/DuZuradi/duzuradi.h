// DuZuradi, the expression engine: frame and messages, scanner, one-pass
// parser/evaluator, built-ins, variable and function lists, number texts.
// This header is the subsystem's interface for the exports and for the other
// library subsystems.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "../core/errors.h"
#include "../core/text.h"
#include "../core/value.h"
#include "state.h"

namespace tarnix {

// ---- Frame -----------------------------------------------------------------

inline constexpr std::string_view kCrLf = "\r\n";
inline constexpr std::string_view kErrorTitle = "DuZuradi: Error";

int32_t SetDebugF(int32_t flags);
int32_t ShowMsgs(int32_t level);
int32_t ReSetDuZuradi();

// The description of an error number; "" outside -22..78.
std::string_view ErrorDescription(int32_t code);

// Copies text into the one holder of returned texts and returns it; the
// pointer stays valid until the next call that returns a text.
const char* ReturnText(State& st, std::string_view text);
inline const char* ReturnText(std::string_view text) { return ReturnText(gs, text); }

// The single route of every message: box, log or nothing, by the debug
// flags given (EmitMessage: by st's DebugFlags). The box is st's handler's,
// the log st's.
int32_t EmitMessageBy(State& st, int32_t debug_flags, std::string_view text, std::string_view title,
                      int32_t flag);
inline int32_t EmitMessageBy(int32_t debug_flags, std::string_view text, std::string_view title,
                             int32_t flag) {
  return EmitMessageBy(gs, debug_flags, text, title, flag);
}
inline int32_t EmitMessage(State& st, std::string_view text, std::string_view title, int32_t flag) {
  return EmitMessageBy(st, st.DebugFlags, text, title, flag);
}
inline int32_t EmitMessage(std::string_view text, std::string_view title, int32_t flag) {
  return EmitMessage(gs, text, title, flag);
}
void ShowMessageBox(const State& st, std::string_view text, std::string_view title);
inline void ShowMessageBox(std::string_view text, std::string_view title) {
  ShowMessageBox(gs, text, title);
}
void SetMessageBoxHandler(MsgBoxHandler handler);
const char* MessageLog();

// True when a message of flag 0 (the trace) would reach the log; trace lines
// are composed only then.
inline bool TraceReachesLog(const State& st) {
  const int32_t f = st.DebugFlags;
  return f != 0 && (f & 1) == 0 && (f & (4 | 8)) != 0;
}
inline bool TraceReachesLog() { return TraceReachesLog(gs); }

// The bits of the message level (ShowMsgs).
inline constexpr int32_t kMsgReports = 1;     // failing steps compose reports
inline constexpr int32_t kMsgStoreTrace = 2;  // the matrix store reports each step
inline constexpr int32_t kMsgAnyLevel = ~0;

// True when failing steps compose their reports.
inline bool ReportsWanted(const State& st) { return (st.MsgMode & kMsgReports) != 0; }
inline bool ReportsWanted() { return ReportsWanted(gs); }

// Keeps where the scanner stands as the place of the failure code.
void RecordPlace(State& st, int16_t code);
// The failure just recorded belongs to the name between start and end of
// the text (a variable nobody defined, a function nobody knows).
void PlaceAtName(State& st, std::size_t start, std::size_t end);
// "at column 7: 'zz' (unknown variable)" for the last failure when the
// scanner's place belongs to it; "" otherwise. column gets the place's
// 1-based column in the caller's text, 0 when it has none.
std::string ErrorPlaceText(const State& st, int32_t* column);

// Stores code as the evaluation's error unless an earlier failure holds it;
// returns true when this failure is the first one (and so is reported).
inline bool Fail(State& st, int16_t code) {
  if (st.e_error != kNoError) return false;
  st.e_error = code;
  ++st.failures;
  RecordPlace(st, code);
  return true;
}
inline bool Fail(int16_t code) { return Fail(gs, code); }

// e_tok as text: "num", "hex", "const", "matrix", "id", "" at the end, else
// the token's own spelling (reserved words, operators, punctuation).
std::string_view e_tok(const State& st);
std::string_view e_tok();

// The five lines that tell where st's own scanner stands.
std::string ErrorDump(const State& st);
inline std::string ErrorDump() { return ErrorDump(gs); }

// "Procedure: name", the message lines, an empty line, "Debug:", the dump;
// sent to EmitMessage when st wants reports.
void ReportWithDump(State& st, std::string_view procedure, std::string_view message);
inline void ReportWithDump(std::string_view procedure, std::string_view message) {
  ReportWithDump(gs, procedure, message);
}
// The short two-line form ("Procedure: name", message) without the dump.
void ReportShort(State& st, std::string_view procedure, std::string_view message);
inline void ReportShort(std::string_view procedure, std::string_view message) {
  ReportShort(gs, procedure, message);
}
// A report composed by its step, sent as it is when reports are wanted.
void Report(State& st, std::string_view text);
inline void Report(std::string_view text) { Report(gs, text); }

// A report that is a box whatever DebugFlags say (Integrate's argument
// checks), shown when the message level has any of the bits of levels.
void ReportAsBox(const State& st, std::string_view text, std::string_view title, int32_t levels);
inline void ReportAsBox(std::string_view text, std::string_view title, int32_t levels) {
  ReportAsBox(gs, text, title, levels);
}

// The trace lines of one step, sent to the log as one message: an empty line,
// then every line behind the step's prefix. Build one only when
// TraceReachesLog() says the lines can be read.
class TraceBlock {
 public:
  explicit TraceBlock(std::string_view prefix) : prefix_(prefix) {}
  TraceBlock& Line(std::string_view label, std::string_view value = {});
  TraceBlock& Line(std::string_view label, long long value);
  TraceBlock& Fixed(std::string_view label, double value);
  void Emit(State& st) { EmitMessage(st, text_, "", 0); }
  void Emit() { Emit(gs); }

 private:
  std::string prefix_;
  std::string text_;
};

// ---- The host's hold on a call -----------------------------------------------

// Thrown when the progress handler asks the running call to stop; the
// export boundary turns it into -20 "Interrupted".
struct Interruption {};
// Thrown when a call would go beyond a limit of SetCallLimits; the export
// boundary turns it into -12 "Memory alloc error".
struct LimitExceeded {};

int32_t SetProgressHandler(ProgressHandler handler, void* context, int32_t period);
int32_t SetCallLimits(int32_t matrix_mb, int32_t entries);

// Calls st's progress handler; throws Interruption when it says stop.
[[gnu::cold, gnu::noinline]] void AskHost(State& st);
// One evaluation step: an operator or function applied, a sample, an
// integration point, a Newton step, a row of matrix work. Every period
// steps of a call the handler is asked whether to go on.
inline void Tick(State& st) {
  if (st.progress_handler != nullptr && --st.progress_countdown <= 0) [[unlikely]]
    AskHost(st);
}
inline void Tick() { Tick(gs); }

// Matrix element storage taken and given back; taking more than the call's
// limit allows throws LimitExceeded before anything is allocated.
void ChargeMatrix(State& st, std::size_t bytes);
inline void ChargeMatrix(std::size_t bytes) { ChargeMatrix(gs, bytes); }
inline void ReleaseMatrix(State& st, std::size_t bytes) { st.matrix_bytes -= bytes; }
inline void ReleaseMatrix(std::size_t bytes) { ReleaseMatrix(gs, bytes); }

// How many more variables, functions and matrices st may store.
std::size_t EntriesRoom(const State& st);
inline std::size_t EntriesRoom() { return EntriesRoom(gs); }

// ---- Number texts ----------------------------------------------------------

// "%.10f" in the C locale, whatever the process locale says.
void AppendFixed10(std::string& out, double value);
std::string Fixed10(double value);
// The decimal number at the front of text (blanks, sign, digits, point,
// exponent); text that is no number reads as 0.
double ReadNumber(std::string_view text);
// True when the whole text (blanks aside) is one number as ReadNumber reads it.
bool IsWholeNumber(std::string_view text);
// The StrD0 rule: a ten-decimal text shortened to its significant digits.
std::string TrimNumber(std::string_view text);

const char* StrD0(std::string_view text);
const char* TestStr(std::string_view text);
char* TestStrPtr(char* buffer);
const char* TestStrPtr2(char* buffer);

// ---- Evaluation ------------------------------------------------------------

// The entry points take the state they work on and hand it down to the
// scanner, the parser, the built-ins, the reports, the lists and the host's
// hold on the call. The matrix steps still reach the process-wide state
// through gs, so state is the process-wide engine's.
int32_t Eval(State& state, std::string_view expr, double* result, int32_t check);
double DEval(State& state, std::string_view expr, int32_t check);
int32_t EvalRange(State& state, std::string_view expr, double x1, std::string_view var, double x2,
                  int32_t n, double* xs, double* ys, double* info);
// The same on gs, for the callers inside the library and its tests.
inline int32_t Eval(std::string_view expr, double* result, int32_t check) {
  return Eval(gs, expr, result, check);
}
inline double DEval(std::string_view expr, int32_t check) { return DEval(gs, expr, check); }
inline int32_t EvalRange(std::string_view expr, double x1, std::string_view var, double x2,
                         int32_t n, double* xs, double* ys, double* info) {
  return EvalRange(gs, expr, x1, var, x2, n, xs, ys, info);
}
int32_t SetBoolSign(int32_t sign);

// An expression with a variable's occurrences found once (plain,
// case-sensitive), filled in with one abscissa after another: every
// occurrence becomes "(" + the abscissa's tidy ten-decimal text + ")".
class Substitution {
 public:
  Substitution(std::string_view expr, std::string_view var);
  const std::string& With(double x);
  // The text with "(" + mark + ")" for every occurrence.
  std::string Marked(char mark) const;
  std::size_t Hits() const { return hits_.size(); }

 private:
  void Fill(std::string& text, std::string_view abscissa) const;

  std::string expr_;
  std::size_t var_size_;
  std::vector<std::size_t> hits_;
  std::string text_;
};

struct CompiledPoints;

// Eval of an expression at one abscissa after another, each time the
// expression with every occurrence of var written as the abscissa
// (Substitution), for e_evals and Integrate. The expression is compiled
// once (compile.h) when that can be done; a point the program cannot answer
// exactly as its text would be answered (a failing step, messages or the
// trace wanted, the host to be asked within it, the last point of a call) is
// evaluated from its text. The state is st's.
class Sampler {
 public:
  Sampler(State& st, std::string_view expr, std::string_view var);
  ~Sampler();
  Sampler(const Sampler&) = delete;
  Sampler& operator=(const Sampler&) = delete;

  // One evaluation step (Tick), then Eval(st, text of the point x, value,
  // 0), with its returns, value and error. last says that no point follows
  // in this call: the scanner is left as the text leaves it.
  int32_t Eval(double x, double* value, bool last);

 private:
  // True when a program for the lists as they are now is at hand.
  bool Compiled();
  // Compiles for the lists as they are now, once for each generation.
  [[gnu::noinline]] bool Recompiled();

  State& st_;
  Substitution points_;
  std::unique_ptr<CompiledPoints> compiled_;
  // The lists' generations at the last try to compile.
  uint64_t tried_variables_ = UINT64_MAX;
  uint64_t tried_functions_ = UINT64_MAX;
};

// Truncation toward zero to a 32-bit integer; outside the range, and for
// non-numbers, -2147483648 (what the conversion hardware gives).
inline int32_t TruncToInt32(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(v);
}

// Scalar results of "^", "*", "/", "+", "-": the matrix steps use them for
// two scalar operands. "/" by zero fails with -9 and gives the left operand.
// Each failure is st's; the forms without st fail gs.
double ScalarArith(State& st, char op, double left, double right);
inline double ScalarArith(char op, double left, double right) {
  return ScalarArith(gs, op, left, right);
}
// Fails the evaluation with -9 and its report; gives the left operand back.
double DivisionByZero(State& st, double left);
inline double DivisionByZero(double left) { return DivisionByZero(gs, left); }
// Fails the evaluation with -8 when value is no number (a domain error such
// as sqr(-1), or inf - inf): comparisons would otherwise turn it into a
// plausible 0. step names the operation for the report. Gives value back.
double NumberOrFail(State& st, double value, std::string_view step);
inline double NumberOrFail(double value, std::string_view step) {
  return NumberOrFail(gs, value, step);
}
// Fails the evaluation with -13 when the value is a matrix's handle where a
// number is needed; where names the operation. Gives the number back.
double NumberOperand(State& st, Value value, std::string_view where);
inline double NumberOperand(Value value, std::string_view where) {
  return NumberOperand(gs, value, where);
}

// ---- Matrices as the evaluator sees them ---------------------------------------

// The matrix engine lies above the expression engine: the process-wide
// engine attaches the store's steps here when it is made (engine.cpp), and
// the evaluator reaches matrices only through them. Without a matrix engine
// every matrix operand fails with -17 and a reset has no matrices to clear.
// A matrix's value in an expression is its handle, of kind Matrix. A step
// that fails gives its left operand (a function: the number 0) back
// unchanged.
struct MatrixSteps {
  // What the steps work on besides the state they are handed (the matrix
  // engine's store), given back to every step that takes it.
  void* context;
  // A matrix named in an expression, as a fresh internal copy.
  Value (*load_operand)(State& st, void* context, std::string_view name, char suffix);
  // "+" and "-"; "^", "*" and "/"; det, trace, syst and vcoeff.
  Value (*sum_subt)(State& st, void* context, char op, Value left, Value right);
  Value (*div_mult)(State& st, void* context, char op, Value left, Value right);
  Value (*function)(State& st, void* context, std::string_view name, Value a1, Value a2, Value a3);
  // de_eval's matrix result registered for the caller.
  void (*publish_result)(State& st, void* context, double handle);
  // Where the store stands, and the internal matrices made since dropped.
  uint64_t (*evaluation_mark)(void* context);
  void (*drop_temporaries)(void* context, uint64_t mark);
  // 0 empties the store; a handle drops every internal matrix but that one.
  int32_t (*clear)(void* context, int32_t handle);
  // The elements of a handle's matrix in the process-wide store, nullptr
  // for an unknown handle.
  const double* (*elements)(int32_t handle, int32_t* rows, int32_t* cols);
  // Matrices stored under a name (they count against the entry limit).
  std::size_t (*named_count)(void* context);

  // The steps with their context.
  Value LoadOperand(State& st, std::string_view name, char suffix) const {
    return load_operand(st, context, name, suffix);
  }
  Value SumSubt(State& st, char op, Value left, Value right) const {
    return sum_subt(st, context, op, left, right);
  }
  Value DivMult(State& st, char op, Value left, Value right) const {
    return div_mult(st, context, op, left, right);
  }
  Value Function(State& st, std::string_view name, Value a1, Value a2, Value a3) const {
    return function(st, context, name, a1, a2, a3);
  }
  void PublishResult(State& st, double handle) const { publish_result(st, context, handle); }
  uint64_t EvaluationMark() const { return evaluation_mark(context); }
  void DropTemporaries(uint64_t mark) const { drop_temporaries(context, mark); }
  int32_t Clear(int32_t handle) const { return clear(context, handle); }
  std::size_t NamedCount() const { return named_count(context); }
};

// The steps stay where steps points until the next AttachMatrices; nullptr
// detaches them.
void AttachMatrices(const MatrixSteps* steps);
const MatrixSteps& Matrices();

// ---- Variables and user functions --------------------------------------------

// The lists are st's; the forms without st work on gs.
int32_t SetVarFunct(State& st, std::string_view name, std::string_view value, int32_t kind);
int32_t GetVarFuncListLen(const State& st, std::string_view which);
int32_t GetVarFuncList(const State& st, char* buffer, int32_t max_len, std::string_view which);
int32_t ClearVarFuncList(State& st, std::string_view which);
inline int32_t SetVarFunct(std::string_view name, std::string_view value, int32_t kind) {
  return SetVarFunct(gs, name, value, kind);
}
inline int32_t GetVarFuncListLen(std::string_view which) { return GetVarFuncListLen(gs, which); }
inline int32_t GetVarFuncList(char* buffer, int32_t max_len, std::string_view which) {
  return GetVarFuncList(gs, buffer, max_len, which);
}
inline int32_t ClearVarFuncList(std::string_view which) { return ClearVarFuncList(gs, which); }
// The variable named name as the scanner resolves it, or nullptr.
const VarView* FindVariable(State& st, std::string_view name);
// Pastes "(" + body + ")" for every user function of st named in expr; false
// when the text would outgrow kMaxExpandedLength.
bool ExpandFunctions(State& st, std::string& expr);
// The same without ticking or failing: false when the text would outgrow
// limit; steps counts the ticks ExpandFunctions would have taken.
bool ExpandFunctionsCounted(const State& st, std::string& expr, std::size_t limit, uint64_t& steps);
// kErrAmbiguous (and its report) when a function name of st occurs in
// another entry of the list, else 0.
int32_t CheckFunctions(State& st);

// Limits that keep every input within bounded stack and memory.
inline constexpr int32_t kMaxDepth = 1000;
inline constexpr std::size_t kMaxExpandedLength = std::size_t{1} << 20;
inline constexpr std::size_t kMaxLogLength = std::size_t{16} << 20;

}  // namespace tarnix
