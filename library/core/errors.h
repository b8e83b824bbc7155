// The library's error numbers. GetE_Error() reads one back and
// GetE_ErrDescr() describes it: the negative ones come from evaluating
// expressions, 0 and above from the matrix routines ("(aMatr)").
#pragma once

#include <cstdint>

namespace tarnix {

// Errors of evaluations and of the calls that evaluate (-22 .. -1).
enum ExprError : int16_t {
  kErrCannotReturnText = -22,
  kErrSingularity = -21,
  kErrInterrupted = -20,  // the host's progress handler stopped the call
  kErrNoRoot = -19,
  kErrNotAPolynomial = -18,
  kErrMatrixNotFound = -17,
  kErrInvalidParameter = -16,
  kErrTooFewElements = -15,     // a matrix text with fewer elements than its size
  kErrWrongStringMatrix = -14,  // a matrix text with a wrong name, size or element
  kErrConditionNotFound = -13,  // operands of kinds no step takes
  kErrMemory = -12,             // also a limit of SetCallLimits reached
  kErrNotEven = -11,
  kErrNotInteger = -10,
  kErrDivisionByZero = -9,
  kErrNotANumber = -8,
  kErrTokenMatch = -7,
  kErrNoReturnValue = -6,  // no place to write the result to
  kErrUndefinedFunction = -5,
  kErrParseSyntax = -4,
  kErrEvalSyntax = -3,
  kErrAmbiguous = -2,
  kNoError = -1,
};

// Errors of the matrix routines (0 .. 50). The routines return kMatOk when
// they succeed; predicates answer kMatTrue or kMatFalse instead.
enum MatrixError : int16_t {
  kMatOk = -1,
  kMatUnfinished = 0,  // the routine could not finish (an exception at the boundary)
  kMatOrdersNotEqual = 1,
  kMatOrdersNotValid = 2,
  kMatNotSquare = 3,
  kMatSingular = 4,
  kMatInvalidParameter = 5,
  kMatVectorExpected = 6,
  kMatWrongRanks = 7,
  kMatWrongPoints = 8,
  kMatCoefficientRank = 9,  // more coefficients than points
  kMatNoSolution = 10,
  kMatWrongSwap = 11,
  kMatCoefficientRank2 = 15,  // the text of 9 under a second number
  kMatNotDefined = 20,        // a missing array or an unknown handle
  kMatIsZero = 21,
  kMatInvalidElemOrder = 50,
};

// The answers of the matrix predicates (aMatrIsZero, aMatrAreEquals, ...).
inline constexpr int32_t kMatTrue = -1;
inline constexpr int32_t kMatFalse = 0;

}  // namespace tarnix
