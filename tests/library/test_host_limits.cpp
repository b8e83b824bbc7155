// The host's hold on a call: the progress handler that interrupts it (-20)
// and the limits of SetCallLimits on matrix memory and entries (-12).
#include <malloc.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "tarnix_test.h"

namespace tarnix_test {
namespace {

// A square matrix text for SetStrMatrix: n x n, elements 1, 2, 3, ... mod 7.
std::string MatrixText(const std::string& name, int rows, int cols) {
  std::string text = name + ";" + std::to_string(rows) + ";" + std::to_string(cols);
  for (int k = 0; k < rows * cols; ++k) text += ";" + std::to_string(k % 7 + 1);
  return text;
}

// "t + t + ... + t", terms times.
std::string Repeated(const std::string& term, int terms) {
  std::string text = term;
  for (int i = 1; i < terms; ++i) text += "+" + term;
  return text;
}

// The host's side: counts the calls and says stop from call stop_at on.
struct Host {
  int calls = 0;
  int stop_at = 1;  // 0: never stop
  static int32_t Handler(void* context) {
    Host& host = *static_cast<Host*>(context);
    ++host.calls;
    return host.stop_at != 0 && host.calls >= host.stop_at ? 1 : 0;
  }
};

class HostLimits : public Engine {
 protected:
  void TearDown() override {
    SetProgressHandler(nullptr, nullptr, 0);
    SetCallLimits(0, 0);
    aElemOrderSet(0);
    Engine::TearDown();
  }
};

// ---- Interruption ----------------------------------------------------------

struct LongCall {
  const char* title;
  std::function<void()> setup;
  // Runs the call; gives true when its result is the failure it reports.
  std::function<bool()> fails_as_interrupted;
  // The same call without a handler: true when it succeeds.
  std::function<bool()> succeeds;
};

std::vector<double> g_xs, g_ys, g_info;

std::vector<LongCall> LongCalls() {
  auto big_matrices = [] {
    ASSERT_GE(SetStrMatrix(MatrixText("[mA]", 120, 120).c_str(), 0, 0), 0);
  };
  auto evals = [](int n) {
    g_xs.assign(static_cast<std::size_t>(n) + 1, 0.0);
    g_ys.assign(static_cast<std::size_t>(n) + 1, 0.0);
    g_info.assign(5, 0.0);
    return e_evals("x*x+1", 0, "x", 1, n, g_xs.data(), g_ys.data(), g_info.data());
  };
  return {
      {"LongExpression", [] {},
       [] {
         double v = 0;
         return e_eval(Repeated("1", 20000).c_str(), &v, 0) == -20;
       },
       [] {
         double v = 0;
         return e_eval(Repeated("1", 20000).c_str(), &v, 0) == 0 && v == 20000;
       }},
      {"DeEval", [] {}, [] { return de_eval(Repeated("2", 20000).c_str(), 0) == -20; },
       [] { return de_eval(Repeated("2", 20000).c_str(), 0) == 40000; }},
      {"Samples", [] {}, [evals] { return evals(20000) == -20; },
       [evals] { return evals(20000) == -1 && g_ys[20000] == 2; }},
      {"Integrate", [] {},
       [] {
         double r = -5;
         return Integrate("x^2", 0, 3, 20000, 2, "x", &r) == -20 && r == -5;
       },
       [] {
         double r = 0;
         return Integrate("x^2", 0, 3, 20000, 2, "x", &r) == 0 && std::fabs(r - 9) < 1e-9;
       }},
      {"NewtonSolve", [] {}, [] { return dSolve("x^3-2*x-5", "x") == 0.0; },
       [] { return std::fabs(dSolve("x^3-2*x-5", "x") - 2.0945514815) < 1e-9; }},
      {"TextSolve", [] {}, [] { return std::string(sSolve("x^2-2", "x", 50)).empty(); },
       [] { return std::string(sSolve("x^2-2", "x", 50)).rfind("1.4142135624", 0) == 0; }},
      {"MatrixProductInExpression", big_matrices,
       [] {
         double v = 0;
         return e_eval("[mA]*[mA]*[mA]", &v, 0) == -20;
       },
       [] {
         double v = 0;
         return e_eval("[mA]*[mA]*[mA]", &v, 0) == 1;
       }},
      {"MatrixProductExport", [] {},
       [] {
         std::vector<double> a(200 * 200, 0.5), r(200 * 200, -1);
         return aMultSq(a.data(), 200, a.data(), r.data()) == 0 && r[0] == -1;
       },
       [] {
         std::vector<double> a(200 * 200, 0.5), r(200 * 200, -1);
         return aMultSq(a.data(), 200, a.data(), r.data()) == -1 && r[0] == 50;
       }},
      {"AdjugateInverse", [] {},
       [] {
         std::vector<double> a(24 * 24, 0.0);
         for (int i = 0; i < 24; ++i) a[i * 24 + i] = 2;
         return aInv(a.data(), 24) == 0 && a[0] == 2;
       },
       [] {
         std::vector<double> a(24 * 24, 0.0);
         for (int i = 0; i < 24; ++i) a[i * 24 + i] = 2;
         return aInv(a.data(), 24) == -1 && a[0] == 0.5;
       }},
      {"UserFunctions",
       [] {
         for (int i = 0; i < 3000; ++i) {
           SetVarFunct(("f" + std::to_string(i) + "q").c_str(), "1", 1);
         }
       },
       [] {
         double v = 0;
         return e_eval("f1q+f2999q", &v, 0) == -20;
       },
       [] {
         double v = 0;
         return e_eval("f1q+f2999q", &v, 0) == 0 && v == 2;
       }},
  };
}

class Interrupted : public HostLimits, public ::testing::WithParamInterface<LongCall> {};

TEST_P(Interrupted, FailsWithMinus20AndTheLibraryGoesOn) {
  const LongCall& c = GetParam();
  c.setup();
  Host host;
  host.stop_at = 3;
  EXPECT_EQ(SetProgressHandler(&Host::Handler, &host, 50), 0);
  EXPECT_TRUE(c.fails_as_interrupted());
  EXPECT_EQ(GetE_Error(), -20);
  EXPECT_EQ(host.calls, 3);  // asked until it said stop, and not after

  // Without the handler the library evaluates as ever, the same call included.
  EXPECT_EQ(SetProgressHandler(nullptr, &host, 50), 0);
  EXPECT_EQ(Eval("2*3+1").value, 7);
  EXPECT_EQ(GetE_Error(), -1);
  EXPECT_TRUE(c.succeeds());
  EXPECT_EQ(host.calls, 3);
  EXPECT_EQ(Eval("2^10").value, 1024);
}

TEST_P(Interrupted, AHandlerThatSaysGoOnChangesNothing) {
  const LongCall& c = GetParam();
  c.setup();
  Host host;
  host.stop_at = 0;
  SetProgressHandler(&Host::Handler, &host, 1);
  EXPECT_TRUE(c.succeeds());
  EXPECT_GT(host.calls, 0);
}

INSTANTIATE_TEST_SUITE_P(Calls, Interrupted, ::testing::ValuesIn(LongCalls()),
                         [](const ::testing::TestParamInfo<LongCall>& info) {
                           return info.param.title;
                         });

TEST_F(HostLimits, TheHandlerIsAskedAboutEveryPeriodSteps) {
  struct Case {
    int period;
    int min_calls;
    int max_calls;
  };
  // 10,000 additions, a step each.
  for (const Case& c : {Case{100, 95, 105}, Case{1000, 9, 11}, Case{0, 9, 11}, Case{-5, 9, 11},
                        Case{20000, 0, 0}}) {
    Host host;
    host.stop_at = 0;
    SetProgressHandler(&Host::Handler, &host, c.period);
    EXPECT_EQ(Eval(Repeated("1", 10001)).value, 10001);
    EXPECT_GE(host.calls, c.min_calls) << c.period;
    EXPECT_LE(host.calls, c.max_calls) << c.period;
  }
}

TEST_F(HostLimits, EveryCallCountsItsStepsAfresh) {
  Host host;
  SetProgressHandler(&Host::Handler, &host, 50);
  EXPECT_EQ(Eval(Repeated("1", 200)).status, -20);
  EXPECT_EQ(host.calls, 1);
  // 40 steps a call: none of them reaches the period, however many there are.
  for (int i = 0; i < 20; ++i) ASSERT_EQ(Eval(Repeated("1", 41)).value, 41);
  EXPECT_EQ(host.calls, 1);
}

TEST_F(HostLimits, AnInterruptedFitLeavesTheElementOrderAlone) {
  // A column-major caller: copies are reordered, except inside the fit.
  ASSERT_EQ(aElemOrderSet(1), -1);
  const int count = 3000;
  const int n = 3;
  std::vector<double> a(static_cast<std::size_t>(count) * n), y(count), coeff(n, -7);
  for (int i = 0; i < count; ++i) {
    for (int j = 0; j < n; ++j) a[static_cast<std::size_t>(i) * n + j] = std::pow(i * 0.01, j);
    y[i] = 1 + i * 0.01;
  }
  Host host;
  SetProgressHandler(&Host::Handler, &host, 1);
  EXPECT_EQ(aCalcVectCoeff(a.data(), count, n, y.data(), coeff.data()), 0);
  EXPECT_EQ(GetE_Error(), -20);
  EXPECT_EQ(coeff[0], -7);
  SetProgressHandler(nullptr, nullptr, 0);

  const double src[6] = {1, 2, 3, 4, 5, 6};
  double dst[6] = {};
  aCopyArray(src, dst, 2, 3);
  EXPECT_EQ(std::vector<double>(dst, dst + 6), (std::vector<double>{1, 3, 5, 2, 4, 6}));
}

TEST_F(HostLimits, AnInterruptedEvaluationLeavesNoInternalMode) {
  ASSERT_GE(SetStrMatrix(MatrixText("[mA]", 60, 60).c_str(), 0, 0), 0);
  Host host;
  SetProgressHandler(&Host::Handler, &host, 10);
  EXPECT_EQ(Eval("[mA]*[mA]*[mA]").status, -20);
  SetProgressHandler(nullptr, nullptr, 0);
  // A matrix stored now is a named one: the next matrix result keeps it.
  ASSERT_GE(SetStrMatrix("[mB];1;1;5", 0, 0), 0);
  EXPECT_EQ(Eval("[mA]*2").status, 1);
  EXPECT_EQ(Eval("[mB]*1+1").status, 1);
  int rows = 0;
  int cols = 0;
  EXPECT_GE(FindMatrix("[mB]", 32 | 1, &rows, &cols), 1);
  EXPECT_EQ(Eval("det([mB])").value, 5);
}

// ---- Matrix memory ---------------------------------------------------------

std::size_t HeapInUse() {
#if defined(__GLIBC__)
  return mallinfo2().uordblks;
#elif defined(_WIN32)
  // The library and this program allocate from the one C runtime heap.
  std::size_t used = 0;
  _HEAPINFO entry{};
  while (_heapwalk(&entry) == _HEAPOK) {
    if (entry._useflag == _USEDENTRY) used += entry._size;
  }
  return used;
#else
  return 0;
#endif
}

TEST_F(HostLimits, AnExpressionOfManyMatrixCopiesFailsFastAndGivesTheMemoryBack) {
  // 200 x 200 doubles are 312 KiB; 200 copies would be 61 MiB.
  ASSERT_GE(SetStrMatrix(MatrixText("[mU]", 200, 200).c_str(), 0, 0), 0);
  const int32_t handle = FindMatrix("[mU]", 33, nullptr, nullptr);
  SetCallLimits(8, 0);
  const std::string attack = Repeated("[mU]", 200);
  double value = 0;
  const std::size_t before = HeapInUse();
  EXPECT_EQ(e_eval(attack.c_str(), &value, 0), -12);
  EXPECT_EQ(GetE_Error(), -12);
  EXPECT_LE(HeapInUse(), before + (std::size_t{1} << 20));

  // The store is as it was, and a smaller sum fits.
  int rows = 0;
  int cols = 0;
  EXPECT_EQ(GetMatrixPtr(handle, &rows, &cols)[1], 2);
  EXPECT_EQ(rows, 200);
  EXPECT_EQ(de_eval(attack.c_str(), 0), -12);
  double trace = 0;
  for (int i = 0; i < 200; ++i) trace += 2 * (201 * i % 7 + 1);
  EXPECT_EQ(Eval("trace([mU]+[mU])").value, trace);

  SetCallLimits(0, 0);
  EXPECT_EQ(e_eval(attack.c_str(), &value, 0), 1);
}

struct BudgetCase {
  const char* title;
  int matrix_mb;
  std::function<int()> call;  // gives the call's status
  int expected;               // status of a refused call, or of one that fits
  bool fits;
};

class MatrixBudget : public HostLimits, public ::testing::WithParamInterface<BudgetCase> {};

TEST_P(MatrixBudget, RefusesBeyondTheLimitAndStoresNothing) {
  const BudgetCase& c = GetParam();
  ASSERT_GE(SetStrMatrix(MatrixText("[mS]", 200, 200).c_str(), 0, 0), 0);  // 312 KiB
  SetCallLimits(c.matrix_mb, 0);
  EXPECT_EQ(c.call(), c.expected);
  if (c.fits) {
    EXPECT_NE(GetE_Error(), -12);
  } else {
    EXPECT_EQ(GetE_Error(), -12);
    EXPECT_EQ(FindMatrix("[mNew]", 33, nullptr, nullptr), -1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Calls, MatrixBudget,
    ::testing::Values(
        BudgetCase{"StoreBeyond", 1,
                   [] { return SetStrMatrix(MatrixText("[mNew]", 400, 400).c_str(), 0, 0); }, -12,
                   false},
        BudgetCase{"StoreWithin", 1,
                   [] { return SetStrMatrix(MatrixText("[mNew]", 300, 300).c_str(), 0, 0); }, 1,
                   true},
        BudgetCase{"StoreWithoutLimit", 0,
                   [] { return SetStrMatrix(MatrixText("[mNew]", 400, 400).c_str(), 0, 0); }, 1,
                   true},
        BudgetCase{"ProductBeyond", 1,
                   [] {
                     double v = 0;
                     return e_eval("[mS]*[mS]*[mS]*[mS]", &v, 0);
                   },
                   -12, false},
        BudgetCase{"ProductWithin", 2,
                   [] {
                     double v = 0;
                     return e_eval("[mS]*[mS]", &v, 0);
                   },
                   1, true},
        BudgetCase{"ProductExportBeyond", 1,
                   [] {
                     std::vector<double> a(400 * 400, 0.0);
                     return aMultSq(a.data(), 400, a.data(), a.data());
                   },
                   0, false}),
    [](const ::testing::TestParamInfo<BudgetCase>& info) { return info.param.title; });

TEST_F(HostLimits, TheMatrixLimitCountsFromWhatACallFindsHeld) {
  SetCallLimits(1, 0);
  // Each store adds 703 KiB: within the limit of its call, whatever is held.
  for (const char* name : {"[mA]", "[mB]", "[mC]"}) {
    EXPECT_GE(SetStrMatrix(MatrixText(name, 300, 300).c_str(), 0, 0), 0) << name;
  }
  EXPECT_EQ(Eval("[mA]*1+[mB]*1").error, -12);  // two copies in one call
  EXPECT_EQ(Eval("[mA]*1").error, -1);
}

// ---- Entries ---------------------------------------------------------------

std::string List(const char* which) {
  std::string buffer(static_cast<std::size_t>(GetVarFuncListLen(which)) + 1, '?');
  buffer.resize(
      static_cast<std::size_t>(GetVarFuncList(buffer.data(), GetVarFuncListLen(which), which)));
  return buffer;
}

struct EntryCase {
  const char* title;
  std::function<int()> call;
  int refused;  // the call's status when refused
};

class EntryLimit : public HostLimits, public ::testing::WithParamInterface<EntryCase> {
 protected:
  // Three entries: a variable, a function and a matrix.
  void Fill() {
    ASSERT_EQ(SetVarFunct("a", "1", 0), 0);
    ASSERT_EQ(SetVarFunct("f", "2", 1), 0);
    ASSERT_GE(SetStrMatrix("[mA];1;2;3;4", 0, 0), 0);
  }
};

double g_cell[2] = {7, 8};

TEST_P(EntryLimit, RefusesANewNameWhenFull) {
  Fill();
  SetCallLimits(0, 3);
  EXPECT_EQ(GetParam().call(), GetParam().refused);
  EXPECT_EQ(GetE_Error(), -12);
  EXPECT_EQ(List("vars"), "a=1;");
  EXPECT_EQ(List("functions"), "f=2;");
  EXPECT_EQ(FindMatrix("[mNew]", 33, nullptr, nullptr), -1);
  EXPECT_EQ(FindMatrix("[mResult]", 33, nullptr, nullptr), -1);
}

TEST_P(EntryLimit, TakesANewNameWithRoomOrWithoutLimit) {
  Fill();
  for (int limit : {6, 0}) {
    SCOPED_TRACE(limit);
    SetCallLimits(0, limit);
    GetParam().call();
    EXPECT_NE(GetE_Error(), -12);
    ClearVarFuncList("vars");
    ClearVarFuncList("functions");
    ClearMatrixList(0);
    Fill();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Calls, EntryLimit,
    ::testing::Values(
        EntryCase{"Variable", [] { return SetVarFunct("b", "2", 0); }, -12},
        EntryCase{"Function", [] { return SetVarFunct("g", "2", 1); }, -12},
        EntryCase{"StrMatrix", [] { return SetStrMatrix("[mNew];1;1;5", 0, 0); }, -12},
        EntryCase{"Matrix", [] { return SetMatrix("[mNew]", g_cell, 1, 2, 0); }, -1},
        EntryCase{"MatrixResult", [] { return static_cast<int>(de_eval("[mA]*2", 0)); }, -12},
        EntryCase{"SolverVariable", [] { return static_cast<int>(dSolve("q^2-4", "q")); }, 0},
        EntryCase{"ManyNamesInOneValue", [] { return SetVarFunct("a", "1;b=2;c=3", 0); }, -12}),
    [](const ::testing::TestParamInfo<EntryCase>& info) { return info.param.title; });

TEST_F(HostLimits, AFullStoreStillReplacesWhatItHolds) {
  ASSERT_EQ(SetVarFunct("a", "1", 0), 0);
  ASSERT_EQ(SetVarFunct("f", "2", 1), 0);
  ASSERT_GE(SetStrMatrix("[mA];1;2;3;4", 0, 0), 0);
  SetCallLimits(0, 3);
  EXPECT_EQ(SetVarFunct("A", "5", 0), 0);
  EXPECT_EQ(SetVarFunct("f", "a*2", 1), 0);
  EXPECT_GE(SetStrMatrix("[mA];2;1;6;7", 0, 0), 0);
  EXPECT_GE(SetMatrix("[mA]", g_cell, 1, 2, 0), 0);
  EXPECT_EQ(List("vars"), "a=5;");
  EXPECT_EQ(Eval("f").value, 10);
  EXPECT_EQ(Eval("det([mA]T*[mA]) + 1").value, 1);

  // Emptying a list makes room again.
  ClearVarFuncList("functions");
  EXPECT_EQ(SetVarFunct("b", "3", 0), 0);
  EXPECT_EQ(SetVarFunct("c", "4", 0), -12);
}

}  // namespace
}  // namespace tarnix_test
