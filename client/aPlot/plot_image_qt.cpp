#include "plot_image_qt.h"

#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImageWriter>
#include <QPen>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <limits>

namespace corvane {
namespace {

constexpr int kTickLength = 4;
constexpr int kLegendSample = 16;  // the length of a legend's line sample
constexpr int kLegendGap = 12;

// A pixel coordinate far outside any picture, yet finite: the clipping
// arithmetic below stays exact enough and never meets an infinity.
double Limited(double v) { return std::clamp(v, -1e12, 1e12); }

QString Text(const std::string& text) { return QString::fromStdString(text); }

struct LegendEntry {
  QPointF at;  // the top left corner of the entry
  QString text;
};

// Everything the painting needs to know of where things go; LayOutPlot
// hands its scale to the window, which maps the mouse with it.
struct Frame {
  PlotScale scale;
  PlotTicks x_ticks;
  PlotTicks y_ticks;
  std::vector<LegendEntry> legend;
  bool single = true;  // one curve: "Expr = ..." as the title, no line sample
  int line_height = 0;
  int title_bottom = 0;  // the first row below the title or the legend
};

Frame LayOut(const std::vector<Plot>& curves, const PlotScale& view, QSize size) {
  Frame frame;
  const QFontMetrics metrics(PlotFont());
  const int w = std::max(size.width(), 1);
  const int h = std::max(size.height(), 1);
  frame.line_height = metrics.height();
  frame.single = curves.size() <= 1;

  // The title, or the legend in rows as wide as the picture.
  int rows = 1;
  double column = 2;
  for (const Plot& curve : curves) {
    const QString expr = Text(frame.single ? "Expr = " + curve.expr : curve.expr);
    const int room = frame.single ? w - 4 : std::max(w - 4 - kLegendSample - 4, 8);
    const QString text = metrics.elidedText(expr, Qt::ElideRight, room);
    const double entry = (frame.single ? 0 : kLegendSample + 4) + metrics.horizontalAdvance(text);
    if (column > 2 && column + entry > w - 2) {
      ++rows;
      column = 2;
    }
    frame.legend.push_back({QPointF(column, 1 + (rows - 1) * frame.line_height), text});
    column += entry + kLegendGap;
  }

  PlotScale& scale = frame.scale;
  scale.x_min = view.x_min;
  scale.x_max = view.x_max;
  scale.y_min = view.y_min;
  scale.y_max = view.y_max;
  frame.title_bottom = 1 + rows * frame.line_height;
  // Half a line between: a y label on the area's top edge stays clear of
  // the title.
  scale.top = frame.title_bottom + (frame.line_height + 1) / 2 + 1;
  const int bottom = frame.line_height + kTickLength + 3;
  scale.height = std::max(h - scale.top - bottom, 1);

  // The y labels decide how much room the left margin needs.
  const int y_count = std::clamp(scale.height / (2 * frame.line_height), 2, 10);
  frame.y_ticks = TicksFor(view.y_min, view.y_max, y_count);
  int widest = 0;
  for (const double v : frame.y_ticks.values) {
    widest = std::max(widest, metrics.horizontalAdvance(Text(TickLabel(v, frame.y_ticks))));
  }
  scale.left = std::min(widest + kTickLength + 4, w / 2);
  const int right = std::min(metrics.horizontalAdvance(QStringLiteral("0")) * 2, w / 4);
  scale.width = std::max(w - scale.left - right, 1);

  // As many x ticks as their labels leave room for, side by side.
  for (int x_count = 10;; --x_count) {
    frame.x_ticks = TicksFor(view.x_min, view.x_max, x_count);
    int total = 0;
    for (const double v : frame.x_ticks.values) {
      total += metrics.horizontalAdvance(Text(TickLabel(v, frame.x_ticks))) + 8;
    }
    if (total <= scale.width || x_count <= 2) break;
  }
  return frame;
}

// Liang-Barsky: the part of the segment a-b inside r, false if none.
bool Clip(QPointF& a, QPointF& b, const QRectF& r) {
  const double dx = b.x() - a.x();
  const double dy = b.y() - a.y();
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
  double t0 = 0;
  double t1 = 1;
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0) {
      if (q[k] < 0) return false;
      continue;
    }
    const double t = q[k] / p[k];
    if (p[k] < 0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  const QPointF start = a;
  a = QPointF(start.x() + t0 * dx, start.y() + t0 * dy);
  b = QPointF(start.x() + t1 * dx, start.y() + t1 * dy);
  return true;
}

// Takes the points of a curve's polylines in pixels and draws the parts
// inside the curve area. Clipping here rather than in the painter keeps
// zoomed-in segments exact whose ends lie millions of pixels away.
class CurvePen {
 public:
  CurvePen(QPainter& painter, const QRectF& area, std::vector<QPointF>& buffer)
      : painter_(painter), area_(area), out_(buffer) {
    out_.clear();
  }

