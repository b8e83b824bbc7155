// trx_Server over loopback: every dispatcher entry, the binary blocks, the
// log lines, the end of the program, and robustness against bad clients.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

#include "server_process.h"

namespace server_test {
namespace {

class Server : public ::testing::Test {
 protected:
  ServerProcess server;
};

// ---- The exchanges of the protocol, byte for byte --------------------------------

TEST_F(Server, EEvalOfTwoPlusThree) {
  RawClient client(server.Port());
  const std::string cmd = "TLN;00000051;FUN;e_eval;str;2+3;dbl;00000000;lng;1;";
  ASSERT_EQ(cmd, Command("FUN;e_eval;str;2+3;dbl;00000000;lng;1;"));
  EXPECT_EQ(client.Call(cmd), "TLN;00000047;FUN;e_eval;ret;0;dbl;5.0000000000;;");
  for (const std::string& line :
       {std::string("Server: A new client has connected. Client 1 - (EventsLoopSvr)"),
        std::string("Server: Client IP: 127.0.0.1 - (EventsLoopSvr)"),
        "Server: Received CMD: " + cmd + " - (SvrReceiveCmd)",
        std::string("Server: Sent: ACK - (SendByte)"),
        std::string("Server: CMD Executed - (SvrExecuteCMD)"),
        std::string("Server: Sent RES: TLN;00000047;FUN;e_eval;ret;0;dbl;5.0000000000;; - "
                    "(SvrTransmitRes)"),
        std::string("Server: Rec: ACK - (WaitForByte)"), "Server: " + std::string(46, '-')}) {
    EXPECT_TRUE(server.WaitForLog(line)) << line;
  }
}

TEST_F(Server, EEvalsSendsItsThreeBlocks) {
  RawClient client(server.Port());
  const std::string cmd = "TLN;00000058;FUN;e_evals;str;x^2;dbl;0;str;x;dbl;1;lng;10;";
  ASSERT_EQ(cmd, Command("FUN;e_evals;str;x^2;dbl;0;str;x;dbl;1;lng;10;"));
  std::string blocks;
  EXPECT_EQ(client.Call(cmd, 216, &blocks), "TLN;00000039;FUN;e_evals;ret;-1;lng;10;;");
  ASSERT_EQ(blocks.size(), 216u);
  const std::vector<double> v = Doubles(blocks);
  EXPECT_EQ(v[0], 0);
  EXPECT_NEAR(v[10], 1, 1e-15);
  EXPECT_NEAR(v[11 + 5], 0.25, 1e-15);  // y at x = 0.5
  EXPECT_EQ(v[22], 0);                  // info[0]
  EXPECT_NEAR(v[26], 1, 1e-15);         // info[4]: the largest y
  EXPECT_TRUE(server.WaitForLog("Sent e_evals - Vectors. Sent 216 bytes OK - (SvrTransmitRes)"));

  std::string zero_blocks;
  EXPECT_EQ(client.Call(Command("FUN;e_evals;str;x+1;dbl;2;str;x;dbl;3;lng;0;"), 56, &zero_blocks),
            Reply("FUN;e_evals;ret;-1;lng;0;"));
  ASSERT_EQ(zero_blocks.size(), 56u);
  EXPECT_EQ(Doubles(zero_blocks)[1], 3);  // y at the single point x = 2
}

TEST_F(Server, EEvalsRefusesCountsOutOfRange) {
  RawClient client(server.Port());
  for (const char* count : {"-1", "16777216", "999999999"}) {
    std::string blocks;
    EXPECT_EQ(
        client.Call(Command(std::string("FUN;e_evals;str;x;dbl;0;str;x;dbl;1;lng;") + count + ";"),
                    56, &blocks),
        "TLN;00000039;FUN;e_evals;ret;-16;lng;0;;")
        << count;
    EXPECT_EQ(blocks, std::string(56, '\0')) << count;
  }
  // The connection is in step: the next call is answered.
  EXPECT_EQ(client.Call(Command("FUN;e_eval;str;1+1;dbl;00000000;lng;0;")),
            Reply("FUN;e_eval;ret;0;dbl;2.0000000000;"));
}

TEST_F(Server, ShapesOfTheResultBodies) {
  RawClient client(server.Port());
  // SetDebugF's body has no final ";"; dSolve's has no "ret".
  EXPECT_EQ(client.Call(Command("FUN;SetDebugF;Lng;1;")), "TLN;00000032;FUN;SetDebugF;ret;1;");
  EXPECT_EQ(client.Call(Command("FUN;dSolve;str;x^2-4;str;x;")),
            Reply("FUN;dSolve;dbl;2.0000000000;"));
  // A text matrix travels with "|" for ";"; asked for its handle, a positive number.
  const std::string stored =
      client.Call(Command("FUN;SetStrMatrix;str;[mA]|2|2|1|2|3|4;bte;1;bte;0.0000000000;"));
  EXPECT_GT(std::stoi(Field(stored, 6)), 0);
  EXPECT_EQ(stored, Reply("FUN;SetStrMatrix;ret;" + Field(stored, 6) + ";"));
  EXPECT_EQ(client.Call(Command("FUN;e_eval;str;det([mA]);dbl;00000000;lng;0;")),
            Reply("FUN;e_eval;ret;0;dbl;-2.0000000000;"));
}

// ---- Every entry of the dispatcher ------------------------------------------------

struct Entry {
  const char* command_body;
  const char* result_body;
};

TEST_F(Server, EveryDispatcherEntryAnswers) {
  RawClient client(server.Port());
  const Entry entries[] = {
      {"FUN;SetVarFunct;str;x;str;3;lng;0;", "FUN;SetVarFunct;ret;0;"},
      {"FUN;e_eval;str;x*2;dbl;00000000;lng;0;", "FUN;e_eval;ret;0;dbl;6.0000000000;"},
      {"FUN;e_eval;str;1/0;dbl;00000000;lng;0;", "FUN;e_eval;ret;-9;dbl;1.0000000000;"},
      {"FUN;GetE_Error;", "FUN;GetE_Error;ret;-9;"},
      {"FUN;GetE_ErrDescr;Lng;-9;", "FUN;GetE_ErrDescr;ret;0;str;Division by zero (eval);"},
      {"FUN;GetE_ErrPlace;", "FUN;GetE_ErrPlace;ret;0;str;;"},
      // A ";" the library points at travels as the stand-in of every text.
      {"FUN;e_eval;str;1|2;dbl;00000000;lng;0;", "FUN;e_eval;ret;-3;dbl;1.0000000000;"},
      {"FUN;GetE_ErrPlace;",
       "FUN;GetE_ErrPlace;ret;2;str;at column 2: '|' (an operator was expected here);"},
      {"FUN;GetResultType;", "FUN;GetResultType;ret;0;"},
      {"FUN;lPoly_dydx;str;3*x^2-5*x+7;str;x;", "FUN;lPoly_dydx;ret;6*x - 5;"},
      {"FUN;Integrate;str;t^2;dbl;0.0000000000;dbl;1.0000000000;lng;10;str;trap;str;t;",
       "FUN;Integrate;ret;0;dbl;0.3350000000;"},
      {"FUN;Integrate;str;t^2;dbl;0.0000000000;dbl;1.0000000000;lng;10;str;rect;str;t;",
       "FUN;Integrate;ret;0;dbl;0.3325000000;"},
      {"FUN;Integrate;str;t^2;dbl;0;dbl;1;lng;10;str;simp;str;t;",
       "FUN;Integrate;ret;0;dbl;0.3333333333;"},
      {"FUN;Integrate;str;t^2;dbl;0;dbl;1;lng;10;str;Simpson;str;t;",
       "FUN;Integrate;ret;0;dbl;0.3333333333;"},
      {"FUN;Integrate;str;t;dbl;0;dbl;1;lng;99999999;str;rect;str;t;",
       "FUN;Integrate;ret;-16;dbl;0.0000000000;"},
      {"FUN;GetE_Error;", "FUN;GetE_Error;ret;-16;"},
      {"FUN;Integrate;str;t;dbl;0;dbl;1;lng;10;str;trapz;str;t;",
       "FUN;Integrate;ret;-16;dbl;0.0000000000;"},
      {"FUN;GetE_Error;", "FUN;GetE_Error;ret;-16;"},
      {"FUN;dSolve;str;x^2-9;str;x;", "FUN;dSolve;dbl;3.0000000000;"},
      {"FUN;SetStrMatrix;str;[mB]|1|2|5|6;bte;0;bte;0.0000000000;", "FUN;SetStrMatrix;ret;0;"},
      {"FUN;aElemOrderSet;Lng;0;", "FUN;aElemOrderSet;ret;-1;str;;"},
      {"FUN;aElemOrderSet;Lng;7;", "FUN;aElemOrderSet;ret;50;str;;"},
      {"FUN;ShowMsgs;Lng;0;", "FUN;ShowMsgs;ret;;"},
      {"FUN;ReSetDuZuradi;", "FUN;ReSetDuZuradi;ret;;"},
      {"FUN;GetResultType;", "FUN;GetResultType;ret;-1;"},
  };
  for (const Entry& e : entries) {
    EXPECT_EQ(client.Call(Command(e.command_body)), Reply(e.result_body)) << e.command_body;
  }
  // Always the text with its caption (mode 1), never a box on the server.
  const std::string about = client.Call(Command("FUN;aAbout;Lng;0;"));
  EXPECT_EQ(about.substr(13, 40), "FUN;aAbout;ret;0;str;About Tarnix.dll - ");
  EXPECT_NE(Field(about, 8).find("\r\n\r\nLibrary: Tarnix.dll\r\n"), std::string::npos);
  // The text has no ";" of its own: all of it is field 8.
  EXPECT_NE(Field(about, 8).find("Running in IDE: No"), std::string::npos);
  for (const std::string& line : server.Log())
    EXPECT_EQ(line.find("- (MsgBox)"), std::string::npos);
}

TEST_F(Server, FindMatrixSendsTheElementsAndAPrintListsThem) {
  RawClient client(server.Port());
  client.Call(Command("FUN;SetStrMatrix;str;[m3]|3|3|1|2|3|4|5|6|7|8|9;bte;1;bte;0.0000000000;"));
  std::string block;
  const std::string found =
      client.Call(Command("FUN;FindMatrix;str;[M3];lng;33;lng;0;lng;0;"), 72, &block);
  const std::string handle = Field(found, 6);
  EXPECT_EQ(found, Reply("FUN;FindMatrix;ret;" + handle + ";lng;3;lng;3;"));
  EXPECT_EQ(Doubles(block), (std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_TRUE(server.WaitForLog("Sent FindMatrix - Matrix. Sent 72 bytes OK - (SvrTransmitRes)"));

  EXPECT_EQ(client.Call(Command("FUN;aPrint;ptr;" + handle +
                                ";lng;2;lng;2;str;String;str;0.0;str;M;str;,;")),
            Reply("FUN;aPrint;ret;M\r\nmA(0, 0)=1.0,mA(0, 1)=2.0,\r\nmA(1, 0)=3.0,mA(1, 1)=4.0,;"));
  // No matrix, or more elements than it has: an empty text, nothing read.
  for (const std::string& args : {std::string("999999;lng;1;lng;1;"), handle + ";lng;4;lng;4;",
                                  std::string("-1;lng;1;lng;1;")}) {
    EXPECT_EQ(client.Call(Command("FUN;aPrint;ptr;" + args + "str;String;str;;str;;str;;")),
              Reply("FUN;aPrint;ret;;"))
        << args;
  }
  // A name that is no matrix: 0 x 0, whatever the client sent, and no block.
  EXPECT_EQ(client.Call(Command("FUN;FindMatrix;str;[mX];lng;33;lng;5;lng;5;")),
            Reply("FUN;FindMatrix;ret;-1;lng;0;lng;0;"));
  EXPECT_EQ(client.Call(Command("FUN;GetE_Error;")), Reply("FUN;GetE_Error;ret;-1;"));
}

TEST_F(Server, FindMatrixByPositionSendsTheMatrixFound) {
  // The position (mode bit 2) is no handle: the block is still the elements
  // of the matrix found, never those of the matrix whose handle equals it.
  RawClient client(server.Port());
  for (const char* definition : {"[mP]|1|2|1|2", "[mQ]|2|2|5|6|7|8", "[mR]|1|1|9"}) {
    client.Call(
        Command(std::string("FUN;SetStrMatrix;str;") + definition + ";bte;0;bte;0.0000000000;"));
  }
  const struct {
    const char* name;
    int position;
    std::vector<double> elements;
  } cases[] = {{"[mP]", 0, {1, 2}}, {"[mQ]", 1, {5, 6, 7, 8}}, {"[MR]", 2, {9}}};
  for (const auto& c : cases) {
    const int count = static_cast<int>(c.elements.size());
    std::string block;
    const std::string found =
        client.Call(Command(std::string("FUN;FindMatrix;str;") + c.name + ";lng;34;lng;0;lng;0;"),
                    8 * count, &block);
    EXPECT_EQ(Field(found, 6), std::to_string(c.position)) << c.name;
    EXPECT_EQ(std::stoi(Field(found, 8)) * std::stoi(Field(found, 10)), count) << c.name;
    EXPECT_EQ(Doubles(block), c.elements) << c.name;
  }
}

TEST_F(Server, LibraryMessageBoxesGoToTheLog) {
  RawClient client(server.Port());
  client.Call(Command("FUN;SetDebugF;Lng;2;"));
  client.Call(Command("FUN;ShowMsgs;Lng;1;"));
  client.Call(Command("FUN;e_eval;str;1+;dbl;00000000;lng;0;"));
  EXPECT_TRUE(server.WaitForLog(
      "Server: DuZuradi: Error: Procedure: e_prs / Syntax error, token = '' /  / Debug: /"));
}

TEST_F(Server, UnknownNameIsInvalidAndGetsNoReply) {
  RawClient client(server.Port());
  client.Send(Command("FUN;E_EVAL;str;2;dbl;00000000;lng;0;"));
  EXPECT_EQ(client.ReadByte(), 6);
  EXPECT_EQ(client.ReadByte(300), -1);  // nothing after the ACK
  EXPECT_TRUE(server.WaitForLog("Server: CMD Invalid. - (EventsLoopSvr)"));
  EXPECT_EQ(client.Call(Command("FUN;GetE_Error;")), Reply("FUN;GetE_Error;ret;0;"));
}

TEST_F(Server, ControlBytesAloneAreAcknowledgedAndIgnored) {
  RawClient client(server.Port());
  for (const char* byte : {"\x02", "\x03", "\x06"}) {
    client.Send(byte);
    EXPECT_EQ(client.ReadByte(), 6);
  }
  EXPECT_TRUE(server.WaitForLog("Server: CMD = STX: Nothing to do - (EventsLoopSvr)"));
  EXPECT_TRUE(server.WaitForLog("Server: CMD = ETX: Nothing to do - (EventsLoopSvr)"));
  EXPECT_TRUE(server.WaitForLog("Server: CMD = ACK: Nothing to do - (EventsLoopSvr)"));
  EXPECT_EQ(client.Call(Command("FUN;GetE_Error;")), Reply("FUN;GetE_Error;ret;0;"));
}

TEST_F(Server, TwoClientsShareTheLibrary) {
  RawClient first(server.Port());
  RawClient second(server.Port());
  first.Call(Command("FUN;SetVarFunct;str;shared;str;41;lng;0;"));
  EXPECT_EQ(second.Call(Command("FUN;e_eval;str;shared+1;dbl;00000000;lng;0;")),
            Reply("FUN;e_eval;ret;0;dbl;42.0000000000;"));
}

TEST_F(Server, ServerEndLogsAndExits) {
  RawClient client(server.Port());
  client.Send("TLN;00000027;FUN;ServerEnd;");
  EXPECT_EQ(client.ReadByte(), 6);
  EXPECT_EQ(server.WaitForExit(), 0);
  const std::string port = std::to_string(server.Port());
  for (const std::string& line :
       {std::string("Server: Received CMD: TLN;00000027;FUN;ServerEnd; - (SvrReceiveCmd)"),
        std::string("Server: Rec: CMD - ServerEnd - (TerminateProgram)"),
        std::string("Server: Program will end. - (TerminateProgram)"),
        "Server: Stopped listening on port " + port + ". - (Disconnect)"}) {
    EXPECT_TRUE(server.WaitForLog(line)) << line;
  }
}

TEST_F(Server, SignalEndsItLikeTheEndButton) {
  server.Signal(SIGTERM);
  EXPECT_EQ(server.WaitForExit(), 0);
  EXPECT_TRUE(server.WaitForLog("Server: Rec: CMD - Button End - (TerminateProgram)"));
}

// ---- Robustness: after each, a fresh client gets correct answers --------------------

void ExpectServing(ServerProcess& server) {
  RawClient fresh(server.Port());
  EXPECT_EQ(fresh.Call(Command("FUN;e_eval;str;6*7;dbl;00000000;lng;0;")),
            Reply("FUN;e_eval;ret;0;dbl;42.0000000000;"));
}

TEST_F(Server, SurvivesRandomGarbage) {
  std::mt19937 rng(5);
  for (int round = 0; round < 5; ++round) {
    RawClient client(server.Port());
    std::string garbage(4000, '\0');
    for (char& c : garbage) c = static_cast<char>(rng());
    client.Send(garbage);
    client.Send("TLN;abc");  // and a header that announces no length
    client.ClosedByServer(2000);
  }
  EXPECT_TRUE(server.WaitForLog("bytes that start no command"));
  ExpectServing(server);
}

TEST_F(Server, RejectsLengthsOutsideTheFrameLimits) {
  for (const char* header : {"TLN;99999999;FUN;e_eval;", "TLN;00000005;", "TLN;00003001;"}) {
    RawClient client(server.Port());
    client.Send(header);
    EXPECT_TRUE(client.ClosedByServer()) << header;
  }
  RawClient client(server.Port());
  client.Send(Command("FUN;e_eval;str;" + std::string(3000, '1') + ";dbl;0;lng;0;"));
  EXPECT_TRUE(client.ClosedByServer());
  EXPECT_TRUE(server.WaitForLog("announces no length from 13 to 3000"));
  ExpectServing(server);
}

TEST_F(Server, SurvivesClientsThatLeaveMidCall) {
  {
    RawClient client(server.Port());
    client.Send("TLN;00000051;FUN;e_ev");  // half a frame, then gone
  }
  {
    RawClient client(server.Port());
    client.Send(
        Command("FUN;e_evals;str;x;dbl;0;str;x;dbl;1;lng;100000;"));  // gone before the blocks
  }
  {
    RawClient client(server.Port());
    client.Send(Command("FUN;e_eval;str;2;dbl;00000000;lng;0;"));
    client.ReadByte();  // the ACK, then gone without acknowledging the result
  }
  EXPECT_TRUE(server.WaitForLog("has closed the connection."));
  ExpectServing(server);
  EXPECT_TRUE(server.WaitForLog("Rec: ACK - Connection closed - (WaitForByte)"));
}

TEST(ServerWaits, AStalledClientDelaysNoOne) {
  ServerProcess server({"--wait-ms", "1500"});  // the protocol's 10 s, shortened
  RawClient stalled(server.Port());
  stalled.Send("TLN;00000051;FUN;e_eval;str;2+");  // and nothing more
  const auto start = std::chrono::steady_clock::now();
  ExpectServing(server);  // served at once: an incomplete frame blocks no one
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  // The stalled client goes when its wait is up.
  EXPECT_TRUE(stalled.ClosedByServer(5000));
  EXPECT_TRUE(server.WaitForLog("Server: Rec: CMD - TimeOut - (SvrReceiveCmd)"));
  EXPECT_TRUE(server.WaitForLog("its command did not arrive whole within 1500 ms"));
  ExpectServing(server);
}

TEST_F(Server, AFrameMayArriveInPieces) {
  RawClient client(server.Port());
  const std::string frame = Command("FUN;e_eval;str;2*21;dbl;00000000;lng;0;");
  for (const char c : frame) {
    client.Send(std::string(1, c));
    ::usleep(2000);
  }
  EXPECT_EQ(client.ReadByte(), 6);
  const std::string header = client.ReadBytes(13);
  EXPECT_EQ(
      header + client.ReadBytes(static_cast<std::size_t>(std::stoi(header.substr(4, 8)) - 12)),
      Reply("FUN;e_eval;ret;0;dbl;42.0000000000;"));
  client.Send("\x06\x06");  // both closing ACKs in one write
  ExpectServing(server);
}

// ---- Files, start-up and the public address -----------------------------------------

TEST(ServerFiles, AreTakenOnlyWhenAccepted) {
  std::remove("TEST_Network.ftp3");
  {
    ServerProcess refusing;
    RawClient client(refusing.Port());
    client.Send("TLF;00000005;hello");
    EXPECT_TRUE(client.ClosedByServer());
    EXPECT_FALSE(std::ifstream("TEST_Network.ftp3").good());
    ExpectServing(refusing);
  }
  ServerProcess accepting({"--accept-files"});
  RawClient client(accepting.Port());
  client.Send("TLF;00000005;hello");
  EXPECT_EQ(client.ReadByte(), 6);
  std::ifstream file("TEST_Network.ftp3");
  std::string content;
  std::getline(file, content);
  EXPECT_EQ(content, "hello");
  EXPECT_TRUE(accepting.WaitForLog("Server: File received from Client 1 - (EventsLoopSvr)"));
  RawClient big(accepting.Port());
  big.Send("TLF;99999999;");  // beyond 64 MiB
  EXPECT_TRUE(big.ClosedByServer());
  EXPECT_EQ(client.Call(Command("FUN;GetE_Error;")), Reply("FUN;GetE_Error;ret;0;"));
  std::remove("TEST_Network.ftp3");
}

TEST(ServerStart, FailsClearlyWithoutTheLibrary) {
  ServerProcess server({"--library", "/no/such/libTarnix.so"}, false);
  EXPECT_EQ(server.WaitForExit(), 1);
  EXPECT_TRUE(server.WaitForLog("Unable to load library Tarnix.dll."));
  EXPECT_TRUE(server.WaitForLog("/no/such/libTarnix.so"));
}

TEST(ServerStart, FailsClearlyWhenThePortIsTaken) {
  ServerProcess first;
  ServerProcess second({"--port", std::to_string(first.Port())}, false);
  EXPECT_EQ(second.WaitForExit(), 1);
  EXPECT_TRUE(second.WaitForLog(
      "Server: Error: Can't create the server (check if port in use). - (InitServer)"));
}

TEST(ServerStart, AsksTheEchoPageForThePublicAddress) {
  // A one-shot page on loopback in the manner of an IP-echo service.
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::listen(listener, 1);
  socklen_t length = sizeof address;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  std::string request;
  std::thread page([&] {
    const int fd = ::accept(listener, nullptr, nullptr);
    char buffer[4096];
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n > 0) request.assign(buffer, static_cast<std::size_t>(n));
    const std::string reply =
        "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html><body>Current IP Address: "
        "192.0.2.7\r\n</body></html>";
    ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
    ::close(fd);
  });
  ServerProcess server({"--wan-host", "127.0.0.1:" + std::to_string(ntohs(address.sin_port))});
  page.join();
  ::close(listener);
  EXPECT_TRUE(server.WaitForLog("Server: WAN IP Address:192.0.2.7 - (InitServer)"));
  EXPECT_EQ(request.substr(0, 23), "POST /checkip.html HTTP");
  EXPECT_NE(request.find("User-Agent: Corvane Server"), std::string::npos);
}

}  // namespace
}  // namespace server_test
