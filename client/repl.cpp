// The prompt: each line read is sorted (help, quit, a command, an
// expression), run through the interpreter under a number of its own, and
// its block printed; a numeric result becomes the server variable ans.
#include "repl.h"

#include <editline/readline.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

#include "../AuxFunct/aux_funct.h"
#include "../AuxFunct/text.h"
#include "../net/trx_cli/trx_cli.h"
#include "../net/trx_cs/client.h"
#include "batch.h"
#include "files.h"
#include "interpreter.h"
#include "txtHL/highlight.h"

namespace corvane {
namespace {

// A line read from a pipe is cut here: nothing longer can be a command (a
// frame holds 3000 bytes), and an endless line must not fill the memory.
constexpr std::size_t kMaxInputLine = 65536;
// No history file of this size was written by the prompt.
constexpr std::uintmax_t kMaxHistoryFile = std::uintmax_t{8} << 20;
constexpr std::size_t kHistoryLimit = 1000;

std::string Hex(unsigned char byte) {
  return {'0', 'x', "0123456789ABCDEF"[byte >> 4], "0123456789ABCDEF"[byte & 15]};
}

// Why a line cannot be run or kept, or "".
std::string LineFault(std::string_view line, std::size_t limit) {
  if (line.size() > limit) return "is longer than " + std::to_string(limit) + " bytes";
  if (const std::optional<std::size_t> at = ForeignByte(line)) {
    return "holds the byte " + Hex(static_cast<unsigned char>(line[*at])) + " at offset " +
           std::to_string(*at);
  }
  return {};
}

// A keyword as the table and the user may write it: any case, blanks and
// a trailing "()" or "(" left out.
std::string KeyName(std::string_view text) {
  std::string key = aux::Lower(aux::Trim(text));
  if (key.ends_with("()")) key.resize(key.size() - 2);
  if (key.ends_with("(")) key.pop_back();
  return aux::Trim(key);
}

const txthl::Keyword* FindKeyword(std::string_view topic) {
  const std::string key = KeyName(topic);
  for (const txthl::Keyword& keyword : txthl::Keywords()) {
    using Kind = txthl::Keyword::Kind;
    if (keyword.kind != Kind::Script && keyword.kind != Kind::Function) continue;
    if (KeyName(keyword.text) == key) return &keyword;
  }
  return nullptr;
}

// The name of a command as the keyword table writes it ("StoExpr"), or
// its keyword when the table has no entry for it.
std::string DisplayName(std::string_view keyword) {
  const txthl::Keyword* entry = FindKeyword(keyword);
  if (entry == nullptr) return std::string(keyword);
  std::string name = aux::Trim(entry->text);
  if (name.ends_with("()")) name.resize(name.size() - 2);
  return name;
}

// An open file descriptor, closed when it goes.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }
  // Closes now, reporting what close says: a late write error shows there.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

volatile sig_atomic_t interrupted = 0;

void NoteInterrupt(int) { interrupted = 1; }

// While the prompt reads from a terminal, Ctrl+C drops the line being
// typed instead of ending the program (and the history with it). The
// handler restarts the calls it interrupts, so a call to the server under
// way goes on undisturbed.
class InterruptGuard {
 public:
  InterruptGuard() {
    struct sigaction action {};
    action.sa_handler = NoteInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    installed_ = ::sigaction(SIGINT, &action, &previous_) == 0;
  }
  ~InterruptGuard() {
    if (installed_) ::sigaction(SIGINT, &previous_, nullptr);
  }
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

 private:
  struct sigaction previous_ {};
  bool installed_ = false;
};

// Lines from a terminal, edited, with the history under the up arrow.
class EditedLines {
 public:
  EditedLines(const std::deque<std::string>& history, std::size_t limit) {
    // .editrc sections named "Corvane" apply to the prompt alone.
    rl_readline_name = "Corvane";
    using_history();
    stifle_history(static_cast<int>(limit));
    for (const std::string& line : history) add_history(line.c_str());
    if (!history.empty()) last_ = history.back();
  }
  ~EditedLines() { clear_history(); }
  EditedLines(const EditedLines&) = delete;
  EditedLines& operator=(const EditedLines&) = delete;

