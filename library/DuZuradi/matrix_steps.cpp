// The evaluator's way to matrices: the steps the matrix engine registered,
// or, before it did, steps that know no matrix.
#include "duzuradi.h"

namespace tarnix {
namespace {

Value NoOperand(std::string_view name, char /*suffix*/) {
  if (Fail(kErrMatrixNotFound)) {
    ReportWithDump("e_prs", "Matrix not found, token = '" + std::string(name) + "'");
  }
  return Number(gs.e_error);
}

// Without matrices no operand is a matrix: only numbers arrive here, and the
// left operand's kind stays.
Value NoArith(char op, Value left, Value right) {
  return {ScalarArith(op, left.number, right.number), left.kind};
}

Value NoFunction(std::string_view /*name*/, Value /*a1*/, Value /*a2*/, Value /*a3*/) {
  Fail(kErrMatrixNotFound);
  return Number(0.0);
}

void NoPublish(double /*handle*/) {}
uint64_t NoMark() { return 0; }
void NoDrop(uint64_t /*mark*/) {}
int32_t NoClear(int32_t /*handle*/) { return kMatOk; }
const double* NoElements(int32_t /*handle*/, int32_t* /*rows*/, int32_t* /*cols*/) {
  return nullptr;
}
std::size_t NoNamed() { return 0; }

constexpr MatrixSteps kNoMatrices{&NoOperand, &NoArith, &NoArith, &NoFunction, &NoPublish,
                                  &NoMark,    &NoDrop,  &NoClear, &NoElements, &NoNamed};

// Constant-initialized: valid before any constructor of the library runs.
const MatrixSteps* g_steps = &kNoMatrices;

}  // namespace

void AttachMatrices(const MatrixSteps* steps) { g_steps = steps != nullptr ? steps : &kNoMatrices; }

const MatrixSteps& Matrices() { return *g_steps; }

}  // namespace tarnix
