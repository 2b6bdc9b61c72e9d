#pragma once
// What a design's sweep folder receives beside runs.csv: the analysis of its
// runs (indices.csv and its figure), the calibration when asked for
// (posterior.csv, posterior_summary.csv and the pair plot), and
// analysis.txt, which says what was analysed and how runs without a value
// were taken.

#include <string>

#include "design.h"
#include "sweep_plan.h"

namespace quorvan::batch {

/// The notes as stderr gives them: each line after the program's name.
std::string NotesForStderr(const std::string& notes);

/// The design of a plan made again from its request; an error when it does
/// not give the points the plan recorded (another build's Sobol sequence).
std::string DesignOf(const SweepPlan& plan, Design& design);

/// Reads `dir`/runs.csv and writes the analysis of the plan's design with
/// `options` into `dir`. Everything is computed before anything is
/// written, so that a refused output leaves the folder as it was.
/// `notes` gets what analysis.txt says of runs without a value.
std::string WriteDesignResults(const SweepPlan& plan, const DesignAnalysisOptions& options, const std::string& dir,
                                bool plot, std::string& notes);

}  // namespace quorvan::batch
