#include "sweep_command.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <thread>

#include "batch_run.h"
#include "experiment_file.h"
#include "random_source.h"
#include "sweep_tables.h"

namespace quorvan::batch {

namespace fs = std::filesystem;

namespace {

constexpr int64_t kMaxRuns = 10'000'000;
constexpr int64_t kMaxJobs = 1024;
constexpr std::string_view kPlotNames[] = {"none", "on"};

std::string ReadPlanFile(const std::string& path, SweepPlan& plan) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "'" + path + "' cannot be read";
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (std::string error = ParsePlanJson(text, plan); !error.empty()) return "'" + path + "' is damaged: " + error;
  return {};
}

// "K/N" with 1 <= K <= N.
std::string ReadShard(const std::string& where, const std::string& text, SweepPlan& plan) {
  const std::size_t slash = text.find('/');
  const Parsed<int64_t> n = ParseWhole(where, slash == std::string::npos ? "" : text.substr(slash + 1), 1, kMaxRuns);
  const Parsed<int64_t> k = ParseWhole(where, text.substr(0, slash), 1, n ? *n : 1);
  if (!n || !k) return where + ": '" + text + "' is not K/N with 1 <= K <= N";
  plan.shardIndex = *k;
  plan.shardCount = *n;
  return {};
}

// Every point's run description, and each world opened once, so that
// values it refuses (another agent count, a stop time it has passed) stop
// the sweep before it starts.
std::string ReadPoints(SweepCommand& cmd, const std::function<std::string(const std::string&)>& where) {
  if (std::string error = PointSpecs(cmd.plan, where, cmd.points); !error.empty()) return error;
  for (const RunSpec& spec : cmd.points) {
    if (spec.world.empty()) continue;
    Simulation sim;
    if (std::string error = StartFromWorld(spec, sim); !error.empty()) return error;
  }
  return {};
}

}  // namespace

SweepOptions::SweepOptions(CLI::App& app) : design_(app) {
  const std::string group = "Sweep (any of these makes the command a sweep; results in --out DIR)";
  const std::tuple<const char*, const char*, const char*> options[] = {
      {"out", "DIR", "The sweep's folder: runs.csv, summary.csv, plots, experiment.json"},
      {"replicates", "K", "Runs per combination of the settings, 1 to 10000000 (seeds derived from --seed)"},
      {"experiment", "FILE", "The sweep as TOML: keys as the options without dashes; the command line wins"},
      {"jobs", "N", "Runs at once, 1 to 1024 (default: all cores)"},
      {"plot", "on|none", "plot.png and plot.svg, or none"},
      {"shard", "K/N", "Only the K-th of N shares of the runs (join them with merge)"},
      {"resume", "DIR", "Run what an interrupted sweep in DIR is missing (with --jobs and --quiet only)"},
  };
  for (const auto& [name, type, help] : options) {
    options_[name] = app.add_option(std::string("--") + name, texts_[name], help)->type_name(type)->group(group);
  }
  options_["series"] = app.add_flag("--series", series_, "Also series.csv: every step of every run")->group(group);
  options_["quiet"] = app.add_flag("--quiet", quiet_, "No progress on stderr")->group(group);
}

void SweepOptions::ReadGiven(std::map<std::string, ExperimentValue>& values) const {
  for (const auto& [name, option] : options_) {
    if (option->count() == 0) continue;
    const bool flag = name == "series" ? series_ : quiet_;
    const std::string text = name == "series" || name == "quiet" ? (flag ? "true" : "false") : texts_.at(name);
    values[name] = {name, {text}, false, "--" + name};
  }
  design_.ReadGiven(values);
}

bool SweepOptions::Given() const {
  if (design_.Given()) return true;
  for (const auto& [name, option] : options_) {
    if (option->count() > 0) return true;
  }
  return false;
}

