#include "design_command.h"

#include <algorithm>
#include <sstream>

#include <filesystem>

#include "series_target.h"
#include "sweep_tables.h"

namespace quorvan::batch {

namespace {

constexpr int64_t kMaxRuns = 10'000'000;
constexpr std::string_view kDesignNames[] = {"lhs", "sobol", "morris"};

std::vector<std::string> SplitCommas(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    const auto first = item.find_first_not_of(" \t");
    const auto last = item.find_last_not_of(" \t");
    out.push_back(first == std::string::npos ? "" : item.substr(first, last - first + 1));
  }
  if (!text.empty() && text.back() == ',') out.push_back("");
  return out;
}

}  // namespace

DesignOptions::DesignOptions(CLI::App& app) {
  const std::string group = "Design (settings as intervals low..high: --wiggle 0..180 --consume 0.05..0.6)";
  const std::tuple<const char*, const char*, const char*> options[] = {
      {"design", "lhs|sobol|morris", "Sample the intervals: Latin hypercube, Saltelli's Sobol scheme, Morris trajectories"},
      {"samples", "N", "lhs: points; sobol: base samples (N x (k+2) points); morris: trajectories (N x (k+1) points)"},
      {"levels", "P", "morris: levels of each setting's grid (default 4)"},
      {"outputs", "LIST", "Outputs analysed, numeric columns of runs.csv (default deliveries,successful_50,returning)"},
      {"bootstrap", "B", "Bootstrap resamples of the Sobol indices' intervals (default 1000)"},
      {"accept", "F", "Calibration: the fraction of points nearest the targets kept (default 0.05)"},
  };
  for (const auto& [name, type, help] : options) {
    options_[name] = app.add_option(std::string("--") + name, texts_[name], help)->type_name(type)->group(group);
  }
  options_["target"] = app.add_option("--target", targets_, "Calibration: OUTPUT=VALUE once per output, or a CSV of series step by step")
                           ->type_name("OUTPUT=VALUE")
                           ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
                           ->group(group);
  options_["calibrate"] =
      app.add_flag("--calibrate", calibrate_, "Fit the intervals' settings to --target values (lhs or sobol)")->group(group);
}

bool DesignOptions::Given() const {
  return std::any_of(options_.begin(), options_.end(), [](const auto& o) { return o.second->count() > 0; });
}

void DesignOptions::ReadGiven(std::map<std::string, ExperimentValue>& values) const {
  for (const auto& [name, option] : options_) {
    if (option->count() == 0) continue;
    if (name == "target") {
      values[name] = {name, targets_, false, "--target"};
    } else if (name == "calibrate") {
      values[name] = {name, {calibrate_ ? "true" : "false"}, false, "--calibrate"};
    } else {
      values[name] = {name, {texts_.at(name)}, false, "--" + name};
    }
  }
}

std::vector<std::string> OutputColumns(const SweepPlan& plan) {
  std::string header = RunsHeader(plan);
  if (!header.empty() && header.back() == '\n') header.pop_back();
  std::vector<std::string> out;
  bool outcome = false;
  for (const std::string& column : SplitCommas(header)) {
    if (column == "landscape_seed") {
      outcome = true;  // the runs' outcomes follow the seeds
      continue;
    }
    if (outcome) out.push_back(column);
  }
  return out;
}

std::string ReadOutputs(const std::string& where, const std::vector<std::string>& items, const SweepPlan& plan,
                        std::vector<std::string>& outputs) {
  const std::vector<std::string> columns = OutputColumns(plan);
  outputs.clear();
  for (const std::string& item : items) {
    for (const std::string& name : SplitCommas(item)) {
      if (std::find(columns.begin(), columns.end(), name) == columns.end()) {
        return where + ": '" + name + "' is not a numeric output column of runs.csv (such as deliveries, returning)";
      }
      if (std::find(outputs.begin(), outputs.end(), name) == outputs.end()) outputs.push_back(name);
    }
  }
  if (outputs.empty()) return where + ": no output named";
  return {};
}

