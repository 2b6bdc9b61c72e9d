#include "design_results.h"

#include <cstdio>

#include "design_analysis.h"
#include "series_target.h"
#include "sweep_plot.h"
#include "sweep_record.h"

namespace quorvan::batch {

namespace {

std::string Num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

std::string Join(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& s : items) out += (out.empty() ? "" : ", ") + s;
  return out;
}

// What analysis.txt says: the design, its size, the outputs and how each
// was taken.
std::string Description(const SweepPlan& plan, const Design& design, const DesignAnalysisOptions& options,
                        const std::string& notes) {
  const DesignRequest& r = design.request;
  std::string text = std::string("design: ") + DesignKindName(r.kind) + ", " + std::to_string(r.samples) +
                     (r.kind == DesignKind::kLhs     ? " points"
                      : r.kind == DesignKind::kSobol ? " base samples"
                                                     : " trajectories on " + std::to_string(r.levels) + " levels") +
                     ", seed " + std::to_string(r.seed) + "\nsettings:";
  for (const DesignInterval& s : r.settings) {
    text += " " + s.key + " " + Num(s.low) + ".." + Num(s.high) + (s.whole ? " (whole)" : "");
  }
  text += "\npoints: " + std::to_string(plan.PointCount()) + " x " + std::to_string(plan.replicates) +
          " replicates = " + std::to_string(plan.RunCount()) + " runs; each point's output is its replicates' mean" +
          (plan.replicates > 1 ? " (their spread per point: points.csv, sd and mean_low..mean_high)\n" : "\n");
  text += "outputs: " + Join(options.outputs) + "\n";
  switch (r.kind) {
    case DesignKind::kSobol:
      text += "indices.csv: first-order (Saltelli 2010) and total (Jansen) indices, 95% intervals from " +
              std::to_string(options.bootstrap) + " bootstrap resamples\n";
      break;
    case DesignKind::kMorris:
      text += "indices.csv: mu, mu_star and sigma of the elementary effects (on the unit scale of each interval)\n";
      break;
    case DesignKind::kLhs:
      text += "indices.csv: partial rank correlation coefficients and their p-values\n";
      break;
  }
  if (options.calibrate) {
    std::string targets;
    for (const auto& [name, value] : options.targets) targets += (targets.empty() ? "" : ", ") + name + "=" + Num(value);
    if (!options.targetSeries.empty()) targets = "the series of '" + options.targetSeries + "' step by step";
    text += "calibration: ABC rejection to " + targets + ", each output scaled by its spread over the points; the " +
            Num(options.accept * 100) + "% nearest points are the posterior (posterior.csv, posterior_summary.csv)\n";
  }
  text += "runs without a value: " + (notes.empty() ? std::string("none\n") : "\n" + notes);
  return text;
}

}  // namespace

std::string NotesForStderr(const std::string& notes) {
  std::string out;
  for (std::size_t from = 0; from < notes.size();) {
    const std::size_t to = notes.find('\n', from);
    out += "quorvan-batch: " + notes.substr(from, to == std::string::npos ? std::string::npos : to - from) + "\n";
    from = to == std::string::npos ? notes.size() : to + 1;
  }
  return out;
}

std::string DesignOf(const SweepPlan& plan, Design& design) {
  if (!plan.design) return "the sweep is a grid, not a design";
  if (std::string error = MakeDesign(plan.design->request, design); !error.empty()) return error;
  const std::vector<std::vector<std::string>> points = DesignPointValues(design);
  std::size_t j = 0;
  for (const SweepSetting& s : plan.settings) {
    if (j >= design.request.settings.size() || s.key != design.request.settings[j].key) continue;
    if (s.values.size() != points.size()) return "the design's points do not match the plan's";
    for (std::size_t p = 0; p < points.size(); ++p) {
      if (points[p][j] != s.values[p]) {
        return "the design made here differs from the one recorded at point " + std::to_string(p) + " (--" + s.key +
               " " + points[p][j] + ", recorded " + s.values[p] + ")";
      }
    }
    ++j;
  }
  if (j != design.request.settings.size()) return "the design's settings do not match the plan's";
  return {};
}

std::string WriteDesignResults(const SweepPlan& plan, const DesignAnalysisOptions& options, const std::string& dir,
                                bool plot, std::string& notes) {
  Design design;
  if (std::string error = DesignOf(plan, design); !error.empty()) return "'" + dir + "': " + error;
  CsvTable runs;
  std::string error;
  if (!ReadCsv(dir + "/runs.csv", runs, error)) return error;

  std::string indices, posterior, summary, calibrationNotes;
  if (error = AnalyzeDesign(design, plan.replicates, runs, options.outputs, static_cast<int>(options.bootstrap),
                            plan.seed, indices, notes);
      !error.empty()) {
    return error;
  }
  if (options.calibrate && !options.targetSeries.empty()) {
    SeriesTarget target;
    if (error = ReadSeriesTarget("the target series", options.targetSeries, target); !error.empty()) return error;
    if (error = CalibrateToSeries(design, plan.replicates, dir + "/series.csv", target, options.accept, posterior,
                                  summary);
        !error.empty()) {
      return error;
    }
  } else if (options.calibrate) {
    if (error = CalibrateDesign(design, plan.replicates, runs, options.targets, options.accept, posterior, summary,
                                calibrationNotes);
        !error.empty()) {
      return error;
    }
    // A target that is also an output is noted once.
    for (std::size_t from = 0, to = 0; from < calibrationNotes.size(); from = to + 1) {
      to = calibrationNotes.find('\n', from);
      const std::string line = calibrationNotes.substr(from, to - from + 1);
      if (notes.find(line) == std::string::npos) notes += line;
    }
  }

  const std::pair<std::string, const std::string*> files[] = {
      {"indices.csv", &indices},
      {"posterior.csv", &posterior},
      {"posterior_summary.csv", &summary},
  };
  for (const auto& [name, text] : files) {
    if (text->empty()) continue;
    if (error = WriteTextFile(dir + "/" + name, *text); !error.empty()) return error;
  }
  if (error = WriteTextFile(dir + "/analysis.txt", Description(plan, design, options, notes)); !error.empty()) {
    return error;
  }
  if (!plot) return {};
  if (error = WriteIndicesPlot(indices, dir + "/indices.png", dir + "/indices.svg"); !error.empty()) return error;
  if (options.calibrate) return WritePosteriorPlot(posterior, summary, dir + "/posterior.png", dir + "/posterior.svg");
  return {};
}

}  // namespace quorvan::batch
