#include "server_process.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace server_test {

ServerProcess::ServerProcess(std::vector<std::string> extra, bool wait_for_port, bool headless) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) throw std::runtime_error("pipe");
  std::vector<std::string> args = {TRX_SERVER_FILE, "--headless", "--port", "0", "--wan-host", ""};
  if (!headless) args.erase(args.begin() + 1);
  args.insert(args.end(), extra.begin(), extra.end());
  pid_ = ::fork();
  if (pid_ == 0) {
    if (!headless) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::dup2(pipe_fds[1], STDOUT_FILENO);
    ::dup2(pipe_fds[1], STDERR_FILENO);
    ::close(pipe_fds[0]);
    ::close(pipe_fds[1]);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(pipe_fds[1]);
  output_ = pipe_fds[0];
  reader_ = std::thread([this] { ReadOutput(); });
  if (!wait_for_port) return;
  if (!WaitForLog("Server created (Port ", 10000)) {
    ::kill(pid_, SIGKILL);
    WaitForExit(5000);
    if (reader_.joinable()) reader_.join();
    std::string log;
    for (const std::string& line : Log()) log += line + "\n";
    throw std::runtime_error("trx_Server did not start:\n" + log);
  }
  for (const std::string& line : Log()) {
    const std::size_t at = line.find("Server created (Port ");
    if (at != std::string::npos) port_ = std::atoi(line.c_str() + at + 21);
  }
}

ServerProcess::~ServerProcess() {
  if (pid_ > 0 && status_ < 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (reader_.joinable()) reader_.join();
  if (output_ >= 0) ::close(output_);
}

void ServerProcess::ReadOutput() {
  std::string partial;
  char buffer[4096];
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return !paused_; });
    }
    const ssize_t n = ::read(output_, buffer, sizeof buffer);
    if (n <= 0) break;
    partial.append(buffer, static_cast<std::size_t>(n));
    std::size_t end;
    while ((end = partial.find('\n')) != std::string::npos) {
      std::lock_guard<std::mutex> lock(mutex_);
      lines_.push_back(partial.substr(0, end));
      partial.erase(0, end + 1);
      changed_.notify_all();
    }
  }
  std::lock_guard<std::mutex> lock(mutex_);
  if (!partial.empty()) lines_.push_back(partial);
  eof_ = true;
  changed_.notify_all();
}

std::vector<std::string> ServerProcess::Log() {
  std::lock_guard<std::mutex> lock(mutex_);
  return lines_;
}

bool ServerProcess::WaitForLog(const std::string& needle, int timeout_ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] {
    for (const std::string& line : lines_) {
      if (line.find(needle) != std::string::npos) return true;
    }
    return eof_;
  }) && std::any_of(lines_.begin(), lines_.end(), [&](const std::string& line) {
           return line.find(needle) != std::string::npos;
         });
}

int ServerProcess::WaitForExit(int timeout_ms) {
  for (int waited = 0; waited <= timeout_ms; waited += 10) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      if (reader_.joinable()) reader_.join();
      return status_;
    }
    ::usleep(10000);
  }
  return -1;
}

void ServerProcess::Signal(int signal_number) { ::kill(pid_, signal_number); }

void ServerProcess::PauseReading(bool paused) {
  std::lock_guard<std::mutex> lock(mutex_);
  paused_ = paused;
  changed_.notify_all();
}

RawClient::RawClient(int port, const std::string& host) {
  fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  ::inet_pton(AF_INET, host.c_str(), &address.sin_addr);
  if (host != "127.0.0.1") {
    sockaddr_in local = address;  // from that address, not from loopback
    ::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local);
  }
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    throw std::runtime_error("connect");
  }
  const int yes = 1;
  ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
}

RawClient::~RawClient() {
  if (fd_ >= 0) ::close(fd_);
}

void RawClient::Send(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

int RawClient::ReadByte(int timeout_ms) {
  pollfd p{fd_, POLLIN, 0};
  if (::poll(&p, 1, timeout_ms) <= 0) return -1;
  unsigned char c = 0;
  const ssize_t n = ::recv(fd_, &c, 1, 0);
  return n == 1 ? c : -2;
}

std::string RawClient::ReadBytes(std::size_t n, int timeout_ms) {
  std::string out;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (out.size() < n) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p{fd_, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[65536];
    const ssize_t got = ::recv(fd_, buffer, std::min(sizeof buffer, n - out.size()), 0);
    if (got <= 0) break;
    out.append(buffer, static_cast<std::size_t>(got));
  }
  return out;
}

std::string RawClient::Call(const std::string& frame, std::size_t block_bytes,
                            std::string* blocks) {
  Send(frame);
  if (ReadByte() != 6) return "no ACK";
  std::string result = ReadBytes(13);
  if (result.size() < 13) return result;
  const int n = std::atoi(result.substr(4, 8).c_str());
  result += ReadBytes(static_cast<std::size_t>(n - 12));
  Send("\x06");
  const std::string data = ReadBytes(block_bytes);
  if (blocks != nullptr) *blocks = data;
  Send("\x06");
  return result;
}

bool RawClient::ClosedByServer(int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < deadline) {
    const int b = ReadByte(50);
    if (b == -2) return true;
  }
  return false;
}

std::string Command(const std::string& body) {
  char header[16];
  std::snprintf(header, sizeof header, "TLN;%08zu;", body.size() + 13);
  return header + body;
}

std::string Reply(const std::string& body) { return Command(body) + ";"; }

std::string Field(const std::string& text, int i) {
  std::size_t start = 0;
  for (int k = 1; k < i; ++k) {
    start = text.find(';', start);
    if (start == std::string::npos) return {};
    ++start;
  }
  return text.substr(start, text.find(';', start) - start);
}

std::string Ret(const std::string& result) { return Field(result, 6); }

std::vector<double> Doubles(const std::string& bytes) {
  std::vector<double> values(bytes.size() / 8);
  std::memcpy(values.data(), bytes.data(), values.size() * 8);
  return values;
}

std::string LanAddress() {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return "";
  std::string found;
  for (ifaddrs* a = list; a != nullptr && found.empty(); a = a->ifa_next) {
    if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET) continue;
    char text[INET_ADDRSTRLEN] = "";
    ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr, text, sizeof text);
    if (std::string(text).rfind("127.", 0) != 0) found = text;
  }
  ::freeifaddrs(list);
  return found;
}

}  // namespace server_test
