// Number texts: the StrD0 rule, the string diagnostics, and independence
// from the process locale.
#include <clocale>

#include "tarnix_test.h"

namespace tarnix_test {
namespace {

struct TidyCase {
  const char* text;
  const char* tidy;
};

class StrD0Rule : public Engine, public ::testing::WithParamInterface<TidyCase> {};

TEST_P(StrD0Rule, ShortensToSignificantDigits) {
  EXPECT_STREQ(StrD0(GetParam().text), GetParam().tidy) << "text: '" << GetParam().text << "'";
  EXPECT_STREQ(StrD0(nullptr), "0");
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StrD0Rule,
    ::testing::Values(TidyCase{"12.5000000000", "12.5"}, TidyCase{"-0.2500000000", "-0.25"},
                      TidyCase{"3.0000000000", "3"}, TidyCase{"0.0000000000", "0"},
                      TidyCase{".5", "0.5"}, TidyCase{"   ", "0"}, TidyCase{"", "0"},
                      TidyCase{"100.0000000000", "100"}, TidyCase{"-5.0000000000", "-5"},
                      TidyCase{"0.1000000000", "0.1"}, TidyCase{"x = 7.5000000000", "7.5"},
                      TidyCase{"abc", "0"}, TidyCase{"-0.0000000000", "-0"},
                      TidyCase{"1.5 m", "1.5 m"}, TidyCase{"1.050", "1.05"},
                      // Without a point no zero is significant-free: integers stay whole.
                      TidyCase{"100", "100"}, TidyCase{"0", "0"}, TidyCase{"000", "000"},
                      TidyCase{"-20", "-20"}));

TEST_F(Engine, TestStrShowsBothTextsWhateverTheFlags) {
  SetDebugF(1);
  EXPECT_STREQ(TestStr("hello"), "123");
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[0].title, "TestStr 1");
  EXPECT_EQ(Boxes()[0].text, "st.s=.hello.");
  EXPECT_EQ(Boxes()[1].title, "TestStr 2");
  EXPECT_EQ(Boxes()[1].text, "st.s=.123.");
}

TEST_F(Engine, TestStrPtrRewritesTheCallersBuffer) {
  char buffer[12] = "abc";
  EXPECT_EQ(TestStrPtr(buffer), buffer);
  EXPECT_STREQ(buffer, "aaaaaaaaaaa");
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[0].title, "TestStrPtr 1");
  EXPECT_EQ(Boxes()[0].text, "st.s=.abc.");
  EXPECT_EQ(Boxes()[1].title, "TestStrPtr 2");
  EXPECT_EQ(Boxes()[1].text, "st.s=.aaaaaaaaaaa.");
  EXPECT_EQ(TestStrPtr(nullptr), nullptr);
}

TEST_F(Engine, TestStrPtr2ReturnsALibraryCopy) {
  char buffer[15] = "xyz";
  const char* copy = TestStrPtr2(buffer);
  EXPECT_NE(copy, buffer);
  EXPECT_STREQ(copy, "aaaaaaaaaaaaaa");
  EXPECT_STREQ(buffer, "aaaaaaaaaaaaaa");
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[0].title, "TestStrPtr 1");
  EXPECT_EQ(Boxes()[1].title, "TestStrPtr 2");
  EXPECT_EQ(Boxes()[1].text, "st.s=.aaaaaaaaaaaaaa.");
}

// A comma-decimal process locale must change nothing.
class CommaLocale : public Engine {
 protected:
  void SetUp() override {
    Engine::SetUp();
#if defined(_WIN32)
    // Windows names its locales by language, country and code page.
    for (const char* name : {"German_Germany.1252", "de-DE"}) {
      if (std::setlocale(LC_ALL, name) != nullptr) return;
    }
    FAIL() << "no German_Germany.1252 locale";
#else
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8"}) {
      if (std::setlocale(LC_ALL, name) != nullptr) return;
    }
    FAIL() << "no de_DE.UTF-8 locale: run scripts/setup.sh";
#endif
  }
  void TearDown() override {
    std::setlocale(LC_ALL, "C");
    Engine::TearDown();
  }
};

TEST_F(CommaLocale, NumberTextsStayWithThePoint) {
  char check[16];
  std::snprintf(check, sizeof check, "%.1f", 2.5);
  ASSERT_STREQ(check, "2,5") << "the locale is not a comma locale";

  EXPECT_EQ(Eval("1,5+1").value, 2.5);
  EXPECT_EQ(Eval("2.5*2").value, 5);
  SetVarFunct("x", "2.5", 0);
  EXPECT_EQ(Eval("x*2").value, 5);
  EXPECT_STREQ(StrD0("2.5000000000"), "2.5");

  SetDebugF(4);
  MarkLog();
  Eval("x+sin(0.5)");
  EXPECT_NE(LogSinceMark().find("e_spelling = 2.5000000000"), std::string::npos);
  EXPECT_NE(LogSinceMark().find("arg=0.5000000000"), std::string::npos);
  SetDebugF(0);

  std::vector<double> xs(3), ys(3), info(5);
  EXPECT_EQ(e_evals("t*2", 0, "t", 0.5, 2, xs.data(), ys.data(), info.data()), -1);
  EXPECT_EQ(ys, (std::vector<double>{0, 0.5, 1}));
}

}  // namespace
}  // namespace tarnix_test
