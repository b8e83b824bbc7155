#include "desktop_qt.h"

#include <unistd.h>

#include <QApplication>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "../net/trx_cli/trx_cli.h"
#include "../net/trx_cs/client.h"
#include "../net/trx_cs/cs_window.h"
#include "files.h"
#include "main_window.h"

namespace corvane {

bool DisplayAvailable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

int RunDesktop(int argc, char** argv, const DesktopOptions& options) {
  QApplication app(argc, argv);

  // The Client/Server window first, so that every log line has its place.
  trx::CsWindow::Actions actions;
  trx::CsWindow* cs_window = nullptr;
  actions.connect = [&cs_window, source = options.source](const std::string& host, int port) {
    const bool up = trx::InitClient(host, port, source) != 0;
    if (up && cs_window != nullptr) cs_window->SetHostName(trx::LocalHostName());
    return up;
  };
  actions.disconnect = [] { trx::Disconnect(); };
  trx::CsWindow window(trx::CsWindow::Form::Client, actions);
  cs_window = &window;
  window.SetAddress(options.host);
  window.SetPort(options.port);
  const bool copy_log = options.log;
  trx::SetLogSink([&window, copy_log](const std::string& line) {
    window.AddLogLine(line);
    if (copy_log) std::fprintf(stderr, "%s\n", line.c_str());
  });
  window.show();
  QThread::msleep(100);
  trx::LogMsg("Library TarnixT.dll loaded succesfully.", "");
  trx::LogMsg("Network initialized !", "");
  QCoreApplication::processEvents();

  char cwd[4096];
  SetProgramDirectory(::getcwd(cwd, sizeof cwd) != nullptr ? std::string(cwd) : std::string("."));

  MainWindow main_window(QtDialogs(nullptr));
  const Dialogs dialogs = QtDialogs(&main_window);
  trx::SetMessageBox(dialogs.message);
  main_window.Decimals()->setText(QString::fromStdString(options.decimals));
  auto terminate = [&] {
    trx::TerminateProgram([&] { return dialogs.question("Close server?", "Corvane"); });
    window.SetConnected(false);
  };
  main_window.SetOnClose([&] {
    terminate();
    QApplication::quit();
  });
  main_window.show();
  static_cast<QRadioButton*>(main_window.Control(MainWindow::kNoMessages))->setChecked(true);
  trx_cli::ShowMsgs(0);
  main_window.raise();
  main_window.activateWindow();

  // The idle poll: a server that goes away between calls shows at once.
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&window, &main_window] {
    if (!main_window.Running()) window.SetConnected(trx::CheckConnection());
  });
  poll.start(250);

  const int status = app.exec();
  poll.stop();
  // The window's own close has run the end already; this pass finds no
  // connection and only logs the end once more.
  terminate();
  trx::SetLogSink(copy_log ? std::function<void(const std::string&)>([](const std::string& l) {
    std::fprintf(stderr, "%s\n", l.c_str());
  })
                           : nullptr);
  trx::SetMessageBox(nullptr);
  return status;
}

}  // namespace corvane
