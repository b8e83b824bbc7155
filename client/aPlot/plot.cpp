#include "plot.h"

#include <algorithm>
#include <charconv>
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
  plot.same = aux::Lower(aux::Trim(aux::FieldS(params, 6))) == "same";
  return plot;
}

std::string PlotOptionError(const std::string& line) {
  const std::string params = Parameters(line);
  const auto fields = static_cast<int>(std::count(params.begin(), params.end(), ';'));
  for (int i = 6; i <= fields; ++i) {
    const std::string field = aux::Trim(aux::FieldS(params, i));
    if (field.empty() || (i == 6 && aux::Lower(field) == "same")) continue;
    if (i == 6) return "Plot option = " + field + ": the only option after the file is same";
    return "too many fields: Plot(from; variable; to; steps; [file]; same) = expression";
  }
  return {};
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

// Zero-width ranges and ranges wider than a double count as one unit, so
// that no mapping divides by zero or infinity.
double Span(double low, double high) {
  const double span = high - low;
  return span != 0 && std::isfinite(span) ? span : 1.0;
}

// A range that a double still resolves into pixels: finite, in order, and
// not so narrow for its magnitude that neighbouring pixels would read alike.
bool Resolvable(double low, double high) {
  const double span = high - low;
  const double magnitude = std::max(std::fabs(low), std::fabs(high));
  // Far below the largest double: the pixels around the area still map to
  // finite values.
  return std::isfinite(span) && span > 0 && span >= 1e-12 * magnitude && span >= 1e-290 &&
         magnitude <= 1e300 && span <= 1e300;
}

void Widen(double& low, double& high) {
  if (low != high) return;
  const double half = low != 0 ? std::fabs(low) / 10 : 1.0;
  low -= half;
  high += half;
}

// 10^k, exact where a double holds it.
double PowerOfTen(int k) {
  static constexpr double kExact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                      1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  return k >= 0 && k <= 22 ? kExact[k] : std::pow(10.0, k);
}

// i steps of mantissa * 10^exponent; a negative power divides by the exact
// 10^-exponent, so that 3 steps of 0.1 give 0.3 and not 0.30000000000000004.
double TickValue(double i, int mantissa, int exponent) {
  if (exponent >= 0) return i * mantissa * PowerOfTen(exponent);
  if (exponent >= -300) return i * mantissa / PowerOfTen(-exponent);
  return i * mantissa * std::pow(10.0, exponent);
}

int DecimalExponent(double magnitude) {
  return static_cast<int>(std::floor(std::log10(magnitude)));
}

// Exponent notation without the clutter: "1.5e7", "2e-5".
std::string Scientific(double value, int precision) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific,
                                 std::clamp(precision, 0, 17));
  const std::string text(buf, res.ptr);
  const std::size_t e = text.find('e');
  std::string mantissa = text.substr(0, e);
  if (mantissa.find('.') != std::string::npos) {
    mantissa.erase(mantissa.find_last_not_of('0') + 1);
    if (mantissa.back() == '.') mantissa.pop_back();
  }
  std::string exponent = text.substr(e + 1);
  const bool negative = exponent.front() == '-';
  exponent.erase(0, exponent.find_first_not_of("+-0"));
  if (exponent.empty()) return mantissa;
  return mantissa + "e" + (negative ? "-" : "") + exponent;
}

}  // namespace

double PlotScale::Column(double x) const { return left + (x - x_min) * width / Span(x_min, x_max); }
double PlotScale::Row(double y) const {
  return top + height - (y - y_min) * height / Span(y_min, y_max);
}
double PlotScale::XAt(double column) const {
  return x_min + (column - left) * Span(x_min, x_max) / width;
}
double PlotScale::YAt(double row) const {
  return y_min + (top + height - row) * Span(y_min, y_max) / height;
}
double PlotScale::XPerColumn() const { return Span(x_min, x_max) / width; }
double PlotScale::YPerRow() const { return Span(y_min, y_max) / height; }

PlotScale PlotScale::Zoomed(double column, double row, double x_factor, double y_factor) const {
  PlotScale zoomed = *this;
  const auto zoom = [](double& low, double& high, double at, double factor) {
    const double new_low = at - (at - low) * factor;
    const double new_high = at + (high - at) * factor;
    if (factor != 1 && factor > 0 && Resolvable(new_low, new_high)) {
      low = new_low;
      high = new_high;
    }
  };
  zoom(zoomed.x_min, zoomed.x_max, XAt(column), x_factor);
  zoom(zoomed.y_min, zoomed.y_max, YAt(row), y_factor);
  return zoomed;
}