  // The next line; nothing at the end of the input. A line dropped with
  // Ctrl+C comes back empty.
  std::optional<std::string> Next(const std::string& prompt) {
    interrupted = 0;
    const std::unique_ptr<char, FreeMemory> line(readline(prompt.c_str()));
    if (!line && interrupted != 0) {
      std::fputs("\n", stdout);
      return std::string();
    }
    if (!line) return std::nullopt;
    return std::string(line.get());
  }
  // As the history file does, a line run again right away is kept once.
  void Remember(const std::string& line) {
    if (line == last_) return;
    add_history(line.c_str());
    last_ = line;
  }

 private:
  std::string last_;
  struct FreeMemory {
    void operator()(char* p) const { std::free(p); }
  };
};

// Lines from a pipe or a file: no editing, no prompt. A line longer than
// kMaxInputLine comes back cut, with overlong set.
std::optional<std::string> PlainLine(std::FILE* in, bool& overlong) {
  std::string line;
  overlong = false;
  int c = 0;
  while ((c = std::getc(in)) != EOF && c != '\n') {
    if (line.size() <= kMaxInputLine) {
      line += static_cast<char>(c);
    } else {
      overlong = true;  // the rest of it is read and dropped
    }
  }
  if (c == EOF && line.empty()) return std::nullopt;
  return line;
}

void PrintError(const std::string& text) {
  std::fprintf(stderr, "Corvane: %s\n", text.c_str());
  std::fflush(stderr);
}

void SetAnswer(double value) {
  // The ten decimals the wire carries, as StoExpr stores a number.
  trx_cli::SetVarFunct(kAnswerVariable, aux::ShortNumber(value).c_str(), 0);
  if (!trx_cli::Answered()) {
    PrintError(std::string(kAnswerVariable) + " keeps its value: the server did not answer");
  }
}

void ShowPlotNote(const Plot& plot) {
  const std::string samples = std::to_string(plot.x.size()) + " samples of " + plot.expr;
  PrintError("plot " + std::to_string(plot.number) + ": " + samples +
             (plot.file.empty() ? std::string(" computed, no data file named")
                                : " written to " + Resolve(plot.file, ProgramDirectory())) +
             "; the prompt draws no window");
}

std::string CurrentDirectory() {
  std::error_code error;
  const std::string directory = std::filesystem::current_path(error).string();
  return error ? std::string("./") : directory + "/";
}

}  // namespace

PromptRequest ReadRequest(std::string_view typed) {
  const std::string text = aux::Trim(typed);
  if (text.empty()) return {};
  if (text[0] == '\'') return {PromptRequest::Kind::Comment, text};
  const std::string lower = aux::Lower(text);
  if (lower == "quit" || lower == "exit") return {PromptRequest::Kind::Quit, {}};
  if (lower == "help") return {PromptRequest::Kind::Help, {}};
  if (lower.starts_with("help ") || lower.starts_with("help\t")) {
    return {PromptRequest::Kind::Help, aux::Trim(text.substr(5))};
  }
  const std::size_t end = text.find_first_of("=(");
  if (Interpreter::IsCommand(aux::Lower(aux::Trim(text.substr(0, end))))) {
    return {PromptRequest::Kind::Run, text};
  }
  return {PromptRequest::Kind::Run, "Expr = " + text};
}

std::string PromptHelp(std::string_view topic) {
  if (!aux::Trim(topic).empty()) {
    const txthl::Keyword* keyword = FindKeyword(topic);
    const std::string key = KeyName(topic);
    if (keyword == nullptr && Interpreter::IsCommand(key)) {
      return key + ": a command with no help text; InOut/Synt&Samp.txt shows it in use\n";
    }
    if (keyword == nullptr) {
      return "no help for '" + aux::Trim(topic) + "': help lists the commands\n";
    }
    std::string text;
    for (const char c : txthl::HelpText(*keyword)) {
      if (c != '\r') text += c;
    }
    return text + "\n";
  }
  std::string text = "The commands of scripts, one a line (help KEYWORD tells more):\n ";
  std::size_t column = 1;
  for (const std::string_view keyword : Interpreter::CommandKeywords()) {
    const std::string name = DisplayName(keyword);
    if (column + 1 + name.size() > 72) {
      text += "\n ";
      column = 1;
    }
    text += " " + name;
    column += 1 + name.size();
  }
  text +=
      "\n"
      "Any other line is an expression: pi*r^2 runs as Expr = pi*r^2.\n"
      "ans is a variable on the server holding the last numeric result (ans*2).\n"
      "Plot lines write their data file; the prompt draws no window.\n"
      "help, help KEYWORD; quit, exit or Ctrl+D end the prompt; Ctrl+C drops the line\n"
      "being typed.\n";
  return text;
}

std::string HistoryPath() {
  // A relative folder would depend on where Corvane was started: the
  // rules for these variables say to ignore it.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return std::string(config) + "/corvane/history";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.config/corvane/history";
  return {};
}

std::vector<std::string> History::Load() {
  namespace fs = std::filesystem;
  lines_.clear();
  on_disk_ = 0;
  writable_ = false;
  problem_.clear();
  if (path_.empty()) {
    problem_ = "no history is kept: neither XDG_CONFIG_HOME nor HOME names a folder";
    return {};
  }
  const std::string keep = "; it is left as it is and this session's lines are not kept";
  std::error_code error;
  fs::create_directories(fs::path(path_).parent_path(), error);
  if (error) {
    problem_ = "can't create the folder of the history file " + path_ + ": " + error.message();
    return {};
  }
  const fs::file_status status = fs::status(path_, error);
  if (status.type() == fs::file_type::not_found) {
    writable_ = true;
    return {};
  }
  if (error || status.type() != fs::file_type::regular) {
    problem_ = "the history file " + path_ + " is no file" + keep;
    return {};
  }
  const std::uintmax_t size = fs::file_size(path_, error);
  if (error || size > kMaxHistoryFile) {
    problem_ = "the history file " + path_ + " is larger than " + std::to_string(kMaxHistoryFile) +
               " bytes" + keep;
    return {};
  }
  const std::optional<std::string> text = ReadWholeFile(path_);
  if (!text) {
    problem_ = "can't read the history file " + path_ + keep;
    return {};
  }
  std::size_t number = 0;
  std::string first_fault;
  for (std::size_t start = 0; start < text->size();) {
    const std::size_t end = std::min(text->find('\n', start), text->size());
    std::string line = text->substr(start, end - start);
    start = end + 1;
    ++number;
    if (line.ends_with('\r')) line.pop_back();
    const std::string fault = LineFault(line, kMaxLine);
    if (!fault.empty()) {
      if (first_fault.empty()) first_fault = "line " + std::to_string(number) + " " + fault;
      continue;
    }
    if (line.empty()) continue;
    lines_.push_back(std::move(line));
    if (lines_.size() > limit_) lines_.pop_front();
    ++on_disk_;
  }
  if (!first_fault.empty()) {
    problem_ = "the history file " + path_ + ": " + first_fault + keep;
    return {lines_.begin(), lines_.end()};
  }
  writable_ = true;
  return {lines_.begin(), lines_.end()};
}

bool History::Add(const std::string& line) {
  if (aux::Trim(line).empty() || !LineFault(line, kMaxLine).empty()) return true;
  if (!lines_.empty() && lines_.back() == line) return true;
  lines_.push_back(line);
  if (lines_.size() > limit_) lines_.pop_front();
  if (!writable_) return problem_.empty();
  const bool written = on_disk_ + 1 > limit_ ? Rewrite() : Append(line);
  if (!written) {
    writable_ = false;
    problem_ = "can't write the history file " + path_ + ": " + std::strerror(errno) +
               "; the lines from here on are not kept";
  }
  return written;
}

bool History::Append(const std::string& line) {
  // One write of the whole line: a crash leaves the file with whole lines.
  FileDescriptor fd(::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600));
  if (fd.Get() < 0 || !WriteAll(fd.Get(), line + "\n") || !fd.Close()) return false;
  ++on_disk_;
  return true;
}

