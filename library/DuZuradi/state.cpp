// The one instance of the process-wide state, its load-time values and the
// frame exports that set or reset it.
#include <chrono>
#include <random>

#include "duzuradi.h"

namespace tarnix {
namespace {

uint64_t InitialSeed() {
  std::random_device device;
  uint64_t seed = (uint64_t{device()} << 32) ^ device();
  seed ^= static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  return seed != 0 ? seed : 0x9E3779B97F4A7C15ULL;
}

State MakeLoadedState() {
  State s;
  s.returned_text.resize(256, '\0');
  s.rng_state = InitialSeed();
  return s;
}

}  // namespace

State gs = MakeLoadedState();

int32_t SetDebugF(int32_t flags) {
  gs.DebugFlags = flags;
  return gs.DebugFlags;
}

int32_t ShowMsgs(int32_t level) {
  gs.MsgMode = level;
  if (level == 2) SetDebugF(1);
  return 0;
}

int32_t ReSetDuZuradi() {
  ClearVarFuncList("vars");
  ClearVarFuncList("");
  Matrices().clear(0);
  gs.ResultType = -1;
  gs.MsgMode = 0;
  return 0;
}

}  // namespace tarnix
