// The client's connection and the two procedures of a call: CliTransmitCmd
// sends the command, CliReceiveRes takes in the result and its blocks. A
// server that goes away is noticed at once: the client counts as
// disconnected and later calls fail without waiting.
#include "client.h"
#include "wire.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

#include "../../AuxFunct/aux_funct.h"

namespace trx {
namespace {

// The dotted IPv4 address with port 0: the kernel picks the port.
std::optional<sockaddr_in> SourceOf(const std::string& source) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  if (::inet_pton(AF_INET, source.c_str(), &address.sin_addr) != 1) return std::nullopt;
  return address;
}

// Opens a TCP connection within the bounded wait, from source when it is
// given; -1 on failure.
int ConnectTo(const std::string& host, int port, const std::optional<sockaddr_in>& source,
              int wait_ms) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return -1;
  int fd = -1;
  for (addrinfo* a = found; a != nullptr && fd < 0; a = a->ai_next) {
    fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    if (source && ::bind(fd, reinterpret_cast<const sockaddr*>(&*source), sizeof *source) != 0) {
      ::close(fd);
      fd = -1;
      continue;
    }
    if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0) break;
    pollfd p{fd, POLLOUT, 0};
    int error = 0;
    socklen_t length = sizeof error;
    if (errno != EINPROGRESS || ::poll(&p, 1, wait_ms) != 1 ||
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
      ::close(fd);
      fd = -1;
    }
  }
  ::freeaddrinfo(found);
  return fd;
}

// The server closed or reset the connection: say so once and count as
// disconnected, so that later calls fail at once.
void LoseServer(std::string_view label) {
  ClientState& c = Client();
  if (c.ClientConnected == 0) return;
  LogMsg("The server has closed the connection.", label);
  ::close(c.ConnectionID.fd);
  c.ConnectionID = Connection{};
  c.ClientConnected = 0;
}

// Both closing ACKs of a call without blocks leave in one write: the bytes
// on the stream are the same.
void SendTwoAcks(Connection& conn) {
  const char acks[2] = {static_cast<char>(kACK), static_cast<char>(kACK)};
  if (SendAll(conn, acks, 2)) {
    LogMsg("Sent: ACK RES", "SendByte");
    LogMsg("Sent: ACK RES", "SendByte");
  } else {
    LogMsg("Sent: ERROR, ret code-1", "SendByte");
  }
}

// Reads n doubles into out (up to room of them), discarding the rest.
std::size_t ReceiveDoubles(Connection& conn, double* out, std::size_t n, std::size_t room) {
  const std::size_t kept = std::min(n, room);
  std::size_t got = static_cast<std::size_t>(ReceiveBytes(conn, out, kept * 8));
  std::vector<char> surplus(std::min<std::size_t>((n - kept) * 8, 1 << 20));
  for (std::size_t left = (n - kept) * 8; left > 0 && !conn.closed;) {
    const std::size_t want = std::min(left, surplus.size());
    const int r = ReceiveBytes(conn, surplus.data(), want);
    got += static_cast<std::size_t>(r);
    left -= static_cast<std::size_t>(r);
    if (static_cast<std::size_t>(r) < want) break;
  }
  return got;
}

void ReceiveEEvalsBlocks(Connection& conn, std::string_view body, const Blocks& blocks) {
  const std::size_t count = static_cast<std::size_t>(aux::FieldL(body, 6)) + 1;
  const std::size_t expected = 8 * (2 * count + 5);
  if (count != blocks.points) {
    LogMsg("ERROR: Rec e_evals - the server echoes " + std::to_string(count - 1) +
               " points, not the " + std::to_string(blocks.points - 1) +
               " asked for; what does not fit is discarded",
           "CliReceiveRes");
  }
  const std::size_t bt1 = ReceiveDoubles(conn, blocks.x, count, blocks.points);
  const std::size_t bt2 = ReceiveDoubles(conn, blocks.y, count, blocks.points);
  const std::size_t bt3 = ReceiveDoubles(conn, blocks.info, 5, blocks.info != nullptr ? 5 : 0);
  const std::size_t total = bt1 + bt2 + bt3;
  if (total == expected) {
    LogMsg("Rec: e_evals - Vectors. Bytes: " + std::to_string(total) + " OK", "CliReceiveRes");
  } else {
    LogMsg("ERROR: Rec e_evals - Vectors. Received " + std::to_string(total) + " bytes of " +
               std::to_string(expected),
           "CliReceiveRes");
    LogMsg("       bt1=" + std::to_string(bt1) + ", bt2=" + std::to_string(bt2) +
               ", bt3=" + std::to_string(bt3),
           "CliReceiveRes");
  }
}

