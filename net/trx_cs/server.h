// The server form of trx_cs: listening, one small state machine per client,
// the limits that keep one client from holding the others, and the
// dispatcher that turns a command into a library call.
#pragma once

#if !defined(TRX_CS_SERVER)
#error "server.h belongs to the server build of trx_cs"
#endif

#include <sys/socket.h>
#include <sys/types.h>

#include <array>
#include <chrono>
#include <list>
#include <string>
#include <string_view>
#include <vector>

#include "tarnix_api.h"
#include "trx_cs.h"
#include "wire.h"

namespace trx {

// ---- Who may connect ------------------------------------------------------------

// One network of an allow list: an IPv4 or IPv6 address and a prefix length.
struct Network {
  int family = AF_INET;
  std::array<uint8_t, 16> address{};
  int prefix = 0;
};

// "10.0.0.0/8,192.168.1.7" (a bare address is one host). "any" gives an
// empty list with any set. False, with error naming the bad part, otherwise.
bool ParseNetworks(std::string_view text, std::vector<Network>& networks, bool& any,
                   std::string& error);
// Loopback and the private LAN ranges: what a server on a LAN serves.
std::vector<Network> DefaultNetworks();
bool InNetworks(const std::vector<Network>& networks, const sockaddr_storage& peer);
bool IsLoopback(const sockaddr_storage& peer);

// ---- Options ----------------------------------------------------------------------

// shared: every client works on the one library state of the server.
// isolated: every connection is served by a process of its own, forked
// after accept, with a library state of its own on a core of its own.
enum class Sessions { Shared, Isolated };

struct ServerOptions {
  Sessions sessions = Sessions::Shared;
  int port = 6832;            // 0 picks a free port
  std::string bind;           // the local address to listen on; "" for all
  bool wan_lookup = true;     // ask an IP-echo page for the public address
  std::string wan_host;       // its host; "" for the default one
  bool accept_files = false;  // take files sent with a "TLF;" header
  std::string file_name = "TEST_Network.ftp3";

  std::vector<Network> allow = DefaultNetworks();
  bool allow_any = false;     // --allow any: every address may connect
  bool protect = false;       // ServerEnd and ReSetDuZuradi from loopback only
  int max_call_ms = 10000;    // how long one call may compute; 0: no limit
  int max_call_mb = 1024;     // matrix memory one call may take; 0: no limit
  int max_entries = 1000000;  // variables, functions and matrices stored; 0: no limit
  int max_clients = 256;      // connections at once
  int wait_ms = kWaitMs;      // every wait of a call (tests shorten it)
};

// The largest point count of e_evals and subinterval count of Integrate a
// client may ask for: beyond, the reply alone would take gigabytes.
inline constexpr int32_t kMaxPoints = 16777215;

// The whole reply to a command: the framed result and the blocks that
// follow it (e_evals: X, Y and the information block in one run of
// doubles; FindMatrix: the elements of the matrix found).
struct DispatchReply {
  std::string text;
  wire::Blocks blocks = wire::Blocks::None;
  std::vector<double> block_data;
};

// SvrExecuteCMD: the library call a command names.
class Dispatcher {
 public:
  explicit Dispatcher(const TarnixApi& api) : api_(api) {}

  enum class Outcome { Result, Unknown, ServerEnd };
  // The reply to cmd (empty unless Outcome::Result).
  Outcome Execute(std::string_view cmd, DispatchReply& reply);
  const TarnixApi& Api() const { return api_; }

 private:
  std::string EEvals(std::string_view cmd);
  std::string FindMatrix(std::string_view cmd);
  std::string Print(std::string_view cmd);
  std::string IntegrateCall(std::string_view cmd);

  const TarnixApi& api_;
  std::vector<double> blocks_;
};

// One client: its bytes both ways and where it stands in a call.
struct Peer {
  enum class Phase {
    Command,    // reading the next message
    FirstAck,   // the result was queued; waiting for the client's ACK
    SecondAck,  // the blocks (if any) were queued; waiting for the last ACK
    File,       // taking the bytes of a file into file_name + ".part"
  };
  Connection conn;
  std::string address;  // dotted, for the log
  bool loopback = false;
  Phase phase = Phase::Command;
  std::string out;  // bytes queued for the client, from out_at on
  std::size_t out_at = 0;
  std::vector<double> blocks;  // queued after the first ACK
  std::size_t blocks_at = 0;   // bytes of blocks sent
  wire::Blocks blocks_kind = wire::Blocks::None;
  bool blocks_ready = false;  // the first ACK came: the blocks may leave
  // When the current wait ends: a partial message, an ACK, a file, output.
  std::chrono::steady_clock::time_point deadline{};
  bool waiting = false;
  std::FILE* file = nullptr;
  std::size_t file_left = 0;
  bool file_failed = false;  // a write failed: the file is not kept
};

// A connection served by a process of its own (--sessions isolated): the
// listening process keeps its number and the pipe its log lines come by.
struct Session {
  pid_t pid = -1;
  int number = 0;
  int log_fd = -1;
  std::string partial;  // the start of a line still coming
};

// A session process ends with this status when a ServerEnd it took ends the
// whole server.
inline constexpr int kSessionEndsServer = 3;

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

