// Least-squares polynomial coefficients.
#include <cstring>
#include <vector>

#include "../DuZuradi/duzuradi.h"
#include "../matrix/matrix.h"
#include "solver.h"

namespace tarnix::solver {

int32_t aCalcVectCoeff(double* A, int32_t count, int32_t n, double* y, double* coeff) {
  if (count < 1 || n < 1) return 5;
  if (A == nullptr || y == nullptr || coeff == nullptr) return 20;
  using matrix::aCopyArray;
  // Working copies are the library's own: no reordering while fitting.
  gs.ForcePlainCopy = 1;
  const std::size_t cells = static_cast<std::size_t>(count) * static_cast<std::size_t>(n);
  std::vector<double> a(cells), t(cells), m(static_cast<std::size_t>(n) * n);
  aCopyArray(A, a.data(), count, n);
  matrix::aTraspEx(a.data(), count, n, t.data());
  matrix::aMultEx(t.data(), n, count, a.data(), count, n, m.data());
  std::vector<double> inverse(m);
  matrix::aInv(inverse.data(), n);  // a singular system is not reported
  std::vector<double> ty(static_cast<std::size_t>(n)), c(static_cast<std::size_t>(n));
  matrix::aMultVect(t.data(), n, count, y, ty.data());
  matrix::aMultVect(inverse.data(), n, n, ty.data(), c.data());
  std::memcpy(coeff, c.data(), c.size() * sizeof(double));
  gs.ForcePlainCopy = 0;
  return -1;
}

}  // namespace tarnix::solver
