// The matrix steps of the evaluator. Every matrix named in an expression is
// first copied into an internal matrix of the library's own, so the steps
// overwrite their operands freely and a caller's matrix never changes.
// The steps work on the library's row-major blocks and never reorder.
#include <cmath>
#include <cstring>

#include "../DuZuradi/duzuradi.h"
#include "linalg.h"
#include "matrix.h"
#include "store.h"

namespace tarnix::matrix {
namespace {

const char* Flag(bool value) { return value ? "-1" : "0"; }

std::string Dims(int32_t rows, int32_t cols) {
  return std::to_string(rows) + ", " + std::to_string(cols);
}

// Fails with code and, when reports are wanted, sends head, an empty line,
// "Debug:", the debug lines and the parser dump.
void Fails(State& st, int16_t code, std::string_view head, std::string_view debug) {
  if (!Fail(st, code) || !ReportsWanted(st)) return;
  std::string report(head);
  report += "\r\n\r\nDebug:\r\n";
  report += debug;
  if (!debug.empty()) report += kCrLf;
  report += ErrorDump(st);
  Report(st, report);
}

// The result of a step: entry e as a matrix value, its dimensions noted.
Value Result(State& st, const MatrixEntry& e) {
  st.MatrResultRows = e.rows;
  st.MatrResultCols = e.cols;
  return MatrixValue(e.Matr->handle);
}

double* Data(MatrixEntry& e) { return e.Matr->data; }
std::size_t Size(const MatrixEntry& e) { return static_cast<std::size_t>(e.rows) * e.cols; }

void Store(MatrixEntry& e, const Work& values) {
  std::memcpy(Data(e), values.data(), std::min(values.size(), Size(e)) * sizeof(double));
}

// How a matrix operand's value is shown in a report: a handle as an integer.
std::string ValueText(double value) {
  return HandleOf(value) != 0 ? std::to_string(HandleOf(value)) : Fixed10(value);
}

// The entry a matrix operand stands for. A scalar, or a handle no matrix
// has, fails with -17: no step touches storage it was not given.
MatrixEntry* Operand(State& st, MatrixStore& ms, double value, Kind kind,
                     std::string_view procedure) {
  // In trace mode the look-up reports itself, as every FindMatrix does.
  if ((st.MsgMode & kMsgStoreTrace) != 0)
    FindMatrix(ms, ValueText(value), kFindByHandle | kFindHandle, nullptr, nullptr);
  MatrixEntry* e = kind == Kind::Matrix ? FindByHandle(ms, HandleOf(value)) : nullptr;
  if (e == nullptr) {
    Fails(st, kErrMatrixNotFound, std::string(procedure) + ", nr. 11g\r\nMatrix not found.",
          "   MatrName = " + ValueText(value));
  }
  return e;
}

void ConditionsNotFound(State& st, std::string_view id, Kind left_kind, Kind right_kind) {
  Fails(st, kErrConditionNotFound, std::string(id) + "\r\nConditions not found.",
        "   nnTp = " + std::to_string(KindNumber(left_kind)) +
            "\r\n   n2Tp = " + std::to_string(KindNumber(right_kind)));
}

std::string TokenLine(const State& st) {
  std::string line = "Matrix error, token = '";
  line += e_tok(st);
  line += "'";
  return line;
}

constexpr std::string_view kNotInvertible =
    "Matrix is singolar (det = 0) or not squared. It can not be inverted";

// The inverse of e into inverse; kMatNotSquare or kMatSingular when there is none.
int32_t InverseOf(State& st, const MatrixEntry& e, Work& inverse) {
  if (e.rows != e.cols) return kMatNotSquare;
  return Invert(st, e.Matr->data, e.rows, inverse) ? kMatOk : kMatSingular;
}

// M^k by k - 1 successive products; past 1024 by squaring, so that a huge
// exponent cannot hold the evaluator for hours.
Work Power(State& st, const MatrixEntry& m, int64_t k) {
  const int32_t n = m.rows;
  const Work base(m.Matr->data, m.Matr->data + Size(m));
  if (k <= 1024) {
    Work result = base;
    for (int64_t step = 1; step < k; ++step)
      result = Product(st, result.data(), n, n, base.data(), n);
    return result;
  }
  Work result;
  Work square = base;
  for (int64_t e = k; e > 0; e >>= 1) {
    if ((e & 1) != 0) {
      result = result.empty() ? square : Product(st, result.data(), n, n, square.data(), n);
    }
    if (e > 1) square = Product(st, square.data(), n, n, square.data(), n);
  }
  return result;
}

Work Identity(int32_t n) {
  Work id(static_cast<std::size_t>(n) * n, 0.0);
  for (int32_t i = 0; i < n; ++i) id[static_cast<std::size_t>(i) * n + i] = 1.0;
  return id;
}

Value MatrixPower(State& st, MatrixStore& ms, Value left, double exponent) {
  MatrixEntry* m = Operand(st, ms, left.number, Kind::Matrix, "Procedure: CalcMatrixDivMult");
  if (m == nullptr) return left;
  if (exponent - std::trunc(exponent) != 0.0 || std::fabs(exponent) > 2147483647.0) {
    Fails(st, kErrNotInteger,
          "Procedure: CalcMatrixDivMult, nr. 12a\r\nExponent of Matrix (es. [mA]^n) is not "
          "integer.",
          "   Exp = " + Fixed10(exponent));
    return left;
  }
  if (exponent == 1.0) return Result(st, *m);
  if (m->rows != m->cols) {
    Fails(st, kMatNotSquare,
          "Procedure: CalcMatrixDivMult, nr. 12g\r\nMatrix not squared (es. [mA]^n).",
          "   r1, c1 = " + Dims(m->rows, m->cols));
    return left;
  }
  if (exponent < 0) {
    Work inverse;
    const int32_t code = InverseOf(st, *m, inverse);
    if (code != kMatOk) {
      Fails(st, static_cast<int16_t>(code),
            "Procedure:CalcMatrixDivMult, nr. 12h\r\n" + TokenLine(st) + "\r\n\r\n" +
                std::string(kNotInvertible),
            "   r1 = " + std::to_string(m->rows) + "\r\n   c1 = " + std::to_string(m->cols));
      return left;
    }
    Store(*m, inverse);
    exponent = -exponent;
  }
  if (exponent == 0.0) {
    Store(*m, Identity(m->rows));
  } else if (exponent > 1.0) {
    Store(*m, Power(st, *m, static_cast<int64_t>(exponent)));
  }
  return Result(st, *m);
}

Value Scaled(State& st, MatrixEntry& m, double factor) {
  for (std::size_t k = 0; k < Size(m); ++k) Data(m)[k] *= factor;
  return Result(st, m);
}

Value MatrixProduct(State& st, MatrixStore& ms, Value left, Value right) {
  MatrixEntry* a = Operand(st, ms, left.number, Kind::Matrix, "Procedure: CalcMatrixDivMult");
  MatrixEntry* b = a != nullptr
                       ? Operand(st, ms, right.number, Kind::Matrix, "Procedure: CalcMatrixDivMult")
                       : nullptr;
  if (b == nullptr) return left;
  if (a->cols != b->rows) {
    Fails(st, kMatOrdersNotValid,
          "Procedure: CalcMatrixDivMult, nr. 12f\r\nIncorrect matrices' order. \r\nIf A(r1, c1) "
          "* B(r2, c2) must be c1 = r2.",
          "   c1 = " + std::to_string(a->cols) + "\r\n   r2 = " + std::to_string(b->rows));
    return left;
  }
  const Work product = Product(st, Data(*a), a->rows, a->cols, Data(*b), b->cols);
  // A product wider than A gets a block large enough before it is stored.
  Reshape(*a, a->rows, b->cols);
  Store(*a, product);
  return Result(st, *a);
}

Value MatrixQuotient(State& st, MatrixStore& ms, Value left, Value right) {
  MatrixEntry* a = Operand(st, ms, left.number, Kind::Matrix, "Procedure: CalcMatrixDivMult");
  MatrixEntry* b = a != nullptr
                       ? Operand(st, ms, right.number, Kind::Matrix, "Procedure: CalcMatrixDivMult")
                       : nullptr;
  if (b == nullptr) return left;
  Work inverse;
  if (const int32_t code = InverseOf(st, *b, inverse); code != kMatOk) {
    Fails(st, static_cast<int16_t>(code),
          "Procedure:CalcMatrixDivMult, nr. 12c\r\n" + TokenLine(st) + "\r\n\r\n" +
              std::string(kNotInvertible),
          "   r2 = " + std::to_string(b->rows) + "\r\n   c2 = " + std::to_string(b->cols));
    return left;
  }
  if (a->cols != b->rows) {  // a failed product never reaches A
    Fails(st, kMatOrdersNotValid,
          "Procedure: CalcMatrixDivMult, nr. 12f\r\nIncorrect matrices' order. \r\nIf A(r1, c1) "
          "* B(r2, c2) must be c1 = r2.",
          "   c1 = " + std::to_string(a->cols) + "\r\n   r2 = " + std::to_string(b->rows));
    return left;
  }
  Store(*a, Product(st, Data(*a), a->rows, a->cols, inverse.data(), b->cols));
  return Result(st, *a);
}

Value ScalarOverMatrix(State& st, MatrixStore& ms, Value left, Value right) {
  MatrixEntry* b = Operand(st, ms, right.number, Kind::Matrix, "Procedure: CalcMatrixDivMult");
  if (b == nullptr) return left;
  Work inverse;
  if (const int32_t code = InverseOf(st, *b, inverse); code != kMatOk) {
    // This report runs its text into "Debug:" without a line break.
    if (Fail(st, static_cast<int16_t>(code)) && ReportsWanted(st)) {
      Report(st, "Procedure:CalcMatrixDivMult, nr. 12d\r\n" + TokenLine(st) + "\r\n\r\n" +
                     std::string(kNotInvertible) + "Debug:\r\n   r1 = " + std::to_string(b->rows) +
                     "\r\n   c1 = " + std::to_string(b->cols) + "\r\n" + ErrorDump(st));
    }
    return left;
  }
  for (double& x : inverse) x *= left.number;
  Store(*b, inverse);
  return Result(st, *b);
}

// The operands of syst and vcoeff: the matrix A and the vector b.
struct System {
  MatrixEntry* matrix = nullptr;
  MatrixEntry* vector = nullptr;
};

bool SystemOf(State& st, MatrixStore& ms, Value a1, Value a2, std::string_view dims_id,
              std::string_view mix_id, std::string_view mix_text, System& s) {
  MatrixEntry* x = Operand(st, ms, a1.number, a1.kind, "ProcedureCalcMatrFunct");
  if (x == nullptr) return false;
  MatrixEntry* y = Operand(st, ms, a2.number, a2.kind, "ProcedureCalcMatrFunct");
  if (y == nullptr) return false;
  const bool v1 = x->VectorF || x->cols == 1;
  const bool v2 = y->VectorF;
  if ((!v1 && x->rows != x->cols) || (!v2 && y->rows != y->cols) || x->rows != y->rows) {
    Fails(st, kMatOrdersNotValid,
          "ProcedureCalcMatrFunct, nr. " + std::string(dims_id) +
              "\r\nWrong matrix or vector dimensions.",
          "   r1, c1 = " + Dims(x->rows, x->cols) + "\r\n   r2, c2 = " + Dims(y->rows, y->cols));
    return false;
  }
  if (v1 == v2) {
    Fails(st, kErrConditionNotFound,
          "ProcedureCalcMatrFunct, nr. " + std::string(mix_id) + "\r\n" + std::string(mix_text),
          std::string("   nnVect = ") + Flag(v1) + "\r\n   n2Vect = " + Flag(v2));
    return false;
  }
  s.matrix = v1 ? y : x;
  s.vector = v1 ? x : y;
  return true;
}

double SquareFunction(State& st, MatrixStore& ms, std::string_view name, Value a1) {
  MatrixEntry* m = Operand(st, ms, a1.number, a1.kind, "ProcedureCalcMatrFunct");
  if (m == nullptr) return 0.0;
  if (m->rows != m->cols) {
    Fails(st, kMatNotSquare, "ProcedureCalcMatrFunct, nr. 11f\r\nNot squared matrix.",
          "   r1, c1 = " + Dims(m->rows, m->cols));
    return 0.0;
  }
  const int32_t n = m->rows;
  if (name == "det") {
    Work a(Data(*m), Data(*m) + Size(*m));
    return Determinant(st, a, n);
  }
  double sum = 0.0;
  for (int32_t i = 0; i < n; ++i) sum += Data(*m)[static_cast<std::size_t>(i) * n + i];
  return sum;
}

Value Solve(State& st, MatrixStore& ms, Value a1, Value a2) {
  System s;
  if (!SystemOf(st, ms, a1, a2, "11c", "11b", "Wrong combination of matrix and vector.", s)) {
    return Number(0.0);
  }
  const int32_t n = s.matrix->rows;
  Work x;
  if (!Cramer(st, Data(*s.matrix), n, Data(*s.vector), x)) {
    Fails(st, kMatSingular, "ProcedureCalcMatrFunct, nr. 11h\r\nMatrix singolar.",
          "   r1, c1 = " + Dims(s.matrix->rows, s.matrix->cols));
    return Number(0.0);
  }
  Store(*s.vector, x);
  return Result(st, *s.vector);
}

Value Coefficients(State& st, MatrixStore& ms, Value a1, Value a2, double a3) {
  System s;
  if (!SystemOf(st, ms, a1, a2, "11d", "11e", "Wrong combination of matrix and/or vector.", s)) {
    return Number(0.0);
  }
  const int32_t count = s.vector->rows * s.vector->cols;
  const int32_t rows = s.matrix->rows;
  if (count != rows) {  // the fit reads count rows of the matrix
    Fails(st, kMatOrdersNotValid,
          "ProcedureCalcMatrFunct, nr. 11d\r\nWrong matrix or vector dimensions.",
          "   r1, c1 = " + Dims(s.matrix->rows, s.matrix->cols) +
              "\r\n   r2, c2 = " + Dims(s.vector->rows, s.vector->cols));
    return Number(0.0);
  }
  const double n = std::trunc(a3);
  // The fit reads the matrix as count x n and writes n coefficients into a
  // vector of rows elements: n beyond rows would leave both blocks.
  if (!(n >= 1 && n <= rows)) {
    Fails(st, kMatInvalidParameter,
          "ProcedureCalcMatrFunct, nr. 11i\r\nNumber of coefficients out of range.",
          "   n = " + Fixed10(a3) + "\r\n   r1, c1 = " + Dims(s.matrix->rows, s.matrix->cols));
    return Number(0.0);
  }
  Work coefficients(static_cast<std::size_t>(rows), 0.0);
  if (LeastSquares(st, ms, Data(*s.matrix), count, static_cast<int32_t>(n), Data(*s.vector),
                   coefficients.data()) != kMatOk) {
    Fails(st, kMatSingular, "ProcedureCalcMatrFunct, nr. 11j\r\nMatrix singolar: no unique fit.",
          "   r1, c1 = " + Dims(s.matrix->rows, s.matrix->cols) + "\r\n   n = " + Fixed10(a3));
    return Number(0.0);
  }
  Store(*s.vector, coefficients);
  return Result(st, *s.vector);
}

}  // namespace

Value LoadOperand(State& st, MatrixStore& ms, std::string_view name, char suffix) {
  int32_t rows = 0;
  int32_t cols = 0;
  const MatrixEntry* source =
      FindByHandle(ms, FindMatrix(ms, name, kFindByName | kFindHandle, &rows, &cols));
  if (source == nullptr) {
    if (Fail(st, kErrMatrixNotFound)) {
      ReportWithDump(st, "e_prs", "Matrix not found, token = '" + std::string(name) + "'");
    }
    return Number(st.e_error);
  }
  std::shared_ptr<Block> block = NewBlock(ms, int64_t{rows} * cols);
  std::memcpy(block->data, source->Matr->data,
              static_cast<std::size_t>(rows) * cols * sizeof(double));
  MatrixEntry& copy = RegisterInternal(ms, std::move(block), rows, cols);

  int32_t code = kMatOk;
  if (suffix == 'T') {
    const Work t = Transposed(st, Data(copy), rows, cols);
    Reshape(copy, cols, rows);  // [mA]T of a 2 x 3 matrix is 3 x 2 from here on
    Store(copy, t);
  } else if (suffix == 'I' || suffix == 'D') {
    if (rows != cols) {
      code = kMatNotSquare;
    } else if (suffix == 'I') {
      Work inverse;
      code = InverseOf(st, copy, inverse);
      if (code == kMatOk) Store(copy, inverse);
    } else {
      Work a(Data(copy), Data(copy) + Size(copy));
      DiagonalOfTriangular(st, a, rows);
      Store(copy, a);
    }
  }
  if (code != kMatOk && Fail(st, static_cast<int16_t>(code))) {
    ReportWithDump(st, "e_prs", "Matrix error, token = '" + std::string(name) + suffix + "'");
  }
  if (st.e_error != kNoError) return Number(st.e_error);
  return Result(st, copy);
}

Value CalcMatrixSumSubt(State& st, MatrixStore& ms, char op, Value left, Value right) {
  if (op != '+' && op != '-') return left;
  const double sign = op == '+' ? 1.0 : -1.0;
  const Kind left_kind = left.kind;
  const Kind right_kind = right.kind;
  if (left_kind == Kind::Number && right_kind == Kind::Number) {
    return Number(ScalarArith(st, op, left.number, right.number));
  }
  constexpr std::string_view kProcedure = "ProcedureCalcMatrixSumSubt";
  if (left_kind == Kind::Matrix && right_kind == Kind::Number) {
    MatrixEntry* m = Operand(st, ms, left.number, Kind::Matrix, kProcedure);
    if (m == nullptr) return left;
    for (std::size_t k = 0; k < Size(*m); ++k) Data(*m)[k] += sign * right.number;
    return Result(st, *m);
  }
  if (left_kind == Kind::Number && right_kind == Kind::Matrix) {
    MatrixEntry* m = Operand(st, ms, right.number, Kind::Matrix, kProcedure);
    if (m == nullptr) return left;
    for (std::size_t k = 0; k < Size(*m); ++k) Data(*m)[k] = left.number + sign * Data(*m)[k];
    return Result(st, *m);
  }
  if (left_kind == Kind::Matrix && right_kind == Kind::Matrix) {
    MatrixEntry* a = Operand(st, ms, left.number, Kind::Matrix, kProcedure);
    MatrixEntry* b =
        a != nullptr ? Operand(st, ms, right.number, Kind::Matrix, kProcedure) : nullptr;
    if (b == nullptr) return left;
    if (a->rows != b->rows || a->cols != b->cols) {
      Fails(st, kMatOrdersNotEqual, std::string(kProcedure) + ", nr. 11h\r\nOrders not equal.",
            "   r1, c1 = " + Dims(a->rows, a->cols) + "\r\n   r2, c2 = " + Dims(b->rows, b->cols));
      return left;
    }
    for (std::size_t k = 0; k < Size(*a); ++k) Data(*a)[k] += sign * Data(*b)[k];
    return Result(st, *a);
  }
  ConditionsNotFound(st, "ProcedureCalcMatrixSumSubt, nr. 11a", left_kind, right_kind);
  return left;
}

Value CalcMatrixDivMult(State& st, MatrixStore& ms, char op, Value left, Value right) {
  const Kind left_kind = left.kind;
  const Kind right_kind = right.kind;
  if (left_kind == Kind::Number && right_kind == Kind::Number) {
    return Number(ScalarArith(st, op, left.number, right.number));
  }
  switch (op) {
    case '^':
      if (left_kind == Kind::Matrix && right_kind == Kind::Number)
        return MatrixPower(st, ms, left, right.number);
      // A matrix exponent has no meaning here.
      ConditionsNotFound(st, "Procedure: CalcMatrixDivMult, nr. 12b", left_kind, right_kind);
      return left;
    case '*':
      if (left_kind == Kind::Matrix && right_kind == Kind::Number) {
        MatrixEntry* m = Operand(st, ms, left.number, Kind::Matrix, "Procedure: CalcMatrixDivMult");
        return m == nullptr ? left : Scaled(st, *m, right.number);
      }
      if (left_kind == Kind::Number && right_kind == Kind::Matrix) {
        MatrixEntry* m =
            Operand(st, ms, right.number, Kind::Matrix, "Procedure: CalcMatrixDivMult");
        return m == nullptr ? left : Scaled(st, *m, left.number);
      }
      if (left_kind == Kind::Matrix && right_kind == Kind::Matrix)
        return MatrixProduct(st, ms, left, right);
      ConditionsNotFound(st, "Procedure: CalcMatrixDivMult, nr. 12b", left_kind, right_kind);
      return left;
    case '/':
      if (left_kind == Kind::Matrix && right_kind == Kind::Number) {
        if (right.number == 0.0) return {DivisionByZero(st, left.number), left.kind};
        MatrixEntry* m = Operand(st, ms, left.number, Kind::Matrix, "Procedure: CalcMatrixDivMult");
        return m == nullptr ? left : Scaled(st, *m, 1.0 / right.number);
      }
      if (left_kind == Kind::Matrix && right_kind == Kind::Matrix)
        return MatrixQuotient(st, ms, left, right);
      if (left_kind == Kind::Number && right_kind == Kind::Matrix)
        return ScalarOverMatrix(st, ms, left, right);
      ConditionsNotFound(st, "Procedure: CalcMatrixDivMult, nr. 12e", left_kind, right_kind);
      return left;
    default: return left;
  }
}

Value CalcMatrFunct(State& st, MatrixStore& ms, std::string_view name, Value a1, Value a2,
                    Value a3) {
  if (name == "det" || name == "trace") return Number(SquareFunction(st, ms, name, a1));
  if (name == "syst") return Solve(st, ms, a1, a2);
  if (name == "vcoeff") return Coefficients(st, ms, a1, a2, a3.number);
  Fails(st, kErrConditionNotFound,
        "ProcedureCalcMatrFunct, nr. 11a\r\nCase not found. token = " + std::string(name),
        "   nnTp = " + std::to_string(KindNumber(a1.kind)) +
            "\r\n   n2Tp = " + std::to_string(KindNumber(a2.kind)));
  return Number(0.0);
}

void PublishResult(State& st, MatrixStore& ms, double handle) {
  MatrixEntry* e = FindByHandle(ms, HandleOf(handle));
  if (e == nullptr) return;
  RegisterBlock(ms, "[mResult]", e->Matr, st.MatrResultRows, st.MatrResultCols, false);
}

}  // namespace tarnix::matrix
