// Corvane with its windows: the start-up order, the Client/Server window in
// its client form, the main window, the connection state, where the windows
// go, and the orderly end.
#pragma once

#include <functional>
#include <memory>
#include <string>

class QTimer;
class QWidget;

namespace trx {
class CsWindow;
}

namespace corvane {

class MainWindow;
struct Dialogs;

struct DesktopOptions {
  std::string host = "127.0.0.1";
  int port = 6832;
  std::string source;  // the local address to connect from; "" lets the system choose
  std::string decimals = "4";
  bool scientific = false;  // --format sci: the main window's check box set
  bool log = false;         // the message log copied to standard error
  // The dialogs of the windows, owned by the given parent (the main
  // window); the Qt dialogs when empty. Tests answer without blocking.
  std::function<Dialogs(QWidget* parent)> dialogs;
};

// The windows of the program in a QApplication that exists. Start shows
// them; End (the main window's End button, Esc or close box, and the
// Client/Server window's End or close box) runs the termination procedure
// once and makes the application's event loop return 0.
class Desktop {
 public:
  explicit Desktop(const DesktopOptions& options);
  ~Desktop();
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  // Shows and places the windows, then connects to --host:--port if a
  // server answers there (quietly: otherwise the state says "not connected").
  void Start();
  // The termination procedure ("Close server?" when connected), then the
  // event loop's exit with status 0. Runs once.
  void End();
  bool Ended() const { return ended_; }
  // Reads the client's connection and shows it in both windows.
  void RefreshConnection();

  MainWindow& Main() { return *main_window_; }
  trx::CsWindow& ClientServer() { return *cs_window_; }

 private:
  bool Connect(const std::string& host, int port, int wait_ms);
  static constexpr int kStartConnectMs = 1500;

  DesktopOptions options_;
  std::unique_ptr<trx::CsWindow> cs_window_;
  std::unique_ptr<MainWindow> main_window_;
  std::unique_ptr<QTimer> poll_;
  std::string address_;  // "host:port" of the last connection
  bool ended_ = false;
};

int RunDesktop(int argc, char** argv, const DesktopOptions& options);

// True when a window can be shown: a display, or a Qt platform chosen.
bool DisplayAvailable();

}  // namespace corvane
