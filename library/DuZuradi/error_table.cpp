// The error numbers -22..78 and their descriptions, spelled as users have
// always seen them (misspellings included: callers match on these texts).
#include <array>

#include "duzuradi.h"

namespace tarnix {
namespace {

constexpr int kFirstCode = -22;
constexpr int kLastCode = 78;

constexpr std::array<std::string_view, kLastCode - kFirstCode + 1> MakeTable() {
  std::array<std::string_view, kLastCode - kFirstCode + 1> t{};
  auto at = [&t](int code) -> std::string_view& { return t[code - kFirstCode]; };
  at(-22) = "Invalid Parameter. Unable to return string";
  at(-21) = "Singolarity";
  at(-20) = "Interrupted (eval)";
  at(-19) = "No root found (eval)";
  at(-18) = "Not a polynomial in the variable (eval)";
  at(-17) = "Matrix not found (eval)";
  at(-16) = "Invalid parameter (eval)";
  at(-15) = "No enought matrix elements (eval)";
  at(-14) = "Wrong string matrix (eval)";
  at(-13) = "Condition not found (eval)";
  at(-12) = "Memory alloc error (eval)";
  at(-11) = "Not even number (eval)";
  at(-10) = "Expression/value not integer (eval)";
  at(-9) = "Division by zero (eval)";
  at(-8) = "Result is not a number (eval)";
  at(-7) = "Token match error (eval)";
  at(-6) = "Returned Value not defined (eval)";
  at(-5) = "Undefined function (eval)";
  at(-4) = "Parser syntax error (eval)";
  at(-3) = "Evaluator syntax error (eval)";
  at(-2) = "Ambiguous function name detected (eval)";
  at(-1) = "No Error";
  at(0) = "Undefined error (procedure exit before completion) (aMatr)";
  at(1) = "Orders not equal (aMatr)";
  at(2) = "Orders not valid (aMatr)";
  at(3) = "Matrix not squared (aMatr)";
  at(4) = "Matrix singolar (aMatr)";
  at(5) = "Invalid Parameter (aMatr)";
  at(6) = "Vector expected not Matrix (aMatr)";
  at(7) = "Wrong Matrix ranks (aMatr)";
  at(8) = "Wrong vector of points (aMatr)";
  at(9) = "Rank of matrix of coefficients greather then n-2 (aMatr)";
  at(10) = "System without Solutions (aMatr)";
  at(11) = "Wrong SWAP Row or Col (aMatr)";
  at(15) = "Rank of matrix of coefficients greather then n-2 (aMatr)";
  at(20) = "Matrix not defined (aMatr)";
  at(21) = "Matrix is Zero (aMatr)";
  at(50) = "Invalid aElemOrder (aMatr)";
  return t;
}

constexpr auto kTable = MakeTable();

}  // namespace

std::string_view ErrorDescription(int32_t code) {
  if (code < kFirstCode || code > kLastCode) return {};
  return kTable[static_cast<std::size_t>(code - kFirstCode)];
}

}  // namespace tarnix
