#include "sweep_command.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <thread>

#include "batch_run.h"
#include "experiment_file.h"
#include "random_source.h"
#include "sweep_values.h"

namespace quorvan::batch {

namespace fs = std::filesystem;

namespace {

constexpr int64_t kMaxRuns = 10'000'000;
constexpr int64_t kMaxJobs = 1024;

// The sweep's own options; the two flags take no value on the command line.
const char* const kSweepOptions[] = {"out",   "replicates", "jobs",  "series", "plot",
                                     "quiet", "resume",     "shard", "experiment"};
// Single-run outputs, which a sweep replaces by its folder.
const char* const kSingleRunOnly[] = {"csv", "json", "png", "save-world", "gravity", "no-agents"};

bool IsOneOf(const std::string& name, const auto& names) {
  for (const char* n : names) {
    if (name == n) return true;
  }
  return false;
}

bool IsFlag(const std::string& name) { return name == "series" || name == "quiet"; }

// "--name=value" or "--name" and its value in the next argument.
struct Arg {
  std::string name;
  std::optional<std::string> value;
};

std::optional<std::int64_t> Whole(const std::string& text) {
  int64_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return v;
}

std::string ReadPlanFile(const std::string& path, SweepPlan& plan) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "'" + path + "' cannot be read";
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (std::string error = ParsePlanJson(text, plan); !error.empty()) return "'" + path + "' is damaged: " + error;
  return {};
}

}  // namespace

bool IsSweepCommandLine(const std::vector<std::string>& args) {
  for (const std::string& a : args) {
    if (a == "-h" || a == "--help") return false;  // the help tells of sweeps too
  }
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.rfind("--", 0) != 0) continue;
    const std::size_t eq = a.find('=');
    const std::string name = a.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
    if (IsOneOf(name, kSweepOptions)) return true;
    const auto kind = KindOf(name);
    if (!kind) continue;
    std::string value;
    if (eq != std::string::npos) {
      value = a.substr(eq + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    }
    const ValueList list = ExpandValues(a, value, *kind);
    if (list.values.size() != 1 || (*kind != ValueKind::Name && value.find(':') != std::string::npos)) return true;
  }
  return false;
}

std::string ReadPlan(const std::string& dir, SweepPlan& plan) {
  const std::string path = dir + "/plan.json";
  if (!fs::exists(path)) return "'" + dir + "' holds no sweep (no plan.json)";
  return ReadPlanFile(path, plan);
}

std::string CheckNewOutFolder(const std::string& dir, const SweepPlan& plan) {
  std::error_code ec;
  const fs::file_status st = fs::status(dir, ec);
  if (!fs::exists(st)) return {};
  if (!fs::is_directory(st)) return "--out: '" + dir + "' is not a folder";
  if (fs::exists(dir + "/plan.json")) {
    SweepPlan there;
    if (ReadPlanFile(dir + "/plan.json", there).empty() && SweepIdentity(there) == SweepIdentity(plan)) {
      return "--out: '" + dir + "' already holds this sweep; --resume " + dir + " finishes it";
    }
    return "--out: '" + dir + "' holds another sweep; choose another folder";
  }
  if (fs::directory_iterator(dir, ec) != fs::directory_iterator()) return "--out: '" + dir + "' is not empty";
  if (ec) return "--out: '" + dir + "' cannot be read";
  return {};
}

