// The Client/Server window in both forms, and trx_Server driven by its
// window: log order, buttons, the close box, serving while the window runs.
#include <signal.h>

#include <QLabel>
#include <QTest>

#include "cs_window.h"
#include "server_process.h"

namespace {

class CsWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void theLogShowsTheNewestLineOnTop() {
    trx::CsWindow window(trx::CsWindow::Form::Client, {});
    window.AddLogLine("Client: first");
    window.AddLogLine("Client: Sent CMD: x - (CliTransmitCmd)");
    window.AddLogLine("Client: a result\r\nof two lines");
    QCOMPARE(window.Log()->toPlainText(),
             QStringLiteral("Client: a result\nof two lines\nClient: Sent CMD: x - "
                            "(CliTransmitCmd)\nClient: first"));
    QTest::mouseClick(window.ClearButton(), Qt::LeftButton);
    window.AddLogLine("Client: after");
    QCOMPARE(window.Log()->toPlainText(), QStringLiteral("Client: after"));
    for (int i = 0; i < trx::CsWindow::kMaxLogLines + 10; ++i) window.AddLogLine("line");
    QCOMPARE(window.Log()->document()->blockCount(), trx::CsWindow::kMaxLogLines);
  }

  void theButtonsFollowTheConnection() {
    bool answer = false;
    int disconnects = 0;
    std::string asked_address;
    int asked_port = 0;
    trx::CsWindow::Actions actions;
    actions.connect = [&](const std::string& address, int port) {
      asked_address = address;
      asked_port = port;
      return answer;
    };
    actions.disconnect = [&] { ++disconnects; };
    trx::CsWindow window(trx::CsWindow::Form::Client, actions);
    QVERIFY(window.ConnectButton()->isEnabled());
    QVERIFY(!window.DisconnectButton()->isEnabled());
    window.AddressField()->setText(QStringLiteral("192.0.2.7"));
    window.PortField()->setText(QStringLiteral("7000"));
    QTest::mouseClick(window.ConnectButton(), Qt::LeftButton);  // no server listening
    QCOMPARE(asked_address, std::string("192.0.2.7"));
    QCOMPARE(asked_port, 7000);
    QVERIFY(window.ConnectButton()->isEnabled());
    QVERIFY(!window.DisconnectButton()->isEnabled());
    answer = true;
    QTest::mouseClick(window.ConnectButton(), Qt::LeftButton);
    QVERIFY(!window.ConnectButton()->isEnabled());
    QVERIFY(window.DisconnectButton()->isEnabled());
    QTest::mouseClick(window.DisconnectButton(), Qt::LeftButton);
    QCOMPARE(disconnects, 1);
    QVERIFY(window.ConnectButton()->isEnabled());
    QVERIFY(!window.DisconnectButton()->isEnabled());
  }

  void theFormsDiffer() {
    int ends = 0;
    trx::CsWindow::Actions actions;
    actions.end = [&ends] { ++ends; };
    trx::CsWindow client(trx::CsWindow::Form::Client, actions);
    trx::CsWindow server(trx::CsWindow::Form::Server, actions);
    QCOMPARE(client.windowTitle(), QStringLiteral("Corvane Client (for Tarnix.dll)"));
    QCOMPARE(server.windowTitle(), QStringLiteral("Tarnix.dll Server"));
    QVERIFY(client.AddressField()->isEnabled());
    QVERIFY(!server.AddressField()->isEnabled());
    QVERIFY(!client.HostField()->isEnabled());
    QCOMPARE(client.HostField()->text(), QStringLiteral("not available"));
    QStringList client_labels;
    for (QLabel* label : client.findChildren<QLabel*>()) client_labels << label->text();
    QVERIFY(client_labels.contains(QStringLiteral("Svr IP Addr:")));
    QStringList server_labels;
    for (QLabel* label : server.findChildren<QLabel*>()) server_labels << label->text();
    QVERIFY(server_labels.contains(QStringLiteral("My IP Addr:")));

    // End and the close box end the program in both forms; the client
    // window stays until the program (its main window) has ended.
    client.show();
    QTest::mouseClick(client.EndButton(), Qt::LeftButton);
    QCOMPARE(ends, 1);
    client.close();
    QCOMPARE(ends, 2);
    QVERIFY(client.isVisible());
    server.show();
    QTest::mouseClick(server.EndButton(), Qt::LeftButton);
    QCOMPARE(ends, 3);
    server.close();
    QCOMPARE(ends, 4);
    // Without an end action the client window's buttons do nothing.
    trx::CsWindow bare(trx::CsWindow::Form::Client, {});
    bare.show();
    QTest::mouseClick(bare.EndButton(), Qt::LeftButton);
    bare.close();
    QVERIFY(bare.isVisible());
  }

  void theServerWindowServesAndEnds() {
    // trx_Server with its window (offscreen), listening at once; its log
    // also reaches standard output, where the test reads the port.
    server_test::ServerProcess server({"--listen"}, true, false);
    QVERIFY(server.Port() > 0);
    server_test::RawClient client(server.Port());
    const std::string call = server_test::Command("FUN;e_eval;str;6*7;dbl;00000000;lng;1;");
    QCOMPARE(client.Call(call), std::string("TLN;00000048;FUN;e_eval;ret;0;dbl;42.0000000000;;"));
    // A second client is served while the first stays connected.
    server_test::RawClient other(server.Port());
    QCOMPARE(other.Call(call), std::string("TLN;00000048;FUN;e_eval;ret;0;dbl;42.0000000000;;"));
    server.Signal(SIGTERM);
    QCOMPARE(server.WaitForExit(10000), 0);
    QVERIFY(server.WaitForLog("Button End"));
  }
};

}  // namespace

QTEST_MAIN(CsWindowTest)
#include "test_cs_window.moc"
