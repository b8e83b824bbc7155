// Matrix expressions: operand copies and suffixes, every operator mix, the
// matrix functions, the reports of their failures, and the results.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "tarnix_test.h"

namespace tarnix_test {
namespace {

using Values = std::vector<double>;

class MatrixExpr : public Engine {
 protected:
  void SetUp() override {
    Engine::SetUp();
    SetMatrix("[mA]", a_, 2, 2, 0);  // 4 7 / 2 6, det 10
    SetMatrix("[mS]", s_, 2, 2, 0);  // singular
    SetMatrix("[mC]", c_, 2, 3, 0);  // 1 2 3 / 4 5 6
    SetMatrix("[mD]", d_, 3, 4, 0);
    SetMatrix("[vB]", b_, 2, 1, 0);
    SetMatrix("[vR]", r_, 1, 2, 0);
    SetMatrix("[m3]", m3_, 3, 3, 0);
    SetMatrix("[v3]", v3_, 3, 1, 0);
    SetMatrix("[m1]", one_, 1, 1, 0);
  }

  struct MatrixResult {
    int status = 0;
    int error = 0;
    int rows = 0;
    int cols = 0;
    Values values;
  };

  static MatrixResult Evaluate(const std::string& expr) {
    MatrixResult r;
    double value = 0;
    r.status = e_eval(expr.c_str(), &value, 0);
    r.error = GetE_Error();
    if (r.status == 1) {
      const double* m = GetMatrixPtr(static_cast<int>(value), &r.rows, &r.cols);
      if (m != nullptr) r.values.assign(m, m + r.rows * r.cols);
    }
    return r;
  }

