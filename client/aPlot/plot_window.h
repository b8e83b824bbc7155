// The plot windows: one per Plot line of a run (a line with "same" adds its
// curve to the window before it), placed side by side. Each shows its
// curves over a grid of round values; the mouse wheel zooms around the
// pointer, dragging moves the picture, and the coordinates under the
// pointer show while a button is held. Redraw computes the curves again
// over the range in the two fields, which follow what the window shows;
// "Save image..." writes the picture as PNG or SVG. Esc closes only the
// plot it was pressed in.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "plot.h"

namespace corvane {

class PlotWindow : public QWidget {
 public:
  // main_window is activated again when the plot closes.
  PlotWindow(Plot plot, QWidget* main_window);

  // A curve of a Plot line with "same": drawn in the next colour, with the
  // view widened to every curve.
  void AddCurve(Plot plot);
  // Redraw: every curve computed again over the range typed in the two
  // fields, 0 meaning the curve's own value; the view then shows it all.
  void Redraw();
  // Back to every sample of every curve.
  void ShowAll();
  // The wheel's work: zoomed by factor (below 1 in) around pos on the
  // image, each axis as the flags say.
  void ZoomAt(QPointF pos, double factor, bool x_axis = true, bool y_axis = true);
  // A drag's work: the values under from moved to the pixel to.
  void Drag(QPointF from, QPointF to);
  // Writes the picture as the image shows it; "" or what went wrong.
  std::string SaveImage(const QString& path) const;

  int Number() const { return curves_.front().number; }
  const std::vector<Plot>& Curves() const { return curves_; }
  // The mapping between values and the pixels of the image shown.
  const PlotScale& Scale() const { return scale_; }
  QLabel* Image() const { return image_; }
  QLineEdit* FromField() const { return from_; }
  QLineEdit* ToField() const { return to_; }
  QPushButton* RedrawButton() const { return redraw_; }
  // The read-out of the pixel pos on the image (also its tool-tip).
  QString ReadOut(QPoint pos);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Shows view; with an anchor, the value anchor_x stays in the column
  // anchor_column even when the y labels need another margin.
  void Show(const PlotScale& view, const double* anchor_x = nullptr, double anchor_column = 0);
  void Draw();
  void LayOut();
  void AskAndSave();
  bool OnMouse(QEvent* event);

  std::vector<Plot> curves_;  // the stored parameters and the last samples
  PlotScale scale_;           // what the image shows, laid out for its size
  QPointer<QWidget> main_window_;
  QLabel* image_ = nullptr;
  QPushButton* redraw_ = nullptr;
  QLabel* from_label_ = nullptr;
  QLineEdit* from_ = nullptr;
  QLabel* to_label_ = nullptr;
  QLineEdit* to_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* close_ = nullptr;
  QString last_read_out_;
  QPointF drag_from_;
  bool dragging_ = false;
};

// The plot windows of the current run.
class PlotWindows {
 public:
  explicit PlotWindows(QWidget* main_window) : main_window_(main_window) {}
  // Closes every plot window of the last run.
  void CloseAll();
  // Opens the window of a computed plot: the first at (0, 0), each further
  // one 7 pixels right of the previous, or at the left edge 430 pixels
  // lower when it would pass the desktop's right edge. A plot with "same"
  // goes into the last window instead, if that one is still open and has
  // its number. place, when given, puts a new window where it belongs
  // before it shows (the previous plot window, or nullptr, beside it), so
  // that it never appears in one place and jumps to another.
  using Placement = std::function<void(PlotWindow* window, PlotWindow* previous)>;
  PlotWindow* Open(const Plot& plot, const Placement& place = {});
  std::vector<PlotWindow*> Open() const;

 private:
  QWidget* main_window_;
  std::vector<QPointer<PlotWindow>> windows_;
  QRect last_;
};

// Where plot window number n goes, given the previous one's frame.
QPoint NextPlotPosition(bool first, const QRect& previous, int desktop_width);

}  // namespace corvane
