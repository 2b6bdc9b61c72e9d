#pragma once
// The summaries of a sweep, made from its runs.csv so that they can be made
// again from a folder (after a merge, for instance):
//
// points.csv, per point and output: the runs, how many had the field empty,
// mean, sd, the 95% interval of the mean, median and quartiles of the runs
// that have a value; for the first-passage outputs (first_delivery,
// successful_50, successful_90) also the Kaplan-Meier median and its 95%
// interval, counting a run that never got there as censored at its last step.
//
// contrasts.csv (two points or more), per point and output: the paired
// difference to a baseline point, replicate by replicate (the replicates of
// every point share their seeds), with its 95% interval.

#include <cstdint>
#include <string>

#include "csv_table.h"

namespace quorvan::batch {

struct SummaryTexts {
  std::string points;     ///< points.csv
  std::string contrasts;  ///< contrasts.csv; empty with a single point
};

/// The summaries of a runs table. `baseline` is the point (0-based, in the
/// order the points first appear) the contrasts are taken against. Returns
/// an error text, empty on success.
std::string SummarizeRuns(const CsvTable& runs, int64_t baseline, SummaryTexts& out);

/// Reads `dir`/runs.csv and writes `dir`/points.csv and, with two points or
/// more, `dir`/contrasts.csv (each to a temporary name, renamed when both are
/// complete). Returns an error text, empty on success.
std::string WriteSummaries(const std::string& dir, int64_t baseline = 0);

}  // namespace quorvan::batch
