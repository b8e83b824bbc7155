// The steps of a call on one connection: a command frame arrives, the ACK
// and the result are queued (and usually leave in one write), the client's
// first ACK lets the blocks go, its second ACK ends the call. Bytes that
// come meanwhile are kept and served in order after the call.
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "../../AuxFunct/aux_funct.h"
#include "server.h"

namespace trx {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kReadPerTurn = std::size_t{1} << 20;  // then the others get a turn
constexpr std::size_t kMaxInbox = std::size_t{4} << 20;     // unserved bytes one client may queue
// A call computing this long sends its ACK on its own, so that the client's
// wait for it does not run out while the result is still being computed.
constexpr auto kAckDue = std::chrono::milliseconds(1000);
// How often a running call looks whether its client is still there.
constexpr auto kPeerCheck = std::chrono::milliseconds(20);

std::string ClientName(const Peer& peer) { return "Client " + std::to_string(peer.conn.number); }

// Progress of the steps below: 1 a message was taken, 0 more bytes are
// needed, -1 the connection (or the whole server) is gone.
enum Step { kGone = -1, kNeedMore = 0, kTaken = 1 };

}  // namespace

bool Server::OutputPending(const Peer& peer) const {
  return peer.out_at < peer.out.size() ||
         (peer.blocks_ready && peer.blocks_at < peer.blocks.size() * sizeof(double));
}

void Server::Wait(Peer& peer) {
  const bool waits =
      peer.phase != Peer::Phase::Command || OutputPending(peer) || !peer.conn.inbox.empty();
  if (!waits) {
    peer.waiting = false;
  } else if (!peer.waiting) {
    peer.deadline = Clock::now() + std::chrono::milliseconds(options_.wait_ms);
    peer.waiting = true;
  }
}

void Server::ServeInput(Peer& peer) {
  std::size_t taken = 0;
  while (taken < kReadPerTurn) {
    char buffer[65536];
    const ssize_t n = ::recv(peer.conn.fd, buffer, sizeof buffer, 0);
    if (n > 0) {
      peer.conn.inbox.append(buffer, static_cast<std::size_t>(n));
      taken += static_cast<std::size_t>(n);
      // A short read took everything there was: no second call to hear so.
      if (static_cast<std::size_t>(n) < sizeof buffer) break;
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) peer.conn.closed = true;
      break;
    }
  }
  if (!Advance(peer)) return;
  if (peer.conn.closed) {
    if (peer.phase == Peer::Phase::FirstAck || peer.phase == Peer::Phase::SecondAck) {
      LogMsg("Rec: ACK - Connection closed", "WaitForByte", LogKind::Error);
    }
    Drop(peer, "");
  } else if (peer.conn.inbox.size() > kMaxInbox) {
    Drop(peer, "it sends faster than its calls are served");
  } else {
    if (peer.conn.inbox.empty() && peer.conn.inbox.capacity() > kReadPerTurn) {
      peer.conn.inbox.shrink_to_fit();  // a burst does not keep its megabytes
    }
    Wait(peer);
  }
}

bool Server::Advance(Peer& peer) {
  for (;;) {
    int step = kNeedMore;
    switch (peer.phase) {
      case Peer::Phase::Command: step = TakeCommand(peer); break;
      case Peer::Phase::FirstAck:
      case Peer::Phase::SecondAck: step = TakeAck(peer); break;
      case Peer::Phase::File:
        TakeFileBytes(peer);
        step = peer.phase == Peer::Phase::File ? kNeedMore : kTaken;
        break;
    }
    if (step == kGone) return false;
    if (step == kTaken) {
      peer.waiting = false;  // a message was taken: what follows starts its own wait
      continue;
    }
    const bool blocked = peer.blocks_ready;
    if (!Flush(peer)) {
      Drop(peer, "");
      return false;
    }
    // Blocks that have just left let the next command behind them go.
    if (!blocked || peer.blocks_ready || peer.conn.inbox.empty()) return true;
  }
}

