// Linear algebra exports: the edge cases of each routine, and determinant,
// inverse, Cramer's rule and products against an independent LU reference
// on random small matrices.
#include <cmath>
#include <random>

#include "tarnix_test.h"

namespace tarnix_test {
namespace {

using Values = std::vector<double>;

// Reference: LU decomposition with partial (row) pivoting.
struct Lu {
  Values lu;
  std::vector<int> perm;
  double det = 1;
};

Lu Decompose(const Values& a, int n) {
  Lu r{a, std::vector<int>(n), 1};
  for (int i = 0; i < n; ++i) r.perm[i] = i;
  for (int k = 0; k < n; ++k) {
    int p = k;
    for (int i = k + 1; i < n; ++i) {
      if (std::fabs(r.lu[i * n + k]) > std::fabs(r.lu[p * n + k])) p = i;
    }
    if (p != k) {
      for (int j = 0; j < n; ++j) std::swap(r.lu[k * n + j], r.lu[p * n + j]);
      std::swap(r.perm[k], r.perm[p]);
      r.det = -r.det;
    }
    r.det *= r.lu[k * n + k];
    for (int i = k + 1; i < n; ++i) {
      r.lu[i * n + k] /= r.lu[k * n + k];
      for (int j = k + 1; j < n; ++j) r.lu[i * n + j] -= r.lu[i * n + k] * r.lu[k * n + j];
    }
  }
  return r;
}

Values LuSolve(const Lu& f, int n, const Values& b) {
  Values x(n);
  for (int i = 0; i < n; ++i) {
    double s = b[f.perm[i]];
    for (int j = 0; j < i; ++j) s -= f.lu[i * n + j] * x[j];
    x[i] = s;
  }
  for (int i = n - 1; i >= 0; --i) {
    double s = x[i];
    for (int j = i + 1; j < n; ++j) s -= f.lu[i * n + j] * x[j];
    x[i] = s / f.lu[i * n + i];
  }
  return x;
}

Values RandomMatrix(std::mt19937& rng, int rows, int cols) {
  std::uniform_real_distribution<double> d(-5, 5);
  Values m(rows * cols);
  for (double& x : m) x = d(rng);
  return m;
}

TEST(LinearAlgebra, AgreesWithAnLuReferenceOnRandomMatrices) {
  std::mt19937 rng(20261208);
  for (int trial = 0; trial < 300; ++trial) {
    const int n = 1 + trial % 7;
    Values a = RandomMatrix(rng, n, n);
    const Lu ref = Decompose(a, n);
    const double scale = std::max(1.0, std::fabs(ref.det));

    Values copy = a;
    double det = 0;
    ASSERT_EQ(aDet(copy.data(), n, &det), -1);
    EXPECT_EQ(copy, a) << "aDet changed its argument";
    EXPECT_NEAR(det, ref.det, 1e-9 * scale) << "n = " << n;
    EXPECT_EQ(aDetN(a.data(), n), det);

    Values b = RandomMatrix(rng, n, 1);
    Values x(n, 0.0);
    ASSERT_EQ(aSist(a.data(), n, b.data(), x.data()), -1);
    const Values xr = LuSolve(ref, n, b);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(x[i], xr[i], 1e-7 * std::max(1.0, std::fabs(xr[i])));

    Values inv = a;
    ASSERT_EQ(aInv(inv.data(), n), -1);
    for (int j = 0; j < n; ++j) {
      Values e(n, 0.0);
      e[j] = 1;
      const Values col = LuSolve(ref, n, e);
      for (int i = 0; i < n; ++i) {
        EXPECT_NEAR(inv[i * n + j], col[i], 1e-7 * std::max(1.0, std::fabs(col[i])));
      }
    }

    const int c2 = 1 + trial % 5;
    Values bm = RandomMatrix(rng, n, c2);
    Values r(n * c2, 0.0);
    ASSERT_EQ(aMultEx(a.data(), n, n, bm.data(), n, c2, r.data()), -1);
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < c2; ++j) {
        double s = 0;
        for (int k = 0; k < n; ++k) s += a[i * n + k] * bm[k * c2 + j];
        EXPECT_EQ(r[i * c2 + j], s);
      }
    }
  }
}