  void Add(QPointF point) {
    if (points_ > 0 && point == previous_) return;
    if (points_ > 0) {
      QPointF a = previous_;
      QPointF b = point;
      if (Clip(a, b, area_)) {
        if (out_.empty() || out_.back() != a) {
          Flush();
          out_.push_back(a);
        }
        out_.push_back(b);
        // Long polylines go out in parts: the buffer keeps its size.
        if (out_.size() >= 4096) {
          Flush();
          out_.push_back(b);
        }
      } else {
        Flush();
      }
    }
    previous_ = point;
    ++points_;
  }

  // The polyline ends; a sample with no neighbour is shown as a dot.
  void Break() {
    if (points_ == 1 && area_.contains(previous_)) {
      const QPen pen = painter_.pen();
      QPen dot = pen;
      dot.setWidth(3);
      painter_.setPen(dot);
      painter_.drawPoint(previous_);
      painter_.setPen(pen);
    }
    Flush();
    points_ = 0;
  }

 private:
  void Flush() {
    if (out_.size() >= 2) painter_.drawPolyline(out_.data(), static_cast<int>(out_.size()));
    out_.clear();
  }

  QPainter& painter_;
  QRectF area_;
  std::vector<QPointF>& out_;
  QPointF previous_;
  std::size_t points_ = 0;
};

// The samples falling into one pixel column reduced to the first, the
// lowest, the highest and the last: the same pixels as every sample drawn,
// so that 16 million samples cost a few thousand line segments. All that
// lies left or right of the area shares one column there.
struct Column {
  long long key = 0;
  QPointF first, low, high, last;
  std::size_t low_at = 0, high_at = 0, count = 0;

