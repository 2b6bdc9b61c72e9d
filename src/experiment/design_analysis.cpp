#include "design_analysis.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "abc_rejection.h"
#include "morris_effects.h"
#include "output_file.h"
#include "prcc.h"
#include "sobol_indices.h"
#include "sweep_plot.h"

namespace quorvan::batch {

namespace {

std::string Num(double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 10);
  return std::string(buf, r.ptr);
}

bool IsFirstPassage(const std::string& column) {
  return column == "first_delivery" || column == "successful_50" || column == "successful_90";
}

// Writes each (path, text) to a temporary file, then renames them all.
std::string WriteTexts(const std::vector<std::pair<std::string, const std::string*>>& files) {
  std::string error;
  std::vector<OutputFile> out(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    const auto& [path, text] = files[i];
    if (!out[i].Open(path, error)) return error;
    out[i].Write(*text);  // a failure is reported by Finish, with its reason
    if (!out[i].Finish(error)) return error;
  }
  for (OutputFile& f : out)
    if (!f.Rename(error)) return error;
  return {};
}

// Each design point's mean of `output` over its replicates.
std::string PointMeans(const Design& design, int64_t replicates, const CsvTable& runs, const std::string& output,
                       std::vector<double>& means, std::string& notes) {
  const int column = runs.Column(output), runCol = runs.Column("run"), stepsCol = runs.Column("steps");
  std::string error;
  std::vector<std::optional<double>> values, runNumbers, steps;
  if (column < 0 || !runs.Numbers(column, values, error))
    return "'" + output + "' is not a numeric column of runs.csv" + (error.empty() ? "" : " (" + error + ")");
  if (runCol < 0 || stepsCol < 0 || !runs.Numbers(runCol, runNumbers, error) || !runs.Numbers(stepsCol, steps, error))
    return "runs.csv has no readable 'run' and 'steps' columns";
  const std::size_t points = design.unit.size();
  std::vector<double> sums(points, 0.0);
  std::vector<int64_t> counts(points, 0);
  int64_t lowerBounds = 0;
  for (std::size_t r = 0; r < runs.rows.size(); ++r) {
    if (!runNumbers[r] || *runNumbers[r] < 0) return "runs.csv row " + std::to_string(r + 1) + " has no run number";
    const auto point = static_cast<std::size_t>(static_cast<int64_t>(*runNumbers[r]) / replicates);
    if (point >= points)
      return "run " + Num(*runNumbers[r]) + " lies past the design's " + std::to_string(points) + " points";
    std::optional<double> v = values[r];
    if (!v && IsFirstPassage(output) && steps[r]) v = *steps[r], ++lowerBounds;
    if (!v) continue;
    sums[point] += *v;
    ++counts[point];
  }
  means.assign(points, 0.0);
  for (std::size_t p = 0; p < points; ++p) {
    if (counts[p] == 0)
      return "design point " + std::to_string(p) + " has no value of '" + output +
             "' (every point must have run: merge the shards or resume first)";
    means[p] = sums[p] / static_cast<double>(counts[p]);
  }
  if (lowerBounds > 0)
    notes += output + ": " + std::to_string(lowerBounds) + " of " + std::to_string(runs.rows.size()) +
             " runs never got there; their last step was taken instead, a lower bound\n";
  return {};
}

}  // namespace

std::string AnalyzeDesign(const Design& design, int64_t replicates, const CsvTable& runs,
                          const std::vector<std::string>& outputs, int bootstrap, uint64_t seed,
                          std::string& indicesCsv, std::string& notes) {
  if (replicates < 1) return "replicates must be 1 or more";
  const std::vector<DesignInterval>& settings = design.request.settings;
  indicesCsv = "output,setting,measure,value,low,high\n";
  notes.clear();
  for (const std::string& output : outputs) {
    std::vector<double> y;
    if (std::string e = PointMeans(design, replicates, runs, output, y, notes); !e.empty()) return e;
    const auto row = [&](std::size_t i, const char* measure, double value, const std::string& low,
                         const std::string& high) {
      indicesCsv +=
          CsvField(output) + "," + settings[i].key + "," + measure + "," + Num(value) + "," + low + "," + high + "\n";
    };
    std::string error;
    switch (design.request.kind) {
      case DesignKind::kSobol: {
        const analysis::SobolSample sample = analysis::SobolBlocks(y, settings.size(), error);
        if (!error.empty()) return error;
        const std::vector<analysis::SobolIndex> s = analysis::SobolIndices(sample, bootstrap, seed);
        for (std::size_t i = 0; i < s.size(); ++i) {
          row(i, "first", s[i].first, Num(s[i].firstLow), Num(s[i].firstHigh));
          row(i, "total", s[i].total, Num(s[i].totalLow), Num(s[i].totalHigh));
        }
        break;
      }
      case DesignKind::kMorris: {
        const std::vector<analysis::MorrisEffect> m = analysis::MorrisEffects(design.unit, y, error);
        if (!error.empty()) return error;
        for (std::size_t i = 0; i < m.size(); ++i) {
          row(i, "mu", m[i].mu, "", "");
          row(i, "mu_star", m[i].muStar, "", "");
          row(i, "sigma", m[i].sigma, "", "");
        }
        break;
      }
      case DesignKind::kLhs: {
        const std::vector<analysis::Prcc> p = analysis::PartialRankCorrelation(design.values, y, error);
        if (!error.empty()) return error;
        for (std::size_t i = 0; i < p.size(); ++i) {
          row(i, "prcc", p[i].value, "", "");
          row(i, "prcc_p", p[i].p, "", "");
        }
        break;
      }
    }
  }
  return {};
}

