// Helpers shared by the linear-algebra routines: row-major working copies
// and the determinant kernels.
#pragma once

#include <bit>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "../DuZuradi/duzuradi.h"

namespace tarnix::matrix {

struct MatrixStore;

// The zero tolerance of the elimination: one unit in the last place above
// the double nearest to 1e-12.
inline const double kDetEps = std::bit_cast<double>(uint64_t{0x3D719799812DEA12});

// The allocator of every matrix's elements, the store's blocks and the
// working copies alike: it keeps the count that the host's matrix limit is
// measured against, and refuses (LimitExceeded) before allocating beyond it.
template <class T>
struct MatrixAllocator {
  using value_type = T;
  MatrixAllocator() = default;
  template <class U>
  MatrixAllocator(const MatrixAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) {
    ChargeMatrix(n * sizeof(T));
    try {
      return std::allocator<T>{}.allocate(n);
    } catch (...) {
      ReleaseMatrix(n * sizeof(T));
      throw;
    }
  }
  void deallocate(T* p, std::size_t n) noexcept {
    std::allocator<T>{}.deallocate(p, n);
    ReleaseMatrix(n * sizeof(T));
  }
  friend bool operator==(const MatrixAllocator&, const MatrixAllocator&) { return true; }
};

using Work = std::vector<double, MatrixAllocator<double>>;

// A working copy of a caller's rows x cols matrix in the library's order.
Work OrderedCopy(const MatrixStore& ms, const double* A, int32_t rows, int32_t cols);
// Writes a working matrix back to a caller's array, reordered as on entry.
void WriteBack(const MatrixStore& ms, const Work& m, double* A, int32_t rows, int32_t cols);

// Determinant of a row-major n x n matrix (destroys it): closed forms up to
// order 3, elimination with column pivoting from order 4. Order 0 gives 1.
double Determinant(State& st, Work& a, int32_t n);
// The elimination of Determinant on every order; columns whose largest
// magnitude is below zero_limit (or equal to it) are skipped.
double Eliminate(State& st, Work& a, int32_t n, double zero_limit);

// Kernels on row-major storage, shared by the exports (after their ordered
// copies) and the expression steps (which work on the library's own blocks
// and never reorder).
Work Product(State& st, const double* a, int32_t r1, int32_t c1, const double* b, int32_t c2);
Work Transposed(State& st, const double* a, int32_t rows, int32_t cols);
// a (rows x cols) times the vector v of cols elements.
Work VectorProduct(State& st, const double* a, int32_t rows, int32_t cols, const double* v);
// The adjugate inverse; false for a singular matrix (a determinant of 0, or
// one that is rounding noise against the size of the rows).
bool Invert(State& st, const double* a, int32_t n, Work& inverse);
// Cramer's rule for a x = b; false for a singular matrix, as Invert.
bool Cramer(State& st, const double* a, int32_t n, const double* b, Work& x);
// The diagonal of the triangular form, everything else 0.
void DiagonalOfTriangular(State& st, Work& a, int32_t n);

// Argument checks shared by the exports: kMatInvalidParameter for a negative
// size, kMatNotDefined for a missing array, kMatOk when the call may go ahead.
int32_t CheckSize(int32_t rows, int32_t cols);
int32_t CheckArrays(std::initializer_list<const void*> arrays);

}  // namespace tarnix::matrix
