// The prompt: how lines are sorted, the help texts, the history file, and
// Corvane --repl and --run - as a user runs them, on a pseudo-terminal and
// through pipes, against a real trx_Server.
#include <gtest/gtest.h>
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
#include <functional>
#include <memory>
#include <sstream>

#include "../../AuxFunct/text.h"
#include "interpreter.h"
#include "repl.h"
#include "server_process.h"

namespace {

namespace fs = std::filesystem;
using Kind = corvane::PromptRequest::Kind;
using Clock = std::chrono::steady_clock;

std::string ReadText(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A folder of its own for a test, removed with it.
struct TempDir {
  TempDir() {
    char pattern[] = "/tmp/corvane_repl_XXXXXX";
    path = ::mkdtemp(pattern) != nullptr ? pattern : "/tmp/corvane_repl_failed";
  }
  ~TempDir() {
    std::error_code error;
    fs::remove_all(path, error);
  }
  std::string path;
};

TEST(PromptRequest, SortsLinesByTheirFirstWord) {
  const std::vector<std::tuple<std::string, Kind, std::string>> cases = {
      {" \t ", Kind::Nothing, ""},
      {"  EXIT ", Kind::Quit, ""},
      {"HELP \t StoExpr() ", Kind::Help, "StoExpr()"},
      {"  var=r;2", Kind::Run, "var=r;2"},
      {"\tpi*r^2 ", Kind::Run, "Expr = pi*r^2"},
      {"integrate (0;1;10;trap;x)=x", Kind::Run, "integrate (0;1;10;trap;x)=x"},
      // A keyword without "=" stays a command: the interpreter says what is missing.
      {"plot(1)", Kind::Run, "plot(1)"},
      {"sin(x) = 1", Kind::Run, "Expr = sin(x) = 1"},
      {"Exprr = 3", Kind::Run, "Expr = Exprr = 3"},
      {"  '' a title", Kind::Comment, "'' a title"},
  };
  for (const auto& [typed, kind, text] : cases) {
    const corvane::PromptRequest r = corvane::ReadRequest(typed);
    EXPECT_EQ(r.kind, kind) << "typed: '" << typed << "'";
    EXPECT_EQ(r.text, text) << "typed: '" << typed << "'";
  }
}

TEST(PromptHelp, TellsTheKeywordsHelpInAnyCase) {
  const std::string plot = "Syntax: Plot(fromValue; variable; ToValue; Steps; [OutFileName.txt])";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"plot", plot},
      {"PLOT", plot},
      {"sin", "Function: SIN"},
      {"solvepolyn", "Syntax: SolvePolyn = Polynomium"},
      {"(", "no help for '(': help lists the commands"},
  };
  for (const auto& [topic, holds] : cases) {
    const std::string text = corvane::PromptHelp(topic);
    EXPECT_NE(text.find(holds), std::string::npos) << "help " << topic << ":\n" << text;
    EXPECT_EQ(text.find_first_of("\r"), std::string::npos) << "help " << topic;
  }
  const std::string list = aux::Lower(corvane::PromptHelp(""));
  for (const std::string_view keyword : corvane::Interpreter::CommandKeywords()) {
    EXPECT_NE(list.find(" " + std::string(keyword)), std::string::npos) << keyword << "\n" << list;
  }
}

TEST(PromptHistory, IsWrittenAsLinesComeAndKeepsTheLastOnes) {
  const TempDir dir;
  const std::string path = dir.path + "/a/b/history";
  corvane::History history(path, 3);
  EXPECT_TRUE(history.Load().empty());
  EXPECT_EQ(history.Problem(), "");
  for (const char* line : {"1", "1", " ", "2", "3"}) EXPECT_TRUE(history.Add(line)) << line;
  EXPECT_EQ(ReadText(path), "1\n2\n3\n");  // before the session ends: a crash loses nothing
  EXPECT_TRUE(history.Add("4"));
  EXPECT_EQ(ReadText(path), "2\n3\n4\n");
  WriteText(path, "a\r\nb\n\nc\nd");  // longer, by hand, without the last line end
  corvane::History again(path, 3);
  EXPECT_EQ(again.Load(), (std::vector<std::string>{"b", "c", "d"}));
  EXPECT_TRUE(again.Add("e"));
  EXPECT_EQ(ReadText(path), "c\nd\ne\n");
}

