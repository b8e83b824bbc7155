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

// Reads "Plot(from; var; to; steps; [file]) = expression" as plot n.
Plot ParsePlotLine(const std::string& line, int n);
// Asks the server for the samples; an empty text or a zero number stands
// for the plot's stored parameter.
void ComputeSamples(Plot& plot, const std::string& expr = "", double from = 0,
                    const std::string& var = "", double to = 0, int steps = 0);
// "Id\tX\tY" and one line per sample whose ordinate is no plus infinity;
// relative names lie in the program directory. False (after a message box)
// when the file cannot be written.
bool SavePlotData(const Plot& plot, const std::string& file_name);
// PlotCommand without the window: parse, compute, and write the data file.
Plot PlotCommand(const std::string& line, int n);

}  // namespace corvane
