// trx_Server: loads libTarnix.so and executes the library calls that
// clients send over TCP. With a display it runs its window
// (server_window.h); headless it listens at once and writes every log line
// on standard output. SIGINT and SIGTERM end it as the End button does.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <curl/curl.h>

#include "../AuxFunct/aux_funct.h"
#include "../net/trx_cs/server.h"
#include "library.h"
#include "poller.h"
#include "server_window.h"

namespace {

constexpr const char* kUsage =
    "usage: trx_Server [--headless] [--port N] [--listen] [--bind ADDR] [--library PATH]\n"
    "                  [--wan-host HOST] [--accept-files] [--allow CIDR[,CIDR...]|any]\n"
    "                  [--protect] [--max-call-ms N] [--max-call-mb N] [--max-entries N]\n"
    "                  [--max-clients N] [--wait-ms N] [--log calls|errors|quiet]\n"
    "                  [--sessions shared|isolated]\n"
    "\n"
    "Loads libTarnix.so and executes the library calls that clients (Corvane)\n"
    "send over TCP. With a display it shows its Client/Server window, whose\n"
    "Connect / Listen button starts listening and whose log shows every step\n"
    "(also written to standard output); without one (or with --headless) it\n"
    "listens at once and logs every step on standard output.\n"
    "\n"
    "  --headless        no window: listen at once, log on standard output\n"
    "  --port N          the TCP port, default 6832; 0 picks a free port, which\n"
    "                    the line \"Server created (Port N).\" names\n"
    "  --listen          press Connect / Listen at start (headless: always)\n"
    "  --bind ADDR       listen on this local IPv4 address only (default: all)\n"
    "  --library PATH    the library file (default: libTarnix.so next to the\n"
    "                    program, then the standard search)\n"
    "  --wan-host HOST   the IP-echo host asked for the public address; \"\"\n"
    "                    skips the lookup (default checkip.dyndns.org)\n"
    "  --accept-files    take files that clients send (saved as\n"
    "                    TEST_Network.ftp3 here, at most 64 MiB)\n"
    "\n"
    "Sharing the server safely:\n"
    "  --sessions MODE   shared (the default): every client works on the one\n"
    "                    library state of the server (variables, functions,\n"
    "                    matrices, element order, last error); isolated: every\n"
    "                    connection is served by a process of its own, with a\n"
    "                    state of its own, on a core of its own. In isolated\n"
    "                    mode ServerEnd ends only the caller's session, unless\n"
    "                    the caller is on this machine and --protect is off\n"
    "  --allow LIST      the client networks, e.g. 10.1.0.0/16,192.168.5.7; by\n"
    "                    default loopback and the private LAN ranges (10/8,\n"
    "                    172.16/12, 192.168/16, 169.254/16); \"any\" accepts all\n"
    "  --protect         refuse ServerEnd and ReSetDuZuradi from clients that\n"
    "                    are not on this machine\n"
    "  --max-call-ms N   how long one call may compute, default 10000; a call\n"
    "                    that runs longer fails with -20 \"Interrupted\" (0: no limit)\n"
    "  --max-call-mb N   the matrix memory one call may take, default 1024 MiB;\n"
    "                    beyond it the call fails with -12 (0: no limit)\n"
    "  --max-entries N   variables, functions and matrices stored together,\n"
    "                    default 1000000; a new one beyond fails with -12\n"
    "  --max-clients N   connections at once, default 256; more are refused\n"
    "  --wait-ms N       how long each wait of a call may last (a frame's rest,\n"
    "                    an ACK, room to write), default 10000\n"
    "  --log LEVEL       calls (every step, the default), errors (what went\n"
    "                    wrong, start and end) or quiet (start and end)\n"
    "  --version         print the version and exit\n"
    "\n"
    "SIGINT or SIGTERM ends the server as its End button does (and every\n"
    "session with it); so does the command ServerEnd from a client.\n";

struct Options {
  trx::ServerOptions server;
  std::string library;
  bool headless = false;
  bool listen = false;
};

bool ParseCount(const char* text, long most, int& count) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 0 || value > most) return false;
  count = static_cast<int>(value);
  return true;
}

// The options that take a number from 0 up.
struct CountOption {
  const char* name;
  long most;
  int trx::ServerOptions::*field;
};
constexpr CountOption kCounts[] = {
    {"--port", 65535, &trx::ServerOptions::port},
    {"--max-call-ms", 86400000, &trx::ServerOptions::max_call_ms},
    {"--max-call-mb", 1048576, &trx::ServerOptions::max_call_mb},
    {"--max-entries", 100000000, &trx::ServerOptions::max_entries},
    {"--max-clients", 1000000, &trx::ServerOptions::max_clients},
    {"--wait-ms", 600000, &trx::ServerOptions::wait_ms},
};

const CountOption* FindCount(const std::string& arg) {
  for (const CountOption& c : kCounts) {
    if (arg == c.name) return &c;
  }
  return nullptr;
}

