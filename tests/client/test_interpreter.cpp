// Scripts run through the interpreter against a real trx_Server; every
// block compared byte for byte.
#include <signal.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>

#include "../../AuxFunct/aux_funct.h"
#include "client.h"
#include "client_fixture.h"
#include "fake_server.h"
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

// An error the client finds itself, as its block shows it.
std::string ClientError(const std::string& detail) {
  return "===>  ERROR n. = -16: Invalid parameter (eval): " + detail;
}

// "Ln N: head:" and one result line, as error blocks of lines without a
// block of their own read.
std::string LineBlock(int n, const std::string& head, const std::string& label,
                      const std::string& result) {
  return Block(
      {"Ln " + std::to_string(n) + ": " + head + ":", "       " + label + " => " + result});
}

std::string IntegralBlock(int n, const std::string& expr, const std::string& limits,
                          const std::string& result) {
  return Block({"Ln " + std::to_string(n) + ": iFunction = " + expr + ": " + kTag,
                "       Integral iFunction(" + limits + ") => " + result});
}

const std::string kUnknownLine = "unknown command: a command line reads Keyword = argument";

struct ScriptCase {
  const char* what;
  std::string script;
  std::string decimals;
  std::string output;
  std::string messages = "No errors";
};

// A failing row names itself and its script.
void PrintTo(const ScriptCase& c, std::ostream* os) {
  *os << c.what << " [" << ::testing::PrintToString(c.script) << ", decimals "
      << ::testing::PrintToString(c.decimals) << "]";
}

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
        ScriptCase{"lines without = or keyword are errors", "hello\nFoo = 3\n(x) = 2", "4",
                   LineBlock(1, "hello", "Result", ClientError(kUnknownLine)) +
                       LineBlock(2, "Foo = 3", "Result", ClientError("unknown command 'foo'")) +
                       LineBlock(3, "(x) = 2", "Result", ClientError(kUnknownLine)),
                   "3 errors found"},
        ScriptCase{"a misspelt keyword", "Exprr = 5", "4",
                   LineBlock(1, "Exprr = 5", "Result", ClientError("unknown command 'exprr'")),
                   "1 errors found"},
        ScriptCase{"a keyword cut short", "Exp = 1+1", "4",
                   LineBlock(1, "Exp = 1+1", "Result", ClientError("unknown command 'exp'")),
                   "1 errors found"},
        ScriptCase{"a keyword without =", "Expr 1+1", "4",
                   LineBlock(1, "Expr 1+1", "Result", ClientError(kUnknownLine)), "1 errors found"},
        ScriptCase{"parameters without parentheses", "Integrate 0 1 = t", "4",
                   LineBlock(1, "Integrate 0 1 = t", "Result",
                             ClientError("unknown command 'integrate 0 1'")),
                   "1 errors found"},
        ScriptCase{"a word alone", "hello", "4",
                   LineBlock(1, "hello", "Result", ClientError(kUnknownLine)), "1 errors found"},
        ScriptCase{"= without a keyword", "= 5", "4",
                   LineBlock(1, "= 5", "Result", ClientError(kUnknownLine)), "1 errors found"},
        ScriptCase{"the error line is trimmed and its remark cut",
                   "\t Exprr = 5   ' a remark = 6  \r\nExpr = 1", "0",
                   LineBlock(1, "Exprr = 5", "Result", ClientError("unknown command 'exprr'")) +
                       ExprBlock(2, "1", "Number = 1"),
                   "1 errors found"},
        ScriptCase{"a remark before the = leaves no =", "Expr ' = 5", "0",
                   LineBlock(1, "Expr", "Result", ClientError(kUnknownLine)), "1 errors found"},
        ScriptCase{"blank lines, blanks and tabs stay silent", "\n   \n\t\r\n' only a remark\n",
                   "4", ""},
        ScriptCase{"a byte-order mark before the first line",
                   "\xEF\xBB\xBF"
                   "Expr = 1+1\nExpr = 2",
                   "0", ExprBlock(1, "1+1", "Number = 2") + ExprBlock(2, "2", "Number = 2")},
        ScriptCase{"a byte-order mark before a comment", "\xEF\xBB\xBF' remark\r\nExpr = 3", "0",
                   ExprBlock(2, "3", "Number = 3")},
        ScriptCase{"decimals above ten are ten", "Expr = 1/3", "12",
                   ExprBlock(1, "1/3", "Number = 0.3333333333")},
        ScriptCase{"negative decimals are none", "Expr = 2/3", "-3",
                   ExprBlock(1, "2/3", "Number = 1")},
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
            "StoExpr keeps ten decimals whatever the decimals show",
            "StoExpr(w;to;file) = 2/3\nExpr = w*3", "2",
            Block({"Ln 1: Expression = 2/3: (=>to file)", "       Stored => Number w = 0.67"}) +
                ExprBlock(2, "w*3", "Number = 2.00")},
        ScriptCase{
            "three thirds are one", "StoExpr(third) = 1/3\nExpr = third*3", "4",
            Block({"Ln 1: Expression = 1/3: " + kTag, "       Stored => Number third = 0.3333"}) +
                ExprBlock(2, "third*3", "Number = 1.0000")},
        ScriptCase{"three thirds are one without decimals", "StoExpr(third) = 1/3\nExpr = third*3",
                   "0",
                   Block({"Ln 1: Expression = 1/3: " + kTag, "       Stored => Number third = 0"}) +
                       ExprBlock(2, "third*3", "Number = 1")},
        ScriptCase{"StoExpr without a name", "StoExpr() = 5\nStoExpr = 6", "4",
                   Block({"Ln 1: Expression = 5: " + kTag,
                          "       Stored => " +
                              ClientError("no name to store the value as: StoExpr(name) = "
                                          "expression")}) +
                       Block({"Ln 2: Expression = 6: " + kTag,
                              "       Stored => " +
                                  ClientError("no name to store the value as: StoExpr(name) = "
                                              "expression")}),
                   "2 errors found"},
        ScriptCase{"StoExpr keeps ten decimals of matrix elements",
                   "Matr = [mA]; 1; 2; 1; 2\nStoExpr(mT) = [mA]/3\nExpr = [mT]*3", "4",
                   Block({"Ln 2: Expression = [mA]/3: " + kTag,
                          "       Stored => Matr = [mT]; 1; 2;0.3333; 0.6667; "}) +
                       ExprBlock(3, "[mT]*3", "Matrix: \r\nvE(0)=1.0000\r\nvE(1)=2.0000")},
        ScriptCase{"StoExpr of a failing expression", "StoExpr(z) = 1/0", "2",
                   Block({"Ln 1: Expression = 1/0: " + kTag, "       Stored => " + kDivision}),
                   "1 errors found"},
        ScriptCase{"variables and functions write no block",
                   "Var = a; 3\nFunct = f; a^2+1\nExpr = f*2", "0",
                   ExprBlock(3, "f*2", "Number = 20")},
        ScriptCase{"a Var value that is an expression keeps ten decimals",
                   "Var = i; 0.04/12\nExpr = i", "10", ExprBlock(2, "i", "Number = 0.0033333333")},
        ScriptCase{"a Var value that is a whole expression", "Var = k; 2*3\nExpr = k", "0",
                   ExprBlock(2, "k", "Number = 6")},
        ScriptCase{"a Var value stored as written", "Var = h; +.5\nVar = g; 5.\nExpr = h+g", "1",
                   ExprBlock(3, "h+g", "Number = 5.5")},
        ScriptCase{"a Var value that is no number", "Var = q; abc", "4",
                   LineBlock(1, "Var = q; abc", "Stored",
                             "===>  ERROR n. = -7: Token match error (eval)\r\n"
                             "       at column 1: 'abc' (unknown variable)"),
                   "1 errors found"},
        ScriptCase{"a Var value that is a matrix", "Matr = [mA]; 1; 1; 2\nVar = m; [mA]*2", "4",
                   LineBlock(2, "Var = m; [mA]*2", "Stored",
                             ClientError("a variable holds a number; StoExpr(name) = ... stores "
                                         "a matrix")),
                   "1 errors found"},
        ScriptCase{
            "a Var without a name", "Var = ; 5\nVar = 5", "4",
            LineBlock(1, "Var = ; 5", "Stored",
                      ClientError("no variable name: Var = name; value")) +
                LineBlock(2, "Var = 5", "Stored", ClientError("no value for 5: Var = name; value")),
            "2 errors found"},
        ScriptCase{"a Var value beyond any number", "Var = b; 1e400", "4",
                   LineBlock(1, "Var = b; 1e400", "Stored",
                             ClientError("the value 1e400 lies beyond the range of a number")),
                   "1 errors found"},
        ScriptCase{
            "a Funct without name or body", "Funct = ; x+1\nFunct = f\nFunct = g;", "4",
            LineBlock(1, "Funct = ; x+1", "Stored", ClientError("no function name")) +
                LineBlock(2, "Funct = f", "Stored", ClientError("the function f has no body")) +
                LineBlock(3, "Funct = g;", "Stored", ClientError("the function g has no body")),
            "3 errors found"},
        ScriptCase{"Integrate by both methods",
                   "Integrate(0; 2; 4; trap; x) = x\nINTEGRATE(0.4; 2.6; 4; rect; t) = 1", "4",
                   Block({"Ln 1: iFunction = x: " + kTag,
                          "       Integral iFunction(0,2) => Number = 2.0000"}) +
                       Block({"Ln 2: iFunction = 1: " + kTag,
                              "       Integral iFunction(0,3) => Number = 2.2000"})},
        ScriptCase{"Integrate by every rule word",
                   "Integrate(0;1;10;rectangle;t) = t^2\nIntegrate(0;1;10;MIDPOINT;t) = t^2\n"
                   "Integrate(0;1;10;trapezoid;t) = t^2\nIntegrate(0;1;10;Trapezoidal;t) = t^2",
                   "4",
                   IntegralBlock(1, "t^2", "0,1", "Number = 0.3325") +
                       IntegralBlock(2, "t^2", "0,1", "Number = 0.3325") +
                       IntegralBlock(3, "t^2", "0,1", "Number = 0.3350") +
                       IntegralBlock(4, "t^2", "0,1", "Number = 0.3350")},
        ScriptCase{"Integrate by Simpson's rule",
                   "Integrate(0;1;10;simpson;t) = t^2\n"
                   "Integrate(0;1;10;simp;t) = t^2",
                   "4",
                   IntegralBlock(1, "t^2", "0,1", "Number = 0.3333") +
                       IntegralBlock(2, "t^2", "0,1", "Number = 0.3333")},
        ScriptCase{"Integrate with an unknown rule", "Integrate(0;1;10;xyz;t) = t^2", "4",
                   IntegralBlock(1, "t^2", "0,1",
                                 ClientError("unknown integration rule 'xyz': rect, trap or simp")),
                   "1 errors found"},
        ScriptCase{"Integrate without a variable", "Integrate(0;1;10;trap; ) = t^2", "4",
                   IntegralBlock(1, "t^2", "0,1",
                                 ClientError("no integration variable: Integrate(from; to; steps; "
                                             "rule; variable) = expression")),
                   "1 errors found"},
        ScriptCase{"Integrate limits that are expressions",
                   "Integrate(0;pi;100;trap;x) = sin(x)\nIntegrate(-3/2;2^2;3*2;trap;x) = 1", "4",
                   IntegralBlock(1, "sin(x)", "0,3", "Number = 1.9998") +
                       IntegralBlock(2, "1", "-2,4", "Number = 5.5000")},
        ScriptCase{"Integrate with a limit that fails", "Integrate(1/0;1;10;trap;x) = x", "4",
                   IntegralBlock(1, "x", "1/0,1", kDivision + " in from = 1/0"), "1 errors found"},
        ScriptCase{
            "Integrate with a matrix for a limit",
            "Matr = [ma]; 1; 1; 2\nIntegrate(0;[ma];10;trap;x) = x", "4",
            IntegralBlock(2, "x", "0,[ma]", ClientError("to = [ma] is a matrix, not a number")),
            "1 errors found"},
        ScriptCase{"Integrate with steps that are no number", "Integrate(0;1;abc;trap;x) = x", "4",
                   IntegralBlock(1, "x", "0,1",
                                 "===>  ERROR n. = -7: Token match error (eval) in steps = abc\r\n"
                                 "       at column 1: 'abc' (unknown variable)"),
                   "1 errors found"},
        ScriptCase{"Integrate with an empty limit", "Integrate(;1;10;trap;x) = x", "4",
                   IntegralBlock(1, "x", ",1", ClientError("from is empty")), "1 errors found"},
        ScriptCase{"results that are no number", "Expr = sqr(-1)\nExpr = ln(0)", "4",
                   ExprBlock(1, "sqr(-1)", "===>  ERROR n. = -8: Result is not a number (eval)") +
                       ExprBlock(2, "ln(0)", kDivision),
                   "2 errors found"},
        ScriptCase{
            "derivatives of polynomials and of what is none",
            "VarPolyn = x\nDerivate = 2.5*x^3 - x\nDerivate = (x+1)^2\nDerivate = 5", "4",
            Block({"Ln 2: Polyn = 2.5*x^3 - x:", "       Derivate of Polyn => 7.5*x^2 - 1"}) +
                Block({"Ln 3: Polyn = (x+1)^2:",
                       "       Derivate of Polyn => ===> ERROR n. = -18: Not a "
                       "polynomial in the variable (eval)"}) +
                Block({"Ln 4: Polyn = 5:", "       Derivate of Polyn => 0"}),
            "1 errors found"},
        ScriptCase{
            "roots found and not found",
            "VarPolyn = x\nsolvepolyn = x^2 + 1\nsolvepolyn = 0.5*x^3 - 4", "4",
            Block({"Ln 2: Polyn = x^2 + 1:",
                   "       Solution Polyn => ===>  ERROR n. = -19: No root found (eval)"}) +
                Block({"Ln 3: Polyn = 0.5*x^3 - 4:", "       Solution Polyn => Number = 2.0000"}),
            "1 errors found"},
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

