// Numerical methods: integration, Newton solvers, polynomial tools, number
// theory and interpolation. They drive the evaluator through expression
// texts and the variable list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnix {
struct State;
}  // namespace tarnix

namespace tarnix::matrix {
struct MatrixStore;
}  // namespace tarnix::matrix

namespace tarnix::solver {

// The entry points of integration and the solvers take the state they work
// on (the process-wide engine's); the evaluator's helpers they call reach it
// through gs. The forms without a state work on gs.

// ---- Integration -------------------------------------------------------------------

int32_t Integrate(State& state, std::string_view expr, double from, double to, int32_t n,
                  int32_t method, std::string_view var, double* result);
int32_t Integrate(std::string_view expr, double from, double to, int32_t n, int32_t method,
                  std::string_view var, double* result);
// Integrate into kept, the result kept between calls, and return it.
double dIntegrate(State& state, double& kept, std::string_view expr, double from, double to,
                  int32_t n, int32_t method, std::string_view var);
double dIntegrate(std::string_view expr, double from, double to, int32_t n, int32_t method,
                  std::string_view var);
// The result of dIntegrate, kept between calls: the process-wide engine's
// (a reference bound as the library loads).
extern double& IntegralValue;

// ---- Solvers -------------------------------------------------------------------------

double dPolySolve(State& state, std::string_view expr, std::string_view var);
double dSolve(State& state, std::string_view expr, std::string_view var);
const char* sPolyNewt(State& state, std::string_view expr, std::string_view var, int32_t max_iter);
const char* sSolve(State& state, std::string_view expr, std::string_view var, int32_t iterations);
double dPolySolve(std::string_view expr, std::string_view var);
double dSolve(std::string_view expr, std::string_view var);
const char* sPolyNewt(std::string_view expr, std::string_view var, int32_t max_iter);
const char* sSolve(std::string_view expr, std::string_view var, int32_t iterations);

// ---- Polynomials ---------------------------------------------------------------------

// The derivative of a polynomial text, term by term; a failure is state's.
const char* Poly_dydx(State& state, std::string_view expr, std::string_view var);

// Least-squares coefficients of y from the count x n design matrix A by the
// normal equations; the n coefficients go to coeff. Returns -1. The fits
// tick on the state st and read the points in the element order of the
// store ms; the forms without them work on the process-wide engine's.
int32_t aCalcVectCoeff(State& st, matrix::MatrixStore& ms, double* A, int32_t count, int32_t n,
                       double* y, double* coeff);
int32_t aCalcCoeffPolin(State& st, matrix::MatrixStore& ms, double* points, int32_t n_points,
                        int32_t n_coeff, double* coeff);
int32_t aCalcVectCoeff(double* A, int32_t count, int32_t n, double* y, double* coeff);
int32_t aCalcCoeffPolin(double* points, int32_t n_points, int32_t n_coeff, double* coeff);
int32_t aGetYPolin(const double* x, const double* coeff, int32_t count, double* y);
int32_t aGetXsOfQuadr(const double* y, const double* coeff, int32_t count, double* x1, double* x2);

// ---- Number theory and interpolation ------------------------------------------------

int32_t GCF(int32_t a, int32_t b);
int32_t LCM(int32_t a, int32_t b);
double fact(int32_t n);
int32_t IsPrime(int32_t n);
int32_t lIsPrime(int32_t n);
int32_t InterpLin(const double* x, const double* x1, const double* x2, const double* y1,
                  const double* y2, double* y);

// The integer a number text stands for, as the library's integer conversion
// reads it: its leading number truncated (2.5 counts as 2).
int32_t IntegerValue(std::string_view text);

}  // namespace tarnix::solver
