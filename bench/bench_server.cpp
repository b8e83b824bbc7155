// One remote e_eval call against a plain ping-pong, on loopback, in the
// same run: trx_Server is started headless, a raw-socket client makes the
// five-message call (command, ACK, result, ACK, ACK) in a loop; the peer is
// a 50-byte message echoed by a thread of this program.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "loopback.h"
#include "rate_reporter.h"

namespace {

using bench::Connect;
using bench::ReadExactly;
using bench::Server;

const std::string kCall = "TLN;00000051;FUN;e_eval;str;2+3;dbl;00000000;lng;1;";

bool OneCall(int fd) { return bench::CallOnce(fd, kCall); }

void RemoteEEval(benchmark::State& state) {
  const int fd = Connect(Server().port);
  for (auto _ : state) {
    if (!OneCall(fd)) state.SkipWithError("call failed");
  }
  ::close(fd);
  state.SetItemsProcessed(state.iterations());
}

void RemoteEEvalEightClients(benchmark::State& state) {
  std::vector<int> fds;
  for (int i = 0; i < 8; ++i) fds.push_back(Connect(Server().port));
  std::size_t next = 0;
  for (auto _ : state) {
    if (!OneCall(fds[next])) state.SkipWithError("call failed");
    next = (next + 1) % fds.size();
  }
  for (const int fd : fds) ::close(fd);
  state.SetItemsProcessed(state.iterations());
}

// The floor of the protocol itself: a peer process that answers every
// command with ACK + a fixed result in one write and takes the two ACKs,
// with blocking calls and nothing else. The same client as above.
void BareExchange(benchmark::State& state) {
  bench::Peer bare = bench::StartPeer([](int fd) {
    const std::string reply = "\x06TLN;00000047;FUN;e_eval;ret;0;dbl;5.0000000000;;";
    std::string in;
    int acks = -1;  // -1: waiting for a command
    char buffer[4096];
    for (;;) {
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) return;
      in.append(buffer, static_cast<std::size_t>(n));
      for (bool more = true; more;) {
        more = false;
        if (acks < 0 && in.size() >= kCall.size()) {
          in.erase(0, kCall.size());
          ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
          acks = 0;
          more = true;
        } else if (acks >= 0 && !in.empty()) {
          in.erase(0, 1);
          acks = acks == 1 ? -1 : 1;
          more = true;
        }
      }
    }
  });
  for (auto _ : state) {
    if (!OneCall(bare.fd)) state.SkipWithError("call failed");
  }
  bench::StopPeer(bare);
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(RemoteEEval)->Name("remote_e_eval_call")->UseRealTime();
// Every thread is a client of its own, all calling at once: the server
// serves them in turn, so together they should make at least as many calls
// per second as one client alone.
BENCHMARK(RemoteEEval)->Name("remote_e_eval_call_64_clients_at_once")->Threads(64)->UseRealTime();
BENCHMARK(RemoteEEvalEightClients)->Name("remote_e_eval_call_8_clients_in_turn")->UseRealTime();
BENCHMARK(BareExchange)->Name("bare_five_message_exchange")->UseRealTime();
BENCHMARK(bench::PingPong)->Name("ping_pong_50_bytes")->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  ::signal(SIGPIPE, SIG_IGN);
  benchmark::Initialize(&argc, argv);
  Server();  // started before the clock runs
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double ping = reporter.rates["ping_pong_50_bytes/real_time"];
  const double one = reporter.rates["remote_e_eval_call/real_time"];
  std::printf("\nRemote calls on loopback, measured in this run (pin it: taskset -c 0):\n");
  for (const char* name : {"remote_e_eval_call", "remote_e_eval_call_8_clients_in_turn"}) {
    const double calls = reporter.rates[std::string(name) + "/real_time"];
    const double ratio = calls > 0 ? ping / calls : 0.0;
    std::printf(
        "%-40s %10.0f calls/s, %6.1f us per call = %.2f ping-pongs (target <= 2.0: %s, "
        "goal 1.6)\n",
        name, calls, calls > 0 ? 1e6 / calls : 0.0, ratio,
        ratio > 0 && ratio <= 2.0 ? "met" : "MISSED");
  }
  const double many = reporter.rates["remote_e_eval_call_64_clients_at_once/real_time/threads:64"];
  std::printf("%-40s %10.0f calls/s together = %.2f x one client (target >= 1: %s)\n",
              "remote_e_eval_call_64_clients_at_once", many, one > 0 ? many / one : 0.0,
              one > 0 && many >= one ? "met" : "MISSED");
  const double bare = reporter.rates["bare_five_message_exchange/real_time"];
  std::printf(
      "%-40s %10.0f calls/s, %6.1f us per call = %.2f ping-pongs; the server's call "
      "costs %.2f of it\n",
      "bare_five_message_exchange", bare, bare > 0 ? 1e6 / bare : 0.0, bare > 0 ? ping / bare : 0.0,
      one > 0 ? bare / one : 0.0);
  std::printf("%-40s %10.0f round trips/s, %6.1f us each\n", "ping_pong_50_bytes", ping,
              ping > 0 ? 1e6 / ping : 0.0);
  benchmark::Shutdown();
  return 0;
}
