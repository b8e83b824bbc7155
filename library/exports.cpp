// The extern "C" boundary of libTarnix.so: argument checks, one call into
// the engine, no logic. No exception crosses it: every export that reaches
// the engine runs inside Guarded, which turns an exception into the export's
// failure value with the error set: -20 when the host's progress handler
// stopped the call, else -12 (a failed allocation or a limit reached). Only
// the stubs that return a constant stay outside. The state they work on is
// the process-wide engine's (ProcessEngine()).
#include "DuZuradi/duzuradi.h"
#include "Solver/solver.h"
#include "engine.h"
#include "include/tarnix.h"
#include "matrix/matrix.h"

namespace {

using namespace tarnix;

std::string_view Text(const char* p) {
  return p != nullptr ? std::string_view(p) : std::string_view();
}

// The failure value of an export that returns its error number.
struct ErrorNumber {};
constexpr ErrorNumber kErrorNumber;

template <class R, class N>
R FailureValue(N neutral) {
  return static_cast<R>(neutral);
}
template <class R>
R FailureValue(ErrorNumber) {
  return static_cast<R>(ProcessEngine().state.e_error);
}

// One export running. The outermost one starts a call: the host's progress
// count and the matrix memory its limit is measured from begin there.
class CallFrame {
 public:
  explicit CallFrame(Engine& engine) noexcept
      : state_(engine.state), store_(engine.store), mark_(matrix::EvaluationMark(engine.store)) {
    if (state_.call_depth++ == 0) {
      state_.progress_countdown = state_.progress_period;
      state_.matrix_bytes_at_call = state_.matrix_bytes;
    }
  }
  ~CallFrame() { --state_.call_depth; }
  CallFrame(const CallFrame&) = delete;
  CallFrame& operator=(const CallFrame&) = delete;

  // After an exception: the error, the engine's modes as between calls, and
  // the internal matrices the call made given back.
  void Unwound(int16_t code) const noexcept {
    state_.e_error = code;
    state_.InternalMode = false;
    state_.depth = 0;
    matrix::DropTemporaries(store_, mark_);
  }

 private:
  State& state_;
  matrix::MatrixStore& store_;
  uint64_t mark_;
};

template <class R, class N, class Body>
R Guarded(N neutral, Body body) noexcept {
  const CallFrame frame(ProcessEngine());
  try {
    return body();
  } catch (const Interruption&) {
    frame.Unwound(kErrInterrupted);
  } catch (...) {
    frame.Unwound(kErrMemory);
  }
  return FailureValue<R>(neutral);
}

}  // namespace