void ReceiveMatrixBlock(Connection& conn, std::string_view body, const Blocks& blocks) {
  ClientState& c = Client();
  const std::size_t elements = static_cast<std::size_t>(aux::FieldL(body, 6)) *
                               static_cast<std::size_t>(aux::FieldL(body, 8));
  const std::size_t expected = elements * 8;
  c.MatrixBuffer.assign(elements, 0.0);  // the previous matrix goes
  const std::size_t received = ReceiveDoubles(conn, c.MatrixBuffer.data(), elements, elements);
  if (blocks.matrix != nullptr) *blocks.matrix = elements > 0 ? c.MatrixBuffer.data() : nullptr;
  if (received == expected) {
    LogMsg("Rec: FindMatrix - Matrix. Bytes: " + std::to_string(received) + " OK", "CliReceiveRes");
  } else {
    LogMsg("ERROR: Rec FindMatrix - Matrix. Received " + std::to_string(received) + " bytes of " +
               std::to_string(expected),
           "CliReceiveRes");
  }
}

// A block size no server sends: the stream cannot be trusted any more.
bool SizeBeyondReason(std::string_view body) {
  const std::string_view name = aux::FieldS(body, 2);
  if (name == "e_evals") {
    const int32_t count = aux::FieldL(body, 6);
    return count < 0 || static_cast<std::size_t>(count) + 1 > kMaxBlockDoubles;
  }
  if (name == "FindMatrix") {
    const int64_t rows = aux::FieldL(body, 6);
    const int64_t cols = aux::FieldL(body, 8);
    return rows < 0 || cols < 0 || static_cast<std::size_t>(rows * cols) > kMaxBlockDoubles;
  }
  return false;
}

}  // namespace

ClientState& Client() {
  static ClientState state;
  return state;
}

std::string SourceAddressProblem(const std::string& source) {
  const std::optional<sockaddr_in> address = SourceOf(source);
  if (!address) return "not a dotted IPv4 address such as 127.0.0.2";
  // The kernel lets a socket bind these, but no connection starts from them.
  const uint32_t value = ntohl(address->sin_addr.s_addr);
  if (value == INADDR_ANY || value == INADDR_BROADCAST || IN_MULTICAST(value)) {
    return "a wildcard, broadcast or multicast address, not one of this machine's";
  }
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return std::strerror(errno);
  const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) == 0;
  const int error = errno;
  ::close(fd);
  if (bound) return "";
  return error == EADDRNOTAVAIL ? "not an address of this machine" : std::strerror(error);
}

int InitClient(const std::string& host, int port, const std::string& source, int wait_ms) {
  ClientState& c = Client();
  if (c.ClientConnected != 0) return 0;
  c.PortNumber = port;
  std::optional<sockaddr_in> from;
  if (!source.empty()) {
    const std::string problem = SourceAddressProblem(source);
    if (!problem.empty()) {
      LogMsg("Can't connect from " + source + ": " + problem, "InitClient");
      return 0;
    }
    from = SourceOf(source);
  }
  const int fd = ConnectTo(host, port, from, wait_ms);
  if (fd < 0) {
    LogMsg("Can't find the server (check if Listening on this Port).", "InitClient");
    c.ClientConnected = 0;
    return 0;
  }
  const int yes = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  c.ConnectionID = Connection{};
  c.ConnectionID.fd = fd;
  c.ConnectionID.number = fd;
  LogMsg("HostName :" + LocalHostName(), "InitClient");
  LogMsg("Connected to server...", "InitClient");
  if (from) LogMsg("Source address: " + source, "InitClient");
  LogMsg("Connection ID: " + std::to_string(fd), "InitClient");
  c.ClientConnected = 1;
  return fd;
}

