#include "batch.h"

#include "../net/trx_cs/trx_cs.h"

namespace corvane {

void RouteMessagesToStderr(bool log) {
  trx::SetLogSink([log](const std::string& line) {
    if (log) std::fprintf(stderr, "%s\n", line.c_str());
  });
  trx::SetMessageBox([](const std::string& text, const std::string& title) {
    std::string flat;
    for (const char c : text) {
      if (c != '\r') flat += c == '\n' ? ' ' : c;
    }
    std::fprintf(stderr, "%s: %s\n", title.c_str(), flat.c_str());
  });
}

void BatchInterface::ShowOutput(const std::string& text) {
  if (text.size() < written_) written_ = 0;  // a new run starts a new text
  // Lines end in CR LF inside the program; a terminal wants LF.
  std::string fresh;
  for (std::size_t i = written_; i < text.size(); ++i) {
    if (text[i] != '\r' || i + 1 >= text.size() || text[i + 1] != '\n') fresh += text[i];
  }
  written_ = text.size();
  std::fputs(fresh.c_str(), out_);
  std::fflush(out_);
}

void BatchInterface::ShowMessages(const std::string& text, bool) {
  std::fprintf(messages_, "%s\n", text.c_str());
  std::fflush(messages_);
}

}  // namespace corvane
