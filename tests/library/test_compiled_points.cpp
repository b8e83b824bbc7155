// e_evals and Integrate with their expression compiled against the same
// calls with every point evaluated from its text: returns, arrays (bit for
// bit), errors, error places, messages, the generator of rnd, the scanner,
// the host's calls. The engine and the C interface are linked in, so that
// the test can switch the compiler off through the engine's state.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "DuZuradi/compile.h"
#include "engine.h"
#include "tarnix.h"

namespace {

using tarnix::ProcessEngine;

// ---- The rows ------------------------------------------------------------------

// Every row runs with these variables and functions defined, and with its
// own extra definitions ("name=value;..." texts).
constexpr const char* kVariables[][2] = {
    {"a", "2.5"},
    {"b", "-3"},
    {"c", "0.12345678901234"},
    {"tiny", "1E-12"},
    {"big", "123456789012.5"},
    {"word", "hello"},
    {"n7", "7"},
};
constexpr const char* kFunctions[][2] = {
    {"hyp", "sqr(a^2+b^2)"},
    {"twoa", "2*a"},
    {"fbody", "x*2"},  // the variable in a body is pasted after the substitution
};

struct Row {
  const char* expr;
  const char* var;
  double from, to;
  bool compiles;  // on the rows' definitions, without messages
  const char* functions = "";
};

// From -2 to 2 in 24 steps the samples come within rounding of 0, 1 and -1.
const Row kRows[] = {
    // Operators and their precedence.
    {"-25000+12*x^2-ln(abs(x))", "x", -2, 2, true},
    {"x+2*3", "x", -2, 2, true},
    {"2^3^2+x", "x", -2, 2, true},
    {"-x^2", "x", -2, 2, true},
    {"2*-x", "x", -2, 2, true},
    {"x-2-3", "x", -2, 2, true},
    {"x/4/2", "x", -2, 2, true},
    {"1/(x-1)", "x", -2, 2, true},
    {"x\\2", "x", -7, 7, true},
    {"x\\0", "x", -2, 2, true},
    {"7\\x", "x", -2, 2, true},
    {"x mod 3", "x", -7, 7, true},
    {"7 mod x", "x", -2, 2, true},
    {"x mod 0", "x", -2, 2, true},
    {"x = 1", "x", -2, 2, true},
    {"x < 0", "x", -2, 2, true},
    {"x > 0", "x", -2, 2, true},
    {"x <> 0", "x", -2, 2, true},
    {"x <= 1", "x", -2, 2, true},
    {"x >= -1", "x", -2, 2, true},
    {"1 < 2", "x", -2, 2, true},
    {"not x", "x", -2, 2, true},
    {"not x = 0", "x", -2, 2, true},
    {"x and 1", "x", -2, 2, true},
    {"x or 0", "x", -2, 2, true},
    {"y xor 1", "y", -2, 2, true},
    {"(y > 0) and (y < 1.5) or y = -1", "y", -2, 2, true},
    {"1+2*3^2-4/2 mod 3\\1+y", "y", -2, 2, true},
    {"y*2 mod 3 + 1 = 2 and y or 1 xor 0", "y", -2, 2, true},
    {"+x", "x", -2, 2, true},
    {"--x", "x", -2, 2, true},
    {"((x+1)*(x-1))", "x", -2, 2, true},
    {"2^x", "x", -2, 2, true},
    {"x^0.5", "x", -2, 2, true},
    {"x^3-x^2.5", "x", -2, 2, true},
    {"(-x)^0.5", "x", -2, 2, true},
    {"(x^0.5 > 0)+1", "x", -2, 2, true},  // no number, compared, is a number again
    {"x^-1", "x", -2, 2, true},
    {"(-8)^(1/3)+x", "x", -2, 2, false},
    {"1/0+x", "x", -2, 2, false},
    {"1e308*x*10", "x", -2, 2, true},
    // Every built-in, over arguments where some of them fail.
    {"sin(x)", "x", -2, 2, true},
    {"cos(x)", "x", -2, 2, true},
    {"tan(x*1.5707963)", "x", -2, 2, true},
    {"atan(x)+atn(x)", "x", -2, 2, true},
    {"sec(x)+cosec(x)", "x", -2, 2, true},
    {"cotan(x)", "x", -2, 2, true},
    {"sinh(x)", "x", -2, 2, true},
    {"cosh(x)", "x", -2, 2, true},
    {"tanh(x)", "x", -2, 2, true},
    {"sech(x)", "x", -2, 2, true},
    {"cosech(x)", "x", -2, 2, true},
    {"cotanh(x)", "x", -2, 2, true},
    {"arcsin(x)", "x", -2, 2, true},
    {"arccos(x)", "x", -2, 2, true},
    {"arcsec(x)", "x", -2, 2, true},
    {"arccosec(x)", "x", -2, 2, true},
    {"arccotan(x)", "x", -2, 2, true},
    {"arcsinh(x)", "x", -2, 2, true},
    {"arccosh(x)", "x", -2, 2, true},
    {"arctanh(x)", "x", -2, 2, true},
    {"arcsech(x)", "x", -2, 2, true},
    {"arccosech(x)", "x", -2, 2, true},
    {"arccotanh(x)", "x", -2, 2, true},
    {"exp(x)", "t", -2, 2, false},  // t is no name here: exp stays
    {"exp(t)", "t", -30, 30, true},
    {"ln(x)", "x", -2, 2, true},
    {"log(x)+log10(x)", "x", -2, 2, true},
    {"sqr(x)", "x", -2, 2, true},
    {"abs(x)*sgn(x)", "x", -2, 2, true},
    {"fix(v*3)+int(-v*3)", "v", -2, 2, true},
    {"rnd(10)+x", "x", -2, 2, true},
    {"rnd(5)+ln(x)", "x", -2, 2, true},
    {"rnd(x*4)", "x", -2, 2, true},
    {"sin(1)+cos(2)*x", "x", -2, 2, true},
    {"SIN(x)+Cos(X)", "x", -2, 2, false},
    {"foo(x)", "x", -2, 2, false},
    // Constants: "#" built-ins, plain ones, variables.
    {"#pi*x+#e", "x", -2, 2, true},
    {"#deg+#rad+#to_deg+#to_rad-x", "x", -2, 2, true},
    {"#foo+x", "x", -2, 2, false},
    {"pi*x+e-deg+rad", "x", -2, 2, true},
    {"to_deg*x+to_rad", "x", -2, 2, true},
    {"a*x+b", "x", -2, 2, true},
    {"c*x", "x", -2, 2, true},
    {"tiny+x", "x", -2, 2, true},
    {"big+x", "x", -2, 2, true},
    {"word+x", "x", -2, 2, false},
    {"zz+x", "x", -2, 2, false},
    {"N7*x", "x", -2, 2, true},
    // The statistics.
    {"min(t;1;-1)+max(t;0.5)", "t", -2, 2, true},
    {"avg(x;x^2;3)+mean(1;x)", "x", -2, 2, true},
    {"geom_mean(x;2)", "x", -2, 2, true},
    {"median(x;3;1;2)+median(x;1)", "x", -2, 2, true},
    {"sum(x;1)+sum2(x;2)", "x", -2, 2, true},
    {"stddev(x;1;2)+stddev(x)", "x", -2, 2, true},
    {"prod(x;2;3)+prod2(x;2)+count(x;x;x)", "x", -2, 2, true},
    {"sum(1;2;3)*x+max(1;ln(-1))", "x", -2, 2, false},
    {"sum(1;2;3)*x", "x", -2, 2, true},
    // User functions.
    {"hyp*x", "x", -2, 2, true},
    {"twoa+x*twoa", "x", -2, 2, true},
    {"fbody+x", "x", -2, 2, false},
    {"g1(x)+x", "x", -2, 2, false, "g1=sin"},
    {"q+x", "x", -2, 2, false, "q=1;1=2"},  // a name made of digits
    {"q+x", "x", -2, 2, true, "q=a+1"},
    // Number texts.
    {"&FF+x", "x", -2, 2, true},
    {"&7FFFFFFF*x+&FFFFFFFF", "x", -2, 2, true},
    {"&G+x", "x", -2, 2, false},
    {"1e-3*x+6.022E23", "x", -2, 2, true},
    {"x*1E+2", "x", -2, 2, true},
    {"2e+x", "x", -2, 2, false},
    {"1,5*x", "x", -2, 2, true},
    // Far abscissae, and ranges that sample ties of the ten-decimal rounding.
    {"x", "x", -1e6, 1e6, true},
    {"x*2", "x", -3e5, 3e5, true},
    {"x", "x", 0, 0.01171875, true},
    {"x", "x", 1e-12, -1e-12, true},
    {"x+1", "x", -1e300, 1e300, true},
    // The variable inside other words.
    {"tan(a)+a", "a", -2, 2, false},
    {"exp(x)", "x", -2, 2, false},
    {"sqr(2)*2", "2", -2, 2, true},
    {"x2+x", "x", -2, 2, false},
    {"intx*2+sinx", "x", -2, 2, true},  // int(x)*2+sin(x)
    // Texts that never parse, matrices, the mark itself.
    {"x+", "x", -2, 2, false},
    {"(x", "x", -2, 2, false},
    {"x)", "x", -2, 2, false},
    {"2x", "x", -2, 2, false},
    {"", "x", -2, 2, false},
    {"det([mA])*x", "x", -2, 2, false},
    {"[mA]*x", "x", -2, 2, false},
    {"x+\x02", "x", -2, 2, false},
    {"1+2", "", -2, 2, true},
};

// A text nested depth parentheses deep around x.
std::string Nested(int depth) {
  return std::string(static_cast<std::size_t>(depth), '(') + "x" +
         std::string(static_cast<std::size_t>(depth), ')');
}

// ---- A call and what it leaves --------------------------------------------------

struct Outcome {
  int32_t ret = 0;
  std::vector<uint64_t> bits;  // the arrays or the integral, bit for bit
  int32_t error = 0;
  std::string place;
  int32_t column = 0;
  int32_t result_type = 0;
  std::string log;
  std::string boxes;
  uint64_t generator = 0;
  uint32_t tokens = 0;
  int32_t countdown = 0;
  int host_calls = 0;
  std::string scanned;
  std::size_t scanned_to = 0;
  bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
  out << "{ret " << o.ret << ", error " << o.error << ", place '" << o.place << "' column "
      << o.column << ", type " << o.result_type << ", generator " << o.generator << ", tokens "
      << o.tokens << ", countdown " << o.countdown << ", host calls " << o.host_calls
      << ", scanned '" << o.scanned << "' to " << o.scanned_to << ", log " << o.log.size()
      << " chars, boxes " << o.boxes.size() << " chars, values";
  for (uint64_t b : o.bits) out << ' ' << std::bit_cast<double>(b);
  return out << '}';
}

std::string g_boxes;
void CaptureBox(const char* text, const char* title) {
  g_boxes += title;
  g_boxes += '|';
  g_boxes += text;
  g_boxes += '\n';
}

// The host of SetProgressHandler: counts its calls, says stop at call
// stop_at (0: never) and may store a variable at call store_at.
struct Host {
  int calls = 0;
  int stop_at = 0;
  int store_at = 0;
  static int32_t Handler(void* context) {
    Host& host = *static_cast<Host*>(context);
    ++host.calls;
    if (host.store_at != 0 && host.calls == host.store_at) SetVarFunct("a", "-1.25", 0);
    return host.stop_at != 0 && host.calls >= host.stop_at ? 1 : 0;
  }
};

// How a call runs: the truth value, the message settings, the host.
struct Mode {
  int32_t bool_true = -1;
  int32_t msgs = 0;
  int32_t debug = 0;
  int32_t period = 0;  // 0: no progress handler
  int stop_at = 0;
  int store_at = 0;
  int32_t matrix_mb = 0;
};

void Define(const char* definitions, int32_t kind) {
  const std::string text = definitions;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find(';', start), text.size());
    const std::string field = text.substr(start, end - start);
    const std::size_t eq = field.find('=');
    SetVarFunct(field.substr(0, eq).c_str(), field.substr(eq + 1).c_str(), kind);
    start = end + 1;
  }
}

