// The server form of trx_cs: listening, the events of the clients, one call
// at a time, and the dispatcher that turns a command into a library call.
#pragma once

#if !defined(TRX_CS_SERVER)
#error "server.h belongs to the server build of trx_cs"
#endif

#include <array>
#include <list>
#include <string>
#include <string_view>
#include <vector>

#include "tarnix_api.h"
#include "trx_cs.h"

namespace trx {

struct ServerOptions {
  int port = 6832;            // 0 picks a free port
  std::string bind;           // the local address to listen on; "" for all
  bool wan_lookup = true;     // ask an IP-echo page for the public address
  std::string wan_host;       // its host; "" for the default one
  bool accept_files = false;  // take files sent with a "TLF;" header
  std::string file_name = "TEST_Network.ftp3";
};

// The largest point count of e_evals and subinterval count of Integrate a
// client may ask for: beyond, one call would hold every client for minutes.
inline constexpr int32_t kMaxPoints = 16777215;

// SvrExecuteCMD: the library call a command names. It keeps the vectors of
// the last e_evals for SvrTransmitRes.
class Dispatcher {
 public:
  explicit Dispatcher(const TarnixApi& api) : api_(api) {}

  enum class Outcome { Result, Unknown, ServerEnd };
  // The framed result of cmd in result (empty unless Outcome::Result).
  Outcome Execute(std::string_view cmd, std::string& result);

  const std::vector<double>& X() const { return x_; }
  const std::vector<double>& Y() const { return y_; }
  const std::array<double, 5>& Info() const { return info_; }
  // The elements of the matrix the last FindMatrix found, as many as it replied.
  const std::vector<double>& Matrix() const { return matrix_; }
  const TarnixApi& Api() const { return api_; }

 private:
  std::string EEvals(std::string_view cmd);
  std::string FindMatrix(std::string_view cmd);
  std::string Print(std::string_view cmd);
  std::string IntegrateCall(std::string_view cmd);

  const TarnixApi& api_;
  std::vector<double> x_;
  std::vector<double> y_;
  std::array<double, 5> info_{};
  std::vector<double> matrix_;
};

class Server {
 public:
  Server(const TarnixApi& api, ServerOptions options);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Starts listening; 1 on success, 0 otherwise (already listening: 0).
  int InitServer();
  // Stops listening and closes every client.
  void Disconnect();
  // The descriptors whose readability EventsLoopSvr waits for.
  std::vector<int> WatchedDescriptors() const;
  // Handles the event pending on fd: a new client, data or a closed client.
  int EventsLoopSvr(int fd);
  // Milliseconds until a client's incomplete message is due, -1 for none;
  // the driver calls ExpireStalled when that time has passed.
  int NextTimeoutMs() const;
  void ExpireStalled();
  void TerminateProgram(std::string_view reason);

  bool ServerActive() const { return listen_fd_ >= 0; }
  bool EndRequested() const { return end_requested_; }
  void RequestEnd() { end_requested_ = true; }
  int Port() const { return port_; }
  // The port the next InitServer listens on (the window's port field).
  void SetPort(int port) { options_.port = port; }

 private:
  void Accept();
  void ServeData(Connection& client);
  std::string SvrReceiveCmd(Connection& client, std::size_t length);
  int SvrTransmitRes(Connection& client, const std::string& result);
  void ReceiveFile(Connection& client, std::size_t size);
  void Drop(Connection& client, std::string_view why);
  static std::string LogName(const Connection& client);

  ServerOptions options_;
  Dispatcher dispatcher_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::list<Connection> clients_;
  int next_client_ = 1;
  bool end_requested_ = false;
};

}  // namespace trx
