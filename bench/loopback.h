// Loopback helpers of the network benchmarks: a trx_Server started for the
// run, raw connections to it, and the peer every remote call is measured
// against, a 50-byte ping-pong with a thread of this program.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace bench {

int Connect(int port);
bool ReadExactly(int fd, char* buffer, std::size_t n);
// The client's side of one call without blocks: the command frame, the
// ACK, the result (kept in result when given), the two closing ACKs in one
// write.
bool CallOnce(int fd, const std::string& frame, std::string* result = nullptr);

// trx_Server on a free port with the extra options given, logging to
// /dev/null; stopped at exit.
struct ServerChild {
  int pid = -1;
  int port = 0;
  explicit ServerChild(const std::vector<std::string>& extra = {});
  ~ServerChild();
};
ServerChild& Server();

// A peer process that serves one connection on loopback (as trx_Server is a
// process of its own: a switch between processes costs more than one
// between threads, so the peers pay it too), and this side's socket.
struct Peer {
  int pid = -1;
  int fd = -1;
};
Peer StartPeer(const std::function<void(int fd)>& serve);
void StopPeer(Peer& peer);

// A 50-byte message echoed by a peer process. Registered as
// "ping_pong_50_bytes" by the programs that use it.
void PingPong(benchmark::State& state);

}  // namespace bench
