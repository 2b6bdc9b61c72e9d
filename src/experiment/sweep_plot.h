#pragma once
// The picture of a sweep: one pair of curves per sweep point, the mean
// successful and returning percentages over the steps, each inside a band
// from the lowest to the highest replicate.

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
/// Creates a QApplication on the "offscreen" platform (unless QT_QPA_PLATFORM
/// says otherwise) when the program has none; call it from the main thread, or
/// from another while the application's thread runs its event loop (it draws there).
/// Neither file is replaced unless both were drawn and written.
std::string WritePlot(const std::vector<PlotCurve>& curves, const std::string& pngPath,
                      const std::string& svgPath);

/// The most points a curve is drawn with; longer runs are thinned to this.
inline constexpr std::size_t kMaxPlotPoints = 2000;

/// Thins a curve to at most `maxPoints` points: each point stands for a run
/// of consecutive steps, at their middle, with the means averaged and the
/// band widened to the lowest low and the highest high among them, so that
/// no replicate's extreme drops out of the band. Curves that are short
/// enough come back as they are.
PlotCurve ThinCurve(const PlotCurve& curve, std::size_t maxPoints = kMaxPlotPoints);

}  // namespace quorvan::batch
