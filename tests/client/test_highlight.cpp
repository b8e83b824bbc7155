// The colouring rules and the in-line help, as pure functions of a line and
// the cursor column.
#include <gtest/gtest.h>

#include "interpreter.h"
#include "txtHL/highlight.h"

namespace {

using txthl::Range;

const txthl::Colour kGrey = txthl::kCommentColour;
const txthl::Colour kOrange = txthl::kParenColour;
const txthl::Colour kBlue = txthl::kKeywordColour;
const txthl::Colour kLight = txthl::kFunctionColour;

struct LineCase {
  const char* line;
  std::vector<Range> ranges;
};

class Lines : public ::testing::TestWithParam<LineCase> {};

TEST_P(Lines, AreColouredByTheTableInItsOrder) {
  EXPECT_EQ(txthl::HighlightLine(GetParam().line).ranges, GetParam().ranges) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Highlighter, Lines,
    ::testing::Values(
        // Comment first, then the keyword with its blank, the parentheses,
        // the function.
        LineCase{"expr = sin(x) ' angle",
                 {{14, 7, kGrey},
                  {0, 5, kBlue, true},
                  {10, 3, kOrange},
                  {12, 1, kOrange},
                  {7, 3, kLight}}},
        LineCase{"expr=1", {}},                                   // no blank after the keyword
        LineCase{"asin(x)", {{4, 3, kOrange}, {6, 1, kOrange}}},  // a letter before sin
        LineCase{"sin2", {{0, 3, kLight}}},                       // a digit does not count
        LineCase{"' Expr = sin(x)", {{0, 15, kGrey}}},            // all grey, nothing else
        LineCase{"Expr = sqr((1+2)*3)",
                 {{0, 5, kBlue, true},
                  {10, 9, kOrange},
                  {15, 1, kOrange},
                  {18, 1, kOrange},
                  {7, 3, kLight}}},
        // Only the first occurrence is checked for touching letters.
        LineCase{"Expr = sin(x)+asin(y)",
                 {{0, 5, kBlue, true},
                  {10, 3, kOrange},
                  {18, 3, kOrange},
                  {12, 1, kOrange},
                  {20, 1, kOrange},
                  {7, 3, kLight},
                  {15, 3, kLight}}},
        LineCase{"DerivateF = p.txt", {{0, 10, kBlue, true}}},
        LineCase{"(x)", {{0, 3, kOrange}}},  // covers the line: nothing more
        LineCase{"x mod 3", {{2, 3, kLight}}}, LineCase{"modulus", {}}));

TEST(Highlighter, ColoursErrorMarkersOfTheOutput) {
  EXPECT_EQ(txthl::HighlightOutput("       Result => ===>  ERROR n. = -9: Division by zero"),
            (std::vector<Range>{{23, 8, txthl::kErrorColour, true}}));
  EXPECT_TRUE(txthl::HighlightOutput("Ln 1: Expression = sin(x):").empty());
}

TEST(Highlighter, TheTableHoldsItsFourParts) {
  using Kind = txthl::Keyword::Kind;
  int script = 0;
  int functions = 0;
  int constants = 0;
  int output = 0;
  for (const txthl::Keyword& k : txthl::Keywords()) {
    script += k.kind != Kind::Function && k.kind != Kind::Output && k.kind != Kind::Constant;
    functions += k.kind == Kind::Function;
    constants += k.kind == Kind::Constant;
    output += k.kind == Kind::Output;
  }
  EXPECT_EQ(script, 24);
  EXPECT_EQ(functions, 58);
  EXPECT_EQ(constants, 6);
  EXPECT_EQ(output, 1);
}

// Constants are coloured where they stand as whole words: "e" in "2*e",
// not in "1e-3", "exp" or "Expr".
TEST(Highlighter, ConstantsAreWholeWords) {
  EXPECT_EQ(txthl::HighlightLine("Expr = 2*e + 1e-3 + pi").ranges,
            (std::vector<Range>{{0, 5, kBlue, true}, {20, 2, kLight}, {9, 1, kLight}}));
  EXPECT_EQ(txthl::HighlightLine("Expr = 30*to_rad", 12).help,
            std::string("Constant: TO_RAD = 0.0174532925"));
  EXPECT_EQ(txthl::HighlightWordAtCursor("Expr = pi/2", 9).help,
            std::string("Constant: PI = 3.1415926536"));
  EXPECT_FALSE(txthl::HighlightWordAtCursor("Expr = 1e-3", 9).help);
}

// The colouring table and the interpreter each list the script keywords:
// every keyword coloured as a command must be one that runs.
TEST(Highlighter, EveryScriptKeywordIsACommand) {
  int commands = 0;
  for (const txthl::Keyword& k : txthl::Keywords()) {
    if (k.kind != txthl::Keyword::Kind::Script) continue;
    EXPECT_TRUE(corvane::Interpreter::IsCommand(corvane::KeywordOf(k.text + " = 1"))) << k.text;
    ++commands;
  }
  EXPECT_EQ(commands, 21);
}

TEST(Interpreter, KnowsOnlyItsCommands) {
  struct Case {
    const char* keyword;
    bool command;
  };
  const Case cases[] = {
      {"expr", true},   {"exprf", true},
      {"matr", true},   {"vect", true},
      {"dimx", true},   {"aelemorderset", true},
      {"debug", true},  {"plot", true},
      {"", false},      {"exp", false},
      {"exprr", false}, {"Expr", false},
      {"expr ", false}, {"aelemorderex()", false},
      {"'", false},     {"matrix", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(corvane::Interpreter::IsCommand(c.keyword), c.command) << '"' << c.keyword << '"';
  }
}

TEST(Highlighter, HelpFollowsTheCursor) {
  const std::string plot_help = txthl::HelpText(txthl::Keywords()[12]);
  EXPECT_EQ(plot_help.substr(0, 12), "'Plot()' : C");
  EXPECT_NE(plot_help.find("(optional) \r\n Syntax: Plot("), std::string::npos);
  EXPECT_EQ(plot_help.find("//"), std::string::npos);

  const char* line = "Plot(0; x; 1; 10) = cos(x)";
  const txthl::Highlight on_plot = txthl::HighlightWordAtCursor(line, 2);
  EXPECT_EQ(on_plot.help, plot_help);
  EXPECT_EQ(on_plot.ranges, (std::vector<Range>{{0, 4, kBlue, true}}));
  const txthl::Highlight on_cos = txthl::HighlightWordAtCursor(line, 23);
  EXPECT_EQ(on_cos.help, std::string("Function: COS"));
  EXPECT_EQ(on_cos.ranges, (std::vector<Range>{{20, 3, kLight}}));
  EXPECT_FALSE(txthl::HighlightWordAtCursor(line, 7).help);  // on "x": no keyword
  EXPECT_FALSE(txthl::HighlightWordAtCursor("", 1).help);

  // While typing: the range that holds the cursor gives the help.
  EXPECT_EQ(txthl::HighlightLine("Expr = 1", 3).help, txthl::HelpText(txthl::Keywords()[1]));
  EXPECT_EQ(txthl::HighlightLine("Expr = sin(1)", 9).help, std::string("Function: SIN"));
  EXPECT_EQ(txthl::HighlightLine("Expr = 1 ' note", 12).help, std::string("comment"));
  EXPECT_FALSE(txthl::HighlightLine("Expr = 1", 0).help);
}

}  // namespace
