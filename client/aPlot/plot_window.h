// The plot windows: one per Plot line of a run, placed side by side, each
// with its image, Redraw over another range, the mouse read-out, resize and
// Close. Esc closes only the plot it was pressed in.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <vector>

#include "plot.h"

namespace corvane {

class PlotWindow : public QWidget {
 public:
  // main_window is activated again when the plot closes.
  PlotWindow(Plot plot, QWidget* main_window);

  // Redraw: the range typed in the two fields, 0 meaning the stored value.
  void Redraw();
  const Plot& CurrentPlot() const { return plot_; }
  QLabel* Image() const { return image_; }
  QLineEdit* FromField() const { return from_; }
  QLineEdit* ToField() const { return to_; }
  QPushButton* RedrawButton() const { return redraw_; }
  // The read-out of a click at pos on the image (also its tool-tip).
  QString ReadOut(QPoint pos);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Draw();
  void LayOut();

  Plot plot_;   // the stored parameters and the last samples
  Plot drawn_;  // what the image shows
  QPointer<QWidget> main_window_;
  QLabel* image_;
  QPushButton* redraw_;
  QLabel* from_label_;
  QLineEdit* from_;
  QLabel* to_label_;
  QLineEdit* to_;
  QPushButton* close_;
  QString last_read_out_;
};

// The plot windows of the current run.
class PlotWindows {
 public:
  explicit PlotWindows(QWidget* main_window) : main_window_(main_window) {}
  // Closes every plot window of the last run.
  void CloseAll();
  // Opens the window of a computed plot: the first at (0, 0), each further
  // one 7 pixels right of the previous, or at the left edge 430 pixels
  // lower when it would pass the desktop's right edge.
  PlotWindow* Open(const Plot& plot);
  std::vector<PlotWindow*> Open() const;

 private:
  QWidget* main_window_;
  std::vector<QPointer<PlotWindow>> windows_;
  QRect last_;
};

// Where plot window number n goes, given the previous one's frame.
QPoint NextPlotPosition(bool first, const QRect& previous, int desktop_width);

}  // namespace corvane
