#include "sweep_record.h"

#include <chrono>
#include <ctime>
#include <nlohmann/json.hpp>

#include "json_text.h"
#include "output_file.h"
#include "sweep_plot.h"
#include "sweep_summary.h"

#ifndef QUORVAN_VERSION
#define QUORVAN_VERSION "unknown"
#endif

namespace quorvan::batch {

std::string UtcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return buf;
}

std::string WriteTextFile(const std::string& path, const std::string& text) {
  std::string error;
  OutputFile file;
  if (!file.Open(path, error)) return error;
  file.Write(text);  // a failure is Finish()'s to report
  if (!file.Finish(error) || !file.Rename(error)) return error;
  return {};
}

std::string ExperimentJson(const SweepPlan& plan, const std::vector<std::string>& command, const SweepTimes& t,
                           const std::vector<std::string>& mergedFrom, const std::vector<Resumption>& resumed,
                           const std::vector<WorldDigest>& worlds) {
  using json = nlohmann::ordered_json;
  json settings = json::object();
  json swept = json::array();
  for (const SweepSetting& s : plan.settings) {
    settings[s.key] = JsonTexts(s.values);
    if (s.values.size() > 1) swept.push_back(s.key);
  }
  json points = json::array();
  for (int64_t p = 0; p < plan.PointCount(); ++p) {
    const std::vector<std::string> values = plan.PointValues(p);
    json at = json::object();
    for (std::size_t i = 0; i < plan.settings.size(); ++i) {
      if (plan.settings[i].values.size() > 1) at[plan.settings[i].key] = JsonText(values[i]);
    }
    points.push_back({{"point", p},
                      {"label", JsonText(plan.PointLabel(p))},
                      {"settings", at},
                      {"first_run", p * plan.replicates},
                      {"last_run", (p + 1) * plan.replicates - 1}});
  }
  json seeds = json::array();
  json landscapeSeeds = json::array();
  for (int64_t r = 0; r < plan.replicates; ++r) {
    seeds.push_back(RunSeed(plan.seed, r));
    if (!plan.HasLandscapeSeed() && !plan.HasWorld()) landscapeSeeds.push_back(DerivedLandscapeSeed(plan.seed, r));
  }
  json j = {
      {"program", "quorvan-batch"},
      {"version", QUORVAN_VERSION},
      {"command", JsonTexts(command)},
      {"sweep", SweepIdentity(plan)},
      {"seed", plan.seed},
      {"replicates", plan.replicates},
      {"points", plan.PointCount()},
      {"runs", plan.RunCount()},
      {"settings", settings},
      {"swept", swept},
      {"replicate_seeds", seeds},
      {"replicate_landscape_seeds", plan.HasLandscapeSeed() || plan.HasWorld() ? json(nullptr) : landscapeSeeds},
      {"expansion", points},
      {"shard", plan.shardCount > 1 ? json{{"index", plan.shardIndex}, {"count", plan.shardCount}} : json(nullptr)},
  };
  if (plan.design) j["design"] = DesignRequestJson(plan.design->request);
  if (!resumed.empty()) {
    json resumes = json::array();
    for (const Resumption& r : resumed) resumes.push_back({{"command", JsonTexts(r.command)}, {"at", r.at}});
    j["resumed"] = resumes;
  }
  if (!worlds.empty()) {
    json digests = json::array();
    for (const WorldDigest& w : worlds) digests.push_back({{"path", JsonText(w.path)}, {"digest", w.digest}});
    j["worlds"] = digests;
  }
  if (!mergedFrom.empty()) j["merged_from"] = JsonTexts(mergedFrom);
  j["times"] = {
      {"started", t.started},
      {"finished", t.finished},
      {"jobs", t.jobs},
      {"runs_run", t.runsRun},
      {"wall_s", t.wallSeconds},
      {"runs_s", t.runSeconds},
      {"steps_s", t.stepSeconds},
      {"finish_s", t.finishSeconds},
  };
  return j.dump(2) + "\n";
}

std::string WriteResults(const SweepPlan& plan, const RecordIndex& records, const std::function<bool(int64_t)>& take,
                         const std::string& outDir, const FolderRecord& history, SweepTimes& times) {
  const auto start = std::chrono::steady_clock::now();
  std::vector<PlotCurve> curves;
  if (std::string error = WriteTables(plan, records, take, outDir, curves); !error.empty()) return error;
  if (std::string error = WriteSummaries(outDir); !error.empty()) return error;
  times.finished = UtcNow();
  times.finishSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (std::string error = WriteTextFile(outDir + "/experiment.json", ExperimentJson(plan, history.command, times, history.mergedFrom,
                                                                            history.resumptions, history.worlds));
      !error.empty()) {
    return error;
  }
  // Last: a build without plots still leaves the tables and the record.
  // A design's points are no family of curves: its figures are its analysis's.
  if (plan.plot) return plan.design ? WriteResponsePlot(outDir) : WriteFigures(curves, outDir);
  return {};
}

}  // namespace quorvan::batch
