// A value of an expression: a number, or the handle of a matrix, with its
// kind. The evaluator and the matrix steps hand values on whole.
#pragma once

#include <cstdint>

namespace tarnix {

// What a value is. Reports show the kind as its number (0 or 1).
enum class Kind : uint8_t { Number = 0, Matrix = 1 };

struct Value {
  double number = 0.0;
  Kind kind = Kind::Number;
};

inline constexpr Value Number(double number) { return {number, Kind::Number}; }
inline constexpr Value MatrixValue(double handle) { return {handle, Kind::Matrix}; }
inline constexpr bool IsMatrix(Value v) { return v.kind == Kind::Matrix; }
inline constexpr int KindNumber(Kind kind) { return static_cast<int>(kind); }

}  // namespace tarnix
