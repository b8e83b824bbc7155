// aPlot, the part that needs no window: a Plot line's parameters, the
// samples the server computes for them, and the data file.
#pragma once

#include <string>
#include <vector>

namespace corvane {

struct Plot {
  int number = 0;  // counts the Plot lines of a run from 1
  // The parameters as typed in the Plot line.
  std::string expr;
  std::string var;
  double from = 0;
  double to = 0;
  int steps = 0;
  std::string file;
  // The last computed samples and their range (x min, y min, x max, y max).
  std::vector<double> x;
  std::vector<double> y;
  double x_min = 0, y_min = 0, x_max = 0, y_max = 0;
  int error = -1;  // what e_evals returned for the last samples
};

// The most samples a plot asks for.
inline constexpr int kMaxPlotSteps = 16777215;

// Reads "Plot(from; var; to; steps; [file]) = expression" as plot n; from,
// to and steps as plain numbers (see PlotParameter for their texts).
Plot ParsePlotLine(const std::string& line, int n);
// The i-th parameter (from 1) between the parentheses of a Plot line, trimmed.
std::string PlotParameter(const std::string& line, int i);
// The number of steps a value asks for, rounded; -1 outside 0..kMaxPlotSteps.
int PlotSteps(double value);
// Asks the server for the samples; an empty text or a zero number stands
// for the plot's stored parameter. A sample that did not arrive, or whose
// evaluation failed, is NaN; the range covers the finite samples only.
void ComputeSamples(Plot& plot, const std::string& expr = "", double from = 0,
                    const std::string& var = "", double to = 0, int steps = 0);
// True when at least one sample has a finite abscissa and ordinate.
bool HasFiniteSample(const Plot& plot);
// "Id\tX\tY" and one line per sample whose abscissa and ordinate are
// finite; relative names lie in the program directory. False (after a
// message box) when the file cannot be written.
bool SavePlotData(const Plot& plot, const std::string& file_name);

// The mapping between values and the pixels of a plot image width x height
// pixels large: x from the left edge to the right one, y from the row 20
// pixels above the bottom (a strip kept for the labels) up to the top row.
// A range of zero width counts as one unit wide.
struct PlotScale {
  double x_min = 0, x_max = 1, y_min = 0, y_max = 1;
  int width = 1;
  int height = 1;

  double Column(double x) const;
  double Row(double y) const;
  double XAt(double column) const;  // the exact inverses
  double YAt(double row) const;
  int CurveRows() const { return height > 20 ? height - 20 : 1; }
};
inline constexpr int kLabelStrip = 20;
PlotScale ScaleOf(const Plot& plot, int width, int height);

// The mouse read-out of a pixel: "Coord: x, y", each with 4 decimals up to a
// magnitude of 100 and 0 beyond, tidied; "MousePos: out of window" for a
// negative coordinate.
std::string CoordText(const PlotScale& scale, int column, int row);

}  // namespace corvane
