// Corvane --run as a user starts it: output streams, Messages text, log and
// exit status, against a real trx_Server.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "interpreter.h"
#include "server_process.h"

namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

class Batch : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = std::make_unique<server_test::ServerProcess>(); }
  static void TearDownTestSuite() { server_.reset(); }

  void SetUp() override {
    char pattern[] = "/tmp/corvane_batch_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    directory_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }

  void Write(const std::string& name, const std::string& text) {
    std::ofstream(directory_ + "/" + name, std::ios::binary) << text;
  }
  std::string Read(const std::string& name) {
    std::ifstream in(directory_ + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // Runs Corvane in the test's directory with arguments already quoted.
  Outcome Corvane(const std::string& arguments) {
    const std::string command =
        "cd '" + directory_ +
        "' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" CORVANE_FILE "' " +
        arguments + " >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read("out.txt"), Read("err.txt")};
  }
  std::string Port() const { return " --port " + std::to_string(server_->Port()); }

  static std::unique_ptr<server_test::ServerProcess> server_;
  std::string directory_;
};

std::unique_ptr<server_test::ServerProcess> Batch::server_;

TEST_F(Batch, TheSamplesScriptRunsWithoutErrors) {
  std::filesystem::copy(SAMPLES_DIR, directory_ + "/InOut");
  const Outcome o = Corvane("--run 'InOut/Synt&Samp.txt'" + Port());
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "No errors\n");
  EXPECT_EQ(o.out.find("ERROR"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("Integral iFunction(0,1) => Number = 3.1416"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find(": aElemOrderEx = by Col\n"), std::string::npos) << o.out;
  EXPECT_EQ(Read("InOut/plot_sample.txt").rfind("Id\tX\tY\r\n0\t-6.283\t", 0), 0u);
  EXPECT_EQ(Read("InOut/derivative_result.txt"), "8*x^3 - 9*x^2 + 1");
}

TEST_F(Batch, ErrorsGiveStatusOneAndLinesEndInLineFeeds) {
  Write("s.txt", "Expr = 1/0\r\nExpr = 1/4\r\n");
  const Outcome o = Corvane("--run s.txt --decimals 2" + Port());
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "1 errors found\n");
  EXPECT_EQ(o.out,
            "Ln 1: Expression = 1/0:                     \n"
            "       Result => ===>  ERROR n. = -9: Division by zero (eval)\n\n"
            "Ln 2: Expression = 1/4:                     \n"
            "       Result => Number = 0.25\n\n");
}

TEST_F(Batch, ErrorBlocksSayWhereTheLibraryStopped) {
  struct Case {
    const char* line;
    const char* place;  // the line after the error's own
  };
  const Case cases[] = {
      {"Expr = x*zz+1", "       at column 3: 'zz' (unknown variable)\n"},
      {"Expr = sqrtt(2)", "       at column 1: 'sqrtt' (unknown function)\n"},
      {"Expr = (1+2", "       at column 5: the end of the text (the text ends before its ')')\n"},
      {"Expr = 1+*2", "       at column 3: '*' (no operand starts here)\n"},
      {"Expr = [mNone]*2", "       at column 1: '[mNone]' (unknown matrix)\n"},
      {"StoExpr(a) = 2 3", "       at column 3: '3' (an operator was expected here)\n"},
      {"Integrate(0; zz; 10; trap; t) = t^2", "       at column 1: 'zz' (unknown variable)\n"},
  };
  for (const Case& c : cases) {
    Write("s.txt", std::string("Var = x; 3\n") + c.line + "\n");
    const Outcome o = Corvane("--run s.txt" + Port());
    EXPECT_EQ(o.status, 1) << c.line;
    EXPECT_NE(o.out.find(std::string("ERROR n. = ")), std::string::npos) << c.line;
    EXPECT_NE(o.out.find(c.place), std::string::npos) << c.line << "\n" << o.out;
  }
  // A value error has no place: the block stays as it was.
  Write("s.txt", "Expr = 1/0\n");
  EXPECT_EQ(Corvane("--run s.txt" + Port()).out.find(" at column "), std::string::npos);
}

TEST_F(Batch, AnUnknownCommandGivesStatusOne) {
  Write("s.txt", "Expr = 1\nExprr = 2\n");
  const Outcome o = Corvane("--run s.txt --decimals 0" + Port());
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "1 errors found\n");
  EXPECT_EQ(o.out,
            "Ln 1: Expression = 1:                     \n"
            "       Result => Number = 1\n\n"
            "Ln 2: Exprr = 2:\n"
            "       Result => ===>  ERROR n. = -16: Invalid parameter (eval): unknown command "
            "'exprr'\n\n");
}

TEST_F(Batch, AByteOrderMarkBeforeTheFirstLineIsSkipped) {
  Write("s.txt",
        "\xEF\xBB\xBF"
        "Expr = 6*7\r\n");
  const Outcome o = Corvane("--run s.txt --decimals 0" + Port());
  EXPECT_EQ(o.status, 0) << o.out;
  EXPECT_EQ(o.out,
            "Ln 1: Expression = 6*7:                     \n       Result => Number = 42\n\n");
}

TEST_F(Batch, TextControlBytesAreNoCommands) {
  // Tab, form feed, vertical tab and a DOS end-of-file mark are text.
  Write("s.txt", "\tExpr = 1/4\f\r\n\v\n\x1A");
  const Outcome o = Corvane("--run s.txt --decimals 10" + Port());
  EXPECT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_EQ(o.out,
            "Ln 1: Expression = 1/4:                     \n"
            "       Result => Number = 0.2500000000\n\n");
}

TEST_F(Batch, TheLogGoesToStandardError) {
  Write("s.txt", "Expr = 1\n");
  const Outcome o = Corvane("--run s.txt --log" + Port());
  EXPECT_EQ(o.status, 0);
  for (const char* line :
       {"Client: Library TarnixT.dll loaded succesfully.\n", "Client: Network initialized !\n",
        "Client: Connected to server... - (InitClient)\n",
        "Client: Sent CMD: TLN;00000049;FUN;e_eval;str;1;dbl;00000000;lng;1; - (CliTransmitCmd)\n",
        "Client: Program will end. - (TerminateProgram)\n", "No errors\n"}) {
    EXPECT_NE(o.err.find(line), std::string::npos) << line << "\n" << o.err;
  }
}

// The windows on Qt's offscreen platform, the log copied to stderr; the
// program is ended once the log holds until.
std::string StartWindows(const std::string& directory, const std::string& arguments,
                         const std::string& until) {
  const std::string command =
      "cd '" + directory + "' && (QT_QPA_PLATFORM=offscreen '" CORVANE_FILE "' --log " + arguments +
      " >out.txt 2>err.txt & pid=$!; for i in $(seq 200); do "
      "grep -q '" +
      until + "' err.txt 2>/dev/null && break; sleep 0.05; done; kill $pid; wait $pid)";
  (void)std::system(command.c_str());
  std::ifstream in(directory + "/err.txt", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST_F(Batch, WithoutRunTheWindowsOpenInTheirOrder) {
  int closed_port = 0;
  {
    server_test::ServerProcess gone;
    closed_port = gone.Port();
  }
  // No server at the address: the start says so in the log and stays
  // unconnected, without a message box.
  const std::string err =
      StartWindows(directory_, "--port " + std::to_string(closed_port), "Can.t find the server");
  const std::size_t loaded = err.find("Client: Library TarnixT.dll loaded succesfully.\n");
  const std::size_t network = err.find("Client: Network initialized !\n");
  const std::size_t tried =
      err.find("Client: Can't find the server (check if Listening on this Port). - (InitClient)\n");
  ASSERT_NE(loaded, std::string::npos) << err;
  ASSERT_NE(network, std::string::npos) << err;
  ASSERT_NE(tried, std::string::npos) << err;
  EXPECT_LT(loaded, network);
  EXPECT_LT(network, tried);
  EXPECT_EQ(err.find("Connected to server"), std::string::npos) << err;
}

TEST_F(Batch, TheServerSeesTheClientAtItsSourceAddress) {
  Write("s.txt", "Expr = 6*7\n");
  const Outcome o = Corvane("--run s.txt --decimals 0 --source 127.0.0.23" + Port());
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("Result => Number = 42\n"), std::string::npos) << o.out;
  EXPECT_TRUE(server_->WaitForLog("Client IP: 127.0.0.23 - (EventsLoopSvr)"));
}

struct Refusal {
  const char* what;
  std::string arguments;
  int status;
  std::string message;
};

TEST_F(Batch, RefusesWhatItCannotRun) {
  int closed_port = 0;
  {
    server_test::ServerProcess gone;
    closed_port = gone.Port();
  }
  Write("s.txt", "Expr = 1\n");
  Write("nul.txt", std::string("Expr = 1\nExpr = 2") + '\0' + "\n");
  Write("esc.txt", "Expr = 1\x1B[0m\n");
  Write("del.txt", "Expr = 1\x7F\n");
  const std::string decimals = "Corvane: --decimals takes a whole number from 0 to 10\n\nusage:";
  const std::vector<Refusal> cases = {
      {"no server", "--run s.txt --port " + std::to_string(closed_port), 2,
       "Corvane: no server at 127.0.0.1:" + std::to_string(closed_port)},
      {"no script", Port(), 2, "run a script with --run SCRIPT"},
      {"missing script", "--run none.txt" + Port(), 2, "can't read the script none.txt"},
      {"bad port", "--run s.txt --port 70000", 2, "bad port: 70000"},
      {"unknown option", "--run s.txt --colour", 2, "unknown option --colour"},
      {"missing value", "--run", 2, "missing value after --run"},
      {"source no address", "--run s.txt --source 127.0.0" + Port(), 2,
       "Corvane: can't connect from 127.0.0: not a dotted IPv4 address such as 127.0.0.2\n"},
      {"source not here", "--run s.txt --source 198.51.100.7" + Port(), 2,
       "Corvane: can't connect from 198.51.100.7: not an address of this machine\n"},
      {"source missing", "--run s.txt --source", 2, "missing value after --source"},
      {"a NUL byte", "--run nul.txt" + Port(), 2,
       "Corvane: nul.txt is not a script: it holds the byte 0x00 at offset 17\n"},
      {"an escape byte", "--run esc.txt" + Port(), 2,
       "Corvane: esc.txt is not a script: it holds the byte 0x1B at offset 8\n"},
      {"a delete byte", "--run del.txt" + Port(), 2,
       "Corvane: del.txt is not a script: it holds the byte 0x7F at offset 8\n"},
      {"decimals no number", "--run s.txt --decimals abc" + Port(), 2, decimals},
      {"decimals negative", "--run s.txt --decimals -1" + Port(), 2, decimals},
      {"decimals beyond ten", "--run s.txt --decimals 11" + Port(), 2, decimals},
      {"decimals empty", "--run s.txt --decimals ''" + Port(), 2, decimals},
      {"decimals with a point", "--run s.txt --decimals 4.0" + Port(), 2, decimals},
      {"unknown format", "--run s.txt --format exp" + Port(), 2,
       "Corvane: --format takes fixed or sci\n"},
      {"format without value", "--run s.txt --format", 2, "missing value after --format"},
  };
  for (const Refusal& c : cases) {
    const Outcome o = Corvane(c.arguments);
    EXPECT_EQ(o.status, c.status) << c.what;
    EXPECT_NE(o.err.find(c.message), std::string::npos) << c.what << ": " << o.err;
    EXPECT_EQ(o.out, "") << c.what;
  }
  const Outcome help = Corvane("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: Corvane [--run SCRIPT]", 0), 0u);
  EXPECT_NE(help.out.find("  --source ADDR "), std::string::npos) << help.out;
}

TEST_F(Batch, FormatSciWritesExponentsWhereFixedPointHidesTheNumber) {
  Write("s.txt", "Expr = 1.5e-7\nExpr = 6.022E23\nExpr = 1/4\n");
  const Outcome sci = Corvane("--run s.txt --format sci" + Port());
  EXPECT_EQ(sci.status, 0) << sci.err;
  EXPECT_EQ(sci.out,
            "Ln 1: Expression = 1.5e-7:                     \n"
            "       Result => Number = 1.5000E-07\n\n"
            "Ln 2: Expression = 6.022E23:                     \n"
            "       Result => Number = 6.0220E+23\n\n"
            "Ln 3: Expression = 1/4:                     \n"
            "       Result => Number = 0.2500\n\n");
}

// --help lists every command the interpreter runs, from the keyword table;
// --list-functions the functions and constants.
TEST_F(Batch, HelpListsEveryCommandAndTheFunctions) {
  const Outcome help = Corvane("--help");
  ASSERT_EQ(help.status, 0);
  const std::string listing = help.out.substr(help.out.find("Script commands"));
  std::string lower;
  for (const char c : listing)
    lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const std::string_view command : corvane::Interpreter::CommandKeywords()) {
    const std::string at_line = "\n  " + std::string(command);
    const std::size_t found = lower.find(at_line);
    ASSERT_NE(found, std::string::npos) << command << "\n" << listing;
    const char after = lower[found + at_line.size()];
    EXPECT_TRUE(after == ' ' || after == '(') << command;
  }
  EXPECT_NE(listing.find("  Funct = FuncName; expression\n"), std::string::npos) << listing;

  const Outcome functions = Corvane("--list-functions");
  EXPECT_EQ(functions.status, 0);
  for (const char* word :
       {" sin ", " arccosec ", " mod ", " geom_mean ", " det", "  pi = 3.1415926536\n",
        "  e = 2.7182818285\n", "  to_rad = 0.0174532925\n"}) {
    EXPECT_NE(functions.out.find(word), std::string::npos) << word << "\n" << functions.out;
  }
  EXPECT_EQ(functions.out.find("exp("), std::string::npos);
}

}  // namespace
