// Renders the windows of both programs into PNG files for the README: the
// main window after a run of the samples script, its plot window, and the
// Client/Server window in the client and the server form. Runs on Qt's
// offscreen platform against a real trx_Server.
#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <cstdio>
#include <filesystem>
#include <string>

#include "aPlot/plot_window.h"
#include "client.h"
#include "cs_window.h"
#include "files.h"
#include "main_window.h"
#include "server_process.h"

namespace {

bool Save(QWidget& widget, const std::string& path) {
  widget.repaint();
  QApplication::processEvents();
  const bool ok = widget.grab().save(QString::fromStdString(path), "PNG");
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.c_str());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: corvane_screenshots OUTPUT_DIR\n");
    return 2;
  }
  const std::string out = std::filesystem::absolute(argv[1]).string();
  std::filesystem::create_directories(out);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);

  // The samples run in a scratch copy of InOut/, so that the files they
  // write stay out of the source tree.
  const std::string scratch = std::filesystem::temp_directory_path() / "corvane_screenshots";
  std::filesystem::remove_all(scratch);
  std::filesystem::create_directories(scratch);
  std::filesystem::copy(SAMPLES_DIR, scratch + "/InOut");
  corvane::SetProgramDirectory(scratch);

  server_test::ServerProcess server;
  trx::CsWindow::Actions actions;
  actions.connect = [](const std::string& host, int port) {
    return trx::InitClient(host, port) != 0;
  };
  trx::CsWindow client_window(trx::CsWindow::Form::Client, actions);
  trx::SetLogSink([&client_window](const std::string& line) { client_window.AddLogLine(line); });
  trx::LogMsg("Library TarnixT.dll loaded succesfully.", "");
  trx::LogMsg("Network initialized !", "");
  client_window.SetPort(server.Port());
  client_window.show();
  client_window.ConnectButton()->click();
  client_window.SetHostName(trx::LocalHostName());

  corvane::Dialogs dialogs;
  dialogs.message = [](const std::string& text, const std::string& title) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
  };
  dialogs.question = [](const std::string&, const std::string&) { return false; };
  dialogs.open_file = [](const std::string&) { return std::nullopt; };
  corvane::MainWindow main_window(dialogs);
  main_window.show();
  // The message level as at start-up, then the Syntax & Samples button.
  using corvane::MainWindow;
  static_cast<QRadioButton*>(main_window.Control(MainWindow::kNoMessages))->setChecked(true);
  static_cast<QPushButton*>(main_window.Control(MainWindow::kSyntaxSamples))->click();
  main_window.Evaluate();
  // The Input box shows the samples' matrix part, with a comment, keywords,
  // functions and parentheses, and its in-line help.
  QTextCursor cursor(main_window.Input()->document()->findBlockByNumber(44));
  main_window.Input()->setTextCursor(cursor);
  main_window.Input()->centerCursor();
  cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 2);
  main_window.Input()->setTextCursor(cursor);
  QKeyEvent right(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier);
  QApplication::sendEvent(main_window.Input(), &right);
  main_window.Output()->moveCursor(QTextCursor::Start);

  bool ok = Save(main_window, out + "/main_window.png");
  const auto plots = main_window.Plots().Open();
  if (!plots.empty()) {
    corvane::PlotWindow& plot = *plots.front();
    ok = Save(plot, out + "/plot_window.png") && ok;
    // Two notches of the wheel in, a little right of the middle: the grid
    // takes rounder steps.
    const QSize size = plot.Image()->size();
    plot.ZoomAt(QPointF(size.width() * 0.6, size.height() * 0.5), 0.8 * 0.8);
    ok = Save(plot, out + "/plot_window_zoomed.png") && ok;
  }

  // Mistakes, each block saying where the library stopped; the Input box
  // selects the first such line.
  main_window.Input()->setPlainText(
      QStringLiteral("'' Typical mistakes\nVar = r; 2.5\nExpr = pi*r^2 + zz\nExpr = sqrtt(r)\n"
                     "Expr = (1+2*r\nExpr = 1.5e-7 * r\nExpr = [mNone]*2\n"));
  main_window.Evaluate();
  main_window.Output()->moveCursor(QTextCursor::Start);
  ok = Save(main_window, out + "/main_window_errors.png") && ok;
  ok = Save(client_window, out + "/cs_window_client.png") && ok;

  trx::CsWindow server_window(trx::CsWindow::Form::Server, {});
  for (const std::string& line : server.Log()) server_window.AddLogLine(line);
  server_window.SetHostName(trx::LocalHostName());
  std::string addresses;
  for (const std::string& a : trx::LocalIPv4Addresses()) {
    addresses += (addresses.empty() ? "" : ", ") + a;
  }
  server_window.SetAddress(addresses);
  server_window.SetPort(server.Port());
  server_window.SetConnected(true);
  server_window.show();
  ok = Save(server_window, out + "/cs_window_server.png") && ok;

  trx::Disconnect();
  trx::SetLogSink(nullptr);
  std::filesystem::remove_all(scratch);
  return ok ? 0 : 1;
}