int Server::TakeCommand(Peer& peer) {
  // The next call waits until the blocks of the last one have left.
  if (peer.blocks_ready) return kNeedMore;
  std::string& inbox = peer.conn.inbox;
  const Scan scan = ScanMessage(inbox);
  switch (scan.kind) {
    case Scan::NeedMore: return kNeedMore;
    case Scan::Control: {
      const std::string name(ControlWord(static_cast<uint8_t>(inbox[0])));
      inbox.erase(0, 1);
      LogMsg("Received CMD: " + name, "SvrReceiveCmd");
      peer.out += static_cast<char>(kACK);
      LogMsg("Sent: ACK", "SendByte");
      LogMsg("CMD = " + name + ": Nothing to do", "EventsLoopSvr");
      return kTaken;
    }
    case Scan::Garbage:
      LogMsg("Discarded " + std::to_string(scan.length) + " bytes that start no command: " +
                 inbox.substr(0, std::min<std::size_t>(scan.length, 40)),
             "SvrReceiveCmd", LogKind::Error);
      inbox.erase(0, scan.length);
      return kTaken;
    case Scan::BadHeader:
      // No length to go by: the stream cannot be resynchronised.
      LogMsg("Rejected CMD: the header " + inbox.substr(0, kHeaderSize) +
                 " announces no length from 13 to 3000",
             "SvrReceiveCmd", LogKind::Error);
      Drop(peer, "its stream can not be resynchronised");
      return kGone;
    case Scan::File:
      if (!options_.accept_files) {
        LogMsg(ClientName(peer) + " sends a file; files are taken only with --accept-files",
               "EventsLoopSvr", LogKind::Error);
        Drop(peer, "files are not accepted");
        return kGone;
      }
      StartFile(peer, scan.length);
      return peer.file != nullptr ? kTaken : kGone;
    case Scan::Command: {
      const std::string frame = inbox.substr(0, scan.length);
      inbox.erase(0, scan.length);
      Call(peer, frame);
      if (end_requested_ || !ServerActive()) return kGone;
      return kTaken;
    }
  }
  return kNeedMore;
}

bool Server::Refused(const Peer& peer, std::string_view name, std::string& result) {
  if (!options_.protect || peer.loopback || (name != "ServerEnd" && name != "ReSetDuZuradi")) {
    return false;
  }
  LogMsg(std::string(name) + " refused: " + ClientName(peer) + " (" + peer.address +
             ") is not on this machine (--protect)",
         "SvrExecuteCMD", LogKind::Error);
  // ReSetDuZuradi has a reply to wait for; it says the call failed.
  if (name == "ReSetDuZuradi") result = FrameResult(wire::Reply(wire::Get(name), {"-16"}));
  return true;
}

void Server::Call(Peer& peer, std::string_view frame) {
  std::string cmd(frame.substr(0, frame.find('\0')));  // the text ends at a NUL
  LogMsg("Received CMD: " + cmd, "SvrReceiveCmd");
  peer.out += static_cast<char>(kACK);
  LogMsg("Sent: ACK", "SendByte");

  const std::string name(aux::FieldS(cmd, 4));
  DispatchReply reply;
  Dispatcher::Outcome outcome = Dispatcher::Outcome::Result;
  if (!Refused(peer, name, reply.text)) {
    const Clock::time_point now = Clock::now();
    running_ = Running{&peer, now, now, nullptr};
    outcome = dispatcher_.Execute(cmd, reply);
    const char* stopped = running_.stopped;
    running_ = Running{};
    if (stopped != nullptr) {
      LogMsg("The call of " + ClientName(peer) + " was interrupted: " + stopped, "SvrExecuteCMD",
             LogKind::Error);
    }
  } else if (name == "ServerEnd") {
    return;  // refused: the ACK was all it waits for
  }

  switch (outcome) {
    case Dispatcher::Outcome::Unknown:
      LogMsg("CMD Invalid.", "EventsLoopSvr", LogKind::Error);
      return;
    case Dispatcher::Outcome::ServerEnd:
      Flush(peer);  // the ACK goes before the connections close
      if (session_) {
        EndSessionByCommand(peer);
        return;
      }
      TerminateProgram("ServerEnd");
      end_requested_ = true;
      return;
    case Dispatcher::Outcome::Result: break;
  }
  if (reply.text.empty()) return;
  peer.out += reply.text;
  LogMsg("Sent RES: " + reply.text, "SvrTransmitRes");
  peer.blocks = std::move(reply.block_data);
  peer.blocks_at = 0;
  peer.blocks_ready = false;
  peer.blocks_kind = reply.blocks;
  peer.phase = Peer::Phase::FirstAck;
}

