// Determinants and what is built on them: the adjugate inverse, Cramer's
// rule, the diagonal of the triangular form, and the predicates that need
// a determinant or an inverse. Meant for the small matrices typed into
// expressions: an inverse takes n^2 determinants of minors.
#include <cmath>
#include <cstring>

#include "../DuZuradi/duzuradi.h"
#include "linalg.h"
#include "matrix.h"
#include "store.h"

namespace tarnix::matrix {
namespace {

// The minor of a without row skip_row and column skip_col.
Work Minor(const Work& a, int32_t n, int32_t skip_row, int32_t skip_col) {
  Work m;
  m.reserve(static_cast<std::size_t>(n - 1) * (n - 1));
  for (int32_t i = 0; i < n; ++i) {
    if (i == skip_row) continue;
    for (int32_t j = 0; j < n; ++j) {
      if (j != skip_col) m.push_back(a[static_cast<std::size_t>(i) * n + j]);
    }
  }
  return m;
}

double At(const Work& a, int32_t n, int32_t i, int32_t j) {
  return a[static_cast<std::size_t>(i) * n + j];
}

// A determinant this small against the product of the row lengths (which
// bounds it, Hadamard) is the rounding noise of a singular matrix: the
// decimal matrix 0.1 .. 0.9 has 6.7e-18, and its "inverse" would hold
// numbers of 1e16 and be reported as a success.
constexpr double kSingularRatio = 1e-14;

bool Singular(const Work& m, int32_t n, double d) {
  if (d == 0.0 || !std::isfinite(d)) return true;
  double bound = 1.0;
  for (int32_t i = 0; i < n; ++i) {
    double row = 0.0;
    for (int32_t j = 0; j < n; ++j) row = std::hypot(row, At(m, n, i, j));
    bound *= row;
  }
  return std::fabs(d) <= kSingularRatio * n * bound;
}

}  // namespace

double Eliminate(State& st, Work& a, int32_t n, double zero_limit) {
  auto at = [&a, n](int32_t i, int32_t j) -> double& {
    return a[static_cast<std::size_t>(i) * n + j];
  };
  double d = 1.0;
  for (int32_t k = 0; k + 1 < n; ++k) {
    Tick(st);
    int32_t p = k;
    double largest = std::fabs(at(k, k));
    for (int32_t j = k + 1; j < n; ++j) {
      if (std::fabs(at(k, j)) > largest) {
        largest = std::fabs(at(k, j));
        p = j;
      }
    }
    if (largest <= zero_limit) {
      d = 0.0;
      continue;
    }
    if (p != k) {
      for (int32_t i = 0; i < n; ++i) std::swap(at(i, p), at(i, k));
      d = -d;
    }
    d *= at(k, k);
    for (int32_t i = k + 1; i < n; ++i) {
      const double factor = at(i, k) / at(k, k);
      for (int32_t j = k + 1; j < n; ++j) at(i, j) = 0.0 + at(i, j) - factor * at(k, j);
    }
  }
  return n > 0 ? d * at(n - 1, n - 1) : d;
}

bool Invert(State& st, const double* a, int32_t n, Work& inverse) {
  const Work m(a, a + static_cast<std::size_t>(n) * n);
  Work copy = m;
  const double d = Determinant(st, copy, n);
  if (Singular(m, n, d)) return false;
  inverse.assign(m.size(), 0.0);
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = 0; j < n; ++j) {
      Tick(st);
      Work minor = Minor(m, n, i, j);
      const double cofactor = std::pow(-1.0, i + j) * Determinant(st, minor, n - 1);
      inverse[static_cast<std::size_t>(j) * n + i] = cofactor / d;
    }
  }
  return true;
}

bool Cramer(State& st, const double* a, int32_t n, const double* b, Work& x) {
  const Work m(a, a + static_cast<std::size_t>(n) * n);
  Work copy = m;
  const double d = Determinant(st, copy, n);
  if (Singular(m, n, d)) return false;
  // Column i exchanged with b gives the numerator of x[i].
  x.assign(static_cast<std::size_t>(n), 0.0);
  for (int32_t i = 0; i < n; ++i) {
    Tick(st);
    Work mi = m;
    for (int32_t r = 0; r < n; ++r) mi[static_cast<std::size_t>(r) * n + i] = b[r];
    x[static_cast<std::size_t>(i)] = Determinant(st, mi, n) / d;
  }
  return true;
}

