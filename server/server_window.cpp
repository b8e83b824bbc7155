#include "server_window.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

#include "../net/trx_cs/cs_window.h"

namespace server {
namespace {

// Keeps one read notifier per descriptor the server watches, and the timer
// of the first incomplete message that falls due.
class Driver {
 public:
  Driver(trx::Server& server, trx::CsWindow& window) : server_(server), window_(window) {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      server_.ExpireStalled();
      Sync();
    });
  }

  // After every event: watch what the server watches now.
  void Sync() {
    trx::FlushLog();  // the window is watched by a person: no batching
    if (server_.EndRequested()) {
      QApplication::quit();
      return;
    }
    const std::vector<trx::Server::Watch> watched = server_.Watched();
    auto watches = [&watched](int fd) {
      return std::find_if(watched.begin(), watched.end(),
                          [fd](const trx::Server::Watch& w) { return w.fd == fd; });
    };
    for (auto it = notifiers_.begin(); it != notifiers_.end();) {
      if (watches(it->first) == watched.end()) {
        for (auto& n : {&it->second.read, &it->second.write}) {
          (*n)->setEnabled(false);
          n->release()->deleteLater();  // it may be the one now signalling
        }
        it = notifiers_.erase(it);
      } else {
        ++it;
      }
    }
    for (const trx::Server::Watch& w : watched) {
      auto found = notifiers_.find(w.fd);
      if (found == notifiers_.end()) {
        Notifiers n;
        n.read = std::make_unique<QSocketNotifier>(w.fd, QSocketNotifier::Read);
        n.write = std::make_unique<QSocketNotifier>(w.fd, QSocketNotifier::Write);
        const int fd = w.fd;
        QObject::connect(n.read.get(), &QSocketNotifier::activated, [this, fd] {
          server_.EventsLoopSvr(fd, true, false);
          Sync();
        });
        QObject::connect(n.write.get(), &QSocketNotifier::activated, [this, fd] {
          server_.EventsLoopSvr(fd, false, true);
          Sync();
        });
        found = notifiers_.emplace(w.fd, std::move(n)).first;
      }
      found->second.write->setEnabled(w.write);
    }
    const int due = server_.NextTimeoutMs();
    if (due >= 0) {
      timer_.start(due);
    } else {
      timer_.stop();
    }
    window_.SetConnected(server_.ServerActive());
  }

 private:
  trx::Server& server_;
  trx::CsWindow& window_;
  struct Notifiers {
    std::unique_ptr<QSocketNotifier> read;
    std::unique_ptr<QSocketNotifier> write;
  };
  std::map<int, Notifiers> notifiers_;
  QTimer timer_;
};

std::string Joined(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : ", ") + p;
  return out;
}

}  // namespace

bool DisplayAvailable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

int RunWindow(int argc, char** argv, trx::Server& server, int port, bool listen_now,
              int signals_fd) {
  QApplication app(argc, argv);
  std::unique_ptr<Driver> driver;
  trx::CsWindow::Actions actions;
  trx::CsWindow* window_ptr = nullptr;
  actions.connect = [&](const std::string&, int chosen_port) {
    server.SetPort(chosen_port);
    const bool up = server.InitServer() != 0;
    if (up && window_ptr != nullptr) {
      window_ptr->SetHostName(trx::LocalHostName());
      window_ptr->SetAddress(Joined(trx::LocalIPv4Addresses()));
      window_ptr->SetPort(server.Port());
    }
    if (driver) driver->Sync();
    return up;
  };
  actions.disconnect = [&] {
    server.Disconnect();
    if (driver) driver->Sync();
  };
  actions.end = [&] {
    if (server.EndRequested()) return;
    server.RequestEnd();
    server.TerminateProgram("Button End");
    QApplication::quit();
  };
  trx::CsWindow window(trx::CsWindow::Form::Server, actions);
  window_ptr = &window;
  window.SetPort(port);
  // The log goes to the window, and to standard output for whoever started
  // the server from a terminal or a script.
  trx::SetLogSink([&window](const std::string& line) {
    window.AddLogLine(line);
    trx::LogToStdout(line);
  });
  driver = std::make_unique<Driver>(server, window);

  QSocketNotifier signal_notifier(signals_fd, QSocketNotifier::Read);
  QObject::connect(&signal_notifier, &QSocketNotifier::activated, [&] {
    signalfd_siginfo info{};
    (void)::read(signals_fd, &info, sizeof info);
    actions.end();
  });

  window.show();
  trx::LogMsg("Library Tarnix.dll loaded succesfully.", "", trx::LogKind::Always);
  trx::LogMsg("Network initialized !", "", trx::LogKind::Always);
  if (listen_now) window.ConnectButton()->click();
  const int status = app.exec();
  trx::SetLogSink(nullptr);
  return status;
}

}  // namespace server
