// Field readers, number texts of the wire, and the text helpers.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "DuZuradi/duzuradi.h"
#include "aux_funct.h"
#include "text.h"

namespace {

TEST(Fields, AreReadByPosition) {
  const std::string text = "TLN;00000051;FUN;e_eval;str;2+3;dbl;00000000;lng;1;";
  EXPECT_EQ(aux::FieldS(text, 1), "TLN");
  EXPECT_EQ(aux::FieldS(text, 4), "e_eval");
  EXPECT_EQ(aux::FieldS(text, 6), "2+3");
  EXPECT_EQ(aux::FieldL(text, 10), 1);
  EXPECT_EQ(aux::FieldL(text, 2), 51);
  EXPECT_EQ(aux::FieldS(text, 11), "");
  EXPECT_EQ(aux::FieldS(text, 40), "");
  EXPECT_EQ(aux::FieldS(text, 0), "");
  EXPECT_EQ(aux::FieldS("a;b", 2), "b");  // the last field needs no ";"
}

TEST(Fields, IntegerReaderTakesBlanksSignAndDigits) {
  const struct {
    const char* text;
    int32_t value;
  } cases[] = {{"  42", 42},
               {"-7x", -7},
               {"+5", 5},
               {"1.0000000000", 1},
               {"", 0},
               {"abc", 0},
               {"-", 0},
               {"2147483647", INT32_MAX},
               {"-2147483648", INT32_MIN},
               {"99999999999", INT32_MAX},
               {"-99999999999", INT32_MIN}};
  for (const auto& c : cases) EXPECT_EQ(aux::IntegerOf(c.text), c.value) << c.text;
}

TEST(Fields, DoubleReaderIsLocaleIndependent) {
  ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "run scripts/setup.sh";
  EXPECT_EQ(aux::DoubleOf("5.0000000000"), 5);
  EXPECT_EQ(aux::DoubleOf("-0.25"), -0.25);
  EXPECT_EQ(aux::DoubleOf(" 1e3"), 1000);
  EXPECT_EQ(aux::DoubleOf("1e999"), HUGE_VAL);
  EXPECT_EQ(aux::DoubleOf("1e-999"), 0);
  EXPECT_EQ(aux::DoubleOf("junk"), 0);
  EXPECT_EQ(aux::Fixed10(2.5), "2.5000000000");
  EXPECT_EQ(aux::ShortNumber(0.25), "0.25");
  std::setlocale(LC_ALL, "C");
}

TEST(Fields, DoubleReaderReadsAsTheLibraryDoes) {
  // A number the wire carries means what it means to the library.
  for (const char* text : {"0.5e400", "5e399",   "0.0005e310", "0.00005e-400", "-0.5e400", "1e999",
                           "1e-999",  "12e-330", "0.1e-307",   "000123.5e307", "2.5",      " 7",
                           "-0.25",   "1.5E3",   "1e+400",     ".5",           "5.",       "inf",
                           "nan",     "-inf",    "+nan",       "junk",         "",         "-",
                           "1.2.3",   "0x10",    "1e",         "3.0000000000"}) {
    const double wire = aux::DoubleOf(text);
    const double library = tarnix::ReadNumber(text);
    EXPECT_TRUE(wire == library || (std::isnan(wire) && std::isnan(library)))
        << text << ": " << wire << " vs " << library;
  }
  EXPECT_EQ(aux::DoubleOf("0.5e400"), HUGE_VAL);
  EXPECT_EQ(aux::DoubleOf("-0.5e400"), -HUGE_VAL);
  EXPECT_EQ(aux::DoubleOf("nan"), 0);
}

TEST(Rules, IntegrationWordsNameTheirMethods) {
  const struct {
    const char* word;
    int32_t method;
  } cases[] = {{"rect", 0},      {"Rectangle", 0},   {"midpoint", 0},  {"trap", 1},
               {"TRAPEZOID", 1}, {"trapezoidal", 1}, {"simp", 2},      {"Simpson", 2},
               {"", -1},         {"trapz", -1},      {"simpsons", -1}, {" trap", -1}};
  for (const auto& c : cases) EXPECT_EQ(aux::IntegrationMethod(c.word), c.method) << c.word;
  for (int32_t m : {0, 1, 2}) EXPECT_EQ(aux::IntegrationMethod(aux::IntegrationWord(m)), m);
  EXPECT_EQ(aux::IntegrationWord(7), "");
}

TEST(Numbers, ShortNumbersAsTheLimitsOfERangeTravel) {
  EXPECT_EQ(aux::ShortNumber(1), "1");
  EXPECT_EQ(aux::ShortNumber(0), "0");
  EXPECT_EQ(aux::ShortNumber(100), "100");
  EXPECT_EQ(aux::ShortNumber(-2.5), "-2.5");
  EXPECT_EQ(aux::Fixed10(-0.25), "-0.2500000000");
  EXPECT_FALSE(aux::VersionText().empty());
}

// Each caller names the blanks it cuts: a script line loses the editors'
// control bytes too, an indented file line only blanks and tabs.
TEST(Text, TrimCutsTheBlanksItIsGivenAtBothEnds) {
  const struct {
    std::string_view text;
    std::string_view blanks;
    std::string_view trimmed;
  } cases[] = {
      {"  Expr = 1 \t", aux::kLineBlanks, "Expr = 1"},
      {"\x1A\f\vExpr\r", aux::kLineBlanks, "Expr"},
      {"a  b", aux::kLineBlanks, "a  b"},
      {" \t\r\f\v\x1A", aux::kLineBlanks, ""},
      {"", aux::kLineBlanks, ""},
      {"\xA0x\xA0", aux::kLineBlanks, "\xA0x\xA0"},  // no-break spaces are text
      {" \t'x\r", aux::kSpaceTab, "'x\r"},
      {"\f'x", aux::kSpaceTab, "\f'x"},
      {" \t ", aux::kSpaceTab, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(aux::TrimView(c.text, c.blanks), c.trimmed) << ::testing::PrintToString(c.text);
    EXPECT_EQ(aux::Trim(c.text, c.blanks), c.trimmed) << ::testing::PrintToString(c.text);
  }
  EXPECT_EQ(aux::Trim("\v Var = a; 1 \x1A"), "Var = a; 1");  // script blanks by default
}

TEST(Text, CaseChangesOnlyAsciiLetters) {
  const struct {
    std::string_view text;
    std::string_view lower;
    std::string_view upper;
  } cases[] = {
      {"Expr = SIN(x)", "expr = sin(x)", "EXPR = SIN(X)"},
      {"[mA]_1@`{", "[ma]_1@`{", "[MA]_1@`{"},  // the neighbours of A-Z and a-z stay
      {"\xC4\xE4 \xC3\x84", "\xC4\xE4 \xC3\x84", "\xC4\xE4 \xC3\x84"},  // Latin-1, UTF-8
      {"", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(aux::Lower(c.text), c.lower) << ::testing::PrintToString(c.text);
    EXPECT_EQ(aux::Upper(c.text), c.upper) << ::testing::PrintToString(c.text);
  }
}

TEST(Text, ByteOrderMarkGoesOnlyAtTheStart) {
  EXPECT_EQ(aux::WithoutByteOrderMark("\xEF\xBB\xBF"
                                      "Expr = 1"),
            "Expr = 1");
  EXPECT_EQ(aux::WithoutByteOrderMark("Expr\xEF\xBB\xBF"), "Expr\xEF\xBB\xBF");
  EXPECT_EQ(aux::WithoutByteOrderMark("\xEF\xBB"), "\xEF\xBB");
}

TEST(Numbers, PlainNumbersNeedNoEvaluation) {
  const struct {
    const char* text;
    bool plain;
  } cases[] = {{"12", true},     {"-0.5", true},   {"+.5", true},    {"5.", true},    {"1e3", true},
               {"2.5E-7", true}, {"1e+400", true}, {"", false},      {"-", false},    {".", false},
               {"1e", false},    {"e5", false},    {"1.2.3", false}, {" 1", false},   {"1 ", false},
               {"2*3", false},   {"inf", false},   {"0x10", false},  {"1e3.5", false}};
  for (const auto& c : cases) EXPECT_EQ(aux::IsPlainNumber(c.text), c.plain) << c.text;
}

TEST(Numbers, DigitsOfReadsOnlyATextOfDigits) {
  const struct {
    const char* text;
    std::optional<int32_t> value;
  } cases[] = {{"6832", 6832},
               {"0", 0},
               {"007", 7},
               {"", std::nullopt},
               {"+1", std::nullopt},
               {"-1", std::nullopt},
               {" 1", std::nullopt},
               {"1 ", std::nullopt},
               {"1x", std::nullopt},
               {"1.0", std::nullopt},
               {"99999999999", INT32_MAX}};
  for (const auto& c : cases) EXPECT_EQ(aux::DigitsOf(c.text), c.value) << c.text;
}

TEST(Numbers, TidyKeepsTheNumberAndDropsTheNoise) {
  const struct {
    const char* text;
    const char* tidy;
  } cases[] = {{"2.5000000000", "2.5"},  {"100", "100"}, {"100.000", "100"}, {".25", "0.25"},
               {"Number = 3.10", "3.1"}, {"", "0"},      {"abc", "0"},       {"-0.5000", "-0.5"},
               {"0.0000", "0"}};
  for (const auto& c : cases) EXPECT_EQ(aux::Tidy(c.text), c.tidy) << c.text;
  for (const double v : {0.0, 1.0, -2.5, 1.0 / 3, 1e12})
    EXPECT_EQ(aux::ShortNumber(v), aux::Tidy(aux::Fixed10(v))) << v;
}

}  // namespace
