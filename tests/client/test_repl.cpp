// The prompt: how lines are sorted, the help texts, the history file, one
// line at a time through the interpreter, and Corvane --repl and --run -
// as a user runs them, through a pseudo-terminal and through pipes.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "../../AuxFunct/text.h"
#include "client_fixture.h"
#include "interpreter.h"
#include "repl.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Kind = corvane::PromptRequest::Kind;

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A folder of its own for a test, removed with it.
class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/corvane_repl_XXXXXX";
    if (::mkdtemp(pattern) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code error;
    if (!path_.empty()) fs::remove_all(path_, error);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

struct RequestCase {
  std::string typed;
  Kind kind;
  std::string text;
};

TEST(PromptRequest, SortsLinesByTheirFirstWord) {
  const std::vector<RequestCase> cases = {
      {"", Kind::Nothing, ""},
      {" \t ", Kind::Nothing, ""},
      {"quit", Kind::Quit, ""},
      {"  EXIT ", Kind::Quit, ""},
      {"help", Kind::Help, ""},
      {"Help plot", Kind::Help, "plot"},
      {"HELP \t StoExpr() ", Kind::Help, "StoExpr()"},
      {"helpme", Kind::Run, "Expr = helpme"},
      {"quit2", Kind::Run, "Expr = quit2"},
      {"Var = r; 2", Kind::Run, "Var = r; 2"},
      {"  var=r;2", Kind::Run, "var=r;2"},
      {"pi*r^2", Kind::Run, "Expr = pi*r^2"},
      {"\tans*2 ", Kind::Run, "Expr = ans*2"},
      {"Expr = 1+2", Kind::Run, "Expr = 1+2"},
      {"Integrate(0; 1; 10; trap; x) = x^2", Kind::Run, "Integrate(0; 1; 10; trap; x) = x^2"},
      {"integrate (0;1;10;trap;x)=x", Kind::Run, "integrate (0;1;10;trap;x)=x"},
      {"StoExpr(a) = 3", Kind::Run, "StoExpr(a) = 3"},
      {"Plot(0; x; 1; 2) = x", Kind::Run, "Plot(0; x; 1; 2) = x"},
      {"aElemOrderEx() =", Kind::Run, "aElemOrderEx() ="},
      // A keyword without "=" stays a command: the interpreter says what is missing.
      {"plot(1)", Kind::Run, "plot(1)"},
      {"sin(x) = 1", Kind::Run, "Expr = sin(x) = 1"},
      {"Exprr = 3", Kind::Run, "Expr = Exprr = 3"},
      {"max(1; 2)", Kind::Run, "Expr = max(1; 2)"},
      {"' a remark", Kind::Comment, "' a remark"},
      {"  '' a title", Kind::Comment, "'' a title"},
  };
  for (const RequestCase& c : cases) {
    const corvane::PromptRequest r = corvane::ReadRequest(c.typed);
    EXPECT_EQ(r.kind, c.kind) << "typed: '" << c.typed << "'";
    EXPECT_EQ(r.text, c.text) << "typed: '" << c.typed << "'";
  }
}

struct HelpCase {
  std::string topic;
  std::string holds;
};

TEST(PromptHelp, TellsTheKeywordsHelpInAnyCase) {
  const std::vector<HelpCase> cases = {
      {"plot", "Syntax: Plot(fromValue; variable; ToValue; Steps; [OutFileName.txt])"},
      {"PLOT", "Syntax: Plot(fromValue; variable; ToValue; Steps; [OutFileName.txt])"},
      {"Plot()", "Syntax: Plot(fromValue; variable; ToValue; Steps; [OutFileName.txt])"},
      {"stoexpr", "'StoExpr()': calculate result"},
      {"expr", "'Expr ' : calculate result of expression"},
      {"exprf", "'ExprF ' evaluate expression in a text file"},
      {"aelemorderex", "'aElemOrderEx() ' : self detect"},
      {"sin", "Function: SIN"},
      {"solvepolyn", "solvepolyn: a command with no help text"},
      {"nothing", "no help for 'nothing': help lists the commands"},
      {"(", "no help for '('"},
  };
  for (const HelpCase& c : cases) {
    const std::string text = corvane::PromptHelp(c.topic);
    EXPECT_NE(text.find(c.holds), std::string::npos) << "help " << c.topic << ":\n" << text;
    // Lines end in LF on a terminal; the table's "//" became line breaks.
    EXPECT_EQ(text.find('\r'), std::string::npos) << "help " << c.topic;
    EXPECT_EQ(text.find("//"), std::string::npos) << "help " << c.topic;
    EXPECT_TRUE(text.ends_with("\n")) << "help " << c.topic;
  }
}

TEST(PromptHelp, ListsEveryCommand) {
  const std::string list = aux::Lower(corvane::PromptHelp(""));
  for (const std::string_view keyword : corvane::Interpreter::CommandKeywords()) {
    EXPECT_NE(list.find(" " + std::string(keyword)), std::string::npos) << keyword << "\n" << list;
  }
  EXPECT_NE(list.find("no window"), std::string::npos) << list;
  EXPECT_NE(list.find("ans"), std::string::npos) << list;
}

// The variables HistoryPath reads, set for one test and put back after it.
class Environment {
 public:
  explicit Environment(const std::vector<const char*>& names) {
    for (const char* name : names) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
  }
  ~Environment() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
  }
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

struct PathCase {
  const char* what;
  const char* config;  // nullptr: unset
  const char* home;
  std::string path;
};

TEST(PromptHistory, LivesInTheConfigFolder) {
  const Environment restore({"XDG_CONFIG_HOME", "HOME"});
  const std::vector<PathCase> cases = {
      {"config folder", "/c", "/h", "/c/corvane/history"},
      {"config unset", nullptr, "/h", "/h/.config/corvane/history"},
      {"config empty", "", "/h", "/h/.config/corvane/history"},
      {"config relative", "c", "/h", "/h/.config/corvane/history"},
      {"neither", nullptr, nullptr, ""},
      {"home relative", nullptr, "h", ""},
  };
  for (const PathCase& c : cases) {
    for (const auto& [name, value] : {std::pair{"XDG_CONFIG_HOME", c.config}, {"HOME", c.home}}) {
      if (value) {
        ::setenv(name, value, 1);
      } else {
        ::unsetenv(name);
      }
    }
    EXPECT_EQ(corvane::HistoryPath(), c.path) << c.what;
  }
}

TEST(PromptHistory, IsWrittenLineByLineAndReadAgain) {
  const TempDir dir;
  const std::string path = dir.Path() + "/a/b/history";
  {
    corvane::History history(path, 1000);
    EXPECT_TRUE(history.Load().empty());
    EXPECT_EQ(history.Problem(), "");
    for (const char* line : {"Var = r; 2", "pi*r^2", "", "  ", "pi*r^2", "ans*2"}) {
      EXPECT_TRUE(history.Add(line)) << line;
    }
    // On disk before the session ends: a crash loses nothing.
    EXPECT_EQ(ReadText(path), "Var = r; 2\npi*r^2\nans*2\n");
  }
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  corvane::History again(path, 1000);
  EXPECT_EQ(again.Load(), (std::vector<std::string>{"Var = r; 2", "pi*r^2", "ans*2"}));
  EXPECT_TRUE(again.Add("help plot"));
  EXPECT_EQ(ReadText(path), "Var = r; 2\npi*r^2\nans*2\nhelp plot\n");
}

TEST(PromptHistory, KeepsTheLastLinesOnly) {
  const TempDir dir;
  const std::string path = dir.Path() + "/history";
  corvane::History history(path, 3);
  history.Load();
  for (const char* line : {"1", "2", "3", "4", "5"}) EXPECT_TRUE(history.Add(line));
  EXPECT_EQ(ReadText(path), "3\n4\n5\n");
  EXPECT_FALSE(fs::exists(path + ".new"));
  // A longer file (written by hand, or with a larger bound) is cut when
  // the next line comes.
  WriteText(path, "a\nb\nc\nd\ne\n");
  corvane::History longer(path, 3);
  EXPECT_EQ(longer.Load(), (std::vector<std::string>{"c", "d", "e"}));
  EXPECT_TRUE(longer.Add("f"));
  EXPECT_EQ(ReadText(path), "d\ne\nf\n");
}

TEST(PromptHistory, ReadsLinesEndingInCrLfAndWithoutLastLineEnd) {
  const TempDir dir;
  const std::string path = dir.Path() + "/history";
  WriteText(path, "1+2\r\n\r\n\tsin(1)\r\nans*2");
  corvane::History history(path, 1000);
  EXPECT_EQ(history.Load(), (std::vector<std::string>{"1+2", "\tsin(1)", "ans*2"}));
  EXPECT_EQ(history.Problem(), "");
}

struct BadHistoryCase {
  const char* what;
  std::string content;
  std::string problem;
  std::vector<std::string> kept;
};

TEST(PromptHistory, LeavesAFileItCannotUseAsItIs) {
  const std::string overlong(corvane::History::kMaxLine + 1, 'x');
  const std::vector<BadHistoryCase> cases = {
      {"escape byte",
       "1+2\nab\x1B[A\n3+4\n",
       "line 2 holds the byte 0x1B at offset 2",
       {"1+2", "3+4"}},
      {"NUL byte", std::string("1+2\n\0\n", 6), "line 2 holds the byte 0x00", {"1+2"}},
      {"overlong line", "1\n" + overlong + "\n2\n", "line 2 is longer than 4096 bytes", {"1", "2"}},
      {"too large",
       std::string((std::size_t{8} << 20) + 1, 'x'),
       "is larger than 8388608 bytes",
       {}},
  };
  for (const BadHistoryCase& c : cases) {
    const TempDir dir;
    const std::string path = dir.Path() + "/history";
    WriteText(path, c.content);
    corvane::History history(path, 1000);
    EXPECT_EQ(history.Load(), c.kept) << c.what;
    EXPECT_NE(history.Problem().find(c.problem), std::string::npos)
        << c.what << ": " << history.Problem();
    EXPECT_NE(history.Problem().find("left as it is"), std::string::npos) << c.what;
    EXPECT_FALSE(history.Add("5*5")) << c.what;
    EXPECT_TRUE(ReadText(path) == c.content) << c.what << ": the file was changed";
  }
}

TEST(PromptHistory, ReportsAPlaceItCannotWrite) {
  const TempDir dir;
  WriteText(dir.Path() + "/file", "x");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {dir.Path() + "/file/corvane/history", "can't create the folder"},
      {dir.Path(), "is no file"},
      {"", "no history is kept"},
  };
  for (const auto& [path, problem] : cases) {
    corvane::History history(path, 1000);
    EXPECT_TRUE(history.Load().empty()) << path;
    EXPECT_NE(history.Problem().find(problem), std::string::npos)
        << path << ": " << history.Problem();
    EXPECT_FALSE(history.Add("1+1")) << path;
  }
  EXPECT_EQ(ReadText(dir.Path() + "/file"), "x");
}

}  // namespace

