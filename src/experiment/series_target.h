#pragma once
// Calibration to target series: a CSV of observed values step by step
// (`step` and columns of series.csv: successful, returning, track_max,
// deliveries), compared with each design point's mean series over its
// replicates, every step of every column an output of the ABC rejection.

#include <cstdint>
#include <string>
#include <vector>

#include "design.h"
#include "sweep_plan.h"

namespace quorvan::batch {

struct SeriesTarget {
  std::vector<std::string> columns;         ///< series.csv columns compared
  std::vector<std::vector<double>> values;  ///< [column][step - 1]
  std::size_t Steps() const { return values.empty() ? 0 : values.front().size(); }
};

/// Reads a target series file: a header `step,<columns>` and a row per
/// step 1, 2, ... in order. An error names `where`, the file and the fault.
std::string ReadSeriesTarget(const std::string& where, const std::string& path, SeriesTarget& target);

/// The steps every run of the plan takes; an error when they differ from
/// run to run or are not known before the runs (worlds opened from files).
std::string RunLength(const SweepPlan& plan, int64_t& steps);

/// posterior.csv and posterior_summary.csv (as CalibrateDesign writes them)
/// from `dir`/series.csv compared with the target.
std::string CalibrateToSeries(const Design& design, int64_t replicates, const std::string& seriesCsv,
                              const SeriesTarget& target, double accept, std::string& posteriorCsv,
                              std::string& summaryCsv);

}  // namespace quorvan::batch
