// The matrix store: registration, look-up by name and by handle, text
// matrices, clearing, copies under the element order, and its reports.
#include <climits>

#include "tarnix_test.h"

namespace tarnix_test {
namespace {

class Store : public Engine {
 protected:
  void TearDown() override {
    aElemOrderSet(0);
    Engine::TearDown();
  }
};

TEST_F(Store, NamesAreFoundInAnyCaseAndWithBlanks) {
  double a[4] = {1, 2, 3, 4};
  const int handle = SetMatrix("[mA]", a, 2, 2, 1);
  EXPECT_GT(handle, 0);
  int rows = 0, cols = 0;
  EXPECT_EQ(FindMatrix("  [MA] ", 33, &rows, &cols), handle);
  EXPECT_EQ(rows, 2);
  EXPECT_EQ(cols, 2);
  EXPECT_EQ(FindMatrix("[ma]", 34, nullptr, nullptr), 0);  // position
  EXPECT_EQ(FindMatrix(std::to_string(handle).c_str(), 9, nullptr, nullptr), handle);
  EXPECT_EQ(FindMatrix(std::to_string(handle).c_str(), 10, nullptr, nullptr), 0);
  // Found, but neither result bit: the result stays -1, the sizes are given.
  rows = cols = 0;
  EXPECT_EQ(FindMatrix("[mA]", 32, &rows, &cols), -1);
  EXPECT_EQ(rows, 2);
  // Not found: -1, outputs untouched.
  rows = cols = 7;
  EXPECT_EQ(FindMatrix("[mB]", 33, &rows, &cols), -1);
  EXPECT_EQ(FindMatrix("[mA]", 9, &rows, &cols), -1);  // a name is no handle
  EXPECT_EQ(rows, 7);
  EXPECT_EQ(cols, 7);
}

// The position SetMatrix returns is where the entry stands when the call
// returns, whether the dimensions change or not, also after an entry before
// it has gone.
TEST_F(Store, RegistrationReturnsTheCurrentPositionAfterEarlierEntriesWent) {
  double x[4] = {1, 2, 3, 4}, y[4] = {5, 6, 7, 8}, wide[6] = {0};
  ASSERT_EQ(SetMatrix("[mX]", x, 2, 2, 0), 0);
  double handle = 0;
  ASSERT_EQ(e_eval("[mX]*2", &handle, 0), 1);  // its result is kept at position 1
  ASSERT_EQ(SetMatrix("[mY]", y, 2, 2, 0), 2);
  ASSERT_EQ(e_eval("[mX]*3", &handle, 0), 1);  // the earlier result goes: [mY] moves to 1
  ASSERT_EQ(FindMatrix("[mY]", 34, nullptr, nullptr), 1);

  struct Case {
    const char* what;
    double* matr;
    int rows;
    int cols;
  };
  for (const Case& c : {Case{"same dimensions", y, 2, 2}, Case{"other dimensions", wide, 2, 3},
                        Case{"back to the first dimensions", y, 2, 2}}) {
    EXPECT_EQ(SetMatrix("[mY]", c.matr, c.rows, c.cols, 0), 1) << c.what;
    EXPECT_EQ(FindMatrix("[mY]", 34, nullptr, nullptr), 1) << c.what;
  }
}

TEST_F(Store, RegistrationReturnsPositionOrHandle) {
  double a[2] = {1, 2}, b[2] = {3, 4}, c[6] = {0};
  EXPECT_EQ(SetMatrix("[vA]", a, 2, 1, 0), 0);
  EXPECT_EQ(SetMatrix("[vB]", b, 2, 1, 0), 1);
  const int hb = FindMatrix("[vB]", 33, nullptr, nullptr);
  EXPECT_EQ(SetMatrix("[vB]", b, 2, 1, 1), hb);
  // Same name and dimensions: the new values go into the old storage.
  double b2[2] = {30, 40};
  EXPECT_EQ(SetMatrix("[vB]", b2, 2, 1, 0), 1);
  EXPECT_EQ(b[0], 30);
  EXPECT_EQ(b[1], 40);
  // Other dimensions: the entry takes the new array.
  const int hc = SetMatrix("[vB]", c, 2, 3, 1);
  EXPECT_NE(hc, hb);
  int rows = 0, cols = 0;
  EXPECT_EQ(FindMatrix("[vB]", 33, &rows, &cols), hc);
  EXPECT_EQ(rows, 2);
  EXPECT_EQ(cols, 3);
  // Zero dimensions count as 1; no array or a negative size is refused.
  EXPECT_EQ(SetMatrix("[vZ]", a, 0, 2, 0), 2);
  EXPECT_EQ(FindMatrix("[vZ]", 33, &rows, &cols) > 0, true);
  EXPECT_EQ(rows, 1);
  EXPECT_EQ(SetMatrix("[vN]", nullptr, 2, 2, 1), -1);
  EXPECT_EQ(GetE_Error(), 5);
  EXPECT_EQ(SetMatrix("[vN]", a, -2, 1, 1), -1);
  EXPECT_EQ(FindMatrix("[vN]", 33, nullptr, nullptr), -1);
}

TEST_F(Store, HandlesArePositiveUniqueAndNeverMemory) {
  double a[1] = {5};
  std::set<int> seen;
  for (int i = 0; i < 50; ++i) {
    const int h =
        SetStrMatrix(("[m" + std::to_string(i) + "];1;1;" + std::to_string(i)).c_str(), 1, 0);
    EXPECT_GT(h, 0);
    EXPECT_TRUE(seen.insert(h).second);
  }
  const int h = SetMatrix("[mOne]", a, 1, 1, 1);
  EXPECT_TRUE(seen.insert(h).second);
  int rows = 0, cols = 0;
  EXPECT_EQ(GetMatrixPtr(h, &rows, &cols), a);
  for (int bad : {0, -1, INT_MIN, INT_MAX, h + 100000}) {
    EXPECT_EQ(GetMatrixPtr(bad, &rows, &cols), nullptr) << bad;
    double dst[1] = {9};
    EXPECT_EQ(GetMatrixByLong(bad, dst, 1, 1), 20) << bad;
    EXPECT_EQ(dst[0], 9);
    EXPECT_STREQ(aShowByLong(bad, 1, 1), "") << bad;
  }
}

TEST_F(Store, GetMatrixByLongNeverReadsBeyondTheBlock) {
  const int h = SetStrMatrix("[mA];2;2;1;2;3;4", 1, 0);
  double dst[9] = {0};
  EXPECT_EQ(GetMatrixByLong(h, dst, 2, 2), -1);
  EXPECT_EQ(dst[3], 4);
  EXPECT_EQ(GetMatrixByLong(h, dst, 3, 3), 5);
  EXPECT_EQ(GetMatrixByLong(h, dst, -1, 2), 5);
  EXPECT_STREQ(aShowByLong(h, 3, 3), "");
  EXPECT_EQ(std::string(aShowByLong(h, 2, 2)),
            "\r\nmA(0, 0)=1.0000\tmA(0, 1)=2.0000\t\r\nmA(1, 0)=3.0000\tmA(1, 1)=4.0000\t");
}

struct TextCase {
  const char* text;
  int result;  // -1: registered (the position is checked separately)
  const char* report;
};

class TextMatrices : public Store, public ::testing::WithParamInterface<TextCase> {};

TEST_P(TextMatrices, FailWithTheirReports) {
  SetDebugF(2);
  ShowMsgs(1);
  EXPECT_EQ(SetStrMatrix(GetParam().text, 0, 0), GetParam().result) << GetParam().text;
  EXPECT_EQ(GetE_Error(), GetParam().result);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].title, "DuZuradi: Error");
  EXPECT_EQ(Boxes()[0].text, GetParam().report);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, TextMatrices,
    ::testing::Values(
        TextCase{"", -16, "Procedure: SetStrMatrix, nr. 10c\r\nInvalid function parameter, ''."},
        TextCase{"[mB];0;0;1", -14,
                 "Procedure: SetStrMatrix, nr. 10a\r\nWrong string matrix name or dimensions."
                 "\r\n\r\nDebug:\r\n   MatrixName = [mB]\r\n   Rows = 0\r\n   Cols = 0"},
        TextCase{" ;2;2;1;2;3;4", -14,
                 "Procedure: SetStrMatrix, nr. 10a\r\nWrong string matrix name or dimensions."
                 "\r\n\r\nDebug:\r\n   MatrixName = \r\n   Rows = 2\r\n   Cols = 2"},
        TextCase{"[mB];-2;2;1;2;3;4", -14,
                 "Procedure: SetStrMatrix, nr. 10a\r\nWrong string matrix name or dimensions."
                 "\r\n\r\nDebug:\r\n   MatrixName = [mB]\r\n   Rows = -2\r\n   Cols = 2"},
        TextCase{"[mB];2;2;1;2;3", -15,
                 "Procedure: SetStrMatrix, nr. 10b\r\nNot enought string matrix elements.\r\n"
                 "   Should be: 4, are: 3\r\n\r\nDebug:\r\n   MatrixName = [mB]\r\n   row = 2\r\n"
                 "   col = 2\r\n   value = ''"},
        TextCase{"[mB];2;2;1; ;3;4", -15,
                 "Procedure: SetStrMatrix, nr. 10b\r\nNot enought string matrix elements.\r\n"
                 "   Should be: 4, are: 1\r\n\r\nDebug:\r\n   MatrixName = [mB]\r\n   row = 1\r\n"
                 "   col = 2\r\n   value = ''"},
        TextCase{"[mH];100000;100000;1", -15,
                 "Procedure: SetStrMatrix, nr. 10b\r\nNot enought string matrix elements.\r\n"
                 "   Should be: 10000000000, are: 1\r\n\r\nDebug:\r\n   MatrixName = [mH]\r\n"
                 "   row = 1\r\n   col = 2\r\n   value = ''"}));