// 0: go on; otherwise the exit status.
int ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return -1;
    } else if (arg == "--version") {
      std::printf("trx_Server %s\n", aux::VersionText().c_str());
      return -1;
    } else if (arg == "--headless") {
      options.headless = true;
    } else if (arg == "--listen") {
      options.listen = true;
    } else if (const CountOption* count = FindCount(arg); count != nullptr && has_value) {
      if (!ParseCount(argv[++i], count->most, options.server.*(count->field))) {
        std::fprintf(stderr, "trx_Server: %s takes a number from 0 to %ld, not '%s'\n", count->name,
                     count->most, argv[i]);
        return 2;
      }
    } else if (arg == "--allow" && has_value) {
      std::string error;
      if (!trx::ParseNetworks(argv[++i], options.server.allow, options.server.allow_any, error)) {
        std::fprintf(stderr, "trx_Server: --allow: %s\n", error.c_str());
        return 2;
      }
    } else if (arg == "--sessions" && has_value) {
      const std::string mode = argv[++i];
      if (mode == "shared") {
        options.server.sessions = trx::Sessions::Shared;
      } else if (mode == "isolated") {
        options.server.sessions = trx::Sessions::Isolated;
      } else {
        std::fprintf(stderr, "trx_Server: --sessions takes shared or isolated, not '%s'\n",
                     mode.c_str());
        return 2;
      }
    } else if (arg == "--protect") {
      options.server.protect = true;
    } else if (arg == "--log" && has_value) {
      const std::string level = argv[++i];
      if (level == "calls") {
        trx::SetLogLevel(trx::LogLevel::Calls);
      } else if (level == "errors") {
        trx::SetLogLevel(trx::LogLevel::Errors);
      } else if (level == "quiet") {
        trx::SetLogLevel(trx::LogLevel::Quiet);
      } else {
        std::fprintf(stderr, "trx_Server: --log takes calls, errors or quiet, not '%s'\n",
                     level.c_str());
        return 2;
      }
    } else if (arg == "--bind" && has_value) {
      options.server.bind = argv[++i];
    } else if (arg == "--library" && has_value) {
      options.library = argv[++i];
    } else if (arg == "--wan-host" && has_value) {
      options.server.wan_host = argv[++i];
      options.server.wan_lookup = !options.server.wan_host.empty();
    } else if (arg == "--accept-files") {
      options.server.accept_files = true;
    } else {
      std::fprintf(stderr, "trx_Server: unknown option '%s' (see --help)\n", arg.c_str());
      return 2;
    }
  }
  if (options.server.wait_ms < 1) {
    std::fprintf(stderr, "trx_Server: --wait-ms takes a number from 1 to 600000\n");
    return 2;
  }
  return 0;
}

// Library message boxes never block the server: they become log lines.
void LibraryMessageBox(const char* text, const char* title) {
  std::string flat;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '\r') continue;
    flat += *p == '\n' ? std::string(" / ") : std::string(1, *p);
  }
  trx::LogMsg(std::string(title) + ": " + flat, "MsgBox", trx::LogKind::Error);
}

// A signal descriptor for SIGINT and SIGTERM, so that poll() sees them.
int SignalDescriptor() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigprocmask(SIG_BLOCK, &set, nullptr);
  return signalfd(-1, &set, SFD_CLOEXEC);
}

}  // namespace

int main(int argc, char** argv) {
  // Blocked before anything else, so that an early signal waits for poll().
  const int signals = SignalDescriptor();
  Options options;
  if (const int status = ParseOptions(argc, argv, options); status != 0) {
    return status < 0 ? 0 : status;
  }
  ::signal(SIGPIPE, SIG_IGN);  // a vanished client is an error code, never a signal
  curl_global_init(CURL_GLOBAL_DEFAULT);

  server::BoundLibrary library;
  std::string error;
  if (!server::BindLibrary(options.library, library, error)) {
    trx::MessageBox("Unable to load library Tarnix.dll.\nProgram will end." + error,
                    "Tarnix Server");
    return 1;
  }
  library.api.SetMsgBoxHandler(LibraryMessageBox);
  // The program's own boxes (a failed public-address lookup) are log lines too.
  trx::SetMessageBox([](const std::string& text, const std::string& title) {
    trx::LogMsg(title + ": " + text, "MsgBox", trx::LogKind::Error);
  });

  trx::Server server(library.api, options.server);
  if (!options.headless && server::DisplayAvailable()) {
    const int status =
        server::RunWindow(argc, argv, server, options.server.port, options.listen, signals);
    curl_global_cleanup();
    return status;
  }
  trx::LogMsg("Library Tarnix.dll loaded succesfully.", "", trx::LogKind::Always);
  trx::LogMsg("Network initialized !", "", trx::LogKind::Always);
  if (server.InitServer() == 0) return 1;

  server::Poller poller;
  if (!poller.Ok()) {
    trx::MessageBox("Can not create the event set: " + std::string(std::strerror(errno)),
                    "Tarnix Server");
    return 1;
  }
  poller.Keep(signals);
  std::vector<trx::Server::Watch> changes;
  int timeout = server.NextTimeoutMs();
  int log_due = trx::LogDueMs();
  while (!server.EndRequested()) {
    if (server.TakeChanges(changes)) {
      poller.Apply(changes);
    } else {
      poller.Sync(server.Watched());
    }
    // Log lines wait up to 1 ms, so that one write takes the lines of many
    // calls; a full standard output is waited for like a client.
    const bool log_blocked = trx::LogBlocked();
    poller.WatchWritable(STDOUT_FILENO, log_blocked);
    const int wait =
        log_blocked || log_due < 0 || (timeout >= 0 && timeout < log_due) ? timeout : log_due;
    for (const epoll_event& event : poller.Wait(wait)) {
      if (server.EndRequested()) break;
      const int fd = event.data.fd;
      if (fd == signals) {
        signalfd_siginfo info{};
        (void)::read(signals, &info, sizeof info);
        server.RequestEnd();
        server.TerminateProgram("Button End");
      } else if (fd == STDOUT_FILENO) {
        trx::FlushLog();
      } else {
        server.EventsLoopSvr(fd, (event.events & (EPOLLIN | EPOLLHUP | EPOLLERR)) != 0,
                             (event.events & EPOLLOUT) != 0);
      }
    }
    timeout = server.ExpireStalled();
    log_due = trx::LogBlocked() ? -1 : trx::FlushLogIfDue();
  }
  trx::FlushLog();
  curl_global_cleanup();
  return 0;
}
