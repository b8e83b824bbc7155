// Matrix listings: "mA(i, j)=value" rows for a matrix, "vE(i)=value" lines
// for a vector, sent to a message box, the message log, or only back.
#include <charconv>
#include <cstring>

#include "../DuZuradi/duzuradi.h"
#include "linalg.h"
#include "matrix.h"
#include "store.h"

namespace tarnix::matrix {
namespace {

// Decimals are the characters after the first point of the format (4
// without a point); more than 100 would only pad the text.
int Decimals(std::string_view format) {
  const std::size_t point = format.find('.');
  if (point == std::string_view::npos) return 4;
  return static_cast<int>(std::min<std::size_t>(format.size() - point - 1, 100));
}

void AppendValue(std::string& out, double value, int decimals) {
  char buf[512];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  out.append(buf, res.ec == std::errc() ? res.ptr : buf);
}

std::string Listing(const MatrixStore& ms, const double* A, int32_t rows, int32_t cols,
                    std::string_view format, std::string_view header, std::string_view sep) {
  const int decimals = Decimals(format);
  const std::string_view separator = sep.empty() ? std::string_view("\t") : sep;
  std::string text(header);
  text += kCrLf;
  if (A == nullptr || rows < 1 || cols < 1) return text;
  const Work m = OrderedCopy(ms, A, rows, cols);
  if (rows > 1 && cols > 1) {
    for (int32_t i = 0; i < rows; ++i) {
      if (i > 0) text += kCrLf;
      for (int32_t j = 0; j < cols; ++j) {
        text += "mA(" + std::to_string(i) + ", " + std::to_string(j) + ")=";
        AppendValue(text, m[static_cast<std::size_t>(i) * cols + j], decimals);
        text += separator;
      }
    }
  } else {
    for (std::size_t k = 0; k < m.size(); ++k) {
      if (k > 0) text += kCrLf;
      text += "vE(" + std::to_string(k) + ")=";
      AppendValue(text, m[k], decimals);
    }
  }
  return text;
}

}  // namespace

const char* aPrint(State& st, MatrixStore& ms, const double* A, int32_t rows, int32_t cols,
                   std::string_view dest, std::string_view format, std::string_view header,
                   std::string_view sep, int32_t debug_flags) {
  ms.listing = Listing(ms, A, rows, cols, format, header, sep);
  if (dest.empty() || dest == "MsgBox") {
    ShowMessageBox(st, ms.listing, "Tarnnix.dll");
  } else if (dest == "Debug" && debug_flags != 0) {
    EmitMessageBy(st, debug_flags, ms.listing, "", 0);
  }
  return ReturnText(st, ms.listing);
}

const char* aPrint(State& st, MatrixStore& ms, const double* A, int32_t rows, int32_t cols,
                   std::string_view dest, std::string_view format, std::string_view header,
                   std::string_view sep) {
  return aPrint(st, ms, A, rows, cols, dest, format, header, sep, st.DebugFlags);
}

int32_t aPrintEx(State& st, MatrixStore& ms, const double* A, int32_t rows, int32_t cols,
                 std::string_view dest, std::string_view format, std::string_view header,
                 std::string_view sep, char* buffer) {
  // The buffer's content measures its capacity: an empty one has none.
  const std::size_t capacity = buffer == nullptr ? 0 : std::strlen(buffer);
  if (capacity == 0) return kErrCannotReturnText;
  const char* listing = aPrint(st, ms, A, rows, cols, dest, format, header, sep);
  const std::size_t n = std::min(std::strlen(listing), capacity);
  std::memcpy(buffer, listing, n);
  if (n < capacity) buffer[n] = '\0';
  return static_cast<int32_t>(n);
}

// A box whatever the debug flags say, and nothing for the log. The flags
// are the print's own: a handler that calls back while the box is open
// finds the message route as the host set it.
const char* aShow(State& st, MatrixStore& ms, const double* A, int32_t rows, int32_t cols) {
  constexpr int32_t kNoLog = 1;
  return aPrint(st, ms, A, rows, cols, "MsgBox", "", "", "", kNoLog);
}

const char* aShowByLong(State& st, MatrixStore& ms, int32_t handle, int32_t rows, int32_t cols) {
  const MatrixEntry* e = FindByHandle(ms, handle);
  if (e == nullptr || rows < 0 || cols < 0 || int64_t{rows} * cols > e->Matr->capacity) {
    return ReturnText(st, "");
  }
  return aShow(st, ms, e->Matr->data, rows, cols);
}

}  // namespace tarnix::matrix
