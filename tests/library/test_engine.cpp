// The process-wide engine: one instance, the state every layer reaches
// through gs, matrix::store and solver::IntegralValue, with the matrix
// store attached to the evaluator from the start.
#include <gtest/gtest.h>

#include "DuZuradi/duzuradi.h"
#include "Solver/solver.h"
#include "engine.h"
#include "matrix/matrix.h"
#include "matrix/store.h"

namespace tarnix {
namespace {

TEST(Engine, IsOneInstance) { EXPECT_EQ(&ProcessEngine(), &ProcessEngine()); }

TEST(Engine, LayersReachItsMembers) {
  Engine& engine = ProcessEngine();
  EXPECT_EQ(&gs, &engine.state);
  EXPECT_EQ(&matrix::store, &engine.store);
  EXPECT_EQ(&solver::IntegralValue, &engine.integral_value);
}

TEST(Engine, HasItsLoadTimeValues) {
  const State& state = ProcessEngine().state;
  EXPECT_GE(state.returned_text.size(), 256u);
  EXPECT_NE(state.rng_state, 0u);
}

TEST(Engine, MatricesAreAttachedBeforeAnyExport) {
  EXPECT_EQ(Matrices().elements, &matrix::GetMatrixPtr);
  ReSetDuZuradi();
  ASSERT_GE(matrix::SetStrMatrix("[mE];2;2;1;2;3;4", 0, 0), 0);
  double value = 0;
  EXPECT_EQ(Eval("det([mE])", &value, 0), 0);
  EXPECT_EQ(value, -2);
  ReSetDuZuradi();
}

TEST(Engine, KeepsTheIntegralBetweenCalls) {
  ReSetDuZuradi();
  EXPECT_DOUBLE_EQ(solver::dIntegrate("2*x", 0, 1, 10, 1, "x"), 1.0);
  EXPECT_DOUBLE_EQ(ProcessEngine().integral_value, 1.0);
}

TEST(Engine, EntryPointsTakeItsState) {
  Engine& engine = ProcessEngine();
  ReSetDuZuradi();
  double value = 0;
  EXPECT_EQ(Eval(engine.state, "2+3", &value, 0), 0);
  EXPECT_EQ(value, 5);
  EXPECT_EQ(DEval(engine.state, "2*3", 0), 6);
  EXPECT_EQ(Eval(engine.state, "2+", &value, 0), engine.state.e_error);
  EXPECT_NE(engine.state.e_error, kNoError);

  double kept = 0;
  EXPECT_DOUBLE_EQ(solver::dIntegrate(engine.state, kept, "3*x*x", 0, 1, 10, 2, "x"), 1.0);
  EXPECT_DOUBLE_EQ(kept, 1.0);
  EXPECT_EQ(engine.state.e_error, kNoError);
  EXPECT_NEAR(solver::dSolve(engine.state, "x^2-4", "x"), 2.0, 1e-9);
  ReSetDuZuradi();
}

TEST(Engine, SolversWorkOnTheStateHandedIn) {
  ReSetDuZuradi();
  gs.e_error = kNoError;
  State own;
  EXPECT_NEAR(solver::dSolve(own, "x^2-4", "x"), 2.0, 1e-9);
  EXPECT_GT(GetVarFuncListLen(own, "vars"), 0);
  EXPECT_EQ(GetVarFuncListLen("vars"), 0);
  double area = 0;
  EXPECT_EQ(solver::Integrate(own, "x", 0, 1, 10, 1, "x", &area), 0);
  EXPECT_DOUBLE_EQ(area, 0.5);
  EXPECT_STRNE(solver::Poly_dydx(own, "x^2", "x"), "");
  EXPECT_EQ(own.e_error, kNoError);
  EXPECT_STREQ(solver::Poly_dydx(own, "x^2", ""), "");
  EXPECT_EQ(own.e_error, kErrInvalidParameter);
  EXPECT_EQ(gs.e_error, kNoError);
}

TEST(Engine, AttachesTheStepsOfItsStore) {
  Engine& engine = ProcessEngine();
  EXPECT_EQ(&Matrices(), &engine.steps);
  EXPECT_EQ(engine.steps.context, &engine.store);
}

TEST(Engine, StepsWorkOnTheStateAndStoreHandedIn) {
  ReSetDuZuradi();
  gs.e_error = kNoError;
  const matrix::StoreSize process_wide = matrix::SizeOfStore();
  State own;
  matrix::MatrixStore own_store;
  const MatrixSteps steps = matrix::StoreSteps(own_store);
  ASSERT_GT(matrix::SetStrMatrix(own_store, "[mQ];2;2;1;2;3;4", 1, 0), 0);
  const uint64_t mark = steps.EvaluationMark();
  own.e_error = kNoError;  // as an evaluation starts
  own.InternalMode = true;
  gs.InternalMode = true;  // the store still reads the process-wide parse mode
  const Value a = steps.LoadOperand(own, "[mQ]", 0);
  ASSERT_TRUE(IsMatrix(a)) << own.e_error;
  EXPECT_EQ(own.e_error, kNoError);
  EXPECT_EQ(steps.Function(own, "det", a, Number(0), Number(0)).number, -2);
  const Value twice = steps.DivMult(own, '*', a, Number(2));
  EXPECT_EQ(own.MatrResultRows, 2);
  const double* m =
      matrix::GetMatrixPtrIn(own_store, matrix::HandleOf(twice.number), nullptr, nullptr);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m[3], 8);
  EXPECT_EQ(steps.NamedCount(), 1u);
  steps.DropTemporaries(mark);
  EXPECT_EQ(matrix::SizeOfStore(own_store).entries, 1u);

