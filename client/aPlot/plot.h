// aPlot, the part that needs no window: a Plot line's parameters, the
// samples the server computes for them, the data file, the mapping between
// values and pixels, the axis ticks and the mouse read-out.
#pragma once

#include <string>
#include <vector>

namespace corvane {

struct Plot {
  int number = 0;  // counts the plot windows of a run from 1
  // The parameters as typed in the Plot line.
  std::string expr;
  std::string var;
  double from = 0;
  double to = 0;
  int steps = 0;
  std::string file;
  // "same" after the file field: the curve goes into the window of the plot
  // before it, whose number it then carries.
  bool same = false;
  // The last computed samples and their range (x min, y min, x max, y max).
  std::vector<double> x;
  std::vector<double> y;
  double x_min = 0, y_min = 0, x_max = 0, y_max = 0;
  int error = -1;  // what e_evals returned for the last samples
};

// The most samples a plot asks for.
inline constexpr int kMaxPlotSteps = 16777215;

// Reads "Plot(from; var; to; steps; [file]; same) = expression" as plot n;
// from, to and steps as plain numbers (see PlotParameter for their texts).
Plot ParsePlotLine(const std::string& line, int n);
// The i-th parameter (from 1) between the parentheses of a Plot line, trimmed.
std::string PlotParameter(const std::string& line, int i);
// What is wrong with the fields after the file field: "" when there are
// none, or only an empty one or "same" (in any case).
std::string PlotOptionError(const std::string& line);
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

// The mapping between values and the pixels of an image: the values
// x_min..x_max run over the columns left..left + width, y_min..y_max over
// the rows top + height (bottom) up to top. A range of zero width, or one
// too wide for a double, counts as one unit wide.
struct PlotScale {
  double x_min = 0, x_max = 1, y_min = 0, y_max = 1;
  int left = 0, top = 0, width = 1, height = 1;

  double Column(double x) const;
  double Row(double y) const;
  double XAt(double column) const;  // the inverses
  double YAt(double row) const;
  // The values one pixel covers.
  double XPerColumn() const;
  double YPerRow() const;
  // Zoomed by a factor (below 1 in, above 1 out) on each axis around the
  // pixel (column, row), whose values stay where they are. An axis that
  // would become too narrow for a double to resolve, or too wide to be
  // finite, is left as it is.
  PlotScale Zoomed(double column, double row, double x_factor, double y_factor) const;
  // Moved with the mouse: the values under one pixel come to lie columns
  // to the right and rows lower.
  PlotScale Panned(double columns, double rows) const;
};

// The values the curves cover: every finite sample of them; a range of
// zero width is widened around its value, so that a constant lies in the
// middle of the image rather than on its edge.
PlotScale FullRange(const std::vector<Plot>& curves);

// The round values of an axis from low to high: a step of 1, 2 or 5 times a
// power of ten, the smallest that gives at most max_count of them (never
// fewer than 2 allowed). A zero-width range is widened as FullRange does;
// no ticks for bounds that are no finite numbers.
struct PlotTicks {
  double step = 0;
  int mantissa = 0;  // step = mantissa * 10^exponent
  int exponent = 0;
  std::vector<double> values;
};
PlotTicks TicksFor(double low, double high, int max_count = 10);
// A tick's text, the same number of decimals for all ticks of an axis;
// exponent notation for huge and tiny magnitudes.
std::string TickLabel(double value, const PlotTicks& ticks);

// A value as the read-out and the range fields show it: with 4 decimals up
// to a magnitude of 100 and none beyond, yet always fine enough to tell
// neighbouring pixels apart (pixel: the value one pixel covers); exponent
// notation where fixed decimals would run too long. Tidied.
std::string ValueText(double value, double pixel);

// The mouse read-out of a pixel: "Coord: x, y" (see ValueText); "MousePos:
// out of window" for a negative coordinate.
std::string CoordText(const PlotScale& scale, int column, int row);

}  // namespace corvane
