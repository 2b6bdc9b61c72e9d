#pragma once
// The pictures of a sweep. plot.png and plot.svg: per sweep point the mean
// successful and returning percentages over the steps, each inside a band
// from the lowest to the highest replicate; a few points share two panels,
// more are drawn as small multiples (a panel per value of the outer
// setting). response.png and response.svg (a sweep of one setting, or of
// two with at most eight values of the outer one): each output against the
// (inner) setting, the runs as dots, the mean (or, for successful_50, the
// Kaplan-Meier median) with its 95% interval, a line per outer value.
//
// Both are 170 mm wide, drawn with QPainter, thinned to what the figure can
// show and written through OutputFile.

#include <cstdint>
#include <string>
#include <vector>

namespace quorvan::batch {

/// One sweep point's curves. Every vector runs parallel to `steps`.
struct PlotCurve {
  std::string label;
  std::vector<int32_t> steps;
  std::vector<double> meanSuccessful, lowSuccessful, highSuccessful,
                      meanReturning, lowReturning, highReturning;
};

/// Draws the curves offscreen; returns an error text, empty on success. Writes via temp+rename.
///
/// Creates a QGuiApplication on the "offscreen" platform (unless QT_QPA_PLATFORM
/// says otherwise) when the program has none; call it from the main thread.
/// Neither file is replaced unless both were drawn and written.
std::string WritePlot(const std::vector<PlotCurve>& curves, const std::string& pngPath,
                      const std::string& svgPath);

/// Both figures of a sweep folder: plot.png/plot.svg from `curves`, and
/// response.png/response.svg from `dir`/runs.csv (see WriteResponsePlot).
std::string WriteFigures(const std::vector<PlotCurve>& curves, const std::string& dir);

/// The response figure of `dir`/runs.csv, when it sweeps one setting or two
/// with at most eight values of the first (else nothing is written).
/// Returns an error text, empty on success.
std::string WriteResponsePlot(const std::string& dir);

/// The figure of an indices.csv text (design_analysis.h): a panel per
/// output; Sobol first and total indices as bars with their intervals,
/// Morris mu* against sigma, or PRCC bars with their p-values.
std::string WriteIndicesPlot(const std::string& indicesCsv, const std::string& pngPath, const std::string& svgPath);

/// The pair plot of a calibration's accepted points (posterior.csv and
/// posterior_summary.csv texts) over the prior ranges.
std::string WritePosteriorPlot(const std::string& posteriorCsv, const std::string& summaryCsv,
                               const std::string& pngPath, const std::string& svgPath);

/// The most points a curve keeps for the picture (the widest panel is
/// narrower); longer runs are thinned to this as the tables are read.
inline constexpr std::size_t kMaxPlotPoints = 1000;

/// The points each of `curves` curves keeps as the tables are read: at most
/// kMaxPlotPoints, and fewer when there are many curves, so that all of
/// them together hold no more than the figure can draw (it draws at most
/// 300 lines across), whatever the number of sweep points.
inline std::size_t PlotPointsPerCurve(int64_t curves) {
  const auto n = static_cast<std::size_t>(curves < 1 ? 1 : curves);
  const std::size_t share = 300 * kMaxPlotPoints / n;
  return share < 16 ? 16 : share > kMaxPlotPoints ? kMaxPlotPoints : share;
}

/// Thins a curve to at most `maxPoints` points (at least two): consecutive
/// steps are taken in maxPoints / 2 buckets, each kept as two points at its
/// first and last step that hold each mean's lowest and highest value in
/// the order they came, and the band widened to the bucket's lowest low and
/// highest high. No extreme of a mean or of the band drops out. Curves that
/// are short enough come back as they are.
PlotCurve ThinCurve(const PlotCurve& curve, std::size_t maxPoints = kMaxPlotPoints);

}  // namespace quorvan::batch
