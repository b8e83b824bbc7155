// Least-squares polynomial coefficients.
#include <cmath>
#include <cstring>
#include <vector>

#include "../DuZuradi/duzuradi.h"
#include "../matrix/matrix.h"
#include "solver.h"

namespace tarnix::solver {

int32_t aCalcVectCoeff(State& st, matrix::MatrixStore& ms, double* A, int32_t count, int32_t n,
                       double* y, double* coeff) {
  if (count < 1 || n < 1) return kMatInvalidParameter;
  if (A == nullptr || y == nullptr || coeff == nullptr) return kMatNotDefined;
  return matrix::LeastSquares(st, ms, A, count, n, y, coeff);
}

int32_t aCalcCoeffPolin(State& st, matrix::MatrixStore& ms, double* points, int32_t n_points,
                        int32_t n_coeff, double* coeff) {
  if (n_coeff < 1 || n_points < n_coeff) return kMatCoefficientRank;
  if (points == nullptr || coeff == nullptr) return kMatNotDefined;
  const std::size_t count = static_cast<std::size_t>(n_points);
  std::vector<double> p(2 * count);
  matrix::aCopyArray(ms, points, p.data(), 2, n_points);
  // The design matrix of x_i^j (0^0 is 1) and the ordinates.
  std::vector<double> a(count * static_cast<std::size_t>(n_coeff));
  for (std::size_t i = 0; i < count; ++i) {
    for (int32_t j = 0; j < n_coeff; ++j) a[i * n_coeff + j] = std::pow(p[i], j);
  }
  std::vector<double> y(p.begin() + static_cast<std::ptrdiff_t>(count), p.end());
  return aCalcVectCoeff(st, ms, a.data(), n_points, n_coeff, y.data(), coeff);
}

int32_t aCalcVectCoeff(double* A, int32_t count, int32_t n, double* y, double* coeff) {
  return aCalcVectCoeff(gs, matrix::store, A, count, n, y, coeff);
}

int32_t aCalcCoeffPolin(double* points, int32_t n_points, int32_t n_coeff, double* coeff) {
  return aCalcCoeffPolin(gs, matrix::store, points, n_points, n_coeff, coeff);
}

int32_t aGetYPolin(const double* x, const double* coeff, int32_t count, double* y) {
  if (x == nullptr || y == nullptr || (count > 0 && coeff == nullptr)) return kMatNotDefined;
  double sum = 0.0;
  for (int32_t i = 0; i < count; ++i) sum += coeff[i] * std::pow(*x, i);
  *y = sum;
  return kMatOk;
}

int32_t aGetXsOfQuadr(const double* y, const double* coeff, int32_t count, double* x1, double* x2) {
  if (y == nullptr || x1 == nullptr || x2 == nullptr || (count > 0 && coeff == nullptr)) {
    return kMatNotDefined;
  }
  *x1 = 0.0;
  *x2 = 0.0;
  switch (count) {
    // A constant polynomial takes the value y at no abscissa, or at all.
    case 1: return kMatNoSolution;
    case 2:
      if (coeff[1] == 0.0) return kMatNoSolution;
      *x1 = (*y - coeff[0]) / coeff[1];
      return kMatOk;
    case 3: {
      const double a = coeff[2];
      const double b = coeff[1];
      const double c = coeff[0] - *y;
      if (a == 0.0) return aGetXsOfQuadr(y, coeff, 2, x1, x2);  // a line after all
      const double d = b * b - 4 * a * c;
      if (d < 0) return kMatNoSolution;
      // -b and the root of D never cancel in q: the smaller root comes from
      // c / q, where (-b - sqrt(D)) / 2a would lose its digits.
      const double root = std::sqrt(d);
      const double q = -0.5 * (b + (b < 0 ? -root : root));
      const double plus = q == 0.0 ? 0.0 : (b < 0 ? q / a : c / q);   // (-b + sqrt(D)) / 2a
      const double minus = q == 0.0 ? 0.0 : (b < 0 ? c / q : q / a);  // (-b - sqrt(D)) / 2a
      *x1 = plus;
      *x2 = minus;
      return kMatOk;
    }
    default: return kMatInvalidParameter;  // no polynomial of that degree is solved here
  }
}

}  // namespace tarnix::solver
