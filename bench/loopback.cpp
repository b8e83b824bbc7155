#include "loopback.h"

#include <arpa/inet.h>
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

// trx_Server on a free port, its log thrown away.
ServerChild::ServerChild() {
  int out[2];
  if (::pipe(out) != 0) std::abort();
  pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::close(out[0]);
    ::close(out[1]);
    ::execl(TRX_SERVER_FILE, TRX_SERVER_FILE, "--headless", "--port", "0", "--wan-host", "",
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(out[1]);
  // Read the log until the port is known, then keep draining it.
  std::string log;
  char buffer[4096];
  while (port == 0) {
    const ssize_t n = ::read(out[0], buffer, sizeof buffer);
    if (n <= 0) std::abort();
    log.append(buffer, static_cast<std::size_t>(n));
    const std::size_t at = log.find("Server created (Port ");
    if (at != std::string::npos && log.find(')', at) != std::string::npos) {
      port = std::atoi(log.c_str() + at + 21);
    }
  }
  std::thread([fd = out[0]] {
    char sink[65536];
    while (::read(fd, sink, sizeof sink) > 0) {
    }
    ::close(fd);
  }).detach();
}
ServerChild::~ServerChild() {
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
}

ServerChild& Server() {
  static ServerChild server;
  return server;
}

void PingPong(benchmark::State& state) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::listen(listener, 1);
  socklen_t length = sizeof address;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  std::thread echo([listener] {
    const int fd = ::accept(listener, nullptr, nullptr);
    const int yes = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    char buffer[50];
    while (ReadExactly(fd, buffer, sizeof buffer)) {
      if (::send(fd, buffer, sizeof buffer, 0) != 50) break;
    }
    ::close(fd);
  });
  const int fd = Connect(ntohs(address.sin_port));
  char message[50] = "a plain message of fifty bytes, sent and echoed.";
  for (auto _ : state) {
    ::send(fd, message, sizeof message, 0);
    ReadExactly(fd, message, sizeof message);
  }
  ::close(fd);
  echo.join();
  ::close(listener);
  state.SetItemsProcessed(state.iterations());
}

}  // namespace bench