void Disconnect() {
  ClientState& c = Client();
  if (c.ClientConnected == 0) return;
  ::close(c.ConnectionID.fd);
  LogMsg("Closed connection " + std::to_string(c.ConnectionID.number), "Disconnect");
  LogMsg(kSeparator60, "");
  c.ConnectionID = Connection{};
  c.ClientConnected = 0;
}

int CliTransmitCmd(const std::string& cmd) {
  ClientState& c = Client();
  if (c.ClientConnected == 0) {
    LogMsg("No NetWork Connection", "CliTransmitCmd");
    return -1;
  }
  if (!SendAll(c.ConnectionID, cmd.data(), cmd.size())) {
    LoseServer("CliTransmitCmd");
    return -1;
  }
  LogMsg("Sent CMD: " + cmd, "CliTransmitCmd");
  WaitForByte(c.ConnectionID, kACK, "");
  if (c.ConnectionID.closed) LoseServer("CliTransmitCmd");
  return 0;
}

bool CheckConnection() {
  ClientState& c = Client();
  if (c.ClientConnected == 0) return false;
  char byte = 0;
  const ssize_t n = ::recv(c.ConnectionID.fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
    LoseServer("EventsLoopCli");
    return false;
  }
  return true;
}

void TerminateProgram(const std::function<bool()>& close_server) {
  std::this_thread::sleep_for(std::chrono::milliseconds(wire::kEndPauseMs));
  if (Client().ClientConnected != 0 && close_server && close_server()) {
    LogMsg("Closing Server remotely", "TerminateProgram");
    CliTransmitCmd(FrameMessage("FUN;ServerEnd;"));
    LogMsg("ServerEnd", "TerminateProgram");
  }
  LogMsg("Program will end.", "TerminateProgram");
  Disconnect();
}

std::string CliReceiveRes(int* status, std::string_view name, const Blocks& blocks) {
  ClientState& c = Client();
  std::string body;
  int result = 0;
  if (c.ClientConnected == 0) {
    LogMsg("No NetWork Connection", "CliReceiveRes");
    result = -1;
  } else {
    Connection& conn = c.ConnectionID;
    char header[kHeaderSize];
    const int got = ReceiveBytes(conn, header, kHeaderSize);
    const int64_t rest = got == static_cast<int>(kHeaderSize)
                             ? ResultRest(std::string_view(header, kHeaderSize))
                             : 0;
    bool complete = false;
    if (rest <= 0 || rest > static_cast<int64_t>(kMaxCommand)) {
      LogMsg("Rec: RES - TimeOut", "CliReceiveRes");
    } else {
      body.resize(static_cast<std::size_t>(rest));
      const int n = ReceiveBytes(conn, body.data(), body.size());
      complete = n == rest;
      body.resize(static_cast<std::size_t>(n));
      LogMsg("Rec: RES - " + body, "CliReceiveRes");
      const std::string_view called = aux::FieldS(body, 2);
      if (complete && SizeBeyondReason(body)) {
        LogMsg("ERROR: the result announces blocks beyond any size the client takes",
               "CliReceiveRes");
        complete = false;
        conn.closed = true;
      } else if (complete && (called == "e_evals" || called == "FindMatrix")) {
        SendByte(conn, kACK, " RES");
        if (called == "e_evals") {
          ReceiveEEvalsBlocks(conn, body, blocks);
        } else {
          ReceiveMatrixBlock(conn, body, blocks);
        }
        SendByte(conn, kACK, " RES");
      } else if (complete) {
        SendTwoAcks(conn);
      }
    }
    if (aux::FieldS(body, 2) != name) {
      LogMsg("ERROR: Function Mistmatch: " + std::string(name) + " vs " +
                 std::string(aux::FieldS(body, 2)),
             "");
    }
    if (!complete) {
      LogMsg("Rec: ACK - TimeOut", "CliReceiveRes");
      result = -2;
    }
    if (conn.closed) LoseServer("CliReceiveRes");
  }
  if (status != nullptr) *status = result;
  c.CallStatus = result;
  LogMsg(kSeparator46, "");
  c.ResText = body;
  return body;
}

}  // namespace trx
