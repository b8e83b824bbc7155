// The server: it listens, takes each client's commands one call at a time,
// runs them through the dispatcher and sends the results back. A call is
// served as soon as its bytes arrive; a client that stalls or vanishes costs
// at most the bounded waits, and is dropped with all library state intact.
#include "server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <bit>
#include <cstdio>
#include <thread>

#include "../../AuxFunct/aux_funct.h"

namespace trx {
namespace {

static_assert(std::endian::native == std::endian::little,
              "blocks travel as little-endian doubles, as they lie in memory here");

using Clock = std::chrono::steady_clock;

void SetNonBlocking(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL, 0) | O_NONBLOCK); }

// A text fit for one log line: control bytes by name, others as "\xNN".
std::string Printable(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (!ControlWord(u).empty()) {
      out += ControlWord(u);
    } else if (u < 0x20 && u != '\r' && u != '\n' && u != '\t') {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", u);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

Server::Server(const TarnixApi& api, ServerOptions options)
    : options_(std::move(options)), dispatcher_(api) {}

Server::~Server() {
  for (Connection& c : clients_) ::close(c.fd);
  if (listen_fd_ >= 0) ::close(listen_fd_);
}

std::string Server::LogName(const Connection& client) {
  return "Client " + std::to_string(client.number);
}

int Server::InitServer() {
  if (ServerActive()) return 0;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(options_.port));
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  const int yes = 1;
  bool ok = fd >= 0 && options_.port >= 0 && options_.port <= 65535 &&
            ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) == 0 &&
            (options_.bind.empty() ||
             ::inet_pton(AF_INET, options_.bind.c_str(), &address.sin_addr) == 1) &&
            ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::listen(fd, 64) == 0;
  socklen_t length = sizeof address;
  ok = ok && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  if (!ok) {
    if (fd >= 0) ::close(fd);
    LogMsg("Error: Can't create the server (check if port in use).", "InitServer");
    LogMsg("Program will not work.", "InitServer");
    return 0;
  }
  SetNonBlocking(fd);
  listen_fd_ = fd;
  port_ = ntohs(address.sin_port);
  LogMsg("Server created (Port " + std::to_string(port_) + "). ", "InitServer");
  LogMsg("HostName :" + LocalHostName(), "InitServer");
  for (const std::string& a : LocalIPv4Addresses()) LogMsg("LAN IP Address:" + a, "InitServer");
  const std::string wan = options_.wan_lookup ? GetWanIP(options_.wan_host, "") : std::string();
  LogMsg("WAN IP Address:" + wan, "InitServer");
  LogMsg("Listening ...", "InitServer");
  return 1;
}

void Server::Disconnect() {
  if (!ServerActive()) return;
  for (Connection& c : clients_) ::close(c.fd);
  clients_.clear();
  ::close(listen_fd_);
  listen_fd_ = -1;
  LogMsg("Stopped listening on port " + std::to_string(port_) + ".", "Disconnect");
  LogMsg(kSeparator60, "");
}

std::vector<int> Server::WatchedDescriptors() const {
  std::vector<int> fds;
  if (!ServerActive()) return fds;
  fds.push_back(listen_fd_);
  for (const Connection& c : clients_) fds.push_back(c.fd);
  return fds;
}

int Server::EventsLoopSvr(int fd) {
  if (!ServerActive()) return 0;
  if (fd == listen_fd_) {
    Accept();
    return 0;
  }
  for (Connection& client : clients_) {
    if (client.fd == fd) {
      ServeData(client);
      return 0;
    }
  }
  return 0;
}

void Server::Accept() {
  sockaddr_in peer{};
  socklen_t length = sizeof peer;
  const int fd = ::accept4(listen_fd_, reinterpret_cast<sockaddr*>(&peer), &length,
                           SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) return;
  const int yes = 1;
  // Without it the small messages of a call wait for delayed acknowledgements.
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  Connection client;
  client.fd = fd;
  client.number = next_client_++;
  clients_.push_back(std::move(client));
  char ip[INET_ADDRSTRLEN] = "";
  ::inet_ntop(AF_INET, &peer.sin_addr, ip, sizeof ip);
  LogMsg("A new client has connected. " + LogName(clients_.back()), "EventsLoopSvr");
  LogMsg(std::string("Client IP: ") + ip, "EventsLoopSvr");
}