TEST(PromptHistory, LeavesAFileItCannotUseAsItIs) {
  struct Case {
    const char* what;
    std::string content;  // "" for a folder at the file's place
    std::string problem;
    std::vector<std::string> kept;
  };
  const std::vector<Case> cases = {
      {"escape byte", "1+2\nab\x1B[A\n3\n", "line 2 holds the byte 0x1B at offset 2", {"1+2", "3"}},
      {"too large", std::string((std::size_t{8} << 20) + 1, 'x'), "larger than 8388608 bytes", {}},
      {"a folder", "", "is no file", {}},
  };
  for (const Case& c : cases) {
    const TempDir dir;
    const std::string path = dir.path + "/history";
    c.content.empty() ? (void)fs::create_directory(path) : WriteText(path, c.content);
    corvane::History history(path, 1000);
    EXPECT_EQ(history.Load(), c.kept) << c.what;
    EXPECT_NE(history.Problem().find(c.problem), std::string::npos)
        << c.what << ": " << history.Problem();
    EXPECT_FALSE(history.Add("5*5")) << c.what;
    EXPECT_TRUE(c.content.empty() || ReadText(path) == c.content) << c.what << ": file changed";
  }
}

// Corvane --repl started on a pseudo-terminal, as a user at a terminal runs it.
class Terminal {
 public:
  Terminal(int port, const std::string& home) {
    // Made before the fork: the test has threads, so the child may only exec.
    std::string args[] = {CORVANE_FILE, "--repl", "--port", std::to_string(port)};
    std::string env[] = {"XDG_CONFIG_HOME=" + home + "/config", "HOME=" + home, "TERM=xterm"};
    std::vector<char*> argv, envp;
    for (std::string& a : args) argv.push_back(a.data());
    for (std::string& e : env) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    winsize size{};
    size.ws_row = 50;
    size.ws_col = 250;  // no line of the tests wraps
    pid_ = ::forkpty(&master_, nullptr, nullptr, &size);
    if (pid_ == 0) {
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

  // Types keys once the line editor reads key by key: typed before it takes
  // the terminal over, they would be echoed as a line by the terminal, and
  // Ctrl+C would reach no prompt.
  bool Type(const std::string& keys) {
    termios mode{};
    return Until([&] { return ::tcgetattr(master_, &mode) != 0 || !(mode.c_lflag & ICANON); }) &&
           ::write(master_, keys.data(), keys.size()) == static_cast<ssize_t>(keys.size());
  }
  // Waits until needle shows after what the earlier waits found (CRs are
  // taken out of the screen).
  bool WaitFor(const std::string& needle) {
    std::size_t at = std::string::npos;
    if (!Until([&] { return (at = screen_.find(needle, seen_)) != std::string::npos; })) {
      return false;
    }
    seen_ = at + needle.size();
    return true;
  }
  // The exit status; -1 when the program does not end in time.
  int WaitForExit() {
    int status = 0;
    if (!Until([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; })) return -1;
    return status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  const std::string& Screen() const { return screen_; }

 private:
  // Reads the screen until done() holds, for 10 s at most.
  bool Until(const std::function<bool()>& done) {
    for (const auto end = Clock::now() + std::chrono::seconds(10); !done();) {
      if (Clock::now() >= end) return false;
      pollfd p{master_, POLLIN, 0};
      char buffer[4096];
      if (::poll(&p, 1, 20) != 1) continue;
      const ssize_t n = ::read(master_, buffer, sizeof buffer);
      if (n <= 0) ::usleep(20000);  // the program has gone: EIO until it is reaped
      for (ssize_t i = 0; i < n; ++i) {
        if (buffer[i] != '\r') screen_ += buffer[i];
      }
    }
    return true;
  }

  pid_t pid_ = -1;
  int master_ = -1;
  int status_ = -1;
  std::string screen_;
  std::size_t seen_ = 0;
};

class Prompt : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = std::make_unique<server_test::ServerProcess>(); }
  static void TearDownTestSuite() { server_.reset(); }

  // Runs the shell command in the test's folder with the Corvane under test
  // as $C and input as standard input, for 30 s at most.
  std::tuple<int, std::string, std::string> Shell(const std::string& input,
                                                  const std::string& command) {
    WriteText(dir_.path + "/in.txt", input);
    const int status = std::system(("cd '" + dir_.path + "' && XDG_CONFIG_HOME='" + dir_.path +
                                    "/config' C='" CORVANE_FILE "' timeout -s KILL 30 sh -c '" +
                                    command + "' <in.txt >out.txt 2>err.txt")
                                       .c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(dir_.path + "/out.txt"),
            ReadText(dir_.path + "/err.txt")};
  }

  static std::unique_ptr<server_test::ServerProcess> server_;
  TempDir dir_;
};

std::unique_ptr<server_test::ServerProcess> Prompt::server_;

// A result block as the prompt prints it; tagged: the blanks where a
// result file's name would stand.
std::string Block(int n, const std::string& head, const std::string& result, bool tagged = true) {
  return "Ln " + std::to_string(n) + ": " + head + ":" + (tagged ? std::string(21, ' ') : "") +
         "\n       " + result + "\n\n";
}
std::string Expression(int n, const std::string& expr, const std::string& number) {
  return Block(n, "Expression = " + expr, "Result => Number = " + number);
}

TEST_F(Prompt, RunsTypedLinesAndRecallsThemInTheNextSession) {
  {
    Terminal terminal(server_->Port(), dir_.path);
    // Each line typed at its prompt, and what shows before the next.
    const std::vector<std::pair<std::string, std::string>> steps = {
        {"Var = r; 2\r", "corvane:2> "},
        {"pi*r^2\r", Expression(2, "pi*r^2", "12.5664")},
        {"ans*2\r", Expression(3, "ans*2", "25.1327")},
        {"help plot\r", "Syntax: Plot(fromValue; variable; ToValue; Steps; [OutFileName.txt])"},
        {"1+2", "1+2"},
        {"\x03", "corvane:4> "},  // Ctrl+C drops the line being typed
        {"4+4\r", Expression(4, "4+4", "8.0000")},
    };
    for (const auto& [typed, shown] : steps) {
      ASSERT_TRUE(terminal.Type(typed)) << typed;
      ASSERT_TRUE(terminal.WaitFor(shown)) << typed << "\n" << terminal.Screen();
    }
    ASSERT_TRUE(terminal.Type("quit\r"));
    EXPECT_EQ(terminal.WaitForExit(), 0) << terminal.Screen();
  }
  const std::string history = dir_.path + "/config/corvane/history";
  EXPECT_EQ(ReadText(history), "Var = r; 2\npi*r^2\nans*2\nhelp plot\n4+4\n");

  Terminal terminal(server_->Port(), dir_.path);
  ASSERT_TRUE(terminal.Type("\x1B[A\r"));  // the up arrow: the last line
  EXPECT_TRUE(terminal.WaitFor(Expression(1, "4+4", "8.0000"))) << terminal.Screen();
  // Four more up: the second line of the last session; the server kept r.
  ASSERT_TRUE(terminal.Type("\x1B[A\x1B[A\x1B[A\x1B[A\r"));
  EXPECT_TRUE(terminal.WaitFor(Expression(2, "pi*r^2", "12.5664"))) << terminal.Screen();
  ASSERT_TRUE(terminal.Type("\x04"));  // Ctrl+D
  EXPECT_EQ(terminal.WaitForExit(), 0) << terminal.Screen();
  EXPECT_EQ(ReadText(history), "Var = r; 2\npi*r^2\nans*2\nhelp plot\n4+4\npi*r^2\n");
}

TEST_F(Prompt, ReadsPlainLinesWithoutATerminal) {
  const std::string repl = "$C --repl --port " + std::to_string(server_->Port());
  const std::string run = "$C --run - --port " + std::to_string(server_->Port());
  const std::string division = "Result => ===>  ERROR n. = -9: Division by zero (eval)";
  struct Case {
    const char* what;
    std::string input;
    std::string command;
    int status;
    std::string out;  // exactly
    std::string err;  // held by standard error
  };
  const std::vector<Case> cases = {
      {"quit ends it", "help sin\n1/0\nquit\nExpr = 9\n", repl, 0,
       "Function: SIN\n\n" + Block(1, "Expression = 1/0", division), ""},
      {"state kept, ans from each kind of number, not from a matrix",
       "VarPolyn = x\n' remark\nsolvepolyn = x^2 - 4\nans+1\nStoExpr(a) = 6\nans\n"
       "Integrate(0; 1; 10; simp; x) = 3*x^2\nMatr = [mB]; 2; 2; 5; 6; 7; 8\n[mB]*0\nans",
       repl + " --decimals 1", 0,
       Block(2, "Polyn = x^2 - 4", "Solution Polyn => Number = 2.0", false) +
           Expression(3, "ans+1", "3.0") + Block(4, "Expression = 6", "Stored => Number a = 6.0") +
           Expression(5, "ans", "6.0") +
           Block(6, "iFunction = 3*x^2", "Integral iFunction(0,1) => Number = 1.0") +
           Block(8, "Expression = [mB]*0",
                 "Result => Matrix: \nmA(0, 0)=0.0\tmA(0, 1)=0.0\t\nmA(1, 0)=0.0\tmA(1, 1)=0.0\t") +
           Expression(9, "ans", "1.0"),
       ""},
      {"a control byte, an endless line", "1+\x1B[A\n" + std::string(70000, '1') + "\n3*3\n", repl,
       0, Expression(1, "3*3", "9.0000"),
       "Corvane: line 1 holds the byte 0x1B at offset 2; it is not run\n"
       "Corvane: line 2 is longer than 65536 bytes; it is not run\n"},
      {"a plot", "Plot(0; x; 1; 2; [p.txt]) = x\n", repl, 0, "",
       "plot 1: 3 samples of x written to " + dir_.path + "/p.txt; the prompt draws no window"},
      {"no server", "1\n", "$C --repl --port 1", 2, "", "Corvane: no server at 127.0.0.1:1\n"},
      {"scientific numbers, an error's place", "1.5e-7*1\n2*zz\n", repl + " --format sci", 0,
       Expression(1, "1.5e-7*1", "1.5000E-07") +
           Block(2, "Expression = 2*zz",
                 "Result => ===>  ERROR n. = -7: Token match error (eval)\n"
                 "       at column 3: 'zz' (unknown variable)"),
       ""},
      {"a script on standard input", "Expr = 1/4\r\nExpr = 1/0\n", run, 1,
       Expression(1, "1/4", "0.2500") + Block(2, "Expression = 1/0", division), "1 errors found\n"},
      {"standard input beyond 16 MiB", std::string((std::size_t{16} << 20) + 1, ' '), run, 2, "",
       "can't read the script from standard input"},
  };
  for (const Case& c : cases) {
    const auto [status, out, err] = Shell(c.input, c.command);
    EXPECT_EQ(status, c.status) << c.what << "\n" << err;
    EXPECT_EQ(out, c.out) << c.what;
    EXPECT_NE(err.find(c.err), std::string::npos) << c.what << ": " << err;
  }
  EXPECT_EQ(ReadText(dir_.path + "/p.txt"), "Id\tX\tY\r\n0\t0\t0\r\n1\t0.5\t0.5\r\n2\t1\t1\r\n");
  EXPECT_FALSE(fs::exists(dir_.path + "/config"));  // lines from a pipe: no history
}

}  // namespace