std::string ReadDesign(const std::map<std::string, ExperimentValue>& values, const std::vector<GivenInterval>& intervals,
                       SweepPlan& plan) {
  const auto value = [&values](const char* key) -> const ExperimentValue* {
    const auto it = values.find(key);
    return it == values.end() ? nullptr : &it->second;
  };
  const ExperimentValue* kind = value("design");
  if (!kind) {
    if (!intervals.empty()) {
      const GivenInterval& i = intervals.front();
      return i.where + ": '" + plan.settings[i.setting].values.front() +
             "' is an interval, which a design samples: add --design lhs|sobol|morris and --samples N";
    }
    for (const char* key : {"samples", "levels", "outputs", "bootstrap", "calibrate", "target", "accept"}) {
      if (const ExperimentValue* v = value(key)) return v->where + " goes with --design (lhs, sobol or morris)";
    }
    return {};
  }

  SweepDesign design;
  DesignRequest& request = design.request;
  const Parsed<std::size_t> name = ParseName(kind->where, kind->items.front(), kDesignNames);
  if (!name) return name.error;
  request.kind = static_cast<DesignKind>(*name);
  const char* kindName = DesignKindName(request.kind);
  if (intervals.empty()) {
    return kind->where + " " + kindName + " needs settings given as intervals low..high (for example --wiggle 0..180)";
  }
  for (const SweepSetting& s : plan.settings) {
    if (s.values.size() > 1) {
      return "--" + s.key + ": a list or range makes a grid; a design's other settings take one value each";
    }
  }
  for (const GivenInterval& i : intervals) request.settings.push_back(i.interval);
  const ExperimentValue* samples = value("samples");
  const int64_t least = MinimumSamples(request.kind, intervals.size());
  if (!samples) {
    return kind->where + " " + kindName + " needs --samples N (" + std::to_string(least) + " or more for " +
           std::to_string(intervals.size()) + " settings)";
  }
  const Parsed<int64_t> n = ParseWhole(samples->where, samples->items.front(), 0, kMaxRuns);
  if (!n) return n.error;
  request.samples = *n;
  if (const ExperimentValue* levels = value("levels")) {
    if (request.kind != DesignKind::kMorris) return levels->where + " goes with --design morris";
    const Parsed<int64_t> p = ParseWhole(levels->where, levels->items.front(), 0, 1000);
    if (!p) return p.error;
    request.levels = static_cast<int>(*p);
  }
  request.seed = plan.seed;

  // The size before the design is made: points x replicates.
  const auto k = static_cast<int64_t>(intervals.size());
  const int64_t perSample = request.kind == DesignKind::kLhs ? 1 : request.kind == DesignKind::kSobol ? k + 2 : k + 1;
  if (request.samples > kMaxRuns / perSample / plan.replicates) return "the sweep has more than 10000000 runs";

  DesignAnalysisOptions& analysis = design.analysis;
  if (const ExperimentValue* o = value("outputs")) {
    if (std::string error = ReadOutputs(o->where, o->items, plan, analysis.outputs); !error.empty()) return error;
  }
  if (const ExperimentValue* b = value("bootstrap")) {
    const Parsed<int64_t> resamples = ParseWhole(b->where, b->items.front(), 1, 1'000'000);
    if (!resamples) return resamples.error;
    analysis.bootstrap = *resamples;
  }
  const ExperimentValue* calibrate = value("calibrate");
  analysis.calibrate = calibrate && calibrate->items.front() == "true";
  const ExperimentValue* targets = value("target");
  const ExperimentValue* accept = value("accept");
  if (!analysis.calibrate) {
    if (targets) return targets->where + " goes with --calibrate";
    if (accept) return accept->where + " goes with --calibrate";
  } else {
    if (request.kind == DesignKind::kMorris) {
      return calibrate->where + " samples the prior with --design lhs or sobol, not morris's trajectories";
    }
    if (!targets) return calibrate->where + " needs --target OUTPUT=VALUE, once per output";
    if (accept) {
      const Parsed<double> fraction = ParseAcceptFraction(accept->where, accept->items.front());
      if (!fraction) return fraction.error;
      analysis.accept = *fraction;
    }
  }

  Design made;
  if (std::string error = MakeDesign(request, made); !error.empty()) return error;
  const std::vector<std::vector<std::string>> points = DesignPointValues(made);
  for (std::size_t j = 0; j < intervals.size(); ++j) {
    std::vector<std::string>& column = plan.settings[intervals[j].setting].values;
    column.clear();
    for (const std::vector<std::string>& point : points) column.push_back(point[j]);
  }
  const bool series = value("series") && value("series")->items.front() == "true";
  plan.design = std::move(design);
  if (targets) {
    plan.series = series;  // read again by the sweep; the series target needs it now
    if (std::string error = ReadTargets(targets->where, targets->items, plan, plan.design->analysis); !error.empty()) {
      return error;
    }
  }
  return {};
}

std::string ReadTargets(const std::string& where, const std::vector<std::string>& items, const SweepPlan& plan,
                        DesignAnalysisOptions& options) {
  options.targets.clear();
  options.targetSeries.clear();
  const std::vector<std::string> columns = OutputColumns(plan);
  for (const std::string& text : items) {
    if (text.find('=') == std::string::npos && !items.empty()) {
      if (items.size() > 1) return where + ": '" + text + "' is a file of series; it goes alone, without OUTPUT=VALUE";
      if (!plan.series) return where + ": '" + text + "' compares series step by step; the sweep needs --series";
      SeriesTarget target;
      if (std::string error = ReadSeriesTarget(where, text, target); !error.empty()) return error;
      int64_t steps = 0;
      if (std::string error = RunLength(plan, steps); !error.empty()) return where + ": " + error;
      if (static_cast<int64_t>(target.Steps()) != steps) {
        return where + ": '" + text + "' holds " + std::to_string(target.Steps()) + " steps; the runs take " +
               std::to_string(steps);
      }
      options.targetSeries = std::filesystem::absolute(text).string();
      continue;
    }
    std::string output;
    double value = 0;
    if (std::string error = ParseTarget(where, text, output, value); !error.empty()) return error;
    if (std::find(columns.begin(), columns.end(), output) == columns.end()) {
      return where + ": '" + output + "' names no numeric output column of runs.csv";
    }
    if (options.targets.count(output) > 0) return where + ": '" + output + "' has two targets";
    options.targets[output] = value;
  }
  return {};
}

}  // namespace quorvan::batch