  steps.LoadOperand(own, "[mNone]", 0);
  EXPECT_EQ(own.e_error, kErrMatrixNotFound);
  EXPECT_EQ(gs.e_error, kNoError);
  EXPECT_EQ(matrix::SizeOfStore().entries, process_wide.entries);
  gs.InternalMode = false;
  EXPECT_EQ(steps.Clear(0), kMatOk);
  EXPECT_EQ(matrix::SizeOfStore(own_store).entries, 0u);
}

TEST(Engine, LinearAlgebraWorksOnTheStateAndStoreHandedIn) {
  ReSetDuZuradi();
  const int32_t process_wide_order = matrix::aElemOrderGet();
  State own;
  matrix::MatrixStore own_store;
  EXPECT_EQ(matrix::aElemOrderSet(own_store, 1), kMatOk);
  EXPECT_EQ(matrix::aElemOrderGet(own_store), 1);
  EXPECT_EQ(matrix::aElemOrderGet(), process_wide_order);
  // Column-major in the store of its own: {1, 3, 2, 4} is [[1, 2], [3, 4]].
  double a[4] = {1, 3, 2, 4};
  double det = 0;
  EXPECT_EQ(matrix::aDet(own, own_store, a, 2, &det), kMatOk);
  EXPECT_EQ(det, -2);
  double t[4] = {};
  EXPECT_EQ(matrix::aTraspEx(own, own_store, a, 2, 2, t), kMatOk);
  EXPECT_EQ(t[1], 2);  // the transpose's (1, 0), column-major
  const std::string listed = matrix::aPrint(own, own_store, a, 2, 2, "String", "", "", " ", 0);
  EXPECT_EQ(own_store.listing, listed);
  EXPECT_NE(listed.find("mA(0, 1)=2"), std::string::npos) << listed;
  const std::string about = matrix::aAbout(own, own_store, 2);
  EXPECT_EQ(own_store.listing, about);
}

TEST(Engine, CoefficientsWorkOnTheStateAndStoreHandedIn) {
  ReSetDuZuradi();
  State own;
  matrix::MatrixStore own_store;
  ASSERT_EQ(matrix::aElemOrderSet(own_store, 1), kMatOk);
  // Column-major 2 x 3 in the store of its own: the abscissae 0, 1, 2 and
  // the ordinates of y = 1 + 2x.
  double points[6] = {0, 1, 1, 3, 2, 5};
  double coeff[2] = {};
  EXPECT_EQ(solver::aCalcCoeffPolin(own, own_store, points, 3, 2, coeff), kMatOk);
  EXPECT_NEAR(coeff[0], 1.0, 1e-12);
  EXPECT_NEAR(coeff[1], 2.0, 1e-12);
  double a[4] = {1, 0, 1, 1};  // rows (1, 0) and (1, 1), as the fit reads them
  double y[2] = {3, 5};
  EXPECT_EQ(solver::aCalcVectCoeff(own, own_store, a, 2, 2, y, coeff), kMatOk);
  EXPECT_NEAR(coeff[0], 3.0, 1e-12);
  EXPECT_NEAR(coeff[1], 2.0, 1e-12);
}

}  // namespace
}  // namespace tarnix
