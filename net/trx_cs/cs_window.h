// The Client/Server window both programs show: the network set-up, Connect /
// Listen and Disconnect, and the message log, newest line on top. The form
// (client or server) sets its title, labels and which fields may be edited;
// what the buttons do comes from the program.
#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <functional>
#include <string>

namespace trx {

class CsWindow : public QWidget {
 public:
  enum class Form { Client, Server };
  struct Actions {
    // Connect / Listen with the address and port fields; true when
    // connected or listening.
    std::function<bool(const std::string& address, int port)> connect;
    std::function<void()> disconnect;
    // End or the close box: the program ends (in the client form through
    // its main window).
    std::function<void()> end;
  };

  CsWindow(Form form, Actions actions);

  // One log line, inserted on top; the oldest go beyond kMaxLogLines.
  void AddLogLine(const std::string& line);
  // The buttons after a change of the connection seen elsewhere.
  void SetConnected(bool connected);
  void SetHostName(const std::string& name);
  void SetAddress(const std::string& address);
  void SetPort(int port);

  QPlainTextEdit* Log() const { return log_; }
  QPushButton* ConnectButton() const { return connect_; }
  QPushButton* DisconnectButton() const { return disconnect_; }
  QPushButton* ClearButton() const { return clear_; }
  QPushButton* EndButton() const { return end_; }
  QLineEdit* AddressField() const { return address_; }
  QLineEdit* PortField() const { return port_; }
  QLineEdit* HostField() const { return host_; }

  static constexpr int kMaxLogLines = 20000;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Connect();

  Form form_;
  Actions actions_;
  QPlainTextEdit* log_;
  QPushButton* clear_;
  QPushButton* connect_;
  QPushButton* disconnect_;
  QPushButton* end_;
  QLineEdit* host_;
  QLineEdit* address_;
  QLineEdit* port_;
};

// Shrinks a control's font until its text fits its width (substitute fonts
// may be wider than the ones the layout was made for).
void FitText(QWidget* control, const QString& text);
// FitText for every label, button, check box and option of a window.
void FitTexts(QWidget* window);

}  // namespace trx
