// The host's hold on a call: the progress handler that may stop it, and the
// limits on the matrix memory and the number of entries a call may take.
#include <limits>

#include "duzuradi.h"

namespace tarnix {

int32_t SetProgressHandler(ProgressHandler handler, void* context, int32_t period) {
  gs.progress_handler = handler;
  gs.progress_context = handler != nullptr ? context : nullptr;
  gs.progress_period = period < 1 ? 1000 : period;
  gs.progress_countdown = gs.progress_period;
  return 0;
}

int32_t SetCallLimits(int32_t matrix_mb, int32_t entries) {
  gs.matrix_limit = matrix_mb > 0 ? uint64_t{static_cast<uint32_t>(matrix_mb)} << 20 : 0;
  gs.entry_limit = entries > 0 ? entries : 0;
  return 0;
}

void AskHost(State& st) {
  st.progress_countdown = st.progress_period;
  if (st.progress_handler != nullptr && st.progress_handler(st.progress_context) != 0) {
    throw Interruption{};
  }
}

void ChargeMatrix(State& st, std::size_t bytes) {
  if (st.matrix_limit != 0) {
    const uint64_t allowed = st.matrix_bytes_at_call + st.matrix_limit;
    if (bytes > allowed || st.matrix_bytes > allowed - bytes) throw LimitExceeded{};
  }
  st.matrix_bytes += bytes;
}

std::size_t EntriesRoom(const State& st) {
  if (st.entry_limit == 0) return std::numeric_limits<std::size_t>::max();
  const std::size_t used = st.VarList.Names() + st.FunctList.Names() + Matrices().NamedCount();
  const auto limit = static_cast<std::size_t>(st.entry_limit);
  return used >= limit ? 0 : limit - used;
}

}  // namespace tarnix
