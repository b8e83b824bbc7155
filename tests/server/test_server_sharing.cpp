// trx_Server shared by careless and hostile clients: whatever one does, a
// well-behaved client keeps its latency and its correct answers, the limits
// answer with their error numbers, and the log can be neither forged nor
// made to stop the server.
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <unistd.h>

#include <arpa/inet.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "server_process.h"

namespace server_test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

const std::string kSixTimesSeven = Command("FUN;e_eval;str;6*7;dbl;00000000;lng;0;");
const std::string kFortyTwo = Reply("FUN;e_eval;ret;0;dbl;42.0000000000;");

// Seconds of work: 16,000,001 points of eight products of sines and cosines
// (the library runs some twenty million points of one product a second).
std::string LongIntegrate() {
  std::string sum = "sin(x)*cos(x)";
  for (int i = 1; i < 8; ++i) sum += "+sin(x)*cos(x)";
  return Command("FUN;Integrate;str;" + sum + ";dbl;0;dbl;1;dbl;16000000;str;trap;str;x;");
}

// A well-behaved client calling e_eval for a while: the slowest call and
// the number of wrong answers.
struct Probe {
  Clock::duration slowest{};
  int calls = 0;
  int wrong = 0;
};

Probe ProbeFor(int port, milliseconds duration) {
  Probe probe;
  RawClient client(port);
  const auto end = Clock::now() + duration;
  while (Clock::now() < end) {
    const auto start = Clock::now();
    const bool right = client.Call(kSixTimesSeven) == kFortyTwo;
    probe.slowest = std::max(probe.slowest, Clock::now() - start);
    ++probe.calls;
    probe.wrong += right ? 0 : 1;
    ::usleep(5000);
  }
  return probe;
}

void ExpectPromptAndRight(const Probe& probe) {
  EXPECT_GT(probe.calls, 10);
  EXPECT_EQ(probe.wrong, 0);
  EXPECT_LT(probe.slowest, milliseconds(1000));
}

long ResidentKiB(int pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

double CpuSeconds(int pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  long ticks = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14 || i == 15) ticks += std::stol(field);  // utime, stime
  }
  return static_cast<double>(ticks) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// ---- Nobody waits for anybody ---------------------------------------------------------

TEST(SharedServer, ClientsThatStopInTheMiddleOfACallDelayNobody) {
  ServerProcess server({"--wait-ms", "2000"});  // the protocol's 10 s, shortened
  // Each offender stops at another step of the protocol.
  RawClient no_first_ack(server.Port());
  no_first_ack.Send(Command("FUN;e_eval;str;1+1;dbl;00000000;lng;0;"));
  RawClient no_second_ack(server.Port());
  no_second_ack.Send(Command("FUN;e_eval;str;2+2;dbl;00000000;lng;0;"));
  ASSERT_EQ(no_second_ack.ReadByte(), 6);
  ASSERT_EQ(no_second_ack.ReadBytes(13).size(), 13u);
  no_second_ack.Send("\x06");
  RawClient half_frame(server.Port());
  half_frame.Send("TLN;00000051;FUN;e_eval;str;2+");
  RawClient not_reading(server.Port());  // 16 MB of blocks it never reads
  not_reading.Send(Command("FUN;e_evals;str;x;dbl;0;str;x;dbl;1;lng;1000000;"));
  ASSERT_EQ(not_reading.ReadByte(), 6);
  ASSERT_EQ(not_reading.ReadBytes(13).size(), 13u);
  not_reading.Send("\x06");

  ExpectPromptAndRight(ProbeFor(server.Port(), milliseconds(3000)));

  // Each was dropped alone when its own wait ran out.
  EXPECT_TRUE(server.WaitForLog("Rec: ACK - TimeOut", 3000));
  EXPECT_TRUE(server.WaitForLog("its ACK did not come within 2000 ms", 3000));
  EXPECT_TRUE(server.WaitForLog("Rec: CMD - TimeOut", 3000));
  EXPECT_TRUE(server.WaitForLog("it read nothing of its result for 2000 ms", 3000));
  for (RawClient* offender : {&no_first_ack, &no_second_ack, &half_frame}) {
    EXPECT_TRUE(offender->ClosedByServer(3000));
  }
}