std::string SweepOptions::Read(const RunOptions& run, const std::vector<std::string>& args, SweepCommand& cmd) const {
  cmd = SweepCommand{};
  cmd.command = args;
  const auto given = [this](const char* name) { return options_.at(name)->count() > 0; };
  const RunOutputOptions& outputs = run.Outputs();
  if (outputs.Fields() && !outputs.Fields()->empty()) {
    return "--fields: a sweep writes one field history per run into DIR/fields/; give --fields without a file name";
  }
  if (const std::vector<std::string> single = run.SingleRunOnly(); !single.empty()) {
    return single.front() + " belongs to a single run; a sweep writes everything to --out";
  }

  // The values by key, each with where it came from: the experiment file's
  // first, the command line's over them.
  std::map<std::string, ExperimentValue> values;
  if (given("resume")) {
    for (const auto& [name, option] : options_) {
      if (option->count() > 0 && name != "resume" && name != "jobs" && name != "quiet") {
        return "--resume continues the sweep recorded in its folder; only --jobs and --quiet go with it";
      }
    }
    if (design_.Given()) return "--resume continues the sweep recorded in its folder; only --jobs and --quiet go with it";
    if (!run.GivenSettings().empty() || run.Seed() || outputs.Fields() || outputs.FieldsEvery()) {
      return "--resume continues the sweep recorded in its folder; only --jobs and --quiet go with it";
    }
    ReadGiven(values);
    cmd.resume = true;
    cmd.outDir = texts_.at("resume");
    if (std::string error = ReadPlan(cmd.outDir, cmd.plan); !error.empty()) return "--resume: " + error;
    if (!fs::is_directory(cmd.outDir + "/parts")) {
      return "--resume: '" + cmd.outDir + "' holds merged tables, not a sweep's runs; nothing to resume";
    }
  } else {
    if (given("experiment")) {
      std::vector<ExperimentValue> file;
      if (std::string error = ReadExperimentFile(texts_.at("experiment"), file); !error.empty()) return error;
      for (ExperimentValue& v : file) values[v.key] = std::move(v);
    }
    for (const auto& [key, text] : run.GivenSettings()) {
      values[key->name] = {key->name, {text}, true, std::string("--") + key->name};
    }
    if (const auto seed = run.Seed()) values["seed"] = {"seed", {*seed}, false, "--seed"};
    if (outputs.Fields()) values["fields"] = {"fields", {"true"}, false, "--fields"};
    if (const auto every = outputs.FieldsEvery()) {
      values["fields-every"] = {"fields-every", {std::to_string(*every)}, false, "--fields-every"};
    }
    ReadGiven(values);
    const auto value = [&values](const char* key) -> const ExperimentValue* {
      const auto it = values.find(key);
      return it == values.end() ? nullptr : &it->second;
    };

    SweepPlan& plan = cmd.plan;
    std::vector<GivenInterval> intervals;
    for (const RunKey& key : RunKeys()) {
      const ExperimentValue* v = value(key.name);
      if (!v || !key.sweepable) continue;
      SweepSetting setting{key.name, v->items};
      if (v->expand && IsInterval(v->items.front())) {
        GivenInterval interval{plan.settings.size(), {}, v->where};
        if (std::string error = ParseInterval(key, v->where, v->items.front(), interval.interval); !error.empty()) {
          return error;
        }
        intervals.push_back(std::move(interval));
      } else if (v->expand) {
        ValueList list = ExpandValues(v->where, v->items.front(), key.kind);
        if (!list.error.empty()) return list.error;
        setting.values = std::move(list.values);
      }
      plan.settings.push_back(std::move(setting));
    }
    if (const ExperimentValue* r = value("replicates")) {
      const Parsed<int64_t> n = ParseWhole(r->where, r->items.front(), 1, kMaxRuns);
      if (!n) return n.error;
      plan.replicates = *n;
    }
    if (const ExperimentValue* s = value("seed")) {
      const Parsed<uint64_t> seed = ParseSeed(s->where, s->items.front());
      if (!seed) return seed.error;
      plan.seed = *seed;
    } else {
      plan.seed = SeedFromClock();
    }
    if (std::string error = ReadDesign(values, intervals, plan); !error.empty()) return error;
    if (const ExperimentValue* s = value("series")) plan.series = s->items.front() == "true";
    if (const ExperimentValue* q = value("quiet")) cmd.quiet = q->items.front() == "true";
    if (const ExperimentValue* f = value("fields"); f && f->items.front() == "true") {
      plan.fieldsEvery = RecordingOptions{}.fieldsEvery;
      if (const ExperimentValue* e = value("fields-every")) {
        const Parsed<int64_t> every = ParseWhole(e->where, e->items.front(), 1, std::numeric_limits<int32_t>::max());
        if (!every) return every.error;
        plan.fieldsEvery = static_cast<int32_t>(*every);
      }
    }
    if (const ExperimentValue* p = value("plot")) {
      const Parsed<std::size_t> plot = ParseName(p->where, p->items.front(), kPlotNames);
      if (!plot) return plot.error;
      plan.plot = *plot == 1;
    }
    if (const ExperimentValue* s = value("shard")) {
      if (std::string error = ReadShard(s->where, s->items.front(), plan); !error.empty()) return error;
    }
    const ExperimentValue* out = value("out");
    if (!out || out->items.front().empty()) return "a sweep needs --out DIR, the folder for its results";
    cmd.outDir = out->items.front();
  }

  if (const auto it = values.find("jobs"); it != values.end()) {
    const Parsed<int64_t> n = ParseWhole(it->second.where, it->second.items.front(), 1, kMaxJobs);
    if (!n) return n.error;
    cmd.jobs = static_cast<int>(*n);
  } else {
    cmd.jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  }
  if (given("quiet")) cmd.quiet = quiet_;

  // The size of the sweep, without overflowing on the way.
  int64_t runs = cmd.plan.replicates;
  for (const SweepSetting& s : cmd.plan.settings) {
    if (cmd.plan.design) break;  // its size was checked as it was made
    if (runs > kMaxRuns / static_cast<int64_t>(s.values.size())) return "the sweep has more than 10000000 runs";
    runs *= static_cast<int64_t>(s.values.size());
  }

  const std::string planFile = cmd.outDir + "/plan.json";
  const auto where = [&](const std::string& key) {
    if (cmd.resume) return "'" + planFile + "': '" + key + "'";
    const auto it = values.find(key);
    return it == values.end() ? "--" + key : it->second.where;
  };
  if (std::string error = ReadPoints(cmd, where); !error.empty()) return error;
  if (!cmd.resume) return CheckNewOutFolder(cmd.outDir, cmd.plan);
  return {};
}

