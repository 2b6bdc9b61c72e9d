// WritePlot for a quorvan-batch built without Qt Widgets, Charts and Svg.
#include "sweep_plot.h"

namespace quorvan::batch {

std::string WritePlot(const std::vector<PlotCurve>&, const std::string&, const std::string&) {
  return "cannot draw the plot: this quorvan-batch was built without plots (QUORVAN_BUILD_PLOT=OFF); "
         "use --plot none";
}

}  // namespace quorvan::batch