namespace client_test {
namespace {

class PromptLines : public ScriptTest {};

struct LineCase {
  std::string line;
  std::optional<double> number;  // LastNumber after it
  std::string holds;             // in its block
};

TEST_F(PromptLines, KeepWhatEarlierLinesSetUp) {
  // One interpreter for all rows, as the prompt has: each row's line is
  // run after the rows before it, numbered by its row.
  corvane::Interpreter interpreter(ui_);
  const std::vector<LineCase> cases = {
      {"Var = r; 2", std::nullopt, ""},
      {"Expr = 1/4", 0.25, "Ln 2: Expression = 1/4:"},
      {"Expr = 1/0", std::nullopt, "Division by zero"},
      {"StoExpr(a) = r*3", 6.0, "Stored => Number a = 6.0000"},
      {"Matr = [mA]; 2; 2; 1; 2; 3; 4", std::nullopt, ""},
      {"Expr = [mA]*2", std::nullopt, "Matrix:"},
      {"VarPolyn = x", std::nullopt, ""},
      // The variable of the line before still holds.
      {"solvepolyn = x^2 - 9", 3.0, "Ln 8: Polyn = x^2 - 9:"},
      {"Integrate(0; 1; 10; simp; x) = 3*x^2", 1.0, "Integral iFunction(0,1) => Number = 1.0000"},
      {"DimX = mE(1,2); mE(0,0)=1; mE(0,1)=2", std::nullopt, ""},
      {"Expr = det([mA])", -2.0, "Ln 11: Expression = det([mA])"},
      // Only the line given runs, whatever follows a line break.
      {"Expr = 5\nExpr = 6", 5.0, "Ln 12: Expression = 5:"},
  };
  int number = 1;
  for (const LineCase& c : cases) {
    interpreter.RunLine(c.line, number++, "4");
    EXPECT_EQ(interpreter.LastNumber(), c.number) << c.line;
    if (c.holds.empty()) {
      EXPECT_EQ(interpreter.Output(), "") << c.line;
    } else {
      EXPECT_NE(interpreter.Output().find(c.holds), std::string::npos) << c.line << "\n"
                                                                       << interpreter.Output();
    }
  }
  EXPECT_EQ(interpreter.Output().find("Expr = 6"), std::string::npos);
}

// Corvane started on a pseudo-terminal, as a user at a terminal runs it.
class Terminal {
 public:
  Terminal(const std::vector<std::string>& arguments, const std::string& directory,
           const std::vector<std::string>& environment) {
    // Everything the child needs is made before the fork: the test runs
    // threads (the server's log reader), so the child may only exec.
    std::vector<std::string> args = {CORVANE_FILE};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<std::string> env = environment;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string entry = *e;
      const std::string name = entry.substr(0, entry.find('='));
      if (name == "DISPLAY" || name == "WAYLAND_DISPLAY" || name == "EDITRC") continue;
      bool replaced = false;
      for (const std::string& mine : environment) replaced |= mine.starts_with(name + "=");
      if (!replaced) env.push_back(entry);
    }
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    winsize size{};
    size.ws_row = 50;
    size.ws_col = 250;  // no line of the test wraps
    pid_ = ::forkpty(&master_, nullptr, nullptr, &size);
    if (pid_ == 0) {
      if (::chdir(directory.c_str()) != 0) ::_exit(126);
      ::execve(argv[0], argv.data(), envp.data());
      ::_exit(127);
    }
  }
  ~Terminal() {
    if (pid_ > 0 && status_ < 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) ::close(master_);
  }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  bool Started() const { return pid_ > 0 && master_ >= 0; }