Host g_host;

void Prepare(const Row& row, const Mode& mode, bool compiled) {
  SetProgressHandler(nullptr, nullptr, 0);
  SetCallLimits(0, 0);
  SetDebugF(0);
  ShowMsgs(0);
  ReSetDuZuradi();
  // Both calls number their matrices from the same handle.
  ProcessEngine().store.next_handle = 1;
  ProcessEngine().store.next_serial = 0;
  for (const auto& v : kVariables) SetVarFunct(v[0], v[1], 0);
  for (const auto& f : kFunctions) SetVarFunct(f[0], f[1], 1);
  Define(row.functions, 1);
  SetStrMatrix("[mA];2;2;1;2;3;4", 0, 0);
  // A report dumps the token the scanner read last, before the call's own.
  double value = 0;
  e_eval("0", &value, 0);
  SetBoolSign(mode.bool_true);
  ShowMsgs(mode.msgs);
  SetDebugF(mode.debug);
  SetCallLimits(mode.matrix_mb, 0);
  g_host = Host{0, mode.stop_at, mode.store_at};
  if (mode.period != 0) SetProgressHandler(&Host::Handler, &g_host, mode.period);
  tarnix::State& st = ProcessEngine().state;
  st.compile_points = compiled;
  st.rng_state = 0x9E3779B97F4A7C15ULL;
  st.e_cnt = 0;
  st.MsgLog.clear();
  g_boxes.clear();
}

