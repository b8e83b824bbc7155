// The matrix store does not grow in a long-running process: evaluations
// drop the temporaries they made and blocks go when nothing refers to them.
#include <gtest/gtest.h>

#include <vector>

#include "DuZuradi/duzuradi.h"
#include "matrix/matrix.h"
#include "matrix/store.h"

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

TEST(StoreOfItsOwn, KeepsItsMatricesAndHandles) {
  ReSetDuZuradi();
  SetDebugF(0);
  const matrix::StoreSize process_wide = matrix::SizeOfStore();
  {
    matrix::MatrixStore own;
    double a[4] = {1, 2, 3, 4};
    const int32_t handle = matrix::SetMatrix(own, "[mOwn]", a, 2, 2, 1);
    EXPECT_GT(handle, 0);
    EXPECT_GT(matrix::SetStrMatrix(own, "[mText];1;2;5;6", 1, 0), 0);
    int32_t rows = 0;
    int32_t cols = 0;
    EXPECT_EQ(
        matrix::FindMatrix(own, "[mOwn]", matrix::kFindByName | matrix::kFindHandle, &rows, &cols),
        handle);
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(cols, 2);
    EXPECT_EQ(
        matrix::FindMatrix("[mOwn]", matrix::kFindByName | matrix::kFindHandle, nullptr, nullptr),
        matrix::kNotFound);
    EXPECT_EQ(matrix::GetMatrixPtrIn(own, handle, &rows, &cols), a);
    double copy[4] = {};
    EXPECT_EQ(matrix::GetMatrixByLong(own, handle, copy, 2, 2), kMatOk);
    EXPECT_EQ(matrix::SizeOfStore(own).named, 2u);
    EXPECT_EQ(matrix::SizeOfStore(own).blocks, 2u);
    const uint64_t mark = matrix::EvaluationMark(own);
    gs.InternalMode = true;  // as while an expression is parsed
    matrix::RegisterInternal(own, matrix::NewBlock(own, 4), 2, 2);
    gs.InternalMode = false;
    EXPECT_EQ(matrix::SizeOfStore(own).entries, 3u);
    matrix::DropTemporaries(own, mark);
    EXPECT_EQ(matrix::SizeOfStore(own).entries, 2u);
    EXPECT_EQ(matrix::SizeOfStore(own).blocks, 2u);
    EXPECT_EQ(matrix::ClearMatrixList(own, 0), kMatOk);
    EXPECT_EQ(matrix::SizeOfStore(own).entries, 0u);
    EXPECT_EQ(matrix::SizeOfStore(own).blocks, 0u);
  }
  const matrix::StoreSize after = matrix::SizeOfStore();
  EXPECT_EQ(after.entries, process_wide.entries);
  EXPECT_EQ(after.blocks, process_wide.blocks);
  EXPECT_EQ(after.named, process_wide.named);
}

}  // namespace
}  // namespace tarnix
