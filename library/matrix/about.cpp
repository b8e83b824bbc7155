// The library's about text and the version reader behind it. Each binary
// of the system carries its version (major.minor.release.build): on Linux
// as a stamp that DisplayVerInfo finds in the file, on Windows as the
// VERSIONINFO resource that Windows itself shows for the file.
#include <sys/stat.h>
#if defined(_WIN32)
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "../DuZuradi/duzuradi.h"
#include "matrix.h"
#include "store.h"

namespace tarnix::matrix {
namespace {

#if defined(_WIN32)

// The file and product versions of the version resource of the regular
// file at path. 0: none there; -1: found; otherwise the system error number
// of a failed read.
int ReadStamp(const std::string& path, std::string& file, std::string& product) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return 0;  // no resource, or no module at all
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) {
    return static_cast<int>(GetLastError());
  }
  void* block = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), "\\", &block, &length) || length < sizeof(VS_FIXEDFILEINFO)) {
    return 0;
  }
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(block);
  const auto four = [](DWORD high, DWORD low) {
    return std::to_string(HIWORD(high)) + '.' + std::to_string(LOWORD(high)) + '.' +
           std::to_string(HIWORD(low)) + '.' + std::to_string(LOWORD(low));
  };
  file = four(info->dwFileVersionMS, info->dwFileVersionLS);
  product = four(info->dwProductVersionMS, info->dwProductVersionLS);
  return -1;
}

#else

// The marker is put together at run time, so that this code's own text is
// not taken for a stamp.
std::string StampMarker() {
  std::string marker = "\x7f";
  marker += "TARNIX-VERSION-STAMP";
  marker += '\x7f';
  return marker;
}

constexpr std::size_t kMaxScanned = std::size_t{512} << 20;

// "a.b.c.d" with four decimal numbers, or empty.
std::string FourNumbers(std::string_view text) {
  int dots = 0;
  for (char c : text) {
    if (c == '.') {
      ++dots;
    } else if (c < '0' || c > '9') {
      return {};
    }
  }
  return dots == 3 && text.size() <= 23 ? std::string(text) : std::string();
}

bool ParseStamp(std::string_view text, std::string& file, std::string& product) {
  constexpr std::string_view kFile = "FileVersion=";
  constexpr std::string_view kProduct = ";ProductVersion=";
  if (text.substr(0, kFile.size()) != kFile) return false;
  const std::size_t mid = text.find(kProduct);
  if (mid == std::string_view::npos) return false;
  const std::size_t end = text.find(';', mid + kProduct.size());
  if (end == std::string_view::npos) return false;
  file = FourNumbers(text.substr(kFile.size(), mid - kFile.size()));
  product = FourNumbers(text.substr(mid + kProduct.size(), end - mid - kProduct.size()));
  return !file.empty() && !product.empty();
}

// Looks for the stamp in the regular file at path. 0: none there; -1: found;
// otherwise the system error number of a failed read.
int ReadStamp(const std::string& path, std::string& file, std::string& product) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) return 0;
  const std::string marker = StampMarker();
  constexpr std::size_t kChunk = std::size_t{1} << 20;
  constexpr std::size_t kTail = 128;  // the marker and the stamp after it
  std::string window;
  std::size_t scanned = 0;
  std::vector<char> chunk(kChunk);
  while (scanned < kMaxScanned) {
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const std::size_t got = static_cast<std::size_t>(in.gcount());
    if (got == 0) break;
    scanned += got;
    window.append(chunk.data(), got);
    for (std::size_t p = window.find(marker); p != std::string::npos;
         p = window.find(marker, p + 1)) {
      const std::string_view rest = std::string_view(window).substr(p + marker.size());
      if (ParseStamp(rest.substr(0, kTail), file, product)) return -1;
    }
    if (in.bad()) return errno != 0 ? errno : EIO;
    if (window.size() > kTail + marker.size())
      window.erase(0, window.size() - kTail - marker.size());
  }
  return in.bad() ? (errno != 0 ? errno : EIO) : 0;
}

#endif  // _WIN32

void CopyOut(char* buffer, const std::string& text) {
  if (buffer != nullptr) std::memcpy(buffer, text.c_str(), text.size() + 1);
}

std::string LibraryPath() {
#if defined(_WIN32)
  // The module this function lives in: Tarnix.dll, whatever the caller
  // named it when loading it.
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCSTR>(&LibraryPath), &module)) {
    return {};
  }
  char path[MAX_PATH + 1];
  const DWORD length = GetModuleFileNameA(module, path, sizeof path);
  if (length == 0 || length >= sizeof path) return {};
  return std::string(path, length);
#else
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&LibraryPath), &info) == 0 ||
      info.dli_fname == nullptr) {
    return {};
  }
  return info.dli_fname;
#endif
}

std::string FileTime(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  std::tm tm{};
#if defined(_WIN32)
  const std::time_t seconds = st.st_mtime;
  if (localtime_s(&tm, &seconds) != 0) return {};
#else
  if (localtime_r(&st.st_mtime, &tm) == nullptr) return {};
#endif
  char text[80];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", tm.tm_mday, tm.tm_mon + 1,
                tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

}  // namespace

int32_t DisplayVerInfo(const State& st, std::string_view path, char* file_version,
                       char* product_version) {
  std::string file;
  std::string product;
  const int result = ReadStamp(std::string(path), file, product);
  if (result == 0) return 0;
  if (result != -1) {
    ShowMessageBox(st, std::to_string(result), "");
    return 0;
  }
  CopyOut(file_version, file);
  CopyOut(product_version, product);
  return -1;
}

const char* aAbout(State& st, MatrixStore& ms, int32_t mode) {
  const std::string path = LibraryPath();
  char version[24] = "";
  DisplayVerInfo(st, path, version, nullptr);
  std::string text = "Library: Tarnix.dll";
  text += "\r\nVersion: ";
  text += version;
  text += "\r\nFileTime: " + FileTime(path);
  text += "\r\nLanguage: C++20, compiled with " + std::string(__VERSION__);
  text += "\r\nScope: a DLL library for numerical calculations (methods)";
  text += "\r\nInfo: see file Readme.txt and License.txt";
  text += "\r\nRunning in IDE: No";
  const std::string caption = "About Tarnix.dll - expressions, matrices, numerical methods";
  if (mode == 0) ShowMessageBox(st, text, caption);
  ms.listing = mode == 1 ? caption + "\r\n\r\n" + text : text;
  return ReturnText(st, ms.listing);
}

}  // namespace tarnix::matrix
