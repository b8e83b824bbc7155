// Corvane's windows as the program runs them (Desktop), in the real event
// loop on the offscreen platform (a 1920 x 1080 screen): every way to end
// ends QApplication::exec with status 0, connected or not; the start-up
// connection; the connection state; and where the windows go.
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <filesystem>
#include <functional>
#include <memory>

#include "client.h"
#include "cs_window.h"
#include "desktop_qt.h"
#include "files.h"
#include "main_window.h"
#include "placement.h"
#include "server_process.h"

namespace {

using Ending = std::function<void(corvane::Desktop&)>;

class DesktopTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<server_test::ServerProcess> server_;
  std::vector<std::string> messages_;
  std::vector<std::string> questions_;
  std::string directory_;

  corvane::DesktopOptions Options(int port) {
    corvane::DesktopOptions options;
    options.port = port;
    options.dialogs = [this](QWidget*) {
      corvane::Dialogs d;
      d.message = [this](const std::string& text, const std::string& title) {
        messages_.push_back(title + ": " + text);
      };
      d.question = [this](const std::string& text, const std::string& title) {
        questions_.push_back(title + ": " + text);
        return false;
      };
      d.open_file = [](const std::string&) { return std::optional<std::string>(); };
      return d;
    };
    return options;
  }

  static int ClosedPort() {
    server_test::ServerProcess gone;
    return gone.Port();
  }

  // The application's event loop: the status exec returns, 99 when it
  // did not end within 10 s.
  static int Exec() {
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(10000);
    return QApplication::exec();
  }

  static QPushButton* MainEnd(corvane::Desktop& d) {
    return static_cast<QPushButton*>(d.Main().Control(corvane::MainWindow::kEnd));
  }

 private slots:
  void initTestCase() {
    server_ = std::make_unique<server_test::ServerProcess>();
    char pattern[] = "/tmp/corvane_desktop_XXXXXX";
    QVERIFY(::mkdtemp(pattern) != nullptr);
    directory_ = std::string(pattern) + "/";
    std::filesystem::create_directory(directory_ + "InOut");
    corvane::SetProgramDirectory(directory_);
  }

  void cleanupTestCase() {
    trx::Disconnect();
    server_.reset();
    std::filesystem::remove_all(directory_);
  }

  void init() {
    messages_.clear();
    questions_.clear();
  }

  void cleanup() { trx::Disconnect(); }

  // Every way to end, connected (answering No to "Close server?") or not.
  void everyEndEndsTheEventLoop_data() {
    QTest::addColumn<bool>("connected");
    QTest::addColumn<Ending>("end");
    const std::vector<std::pair<const char*, Ending>> endings = {
        {"End button", [](corvane::Desktop& d) { QTest::mouseClick(MainEnd(d), Qt::LeftButton); }},
        {"Esc in the Input box",
         [](corvane::Desktop& d) { QTest::keyClick(d.Main().Input(), Qt::Key_Escape); }},
        {"Esc on the window",
         [](corvane::Desktop& d) {
           QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
           QApplication::sendEvent(&d.Main(), &press);
         }},
        // QWindow::close goes through the platform, as the close box does.
        {"main window close box", [](corvane::Desktop& d) { d.Main().windowHandle()->close(); }},
        {"Client/Server End",
         [](corvane::Desktop& d) {
           QTest::mouseClick(d.ClientServer().EndButton(), Qt::LeftButton);
         }},
        {"Client/Server close box",
         [](corvane::Desktop& d) { d.ClientServer().windowHandle()->close(); }},
    };
    for (const auto& [name, end] : endings) {
      QTest::newRow((std::string(name) + ", not connected").c_str()) << false << end;
      QTest::newRow((std::string(name) + ", connected").c_str()) << true << end;
    }
  }
  void everyEndEndsTheEventLoop() {
    QFETCH(bool, connected);
    QFETCH(Ending, end);
    corvane::Desktop desktop(Options(connected ? server_->Port() : ClosedPort()));
    desktop.Start();
    QCOMPARE(trx::Client().ClientConnected != 0, connected);
    QTimer::singleShot(50, [&desktop, &end] { end(desktop); });
    QCOMPARE(Exec(), 0);
    QVERIFY(desktop.Ended());
    QCOMPARE(trx::Client().ClientConnected, 0);
    QVERIFY(!desktop.Main().isVisible());
    // The question only when connected; No leaves the server running.
    QCOMPARE(questions_.size(), connected ? 1u : 0u);
    QVERIFY(messages_.empty());
    QVERIFY(trx::InitClient("127.0.0.1", server_->Port()) != 0);
    trx::Disconnect();
  }