  // Types keys once the line editor reads the terminal key by key: keys
  // typed before it takes the terminal over would be read and echoed as a
  // whole line by the terminal itself, and Ctrl+C would reach no prompt.
  bool Type(const std::string& keys, int timeout_ms = 10000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    termios mode{};
    while (::tcgetattr(master_, &mode) == 0 && (mode.c_lflag & ICANON) != 0) {
      if (std::chrono::steady_clock::now() >= end) return false;
      Read(10);
    }
    std::string_view rest = keys;
    while (!rest.empty()) {
      const ssize_t n = ::write(master_, rest.data(), rest.size());
      if (n <= 0) return false;
      rest.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }

  // Waits until needle shows after what earlier waits found; the screen
  // is read with its CRs taken out.
  bool WaitFor(const std::string& needle, int timeout_ms = 10000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      const std::size_t at = screen_.find(needle, seen_);
      if (at != std::string::npos) {
        seen_ = at + needle.size();
        return true;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left.count() <= 0 || !Read(static_cast<int>(left.count()))) return false;
    }
  }

  // The exit status once the program has ended, -1 when it does not end
  // within timeout_ms.
  int WaitForExit(int timeout_ms = 10000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < end) {
      int status = 0;
      const pid_t done = ::waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        while (Read(50)) {
        }
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return status_;
      }
      Read(50);
    }
    return -1;
  }

  const std::string& Screen() const { return screen_; }

 private:
  // Reads what is there within timeout_ms; false when nothing came.
  bool Read(int timeout_ms) {
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, timeout_ms) != 1) return false;
    char buffer[4096];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) {
      // EIO once the program has gone: nothing more will come.
      ::usleep(10000);
      return false;
    }
    for (ssize_t i = 0; i < n; ++i) {
      if (buffer[i] != '\r') screen_ += buffer[i];
    }
    return true;
  }

  pid_t pid_ = -1;
  int master_ = -1;
  int status_ = -1;
  std::string screen_;
  std::size_t seen_ = 0;
};

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

