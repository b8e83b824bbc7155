/*
 * tarnix.h - the C interface of libTarnix.so (Tarnix.dll on Windows).
 *
 * Tarnix evaluates expression texts with variables and user functions, keeps
 * a store of named matrices, does linear algebra and offers numerical methods.
 *
 * Conventions shared by every export:
 *  - The library keeps one process-wide state and is not reentrant: call it
 *    from one thread at a time.
 *  - Failures are never thrown, a failed allocation included (it gives -12).
 *    Each export returns its documented value and leaves an error number
 *    that GetE_Error() reads back: -1 means success,
 *    negative numbers are expression errors, non-negative numbers matrix
 *    errors (0 included). Always test success against -1.
 *  - Texts in are NUL-terminated and copied by the library; NULL reads as "".
 *  - Texts out point into library memory; the text is managed by the library
 *    and is overwritten by the next call that returns a text.
 *  - Matrices are arrays of doubles, row-major unless the element order says
 *    otherwise. Where a matrix is identified by a number it is a handle: a
 *    positive int32_t, never 0 or -1, that the store maps to its storage.
 */
#ifndef TARNIX_H
#define TARNIX_H

#include <stddef.h>
#include <stdint.h>

/* On Windows the exports are Tarnix.dll's: TARNIX_BUILDING_DLL is defined
 * while the DLL itself is compiled, TARNIX_STATIC where the library's code is
 * linked into the program itself; every other program imports them. 32-bit
 * exports are __stdcall, as Windows callers of such DLLs expect, and carry
 * plain names (e_eval, not e_eval@12). */
#if defined(_WIN32)
#if defined(TARNIX_STATIC)
#define TARNIX_API
#elif defined(TARNIX_BUILDING_DLL)
#define TARNIX_API __declspec(dllexport)
#else
#define TARNIX_API __declspec(dllimport)
#endif
#if defined(_M_IX86) || defined(__i386__)
#define TARNIX_CALL __stdcall
#else
#define TARNIX_CALL
#endif
#else
#define TARNIX_API __attribute__((visibility("default")))
#define TARNIX_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Frame: error number, result kind, messages, reset ---------------- */

/* Error number of the last operation; 0 before the first evaluation. */
TARNIX_API int32_t TARNIX_CALL GetE_Error(void);
/* Description of an error number; "" for codes without text or outside -22..78. */
TARNIX_API const char* TARNIX_CALL GetE_ErrDescr(int32_t code);
/* Where the last evaluation failed, for failures about the text itself (an
 * unknown name, a missing parenthesis, a stray operator, an unknown matrix):
 * "at column 7: 'zz' (unknown variable)"; column (when not NULL) gets the
 * 1-based column in the text the caller passed. "" and 0 when the failure
 * has no place there (no failure, a value error, or user functions pasted
 * into the text, which then gives the token and reason without a column). */
TARNIX_API const char* TARNIX_CALL GetE_ErrPlace(int32_t* column);
/* Kind of the last result: 0 scalar, 1 matrix, -1 after ReSetDuZuradi. */
TARNIX_API int32_t TARNIX_CALL GetResultType(void);
/* Routes messages: 1 silent, 2 message boxes, 4 log, 8 log and hand it back.
 * Returns the value stored. */
TARNIX_API int32_t TARNIX_CALL SetDebugF(int32_t flags);
/* Message level: 1 compose error reports, 2 trace the matrix store. 2 also
 * sets the debug flags to 1. Returns 0. */
TARNIX_API int32_t TARNIX_CALL ShowMsgs(int32_t level);
/* Clears variables, user functions and matrices. Returns 0. */
TARNIX_API int32_t TARNIX_CALL ReSetDuZuradi(void);

/* ---- Evaluation ------------------------------------------------------- */

/* Evaluates expr; writes the value through result. Returns 0 (scalar),
 * 1 (matrix) or the error number. check != 0 first tests the user functions
 * for ambiguous names (-2, nothing written). A result that is no finite
 * number fails: -9 for an infinity (of either sign, or in a matrix element),
 * -8 for no number (sqr(-1), 0*10^400). */
TARNIX_API int32_t TARNIX_CALL e_eval(const char* expr, double* result, int32_t check);
/* Evaluates expr; returns the value, or the error number as a double (also
 * -9 and -8 for a result that is no finite number, as e_eval). */
