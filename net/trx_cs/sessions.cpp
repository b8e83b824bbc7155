// Isolated sessions: the listening process forks one process per accepted
// connection. The child gets a copy of a library that has never computed
// anything, so its variables, functions, matrices, element order and error
// number are its client's alone, and it computes on a core of its own. The
// parent only accepts, counts the sessions against --max-clients, passes
// their log lines on whole, reaps them and ends them with the server.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "server.h"

namespace trx {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kReadPerTurn = std::size_t{1} << 20;  // then the others get a turn
// A "line" this long without its end is passed on as it is: a session
// cannot make the parent hold an unbounded buffer.
constexpr std::size_t kLongestLine = 64 * 1024;
// How long sessions get to end once the server ends, before they are killed.
constexpr auto kEndGrace = std::chrono::milliseconds(2000);

std::string ClientName(int number) { return "Client " + std::to_string(number); }

// Everything the child inherited but does not use (the listening socket,
// the other sessions' pipes, the event set, a window's display connection)
// is closed: a session holds nothing that belongs to the server.
void CloseAllBut(int keep) {
  if (keep > 3) ::close_range(3, static_cast<unsigned>(keep) - 1, 0);
  ::close_range(static_cast<unsigned>(keep) + 1, ~0U, 0);
}

// Signals end a session at once, also in the middle of a computation: the
// server that sends them is ending, and the session has nothing to save.
void DefaultSignals() {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

int WaitFor(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

std::string HowItEnded(int status) {
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    return "ended by signal " + std::to_string(signal) + " (" + ::strsignal(signal) + ")";
  }
  return "ended";
}

}  // namespace

bool Server::StartSession(Peer peer) {
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) {
    LogMsg("Refused " + ClientName(peer.conn.number) +
               ": no pipe for its session: " + std::strerror(errno),
           "EventsLoopSvr", LogKind::Error);
    return false;
  }
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(pipe_fds[0]);
    ::close(pipe_fds[1]);
    LogMsg("Refused " + ClientName(peer.conn.number) +
               ": its session could not start: " + std::strerror(errno),
           "EventsLoopSvr", LogKind::Error);
    return false;
  }
  if (pid == 0) {
    ::close(pipe_fds[0]);
    RunSession(std::move(peer), pipe_fds[1], parent);
  }
  ::close(pipe_fds[1]);
  ::close(peer.conn.fd);  // the session's alone: its close is the client's end
  ::fcntl(pipe_fds[0], F_SETFL, ::fcntl(pipe_fds[0], F_GETFL) | O_NONBLOCK);
  Session session;
  session.pid = pid;
  session.number = peer.conn.number;
  session.log_fd = pipe_fds[0];
  sessions_.push_back(std::move(session));
  Touch(pipe_fds[0]);
  LogMsg(ClientName(peer.conn.number) + " is served by process " + std::to_string(pid) +
             " (--sessions isolated)",
         "EventsLoopSvr");
  return true;
}

void Server::RunSession(Peer peer, int log_fd, pid_t parent) {
  // A session never outlives its server, even one that was killed.
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (::getppid() != parent) ::_exit(0);
  DefaultSignals();
  if (log_fd != STDOUT_FILENO) {
    ::dup2(log_fd, STDOUT_FILENO);
    ::close(log_fd);
  }
  CloseAllBut(peer.conn.fd);
  StartSessionLog(peer.conn.number);
  Server session(dispatcher_.Api(), options_);
  const int status = session.ServeSession(std::move(peer));
  FlushLogWithin(1000);
  // Nothing of the parent's (its window, its listening socket, atexit
  // handlers of the libraries it loaded) may run again here.
  ::_exit(status);
}

int Server::ServeSession(Peer peer) {
  session_ = true;
  peers_.push_back(std::move(peer));
  while (!peers_.empty() && !end_requested_) {
    Peer& p = peers_.front();
    const bool log_blocked = LogBlocked();
    pollfd fds[2] = {
        {p.conn.fd, static_cast<short>(POLLIN | (OutputPending(p) ? POLLOUT : 0)), 0},
        {STDOUT_FILENO, POLLOUT, 0},
    };
    const int timeout = NextTimeoutMs();
    const int log_due = log_blocked ? -1 : LogDueMs();
    const int wait = log_due < 0 || (timeout >= 0 && timeout < log_due) ? timeout : log_due;
    if (::poll(fds, log_blocked ? 2 : 1, wait) > 0) {
      if (log_blocked && fds[1].revents != 0) FlushLog();
      const short events = fds[0].revents;
      if (events != 0) {
        EventsLoopSvr(p.conn.fd, (events & (POLLIN | POLLHUP | POLLERR)) != 0,
                      (events & POLLOUT) != 0);
      }
    }
    ExpireStalled();
    if (!LogBlocked()) FlushLogIfDue();
  }
  return end_server_ ? kSessionEndsServer : 0;
}

