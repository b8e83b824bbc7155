// The matrix store: the list of named matrices and the storage blocks their
// handles stand for. Internal to the matrix engine; its one instance is a
// member of the process-wide engine (engine.h).
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "linalg.h"

namespace tarnix::matrix {

struct MatrixStore;

// A storage block: a caller's array (registered by reference, never freed)
// or a block of the library's own, freed when no entry refers to it. Its
// handle is live in the store that made it until the block goes.
struct Block {
  MatrixStore* owner = nullptr;
  int32_t handle = 0;
  double* data = nullptr;
  bool library_owned = false;
  Work owned;            // the library's storage; empty for a caller's array
  int64_t capacity = 0;  // doubles known to be there
  ~Block();
};

struct MatrixEntry {
  std::string Name;
  std::shared_ptr<Block> Matr;
  bool Internal = false;
  int32_t rows = 1;
  int32_t cols = 1;
  int32_t ListPos = 0;
  bool VectorF = false;
  uint64_t serial = 0;  // order of creation: an evaluation drops the temporaries it made
};

struct MatrixStore {
  std::unordered_set<int32_t> live_handles;  // declared first: blocks outlive it never
  std::list<MatrixEntry> arrList;
  int32_t ElemOrder = -1;
  int32_t next_handle = 1;
  uint64_t next_serial = 0;
  std::size_t named = 0;  // entries that are no internal matrix
  std::string listing;    // the last listing of aPrint and the about text
};

// The process-wide engine's store (a reference bound as the library loads).
extern MatrixStore& store;

// Names are kept trimmed of blanks and in lower case (A-Z and the Latin-1
// capitals 0xC0-0xDE).
std::string StoredName(std::string_view name);

// The functions below work on the store ms they are given; the forms
// without one work on the process-wide store.

// A new block of the library's own for rows x cols doubles, zero-filled.
std::shared_ptr<Block> NewBlock(MatrixStore& ms, int64_t count);
inline std::shared_ptr<Block> NewBlock(int64_t count) { return NewBlock(store, count); }

// The entry whose storage has this handle, or nullptr.
MatrixEntry* FindByHandle(MatrixStore& ms, int32_t handle);
inline MatrixEntry* FindByHandle(int32_t handle) { return FindByHandle(store, handle); }

// Appends an internal or caller entry without a name look-up; returns it.
MatrixEntry& AppendEntry(MatrixStore& ms, std::string name, std::shared_ptr<Block> block,
                         int32_t rows, int32_t cols);

// Registers a block of the library's own as the internal matrix
// "m_" + handle, with the log lines of SetMatrix.
MatrixEntry& RegisterInternal(MatrixStore& ms, std::shared_ptr<Block> block, int32_t rows,
                              int32_t cols);
inline MatrixEntry& RegisterInternal(std::shared_ptr<Block> block, int32_t rows, int32_t cols) {
  return RegisterInternal(store, std::move(block), rows, cols);
}

// Registers block under name as SetMatrix does (look-up, copy or replace).
int32_t RegisterBlock(MatrixStore& ms, std::string_view name, std::shared_ptr<Block> block,
                      int32_t rows, int32_t cols, bool ret_handle);
inline int32_t RegisterBlock(std::string_view name, std::shared_ptr<Block> block, int32_t rows,
                             int32_t cols, bool ret_handle) {
  return RegisterBlock(store, name, std::move(block), rows, cols, ret_handle);
}

// Gives entry the dimensions rows x cols, growing its block when needed.
void Reshape(MatrixEntry& entry, int32_t rows, int32_t cols);

// The handle a matrix operand's value stands for (0 when it is none).
int32_t HandleOf(double value);

}  // namespace tarnix::matrix
