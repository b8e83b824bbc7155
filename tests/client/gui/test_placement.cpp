// Where new windows go: PlaceMainWindow and PlaceWindow, table-driven, on
// screens of several sizes. Pure functions of rectangles: no window opens.
#include <QTest>

#include "placement.h"

Q_DECLARE_METATYPE(std::vector<QRect>)
Q_DECLARE_METATYPE(std::optional<QRect>)

namespace {

// Corvane's windows with frames of 2 pixels a side (as offscreen draws them).
const QSize kMain(809, 687);
const QSize kClientServer(332, 334);
const QSize kPlot(404, 404);
const QRect kMainAt00(QPoint(0, 0), kMain);
// The Input box of a main window at (0, 0): line numbers and box.
const QRect kInput(2, 47, 805, 250);

class PlacementTest : public QObject {
  Q_OBJECT

 private slots:
  void mainWindowGoesTopLeft_data() {
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("full hd") << QRect(0, 0, 1920, 1080) << QRect(QPoint(0, 0), kMain);
    QTest::newRow("a panel on top and left")
        << QRect(64, 28, 1856, 1052) << QRect(QPoint(64, 28), kMain);
    QTest::newRow("screen smaller than the window")
        << QRect(0, 0, 800, 600) << QRect(QPoint(0, 0), kMain);
  }
  void mainWindowGoesTopLeft() {
    QFETCH(QRect, available);
    QFETCH(QRect, expected);
    QCOMPARE(corvane::PlaceMainWindow(available, kMain), expected);
  }

  void windowsGoBesideEachOther_data() {
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<std::vector<QRect>>("shown");
    QTest::addColumn<QRect>("keep_clear");
    QTest::addColumn<std::optional<QRect>>("cascade_from");
    QTest::addColumn<QRect>("expected");
    const QRect hd(0, 0, 1920, 1080);
    const QRect cs_beside(817, 0, 332, 334);  // right of the main window, 8 pixels apart
    QTest::newRow("client/server right of the main window")
        << hd << kClientServer << std::vector<QRect>{kMainAt00} << kInput << std::optional<QRect>()
        << cs_beside;
    QTest::newRow("client/server below when the right has no room")
        << QRect(0, 0, 1000, 1100) << kClientServer << std::vector<QRect>{kMainAt00} << kInput
        << std::optional<QRect>() << QRect(QPoint(0, 695), kClientServer);
    QTest::newRow("first plot right of the client/server window")
        << hd << kPlot << std::vector<QRect>{kMainAt00, cs_beside} << kInput
        << std::optional<QRect>() << QRect(QPoint(1157, 0), kPlot);
    const QRect plot1(QPoint(1157, 0), kPlot);
    QTest::newRow("second plot below the first")
        << hd << kPlot << std::vector<QRect>{kMainAt00, cs_beside, plot1} << kInput
        << std::optional<QRect>(plot1) << QRect(QPoint(1157, 412), kPlot);
    const QRect plot2(QPoint(1157, 412), kPlot);
    QTest::newRow("no free place left: a cascade from the last plot")
        << hd << kPlot << std::vector<QRect>{kMainAt00, cs_beside, plot1, plot2} << kInput
        << std::optional<QRect>(plot2) << QRect(QPoint(1187, 442), kPlot);
    // 1366 x 768 less a panel: the client/server window fits beside, the
    // first plot only against the bottom edge.
    const QRect laptop(0, 0, 1366, 740);
    const QRect low_plot(QPoint(815, 336), kPlot);
    QTest::newRow("laptop: a plot on the bottom edge, covering nothing")
        << laptop << kPlot << std::vector<QRect>{kMainAt00, cs_beside} << kInput
        << std::optional<QRect>() << low_plot;
    QTest::newRow("laptop: a cascade that leaves the screen: the place covering least")
        << laptop << kPlot << std::vector<QRect>{kMainAt00, cs_beside, low_plot} << kInput
        << std::optional<QRect>(low_plot) << QRect(QPoint(962, 0), kPlot);
    // Screens smaller than the main window: nothing fits beside it; the
    // least of the Input box is covered.
    QTest::newRow("800 x 800: client/server at the bottom, off the Input box")
        << QRect(0, 0, 800, 800) << kClientServer << std::vector<QRect>{kMainAt00} << kInput
        << std::optional<QRect>() << QRect(QPoint(0, 466), kClientServer);
    QTest::newRow("800 x 600: as little of the Input box as may be")
        << QRect(0, 0, 800, 600) << kClientServer << std::vector<QRect>{kMainAt00} << kInput
        << std::optional<QRect>() << QRect(QPoint(0, 266), kClientServer);
    QTest::newRow("panels: the available area's origin counts")
        << QRect(64, 28, 1856, 1052) << kClientServer
        << std::vector<QRect>{QRect(QPoint(64, 28), kMain)} << kInput.translated(64, 28)
        << std::optional<QRect>() << QRect(QPoint(881, 28), kClientServer);
  }
  void windowsGoBesideEachOther() {
    QFETCH(QRect, available);
    QFETCH(QSize, frame);
    QFETCH(std::vector<QRect>, shown);
    QFETCH(QRect, keep_clear);
    QFETCH(std::optional<QRect>, cascade_from);
    QFETCH(QRect, expected);
    const QRect place = corvane::PlaceWindow(available, frame, shown, keep_clear, cascade_from);
    QCOMPARE(place, expected);
    QCOMPARE(place.size(), frame);
    if (frame.width() <= available.width() && frame.height() <= available.height()) {
      QVERIFY(available.contains(place));
    }
  }
};

}  // namespace

QTEST_MAIN(PlacementTest)
#include "test_placement.moc"