  void Start(long long k, QPointF p, std::size_t i) {
    key = k;
    first = low = high = last = p;
    low_at = high_at = i;
    count = 1;
  }
  void Take(QPointF p, std::size_t i) {
    // Rows grow downwards: the lowest value has the largest row.
    if (p.y() > low.y()) low = p, low_at = i;
    if (p.y() < high.y()) high = p, high_at = i;
    last = p;
    ++count;
  }
  void Emit(CurvePen& pen) const {
    pen.Add(first);
    if (count > 2) {
      pen.Add(low_at < high_at ? low : high);
      pen.Add(low_at < high_at ? high : low);
    }
    pen.Add(last);
  }
};

void DrawCurve(QPainter& painter, const Plot& plot, const PlotScale& scale, const QRectF& area,
               std::vector<QPointF>& buffer) {
  CurvePen pen(painter, area, buffer);
  const double before = area.left() - 1;
  const double after = area.right() + 1;
  // Scale.Column and Scale.Row with their divisions done once: this loop
  // runs over every sample.
  const double columns_per_x = 1 / scale.XPerColumn();
  const double rows_per_y = 1 / scale.YPerRow();
  const double bottom = scale.top + scale.height;
  Column column;
  bool open = false;
  const std::size_t n = std::min(plot.x.size(), plot.y.size());
  for (std::size_t i = 0; i < n; ++i) {
    const double x = plot.x[i];
    const double y = plot.y[i];
    // A sample that is no finite number is a point where the curve is not
    // known (a failed evaluation, a pole): the line stops there rather than
    // bridging it with a value nobody computed.
    if (!std::isfinite(x) || !std::isfinite(y)) {
      if (open) column.Emit(pen);
      open = false;
      pen.Break();
      continue;
    }
    const QPointF p(Limited(scale.left + (x - scale.x_min) * columns_per_x),
                    Limited(bottom - (y - scale.y_min) * rows_per_y));
    // Truncation rather than floor: a call less per sample, and the two
    // columns it merges around 0 lie outside the area anyway.
    const long long key = p.x() < before  ? std::numeric_limits<long long>::min()
                          : p.x() > after ? std::numeric_limits<long long>::max()
                                          : static_cast<long long>(p.x());
    if (open && key == column.key) {
      column.Take(p, i);
      continue;
    }
    if (open) column.Emit(pen);
    column.Start(key, p, i);
    open = true;
  }
  if (open) column.Emit(pen);
  pen.Break();
}

void DrawText(QPainter& painter, double column, double row, const QString& text) {
  const QFontMetrics metrics(painter.font());
  painter.drawText(QPointF(column, row + metrics.ascent()), text);
}

void DrawGridAndLabels(QPainter& painter, const Frame& frame, QSize size) {
  const PlotScale& s = frame.scale;
  const QFontMetrics metrics(painter.font());
  const double left = s.left;
  const double right = s.left + s.width;
  const double top = s.top;
  const double bottom = s.top + s.height;

  painter.setPen(kGridColour);
  for (const double v : frame.x_ticks.values) {
    const double c = std::round(s.Column(v));
    if (c >= left && c <= right) painter.drawLine(QPointF(c, top), QPointF(c, bottom));
  }
  for (const double v : frame.y_ticks.values) {
    const double r = std::round(s.Row(v));
    if (r >= top && r <= bottom) painter.drawLine(QPointF(left, r), QPointF(right, r));
  }
  // The axes through 0, where the view holds it.
  painter.setPen(kAxesColour);
  const double c0 = std::round(s.Column(0));
  const double r0 = std::round(s.Row(0));
  if (c0 >= left && c0 <= right) painter.drawLine(QPointF(c0, top), QPointF(c0, bottom));
  if (r0 >= top && r0 <= bottom) painter.drawLine(QPointF(left, r0), QPointF(right, r0));
  painter.setPen(kFrameColour);
  painter.drawRect(QRectF(left, top, s.width, s.height));

  // Labels on the ticks, kept inside the picture; the y labels lie below
  // the title, which has rows of its own.
  painter.setPen(kAxesColour);
  for (const double v : frame.x_ticks.values) {
    const double c = std::round(s.Column(v));
    if (c < left || c > right) continue;
    painter.drawLine(QPointF(c, bottom), QPointF(c, bottom + kTickLength));
    const QString label = Text(TickLabel(v, frame.x_ticks));
    const double half = metrics.horizontalAdvance(label) / 2.0;
    const double at = std::clamp(c - half, 0.0, std::max(0.0, size.width() - 2 * half - 1));
    DrawText(painter, at, bottom + kTickLength + 1, label);
  }
  for (const double v : frame.y_ticks.values) {
    const double r = std::round(s.Row(v));
    if (r < top || r > bottom) continue;
    painter.drawLine(QPointF(left - kTickLength, r), QPointF(left, r));
    const QString label = Text(TickLabel(v, frame.y_ticks));
    // Centred on its tick, but never into the title nor down among the x
    // labels.
    const double row =
        std::clamp(r - metrics.height() / 2.0, double(frame.title_bottom),
                   std::max(double(frame.title_bottom), bottom + 1 - metrics.height() / 2.0));
    DrawText(painter, left - kTickLength - 2 - metrics.horizontalAdvance(label), row, label);
  }
}

void DrawLegend(QPainter& painter, const Frame& frame) {
  for (std::size_t i = 0; i < frame.legend.size(); ++i) {
    const LegendEntry& entry = frame.legend[i];
    painter.setPen(CurveColour(i));
    double column = entry.at.x();
    if (!frame.single) {
      const double row = entry.at.y() + frame.line_height / 2.0;
      painter.drawLine(QPointF(column, row), QPointF(column + kLegendSample, row));
      column += kLegendSample + 4;
    }
    DrawText(painter, column, entry.at.y(), entry.text);
  }
}

}  // namespace

QColor CurveColour(std::size_t i) {
  static const QColor kCycle[] = {kCurveColour,         QColor(0, 200, 255), QColor(255, 220, 0),
                                  QColor(0, 220, 0),    QColor(255, 0, 255), QColor(255, 150, 0),
                                  QColor(160, 160, 255)};
  return kCycle[i % std::size(kCycle)];
}

QFont PlotFont() {
  QFont font(QStringLiteral("Verdana"));
  font.setPixelSize(11);
  return font;
}

PlotScale LayOutPlot(const std::vector<Plot>& curves, const PlotScale& view, QSize size) {
  return LayOut(curves, view, size).scale;
}

void PaintPlot(QPainter& painter, const std::vector<Plot>& curves, const PlotScale& view,
               QSize size) {
  painter.setFont(PlotFont());
  painter.fillRect(QRect(QPoint(0, 0), size), kPlotBackground);
  const Frame frame = LayOut(curves, view, size);
  DrawGridAndLabels(painter, frame, size);
  const PlotScale& s = frame.scale;
  // One pixel more than the area on each side: a curve along the frame
  // stays visible.
  const QRectF area(s.left, s.top, s.width, s.height);
  painter.save();
  painter.setClipRect(area.adjusted(-1, -1, 1, 1));
  std::vector<QPointF> buffer;
  buffer.reserve(4096);
  for (std::size_t i = 0; i < curves.size(); ++i) {
    painter.setPen(QPen(CurveColour(i), 1));
    DrawCurve(painter, curves[i], s, area.adjusted(-0.5, -0.5, 0.5, 0.5), buffer);
  }
  painter.restore();
  DrawLegend(painter, frame);
}

QImage DrawPlot(const std::vector<Plot>& curves, const PlotScale& view, QSize size) {
  QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  QPainter painter(&image);
  PaintPlot(painter, curves, view, image.size());
  return image;
}

QImage DrawPlot(const Plot& plot, int width, int height) {
  const std::vector<Plot> curves{plot};
  return DrawPlot(curves, FullRange(curves), QSize(width, height));
}

std::string SavePlotImage(const std::vector<Plot>& curves, const PlotScale& view, QSize size,
                          const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QStringLiteral("png")) {
    QImageWriter writer(path, "png");
    if (writer.write(DrawPlot(curves, view, size))) return {};
    return "Can't write the picture " + path.toStdString() + ": " +
           writer.errorString().toStdString();
  }
  if (suffix == QStringLiteral("svg")) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
      return "Can't write the picture " + path.toStdString() + ": " +
             file.errorString().toStdString();
    }
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(curves.empty() ? QString() : Text("Plot = " + curves.front().expr));
    QPainter painter;
    if (!painter.begin(&svg)) return "Can't draw the picture " + path.toStdString();
    PaintPlot(painter, curves, view, size);
    painter.end();
    file.close();
    if (file.error() != QFileDevice::NoError) {
      return "Can't write the picture " + path.toStdString() + ": " +
             file.errorString().toStdString();
    }
    return {};
  }
  return "Can't save the picture " + path.toStdString() +
         ": the file name must end in .png or .svg";
}

bool PlotPictures::Save(const Plot& plot, const std::string& path) {
  if (!plot.same || path != path_ || curves_.empty() || curves_.front().number != plot.number) {
    curves_.clear();
  }
  curves_.push_back(plot);
  path_ = path;
  return SavePlotImage(curves_, FullRange(curves_), QSize(400, 400 - 35),
                       QString::fromStdString(path))
      .empty();
}

}  // namespace corvane
