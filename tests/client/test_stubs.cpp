// The call stubs against a scripted server: the frames they send, byte for
// byte, how they read replies (including ones no real server sends), and
// how they behave without a connection or when the server goes away.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "../../AuxFunct/aux_funct.h"
#include "client.h"
#include "fake_server.h"
#include "trx_cli.h"

namespace {

using client_test::FakeServer;
using client_test::Reply;

std::string NameOf(const std::string& command) {
  return std::string(aux::FieldS(std::string_view(command).substr(trx::kHeaderSize), 2));
}

std::string Doubles(const std::vector<double>& values) {
  std::string bytes(values.size() * 8, '\0');
  std::memcpy(bytes.data(), values.data(), bytes.size());
  return bytes;
}

// "FUN;name;ret;0;" for every call; e_evals echoes its count with blocks.
Reply Plain(const std::string& command) {
  const std::string name = NameOf(command);
  if (name == "e_evals") {
    const int32_t count = aux::FieldL(std::string_view(command).substr(trx::kHeaderSize), 12);
    const std::size_t n = static_cast<std::size_t>(count) + 1;
    return {"FUN;e_evals;ret;-1;lng;" + std::to_string(count) + ";",
            Doubles(std::vector<double>(2 * n + 5, 1.0))};
  }
  if (name == "FindMatrix") return {"FUN;FindMatrix;ret;0;lng;0;lng;0;"};
  return {"FUN;" + name + ";ret;0;"};
}

class Stubs : public ::testing::Test {
 protected:
  void SetUp() override {
    trx::SetLogSink([this](const std::string& line) { log_.push_back(line); });
    trx::SetMessageBox([this](const std::string& text, const std::string& title) {
      boxes_.push_back(title + ": " + text);
    });
  }
  void TearDown() override {
    trx::Disconnect();
    trx::SetLogSink(nullptr);
    trx::SetMessageBox(nullptr);
  }
  void Connect(const FakeServer& server) {
    ASSERT_NE(trx::InitClient("127.0.0.1", server.Port()), 0);
  }
  int Count(const std::string& needle) const {
    int n = 0;
    for (const std::string& line : log_) n += line.find(needle) != std::string::npos ? 1 : 0;
    return n;
  }