void Server::EndSessionByCommand(const Peer& peer) {
  std::this_thread::sleep_for(std::chrono::milliseconds(wire::kEndPauseMs));
  LogMsg("Rec: CMD - ServerEnd", "TerminateProgram", LogKind::Always);
  // Without --protect a client on this machine may end the server as in a
  // shared one; anybody else only ends the session that serves them.
  end_server_ = !options_.protect && peer.loopback;
  if (end_server_) {
    LogMsg(ClientName(peer.conn.number) + " is on this machine: the whole server will end",
           "TerminateProgram", LogKind::Always);
  } else {
    LogMsg(std::string("ServerEnd ends the session of ") + ClientName(peer.conn.number) + " only" +
               (options_.protect ? " (--protect)" : " (it is not on this machine)"),
           "TerminateProgram", LogKind::Always);
  }
  end_requested_ = true;
}

Session* Server::FindSession(int fd) {
  for (Session& s : sessions_) {
    if (s.log_fd == fd) return &s;
  }
  return nullptr;
}

void Server::ForwardSessionLines(Session& session, bool all) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = session.partial.find('\n', start);
    if (end == std::string::npos) break;
    LogForward(std::string_view(session.partial).substr(start, end - start));
    start = end + 1;
  }
  session.partial.erase(0, start);
  if (!session.partial.empty() && (all || session.partial.size() >= kLongestLine)) {
    LogForward(session.partial);
    session.partial.clear();
  }
}

void Server::ReadSessionLog(Session& session) {
  std::size_t taken = 0;
  while (taken < kReadPerTurn) {
    char buffer[65536];
    const ssize_t n = ::read(session.log_fd, buffer, sizeof buffer);
    if (n > 0) {
      session.partial.append(buffer, static_cast<std::size_t>(n));
      taken += static_cast<std::size_t>(n);
      ForwardSessionLines(session, false);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      return;
    } else {
      ReapSession(session);  // its end of the pipe closed: the process has ended
      return;
    }
  }
}

void Server::ReapSession(Session& session) {
  ForwardSessionLines(session, true);
  const int status = WaitFor(session.pid);
  ::close(session.log_fd);
  Touch(session.log_fd);
  const bool ends_server = WIFEXITED(status) && WEXITSTATUS(status) == kSessionEndsServer;
  LogMsg("The session of " + ClientName(session.number) + " has " + HowItEnded(status) +
             " (process " + std::to_string(session.pid) + ")",
         "EventsLoopSvr", WIFSIGNALED(status) ? LogKind::Error : LogKind::Step);
  sessions_.remove_if([&session](const Session& s) { return &s == &session; });
  if (ends_server && !end_requested_) {
    end_requested_ = true;
    TerminateProgram("");
  }
}

void Server::EndAllSessions() {
  if (sessions_.empty()) return;
  for (const Session& s : sessions_) ::kill(s.pid, SIGTERM);
  const Clock::time_point end = Clock::now() + kEndGrace;
  for (Session& s : sessions_) {
    // Whatever a session wrote before it ended is still passed on.
    for (;;) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count();
      pollfd p{s.log_fd, POLLIN, 0};
      if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) {
        ::kill(s.pid, SIGKILL);
        break;
      }
      char buffer[65536];
      const ssize_t n = ::read(s.log_fd, buffer, sizeof buffer);
      if (n > 0) {
        s.partial.append(buffer, static_cast<std::size_t>(n));
        ForwardSessionLines(s, false);
      } else if (n == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) {
        break;
      }
    }
    ForwardSessionLines(s, true);
    const int status = WaitFor(s.pid);
    ::close(s.log_fd);
    Touch(s.log_fd);
    LogMsg("The session of " + ClientName(s.number) + " has " + HowItEnded(status) +
               " with the server (process " + std::to_string(s.pid) + ")",
           "Disconnect");
  }
  sessions_.clear();
}

}  // namespace trx