TEST_F(ScriptTest, VarValuesArePlainNumbersOrEvaluated) {
  struct Value {
    const char* text;
    bool plain;  // sent as written; otherwise evaluated first
  };
  const Value values[] = {
      {"5", true},     {"-5", true},     {"+.5", true},  {"5.", true},     {"1e3", true},
      {"1E-3", true},  {"2.5e+1", true}, {"007", true},  {"1.2.3", false}, {"1e", false},
      {"e5", false},   {".", false},     {"-", false},   {"1e+", false},   {"2*3", false},
      {"0x10", false}, {"1 000", false}, {"--1", false}, {"1,5", false},   {"pi", false},
  };
  for (const Value& v : values) {
    log_.clear();
    Run(std::string("Var = a; ") + v.text);
    bool stored_as_written = false;
    bool evaluated = false;
    for (const std::string& line : log_) {
      stored_as_written |=
          line.find(std::string("FUN;SetVarFunct;str;a;str;") + v.text + ";") != std::string::npos;
      evaluated |= line.find(std::string("FUN;e_eval;str;") + v.text + ";") != std::string::npos;
    }
    EXPECT_EQ(stored_as_written, v.plain) << v.text;
    EXPECT_EQ(evaluated, !v.plain) << v.text;
  }
}

TEST_F(ScriptTest, AFunctFFileThatCannotBeReadIsAnError) {
  const std::string output = Run("FunctF = g missing.txt\nFunctF = h");
  EXPECT_EQ(output,
            LineBlock(1, "FunctF = g missing.txt", "Stored",
                      ClientError("the function g has no body (file missing.txt)")) +
                LineBlock(2, "FunctF = h", "Stored", ClientError("the function h has no body")));
  EXPECT_EQ(ui_.messages, "2 errors found");
  ASSERT_EQ(boxes_.size(), 2u);  // the box is still shown
}