int Server::TakeAck(Peer& peer) {
  std::string& inbox = peer.conn.inbox;
  // Whole messages before the ACK stay for after the call; an ACK inside
  // bytes that start nothing is still taken.
  std::size_t at = 0;
  std::size_t ack = std::string::npos;
  while (at < inbox.size() && ack == std::string::npos) {
    if (static_cast<uint8_t>(inbox[at]) == kACK) {
      ack = at;
      break;
    }
    const Scan scan = ScanMessage(std::string_view(inbox).substr(at));
    switch (scan.kind) {
      case Scan::NeedMore: return kNeedMore;
      case Scan::Command: at += scan.length; break;
      case Scan::Control: at += 1; break;
      case Scan::File:
        if (inbox.size() - at < kHeaderSize + scan.length) return kNeedMore;
        at += kHeaderSize + scan.length;
        break;
      case Scan::Garbage: {
        const std::size_t found = inbox.find(static_cast<char>(kACK), at);
        if (found < at + scan.length) ack = found;
        at += scan.length;
        break;
      }
      case Scan::BadHeader: return kNeedMore;  // its wait runs out and it is dropped
    }
  }
  if (ack == std::string::npos) return kNeedMore;
  inbox.erase(ack, 1);
  LogMsg("Rec: ACK", "WaitForByte");
  if (peer.phase == Peer::Phase::FirstAck) {
    peer.phase = Peer::Phase::SecondAck;
    QueueBlocks(peer);
  } else {
    // Blocks still leaving (a client may send both ACKs at once) leave whole.
    LogMsg(kSeparator46, "");
    peer.phase = Peer::Phase::Command;
  }
  return kTaken;
}

void Server::QueueBlocks(Peer& peer) {
  if (peer.blocks_kind == wire::Blocks::None) return;
  peer.blocks_ready = true;
  peer.blocks_at = 0;
}

bool Server::Flush(Peer& peer) {
  bool moved = false;
  auto send_from = [&](const char* data, std::size_t size, std::size_t& at) {
    while (at < size) {
      const ssize_t n = ::send(peer.conn.fd, data + at, size - at, MSG_NOSIGNAL);
      if (n > 0) {
        at += static_cast<std::size_t>(n);
        moved = true;
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
      }
    }
    return true;
  };
  if (!send_from(peer.out.data(), peer.out.size(), peer.out_at)) {
    peer.conn.closed = true;
    return false;
  }
  if (peer.out_at == peer.out.size()) {
    peer.out.clear();
    peer.out_at = 0;
  }
  if (peer.blocks_ready && peer.out.empty()) {
    const std::size_t total = peer.blocks.size() * sizeof(double);
    const bool ok =
        send_from(reinterpret_cast<const char*>(peer.blocks.data()), total, peer.blocks_at);
    if (ok && peer.blocks_at == total) {
      if (peer.blocks_kind == wire::Blocks::EEvals) {
        LogMsg("Sent e_evals - Vectors. Sent " + std::to_string(total) + " bytes OK",
               "SvrTransmitRes");
      } else {
        LogMsg("Sent FindMatrix - Matrix. Sent " + std::to_string(total) + " bytes OK",
               "SvrTransmitRes");
      }
      peer.blocks = {};  // given back at once: an e_evals may have held gigabytes
      peer.blocks_ready = false;
    } else if (!ok) {
      LogMsg(std::string("ERROR: Sent ") +
                 (peer.blocks_kind == wire::Blocks::EEvals ? "e_evals" : "FindMatrix") +
                 " blocks. Sent " + std::to_string(peer.blocks_at) + " bytes of " +
                 std::to_string(total),
             "SvrTransmitRes", LogKind::Error);
      peer.conn.closed = true;
      return false;
    }
  }
  if (moved) peer.waiting = false;  // output that leaves restarts the wait
  Wait(peer);
  return true;
}