TARNIX_API double TARNIX_CALL de_eval(const char* expr, int32_t check);
/* Evaluates expr at n+1 abscissae from x1 to x2 by textual substitution of
 * var (the step accumulated, the last abscissa exactly x2; x1 > x2 samples
 * from right to left); xs and ys receive n+1 doubles, info 5 (0, min x,
 * min y, max x, max y over the samples that succeeded). A sample whose
 * evaluation failed has the ordinate NaN. Returns -1 or the error number of
 * the last point; n < 0 gives -16 and writes nothing, an infinite x1 or x2
 * gives -16. */
TARNIX_API int32_t TARNIX_CALL e_evals(const char* expr, double x1, const char* var, double x2,
                                       int32_t n, double* xs, double* ys, double* info);
/* The value of a true comparison: 1 or -1 (the default). Returns 0. */
TARNIX_API int32_t TARNIX_CALL SetBoolSign(int32_t sign);

/* ---- Variables and user functions ------------------------------------- */

/* Stores a variable (kind 0) or a user function (any other kind). Returns 0,
 * or -12 (also in GetE_Error) when a new name would go beyond the limit of
 * entries (SetCallLimits); nothing is stored then. */
TARNIX_API int32_t TARNIX_CALL SetVarFunct(const char* name, const char* value, int32_t kind);
/* Length of the variable list ("vars") or of the function list (else). */
TARNIX_API int32_t TARNIX_CALL GetVarFuncListLen(const char* which);
/* Copies at most maxLen characters of the selected list and a NUL into
 * buffer (maxLen + 1 bytes). Returns the number of characters copied. */
TARNIX_API int32_t TARNIX_CALL GetVarFuncList(char* buffer, int32_t maxLen, const char* which);
/* Empties the variable list ("vars") or the function list (else). Returns 0. */
TARNIX_API int32_t TARNIX_CALL ClearVarFuncList(const char* which);

/* ---- Number texts and string diagnostics ------------------------------ */

/* Tidies a ten-decimal number text: "12.5000000000" gives "12.5". */
TARNIX_API const char* TARNIX_CALL StrD0(const char* text);
/* Shows what arrived in two message boxes and returns "123". */
TARNIX_API const char* TARNIX_CALL TestStr(const char* text);
/* Writes "aaaaaaaaaaa" into buffer (at least 12 bytes) and returns buffer. */
TARNIX_API char* TARNIX_CALL TestStrPtr(char* buffer);
/* Writes 14 letters a into buffer (at least 15 bytes) and returns a library
 * copy of them. */
TARNIX_API const char* TARNIX_CALL TestStrPtr2(char* buffer);

/* ---- Matrix store and element order ----------------------------------- */

/* Registers matr under name. Returns the list position, or with retPtr != 0
 * the matrix handle. */
TARNIX_API int32_t TARNIX_CALL SetMatrix(const char* name, double* matr, int32_t rows, int32_t cols,
                                         uint8_t retPtr);
/* Builds a matrix from "name;rows;cols;e11;e12;...". Returns what SetMatrix
 * returns, or a negative error number. */
TARNIX_API int32_t TARNIX_CALL SetStrMatrix(const char* text, uint8_t retPtr, uint8_t evalElems);
/* Looks a matrix up by name (bit 32) or handle (bit 8); returns its handle
 * (bit 1) or position (bit 2), -1 when none matches. */
TARNIX_API int32_t TARNIX_CALL FindMatrix(const char* name, int32_t paramTp, int32_t* rows,
                                          int32_t* cols);
/* handle 0 empties the store; otherwise drops the internal matrices except
 * handle. Returns -1. */
TARNIX_API int32_t TARNIX_CALL ClearMatrixList(int32_t handle);
/* Copies the matrix of handle into dst (rows x cols). Returns -1, or 20 for
 * an unknown handle. */
TARNIX_API int32_t TARNIX_CALL GetMatrixByLong(int32_t handle, double* dst, int32_t rows,
                                               int32_t cols);
/* Copies rows x cols doubles from src to dst, reordered into row-major when
 * the element order is 1 (column-major); src may be dst. Returns -1, or 0
 * with the error number -12 when the memory for reordering in place could
 * not be had. */
