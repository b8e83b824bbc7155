// libFuzzer target: random texts, variables and user functions fed to the
// evaluation exports, under random message settings. e_evals and Integrate
// of an expression that compiles run twice, compiled and from the text, and
// must leave the same (a difference is a crash).
//
// Input layout: one control byte, then parts separated by '\x01'. Every part
// but the last is a definition: a text matrix when it starts with "[", else
// "name=value" (a variable for even positions, a user function for odd
// ones); the last part is the expression.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "DuZuradi/compile.h"
#include "engine.h"
#include "tarnix.h"

namespace {

void IgnoreBox(const char*, const char*) {}

// The host of the compared calls: says stop at call stop_at (0: never).
struct Host {
  int calls = 0;
  int stop_at = 0;
  static int32_t Handler(void* context) {
    Host& host = *static_cast<Host*>(context);
    ++host.calls;
    return host.stop_at != 0 && host.calls >= host.stop_at ? 1 : 0;
  }
};

// What a call leaves for its caller and for later calls.
struct Left {
  int32_t ret = 0;
  std::vector<uint64_t> bits;
  int32_t error = 0;
  std::string place;
  int32_t column = 0;
  int32_t result_type = 0;
  uint64_t generator = 0;
  uint32_t tokens = 0;
  int32_t countdown = 0;
  int host_calls = 0;
  std::string scanned;
  std::size_t scanned_to = 0;
  std::string log;
  bool operator==(const Left&) const = default;
};

// Runs call with the compiler on or off from the same state of the engine.
Left Run(const std::function<int32_t(std::vector<double>&)>& call, bool compiled, Host& host,
         int32_t period, uint64_t generator, uint32_t tokens, std::size_t log_mark) {
  tarnix::State& st = tarnix::ProcessEngine().state;
  st.compile_points = compiled;
  st.rng_state = generator;
  st.e_cnt = tokens;
  st.MsgLog.resize(log_mark);
  host.calls = 0;
  SetProgressHandler(period != 0 ? &Host::Handler : nullptr, &host, period);
  std::vector<double> values;
  Left left;
  left.ret = call(values);
  SetProgressHandler(nullptr, nullptr, 0);
  for (double v : values) left.bits.push_back(std::bit_cast<uint64_t>(v));
  left.error = GetE_Error();
  left.place = GetE_ErrPlace(&left.column);
  left.result_type = GetResultType();
  left.generator = st.rng_state;
  left.tokens = st.e_cnt;
  left.countdown = st.progress_countdown;
  left.host_calls = host.calls;
  left.scanned = st.gExpr;
  left.scanned_to = st.e_pos;
  left.log = st.MsgLog.substr(std::min(log_mark, st.MsgLog.size()));
  st.compile_points = true;
  return left;
}

// e_evals and Integrate (every rule), compiled and from the text, when the
// expression compiles; a difference stops the fuzzer.
void CompareCompiled(const std::string& expr, uint8_t control) {
  tarnix::State& st = tarnix::ProcessEngine().state;
  if (tarnix::CompilePoints(st, tarnix::Substitution(expr, "x")) == nullptr) return;
  const uint32_t hash = static_cast<uint32_t>(std::hash<std::string>{}(expr));
  const int32_t period = static_cast<int32_t>(hash % 3 == 0 ? 0 : 1 + hash / 3 % 40);
  Host host{0, static_cast<int>(hash / 120 % 4 == 0 ? hash / 480 % 60 : 0)};
  const double from = -3.0 + (control >> 4);
  const double to = from + 0.5 + (control & 15) * 0.75;
  const int32_t n = 10 + static_cast<int32_t>(hash / 30000 % 12) * 2;
  std::vector<std::function<int32_t(std::vector<double>&)>> calls;
  calls.emplace_back([&](std::vector<double>& values) {
    std::vector<double> xs(static_cast<size_t>(n) + 1), ys(xs.size()), info(5);
    const int32_t ret = e_evals(expr.c_str(), from, "x", to, n, xs.data(), ys.data(), info.data());
    values = xs;
    values.insert(values.end(), ys.begin(), ys.end());
    values.insert(values.end(), info.begin(), info.end());
    return ret;
  });
  for (int method = 0; method < 3; ++method) {
    calls.emplace_back([&, method](std::vector<double>& values) {
      double result = 0;
      const int32_t ret = Integrate(expr.c_str(), from, to, n, method, "x", &result);
      values.push_back(result);
      return ret;
    });
  }
  const uint64_t generator = st.rng_state;
  const uint32_t tokens = st.e_cnt;
  for (const auto& call : calls) {
    const std::size_t log_mark = st.MsgLog.size();
    const Left text = Run(call, false, host, period, generator, tokens, log_mark);
    const Left compiled = Run(call, true, host, period, generator, tokens, log_mark);
    if (!(compiled == text)) {
      std::fprintf(stderr, "compiled and text differ for '%s' from %g to %g, n %d, period %d\n",
                   expr.c_str(), from, to, n, period);
      std::abort();
    }
  }
}

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
  CompareCompiled(expr, control);
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