  std::vector<std::string> log_;
  std::vector<std::string> boxes_;
};

TEST_F(Stubs, SendTheirCommandsByteForByte) {
  FakeServer server(Plain);
  Connect(server);
  double value = 0;
  double xs[5];
  double ys[5];
  double info[5];
  int32_t rows = 2;
  int32_t cols = 3;
  struct Case {
    std::function<void()> call;
    std::string body;
  };
  const std::vector<Case> cases = {
      {[&] { trx_cli::e_eval("2+3", &value, 1); }, "FUN;e_eval;str;2+3;dbl;00000000;lng;1;"},
      {[&] { trx_cli::e_eval("sum(1;2)", &value, 0); },
       "FUN;e_eval;str;sum(1|2);dbl;00000000;lng;0;"},
      {[&] { trx_cli::e_evals("x^2", 0.5, "x", 2, 4, xs, ys, info); },
       "FUN;e_evals;str;x^2;dbl;0.5;str;x;dbl;2;lng;4;"},
      {[&] { trx_cli::e_evals("x", -1.25, "x", 1e-11, 0, xs, ys, info); },
       "FUN;e_evals;str;x;dbl;-1.25;str;x;dbl;0;lng;0;"},
      {[&] { trx_cli::Integrate("x^2", 0, 1.5, 10, 1, "x", &value); },
       "FUN;Integrate;str;x^2;dbl;0.0000000000;dbl;1.5000000000;lng;10;str;trap;str;x;"},
      {[&] { trx_cli::Integrate("x^2", -1, 1, 7, 0, "x", &value); },
       "FUN;Integrate;str;x^2;dbl;-1.0000000000;dbl;1.0000000000;lng;7;str;rect;str;x;"},
      {[&] { trx_cli::Integrate("x^2", 0, 1, 10, 2, "t", &value); },
       "FUN;Integrate;str;x^2;dbl;0.0000000000;dbl;1.0000000000;lng;10;str;simp;str;t;"},
      {[&] { trx_cli::dSolve("x^2-4", "x"); }, "FUN;dSolve;str;x^2-4;str;x;"},
      {[&] { trx_cli::lPoly_dydx("3*x^2", "x"); }, "FUN;lPoly_dydx;str;3*x^2;str;x;"},
      {[&] { trx_cli::SetVarFunct("a", "5", 0); }, "FUN;SetVarFunct;str;a;str;5;lng;0;"},
      {[&] { trx_cli::SetStrMatrix("[mA];1;2;3;4", 0, 1); },
       "FUN;SetStrMatrix;str;[mA]|1|2|3|4;bte;0;bte;1.0000000000;"},
      {[&] { trx_cli::FindMatrix("[mA]", 9, &rows, &cols); },
       "FUN;FindMatrix;str;[mA];lng;9;lng;2;lng;3;"},
      {[&] { trx_cli::aPrint(5, 2, 2, "String", "0.00", "", ""); },
       "FUN;aPrint;ptr;5;lng;2;lng;2;str;String;str;0.00;str;;str;;"},
      {[&] { trx_cli::aAbout(1); }, "FUN;aAbout;Lng;1;"},
      {[&] { trx_cli::GetE_ErrDescr(-9); }, "FUN;GetE_ErrDescr;Lng;-9;"},
      {[&] { trx_cli::GetE_Error(); }, "FUN;GetE_Error;"},
      {[&] { trx_cli::GetResultType(); }, "FUN;GetResultType;"},
      {[&] { trx_cli::aElemOrderSet(1); }, "FUN;aElemOrderSet;Lng;1;"},
      {[&] { trx_cli::SetDebugF(1); }, "FUN;SetDebugF;Lng;1;"},
      {[&] { trx_cli::ShowMsgs(2); }, "FUN;ShowMsgs;Lng;2;"},
      {[&] { trx_cli::ReSetDuZuradi(); }, "FUN;ReSetDuZuradi;"},
  };
  for (const Case& c : cases) c.call();
  const std::vector<std::string> sent = server.Commands();
  ASSERT_EQ(sent.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(sent[i], trx::FrameMessage(cases[i].body));
  }
  EXPECT_EQ(sent[0], "TLN;00000051;FUN;e_eval;str;2+3;dbl;00000000;lng;1;");
  EXPECT_EQ(Count("ERROR"), 0);
  EXPECT_EQ(Count("Rec: e_evals - Vectors. Bytes: 120 OK"), 1);
}

TEST_F(Stubs, ReadTheirResultsOutOfTheReply) {
  FakeServer server([](const std::string& command) -> Reply {
    const std::string name = NameOf(command);
    if (name == "e_eval") return {"FUN;e_eval;ret;-1;dbl;2.5000000000;"};
    if (name == "dSolve") return {"FUN;dSolve;dbl;2.0000000000;"};
    if (name == "lPoly_dydx") return {"FUN;lPoly_dydx;ret; -3*x^2;"};
    if (name == "GetE_ErrDescr") return {"FUN;GetE_ErrDescr;ret;-1;str;Division by zero (eval);"};
    if (name == "aAbout") return {"FUN;aAbout;ret;0;str;Tarnix about;"};
    if (name == "aPrint") return {"FUN;aPrint;ret;m(0)=1;"};
    if (name == "SetStrMatrix") return {"FUN;SetStrMatrix;ret;-15;"};
    if (name == "GetE_Error") return {"FUN;GetE_Errorx;ret;-9;"};  // a mismatched name
    return Plain(command);
  });
  Connect(server);
  double value = 0;
  EXPECT_EQ(trx_cli::e_eval("1", &value, 1), -1);
  EXPECT_EQ(value, 2.5);
  EXPECT_EQ(trx_cli::dSolve("x^2-4", "x"), 2.0);
  EXPECT_EQ(trx::Client().SolveValue, 2.0);
  EXPECT_STREQ(trx_cli::lPoly_dydx("-x^3", "x"), " -3*x^2");
  EXPECT_STREQ(trx_cli::GetE_ErrDescr(-9), "Division by zero (eval)");
  EXPECT_EQ(trx_cli::SetStrMatrix("[mB];2;2;1", 0, 1), -15);

  EXPECT_STREQ(trx_cli::aAbout(1), "Tarnix about");
  EXPECT_TRUE(boxes_.empty());
  EXPECT_STREQ(trx_cli::aAbout(0), "Tarnix about");
  EXPECT_EQ(boxes_, std::vector<std::string>{"About Tarnix.dll: Tarnix about"});
  EXPECT_STREQ(trx_cli::aPrint(1, 1, 1, "MsgBox", "", "", ""), "m(0)=1");
  EXPECT_EQ(boxes_.back(), "Tarnnix.dll: m(0)=1");
  trx_cli::aPrint(1, 1, 1, "Debug", "", "", "");
  EXPECT_EQ(Count("Client: m(0)=1"), 1);

  EXPECT_EQ(trx_cli::GetE_Error(), -9);  // a mismatch is logged, the reply used
  EXPECT_EQ(Count("ERROR: Function Mistmatch: GetE_Error vs GetE_Errorx"), 1);
}

TEST_F(Stubs, ReadNumberFieldsThatAreNoFiniteNumbers) {
  struct Case {
    std::string field;
    double value;  // NaN for a NaN
  };
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<Case> cases = {
      {"inf", inf}, {"-inf", -inf}, {"+inf", inf},         {" inf", inf},
      {"nan", nan}, {"-nan", nan},  {"2.5000000000", 2.5}, {"-0.5", -0.5},
  };
  // The server answers with the field the test sends as the expression.
  FakeServer server([](const std::string& command) -> Reply {
    const std::string_view body = std::string_view(command).substr(trx::kHeaderSize);
    const std::string field(aux::FieldS(body, 4));
    if (NameOf(command) == "dSolve") return {"FUN;dSolve;dbl;" + field + ";"};
    return {"FUN;Integrate;ret;-1;dbl;" + field + ";"};
  });
  Connect(server);
  for (const Case& c : cases) {
    double value = 0;
    trx_cli::Integrate(c.field.c_str(), 0, 1, 1, 0, "x", &value);
    const double root = trx_cli::dSolve(c.field.c_str(), "x");
    if (std::isnan(c.value)) {
      EXPECT_TRUE(std::isnan(value)) << c.field;
      EXPECT_TRUE(std::isnan(root)) << c.field;
    } else {
      EXPECT_EQ(value, c.value) << c.field;
      EXPECT_EQ(root, c.value) << c.field;
    }
  }
}

TEST_F(Stubs, FindMatrixKeepsOnlyTheLastMatrix) {
  int calls = 0;
  FakeServer server([&calls](const std::string&) -> Reply {
    const double base = ++calls * 10.0;
    return {"FUN;FindMatrix;ret;3;lng;2;lng;2;", Doubles({base + 1, base + 2, base + 3, base + 4})};
  });
  Connect(server);
  int32_t rows = 0;
  int32_t cols = 0;
  const double* first = trx_cli::FindMatrix("[mA]", 9, &rows, &cols);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(rows, 2);
  EXPECT_EQ(cols, 2);
  EXPECT_EQ(std::vector<double>(first, first + 4), (std::vector<double>{11, 12, 13, 14}));
  const double* second = trx_cli::FindMatrix("[mB]", 9, &rows, &cols);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(std::vector<double>(second, second + 4), (std::vector<double>{21, 22, 23, 24}));
  EXPECT_EQ(second, trx::Client().MatrixBuffer.data());
  EXPECT_EQ(Count("Rec: FindMatrix - Matrix. Bytes: 32 OK"), 2);
}

TEST_F(Stubs, SurplusPointsNeverWritePastTheBuffers) {
  // Asked for 2 steps (3 points), the server echoes 5 steps and sends them.
  FakeServer server([](const std::string& command) -> Reply {
    if (NameOf(command) != "e_evals") return {"FUN;GetE_Error;ret;-1;"};
    std::vector<double> blocks;
    for (int i = 0; i < 6; ++i) blocks.push_back(i);
    for (int i = 0; i < 6; ++i) blocks.push_back(100 + i);
    for (int i = 0; i < 5; ++i) blocks.push_back(200 + i);
    return {"FUN;e_evals;ret;-1;lng;5;", Doubles(blocks)};
  });
  Connect(server);
  std::vector<double> xs(3, -1);
  std::vector<double> ys(3, -1);
  std::vector<double> info(5, -1);
  EXPECT_EQ(trx_cli::e_evals("x", 0, "x", 1, 2, xs.data(), ys.data(), info.data()), -1);
  EXPECT_EQ(xs, (std::vector<double>{0, 1, 2}));
  EXPECT_EQ(ys, (std::vector<double>{100, 101, 102}));
  EXPECT_EQ(info, (std::vector<double>{200, 201, 202, 203, 204}));
  EXPECT_EQ(Count("the server echoes 5 points, not the 2 asked for"), 1);
  // The surplus was read off the stream: the next call is still in step.
  EXPECT_EQ(trx_cli::GetE_Error(), -1);
  EXPECT_EQ(Count("Mistmatch"), 0);
}

TEST_F(Stubs, WithoutConnectionReturnNothingAtOnce) {
  double value = 7;
  EXPECT_EQ(trx_cli::e_eval("1+2", &value, 1), 0);
  EXPECT_EQ(value, 0.0);
  EXPECT_EQ(Count("No NetWork Connection"), 2);
  int32_t rows = 4;
  int32_t cols = 4;
  EXPECT_EQ(trx_cli::FindMatrix("[mA]", 9, &rows, &cols), nullptr);
  EXPECT_EQ(rows, 0);
  EXPECT_EQ(cols, 0);
  EXPECT_STREQ(trx_cli::lPoly_dydx("x^2", "x"), "");
  EXPECT_EQ(trx_cli::dSolve("x", "x"), 0.0);
  EXPECT_EQ(trx_cli::GetE_Error(), 0);
  EXPECT_STREQ(trx_cli::GetE_ErrDescr(-9), "");
  EXPECT_EQ(Count("No NetWork Connection"), 12);
}

TEST_F(Stubs, NoServerAtThePortIsReported) {
  int port = 0;
  {
    FakeServer gone(Plain);
    port = gone.Port();
  }
  EXPECT_EQ(trx::InitClient("127.0.0.1", port), 0);
  EXPECT_EQ(trx::Client().ClientConnected, 0);
  EXPECT_EQ(Count("Can't find the server (check if Listening on this Port)."), 1);
}

TEST_F(Stubs, AServerThatGoesAwayIsNoticedAtOnce) {
  FakeServer server([](const std::string&) { return Reply{"", "", true}; });
  Connect(server);
  const auto start = std::chrono::steady_clock::now();
  double value = 7;
  EXPECT_EQ(trx_cli::e_eval("1+2", &value, 1), 0);
  EXPECT_EQ(trx_cli::GetE_Error(), 0);
  EXPECT_EQ(trx_cli::GetE_Error(), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(trx::Client().ClientConnected, 0);
  EXPECT_EQ(Count("The server has closed the connection."), 1);
  // Once for the reply of the call that found the server gone, twice for
  // each later call.
  EXPECT_EQ(Count("No NetWork Connection"), 5);
}

TEST_F(Stubs, AnOverlongCommandIsNotSent) {
  FakeServer server([](const std::string& command) -> Reply {
    if (NameOf(command) == "GetE_Error") return {"FUN;GetE_Error;ret;-1;"};
    return {"FUN;e_eval;ret;-1;dbl;3.0000000000;"};
  });
  Connect(server);
  double value = 7;
  const std::string longest = std::string(3000 - 51 + 3, '1');  // a frame of exactly 3000
  const std::string beyond = longest + "1";
  EXPECT_EQ(trx_cli::e_eval(beyond.c_str(), &value, 1), 0);
  EXPECT_EQ(trx_cli::GetE_Error(), trx_cli::kNotSent);
  EXPECT_NE(std::string(trx_cli::GetE_ErrDescr(trx_cli::kNotSent)).find("3000 bytes"),
            std::string::npos);
  EXPECT_TRUE(server.Commands().empty());
  EXPECT_EQ(trx_cli::e_eval(longest.c_str(), &value, 1), -1);
  EXPECT_EQ(server.Commands().at(0).size(), 3000u);
  EXPECT_EQ(trx_cli::GetE_Error(), -1);
}

TEST_F(Stubs, TheEndAsksBeforeEndingTheServer) {
  FakeServer server([](const std::string&) { return Reply{}; });  // ACK only
  Connect(server);
  int asked = 0;
  trx::TerminateProgram([&asked] {
    ++asked;
    return true;
  });
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(server.Commands(), std::vector<std::string>{"TLN;00000027;FUN;ServerEnd;"});
  EXPECT_EQ(Count("Client: Closing Server remotely - (TerminateProgram)"), 1);
  EXPECT_EQ(Count("Client: ServerEnd - (TerminateProgram)"), 1);
  EXPECT_EQ(Count("Client: Program will end. - (TerminateProgram)"), 1);
  EXPECT_EQ(trx::Client().ClientConnected, 0);
  // Not connected any more: no question, only the end line again.
  trx::TerminateProgram([&asked] { return ++asked > 0; });
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(Count("Program will end."), 2);
}

TEST_F(Stubs, AnswerNoLeavesTheServerRunning) {
  FakeServer server(Plain);
  Connect(server);
  trx::TerminateProgram([] { return false; });
  EXPECT_TRUE(server.Commands().empty());
  EXPECT_EQ(Count("Closing Server remotely"), 0);
  EXPECT_EQ(trx::Client().ClientConnected, 0);
}

TEST_F(Stubs, TheIdlePollNoticesAServerThatLeft) {
  auto server = std::make_unique<FakeServer>(Plain);
  Connect(*server);
  EXPECT_TRUE(trx::CheckConnection());
  server.reset();  // closes its side
  bool gone = false;
  for (int i = 0; i < 100 && !gone; ++i) {
    gone = !trx::CheckConnection();
    if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(gone);
  EXPECT_EQ(Count("The server has closed the connection. - (EventsLoopCli)"), 1);
  EXPECT_FALSE(trx::CheckConnection());
}

// A listener of the test's own: the accepted socket names the address the
// client came from, which FakeServer does not keep.
TEST_F(Stubs, ConnectFromTheSourceAddressGiven) {
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof at;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
  ASSERT_EQ(::listen(listener, 4), 0);
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&at), &length), 0);
  const int port = ntohs(at.sin_port);
  // "" is the system's choice, which on loopback is 127.0.0.1.
  for (const std::string source : {"127.0.0.9", "127.1.2.3", ""}) {
    ASSERT_NE(trx::InitClient("127.0.0.1", port, source), 0) << source;
    pollfd p{listener, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 5000), 1) << source;
    sockaddr_in peer{};
    socklen_t peer_length = sizeof peer;
    const int fd = ::accept(listener, reinterpret_cast<sockaddr*>(&peer), &peer_length);
    ASSERT_GE(fd, 0);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    EXPECT_EQ(std::string(text), source.empty() ? "127.0.0.1" : source);
    ::close(fd);
    trx::Disconnect();
  }
  ::close(listener);
  EXPECT_EQ(Count("Source address: 127.0.0.9"), 1);
  EXPECT_EQ(Count("Source address: 127.1.2.3"), 1);
  EXPECT_EQ(Count("Source address:"), 2);
}

