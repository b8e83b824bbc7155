#include "loopback.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <thread>

namespace bench {

int Connect(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) std::abort();
  const int yes = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  return fd;
}

bool ReadExactly(int fd, char* buffer, std::size_t n) {
  std::size_t got = 0;
  while (got < n) {
    const ssize_t r = ::recv(fd, buffer + got, n - got, 0);
    if (r <= 0) return false;
    got += static_cast<std::size_t>(r);
  }
  return true;
}

// A port nobody listens on now.
int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::abort();
  }
  ::close(fd);
  return ntohs(address.sin_port);
}

// trx_Server on a free port, logging every step (the default) to /dev/null,
// as to a file: nobody has to be woken to read it.
bool CallOnce(int fd, const std::string& frame, std::string* result) {
  if (::send(fd, frame.data(), frame.size(), 0) != static_cast<ssize_t>(frame.size())) {
    return false;
  }
  char ack = 0;
  if (!ReadExactly(fd, &ack, 1) || ack != 6) return false;
  char header[13];
  if (!ReadExactly(fd, header, 13)) return false;
  const int rest = std::atoi(std::string(header + 4, 8).c_str()) - 12;
  char body[3000];
  if (rest <= 0 || rest > 3000 || !ReadExactly(fd, body, static_cast<std::size_t>(rest))) {
    return false;
  }
  if (result != nullptr) *result = std::string(header, 13) + std::string(body, rest);
  return ::send(fd, "\x06\x06", 2, 0) == 2;
}

ServerChild::ServerChild(const std::vector<std::string>& extra) {
  port = FreePort();
  std::vector<std::string> args{TRX_SERVER_FILE,      "--headless", "--port",
                                std::to_string(port), "--wan-host", ""};
  args.insert(args.end(), extra.begin(), extra.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    ::close(null);
    ::execv(TRX_SERVER_FILE, argv.data());
    ::_exit(127);
  }
  // Up when it takes a connection.
  for (int waited = 0;; ++waited) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    if (up) break;
    if (waited > 1000) std::abort();
    ::usleep(10000);
  }
}

ServerChild::~ServerChild() {
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
}

ServerChild& Server() {
  static ServerChild server;
  return server;
}

Peer StartPeer(const std::function<void(int fd)>& serve) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::listen(listener, 1);
  socklen_t length = sizeof address;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  Peer peer;
  peer.pid = ::fork();
  if (peer.pid == 0) {
    const int fd = ::accept(listener, nullptr, nullptr);
    const int yes = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    serve(fd);
    ::_exit(0);
  }
  ::close(listener);
  peer.fd = Connect(ntohs(address.sin_port));
  return peer;
}

void StopPeer(Peer& peer) {
  ::close(peer.fd);
  ::waitpid(peer.pid, nullptr, 0);
}

void PingPong(benchmark::State& state) {
  Peer echo = StartPeer([](int fd) {
    char buffer[50];
    while (ReadExactly(fd, buffer, sizeof buffer)) {
      if (::send(fd, buffer, sizeof buffer, 0) != 50) break;
    }
  });
  char message[50] = "a plain message of fifty bytes, sent and echoed.";
  for (auto _ : state) {
    ::send(echo.fd, message, sizeof message, 0);
    ReadExactly(echo.fd, message, sizeof message);
  }
  StopPeer(echo);
  state.SetItemsProcessed(state.iterations());
}

}  // namespace bench
