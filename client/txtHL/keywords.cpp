// The keyword table, in its order: the script keywords each followed by its
// description, then the function and operator names, then the constants
// each followed by its value, then the one keyword of the Output box. The
// markers end the three first parts; the counts are found by reading up to
// them, so the table is the only list to edit. Corvane --help and
// --list-functions print it too.
#include <array>

#include "highlight.h"

namespace txthl {
namespace {

constexpr const char* kBasicEnd = "EndOfBasicKeyWords";
constexpr const char* kFunctionsEnd = "EndOfFunctions";
constexpr const char* kDataEnd = "EndOfData";

// clang-format off
constexpr std::array kTable = {
  "'", "comment",
  "Expr ", "'Expr ' : calculate result of expression after '=' // Syntax: Expr = expression (es. Expr = 1+3*sin(3*to_rad))",
  "ExprF ", "'ExprF ' evaluate expression in a text file showing or writing the result in another text file (if present) // Syntax: ExprF = InpFileName.txt [OutFileName.txt] (es. ExprF = Expr01.txt) - can use [Pick File...] button.",
  "Var ", "'Var =' : define and store a variable in memory // Syntax: Var = variable; value (es. Var = xx ; 12)",
  "Funct ", "'Funct =' :define and store a function expression in memory // Syntax: Funct = FuncName; expression (es. Funct = Func1; xx+yy)",
  "FunctF ", "'FunctF =' : read function expression from a text file and define and store in memory // Syntax: FunctF = FunctName InputFile.txt (es. FunctF = Funct3 Func3File.txt) - can use [Pick File...] button.",
  "Matr ", "'Matr = ' : define and store matrix in memory (can use expressions). Elements must be written by row. Separator is ;. // Syntax: Matr = MatrName; rows; cols; values;... (es. Matr = [mB];2;2;0;1;3;1)",
  "Vect ", "'Vect = ' : store Vector (can use expressions). Elements must be written by row. Separator is ;. // Syntax: Vect = VectName; rows; 1; values; ... (es. Vect = [vB];3;1;1;2;3)",
  "DimX ", "'DimX = ' : store matrix or vector (alternative method-can use expressions). Elements must be written by row. // Syntax: DimX = MatrDef; Elements;...  (es. DimX = mE(3,3); mE(0,0)=1; mE(0,1)=2 ; mE(0,2)=3)",
  "MatrF ", "'MatrF = ' : alternative method to define and store a matrix taken from a file. // Syntax: MatrF = InpFileName.txt (es. MatrF = Matr_mB.txt) - can use [Pick File...] button.",
  "VectF ", "'VectF = ' : alternative method to define and store a vector taken from a file. // Syntax: VectF = InpFileName.txt (es. VectF = Vect_mB.txt) - can use [Pick File...] button.",
  "StoExpr", "'StoExpr()': calculate result of expression after '=' and define and store result in variable varName. // Syntax: StoExpr(varname) = expression. (es. StoExpr(xx) = 1+sin(3))",
  "Plot", "'Plot()' : Calculate and Plot a function for variable going from fromValue to toValue, with Steps steps, writing points to file OutFileName.txt (optional) // Syntax: Plot(fromValue; variable; ToValue; Steps; [OutFileName.txt]) = expression. (es. Plot(-10; x; 100; 200) = -25000+12*x^2-ln(abs(x)))",
  "VarPolyn ", "'VarPolyn = ' : define and store the variable after '='. // Syntax: VarPolyn = varName (es. VarPolyn = x)",
  "Derivate", "'Derivate = ' : Derivate Polynomium after '='. // Syntax: Derivate = Polynomium (es. Derivate = 1 + 2*x -3*x^3) (valid espressions: 3*x^2 and 3x^2)",
  "DerivateF ", "'DerivateF = ' : derivate polynomium in text file showing or writing the result in another file (if present). // Syntax: DerivateF = InpFileName.txt [OutFileName.txt] - can use [Pick File...] button.",
  "SolvePolyn", "'SolvePolyn = ' : find a root of the polynomial after '=' in the variable set by VarPolyn (Newton's method). // Syntax: SolvePolyn = Polynomium (es. SolvePolyn = x^3 - 2*x - 5)",
  "Integrate", "'Integrate()' : Integration of the expression written after '='. Methods: rect = Rectangular, trap = Trapezoidal, simp = Simpson. // Syntax: Integrate(fromValue; toValue; Steps; method; variable) = expression (es. Integrate(0; 1; 100; trap; x) = x^2)",
  "IntegrateF ", "'IntegrateF = ' : Integrate the expression in text file showing or writing the result in another file (if present). // Syntax: IntegrateF = InpFileName.txt [OutFileName.txt] - can use [Pick File...] button.",
  "Debug ", "'Debug = ' : 0 = don't show Debug messages, 1 = show Debug messages. // Syntax: Debug = 0/1",
  "aElemOrderSet", "'aElemOrderSet = ' : the element order of matrices given as arrays: 0 by row, 1 by column. // Syntax: aElemOrderSet = 0/1",
  "aElemOrderEx()", "'aElemOrderEx() ' : self detect way matrices are stored internally. // Syntax: aElemOrderEx() =",
  "(", "parentesys.",
  ")", "parentesys. ",
  kBasicEnd,
  "abs", "exp(", "fix", "int", "log", "ln", "log10", "sgn", "sqr", "rnd", "atan", "sin", "tan",
  "cos", "cosec", "cotan", "sec", "arcsin", "arccos", "arcsec", "arccosec", "arccotan", "sinh",
  "cosh", "tanh", "sech", "cosech", "cotanh", "arcsinh", "arccosh", "arctanh", "arcsech",
  "arccosech", "arccotanh", "and", "eqv", "imp", "mod", "not", "or", "xor", "min", "max", "avg",
  "sum", "prod", "sum2", "prod2", "stddev", "count", "geom_mean", "median", "mean", "det",
  "trace", "syst", "vcoeff", "atn",
  kFunctionsEnd,
  "pi", "3.1415926536", "e", "2.7182818285", "deg", "57.2957795131", "to_deg", "57.2957795131",
  "rad", "0.0174532925", "to_rad", "0.0174532925",
  kDataEnd,
  "ERROR n.",
};
// clang-format on

std::vector<Keyword> ReadTable() {
  std::vector<Keyword> keywords;
  std::size_t i = 0;
  for (; i + 1 < kTable.size() && std::string_view(kTable[i]) != kBasicEnd; i += 2) {
    Keyword k{kTable[i], kTable[i + 1], Keyword::Kind::Script};
    if (k.text == "'") k.kind = Keyword::Kind::Comment;
    if (k.text == "(" || k.text == ")") k.kind = Keyword::Kind::Parenthesis;
    keywords.push_back(std::move(k));
  }
  for (++i; i < kTable.size() && std::string_view(kTable[i]) != kFunctionsEnd; ++i) {
    keywords.push_back({kTable[i], "", Keyword::Kind::Function});
  }
  for (++i; i + 1 < kTable.size() && std::string_view(kTable[i]) != kDataEnd; i += 2) {
    keywords.push_back({kTable[i], kTable[i + 1], Keyword::Kind::Constant});
  }
  for (++i; i < kTable.size(); ++i) keywords.push_back({kTable[i], "", Keyword::Kind::Output});
  return keywords;
}

}  // namespace

const std::vector<Keyword>& Keywords() {
  static const std::vector<Keyword> keywords = ReadTable();
  return keywords;
}

}  // namespace txthl
