#pragma once
// The analysis of a design's runs: per output the sensitivity measures of
// the design's kind (indices.csv, long form), or the calibration of the
// settings to target values by ABC rejection (posterior.csv and its
// summary). Both read the runs table, so that a merged folder or another
// output can be analysed again.
//
// Run r belongs to design point r / replicates; the analysis takes each
// point's mean over its replicates. An empty field of a first-passage output
// (first_delivery, successful_50, successful_90: never reached) counts as
// the run's last step, a lower bound, and is reported in the notes; an empty
// field of another output is left out of its point's mean.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "csv_table.h"
#include "design.h"

namespace quorvan::analysis {
struct AbcResult;
}

namespace quorvan::batch {

/// posterior.csv (the accepted points, nearest first, with their distances)
/// and posterior_summary.csv (per setting: prior range, posterior mean,
/// median and 95% interval) of an ABC rejection over `design`.
void PosteriorTables(const Design& design, const analysis::AbcResult& abc, std::string& posteriorCsv,
                     std::string& summaryCsv);


/// indices.csv: output,setting,measure,value,low,high. Measures: sobol
/// "first" and "total" (with 95% bootstrap intervals from `bootstrap`
/// resamples, seeded), morris "mu", "mu_star", "sigma", lhs "prcc" and
/// "prcc_p". `notes` gets a line per output with empty fields. Returns an
/// error text (naming the output or point), empty on success.
std::string AnalyzeDesign(const Design& design, int64_t replicates, const CsvTable& runs,
                          const std::vector<std::string>& outputs, int bootstrap, uint64_t seed,
                          std::string& indicesCsv, std::string& notes);

/// posterior.csv: rank,point,<settings>,distance, the accepted points nearest
/// first; posterior_summary.csv: setting,prior_low,prior_high,mean,median,
/// low,high,accepted,points. Targets name numeric columns of the runs table.
std::string CalibrateDesign(const Design& design, int64_t replicates, const CsvTable& runs,
                            const std::map<std::string, double>& targets, double accept, std::string& posteriorCsv,
                            std::string& summaryCsv, std::string& notes);

/// Reads `dir`/runs.csv and writes `dir`/indices.csv (and indices.png and
/// indices.svg when `plot`). Nothing is written when the analysis is
/// refused. `notes` says how empty fields were taken.
std::string WriteDesignAnalysis(const std::string& dir, const Design& design, int64_t replicates,
                                const std::vector<std::string>& outputs, int bootstrap, uint64_t seed, bool plot,
                                std::string& notes);

/// Reads `dir`/runs.csv and writes posterior.csv, posterior_summary.csv
/// (and posterior.png and posterior.svg when `plot`) into `dir`.
std::string WriteCalibration(const std::string& dir, const Design& design, int64_t replicates,
                             const std::map<std::string, double>& targets, double accept, bool plot,
                             std::string& notes);

}  // namespace quorvan::batch