TEST_F(ScriptTest, InputFilesMayBeginWithAByteOrderMark) {
  WriteInOut("e.txt", "\xEF\xBB\xBF' a remark\r\nExpr = 6*7\r\n");
  WriteInOut("f.txt", "\xEF\xBB\xBFk+1\r\n");
  const std::string output = Run("ExprF = e.txt\nVar = k; 1\nFunctF = g f.txt\nExpr = g", "0");
  EXPECT_EQ(output, ExprBlock(1, "6*7", "Number = 42") + ExprBlock(4, "g", "Number = 2"));
}

TEST_F(ScriptTest, AnOutputFileThatCannotBeWrittenIsAnError) {
  WriteInOut("e.txt", "2+2\r\n");
  const std::string output = Run("ExprF = e.txt [no_folder/out.txt]", "0");
  EXPECT_EQ(output, ExprBlock(1, "2+2", "Number = 4", "=>(no_folder/out.txt)") +
                        LineBlock(1, "Output file = no_folder/out.txt", "Result",
                                  ClientError("can't write the file " + directory_ +
                                              "InOut/no_folder/out.txt")));
  EXPECT_EQ(ui_.messages, "1 errors found");
}

TEST_F(ScriptTest, SolvepolynFindsEitherRootOfAnEvenPolynomial) {
  const std::string output = Run("VarPolyn = x\nsolvepolyn = x^2*3 - 12");
  const std::string head = "Ln 2: Polyn = x^2*3 - 12:\r\n       Solution Polyn => Number = ";
  EXPECT_TRUE(output == head + "2.0000\r\n\r\n" || output == head + "-2.0000\r\n\r\n") << output;
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

TEST_F(ScriptTest, PlotFieldsMayBeExpressions) {
  Run("Plot(-pi; x; 2*pi; 3) = x\nPlot(0; x; 1; 1.6) = x");
  ASSERT_EQ(ui_.plots.size(), 2u);
  EXPECT_EQ(ui_.plots[0].from, -3.1415926536);
  EXPECT_EQ(ui_.plots[0].to, 6.2831853072);
  EXPECT_EQ(ui_.plots[0].x.size(), 4u);
  EXPECT_EQ(ui_.plots[1].steps, 2);  // rounded
  EXPECT_EQ(ui_.output, "");
  EXPECT_EQ(ui_.messages, "No errors");
}

TEST_F(ScriptTest, PlotLinesThatGiveNoCurveAreErrors) {
  struct Case {
    const char* line;
    std::string result;
  };
  const std::string range = ": the number of steps must lie between 0 and 16777215";
  const Case cases[] = {
      {"Plot(0; x; 1/0; 4; [p.txt]) = x", kDivision + " in to = 1/0"},
      {"Plot(abc; x; 1; 4; [p.txt]) = x",
       "===>  ERROR n. = -7: Token match error (eval) in from = abc\r\n"
       "       at column 1: 'abc' (unknown variable)"},
      {"Plot(0; x; 1; ; [p.txt]) = x", ClientError("steps is empty")},
      {"Plot(0; x; 1; -3; [p.txt]) = x", ClientError("steps = -3" + range)},
      {"Plot(0; x; 1; 16777216; [p.txt]) = x", ClientError("steps = 16777216" + range)},
      {"Plot(0; ; 1; 4; [p.txt]) = x",
       ClientError("no plot variable: Plot(from; variable; to; steps; [file]) = expression")},
      // Every sample fails: the error of the last one.
      {"Plot(0; x; 1; 4; [p.txt]) = 1/0", kDivision},
      {"Plot(0; x; 1; 4; [p.txt]) = sqr(-1-x)",
       "===>  ERROR n. = -8: Result is not a number (eval)"},
  };
  for (const Case& c : cases) {
    // A data file of an earlier run must not pass for this one's.
    std::ofstream(directory_ + "p.txt") << "Id\tX\tY\r\n0\t0\t0\r\n";
    const std::string line = c.line;
    const std::string output = Run(line);
    EXPECT_EQ(output,
              LineBlock(1, "Plot = " + line.substr(line.find(") = ") + 4), "Result", c.result))
        << line;
    EXPECT_EQ(ui_.messages, "1 errors found") << c.line;
    EXPECT_TRUE(ui_.plots.empty()) << c.line;
    EXPECT_EQ(ReadFile(directory_ + "p.txt"), "Id\tX\tY\r\n") << c.line;
  }
}

TEST_F(ScriptTest, PlotSamplesReachTheUpperLimit) {
  Run("Plot(0; u; 2; 20; [e.txt]) = u");
  ASSERT_EQ(ui_.plots.size(), 1u);
  EXPECT_EQ(ui_.plots[0].x.size(), 21u);
  EXPECT_EQ(ui_.plots[0].x.back(), 2.0);
  const std::string data = ReadFile(directory_ + "e.txt");
  EXPECT_NE(data.find("\r\n20\t2\t2\r\n"), std::string::npos) << data;
}

TEST_F(ScriptTest, WithoutConnectionEveryBlockReportsErrorZero) {
  trx::Disconnect();
  log_.clear();
  const std::string output =
      Run("Expr = 1+1\nVarPolyn = x\nsolvepolyn = x-1\nVar = a; 1\nPlot(0; x; 1; 2) = x");
  const std::string none = "===>  ERROR n. = 0: ";
  EXPECT_EQ(output, ExprBlock(1, "1+1", none) +
                        Block({"Ln 3: Polyn = x-1:", "       Solution Polyn => " + none}) +
                        LineBlock(4, "Var = a; 1", "Stored", none) +
                        LineBlock(5, "Plot = x", "Result", none));
  EXPECT_EQ(ui_.messages, "4 errors found");
  EXPECT_TRUE(ui_.plots.empty());  // no curve made of the zeros nobody sent
  int lines = 0;
  for (const std::string& line : log_)
    lines += line.find("No NetWork Connection") != std::string::npos;
  // e_eval, GetE_Error, GetE_ErrDescr, dSolve, GetE_Error, GetE_ErrDescr,
  // SetVarFunct, GetE_Error, GetE_ErrDescr, e_evals, GetE_ErrDescr.
  EXPECT_EQ(lines, 2 * 11);
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

// The interpreter against a scripted server: replies no trx_Server gives
// today, such as a result that is no number without an error, or samples
// that did not arrive.
class ScriptAgainstFake : public ::testing::Test {
 protected:
  void SetUp() override {
    trx::SetLogSink([](const std::string&) {});
    trx::SetMessageBox([](const std::string&, const std::string&) {});
    char pattern[] = "/tmp/corvane_fake_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    directory_ = std::string(pattern) + "/";
    corvane::SetProgramDirectory(directory_);
  }
  void TearDown() override {
    trx::Disconnect();
    std::filesystem::remove_all(directory_);
    trx::SetLogSink(nullptr);
    trx::SetMessageBox(nullptr);
  }
  // Runs script against a server that answers replies[name] to the call of
  // that name, and what a successful call answers to any other.
  std::string Run(const std::map<std::string, Reply>& replies, const std::string& script) {
    FakeServer server([&replies](const std::string& command) -> Reply {
      const std::string body = command.substr(trx::kHeaderSize);
      const std::string name(aux::FieldS(body, 2));
      if (const auto it = replies.find(name); it != replies.end()) return it->second;
      if (name == "GetE_Error") return {"FUN;GetE_Error;ret;-1;"};
      if (name == "GetE_ErrDescr") return {"FUN;GetE_ErrDescr;ret;0;str;Described (eval);"};
      return {"FUN;" + name + ";ret;0;dbl;0;"};
    });
    EXPECT_NE(trx::InitClient("127.0.0.1", server.Port()), 0);
    corvane::Interpreter interpreter(ui_);
    interpreter.Run(script, "2");
    trx::Disconnect();
    return interpreter.Output();
  }
  std::string ReadData(const std::string& name) {
    std::ifstream in(directory_ + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  RecordingInterface ui_;
  std::string directory_;
};

std::string Doubles(const std::vector<double>& values) {
  std::string bytes(values.size() * 8, '\0');
  std::memcpy(bytes.data(), values.data(), bytes.size());
  return bytes;
}

// e_evals answered with 5 samples at 0..4 and the given ordinates.
Reply Samples(int32_t returned, const std::vector<double>& y) {
  std::vector<double> blocks = {0, 1, 2, 3, 4};
  blocks.insert(blocks.end(), y.begin(), y.end());
  blocks.insert(blocks.end(), {0, 0, 0, 0, 0});  // the range: the client finds its own
  return {"FUN;e_evals;ret;" + std::to_string(returned) + ";lng;4;", Doubles(blocks)};
}

TEST_F(ScriptAgainstFake, ResultsThatAreNoFiniteNumberAreErrors) {
  struct Case {
    const char* what;
    std::string call;
    std::string reply;
    std::string script;
    std::string output;
  };
  const auto no_number = [](const std::string& shown) {
    return ClientError("the result is no finite number (" + shown + ")");
  };
  const Case cases[] = {
      {"Expr", "e_eval", "FUN;e_eval;ret;0;dbl;inf;", "Expr = 1",
       ExprBlock(1, "1", no_number("inf"))},
      {"Expr of -inf", "e_eval", "FUN;e_eval;ret;0;dbl;-inf;", "Expr = 1",
       ExprBlock(1, "1", no_number("-inf"))},
      {"Expr of nan", "e_eval", "FUN;e_eval;ret;0;dbl;nan;", "Expr = 1",
       ExprBlock(1, "1", no_number("nan"))},
      {"StoExpr", "e_eval", "FUN;e_eval;ret;0;dbl;inf;", "StoExpr(v) = 1",
       Block({"Ln 1: Expression = 1: " + kTag, "       Stored => " + no_number("inf")})},
      {"Var", "e_eval", "FUN;e_eval;ret;0;dbl;inf;", "Var = v; 2*3",
       LineBlock(1, "Var = v; 2*3", "Stored", ClientError("the value is no finite number (inf)"))},
      {"Integrate", "Integrate", "FUN;Integrate;ret;-1;dbl;inf;", "Integrate(0; 1; 4; trap; x) = x",
       IntegralBlock(1, "x", "0,1", no_number("inf"))},
      {"Integrate limit", "e_eval", "FUN;e_eval;ret;0;dbl;inf;", "Integrate(0; e; 4; trap; x) = x",
       IntegralBlock(1, "x", "0,e", ClientError("to = e is no finite number"))},
      {"solvepolyn", "dSolve", "FUN;dSolve;dbl;nan;", "solvepolyn = x^2",
       Block({"Ln 1: Polyn = x^2:", "       Solution Polyn => " + no_number("nan")})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Run({{c.call, Reply{c.reply}}}, c.script), c.output) << c.what;
    EXPECT_EQ(ui_.messages, "1 errors found") << c.what;
  }
}

TEST_F(ScriptAgainstFake, AnswersThatNeverCameAreErrors) {
  struct Case {
    const char* what;
    std::map<std::string, Reply> replies;
    std::string script;
    std::string output;
  };
  const Reply gone{"", "", true};  // the server closes instead of answering
  const std::string none = "===>  ERROR n. = 0: ";
  const Reply matrix{"FUN;GetResultType;ret;1;"};
  const Case cases[] = {
      {"the result type of Expr", {{"GetResultType", gone}}, "Expr = 1", ExprBlock(1, "1", none)},
      {"the result type of StoExpr",
       {{"GetResultType", gone}},
       "StoExpr(v) = 1",
       Block({"Ln 1: Expression = 1: " + kTag, "       Stored => " + none})},
      {"the result type of a Var value",
       {{"GetResultType", gone}},
       "Var = v; 2*3",
       LineBlock(1, "Var = v; 2*3", "Stored", none)},
      {"the result type of an Integrate limit",
       {{"GetResultType", gone}},
       "Integrate(0; e; 4; trap; x) = x",
       IntegralBlock(1, "x", "0,e", none)},
      {"storing a variable",
       {{"SetVarFunct", gone}},
       "Var = v; 2",
       LineBlock(1, "Var = v; 2", "Stored", none)},
      {"storing a function",
       {{"SetVarFunct", gone}},
       "Funct = f; x+1",
       LineBlock(1, "Funct = f; x+1", "Stored", none)},
      {"the matrix of a result",
       {{"GetResultType", matrix}, {"FindMatrix", Reply{"FUN;FindMatrix;ret;0;lng;0;lng;0;"}}},
       "Expr = [mA]",
       ExprBlock(1, "[mA]", ClientError("the matrix of the result was not found"))},
      {"the listing of a matrix",
       {{"GetResultType", matrix},
        {"FindMatrix", Reply{"FUN;FindMatrix;ret;0;lng;1;lng;1;", Doubles({5})}},
        {"aPrint", gone}},
       "Expr = [mA]",
       ExprBlock(1, "[mA]", none)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.replies, c.script), c.output) << c.what;
    EXPECT_EQ(ui_.messages, "1 errors found") << c.what;
  }
}

TEST_F(ScriptAgainstFake, PlotsLeaveOutSamplesThatAreNoNumbers) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(
      Run({{"e_evals", Samples(-8, {nan, 1, -inf, 3, nan})}}, "Plot(0; x; 4; 4; [d.txt]) = x"), "");
  EXPECT_EQ(ui_.messages, "No errors");
  ASSERT_EQ(ui_.plots.size(), 1u);
  const corvane::Plot& plot = ui_.plots[0];
  EXPECT_EQ(plot.number, 1);
  EXPECT_EQ(plot.error, -8);
  // The range of the samples drawn.
  EXPECT_EQ(plot.x_min, 1);
  EXPECT_EQ(plot.x_max, 3);
  EXPECT_EQ(plot.y_min, 1);
  EXPECT_EQ(plot.y_max, 3);
  EXPECT_EQ(ReadData("d.txt"), "Id\tX\tY\r\n1\t1\t1\r\n3\t3\t3\r\n");
}

TEST_F(ScriptAgainstFake, APlotWithoutAnyFiniteSampleIsAnError) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<double> none(5, nan);
  struct Case {
    const char* what;
    Reply reply;
    std::string result;
  };
  const Case cases[] = {
      {"the last sample's error", Samples(-8, none), "===>  ERROR n. = -8: Described (eval)"},
      {"no error at all", Samples(-1, none),
       ClientError("no sample of the curve is a finite number")},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(
        Run({{"e_evals", c.reply}}, "Plot(0; x; 4; 4; [d.txt]) = x\nPlot(0; x; 4; 4) = x"),
        LineBlock(1, "Plot = x", "Result", c.result) + LineBlock(2, "Plot = x", "Result", c.result))
        << c.what;
    EXPECT_EQ(ui_.messages, "2 errors found") << c.what;
    EXPECT_TRUE(ui_.plots.empty()) << c.what;
    EXPECT_EQ(ReadData("d.txt"), "Id\tX\tY\r\n") << c.what;
  }
}

}  // namespace
}  // namespace client_test