  // At start a server at the address is connected quietly (without one
  // the log says so: Batch.WithoutRunTheWindowsOpenInTheirOrder).
  void theStartConnectsQuietly() {
    {
      corvane::Desktop desktop(Options(server_->Port()));
      desktop.Start();
      const std::string address = "127.0.0.1:" + std::to_string(server_->Port());
      QCOMPARE(desktop.Main().ConnectionStatus(), "connected to " + address);
      QVERIFY(desktop.Main().windowTitle().endsWith(
          QString::fromStdString(" - connected to " + address)));
      QVERIFY(desktop.ClientServer().DisconnectButton()->isEnabled());
      // Disconnect and Connect / Listen in the Client/Server window.
      QTest::mouseClick(desktop.ClientServer().DisconnectButton(), Qt::LeftButton);
      QCOMPARE(desktop.Main().ConnectionStatus(), std::string("not connected"));
      QTest::mouseClick(desktop.ClientServer().ConnectButton(), Qt::LeftButton);
      QCOMPARE(desktop.Main().ConnectionStatus(), "connected to " + address);
    }
    QVERIFY(messages_.empty());
  }

  // A server that goes away between calls shows in the state at once.
  void theStateFollowsAServerThatGoesAway() {
    auto own = std::make_unique<server_test::ServerProcess>();
    corvane::Desktop desktop(Options(own->Port()));
    desktop.Start();
    QVERIFY(desktop.Main().ConnectionStatus().rfind("connected to", 0) == 0);
    own.reset();  // the server ends
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&desktop] {
      if (desktop.Main().ConnectionStatus() == "not connected") QCoreApplication::exit(0);
    });
    check.start(20);
    QCOMPARE(Exec(), 0);
    QVERIFY(desktop.ClientServer().ConnectButton()->isEnabled());
    QVERIFY(desktop.Main().windowTitle().endsWith(QStringLiteral(" - not connected")));
  }

  // The real windows on the offscreen screen: the main window at the top
  // left, the Client/Server window beside it, the plot windows beside both
  // and off the Input box; nothing leaves the screen.
  void theWindowsDoNotOverlap() {
    corvane::Desktop desktop(Options(server_->Port()));
    desktop.Start();
    corvane::MainWindow& main = desktop.Main();
    const QRect available = corvane::AvailableArea(&main);
    QCOMPARE(available.size(), QSize(1920, 1080));
    QCOMPARE(main.frameGeometry().topLeft(), available.topLeft());
    const QRect cs = desktop.ClientServer().frameGeometry();
    QVERIFY(available.contains(cs));
    QVERIFY(!cs.intersects(main.frameGeometry()));
    QCOMPARE(cs.top(), main.frameGeometry().top());  // beside, on the right
    QVERIFY(cs.left() > main.frameGeometry().right());

    main.Input()->setPlainText(
        QStringLiteral("Plot(0; x; 1; 10) = x\nPlot(0; x; 1; 10) = x^2\nPlot(0; x; 1; 10) = x^3"));
    main.Evaluate();
    const std::vector<corvane::PlotWindow*> plots = main.Plots().Open();
    QCOMPARE(plots.size(), 3u);
    for (std::size_t i = 0; i < plots.size(); ++i) {
      const QRect p = plots[i]->frameGeometry();
      QVERIFY2(available.contains(p), qPrintable(QString::number(i)));
      QVERIFY2(!p.intersects(main.frameGeometry()), qPrintable(QString::number(i)));
      QVERIFY2(!p.intersects(main.InputArea()), qPrintable(QString::number(i)));
      QVERIFY2(!p.intersects(cs), qPrintable(QString::number(i)));
    }
    // Two fit side by side; the third cascades on from the second.
    QVERIFY(!plots[0]->frameGeometry().intersects(plots[1]->frameGeometry()));
    QCOMPARE(
        plots[2]->frameGeometry().topLeft(),
        plots[1]->frameGeometry().topLeft() + QPoint(corvane::kCascadeStep, corvane::kCascadeStep));
  }
};

}  // namespace

QTEST_MAIN(DesktopTest)
#include "test_desktop.moc"