void PosteriorTables(const Design& design, const analysis::AbcResult& abc, std::string& posteriorCsv,
                     std::string& summaryCsv) {
  const std::vector<DesignInterval>& settings = design.request.settings;
  posteriorCsv = "rank,point";
  for (const DesignInterval& s : settings) posteriorCsv += "," + s.key;
  posteriorCsv += ",distance\n";
  for (std::size_t rank = 0; rank < abc.accepted.size(); ++rank) {
    const std::size_t p = abc.accepted[rank];
    posteriorCsv += std::to_string(rank + 1) + "," + std::to_string(p);
    for (const double v : design.values[p]) posteriorCsv += "," + Num(v);
    posteriorCsv += "," + Num(abc.distance[p]) + "\n";
  }
  summaryCsv = "setting,prior_low,prior_high,mean,median,low,high,accepted,points\n";
  for (std::size_t i = 0; i < settings.size(); ++i) {
    const analysis::Posterior& post = abc.settings[i];
    summaryCsv += settings[i].key + "," + Num(settings[i].low) + "," + Num(settings[i].high) + "," + Num(post.mean) +
                  "," + Num(post.median) + "," + Num(post.low) + "," + Num(post.high) + "," +
                  std::to_string(abc.accepted.size()) + "," + std::to_string(design.unit.size()) + "\n";
  }
}

std::string CalibrateDesign(const Design& design, int64_t replicates, const CsvTable& runs,
                            const std::map<std::string, double>& targets, double accept, std::string& posteriorCsv,
                            std::string& summaryCsv, std::string& notes) {
  if (replicates < 1) return "replicates must be 1 or more";
  if (targets.empty()) return "calibration needs at least one target";
  notes.clear();
  std::vector<std::vector<double>> outputs(design.unit.size());
  std::vector<double> goal;
  for (const auto& [name, value] : targets) {
    std::vector<double> y;
    if (std::string e = PointMeans(design, replicates, runs, name, y, notes); !e.empty()) return "target " + e;
    for (std::size_t p = 0; p < y.size(); ++p) outputs[p].push_back(y[p]);
    goal.push_back(value);
  }
  std::string error;
  const analysis::AbcResult abc = analysis::AbcReject(design.values, outputs, goal, accept, error);
  if (!error.empty()) return error;
  PosteriorTables(design, abc, posteriorCsv, summaryCsv);
  return {};
}

std::string WriteDesignAnalysis(const std::string& dir, const Design& design, int64_t replicates,
                                const std::vector<std::string>& outputs, int bootstrap, uint64_t seed, bool plot,
                                std::string& notes) {
  CsvTable runs;
  std::string error, indices;
  if (!ReadCsv(dir + "/runs.csv", runs, error)) return error;
  if (error = AnalyzeDesign(design, replicates, runs, outputs, bootstrap, seed, indices, notes); !error.empty())
    return error;
  if (error = WriteTexts({{dir + "/indices.csv", &indices}}); !error.empty()) return error;
  return plot ? WriteIndicesPlot(indices, dir + "/indices.png", dir + "/indices.svg") : std::string();
}

std::string WriteCalibration(const std::string& dir, const Design& design, int64_t replicates,
                             const std::map<std::string, double>& targets, double accept, bool plot,
                             std::string& notes) {
  CsvTable runs;
  std::string error, posterior, summary;
  if (!ReadCsv(dir + "/runs.csv", runs, error)) return error;
  if (error = CalibrateDesign(design, replicates, runs, targets, accept, posterior, summary, notes); !error.empty())
    return error;
  if (error = WriteTexts({{dir + "/posterior.csv", &posterior}, {dir + "/posterior_summary.csv", &summary}});
      !error.empty())
    return error;
  return plot ? WritePosteriorPlot(posterior, summary, dir + "/posterior.png", dir + "/posterior.svg") : std::string();
}

}  // namespace quorvan::batch
