// Integrate and dIntegrate: midpoint, trapezoidal and Simpson's rule over a
// fixed step. The integrand is an expression text; for each abscissa the
// variable's name is replaced by the number and the text evaluated.
#include "../DuZuradi/duzuradi.h"
#include "solver.h"

namespace tarnix::solver {
namespace {

// The result of dIntegrate, kept between calls.
double IntegralValue = 0.0;

class Integrand {
 public:
  Integrand(std::string_view expr, std::string_view var) : points_(expr, LowerCase(var)) {}

  double operator()(double x) {
    double value = 0.0;
    code_ = Eval(points_.With(x), &value, 0);
    return value;
  }
  // The result code of the latest evaluation.
  int32_t code() const { return code_; }

 private:
  Substitution points_;
  int32_t code_ = 0;
};

}  // namespace

int32_t Integrate(std::string_view expr, double from, double to, int32_t n, int32_t method,
                  std::string_view var, double* result) {
  if (result == nullptr) {
    if ((gs.MsgMode & 1) != 0) {
      ShowMessageBox("Input parameter error: Returned Value not defined", "DuZuradi: Integrate");
    }
    gs.e_error = -6;
    return -6;
  }
  if (method < 0 || method > 2) {
    *result = 0.0;
    return 0;
  }
  if (n <= 0) {
    *result = 0.0;
    gs.e_error = kErrInvalidParameter;
    ReportShort("Integrate", "Number of subintervals must be at least 1, N = " + std::to_string(n));
    return kErrInvalidParameter;
  }
  if (method == 2 && n % 2 != 0) {
    if (gs.MsgMode != 0) {
      ShowMessageBox("Simpson's Rule requires that number of subintervals N be even.", "Solver");
    }
    gs.e_error = -11;
    return -11;
  }

  Integrand f(expr, var);
  const double h = (0.0 + (to - from)) / n;
  auto x = [from, h](int32_t i) { return from + i * h; };  // from the index, never accumulated
  double integral = 0.0;
  switch (method) {
    case 0: {
      double sum = 0.0;
      for (int32_t i = 1; i <= n; ++i) sum += f((x(i - 1) + x(i)) / 2);
      integral = h * sum;
      break;
    }
    case 1: {
      const double ends = (f(from) + f(to)) / 2;
      double sum = 0.0;
      for (int32_t i = 1; i < n; ++i) {
        sum += f(x(i));
        if (gs.e_error != kNoError) break;  // the partial sum stands
      }
      integral = h * (ends + sum);
      break;
    }
    default: {
      // f(from), f(to), f(x_(N-1)), then each odd point before the even one.
      const double first = f(from);
      const double last = f(to);
      const double ends = first + 4 * f(x(n - 1)) + last;
      double sum = 0.0;
      for (int32_t i = 1; i <= n / 2 - 1; ++i) {
        const double odd = f(x(2 * i - 1));
        sum += 2 * odd + f(x(2 * i));
      }
      integral = h / 3 * (ends + 2 * sum);
      break;
    }
  }
  *result = integral;
  return f.code();
}

double dIntegrate(std::string_view expr, double from, double to, int32_t n, int32_t method,
                  std::string_view var) {
  Integrate(expr, from, to, n, method, var, &IntegralValue);
  return IntegralValue;
}

}  // namespace tarnix::solver