void Server::Drop(Connection& client, std::string_view why) {
  if (why.empty()) {
    LogMsg(LogName(client) + " has closed the connection.", "EventsLoopSvr");
  } else {
    LogMsg(LogName(client) + " dropped: " + std::string(why), "EventsLoopSvr");
  }
  ::close(client.fd);
  clients_.remove_if([&client](const Connection& c) { return &c == &client; });
}

int Server::NextTimeoutMs() const {
  int next = -1;
  for (const Connection& c : clients_) {
    if (c.inbox.empty()) continue;
    const int left = RemainingMs(c.partial_since + std::chrono::milliseconds(kWaitMs));
    next = next < 0 ? left : std::min(next, left);
  }
  return next;
}

void Server::ExpireStalled() {
  for (auto it = clients_.begin(); it != clients_.end();) {
    Connection& c = *it++;
    if (!c.inbox.empty() &&
        RemainingMs(c.partial_since + std::chrono::milliseconds(kWaitMs)) == 0) {
      LogMsg("Rec: CMD - TimeOut", "SvrReceiveCmd");
      Drop(c, "its command did not arrive whole within 10000 ms");
    }
  }
}

void Server::ServeData(Connection& client) {
  const bool was_partial = !client.inbox.empty();
  ReceiveMore(client, 0);
  for (;;) {
    const Scan scan = ScanMessage(client.inbox);
    switch (scan.kind) {
      case Scan::NeedMore:
        if (client.closed) {
          Drop(client, "");
        } else if (!client.inbox.empty() && !was_partial) {
          // The rest may come later; meanwhile the other clients are served.
          client.partial_since = Clock::now();
        }
        return;
      case Scan::Control: {
        const std::string name(ControlWord(static_cast<uint8_t>(client.inbox[0])));
        client.inbox.erase(0, 1);
        LogMsg("Received CMD: " + name, "SvrReceiveCmd");
        SendByte(client, kACK, "");
        LogMsg("CMD = " + name + ": Nothing to do", "EventsLoopSvr");
        break;
      }
      case Scan::Garbage:
        LogMsg("Discarded " + std::to_string(scan.length) + " bytes that start no command: " +
                   Printable(std::string_view(client.inbox)
                                 .substr(0, std::min<std::size_t>(scan.length, 40))),
               "SvrReceiveCmd");
        client.inbox.erase(0, scan.length);
        break;
      case Scan::BadHeader:
        // No length to go by: the stream cannot be resynchronised.
        LogMsg("Rejected CMD: the header " +
                   Printable(std::string_view(client.inbox).substr(0, kHeaderSize)) +
                   " announces no length from 13 to 3000",
               "SvrReceiveCmd");
        Drop(client, "its stream can not be resynchronised");
        return;
      case Scan::File:
        if (!options_.accept_files) {
          LogMsg(LogName(client) + " sends a file; files are taken only with --accept-files",
                 "EventsLoopSvr");
          Drop(client, "files are not accepted");
          return;
        }
        ReceiveFile(client, scan.length);
        if (client.closed) {
          Drop(client, "");
          return;
        }
        break;
      case Scan::Command: {
        const std::string cmd = SvrReceiveCmd(client, scan.length);
        std::string result;
        switch (dispatcher_.Execute(cmd, result)) {
          case Dispatcher::Outcome::Result: SvrTransmitRes(client, result); break;
          case Dispatcher::Outcome::Unknown: LogMsg("CMD Invalid.", "EventsLoopSvr"); break;
          case Dispatcher::Outcome::ServerEnd:
            TerminateProgram("ServerEnd");
            end_requested_ = true;
            return;  // the client list is gone with the listening socket
        }
        if (client.closed) {
          Drop(client, "");
          return;
        }
        break;
      }
    }
    // A message was taken: whatever follows starts its own wait.
    client.partial_since = Clock::now();
  }
}

std::string Server::SvrReceiveCmd(Connection& client, std::size_t length) {
  std::string cmd = client.inbox.substr(0, length);
  client.inbox.erase(0, length);
  cmd.resize(std::min(cmd.size(), cmd.find('\0')));  // the text ends at a NUL
  LogMsg("Received CMD: " + Printable(cmd), "SvrReceiveCmd");
  SendByte(client, kACK, "");
  return cmd;
}

