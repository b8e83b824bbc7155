// trx_Server: loads libTarnix.so and executes the library calls that
// clients send over TCP. With a display it runs its window
// (server_window.h); headless it listens at once and writes every log line
// on standard output. SIGINT and SIGTERM end it as the End button does.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <curl/curl.h>

#include "../AuxFunct/aux_funct.h"
#include "../net/trx_cs/server.h"
#include "library.h"
#include "server_window.h"

namespace {

constexpr const char* kUsage =
    "usage: trx_Server [--headless] [--port N] [--listen] [--bind ADDR] [--library PATH]\n"
    "                  [--wan-host HOST] [--accept-files]\n"
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
    "  --version         print the version and exit\n"
    "\n"
    "SIGINT or SIGTERM ends the server as its End button does; so does the\n"
    "command ServerEnd from a client.\n";

struct Options {
  trx::ServerOptions server;
  std::string library;
  bool headless = false;
  bool listen = false;
};

bool ParsePort(const char* text, int& port) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 0 || value > 65535) return false;
  port = static_cast<int>(value);
  return true;
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
    } else if (arg == "--port" && has_value) {
      if (!ParsePort(argv[++i], options.server.port)) {
        std::fprintf(stderr, "trx_Server: --port takes a number from 0 to 65535, not '%s'\n",
                     argv[i]);
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
  return 0;
}

// Library message boxes never block the server: they become log lines.
void LibraryMessageBox(const char* text, const char* title) {
  std::string flat;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '\r') continue;
    flat += *p == '\n' ? std::string(" / ") : std::string(1, *p);
  }
  trx::LogMsg(std::string(title) + ": " + flat, "MsgBox");
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
    trx::LogMsg(title + ": " + text, "MsgBox");
  });

  trx::Server server(library.api, options.server);
  if (!options.headless && server::DisplayAvailable()) {
    const int status =
        server::RunWindow(argc, argv, server, options.server.port, options.listen, signals);
    curl_global_cleanup();
    return status;
  }
  trx::LogMsg("Library Tarnix.dll loaded succesfully.", "");
  trx::LogMsg("Network initialized !", "");
  if (server.InitServer() == 0) return 1;

  while (!server.EndRequested()) {
    std::vector<pollfd> fds;
    fds.push_back({signals, POLLIN, 0});
    for (const int fd : server.WatchedDescriptors()) fds.push_back({fd, POLLIN, 0});
    const int ready = ::poll(fds.data(), fds.size(), server.NextTimeoutMs());
    if (ready < 0) continue;
    if (ready == 0) {
      server.ExpireStalled();
      continue;
    }
    if ((fds[0].revents & POLLIN) != 0) {
      signalfd_siginfo info{};
      (void)::read(signals, &info, sizeof info);
      server.RequestEnd();
      server.TerminateProgram("Button End");
      break;
    }
    for (std::size_t i = 1; i < fds.size() && !server.EndRequested(); ++i) {
      if (fds[i].revents != 0) server.EventsLoopSvr(fds[i].fd);
    }
  }
  curl_global_cleanup();
  return 0;
}
