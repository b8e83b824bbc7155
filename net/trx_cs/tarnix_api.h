// The exports of libTarnix.so as the server binds them by name at run time:
// one function pointer per export, typed as tarnix.h declares it.
#pragma once

#include "tarnix.h"

namespace trx {

struct TarnixApi {
#define TARNIX_EXPORT(name) decltype(&::name) name = nullptr;
#include "tarnix_exports.inc"
#undef TARNIX_EXPORT
};

}  // namespace trx
