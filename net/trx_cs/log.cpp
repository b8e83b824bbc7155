// The message log: one line per network step, "Server: " or "Client: "
// first, the writing procedure's name last.
#include <unistd.h>

#include <cstdio>

#include "trx_cs.h"

namespace trx {
namespace {

#if defined(TRX_CS_SERVER)
constexpr std::string_view kPrefix = "Server: ";
#else
constexpr std::string_view kPrefix = "Client: ";
#endif

// Standard output at once, oldest line first.
void WriteToStdout(const std::string& line) {
  std::string out = line;
  out += '\n';
  for (std::size_t done = 0; done < out.size();) {
    const ssize_t n = ::write(STDOUT_FILENO, out.data() + done, out.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

void BoxToStderr(const std::string& text, const std::string& title) {
  std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
}

std::function<void(const std::string&)>& Sink() {
  static std::function<void(const std::string&)> sink = WriteToStdout;
  return sink;
}

std::function<void(const std::string&, const std::string&)>& Box() {
  static std::function<void(const std::string&, const std::string&)> box = BoxToStderr;
  return box;
}

}  // namespace

std::string LogLine(std::string_view text, std::string_view label) {
  std::string line(kPrefix);
  line += text;
  if (!label.empty()) {
    line += " - (";
    line += label;
    line += ")";
  }
  return line;
}

void SetLogSink(std::function<void(const std::string& line)> sink) {
  Sink() = sink ? std::move(sink) : WriteToStdout;
}

void LogMsg(std::string_view text, std::string_view label) { Sink()(LogLine(text, label)); }

void SetMessageBox(std::function<void(const std::string& text, const std::string& title)> box) {
  Box() = box ? std::move(box) : BoxToStderr;
}

void MessageBox(const std::string& text, const std::string& title) { Box()(text, title); }

}  // namespace trx
