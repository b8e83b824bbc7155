#include "plot_window.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QToolTip>
#include <QWheelEvent>
#include <cmath>

#include "../../AuxFunct/aux_funct.h"
#include "../../net/trx_cs/cs_window.h"
#include "../../net/trx_cs/trx_cs.h"
#include "../files.h"
#include "plot_image_qt.h"

namespace corvane {
namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 400;
constexpr int kButtonRow = 35;
// One notch of the wheel shows 80 % (or 125 %) of the range.
constexpr double kNotchZoom = 0.8;

}  // namespace

QPoint NextPlotPosition(bool first, const QRect& previous, int desktop_width) {
  if (first) return {0, 0};
  const int x = previous.x() + previous.width() + 7;
  if (x + kWidth > desktop_width) return {0, previous.y() + 430};
  return {x, previous.y()};
}

PlotWindow::PlotWindow(Plot plot, QWidget* main_window) : main_window_(main_window) {
  curves_.push_back(std::move(plot));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("aPlot #%1").arg(curves_.front().number));
  setMinimumSize(kWidth, 200);
  resize(kWidth, kHeight);
  image_ = new QLabel(this);
  image_->installEventFilter(this);
  image_->setCursor(Qt::CrossCursor);
  redraw_ = new QPushButton(QStringLiteral("Redraw"), this);
  from_label_ = new QLabel(QStringLiteral("from"), this);
  from_ = new QLineEdit(QStringLiteral("0"), this);
  to_label_ = new QLabel(QStringLiteral("to"), this);
  to_ = new QLineEdit(QStringLiteral("0"), this);
  save_ = new QPushButton(QStringLiteral("Save image..."), this);
  close_ = new QPushButton(QStringLiteral("Close"), this);
  connect(redraw_, &QPushButton::clicked, this, [this] { Redraw(); });
  connect(save_, &QPushButton::clicked, this, [this] { AskAndSave(); });
  connect(close_, &QPushButton::clicked, this, [this] { close(); });
  LayOut();
  trx::FitTexts(this);
  ShowAll();
}

void PlotWindow::LayOut() {
  const int w = width();
  const int h = height();
  image_->setGeometry(0, 0, w, std::max(h - kButtonRow, 1));
  redraw_->setGeometry(5, h - 25, 60, 20);
  from_label_->setGeometry(70, h - 22, 28, 20);
  from_->setGeometry(98, h - 25, 64, 20);
  to_label_->setGeometry(167, h - 22, 14, 20);
  to_->setGeometry(181, h - 25, 64, 20);
  save_->setGeometry(252, h - 25, 80, 20);
  close_->setGeometry(w - 63, h - 25, 58, 20);
}

void PlotWindow::Show(const PlotScale& view, const double* anchor_x, double anchor_column) {
  scale_ = LayOutPlot(curves_, view, image_->size());
  // Other y labels may need another margin, which would shift the picture
  // sideways under a pointer that zooms or drags.
  if (anchor_x != nullptr) scale_ = scale_.Panned(anchor_column - scale_.Column(*anchor_x), 0);
  Draw();
}

void PlotWindow::Draw() {
  image_->setPixmap(QPixmap::fromImage(DrawPlot(curves_, scale_, image_->size())));
  from_->setText(QString::fromStdString(ValueText(scale_.x_min, scale_.XPerColumn())));
  to_->setText(QString::fromStdString(ValueText(scale_.x_max, scale_.XPerColumn())));
}

void PlotWindow::ShowAll() { Show(FullRange(curves_)); }

void PlotWindow::AddCurve(Plot plot) {
  curves_.push_back(std::move(plot));
  ShowAll();
}

void PlotWindow::Redraw() {
  const double from = aux::DoubleOf(from_->text().toStdString());
  const double to = aux::DoubleOf(to_->text().toStdString());
  for (Plot& curve : curves_) ComputeSamples(curve, "", from, "", to, 0);
  ShowAll();
}

void PlotWindow::ZoomAt(QPointF pos, double factor, bool x_axis, bool y_axis) {
  const double anchor = scale_.XAt(pos.x());
  Show(scale_.Zoomed(pos.x(), pos.y(), x_axis ? factor : 1, y_axis ? factor : 1), &anchor, pos.x());
}

