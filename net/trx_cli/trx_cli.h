// trx_cli: one call stub per remotable library export. A stub has the
// export's signature; it writes the call as a "FUN;" command, sends it to
// the server and hands back the export's results. Without a connection it
// returns 0, 0.0 or "" at once. Texts returned live in the client's result
// text until the next remote call.
#pragma once

#include <cstdint>

namespace trx_cli {

int32_t e_eval(const char* expr, double* result, int32_t check);
int32_t e_evals(const char* expr, double x1, const char* var, double x2, int32_t n, double* xs,
                double* ys, double* info);
// method 1 is the trapezoidal rule ("trap"), any other the rectangular one ("rect").
int32_t Integrate(const char* expr, double from, double to, int32_t steps, int32_t method,
                  const char* var, double* result);
double dSolve(const char* expr, const char* var);
const char* lPoly_dydx(const char* expr, const char* var);
int32_t SetVarFunct(const char* name, const char* value, int32_t kind);
int32_t SetStrMatrix(const char* definition, uint8_t first, uint8_t second);
// The received elements (the client's matrix buffer, replaced by the next
// FindMatrix), or nullptr when no element block came.
const double* FindMatrix(const char* name, int32_t paramTp, int32_t* rows, int32_t* cols);
const char* aPrint(int32_t handle, int32_t rows, int32_t cols, const char* dest, const char* format,
                   const char* header, const char* sep);
const char* aAbout(int32_t flag);
const char* GetE_ErrDescr(int32_t code);
int32_t GetE_Error();
int32_t GetResultType();
void aElemOrderSet(int32_t order);
void SetDebugF(int32_t flag);
void ShowMsgs(int32_t level);
void ReSetDuZuradi();

// A command longer than a frame may be (3000 bytes) is not sent; the next
// GetE_Error then reports it, with this code and its own description.
inline constexpr int32_t kNotSent = -16;

}  // namespace trx_cli
