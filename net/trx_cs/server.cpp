// The server: listening, admitting clients, and the timing of their waits.
// Nobody waits for anybody: every socket is non-blocking, every wait of the
// protocol is a deadline of its own connection, and a client that misses
// one is dropped alone (serve.cpp holds the steps of a call).
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <thread>

#include "server.h"
#include "wire.h"

namespace trx {
namespace {

static_assert(std::endian::native == std::endian::little,
              "blocks travel as little-endian doubles, as they lie in memory here");

using Clock = std::chrono::steady_clock;

std::string Dotted(const sockaddr_storage& peer) {
  char text[INET6_ADDRSTRLEN] = "";
  if (peer.ss_family == AF_INET) {
    ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(peer).sin_addr, text, sizeof text);
  } else if (peer.ss_family == AF_INET6) {
    ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(peer).sin6_addr, text,
                sizeof text);
  }
  return text;
}

// Evaluation steps between two looks at the clock: a few microseconds.
constexpr int32_t kProgressPeriod = 1000;

int OpenSpare() { return ::open("/dev/null", O_RDONLY | O_CLOEXEC); }

}  // namespace

Server::Server(const TarnixApi& api, ServerOptions options)
    : options_(std::move(options)), dispatcher_(api) {
  // The limits the library keeps for every call it makes for a client, and
  // the hook through which a call that runs too long, or whose client has
  // gone, is interrupted.
  api.SetCallLimits(options_.max_call_mb, options_.max_entries);
  api.SetProgressHandler(&Server::OnProgress, this, kProgressPeriod);
}

Server::~Server() {
  dispatcher_.Api().SetProgressHandler(nullptr, nullptr, 0);
  CloseAll();
  if (listen_fd_ >= 0) ::close(listen_fd_);
  if (spare_fd_ >= 0) ::close(spare_fd_);
  FlushLog();
}

int Server::InitServer() {
  if (ServerActive()) return 0;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
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
            ::listen(fd, SOMAXCONN) == 0;
  socklen_t length = sizeof address;
  ok = ok && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  if (!ok) {
    if (fd >= 0) ::close(fd);
    LogMsg("Error: Can't create the server (check if port in use).", "InitServer", LogKind::Always);
    LogMsg("Program will not work.", "InitServer", LogKind::Always);
    FlushLog();
    return 0;
  }
  listen_fd_ = fd;
  all_changed_ = true;
  if (spare_fd_ < 0) spare_fd_ = OpenSpare();
  port_ = ntohs(address.sin_port);
  LogMsg("Server created (Port " + std::to_string(port_) + "). ", "InitServer", LogKind::Always);
  LogMsg("HostName :" + LocalHostName(), "InitServer", LogKind::Always);
  for (const std::string& a : LocalIPv4Addresses()) {
    LogMsg("LAN IP Address:" + a, "InitServer", LogKind::Always);
  }
  const std::string wan = options_.wan_lookup ? GetWanIP(options_.wan_host, "") : std::string();
  LogMsg("WAN IP Address:" + wan, "InitServer", LogKind::Always);
  LogMsg(options_.allow_any ? std::string("Clients from every address are accepted (--allow any)")
                            : std::string("Clients are accepted from the allowed networks only"),
         "InitServer", LogKind::Always);
  LogMsg(options_.sessions == Sessions::Isolated
             ? std::string("Every connection is served by a process of its own (--sessions "
                           "isolated)")
             : std::string("Every client shares one library state (--sessions shared)"),
         "InitServer", LogKind::Always);
  LogMsg("Listening ...", "InitServer", LogKind::Always);
  FlushLog();
  return 1;
}

void Server::CloseAll() {
  EndAllSessions();
  for (Peer& p : peers_) {
    if (p.file != nullptr) std::fclose(p.file);
    ::close(p.conn.fd);
  }
  peers_.clear();
}

void Server::Disconnect() {
  if (!ServerActive()) return;
  CloseAll();
  ::close(listen_fd_);
  listen_fd_ = -1;
  all_changed_ = true;
  LogMsg("Stopped listening on port " + std::to_string(port_) + ".", "Disconnect", LogKind::Always);
  LogMsg(kSeparator60, "", LogKind::Always);
  FlushLog();
}

void Server::Touch(int fd) {
  // A driver that never takes the changes (the window's) costs no memory.
  if (touched_.size() >= 4096) {
    touched_.clear();
    all_changed_ = true;
  }
  if (!all_changed_) touched_.push_back(fd);
}

bool Server::TakeChanges(std::vector<Watch>& changes) {
  changes.clear();
  if (all_changed_) {
    all_changed_ = false;
    touched_.clear();
    return false;
  }
  for (const int fd : touched_) {
    if (fd == listen_fd_) continue;
    if (const Peer* p = Find(fd); p != nullptr) {
      changes.push_back(Watch{fd, OutputPending(*p), p->conn.number});
    } else if (const Session* s = FindSession(fd); s != nullptr) {
      changes.push_back(Watch{fd, false, s->number});
    } else {
      changes.push_back(Watch{fd, false, -1});
    }
  }
  touched_.clear();
  return true;
}

std::vector<Server::Watch> Server::Watched() const {
  std::vector<Watch> watched;
  if (!ServerActive()) return watched;
  watched.reserve(peers_.size() + sessions_.size() + 1);
  watched.push_back({listen_fd_, false, 0});
  for (const Peer& p : peers_) watched.push_back({p.conn.fd, OutputPending(p), p.conn.number});
  for (const Session& s : sessions_) watched.push_back({s.log_fd, false, s.number});
  return watched;
}

