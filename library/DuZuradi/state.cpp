// The frame exports that set or reset the process-wide state.
#include "duzuradi.h"

namespace tarnix {

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
  Matrices().Clear(0);
  gs.ResultType = -1;
  gs.MsgMode = 0;
  return 0;
}

}  // namespace tarnix
