// The matrix store does not grow in a long-running process: evaluations
// drop the temporaries they made and blocks go when nothing refers to them.
#include <gtest/gtest.h>

#include <vector>

#include "DuZuradi/duzuradi.h"
#include "matrix/matrix.h"

namespace tarnix {
namespace {

TEST(StoreSize, StaysFlatOverManyEvaluations) {
  ReSetDuZuradi();
  SetDebugF(0);
  double a[4] = {4, 7, 2, 6};
  matrix::SetMatrix("[mA]", a, 2, 2, 0);
  matrix::SetStrMatrix("[mB];2;2;1;2;3;4", 0, 0);
  double value = 0;
  std::vector<double> xs(5), ys(5), info(5);
  auto round = [&] {
    Eval("det([mA]*[mB]I)", &value, 0);  // scalar result
    Eval("[mA]*[mB]", &value, 0);        // matrix result: kept until the next one
    DEval("[mA]+[mB]", 0);               // published as [mResult]
    Eval("[mA]*[mB]+[mX]", &value, 0);   // an error half-way
    DEval("trace([mA]^3)", 0);
    EvalRange("det([mA]*q)", 0, "q", 1, 4, xs.data(), ys.data(), info.data());
  };
  round();  // the latest result and [mResult], with its own block, are there
  round();  // from the second round on
  const matrix::StoreSize before = matrix::SizeOfStore();
  for (int i = 0; i < 20000; ++i) round();

  const matrix::StoreSize after = matrix::SizeOfStore();
  EXPECT_EQ(after.entries, before.entries);
  EXPECT_EQ(after.blocks, before.blocks);
  EXPECT_EQ(ys[4], 10);
}

TEST(StoreSize, ClearingEverythingFreesEveryLibraryBlock) {
  ReSetDuZuradi();
  matrix::SetStrMatrix("[mB];2;2;1;2;3;4", 0, 0);
  double value = 0;
  Eval("[mB]*2", &value, 0);
  DEval("[mB]T", 0);
  EXPECT_GT(matrix::SizeOfStore().blocks, 0u);
  ReSetDuZuradi();
  EXPECT_EQ(matrix::SizeOfStore().entries, 0u);
  EXPECT_EQ(matrix::SizeOfStore().blocks, 0u);
}

}  // namespace
}  // namespace tarnix
