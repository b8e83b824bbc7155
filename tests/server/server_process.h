// A real trx_Server started headless on a free port for one test, with its
// log lines collected, and a raw-byte client that speaks the wire protocol.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace server_test {

class ServerProcess {
 public:
  // Starts trx_Server --headless --port 0 --wan-host "" plus extra arguments,
  // and waits for its "Server created (Port N)." line (unless it fails first).
  // Without headless the server runs its window on Qt's offscreen platform.
  explicit ServerProcess(std::vector<std::string> extra = {}, bool wait_for_port = true,
                         bool headless = true);
  ~ServerProcess();

  int Port() const { return port_; }
  // Every line written so far, oldest first.
  std::vector<std::string> Log();
  // Waits until a line containing needle has been written.
  bool WaitForLog(const std::string& needle, int timeout_ms = 5000);
  // Waits for the process to end; its exit status, or -1 on time-out.
  int WaitForExit(int timeout_ms = 5000);
  void Signal(int signal_number);
  int Pid() const { return pid_; }
  // While paused nobody reads the server's standard output: it fills up.
  void PauseReading(bool paused);

 private:
  void ReadOutput();

  int pid_ = -1;
  int output_ = -1;
  int port_ = 0;
  int status_ = -1;
  std::thread reader_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> lines_;
  bool eof_ = false;
  bool paused_ = false;
};

class RawClient {
 public:
  // Connected to port on address, from that address.
  explicit RawClient(int port, const std::string& address = "127.0.0.1");
  ~RawClient();
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  void Send(const std::string& bytes);
  // The next byte within timeout_ms, -1 on time-out, -2 when the server closed.
  int ReadByte(int timeout_ms = 5000);
  // Exactly n bytes (fewer on time-out or closing).
  std::string ReadBytes(std::size_t n, int timeout_ms = 5000);
  // The five-message call: command, ACK, result, ACK, blocks, ACK. Returns
  // the whole result frame; block_bytes of blocks go to blocks.
  std::string Call(const std::string& frame, std::size_t block_bytes = 0,
                   std::string* blocks = nullptr);
  // True when the server closes this connection within timeout_ms.
  bool ClosedByServer(int timeout_ms = 5000);

 private:
  int fd_ = -1;
};

// "TLN;" + length + ";" + body, as a client frames a command.
std::string Command(const std::string& body);
// A result frame as the server writes it: one ";" after the framed body.
std::string Reply(const std::string& body);
// The i-th ";"-separated field (from 1); the ret field of a result frame
// ("TLN;n;FUN;name;ret;r;...") is the sixth.
std::string Field(const std::string& text, int i);
std::string Ret(const std::string& result);
// Block bytes as the doubles they carry.
std::vector<double> Doubles(const std::string& bytes);
// An IPv4 address of this machine that is not loopback; "" when it has none.
std::string LanAddress();

}  // namespace server_test
