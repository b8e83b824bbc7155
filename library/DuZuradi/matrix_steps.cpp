// The evaluator's way to matrices: the steps the matrix engine registered,
// or, before it did, steps that know no matrix.
#include "duzuradi.h"

namespace tarnix {
namespace {

Value NoOperand(State& st, void* /*context*/, std::string_view name, char /*suffix*/) {
  if (Fail(st, kErrMatrixNotFound)) {
    ReportWithDump(st, "e_prs", "Matrix not found, token = '" + std::string(name) + "'");
  }
  return Number(st.e_error);
}

// Without matrices no operand is a matrix: only numbers arrive here, and the
// left operand's kind stays.
Value NoArith(State& st, void* /*context*/, char op, Value left, Value right) {
  return {ScalarArith(st, op, left.number, right.number), left.kind};
}

Value NoFunction(State& st, void* /*context*/, std::string_view /*name*/, Value /*a1*/,
                 Value /*a2*/, Value /*a3*/) {
  Fail(st, kErrMatrixNotFound);
  return Number(0.0);
}

void NoPublish(State& /*st*/, void* /*context*/, double /*handle*/) {}
uint64_t NoMark(void* /*context*/) { return 0; }
void NoDrop(void* /*context*/, uint64_t /*mark*/) {}
int32_t NoClear(void* /*context*/, int32_t /*handle*/) { return kMatOk; }
const double* NoElements(int32_t /*handle*/, int32_t* /*rows*/, int32_t* /*cols*/) {
  return nullptr;
}
std::size_t NoNamed(void* /*context*/) { return 0; }

constexpr MatrixSteps kNoMatrices{nullptr,     &NoOperand,  &NoArith, &NoArith,
                                  &NoFunction, &NoPublish,  &NoMark,  &NoDrop,
                                  &NoClear,    &NoElements, &NoNamed};

// Constant-initialized: valid before any constructor of the library runs.
const MatrixSteps* g_steps = &kNoMatrices;

}  // namespace

void AttachMatrices(const MatrixSteps* steps) { g_steps = steps != nullptr ? steps : &kNoMatrices; }

const MatrixSteps& Matrices() { return *g_steps; }

}  // namespace tarnix
