// The byte helpers of a call. Every wait is bounded by 10 000 ms and ends at
// once when the peer has closed the connection or reported an error.
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "trx_cs.h"

namespace trx {
namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits until fd is readable (or writable); false on time-out.
bool WaitFor(int fd, short events, int timeout_ms) {
  pollfd p{fd, events, 0};
  for (;;) {
    const int r = ::poll(&p, 1, timeout_ms);
    if (r > 0) return true;
    if (r == 0) return false;
    if (errno != EINTR) return true;  // let the read or send report the error
  }
}

}  // namespace

bool ReceiveMore(Connection& conn, int timeout_ms) {
  if (conn.closed) return false;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (!WaitFor(conn.fd, POLLIN, RemainingMs(deadline))) return false;
    char buffer[65536];
    const ssize_t n = ::recv(conn.fd, buffer, sizeof buffer, 0);
    if (n > 0) {
      conn.inbox.append(buffer, static_cast<std::size_t>(n));
      return true;
    }
    if (n == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) {
      conn.closed = true;
      return false;
    }
    if (RemainingMs(deadline) == 0) return false;
  }
}

uint8_t WaitForByte(Connection& conn, uint8_t byte, std::string_view label) {
  const std::string name(ControlWord(byte));
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kWaitMs);
  for (;;) {
    // Bytes before the one awaited are skipped.
    const std::size_t at = conn.inbox.find(static_cast<char>(byte));
    if (at != std::string::npos) {
      conn.inbox.erase(0, at + 1);
      LogMsg("Rec: " + name + std::string(label), "WaitForByte");
      return byte;
    }
    conn.inbox.clear();
    if (!ReceiveMore(conn, RemainingMs(deadline))) {
      if (conn.closed) {
        LogMsg("Rec: " + name + " - Connection closed", "WaitForByte");
      } else if (RemainingMs(deadline) == 0) {
        LogMsg("Rec: " + name + " - TimeOut", "WaitForByte");
      } else {
        continue;
      }
      return kTimeOut;
    }
  }
}

int SendByte(Connection& conn, uint8_t byte, std::string_view label) {
  const char c = static_cast<char>(byte);
  const ssize_t n = ::send(conn.fd, &c, 1, MSG_NOSIGNAL);
  if (n == 1) {
    LogMsg("Sent: " + std::string(ControlWord(byte)) + std::string(label), "SendByte");
  } else {
    if (n < 0 && (errno == EPIPE || errno == ECONNRESET)) conn.closed = true;
    LogMsg("Sent: ERROR, ret code" + std::to_string(n), "SendByte");
  }
  return static_cast<int>(n);
}

int ReceiveBytes(Connection& conn, void* buffer, std::size_t length) {
  auto* out = static_cast<char*>(buffer);
  std::size_t got = std::min(length, conn.inbox.size());
  if (got > 0) std::memcpy(out, conn.inbox.data(), got);
  conn.inbox.erase(0, got);
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kWaitMs);
  while (got < length && !conn.closed) {
    if (!WaitFor(conn.fd, POLLIN, RemainingMs(deadline))) break;
    const ssize_t n = ::recv(conn.fd, out + got, length - got, 0);
    if (n > 0) {
      got += static_cast<std::size_t>(n);
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) {
      conn.closed = true;
    }
    if (RemainingMs(deadline) == 0) break;
  }
  return static_cast<int>(got);
}

bool SendAll(Connection& conn, const void* data, std::size_t length) {
  const auto* p = static_cast<const char*>(data);
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kWaitMs);
  while (length > 0) {
    const ssize_t n = ::send(conn.fd, p, length, MSG_NOSIGNAL);
    if (n > 0) {
      p += n;
      length -= static_cast<std::size_t>(n);
      deadline = Clock::now() + std::chrono::milliseconds(kWaitMs);  // progress was made
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!WaitFor(conn.fd, POLLOUT, RemainingMs(deadline)) || RemainingMs(deadline) == 0) {
        return false;
      }
      continue;
    }
    conn.closed = true;
    return false;
  }
  return true;
}

}  // namespace trx
