// libFuzzer target: random texts, variables and user functions fed to the
// evaluation exports, under random message settings.
//
// Input layout: one control byte, then parts separated by '\x01'. Every part
// but the last is a definition: a text matrix when it starts with "[", else
// "name=value" (a variable for even positions, a user function for odd
// ones); the last part is the expression.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tarnix.h"

namespace {

void IgnoreBox(const char*, const char*) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t control = data[0];
  std::vector<std::string> parts(1);
  for (size_t i = 1; i < size; ++i) {
    if (data[i] == 1) {
      parts.emplace_back();
    } else {
      parts.back() += static_cast<char>(data[i]);
    }
  }

  SetMsgBoxHandler(IgnoreBox);
  aElemOrderSet((control & 2) != 0 ? 1 : 0);
  ReSetDuZuradi();
  SetDebugF((control & 0x10) != 0 ? 4 : ((control & 0x08) != 0 ? 2 : 0));
  ShowMsgs((control & 0x20) != 0 ? 1 : 0);
  SetBoolSign((control & 0x80) != 0 ? 1 : -1);
  const int check = (control & 0x40) != 0 ? 1 : 0;

  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    const std::string& def = parts[i];
    if (!def.empty() && def[0] == '[') {
      SetStrMatrix(def.c_str(), 1, control & 1);
      continue;
    }
    const size_t eq = def.find('=');
    const std::string name = def.substr(0, eq);
    const std::string value = eq == std::string::npos ? std::string() : def.substr(eq + 1);
    SetVarFunct(name.c_str(), value.c_str(), static_cast<int32_t>(i % 2));
  }

  const std::string& expr = parts.back();
  double value = 0;
  e_eval(expr.c_str(), &value, check);
  de_eval(expr.c_str(), check);

  const int n = control & 0x07;
  std::vector<double> xs(static_cast<size_t>(n) + 1), ys(static_cast<size_t>(n) + 1), info(5);
  e_evals(expr.c_str(), -1.5, "x", 2.0, n, xs.data(), ys.data(), info.data());

  double printed[4] = {1, 2, 3, 4};
  char buffer[32] = "                               ";
  aPrintEx(printed, 2, 2, "String", expr.c_str(), expr.c_str(), expr.c_str(), buffer);
  int32_t rows = 0, cols = 0;
  const int32_t handle = FindMatrix("[mResult]", 33, &rows, &cols);
  if (handle > 0) aShowByLong(handle, rows, cols);

  double integral = 0;
  Integrate(expr.c_str(), -1.0, 2.0, 1 + (control & 7), control % 3, "x", &integral);
  Poly_dydx(expr.c_str(), "x");
  sPolyNewt(expr.c_str(), "x", 2);
  const int32_t a = static_cast<int32_t>(expr.size() * 2654435761u);
  GCF(a, control * 131071);
  LCM(a, control);

  char list[64];
  GetVarFuncList(list, sizeof list - 1, (control & 1) != 0 ? "vars" : "");
  StrD0(expr.c_str());
  GetE_ErrDescr(GetE_Error());
  return 0;
}
