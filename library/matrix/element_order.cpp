// The element order: how a caller's arrays lie in memory. Copies from a
// column-major caller (order 1) are reordered into the library's row-major
// storage; every other setting copies plainly.
#include <cstring>
#include <vector>

#include "../DuZuradi/duzuradi.h"
#include "matrix.h"
#include "store.h"

namespace tarnix::matrix {

int32_t CopyArray(const MatrixStore& ms, const double* src, double* dst, int32_t rows, int32_t cols,
                  SourceOrder order) {
  if (src == nullptr || dst == nullptr || rows <= 0 || cols <= 0) return kMatOk;
  const int64_t count = int64_t{rows} * cols;
  if (ms.ElemOrder != 1 || order == SourceOrder::RowMajor) {
    std::memmove(dst, src, static_cast<std::size_t>(count) * sizeof(double));
    return kMatOk;
  }
  std::vector<double> same;
  if (src == dst) {  // reordering in place needs the source kept aside
    same.assign(src, src + count);
    src = same.data();
  }
  // Element k of a column-major source is (i, j) = (k mod rows, k div rows).
  for (int64_t k = 0; k < count; ++k) {
    const int64_t i = k % rows;
    const int64_t j = k / rows;
    dst[i * cols + j] = src[k];
  }
  return kMatOk;
}

int32_t aCopyArray(const MatrixStore& ms, const double* src, double* dst, int32_t rows,
                   int32_t cols) {
  return CopyArray(ms, src, dst, rows, cols, SourceOrder::Caller);
}

int32_t aElemOrder(MatrixStore& ms, const double* probe) {
  if (probe == nullptr) return kMatInvalidParameter;
  ms.ElemOrder = probe[1] == 2.0 ? 0 : 1;
  return ms.ElemOrder;
}

int32_t aElemOrderSet(MatrixStore& ms, int32_t order) {
  if (order == 0 || order == 1) {
    ms.ElemOrder = order;
    return kMatOk;
  }
  ms.ElemOrder = -1;
  return kMatInvalidElemOrder;
}

int32_t aElemOrderGet(const MatrixStore& ms) { return ms.ElemOrder; }

int32_t aElemOrderSt(MatrixStore& ms, std::string_view language) {
  ms.ElemOrder = (language == "Visual Basic" || language == "VB") ? 1 : 0;
  return ms.ElemOrder;
}

int32_t aElemOrderEx(MatrixStore& ms, void* arg, int32_t mode) {
  switch (mode) {
    case 0: return aElemOrder(ms, static_cast<const double*>(arg));
    case 2:
      if (arg == nullptr) return kMatInvalidParameter;
      return aElemOrderSet(ms, *static_cast<const int32_t*>(arg));
    case 3: return aElemOrderGet(ms);
    default: return kMatUnfinished;
  }
}

}  // namespace tarnix::matrix
