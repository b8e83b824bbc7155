// arrList, the store of named matrices: registration, look-up and clearing.
// Where callers once saw storage addresses they see handles: a handle names
// a storage block, and an unknown handle never reaches memory.
#include "store.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "../DuZuradi/duzuradi.h"
#include "matrix.h"

namespace tarnix::matrix {

namespace {

const char* Flag(bool value) { return value ? "-1" : "0"; }

// Handles count up and wrap after 2^31 - 1, skipping those still in use.
int32_t NewHandle(MatrixStore& ms) {
  for (;;) {
    const int32_t h = ms.next_handle;
    ms.next_handle = h == INT32_MAX ? 1 : h + 1;
    if (ms.live_handles.insert(h).second) return h;
  }
}

// The block standing for a caller's array: the one already registered for
// that array, or a new one.
std::shared_ptr<Block> CallerBlock(MatrixStore& ms, double* data, int64_t count) {
  for (MatrixEntry& e : ms.arrList) {
    if (!e.Matr->library_owned && e.Matr->data == data) {
      e.Matr->capacity = std::max(e.Matr->capacity, count);
      return e.Matr;
    }
  }
  auto block = std::make_shared<Block>();
  block->owner = &ms;
  block->handle = NewHandle(ms);
  block->data = data;
  block->capacity = count;
  return block;
}

std::string EntryLines(const MatrixEntry& e, const std::string* exit_code) {
  std::string text = "Name = " + e.Name;
  text += "\r\nMatr = " + std::to_string(e.Matr->handle);
  text += "\r\nInternal = ";
  text += Flag(e.Internal);
  text += "\r\nrow = " + std::to_string(e.rows);
  text += "\r\ncols = " + std::to_string(e.cols);
  text += "\r\nListPos = " + std::to_string(e.ListPos);
  if (exit_code != nullptr) text += "\r\nExitCode = " + *exit_code;
  text += "\r\nVectorF = ";
  text += Flag(e.VectorF);
  return text;
}

void TraceRegistration(MatrixStore& ms, std::string_view name, int32_t rows, int32_t cols,
                       int32_t position, const MatrixEntry& e, int32_t result) {
  // The entry always goes to the log, line by line, when logging is on.
  if (TraceReachesLog()) EmitMessage(EntryLines(e, nullptr), "", 0);
  if ((gs.MsgMode & kMsgStoreTrace) == 0) return;
  std::string report = "MatrName=";
  report += name;
  report += "\r\nrows=" + std::to_string(rows);
  report += "\r\ncols=" + std::to_string(cols);
  report += "\r\narrPos=" + std::to_string(position);
  report += "\r\nvectorF=";
  report += Flag(rows == 1 || cols == 1);
  report += "\r\n";
  const std::string exit_code = std::to_string(result);
  report += EntryLines(e, &exit_code);
  EmitMessage(report, "SetMatrix", gs.MsgMode);
  aShow(gs, ms, e.Matr->data, e.rows, e.cols);
}

MatrixEntry* EntryAt(MatrixStore& ms, int32_t position) {
  if (position < 0) return nullptr;
  auto it = ms.arrList.begin();
  for (int32_t i = 0; i < position && it != ms.arrList.end(); ++i) ++it;
  return it == ms.arrList.end() ? nullptr : &*it;
}

void ReportStrMatrix(std::string_view text) { Report(text); }

}  // namespace

Block::~Block() {
  if (owner != nullptr) owner->live_handles.erase(handle);
}

std::string StoredName(std::string_view name) { return LowerCase(TrimView(name, kSpaceOnly)); }

std::shared_ptr<Block> NewBlock(MatrixStore& ms, int64_t count) {
  auto block = std::make_shared<Block>();
  block->owner = &ms;
  block->handle = NewHandle(ms);
  block->library_owned = true;
  block->owned.assign(static_cast<std::size_t>(std::max<int64_t>(count, 1)), 0.0);
  block->data = block->owned.data();
  block->capacity = static_cast<int64_t>(block->owned.size());
  return block;
}

int32_t HandleOf(double value) {
  if (!(value >= 1.0 && value <= 2147483647.0) || value != static_cast<int32_t>(value)) return 0;
  return static_cast<int32_t>(value);
}

MatrixEntry* FindByHandle(MatrixStore& ms, int32_t handle) {
  if (handle <= 0) return nullptr;
  for (MatrixEntry& e : ms.arrList) {
    if (e.Matr->handle == handle) return &e;
  }
  return nullptr;
}

MatrixEntry& AppendEntry(MatrixStore& ms, std::string name, std::shared_ptr<Block> block,
                         int32_t rows, int32_t cols) {
  MatrixEntry e;
  e.Name = std::move(name);
  e.Matr = std::move(block);
  e.Internal = gs.InternalMode;
  e.rows = rows;
  e.cols = cols;
  e.ListPos = static_cast<int32_t>(ms.arrList.size());
  e.VectorF = rows == 1 || cols == 1;
  e.serial = ms.next_serial++;
  ms.arrList.push_back(std::move(e));
  if (!ms.arrList.back().Internal) ++ms.named;
  return ms.arrList.back();
}

void Reshape(MatrixEntry& entry, int32_t rows, int32_t cols) {
  const int64_t count = int64_t{rows} * cols;
  Block& block = *entry.Matr;
  if (count > block.capacity && block.library_owned) {
    block.owned.resize(static_cast<std::size_t>(count), 0.0);
    block.data = block.owned.data();
    block.capacity = count;
  }
  entry.rows = rows;
  entry.cols = cols;
  entry.VectorF = rows == 1 || cols == 1;
}

int32_t FindMatrix(MatrixStore& ms, std::string_view name, int32_t param_tp, int32_t* rows,
                   int32_t* cols) {
  const std::string key = StoredName(name);
  const bool by_handle = (param_tp & kFindByHandle) != 0;
  const bool by_name = !by_handle && (param_tp & kFindByName) != 0;
  const bool trace = (gs.MsgMode & kMsgStoreTrace) != 0;
  std::string report;
  if (trace) {
    report = "MatrName=" + key;
    report += "\r\nParam Tp=" + std::to_string(param_tp);
    report += "\r\nrows=" + std::to_string(rows != nullptr ? *rows : 0);
    report += "\r\ncols=" + std::to_string(cols != nullptr ? *cols : 0);
  }
  int32_t result = kNotFound;
  int32_t index = 0;
  for (const MatrixEntry& e : ms.arrList) {
    std::string handle_text;
    std::string_view candidate;
    if (by_handle) {
      handle_text = std::to_string(e.Matr->handle);
      candidate = handle_text;
    } else if (by_name) {
      candidate = e.Name;
    }
    if (trace) {
      report += "\r\nnm2 = ";
      report += candidate;
    }
    if ((by_handle || by_name) && candidate == key) {
      if ((param_tp & kFindHandle) != 0) {
        result = e.Matr->handle;
      } else if ((param_tp & kFindPosition) != 0) {
        result = index;
      }
      if (rows != nullptr) *rows = e.rows;
      if (cols != nullptr) *cols = e.cols;
      if (trace) {
        report += "\r\narrList() found\r\narrList()\\Matr = " + std::to_string(e.Matr->handle);
        report += "\r\n\\rows=" + std::to_string(e.rows);
        report += "\r\n\\cols=" + std::to_string(e.cols);
        report += "\r\nii=" + std::to_string(index);
      }
      break;
    }
    ++index;
  }
  if (trace) EmitMessage(report, "FindMatrix", gs.MsgMode);
  return result;
}

MatrixEntry& RegisterInternal(MatrixStore& ms, std::shared_ptr<Block> block, int32_t rows,
                              int32_t cols) {
  std::string name = "m_" + std::to_string(block->handle);
  MatrixEntry& entry = AppendEntry(ms, name, std::move(block), rows, cols);
  TraceRegistration(ms, name, rows, cols, -1, entry, entry.Matr->handle);
  return entry;
}

int32_t RegisterBlock(MatrixStore& ms, std::string_view name, std::shared_ptr<Block> block,
                      int32_t rows, int32_t cols, bool ret_handle) {
  rows = std::max(rows, 1);
  cols = std::max(cols, 1);
  const int32_t position = FindMatrix(ms, name, kFindByName | kFindPosition, nullptr, nullptr);
  MatrixEntry* entry = EntryAt(ms, position);
  int32_t result;
  if (entry == nullptr) {
    if (!gs.InternalMode && EntriesRoom() == 0) throw LimitExceeded{};
    entry = &AppendEntry(ms, StoredName(name), std::move(block), rows, cols);
    result = ret_handle ? entry->Matr->handle : entry->ListPos;
  } else if (entry->rows == rows && entry->cols == cols) {
    // Same dimensions: the new values go into the storage the entry has. The
    // element order governs copies from a caller's array; the library's own
    // blocks are row-major already.
    if (entry->Matr->data != block->data) {
      if (block->library_owned) {
        std::memmove(entry->Matr->data, block->data,
                     static_cast<std::size_t>(rows) * cols * sizeof(double));
      } else {
        aCopyArray(ms, block->data, entry->Matr->data, rows, cols);
      }
    }
    result = ret_handle ? entry->Matr->handle : position;
  } else {
    entry->Matr = std::move(block);
    entry->rows = rows;
    entry->cols = cols;
    entry->VectorF = rows == 1 || cols == 1;
    // The position where the entry stands now: ListPos is where it was
    // appended, and entries before it may have gone since.
    result = ret_handle ? entry->Matr->handle : position;
  }
  TraceRegistration(ms, name, rows, cols, position, *entry, result);
  return result;
}

int32_t SetMatrix(MatrixStore& ms, std::string_view name, double* matr, int32_t rows, int32_t cols,
                  uint8_t ret_handle) {
  // A caller's array must exist and have a size: a negative dimension or no
  // array is refused instead of being registered.
  if (matr == nullptr || rows < 0 || cols < 0) {
    gs.e_error = kMatInvalidParameter;
    return kNotRegistered;
  }
  const int32_t r = std::max(rows, 1);
  const int32_t c = std::max(cols, 1);
  return RegisterBlock(ms, name, CallerBlock(ms, matr, int64_t{r} * c), r, c, ret_handle != 0);
}

int32_t SetStrMatrix(MatrixStore& ms, std::string_view text, uint8_t ret_handle,
                     uint8_t eval_elems) {
  gs.e_error = kNoError;
  if (text.empty()) {
    std::string report = "Procedure: SetStrMatrix, nr. 10c\r\nInvalid function parameter, '";
    report += text;
    report += "'.";
    Fail(kErrInvalidParameter);
    ReportStrMatrix(report);
    return kErrInvalidParameter;
  }
  std::string work(TrimView(text, kSpaceOnly));
  if (work.empty() || work.back() != ';') work += ';';

  std::vector<std::string_view> fields;
  for (std::size_t start = 0; start < work.size();) {
    const std::size_t end = work.find(';', start);
    fields.push_back(TrimView(std::string_view(work).substr(start, end - start), kSpaceOnly));
    start = end + 1;
  }
  auto field = [&fields](std::size_t i) {
    return i < fields.size() ? fields[i] : std::string_view();
  };

  const std::string name(field(0));
  // Sizes are whole numbers as written: "2.5" or "x" read as 2 or 0 would
  // build another matrix than the one the text describes.
  auto size = [&field](std::size_t i) {
    const double v = ReadNumber(field(i));
    return IsWholeNumber(field(i)) && v == std::trunc(v) ? TruncToInt32(v) : -1;
  };
  const int32_t rows = size(1);
  const int32_t cols = size(2);
  if (name.empty() || (rows == 0 && cols == 0) || rows < 0 || cols < 0) {
    Fail(kErrWrongStringMatrix);
    ReportStrMatrix(
        "Procedure: SetStrMatrix, nr. 10a\r\nWrong string matrix name or dimensions."
        "\r\n\r\nDebug:\r\n   MatrixName = " +
        name + "\r\n   Rows = " + std::to_string(rows) + "\r\n   Cols = " + std::to_string(cols));
    return kErrWrongStringMatrix;
  }
  const int32_t build_rows = std::max(rows, 1);
  const int32_t build_cols = std::max(cols, 1);
  const int64_t count = int64_t{build_rows} * build_cols;

  // Elements are read before any storage is taken: a text cannot ask for
  // more memory than it has elements.
  std::vector<double> elements;
  for (int64_t k = 0; k < count; ++k) {
    const std::string_view f = field(static_cast<std::size_t>(3 + k));
    if (f.empty()) {
      Fail(kErrTooFewElements);
      ReportStrMatrix(
          "Procedure: SetStrMatrix, nr. 10b\r\nNot enought string matrix elements."
          "\r\n   Should be: " +
          std::to_string(count) + ", are: " + std::to_string(k) +
          "\r\n\r\nDebug:\r\n   MatrixName = " + name +
          "\r\n   row = " + std::to_string(k / build_cols + 1) + "\r\n   col = " +
          std::to_string(k % build_cols + 1) + "\r\n   value = '" + std::string(f) + "'");
      return kErrTooFewElements;
    }
    double value = 0.0;
    bool number = true;
    if (eval_elems != 0) {
      const std::string expr(f);
      const int32_t code = Eval(expr, &value, 0);
      // An element that does not evaluate fails the whole matrix.
      if (gs.e_error != kNoError) return gs.e_error;
      number = code == 0;  // a matrix's value is its handle, no element
      if (number && TraceReachesLog()) EmitMessage(Fixed10(value), "", 0);
    } else {
      value = ReadNumber(f);
      number = IsWholeNumber(f);
    }
    if (!number) {
      Fail(kErrWrongStringMatrix);
      ReportStrMatrix(
          "Procedure: SetStrMatrix, nr. 10d\r\nElement is no number."
          "\r\n\r\nDebug:\r\n   MatrixName = " +
          name + "\r\n   row = " + std::to_string(k / build_cols + 1) + "\r\n   col = " +
          std::to_string(k % build_cols + 1) + "\r\n   value = '" + std::string(f) + "'");
      return kErrWrongStringMatrix;
    }
    elements.push_back(value);
  }

  std::shared_ptr<Block> block = NewBlock(ms, count);
  aCopyArray(ms, elements.data(), block->data, build_rows, build_cols);
  gs.e_error = kNoError;
  return RegisterBlock(ms, name, std::move(block), rows, cols, ret_handle != 0);
}

int32_t ClearMatrixList(MatrixStore& ms, int32_t handle) {
  const bool logging = TraceReachesLog();
  if (logging) {
    EmitMessage("", "", 0);
    EmitMessage("ClearMatrixList", "", 0);
  }
  const bool trace = (gs.MsgMode & kMsgStoreTrace) != 0;
  for (auto it = ms.arrList.begin(); it != ms.arrList.end();) {
    const bool drop = handle == 0 || (it->Internal && it->Matr->handle != handle);
    if (logging) {
      std::string line = "arrList() = " + it->Name;
      if (handle == 0) {
        line += "   deleted";
      } else if (drop) {
        line += "   internal - deleted";
      } else {
        line += " (" + std::to_string(it->Matr->handle) + ")   kept";
      }
      EmitMessage(line, "", 0);
    }
    if (trace) {
      std::string printed(1000, ' ');
      aPrintEx(gs, ms, it->Matr->data, it->rows, it->cols, "String", "", "", "", printed.data());
      printed.resize(std::strlen(printed.c_str()));
      std::string summary = "MatrName = " + it->Name + "\r\n*aPtr = " + std::to_string(handle) +
                            (drop ? " => deleted" : " => kept") + "\r\n" + printed;
      EmitMessage(summary, "ClearMatrixList", 0);
    }
    if (drop && !it->Internal) --ms.named;
    it = drop ? ms.arrList.erase(it) : std::next(it);
  }
  return kMatOk;
}

int32_t GetMatrixByLong(MatrixStore& ms, int32_t handle, double* dst, int32_t rows, int32_t cols) {
  const MatrixEntry* e = FindByHandle(ms, handle);
  if (e == nullptr) return kMatNotDefined;
  if (dst == nullptr || rows < 0 || cols < 0 || int64_t{rows} * cols > e->Matr->capacity) {
    return kMatInvalidParameter;
  }
  return aCopyArray(ms, e->Matr->data, dst, rows, cols);
}

const double* GetMatrixPtrIn(MatrixStore& ms, int32_t handle, int32_t* rows, int32_t* cols) {
  const MatrixEntry* e = FindByHandle(ms, handle);
  if (e == nullptr) return nullptr;
  if (rows != nullptr) *rows = e->rows;
  if (cols != nullptr) *cols = e->cols;
  return e->Matr->data;
}

namespace {

// The evaluator hands every step the context the store's steps were made
// with: the store they work on.
MatrixStore& StoreOf(void* context) { return *static_cast<MatrixStore*>(context); }

Value StepLoadOperand(State& st, void* context, std::string_view name, char suffix) {
  return LoadOperand(st, StoreOf(context), name, suffix);
}
Value StepSumSubt(State& st, void* context, char op, Value left, Value right) {
  return CalcMatrixSumSubt(st, StoreOf(context), op, left, right);
}
Value StepDivMult(State& st, void* context, char op, Value left, Value right) {
  return CalcMatrixDivMult(st, StoreOf(context), op, left, right);
}
Value StepFunction(State& st, void* context, std::string_view name, Value a1, Value a2, Value a3) {
  return CalcMatrFunct(st, StoreOf(context), name, a1, a2, a3);
}
void StepPublish(State& st, void* context, double handle) {
  PublishResult(st, StoreOf(context), handle);
}
uint64_t StepMark(void* context) { return EvaluationMark(StoreOf(context)); }
void StepDrop(void* context, uint64_t mark) { DropTemporaries(StoreOf(context), mark); }
int32_t StepClear(void* context, int32_t handle) {
  return ClearMatrixList(StoreOf(context), handle);
}
std::size_t StepNamed(void* context) { return StoreOf(context).named; }

}  // namespace

// The steps the evaluator reaches matrices through: the evaluator lies below
// the matrix engine and includes none of it.
MatrixSteps StoreSteps(MatrixStore& ms) {
  return {&ms,       &StepLoadOperand, &StepSumSubt, &StepDivMult,  &StepFunction, &StepPublish,
          &StepMark, &StepDrop,        &StepClear,   &GetMatrixPtr, &StepNamed};
}

StoreSize SizeOfStore(const MatrixStore& ms) {
  return {ms.arrList.size(), ms.live_handles.size(), ms.named};
}

uint64_t EvaluationMark(const MatrixStore& ms) { return ms.next_serial; }

void DropTemporaries(MatrixStore& ms, uint64_t mark) {
  ms.arrList.remove_if([mark](const MatrixEntry& e) { return e.Internal && e.serial >= mark; });
}

// ---- The same on the process-wide store ------------------------------------

int32_t SetMatrix(std::string_view name, double* matr, int32_t rows, int32_t cols,
                  uint8_t ret_handle) {
  return SetMatrix(store, name, matr, rows, cols, ret_handle);
}
int32_t SetStrMatrix(std::string_view text, uint8_t ret_handle, uint8_t eval_elems) {
  return SetStrMatrix(store, text, ret_handle, eval_elems);
}
int32_t FindMatrix(std::string_view name, int32_t param_tp, int32_t* rows, int32_t* cols) {
  return FindMatrix(store, name, param_tp, rows, cols);
}
int32_t ClearMatrixList(int32_t handle) { return ClearMatrixList(store, handle); }
int32_t GetMatrixByLong(int32_t handle, double* dst, int32_t rows, int32_t cols) {
  return GetMatrixByLong(store, handle, dst, rows, cols);
}
const double* GetMatrixPtr(int32_t handle, int32_t* rows, int32_t* cols) {
  return GetMatrixPtrIn(store, handle, rows, cols);
}
StoreSize SizeOfStore() { return SizeOfStore(store); }
uint64_t EvaluationMark() { return EvaluationMark(store); }
void DropTemporaries(uint64_t mark) { DropTemporaries(store, mark); }

}  // namespace tarnix::matrix
