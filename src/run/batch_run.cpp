#include "batch_run.h"

#include <charconv>
#include <chrono>
#include <nlohmann/json.hpp>

#include "settings_limits.h"
#include "json_text.h"
#include "world_setting_texts.h"

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

std::string StartFromWorld(const RunSpec& spec, Simulation& sim, std::vector<ChartPoint>* chart) {
  std::vector<ChartPoint> points;
  if (std::string error = OpenWorld(spec.world, sim, points); !error.empty()) return error;
  if (chart) *chart = std::move(points);
  const std::string world = "the world in '" + spec.world + "'";
  if (spec.agents && static_cast<std::size_t>(*spec.agents) != sim.Agents.size()) {
    return "--agents: " + world + " has " + std::to_string(sim.Agents.size()) +
           " agents; another count needs a new world";
  }
  if (spec.cellSize && *spec.cellSize != sim.CellSize) {
    return "--cell-size: " + world + " has cells of " + std::to_string(sim.CellSize) +
           " pixels; another size needs a new world";
  }
  if (spec.mode && static_cast<int32_t>(*spec.mode) != sim.settings.SetupMode) {
    return "--mode: " + world + " was built with another landscape; it needs a new world";
  }
  if (spec.landscapeSeed) return "--landscape-seed: the landscape of " + world + " is built already";
  const Parsed<int32_t> stop = StopTimeFrom(spec, sim.StepCount, sim.StopTime);
  if (!stop) return stop.error;
  const std::string at = world + " is at step " + std::to_string(sim.StepCount);
  if (*stop <= sim.StepCount) {
    if (spec.stopTime) return "--steps " + std::to_string(*stop) + ": " + at + " already (--for N runs N steps more)";
    return at + ", its stop time (--for N or a later --steps runs it on)";
  }
  ApplyGivenValues(spec, sim.settings);
  if (std::string error = CheckStepTexts(spec.world, sim.settings); !error.empty()) return error;
  if (spec.stopTime || spec.moreSteps) {
    sim.StopTime = *stop;
    sim.settings.E_stop = IntToText(*stop);
  }
  if (spec.seed) sim.Rand.FixSeed(*spec.seed);
  return {};
}

std::string RunWorld(const RunSpec& spec, Simulation& sim, CsvWriter* csv, RunSummary& summary,
                     std::vector<ChartPoint>* chart) {
  if (!csv) return RunWorldSteps(spec, sim, StepObserver(), summary, chart);
  return RunWorldSteps(
      spec, sim,
      [csv](int32_t step, const StepResult& r) {
        csv->Row(step, r.successful, r.returning, static_cast<double>(r.trackMax), r.deliveries);
      },
      summary, chart);
}

std::string RunWorldSteps(const RunSpec& spec, Simulation& sim, const StepObserver& observer, RunSummary& summary,
                          std::vector<ChartPoint>* chart) {
  summary = RunSummary{};
  if (!spec.world.empty()) {
    if (std::string error = StartFromWorld(spec, sim, chart); !error.empty()) return error;
    sim.UpdateStatistics(summary.successful, summary.returning);
    summary.trackMax = static_cast<double>(sim.TrackMax);
  } else {
    if (chart) chart->clear();
    sim.Rand.FixSeed(spec.seed.value_or(SeedFromClock()));
    sim.Rand.SetLandscapeSeed(spec.landscapeSeed);
    sim.settings = SettingsFor(spec);
    if (std::string error = sim.SetupWorld(); !error.empty()) return error;
    ApplyOverrides(spec, sim.settings);
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
    if (chart) {
      chart->push_back({static_cast<double>(sim.StepCount), static_cast<double>(r.successful),
                        static_cast<double>(r.returning), static_cast<double>(sim.TrackMax)});
    }
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

std::string SummaryJson(const RunSpec& spec, const Simulation& sim, const RunSummary& s) {
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
      {"world", spec.world.empty() ? json(nullptr) : json(JsonText(spec.world))},
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
