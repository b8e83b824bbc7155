#include "library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <vector>

namespace server {
namespace {

std::string ProgramDirectory() {
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  const std::string exe(path, static_cast<std::size_t>(n));
  return exe.substr(0, exe.rfind('/'));
}

}  // namespace

bool BindLibrary(const std::string& path, BoundLibrary& bound, std::string& error) {
  std::vector<std::string> candidates;
  if (!path.empty()) {
    candidates.push_back(path);
  } else {
    // Next to the program (the build tree links it there), then where an
    // install puts it, then the standard search.
    const std::string here = ProgramDirectory();
    candidates.push_back(here + "/libTarnix.so");
    candidates.push_back(here + "/../" TARNIX_INSTALL_LIBDIR "/libTarnix.so");
    candidates.push_back("libTarnix.so");
  }
  for (const std::string& candidate : candidates) {
    ::dlerror();
    void* handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* reason = ::dlerror();
      error += "\n  tried " + candidate + ": " + (reason != nullptr ? reason : "not found");
      continue;
    }
    bound.handle = handle;
    bound.path = candidate;
    std::string missing;
#define TARNIX_EXPORT(name)                                                            \
  bound.api.name = reinterpret_cast<decltype(bound.api.name)>(::dlsym(handle, #name)); \
  if (bound.api.name == nullptr) missing += std::string(" ") + #name;
#include "tarnix_exports.inc"
#undef TARNIX_EXPORT
    if (!missing.empty()) {
      error = "\n  " + candidate + " lacks the exports:" + missing;
      ::dlclose(handle);
      bound.handle = nullptr;
      return false;
    }
    return true;
  }
  return false;
}

}  // namespace server
