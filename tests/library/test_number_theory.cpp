// Number theory, interpolation and polynomial coefficients against
// straightforward references.
#include <climits>
#include <cmath>
#include <numeric>
#include <random>

#include "tarnix_test.h"

namespace tarnix_test {
namespace {

bool ReferencePrime(int64_t n) {
  if (n < 2) return false;
  for (int64_t d = 2; d * d <= n; ++d) {
    if (n % d == 0) return false;
  }
  return true;
}

// The smallest divisor of n from 2 up, -1 for a prime, 0 below 2.
int ReferenceSmallestFactor(int64_t n) {
  if (n < 2) return 0;
  for (int64_t d = 2; d * d <= n; ++d) {
    if (n % d == 0) return static_cast<int>(d);
  }
  return -1;
}

TEST(NumberTheory, PrimalityAgreesWithTrialDivisionUpTo100000) {
  for (int n = -10; n <= 100000; ++n) {
    ASSERT_EQ(IsPrime(n), ReferencePrime(n) ? -1 : 0) << n;
    ASSERT_EQ(lIsPrime(n), ReferenceSmallestFactor(n)) << n;
  }
}

TEST(NumberTheory, PrimalityOnRandom32BitValues) {
  std::mt19937 rng(31);
  std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
  for (int k = 0; k < 3000; ++k) {
    const int32_t n = any(rng);
    ASSERT_EQ(IsPrime(n), ReferencePrime(n) ? -1 : 0) << n;
    ASSERT_EQ(lIsPrime(n), ReferenceSmallestFactor(n)) << n;
  }
  for (int32_t n : {INT32_MAX, 2147483629, 2147483587, 46340 * 46340, 46337 * 46301}) {
    EXPECT_EQ(IsPrime(n), ReferencePrime(n) ? -1 : 0) << n;
  }
}

TEST(NumberTheory, FactorsAgreeWithExactReferences) {
  for (int a = 0; a <= 100000; a += 7) {
    for (int b : {0, 1, 2, 6, 35, 360, 1001, 99991, a + 1, 2 * a}) {
      ASSERT_EQ(GCF(a, b), std::gcd(a, b)) << a << ", " << b;
      ASSERT_EQ(GCF(-a, b), std::gcd(a, b)) << a << ", " << b;
      const int64_t lcm = std::lcm(int64_t{a}, int64_t{b});
      ASSERT_EQ(LCM(a, -b), lcm <= INT32_MAX ? lcm : INT32_MIN) << a << ", " << b;
    }
  }
  std::mt19937 rng(7);
  std::uniform_int_distribution<int32_t> any(-INT32_MAX, INT32_MAX);
  for (int k = 0; k < 20000; ++k) {
    const int32_t a = any(rng), b = any(rng);
    ASSERT_EQ(GCF(a, b), std::gcd(a, b)) << a << ", " << b;
  }
  // Common factors above 2^24, where a single-precision remainder went wrong.
  for (int32_t f : {16777259, 33554467, 100000007}) {
    for (int32_t a : {2, 3, 5, 7, 11, 20}) {
      for (int32_t b : {3, 4, 9, 13, 21}) {
        if (int64_t{f} * std::max(a, b) > INT32_MAX) continue;
        ASSERT_EQ(GCF(f * a, f * b), f * std::gcd(a, b)) << f << " " << a << " " << b;
      }
    }
  }
}

TEST(NumberTheory, FactorEdgeCases) {
  EXPECT_EQ(GCF(-12, 18), 6);
  EXPECT_EQ(GCF(7, 7), 7);
  EXPECT_EQ(LCM(4, 6), 12);
  EXPECT_EQ(LCM(-4, 6), 12);
  EXPECT_EQ(GCF(0, 0), 0);
  EXPECT_EQ(GCF(0, -5), 5);
  EXPECT_EQ(LCM(0, 5), 0);
  // 2^31 does not fit: the library's out-of-range value.
  EXPECT_EQ(GCF(INT32_MIN, INT32_MIN), INT32_MIN);
  EXPECT_EQ(GCF(INT32_MIN, 0), INT32_MIN);
  EXPECT_EQ(GCF(INT32_MIN, 6), 2);
  EXPECT_EQ(LCM(INT32_MIN, 3), INT32_MIN);
  EXPECT_EQ(LCM(100000, 99999), INT32_MIN);
  // Large operands terminate with some factor, whatever single precision does.
  std::mt19937 rng(3);
  std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
  for (int k = 0; k < 20000; ++k) {
    const int32_t g = GCF(any(rng), any(rng));
    EXPECT_TRUE(g > 0 || g == INT32_MIN) << g;
  }
}

TEST(NumberTheory, Factorials) {
  EXPECT_EQ(fact(0), 1);
  EXPECT_EQ(fact(1), 1);
  EXPECT_EQ(fact(-5), 1);
  EXPECT_EQ(fact(5), 120);
  EXPECT_EQ(fact(20), 2432902008176640000.0);
  EXPECT_TRUE(std::isfinite(fact(170)));
  EXPECT_EQ(fact(171), INFINITY);
  EXPECT_EQ(fact(INT32_MAX), INFINITY);
  EXPECT_EQ(fact_inv(), 0);
  EXPECT_EQ(IntBezier2D(1, 2, 3, 4, 5, 6), 0);
}

TEST(NumberTheory, LinearInterpolation) {
  double x = 1.5, x1 = 1, x2 = 2, y1 = 10, y2 = 20, y = 0;
  EXPECT_EQ(InterpLin(&x, &x1, &x2, &y1, &y2, &y), 0);
  EXPECT_EQ(y, 15);
  x = 3;
  EXPECT_EQ(InterpLin(&x, &x1, &x2, &y1, &y2, &y), 0);
  EXPECT_EQ(y, 30);  // outside [x1, x2] it extrapolates
  x2 = 1;
  y = 7;
  EXPECT_EQ(InterpLin(&x, &x1, &x2, &y1, &y2, &y), 5);
  EXPECT_EQ(y, 7);
  EXPECT_EQ(InterpLin(&x, &x1, &x2, &y1, nullptr, &y), 20);
}

TEST(Coefficients, FitsRecoverExactPolynomials) {
  double points[6] = {0, 1, 2, 1, 3, 5};  // (0, 1), (1, 3), (2, 5)
  double c[2] = {0, 0};
  EXPECT_EQ(aCalcCoeffPolin(points, 3, 2, c), -1);
  EXPECT_NEAR(c[0], 1, 1e-12);
  EXPECT_NEAR(c[1], 2, 1e-12);
  double four[4];
  EXPECT_EQ(aCalcCoeffPolin(points, 3, 4, four), 9);
  EXPECT_EQ(aCalcCoeffPolin(points, 3, 0, four), 9);

  std::mt19937 rng(11);
  std::uniform_real_distribution<double> d(-3, 3);
  for (int trial = 0; trial < 100; ++trial) {
    const int degree = trial % 4;
    const int n = degree + 1;
    const int m = n + 3;
    std::vector<double> exact(n), pts(2 * m), fit(n);
    for (double& v : exact) v = d(rng);
    for (int i = 0; i < m; ++i) {
      const double x = -1.5 + 3.0 * i / (m - 1);
      double y = 0;
      EXPECT_EQ(aGetYPolin(&x, exact.data(), n, &y), -1);
      pts[i] = x;
      pts[m + i] = y;
    }
    ASSERT_EQ(aCalcCoeffPolin(pts.data(), m, n, fit.data()), -1);
    for (int j = 0; j < n; ++j) EXPECT_NEAR(fit[j], exact[j], 1e-8) << "degree " << degree;
  }
}

TEST(Coefficients, ValuesAndQuadraticRoots) {
  double x = 2, y = 0;
  const double c[3] = {1, 2, 3};
  EXPECT_EQ(aGetYPolin(&x, c, 3, &y), -1);
  EXPECT_EQ(y, 17);
  double x1 = 9, x2 = 9, y0 = 0;
  const double q[3] = {-4, 0, 1};
  EXPECT_EQ(aGetXsOfQuadr(&y0, q, 3, &x1, &x2), -1);
  EXPECT_EQ(x1, 2);
  EXPECT_EQ(x2, -2);
  const double none[3] = {1, 0, 1};
  EXPECT_EQ(aGetXsOfQuadr(&y0, none, 3, &x1, &x2), 10);
  EXPECT_EQ(x1, 0);
  EXPECT_EQ(x2, 0);
  const double line[2] = {1, 2};
  double y5 = 5;
  EXPECT_EQ(aGetXsOfQuadr(&y5, line, 2, &x1, &x2), -1);
  EXPECT_EQ(x1, 2);
  // A constant takes the value at no abscissa; a line with slope 0 neither.
  EXPECT_EQ(aGetXsOfQuadr(&y5, line, 1, &x1, &x2), 10);
  EXPECT_EQ(x1, 0);
  const double flat[2] = {1, 0};
  EXPECT_EQ(aGetXsOfQuadr(&y5, flat, 2, &x1, &x2), 10);
  // No square term: the line's root.
  const double linear[3] = {1, 2, 0};
  EXPECT_EQ(aGetXsOfQuadr(&y5, linear, 3, &x1, &x2), -1);
  EXPECT_EQ(x1, 2);
  // Roots far apart keep their digits: x^2 - 1e8 x + 1 has 1e8 and 1e-8.
  const double wide[3] = {1, -1e8, 1};
  EXPECT_EQ(aGetXsOfQuadr(&y0, wide, 3, &x1, &x2), -1);
  EXPECT_NEAR(x1, 1e8, 1e-7);
  EXPECT_NEAR(x2, 1e-8, 1e-22);
  const double wide_plus[3] = {1, 1e8, 1};
  EXPECT_EQ(aGetXsOfQuadr(&y0, wide_plus, 3, &x1, &x2), -1);
  EXPECT_NEAR(x1, -1e-8, 1e-22);
  EXPECT_NEAR(x2, -1e8, 1e-7);
  x1 = x2 = 9;
  EXPECT_EQ(aGetXsOfQuadr(&y5, line, 4, &x1, &x2), 5);
  EXPECT_EQ(x1, 0);
  EXPECT_EQ(x2, 0);
}

TEST(Coefficients, VectorCoefficientsOfADesignMatrix) {
  // Rows (1, x) at x = 0, 1, 2 and y = 1 + 2x: the fit is (1, 2).
  double a[6] = {1, 0, 1, 1, 1, 2};
  double y[3] = {1, 3, 5};
  double c[2] = {0, 0};
  EXPECT_EQ(aCalcVectCoeff(a, 3, 2, y, c), -1);
  EXPECT_NEAR(c[0], 1, 1e-12);
  EXPECT_NEAR(c[1], 2, 1e-12);
  EXPECT_EQ(aCalcVectCoeff(a, 0, 2, y, c), 5);
  EXPECT_EQ(aCalcVectCoeff(nullptr, 3, 2, y, c), 20);
  // Two equal columns leave no unique fit: an error, not coefficients of noise.
  double same[6] = {1, 1, 2, 2, 3, 3};
  EXPECT_EQ(aCalcVectCoeff(same, 3, 2, y, c), 4);
  // Points that share one abscissa cannot fix a line.
  double points[6] = {2, 2, 2, 1, 3, 5};
  EXPECT_EQ(aCalcCoeffPolin(points, 3, 2, c), 4);
}

TEST_F(Engine, VcoeffWithoutAUniqueFitFails) {
  SetStrMatrix("[mA];2;2;1;1;2;2", 0, 0);
  SetStrMatrix("[vY];2;1;1;3", 0, 0);
  EXPECT_EQ(Eval("vcoeff([mA];[vY];2)").error, 4);
}

}  // namespace
}  // namespace tarnix_test