TEST(LinearAlgebra, DeterminantThresholds) {
  double two_equal_rows[16] = {1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 9, 1, 2, 5};
  double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  double tiny[16] = {1e-4, 0, 0, 0, 0, 1e-3, 0, 0, 0, 0, 1e-3, 0, 0, 0, 0, 1e-3};  // 1e-13
  double tiny3[9] = {1e-5, 0, 0, 0, 1e-4, 0, 0, 0, 1e-4};                          // no threshold
  EXPECT_EQ(aDetN(two_equal_rows, 4), 0.0);
  EXPECT_EQ(aDetN(identity, 4), 1.0);
  EXPECT_EQ(aDetN(tiny, 4), 0.0);
  EXPECT_NEAR(aDetN(tiny3, 3), 1e-13, 1e-27);
  double m2[4] = {1, 2, 3, 4};
  double m3[9] = {2, 0, 0, 0, 3, 0, 0, 0, 4};
  EXPECT_EQ(aDetN(m2, 2), -2);
  EXPECT_EQ(aDetN(m3, 3), 24);
  double one[1] = {5};
  EXPECT_EQ(aDetN(one, 1), 5);
  double out = 0;
  EXPECT_EQ(aDet(nullptr, 0, &out), -1);
  EXPECT_EQ(out, 1);  // the empty product
}

TEST(LinearAlgebra, InverseAndSystemEdgeCases) {
  double singular[9] = {1, 2, 3, 2, 4, 6, 1, 1, 1};
  const Values before(singular, singular + 9);
  EXPECT_EQ(aInv(singular, 3), 4);
  EXPECT_EQ(Values(singular, singular + 9), before);
  double one[1] = {4};
  EXPECT_EQ(aInv(one, 1), -1);
  EXPECT_EQ(one[0], 0.25);
  double a[4] = {2, 0, 0, 4};
  double b[2] = {2, 8};
  double x[2] = {0, 0};
  EXPECT_EQ(aSist(a, 2, b, x), -1);
  EXPECT_EQ(x[0], 1);
  EXPECT_EQ(x[1], 2);
  double s[4] = {1, 2, 2, 4};
  double untouched[2] = {7, 7};
  EXPECT_EQ(aSist(s, 2, b, untouched), 4);
  EXPECT_EQ(untouched[0], 7);
  double r[4];
  double div_a[4] = {4, 7, 2, 6};
  EXPECT_EQ(aDiv(div_a, 2, div_a, r), -1);
  EXPECT_NEAR(r[0], 1, 1e-15);
  EXPECT_NEAR(r[1], 0, 1e-15);
  EXPECT_EQ(aDiv(div_a, 2, s, r), 4);
}

TEST(LinearAlgebra, SingularDecimalMatricesAreNotInverted) {
  // Rounding leaves 0.1 .. 0.9 a determinant of about 7e-18: its "inverse"
  // would hold numbers of 1e16.
  double decimal[9] = {0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9};
  EXPECT_EQ(aInv(decimal, 3), 4);
  EXPECT_EQ(aMatrIsSing(decimal, 3), -1);
  double b[3] = {1, 2, 3};
  double x[3] = {0, 0, 0};
  EXPECT_EQ(aSist(decimal, 3, b, x), 4);
  double five[25];
  for (int i = 0; i < 25; ++i) five[i] = 0.1 * (i + 1);  // rank 2
  EXPECT_EQ(aInv(five, 5), 4);
  // Scale alone makes no matrix singular.
  double small[9] = {1e-5, 0, 0, 0, 1e-4, 0, 0, 0, 1e-4};
  EXPECT_EQ(aInv(small, 3), -1);
  EXPECT_NEAR(small[0], 1e5, 1e-9);
  double hilbert[16];
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) hilbert[i * 4 + j] = 1.0 / (i + j + 1);
  }
  EXPECT_EQ(aInv(hilbert, 4), -1);
  EXPECT_NEAR(hilbert[0], 16, 1e-9);
}

TEST_F(Engine, SingularMatricesFailInExpressions) {
  SetStrMatrix("[mD];3;3;0.1;0.2;0.3;0.4;0.5;0.6;0.7;0.8;0.9", 0, 0);
  SetStrMatrix("[vB];3;1;1;2;3", 0, 0);
  EXPECT_EQ(Eval("[mD]I").error, 4);
  EXPECT_EQ(Eval("syst([mD];[vB])").error, 4);
  EXPECT_EQ(Eval("[mD]^-1").error, 4);
}

