#include "cs_window.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QRegularExpressionValidator>
#include <QTextBlock>
#include <QTextCursor>

#include "../../AuxFunct/aux_funct.h"

namespace trx {
namespace {

template <typename T>
T* Place(QWidget* parent, T* control, int x, int y, int w, int h) {
  control->setParent(parent);
  control->setGeometry(x, y, w, h);
  return control;
}

}  // namespace

void FitText(QWidget* control, const QString& text) {
  QFont font = control->font();
  // Buttons keep a margin; check boxes and options their indicator.
  const bool indicator = qobject_cast<QAbstractButton*>(control) != nullptr &&
                         qobject_cast<QPushButton*>(control) == nullptr;
  const bool label = qobject_cast<QLabel*>(control) != nullptr;
  const int room = control->width() - (indicator ? 24 : label ? 0 : 8);
  for (qreal size = font.pointSizeF(); size > 5; size -= 0.5) {
    font.setPointSizeF(size);
    if (QFontMetrics(font).horizontalAdvance(text) <= room) break;
  }
  control->setFont(font);
}

void FitTexts(QWidget* window) {
  for (QWidget* control : window->findChildren<QWidget*>()) {
    QString text;
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
      text = button->text();
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
      if (label->wordWrap() || label->text().isEmpty()) continue;
      text = label->text();
    } else {
      continue;
    }
    text.replace(QStringLiteral("&&"), QStringLiteral("&"));
    QString widest;
    const QFontMetrics metrics(control->font());
    for (const QString& line : text.split(QLatin1Char('\n'))) {
      if (metrics.horizontalAdvance(line) > metrics.horizontalAdvance(widest)) widest = line;
    }
    FitText(control, widest);
  }
}

CsWindow::CsWindow(Form form, Actions actions) : form_(form), actions_(std::move(actions)) {
  const bool client = form == Form::Client;
  setWindowTitle(client ? QStringLiteral("Corvane Client (for Tarnix.dll)")
                        : QStringLiteral("Tarnix.dll Server"));
  resize(328, 330);
  move(client ? 783 : 443, 195);

  Place(this, new QLabel(QStringLiteral("Messages Log")), 5, 10, 100, 15);
  clear_ = Place(this, new QPushButton(QStringLiteral("Clear Log")), 200, 10, 100, 15);
  log_ = Place(this, new QPlainTextEdit, 5, 25, 315, 130);
  log_->setReadOnly(true);
  log_->setLineWrapMode(QPlainTextEdit::NoWrap);
  Place(this, new QGroupBox(QStringLiteral("Setup: ")), 5, 165, 245, 160);
  connect_ = Place(this, new QPushButton(QStringLiteral("Connect /\nListen")), 260, 170, 60, 35);
  Place(this, new QLabel(QStringLiteral("Host Name:")), 10, 185, 60, 20);
  host_ = Place(this, new QLineEdit(QStringLiteral("not available")), 80, 185, 160, 20);
  host_->setEnabled(false);
  Place(this, new QLabel(client ? QStringLiteral("Svr IP Addr:") : QStringLiteral("My IP Addr:")),
        10, 215, 60, 20);
  address_ = Place(this, new QLineEdit(QStringLiteral("127.0.0.1")), 80, 215, 130, 20);
  address_->setEnabled(client);
  disconnect_ = Place(this, new QPushButton(QStringLiteral("Disconnect")), 260, 215, 60, 25);
  disconnect_->setEnabled(false);
  Place(this, new QLabel(QStringLiteral("Port: ")), 10, 245, 35, 20);
  port_ = Place(this, new QLineEdit(QStringLiteral("6832")), 80, 245, 80, 20);
  port_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), port_));
  auto* repeater = Place(this, new QCheckBox(QStringLiteral("Repeater")), 170, 243, 70, 25);
  repeater->setEnabled(false);
  Place(this, new QLabel(QStringLiteral("Protocol: ")), 10, 275, 90, 20);
  auto* protocol = Place(this, new QLineEdit(QStringLiteral("TCP/IP")), 80, 275, 80, 20);
  protocol->setReadOnly(true);
  Place(this, new QLabel(QStringLiteral("Mode: ")), 10, 300, 90, 20);
  auto* server_mode = Place(this, new QRadioButton(QStringLiteral("Server")), 80, 300, 70, 20);
  auto* client_mode = Place(this, new QRadioButton(QStringLiteral("Client")), 160, 300, 65, 20);
  (client ? client_mode : server_mode)->setChecked(true);
  server_mode->setEnabled(false);
  client_mode->setEnabled(false);
  end_ = Place(this, new QPushButton(QStringLiteral("End")), 260, 295, 60, 25);

  FitTexts(this);
  connect(clear_, &QPushButton::clicked, log_, &QPlainTextEdit::clear);
  connect(connect_, &QPushButton::clicked, this, [this] { Connect(); });
  connect(disconnect_, &QPushButton::clicked, this, [this] {
    if (actions_.disconnect) actions_.disconnect();
    SetConnected(false);
  });
  connect(end_, &QPushButton::clicked, this, [this] {
    if (actions_.end) actions_.end();
  });
}

void CsWindow::Connect() {
  const int port = aux::IntegerOf(port_->text().toStdString());
  const bool up = actions_.connect && actions_.connect(address_->text().toStdString(), port);
  SetConnected(up);
}

void CsWindow::SetConnected(bool connected) {
  connect_->setEnabled(!connected);
  disconnect_->setEnabled(connected);
}

void CsWindow::SetHostName(const std::string& name) {
  host_->setText(QString::fromStdString(name));
}

void CsWindow::SetAddress(const std::string& address) {
  address_->setText(QString::fromStdString(address));
  address_->setToolTip(QString::fromStdString(address));
  address_->setCursorPosition(0);
}

void CsWindow::SetPort(int port) { port_->setText(QString::number(port)); }

void CsWindow::AddLogLine(const std::string& line) {
  QTextCursor cursor(log_->document());
  cursor.movePosition(QTextCursor::Start);
  const bool empty = log_->document()->isEmpty();
  QString text = QString::fromStdString(line);
  text.remove(QLatin1Char('\r'));
  cursor.insertText(text + (empty ? QString() : QStringLiteral("\n")));
  while (log_->document()->blockCount() > kMaxLogLines) {
    QTextCursor last(log_->document()->lastBlock());
    last.select(QTextCursor::BlockUnderCursor);
    last.removeSelectedText();
  }
}

void CsWindow::closeEvent(QCloseEvent* event) {
  // The close box ends the program in both forms. The client program ends
  // through its main window, which may refuse while a run goes on: this
  // window stays until the program ends.
  if (actions_.end) actions_.end();
  if (form_ == Form::Server && actions_.end) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace trx
