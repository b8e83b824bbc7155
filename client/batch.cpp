#include "batch.h"

namespace corvane {

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