TEST(LinearAlgebra, ProductsPowersAndElementWise) {
  double a[6] = {1, 2, 3, 4, 5, 6};
  double b[6] = {1, 0, 0, 1, 1, 1};
  double r[9] = {0};
  EXPECT_EQ(aMultEx(a, 2, 3, b, 2, 3, r), 7);
  EXPECT_EQ(r[0], 0);
  EXPECT_EQ(aMultEx(a, 2, 3, b, 3, 2, r), -1);
  EXPECT_EQ(Values(r, r + 4), (Values{4, 5, 10, 11}));
  double sq[4] = {1, 1, 0, 1};
  double p[4] = {9, 9, 9, 9};
  EXPECT_EQ(aPow(sq, 2, 1, p), -1);
  EXPECT_EQ(p[0], 9);  // k <= 1 leaves R alone
  EXPECT_EQ(aPow(sq, 2, 5, p), -1);
  EXPECT_EQ(Values(p, p + 4), (Values{1, 5, 0, 1}));
  double v[3] = {1, 1, 1};
  double w[2];
  EXPECT_EQ(aMultVect(a, 2, 3, v, w), -1);
  EXPECT_EQ(w[0], 6);
  EXPECT_EQ(w[1], 15);
  double sum[6];
  EXPECT_EQ(aSum(a, 2, 3, b, sum), -1);
  EXPECT_EQ(sum[5], 7);
  EXPECT_EQ(aDiff(a, 2, 3, b, sum), -1);
  EXPECT_EQ(sum[5], 5);
  EXPECT_EQ(aSumMem(a, 2, 3, b, sum), -1);
  EXPECT_EQ(sum[0], 2);
  double c[6] = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(aSumScal(c, 2, 3, 1), -1);
  EXPECT_EQ(aProdScal(c, 2, 3, 2), -1);
  EXPECT_EQ(aOpp(c, 2, 3), -1);
  EXPECT_EQ(Values(c, c + 6), (Values{-4, -6, -8, -10, -12, -14}));
  double t[6];
  EXPECT_EQ(aTraspEx(a, 2, 3, t), -1);
  EXPECT_EQ(Values(t, t + 6), (Values{1, 4, 2, 5, 3, 6}));
  EXPECT_EQ(aTrasp(a, 2, 3), -1);
  EXPECT_EQ(Values(a, a + 6), (Values{1, 4, 2, 5, 3, 6}));
  double m2[4] = {1, 2, 3, 4};
  double tr = 0;
  EXPECT_EQ(aTrace(m2, 2, &tr), -1);
  EXPECT_EQ(tr, 5);
  EXPECT_EQ(aTraceN(m2, 2), 5);
  EXPECT_EQ(aTraspSq(m2, 2), -1);
  EXPECT_EQ(Values(m2, m2 + 4), (Values{1, 3, 2, 4}));
}

