// Allocations that fail inside an export: each export that allocates is run
// again and again with its first, second, third ... allocation failing,
// until a run needs no more allocations than it got. Every failing run must
// come back through the C interface with the export's failure value and the
// error -12, leave the library usable, and change no caller's array.
#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "tarnix_test.h"

namespace {

// The allocation hook of this test binary: while armed, the countdown-th
// allocation throws std::bad_alloc; every other one is plain malloc.
bool g_armed = false;
bool g_failed = false;
long g_countdown = 0;

void Arm(long nth) {
  g_failed = false;
  g_countdown = nth;
  g_armed = true;
}

// Disarms; true when an allocation was made to fail.
bool Disarm() {
  g_armed = false;
  return g_failed;
}

// Kept out of line so that the compiler does not pair it with operator new.
[[gnu::noinline]] void Release(void* p) noexcept { std::free(p); }

}  // namespace

void* operator new(std::size_t size) {
  if (g_armed && --g_countdown == 0) {
    g_armed = false;
    g_failed = true;
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }

namespace tarnix_test {
namespace {

class AllocationFailure : public Engine {
 protected:
  void TearDown() override {
    Disarm();
    aElemOrderSet(0);
    Engine::TearDown();
  }
};

double g_square[9] = {2, 1, 0, 1, 3, 1, 0, 1, 4};
double g_result = 0;

std::string Shown(double value) { return std::to_string(value); }
std::string Shown(const char* text) { return text != nullptr ? text : "(null)"; }

// Calls an export and disarms before its result is turned into a text (which
// allocates in the test, not in the library).
template <class F>
std::string Call(F call) {
  const auto result = call();
  Disarm();  // what it says stays readable until the next Arm
  return Shown(result);
}

struct Case {
  const char* name;
  std::function<void()> prepare;     // unarmed, before every run
  std::function<std::string()> run;  // the export, its result as text
  std::string failure;               // the export's failure value as text
};

std::vector<Case> Cases() {
  auto matrices = [] {
    ReSetDuZuradi();
    SetStrMatrix("mA;3;3;2;1;0;1;3;1;0;1;4", 0, 0);
    SetVarFunct("k", "2", 0);
  };
  auto nothing = [] { ReSetDuZuradi(); };
  return {
      {"e_eval of matrices", matrices,
       [] { return Call([&] { return e_eval("([mA]*[mA]I+k)^2", &g_result, 0); }); }, "-12.000000"},
      {"e_eval of numbers", matrices,
       [] { return Call([&] { return e_eval("max(k;3;sin(k))+k*2", &g_result, 0); }); },
       "-12.000000"},
      {"de_eval of a matrix", matrices, [] { return Call([&] { return de_eval("[mA]T*2", 0); }); },
       "-12.000000"},
      {"e_evals", matrices,
       [] {
         double xs[5], ys[5], info[5];
         return Call([&] { return e_evals("x*k+1", 0, "x", 1, 4, xs, ys, info); });
       },
       "-12.000000"},
      {"SetMatrix", nothing,
       [] { return Call([&] { return SetMatrix("mB", g_square, 3, 3, 0); }); }, "-1.000000"},
      {"SetStrMatrix", nothing,
       [] { return Call([&] { return SetStrMatrix("mC;2;2;1;2;3;k", 0, 1); }); }, "-12.000000"},
      {"SetVarFunct", nothing, [] { return Call([&] { return SetVarFunct("f", "x^2+1", 1); }); },
       "-12.000000"},
      {"aInv", nothing,
       [] {
         double a[9] = {2, 1, 0, 1, 3, 1, 0, 1, 4};
         return Call([&] { return aInv(a, 3); });
       },
       "0.000000"},
      {"aMultEx", nothing,
       [] {
         double r[9];
         return Call([&] { return aMultEx(g_square, 3, 3, g_square, 3, 3, r); });
       },
       "0.000000"},
      {"aPrint", nothing,
       [] { return Call([&] { return aPrint(g_square, 3, 3, "String", "0.00", "", ""); }); }, ""},
      {"Integrate", matrices,
       [] { return Call([&] { return Integrate("x^2*k", 0, 1, 10, 2, "x", &g_result); }); },
       "-12.000000"},
      {"sSolve", nothing, [] { return Call([&] { return sSolve("x^2-4", "x", 20); }); }, ""},
      {"Poly_dydx", nothing, [] { return Call([&] { return Poly_dydx("3*x^2-x", "x"); }); }, ""},
      {"aCalcCoeffPolin", nothing,
       [] {
         double points[6] = {0, 1, 2, 1, 3, 7};
         double coeff[2];
         return Call([&] { return aCalcCoeffPolin(points, 3, 2, coeff); });
       },
       "0.000000"},
  };
}

// Runs c with its n-th allocation failing for n = 1, 2, ... and checks every
// run that met a failure; returns how many did.
int RunsWithFailures(const Case& c) {
  c.prepare();
  const std::string expected = c.run();
  int failing_runs = 0;
  for (long nth = 1; nth < 10000; ++nth) {
    c.prepare();
    Arm(nth);
    const std::string got = c.run();
    if (!Disarm()) {
      EXPECT_EQ(got, expected) << c.name << ": run without a failure";
      break;
    }
    ++failing_runs;
    EXPECT_EQ(got, c.failure) << c.name << ": allocation " << nth << " failed";
    EXPECT_EQ(GetE_Error(), -12) << c.name << ": allocation " << nth << " failed";
    // The library goes on as if the failed call had not been.
    c.prepare();
    EXPECT_EQ(c.run(), expected) << c.name << ": after allocation " << nth << " failed";
  }
  return failing_runs;
}

TEST_F(AllocationFailure, EveryFailingAllocationGivesTheFailureValueAndMinus12) {
  for (const Case& c : Cases()) {
    EXPECT_GT(RunsWithFailures(c), 0) << c.name << " allocates nothing: the case tests nothing";
  }
}

// Reordering a column-major array in place keeps the source aside first:
// when that memory cannot be had, the array is left as it was.
TEST_F(AllocationFailure, AnInPlaceColumnMajorCopyFailsWithoutTouchingTheArray) {
  ASSERT_EQ(aElemOrderSet(1), -1);
  double a[6] = {1, 2, 3, 4, 5, 6};
  Arm(1);
  EXPECT_EQ(aCopyArray(a, a, 2, 3), 0);
  ASSERT_TRUE(Disarm());
  EXPECT_EQ(GetE_Error(), -12);
  EXPECT_EQ(std::vector<double>(a, a + 6), (std::vector<double>{1, 2, 3, 4, 5, 6}));

  EXPECT_EQ(aCopyArray(a, a, 2, 3), -1);  // columns (1 2) (3 4) (5 6) become rows
  EXPECT_EQ(std::vector<double>(a, a + 6), (std::vector<double>{1, 3, 5, 2, 4, 6}));
}

}  // namespace
}  // namespace tarnix_test