TEST(SharedServer, APipelinedCommandIsAnsweredAfterTheFirst) {
  ServerProcess server;
  RawClient client(server.Port());
  client.Send(Command("FUN;e_eval;str;1+1;dbl;00000000;lng;0;") +
              Command("FUN;e_eval;str;2+2;dbl;00000000;lng;0;"));
  for (const char* value : {"2.0000000000", "4.0000000000"}) {
    ASSERT_EQ(client.ReadByte(), 6);
    std::string result = client.ReadBytes(13);
    ASSERT_EQ(result.size(), 13u);
    result += client.ReadBytes(static_cast<std::size_t>(std::stoi(result.substr(4, 8)) - 12));
    EXPECT_EQ(result, Reply(std::string("FUN;e_eval;ret;0;dbl;") + value + ";"));
    client.Send("\x06\x06");
  }
}

TEST(SharedServer, MemoryOfALargeEEvalsIsGivenBack) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer keeps freed memory in quarantine";
#endif
  ServerProcess server;
  RawClient client(server.Port());
  ASSERT_EQ(client.Call(kSixTimesSeven), kFortyTwo);
  const long before = ResidentKiB(server.Pid());
  const std::size_t points = 4000001;
  std::string blocks;
  client.Call(Command("FUN;e_evals;str;x;dbl;0;str;x;dbl;1;lng;4000000;"), 8 * (2 * points + 5),
              &blocks);
  ASSERT_EQ(blocks.size(), 8 * (2 * points + 5));
  ASSERT_EQ(client.Call(kSixTimesSeven), kFortyTwo);
  EXPECT_LT(ResidentKiB(server.Pid()) - before, 16 * 1024);  // 64 MB were sent
}

// ---- Limits ---------------------------------------------------------------------------

TEST(SharedServer, ACallThatComputesTooLongIsInterrupted) {
  ServerProcess server({"--max-call-ms", "300"});
  const std::string integrate = LongIntegrate();
  std::string result;
  std::thread offender([&] { result = RawClient(server.Port()).Call(integrate); });
  ::usleep(50000);
  const Probe probe = ProbeFor(server.Port(), milliseconds(1500));
  offender.join();
  ExpectPromptAndRight(probe);
  EXPECT_EQ(Ret(result), "-20");
  EXPECT_TRUE(server.WaitForLog("interrupted: it computed longer than the --max-call-ms limit"));
  // Alone, the error number stays for the client to ask.
  RawClient client(server.Port());
  EXPECT_EQ(Ret(client.Call(integrate)), "-20");
  EXPECT_EQ(client.Call(Command("FUN;GetE_Error;")), Reply("FUN;GetE_Error;ret;-20;"));
  EXPECT_EQ(client.Call(Command("FUN;GetE_ErrDescr;lng;-20;")),
            Reply("FUN;GetE_ErrDescr;ret;0;str;Interrupted (eval);"));
  EXPECT_EQ(client.Call(kSixTimesSeven), kFortyTwo);
}

TEST(SharedServer, ACallWhoseClientHangsUpStops) {
  ServerProcess server({"--max-call-ms", "0"});
  {
    RawClient client(server.Port());
    client.Send(LongIntegrate());
    ASSERT_EQ(client.ReadByte(2000), 6);  // the ACK leaves on its own after a second
  }
  const auto gone = Clock::now();
  RawClient client(server.Port());
  EXPECT_EQ(client.Call(kSixTimesSeven), kFortyTwo);
  EXPECT_LT(Clock::now() - gone, milliseconds(1000));
  EXPECT_TRUE(server.WaitForLog("interrupted: its client has gone"));
}

// 1400 ones as a column or a row: 2800 bytes, one frame.
std::string OnesMatrix(const std::string& name, bool column) {
  std::string text = name + (column ? "|1400|1|" : "|1|1400|");
  for (int i = 0; i < 1400; ++i) text += "1|";
  text.pop_back();
  return Command("FUN;SetStrMatrix;str;" + text + ";lng;0;lng;0;");
}

