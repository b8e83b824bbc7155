// Binding libTarnix.so at run time: every export by name.
#pragma once

#include <string>

#include "../net/trx_cs/tarnix_api.h"

namespace server {

struct BoundLibrary {
  void* handle = nullptr;
  std::string path;  // the file that was loaded
  trx::TarnixApi api;
};

// Loads the library from path, or when path is empty from next to the
// program and then by the standard search. On failure error says which
// paths were tried and why they failed.
bool BindLibrary(const std::string& path, BoundLibrary& bound, std::string& error);

}  // namespace server
