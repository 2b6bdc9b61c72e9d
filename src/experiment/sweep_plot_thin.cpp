#include "sweep_plot.h"

#include <algorithm>

namespace quorvan::batch {

PlotCurve ThinCurve(const PlotCurve& curve, std::size_t maxPoints) {
  const std::size_t n = curve.steps.size();
  if (maxPoints == 0 || n <= maxPoints) return curve;
  PlotCurve out;
  out.label = curve.label;
  for (std::size_t b = 0; b < maxPoints; ++b) {
    // Bucket b covers [n*b/max, n*(b+1)/max): every step lands in one.
    const std::size_t from = n * b / maxPoints, to = n * (b + 1) / maxPoints;
    double sumS = 0, sumR = 0, lowS = curve.lowSuccessful[from], highS = curve.highSuccessful[from],
           lowR = curve.lowReturning[from], highR = curve.highReturning[from];
    for (std::size_t i = from; i < to; ++i) {
      sumS += curve.meanSuccessful[i];
      sumR += curve.meanReturning[i];
      lowS = std::min(lowS, curve.lowSuccessful[i]);
      highS = std::max(highS, curve.highSuccessful[i]);
      lowR = std::min(lowR, curve.lowReturning[i]);
      highR = std::max(highR, curve.highReturning[i]);
    }
    const double count = static_cast<double>(to - from);
    out.steps.push_back(static_cast<int32_t>(
        (static_cast<int64_t>(curve.steps[from]) + static_cast<int64_t>(curve.steps[to - 1])) / 2));
    out.meanSuccessful.push_back(sumS / count);
    out.lowSuccessful.push_back(lowS);
    out.highSuccessful.push_back(highS);
    out.meanReturning.push_back(sumR / count);
    out.lowReturning.push_back(lowR);
    out.highReturning.push_back(highR);
  }
  return out;
}

}  // namespace quorvan::batch