int Server::SvrTransmitRes(Connection& client, const std::string& result) {
  if (!ServerActive()) {
    LogMsg("No NetWork Connection", "SvrTransmitRes");
    return -1;
  }
  SendAll(client, result.data(), result.size());
  LogMsg("Sent RES: " + result, "SvrTransmitRes");
  WaitForByte(client, kACK, "");
  if (client.closed) return 0;

  const std::string_view name = aux::FieldS(result, 4);
  if (name == "e_evals") {
    const std::size_t count = static_cast<std::size_t>(aux::FieldL(result, 8)) + 1;
    const std::size_t expected = 8 * (2 * count + 5);
    const std::size_t bt1 = SendAll(client, dispatcher_.X().data(), 8 * count) ? 8 * count : 0;
    const std::size_t bt2 = SendAll(client, dispatcher_.Y().data(), 8 * count) ? 8 * count : 0;
    const std::size_t bt3 = SendAll(client, dispatcher_.Info().data(), 40) ? 40 : 0;
    const std::size_t sum = bt1 + bt2 + bt3;
    if (sum == expected) {
      LogMsg("Sent e_evals - Vectors. Sent " + std::to_string(sum) + " bytes OK", "SvrTransmitRes");
    } else {
      LogMsg("ERROR: Sent e_evals - Vectors. Sent " + std::to_string(sum) + " bytes of " +
                 std::to_string(expected),
             "SvrTransmitRes");
      LogMsg("       bt1=" + std::to_string(bt1) + ", bt2=" + std::to_string(bt2) +
                 ", bt3=" + std::to_string(bt3),
             "SvrTransmitRes");
    }
  } else if (name == "FindMatrix") {
    const int32_t rows = aux::FieldL(result, 8);
    const int32_t cols = aux::FieldL(result, 10);
    const std::size_t expected =
        static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols) * 8;
    const std::vector<double>& matrix = dispatcher_.Matrix();
    std::size_t sent = 0;
    if (expected == matrix.size() * 8) {
      sent = SendAll(client, matrix.data(), expected) ? expected : 0;
    }
    if (sent == expected) {
      LogMsg("Sent FindMatrix - Matrix. Sent " + std::to_string(sent) + " bytes OK",
             "SvrTransmitRes");
    } else {
      LogMsg("ERROR: Sent FindMatrix - Matrix. Sent " + std::to_string(sent) + " bytes of " +
                 std::to_string(expected),
             "SvrTransmitRes");
    }
  }
  WaitForByte(client, kACK, "");
  LogMsg(kSeparator46, "");
  return 0;
}

void Server::ReceiveFile(Connection& client, std::size_t size) {
  client.inbox.erase(0, kHeaderSize);
  LogMsg(LogName(client) + " has send a file via the network", "EventsLoopSvr");
  LogMsg("Receiving file from " + LogName(client) + "...", "EventsLoopSvr");
  // Written aside and renamed when whole: an earlier file is never lost to
  // a transfer that breaks off.
  const std::string part = options_.file_name + ".part";
  std::FILE* out = std::fopen(part.c_str(), "wb");
  std::size_t got = 0;
  std::vector<char> chunk(64 * 1024);
  while (got < size && out != nullptr) {
    const std::size_t want = std::min(chunk.size(), size - got);
    const int n = ReceiveBytes(client, chunk.data(), want);
    if (n <= 0) break;
    std::fwrite(chunk.data(), 1, static_cast<std::size_t>(n), out);
    got += static_cast<std::size_t>(n);
    if (static_cast<std::size_t>(n) < want) break;
  }
  const bool written = out != nullptr && std::fclose(out) == 0 && got == size;
  if (written && std::rename(part.c_str(), options_.file_name.c_str()) == 0) {
    LogMsg("File received from " + LogName(client), "EventsLoopSvr");
    SendByte(client, kACK, "");
    return;
  }
  std::remove(part.c_str());
  LogMsg("File from " + LogName(client) + " incomplete: " + std::to_string(got) + " of " +
             std::to_string(size) + " bytes; nothing written",
         "EventsLoopSvr");
  client.closed = true;
}

void Server::TerminateProgram(std::string_view reason) {
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (!reason.empty()) LogMsg("Rec: CMD - " + std::string(reason), "TerminateProgram");
  LogMsg("Program will end.", "TerminateProgram");
  Disconnect();
}

}  // namespace trx
