// WritePlot for a quorvan-batch built without Qt Gui and Svg.
#include "sweep_plot.h"

namespace quorvan::batch {

namespace {
const char* const kNoPlots =
    "cannot draw the plot: this quorvan-batch was built without plots (QUORVAN_BUILD_PLOT=OFF); use --plot none";
}

std::string WritePlot(const std::vector<PlotCurve>&, const std::string&, const std::string&) { return kNoPlots; }
std::string WriteFigures(const std::vector<PlotCurve>&, const std::string&) { return kNoPlots; }
std::string WriteResponsePlot(const std::string&) { return kNoPlots; }
std::string WriteIndicesPlot(const std::string&, const std::string&, const std::string&) { return kNoPlots; }
std::string WritePosteriorPlot(const std::string&, const std::string&, const std::string&, const std::string&) {
  return kNoPlots;
}

}  // namespace quorvan::batch