class Prompt : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = std::make_unique<server_test::ServerProcess>(); }
  static void TearDownTestSuite() { server_.reset(); }

  std::string Port() const { return std::to_string(server_->Port()); }
  std::vector<std::string> Environment() const {
    return {"XDG_CONFIG_HOME=" + dir_.Path() + "/config", "HOME=" + dir_.Path(), "TERM=xterm"};
  }
  std::string HistoryFile() const { return dir_.Path() + "/config/corvane/history"; }

  // Runs the shell command line in the test's folder, with the Corvane
  // being tested as $C, standard input from input; at most 30 seconds.
  Outcome Shell(const std::string& input, const std::string& command) {
    WriteText(dir_.Path() + "/in.txt", input);
    const std::string line = "cd '" + dir_.Path() + "' && XDG_CONFIG_HOME='" + dir_.Path() +
                             "/config' C='" CORVANE_FILE "' timeout -s KILL 30 sh -c '" + command +
                             "' <in.txt >out.txt 2>err.txt";
    const int status = std::system(line.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(dir_.Path() + "/out.txt"),
            ReadText(dir_.Path() + "/err.txt")};
  }

  static std::unique_ptr<server_test::ServerProcess> server_;
  TempDir dir_;
};

std::unique_ptr<server_test::ServerProcess> Prompt::server_;

