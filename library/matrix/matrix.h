// The matrix engine as the expression evaluator sees it: matrix operands,
// the matrix steps of "+", "-", "*", "/", "^", the matrix functions and the
// clearing of an evaluation's internal matrices. A matrix operand's value is
// its handle.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnix::matrix {

// A matrix named in an expression becomes a fresh internal copy (with the
// I, T or D suffix applied); the value is the copy's handle, kind 1.
double LoadOperand(std::string_view name, char suffix, uint8_t& kind);

double CalcMatrixSumSubt(char op, double left, double right, uint8_t& left_kind,
                         uint8_t right_kind);
double CalcMatrixDivMult(char op, double left, double right, uint8_t& left_kind,
                         uint8_t right_kind);
double CalcMatrFunct(std::string_view name, double a1, double a2, double a3, uint8_t& kind,
                     uint8_t kind2, uint8_t kind3);

// 0 empties the store; a handle drops every internal matrix but that one.
int32_t ClearMatrixList(int32_t handle);

// The matrix result of de_eval, registered for the caller as "[mResult]".
void PublishResult(double handle);

}  // namespace tarnix::matrix
