#include "fake_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

#include "trx_cs.h"

namespace client_test {

FakeServer::FakeServer(std::function<Reply(const std::string&)> answer)
    : answer_(std::move(answer)) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof addr;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      ::listen(listener_, 1) == 0 &&
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &length) == 0) {
    port_ = ntohs(addr.sin_port);
  }
  thread_ = std::thread([this] { Serve(); });
}

FakeServer::~FakeServer() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  thread_.join();
  ::close(listener_);
}

std::vector<std::string> FakeServer::Commands() {
  std::lock_guard<std::mutex> lock(mutex_);
  return commands_;
}

// n bytes, waiting while the test runs; false when the peer goes or the
// test ends.
bool FakeServer::Read(int fd, std::string& out, std::size_t n) {
  out.clear();
  while (out.size() < n) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 20) == 0) {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stop_) return false;
      continue;
    }
    char buf[4096];
    const ssize_t got = ::recv(fd, buf, std::min(sizeof buf, n - out.size()), 0);
    if (got <= 0) return false;
    out.append(buf, static_cast<std::size_t>(got));
  }
  return true;
}

void FakeServer::Serve() {
  int fd = -1;
  while (fd < 0) {
    pollfd p{listener_, POLLIN, 0};
    if (::poll(&p, 1, 20) == 1) {
      fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    } else {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stop_) return;
    }
  }
  std::string header;
  std::string rest;
  std::string ack;
  while (Read(fd, header, trx::kHeaderSize)) {
    const int n = std::atoi(header.substr(4, 8).c_str());
    if (n < 13 || !Read(fd, rest, static_cast<std::size_t>(n) - trx::kHeaderSize)) break;
    const std::string command = header + rest;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      commands_.push_back(command);
    }
    const Reply reply = answer_(command);
    if (reply.close) break;
    std::string out(1, static_cast<char>(trx::kACK));
    if (!reply.body.empty()) out += trx::FrameResult(reply.body);
    ::send(fd, out.data(), out.size(), MSG_NOSIGNAL);
    if (reply.body.empty()) continue;
    if (!Read(fd, ack, 1)) break;
    ::send(fd, reply.blocks.data(), reply.blocks.size(), MSG_NOSIGNAL);
    if (!Read(fd, ack, 1)) break;
  }
  ::close(fd);
}

}  // namespace client_test