const std::string kTag(20, ' ');

std::string Expression(int n, const std::string& expr, const std::string& result) {
  return "Ln " + std::to_string(n) + ": Expression = " + expr + ": " + kTag +
         "\n       Result => " + result + "\n\n";
}

TEST_F(Prompt, RunsTypedLinesAndRecallsThemInTheNextSession) {
  const std::vector<std::string> arguments = {"--repl", "--port", Port()};
  {
    Terminal terminal(arguments, dir_.Path(), Environment());
    ASSERT_TRUE(terminal.Started());
    // Each line typed at its prompt, and what must show before the next.
    const std::vector<std::pair<std::string, std::string>> steps = {
        {"Var = r; 2", "corvane:2> "},
        {"pi*r^2", Expression(2, "pi*r^2", "Number = 12.5664")},
        {"ans*2", Expression(3, "ans*2", "Number = 25.1327")},
        {"help plot", "Syntax: Plot(fromValue; variable; ToValue; Steps; [OutFileName.txt])"},
    };
    ASSERT_TRUE(terminal.WaitFor("corvane:1> ")) << terminal.Screen();
    for (const auto& [typed, shown] : steps) {
      ASSERT_TRUE(terminal.Type(typed + "\r")) << typed;
      EXPECT_TRUE(terminal.WaitFor(shown)) << typed << "\n" << terminal.Screen();
    }
    // Ctrl+C drops the line being typed and nothing else.
    ASSERT_TRUE(terminal.Type("1+2"));
    ASSERT_TRUE(terminal.WaitFor("1+2"));
    ASSERT_TRUE(terminal.Type("\x03"));
    ASSERT_TRUE(terminal.WaitFor("corvane:4> ")) << terminal.Screen();
    ASSERT_TRUE(terminal.Type("4+4\r"));
    EXPECT_TRUE(terminal.WaitFor(Expression(4, "4+4", "Number = 8.0000"))) << terminal.Screen();
    ASSERT_TRUE(terminal.Type("quit\r"));
    EXPECT_EQ(terminal.WaitForExit(), 0) << terminal.Screen();
    EXPECT_EQ(terminal.Screen().find("1+24+4"), std::string::npos) << terminal.Screen();
  }
  // quit is no line to recall; the dropped line was never entered.
  EXPECT_EQ(ReadText(HistoryFile()), "Var = r; 2\npi*r^2\nans*2\nhelp plot\n4+4\n");

  Terminal terminal(arguments, dir_.Path(), Environment());
  ASSERT_TRUE(terminal.Started());
  ASSERT_TRUE(terminal.WaitFor("corvane:1> ")) << terminal.Screen();
  ASSERT_TRUE(terminal.Type("\x1B[A\r"));  // the up arrow: the last line
  EXPECT_TRUE(terminal.WaitFor(Expression(1, "4+4", "Number = 8.0000"))) << terminal.Screen();
  ASSERT_TRUE(terminal.WaitFor("corvane:2> ")) << terminal.Screen();
  // Five lines up: the second of the first session, whose variable the
  // server still holds.
  ASSERT_TRUE(terminal.Type("\x1B[A\x1B[A\x1B[A\x1B[A\r"));
  EXPECT_TRUE(terminal.WaitFor(Expression(2, "pi*r^2", "Number = 12.5664"))) << terminal.Screen();
  ASSERT_TRUE(terminal.WaitFor("corvane:3> ")) << terminal.Screen();
  ASSERT_TRUE(terminal.Type("\x04"));  // Ctrl+D
  EXPECT_EQ(terminal.WaitForExit(), 0) << terminal.Screen();
  EXPECT_EQ(ReadText(HistoryFile()), "Var = r; 2\npi*r^2\nans*2\nhelp plot\n4+4\npi*r^2\n");
}