TARNIX_API int32_t TARNIX_CALL aCopyArray(const double* src, double* dst, int32_t rows,
                                          int32_t cols);
TARNIX_API int32_t TARNIX_CALL aElemOrder(const double* probe);
TARNIX_API int32_t TARNIX_CALL aElemOrderSet(int32_t order);
TARNIX_API int32_t TARNIX_CALL aElemOrderGet(void);
TARNIX_API int32_t TARNIX_CALL aElemOrderSt(const char* language);
TARNIX_API int32_t TARNIX_CALL aElemOrderEx(void* arg, int32_t mode);

/* ---- Linear algebra: -1 on success, else an "(aMatr)" error number ------ */

TARNIX_API int32_t TARNIX_CALL aDet(double* A, int32_t n, double* out);
TARNIX_API double TARNIX_CALL aDetN(double* A, int32_t n);
TARNIX_API int32_t TARNIX_CALL aInv(double* A, int32_t n);
TARNIX_API int32_t TARNIX_CALL aSist(double* A, int32_t n, double* b, double* x);
TARNIX_API int32_t TARNIX_CALL aDiag(double* A, int32_t n);
TARNIX_API int32_t TARNIX_CALL aTrace(double* A, int32_t n, double* out);
TARNIX_API double TARNIX_CALL aTraceN(double* A, int32_t n);
TARNIX_API int32_t TARNIX_CALL aMultEx(double* A, int32_t r1, int32_t c1, double* B, int32_t r2,
                                       int32_t c2, double* R);
TARNIX_API int32_t TARNIX_CALL aMultSq(double* A, int32_t n, double* B, double* R);
TARNIX_API int32_t TARNIX_CALL aMultVect(double* A, int32_t rows, int32_t cols, double* v,
                                         double* w);
TARNIX_API int32_t TARNIX_CALL aMultVectSq(double* A, int32_t n, double* v, double* w);
TARNIX_API int32_t TARNIX_CALL aPow(double* A, int32_t n, int32_t k, double* R);
TARNIX_API int32_t TARNIX_CALL aDiv(double* A, int32_t n, double* B, double* R);
TARNIX_API int32_t TARNIX_CALL aSum(double* A, int32_t rows, int32_t cols, double* B, double* R);
TARNIX_API int32_t TARNIX_CALL aDiff(double* A, int32_t rows, int32_t cols, double* B, double* R);
TARNIX_API int32_t TARNIX_CALL aSub(void);
TARNIX_API int32_t TARNIX_CALL aSumMem(double* A, int32_t rows, int32_t cols, double* B, double* R);
TARNIX_API int32_t TARNIX_CALL aDiffMem(double* A, int32_t rows, int32_t cols, double* B,
                                        double* R);
TARNIX_API int32_t TARNIX_CALL aSumScal(double* A, int32_t rows, int32_t cols, double s);
TARNIX_API int32_t TARNIX_CALL aProdScal(double* A, int32_t rows, int32_t cols, double s);
TARNIX_API int32_t TARNIX_CALL aOpp(double* A, int32_t rows, int32_t cols);
TARNIX_API int32_t TARNIX_CALL aTrasp(double* A, int32_t rows, int32_t cols);
TARNIX_API int32_t TARNIX_CALL aTraspEx(double* A, int32_t rows, int32_t cols, double* T);
TARNIX_API int32_t TARNIX_CALL aTraspSq(double* A, int32_t n);
TARNIX_API int32_t TARNIX_CALL aCopy(double* A, int32_t rows, int32_t cols, double* B);
TARNIX_API int32_t TARNIX_CALL aDupl(double* A, int32_t rows, int32_t cols, double* B);
TARNIX_API int32_t TARNIX_CALL aSwap(double* A, int32_t rows, int32_t cols, double* B);
TARNIX_API int32_t TARNIX_CALL aSwapRC(double* A, int32_t rows, int32_t cols, int32_t byRows,
                                       int32_t i, int32_t j);
TARNIX_API int32_t TARNIX_CALL aMatrAreEquals(double* A, int32_t r1, int32_t c1, double* B,
                                              int32_t r2, int32_t c2);
