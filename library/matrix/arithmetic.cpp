// Products, powers, sums, transposes, copies, exchanges and the remaining
// predicates. "Ordered" routines work on copies in the library's order and
// write their results back the same way; "raw" ones take memory as it lies.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "../DuZuradi/duzuradi.h"
#include "linalg.h"
#include "matrix.h"
#include "store.h"

namespace tarnix::matrix {
namespace {

std::size_t Count(int32_t rows, int32_t cols) {
  return static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
}

// The checks of an ordered or raw routine on rows x cols arrays.
int32_t Check(int32_t rows, int32_t cols, std::initializer_list<const void*> arrays) {
  if (const int32_t bad = CheckSize(rows, cols); bad != kMatOk) return bad;
  return Count(rows, cols) == 0 ? -1 : CheckArrays(arrays);
}

int32_t ElementWise(const MatrixStore& ms, double* A, int32_t rows, int32_t cols, double* B,
                    double* R, double sign) {
  if (const int32_t bad = Check(rows, cols, {A, B, R}); bad != kMatOk) return bad;
  const Work a = OrderedCopy(ms, A, rows, cols);
  const Work b = OrderedCopy(ms, B, rows, cols);
  Work r(a.size());
  for (std::size_t k = 0; k < r.size(); ++k) r[k] = a[k] + sign * b[k];
  WriteBack(ms, r, R, rows, cols);
  return kMatOk;
}

int32_t ElementWiseRaw(double* A, int32_t rows, int32_t cols, double* B, double* R, double sign) {
  if (const int32_t bad = Check(rows, cols, {A, B, R}); bad != kMatOk) return bad;
  for (std::size_t k = 0; k < Count(rows, cols); ++k) R[k] = A[k] + sign * B[k];
  return kMatOk;
}

double SumOfSquaresRoot(const double* v, int32_t n) {
  double sum = 0.0;
  for (int32_t i = 0; i < n; ++i) sum += v[i] * v[i];
  return std::sqrt(sum);
}

}  // namespace

Work Product(State& st, const double* a, int32_t r1, int32_t c1, const double* b, int32_t c2) {
  // Sums accumulated from 0.0 in increasing k.
  Work r(Count(r1, c2), 0.0);
  for (int32_t i = 0; i < r1; ++i) {
    Tick(st);
    for (int32_t j = 0; j < c2; ++j) {
      double sum = 0.0;
      for (int32_t k = 0; k < c1; ++k) sum += a[Count(i, c1) + k] * b[Count(k, c2) + j];
      r[Count(i, c2) + j] = sum;
    }
  }
  return r;
}

Work Transposed(State& st, const double* a, int32_t rows, int32_t cols) {
  Work t(Count(rows, cols));
  for (int32_t i = 0; i < rows; ++i) {
    Tick(st);
    for (int32_t j = 0; j < cols; ++j) t[Count(j, rows) + i] = a[Count(i, cols) + j];
  }
  return t;
}

Work OrderedCopy(const MatrixStore& ms, const double* A, int32_t rows, int32_t cols) {
  Work m(Count(rows, cols));
  if (!m.empty()) aCopyArray(ms, A, m.data(), rows, cols);
  return m;
}

void WriteBack(const MatrixStore& ms, const Work& m, double* A, int32_t rows, int32_t cols) {
  if (!m.empty()) aCopyArray(ms, m.data(), A, rows, cols);
}

int32_t CheckSize(int32_t rows, int32_t cols) {
  return (rows < 0 || cols < 0) ? kMatInvalidParameter : kMatOk;
}

int32_t CheckArrays(std::initializer_list<const void*> arrays) {
  for (const void* p : arrays) {
    if (p == nullptr) return kMatNotDefined;
  }
  return kMatOk;
}

int32_t aTrace(const MatrixStore& ms, double* A, int32_t n, double* out) {
  if (const int32_t bad = CheckSize(n, n); bad != kMatOk) return bad;
  if (const int32_t bad = CheckArrays({n > 0 ? A : out, out}); bad != kMatOk) return bad;
  const Work a = OrderedCopy(ms, A, n, n);
  double sum = 0.0;
  for (int32_t i = 0; i < n; ++i) sum += a[Count(i, n) + i];
  *out = sum;
  return kMatOk;
}

double aTraceN(const MatrixStore& ms, double* A, int32_t n) {
  double t = 0.0;
  aTrace(ms, A, n, &t);
  return t;
}

int32_t aMultEx(State& st, MatrixStore& ms, double* A, int32_t r1, int32_t c1, double* B,
                int32_t r2, int32_t c2, double* R) {
  if (CheckSize(r1, c1) != kMatOk || CheckSize(r2, c2) != kMatOk) return kMatInvalidParameter;
  if (c1 != r2) return kMatWrongRanks;
  if (Count(r1, c2) == 0) return kMatOk;
  if (const int32_t bad = CheckArrays({A, B, R}); bad != kMatOk) return bad;
  const Work r =
      Product(st, OrderedCopy(ms, A, r1, c1).data(), r1, c1, OrderedCopy(ms, B, r2, c2).data(), c2);
  WriteBack(ms, r, R, r1, c2);
  return kMatOk;
}

int32_t aMultSq(State& st, MatrixStore& ms, double* A, int32_t n, double* B, double* R) {
  return aMultEx(st, ms, A, n, n, B, n, n, R);
}

Work VectorProduct(State& st, const double* a, int32_t rows, int32_t cols, const double* v) {
  Work result(static_cast<std::size_t>(rows), 0.0);
  for (int32_t i = 0; i < rows; ++i) {
    Tick(st);
    double sum = 0.0;
    for (int32_t j = 0; j < cols; ++j) sum += a[Count(i, cols) + j] * v[j];
    result[static_cast<std::size_t>(i)] = sum;
  }
  return result;
}

int32_t aMultVect(State& st, MatrixStore& ms, double* A, int32_t rows, int32_t cols, double* v,
                  double* w) {
  if (const int32_t bad = Check(rows, cols, {A, v, w}); bad != kMatOk) return bad;
  const Work result = VectorProduct(st, OrderedCopy(ms, A, rows, cols).data(), rows, cols, v);
  std::memcpy(w, result.data(), result.size() * sizeof(double));
  return kMatOk;
}

int32_t LeastSquares(State& st, MatrixStore& ms, const double* A, int32_t count, int32_t n,
                     const double* y, double* coeff) {
  // The design matrix is taken as it lies: the fit's callers hand it over
  // row-major whatever the element order says.
  Work a(Count(count, n));
  CopyArray(ms, A, a.data(), count, n, SourceOrder::RowMajor);
  const Work t = Transposed(st, a.data(), count, n);
  const Work normal = Product(st, t.data(), n, count, a.data(), n);
  Work inverse;
  // Columns that depend on each other (two equal abscissae for two
  // coefficients) leave no unique fit: coefficients from the noise of a
  // singular inversion would be plausible wrong numbers.
  if (!Invert(st, normal.data(), n, inverse)) {
    std::fill(coeff, coeff + n, 0.0);
    return kMatSingular;
  }
  const Work ty = VectorProduct(st, t.data(), n, count, y);
  const Work c = VectorProduct(st, inverse.data(), n, n, ty.data());
  std::memcpy(coeff, c.data(), c.size() * sizeof(double));
  return kMatOk;
}

int32_t aMultVectSq(State& st, MatrixStore& ms, double* A, int32_t n, double* v, double* w) {
  return aMultVect(st, ms, A, n, n, v, w);
}

int32_t aPow(State& st, MatrixStore& ms, double* A, int32_t n, int32_t k, double* R) {
  if (const int32_t bad = Check(n, n, {A, R}); bad != kMatOk) return bad;
  if (k <= 1) return kMatOk;
  // k - 1 successive products: R = A, then R = R A.
  Work power(A, A + Count(n, n));
  int32_t code = kMatOk;
  for (int32_t step = 1; step < k && code == kMatOk; ++step) {
    code = aMultSq(st, ms, power.data(), n, A, R);
    std::memcpy(power.data(), R, power.size() * sizeof(double));
  }
  return code;
}

int32_t aDiv(State& st, MatrixStore& ms, double* A, int32_t n, double* B, double* R) {
  if (const int32_t bad = Check(n, n, {A, B, R}); bad != kMatOk) return bad;
  Work inverse(B, B + Count(n, n));
  const int32_t code = aInv(st, ms, inverse.data(), n);
  if (code != kMatOk) return code;
  return aMultSq(st, ms, A, n, inverse.data(), R);
}

int32_t aSum(const MatrixStore& ms, double* A, int32_t rows, int32_t cols, double* B, double* R) {
  return ElementWise(ms, A, rows, cols, B, R, 1.0);
}

int32_t aDiff(const MatrixStore& ms, double* A, int32_t rows, int32_t cols, double* B, double* R) {
  return ElementWise(ms, A, rows, cols, B, R, -1.0);
}

int32_t aSumMem(double* A, int32_t rows, int32_t cols, double* B, double* R) {
  return ElementWiseRaw(A, rows, cols, B, R, 1.0);
}

int32_t aDiffMem(double* A, int32_t rows, int32_t cols, double* B, double* R) {
  return ElementWiseRaw(A, rows, cols, B, R, -1.0);
}

int32_t aSumScal(const MatrixStore& ms, double* A, int32_t rows, int32_t cols, double s) {
  if (const int32_t bad = Check(rows, cols, {A}); bad != kMatOk) return bad;
  Work a = OrderedCopy(ms, A, rows, cols);
  for (double& x : a) x += s;
  WriteBack(ms, a, A, rows, cols);
  return kMatOk;
}

int32_t aProdScal(const MatrixStore& ms, double* A, int32_t rows, int32_t cols, double s) {
  if (const int32_t bad = Check(rows, cols, {A}); bad != kMatOk) return bad;
  Work a = OrderedCopy(ms, A, rows, cols);
  for (double& x : a) x *= s;
  WriteBack(ms, a, A, rows, cols);
  return kMatOk;
}

int32_t aOpp(double* A, int32_t rows, int32_t cols) {
  if (const int32_t bad = Check(rows, cols, {A}); bad != kMatOk) return bad;
  for (std::size_t k = 0; k < Count(rows, cols); ++k) A[k] = -A[k];
  return kMatOk;
}

int32_t aTrasp(State& st, MatrixStore& ms, double* A, int32_t rows, int32_t cols) {
  if (const int32_t bad = Check(rows, cols, {A}); bad != kMatOk) return bad;
  WriteBack(ms, Transposed(st, OrderedCopy(ms, A, rows, cols).data(), rows, cols), A, cols, rows);
  return kMatOk;
}

int32_t aTraspEx(State& st, MatrixStore& ms, double* A, int32_t rows, int32_t cols, double* T) {
  if (const int32_t bad = Check(rows, cols, {A, T}); bad != kMatOk) return bad;
  WriteBack(ms, Transposed(st, OrderedCopy(ms, A, rows, cols).data(), rows, cols), T, cols, rows);
  return kMatOk;
}

int32_t aTraspSq(State& st, MatrixStore& ms, double* A, int32_t n) {
  return aTrasp(st, ms, A, n, n);
}

int32_t aCopy(double* A, int32_t rows, int32_t cols, double* B) {
  if (const int32_t bad = Check(rows, cols, {A, B}); bad != kMatOk) return bad;
  std::memmove(B, A, Count(rows, cols) * sizeof(double));
  return kMatOk;
}

int32_t aSwap(double* A, int32_t rows, int32_t cols, double* B) {
  if (A == nullptr || B == nullptr) return kMatNotDefined;
  if (CheckSize(rows, cols) != kMatOk) return kMatInvalidParameter;
  std::swap_ranges(A, A + Count(rows, cols), B);
  return kMatOk;
}

int32_t aSwapRC(const MatrixStore& ms, double* A, int32_t rows, int32_t cols, int32_t by_rows,
                int32_t i, int32_t j) {
  if (const int32_t bad = Check(rows, cols, {A}); bad != kMatOk) return bad;
  const int32_t limit = by_rows != 0 ? rows : cols;
  if (i < 1 || j < 1 || i > limit || j > limit) return kMatWrongSwap;
  Work a = OrderedCopy(ms, A, rows, cols);
  if (by_rows != 0) {
    for (int32_t c = 0; c < cols; ++c)
      std::swap(a[Count(i - 1, cols) + c], a[Count(j - 1, cols) + c]);
  } else {
    for (int32_t r = 0; r < rows; ++r)
      std::swap(a[Count(r, cols) + i - 1], a[Count(r, cols) + j - 1]);
  }
  WriteBack(ms, a, A, rows, cols);
  return kMatOk;
}

int32_t aMatrAreEquals(double* A, int32_t r1, int32_t c1, double* B, int32_t r2, int32_t c2) {
  if (r1 != r2 || c1 != c2) return kMatOrdersNotEqual;
  if (Check(r1, c1, {A, B}) != kMatOk) return kMatFalse;
  return std::memcmp(A, B, Count(r1, c1) * sizeof(double)) == 0 ? kMatTrue : kMatFalse;
}

int32_t aMatrIsZero(const MatrixStore& ms, double* A, int32_t n) {
  if (Check(n, n, {A}) != kMatOk) return kMatFalse;
  for (double x : OrderedCopy(ms, A, n, n)) {
    if (x != 0.0) return kMatFalse;
  }
  return kMatTrue;
}

int32_t aMatrIsUnit(double* A, int32_t n) {
  if (Check(n, n, {A}) != kMatOk) return kMatFalse;
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = 0; j < n; ++j) {
      if (A[Count(i, n) + j] != (i == j ? 1.0 : 0.0)) return kMatFalse;
    }
  }
  return kMatTrue;
}

int32_t aMatrAreOrtog(State& st, MatrixStore& ms, double* A, int32_t n, double* B) {
  if (Check(n, n, {A, B}) != kMatOk) return kMatFalse;
  Work product(Count(n, n));
  if (aMultEx(st, ms, A, n, n, B, n, n, product.data()) != kMatOk) return kMatFalse;
  return aMatrIsUnit(product.data(), n);
}

int32_t aVectMod(double* v, int32_t n, double* out) {
  if (const int32_t bad = CheckSize(n, 1); bad != kMatOk) return bad;
  if (const int32_t bad = CheckArrays({n > 0 ? v : out, out}); bad != kMatOk) return bad;
  *out = SumOfSquaresRoot(v, n);
  return kMatOk;
}

}  // namespace tarnix::matrix