TEST_F(Prompt, TellsOfAHistoryFileItLeavesAlone) {
  fs::create_directories(dir_.Path() + "/config/corvane");
  const std::string damaged = std::string("1+2\n\0\n", 6);
  WriteText(HistoryFile(), damaged);
  Terminal terminal({"--repl", "--port", Port()}, dir_.Path(), Environment());
  ASSERT_TRUE(terminal.Started());
  EXPECT_TRUE(terminal.WaitFor("line 2 holds the byte 0x00")) << terminal.Screen();
  ASSERT_TRUE(terminal.WaitFor("corvane:1> ")) << terminal.Screen();
  ASSERT_TRUE(terminal.Type("\x1B[A\r"));  // its good lines can still be recalled
  EXPECT_TRUE(terminal.WaitFor(Expression(1, "1+2", "Number = 3.0000"))) << terminal.Screen();
  ASSERT_TRUE(terminal.Type("exit\r"));
  EXPECT_EQ(terminal.WaitForExit(), 0) << terminal.Screen();
  EXPECT_TRUE(ReadText(HistoryFile()) == damaged);
}

TEST_F(Prompt, SaysOnceThatTheServerWentAway) {
  server_test::ServerProcess own;
  Terminal terminal({"--repl", "--port", std::to_string(own.Port())}, dir_.Path(), Environment());
  ASSERT_TRUE(terminal.Started());
  ASSERT_TRUE(terminal.Type("1+1\r"));
  ASSERT_TRUE(terminal.WaitFor(Expression(1, "1+1", "Number = 2.0000"))) << terminal.Screen();
  own.Signal(SIGKILL);
  ASSERT_NE(own.WaitForExit(), -1);
  ASSERT_TRUE(terminal.Type("2+2\r"));
  EXPECT_TRUE(terminal.WaitFor("Ln 2: Expression = 2+2:")) << terminal.Screen();
  EXPECT_TRUE(terminal.WaitFor(
      "the connection to the server at 127.0.0.1:" + std::to_string(own.Port()) + " is lost"))
      << terminal.Screen();
  ASSERT_TRUE(terminal.Type("3+3\r"));
  EXPECT_TRUE(terminal.WaitFor("Ln 3: Expression = 3+3:")) << terminal.Screen();
  ASSERT_TRUE(terminal.Type("quit\r"));
  EXPECT_EQ(terminal.WaitForExit(), 0) << terminal.Screen();
  EXPECT_EQ(terminal.Screen().find(" is lost", terminal.Screen().find(" is lost") + 1),
            std::string::npos)
      << terminal.Screen();
}

struct PipeCase {
  const char* what;
  std::string input;
  std::string command;
  int status;
  std::string out;  // exactly
  std::string err;  // held by standard error
};