TARNIX_API int32_t TARNIX_CALL aMatrIsZero(double* A, int32_t n);
TARNIX_API int32_t TARNIX_CALL aMatrIsUnit(double* A, int32_t n);
TARNIX_API int32_t TARNIX_CALL aMatrIsSing(double* A, int32_t n);
TARNIX_API int32_t TARNIX_CALL aMatrIsOrtog(double* A, int32_t n);
TARNIX_API int32_t TARNIX_CALL aMatrAreOrtog(double* A, int32_t n, double* B);
TARNIX_API int32_t TARNIX_CALL aVectMod(double* v, int32_t n, double* out);
TARNIX_API int32_t TARNIX_CALL aMatrMod(double* v, int32_t n, double* out);
TARNIX_API int32_t TARNIX_CALL aCombine(void);
TARNIX_API int32_t TARNIX_CALL aInsert(void);

/* ---- Matrix output and about text ------------------------------------- */

/* Lists a matrix; dest "MsgBox" (or ""), "Debug", "String", "File". */
TARNIX_API const char* TARNIX_CALL aPrint(const double* A, int32_t rows, int32_t cols,
                                          const char* dest, const char* format, const char* header,
                                          const char* sep);
/* As aPrint into buffer, whose current strlen is its capacity. Returns the
 * characters written; -22 for a NULL buffer. */
TARNIX_API int32_t TARNIX_CALL aPrintEx(const double* A, int32_t rows, int32_t cols,
                                        const char* dest, const char* format, const char* header,
                                        const char* sep, char* buffer);
TARNIX_API const char* TARNIX_CALL aShow(const double* A, int32_t rows, int32_t cols);
TARNIX_API const char* TARNIX_CALL aShowByLong(int32_t handle, int32_t rows, int32_t cols);
/* Writes the file and product versions of path into two buffers of at least
 * 24 bytes. */
TARNIX_API int32_t TARNIX_CALL DisplayVerInfo(const char* path, char* fileVersion,
                                              char* productVersion);
TARNIX_API const char* TARNIX_CALL aAbout(int32_t mode);

/* ---- Integration ------------------------------------------------------ */

/* method 0 midpoint, 1 trapezoid, 2 Simpson (N even, else -11). Returns 0,
 * or the error number of the first abscissa whose evaluation failed (the
 * rule stops there), -16 for another method, N < 1, an infinite limit or an
 * integrand that gives a matrix, -9/-8 when the sum is no finite number. */
TARNIX_API int32_t TARNIX_CALL Integrate(const char* expr, double from, double to, int32_t N,
                                         int32_t method, const char* var, double* result);
TARNIX_API double TARNIX_CALL dIntegrate(const char* expr, double from, double to, int32_t N,
                                         int32_t method, const char* var);

/* ---- Solvers ---------------------------------------------------------- */

/* A starting value for Newton's method: unit steps to the right until |f|
 * is small. */
TARNIX_API double TARNIX_CALL dPolySolve(const char* expr, const char* var);
/* A root of the polynomial expr by Newton's method from dPolySolve's value:
 * 20 steps, and up to 200 while the residual is not yet small. The last
 * iterate is returned in any case; the error number is -1 only when it is
 * a root (its residual small against the size of the terms, or Newton's
 * next step below the variable's tenth decimal), else -19 "No root found",
 * -18 for a text that is no polynomial in var, -16 without a variable name,
 * or the error of an evaluation that failed. */
TARNIX_API double TARNIX_CALL dSolve(const char* expr, const char* var);
TARNIX_API const char* TARNIX_CALL sPolyNewt(const char* expr, const char* var, int32_t maxIter);
/* dSolve on ten-decimal texts with exactly `iterations` steps (at least 1);
 * the same error numbers. */
TARNIX_API const char* TARNIX_CALL sSolve(const char* expr, const char* var, int32_t iterations);

/* ---- Polynomials ------------------------------------------------------ */

/* The derivative of a polynomial text in var: "2.5*x^3 - x" gives
 * "7.5*x^2 - 1", a constant "0". Terms are products of numbers, var with a
 * numeric exponent and other names, divided only by numbers. A text that is
 * no such polynomial (parentheses, a function, var in an exponent or a
 * divisor) gives "" and the error number -18; an empty or malformed var -16. */
