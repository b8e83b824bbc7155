// The evaluation entry points: e_eval, de_eval, e_evals and SetBoolSign.
#include <algorithm>
#include <cmath>
#include <limits>

#include "duzuradi.h"
#include "parser.h"

namespace tarnix {
namespace {

enum class Entry { EEval, DeEval };

// True when text is expr with its commas read as points: no user function
// was pasted in, so every column of text is the caller's.
bool SameButCommas(std::string_view text, std::string_view expr) {
  if (text.size() != expr.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != expr[i] && !(expr[i] == ',' && text[i] == '.')) return false;
  }
  return true;
}

// A matrix result's value is its handle.
int32_t HandleOf(double value) { return TruncToInt32(std::nearbyint(value)); }

// A result that is no finite number is never a success: an infinity
// (both signs, in any element of a matrix) fails with -9, no number with -8.
void CheckFinite(State& st, Value result, std::string_view procedure) {
  double value = result.number;
  if (IsMatrix(result)) {
    int32_t rows = 0;
    int32_t cols = 0;
    const double* m = Matrices().elements(HandleOf(value), &rows, &cols);
    const std::size_t n = m != nullptr ? static_cast<std::size_t>(rows) * cols : 0;
    for (std::size_t i = 0; i < n; ++i) {
      if (!std::isfinite(m[i])) {
        value = m[i];
        break;
      }
    }
  }
  if (std::isnan(value)) {
    if (Fail(st, kErrNotANumber)) ReportWithDump(st, procedure, "Result is not a number.");
  } else if (std::isinf(value)) {
    Fail(st, kErrDivisionByZero);
  }
}

// The parser's mode and depth for one parse, put back however it ends (an
// interruption or a limit unwinds through it).
class ParseScope {
 public:
  explicit ParseScope(State& state)
      : state_(state), internal_(state.InternalMode), depth_(state.depth) {
    state_.InternalMode = true;
    state_.depth = 0;
  }
  ~ParseScope() {
    state_.InternalMode = internal_;
    state_.depth = depth_;
  }
  ParseScope(const ParseScope&) = delete;
  ParseScope& operator=(const ParseScope&) = delete;

 private:
  State& state_;
  bool internal_;
  int32_t depth_;
};

// The steps e_eval and de_eval share: the ambiguity check, commas as
// decimal points, user functions pasted in, one parse from level 1.
// Returns false when the text never reached the parser (nothing to write).
bool Evaluate(State& state, std::string_view expr, int32_t check, Entry entry, Value& result) {
  state.e_error = kNoError;
  state.place.code = 0;
  if (check != 0 && CheckFunctions(state) != 0) {
    state.e_error = kErrAmbiguous;
    return false;
  }
  Scanner& scan = state;
  std::string& text = scan.next_text;
  text.assign(expr);
  for (std::size_t p = text.find(','); p != std::string::npos; p = text.find(',', p + 1)) {
    text[p] = '.';
  }
  if (!ExpandFunctions(state, text)) return false;
  state.scanning_callers_text = SameButCommas(text, expr);

  state.e_error = kNoError;
  {
    // Matrices copied or made while parsing are internal; de_eval marks
    // them so too, so that its temporaries do not outlive it.
    const ParseScope scope(state);
    StartPreparedScan(state, scan);
    result = e_prs(state, scan, 1);
    state.ResultType = static_cast<int8_t>(result.kind);
  }

  const std::string_view procedure = entry == Entry::EEval ? "e_eval" : "de_eval";
  if (scan.tok != Tok::End && Fail(state, kErrEvalSyntax))
    ReportWithDump(state, procedure, SyntaxErrorLine(scan));
  if (state.e_error == kNoError) CheckFinite(state, result, procedure);
  return true;
}

}  // namespace

int32_t Eval(State& state, std::string_view expr, double* result, int32_t check) {
  const uint64_t mark = Matrices().EvaluationMark();
  Value value;
  if (!Evaluate(state, expr, check, Entry::EEval, value)) return state.e_error;
  if (result != nullptr) *result = value.number;
  if (state.e_error == kNoError && IsMatrix(value)) {
    Matrices().Clear(HandleOf(value.number));
    return 1;
  }
  // A scalar result or a failure needs none of the matrices made meanwhile.
  Matrices().DropTemporaries(mark);
  return state.e_error == kNoError ? 0 : state.e_error;
}

