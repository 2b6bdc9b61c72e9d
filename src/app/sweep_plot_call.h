#pragma once
// The sweep's plot: the curves of every point drawn to PNG and SVG.

#include <string>
#include <vector>

#include "sweep_tables.h"

namespace quorvan::batch {

/// Whether this build can draw the plot.
bool PlotAvailable();

/// Draws the curves into the two files; returns an error text, empty on success.
std::string DrawSweepPlot(const std::vector<PointCurve>& curves, const std::string& pngPath,
                          const std::string& svgPath);

}  // namespace quorvan::batch
