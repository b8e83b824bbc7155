// A scripted stand-in for trx_Server on loopback: it takes one client,
// records every command frame and answers each with the reply that the test
// chooses, so the client side can be checked byte for byte and fed replies
// that no real server sends.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace client_test {

struct Reply {
  Reply(std::string body_text = {}, std::string block_bytes = {}, bool close_instead = false)
      : body(std::move(body_text)), blocks(std::move(block_bytes)), close(close_instead) {}
  std::string body;    // framed as a result; "" sends no result at all
  std::string blocks;  // raw bytes after the first ACK
  bool close = false;  // close the connection instead of answering
};

class FakeServer {
 public:
  explicit FakeServer(std::function<Reply(const std::string& command)> answer);
  ~FakeServer();
  FakeServer(const FakeServer&) = delete;
  FakeServer& operator=(const FakeServer&) = delete;

  int Port() const { return port_; }
  // The command frames received so far, each as it came.
  std::vector<std::string> Commands();

 private:
  void Serve();
  bool Read(int fd, std::string& out, std::size_t n);

  std::function<Reply(const std::string&)> answer_;
  int listener_ = -1;
  int port_ = 0;
  bool stop_ = false;
  std::mutex mutex_;
  std::vector<std::string> commands_;
  std::thread thread_;
};

}  // namespace client_test