TEST(SharedServer, AFrameCanNotTakeMoreMatrixMemoryThanAllowed) {
  ServerProcess server({"--max-call-mb", "64"});
  RawClient client(server.Port());
  // SetStrMatrix answers the matrix's place in the list.
  ASSERT_EQ(Ret(client.Call(OnesMatrix("[a]", true))), "0");
  ASSERT_EQ(Ret(client.Call(OnesMatrix("[b]", false))), "1");
  // Each product is 1400 x 1400 doubles, 15.7 MB; one is within the limit.
  std::string sum = "[a]*[b]";
  for (int i = 0; i < 40; ++i) sum += "+[a]*[b]";
  const auto start = Clock::now();
  EXPECT_EQ(Ret(client.Call(Command("FUN;e_eval;str;" + sum + ";dbl;00000000;lng;0;"))), "-12");
  EXPECT_LT(Clock::now() - start, milliseconds(5000));
  EXPECT_LT(ResidentKiB(server.Pid()), 200 * 1024);
  EXPECT_EQ(client.Call(kSixTimesSeven), kFortyTwo);
}

TEST(SharedServer, TheNumberOfStoredEntriesIsLimited) {
  ServerProcess server({"--max-entries", "3"});
  RawClient client(server.Port());
  auto store = [&](const std::string& name, const std::string& value) {
    return Ret(client.Call(Command("FUN;SetVarFunct;str;" + name + ";str;" + value + ";lng;1;")));
  };
  const std::string ok = store("v1", "1");
  EXPECT_EQ(store("v2", "2"), ok);
  EXPECT_EQ(store("v3", "3"), ok);
  EXPECT_NE(store("v4", "4"), ok);  // a fourth name is refused
  EXPECT_EQ(client.Call(Command("FUN;GetE_Error;")), Reply("FUN;GetE_Error;ret;-12;"));
  EXPECT_EQ(store("v1", "10"), ok);  // replacing one still works
  EXPECT_EQ(client.Call(Command("FUN;e_eval;str;v1+v3;dbl;00000000;lng;0;")),
            Reply("FUN;e_eval;ret;0;dbl;13.0000000000;"));
}

TEST(SharedServer, ClientsBeyondTheLimitAreRefusedPolitely) {
  ServerProcess server({"--max-clients", "2"});
  auto first = std::make_unique<RawClient>(server.Port());
  RawClient second(server.Port());
  EXPECT_EQ(second.Call(kSixTimesSeven), kFortyTwo);
  RawClient third(server.Port());
  EXPECT_TRUE(third.ClosedByServer(3000));
  EXPECT_TRUE(server.WaitForLog("Refused a client from 127.0.0.1: 2 clients are connected"));
  first.reset();
  ASSERT_TRUE(server.WaitForLog("Client 1 has closed the connection."));
  RawClient fourth(server.Port());
  EXPECT_EQ(fourth.Call(kSixTimesSeven), kFortyTwo);
}

TEST(SharedServer, RunningOutOfDescriptorsRefusesWithoutSpinning) {
  rlimit saved{};
  ::getrlimit(RLIMIT_NOFILE, &saved);
  rlimit low = saved;
  low.rlim_cur = 24;  // the server inherits it
  ::setrlimit(RLIMIT_NOFILE, &low);
  std::unique_ptr<ServerProcess> server;
  try {
    server = std::make_unique<ServerProcess>();
  } catch (...) {
  }
  ::setrlimit(RLIMIT_NOFILE, &saved);
  ASSERT_TRUE(server);
  std::vector<std::unique_ptr<RawClient>> crowd;
  for (int i = 0; i < 40; ++i) crowd.push_back(std::make_unique<RawClient>(server->Port()));
  EXPECT_TRUE(server->WaitForLog("Refused a client: the server has run out of file descriptors"));
  const double cpu = CpuSeconds(server->Pid());
  ::usleep(1000000);
  EXPECT_LT(CpuSeconds(server->Pid()) - cpu, 0.2);  // no busy loop
  crowd.clear();
  ::usleep(200000);
  RawClient client(server->Port());
  EXPECT_EQ(client.Call(kSixTimesSeven), kFortyTwo);
}

// ---- Who may connect, and who may stop or wipe the server -----------------------------