PlotScale PlotScale::Panned(double columns, double rows) const {
  PlotScale panned = *this;
  const auto pan = [](double& low, double& high, double by) {
    if (Resolvable(low - by, high - by)) {
      low -= by;
      high -= by;
    }
  };
  pan(panned.x_min, panned.x_max, columns * XPerColumn());
  pan(panned.y_min, panned.y_max, -rows * YPerRow());
  return panned;
}

PlotScale FullRange(const std::vector<Plot>& curves) {
  PlotScale range;
  bool first = true;
  for (const Plot& curve : curves) {
    if (!HasFiniteSample(curve)) continue;
    if (first) {
      range.x_min = curve.x_min;
      range.x_max = curve.x_max;
      range.y_min = curve.y_min;
      range.y_max = curve.y_max;
      first = false;
      continue;
    }
    range.x_min = std::min(range.x_min, curve.x_min);
    range.x_max = std::max(range.x_max, curve.x_max);
    range.y_min = std::min(range.y_min, curve.y_min);
    range.y_max = std::max(range.y_max, curve.y_max);
  }
  Widen(range.x_min, range.x_max);
  Widen(range.y_min, range.y_max);
  // A little room above and below: a curve's extremes stay off the frame.
  const double room = (range.y_max - range.y_min) / 20;
  if (Resolvable(range.y_min - room, range.y_max + room)) {
    range.y_min -= room;
    range.y_max += room;
  }
  return range;
}

PlotTicks TicksFor(double low, double high, int max_count) {
  PlotTicks ticks;
  if (!std::isfinite(low) || !std::isfinite(high)) return ticks;
  if (low > high) std::swap(low, high);
  Widen(low, high);
  max_count = std::max(max_count, 2);
  // Halves, so that the span of two huge bounds of either sign stays finite.
  const double half_span = high / 2 - low / 2;
  int exponent = DecimalExponent(2 * (half_span / max_count)) - 1;
  for (int tries = 0; tries < 12; ++tries, ++exponent) {
    for (const int mantissa : {1, 2, 5}) {
      const double step = TickValue(1, mantissa, exponent);
      if (!(step > 0) || !std::isfinite(step)) continue;
      // A bound a hair off a multiple of the step (0.3 / 0.1) still gets its tick.
      const double low_steps = low / step;
      const double high_steps = high / step;
      const double first = std::ceil(low_steps - (1e-9 + std::fabs(low_steps) * 1e-15));
      const double last = std::floor(high_steps + (1e-9 + std::fabs(high_steps) * 1e-15));
      if (last - first + 1 > max_count) continue;
      ticks.step = step;
      ticks.mantissa = mantissa;
      ticks.exponent = exponent;
      for (double i = first; i <= last; ++i) {
        // + 0.0: a first step of -0 gives the tick 0, not -0 ("-0.0").
        ticks.values.push_back(TickValue(i, mantissa, exponent) + 0.0);
      }
      return ticks;
    }
  }
  return ticks;
}

std::string TickLabel(double value, const PlotTicks& ticks) {
  const double largest = ticks.values.empty() ? std::fabs(value)
                                              : std::max(std::fabs(ticks.values.front()),
                                                         std::fabs(ticks.values.back()));
  const int magnitude = largest > 0 ? DecimalExponent(largest) : 0;
  if (magnitude >= 6 || magnitude <= -4) {
    if (value == 0) return "0";
    return Scientific(value, DecimalExponent(std::fabs(value)) - ticks.exponent);
  }
  return aux::FixedText(value, std::max(0, -ticks.exponent));
}

std::string ValueText(double value, double pixel) {
  if (value == 0 || !std::isfinite(value)) return "0";
  int decimals = std::fabs(value) <= 100 ? 4 : 0;
  const bool resolvable = pixel > 0 && std::isfinite(pixel);
  if (resolvable) decimals = std::max(decimals, -DecimalExponent(pixel) + 1);
  std::string text;
  if (std::fabs(value) < 1e15 && decimals <= 15) {
    text = aux::Tidy(aux::FixedText(value, decimals));
  } else {
    const int digits =
        resolvable ? DecimalExponent(std::fabs(value)) - DecimalExponent(pixel) + 1 : 10;
    text = Scientific(value, std::max(digits, 4));
  }
  return text == "-0" ? "0" : text;
}

std::string CoordText(const PlotScale& scale, int column, int row) {
  if (column < 0 || row < 0) return "MousePos: out of window";
  return "Coord: " + ValueText(scale.XAt(column), scale.XPerColumn()) + ", " +
         ValueText(scale.YAt(row), scale.YPerRow());
}

}  // namespace corvane