  // What the event loop watches: every descriptor, whether the server has
  // bytes queued for it, and whose it is (a descriptor number may come back
  // for another client: the owner tells them apart).
  struct Watch {
    int fd;
    bool write;
    int owner;  // the client's number; 0 for the listening socket
  };
  std::vector<Watch> Watched() const;
  // What changed since the last call: the descriptors whose watch is new or
  // different, and those gone (owner -1). False when everything may have
  // changed (listening started or stopped): then take Watched() whole.
  bool TakeChanges(std::vector<Watch>& changes);
  // Handles what is pending on fd: a new client, data, room for output, a
  // closed client. The log lines of the turn are written at its end.
  int EventsLoopSvr(int fd, bool readable = true, bool writable = false);
  // Milliseconds until a client's wait is due, -1 for none; the driver
  // calls ExpireStalled when that time has passed. ExpireStalled drops the
  // clients whose wait is over and says when the next one is due.
  int NextTimeoutMs() const;
  int ExpireStalled();
  void TerminateProgram(std::string_view reason);

  bool ServerActive() const { return listen_fd_ >= 0 || session_; }
  // The sessions of an isolated server that are running.
  std::size_t SessionCount() const { return sessions_.size(); }
  bool EndRequested() const { return end_requested_; }
  void RequestEnd() { end_requested_ = true; }
  int Port() const { return port_; }
  // The port the next InitServer listens on (the window's port field).
  void SetPort(int port) { options_.port = port; }

 private:
  void Accept();
  bool Admit(int fd, const sockaddr_storage& peer);
  void ServeInput(Peer& peer);
  bool Advance(Peer& peer);
  int TakeCommand(Peer& peer);
  int TakeAck(Peer& peer);
  void Call(Peer& peer, std::string_view frame);
  bool Refused(const Peer& peer, std::string_view name, std::string& result);
  void QueueBlocks(Peer& peer);
  void StartFile(Peer& peer, std::size_t size);
  void TakeFileBytes(Peer& peer);
  void FinishFile(Peer& peer);
  bool Flush(Peer& peer);
  void Wait(Peer& peer);
  bool OutputPending(const Peer& peer) const;
  void Drop(Peer& peer, std::string_view why);
  void CloseAll();

  // --sessions isolated (sessions.cpp): the listening process forks one
  // process per connection and collects their log lines and ends.
  bool StartSession(Peer peer);
  [[noreturn]] void RunSession(Peer peer, int log_fd, pid_t parent);
  int ServeSession(Peer peer);
  void EndSessionByCommand(const Peer& peer);
  Session* FindSession(int fd);
  void ReadSessionLog(Session& session);
  void ForwardSessionLines(Session& session, bool all);
  void ReapSession(Session& session);
  void EndAllSessions();
  Peer* Find(int fd);
  void Touch(int fd);
  // The library's progress handler during a call.
  static int32_t OnProgress(void* self);
  int32_t Progress();

  ServerOptions options_;
  Dispatcher dispatcher_;
  int listen_fd_ = -1;
  int spare_fd_ = -1;  // given up to accept and refuse when descriptors run out
  int port_ = 0;
  std::list<Peer> peers_;
  std::list<Session> sessions_;
  bool session_ = false;     // this process serves one client of an isolated server
  bool end_server_ = false;  // in a session: its ServerEnd ends the whole server
  int next_client_ = 1;
  bool end_requested_ = false;
  std::vector<int> touched_;  // descriptors served or dropped since TakeChanges
  bool all_changed_ = true;

  // The call being computed.
  struct Running {
    Peer* peer = nullptr;
    std::chrono::steady_clock::time_point start{};
    std::chrono::steady_clock::time_point checked{};
    const char* stopped = nullptr;  // why the progress handler stopped it
  } running_;
};

}  // namespace trx
