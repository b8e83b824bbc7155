// The message log: one line per network step, "Server: " or "Client: "
// first, the writing procedure's name last. Standard output gets the lines
// in batches, and never holds the program up: a pipe or socket nobody reads
// fills a bounded buffer, then costs dropped lines, counted.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "trx_cs.h"

namespace trx {
namespace {

#if defined(TRX_CS_SERVER)
constexpr std::string_view kPrefix = "Server: ";
constexpr bool kFlushEveryLine = false;  // the event loop flushes once per turn
#else
constexpr std::string_view kPrefix = "Client: ";
constexpr bool kFlushEveryLine = true;
#endif

constexpr std::size_t kMaxPending = std::size_t{4} << 20;

struct Output {
  std::string pending;      // lines not yet written
  std::size_t dropped = 0;  // lines lost to a full buffer since the last note
  bool checked = false;
  bool may_block = false;  // a terminal: write only what poll says fits
  bool broken = false;     // nobody will ever read it (EPIPE): lines go nowhere
  bool blocked = false;    // the last write found it full
  std::chrono::steady_clock::time_point since{};  // when the oldest waiting line came
};

constexpr auto kFlushDelay = std::chrono::milliseconds(1);
constexpr std::size_t kFlushSize = 64 * 1024;

Output& Stdout() {
  static Output output;
  return output;
}

// A pipe or socket on standard output is made non-blocking: a reader that
// stops then fails a write instead of stopping the program. A terminal is
// left alone (it is shared with the shell) and asked first with poll().
void CheckStdout(Output& o) {
  if (o.checked) return;
  o.checked = true;
  struct stat st {};
  if (::fstat(STDOUT_FILENO, &st) != 0) return;
  if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) {
    ::fcntl(STDOUT_FILENO, F_SETFL, ::fcntl(STDOUT_FILENO, F_GETFL) | O_NONBLOCK);
  } else if (::isatty(STDOUT_FILENO) != 0) {
    o.may_block = true;
  }
}

void WritePending(Output& o) {
  CheckStdout(o);
  std::size_t done = 0;
  while (done < o.pending.size()) {
    if (o.may_block) {
      pollfd p{STDOUT_FILENO, POLLOUT, 0};
      if (::poll(&p, 1, 0) != 1) break;
    }
    // A terminal takes a page at a time without blocking once poll agrees.
    const std::size_t chunk = o.may_block ? std::min<std::size_t>(o.pending.size() - done, 4096)
                                          : o.pending.size() - done;
    const ssize_t n = ::write(STDOUT_FILENO, o.pending.data() + done, chunk);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      o.broken = true;  // closed or failing for good: nothing will ever leave
      o.pending.clear();
      return;
    } else {
      break;  // full: the rest waits for the next flush
    }
  }
  o.pending.erase(0, done);
  o.blocked = !o.pending.empty();
  o.since = std::chrono::steady_clock::now();
}

}  // namespace

void LogToStdout(const std::string& line) {
  Output& o = Stdout();
  if (o.broken) return;
  if (o.pending.size() + line.size() + 1 > kMaxPending) WritePending(o);
  if (o.pending.size() + line.size() + 1 > kMaxPending) {
    ++o.dropped;
    return;
  }
  if (o.pending.empty()) o.since = std::chrono::steady_clock::now();
  o.pending += line;
  o.pending += '\n';
  if (kFlushEveryLine) WritePending(o);
}

namespace {

void BoxToStderr(const std::string& text, const std::string& title) {
  std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
}

std::function<void(const std::string&)>& Sink() {
  static std::function<void(const std::string&)> sink = LogToStdout;
  return sink;
}

std::function<void(const std::string&, const std::string&)>& Box() {
  static std::function<void(const std::string&, const std::string&)> box = BoxToStderr;
  return box;
}

LogLevel& Level() {
  static LogLevel level = LogLevel::Calls;
  return level;
}

// "[Client 3] " in the process that serves client 3 alone; empty otherwise.
std::string& SessionTag() {
  static std::string tag;
  return tag;
}

bool Escaped(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 0x20 || u == 0x7F;
}

// Runs of plain bytes go in whole: the log is on the path of every call.
void AppendEscaped(std::string& line, std::string_view text) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!Escaped(text[i])) continue;
    line.append(text.data() + start, i - start);
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto u = static_cast<unsigned char>(text[i]);
    const char escape[4] = {'\\', 'x', kHex[u >> 4], kHex[u & 15]};
    line.append(escape, 4);
    start = i + 1;
  }
  line.append(text.data() + start, text.size() - start);
}

}  // namespace

std::string LogLine(std::string_view text, std::string_view label) {
  std::string line(kPrefix);
  line.reserve(kPrefix.size() + SessionTag().size() + text.size() + label.size() + 8);
  line += SessionTag();
  AppendEscaped(line, text);
  if (!label.empty()) {
    line += " - (";
    AppendEscaped(line, label);
    line += ")";
  }
  return line;
}

void SetLogSink(std::function<void(const std::string& line)> sink) {
  Sink() = sink ? std::move(sink) : LogToStdout;
}

void SetLogLevel(LogLevel level) { Level() = level; }

void LogForward(std::string_view line) {
  std::string escaped;
  escaped.reserve(line.size());
  AppendEscaped(escaped, line);
  Sink()(escaped);
}

void StartSessionLog(int client) {
  Stdout() = Output{};  // the lines the parent had waiting are the parent's to write
  Sink() = LogToStdout;
  Box() = [](const std::string& text, const std::string& title) {
    LogMsg(title + ": " + text, "MsgBox", LogKind::Error);
  };
  SessionTag() = "[Client " + std::to_string(client) + "] ";
}

void FlushLogWithin(int timeout_ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  FlushLog();
  while (!Stdout().pending.empty() && !Stdout().broken && std::chrono::steady_clock::now() < end) {
    pollfd p{STDOUT_FILENO, POLLOUT, 0};
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    ::poll(&p, 1, static_cast<int>(std::max<long>(left.count(), 0)));
    FlushLog();
  }
}

void LogMsg(std::string_view text, std::string_view label, LogKind kind) {
  const LogLevel level = Level();
  if ((level == LogLevel::Errors && kind == LogKind::Step) ||
      (level == LogLevel::Quiet && kind != LogKind::Always)) {
    return;
  }
  Sink()(LogLine(text, label));
}

void FlushLog() {
  Output& o = Stdout();
  if (!o.pending.empty()) WritePending(o);
  if (o.dropped > 0 && o.pending.size() < kMaxPending / 2) {
    o.pending += LogLine(
        "(" + std::to_string(o.dropped) + " log lines dropped: standard output was not read)",
        "LogMsg");
    o.pending += '\n';
    o.dropped = 0;
    WritePending(o);
  }
}

int FlushLogIfDue() {
  if (LogDueMs() != 0) return LogDueMs();
  FlushLog();
  return LogDueMs();
}

int LogDueMs() {
  const Output& o = Stdout();
  if (o.pending.empty() && o.dropped == 0) return -1;
  if (o.pending.size() >= kFlushSize || o.dropped > 0) return 0;
  const auto left = o.since + kFlushDelay - std::chrono::steady_clock::now();
  return left.count() > 0
             ? static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count())
             : 0;
}

bool LogBlocked() { return Stdout().blocked; }

void SetMessageBox(std::function<void(const std::string& text, const std::string& title)> box) {
  Box() = box ? std::move(box) : BoxToStderr;
}

void MessageBox(const std::string& text, const std::string& title) { Box()(text, title); }

}  // namespace trx
