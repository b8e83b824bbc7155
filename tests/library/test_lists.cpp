// The variable and user-function lists: their texts, look-ups, expansion
// and the ambiguity check.
#include <limits>

#include "tarnix_test.h"

namespace tarnix_test {
namespace {

std::string List(const char* which) {
  std::string buffer(static_cast<std::size_t>(GetVarFuncListLen(which)) + 1, '?');
  const int n = GetVarFuncList(buffer.data(), GetVarFuncListLen(which), which);
  buffer.resize(static_cast<std::size_t>(n));
  return buffer;
}

TEST_F(Engine, VariablesAreStoredAsNameValueEntries) {
  EXPECT_EQ(SetVarFunct("  X  ", "2.5", 0), 0);
  SetVarFunct("y", "-1", 0);
  EXPECT_EQ(List("vars"), "x=2.5;y=-1;");
  EXPECT_EQ(GetVarFuncListLen("vars"), 11);
  SetVarFunct("x", "3", 0);
  EXPECT_EQ(List("vars"), "x=3;y=-1;");

  char buffer[16];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(GetVarFuncList(buffer, 5, "VARS"), 5);
  EXPECT_STREQ(buffer, "x=3;y");
  EXPECT_EQ(GetVarFuncList(buffer, -3, "vars"), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(GetVarFuncList(nullptr, 5, "vars"), 0);
}

TEST_F(Engine, NamesMatchWholeEntriesOnly) {
  SetVarFunct("max_x", "5", 0);
  SetVarFunct("x", "2", 0);
  EXPECT_EQ(List("vars"), "max_x=5;x=2;");
  SetVarFunct("x", "7", 0);
  EXPECT_EQ(List("vars"), "max_x=5;x=7;");
  EXPECT_EQ(Eval("x*10+max_x").value, 75);
}

TEST_F(Engine, VariableValuesAreReadAsTenDecimalNumbers) {
  struct {
    const char* text;
    double value;
  } cases[] = {{"2.5", 2.5}, {"  2.5 ", 2.5}, {"-3", -3},  {"+4", 4},
               {"1E-12", 0}, {"1.5E3", 1500}, {".5", 0.5}, {"0.1234567890123", 0.123456789}};
  for (const auto& c : cases) {
    SetVarFunct("v", c.text, 0);
    const Result r = Eval("v");
    EXPECT_EQ(r.error, -1) << c.text;
    EXPECT_EQ(r.value, c.value) << c.text;
  }
  SetVarFunct("v", "1e400", 0);
  EXPECT_EQ(Eval("v").error, -9);
}

TEST_F(Engine, AVariableWhoseTextIsNoNumberFailsWhenUsed) {
  // Read as its leading number (or 0) it would give a plausible wrong result.
  for (const char* text : {"abc", "", "2.5abc", "1,5", "inf", "1+1", "1e400x", "-", "."}) {
    SetVarFunct("v", text, 0);
    const Result r = Eval("v*2");
    EXPECT_EQ(r.error, -16) << text;
    EXPECT_NE(r.status, 0) << text;
  }
  SetVarFunct("w", "3", 0);
  EXPECT_EQ(Eval("w*2").value, 6);  // only the faulty variable fails
}

TEST_F(Engine, VariablesAreOneSignedNumberToken) {
  SetVarFunct("x", "-2", 0);
  EXPECT_EQ(Eval("x^2").value, 4);
  EXPECT_EQ(Eval("-x").value, 2);
}

TEST_F(Engine, UserFunctionsArePastedInParentheses) {
  SetVarFunct("x", "3", 0);
  SetVarFunct("f", "x^2+1", 1);
  EXPECT_EQ(List(""), "f=x^2+1;");
  EXPECT_EQ(Eval("f*2").value, 20);
  EXPECT_EQ(Eval("F*2", 1).value, 20);
  SetVarFunct("x", "4", 0);  // variables are read when the text is scanned
  EXPECT_EQ(Eval("f").value, 17);
}

TEST_F(Engine, FunctionsMayUseOnlyFunctionsStoredAfterThem) {
  SetVarFunct("f", "g+1", 1);
  SetVarFunct("g", "2", 1);
  EXPECT_EQ(Eval("f").value, 3);
  ReSetDuZuradi();
  SetVarFunct("g", "2", 1);
  SetVarFunct("f", "g+1", 1);
  EXPECT_EQ(Eval("f").error, -7);  // g reaches the parser as a name without "("
}

TEST_F(Engine, ExpansionIsPlainTextReplacement) {
  SetVarFunct("s", "1", 1);
  EXPECT_EQ(Eval("sin(0)").error, -3);  // becomes (1)in(0)
  ReSetDuZuradi();
  SetVarFunct("f", "1", 1);
  SetVarFunct("f2", "2", 1);
  EXPECT_EQ(Eval("f2", 1).error, -2);
  EXPECT_EQ(Eval("f2", 0).error, -3);  // f rewrote the f of f2: (1)2
}

struct Ambiguity {
  std::vector<std::pair<const char*, const char*>> functions;
  int check;
};

class AmbiguityCheck : public Engine, public ::testing::WithParamInterface<Ambiguity> {};

TEST_P(AmbiguityCheck, FindsANameInsideAnotherEntry) {
  for (const auto& [name, body] : GetParam().functions) SetVarFunct(name, body, 1);
  SetDebugF(2);
  ShowMsgs(1);
  const Result r = Eval("1", 1);
  EXPECT_EQ(r.error, GetParam().check == 0 ? -1 : -2);
  if (GetParam().check != 0) {
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "Procedure: CheckFunctions\r\nAmbiguous function name detected");
  }
}

INSTANTIATE_TEST_SUITE_P(Sets, AmbiguityCheck,
                         ::testing::Values(Ambiguity{{{"f", "1"}, {"g", "2"}}, 0},
                                           Ambiguity{{{"f", "1"}}, 0},
                                           Ambiguity{{{"f", "1"}, {"f2", "2"}}, -2},
                                           Ambiguity{{{"ab", "1"}, {"b", "2"}}, -2},
                                           Ambiguity{{{"f", "1"}, {"g", "f+1"}}, -2},
                                           Ambiguity{{{"f", "x"}, {"g", "y"}, {"h", "z"}}, 0},
                                           Ambiguity{{{"", "=5"}, {"f", "1"}}, -2}));

TEST_F(Engine, ClearingSelectsVariablesOnlyByTheWordVars) {
  SetVarFunct("x", "1", 0);
  SetVarFunct("f", "2", 1);
  EXPECT_EQ(ClearVarFuncList("anything"), 0);
  EXPECT_EQ(GetVarFuncListLen("vars"), 4);
  EXPECT_EQ(GetVarFuncListLen(""), 0);
  SetVarFunct("f", "2", 1);
  ClearVarFuncList("VaRs");
  EXPECT_EQ(GetVarFuncListLen("vars"), 0);
  EXPECT_EQ(GetVarFuncListLen("functions"), 4);
  EXPECT_EQ(Eval("x").error, -7);  // the cleared variable is a name again
}

TEST_F(Engine, EmptyNamesAppendBareEntries) {
  SetVarFunct("", "7", 0);
  SetVarFunct(nullptr, nullptr, 0);
  EXPECT_EQ(List("vars"), "7;;");
  SetVarFunct("x", "1", 0);
  EXPECT_EQ(Eval("x").value, 1);
}

}  // namespace
}  // namespace tarnix_test