TARNIX_API const char* TARNIX_CALL Poly_dydx(const char* expr, const char* var);
TARNIX_API intptr_t TARNIX_CALL lPoly_dydx(const char* expr, const char* var);
/* Least-squares coefficients by the normal equations; -1, or 4 (all
 * coefficients 0) when the columns leave no unique fit. */
TARNIX_API int32_t TARNIX_CALL aCalcVectCoeff(double* A, int32_t count, int32_t n, double* y,
                                              double* coeff);
TARNIX_API int32_t TARNIX_CALL aCalcCoeffPolin(double* points, int32_t nPoints, int32_t nCoeff,
                                               double* coeff);
TARNIX_API int32_t TARNIX_CALL aGetYPolin(const double* x, const double* coeff, int32_t count,
                                          double* y);
/* The abscissae where the polynomial of count (2 or 3) coefficients equals
 * *y; -1, or 10 when there is none (a constant, a flat line, D < 0). */
TARNIX_API int32_t TARNIX_CALL aGetXsOfQuadr(const double* y, const double* coeff, int32_t count,
                                             double* x1, double* x2);

/* ---- Number theory and interpolation ---------------------------------- */

TARNIX_API int32_t TARNIX_CALL GCF(int32_t a, int32_t b);
TARNIX_API int32_t TARNIX_CALL LCM(int32_t a, int32_t b);
TARNIX_API double TARNIX_CALL fact(int32_t n);
TARNIX_API double TARNIX_CALL fact_inv(void);
TARNIX_API int32_t TARNIX_CALL IsPrime(int32_t n);
/* -1 for a prime, else the smallest divisor (2 for an even n), 0 below 2. */
TARNIX_API int32_t TARNIX_CALL lIsPrime(int32_t n);
TARNIX_API int32_t TARNIX_CALL InterpLin(const double* x, const double* x1, const double* x2,
                                         const double* y1, const double* y2, double* y);
TARNIX_API int32_t TARNIX_CALL IntBezier2D(double a, double b, double c, double d, double e,
                                           double f);

/* ---- Host extensions -------------------------------------------------- */

/* The message log; valid until the next call that logs or returns a text. */
TARNIX_API const char* TARNIX_CALL GetMsgLog(void);
/* Where message boxes go; NULL restores the default (one line on stderr).
 * Returns 0. */
TARNIX_API int32_t TARNIX_CALL SetMsgBoxHandler(void (*handler)(const char* text,
                                                                const char* title));
/* Storage and dimensions of a matrix handle; NULL when the handle is unknown. */
TARNIX_API const double* TARNIX_CALL GetMatrixPtr(int32_t handle, int32_t* rows, int32_t* cols);
/* The host's progress handler: called about every `period` evaluation steps
 * of a call (operators and functions applied, sample and integration points,
 * Newton steps, rows of matrix work). When it returns non-zero the running
 * call stops and fails with -20 "Interrupted (eval)". NULL removes it; a period
 * below 1 means 1000. The count starts anew with every call, so a call of
 * fewer steps never sees the handler. The handler must not call the library.
 * An interrupted call returns what it returns on failure (the error number
 * where it returns one: e_eval, de_eval, e_evals, Integrate, SetStrMatrix),
 * keeps none of the matrices it made, and may have written part of its
 * output arrays. Returns 0. */
TARNIX_API int32_t TARNIX_CALL SetProgressHandler(int32_t (*handler)(void* context), void* context,
                                                  int32_t period);
/* Limits for callers that are not trusted; 0 lifts a limit.
 * matrix_mb: the matrix memory (MiB) one call may hold beyond what was held when it began
 * (stored matrices and temporaries of matrix expressions alike);
 * entries: how many variables, user functions and matrices may be stored together.
 * A call that would go beyond either fails with -12 and stores nothing: it
 * returns what it returns on failure (SetVarFunct and SetStrMatrix -12,
 * SetMatrix -1) and GetE_Error() gives -12. Replacing an entry that exists
 * is always allowed. Returns 0. */
TARNIX_API int32_t TARNIX_CALL SetCallLimits(int32_t matrix_mb, int32_t entries);

#ifdef __cplusplus
}
#endif

#endif /* TARNIX_H */