MergeOptions::MergeOptions(CLI::App& app) {
  merge_ = app.add_subcommand("merge", "Join the shares of a sharded sweep into one sweep folder");
  merge_->add_option("--out", out_, "The folder for the joined sweep (absent or empty)")->type_name("DIR");
  merge_->add_option("--plot", plot_, "plot.png and plot.svg, or none (default: as the shares' plan says)")
      ->type_name("on|none");
  merge_->add_flag("--quiet", quiet_, "No report on stderr");
  merge_->add_option("shards", shards_, "The shares' folders, every share of the sweep once")->type_name("SHARD_DIR");
}

bool MergeOptions::Chosen() const { return merge_->parsed(); }

std::string MergeOptions::Read(const std::vector<std::string>& args, MergeCommand& cmd) const {
  cmd = MergeCommand{};
  cmd.command = args;
  if (merge_->get_option("--out")->count() == 0 || out_.empty()) {
    return "merge needs --out DIR, the folder for the joined sweep";
  }
  if (shards_.empty()) return "merge needs the shares' folders: merge --out DIR SHARD_DIR...";
  cmd.outDir = out_;
  if (merge_->get_option("--plot")->count() > 0) {
    const Parsed<std::size_t> plot = ParseName("merge: --plot", plot_, kPlotNames);
    if (!plot) return plot.error;
    cmd.plot = *plot == 1;
  }
  cmd.quiet = quiet_;
  cmd.shards = shards_;
  return {};
}

std::string ReadPlan(const std::string& dir, SweepPlan& plan) {
  const std::string path = dir + "/plan.json";
  if (!fs::exists(path)) return "'" + dir + "' holds no sweep (no plan.json)";
  return ReadPlanFile(path, plan);
}

namespace {

// What a sweep stopped before it wrote its plan (a signal, a full disk)
// leaves: its lock and an empty parts folder. Such a folder is still new.
bool HoldsOnlyABeginning(const std::string& dir) {
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(dir, ec)) {
    const fs::path name = e.path().filename();
    if (name == ".lock" && e.is_regular_file(ec)) continue;
    if (name == kPartsFolder && e.is_directory(ec) && fs::is_empty(e.path(), ec)) continue;
    return false;
  }
  return !ec;
}

}  // namespace

std::string CheckNewOutFolder(const std::string& dir, const SweepPlan& plan) {
  std::error_code ec;
  const fs::file_status st = fs::status(dir, ec);
  if (!fs::exists(st)) return {};
  if (!fs::is_directory(st)) return "--out: '" + dir + "' is not a folder";
  if (fs::exists(dir + "/plan.json")) {
    SweepPlan there;
    if (ReadPlanFile(dir + "/plan.json", there).empty() && SweepIdentity(there) == SweepIdentity(plan)) {
      if (!fs::is_directory(dir + "/parts")) {
        return "--out: '" + dir + "' already holds this sweep, merged; remove it or choose another folder to join it again";
      }
      return "--out: '" + dir + "' already holds this sweep; --resume " + dir + " finishes it";
    }
    return "--out: '" + dir + "' holds another sweep; choose another folder";
  }
  if (fs::directory_iterator(dir, ec) != fs::directory_iterator() && !HoldsOnlyABeginning(dir)) {
    return "--out: '" + dir + "' is not empty";
  }
  if (ec) return "--out: '" + dir + "' cannot be read";
  return {};
}

}  // namespace quorvan::batch