TEST(LinearAlgebra, CopiesExchangesAndPredicates) {
  double a[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  double b[9] = {0};
  EXPECT_EQ(aCopy(a, 3, 3, b), -1);
  EXPECT_EQ(aMatrAreEquals(a, 3, 3, b, 3, 3), -1);
  b[4] = 5.0000000000000009;
  EXPECT_EQ(aMatrAreEquals(a, 3, 3, b, 3, 3), 0);
  EXPECT_EQ(aMatrAreEquals(a, 2, 3, b, 3, 2), 1);
  EXPECT_EQ(aDupl(a, 3, 3, b), -1);
  EXPECT_EQ(aSwapRC(a, 3, 3, 1, 1, 3), -1);
  EXPECT_EQ(Values(a, a + 3), (Values{7, 8, 9}));
  EXPECT_EQ(aSwapRC(a, 3, 3, 0, 1, 2), -1);
  EXPECT_EQ(Values(a, a + 3), (Values{8, 7, 9}));
  EXPECT_EQ(aSwapRC(a, 3, 3, 1, 1, 4), 11);
  EXPECT_EQ(aSwapRC(a, 3, 3, 1, 0, 2), 11);
  double x[2] = {1, 2}, y[2] = {3, 4};
  EXPECT_EQ(aSwap(x, 1, 2, y), -1);
  EXPECT_EQ(x[0], 3);
  EXPECT_EQ(aSwap(nullptr, 1, 2, y), 20);

  double unit[4] = {1, 0, 0, 1};
  double almost[4] = {1, 1e-300, 0, 1};
  double zero[4] = {0, -0.0, 0, 0};
  double rot[4] = {0, -1, 1, 0};
  EXPECT_EQ(aMatrIsUnit(unit, 2), -1);
  EXPECT_EQ(aMatrIsUnit(almost, 2), 0);
  EXPECT_EQ(aMatrIsZero(zero, 2), -1);
  EXPECT_EQ(aMatrIsZero(unit, 2), 0);
  double sing[4] = {1, 2, 2, 4};
  EXPECT_EQ(aMatrIsSing(sing, 2), -1);
  EXPECT_EQ(aMatrIsSing(unit, 2), 0);
  EXPECT_EQ(aMatrIsOrtog(rot, 2), -1);
  EXPECT_EQ(aMatrIsOrtog(sing, 2), 0);
  double rot_t[4] = {0, 1, -1, 0};
  EXPECT_EQ(aMatrAreOrtog(rot, 2, rot_t), -1);
  EXPECT_EQ(aMatrAreOrtog(rot, 2, rot), 0);
  double v[2] = {3, 4};
  double mod = 0;
  EXPECT_EQ(aVectMod(v, 2, &mod), -1);
  EXPECT_EQ(mod, 5);
  EXPECT_EQ(aMatrMod(v, 2, &mod), -1);
  EXPECT_EQ(aSub(), 0);
  EXPECT_EQ(aCombine(), 0);
  EXPECT_EQ(aInsert(), 0);
}

TEST(LinearAlgebra, DiagonalOfTheTriangularForm) {
  double a[9] = {2, 1, 1, 4, 3, 3, 8, 7, 9};
  EXPECT_EQ(aDiag(a, 3), -1);
  // Off the diagonal everything is 0; the diagonal multiplies to the determinant.
  EXPECT_EQ(a[1], 0);
  EXPECT_EQ(a[3], 0);
  EXPECT_NEAR(a[0] * a[4] * a[8], 4, 1e-12);
}

TEST(LinearAlgebra, RefusesMissingArraysAndNegativeSizes) {
  double a[4] = {1, 2, 3, 4};
  double out = 0;
  EXPECT_EQ(aDet(nullptr, 2, &out), 20);
  EXPECT_EQ(aDet(a, -1, &out), 5);
  EXPECT_EQ(aInv(nullptr, 2), 20);
  EXPECT_EQ(aMultEx(a, 2, 2, nullptr, 2, 2, a), 20);
  EXPECT_EQ(aSum(a, -2, 2, a, a), 5);
  EXPECT_EQ(aMatrIsUnit(nullptr, 2), 0);
}

TEST(LinearAlgebra, ColumnMajorCallersGetTheirOrderBack) {
  aElemOrderSet(1);
  // Column-major [[1, 2], [3, 4]] lies in memory as 1, 3, 2, 4.
  double a[4] = {1, 3, 2, 4};
  double b[4] = {2, 1, 0, 1};  // [[2, 0], [1, 1]] column-major
  double r[4];
  EXPECT_EQ(aMultSq(a, 2, b, r), -1);
  EXPECT_EQ(aDetN(a, 2), -2);
  aElemOrderSet(0);
  // A B = [[4, 2], [10, 4]], column-major 4, 10, 2, 4.
  EXPECT_EQ(Values(r, r + 4), (Values{4, 10, 2, 4}));
}

// The fit takes its design matrix as it lies, row-major, whatever the
// element order says; the order is the same after the fit as before it.
TEST(LinearAlgebra, TheFitReadsItsDesignMatrixRowMajorUnderEveryElementOrder) {
  // y = 1 + 2x at x = 0, 1, 2, 3: rows (1, x).
  double a[8] = {1, 0, 1, 1, 1, 2, 1, 3};
  double y[4] = {1, 3, 5, 7};
  for (const int order : {0, 1}) {
    ASSERT_EQ(aElemOrderSet(order), -1);
    double coeff[2] = {-7, -7};
    EXPECT_EQ(aCalcVectCoeff(a, 4, 2, y, coeff), -1) << "order " << order;
    EXPECT_NEAR(coeff[0], 1, 1e-12) << "order " << order;
    EXPECT_NEAR(coeff[1], 2, 1e-12) << "order " << order;
    EXPECT_EQ(aElemOrderGet(), order);
    // A copy after the fit is reordered for a column-major caller again.
    const double src[4] = {1, 2, 3, 4};
    double dst[4] = {};
    aCopyArray(src, dst, 2, 2);
    EXPECT_EQ(Values(dst, dst + 4), order == 1 ? (Values{1, 3, 2, 4}) : (Values{1, 2, 3, 4}));
  }
  aElemOrderSet(0);
}

}  // namespace
}  // namespace tarnix_test
