// Sampler: the points of e_evals and Integrate, run as a compiled program
// where that gives what the text would give, else evaluated from the text.
#include <cmath>

#include "compile.h"
#include "duzuradi.h"

namespace tarnix {

Sampler::Sampler(State& st, std::string_view expr, std::string_view var)
    : st_(st), points_(expr, var) {}

Sampler::~Sampler() = default;

bool Sampler::Compiled() {
  if (compiled_ != nullptr && compiled_->variables == st_.VarList.Generation() &&
      compiled_->functions == st_.FunctList.Generation()) [[likely]] {
    return true;
  }
  return Recompiled();
}

bool Sampler::Recompiled() {
  const uint64_t variables = st_.VarList.Generation();
  const uint64_t functions = st_.FunctList.Generation();
  if (tried_variables_ == variables && tried_functions_ == functions) return false;
  // The host may have changed a list while it was asked whether to go on.
  tried_variables_ = variables;
  tried_functions_ = functions;
  compiled_ = CompilePoints(st_, points_);
  return compiled_ != nullptr;
}

int32_t Sampler::Eval(double x, double* value, bool last) {
  Tick(st_);
  if (!last && !ReportsWanted(st_) && !TraceReachesLog(st_) && Compiled()) {
    CompiledPoints& c = *compiled_;
    const bool negative = std::signbit(x);  // its text begins with "-"
    const uint64_t ticks = c.ticks + (negative ? c.regions : 0);
    // The host is asked with the evaluator where the text leaves it: a
    // point is left to the text when the host is asked within it, or in the
    // next point's steps before that one's text is scanned.
    const uint64_t next_unscanned = 1 + c.pasting;
    const bool asks_host =
        st_.progress_handler != nullptr &&
        (st_.progress_countdown <= 0 ||
         static_cast<uint64_t>(st_.progress_countdown) <= ticks + next_unscanned);
    // A text of an abscissa that is no number is no number.
    const bool reads_x = c.regions != 0;
    if (!asks_host && (!reads_x || std::isfinite(x))) {
      const uint64_t generator = st_.rng_state;
      double y = c.value;
      if (c.constant || c.program.Run(st_, reads_x ? AbscissaValue(x) : 0.0, y)) {
        // What Eval leaves after a point that succeeds.
        st_.e_error = kNoError;
        st_.place.code = 0;
        st_.ResultType = static_cast<int8_t>(Kind::Number);
        st_.e_cnt += c.tokens + (negative ? c.regions : 0);
        if (st_.progress_handler != nullptr) st_.progress_countdown -= static_cast<int32_t>(ticks);
        if (value != nullptr) *value = y;
        return 0;
      }
      st_.rng_state = generator;  // rnd draws again from the text
    }
  }
  return tarnix::Eval(st_, points_.With(x), value, 0);
}

}  // namespace tarnix