TEST(SharedServer, TheAllowListRefusesAndAccepts) {
  {
    ServerProcess server({"--allow", "10.255.0.0/16"});
    RawClient outsider(server.Port());
    EXPECT_TRUE(outsider.ClosedByServer(3000));
    EXPECT_TRUE(server.WaitForLog(
        "Refused a client from 127.0.0.1: not in the allowed networks (--allow)"));
  }
  for (const char* allow : {"127.0.0.1", "10.0.0.0/8,127.0.0.0/8", "any"}) {
    ServerProcess server({"--allow", allow});
    RawClient client(server.Port());
    EXPECT_EQ(client.Call(kSixTimesSeven), kFortyTwo) << allow;
  }
  for (const char* bad : {"10.0.0.0/33", "example.org", "10.0.0.0/", ""}) {
    ServerProcess server({"--allow", bad}, false);
    EXPECT_EQ(server.WaitForExit(5000), 2) << bad;
  }
}

TEST(SharedServer, ProtectKeepsEndAndResetToThisMachine) {
  const std::string lan = LanAddress();
  if (lan.empty()) GTEST_SKIP() << "this machine has no address besides loopback";
  ServerProcess server({"--protect", "--allow", "any"});
  RawClient remote(server.Port(), lan);
  ASSERT_EQ(Ret(remote.Call(Command("FUN;SetVarFunct;str;kept;str;7;lng;1;"))), "0");
  EXPECT_EQ(remote.Call(Command("FUN;ReSetDuZuradi;lng;0;")), Reply("FUN;ReSetDuZuradi;ret;-16;"));
  EXPECT_TRUE(server.WaitForLog("ReSetDuZuradi refused: Client 1 (" + lan + ")"));
  remote.Send(Command("FUN;ServerEnd;"));
  EXPECT_EQ(remote.ReadByte(), 6);
  EXPECT_TRUE(server.WaitForLog("ServerEnd refused"));
  EXPECT_EQ(remote.Call(Command("FUN;e_eval;str;kept*6;dbl;00000000;lng;0;")),
            Reply("FUN;e_eval;ret;0;dbl;42.0000000000;"));
  RawClient local(server.Port());
  local.Send(Command("FUN;ServerEnd;"));
  EXPECT_EQ(server.WaitForExit(5000), 0);
}

// ---- The log ---------------------------------------------------------------------------

TEST(SharedServer, ALogLineCanNotBeForged) {
  ServerProcess server;
  RawClient client(server.Port());
  client.Call(Command("FUN;e_eval;str;1\r\nServer: forged\t;dbl;00000000;lng;0;"));
  ASSERT_TRUE(server.WaitForLog("1\\x0D\\x0AServer: forged\\x09"));
  for (const std::string& line : server.Log()) EXPECT_NE(line.rfind("Server: forged", 0), 0u);
}

TEST(SharedServer, AFullStandardOutputNeverStopsTheServer) {
  ServerProcess server;
  server.PauseReading(true);
  RawClient client(server.Port());
  // Each call logs its 2.9 KB frame: far more than the pipe and the log's
  // own buffer hold.
  std::string sum = "6*7";
  for (int i = 0; i < 1440; ++i) sum += "+0";
  const std::string frame = Command("FUN;e_eval;str;" + sum + ";dbl;00000000;lng;0;");
  int right = 0;
  for (int i = 0; i < 1500; ++i) right += client.Call(frame) == kFortyTwo ? 1 : 0;
  EXPECT_EQ(right, 1500);
  server.PauseReading(false);
  EXPECT_EQ(client.Call(kSixTimesSeven), kFortyTwo);
  EXPECT_TRUE(server.WaitForLog("log lines dropped: standard output was not read"));
}

TEST(SharedServer, TheLogLevelChoosesTheLines) {
  struct Case {
    const char* level;
    bool steps;
    bool errors;
  };
  for (const Case& c :
       {Case{"calls", true, true}, Case{"errors", false, true}, Case{"quiet", false, false}}) {
    ServerProcess server({"--log", c.level});
    RawClient client(server.Port());
    EXPECT_EQ(client.Call(kSixTimesSeven), kFortyTwo);
    client.Send(Command("FUN;E_EVAL;"));
    EXPECT_EQ(client.ReadByte(), 6);
    client.Send(Command("FUN;ServerEnd;"));
    EXPECT_EQ(server.WaitForExit(5000), 0);
    EXPECT_EQ(server.WaitForLog("Received CMD", 0), c.steps) << c.level;
    EXPECT_EQ(server.WaitForLog("CMD Invalid.", 0), c.errors) << c.level;
    EXPECT_TRUE(server.WaitForLog("Program will end.", 0)) << c.level;
  }
}

}  // namespace
}  // namespace server_test
