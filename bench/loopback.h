// Loopback helpers of the network benchmarks: a trx_Server started for the
// run, raw connections to it, and the peer every remote call is measured
// against, a 50-byte ping-pong with a thread of this program.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <functional>

namespace bench {

int Connect(int port);
bool ReadExactly(int fd, char* buffer, std::size_t n);

// trx_Server on a free port, logging to /dev/null; stopped at exit.
struct ServerChild {
  int pid = -1;
  int port = 0;
  ServerChild();
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
