// trx_cli: one call stub per remotable library export. A stub has the
// export's signature; it writes the call as a "FUN;" command, sends it to
// the server and hands back the export's results. Without a connection it
// returns 0, 0.0 or "" at once. Texts returned live in the client's result
// text until the next remote call.
#pragma once

#include <cstdint>
#include <string>

namespace trx_cli {

int32_t e_eval(const char* expr, double* result, int32_t check);
int32_t e_evals(const char* expr, double x1, const char* var, double x2, int32_t n, double* xs,
                double* ys, double* info);
// method as aux::IntegrationMethod reads it: 0 midpoint ("rect"), 1
// trapezoidal ("trap"), 2 Simpson ("simp"); the wire carries its word.
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
// Where the last evaluation failed ("at column 3: 'zz' (unknown variable)"),
// "" when the failure has no place in the text; column gets its column.
std::string GetE_ErrPlace(int32_t* column);
int32_t GetResultType();
void aElemOrderSet(int32_t order);
void SetDebugF(int32_t flag);
void ShowMsgs(int32_t level);
void ReSetDuZuradi();

// True when the last call was sent and its complete result came back.
// Calls whose result carries no error of their own (SetVarFunct) are
// checked with it.
bool Answered();

// The library's "invalid parameter" error: faults the client finds in a
// command before any call (and commands it could not send) are reported
// with this code and description, followed by what is wrong.
inline constexpr int32_t kInvalidParameter = -16;
inline constexpr const char* kInvalidParameterText = "Invalid parameter (eval)";

// A command longer than a frame may be (3000 bytes) is not sent; the next
// GetE_Error then reports it, with this code and its own description.
inline constexpr int32_t kNotSent = kInvalidParameter;

}  // namespace trx_cli