Peer* Server::Find(int fd) {
  for (Peer& p : peers_) {
    if (p.conn.fd == fd) return &p;
  }
  return nullptr;
}

int Server::EventsLoopSvr(int fd, bool readable, bool writable) {
  if (!ServerActive()) return 0;
  Touch(fd);
  if (fd == listen_fd_) {
    Accept();
  } else if (Peer* peer = Find(fd); peer != nullptr) {
    if (readable) {
      ServeInput(*peer);
    } else if (writable) {
      Advance(*peer);  // writes what waits, then serves what waited for it
    }
  } else if (Session* session = FindSession(fd); session != nullptr) {
    ReadSessionLog(*session);
  }
  return 0;
}

void Server::Accept() {
  // Everyone waiting is taken in this turn: SOMAXCONN of them at most.
  for (int taken = 0; taken < SOMAXCONN && ServerActive(); ++taken) {
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    const int fd = ::accept4(listen_fd_, reinterpret_cast<sockaddr*>(&peer), &length,
                             SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) {
      if (!Admit(fd, peer)) ::close(fd);
      continue;
    }
    if ((errno == EMFILE || errno == ENFILE) && spare_fd_ >= 0) {
      // Out of descriptors: the spare one makes room to take the client and
      // close it at once, so it is not left waiting, and the loop does not
      // spin on a listening socket that stays readable.
      ::close(spare_fd_);
      const int refused = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (refused >= 0) ::close(refused);
      spare_fd_ = OpenSpare();
      LogMsg("Refused a client: the server has run out of file descriptors", "EventsLoopSvr",
             LogKind::Error);
      continue;
    }
    return;  // EAGAIN: nobody else is waiting
  }
}

bool Server::Admit(int fd, const sockaddr_storage& peer) {
  const std::string address = Dotted(peer);
  if (!options_.allow_any && !InNetworks(options_.allow, peer)) {
    LogMsg("Refused a client from " + address + ": not in the allowed networks (--allow)",
           "EventsLoopSvr", LogKind::Error);
    return false;
  }
  const bool isolated = options_.sessions == Sessions::Isolated;
  const std::size_t connected = isolated ? sessions_.size() : peers_.size();
  if (options_.max_clients > 0 && connected >= static_cast<std::size_t>(options_.max_clients)) {
    LogMsg("Refused a client from " + address + ": " + std::to_string(connected) +
               " clients are connected (--max-clients)",
           "EventsLoopSvr", LogKind::Error);
    return false;
  }
  const int yes = 1;
  // Without it the small messages of a call wait for delayed acknowledgements.
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  Peer p;
  p.conn.fd = fd;
  p.conn.number = next_client_++;
  p.address = address;
  p.loopback = IsLoopback(peer);
  LogMsg("A new client has connected. Client " + std::to_string(p.conn.number), "EventsLoopSvr");
  LogMsg("Client IP: " + address, "EventsLoopSvr");
  if (isolated) return StartSession(std::move(p));
  peers_.push_back(std::move(p));
  Touch(fd);
  return true;
}

void Server::Drop(Peer& peer, std::string_view why) {
  const std::string name = "Client " + std::to_string(peer.conn.number);
  if (why.empty()) {
    LogMsg(name + " has closed the connection.", "EventsLoopSvr");
  } else {
    LogMsg(name + " dropped: " + std::string(why), "EventsLoopSvr", LogKind::Error);
  }
  if (peer.file != nullptr) {
    std::fclose(peer.file);
    std::remove((options_.file_name + ".part").c_str());
  }
  ::close(peer.conn.fd);
  Touch(peer.conn.fd);
  if (running_.peer == &peer) running_.peer = nullptr;
  peers_.remove_if([&peer](const Peer& p) { return &p == &peer; });
}

int Server::NextTimeoutMs() const {
  int next = -1;
  const Clock::time_point now = Clock::now();
  for (const Peer& p : peers_) {
    if (!p.waiting) continue;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(p.deadline - now).count();
    const int ms = left > 0 ? static_cast<int>(left) : 0;
    next = next < 0 ? ms : std::min(next, ms);
  }
  return next;
}

int Server::ExpireStalled() {
  const Clock::time_point now = Clock::now();
  for (auto it = peers_.begin(); it != peers_.end();) {
    Peer& p = *it++;
    if (!p.waiting || p.deadline > now) continue;
    const std::string wait = std::to_string(options_.wait_ms) + " ms";
    switch (p.phase) {
      case Peer::Phase::Command:
        if (p.out_at < p.out.size()) {
          Drop(p, "it read nothing for " + wait);
        } else {
          LogMsg("Rec: CMD - TimeOut", "SvrReceiveCmd", LogKind::Error);
          Drop(p, "its command did not arrive whole within " + wait);
        }
        break;
      case Peer::Phase::FirstAck:
      case Peer::Phase::SecondAck:
        LogMsg("Rec: ACK - TimeOut", "WaitForByte", LogKind::Error);
        Drop(p, OutputPending(p) ? "it read nothing of its result for " + wait
                                 : "its ACK did not come within " + wait);
        break;
      case Peer::Phase::File: Drop(p, "its file stopped arriving for " + wait); break;
    }
  }
  return NextTimeoutMs();
}

void Server::TerminateProgram(std::string_view reason) {
  std::this_thread::sleep_for(std::chrono::milliseconds(wire::kEndPauseMs));
  if (!reason.empty()) {
    LogMsg("Rec: CMD - " + std::string(reason), "TerminateProgram", LogKind::Always);
  }
  LogMsg("Program will end.", "TerminateProgram", LogKind::Always);
  Disconnect();
  FlushLog();
}

}  // namespace trx