void PlotWindow::Drag(QPointF from, QPointF to) {
  const double anchor = scale_.XAt(from.x());
  Show(scale_.Panned(to.x() - from.x(), to.y() - from.y()), &anchor, to.x());
}

std::string PlotWindow::SaveImage(const QString& path) const {
  return SavePlotImage(curves_, scale_, image_->size(), path);
}

void PlotWindow::AskAndSave() {
  const QString suggested = QString::fromStdString(
      Resolve("aPlot_" + std::to_string(Number()) + ".png", ProgramDirectory()));
  QString filter;
  QString path =
      QFileDialog::getSaveFileName(this, QStringLiteral("Save image"), suggested,
                                   QStringLiteral("PNG image (*.png);;SVG image (*.svg)"), &filter);
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) {
    path +=
        filter.contains(QStringLiteral("svg")) ? QStringLiteral(".svg") : QStringLiteral(".png");
  }
  const std::string error = SaveImage(path);
  if (!error.empty()) trx::MessageBox(error, "aPlot");
}

QString PlotWindow::ReadOut(QPoint pos) {
  const QString text = QString::fromStdString(CoordText(scale_, pos.x(), pos.y()));
  if (text != last_read_out_) {
    last_read_out_ = text;
    image_->setToolTip(text);
    QToolTip::showText(image_->mapToGlobal(pos), text, image_);
  }
  return text;
}

bool PlotWindow::OnMouse(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton && mouse->button() != Qt::RightButton) return false;
      if (mouse->button() == Qt::LeftButton) {
        dragging_ = true;
        drag_from_ = mouse->position();
      }
      ReadOut(mouse->position().toPoint());
      return true;
    }
    case QEvent::MouseMove: {
      // Without mouse tracking a move arrives only while a button is held.
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->buttons() == Qt::NoButton) return false;
      if (dragging_ && (mouse->buttons() & Qt::LeftButton)) {
        Drag(drag_from_, mouse->position());
        drag_from_ = mouse->position();
      }
      ReadOut(mouse->position().toPoint());
      return true;
    }
    case QEvent::MouseButtonRelease:
      if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) dragging_ = false;
      return false;
    case QEvent::MouseButtonDblClick:
      if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
      ShowAll();
      return true;
    case QEvent::Wheel: {
      const auto* wheel = static_cast<QWheelEvent*>(event);
      // Some systems turn a wheel held with Shift into a sideways one.
      const QPoint angle = wheel->angleDelta();
      const int eighths = angle.y() != 0 ? angle.y() : angle.x();
      if (eighths == 0) return true;
      const Qt::KeyboardModifiers keys = wheel->modifiers();
      ZoomAt(wheel->position(), std::pow(kNotchZoom, eighths / 120.0), !(keys & Qt::ShiftModifier),
             !(keys & Qt::ControlModifier));
      return true;
    }
    default: return false;
  }
}

bool PlotWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == image_ && OnMouse(event)) return true;
  return QWidget::eventFilter(watched, event);
}

void PlotWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();  // this plot only; the program goes on
    return;
  }
  if (event->key() == Qt::Key_Home) {
    ShowAll();
    return;
  }
  QWidget::keyPressEvent(event);
}

void PlotWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (image_ == nullptr) return;
  const QSize before = image_->size();
  LayOut();
  // The same values on the new size: nothing is computed again, and
  // nothing drawn again when only the buttons moved (a first show).
  if (image_->size() != before) Show(scale_);
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

PlotWindow* PlotWindows::Open(const Plot& plot, const Placement& place) {
  if (plot.same && !windows_.empty() && windows_.back() != nullptr &&
      windows_.back()->Number() == plot.number) {
    windows_.back()->AddCurve(plot);
    return windows_.back();
  }
  auto* window = new PlotWindow(plot, main_window_);
  if (place) {
    PlotWindow* previous = nullptr;
    for (const QPointer<PlotWindow>& w : windows_) {
      if (w != nullptr) previous = w.data();
    }
    place(window, previous);
  } else {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int desktop = screen != nullptr ? screen->availableGeometry().width() : 1024;
    window->move(NextPlotPosition(windows_.empty(), last_, desktop));
  }
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
