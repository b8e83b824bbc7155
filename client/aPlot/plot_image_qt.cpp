#include "plot_image_qt.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

#include "../../AuxFunct/aux_funct.h"

namespace corvane {
namespace {

// Far outside any image, yet small enough for the painter's arithmetic.
double Clamped(double v) { return std::clamp(v, -1e6, 1e6); }

void DrawCurve(QPainter& painter, const Plot& plot, const PlotScale& scale) {
  painter.setPen(kCurveColour);
  bool have_last = false;
  QPointF last;
  const std::size_t n = std::min(plot.x.size(), plot.y.size());
  for (std::size_t i = 0; i < n; ++i) {
    // A sample that is no finite number is a point where the curve is not
    // known (a failed evaluation, a pole): the line stops there rather than
    // bridging it with a value nobody computed.
    if (!std::isfinite(plot.y[i]) || !std::isfinite(plot.x[i])) {
      have_last = false;
      continue;
    }
    const QPointF point(Clamped(scale.Column(plot.x[i])), Clamped(scale.Row(plot.y[i])));
    if (have_last) painter.drawLine(last, point);
    last = point;
    have_last = true;
  }
}

void DrawText(QPainter& painter, double column, double row, const QString& text) {
  const QFontMetrics metrics(painter.font());
  painter.drawText(QPointF(column, row + metrics.ascent()), text);
}

// The axes through 0,0 and the range labels, kept inside the image.
void DrawAxes(QPainter& painter, const Plot& plot, const PlotScale& scale) {
  painter.setPen(kAxesColour);
  const QFontMetrics metrics(painter.font());
  const double w = scale.width;
  const double h = scale.height;
  const double row0 = Clamped(scale.Row(0));
  const double col0 = Clamped(scale.Column(0));
  painter.drawLine(QPointF(scale.Column(plot.x_min), row0),
                   QPointF(scale.Column(plot.x_max), row0));
  painter.drawLine(QPointF(col0, 0), QPointF(col0, h));
  const QString origin = QStringLiteral("0,0");
  DrawText(painter, col0 - metrics.horizontalAdvance(origin) / 2.0, row0, origin);

  const double text_h = metrics.boundingRect(QStringLiteral("I")).height() + 2;
  const double label_row = std::clamp(row0, 0.0, std::max(0.0, h - text_h));
  const auto whole = [](double v) {
    return QString::fromStdString(aux::FixedText(std::round(v), 0));
  };
  const QString left = whole(plot.x_min);
  const QString right = whole(plot.x_max);
  DrawText(painter, 0, label_row, left);
  DrawText(painter, w - 1.2 * metrics.horizontalAdvance(right), label_row, right);

  const auto two = [](double v) { return QString::fromStdString(aux::Tidy(aux::FixedText(v, 2))); };
  const QString low = two(plot.y_min);
  const QString high = two(plot.y_max);
  const double label_col =
      std::clamp(col0 + 2, 2.0, std::max(2.0, w - metrics.horizontalAdvance(low) - 2));
  DrawText(painter, label_col, std::clamp(scale.Row(plot.y_min) - text_h, 0.0, h - text_h), low);
  DrawText(painter, label_col, std::clamp(scale.Row(plot.y_max) - 2, 0.0, h - text_h), high);
}

}  // namespace

QImage DrawPlot(const Plot& plot, int width, int height) {
  QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
  image.fill(kPlotBackground);
  QPainter painter(&image);
  QFont font(QStringLiteral("Verdana"));
  font.setPointSize(8);
  painter.setFont(font);
  const PlotScale scale = ScaleOf(plot, image.width(), image.height());
  DrawCurve(painter, plot, scale);
  DrawText(painter, 0, 0, QString::fromStdString("Expr = " + plot.expr));
  DrawAxes(painter, plot, scale);
  return image;
}

bool SavePlotPng(const Plot& plot, const std::string& path) {
  return DrawPlot(plot, 400, 400 - 35).save(QString::fromStdString(path), "PNG");
}

}  // namespace corvane
