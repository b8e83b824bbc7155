// Drawing plots with QPainter: the curves, each in its colour, over a grid
// of round values with their labels, the expression (or a legend of all
// the curves' expressions) on top. The plot window shows the picture;
// "Save image..." and Corvane --run --plot-png write it to a file.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QSize>
#include <QString>
#include <string>
#include <vector>

#include "plot.h"

namespace corvane {

inline const QColor kCurveColour(255, 0, 0);
inline const QColor kAxesColour(255, 255, 255);
inline const QColor kPlotBackground(0, 0, 0);
inline const QColor kGridColour(58, 58, 58);
inline const QColor kFrameColour(128, 128, 128);

// The colour of the i-th curve of a picture (from 0): the first is
// kCurveColour, the others follow a fixed cycle that reads well on black.
QColor CurveColour(std::size_t i);

// The font of every text of a picture, sized in pixels so that a PNG and
// an SVG come out alike.
QFont PlotFont();

// Where the curves go in a picture of size pixels that shows the values of
// view (its x_min..y_max; its pixel fields are ignored): below the title,
// right of the y labels, above the x labels.
PlotScale LayOutPlot(const std::vector<Plot>& curves, const PlotScale& view, QSize size);

// The picture, laid out by LayOutPlot, painted on any device of that size.
void PaintPlot(QPainter& painter, const std::vector<Plot>& curves, const PlotScale& view,
               QSize size);
QImage DrawPlot(const std::vector<Plot>& curves, const PlotScale& view, QSize size);
// One plot over all its samples, as a new window shows it.
QImage DrawPlot(const Plot& plot, int width, int height);

// Writes the picture as PNG or SVG, as the file name's extension says (in
// any case). Returns "" or what went wrong.
std::string SavePlotImage(const std::vector<Plot>& curves, const PlotScale& view, QSize size,
                          const QString& path);

// The pictures of a batch run (--plot-png): each plot drawn as in a new
// 400 x 400 window and written as a PNG file. The run hands its plots over
// one at a time, so the curves of the picture being drawn are kept: a plot
// with "same" is drawn with the curves before it that went to the same file.
class PlotPictures {
 public:
  bool Save(const Plot& plot, const std::string& path);

 private:
  std::vector<Plot> curves_;
  std::string path_;
};

}  // namespace corvane