bool History::Rewrite() {
  // The shortened history goes to a file beside the old one and takes its
  // place in one step: a crash leaves the old file or the new, never half.
  std::string text;
  for (const std::string& line : lines_) text += line + "\n";
  const std::string temporary = path_ + ".new";
  FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  if (fd.Get() < 0 || !WriteAll(fd.Get(), text) || !fd.Close() ||
      std::rename(temporary.c_str(), path_.c_str()) != 0) {
    const int saved = errno;
    std::remove(temporary.c_str());
    errno = saved;
    return false;
  }
  on_disk_ = lines_.size();
  return true;
}

int RunPrompt(const PromptOptions& options) {
  RouteMessagesToStderr(options.log);
  SetProgramDirectory(CurrentDirectory());
  if (trx::InitClient(options.host, options.port, options.source) == 0) {
    std::fprintf(stderr, "Corvane: no server at %s:%d\n", options.host.c_str(), options.port);
    return 2;
  }
  trx_cli::ShowMsgs(0);

  // The error is in the block already: a Messages line after each would
  // only repeat it.
  class PromptInterface : public BatchInterface {
   public:
    PromptInterface() : BatchInterface(stdout, stderr) {}
    void ShowMessages(const std::string&, bool) override {}
  } ui;
  ui.on_plot = ShowPlotNote;
  Interpreter interpreter(ui);
  interpreter.SetNumberFormat(options.format);

  const bool terminal = ::isatty(STDIN_FILENO) == 1;
  // Lines from a pipe were typed nowhere: they stay out of the history.
  History history(terminal ? HistoryPath() : std::string(), kHistoryLimit);
  std::unique_ptr<EditedLines> editor;
  std::optional<InterruptGuard> interrupt_guard;
  if (terminal) {
    interrupt_guard.emplace();
    history.Load();
    if (!history.Problem().empty()) PrintError(history.Problem());
    editor = std::make_unique<EditedLines>(history.Lines(), kHistoryLimit);
    std::printf("Corvane %s at %s:%d. help lists the commands, quit ends.\n",
                aux::VersionText().c_str(), options.host.c_str(), options.port);
  }

  int number = 1;
  bool ended_by_input = false;
  bool told_lost = false;
  for (std::size_t read = 1;; ++read) {
    std::optional<std::string> typed;
    std::string fault;
    if (editor) {
      typed = editor->Next("corvane:" + std::to_string(number) + "> ");
      if (typed) fault = LineFault(*typed, kMaxInputLine);
    } else {
      bool overlong = false;
      typed = PlainLine(stdin, overlong);
      fault = overlong ? "is longer than " + std::to_string(kMaxInputLine) + " bytes"
                       : LineFault(typed ? *typed : std::string(), kMaxInputLine);
    }
    if (!typed) {
      ended_by_input = true;
      break;
    }
    if (!fault.empty()) {
      PrintError("line " + std::to_string(read) + " " + fault + "; it is not run");
      continue;
    }
    const PromptRequest request = ReadRequest(*typed);
    if (request.kind == PromptRequest::Kind::Quit) break;
    if (request.kind == PromptRequest::Kind::Nothing) continue;
    if (editor) {
      const std::string line = aux::Trim(*typed);
      const bool reported = !history.Problem().empty();
      if (!history.Add(line) && !reported) PrintError(history.Problem());
      editor->Remember(line);
    }
    if (request.kind == PromptRequest::Kind::Help) {
      // An empty line after it, as after every block.
      std::fputs((PromptHelp(request.text) + "\n").c_str(), stdout);
      std::fflush(stdout);
      continue;
    }
    ui.Restart();
    interpreter.RunLine(request.text, number, options.decimals);
    if (request.kind == PromptRequest::Kind::Comment) continue;
    ++number;
    if (const std::optional<double>& value = interpreter.LastNumber()) SetAnswer(*value);
    // Every line after would report error 0 and no more: say why, once.
    if (trx::Client().ClientConnected == 0 && !told_lost) {
      told_lost = true;
      PrintError("the connection to the server at " + options.host + ":" +
                 std::to_string(options.port) +
                 " is lost: the lines from here on get error 0; quit, and start again once a "
                 "server answers");
    }
  }
  // After Ctrl+D the shell's prompt would follow ours on the same line.
  if (editor && ended_by_input) std::fputs("\n", stdout);
  trx::LogMsg("Program will end.", "TerminateProgram");
  trx::Disconnect();
  return 0;
}

}  // namespace corvane
