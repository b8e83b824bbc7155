// Numerical methods: integration, solvers, polynomial tools, number theory.
#pragma once

#include <cstdint>

namespace tarnix::solver {

// Least-squares coefficients of y from the count x n design matrix A by the
// normal equations; the n coefficients go to coeff. Returns -1.
int32_t aCalcVectCoeff(double* A, int32_t count, int32_t n, double* y, double* coeff);

}  // namespace tarnix::solver