TEST_F(Store, TextMatricesAreReadRowByRow) {
  EXPECT_EQ(SetStrMatrix("  [mA] ; 2 ; 3 ; 1;2;3;4;5;6;99", 0, 0), 0);
  EXPECT_EQ(GetE_Error(), -1);
  int rows = 0, cols = 0;
  const double* m = GetMatrixPtr(FindMatrix("[mA]", 33, &rows, &cols), &rows, &cols);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(std::vector<double>(m, m + 6), (std::vector<double>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(SetStrMatrix("[vX];1;0;7;", 1, 0) > 0, true);  // 0 reads as 1
  m = GetMatrixPtr(FindMatrix("[vX]", 33, nullptr, nullptr), &rows, &cols);
  EXPECT_EQ(m[0], 7);
  // Sizes and plain elements must be the numbers they claim to be: read as
  // 2 or 0 they would build another matrix than the text describes.
  for (const char* text :
       {"[vY];1;0;abc;", "[mY];x;2;1;2", "[mY];2.5;2;1;2;3;4", "[mY];2;2;1;2;3;4x"}) {
    EXPECT_EQ(SetStrMatrix(text, 0, 0), -14) << text;
    EXPECT_EQ(FindMatrix("[mY]", 33, nullptr, nullptr), -1) << text;
  }
  // An element that evaluates to a matrix has no number to give.
  EXPECT_EQ(SetStrMatrix("[vZ];1;1;[mA]", 0, 1), -14);
  // Elements may be expressions; one that fails fails the matrix.
  SetStrMatrix("[vE];1;3;sin(0);2^3;1,5", 0, 1);
  m = GetMatrixPtr(FindMatrix("[vE]", 33, nullptr, nullptr), &rows, &cols);
  EXPECT_EQ(std::vector<double>(m, m + 3), (std::vector<double>{0, 8, 1.5}));
  EXPECT_EQ(SetStrMatrix("[vF];1;2;1;1/0", 0, 1), -9);
  EXPECT_EQ(FindMatrix("[vF]", 33, nullptr, nullptr), -1);
}

TEST_F(Store, ClearingKeepsCallerMatricesAndTheGivenInternalOne) {
  double a[1] = {1};
  SetMatrix("[mA]", a, 1, 1, 0);
  double value = 0;
  ASSERT_EQ(e_eval("[mA]*2", &value, 0), 1);
  const int result = static_cast<int>(value);
  EXPECT_NE(GetMatrixPtr(result, nullptr, nullptr), nullptr);
  SetDebugF(4);
  MarkLog();
  EXPECT_EQ(ClearMatrixList(result), -1);
  EXPECT_EQ(LogSinceMark(), "\r\n\r\nClearMatrixList\r\narrList() = [ma] (" +
                                std::to_string(FindMatrix("[mA]", 33, nullptr, nullptr)) +
                                ")   kept\r\narrList() = m_" + std::to_string(result) + " (" +
                                std::to_string(result) + ")   kept");
  MarkLog();
  EXPECT_EQ(ClearMatrixList(0), -1);
  EXPECT_EQ(LogSinceMark(),
            "\r\n\r\nClearMatrixList\r\narrList() = [ma]   deleted\r\narrList() = m_" +
                std::to_string(result) + "   deleted");
  EXPECT_EQ(FindMatrix("[mA]", 33, nullptr, nullptr), -1);
  EXPECT_EQ(GetMatrixPtr(result, nullptr, nullptr), nullptr);
}

TEST_F(Store, ElementOrderReordersCopiesFromColumnMajorCallers) {
  const double column_major[6] = {1, 2, 3, 4, 5, 6};  // 2 x 3, columns (1,2) (3,4) (5,6)
  double dst[6] = {0};
  EXPECT_EQ(aElemOrderSet(1), -1);
  EXPECT_EQ(aCopyArray(column_major, dst, 2, 3), -1);
  EXPECT_EQ(std::vector<double>(dst, dst + 6), (std::vector<double>{1, 3, 5, 2, 4, 6}));
  EXPECT_EQ(aElemOrderSet(2), 50);
  EXPECT_EQ(aElemOrderGet(), -1);
  EXPECT_EQ(aCopyArray(column_major, dst, 2, 3), -1);
  EXPECT_EQ(std::vector<double>(dst, dst + 6), (std::vector<double>{1, 2, 3, 4, 5, 6}));

  const double row_major_probe[4] = {1, 2, 3, 4};
  const double column_major_probe[4] = {1, 3, 2, 4};
  EXPECT_EQ(aElemOrder(row_major_probe), 0);
  EXPECT_EQ(aElemOrder(column_major_probe), 1);
  EXPECT_EQ(aElemOrderSt("VB"), 1);
  EXPECT_EQ(aElemOrderSt("Visual Basic"), 1);
  EXPECT_EQ(aElemOrderSt("vb"), 0);
  int32_t order = 1;
  EXPECT_EQ(aElemOrderEx(&order, 2), -1);
  EXPECT_EQ(aElemOrderEx(nullptr, 3), 1);
  EXPECT_EQ(aElemOrderEx(nullptr, 1), 0);
  EXPECT_EQ(aElemOrderEx(nullptr, 9), 0);
  EXPECT_EQ(aElemOrderEx(const_cast<double*>(row_major_probe), 0), 0);
}

TEST_F(Store, TraceModeReportsRegistrationsAndLookUps) {
  SetDebugF(4);
  ShowMsgs(2);  // also sets the debug flags to 1: silent
  SetDebugF(4);
  double a[2] = {1, 2};
  MarkLog();
  const int h = SetMatrix("[vA]", a, 1, 2, 1);
  const std::string log = LogSinceMark();
  const std::string hs = std::to_string(h);
  EXPECT_NE(log.find("\r\nName = [va]\r\nMatr = " + hs +
                     "\r\nInternal = 0\r\nrow = 1\r\ncols = 2\r\nListPos = 0\r\nVectorF = -1"),
            std::string::npos);
  EXPECT_NE(log.find("\r\nMatrName=[va]\r\nParam Tp=34\r\nrows=0\r\ncols=0"), std::string::npos);
  EXPECT_NE(log.find("\r\nMatrName=[vA]\r\nrows=1\r\ncols=2\r\narrPos=-1\r\nvectorF=-1\r\nName = "
                     "[va]\r\nMatr = " +
                     hs + "\r\nInternal = 0\r\nrow = 1\r\ncols = 2\r\nListPos = 0\r\nExitCode = " +
                     hs + "\r\nVectorF = -1"),
            std::string::npos);
  // aShow of the registered matrix: a box.
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].title, "Tarnnix.dll");
  MarkLog();
  ClearMatrixList(0);
  EXPECT_NE(LogSinceMark().find("\r\nMatrName = [va]\r\n*aPtr = 0 => deleted\r\n\r\nvE(0)=1.0000"),
            std::string::npos);
}

}  // namespace
}  // namespace tarnix_test
