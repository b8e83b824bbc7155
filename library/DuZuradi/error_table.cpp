// The error numbers -22..78 and their descriptions, spelled as users have
// always seen them (misspellings included: callers match on these texts).
#include <array>

#include "duzuradi.h"

namespace tarnix {
namespace {

constexpr int kFirstCode = kErrCannotReturnText;
// Numbers up to 78 were once reserved for the matrix routines; those
// without a description read as "".
constexpr int kLastCode = 78;

constexpr std::array<std::string_view, kLastCode - kFirstCode + 1> MakeTable() {
  std::array<std::string_view, kLastCode - kFirstCode + 1> t{};
  auto at = [&t](int code) -> std::string_view& { return t[code - kFirstCode]; };
  at(kErrCannotReturnText) = "Invalid Parameter. Unable to return string";
  at(kErrSingularity) = "Singolarity";
  at(kErrInterrupted) = "Interrupted (eval)";
  at(kErrNoRoot) = "No root found (eval)";
  at(kErrNotAPolynomial) = "Not a polynomial in the variable (eval)";
  at(kErrMatrixNotFound) = "Matrix not found (eval)";
  at(kErrInvalidParameter) = "Invalid parameter (eval)";
  at(kErrTooFewElements) = "No enought matrix elements (eval)";
  at(kErrWrongStringMatrix) = "Wrong string matrix (eval)";
  at(kErrConditionNotFound) = "Condition not found (eval)";
  at(kErrMemory) = "Memory alloc error (eval)";
  at(kErrNotEven) = "Not even number (eval)";
  at(kErrNotInteger) = "Expression/value not integer (eval)";
  at(kErrDivisionByZero) = "Division by zero (eval)";
  at(kErrNotANumber) = "Result is not a number (eval)";
  at(kErrTokenMatch) = "Token match error (eval)";
  at(kErrNoReturnValue) = "Returned Value not defined (eval)";
  at(kErrUndefinedFunction) = "Undefined function (eval)";
  at(kErrParseSyntax) = "Parser syntax error (eval)";
  at(kErrEvalSyntax) = "Evaluator syntax error (eval)";
  at(kErrAmbiguous) = "Ambiguous function name detected (eval)";
  at(kNoError) = "No Error";
  at(kMatUnfinished) = "Undefined error (procedure exit before completion) (aMatr)";
  at(kMatOrdersNotEqual) = "Orders not equal (aMatr)";
  at(kMatOrdersNotValid) = "Orders not valid (aMatr)";
  at(kMatNotSquare) = "Matrix not squared (aMatr)";
  at(kMatSingular) = "Matrix singolar (aMatr)";
  at(kMatInvalidParameter) = "Invalid Parameter (aMatr)";
  at(kMatVectorExpected) = "Vector expected not Matrix (aMatr)";
  at(kMatWrongRanks) = "Wrong Matrix ranks (aMatr)";
  at(kMatWrongPoints) = "Wrong vector of points (aMatr)";
  at(kMatCoefficientRank) = "Rank of matrix of coefficients greather then n-2 (aMatr)";
  at(kMatNoSolution) = "System without Solutions (aMatr)";
  at(kMatWrongSwap) = "Wrong SWAP Row or Col (aMatr)";
  at(kMatCoefficientRank2) = "Rank of matrix of coefficients greather then n-2 (aMatr)";
  at(kMatNotDefined) = "Matrix not defined (aMatr)";
  at(kMatIsZero) = "Matrix is Zero (aMatr)";
  at(kMatInvalidElemOrder) = "Invalid aElemOrder (aMatr)";
  return t;
}

constexpr auto kTable = MakeTable();

}  // namespace

std::string_view ErrorDescription(int32_t code) {
  if (code < kFirstCode || code > kLastCode) return {};
  return kTable[static_cast<std::size_t>(code - kFirstCode)];
}

}  // namespace tarnix