Outcome Left(int32_t ret, const std::vector<double>& values) {
  Outcome o;
  o.ret = ret;
  for (double v : values) o.bits.push_back(std::bit_cast<uint64_t>(v));
  o.error = GetE_Error();
  o.place = GetE_ErrPlace(&o.column);
  o.result_type = GetResultType();
  const tarnix::State& st = ProcessEngine().state;
  o.log = st.MsgLog;
  o.boxes = g_boxes;
  o.generator = st.rng_state;
  o.tokens = st.e_cnt;
  o.countdown = st.progress_countdown;
  o.host_calls = g_host.calls;
  o.scanned = st.gExpr;
  o.scanned_to = st.e_pos;
  return o;
}

constexpr int32_t kSteps = 24;

// method -1: e_evals; 0, 1, 2: Integrate with that rule.
Outcome Run(const Row& row, const Mode& mode, int method, bool compiled) {
  Prepare(row, mode, compiled);
  if (method < 0) {
    std::vector<double> xs(kSteps + 1, 7.0), ys(kSteps + 1, 7.0), info(5, 7.0);
    const int32_t ret =
        e_evals(row.expr, row.from, row.var, row.to, kSteps, xs.data(), ys.data(), info.data());
    xs.insert(xs.end(), ys.begin(), ys.end());
    xs.insert(xs.end(), info.begin(), info.end());
    return Left(ret, xs);
  }
  double result = 7.0;
  const int32_t ret = Integrate(row.expr, row.from, row.to, kSteps, method, row.var, &result);
  return Left(ret, {result});
}