TEST_F(Stubs, ASourceAddressThatCanNotBeBoundIsRefusedBeforeConnecting) {
  FakeServer server(Plain);
  EXPECT_EQ(trx::SourceAddressProblem("127.0.0.2"), "");
  // 198.51.100.7 is a documentation address that no test machine holds; the
  // bind fails, so nothing is ever sent from or to it.
  const std::vector<std::string> bad = {"127.0.0",         "127.0.0.256",  "localhost",
                                        " 127.0.0.2",      "127.0.0.2:80", "0.0.0.0",
                                        "255.255.255.255", "224.0.0.1",    "198.51.100.7"};
  for (const std::string& source : bad) {
    EXPECT_NE(trx::SourceAddressProblem(source), "") << source;
    EXPECT_EQ(trx::InitClient("127.0.0.1", server.Port(), source), 0) << source;
    EXPECT_EQ(trx::Client().ClientConnected, 0) << source;
  }
  EXPECT_EQ(trx::SourceAddressProblem("198.51.100.7"), "not an address of this machine");
  EXPECT_EQ(trx::SourceAddressProblem("localhost"), "not a dotted IPv4 address such as 127.0.0.2");
  EXPECT_EQ(Count("Can't connect from "), static_cast<int>(bad.size()));
  EXPECT_EQ(Count("Connected to server"), 0);
  EXPECT_TRUE(server.Commands().empty());
}

}  // namespace
