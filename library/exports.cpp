// The extern "C" boundary of libTarnix.so: argument checks, one call into
// the engine, no logic. No exception crosses it: each wrapper turns one into
// the export's neutral result with error -12 set.
#include "DuZuradi/duzuradi.h"
#include "include/tarnix.h"

namespace {

using namespace tarnix;

std::string_view Text(const char* p) {
  return p != nullptr ? std::string_view(p) : std::string_view();
}

template <class R, class Body>
R Guarded(R neutral, Body body) noexcept {
  try {
    return body();
  } catch (...) {
    gs.e_error = kErrMemory;
    gs.InternalMode = false;
    gs.depth = 0;
    return neutral;
  }
}

}  // namespace

extern "C" {

// ---- Frame -------------------------------------------------------------------

TARNIX_API int32_t TARNIX_CALL GetE_Error(void) { return gs.e_error; }

TARNIX_API const char* TARNIX_CALL GetE_ErrDescr(int32_t code) {
  return Guarded<const char*>("", [&] { return ReturnText(ErrorDescription(code)); });
}

TARNIX_API int32_t TARNIX_CALL GetResultType(void) { return gs.ResultType; }

TARNIX_API int32_t TARNIX_CALL SetDebugF(int32_t flags) { return tarnix::SetDebugF(flags); }

TARNIX_API int32_t TARNIX_CALL ShowMsgs(int32_t level) { return tarnix::ShowMsgs(level); }

TARNIX_API int32_t TARNIX_CALL ReSetDuZuradi(void) {
  return Guarded<int32_t>(0, [] { return tarnix::ReSetDuZuradi(); });
}

// ---- Evaluation ----------------------------------------------------------------

TARNIX_API int32_t TARNIX_CALL e_eval(const char* expr, double* result, int32_t check) {
  return Guarded<int32_t>(kErrMemory, [&] { return Eval(Text(expr), result, check); });
}

TARNIX_API double TARNIX_CALL de_eval(const char* expr, int32_t check) {
  return Guarded<double>(kErrMemory, [&] { return DEval(Text(expr), check); });
}

TARNIX_API int32_t TARNIX_CALL e_evals(const char* expr, double x1, const char* var, double x2,
                                       int32_t n, double* xs, double* ys, double* info) {
  return Guarded<int32_t>(
      kErrMemory, [&] { return EvalRange(Text(expr), x1, Text(var), x2, n, xs, ys, info); });
}

TARNIX_API int32_t TARNIX_CALL SetBoolSign(int32_t sign) {
  return Guarded<int32_t>(0, [&] { return tarnix::SetBoolSign(sign); });
}

// ---- Variables and user functions ------------------------------------------------

TARNIX_API int32_t TARNIX_CALL SetVarFunct(const char* name, const char* value, int32_t kind) {
  return Guarded<int32_t>(0, [&] { return tarnix::SetVarFunct(Text(name), Text(value), kind); });
}

TARNIX_API int32_t TARNIX_CALL GetVarFuncListLen(const char* which) {
  return Guarded<int32_t>(0, [&] { return tarnix::GetVarFuncListLen(Text(which)); });
}

TARNIX_API int32_t TARNIX_CALL GetVarFuncList(char* buffer, int32_t maxLen, const char* which) {
  return Guarded<int32_t>(0, [&] { return tarnix::GetVarFuncList(buffer, maxLen, Text(which)); });
}

TARNIX_API int32_t TARNIX_CALL ClearVarFuncList(const char* which) {
  return Guarded<int32_t>(0, [&] { return tarnix::ClearVarFuncList(Text(which)); });
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

TARNIX_API const char* TARNIX_CALL GetMsgLog(void) { return MessageLog(); }

TARNIX_API int32_t TARNIX_CALL SetMsgBoxHandler(void (*handler)(const char* text,
                                                                const char* title)) {
  SetMessageBoxHandler(handler);
  return 0;
}

}  // extern "C"