void DiagonalOfTriangular(State& st, Work& a, int32_t n) {
  Eliminate(st, a, n, 0.0);
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = 0; j < n; ++j) {
      if (i != j) a[static_cast<std::size_t>(i) * n + j] = 0.0;
    }
  }
}

double Determinant(State& st, Work& a, int32_t n) {
  switch (n) {
    case 0: return 1.0;  // the minor of a 1 x 1 matrix: its inverse is 1/a
    case 1: return a[0];
    case 2: return 0.0 + a[0] * a[3] - a[1] * a[2];
    case 3:
      return 0.0 + a[0] * (a[4] * a[8] - a[5] * a[7]) - a[1] * (a[3] * a[8] - a[5] * a[6]) +
             a[2] * (a[3] * a[7] - a[4] * a[6]);
    default: {
      const double d = Eliminate(st, a, n, kDetEps);
      return std::fabs(d) < kDetEps ? 0.0 : d;
    }
  }
}

int32_t aDet(State& st, MatrixStore& ms, double* A, int32_t n, double* out) {
  if (const int32_t bad = CheckSize(n, n); bad != kMatOk) return bad;
  if (const int32_t bad = CheckArrays({n > 0 ? A : out, out}); bad != kMatOk) return bad;
  Work a = OrderedCopy(ms, A, n, n);
  *out = Determinant(st, a, n);
  return kMatOk;
}

double aDetN(State& st, MatrixStore& ms, double* A, int32_t n) {
  double d = 0.0;
  aDet(st, ms, A, n, &d);
  return d;
}

int32_t aInv(State& st, MatrixStore& ms, double* A, int32_t n) {
  if (const int32_t bad = CheckSize(n, n); bad != kMatOk) return bad;
  if (const int32_t bad = CheckArrays({A}); bad != kMatOk) return bad;
  Work inverse;
  const int32_t code =
      Invert(st, OrderedCopy(ms, A, n, n).data(), n, inverse) ? kMatOk : kMatSingular;
  if (code == kMatOk) WriteBack(ms, inverse, A, n, n);
  return code;
}

int32_t aSist(State& st, MatrixStore& ms, double* A, int32_t n, double* b, double* x) {
  if (const int32_t bad = CheckSize(n, n); bad != kMatOk) return bad;
  if (const int32_t bad = CheckArrays({A, b, x}); bad != kMatOk) return bad;
  Work solution;
  if (!Cramer(st, OrderedCopy(ms, A, n, n).data(), n, b, solution)) return kMatSingular;
  std::memcpy(x, solution.data(), solution.size() * sizeof(double));
  return kMatOk;
}

int32_t aDiag(State& st, MatrixStore& ms, double* A, int32_t n) {
  if (const int32_t bad = CheckSize(n, n); bad != kMatOk) return bad;
  if (const int32_t bad = CheckArrays({A}); bad != kMatOk) return bad;
  Work a = OrderedCopy(ms, A, n, n);
  DiagonalOfTriangular(st, a, n);
  WriteBack(ms, a, A, n, n);
  return kMatOk;
}

int32_t aMatrIsSing(State& st, MatrixStore& ms, double* A, int32_t n) {
  double d = 1.0;
  if (aDet(st, ms, A, n, &d) != kMatOk) return kMatFalse;
  return Singular(OrderedCopy(ms, A, n, n), n, d) ? kMatTrue : kMatFalse;
}

int32_t aMatrIsOrtog(State& st, MatrixStore& ms, double* A, int32_t n) {
  if (CheckSize(n, n) != kMatOk || CheckArrays({A}) != kMatOk) return kMatFalse;
  const Work a = OrderedCopy(ms, A, n, n);
  Work inverse;
  if (!Invert(st, a.data(), n, inverse)) return kMatFalse;
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = 0; j < n; ++j) {
      const double t = At(a, n, j, i);
      const double v = At(inverse, n, i, j);
      if (std::memcmp(&t, &v, sizeof(double)) != 0) return kMatFalse;
    }
  }
  return kMatTrue;
}

}  // namespace tarnix::matrix
