#include "sweep_plot_call.h"

#if __has_include("sweep_plot.h")
#include "sweep_plot.h"
#define QUORVAN_HAS_SWEEP_PLOT 1
#endif

namespace quorvan::batch {

bool PlotAvailable() {
#ifdef QUORVAN_HAS_SWEEP_PLOT
  return true;
#else
  return false;
#endif
}

std::string DrawSweepPlot(const std::vector<PointCurve>& curves, const std::string& pngPath,
                          const std::string& svgPath) {
#ifdef QUORVAN_HAS_SWEEP_PLOT
  std::vector<PlotCurve> plot;
  plot.reserve(curves.size());
  for (const PointCurve& c : curves) {
    plot.push_back({c.label, c.steps, c.meanSuccessful, c.lowSuccessful, c.highSuccessful, c.meanReturning,
                    c.lowReturning, c.highReturning});
  }
  return WritePlot(plot, pngPath, svgPath);
#else
  (void)curves, (void)pngPath, (void)svgPath;
  return "this build has no plot drawing";
#endif
}

}  // namespace quorvan::batch
