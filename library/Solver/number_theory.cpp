// Greatest common factor, least common multiple, factorial, two primality
// tests and linear interpolation. Results that do not fit 32 bits are
// -2147483648, the library's integer out-of-range value.
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "../core/errors.h"
#include "solver.h"

namespace tarnix::solver {
namespace {

int32_t ToInt32(int64_t v) {
  return (v >= INT32_MIN && v <= INT32_MAX) ? static_cast<int32_t>(v) : INT32_MIN;
}

// Euclid on exact 64-bit integers. The remainder once passed through single
// precision, which made operands above 2^24 give wrong factors.
// Magnitudes are taken in 64 bits (|-2147483648| fits there).
int64_t CommonFactor(int64_t a, int64_t b) {
  a = a < 0 ? -a : a;
  b = b < 0 ? -b : b;
  while (b != 0) {
    const int64_t r = a % b;
    a = b;
    b = r;
  }
  return a;
}

}  // namespace

int32_t GCF(int32_t a, int32_t b) { return ToInt32(CommonFactor(a, b)); }

int32_t LCM(int32_t a, int32_t b) {
  if (a == 0 || b == 0) return 0;
  const int64_t g = CommonFactor(a, b);
  const int64_t product = (int64_t{a} / g) * (int64_t{b} / g);  // at most 2^62 in magnitude
  const double lcm = std::fabs(static_cast<double>(product) * static_cast<double>(g));
  return lcm <= INT32_MAX ? static_cast<int32_t>(lcm) : INT32_MIN;
}

double fact(int32_t n) {
  double result = 1.0;
  for (int32_t i = 2; i <= n && std::isfinite(result); ++i) result *= i;
  return result;
}

int32_t IsPrime(int32_t n) {
  if (n < 2) return 0;
  if (n == 2) return -1;
  if (n % 2 == 0) return 0;
  if (n < 8) return -1;
  if (n % 3 == 0 || n % 5 == 0 || n % 7 == 0) return 0;
  if (n < 38) return -1;
  // Trial division on the wheel of 30: the offsets of the numbers prime to 30.
  constexpr int32_t kWheel[] = {11, 13, 17, 19, 23, 29, 31, 37};
  const int32_t s = static_cast<int32_t>(std::lround(std::sqrt(static_cast<double>(n))));
  for (int32_t off = 0; off <= s; off += 30) {
    for (int32_t d : kWheel) {
      if (n % (off + d) == 0) return 0;
    }
  }
  return -1;
}

int32_t lIsPrime(int32_t n) {
  // The smallest divisor of an even number is 2 (2 itself is prime); below
  // 2 there is no prime and no divisor to name.
  if (n < 2) return 0;
  if (n % 2 == 0) return n == 2 ? -1 : 2;
  int32_t limit = n;
  for (int32_t i = 3; i < limit; i += 2) {
    if (n % i == 0) return i;
    limit = n / i;
  }
  return -1;
}

int32_t InterpLin(const double* x, const double* x1, const double* x2, const double* y1,
                  const double* y2, double* y) {
  if (x == nullptr || x1 == nullptr || x2 == nullptr || y1 == nullptr || y2 == nullptr ||
      y == nullptr) {
    return kMatNotDefined;
  }
  if (*x1 == *x2) return kMatInvalidParameter;  // no line through two points at one abscissa
  *y = *y1 + (*x - *x1) / (*x2 - *x1) * (*y2 - *y1);
  return 0;
}

}  // namespace tarnix::solver
