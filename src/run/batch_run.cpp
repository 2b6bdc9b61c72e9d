#include "batch_run.h"

#include <charconv>
#include <chrono>
#include <nlohmann/json.hpp>

#include "settings_limits.h"
#include "world_file.h"

namespace quorvan::batch {

CsvWriter::CsvWriter(std::FILE* file) : file_(file) { buffer_ = "step,successful,returning,track_max,deliveries\n"; }

void CsvWriter::Row(int32_t step, int32_t successful, int32_t returning, double trackMax, int32_t deliveries) {
  char buf[32];
  const auto field = [this, &buf](auto value, char end) {
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    buffer_.append(buf, res.ptr);
    buffer_.push_back(end);
  };
  field(step, ',');
  field(successful, ',');
  field(returning, ',');
  field(trackMax, ',');
  field(deliveries, '\n');
  if (buffer_.size() > (1u << 16)) {
    std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
    buffer_.clear();
  }
}

bool CsvWriter::Finish() {
  std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
  buffer_.clear();
  return std::fflush(file_) == 0 && !std::ferror(file_);
}

std::string StartFromWorld(const BatchOptions& options, std::optional<uint64_t> seed, Simulation& sim) {
  std::vector<ChartPoint> chart;  // the window's; a batch run keeps no chart
  if (std::string error = OpenWorld(options.worldPath, sim, chart); !error.empty()) return error;
  const std::string world = "the world in '" + options.worldPath + "'";
  if (options.Given("--agents") && static_cast<std::size_t>(options.agents) != sim.Agents.size()) {
    return "--agents: " + world + " has " + std::to_string(sim.Agents.size()) +
           " agents; another count needs a new world";
  }
  if (options.Given("--cell-size") && options.cellSize != sim.CellSize) {
    return "--cell-size: " + world + " has cells of " + std::to_string(sim.CellSize) +
           " pixels; another size needs a new world";
  }
  if (options.Given("--mode") && ModeNumber(options.mode) != sim.settings.SetupMode) {
    return "--mode: " + world + " was built with another landscape; it needs a new world";
  }
  if (options.Given("--landscape-seed")) return "--landscape-seed: the landscape of " + world + " is built already";
  ApplyGivenOptions(options, sim.settings);
  if (options.Given("--steps")) sim.StopTime = options.steps;
  if (seed) sim.Rand.FixSeed(*seed);
  return {};
}

std::string RunWorld(const BatchOptions& options, std::optional<uint64_t> seed, Simulation& sim, CsvWriter* csv,
                     RunSummary& summary, RunRecorder* recorder) {
  if (!csv && !recorder) return RunWorldSteps(options, seed, sim, StepObserver(), summary);
  return RunWorldSteps(
      options, seed, sim,
      [csv, recorder, &sim](int32_t step, const StepResult& r) {
        if (csv) csv->Row(step, r.successful, r.returning, static_cast<double>(r.trackMax), r.deliveries);
        if (recorder) recorder->AfterStep(sim, r.stopReached || sim.StepCount >= sim.StopTime);
      },
      summary);
}

std::string RunWorldSteps(const BatchOptions& options, std::optional<uint64_t> seed, Simulation& sim,
                          const StepObserver& observer, RunSummary& summary) {
  summary = RunSummary{};
  if (!options.worldPath.empty()) {
    if (std::string error = StartFromWorld(options, seed, sim); !error.empty()) return error;
    // A world at or past its stop time runs no step: report it as it stands.
    sim.UpdateStatistics(summary.successful, summary.returning);
    summary.trackMax = static_cast<double>(sim.TrackMax);
  } else {
    sim.Rand.FixSeed(seed.value_or(SeedFromClock()));
    sim.Rand.SetLandscapeSeed(options.landscapeSeed);
    sim.settings = SettingsFor(options);
    if (std::string error = sim.SetupWorld(); !error.empty()) return error;
    ApplyOverrides(options, sim.settings);
  }

  summary.seed = sim.Rand.Seed();
  summary.startStep = sim.StepCount;
  const auto start = std::chrono::steady_clock::now();
  while (sim.StepCount < sim.StopTime) {
    const StepResult r = sim.DoStep();
    if (!r.ok()) return r.error;
    summary.successful = r.successful;
    summary.returning = r.returning;
    summary.trackMax = static_cast<double>(r.trackMax);
    if (observer) observer(sim.StepCount, r);
    if (r.stopReached) break;
  }
  summary.elapsedSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  summary.stepsRun = sim.StepCount;
  return {};
}

namespace {

// A setting's text as the number it converts to; null when it does not.
nlohmann::ordered_json Number(const Converted<double>& value) {
  return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json ModeName(int32_t mode) {
  if (!IsLandscapeMode(mode)) return nullptr;
  return std::string(kLandscapeModes[static_cast<std::size_t>(mode)].name);
}

}  // namespace

std::string SummaryJson(const BatchOptions& o, const Simulation& sim, const RunSummary& s) {
  using json = nlohmann::ordered_json;
  // The settings the run went with: the options', or an opened world's with
  // the options given over them.
  const Settings& set = sim.settings;
  const auto noise = TextToRoundedInt(set.E_noise);
  json settings = {
      {"agents", sim.Agents.size()},
      {"cell_size", sim.CellSize},
      {"steps", sim.StopTime},
      {"mode", ModeName(set.SetupMode)},
      {"threshold", set.TrB_thresh},
      {"wiggle", set.SB_wiggle},
      {"noise", noise ? json(*noise) : json(nullptr)},
      {"consume", Number(TextToDouble(set.E_CProbab))},
      {"decay", set.CB_decay ? Number(TextToDouble(set.E_decay)) : json(nullptr)},
      {"sniff", set.SniffMode() == kSniffRoulette ? json("roulette")
                : set.SniffMode() == kSniffHill   ? json("hill")
                                                  : json(nullptr)},
      {"trail", set.CB_showAB ? "return" : "footprint"},
      {"gravity", set.CB_gravity ? Number(TextToDouble(set.E_grav)) : json(nullptr)},
      {"agents_drawn", set.CB_showAg},
  };
  json destinations = json::array();
  for (const TDestination& d : sim.Destinations) {
    destinations.push_back({{"x", d.X}, {"y", d.Y}, {"returns", d.Returns}});
  }
  const std::optional<uint64_t> landscapeSeed = sim.Rand.LandscapeSeed();
  const int32_t stepsHere = s.stepsRun - s.startStep;
  json summary = {
      {"seed", s.seed},
      {"landscape_seed", landscapeSeed ? json(*landscapeSeed) : json(nullptr)},
      {"world", o.worldPath.empty() ? json(nullptr) : json(o.worldPath)},
      {"start_step", s.startStep},
      {"settings", settings},
      {"steps", s.stepsRun},
      {"agents", sim.Agents.size()},
      {"destinations", destinations},
      {"successful", s.successful},
      {"returning", s.returning},
      {"track_max", s.trackMax},
      {"elapsed_s", s.elapsedSeconds},
      {"steps_per_s", s.elapsedSeconds > 0 ? stepsHere / s.elapsedSeconds : 0.0},
  };
  return summary.dump(2) + "\n";
}

}  // namespace quorvan::batch
