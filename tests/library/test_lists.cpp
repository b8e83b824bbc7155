// The variable and user-function lists: their texts, look-ups, expansion
// and the ambiguity check.
#include <cstdlib>
#include <limits>
#include <vector>

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

// The list text as it has always been edited, one string: the first entry
// that starts with "name=" takes the value up to its ";", else the entry is
// appended. The library keeps an index beside its fields; every sequence of
// stores must leave the same text and find the same variables.
struct TextModel {
  std::string list;
  void Store(std::string name, const std::string& value) {
    const std::size_t first = name.find_first_not_of(" \t");
    name = first == std::string::npos
               ? ""
               : name.substr(first, name.find_last_not_of(" \t") - first + 1);
    for (char& c : name) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (!name.empty() && name.back() != '=') name += '=';
    std::size_t p = name.empty() ? std::string::npos : list.find(name);
    while (p != std::string::npos && p != 0 && list[p - 1] != ';') p = list.find(name, p + 1);
    if (p == std::string::npos) {
      list += name + value + ";";
    } else {
      const std::size_t from = p + name.size();
      list.replace(from, list.find(';', from) - from, value);
    }
  }
  // The value text of the variable the scanner finds for name, if any.
  bool Finds(const std::string& name, std::string& value) const {
    for (std::size_t start = 0; start < list.size();) {
      const std::size_t end = list.find(';', start);
      const std::string field = list.substr(start, end - start);
      const std::size_t eq = field.find('=');
      if (eq != std::string::npos && eq > 0 && field.substr(0, eq) == name) {
        value = field.substr(eq + 1);
        return true;
      }
      start = end + 1;
    }
    return false;
  }
};

struct Store {
  const char* name;
  const char* value;
};

struct ListCase {
  const char* title;
  std::vector<Store> stores;
};

class ListText : public Engine, public ::testing::WithParamInterface<ListCase> {};

TEST_P(ListText, IsTheTextThePlainEditsGive) {
  for (int kind : {0, 1}) {
    SCOPED_TRACE(kind);
    ReSetDuZuradi();
    TextModel model;
    for (const Store& s : GetParam().stores) {
      SetVarFunct(s.name, s.value, kind);
      model.Store(s.name, s.value);
      ASSERT_EQ(List(kind == 0 ? "vars" : "functions"), model.list) << s.name << " = " << s.value;
      ASSERT_EQ(GetVarFuncListLen(kind == 0 ? "vars" : "functions"),
                static_cast<int>(model.list.size()));
    }
    if (kind != 0) continue;
    for (const char* name : {"a", "b", "c", "x", "ab"}) {
      std::string value;
      const Result r = Eval(name);
      if (model.Finds(name, value)) {
        EXPECT_EQ(r.value, atof(value.c_str())) << name;
      } else {
        EXPECT_NE(r.error, -1) << name << " is no variable, but e_eval gives " << r.value;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, ListText,
    ::testing::Values(
        ListCase{"AddAndReplace", {{"a", "1"}, {"b", "2"}, {"A", "33"}, {"c", "4"}, {"b", "5"}}},
        ListCase{"LongerAndShorterValues",
                 {{"a", "1"}, {"b", "2"}, {"a", "1000000"}, {"c", "3"}, {"a", "7"}}},
        ListCase{"PrefixNames", {{"ab", "1"}, {"a", "2"}, {"b", "3"}, {"ab", "4"}, {"a", "5"}}},
        ListCase{"ValuesWithSemicolons",
                 {{"a", "1;2"}, {"b", "3"}, {"a", "4;5;6"}, {"c", ";"}, {"a", "7"}}},
        ListCase{"ValuesThatCarryNames",
                 {{"a", "1;b=2"}, {"b", "3"}, {"c", "4"}, {"a", "5;c=6;x=1"}, {"c", "8"}}},
        ListCase{"NamesWithEqualsSigns",
                 {{"a", "1"}, {"a=b", "2"}, {"a", "3"}, {"a=b", "4"}, {"a==", "5"}}},
        ListCase{"NamesWithSemicolons", {{"a;b", "1"}, {"b", "2"}, {"a;b", "3"}, {"x;", "4"}}},
        ListCase{"EmptyNamesAndValues",
                 {{"", "1"}, {"a", ""}, {" ", "2"}, {"a", "3"}, {"=", "4"}, {"b", "=5"}}},
        ListCase{"NameEndingInEquals", {{"a=", "1"}, {"a", "2"}, {"b=", "3"}, {"b=", "4"}}}),
    [](const ::testing::TestParamInfo<ListCase>& info) { return info.param.title; });

TEST_F(Engine, ManyNamesKeepTheirOrderAndValues) {
  TextModel model;
  for (int i = 0; i < 3000; ++i) {
    const std::string name = "v" + std::to_string(i * 7919 % 1000);
    const std::string value = std::to_string(i);
    SetVarFunct(name.c_str(), value.c_str(), 0);
    model.Store(name, value);
  }
  EXPECT_EQ(List("vars"), model.list);
  for (int k = 0; k < 1000; k += 97) {
    std::string value;
    const std::string name = "v" + std::to_string(k);
    ASSERT_TRUE(model.Finds(name, value));
    EXPECT_EQ(Eval(name).value, atof(value.c_str())) << name;
  }
}

}  // namespace
}  // namespace tarnix_test
