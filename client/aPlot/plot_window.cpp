#include "plot_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QThread>
#include <QToolTip>

#include "../../AuxFunct/aux_funct.h"
#include "../../net/trx_cs/cs_window.h"
#include "plot_image_qt.h"

namespace corvane {
namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 400;
constexpr int kButtonRow = 35;

QString Tidied10(double value) { return QString::fromStdString(aux::ShortNumber(value)); }

}  // namespace

QPoint NextPlotPosition(bool first, const QRect& previous, int desktop_width) {
  if (first) return {0, 0};
  const int x = previous.x() + previous.width() + 7;
  if (x + kWidth > desktop_width) return {0, previous.y() + 430};
  return {x, previous.y()};
}

PlotWindow::PlotWindow(Plot plot, QWidget* main_window)
    : plot_(std::move(plot)), main_window_(main_window) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("aPlot #%1").arg(plot_.number));
  resize(kWidth, kHeight);
  image_ = new QLabel(this);
  image_->installEventFilter(this);
  redraw_ = new QPushButton(QStringLiteral("Redraw"), this);
  from_label_ = new QLabel(QStringLiteral("Redraw from"), this);
  from_ = new QLineEdit(QStringLiteral("0"), this);
  to_label_ = new QLabel(QStringLiteral("to"), this);
  to_ = new QLineEdit(QStringLiteral("0"), this);
  close_ = new QPushButton(QStringLiteral("Close"), this);
  connect(redraw_, &QPushButton::clicked, this, [this] { Redraw(); });
  connect(close_, &QPushButton::clicked, this, [this] { close(); });
  LayOut();
  trx::FitTexts(this);
  drawn_ = plot_;
  Draw();
}

void PlotWindow::LayOut() {
  const int w = width();
  const int h = height();
  image_->setGeometry(0, 0, w, std::max(h - kButtonRow, 1));
  redraw_->setGeometry(5, h - 25, 75, 20);
  from_label_->setGeometry(90, h - 22, 70, 20);
  from_->setGeometry(160, h - 25, 50, 20);
  to_label_->setGeometry(220, h - 22, 20, 20);
  to_->setGeometry(240, h - 25, 50, 20);
  close_->setGeometry(w - 80, h - 25, 75, 20);
}

void PlotWindow::Draw() {
  image_->setPixmap(QPixmap::fromImage(DrawPlot(drawn_, image_->width(), image_->height())));
  if (!drawn_.x.empty()) {
    from_->setText(Tidied10(drawn_.x.front()));
    to_->setText(Tidied10(drawn_.x.back()));
  }
}

void PlotWindow::Redraw() {
  drawn_ = plot_;
  ComputeSamples(drawn_, "", aux::DoubleOf(from_->text().toStdString()), "",
                 aux::DoubleOf(to_->text().toStdString()), 0);
  Draw();
}

QString PlotWindow::ReadOut(QPoint pos) {
  const PlotScale scale = ScaleOf(drawn_, image_->width(), image_->height());
  const QString text = QString::fromStdString(CoordText(scale, pos.x(), pos.y()));
  if (text != last_read_out_) {
    last_read_out_ = text;
    image_->setToolTip(text);
    QToolTip::showText(image_->mapToGlobal(pos), text, image_);
  }
  return text;
}

bool PlotWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == image_ && event->type() == QEvent::MouseButtonPress) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton || mouse->button() == Qt::RightButton) {
      ReadOut(mouse->position().toPoint());
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void PlotWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();  // this plot only; the program goes on
    return;
  }
  QWidget::keyPressEvent(event);
}

void PlotWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOut();
  // A resize returns to the stored range.
  drawn_ = plot_;
  if (isVisible()) ComputeSamples(drawn_);
  Draw();
}

void PlotWindow::closeEvent(QCloseEvent* event) {
  if (main_window_ != nullptr) main_window_->activateWindow();
  QWidget::closeEvent(event);
}

void PlotWindows::CloseAll() {
  for (const QPointer<PlotWindow>& window : windows_) {
    if (window != nullptr) window->close();
  }
  windows_.clear();
}

PlotWindow* PlotWindows::Open(const Plot& plot) {
  auto* window = new PlotWindow(plot, main_window_);
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int desktop = screen != nullptr ? screen->availableGeometry().width() : 1024;
  const bool first = windows_.empty();
  window->move(NextPlotPosition(first, last_, desktop));
  window->show();
  last_ = window->frameGeometry();
  windows_.emplace_back(window);
  return window;
}

std::vector<PlotWindow*> PlotWindows::Open() const {
  std::vector<PlotWindow*> open;
  for (const QPointer<PlotWindow>& window : windows_) {
    if (window != nullptr) open.push_back(window.data());
  }
  return open;
}

}  // namespace corvane