TEST_F(Prompt, ReadsPlainLinesWithoutATerminal) {
  int closed_port = 0;
  {
    server_test::ServerProcess gone;
    closed_port = gone.Port();
  }
  const std::string repl = "$C --repl --port " + Port();
  const std::string run = "$C --run - --port " + Port();
  const std::vector<PipeCase> cases = {
      {"the session", "Var = r; 2\npi*r^2\nans*2\nhelp plot\n1/0\nquit\nExpr = 9\n", repl, 0,
       Expression(2, "pi*r^2", "Number = 12.5664") + Expression(3, "ans*2", "Number = 25.1327") +
           corvane::PromptHelp("plot") + "\n" +
           Expression(4, "1/0", "===>  ERROR n. = -9: Division by zero (eval)"),
       ""},
      {"the end of the input ends it", "1+1", repl, 0, Expression(1, "1+1", "Number = 2.0000"), ""},
      {"state kept from line to line", "VarPolyn = x\n' remark\nsolvepolyn = x^2 - 4\nans+1\n",
       repl + " --decimals 1", 0,
       "Ln 2: Polyn = x^2 - 4:\n       Solution Polyn => Number = 2.0\n\n" +
           Expression(3, "ans+1", "Number = 3.0"),
       ""},
      {"a matrix leaves ans alone", "2\nMatr = [mB]; 2; 2; 5; 6; 7; 8\n[mB]\nans\n", repl, 0,
       Expression(1, "2", "Number = 2.0000") +
           Expression(3, "[mB]",
                      "Matrix: \nmA(0, 0)=5.0000\tmA(0, 1)=6.0000\t\n"
                      "mA(1, 0)=7.0000\tmA(1, 1)=8.0000\t") +
           Expression(4, "ans", "Number = 2.0000"),
       ""},
      {"a line with a control byte", "1+\x1B[A\n2+2\n", repl, 0,
       Expression(1, "2+2", "Number = 4.0000"),
       "Corvane: line 1 holds the byte 0x1B at offset 2; it is not run\n"},
      {"an endless line", std::string(70000, '1') + "\n3*3\n", repl, 0,
       Expression(1, "3*3", "Number = 9.0000"), "line 1 is longer than 65536 bytes"},
      {"a plot writes its data file", "Plot(0; x; 1; 2; [p.txt]) = x\n", repl, 0, "",
       "plot 1: 3 samples of x written to "},
      {"no server", "1\n", "$C --repl --port " + std::to_string(closed_port), 2, "",
       "Corvane: no server at 127.0.0.1:" + std::to_string(closed_port)},
      {"not with --run", "", "$C --repl --run x.txt", 2, "", "--repl goes with neither"},
      {"a script on standard input", "Expr = 1/4\r\nExpr = 1/0\n", run, 1,
       Expression(1, "1/4", "Number = 0.2500") +
           Expression(2, "1/0", "===>  ERROR n. = -9: Division by zero (eval)"),
       "1 errors found\n"},
      {"an empty script on standard input", "", run, 0, "", "No errors\n"},
      {"no script on standard input", "Expr = 1\x7F\n", run, 2, "",
       "Corvane: standard input is not a script: it holds the byte 0x7F at offset 8\n"},
      {"standard input beyond 16 MiB", std::string((std::size_t{16} << 20) + 1, ' '), run, 2, "",
       "can't read the script from standard input"},
  };
  for (const PipeCase& c : cases) {
    const Outcome o = Shell(c.input, c.command);
    EXPECT_EQ(o.status, c.status) << c.what << "\n" << o.err;
    EXPECT_EQ(o.out, c.out) << c.what;
    EXPECT_NE(o.err.find(c.err), std::string::npos) << c.what << ": " << o.err;
  }
  EXPECT_EQ(ReadText(dir_.Path() + "/p.txt"), "Id\tX\tY\r\n0\t0\t0\r\n1\t0.5\t0.5\r\n2\t1\t1\r\n");
  // Lines from a pipe were typed nowhere: no history of them.
  EXPECT_FALSE(fs::exists(HistoryFile()));
}

}  // namespace
}  // namespace client_test
