// The linear algebra, the element order, the listings and the about text on
// the process-wide engine's state and store, for the callers that have no
// other at hand.
#include "../DuZuradi/duzuradi.h"
#include "matrix.h"
#include "store.h"

namespace tarnix::matrix {

int32_t CopyArray(const double* src, double* dst, int32_t rows, int32_t cols, SourceOrder order) {
  return CopyArray(store, src, dst, rows, cols, order);
}

int32_t aCopyArray(const double* src, double* dst, int32_t rows, int32_t cols) {
  return aCopyArray(store, src, dst, rows, cols);
}

int32_t aElemOrder(const double* probe) { return aElemOrder(store, probe); }

int32_t aElemOrderSet(int32_t order) { return aElemOrderSet(store, order); }

int32_t aElemOrderGet() { return aElemOrderGet(store); }

int32_t aElemOrderSt(std::string_view language) { return aElemOrderSt(store, language); }

int32_t aElemOrderEx(void* arg, int32_t mode) { return aElemOrderEx(store, arg, mode); }

int32_t LeastSquares(const double* A, int32_t count, int32_t n, const double* y, double* coeff) {
  return LeastSquares(gs, store, A, count, n, y, coeff);
}

int32_t aDet(double* A, int32_t n, double* out) { return aDet(gs, store, A, n, out); }

double aDetN(double* A, int32_t n) { return aDetN(gs, store, A, n); }

int32_t aInv(double* A, int32_t n) { return aInv(gs, store, A, n); }

int32_t aSist(double* A, int32_t n, double* b, double* x) { return aSist(gs, store, A, n, b, x); }

int32_t aDiag(double* A, int32_t n) { return aDiag(gs, store, A, n); }

int32_t aTrace(double* A, int32_t n, double* out) { return aTrace(store, A, n, out); }

double aTraceN(double* A, int32_t n) { return aTraceN(store, A, n); }

int32_t aMultEx(double* A, int32_t r1, int32_t c1, double* B, int32_t r2, int32_t c2, double* R) {
  return aMultEx(gs, store, A, r1, c1, B, r2, c2, R);
}

int32_t aMultSq(double* A, int32_t n, double* B, double* R) {
  return aMultSq(gs, store, A, n, B, R);
}

int32_t aMultVect(double* A, int32_t rows, int32_t cols, double* v, double* w) {
  return aMultVect(gs, store, A, rows, cols, v, w);
}

int32_t aMultVectSq(double* A, int32_t n, double* v, double* w) {
  return aMultVectSq(gs, store, A, n, v, w);
}

int32_t aPow(double* A, int32_t n, int32_t k, double* R) { return aPow(gs, store, A, n, k, R); }

int32_t aDiv(double* A, int32_t n, double* B, double* R) { return aDiv(gs, store, A, n, B, R); }

int32_t aSum(double* A, int32_t rows, int32_t cols, double* B, double* R) {
  return aSum(store, A, rows, cols, B, R);
}

int32_t aDiff(double* A, int32_t rows, int32_t cols, double* B, double* R) {
  return aDiff(store, A, rows, cols, B, R);
}

int32_t aSumScal(double* A, int32_t rows, int32_t cols, double s) {
  return aSumScal(store, A, rows, cols, s);
}

int32_t aProdScal(double* A, int32_t rows, int32_t cols, double s) {
  return aProdScal(store, A, rows, cols, s);
}

int32_t aTrasp(double* A, int32_t rows, int32_t cols) { return aTrasp(gs, store, A, rows, cols); }

int32_t aTraspEx(double* A, int32_t rows, int32_t cols, double* T) {
  return aTraspEx(gs, store, A, rows, cols, T);
}

int32_t aTraspSq(double* A, int32_t n) { return aTraspSq(gs, store, A, n); }

int32_t aSwapRC(double* A, int32_t rows, int32_t cols, int32_t by_rows, int32_t i, int32_t j) {
  return aSwapRC(store, A, rows, cols, by_rows, i, j);
}

int32_t aMatrIsZero(double* A, int32_t n) { return aMatrIsZero(store, A, n); }

int32_t aMatrIsSing(double* A, int32_t n) { return aMatrIsSing(gs, store, A, n); }

int32_t aMatrIsOrtog(double* A, int32_t n) { return aMatrIsOrtog(gs, store, A, n); }

int32_t aMatrAreOrtog(double* A, int32_t n, double* B) { return aMatrAreOrtog(gs, store, A, n, B); }

const char* aPrint(const double* A, int32_t rows, int32_t cols, std::string_view dest,
                   std::string_view format, std::string_view header, std::string_view sep,
                   int32_t debug_flags) {
  return aPrint(gs, store, A, rows, cols, dest, format, header, sep, debug_flags);
}

const char* aPrint(const double* A, int32_t rows, int32_t cols, std::string_view dest,
                   std::string_view format, std::string_view header, std::string_view sep) {
  return aPrint(gs, store, A, rows, cols, dest, format, header, sep);
}

int32_t aPrintEx(const double* A, int32_t rows, int32_t cols, std::string_view dest,
                 std::string_view format, std::string_view header, std::string_view sep,
                 char* buffer) {
  return aPrintEx(gs, store, A, rows, cols, dest, format, header, sep, buffer);
}

const char* aShow(const double* A, int32_t rows, int32_t cols) {
  return aShow(gs, store, A, rows, cols);
}

const char* aShowByLong(int32_t handle, int32_t rows, int32_t cols) {
  return aShowByLong(gs, store, handle, rows, cols);
}

int32_t DisplayVerInfo(std::string_view path, char* file_version, char* product_version) {
  return DisplayVerInfo(gs, path, file_version, product_version);
}

const char* aAbout(int32_t mode) { return aAbout(gs, store, mode); }

}  // namespace tarnix::matrix
