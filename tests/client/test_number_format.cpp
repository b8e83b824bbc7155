// The scientific form of results: the pure writer and its limits, then the
// interpreter's blocks against a real trx_Server with the form chosen.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "client_fixture.h"
#include "number_format.h"

namespace client_test {
namespace {

using corvane::NumberFormat;

struct FormatCase {
  double value;
  int decimals;
  NumberFormat format;
  const char* text;
};

TEST(NumberFormat, WritesFixedOrExponentByMagnitude) {
  constexpr NumberFormat kSci = NumberFormat::Scientific;
  constexpr NumberFormat kFixed = NumberFormat::Fixed;
  const FormatCase cases[] = {
      {1.5e-7, 4, kFixed, "0.0000"},
      {1.5e-7, 4, kSci, "1.5000E-07"},
      {-1.5e-7, 4, kSci, "-1.5000E-07"},
      {6.022e23, 4, kSci, "6.0220E+23"},
      {6.022e23, 2, kSci, "6.02E+23"},
      {1e100, 3, kSci, "1.000E+100"},
      {0.0, 4, kSci, "0.0000"},         // zero stays fixed
      {1.0 / 3, 4, kSci, "0.3333"},     // inside the limits: fixed
      {1e-4, 4, kSci, "0.0001"},        // 10^-decimals itself: fixed
      {9.9e-5, 4, kSci, "9.9000E-05"},  // below it
      {0.004, 2, kSci, "4.00E-03"},     // the limit follows the decimals
      {0.004, 3, kSci, "0.004"},
      {0.3, 0, kSci, "3E-01"},  // no decimals: below 1
      {999999999999999.0, 1, kSci, "999999999999999.0"},
      {1e15, 1, kSci, "1.0E+15"},  // from 10^15 on
      {-2e15, 4, kSci, "-2.0000E+15"},
      {1.23456789e-7, 4, kSci, "1.2346E-07"},
      {1.23456789e-7, 10, kSci, "0.0000001235"},  // above 10^-10: fixed
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(corvane::FormatNumber(c.value, c.decimals, c.format), c.text)
        << c.value << " with " << c.decimals;
  }
  // No finite number: as fixed point writes it.
  EXPECT_EQ(corvane::FormatNumber(std::numeric_limits<double>::infinity(), 4, kSci), "inf");
}

TEST(NumberFormat, TidiesAndRewritesListings) {
  EXPECT_EQ(corvane::FormatTidy(1.5e-7, 4, NumberFormat::Scientific), "1.5E-07");
  EXPECT_EQ(corvane::FormatListing("\r\nmA(0, 0)=0.0000001500\tmA(0, 1)=2.0000000000\t", 4,
                                   NumberFormat::Scientific),
            "\r\nmA(0, 0)=1.5000E-07\tmA(0, 1)=2.0000\t");
  EXPECT_EQ(corvane::FormatListing("vE(0)=-0.0000000000\r\nvE(1)=inf", 2, NumberFormat::Fixed),
            "vE(0)=-0.00\r\nvE(1)=inf");
}

class SciScripts : public ScriptTest {
 protected:
  std::string RunSci(const std::string& script, const std::string& decimals = "4") {
    corvane::Interpreter interpreter(ui_);
    interpreter.SetNumberFormat(NumberFormat::Scientific);
    interpreter.Run(script, decimals);
    return interpreter.Output();
  }
};

TEST_F(SciScripts, ResultsTooSmallOrTooLargeForFixedPointUseExponents) {
  const std::string tag(20, ' ');
  auto block = [&tag](int n, const std::string& expr, const std::string& result) {
    return Block({"Ln " + std::to_string(n) + ": Expression = " + expr + ": " + tag,
                  "       Result => " + result});
  };
  EXPECT_EQ(RunSci("Expr = 1.5e-7\nExpr = 6.022E23\nExpr = 1/3\nExpr = 0"),
            block(1, "1.5e-7", "Number = 1.5000E-07") +
                block(2, "6.022E23", "Number = 6.0220E+23") + block(3, "1/3", "Number = 0.3333") +
                block(4, "0", "Number = 0.0000"));
  // The default is fixed point, as before.
  EXPECT_EQ(Run("Expr = 1.5e-7"), block(1, "1.5e-7", "Number = 0.0000"));
  // Integrals, roots, stored values and matrices take the same form.
  const std::string more = RunSci(
      "Integrate(0; 1; 10; trap; x) = 3e-8\n"
      "VarPolyn = x\nSolvePolyn = x - 2e-6\n"
      "StoExpr(small) = 2.5e-9\n"
      "Matr = [mS]; 2; 2; 1.5e-7; 2; 3; 4\nExpr = [mS]*1\n"
      "StoExpr(mT) = [mS]*2");
  EXPECT_NE(more.find("Integral iFunction(0,1) => Number = 3.0000E-08"), std::string::npos) << more;
  EXPECT_NE(more.find("Solution Polyn => Number = 2.0000E-06"), std::string::npos) << more;
  EXPECT_NE(more.find("Stored => Number small = 2.5000E-09"), std::string::npos) << more;
  EXPECT_NE(
      more.find("Result => Matrix: \r\nmA(0, 0)=1.5000E-07\tmA(0, 1)=2.0000\t\r\nmA(1, 0)=3.0000"),
      std::string::npos)
      << more;
  EXPECT_NE(more.find("Stored => Matr = [mT]; 2; 2;3E-07; 4; 6; 8; "), std::string::npos) << more;
  EXPECT_EQ(ui_.messages, "No errors");
}

// The wire carries ten decimals: below 5E-11 a result arrives as 0, and a
// small one has only the digits that reach the tenth decimal.
TEST_F(SciScripts, TheWireLimitsSmallResultsToTenDecimals) {
  const std::string output = RunSci("Expr = 1.23456789e-7\nExpr = 4e-11\nExpr = 1e-10", "6");
  EXPECT_NE(output.find("Number = 1.235000E-07"), std::string::npos) << output;
  EXPECT_NE(output.find("Number = 0.000000\r\n"), std::string::npos) << output;
  EXPECT_NE(output.find("Number = 1.000000E-10"), std::string::npos) << output;
}

}  // namespace
}  // namespace client_test
