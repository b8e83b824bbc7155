// Scripts run through the interpreter against a real trx_Server; every
// block compared byte for byte.
#include <signal.h>

#include <chrono>

#include "client.h"
#include "client_fixture.h"
#include "files.h"
#include "trx_cli.h"

namespace client_test {
namespace {

const std::string kTag(20, ' ');

std::string ExprBlock(int n, const std::string& expr, const std::string& result,
                      const std::string& tag = kTag) {
  return Block({"Ln " + std::to_string(n) + ": Expression = " + expr + ": " + tag,
                "       Result => " + result});
}

struct ScriptCase {
  const char* what;
  std::string script;
  std::string decimals;
  std::string output;
  std::string messages = "No errors";
};

class Scripts : public ScriptTest, public ::testing::WithParamInterface<ScriptCase> {};

TEST_P(Scripts, WriteTheirBlocks) {
  const ScriptCase& c = GetParam();
  EXPECT_EQ(Run(c.script, c.decimals), c.output) << c.what;
  EXPECT_EQ(ui_.output, c.output) << c.what;
  EXPECT_EQ(ui_.messages, c.messages) << c.what;
  EXPECT_EQ(ui_.errors, c.messages != "No errors") << c.what;
}

const std::string kDivision = "===>  ERROR n. = -9: Division by zero (eval)";

INSTANTIATE_TEST_SUITE_P(
    Interpreter, Scripts,
    ::testing::Values(
        ScriptCase{"decimals", "Expr = 1/3", "3", ExprBlock(1, "1/3", "Number = 0.333")},
        ScriptCase{"no decimals", "Expr = 2/3", "x", ExprBlock(1, "2/3", "Number = 1")},
        ScriptCase{"keywords in any case, remarks cut",
                   "expr = 1+2\r\nEXPR = 1+2\r\n  Expr = 2*3 ' times 'two'", "0",
                   ExprBlock(1, "1+2", "Number = 3") + ExprBlock(2, "1+2", "Number = 3") +
                       ExprBlock(3, "2*3", "Number = 6")},
        ScriptCase{"comments only", "'' Title\n' hidden\n   '' indented\n\n' ''", "4",
                   "'' Title\r\n'' indented\r\n"},
        ScriptCase{"lines without = or keyword", "hello\nFoo = 3\n(x) = 2", "4", ""},
        ScriptCase{"apostrophes leave the expression", "Expr = 2'*3", "0",
                   ExprBlock(1, "2", "Number = 2")},
        ScriptCase{"two errors counted", "Expr = 1/0\nExpr = 1\nExpr = 5/0", "2",
                   ExprBlock(1, "1/0", kDivision) + ExprBlock(2, "1", "Number = 1.00") +
                       ExprBlock(3, "5/0", kDivision),
                   "2 errors found"},
        ScriptCase{"StoExpr of 100 with no decimals", "StoExpr(v) = 10*10\nExpr = v+1", "0",
                   Block({"Ln 1: Expression = 10*10: " + kTag, "       Stored => Number v = 100"}) +
                       ExprBlock(2, "v+1", "Number = 101")},
        ScriptCase{
            "StoExpr keeps what the decimals show", "StoExpr(w;to;file) = 2/3\nExpr = w*3", "2",
            Block({"Ln 1: Expression = 2/3: (=>to file)", "       Stored => Number w = 0.67"}) +
                ExprBlock(2, "w*3", "Number = 2.01")},
        ScriptCase{"StoExpr of a failing expression", "StoExpr(z) = 1/0", "2",
                   Block({"Ln 1: Expression = 1/0: " + kTag, "       Stored => " + kDivision}),
                   "1 errors found"},
        ScriptCase{"variables and functions write no block",
                   "Var = a; 3\nFunct = f; a^2+1\nExpr = f*2", "0",
                   ExprBlock(3, "f*2", "Number = 20")},
        ScriptCase{"Integrate by both methods",
                   "Integrate(0; 2; 4; trap; x) = x\nINTEGRATE(0.4; 2.6; 4; rect; t) = 1", "4",
                   Block({"Ln 1: iFunction = x: " + kTag,
                          "       Integral iFunction(0,2) => Number = 2.0000"}) +
                       Block({"Ln 2: iFunction = 1: " + kTag,
                              "       Integral iFunction(0,3) => Number = 2.2000"})},
        ScriptCase{
            "solvepolyn and Derivate", "VarPolyn = x\nsolvepolyn = x^2-4\nDerivate = 3*x^2-5*x+7",
            "4",
            Block({"Ln 2: Polyn = x^2-4:", "       Solution Polyn => Number = 2.0000"}) +
                Block({"Ln 3: Polyn = 3*x^2-5*x+7:", "       Derivate of Polyn => 6*x - 5"})},
        ScriptCase{"matrices", "Matr = [mA]; 2; 2; 1; 2; 3; 4\nExpr = det([mA])\nExpr = [mA]*2",
                   "1",
                   ExprBlock(2, "det([mA])", "Number = -2.0") +
                       ExprBlock(3, "[mA]*2",
                                 "Matrix: \r\nmA(0, 0)=2.0\tmA(0, 1)=4.0\t\r\n"
                                 "mA(1, 0)=6.0\tmA(1, 1)=8.0\t")},
        ScriptCase{"vectors", "Vect = [vX]; 2; 1; 1; 2\nExpr = [vX]*3", "0",
                   ExprBlock(2, "[vX]*3", "Vector: \r\nvE(0)=3\r\nvE(1)=6")},
        ScriptCase{
            "a matrix error writes five blanks", "Matr = [mB];2;2;1;2;3", "4",
            Block({"Ln 1: Expression = [mB];2;2;1;2;3: " + kTag,
                   "     Result => ===>  ERROR n. = -15: No enought matrix elements (eval)"}),
            "1 errors found"},
        ScriptCase{"StoExpr of a matrix",
                   "Matr = [mA]; 2; 2; 1; 2; 3; 4\nStoExpr(mC) = [mA]*0.5\nExpr = det([mC])", "1",
                   Block({"Ln 2: Expression = [mA]*0.5: " + kTag,
                          "       Stored => Matr = [mC]; 2; 2;0.5; 1; 1.5; 2; "}) +
                       ExprBlock(3, "det([mC])", "Number = -0.5")},
        ScriptCase{
            "DimX groups",
            "DimX = mE(2,2); mE(0,0)=1; mE(0,1)=2\n"
            "dimx = mE(2,2); mE(1,0)=3; mE(1,1)=4 ' the second row\n"
            "DimX = mG(1,1); mG(0,0)=7\n"
            "Expr = det([mE])\nExpr = det([mG])",
            "0",
            ExprBlock(4, "det([mE])", "Number = -2") + ExprBlock(5, "det([mG])", "Number = 7")},
        ScriptCase{
            "a DimX error names the last line of its group",
            "DimX = mH(2,2); mH(0,0)=1\nDIMX = mH(2,2); mH(0,1)=2\nExpr = 1", "0",
            Block({"Ln 2: Expression = [mH];2;2;1;2:",
                   "       Result => ===>  ERROR n. = -15: No enought matrix elements (eval)"}) +
                ExprBlock(3, "1", "Number = 1"),
            "1 errors found"},
        ScriptCase{"the element order answered by the client", "aElemOrderEx() =", "4",
                   Block({"Ln 1: aElemOrderEx = by Col"})}));

TEST_F(ScriptTest, SolvepolynBeforeVarPolynPassesAnEmptyVariable) {
  const std::string output = Run("solvepolyn = x^2-4\nVarPolyn = x\nsolvepolyn = x^2-9");
  bool sent_empty = false;
  for (const std::string& line : log_) {
    sent_empty |= line.find("FUN;dSolve;str;x^2-4;str;;") != std::string::npos;
  }
  EXPECT_TRUE(sent_empty);
  EXPECT_NE(output.find("Ln 3: Polyn = x^2-9:\r\n       Solution Polyn => Number = 3.0000\r\n"),
            std::string::npos)
      << output;
}

TEST_F(ScriptTest, OutputShowsAfterEveryBlock) {
  Run("'' one\nExpr = 1\nVar = a; 1\nExpr = 2");
  EXPECT_EQ(ui_.updates, 3);
}

TEST_F(ScriptTest, FileCommandsReadAndWriteInOut) {
  WriteInOut("e.txt", "' a remark line\r\nExpr = 2*SQR(16)\r\n");
  WriteInOut("f.txt", "' body\r\nk*10\r\n");
  WriteInOut("m.txt", "' matrix\r\n[mF]; 1; 2;\r\n5; 6\r\n");
  WriteInOut("v.txt", "[vF]; 2; 1; 7; 8\r\n");
  WriteInOut("i.txt", "Integrate(0; 1; 10; trap; x) = 2\r\n");
  WriteInOut("p.txt", "x^3\r\n");
  const std::string output =
      Run("ExprF = e.txt [e_out.txt]\n"
          "Var = k; 2\n"
          "FunctF = g f.txt\n"
          "Expr = g+1\n"
          "MatrF = m.txt\n"
          "VectF = v.txt\n"
          "Expr = [mF]*[vF]\n"
          "IntegrateF = i.txt out_i.txt\n"
          "VarPolyn = x\n"
          "DerivateF = p.txt [d.txt]\n",
          "1");
  EXPECT_EQ(output, ExprBlock(1, "2*sqr(16)", "Number = 8.0", "=>(e_out.txt)") +
                        ExprBlock(4, "g+1", "Number = 21.0") +
                        ExprBlock(7, "[mF]*[vF]", "Vector: \r\nvE(0)=83.0") +
                        Block({"Ln 8: iFunction = 2: =>(out_i.txt)",
                               "       Integral iFunction(0,1) => Number = 2.0"}) +
                        Block({"Ln 10: Polyn = x^3:", "       Derivate of Polyn => 3*x^2"}));
  EXPECT_EQ(ReadFile(directory_ + "InOut/e_out.txt"), "Number = 8.0");
  EXPECT_EQ(ReadFile(directory_ + "InOut/out_i.txt"), "Number = 2.0");
  EXPECT_EQ(ReadFile(directory_ + "InOut/d.txt"), "3*x^2");
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(ScriptTest, AMissingInputFileIsReportedAndTheCommandRunsEmpty) {
  const std::string output = Run("ExprF = nothing.txt");
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0],
            "Corvane: Error: Couldn't open the file!\r\n" + directory_ + "InOut/nothing.txt");
  EXPECT_EQ(
      output.rfind("Ln 1: Expression = : " + kTag + "\r\n       Result => ===>  ERROR n. = ", 0),
      0u)
      << output;
  EXPECT_EQ(ui_.messages, "1 errors found");
}

TEST_F(ScriptTest, PlotLinesComputeSamplesAndWriteTheirDataFile) {
  Run("Plot(0; x; 1; 4; [p.txt]) = x*2\nPlot(-1; t; 1; 2) = t^2");
  ASSERT_EQ(ui_.plots.size(), 2u);
  EXPECT_EQ(ui_.plots[0].number, 1);
  EXPECT_EQ(ui_.plots[0].y, (std::vector<double>{0, 0.5, 1, 1.5, 2}));
  EXPECT_EQ(ui_.plots[1].x, (std::vector<double>{-1, 0, 1}));
  EXPECT_EQ(ui_.plots[1].y_max, 1.0);
  EXPECT_EQ(ReadFile(directory_ + "p.txt"),
            "Id\tX\tY\r\n0\t0\t0\r\n1\t0.25\t0.5\r\n2\t0.5\t1\r\n3\t0.75\t1.5\r\n4\t1\t2\r\n");
  EXPECT_EQ(ui_.output, "");
}

TEST_F(ScriptTest, WithoutConnectionEveryBlockReportsErrorZero) {
  trx::Disconnect();
  log_.clear();
  const std::string output = Run("Expr = 1+1\nVarPolyn = x\nsolvepolyn = x-1\nVar = a; 1");
  const std::string none = "===>  ERROR n. = 0: ";
  EXPECT_EQ(output, ExprBlock(1, "1+1", none) +
                        Block({"Ln 3: Polyn = x-1:", "       Solution Polyn => " + none}));
  EXPECT_EQ(ui_.messages, "2 errors found");
  int lines = 0;
  for (const std::string& line : log_)
    lines += line.find("No NetWork Connection") != std::string::npos;
  // e_eval, GetE_Error, GetE_ErrDescr, dSolve, GetE_Error, GetE_ErrDescr, SetVarFunct.
  EXPECT_EQ(lines, 2 * 7);
}

TEST_F(ScriptTest, AServerKilledMidScriptEndsTheRunQuickly) {
  trx::Disconnect();
  server_test::ServerProcess doomed;
  ASSERT_NE(trx::InitClient("127.0.0.1", doomed.Port()), 0);
  bool killed = false;
  ui_.on_output = [&doomed, &killed] {
    if (killed) return;
    killed = true;
    doomed.Signal(SIGKILL);
    doomed.WaitForExit();
  };
  const auto start = std::chrono::steady_clock::now();
  const std::string output = Run("Expr = 1\nExpr = 2\nExpr = 3\nExpr = 4", "0");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(
      output.rfind(ExprBlock(1, "1", "Number = 1") + ExprBlock(2, "2", "===>  ERROR n. = 0: "), 0),
      0u)
      << output;
  EXPECT_EQ(ui_.messages, "3 errors found");
  EXPECT_EQ(trx::Client().ClientConnected, 0);
}

}  // namespace
}  // namespace client_test
