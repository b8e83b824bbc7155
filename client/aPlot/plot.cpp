#include "plot.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "../../AuxFunct/aux_funct.h"
#include "../../AuxFunct/text.h"
#include "../../net/trx_cli/trx_cli.h"
#include "../../net/trx_cs/trx_cs.h"
#include "../files.h"

namespace corvane {
namespace {

std::string Parameters(const std::string& line) {
  const std::size_t open = line.find('(');
  const std::size_t close = open == std::string::npos ? std::string::npos : line.find(')', open);
  return (open == std::string::npos || close == std::string::npos
              ? std::string()
              : line.substr(open + 1, close - open - 1)) +
         ";";
}

bool Finite(const Plot& plot, std::size_t i) {
  return std::isfinite(plot.x[i]) && std::isfinite(plot.y[i]);
}

}  // namespace

int PlotSteps(double value) {
  const double r = std::nearbyint(value);
  if (!(r >= 0 && r <= kMaxPlotSteps)) return -1;
  return static_cast<int>(r);
}

std::string PlotParameter(const std::string& line, int i) {
  return aux::Trim(aux::FieldS(Parameters(line), i));
}

Plot ParsePlotLine(const std::string& line, int n) {
  Plot plot;
  plot.number = n;
  const std::size_t eq = line.find('=');
  plot.expr =
      eq == std::string::npos ? std::string() : aux::Trim(std::string_view(line).substr(eq + 1));
  const std::string params = Parameters(line);
  plot.from = aux::FieldD(params, 1);
  plot.var = aux::Lower(aux::Trim(aux::FieldS(params, 2)));
  plot.to = aux::FieldD(params, 3);
  plot.steps = PlotSteps(aux::FieldD(params, 4));
  plot.file = WithoutBrackets(aux::Trim(aux::FieldS(params, 5)));
  return plot;
}

void ComputeSamples(Plot& plot, const std::string& expr, double from, const std::string& var,
                    double to, int steps) {
  const std::string e = expr.empty() ? plot.expr : expr;
  const std::string v = var.empty() ? plot.var : var;
  const double a = from == 0 ? plot.from : from;
  const double b = to == 0 ? plot.to : to;
  const int n = steps == 0 ? plot.steps : steps;
  plot.x_min = plot.y_min = plot.x_max = plot.y_max = 0;
  if (n < 0 || n > kMaxPlotSteps) {
    trx::MessageBox("Plot: the number of steps must lie between 0 and 16777215.", "Corvane");
    plot.x.clear();
    plot.y.clear();
    plot.error = trx_cli::kInvalidParameter;
    return;
  }
  // What the server does not send stays NaN: no sample is made up.
  const double none = std::numeric_limits<double>::quiet_NaN();
  plot.x.assign(static_cast<std::size_t>(n) + 1, none);
  plot.y.assign(static_cast<std::size_t>(n) + 1, none);
  double stats[5] = {0, 0, 0, 0, 0};
  plot.error = trx_cli::e_evals(e.c_str(), a, v.c_str(), b, n, plot.x.data(), plot.y.data(), stats);
  // The range of what is drawn, taken from the samples themselves: a sample
  // whose evaluation failed must not widen it.
  bool first = true;
  for (std::size_t i = 0; i < plot.y.size(); ++i) {
    if (!Finite(plot, i)) continue;
    if (first) {
      plot.x_min = plot.x_max = plot.x[i];
      plot.y_min = plot.y_max = plot.y[i];
      first = false;
      continue;
    }
    plot.x_min = std::min(plot.x_min, plot.x[i]);
    plot.x_max = std::max(plot.x_max, plot.x[i]);
    plot.y_min = std::min(plot.y_min, plot.y[i]);
    plot.y_max = std::max(plot.y_max, plot.y[i]);
  }
}

bool HasFiniteSample(const Plot& plot) {
  for (std::size_t i = 0; i < std::min(plot.x.size(), plot.y.size()); ++i) {
    if (Finite(plot, i)) return true;
  }
  return false;
}

bool SavePlotData(const Plot& plot, const std::string& file_name) {
  const std::string path = Resolve(file_name, ProgramDirectory());
  std::string text = "Id\tX\tY\r\n";
  for (std::size_t i = 0; i < std::min(plot.x.size(), plot.y.size()); ++i) {
    if (!Finite(plot, i)) continue;
    text += std::to_string(i) + "\t" + aux::ShortNumber(plot.x[i]) + "\t" +
            aux::ShortNumber(plot.y[i]) + "\r\n";
  }
  if (WriteWholeFile(path, text)) return true;
  trx::MessageBox("Error: can't write the file.\r\n" + path, "Corvane");
  return false;
}

namespace {

double Span(double low, double high) {
  const double span = high - low;
  return span != 0 && std::isfinite(span) ? span : 1.0;
}

std::string ReadOut(double value) {
  return aux::Tidy(aux::FixedText(value, std::fabs(value) <= 100 ? 4 : 0));
}

}  // namespace

double PlotScale::Column(double x) const { return (x - x_min) * width / Span(x_min, x_max); }
double PlotScale::Row(double y) const {
  return CurveRows() - (y - y_min) * CurveRows() / Span(y_min, y_max);
}
double PlotScale::XAt(double column) const { return x_min + column * Span(x_min, x_max) / width; }
double PlotScale::YAt(double row) const {
  return y_min + (CurveRows() - row) * Span(y_min, y_max) / CurveRows();
}

PlotScale ScaleOf(const Plot& plot, int width, int height) {
  PlotScale scale;
  scale.x_min = plot.x_min;
  scale.x_max = plot.x_max;
  scale.y_min = plot.y_min;
  scale.y_max = plot.y_max;
  scale.width = width > 0 ? width : 1;
  scale.height = height > 0 ? height : 1;
  return scale;
}

std::string CoordText(const PlotScale& scale, int column, int row) {
  if (column < 0 || row < 0) return "MousePos: out of window";
  return "Coord: " + ReadOut(scale.XAt(column)) + ", " + ReadOut(scale.YAt(row));
}

}  // namespace corvane
