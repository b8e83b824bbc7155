// The prompt of Corvane (--repl): one line at a time through the same
// interpreter as --run, with line editing and a history that outlives the
// session when standard input is a terminal, and plain line reading when
// it is not.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "number_format.h"

namespace corvane {

struct PromptOptions {
  std::string host = "127.0.0.1";
  int port = 6832;
  std::string source;  // the local address to connect from; "" for the system's choice
  std::string decimals = "4";
  NumberFormat format = NumberFormat::Fixed;
  bool log = false;
};

// Connects and reads lines until quit, exit or the end of the input.
// Returns the exit status: 0, or 2 when no server answers.
int RunPrompt(const PromptOptions& options);

// What a typed line asks for.
struct PromptRequest {
  enum class Kind { Nothing, Quit, Help, Comment, Run };
  Kind kind = Kind::Nothing;
  // Help: the keyword asked about ("" for the list); Comment and Run: the
  // script line to run.
  std::string text;
};
// A line whose first word before "=" or "(" is a command's keyword is that
// command; any other line is an expression, run as "Expr = line".
PromptRequest ReadRequest(std::string_view typed);

// The text of "help" (topic "") or of "help KEYWORD", LF line ends.
std::string PromptHelp(std::string_view topic);

// The name of the variable that holds the last numeric result.
inline constexpr const char* kAnswerVariable = "ans";

// Where the history lives: $XDG_CONFIG_HOME/corvane/history, else
// $HOME/.config/corvane/history; "" when neither variable gives a folder.
std::string HistoryPath();

// The history file: one line a line, the newest last, at most limit
// lines. Each line is written as it is entered, so a crash loses none.
class History {
 public:
  // The longest line kept: far beyond what one command may be.
  static constexpr std::size_t kMaxLine = 4096;

  History(std::string path, std::size_t limit) : path_(std::move(path)), limit_(limit) {}

  // Reads the file, creating its folder when it is missing; the lines
  // kept, oldest first. A file that cannot be used as it is (unreadable,
  // too large, holding control bytes or overlong lines) is left untouched
  // and nothing is written to it: Problem() says why. Its usable lines are
  // still returned.
  std::vector<std::string> Load();
  // Records a line (blank lines, a repeat of the last one and overlong
  // lines are not kept). False when the file could not be written, with
  // Problem() set; nothing is written after that.
  bool Add(const std::string& line);
  const std::string& Problem() const { return problem_; }
  const std::deque<std::string>& Lines() const { return lines_; }

 private:
  bool Append(const std::string& line);
  bool Rewrite();

  std::string path_;
  std::size_t limit_;
  std::deque<std::string> lines_;  // the last limit_ lines
  std::size_t on_disk_ = 0;        // the lines the file holds
  bool writable_ = false;
  std::string problem_;
};

}  // namespace corvane
