// trx_Server --sessions isolated: every connection is served by a process
// of its own, so clients never see each other's state; the listening
// process counts, reaps and ends the sessions, and a session ends with its
// client, even in the middle of a computation.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <thread>

#include "server_process.h"

namespace server_test {
namespace {

using std::chrono::milliseconds;

const std::string kSixTimesSeven = Command("FUN;e_eval;str;6*7;dbl;00000000;lng;0;");
const std::string kFortyTwo = Reply("FUN;e_eval;ret;0;dbl;42.0000000000;");

// Far longer than any test: 16,777,215 points of a 300-term sum.
std::string EndlessIntegrate() {
  std::string sum = "x";
  for (int i = 0; i < 300; ++i) sum += "+sin(x)";
  return Command("FUN;Integrate;str;" + sum + ";dbl;0;dbl;1;lng;16777215;str;rect;str;x;");
}

// The process that serves client n, from the log line that names it.
int SessionPid(ServerProcess& server, int client) {
  const std::string needle = "Client " + std::to_string(client) + " is served by process ";
  if (!server.WaitForLog(needle)) return -1;
  for (const std::string& line : server.Log()) {
    const std::size_t at = line.find(needle);
    if (at != std::string::npos) return std::atoi(line.c_str() + at + needle.size());
  }
  return -1;
}

// Gone and reaped: no zombie is left either.
bool ProcessGone(int pid, int timeout_ms) {
  const auto end = std::chrono::steady_clock::now() + milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < end) {
    if (::kill(pid, 0) != 0 && errno == ESRCH) return true;
    std::this_thread::sleep_for(milliseconds(10));
  }
  return false;
}

// ---- What one client does, the other sees only when they share -------------------

struct Leak {
  const char* what;
  const char* by_a;      // what client A calls
  const char* probe_b;   // what client B then calls
  const char* isolated;  // B's result body when every client has a state of its own
  const char* shared;    // and when they share one
};

// B calls each probe once before A acts, too, so B's own last error is "no error".
const Leak kLeaks[] = {
    {"a variable", "FUN;SetVarFunct;str;x;str;5;lng;0;", "FUN;e_eval;str;x*2;dbl;00000000;lng;0;",
     "FUN;e_eval;ret;-7;dbl;0.0000000000;", "FUN;e_eval;ret;0;dbl;10.0000000000;"},
    {"a function", "FUN;SetVarFunct;str;hyp;str;3+4;lng;1;",
     "FUN;e_eval;str;hyp;dbl;00000000;lng;0;", "FUN;e_eval;ret;-7;dbl;0.0000000000;",
     "FUN;e_eval;ret;0;dbl;7.0000000000;"},
    {"a matrix", "FUN;SetStrMatrix;str;[mLeak]|1|1|9;bte;0;bte;0.0000000000;",
     "FUN;e_eval;str;det([mLeak]);dbl;00000000;lng;0;", nullptr,
     "FUN;e_eval;ret;0;dbl;9.0000000000;"},
    {"the last error", "FUN;e_eval;str;1/0;dbl;00000000;lng;0;", "FUN;GetE_Error;",
     "FUN;GetE_Error;ret;-1;", "FUN;GetE_Error;ret;-9;"},
};

void ExpectLeaks(ServerProcess& server, bool isolated) {
  RawClient a(server.Port());
  RawClient b(server.Port());
  ASSERT_EQ(b.Call(kSixTimesSeven), kFortyTwo);
  for (const Leak& leak : kLeaks) {
    a.Call(Command(leak.by_a));
    const std::string seen = b.Call(Command(leak.probe_b));
    if (isolated && leak.isolated == nullptr) {
      EXPECT_NE(Ret(seen), "0") << leak.what << ": " << seen;
    } else {
      EXPECT_EQ(seen, Reply(isolated ? leak.isolated : leak.shared)) << leak.what;
    }
    b.Call(kSixTimesSeven);  // B's last error is its own again
  }
  // The element order: A's choice reorders what B reads back only when shared.
  a.Call(Command("FUN;aElemOrderSet;Lng;1;"));
  b.Call(Command("FUN;SetStrMatrix;str;[mB]|2|3|1|2|3|4|5|6;bte;0;bte;0.0000000000;"));
  std::string block;
  b.Call(Command("FUN;FindMatrix;str;[mB];lng;33;lng;0;lng;0;"), 48, &block);
  const std::vector<double> rows{1, 2, 3, 4, 5, 6};
  EXPECT_EQ(Doubles(block) == rows, isolated) << "the element order";
}

TEST(Sessions, TwoClientsOfAnIsolatedServerNeverSeeEachOthersState) {
  struct Case {
    std::vector<std::string> args;
    bool headless;
    bool isolated;
  };
  for (const Case& c : {Case{{"--sessions", "isolated"}, true, true},
                        Case{{"--sessions", "isolated", "--listen"}, false, true},
                        Case{{"--sessions", "shared"}, true, false}, Case{{}, true, false}}) {
    SCOPED_TRACE((c.args.empty() ? std::string("default") : c.args[1]) +
                 (c.headless ? " headless" : " window"));
    ServerProcess server(c.args, true, c.headless);
    ExpectLeaks(server, c.isolated);
    // Both forms log what the sessions did, each line naming its client.
    EXPECT_EQ(server.WaitForLog("Server: [Client 2] Received CMD: ", c.isolated ? 5000 : 0),
              c.isolated);
  }
}

TEST(Sessions, EverySessionLogsWholeLinesThatNameItsClient) {
  ServerProcess server({"--sessions", "isolated"});
  std::vector<std::thread> clients;
  for (int i = 0; i < 3; ++i) {
    clients.emplace_back([&server] {
      RawClient client(server.Port());
      for (int k = 0; k < 200; ++k) EXPECT_EQ(client.Call(kSixTimesSeven), kFortyTwo);
    });
  }
  for (std::thread& t : clients) t.join();
  for (int n = 1; n <= 3; ++n) {
    EXPECT_TRUE(server.WaitForLog("The session of Client " + std::to_string(n) + " has ended"));
  }
  int calls = 0;
  for (const std::string& line : server.Log()) {
    EXPECT_EQ(line.rfind("Server: ", 0), 0u) << line;
    if (line.find("] Received CMD: TLN;00000051;FUN;e_eval;str;6*7;") != std::string::npos) {
      EXPECT_EQ(line.rfind("Server: [Client ", 0), 0u) << line;
      ++calls;
    }
  }
  EXPECT_EQ(calls, 600);
}

// ---- ServerEnd ---------------------------------------------------------------------

TEST(Sessions, ServerEndEndsTheWholeServerOnlyFromThisMachineWithoutProtect) {
  struct Case {
    std::vector<std::string> args;
    bool from_lan;
    bool server_ends;
  };
  const std::string lan = LanAddress();
  for (const Case& c : {Case{{}, false, true}, Case{{"--protect"}, false, false},
                        Case{{"--allow", "any"}, true, false}}) {
    if (c.from_lan && lan.empty()) continue;  // no address besides loopback here
    std::vector<std::string> args{"--sessions", "isolated"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    SCOPED_TRACE(std::to_string(c.args.size()) + " options, from " + (c.from_lan ? lan : "lo"));
    ServerProcess server(args);
    RawClient client(server.Port(), c.from_lan ? lan : "127.0.0.1");
    client.Send(Command("FUN;ServerEnd;"));
    EXPECT_EQ(client.ReadByte(), 6);
    EXPECT_TRUE(client.ClosedByServer());
    if (c.server_ends) {
      EXPECT_EQ(server.WaitForExit(5000), 0);
      EXPECT_TRUE(server.WaitForLog("the whole server will end", 0));
    } else {
      EXPECT_TRUE(server.WaitForLog("ServerEnd ends the session of Client 1 only"));
      RawClient next(server.Port());
      EXPECT_EQ(next.Call(kSixTimesSeven), kFortyTwo);
    }
  }
}

// ---- Sessions end with their client, their server, or a kill --------------------------

TEST(Sessions, AClientThatHangsUpInTheMiddleOfALongCallEndsItsSessionAtOnce) {
  ServerProcess server({"--sessions", "isolated", "--max-call-ms", "0"});
  int pid = -1;
  {
    RawClient client(server.Port());
    client.Send(EndlessIntegrate());
    ASSERT_EQ(client.ReadByte(), 6);  // the call computes now
    pid = SessionPid(server, 1);
    ASSERT_GT(pid, 0);
  }
  EXPECT_TRUE(server.WaitForLog("The call of Client 1 was interrupted: its client has gone", 3000));
  EXPECT_TRUE(ProcessGone(pid, 3000));
  EXPECT_TRUE(server.WaitForLog("The session of Client 1 has ended (process"));
  RawClient next(server.Port());
  EXPECT_EQ(next.Call(kSixTimesSeven), kFortyTwo);
}

TEST(Sessions, SigtermEndsTheServerAndEverySession) {
  ServerProcess server({"--sessions", "isolated", "--max-call-ms", "0"});
  RawClient computing(server.Port());
  computing.Send(EndlessIntegrate());
  ASSERT_EQ(computing.ReadByte(), 6);
  RawClient idle(server.Port());
  ASSERT_EQ(idle.Call(kSixTimesSeven), kFortyTwo);
  const int pids[] = {SessionPid(server, 1), SessionPid(server, 2)};
  server.Signal(SIGTERM);
  EXPECT_EQ(server.WaitForExit(5000), 0);
  for (const int pid : pids) {
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(ProcessGone(pid, 3000)) << pid;
  }
  EXPECT_TRUE(computing.ClosedByServer());
  EXPECT_TRUE(idle.ClosedByServer());
}

TEST(Sessions, AKilledSessionIsReapedAndTheServerGoesOn) {
  ServerProcess server({"--sessions", "isolated"});
  RawClient victim(server.Port());
  ASSERT_EQ(victim.Call(kSixTimesSeven), kFortyTwo);
  const int pid = SessionPid(server, 1);
  ASSERT_GT(pid, 0);
  ::kill(pid, SIGKILL);
  EXPECT_TRUE(victim.ClosedByServer());
  EXPECT_TRUE(server.WaitForLog("The session of Client 1 has ended by signal 9"));
  EXPECT_TRUE(ProcessGone(pid, 3000));
  RawClient next(server.Port());
  EXPECT_EQ(next.Call(kSixTimesSeven), kFortyTwo);
}

TEST(Sessions, MaxClientsCountsTheSessions) {
  ServerProcess server({"--sessions", "isolated", "--max-clients", "2"});
  std::optional<RawClient> first;
  first.emplace(server.Port());
  RawClient second(server.Port());
  ASSERT_EQ(first->Call(kSixTimesSeven), kFortyTwo);
  ASSERT_EQ(second.Call(kSixTimesSeven), kFortyTwo);
  {
    RawClient third(server.Port());
    EXPECT_TRUE(third.ClosedByServer());
  }
  EXPECT_TRUE(server.WaitForLog("2 clients are connected (--max-clients)"));
  first.reset();
  EXPECT_TRUE(server.WaitForLog("The session of Client 1 has ended"));
  RawClient fourth(server.Port());
  EXPECT_EQ(fourth.Call(kSixTimesSeven), kFortyTwo);
}

TEST(Sessions, ABadModeIsRefused) {
  for (const char* bad : {"private", "", "Isolated"}) {
    ServerProcess server({"--sessions", bad}, false);
    EXPECT_EQ(server.WaitForExit(5000), 2) << bad;
  }
}

}  // namespace
}  // namespace server_test
