// The matrix engine: the named matrix store with its handles, the element
// order, matrix operands and steps of the evaluator, linear algebra, and
// matrix listings with the about text. A matrix is known by its handle: a
// positive number the store maps to a storage block, never an address.
//
// Routines named with a leading "a" return -1 on success or an "(aMatr)"
// error number; predicates return -1 for true and 0 for false.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "../core/errors.h"
#include "../core/value.h"

namespace tarnix {
struct MatrixSteps;
struct State;
}  // namespace tarnix

namespace tarnix::matrix {

struct MatrixStore;

// The process-wide engine's store (a reference bound as the library loads),
// for the forms that work on it.
extern MatrixStore& store;

// ---- Store ---------------------------------------------------------------------

// SetMatrix's answer when it registers nothing (no array, a negative size).
inline constexpr int32_t kNotRegistered = -1;

// The store's functions work on the store ms they are given; the forms
// without one work on the process-wide store.
int32_t SetMatrix(MatrixStore& ms, std::string_view name, double* matr, int32_t rows, int32_t cols,
                  uint8_t ret_handle);
int32_t SetMatrix(std::string_view name, double* matr, int32_t rows, int32_t cols,
                  uint8_t ret_handle);
int32_t SetStrMatrix(MatrixStore& ms, std::string_view text, uint8_t ret_handle,
                     uint8_t eval_elems);
int32_t SetStrMatrix(std::string_view text, uint8_t ret_handle, uint8_t eval_elems);
// The bits of FindMatrix's param_tp: how name is read, and what is returned.
inline constexpr int32_t kFindHandle = 1;    // the matrix's handle
inline constexpr int32_t kFindPosition = 2;  // its position in the list
inline constexpr int32_t kFindByHandle = 8;  // name is the number of a handle
inline constexpr int32_t kFindByName = 32;   // name is a matrix name (without bit 8)
// FindMatrix's answer when nothing matches (or nothing is asked for).
inline constexpr int32_t kNotFound = -1;

int32_t FindMatrix(MatrixStore& ms, std::string_view name, int32_t param_tp, int32_t* rows,
                   int32_t* cols);
int32_t FindMatrix(std::string_view name, int32_t param_tp, int32_t* rows, int32_t* cols);
// 0 empties the store; a handle drops every internal matrix but that one.
int32_t ClearMatrixList(MatrixStore& ms, int32_t handle);
int32_t ClearMatrixList(int32_t handle);
int32_t GetMatrixByLong(MatrixStore& ms, int32_t handle, double* dst, int32_t rows, int32_t cols);
int32_t GetMatrixByLong(int32_t handle, double* dst, int32_t rows, int32_t cols);
// GetMatrixPtr in the store ms (a name of its own: the evaluator's steps
// hold GetMatrixPtr's address).
const double* GetMatrixPtrIn(MatrixStore& ms, int32_t handle, int32_t* rows, int32_t* cols);
const double* GetMatrixPtr(int32_t handle, int32_t* rows, int32_t* cols);

// Entries and live blocks in the store (for the tests of its growth).
struct StoreSize {
  std::size_t entries;
  std::size_t blocks;
  std::size_t named;  // entries that are no internal matrix
};
StoreSize SizeOfStore(const MatrixStore& ms);
StoreSize SizeOfStore();

// ---- Element order ---------------------------------------------------------------

// How the source of a copy lies: as the element order says for a caller's
// array, or row-major already (the library's own storage).
enum class SourceOrder { Caller, RowMajor };
// rows x cols doubles from src to dst (src may be dst), reordered into
// row-major when the source is a caller's column-major array.
int32_t CopyArray(const MatrixStore& ms, const double* src, double* dst, int32_t rows, int32_t cols,
                  SourceOrder order);
// CopyArray of a caller's array.
int32_t aCopyArray(const MatrixStore& ms, const double* src, double* dst, int32_t rows,
                   int32_t cols);
int32_t aElemOrder(MatrixStore& ms, const double* probe);
int32_t aElemOrderSet(MatrixStore& ms, int32_t order);
int32_t aElemOrderGet(const MatrixStore& ms);
int32_t aElemOrderSt(MatrixStore& ms, std::string_view language);
int32_t aElemOrderEx(MatrixStore& ms, void* arg, int32_t mode);

// ---- The evaluator's matrix steps --------------------------------------------------

// The steps work on the state st and the store ms they are given. A matrix
// named in an expression becomes a fresh internal copy (with the I, T or D
// suffix applied); the value is the copy's handle, a matrix value.
Value LoadOperand(State& st, MatrixStore& ms, std::string_view name, char suffix);
Value CalcMatrixSumSubt(State& st, MatrixStore& ms, char op, Value left, Value right);
Value CalcMatrixDivMult(State& st, MatrixStore& ms, char op, Value left, Value right);
Value CalcMatrFunct(State& st, MatrixStore& ms, std::string_view name, Value a1, Value a2,
                    Value a3);
// The matrix result of de_eval, registered for the caller as "[mResult]".
void PublishResult(State& st, MatrixStore& ms, double handle);

// Every evaluation notes where the store stood; after a scalar result or an
// error the internal matrices it created since are dropped.
uint64_t EvaluationMark(const MatrixStore& ms);
void DropTemporaries(MatrixStore& ms, uint64_t mark);
uint64_t EvaluationMark();
void DropTemporaries(uint64_t mark);

// The steps of the evaluator over the store ms, for AttachMatrices: the
// process-wide engine attaches its store's when it is made.
MatrixSteps StoreSteps(MatrixStore& ms);

// ---- Linear algebra -------------------------------------------------------------

// Least-squares coefficients of y from the row-major count x n design
// matrix A by the normal equations: the n coefficients go to coeff.
// kMatSingular (all coefficients 0) when the columns leave no unique fit.
int32_t LeastSquares(State& st, MatrixStore& ms, const double* A, int32_t count, int32_t n,
                     const double* y, double* coeff);

int32_t aDet(State& st, MatrixStore& ms, double* A, int32_t n, double* out);
double aDetN(State& st, MatrixStore& ms, double* A, int32_t n);
int32_t aInv(State& st, MatrixStore& ms, double* A, int32_t n);
int32_t aSist(State& st, MatrixStore& ms, double* A, int32_t n, double* b, double* x);
int32_t aDiag(State& st, MatrixStore& ms, double* A, int32_t n);
int32_t aTrace(const MatrixStore& ms, double* A, int32_t n, double* out);
double aTraceN(const MatrixStore& ms, double* A, int32_t n);
int32_t aMultEx(State& st, MatrixStore& ms, double* A, int32_t r1, int32_t c1, double* B,
                int32_t r2, int32_t c2, double* R);
int32_t aMultSq(State& st, MatrixStore& ms, double* A, int32_t n, double* B, double* R);
int32_t aMultVect(State& st, MatrixStore& ms, double* A, int32_t rows, int32_t cols, double* v,
                  double* w);
int32_t aMultVectSq(State& st, MatrixStore& ms, double* A, int32_t n, double* v, double* w);
int32_t aPow(State& st, MatrixStore& ms, double* A, int32_t n, int32_t k, double* R);
int32_t aDiv(State& st, MatrixStore& ms, double* A, int32_t n, double* B, double* R);
int32_t aSum(const MatrixStore& ms, double* A, int32_t rows, int32_t cols, double* B, double* R);
int32_t aDiff(const MatrixStore& ms, double* A, int32_t rows, int32_t cols, double* B, double* R);
int32_t aSumMem(double* A, int32_t rows, int32_t cols, double* B, double* R);
int32_t aDiffMem(double* A, int32_t rows, int32_t cols, double* B, double* R);
int32_t aSumScal(const MatrixStore& ms, double* A, int32_t rows, int32_t cols, double s);
int32_t aProdScal(const MatrixStore& ms, double* A, int32_t rows, int32_t cols, double s);
int32_t aOpp(double* A, int32_t rows, int32_t cols);
int32_t aTrasp(State& st, MatrixStore& ms, double* A, int32_t rows, int32_t cols);
int32_t aTraspEx(State& st, MatrixStore& ms, double* A, int32_t rows, int32_t cols, double* T);
int32_t aTraspSq(State& st, MatrixStore& ms, double* A, int32_t n);
int32_t aCopy(double* A, int32_t rows, int32_t cols, double* B);
int32_t aSwap(double* A, int32_t rows, int32_t cols, double* B);
int32_t aSwapRC(const MatrixStore& ms, double* A, int32_t rows, int32_t cols, int32_t by_rows,
                int32_t i, int32_t j);
int32_t aMatrAreEquals(double* A, int32_t r1, int32_t c1, double* B, int32_t r2, int32_t c2);
int32_t aMatrIsZero(const MatrixStore& ms, double* A, int32_t n);
int32_t aMatrIsUnit(double* A, int32_t n);
int32_t aMatrIsSing(State& st, MatrixStore& ms, double* A, int32_t n);
int32_t aMatrIsOrtog(State& st, MatrixStore& ms, double* A, int32_t n);
int32_t aMatrAreOrtog(State& st, MatrixStore& ms, double* A, int32_t n, double* B);
int32_t aVectMod(double* v, int32_t n, double* out);

// ---- Listings and the about text --------------------------------------------------

// Where a listing goes besides back to the caller: "" and "MsgBox" open a
// box; "Debug" takes the message route of debug_flags (none when they are 0).
const char* aPrint(State& st, MatrixStore& ms, const double* A, int32_t rows, int32_t cols,
                   std::string_view dest, std::string_view format, std::string_view header,
                   std::string_view sep, int32_t debug_flags);
// aPrint by the debug flags set now (SetDebugF).
const char* aPrint(State& st, MatrixStore& ms, const double* A, int32_t rows, int32_t cols,
                   std::string_view dest, std::string_view format, std::string_view header,
                   std::string_view sep);
int32_t aPrintEx(State& st, MatrixStore& ms, const double* A, int32_t rows, int32_t cols,
                 std::string_view dest, std::string_view format, std::string_view header,
                 std::string_view sep, char* buffer);
const char* aShow(State& st, MatrixStore& ms, const double* A, int32_t rows, int32_t cols);
const char* aShowByLong(State& st, MatrixStore& ms, int32_t handle, int32_t rows, int32_t cols);
int32_t DisplayVerInfo(const State& st, std::string_view path, char* file_version,
                       char* product_version);
const char* aAbout(State& st, MatrixStore& ms, int32_t mode);

// ---- The same on the process-wide engine -------------------------------------------

// The forms without a state or a store work on the process-wide engine's.
int32_t CopyArray(const double* src, double* dst, int32_t rows, int32_t cols, SourceOrder order);
int32_t aCopyArray(const double* src, double* dst, int32_t rows, int32_t cols);
int32_t aElemOrder(const double* probe);
int32_t aElemOrderSet(int32_t order);
int32_t aElemOrderGet();
int32_t aElemOrderSt(std::string_view language);
int32_t aElemOrderEx(void* arg, int32_t mode);
int32_t LeastSquares(const double* A, int32_t count, int32_t n, const double* y, double* coeff);
int32_t aDet(double* A, int32_t n, double* out);
double aDetN(double* A, int32_t n);
int32_t aInv(double* A, int32_t n);
int32_t aSist(double* A, int32_t n, double* b, double* x);
int32_t aDiag(double* A, int32_t n);
int32_t aTrace(double* A, int32_t n, double* out);
double aTraceN(double* A, int32_t n);
int32_t aMultEx(double* A, int32_t r1, int32_t c1, double* B, int32_t r2, int32_t c2, double* R);
int32_t aMultSq(double* A, int32_t n, double* B, double* R);
int32_t aMultVect(double* A, int32_t rows, int32_t cols, double* v, double* w);
int32_t aMultVectSq(double* A, int32_t n, double* v, double* w);
int32_t aPow(double* A, int32_t n, int32_t k, double* R);
int32_t aDiv(double* A, int32_t n, double* B, double* R);
int32_t aSum(double* A, int32_t rows, int32_t cols, double* B, double* R);
int32_t aDiff(double* A, int32_t rows, int32_t cols, double* B, double* R);
int32_t aSumScal(double* A, int32_t rows, int32_t cols, double s);
int32_t aProdScal(double* A, int32_t rows, int32_t cols, double s);
int32_t aTrasp(double* A, int32_t rows, int32_t cols);
int32_t aTraspEx(double* A, int32_t rows, int32_t cols, double* T);
int32_t aTraspSq(double* A, int32_t n);
int32_t aSwapRC(double* A, int32_t rows, int32_t cols, int32_t by_rows, int32_t i, int32_t j);
int32_t aMatrIsZero(double* A, int32_t n);
int32_t aMatrIsSing(double* A, int32_t n);
int32_t aMatrIsOrtog(double* A, int32_t n);
int32_t aMatrAreOrtog(double* A, int32_t n, double* B);
const char* aPrint(const double* A, int32_t rows, int32_t cols, std::string_view dest,
                   std::string_view format, std::string_view header, std::string_view sep,
                   int32_t debug_flags);
const char* aPrint(const double* A, int32_t rows, int32_t cols, std::string_view dest,
                   std::string_view format, std::string_view header, std::string_view sep);
int32_t aPrintEx(const double* A, int32_t rows, int32_t cols, std::string_view dest,
                 std::string_view format, std::string_view header, std::string_view sep,
                 char* buffer);
const char* aShow(const double* A, int32_t rows, int32_t cols);
const char* aShowByLong(int32_t handle, int32_t rows, int32_t cols);
int32_t DisplayVerInfo(std::string_view path, char* file_version, char* product_version);
const char* aAbout(int32_t mode);

}  // namespace tarnix::matrix
