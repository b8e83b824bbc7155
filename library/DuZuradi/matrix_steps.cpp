// The evaluator's way to matrices: the steps the matrix engine registered,
// or, before it did, steps that know no matrix.
#include "duzuradi.h"

namespace tarnix {
namespace {

double NoOperand(std::string_view name, char /*suffix*/, uint8_t& /*kind*/) {
  if (Fail(kErrMatrixNotFound)) {
    ReportWithDump("e_prs", "Matrix not found, token = '" + std::string(name) + "'");
  }
  return gs.e_error;
}

// Without matrices no operand has kind 1: only scalar operands arrive here.
double NoArith(char op, double left, double right, uint8_t& /*left_kind*/, uint8_t /*right*/) {
  return ScalarArith(op, left, right);
}

double NoFunction(std::string_view /*name*/, double /*a1*/, double /*a2*/, double /*a3*/,
                  uint8_t& kind, uint8_t /*kind2*/, uint8_t /*kind3*/) {
  Fail(kErrMatrixNotFound);
  kind = 0;
  return 0.0;
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