extern "C" {

// ---- Frame -------------------------------------------------------------------

TARNIX_API int32_t TARNIX_CALL GetE_Error(void) {
  return Guarded<int32_t>(kErrorNumber, [] { return ProcessEngine().state.e_error; });
}

TARNIX_API const char* TARNIX_CALL GetE_ErrDescr(int32_t code) {
  return Guarded<const char*>("", [&] { return ReturnText(ErrorDescription(code)); });
}

TARNIX_API const char* TARNIX_CALL GetE_ErrPlace(int32_t* column) {
  return Guarded<const char*>(
      "", [&] { return ReturnText(ErrorPlaceText(ProcessEngine().state, column)); });
}

TARNIX_API int32_t TARNIX_CALL GetResultType(void) {
  return Guarded<int32_t>(0, [] { return ProcessEngine().state.ResultType; });
}

TARNIX_API int32_t TARNIX_CALL SetDebugF(int32_t flags) {
  return Guarded<int32_t>(0, [&] { return tarnix::SetDebugF(flags); });
}

TARNIX_API int32_t TARNIX_CALL ShowMsgs(int32_t level) {
  return Guarded<int32_t>(0, [&] { return tarnix::ShowMsgs(level); });
}

TARNIX_API int32_t TARNIX_CALL ReSetDuZuradi(void) {
  return Guarded<int32_t>(0, [] { return tarnix::ReSetDuZuradi(); });
}

// ---- Evaluation ----------------------------------------------------------------

TARNIX_API int32_t TARNIX_CALL e_eval(const char* expr, double* result, int32_t check) {
  return Guarded<int32_t>(kErrorNumber, [&] {
    Engine& e = ProcessEngine();
    return Eval(e.state, Text(expr), result, check);
  });
}

TARNIX_API double TARNIX_CALL de_eval(const char* expr, int32_t check) {
  return Guarded<double>(kErrorNumber, [&] {
    Engine& e = ProcessEngine();
    return DEval(e.state, Text(expr), check);
  });
}

TARNIX_API int32_t TARNIX_CALL e_evals(const char* expr, double x1, const char* var, double x2,
                                       int32_t n, double* xs, double* ys, double* info) {
  return Guarded<int32_t>(kErrorNumber, [&] {
    Engine& e = ProcessEngine();
    return EvalRange(e.state, Text(expr), x1, Text(var), x2, n, xs, ys, info);
  });
}

TARNIX_API int32_t TARNIX_CALL SetBoolSign(int32_t sign) {
  return Guarded<int32_t>(0, [&] { return tarnix::SetBoolSign(sign); });
}

// ---- Variables and user functions ------------------------------------------------

TARNIX_API int32_t TARNIX_CALL SetVarFunct(const char* name, const char* value, int32_t kind) {
  return Guarded<int32_t>(kErrorNumber, [&] {
    return tarnix::SetVarFunct(ProcessEngine().state, Text(name), Text(value), kind);
  });
}

TARNIX_API int32_t TARNIX_CALL GetVarFuncListLen(const char* which) {
  return Guarded<int32_t>(
      0, [&] { return tarnix::GetVarFuncListLen(ProcessEngine().state, Text(which)); });
}

TARNIX_API int32_t TARNIX_CALL GetVarFuncList(char* buffer, int32_t maxLen, const char* which) {
  return Guarded<int32_t>(0, [&] {
    return tarnix::GetVarFuncList(ProcessEngine().state, buffer, maxLen, Text(which));
  });
}

TARNIX_API int32_t TARNIX_CALL ClearVarFuncList(const char* which) {
  return Guarded<int32_t>(
      0, [&] { return tarnix::ClearVarFuncList(ProcessEngine().state, Text(which)); });
}

// ---- Number texts and string diagnostics --------------------------------------

TARNIX_API const char* TARNIX_CALL StrD0(const char* text) {
  return Guarded<const char*>("", [&] { return tarnix::StrD0(Text(text)); });
}

TARNIX_API const char* TARNIX_CALL TestStr(const char* text) {
  return Guarded<const char*>("", [&] { return tarnix::TestStr(Text(text)); });
}

TARNIX_API char* TARNIX_CALL TestStrPtr(char* buffer) {
  return Guarded<char*>(buffer, [&] { return tarnix::TestStrPtr(buffer); });
}

TARNIX_API const char* TARNIX_CALL TestStrPtr2(char* buffer) {
  return Guarded<const char*>("", [&] { return tarnix::TestStrPtr2(buffer); });
}

// ---- Host extensions -------------------------------------------------------------

TARNIX_API const char* TARNIX_CALL GetMsgLog(void) {
  return Guarded<const char*>("", [] { return MessageLog(); });
}

TARNIX_API int32_t TARNIX_CALL SetMsgBoxHandler(void (*handler)(const char* text,
                                                                const char* title)) {
  return Guarded<int32_t>(0, [&] {
    SetMessageBoxHandler(handler);
    return 0;
  });
}

// ---- Matrix store and element order --------------------------------------------

// A matrix routine that could not finish reports 0: "Undefined error
// (procedure exit before completion)".
constexpr int32_t kUnfinished = kMatUnfinished;

TARNIX_API int32_t TARNIX_CALL SetMatrix(const char* name, double* matr, int32_t rows, int32_t cols,
                                         uint8_t retPtr) {
  return Guarded<int32_t>(matrix::kNotRegistered, [&] {
    return matrix::SetMatrix(ProcessEngine().store, Text(name), matr, rows, cols, retPtr);
  });
}

TARNIX_API int32_t TARNIX_CALL SetStrMatrix(const char* text, uint8_t retPtr, uint8_t evalElems) {
  return Guarded<int32_t>(kErrorNumber, [&] {
    return matrix::SetStrMatrix(ProcessEngine().store, Text(text), retPtr, evalElems);
  });
}

TARNIX_API int32_t TARNIX_CALL FindMatrix(const char* name, int32_t paramTp, int32_t* rows,
                                          int32_t* cols) {
  return Guarded<int32_t>(matrix::kNotFound, [&] {
    return matrix::FindMatrix(ProcessEngine().store, Text(name), paramTp, rows, cols);
  });
}

TARNIX_API int32_t TARNIX_CALL ClearMatrixList(int32_t handle) {
  return Guarded<int32_t>(kMatOk,
                          [&] { return matrix::ClearMatrixList(ProcessEngine().store, handle); });
}

TARNIX_API int32_t TARNIX_CALL GetMatrixByLong(int32_t handle, double* dst, int32_t rows,
                                               int32_t cols) {
  return Guarded<int32_t>(kUnfinished, [&] {
    return matrix::GetMatrixByLong(ProcessEngine().store, handle, dst, rows, cols);
  });
}

TARNIX_API int32_t TARNIX_CALL aCopyArray(const double* src, double* dst, int32_t rows,
                                          int32_t cols) {
  return Guarded<int32_t>(
      kUnfinished, [&] { return matrix::aCopyArray(ProcessEngine().store, src, dst, rows, cols); });
}

TARNIX_API int32_t TARNIX_CALL aElemOrder(const double* probe) {
  return Guarded<int32_t>(kUnfinished,
                          [&] { return matrix::aElemOrder(ProcessEngine().store, probe); });
}
TARNIX_API int32_t TARNIX_CALL aElemOrderSet(int32_t order) {
  return Guarded<int32_t>(kUnfinished,
                          [&] { return matrix::aElemOrderSet(ProcessEngine().store, order); });
}
TARNIX_API int32_t TARNIX_CALL aElemOrderGet(void) {
  return Guarded<int32_t>(kUnfinished, [] { return matrix::aElemOrderGet(ProcessEngine().store); });
}

TARNIX_API int32_t TARNIX_CALL aElemOrderSt(const char* language) {
  return Guarded<int32_t>(
      kUnfinished, [&] { return matrix::aElemOrderSt(ProcessEngine().store, Text(language)); });
}

TARNIX_API int32_t TARNIX_CALL aElemOrderEx(void* arg, int32_t mode) {
  return Guarded<int32_t>(kUnfinished,
                          [&] { return matrix::aElemOrderEx(ProcessEngine().store, arg, mode); });
}

// ---- Linear algebra -------------------------------------------------------------------

#define TARNIX_GUARDED(expr) Guarded<int32_t>(kUnfinished, [&] { return expr; })

TARNIX_API int32_t TARNIX_CALL aDet(double* A, int32_t n, double* out) {
  return TARNIX_GUARDED(matrix::aDet(ProcessEngine().state, ProcessEngine().store, A, n, out));
}
TARNIX_API double TARNIX_CALL aDetN(double* A, int32_t n) {
  return Guarded<double>(
      0.0, [&] { return matrix::aDetN(ProcessEngine().state, ProcessEngine().store, A, n); });
}
TARNIX_API int32_t TARNIX_CALL aInv(double* A, int32_t n) {
  return TARNIX_GUARDED(matrix::aInv(ProcessEngine().state, ProcessEngine().store, A, n));
}
TARNIX_API int32_t TARNIX_CALL aSist(double* A, int32_t n, double* b, double* x) {
  return TARNIX_GUARDED(matrix::aSist(ProcessEngine().state, ProcessEngine().store, A, n, b, x));
}
TARNIX_API int32_t TARNIX_CALL aDiag(double* A, int32_t n) {
  return TARNIX_GUARDED(matrix::aDiag(ProcessEngine().state, ProcessEngine().store, A, n));
}
TARNIX_API int32_t TARNIX_CALL aTrace(double* A, int32_t n, double* out) {
  return TARNIX_GUARDED(matrix::aTrace(ProcessEngine().store, A, n, out));
}
TARNIX_API double TARNIX_CALL aTraceN(double* A, int32_t n) {
  return Guarded<double>(0.0, [&] { return matrix::aTraceN(ProcessEngine().store, A, n); });
}
TARNIX_API int32_t TARNIX_CALL aMultEx(double* A, int32_t r1, int32_t c1, double* B, int32_t r2,
                                       int32_t c2, double* R) {
  return TARNIX_GUARDED(
      matrix::aMultEx(ProcessEngine().state, ProcessEngine().store, A, r1, c1, B, r2, c2, R));
}
TARNIX_API int32_t TARNIX_CALL aMultSq(double* A, int32_t n, double* B, double* R) {
  return TARNIX_GUARDED(matrix::aMultSq(ProcessEngine().state, ProcessEngine().store, A, n, B, R));
}
TARNIX_API int32_t TARNIX_CALL aMultVect(double* A, int32_t rows, int32_t cols, double* v,
                                         double* w) {
  return TARNIX_GUARDED(
      matrix::aMultVect(ProcessEngine().state, ProcessEngine().store, A, rows, cols, v, w));
}
TARNIX_API int32_t TARNIX_CALL aMultVectSq(double* A, int32_t n, double* v, double* w) {
  return TARNIX_GUARDED(
      matrix::aMultVectSq(ProcessEngine().state, ProcessEngine().store, A, n, v, w));
}
TARNIX_API int32_t TARNIX_CALL aPow(double* A, int32_t n, int32_t k, double* R) {
  return TARNIX_GUARDED(matrix::aPow(ProcessEngine().state, ProcessEngine().store, A, n, k, R));
}
TARNIX_API int32_t TARNIX_CALL aDiv(double* A, int32_t n, double* B, double* R) {
  return TARNIX_GUARDED(matrix::aDiv(ProcessEngine().state, ProcessEngine().store, A, n, B, R));
}
TARNIX_API int32_t TARNIX_CALL aSum(double* A, int32_t rows, int32_t cols, double* B, double* R) {
  return TARNIX_GUARDED(matrix::aSum(ProcessEngine().store, A, rows, cols, B, R));
}
TARNIX_API int32_t TARNIX_CALL aDiff(double* A, int32_t rows, int32_t cols, double* B, double* R) {
  return TARNIX_GUARDED(matrix::aDiff(ProcessEngine().store, A, rows, cols, B, R));
}
TARNIX_API int32_t TARNIX_CALL aSub(void) { return 0; }
TARNIX_API int32_t TARNIX_CALL aSumMem(double* A, int32_t rows, int32_t cols, double* B,
                                       double* R) {
  return TARNIX_GUARDED(matrix::aSumMem(A, rows, cols, B, R));
}
TARNIX_API int32_t TARNIX_CALL aDiffMem(double* A, int32_t rows, int32_t cols, double* B,
                                        double* R) {
  return TARNIX_GUARDED(matrix::aDiffMem(A, rows, cols, B, R));
}
TARNIX_API int32_t TARNIX_CALL aSumScal(double* A, int32_t rows, int32_t cols, double s) {
  return TARNIX_GUARDED(matrix::aSumScal(ProcessEngine().store, A, rows, cols, s));
}
TARNIX_API int32_t TARNIX_CALL aProdScal(double* A, int32_t rows, int32_t cols, double s) {
  return TARNIX_GUARDED(matrix::aProdScal(ProcessEngine().store, A, rows, cols, s));
}
TARNIX_API int32_t TARNIX_CALL aOpp(double* A, int32_t rows, int32_t cols) {
  return TARNIX_GUARDED(matrix::aOpp(A, rows, cols));
}
TARNIX_API int32_t TARNIX_CALL aTrasp(double* A, int32_t rows, int32_t cols) {
  return TARNIX_GUARDED(
      matrix::aTrasp(ProcessEngine().state, ProcessEngine().store, A, rows, cols));
}
TARNIX_API int32_t TARNIX_CALL aTraspEx(double* A, int32_t rows, int32_t cols, double* T) {
  return TARNIX_GUARDED(
      matrix::aTraspEx(ProcessEngine().state, ProcessEngine().store, A, rows, cols, T));
}
TARNIX_API int32_t TARNIX_CALL aTraspSq(double* A, int32_t n) {
  return TARNIX_GUARDED(matrix::aTraspSq(ProcessEngine().state, ProcessEngine().store, A, n));
}
TARNIX_API int32_t TARNIX_CALL aCopy(double* A, int32_t rows, int32_t cols, double* B) {
  return TARNIX_GUARDED(matrix::aCopy(A, rows, cols, B));
}
TARNIX_API int32_t TARNIX_CALL aDupl(double* A, int32_t rows, int32_t cols, double* B) {
  return TARNIX_GUARDED(matrix::aCopy(A, rows, cols, B));
}
TARNIX_API int32_t TARNIX_CALL aSwap(double* A, int32_t rows, int32_t cols, double* B) {
  return TARNIX_GUARDED(matrix::aSwap(A, rows, cols, B));
}
TARNIX_API int32_t TARNIX_CALL aSwapRC(double* A, int32_t rows, int32_t cols, int32_t byRows,
                                       int32_t i, int32_t j) {
  return TARNIX_GUARDED(matrix::aSwapRC(ProcessEngine().store, A, rows, cols, byRows, i, j));
}
TARNIX_API int32_t TARNIX_CALL aMatrAreEquals(double* A, int32_t r1, int32_t c1, double* B,
                                              int32_t r2, int32_t c2) {
  return TARNIX_GUARDED(matrix::aMatrAreEquals(A, r1, c1, B, r2, c2));
}
TARNIX_API int32_t TARNIX_CALL aMatrIsZero(double* A, int32_t n) {
  return TARNIX_GUARDED(matrix::aMatrIsZero(ProcessEngine().store, A, n));
}
TARNIX_API int32_t TARNIX_CALL aMatrIsUnit(double* A, int32_t n) {
  return TARNIX_GUARDED(matrix::aMatrIsUnit(A, n));
}
TARNIX_API int32_t TARNIX_CALL aMatrIsSing(double* A, int32_t n) {
  return TARNIX_GUARDED(matrix::aMatrIsSing(ProcessEngine().state, ProcessEngine().store, A, n));
}
TARNIX_API int32_t TARNIX_CALL aMatrIsOrtog(double* A, int32_t n) {
  return TARNIX_GUARDED(matrix::aMatrIsOrtog(ProcessEngine().state, ProcessEngine().store, A, n));
}
TARNIX_API int32_t TARNIX_CALL aMatrAreOrtog(double* A, int32_t n, double* B) {
  return TARNIX_GUARDED(
      matrix::aMatrAreOrtog(ProcessEngine().state, ProcessEngine().store, A, n, B));
}
TARNIX_API int32_t TARNIX_CALL aVectMod(double* v, int32_t n, double* out) {
  return TARNIX_GUARDED(matrix::aVectMod(v, n, out));
}
TARNIX_API int32_t TARNIX_CALL aMatrMod(double* v, int32_t n, double* out) {
  return TARNIX_GUARDED(matrix::aVectMod(v, n, out));
}
TARNIX_API int32_t TARNIX_CALL aCombine(void) { return 0; }
TARNIX_API int32_t TARNIX_CALL aInsert(void) { return 0; }

#undef TARNIX_GUARDED

// ---- Matrix output and about text ------------------------------------------------------

TARNIX_API const char* TARNIX_CALL aPrint(const double* A, int32_t rows, int32_t cols,
                                          const char* dest, const char* format, const char* header,
                                          const char* sep) {
  return Guarded<const char*>("", [&] {
    return matrix::aPrint(ProcessEngine().state, ProcessEngine().store, A, rows, cols, Text(dest),
                          Text(format), Text(header), Text(sep));
  });
}

TARNIX_API int32_t TARNIX_CALL aPrintEx(const double* A, int32_t rows, int32_t cols,
                                        const char* dest, const char* format, const char* header,
                                        const char* sep, char* buffer) {
  return Guarded<int32_t>(kErrCannotReturnText, [&] {
    return matrix::aPrintEx(ProcessEngine().state, ProcessEngine().store, A, rows, cols, Text(dest),
                            Text(format), Text(header), Text(sep), buffer);
  });
}

TARNIX_API const char* TARNIX_CALL aShow(const double* A, int32_t rows, int32_t cols) {
  return Guarded<const char*>("", [&] {
    return matrix::aShow(ProcessEngine().state, ProcessEngine().store, A, rows, cols);
  });
}

TARNIX_API const char* TARNIX_CALL aShowByLong(int32_t handle, int32_t rows, int32_t cols) {
  return Guarded<const char*>("", [&] {
    return matrix::aShowByLong(ProcessEngine().state, ProcessEngine().store, handle, rows, cols);
  });
}

TARNIX_API int32_t TARNIX_CALL DisplayVerInfo(const char* path, char* fileVersion,
                                              char* productVersion) {
  return Guarded<int32_t>(0, [&] {
    return matrix::DisplayVerInfo(ProcessEngine().state, Text(path), fileVersion, productVersion);
  });
}

TARNIX_API const char* TARNIX_CALL aAbout(int32_t mode) {
  return Guarded<const char*>(
      "", [&] { return matrix::aAbout(ProcessEngine().state, ProcessEngine().store, mode); });
}

// ---- Integration --------------------------------------------------------------------------

TARNIX_API int32_t TARNIX_CALL Integrate(const char* expr, double from, double to, int32_t N,
                                         int32_t method, const char* var, double* result) {
  return Guarded<int32_t>(kErrorNumber, [&] {
    Engine& e = ProcessEngine();
    return solver::Integrate(e.state, Text(expr), from, to, N, method, Text(var), result);
  });
}

TARNIX_API double TARNIX_CALL dIntegrate(const char* expr, double from, double to, int32_t N,
                                         int32_t method, const char* var) {
  return Guarded<double>(0.0, [&] {
    Engine& e = ProcessEngine();
    return solver::dIntegrate(e.state, e.integral_value, Text(expr), from, to, N, method,
                              Text(var));
  });
}

// ---- Solvers ------------------------------------------------------------------------------

TARNIX_API double TARNIX_CALL dPolySolve(const char* expr, const char* var) {
  return Guarded<double>(0.0, [&] {
    Engine& e = ProcessEngine();
    return solver::dPolySolve(e.state, Text(expr), Text(var));
  });
}

TARNIX_API double TARNIX_CALL dSolve(const char* expr, const char* var) {
  return Guarded<double>(0.0, [&] {
    Engine& e = ProcessEngine();
    return solver::dSolve(e.state, Text(expr), Text(var));
  });
}

TARNIX_API const char* TARNIX_CALL sPolyNewt(const char* expr, const char* var, int32_t maxIter) {
  return Guarded<const char*>("", [&] {
    Engine& e = ProcessEngine();
    return solver::sPolyNewt(e.state, Text(expr), Text(var), maxIter);
  });
}

TARNIX_API const char* TARNIX_CALL sSolve(const char* expr, const char* var, int32_t iterations) {
  return Guarded<const char*>("", [&] {
    Engine& e = ProcessEngine();
    return solver::sSolve(e.state, Text(expr), Text(var), iterations);
  });
}

// ---- Polynomials ------------------------------------------------------------------------

TARNIX_API const char* TARNIX_CALL Poly_dydx(const char* expr, const char* var) {
  return Guarded<const char*>(
      "", [&] { return solver::Poly_dydx(ProcessEngine().state, Text(expr), Text(var)); });
}

TARNIX_API intptr_t TARNIX_CALL lPoly_dydx(const char* expr, const char* var) {
  return reinterpret_cast<intptr_t>(Poly_dydx(expr, var));
}

TARNIX_API int32_t TARNIX_CALL aCalcVectCoeff(double* A, int32_t count, int32_t n, double* y,
                                              double* coeff) {
  return Guarded<int32_t>(kUnfinished, [&] {
    return solver::aCalcVectCoeff(ProcessEngine().state, ProcessEngine().store, A, count, n, y,
                                  coeff);
  });
}

TARNIX_API int32_t TARNIX_CALL aCalcCoeffPolin(double* points, int32_t nPoints, int32_t nCoeff,
                                               double* coeff) {
  return Guarded<int32_t>(kUnfinished, [&] {
    return solver::aCalcCoeffPolin(ProcessEngine().state, ProcessEngine().store, points, nPoints,
                                   nCoeff, coeff);
  });
}

TARNIX_API int32_t TARNIX_CALL aGetYPolin(const double* x, const double* coeff, int32_t count,
                                          double* y) {
  return Guarded<int32_t>(kUnfinished, [&] { return solver::aGetYPolin(x, coeff, count, y); });
}

TARNIX_API int32_t TARNIX_CALL aGetXsOfQuadr(const double* y, const double* coeff, int32_t count,
                                             double* x1, double* x2) {
  return Guarded<int32_t>(kUnfinished,
                          [&] { return solver::aGetXsOfQuadr(y, coeff, count, x1, x2); });
}

// ---- Number theory and interpolation ----------------------------------------------------

TARNIX_API int32_t TARNIX_CALL GCF(int32_t a, int32_t b) {
  return Guarded<int32_t>(0, [&] { return solver::GCF(a, b); });
}
TARNIX_API int32_t TARNIX_CALL LCM(int32_t a, int32_t b) {
  return Guarded<int32_t>(0, [&] { return solver::LCM(a, b); });
}
TARNIX_API double TARNIX_CALL fact(int32_t n) {
  return Guarded<double>(0.0, [&] { return solver::fact(n); });
}
TARNIX_API double TARNIX_CALL fact_inv(void) { return 0.0; }
TARNIX_API int32_t TARNIX_CALL IsPrime(int32_t n) {
  return Guarded<int32_t>(0, [&] { return solver::IsPrime(n); });
}
TARNIX_API int32_t TARNIX_CALL lIsPrime(int32_t n) {
  return Guarded<int32_t>(0, [&] { return solver::lIsPrime(n); });
}

TARNIX_API int32_t TARNIX_CALL InterpLin(const double* x, const double* x1, const double* x2,
                                         const double* y1, const double* y2, double* y) {
  return Guarded<int32_t>(kUnfinished, [&] { return solver::InterpLin(x, x1, x2, y1, y2, y); });
}

TARNIX_API int32_t TARNIX_CALL IntBezier2D(double, double, double, double, double, double) {
  return 0;
}

// ---- Host extensions --------------------------------------------------------------------

TARNIX_API const double* TARNIX_CALL GetMatrixPtr(int32_t handle, int32_t* rows, int32_t* cols) {
  return Guarded<const double*>(
      nullptr, [&] { return matrix::GetMatrixPtrIn(ProcessEngine().store, handle, rows, cols); });
}

TARNIX_API int32_t TARNIX_CALL SetProgressHandler(int32_t (*handler)(void* context), void* context,
                                                  int32_t period) {
  return Guarded<int32_t>(0, [&] { return tarnix::SetProgressHandler(handler, context, period); });
}

TARNIX_API int32_t TARNIX_CALL SetCallLimits(int32_t matrix_mb, int32_t entries) {
  return Guarded<int32_t>(0, [&] { return tarnix::SetCallLimits(matrix_mb, entries); });
}

}  // extern "C"
