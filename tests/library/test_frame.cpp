// The library frame: load-time state, the error table, the message route,
// the error reports with their dump, and the reset.
#include <climits>
#include <map>

#include "tarnix_test.h"

namespace tarnix_test {
namespace {

TEST(LoadedLibrary, StartsWithErrorZeroScalarKindAndEmptyLog) {
  EXPECT_EQ(StateAtLoad().error, 0);
  EXPECT_EQ(StateAtLoad().ResultType, 0);
  EXPECT_EQ(StateAtLoad().log, "");
}

const std::map<int, std::string>& DescribedCodes() {
  static const std::map<int, std::string> codes = {
      {-22, "Invalid Parameter. Unable to return string"},
      {-21, "Singolarity"},
      {-20, "Interrupted (eval)"},
      {-19, "No root found (eval)"},
      {-18, "Not a polynomial in the variable (eval)"},
      {-17, "Matrix not found (eval)"},
      {-16, "Invalid parameter (eval)"},
      {-15, "No enought matrix elements (eval)"},
      {-14, "Wrong string matrix (eval)"},
      {-13, "Condition not found (eval)"},
      {-12, "Memory alloc error (eval)"},
      {-11, "Not even number (eval)"},
      {-10, "Expression/value not integer (eval)"},
      {-9, "Division by zero (eval)"},
      {-8, "Result is not a number (eval)"},
      {-7, "Token match error (eval)"},
      {-6, "Returned Value not defined (eval)"},
      {-5, "Undefined function (eval)"},
      {-4, "Parser syntax error (eval)"},
      {-3, "Evaluator syntax error (eval)"},
      {-2, "Ambiguous function name detected (eval)"},
      {-1, "No Error"},
      {0, "Undefined error (procedure exit before completion) (aMatr)"},
      {1, "Orders not equal (aMatr)"},
      {2, "Orders not valid (aMatr)"},
      {3, "Matrix not squared (aMatr)"},
      {4, "Matrix singolar (aMatr)"},
      {5, "Invalid Parameter (aMatr)"},
      {6, "Vector expected not Matrix (aMatr)"},
      {7, "Wrong Matrix ranks (aMatr)"},
      {8, "Wrong vector of points (aMatr)"},
      {9, "Rank of matrix of coefficients greather then n-2 (aMatr)"},
      {10, "System without Solutions (aMatr)"},
      {11, "Wrong SWAP Row or Col (aMatr)"},
      {15, "Rank of matrix of coefficients greather then n-2 (aMatr)"},
      {20, "Matrix not defined (aMatr)"},
      {21, "Matrix is Zero (aMatr)"},
      {50, "Invalid aElemOrder (aMatr)"},
  };
  return codes;
}

TEST(ErrorTable, EverySlotFromMinus22To78HasItsTextOrNone) {
  for (int code = -22; code <= 78; ++code) {
    const auto it = DescribedCodes().find(code);
    const std::string expected = it == DescribedCodes().end() ? "" : it->second;
    EXPECT_EQ(GetE_ErrDescr(code), expected) << "code " << code;
  }
}

TEST(ErrorTable, CodesOutsideTheTableAreEmpty) {
  for (int code : {-23, 79, 1000, -1000, INT_MIN, INT_MAX}) {
    EXPECT_STREQ(GetE_ErrDescr(code), "") << "code " << code;
  }
}

TEST(ErrorTable, ReturnedTextIsOverwrittenByTheNextText) {
  const char* first = GetE_ErrDescr(-1);
  const char* second = GetE_ErrDescr(4);
  EXPECT_EQ(first, second);
  EXPECT_STREQ(first, "Matrix singolar (aMatr)");
}

TEST_F(Engine, SuccessfulEvaluationLeavesMinusOne) {
  EXPECT_EQ(Eval("1+1").error, -1);
  EXPECT_EQ(GetResultType(), 0);
}

// Which route a failing evaluation's report and its trace take.
struct Routing {
  int DebugFlags;
  int MsgMode;
  bool box;            // the report opens a box
  bool report_in_log;  // the report reaches the log
  bool trace_in_log;   // the trace lines reach the log
};

class MessageRouting : public Engine, public ::testing::WithParamInterface<Routing> {};

TEST_P(MessageRouting, FollowsTheFlagsInTheirOrder) {
  const Routing r = GetParam();
  SetDebugF(r.DebugFlags);
  ShowMsgs(r.MsgMode);
  MarkLog();
  EXPECT_EQ(Eval("1+").error, -4);
  const std::string log = LogSinceMark();
  EXPECT_EQ(Boxes().size(), r.box ? 1u : 0u);
  if (r.box) {
    EXPECT_EQ(Boxes()[0].title, "DuZuradi: Error");
  }
  EXPECT_EQ(log.find("Procedure: e_prs") != std::string::npos, r.report_in_log);
  EXPECT_EQ(log.find("--- e_nxt()") != std::string::npos, r.trace_in_log);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, MessageRouting,
    ::testing::Values(Routing{0, 1, false, false, false}, Routing{1, 1, false, false, false},
                      Routing{3, 1, false, false, false}, Routing{2, 1, true, false, false},
                      Routing{2, 0, false, false, false}, Routing{4, 1, false, true, true},
                      Routing{4, 0, false, false, true}, Routing{8, 1, false, true, true},
                      Routing{6, 1, true, false, true}, Routing{10, 1, true, false, true},
                      Routing{12, 1, false, true, true}, Routing{5, 1, false, false, false},
                      Routing{16, 1, false, false, false}));

TEST_F(Engine, ShowMsgsTwoSilencesEverything) {
  SetDebugF(6);
  EXPECT_EQ(ShowMsgs(2), 0);
  MarkLog();
  Eval("1+");
  Eval("sinx(1)");
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(LogSinceMark(), "");
}

struct ReportCase {
  const char* expr;
  int error;
  const char* report;
};

class ErrorReports : public Engine, public ::testing::WithParamInterface<ReportCase> {};

TEST_P(ErrorReports, CarryProcedureMessageAndDump) {
  const ReportCase c = GetParam();
  SetDebugF(2);
  ShowMsgs(1);
  EXPECT_EQ(Eval(c.expr).error, c.error);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, c.report);
  EXPECT_EQ(Boxes()[0].title, "DuZuradi: Error");
}

INSTANTIATE_TEST_SUITE_P(
    EveryCode, ErrorReports,
    ::testing::Values(
        ReportCase{"1+", -4,
                   "Procedure: e_prs\r\nSyntax error, token = ''\r\n\r\nDebug:\r\n"
                   "   expression = '1'+''\r\n   token = ''\r\n   spelling = ''\r\n"
                   "   input = ''\r\n   position = 2"},
        ReportCase{"1 2 + 3", -3,
                   "Procedure: e_eval\r\nSyntax error, token = '2'\r\n\r\nDebug:\r\n"
                   "   expression = '1 '2' + 3'\r\n   token = 'num'\r\n   spelling = '2'\r\n"
                   "   input = ' + 3'\r\n   position = 3"},
        ReportCase{"(1+2", -7,
                   "Procedure: e_match\r\nExpected ), got ''\r\n\r\nDebug:\r\n"
                   "   expression = '(1+'2''\r\n   token = ''\r\n   spelling = ''\r\n"
                   "   input = ''\r\n   position = 4"},
        ReportCase{"sinx(1)", -5,
                   "Procedure: e_function\r\nUndefined function: 'sinx'\r\n\r\nDebug:\r\n"
                   "   expression = 'sinx(1')''\r\n   token = ''\r\n   spelling = ''\r\n"
                   "   input = ''\r\n   position = 7"},
        ReportCase{"4/0*2", -9,
                   "Calculation error, token = '*'\r\nDivision by zero.\r\nDebug:\r\n"
                   "   expression = '4/0'*'2'\r\n   token = '*'\r\n   spelling = '*'\r\n"
                   "   input = '2'\r\n   position = 4"},
        ReportCase{"7 mod 0", -9,
                   "Calculation error, token = ''\r\nDivision by zero.\r\nDebug:\r\n"
                   "   expression = '7 mod '0''\r\n   token = ''\r\n   spelling = ''\r\n"
                   "   input = ''\r\n   position = 7"},
        ReportCase{"[mA]+1", -17,
                   "Procedure: e_prs\r\nMatrix not found, token = '[mA]'\r\n\r\nDebug:\r\n"
                   "   expression = '[mA']'+1'\r\n   token = 'matrix'\r\n"
                   "   spelling = '[mA]'\r\n   input = '+1'\r\n   position = 4"}));

TEST_F(Engine, OnlyTheFirstFailureIsReported) {
  SetDebugF(2);
  ShowMsgs(1);
  EXPECT_EQ(Eval("1/0 + sinx(1) + (2").error, -9);
  EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(Engine, NoReportWithoutMessageLevelOne) {
  SetDebugF(2);
  EXPECT_EQ(Eval("1/0").error, -9);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(Engine, BoolSignRejectsOtherValuesWithAShortReport) {
  SetDebugF(2);
  ShowMsgs(1);
  Eval("1+1");
  EXPECT_EQ(SetBoolSign(5), 0);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, "Procedure: SetBoolSign\r\nWrong parameter. Must be 1 or -1");
  EXPECT_EQ(GetE_Error(), -1);
  EXPECT_EQ(Eval("1<2").value, -1);
  SetBoolSign(1);
  EXPECT_EQ(Eval("1<2").value, 1);
  SetBoolSign(0);
  EXPECT_EQ(Eval("1<2").value, 1);
}

TEST_F(Engine, ResetEmptiesListsAndKeepsFlagsLogAndBoolSign) {
  SetVarFunct("x", "3", 0);
  SetVarFunct("f", "x+1", 1);
  SetBoolSign(1);
  SetDebugF(4);
  ShowMsgs(1);
  Eval("f");
  MarkLog();
  const std::string log_before = GetMsgLog();
  EXPECT_EQ(ReSetDuZuradi(), 0);
  EXPECT_EQ(GetResultType(), -1);
  EXPECT_EQ(GetVarFuncListLen("vars"), 0);
  EXPECT_EQ(GetVarFuncListLen(""), 0);
  EXPECT_EQ(std::string(GetMsgLog()).substr(0, log_before.size()), log_before);
  EXPECT_EQ(LogSinceMark(), "\r\n\r\nClearMatrixList");
  // Message level back to 0: no report; debug flags kept: the trace goes on.
  MarkLog();
  EXPECT_EQ(Eval("1+").error, -4);
  EXPECT_EQ(LogSinceMark().find("Procedure:"), std::string::npos);
  EXPECT_NE(LogSinceMark().find("--- e_nxt()"), std::string::npos);
  EXPECT_EQ(GetResultType(), 0);
  EXPECT_EQ(Eval("1<2").value, 1);
}

TEST_F(Engine, LogWithFlagEightIsHandedBack) {
  SetDebugF(8);
  ShowMsgs(1);
  MarkLog();
  Eval("1+");
  EXPECT_NE(LogSinceMark().find("Procedure: e_prs\r\nSyntax error, token = ''"), std::string::npos);
}

TEST_F(Engine, UnsetHostHandlerFallsBackToOneLineOnStderr) {
  SetMsgBoxHandler(nullptr);
  ::testing::internal::CaptureStderr();
  char buffer[16] = "hello";
  TestStrPtr(buffer);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "TestStrPtr 1: st.s=.hello.\nTestStrPtr 2: st.s=.aaaaaaaaaaa.\n");
}

}  // namespace
}  // namespace tarnix_test
