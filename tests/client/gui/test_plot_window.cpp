// Plot images and plot windows on the offscreen platform: the curve's
// pixels, values and pixels under zoom and drag, the ticks, the mouse
// read-out, saved pictures, Redraw, Esc, placement, and several curves in
// one window, in the window and in a batch run's pictures.
#include <QApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>

#include "aPlot/plot_image_qt.h"
#include "aPlot/plot_window.h"
#include "client.h"
#include "interpreter.h"
#include "server_process.h"

namespace {

using corvane::Plot;
using corvane::PlotScale;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// f over [from, to] in steps steps, as e_evals would return it.
template <typename F>
Plot Curve(const std::string& expr, double from, double to, int steps, F f) {
  Plot plot;
  plot.number = 1;
  plot.expr = expr;
  plot.var = "x";
  plot.from = from;
  plot.to = to;
  plot.steps = steps;
  for (int i = 0; i <= steps; ++i) {
    plot.x.push_back(from + (to - from) * i / steps);
    plot.y.push_back(f(plot.x.back()));
  }
  plot.x_min = std::min(from, to);
  plot.x_max = std::max(from, to);
  plot.y_min = *std::min_element(plot.y.begin(), plot.y.end());
  plot.y_max = *std::max_element(plot.y.begin(), plot.y.end());
  return plot;
}

Plot Parabola() {
  return Curve("x^2", -2, 2, 100, [](double x) { return x * x; });
}

bool Is(const QImage& image, double column, double row, const QColor& colour) {
  const QPoint p(static_cast<int>(column), static_cast<int>(row));
  return image.valid(p) && image.pixelColor(p) == colour;
}

// Within a pixel (two rows) of column, row.
bool Near(const QImage& image, double column, double row, const QColor& colour) {
  for (int dc = -1; dc <= 1; ++dc) {
    for (int dr = -2; dr <= 2; ++dr) {
      if (Is(image, column + dc, row + dr, colour)) return true;
    }
  }
  return false;
}

bool Near(double a, double b, double tolerance) { return std::fabs(a - b) <= tolerance; }

double Number(std::string_view text) {
  double value = kNaN;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

QString Row(const char* what, double a, double b) {
  return QStringLiteral("%1 [%2, %3]").arg(what).arg(a, 0, 'g', 17).arg(b, 0, 'g', 17);
}

// The scale over [x0, x1] x [y0, y1] in a 400 x 365 picture's layout.
PlotScale Scale(double x0, double x1, double y0, double y1) {
  return {x0, x1, y0, y1, 37, 17, 355, 326};
}

void Send(QWidget* to, QEvent::Type type, QPointF at, Qt::MouseButton button,
          Qt::MouseButtons held) {
  QMouseEvent event(type, at, to->mapToGlobal(at), button, held, Qt::NoModifier);
  QApplication::sendEvent(to, &event);
}

// The user interface of a run that opens real plot windows.
class WindowInterface : public corvane::UserInterface {
 public:
  explicit WindowInterface(QWidget* main_window) : windows(main_window) {}
  void ShowOutput(const std::string& text) override { output = text; }
  void ShowMessages(const std::string&, bool) override {}
  void ClosePlots() override { windows.CloseAll(); }
  void ShowPlot(const Plot& plot) override { windows.Open(plot); }

  corvane::PlotWindows windows;
  std::string output;
};

class PlotWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void aNewPlotShowsAllItsSamplesOverAGrid() {
    const std::vector<Plot> curves{Parabola()};
    const QImage image = corvane::DrawPlot(Parabola(), 400, 365);
    const PlotScale s = corvane::LayOutPlot(curves, corvane::FullRange(curves), image.size());
    // The whole range across, the curve clear of the frame; the y axis
    // white, the grid dark, room for labels left and below.
    QCOMPARE(s.Column(-2), double(s.left));
    QCOMPARE(s.Column(2), double(s.left + s.width));
    QVERIFY(s.Row(4) > s.top && s.Row(0) < s.top + s.height);
    QVERIFY(Near(image, s.Column(1), s.Row(1), corvane::kCurveColour));
    QCOMPARE(image.pixelColor(std::lround(s.Column(0)), s.top + 20), corvane::kAxesColour);
    QCOMPARE(image.pixelColor(std::lround(s.Column(1)), s.top + 5), corvane::kGridColour);
    QVERIFY(s.left > 10 && s.top + s.height < 355);
    // With a tick on the area's top edge its label stays below the (red)
    // title: nothing grey or white up there.
    const QImage edge = corvane::DrawPlot(curves, Scale(-2, 2, 0, 4), image.size());
    const int title_rows = QFontMetrics(corvane::PlotFont()).height() + 1;
    for (int c = 0; c < edge.width(); ++c) {
      for (int r = 0; r < title_rows; ++r) {
        const QColor p = edge.pixelColor(c, r);
        QVERIFY2(p.green() < 40 || p.red() != p.green(),
                 qPrintable(QStringLiteral("%1,%2").arg(c).arg(r)));
      }
    }
  }

  void zoomPanAndReadOutKeepValuesAndPixelsTogether() {
    const struct {
      const char* what;
      double x0, x1, y0, y1;
    } scales[] = {
        {"unit square", 0, 1, 0, 1},
        {"parabola", -2, 2, -0.2, 4.2},
        {"negative", -7.5e3, -2.5e3, -1e-3, -5e-4},
        {"huge", -1e200, 3e200, 1e150, 1e151},
        {"tiny", 1e-12, 3e-12, -4e-200, 4e-200},
        {"narrow far out", 1e6, 1e6 + 1e-3, 42, 42.000001},
    };
    const struct {
      double column, row, factor;
    } zooms[] = {{200, 150, 0.8}, {37, 17, 0.5}, {392, 343, 0.1}, {50.5, 300.25, 1.25}};
    for (const auto& c : scales) {
      const PlotScale start = Scale(c.x0, c.x1, c.y0, c.y1);
      // A millionth of a pixel, or a few units in the last place of bounds
      // far from 0.
      const double tx = (c.x1 - c.x0) * 1e-9 + std::max(std::fabs(c.x0), std::fabs(c.x1)) * 1e-15;
      const double ty = (c.y1 - c.y0) * 1e-9 + std::max(std::fabs(c.y0), std::fabs(c.y1)) * 1e-15;
      for (const auto& z : zooms) {
        const QString row = Row(c.what, z.column, z.factor);
        const PlotScale in = start.Zoomed(z.column, z.row, z.factor, z.factor);
        QVERIFY2(Near(in.XAt(z.column), start.XAt(z.column), tx), qPrintable(row));
        QVERIFY2(Near(in.YAt(z.row), start.YAt(z.row), ty), qPrintable(row));
        QVERIFY2(Near(in.x_max - in.x_min, (c.x1 - c.x0) * z.factor, tx), qPrintable(row));
        const PlotScale out = in.Zoomed(z.column, z.row, 1 / z.factor, 1 / z.factor);
        QVERIFY2(Near(out.x_min, c.x0, tx) && Near(out.x_max, c.x1, tx), qPrintable(row));
        QVERIFY2(Near(out.y_min, c.y0, ty) && Near(out.y_max, c.y1, ty), qPrintable(row));
      }
      // The read-out of the pixel where a value is drawn gives it back to
      // within that pixel, at any zoom.
      for (const PlotScale& s : {start, start.Zoomed(120, 80, 0.01, 0.3)}) {
        for (const double f : {0.0, 0.13, 0.5, 1.0}) {
          const double x = s.x_min + f * (s.x_max - s.x_min);
          const double y = s.y_max - f * (s.y_max - s.y_min);
          const std::string text =
              corvane::CoordText(s, std::lround(s.Column(x)), std::lround(s.Row(y)));
          const std::size_t comma = text.find(", ");
          const QString row = Row(c.what, x, y) + QStringLiteral(" read ") + text.c_str();
          QVERIFY2(Near(Number(text.substr(7, comma - 7)), x, s.XPerColumn()), qPrintable(row));
          QVERIFY2(Near(Number(text.substr(comma + 2)), y, s.YPerRow()), qPrintable(row));
        }
      }
    }
    // Zooming stops before pixels read alike or a range overflows.
    PlotScale deep = Scale(1, 2, 1, 2);
    PlotScale wide = deep;
    for (int i = 0; i < 2000; ++i) {
      deep = deep.Zoomed(200, 100, 0.5, 0.5);
      wide = wide.Zoomed(200, 100, 2, 2);
    }
    QVERIFY(deep.XAt(201) > deep.XAt(200) && deep.YAt(100) > deep.YAt(101));
    QVERIFY(std::isfinite(wide.XAt(-1000)) && std::isfinite(wide.YAt(-1000)));
    QCOMPARE(corvane::CoordText(deep, -1, 3), std::string("MousePos: out of window"));
    // As it always read where four decimals tell the pixels apart.
    QCOMPARE(corvane::CoordText(Scale(-2, 2, 0, 4), 37, 343), std::string("Coord: -2, 0"));
    QCOMPARE(corvane::CoordText(Scale(0, 1e6, 0, 4), 392, 17), std::string("Coord: 1000000, 4"));
  }

  void ticksAreRoundFewAndReadable() {
    const struct {
      double low, high;
      int max_count;
      double step;  // 0: any round step
      const char *first, *last;
    } cases[] = {
        {0, 1, 10, 0.2, "0.0", "1.0"},
        {-2, 2, 10, 0.5, "-2.0", "2.0"},
        {0, 6.283, 10, 1, "0", "6"},
        {0.1, 0.7, 10, 0.1, "0.1", "0.7"},
        {-0.0003, 0.0007, 10, 2e-4, "-2e-4", "6e-4"},
        {0, 1e-9, 10, 2e-10, "0", "1e-9"},
        {1e6, 1e6 + 1e-3, 10, 0, nullptr, nullptr},
        {-5e12, -3e12, 10, 5e11, "-5e12", "-3e12"},
        {1e-300, 3e-300, 10, 5e-301, "1e-300", "3e-300"},
        {-1e308, 1e308, 10, 5e307, "-1e308", "1e308"},
        {3, 3, 10, 0.1, "2.7", "3.3"},  // zero width: around the value
        {0, 0, 10, 0.5, "-1.0", "1.0"},
        {-7, -7, 10, 0.2, "-7.6", "-6.4"},
        {5, -5, 10, 2, "-4", "4"},
        {0, 100, 3, 50, "0", "100"},
    };
    for (const auto& c : cases) {
      const corvane::PlotTicks t = corvane::TicksFor(c.low, c.high, c.max_count);
      const QString row = Row("ticks", c.low, c.high) + QStringLiteral(" step %1").arg(t.step);
      const int n = static_cast<int>(t.values.size());
      QVERIFY2(t.mantissa == 1 || t.mantissa == 2 || t.mantissa == 5, qPrintable(row));
      QVERIFY2(Near(t.step, t.mantissa * std::pow(10.0, t.exponent), t.step * 1e-12),
               qPrintable(row));
      QVERIFY2(c.step == 0 || Near(t.step, c.step, c.step * 1e-9), qPrintable(row));
      QVERIFY2(n <= c.max_count && n >= (c.max_count == 10 ? 4 : 2), qPrintable(row));
      for (int i = 0; i < n; ++i) {
        const double v = t.values[i];
        const std::string label = corvane::TickLabel(v, t);
        const QString at = row + QStringLiteral(" at ") + label.c_str();
        QVERIFY2(Near(v / t.step, std::round(v / t.step), 1e-6), qPrintable(at));
        QVERIFY2(i == 0 || Near(v - t.values[i - 1], t.step, t.step * 1e-6), qPrintable(at));
        QVERIFY2(c.low == c.high || (v >= std::min(c.low, c.high) - t.step * 1e-6 &&
                                     v <= std::max(c.low, c.high) + t.step * 1e-6),
                 qPrintable(at));
        // Read back without a locale's comma, unlike its neighbour's.
        QVERIFY2(Near(Number(label), v, t.step * 1e-6), qPrintable(at));
        QVERIFY2(i == 0 || label != corvane::TickLabel(t.values[i - 1], t), qPrintable(at));
      }
      if (c.first == nullptr) continue;
      QCOMPARE(QString::fromStdString(corvane::TickLabel(t.values.front(), t)),
               QString::fromLatin1(c.first));
      QCOMPARE(QString::fromStdString(corvane::TickLabel(t.values.back(), t)),
               QString::fromLatin1(c.last));
    }
    QVERIFY(corvane::TicksFor(0, std::numeric_limits<double>::infinity()).values.empty());
    QVERIFY(corvane::TicksFor(kNaN, 1).values.empty());
  }

  void theLineBreaksWhereASampleIsNoNumber() {
    // A sample that is no finite number is a gap in the curve, whatever it
    // is; a huge finite one sends the lines from its neighbours straight
    // up out of the picture.
    for (const double gap : {std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(), kNaN}) {
      Plot plot = Parabola();
      plot.y[50] = gap;
      plot.y[51] = kNaN;
      plot.y[10] = 1e300;
      const std::vector<Plot> curves{plot};
      const PlotScale view = corvane::FullRange({Parabola()});
      const QImage image = corvane::DrawPlot(curves, view, QSize(400, 365));
      const PlotScale s = corvane::LayOutPlot(curves, view, image.size());
      const auto red_in_column = [&](double x, double from_y, double to_y) {
        bool red = false;
        for (double row = s.Row(to_y); row <= s.Row(from_y); ++row) {
          red |= Is(image, std::floor(s.Column(x)), row, corvane::kCurveColour);
        }
        return red;
      };
      // Samples 49 and 52 lie at x = -0.04 and 0.08.
      const QString row = QString::number(gap);
      QVERIFY2(!red_in_column(0.02, 0, 0.2), qPrintable(row));
      QVERIFY2(red_in_column(-0.1, 0, 0.2) && red_in_column(0.14, 0, 0.2), qPrintable(row));
      for (double y = 2.8; y < 4.2; y += 0.05) {
        QVERIFY2(Near(image, s.Column(-1.64), s.Row(y), corvane::kCurveColour), qPrintable(row));
      }
    }
  }

  void manySamplesShowTheirExtremesAndFarSegmentsStayStraight() {
    // Dozens of samples to a pixel column, narrow spikes among them: the
    // picture has the pixels of every segment drawn, within one pixel.
    const Plot plot = Curve("noise", 0, 10, 40000, [](double x) {
      return std::sin(3 * x) + 0.4 * std::sin(997 * x) + (std::fmod(x, 1.3) < 0.001 ? 2 : 0);
    });
    const std::vector<Plot> curves{plot};
    const QSize size(400, 365);
    const PlotScale full = corvane::LayOutPlot(curves, corvane::FullRange(curves), size);
    for (const PlotScale& view : {full, full.Zoomed(200, 150, 0.05, 0.5)}) {
      const PlotScale s = corvane::LayOutPlot(curves, view, size);
      const QRect area(s.left, s.top, s.width, s.height);
      const QImage image = corvane::DrawPlot(curves, view, size).copy(area);
      QImage reference(area.size(), QImage::Format_RGB32);
      reference.fill(Qt::black);
      QPainter painter(&reference);
      painter.setPen(QPen(corvane::kCurveColour, 1));
      painter.translate(-s.left, -s.top);
      for (std::size_t i = 1; i < plot.x.size(); ++i) {
        painter.drawLine(QPointF(s.Column(plot.x[i - 1]), s.Row(plot.y[i - 1])),
                         QPointF(s.Column(plot.x[i]), s.Row(plot.y[i])));
      }
      painter.end();
      for (int c = 0; c < area.width(); ++c) {
        for (int r = 0; r < area.height(); ++r) {
          const bool mine = Is(image, c, r, corvane::kCurveColour);
          QVERIFY2(!mine || Near(reference, c, r, corvane::kCurveColour),
                   qPrintable(QStringLiteral("stray pixel %1,%2").arg(c).arg(r)));
          QVERIFY2(!Is(reference, c, r, corvane::kCurveColour) ||
                       Near(image, c, r, corvane::kCurveColour),
                   qPrintable(QStringLiteral("missing pixel %1,%2").arg(c).arg(r)));
        }
      }
    }
    // A view a few billionths wide on the middle of a segment whose ends
    // lie billions of pixels away: the line still runs where it should.
    const Plot tent = Curve("tent", 0, 2, 2, [](double x) { return 1 - std::fabs(x - 1); });
    const PlotScale view = Scale(0.5 - 2e-9, 0.5 + 2e-9, 0.5 - 2e-9, 0.5 + 2e-9);
    const QImage image = corvane::DrawPlot({tent}, view, size);
    const PlotScale s = corvane::LayOutPlot({tent}, view, size);
    for (int column = s.left + 2; column < s.left + s.width - 2; column += 7) {
      QVERIFY2(Near(image, column, s.Row(s.XAt(column)), corvane::kCurveColour),
               qPrintable(QStringLiteral("column %1").arg(column)));
    }
  }

  void placementGoesRightThenDown() {
    QCOMPARE(corvane::NextPlotPosition(true, QRect(), 1280), QPoint(0, 0));
    QCOMPARE(corvane::NextPlotPosition(false, QRect(0, 0, 400, 400), 1280), QPoint(407, 0));
    QCOMPARE(corvane::NextPlotPosition(false, QRect(814, 0, 400, 400), 1280), QPoint(0, 430));
    QCOMPARE(corvane::NextPlotPosition(false, QRect(407, 430, 400, 400), 1280), QPoint(814, 430));
  }

  void sameIsReadAfterTheFileField() {
    const std::string extra =
        "too many fields: Plot(from; variable; to; steps; [file]; same) = expression";
    const struct {
      const char* line;
      bool same;
      std::string error;
    } cases[] = {
        {"Plot(0; x; 1; 10) = x", false, ""},
        {"Plot(0; x; 1; 10; [f.txt]; ) = x", false, ""},
        {"Plot(0; x; 1; 10; [f.txt]; same) = x", true, ""},
        {"Plot(0; x; 1; 10;;  SAME ) = x", true, ""},
        {"Plot(0; x; 1; 10; same) = x", false, ""},  // the file field, as it always was
        {"Plot(0; x; 1; 10; [f.txt]; sam) = x", false,
         "Plot option = sam: the only option after the file is same"},
        {"Plot(0; x; 1; 10; [f.txt]; same same) = x", false,
         "Plot option = same same: the only option after the file is same"},
        {"Plot(0; x; 1; 10; [f.txt]; same; 2) = x", true, extra},
        {"Plot(0; x; 1; 10; [f.txt]; ; same) = x", false, extra},
    };
    for (const auto& c : cases) {
      QVERIFY2(corvane::ParsePlotLine(c.line, 1).same == c.same, c.line);
      QCOMPARE(QString::fromStdString(corvane::PlotOptionError(c.line)),
               QString::fromStdString(c.error));
    }
    QCOMPARE(corvane::ParsePlotLine("Plot(0; x; 1; 10; same) = x", 1).file, std::string("same"));
  }

  void wheelAndDragMoveTheViewUnderThePointer() {
    QWidget main_window;
    corvane::PlotWindows windows(&main_window);
    corvane::PlotWindow* window = windows.Open(Parabola());
    QLabel* image = window->Image();
    const QPointF at(250.0, 120.0);
    const PlotScale start = window->Scale();

    // Two notches in, then one with Ctrl (the x axis only): the values
    // under the pointer stay there; the fields follow the view.
    for (const auto keys : {Qt::NoModifier, Qt::ControlModifier}) {
      QWheelEvent wheel(at, image->mapToGlobal(at), QPoint(), QPoint(0, keys ? 120 : 240),
                        Qt::NoButton, keys, Qt::NoScrollPhase, false);
      QApplication::sendEvent(image, &wheel);
    }
    PlotScale s = window->Scale();
    QVERIFY(Near(s.x_max - s.x_min, (start.x_max - start.x_min) * 0.64 * 0.8, 1e-9));
    QVERIFY(Near(s.y_max - s.y_min, (start.y_max - start.y_min) * 0.64, 1e-9));
    QVERIFY(Near(s.XAt(at.x()), start.XAt(at.x()), 1e-9));
    QVERIFY(Near(s.YAt(at.y()), start.YAt(at.y()), 1e-9));
    QCOMPARE(window->FromField()->text().toStdString(),
             corvane::ValueText(s.x_min, s.XPerColumn()));
    QCOMPARE(window->ToField()->text().toStdString(), corvane::ValueText(s.x_max, s.XPerColumn()));

    // Dragged with the left button, the value grabbed stays under the
    // pointer and the read-out follows it; with the right button only the
    // read-out moves.
    const QPointF from(200, 200);
    const double gx = s.XAt(from.x());
    const double gy = s.YAt(from.y());
    Send(image, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    for (QPointF pos = from - QPointF(13, -9); pos.x() > 130; pos -= QPointF(13, -9)) {
      Send(image, QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton);
      s = window->Scale();
      QVERIFY(Near(s.XAt(pos.x()), gx, s.XPerColumn() * 1e-6));
      QVERIFY(Near(s.YAt(pos.y()), gy, s.YPerRow() * 1e-6));
      QCOMPARE(image->toolTip().toStdString(), corvane::CoordText(s, pos.x(), pos.y()));
    }
    Send(image, QEvent::MouseButtonRelease, from, Qt::LeftButton, Qt::NoButton);
    Send(image, QEvent::MouseButtonPress, from, Qt::RightButton, Qt::RightButton);
    Send(image, QEvent::MouseMove, QPointF(120, 60), Qt::NoButton, Qt::RightButton);
    QCOMPARE(window->Scale().x_min, s.x_min);
    QCOMPARE(image->toolTip().toStdString(), corvane::CoordText(s, 120, 60));

    // A resize keeps the values shown; Home shows everything again.
    window->resize(520, 450);
    QCOMPARE(window->Image()->size(), QSize(520, 415));
    QVERIFY(Near(window->Scale().x_min, s.x_min, 1e-12));
    QVERIFY(Near(window->Scale().y_max, s.y_max, 1e-12));
    QTest::keyClick(window, Qt::Key_Home);
    QCOMPARE(window->FromField()->text(), QStringLiteral("-2"));
    QCOMPARE(window->ToField()->text(), QStringLiteral("2"));
    windows.CloseAll();
  }

  void savedPicturesAreValidFiles() {
    QWidget main_window;
    corvane::PlotWindows windows(&main_window);
    corvane::PlotWindow* window = windows.Open(Parabola());
    window->resize(450, 420);
    QTemporaryDir dir;
    const struct {
      const char* name;
      const char* error;  // part of it; "" for none
    } cases[] = {
        {"plot.png", ""},
        {"Plot.PNG", ""},
        {"plot.svg", ""},
        {"plot.bmp", "must end in .png or .svg"},
        {"plot", "must end in .png or .svg"},
        {"missing/plot.png", "missing/plot.png"},
        {"missing/plot.svg", "missing/plot.svg"},
    };
    for (const auto& c : cases) {
      const QString path = dir.filePath(QString::fromLatin1(c.name));
      const std::string error = window->SaveImage(path);
      QVERIFY2(error.empty() == (*c.error == 0) && error.find(c.error) != std::string::npos,
               qPrintable(QStringLiteral("%1: %2").arg(c.name, error.c_str())));
      if (!error.empty()) continue;
      if (path.endsWith(QStringLiteral("svg"))) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray svg = file.readAll();
        QVERIFY2(svg.startsWith("<?xml") || svg.contains("<svg"), c.name);
        QCOMPARE(QSvgRenderer(svg).viewBox(), QRect(QPoint(0, 0), window->Image()->size()));
      } else {
        const QImage image(path);
        QCOMPARE(image.size(), window->Image()->size());
      }
    }
    windows.CloseAll();
  }

  void windowsReadOutRedrawAndClose() {
    server_test::ServerProcess server;
    QVERIFY(trx::InitClient("127.0.0.1", server.Port()) != 0);
    QWidget main_window;
    main_window.show();
    corvane::PlotWindows windows(&main_window);
    Plot plot = Parabola();
    plot.steps = 64;                // steps of 1/16 add up to 2 exactly
    corvane::ComputeSamples(plot);  // from the server this time
    corvane::PlotWindow* first = windows.Open(plot);
    corvane::PlotWindow* second = windows.Open(plot);
    QVERIFY(QTest::qWaitForWindowExposed(second));
    QCOMPARE(first->windowTitle(), QStringLiteral("aPlot #1"));
    QCOMPARE(first->pos(), QPoint(0, 0));
    QVERIFY(second->pos().x() >= 407 || second->pos() == QPoint(0, 430));
    QCOMPARE(first->FromField()->text(), QStringLiteral("-2"));
    QCOMPARE(first->ToField()->text(), QStringLiteral("2"));

    const QPoint one(std::lround(first->Scale().Column(1)), std::lround(first->Scale().Row(1)));
    QTest::mouseClick(first->Image(), Qt::LeftButton, Qt::NoModifier, one);
    QCOMPARE(first->Image()->toolTip().toStdString(),
             corvane::CoordText(first->Scale(), one.x(), one.y()));

    // Redraw from 0 to 1: the 0 means the stored -2.
    first->FromField()->setText(QStringLiteral("0"));
    first->ToField()->setText(QStringLiteral("1"));
    QTest::mouseClick(first->RedrawButton(), Qt::LeftButton);
    QCOMPARE(first->FromField()->text(), QStringLiteral("-2"));
    QCOMPARE(first->ToField()->text(), QStringLiteral("1"));

    // Esc closes only that plot.
    QPointer<corvane::PlotWindow> watched = first;
    QTest::keyClick(first, Qt::Key_Escape);
    QTRY_VERIFY(watched.isNull());
    QVERIFY(main_window.isVisible());
    QCOMPARE(windows.Open().size(), 1u);
    windows.CloseAll();
    QTRY_COMPARE(windows.Open().size(), 0u);
    trx::Disconnect();
  }

  void samePlotsShareAWindowInARunAndInItsPictures() {
    server_test::ServerProcess server;
    QVERIFY(trx::InitClient("127.0.0.1", server.Port()) != 0);
    QWidget main_window;
    WindowInterface ui(&main_window);
    corvane::Interpreter interpreter(ui);
    // The first same has nothing to join; the fourth line's error opens
    // nothing, so the fifth joins the second window too.
    const std::string script =
        "Plot(0; x; 2; 20; ; same) = x\n"
        "Plot(0; x; 2; 20) = x^2\n"
        "Plot(-3; x; 1; 40; ; same) = 3-x\n"
        "Plot(0; x; 2; 20; ; sane) = 1\n"
        "Plot(-1; t; 1; 10; ; Same) = t^3\n";
    QCOMPARE(interpreter.Run(script, "4"), 1);
    QVERIFY2(ui.output.find("Ln 4: Plot = 1:") != std::string::npos, ui.output.c_str());
    const std::vector<corvane::PlotWindow*> open = ui.windows.Open();
    QCOMPARE(open.size(), 2u);
    QCOMPARE(open[0]->Curves().size(), 1u);
    corvane::PlotWindow* shared = open[1];
    QCOMPARE(shared->Curves().size(), 3u);
    QCOMPARE(shared->windowTitle(), QStringLiteral("aPlot #2"));
    QCOMPARE(shared->FromField()->text(), QStringLiteral("-3"));
    // Each curve in its colour where it runs, and in the legend on top.
    const QImage image = shared->Image()->pixmap().toImage();
    const PlotScale s = shared->Scale();
    QVERIFY(Near(image, s.Column(1.5), s.Row(2.25), corvane::CurveColour(0)));
    QVERIFY(Near(image, s.Column(-2.5), s.Row(5.5), corvane::CurveColour(1)));
    QVERIFY(Near(image, s.Column(-0.5), s.Row(-0.125), corvane::CurveColour(2)));
    for (std::size_t i = 0; i < 3; ++i) {
      bool legend = false;
      for (int c = 0; c < image.width(); ++c) {
        for (int r = 0; r < s.top; ++r) legend |= Is(image, c, r, corvane::CurveColour(i));
      }
      QVERIFY2(legend, qPrintable(QStringLiteral("curve %1").arg(i)));
    }
    // Redraw computes every curve again, each in its own variable.
    shared->FromField()->setText(QStringLiteral("0.5"));
    shared->ToField()->setText(QStringLiteral("1"));
    shared->Redraw();
    for (const Plot& curve : shared->Curves()) QCOMPARE(curve.x.front(), 0.5);
    QCOMPARE(shared->Curves()[2].y.back(), 1.0);
    ui.windows.CloseAll();
    trx::Disconnect();

    // The batch run draws a shared window's curves into one picture.
    QTemporaryDir dir;
    std::ofstream(dir.filePath(QStringLiteral("s.txt")).toStdString()) << script;
    QProcess corvane;
    corvane.setWorkingDirectory(dir.path());
    corvane.start(QStringLiteral(CORVANE_FILE),
                  {QStringLiteral("--run"), QStringLiteral("s.txt"), QStringLiteral("--port"),
                   QString::number(server.Port()), QStringLiteral("--plot-png"), dir.path()});
    QVERIFY(corvane.waitForFinished(60000));
    QCOMPARE(corvane.exitCode(), 1);  // the one error
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("aPlot_3.png"))));
    for (const int n : {1, 2}) {
      const QImage picture(dir.filePath(QStringLiteral("aPlot_%1.png").arg(n)));
      bool second_colour = false;
      for (int c = 0; c < picture.width(); ++c) {
        for (int r = 0; r < picture.height(); ++r) {
          second_colour |= picture.pixelColor(c, r) == corvane::CurveColour(1);
        }
      }
      QVERIFY2(!picture.isNull() && second_colour == (n == 2), qPrintable(QString::number(n)));
    }
  }
};

}  // namespace

QTEST_MAIN(PlotWindowTest)
#include "test_plot_window.moc"
