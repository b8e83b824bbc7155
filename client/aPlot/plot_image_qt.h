// Drawing a plot into an image with QPainter: the red curve, the white axes
// and their labels, the expression. The plot window shows the image;
// Corvane --run --plot-png writes it to a file.
#pragma once

#include <QImage>
#include <string>

#include "plot.h"

namespace corvane {

inline const QColor kCurveColour(255, 0, 0);
inline const QColor kAxesColour(255, 255, 255);
inline const QColor kPlotBackground(0, 0, 0);

// The image of plot over width x height pixels (the window's inner width
// and its height less the 35-pixel button row).
QImage DrawPlot(const Plot& plot, int width, int height);

// The plot drawn as in a 400 x 400 window, written as a PNG file.
bool SavePlotPng(const Plot& plot, const std::string& path);

}  // namespace corvane
