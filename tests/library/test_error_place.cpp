// Where an evaluation failed: GetE_ErrPlace points at the token a person
// has to change, in the columns of the text they wrote.
#include "tarnix_test.h"

namespace tarnix_test {
namespace {

struct PlaceCase {
  const char* expr;
  int column;
  const char* text;
};

void PrintTo(const PlaceCase& c, std::ostream* os) { *os << c.expr; }

class ErrorPlaces : public Engine, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(ErrorPlaces, NameTheTokenAndItsColumn) {
  const PlaceCase& c = GetParam();
  SetVarFunct("x", "3", 0);
  SetStrMatrix("[mA];2;2;1;2;3;4", 0, 0);
  SetStrMatrix("[mB];2;3;1;2;3;4;5;6", 0, 0);
  SetStrMatrix("[mS];2;2;1;2;2;4", 0, 0);  // singular
  double value = 0;
  e_eval(c.expr, &value, 0);
  int32_t column = -1;
  EXPECT_STREQ(GetE_ErrPlace(&column), c.text);
  EXPECT_EQ(column, c.column);
  EXPECT_STREQ(GetE_ErrPlace(nullptr), c.text);  // the column is optional
}

INSTANTIATE_TEST_SUITE_P(
    Mistakes, ErrorPlaces,
    ::testing::Values(
        PlaceCase{"x*zz+1", 3, "at column 3: 'zz' (unknown variable)"},
        PlaceCase{"X+Zz", 3, "at column 3: 'Zz' (unknown variable)"},
        PlaceCase{"sin(zz)", 5, "at column 5: 'zz' (unknown variable)"},
        PlaceCase{"sqrtt(2)", 1, "at column 1: 'sqrtt' (unknown function)"},
        PlaceCase{"sqrtt(sqrttt(1))", 7, "at column 7: 'sqrttt' (unknown function)"},
        PlaceCase{"#foo*2", 1, "at column 1: '#foo' (unknown constant)"},
        PlaceCase{"(1+2", 5, "at column 5: the end of the text (the text ends before its ')')"},
        PlaceCase{"1+*2", 3, "at column 3: '*' (no operand starts here)"},
        PlaceCase{"1+", 3, "at column 3: the end of the text (an operand is missing)"},
        PlaceCase{"1+2)", 4, "at column 4: ')' (an operator was expected here)"},
        PlaceCase{"  [mQ]*2", 3, "at column 3: '[mQ]' (unknown matrix)"},
        PlaceCase{"det([mQ])", 5, "at column 5: '[mQ]' (unknown matrix)"},
        // A name of any length is shown by its first forty characters.
        PlaceCase{"1+abcdefghijabcdefghijabcdefghijabcdefghijXYZ", 3,
                  "at column 3: 'abcdefghijabcdefghijabcdefghijabcdefghij...' (unknown variable)"},
        // Commas read as points keep their columns.
        PlaceCase{"1,5+zz", 5, "at column 5: 'zz' (unknown variable)"},
        // A failing matrix step names the matrix it read last.
        PlaceCase{"det([mB])", 5, "at column 5: '[mB]' (the matrix read last when it failed)"},
        PlaceCase{"[mA]+[mB]", 6, "at column 6: '[mB]' (the matrix read last when it failed)"},
        PlaceCase{"2/[mS]+1", 3, "at column 3: '[mS]' (the matrix read last when it failed)"},
        // Value errors and successes have no place.
        PlaceCase{"1/0", 0, ""}, PlaceCase{"sqr(-1)", 0, ""}, PlaceCase{"x+1", 0, ""},
        PlaceCase{"[mA]*[mA]", 0, ""}));

TEST_F(Engine, AFailureInAPastedFunctionNamesTheTokenWithoutAColumn) {
  SetVarFunct("x", "3", 0);
  SetVarFunct("f", "x+zz", 1);
  double value = 0;
  e_eval("2*f", &value, 0);
  int32_t column = -1;
  EXPECT_STREQ(GetE_ErrPlace(&column), "'zz' (unknown variable)");
  EXPECT_EQ(column, 0);
}

TEST_F(Engine, ThePlaceBelongsToTheLastEvaluationOnly) {
  double value = 0;
  e_eval("zz", &value, 0);
  ASSERT_STRNE(GetE_ErrPlace(nullptr), "");
  e_eval("1/0", &value, 0);  // another failure, about a value
  EXPECT_STREQ(GetE_ErrPlace(nullptr), "");
  e_eval("zz", &value, 0);
  e_eval("2+2", &value, 0);
  EXPECT_STREQ(GetE_ErrPlace(nullptr), "");
}

}  // namespace
}  // namespace tarnix_test
