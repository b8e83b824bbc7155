// Until the matrix store exists no name in brackets can be found: every
// matrix operand and matrix function fails with -17, and the store is empty.
#include "../DuZuradi/duzuradi.h"
#include "matrix.h"

namespace tarnix::matrix {
namespace {

double MatrixNotFound(std::string_view procedure, std::string_view what) {
  if (Fail(kErrMatrixNotFound)) {
    std::string line = "Matrix not found, token = '";
    line += what;
    line += "'";
    ReportWithDump(procedure, line);
  }
  return 0.0;
}

}  // namespace

double LoadOperand(std::string_view name, char /*suffix*/, uint8_t& /*kind*/) {
  return MatrixNotFound("e_prs", name);
}

double CalcMatrixSumSubt(char /*op*/, double left, double /*right*/, uint8_t& /*left_kind*/,
                         uint8_t /*right_kind*/) {
  MatrixNotFound("CalcMatrixSumSubt", Fixed10(left));
  return left;
}

double CalcMatrixDivMult(char /*op*/, double left, double /*right*/, uint8_t& /*left_kind*/,
                         uint8_t /*right_kind*/) {
  MatrixNotFound("CalcMatrixDivMult", Fixed10(left));
  return left;
}

double CalcMatrFunct(std::string_view name, double /*a1*/, double /*a2*/, double /*a3*/,
                     uint8_t& kind, uint8_t /*kind2*/, uint8_t /*kind3*/) {
  kind = 0;
  return MatrixNotFound("CalcMatrFunct", name);
}

int32_t ClearMatrixList(int32_t /*handle*/) {
  EmitMessage("", "", 0);
  EmitMessage("ClearMatrixList", "", 0);
  return -1;
}

void PublishResult(double /*handle*/) {}

}  // namespace tarnix::matrix
