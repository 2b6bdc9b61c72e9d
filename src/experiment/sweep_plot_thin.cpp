#include <algorithm>

#include "sweep_plot.h"

namespace quorvan::batch {

namespace {

// The lowest and highest of v[from, to) in the order they occur.
std::pair<double, double> Extremes(const std::vector<double>& v, std::size_t from, std::size_t to) {
  std::size_t lo = from, hi = from;
  for (std::size_t i = from; i < to; ++i) {
    if (v[i] < v[lo]) lo = i;
    if (v[i] > v[hi]) hi = i;
  }
  return lo <= hi ? std::pair{v[lo], v[hi]} : std::pair{v[hi], v[lo]};
}

}  // namespace

PlotCurve ThinCurve(const PlotCurve& curve, std::size_t maxPoints) {
  const std::size_t n = curve.steps.size();
  if (maxPoints == 0 || n <= maxPoints) return curve;
  const std::size_t buckets = std::max<std::size_t>(1, maxPoints / 2);
  PlotCurve out;
  out.label = curve.label;
  const auto push = [&](int32_t step, double ms, double ls, double hs, double mr, double lr, double hr) {
    out.steps.push_back(step);
    out.meanSuccessful.push_back(ms), out.lowSuccessful.push_back(ls), out.highSuccessful.push_back(hs);
    out.meanReturning.push_back(mr), out.lowReturning.push_back(lr), out.highReturning.push_back(hr);
  };
  for (std::size_t b = 0; b < buckets; ++b) {
    // Bucket b covers [n*b/buckets, n*(b+1)/buckets): every step lands in one.
    const std::size_t from = n * b / buckets, to = n * (b + 1) / buckets;
    const double lowS = *std::min_element(curve.lowSuccessful.begin() + static_cast<std::ptrdiff_t>(from),
                                          curve.lowSuccessful.begin() + static_cast<std::ptrdiff_t>(to));
    const double highS = *std::max_element(curve.highSuccessful.begin() + static_cast<std::ptrdiff_t>(from),
                                           curve.highSuccessful.begin() + static_cast<std::ptrdiff_t>(to));
    const double lowR = *std::min_element(curve.lowReturning.begin() + static_cast<std::ptrdiff_t>(from),
                                          curve.lowReturning.begin() + static_cast<std::ptrdiff_t>(to));
    const double highR = *std::max_element(curve.highReturning.begin() + static_cast<std::ptrdiff_t>(from),
                                           curve.highReturning.begin() + static_cast<std::ptrdiff_t>(to));
    // Two points per bucket, at its first and last step: each mean's lowest
    // and highest in the order they came, the band its widest.
    const auto [s1, s2] = Extremes(curve.meanSuccessful, from, to);
    const auto [r1, r2] = Extremes(curve.meanReturning, from, to);
    push(curve.steps[from], s1, lowS, highS, r1, lowR, highR);
    if (to - from > 1) push(curve.steps[to - 1], s2, lowS, highS, r2, lowR, highR);
  }
  return out;
}

}  // namespace quorvan::batch