  double a_[4] = {4, 7, 2, 6};
  double s_[4] = {1, 2, 2, 4};
  double c_[6] = {1, 2, 3, 4, 5, 6};
  double d_[12] = {1, 0, 0, 1, 0, 1, 0, 1, 0, 0, 1, 1};
  double b_[2] = {1, 2};
  double r_[2] = {3, 4};
  double m3_[9] = {2, 0, 0, 0, 3, 0, 0, 0, 4};
  double v3_[3] = {2, 3, 4};
  double one_[1] = {4};
};

struct MatrixCase {
  const char* expr;
  int rows;
  int cols;
  Values values;
};

void PrintTo(const MatrixCase& c, std::ostream* os) { *os << c.expr; }

class MatrixResults : public MatrixExpr, public ::testing::WithParamInterface<MatrixCase> {};

TEST_P(MatrixResults, AreTheExpectedMatrices) {
  const MatrixCase c = GetParam();
  const MatrixResult r = Evaluate(c.expr);
  ASSERT_EQ(r.error, -1) << c.expr;
  EXPECT_EQ(r.status, 1) << c.expr;
  EXPECT_EQ(GetResultType(), 1);
  EXPECT_EQ(r.rows, c.rows) << c.expr;
  EXPECT_EQ(r.cols, c.cols) << c.expr;
  ASSERT_EQ(r.values.size(), c.values.size()) << c.expr;
  for (std::size_t k = 0; k < c.values.size(); ++k) {
    EXPECT_NEAR(r.values[k], c.values[k], 1e-12 * std::max(1.0, std::fabs(c.values[k])))
        << c.expr << " element " << k;
  }
}

INSTANTIATE_TEST_SUITE_P(
    OperatorMixes, MatrixResults,
    ::testing::Values(
        MatrixCase{"[mA]", 2, 2, {4, 7, 2, 6}}, MatrixCase{"[MA]+2", 2, 2, {6, 9, 4, 8}},
        MatrixCase{"2-[mA]", 2, 2, {-2, -5, 0, -4}}, MatrixCase{"[mA]-1", 2, 2, {3, 6, 1, 5}},
        MatrixCase{"[mA]-[mS]", 2, 2, {3, 5, 0, 2}}, MatrixCase{"[mA]*2", 2, 2, {8, 14, 4, 12}},
        MatrixCase{"3*[vB]", 2, 1, {3, 6}}, MatrixCase{"-[vB]", 2, 1, {-1, -2}},
        MatrixCase{"[mA]/2", 2, 2, {2, 3.5, 1, 3}}, MatrixCase{"[mA]*[vB]", 2, 1, {18, 14}},
        MatrixCase{"[vR]*[mA]", 1, 2, {20, 45}},
        MatrixCase{"[mC]*[mD]", 2, 4, {1, 2, 3, 6, 4, 5, 6, 15}},
        MatrixCase{"[mA]^1", 2, 2, {4, 7, 2, 6}}, MatrixCase{"[mA]^0", 2, 2, {1, 0, 0, 1}},
        MatrixCase{"[mA]^3", 2, 2, {260, 630, 180, 440}},
        MatrixCase{"[mA]*[mA]*[mA]", 2, 2, {260, 630, 180, 440}},
        MatrixCase{"[mA]^-1", 2, 2, {0.6, -0.7, -0.2, 0.4}},
        MatrixCase{"[mA]I", 2, 2, {0.6, -0.7, -0.2, 0.4}},
        MatrixCase{"[mA]*[mA]^-1", 2, 2, {1, 0, 0, 1}}, MatrixCase{"[mA]/[mA]", 2, 2, {1, 0, 0, 1}},
        MatrixCase{"2/[mA]", 2, 2, {1.2, -1.4, -0.4, 0.8}}, MatrixCase{"[m1]I", 1, 1, {0.25}},
        MatrixCase{"[m1]^-2", 1, 1, {0.0625}}, MatrixCase{"[mA]T", 2, 2, {4, 2, 7, 6}},
        MatrixCase{"[mC]T", 3, 2, {1, 4, 2, 5, 3, 6}},
        MatrixCase{"[mC]T*[mA]", 3, 2, {12, 31, 18, 44, 24, 57}},
        MatrixCase{"[mC]*[mC]T", 2, 2, {14, 32, 32, 77}},
        MatrixCase{"[mA]D", 2, 2, {7, 0, 0, -10.0 / 7}},
        MatrixCase{"[m3]D", 3, 3, {2, 0, 0, 0, 3, 0, 0, 0, 4}},
        MatrixCase{"syst([mA];[vB])", 2, 1, {-0.8, 0.6}},
        MatrixCase{"syst([vB];[mA])", 2, 1, {-0.8, 0.6}},
        MatrixCase{"syst([m3];[v3])", 3, 1, {1, 1, 1}},
        MatrixCase{"vcoeff([m3];[v3];3)", 3, 1, {1, 1, 1}},
        MatrixCase{"([mA]+[mA])*[vB]", 2, 1, {36, 28}},
        MatrixCase{
            "[m3]^40/2^40", 3, 3, {1, 0, 0, 0, std::pow(1.5, 40), 0, 0, 0, std::pow(2, 40)}}));

struct ScalarCase {
  const char* expr;
  double value;
};

class MatrixScalars : public MatrixExpr, public ::testing::WithParamInterface<ScalarCase> {};

TEST_P(MatrixScalars, GiveScalars) {
  const Result r = Eval(GetParam().expr);
  EXPECT_EQ(r.error, -1) << GetParam().expr;
  EXPECT_EQ(r.status, 0) << GetParam().expr;
  EXPECT_NEAR(r.value, GetParam().value, 1e-9) << GetParam().expr;
}

INSTANTIATE_TEST_SUITE_P(
    Functions, MatrixScalars,
    ::testing::Values(ScalarCase{"det([mA])", 10}, ScalarCase{"trace([mA])", 10},
                      ScalarCase{"det([m3])", 24}, ScalarCase{"det([mS])", 0},
                      ScalarCase{"det([mA]*[mA])", 100}, ScalarCase{"det([m1])+1", 5},
                      ScalarCase{"trace([mC]*[mC]T)", 91}, ScalarCase{"det([mA]I)*10", 1}));

struct FailureCase {
  const char* expr;
  int error;
  const char* report_start;  // the report up to its debug lines
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.expr; }

class MatrixFailures : public MatrixExpr, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(MatrixFailures, FailWithCodeAndReport) {
  const FailureCase c = GetParam();
  SetDebugF(2);
  ShowMsgs(1);
  const Result r = Eval(c.expr);
  EXPECT_EQ(r.error, c.error) << c.expr;
  EXPECT_EQ(r.status, c.error) << c.expr;
  ASSERT_EQ(Boxes().size(), 1u) << c.expr;
  EXPECT_EQ(Boxes()[0].text.substr(0, std::strlen(c.report_start)), c.report_start) << c.expr;
  EXPECT_NE(Boxes()[0].text.find("   expression = '"), std::string::npos) << c.expr;
  // The caller's matrices are as they were.
  EXPECT_EQ(Values(a_, a_ + 4), (Values{4, 7, 2, 6}));
  EXPECT_EQ(Values(s_, s_ + 4), (Values{1, 2, 2, 4}));
  EXPECT_EQ(Values(b_, b_ + 2), (Values{1, 2}));
}

INSTANTIATE_TEST_SUITE_P(
    Reports, MatrixFailures,
    ::testing::Values(
        FailureCase{"[mA]^1.5", -10,
                    "Procedure: CalcMatrixDivMult, nr. 12a\r\nExponent of Matrix (es. [mA]^n) is "
                    "not integer.\r\n\r\nDebug:\r\n   Exp = 1.5000000000\r\n"},
        FailureCase{"[mC]*[mC]", 2,
                    "Procedure: CalcMatrixDivMult, nr. 12f\r\nIncorrect matrices' order. \r\nIf "
                    "A(r1, c1) * B(r2, c2) must be c1 = r2.\r\n\r\nDebug:\r\n   c1 = 3\r\n   r2 "
                    "= 2\r\n"},
        FailureCase{"[vB]*[mA]", 2, "Procedure: CalcMatrixDivMult, nr. 12f\r\n"},
        FailureCase{"[mA]/0", -9,
                    "Calculation error, token = ''\r\nDivision by zero.\r\nDebug:\r\n"},
        FailureCase{"[mA]/[mS]", 4,
                    "Procedure:CalcMatrixDivMult, nr. 12c\r\nMatrix error, token = ''\r\n\r\n"
                    "Matrix is singolar (det = 0) or not squared. It can not be inverted\r\n\r\n"
                    "Debug:\r\n   r2 = 2\r\n   c2 = 2\r\n"},
        FailureCase{"[mA]/[mC]", 3, "Procedure:CalcMatrixDivMult, nr. 12c\r\n"},
        FailureCase{"[mC]/[mA]", 2, "Procedure: CalcMatrixDivMult, nr. 12f\r\n"},
        FailureCase{"2/[mS]", 4,
                    "Procedure:CalcMatrixDivMult, nr. 12d\r\nMatrix error, token = ''\r\n\r\n"
                    "Matrix is singolar (det = 0) or not squared. It can not be invertedDebug:\r\n"
                    "   r1 = 2\r\n   c1 = 2\r\n"},
        FailureCase{"2^[mA]", -13,
                    "Procedure: CalcMatrixDivMult, nr. 12b\r\nConditions not found.\r\n\r\n"
                    "Debug:\r\n   nnTp = 0\r\n   n2Tp = 1\r\n"},
        FailureCase{"[mA]^[mA]", -13, "Procedure: CalcMatrixDivMult, nr. 12b\r\n"},
        FailureCase{"[mS]^-1", 4, "Procedure:CalcMatrixDivMult, nr. 12h\r\n"},
        FailureCase{"[mC]^2", 3, "Procedure: CalcMatrixDivMult, nr. 12g\r\n"},
        FailureCase{"[mA]+[mC]", 1,
                    "ProcedureCalcMatrixSumSubt, nr. 11h\r\nOrders not equal.\r\n\r\nDebug:\r\n"
                    "   r1, c1 = 2, 2\r\n   r2, c2 = 2, 3\r\n"},
        FailureCase{"[mA]-[vB]", 1, "ProcedureCalcMatrixSumSubt, nr. 11h\r\n"},
        FailureCase{"det([mC])", 3,
                    "ProcedureCalcMatrFunct, nr. 11f\r\nNot squared matrix.\r\n\r\nDebug:\r\n"
                    "   r1, c1 = 2, 3\r\n"},
        FailureCase{"det(5)", -17,
                    "ProcedureCalcMatrFunct, nr. 11g\r\nMatrix not found.\r\n\r\nDebug:\r\n"
                    "   MatrName = 5\r\n"},
        FailureCase{"trace(1+1)", -17, "ProcedureCalcMatrFunct, nr. 11g\r\n"},
        FailureCase{"syst([vB];[vB])", -13,
                    "ProcedureCalcMatrFunct, nr. 11b\r\nWrong combination of matrix and vector."
                    "\r\n\r\nDebug:\r\n   nnVect = -1\r\n   n2Vect = -1\r\n"},
        FailureCase{"syst([mA];[mA])", -13, "ProcedureCalcMatrFunct, nr. 11b\r\n"},
        FailureCase{"syst([m3];[vB])", 2,
                    "ProcedureCalcMatrFunct, nr. 11c\r\nWrong matrix or vector dimensions.\r\n\r\n"
                    "Debug:\r\n   r1, c1 = 3, 3\r\n   r2, c2 = 2, 1\r\n"},
        FailureCase{"syst([mC];[vB])", 2, "ProcedureCalcMatrFunct, nr. 11c\r\n"},
        FailureCase{"syst([mS];[vB])", 4,
                    "ProcedureCalcMatrFunct, nr. 11h\r\nMatrix singolar.\r\n"},
        FailureCase{"vcoeff([vB];[vB];2)", -13,
                    "ProcedureCalcMatrFunct, nr. 11e\r\nWrong combination of matrix and/or vector."
                    "\r\n\r\nDebug:\r\n   nnVect = -1\r\n   n2Vect = -1\r\n"},
        FailureCase{"vcoeff([m3];[vB];2)", 2, "ProcedureCalcMatrFunct, nr. 11d\r\n"},
        FailureCase{"vcoeff([m3];[v3];4)", 5, "ProcedureCalcMatrFunct, nr. 11i\r\n"},
        FailureCase{"vcoeff([m3];[v3];[mA])", -16,
                    "Procedure: e_prs\r\nLast parameter must be numeric.\r\n\r\nDebug:\r\n"},
        FailureCase{"[mX]+1", -17, "Procedure: e_prs\r\nMatrix not found, token = '[mX]'\r\n"},
        FailureCase{"[mC]I", 3, "Procedure: e_prs\r\nMatrix error, token = '[mC]I'\r\n"},
        FailureCase{"[mS]I", 4, "Procedure: e_prs\r\nMatrix error, token = '[mS]I'\r\n"},
        FailureCase{"[mC]D", 3, "Procedure: e_prs\r\nMatrix error, token = '[mC]D'\r\n"}));

TEST_F(MatrixExpr, OperationsOnNumbersRefuseMatrices) {
  // A matrix operand's value is its handle: compared, negated bitwise or
  // handed to a function it would give a plausible number that means nothing.
  for (const char* expr : {"[mA] > 0", "[mA] = [mA]", "1 and [mA]", "[mA] mod 2", "[mA] \\ 2",
                           "not [mA]", "sin([mA])", "max([mA]; 0)", "sum(1; [mA]*2)"}) {
    const Result r = Eval(expr);
    EXPECT_EQ(r.error, -13) << expr;
    EXPECT_EQ(r.status, -13) << expr;
  }
  EXPECT_EQ(Eval("det([mA]) > 0").error, -1);
}

TEST_F(MatrixExpr, DeEvalPublishesTheResultAsMResult) {
  const double handle = de_eval("[mA]*2", 0);
  EXPECT_EQ(GetE_Error(), -1);
  EXPECT_EQ(GetResultType(), 1);
  int rows = 0, cols = 0;
  const int published = FindMatrix("[mResult]", 33, &rows, &cols);
  ASSERT_GT(published, 0);
  EXPECT_EQ(rows, 2);
  EXPECT_EQ(cols, 2);
  const double* m = GetMatrixPtr(published, nullptr, nullptr);
  EXPECT_EQ(Values(m, m + 4), (Values{8, 14, 4, 12}));
  EXPECT_NE(GetMatrixPtr(static_cast<int>(handle), nullptr, nullptr), nullptr);
  // A second result of the same size goes into the same "[mResult]".
  de_eval("[mA]*3", 0);
  EXPECT_EQ(FindMatrix("[mResult]", 33, nullptr, nullptr), published);
  EXPECT_EQ(m[0], 12);
  // A wider one takes its own storage.
  de_eval("[mC]*2", 0);
  EXPECT_EQ(FindMatrix("[mResult]", 33, &rows, &cols) != published, true);
  EXPECT_EQ(cols, 3);
}

TEST_F(MatrixExpr, TheLatestResultStaysValidUntilTheNextMatrixResult) {
  double first = 0, second = 0;
  ASSERT_EQ(e_eval("[mA]+1", &first, 0), 1);
  EXPECT_EQ(e_eval("det([mA])", &second, 0), 0);  // a scalar evaluation keeps it
  const double* m = GetMatrixPtr(static_cast<int>(first), nullptr, nullptr);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m[0], 5);
  ASSERT_EQ(e_eval("[mA]+2", &second, 0), 1);
  EXPECT_EQ(GetMatrixPtr(static_cast<int>(first), nullptr, nullptr), nullptr);
  EXPECT_NE(GetMatrixPtr(static_cast<int>(second), nullptr, nullptr), nullptr);
}

TEST_F(MatrixExpr, ElementOrderDoesNotScrambleTheLibrarysOwnMatrices) {
  aElemOrderSet(1);
  const MatrixResult r = Evaluate("[mC]T*2");
  aElemOrderSet(0);
  ASSERT_EQ(r.error, -1);
  EXPECT_EQ(r.rows, 3);
  EXPECT_EQ(r.cols, 2);
  EXPECT_EQ(r.values, (Values{2, 8, 4, 10, 6, 12}));
}

TEST_F(Engine, AMatrixResultWithAnElementThatIsNoFiniteNumberFails) {
  SetStrMatrix("[mA];1;2;1;-1", 0, 0);
  SetStrMatrix("[mZ];1;2;0;1", 0, 0);
  EXPECT_EQ(Eval("[mA]*10^300*10^300").error, -9);  // both infinities
  EXPECT_EQ(de_eval("[mA]*10^300*10^300", 0), -9);
  EXPECT_EQ(Eval("[mA]*2").error, -1);
}

}  // namespace
}  // namespace tarnix_test