std::string Call(const Row& row, int method) {
  std::ostringstream out;
  out << (method < 0 ? "e_evals" : "Integrate rule " + std::to_string(method)) << " of '"
      << row.expr << "' in '" << row.var << "' from " << row.from << " to " << row.to;
  return out.str();
}

void ExpectSame(const Row& row, const Mode& mode) {
  for (int method = -1; method <= 2; ++method) {
    const Outcome text = Run(row, mode, method, false);
    const Outcome compiled = Run(row, mode, method, true);
    EXPECT_EQ(compiled, text) << Call(row, method) << ", truth " << mode.bool_true << ", msgs "
                              << mode.msgs << ", debug " << mode.debug << ", period " << mode.period
                              << ", stop at " << mode.stop_at;
  }
}

class CompiledPoints : public ::testing::Test {
 protected:
  void SetUp() override { SetMsgBoxHandler(CaptureBox); }
  void TearDown() override {
    Prepare(Row{"", "", 0, 0, false}, Mode{}, true);
    ReSetDuZuradi();
  }
};

// ---- The tests ---------------------------------------------------------------------

TEST_F(CompiledPoints, CompileWhereTheTableSays) {
  for (const Row& row : kRows) {
    Prepare(row, Mode{}, true);
    const tarnix::Substitution points(row.expr, row.var);
    const bool compiled = tarnix::CompilePoints(ProcessEngine().state, points) != nullptr;
    EXPECT_EQ(compiled, row.compiles) << "'" << row.expr << "' in '" << row.var << "'";
  }
}

TEST_F(CompiledPoints, GiveWhatTheTextGivesWithEitherTruthValue) {
  for (const Row& row : kRows) {
    ExpectSame(row, Mode{-1});
    ExpectSame(row, Mode{1});
  }
}

TEST_F(CompiledPoints, StepAsideForMessagesAndTheTrace) {
  const Mode modes[] = {{-1, 1, 8}, {1, 1, 4}, {-1, 0, 4}, {-1, 1, 2}};
  for (const Row& row : kRows) {
    for (const Mode& mode : modes) ExpectSame(row, mode);
  }
}

