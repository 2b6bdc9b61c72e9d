#pragma once
// A sweep over a design instead of a grid: settings given as intervals
// ("--wiggle 0..180", "--consume 0.05..0.6"), the design made over them
// from the sweep's seed, and what the analysis at its end takes (outputs,
// bootstrap resamples, calibration targets).
//
// The design's points are kept in the plan as each design setting's list of
// values, one per point, read in parallel rather than crossed as a grid's.

#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "design.h"
#include "run_spec.h"

namespace quorvan::batch {

/// What the analysis of a design's runs takes. Not part of the sweep's
/// identity: `analyze` may redo it with other choices.
struct DesignAnalysisOptions {
  std::vector<std::string> outputs = {"deliveries", "successful_50", "returning"};
  int64_t bootstrap = 1000;
  bool calibrate = false;
  std::map<std::string, double> targets;  ///< output -> target value
  std::string targetSeries;               ///< or a file of target series (absolute path)
  double accept = 0.05;
};

struct SweepDesign {
  DesignRequest request;  ///< kind, intervals (in the plan's order of settings), samples, levels, seed
  DesignAnalysisOptions analysis;
};

/// Whether a setting's text is an interval, "low..high".
bool IsInterval(std::string_view text);

/// Whether a design takes the setting's values as whole numbers: the
/// whole-number settings, and the noise, which the model rounds.
bool IsWholeInDesign(const RunKey& key);

/// Reads "low..high" for `key`: each end read by the key's own parser (so
/// that it lies in the setting's range). An error names `where` and the text.
std::string ParseInterval(const RunKey& key, std::string_view where, std::string_view text, DesignInterval& interval);

/// The design as plan.json and experiment.json record it (kind, samples,
/// levels, seed, intervals), and back.
nlohmann::ordered_json DesignRequestJson(const DesignRequest& request);
std::string ParseDesignRequestJson(const nlohmann::ordered_json& j, DesignRequest& request);

/// The analysis choices as plan.json records them, and back.
nlohmann::ordered_json AnalysisJson(const DesignAnalysisOptions& options);
std::string ParseAnalysisJson(const nlohmann::ordered_json& j, DesignAnalysisOptions& options);

/// "successful_50=420": the output and its target. An error names `where` and the text.
std::string ParseTarget(std::string_view where, std::string_view text, std::string& output, double& value);

/// "0.05": a fraction in (0, 1]. An error names `where` and the text.
Parsed<double> ParseAcceptFraction(std::string_view where, std::string_view text);

}  // namespace quorvan::batch