void Server::StartFile(Peer& peer, std::size_t size) {
  peer.conn.inbox.erase(0, kHeaderSize);
  LogMsg(ClientName(peer) + " has send a file via the network", "EventsLoopSvr");
  LogMsg("Receiving file from " + ClientName(peer) + "...", "EventsLoopSvr");
  // Written aside and renamed when whole: an earlier file is never lost to
  // a transfer that breaks off.
  peer.file = std::fopen((options_.file_name + ".part").c_str(), "wb");
  if (peer.file == nullptr) {
    LogMsg("Can not write " + options_.file_name + ".part; the file is refused", "EventsLoopSvr",
           LogKind::Error);
    Drop(peer, "its file can not be written here");
    return;
  }
  peer.phase = Peer::Phase::File;
  peer.file_left = size;
  peer.file_failed = false;
}

void Server::TakeFileBytes(Peer& peer) {
  std::string& inbox = peer.conn.inbox;
  const std::size_t n = std::min(inbox.size(), peer.file_left);
  if (n > 0) {
    if (std::fwrite(inbox.data(), 1, n, peer.file) != n) peer.file_failed = true;
    inbox.erase(0, n);
    peer.file_left -= n;
    peer.waiting = false;  // bytes came: the file's wait starts again
  }
  if (peer.file_left == 0) FinishFile(peer);
}

void Server::FinishFile(Peer& peer) {
  const bool written = std::fclose(peer.file) == 0 && !peer.file_failed;
  peer.file = nullptr;
  peer.phase = Peer::Phase::Command;
  const std::string part = options_.file_name + ".part";
  if (written && std::rename(part.c_str(), options_.file_name.c_str()) == 0) {
    LogMsg("File received from " + ClientName(peer), "EventsLoopSvr");
    peer.out += static_cast<char>(kACK);
    return;
  }
  std::remove(part.c_str());
  LogMsg("File from " + ClientName(peer) + " could not be written; nothing kept", "EventsLoopSvr",
         LogKind::Error);
}

int32_t Server::OnProgress(void* self) { return static_cast<Server*>(self)->Progress(); }

int32_t Server::Progress() {
  Peer* peer = running_.peer;
  if (peer == nullptr) return 0;
  const Clock::time_point now = Clock::now();
  if (options_.max_call_ms > 0 &&
      now - running_.start >= std::chrono::milliseconds(options_.max_call_ms)) {
    running_.stopped = "it computed longer than the --max-call-ms limit";
    return 1;
  }
  if (now - running_.checked < kPeerCheck) return 0;
  running_.checked = now;
  pollfd p{peer->conn.fd, POLLRDHUP, 0};
  if (::poll(&p, 1, 0) == 1 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0) {
    peer->conn.closed = true;
    running_.stopped = "its client has gone";
    return 1;
  }
  if (now - running_.start >= kAckDue && peer->out_at < peer->out.size() && !Flush(*peer)) {
    running_.stopped = "its client has gone";
    return 1;
  }
  return 0;
}

}  // namespace trx
