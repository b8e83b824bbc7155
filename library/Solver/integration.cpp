// Integrate and dIntegrate: midpoint, trapezoidal and Simpson's rule over a
// fixed step. The integrand is an expression text; for each abscissa the
// variable's name is replaced by the number and the text evaluated (or its
// compiled program run, which gives the same: Sampler).
#include <cmath>

#include "../DuZuradi/duzuradi.h"
#include "solver.h"

namespace tarnix::solver {
namespace {

// f(x) for one abscissa after another, points of them in all. The first
// evaluation that fails ends the integration: a sum that went on past it
// would be a plausible wrong number.
class Integrand {
 public:
  Integrand(State& state, std::string_view expr, std::string_view var, int64_t points)
      : state_(state), points_(state, expr, LowerCase(var)), remaining_(points) {}

  double operator()(double x) {
    if (failed()) return 0.0;
    double value = 0.0;
    const int32_t code = points_.Eval(x, &value, --remaining_ <= 0);
    if (code == 1) {  // a matrix: its value is a handle, no number to add
      failure_ = kErrInvalidParameter;
      ReportShort(state_, "Integrate", "The integrand gives a matrix, not a number");
    } else if (code != 0) {
      failure_ = static_cast<int16_t>(code);
    }
    return value;
  }
  bool failed() const { return failure_ != kNoError; }
  // The error number of the failing evaluation, or 0 when all succeeded.
  int32_t code() const { return failed() ? failure_ : 0; }

 private:
  State& state_;
  Sampler points_;
  int64_t remaining_;
  int16_t failure_ = kNoError;
};

}  // namespace

int32_t Integrate(State& state, std::string_view expr, double from, double to, int32_t n,
                  int32_t method, std::string_view var, double* result) {
  if (result == nullptr) {
    ReportAsBox(state, "Input parameter error: Returned Value not defined", "DuZuradi: Integrate",
                kMsgReports);
    state.e_error = kErrNoReturnValue;
    return kErrNoReturnValue;
  }
  if (method < 0 || method > 2) {
    *result = 0.0;
    state.e_error = kErrInvalidParameter;
    ReportShort(
        state, "Integrate",
        "Unknown method " + std::to_string(method) + ": 0 midpoint, 1 trapezoidal, 2 Simpson");
    return kErrInvalidParameter;
  }
  if (n <= 0 || !std::isfinite(from) || !std::isfinite(to)) {
    *result = 0.0;
    state.e_error = kErrInvalidParameter;
    ReportShort(state, "Integrate",
                "Number of subintervals must be at least 1 and the limits finite, N = " +
                    std::to_string(n));
    return kErrInvalidParameter;
  }
  if (method == 2 && n % 2 != 0) {
    ReportAsBox(state, "Simpson's Rule requires that number of subintervals N be even.", "Solver",
                kMsgAnyLevel);
    state.e_error = kErrNotEven;
    return kErrNotEven;
  }

  // Midpoints: n; the trapezoid's and Simpson's points: n + 1.
  Integrand f(state, expr, var, method == 0 ? int64_t{n} : int64_t{n} + 1);
  const double h = (0.0 + (to - from)) / n;
  auto x = [from, h](int32_t i) { return from + i * h; };  // from the index, never accumulated
  double integral = 0.0;
  switch (method) {
    case 0: {
      double sum = 0.0;
      for (int32_t i = 1; i <= n && !f.failed(); ++i) sum += f((x(i - 1) + x(i)) / 2);
      integral = h * sum;
      break;
    }
    case 1: {
      const double ends = (f(from) + f(to)) / 2;
      double sum = 0.0;
      for (int32_t i = 1; i < n && !f.failed(); ++i) sum += f(x(i));
      integral = h * (ends + sum);
      break;
    }
    default: {
      // f(from), f(to), f(x_(N-1)), then each odd point before the even one.
      const double first = f(from);
      const double last = f(to);
      const double ends = first + 4 * f(x(n - 1)) + last;
      double sum = 0.0;
      for (int32_t i = 1; i <= n / 2 - 1 && !f.failed(); ++i) {
        const double odd = f(x(2 * i - 1));
        sum += 2 * odd + f(x(2 * i));
      }
      integral = h / 3 * (ends + 2 * sum);
      break;
    }
  }
  *result = integral;
  if (f.failed()) {
    state.e_error = static_cast<int16_t>(f.code());
    return f.code();
  }
  if (!std::isfinite(integral)) {
    state.e_error = std::isnan(integral) ? kErrNotANumber : kErrDivisionByZero;
    return state.e_error;
  }
  return 0;
}

double dIntegrate(State& state, double& kept, std::string_view expr, double from, double to,
                  int32_t n, int32_t method, std::string_view var) {
  Integrate(state, expr, from, to, n, method, var, &kept);
  return kept;
}

int32_t Integrate(std::string_view expr, double from, double to, int32_t n, int32_t method,
                  std::string_view var, double* result) {
  return Integrate(gs, expr, from, to, n, method, var, result);
}

double dIntegrate(std::string_view expr, double from, double to, int32_t n, int32_t method,
                  std::string_view var) {
  return dIntegrate(gs, IntegralValue, expr, from, to, n, method, var);
}

}  // namespace tarnix::solver
