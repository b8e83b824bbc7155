// Plot images and plot windows on the offscreen platform: the curve's
// pixels, the mouse read-out, Redraw, Esc, placement, and a run's plots.
#include <QKeyEvent>
#include <QTest>
#include <cmath>
#include <limits>
#include <memory>

#include "aPlot/plot_image_qt.h"
#include "aPlot/plot_window.h"
#include "client.h"
#include "files.h"
#include "server_process.h"

namespace {

using corvane::Plot;

// x^2 over [-2, 2] in 100 steps, as e_evals would return it.
Plot Parabola() {
  Plot plot;
  plot.number = 1;
  plot.expr = "x^2";
  plot.var = "x";
  plot.from = -2;
  plot.to = 2;
  plot.steps = 100;
  for (int i = 0; i <= 100; ++i) {
    const double x = -2 + 4.0 * i / 100;
    plot.x.push_back(x);
    plot.y.push_back(x * x);
  }
  plot.x_min = -2;
  plot.x_max = 2;
  plot.y_min = 0;
  plot.y_max = 4;
  return plot;
}

bool Red(const QImage& image, int column, int row) {
  return image.pixelColor(column, row) == corvane::kCurveColour;
}

class PlotWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void theParabolaIsRedAlongItsCurveOnly() {
    const Plot plot = Parabola();
    const QImage image = corvane::DrawPlot(plot, 400, 365);
    const corvane::PlotScale scale = corvane::ScaleOf(plot, 400, 365);
    // The top rows hold the expression, also in red; the curve lies below.
    const int text_rows = 14;
    int on_curve = 0;
    for (int column = 0; column < 400; ++column) {
      for (int row = text_rows; row < 365; ++row) {
        if (!Red(image, column, row)) continue;
        // Between the rows of the two neighbouring columns' values.
        const double x0 = scale.XAt(column - 1);
        const double x1 = scale.XAt(column + 1);
        const double r0 = scale.Row(x0 * x0);
        const double r1 = scale.Row(x1 * x1);
        QVERIFY2(row >= std::min(r0, r1) - 2 && row <= std::max(r0, r1) + 2,
                 qPrintable(QStringLiteral("stray red pixel at %1,%2").arg(column).arg(row)));
        ++on_curve;
      }
    }
    QVERIFY(on_curve > 400);
    // (1, 1) lies a quarter of the curve area above its bottom, which is
    // the row of 0 above the label strip.
    QCOMPARE(scale.Row(0), 365.0 - corvane::kLabelStrip);
    bool hit = false;
    for (int row = 256; row <= 261; ++row) hit |= Red(image, 300, row);
    QVERIFY(hit);
    // The axes are white.
    QCOMPARE(image.pixelColor(200, 100), corvane::kAxesColour);
  }

  void theScaleAndItsReadOutAreInverses() {
    const Plot plot = Parabola();
    const corvane::PlotScale scale = corvane::ScaleOf(plot, 400, 365);
    QCOMPARE(scale.Row(0), 345.0);
    QCOMPARE(scale.Row(4), 0.0);
    QCOMPARE(scale.Column(-2), 0.0);
    QCOMPARE(scale.Column(2), 400.0);
    QCOMPARE(corvane::CoordText(scale, 200, 345), std::string("Coord: 0, 0"));
    QCOMPARE(corvane::CoordText(scale, 300, 0), std::string("Coord: 1, 4"));
    QCOMPARE(corvane::CoordText(scale, 100, 100), std::string("Coord: -1, 2.8406"));
    QCOMPARE(corvane::CoordText(scale, -1, 3), std::string("MousePos: out of window"));
    Plot wide = plot;
    wide.x_max = 1e6;
    QCOMPARE(corvane::CoordText(corvane::ScaleOf(wide, 400, 365), 400, 345),
             std::string("Coord: 1000000, 0"));
    Plot flat = plot;  // a constant: no division by a zero range
    flat.y_max = flat.y_min = 3;
    QCOMPARE(corvane::ScaleOf(flat, 400, 365).Row(3), 345.0);
  }

  void theLineBreaksWhereASampleIsNoNumber() {
    // A sample that is no finite number is a gap in the curve, whatever it
    // is; a huge finite one is still drawn.
    const struct {
      const char* what;
      double value;
    } gaps[] = {
        {"plus infinity", std::numeric_limits<double>::infinity()},
        {"minus infinity", -std::numeric_limits<double>::infinity()},
        {"NaN", std::numeric_limits<double>::quiet_NaN()},
    };
    for (const auto& gap : gaps) {
      Plot plot = Parabola();
      plot.y[50] = gap.value;
      plot.y[51] = std::numeric_limits<double>::quiet_NaN();
      plot.y[10] = 1e300;
      const QImage image = corvane::DrawPlot(plot, 400, 365);
      const corvane::PlotScale scale = corvane::ScaleOf(plot, 400, 365);
      // Samples 49 and 52 lie at x = -0.04 and 0.08: nothing red between
      // them near the vertex, red on both sides of the gap.
      const auto red_in_column = [&](double x) {
        bool red = false;
        const int column = static_cast<int>(scale.Column(x));
        for (int row = 300; row < 365; ++row) red |= Red(image, column, row);
        return red;
      };
      QVERIFY2(!red_in_column(0.02), gap.what);
      QVERIFY2(red_in_column(-0.1), gap.what);
      QVERIFY2(red_in_column(0.14), gap.what);
    }
  }

  void placementGoesRightThenDown() {
    QCOMPARE(corvane::NextPlotPosition(true, QRect(), 1280), QPoint(0, 0));
    QCOMPARE(corvane::NextPlotPosition(false, QRect(0, 0, 400, 400), 1280), QPoint(407, 0));
    QCOMPARE(corvane::NextPlotPosition(false, QRect(814, 0, 400, 400), 1280), QPoint(0, 430));
    QCOMPARE(corvane::NextPlotPosition(false, QRect(407, 430, 400, 400), 1280), QPoint(814, 430));
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

    QTest::mouseClick(first->Image(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 345));
    QCOMPARE(first->Image()->toolTip(), QStringLiteral("Coord: 0, 0"));

    // Redraw from 0 to 1: the 0 means the stored -2.
    first->FromField()->setText(QStringLiteral("0"));
    first->ToField()->setText(QStringLiteral("1"));
    QTest::mouseClick(first->RedrawButton(), Qt::LeftButton);
    QCOMPARE(first->FromField()->text(), QStringLiteral("-2"));
    QCOMPARE(first->ToField()->text(), QStringLiteral("1"));

    // Resizing returns to the stored range.
    first->resize(500, 450);
    QCOMPARE(first->ToField()->text(), QStringLiteral("2"));
    QCOMPARE(first->Image()->size(), QSize(500, 415));

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
};

}  // namespace

QTEST_MAIN(PlotWindowTest)
#include "test_plot_window.moc"