TEST_F(CompiledPoints, AskTheHostAtTheSameSteps) {
  const Row rows[] = {
      {"-25000+12*x^2-ln(abs(x))", "x", -2, 2, true},
      {"sum(x;1;2)+hyp", "x", -2, 2, true},
      {"x+1", "x", 0, 2, true},
      {"rnd(9)*ln(x)", "x", -2, 2, true},
  };
  // Periods shorter and longer than a point's steps; stops early, late and never.
  const Mode modes[] = {
      {-1, 0, 0, 1, 0},  {-1, 0, 0, 1, 40}, {-1, 0, 0, 3, 7},    {-1, 0, 0, 7, 11},
      {-1, 0, 0, 13, 5}, {-1, 0, 0, 50, 2}, {-1, 0, 0, 1000, 0}, {1, 0, 0, 5, 0},
  };
  for (const Row& row : rows) {
    for (const Mode& mode : modes) ExpectSame(row, mode);
  }
}

TEST_F(CompiledPoints, FollowAVariableTheHostStoresDuringTheCall) {
  const Row rows[] = {{"a*x", "x", -2, 2, true}, {"hyp+x", "x", -2, 2, true}};
  for (const Row& row : rows) {
    // Periods longer than a point's steps, so that points run compiled
    // before and after the host's call.
    for (int store_at : {1, 2, 3}) {
      Mode mode;
      mode.period = 25;
      mode.store_at = store_at;
      ExpectSame(row, mode);
    }
  }
}

TEST_F(CompiledPoints, KeepTheCallLimits) {
  Mode mode;
  mode.matrix_mb = 1;
  for (const Row& row : kRows) ExpectSame(row, mode);
}

TEST_F(CompiledPoints, NestAsDeepAsTheTextMay) {
  // A negative abscissa is one level deeper than a positive one.
  for (int depth : {10, 995, 996, 997, 998, 999, 1000}) {
    const std::string expr = Nested(depth);
    ExpectSame(Row{expr.c_str(), "x", -2, 2, true}, Mode{});
  }
}

TEST_F(CompiledPoints, KeepWithinTheLengthOfPastedTexts) {
  // The text with the function pasted in ends within (1 << 20) characters
  // for short abscissae ("-2", "0") and beyond it for long ones
  // ("-1.8333333333").
  const std::string body = std::string((1 << 20) - 2 - 3 - 6, '0') + "1";
  const std::string functions = "big=" + body;
  ExpectSame(Row{"big+x", "x", -2, 2, false, functions.c_str()}, Mode{});
}

TEST_F(CompiledPoints, ReadTheAbscissaAsItsText) {
  // Ties of the ten-decimal rounding (odd multiples of 2^-11 have eleven
  // decimals ending in 5), their neighbours, and the edges of the arithmetic.
  std::vector<double> xs = {
      0.0, -0.0, 1e-11,          -1e-11, 5e-11, 4.9999999999e-11, 1e-300,   -1e-300,
      2e5, -2e5, 199999.9999999, 1e6,    1e300, -1e300,           4.9e-324, 1.7976931348623157e308};
  for (int k = 1; k < 4096; k += 2) {
    const double tie = k / 2048.0;
    for (double x : {tie, -tie, std::nextafter(tie, 0.0), std::nextafter(tie, 1e9), tie + 12345.0,
                     -tie - 99999.0}) {
      xs.push_back(x);
    }
  }
  uint64_t state = 88172645463325252ULL;
  for (int i = 0; i < 200000; ++i) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    const double unit = static_cast<double>(state >> 11) / 9007199254740992.0;
    const double magnitude = std::pow(10.0, -12.0 + 18.0 * unit);
    xs.push_back((state & 1) != 0 ? magnitude : -magnitude);
  }
  int differences = 0;
  for (double x : xs) {
    const double fast = tarnix::AbscissaValue(x);
    const double text = tarnix::AbscissaValueByText(x);
    if (std::bit_cast<uint64_t>(fast) != std::bit_cast<uint64_t>(text) && ++differences <= 10) {
      ADD_FAILURE() << "x = " << x << " (" << std::hexfloat << x << std::defaultfloat
                    << "): " << fast << " against the text's " << text;
    }
  }
  EXPECT_EQ(differences, 0);
}

}  // namespace
