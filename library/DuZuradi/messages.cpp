// The message route of the library: boxes through the host's handler, the
// message log, the standard error report with its parser dump, and the one
// holder of returned texts.
#include <algorithm>
#include <cstdio>

#include "duzuradi.h"
#include "parser.h"

namespace tarnix {
namespace {

// Without a host handler a "message box" is one line on stderr.
void DefaultMessageBox(const char* text, const char* title) {
  std::string line = title;
  line += ": ";
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '\r') continue;
    line += (*p == '\n') ? ' ' : *p;
  }
  line += '\n';
  std::fputs(line.c_str(), stderr);
}

constexpr std::string_view kLogDropped = "\r\n[... older log lines dropped ...]";

// The log would otherwise grow without limit while tracing long texts: past
// kMaxLogLength the older half goes, cut at a line break.
void AppendToLog(State& st, std::string_view text) {
  std::string& log = st.MsgLog;
  if (log.size() + text.size() + 2 > kMaxLogLength) {
    std::size_t keep_from = log.size() > kMaxLogLength / 2 ? log.size() - kMaxLogLength / 2 : 0;
    keep_from = log.find(kCrLf, keep_from);
    if (keep_from == std::string::npos) keep_from = log.size();
    log.erase(0, keep_from);
    log.insert(0, kLogDropped);
    if (text.size() > kMaxLogLength / 2) text = text.substr(text.size() - kMaxLogLength / 2);
  }
  log += kCrLf;
  log += text;
}

}  // namespace

const char* ReturnText(State& st, std::string_view text) {
  std::vector<char>& holder = st.returned_text;
  // The holder only grows, so that a pointer handed out earlier keeps
  // showing the newest text as long as it fits.
  if (holder.size() < text.size() + 1) holder.resize(std::max<std::size_t>(text.size() + 1, 256));
  std::copy(text.begin(), text.end(), holder.begin());
  holder[text.size()] = '\0';
  return holder.data();
}

void SetMessageBoxHandler(MsgBoxHandler handler) { gs.msg_box_handler = handler; }

void ShowMessageBox(const State& st, std::string_view text, std::string_view title) {
  const std::string t(text);
  const std::string c(title);
  MsgBoxHandler handler = st.msg_box_handler ? st.msg_box_handler : DefaultMessageBox;
  handler(t.c_str(), c.c_str());
}

const char* MessageLog() { return gs.MsgLog.c_str(); }

int32_t EmitMessageBy(State& st, int32_t debug_flags, std::string_view text, std::string_view title,
                      int32_t flag) {
  int32_t handed_back = 0;
  const int32_t f = debug_flags;
  if (f == 0 || (f & 1) != 0) return handed_back;
  if ((f & 2) != 0 && flag != 0) {
    ShowMessageBox(st, text, title);
  } else if ((f & 4) != 0) {
    AppendToLog(st, text);
  } else if ((f & 8) != 0) {
    AppendToLog(st, text);
    handed_back = 1;  // the log is handed back: GetMsgLog reads it
  }
  return handed_back;
}

std::string ErrorDump(const State& st) {
  const std::string& expr = st.gExpr;
  const std::size_t pos = st.e_pos;
  const std::size_t before = pos > 0 ? std::min(pos - 1, expr.size()) : 0;
  const std::size_t after = std::min(pos, expr.size());
  std::string out = "   expression = '";
  out.append(expr, 0, before);
  out += '\'';
  if (pos >= 1 && pos <= expr.size()) out += expr[pos - 1];
  out += '\'';
  out.append(expr, after);
  out += "'\r\n   token = '";
  out += e_tok(st);
  out += "'\r\n   spelling = '";
  out += st.e_spelling;
  out += "'\r\n   input = '";
  out.append(expr, after);
  out += "'\r\n   position = ";
  out += std::to_string(pos);
  return out;
}

TraceBlock& TraceBlock::Line(std::string_view label, std::string_view value) {
  text_ += kCrLf;
  text_ += prefix_;
  text_ += label;
  text_ += value;
  return *this;
}

TraceBlock& TraceBlock::Line(std::string_view label, long long value) {
  return Line(label, std::to_string(value));
}

TraceBlock& TraceBlock::Fixed(std::string_view label, double value) {
  text_ += kCrLf;
  text_ += prefix_;
  text_ += label;
  AppendFixed10(text_, value);
  return *this;
}

namespace {

std::string ReportHead(std::string_view procedure, std::string_view message) {
  std::string report = "Procedure: ";
  report += procedure;
  report += kCrLf;
  report += message;
  return report;
}

}  // namespace

void ReportWithDump(State& st, std::string_view procedure, std::string_view message) {
  if (!ReportsWanted(st)) return;
  std::string report = ReportHead(procedure, message);
  report += "\r\n\r\nDebug:\r\n";
  report += ErrorDump(st);
  EmitMessage(st, report, kErrorTitle, st.MsgMode);
}

void ReportShort(State& st, std::string_view procedure, std::string_view message) {
  if (!ReportsWanted(st)) return;
  EmitMessage(st, ReportHead(procedure, message), kErrorTitle, st.MsgMode);
}

void Report(State& st, std::string_view text) {
  if (ReportsWanted(st)) EmitMessage(st, text, kErrorTitle, st.MsgMode);
}

void ReportAsBox(const State& st, std::string_view text, std::string_view title, int32_t levels) {
  if ((st.MsgMode & levels) != 0) ShowMessageBox(st, text, title);
}

}  // namespace tarnix
