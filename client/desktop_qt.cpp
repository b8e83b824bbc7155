#include "desktop_qt.h"

#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QRadioButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "../net/trx_cli/trx_cli.h"
#include "../net/trx_cs/client.h"
#include "../net/trx_cs/cs_window.h"
#include "files.h"
#include "main_window.h"
#include "placement.h"

namespace corvane {

bool DisplayAvailable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

Desktop::Desktop(const DesktopOptions& options) : options_(options) {
  // The Client/Server window first, so that every log line has its place.
  trx::CsWindow::Actions actions;
  actions.connect = [this](const std::string& host, int port) {
    return Connect(host, port, trx::kWaitMs);
  };
  actions.disconnect = [this] {
    trx::Disconnect();
    RefreshConnection();
  };
  // The client form's End and close box end the program as the main
  // window's do.
  actions.end = [this] {
    if (main_window_ != nullptr && main_window_->isVisible()) {
      main_window_->close();
    } else {
      End();
    }
  };
  cs_window_ = std::make_unique<trx::CsWindow>(trx::CsWindow::Form::Client, actions);
  cs_window_->SetAddress(options_.host);
  cs_window_->SetPort(options_.port);
  const bool copy_log = options_.log;
  trx::CsWindow* log_window = cs_window_.get();
  trx::SetLogSink([log_window, copy_log](const std::string& line) {
    log_window->AddLogLine(line);
    if (copy_log) std::fprintf(stderr, "%s\n", line.c_str());
  });

  main_window_ = std::make_unique<MainWindow>(options_.dialogs ? options_.dialogs(nullptr)
                                                               : QtDialogs(nullptr));
  const Dialogs dialogs =
      options_.dialogs ? options_.dialogs(main_window_.get()) : QtDialogs(main_window_.get());
  trx::SetMessageBox(dialogs.message);
  main_window_->Decimals()->setText(QString::fromStdString(options_.decimals));
  main_window_->Scientific()->setChecked(options_.scientific);
  main_window_->SetOnClose([this] { End(); });
  main_window_->SetConnectionStatus(false);

  // The idle poll: a server that goes away between calls shows at once.
  poll_ = std::make_unique<QTimer>();
  QObject::connect(poll_.get(), &QTimer::timeout, [this] {
    if (main_window_->Running()) return;
    trx::CheckConnection();
    RefreshConnection();
  });
}

Desktop::~Desktop() {
  poll_->stop();
  if (!ended_) {
    // The event loop ended otherwise (a signal, the last window): the end
    // procedure still runs, without its question.
    ended_ = true;
    trx::TerminateProgram(nullptr);
  }
  main_window_.reset();
  const bool copy_log = options_.log;
  trx::SetLogSink(copy_log ? std::function<void(const std::string&)>([](const std::string& l) {
    std::fprintf(stderr, "%s\n", l.c_str());
  })
                           : nullptr);
  trx::SetMessageBox(nullptr);
}

void Desktop::Start() {
  trx::LogMsg("Library TarnixT.dll loaded succesfully.", "");
  trx::LogMsg("Network initialized !", "");

  // Main window first, at the top left of the screen; the Client/Server
  // window beside it.
  main_window_->move(
      PlaceMainWindow(AvailableArea(main_window_.get()), main_window_->size()).topLeft());
  main_window_->show();
  PlaceNewWindow(cs_window_.get(), main_window_.get(), main_window_->InputArea());
  cs_window_->show();
  static_cast<QRadioButton*>(main_window_->Control(MainWindow::kNoMessages))->setChecked(true);
  QCoreApplication::processEvents();

  // A server at the default address is used at once; none is no error.
  // A host that does not answer at all costs a short wait at start, not
  // the protocol's 10 s: pressing Connect / Listen waits the full time.
  if (Connect(options_.host, options_.port, kStartConnectMs)) cs_window_->SetConnected(true);
  main_window_->raise();
  main_window_->activateWindow();
  poll_->start(250);
}

bool Desktop::Connect(const std::string& host, int port, int wait_ms) {
  const bool up = trx::InitClient(host, port, options_.source, wait_ms) != 0;
  if (up) {
    address_ = host + ":" + std::to_string(port);
    cs_window_->SetHostName(trx::LocalHostName());
    trx_cli::ShowMsgs(main_window_->MessageLevel());
  }
  RefreshConnection();
  return up;
}

void Desktop::RefreshConnection() {
  const bool connected = trx::Client().ClientConnected != 0;
  main_window_->SetConnectionStatus(connected, address_);
  cs_window_->SetConnected(connected);
}

void Desktop::End() {
  if (ended_) return;
  ended_ = true;
  poll_->stop();
  const Dialogs dialogs =
      options_.dialogs ? options_.dialogs(main_window_.get()) : QtDialogs(main_window_.get());
  trx::TerminateProgram([&dialogs] { return dialogs.question("Close server?", "Corvane"); });
  RefreshConnection();
  // Not quit(): Qt's quit first asks every window to close, and the
  // program ends whatever the windows say.
  QCoreApplication::exit(0);
}

int RunDesktop(int argc, char** argv, const DesktopOptions& options) {
  QApplication app(argc, argv);
  char cwd[4096];
  SetProgramDirectory(::getcwd(cwd, sizeof cwd) != nullptr ? std::string(cwd) : std::string("."));
  Desktop desktop(options);
  desktop.Start();
  return app.exec();
}

}  // namespace corvane