double DEval(State& state, std::string_view expr, int32_t check) {
  const uint64_t mark = Matrices().EvaluationMark();
  Value value;
  Evaluate(state, expr, check, Entry::DeEval, value);
  if (state.e_error == kNoError && IsMatrix(value)) {
    Matrices().Clear(HandleOf(value.number));
    Matrices().PublishResult(state, value.number);
    return value.number;
  }
  Matrices().DropTemporaries(mark);
  return state.e_error == kNoError ? value.number : state.e_error;
}

int32_t EvalRange(State& state, std::string_view expr, double x1, std::string_view var, double x2,
                  int32_t n, double* xs, double* ys, double* info) {
  // Taken first, as a copy: a caller's text may live in library memory that
  // the evaluations overwrite (the message log, a returned text).
  Sampler points(state, expr, var);
  if (n < 0 || xs == nullptr || ys == nullptr || info == nullptr) {
    state.e_error = kErrInvalidParameter;
    ReportShort(state, "e_evals", "Invalid number of points or array, n = " + std::to_string(n));
    return state.e_error;
  }
  // The caller's arrays are the only storage: n may be in the millions.
  const std::size_t count = static_cast<std::size_t>(n) + 1;
  std::fill(xs, xs + count, 0.0);
  std::fill(ys, ys + count, 0.0);
  std::fill(info, info + 5, 0.0);
  if (!std::isfinite(x1) || !std::isfinite(x2)) {
    state.e_error = kErrInvalidParameter;
    ReportShort(state, "e_evals", "The range must be finite");
    return state.e_error;
  }

  // Every one of the n + 1 samples is computed, the last exactly at x2: the
  // accumulated step lands a rounding error beside x2 and a test of x <= x2
  // would drop it. A range from right to left is sampled from right to left.
  const double step = (x2 - x1) / n;
  double x = x1;
  bool first_success = true;
  for (std::size_t i = 0; i < count; ++i) {
    if (i + 1 == count && i > 0) x = x2;
    double y = 0.0;
    points.Eval(x, &y, i + 1 == count);
    if (state.e_error == kNoError) {
      if (first_success) {
        info[1] = info[3] = x;
        info[2] = info[4] = y;
        first_success = false;
      } else {
        if (x < info[1]) info[1] = x;
        if (y < info[2]) info[2] = y;
        if (x > info[3]) info[3] = x;
        if (y > info[4]) info[4] = y;
      }
    } else {
      y = std::numeric_limits<double>::quiet_NaN();  // a failed sample has no ordinate
    }
    xs[i] = x;
    ys[i] = y;
    x += step;  // accumulated, as the abscissae always were
  }
  return state.e_error;
}

Substitution::Substitution(std::string_view expr, std::string_view var)
    : expr_(expr), var_size_(var.size()) {
  if (var.empty()) return;
  for (std::size_t p = expr_.find(var); p != std::string::npos;
       p = expr_.find(var, p + var.size())) {
    hits_.push_back(p);
  }
}

void Substitution::Fill(std::string& text, std::string_view abscissa) const {
  text.clear();
  if (hits_.empty()) {
    text = expr_;
    return;
  }
  std::size_t from = 0;
  for (std::size_t p : hits_) {
    text.append(expr_, from, p - from);
    text += '(';
    text += abscissa;
    text += ')';
    from = p + var_size_;
  }
  text.append(expr_, from);
}

const std::string& Substitution::With(double x) {
  Fill(text_, TrimNumber(Fixed10(x)));
  return text_;
}

std::string Substitution::Marked(char mark) const {
  std::string text;
  Fill(text, std::string_view(&mark, 1));
  return text;
}

int32_t SetBoolSign(int32_t sign) {
  if (sign == 1 || sign == -1) {
    gs.BoolTrue = sign;
  } else {
    ReportShort("SetBoolSign", "Wrong parameter. Must be 1 or -1");
  }
  return 0;
}

}  // namespace tarnix