SweepParse ParseSweepCommandLine(const std::vector<std::string>& args) {
  SweepParse out;
  const auto fail = [&out](std::string message) {
    out.error = std::move(message);
    return out;
  };

  // The command line, option by option; each may be given once.
  std::map<std::string, std::string> given;
  std::vector<std::string> order;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.rfind("--", 0) != 0 || a.size() == 2) return fail("unexpected argument '" + a + "'");
    const std::size_t eq = a.find('=');
    const std::string name = a.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
    if (IsOneOf(name, kSingleRunOnly)) {
      return fail("--" + name + " belongs to a single run; a sweep writes everything to --out");
    }
    if (!IsOneOf(name, kSweepOptions) && !KindOf(name) && name != "seed") return fail("unknown option '--" + name + "'");
    std::string value = "true";
    if (eq != std::string::npos) {
      value = a.substr(eq + 1);
    } else if (!IsFlag(name)) {
      if (i + 1 >= args.size()) return fail("--" + name + " needs a value");
      value = args[++i];
    }
    if (given.count(name)) return fail("--" + name + " is given twice");
    given[name] = value;
    order.push_back(name);
  }

  SweepCommand cmd;
  cmd.command = args;
  std::optional<std::string> jobsText;
  if (given.count("jobs")) jobsText = given["jobs"];
  if (given.count("resume")) {
    for (const std::string& name : order) {
      if (name != "resume" && name != "jobs" && name != "quiet") {
        return fail("--resume continues the sweep recorded in its folder; only --jobs and --quiet go with it");
      }
    }
    cmd.resume = true;
    cmd.outDir = given["resume"];
    if (std::string error = ReadPlan(cmd.outDir, cmd.plan); !error.empty()) return fail("--resume: " + error);
    if (!fs::is_directory(cmd.outDir + "/parts")) {
      return fail("--resume: '" + cmd.outDir + "' holds merged tables, not a sweep's runs; nothing to resume");
    }
  } else {
    // The experiment file's keys, then the command line over them.
    std::map<std::string, ExperimentValue> values;
    if (given.count("experiment")) {
      std::vector<ExperimentValue> file;
      if (std::string error = ReadExperimentFile(given["experiment"], file); !error.empty()) return fail(error);
      for (ExperimentValue& v : file) values[v.key] = std::move(v);
    }
    for (const auto& [name, value] : given) {
      if (name != "experiment") values[name] = ExperimentValue{name, {value}, true};
    }
    const auto text = [&values](const char* key) -> std::optional<std::string> {
      const auto it = values.find(key);
      if (it == values.end()) return std::nullopt;
      return it->second.items.front();
    };

    SweepPlan& plan = cmd.plan;
    for (const SweepKey& key : SweepKeys()) {
      const auto it = values.find(key.name);
      if (it == values.end()) continue;
      SweepSetting setting{key.name, {}};
      if (it->second.expand) {
        ValueList list = ExpandValues("--" + setting.key, it->second.items.front(), key.kind);
        if (!list.error.empty()) return fail(list.error);
        setting.values = std::move(list.values);
      } else {
        setting.values = it->second.items;
      }
      plan.settings.push_back(std::move(setting));
    }
    if (const auto r = text("replicates")) {
      const auto n = Whole(*r);
      if (!n || *n < 1 || *n > kMaxRuns) return fail("--replicates: '" + *r + "' is not a whole number from 1");
      plan.replicates = *n;
    }
    if (const auto s = text("seed")) {
      const std::optional<uint64_t> seed = SeedOfText(*s);
      if (!seed) return fail("--seed: '" + *s + "' is not a whole number from 0 to 2^64-1");
      plan.seed = *seed;
    } else {
      plan.seed = SeedFromClock();
    }
    for (const char* flag : {"series", "quiet"}) {
      const auto v = text(flag);
      if (v && *v != "true" && *v != "false") return fail(std::string("--") + flag + " takes no value");
      if (v && *v == "true") (std::string(flag) == "series" ? plan.series : cmd.quiet) = true;
    }
    if (const auto p = text("plot")) {
      if (*p != "none" && *p != "on") return fail("--plot: '" + *p + "' is neither none nor on");
      plan.plot = *p == "on";
    }
    if (const auto s = text("shard")) {
      const std::size_t slash = s->find('/');
      const auto k = Whole(s->substr(0, slash));
      const auto n = slash == std::string::npos ? std::nullopt : Whole(s->substr(slash + 1));
      if (!k || !n || *n < 1 || *k < 1 || *k > *n) return fail("--shard: '" + *s + "' is not K/N with 1 <= K <= N");
      plan.shardIndex = *k;
      plan.shardCount = *n;
    }
    jobsText = text("jobs");
    const auto dir = text("out");
    if (!dir || dir->empty()) return fail("a sweep needs --out DIR, the folder for its results");
    cmd.outDir = *dir;
  }

  if (const auto j = jobsText) {
    const auto n = Whole(*j);
    if (!n || *n < 1 || *n > kMaxJobs) return fail("--jobs: '" + *j + "' is not a whole number from 1 to 1024");
    cmd.jobs = static_cast<int>(*n);
  } else {
    cmd.jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  }
  if (given.count("quiet")) cmd.quiet = given["quiet"] == "true";

  // The size of the sweep, without overflowing on the way.
  int64_t runs = cmd.plan.replicates;
  for (const SweepSetting& s : cmd.plan.settings) {
    if (runs > kMaxRuns / static_cast<int64_t>(s.values.size())) return fail("the sweep has more than 10000000 runs");
    runs *= static_cast<int64_t>(s.values.size());
  }
  if (runs > kMaxRuns) return fail("the sweep has more than 10000000 runs");

  // Every point's settings, checked as a single run checks them.
  const int64_t points = cmd.plan.PointCount();
  cmd.points.resize(static_cast<std::size_t>(points));
  for (int64_t p = 0; p < points; ++p) {
    BatchOptions& options = cmd.points[static_cast<std::size_t>(p)];
    if (std::string error = PointOptions(cmd.plan, p, options); !error.empty()) return fail(error);
    // A saved world is opened once here, so that options it refuses (another
    // agent count, cell size or landscape) stop the sweep before it starts.
    if (!options.worldPath.empty()) {
      Simulation sim;
      if (std::string error = StartFromWorld(options, std::nullopt, sim); !error.empty()) return fail(error);
    }
  }
  if (!cmd.resume) {
    if (std::string error = CheckNewOutFolder(cmd.outDir, cmd.plan); !error.empty()) return fail(error);
  }
  out.command = std::move(cmd);
  return out;
}

}  // namespace quorvan::batch
