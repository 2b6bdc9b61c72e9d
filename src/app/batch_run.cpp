#include "batch_run.h"

#include <charconv>
#include <chrono>
#include <nlohmann/json.hpp>

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

std::string RunWorld(const BatchOptions& options, uint64_t seed, Simulation& sim, CsvWriter* csv,
                     RunSummary& summary) {
  if (!csv) return RunWorldSteps(options, seed, sim, StepObserver(), summary);
  return RunWorldSteps(
      options, seed, sim,
      [csv](int32_t step, const StepResult& r) {
        csv->Row(step, r.successful, r.returning, static_cast<double>(r.trackMax), r.deliveries);
      },
      summary);
}

std::string RunWorldSteps(const BatchOptions& options, uint64_t seed, Simulation& sim, const StepObserver& observer,
                     RunSummary& summary) {
  sim.Rand.FixSeed(seed);
  sim.Rand.SetLandscapeSeed(options.landscapeSeed);
  sim.settings = SettingsFor(options);
  if (std::string error = sim.SetupWorld(); !error.empty()) return error;
  ApplyOverrides(options, sim.settings);

  summary = RunSummary{};
  summary.seed = seed;
  const auto start = std::chrono::steady_clock::now();
  while (sim.StepCount < options.steps) {
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

std::string SummaryJson(const BatchOptions& o, const Simulation& sim, const RunSummary& s) {
  using json = nlohmann::ordered_json;
  json settings = {
      {"agents", o.agents},
      {"cell_size", o.cellSize},
      {"steps", o.steps},
      {"mode", o.mode},
      {"threshold", o.threshold},
      {"wiggle", o.wiggle},
      {"noise", *TextToRoundedInt(sim.settings.E_noise)},
      {"consume", *TextToDouble(sim.settings.E_CProbab)},
      {"decay", o.decay ? json(*TextToDouble(*o.decay)) : json(nullptr)},
      {"sniff", o.sniff},
      {"trail", o.trail},
      {"gravity", o.gravity ? json(*TextToDouble(*o.gravity)) : json(nullptr)},
      {"agents_drawn", !o.noAgents},
  };
  json destinations = json::array();
  for (const TDestination& d : sim.Destinations) {
    destinations.push_back({{"x", d.X}, {"y", d.Y}, {"returns", d.Returns}});
  }
  json summary = {
      {"seed", s.seed},
      {"landscape_seed", o.landscapeSeed ? json(*o.landscapeSeed) : json(nullptr)},
      {"settings", settings},
      {"steps", s.stepsRun},
      {"agents", sim.Agents.size()},
      {"destinations", destinations},
      {"successful", s.successful},
      {"returning", s.returning},
      {"track_max", s.trackMax},
      {"elapsed_s", s.elapsedSeconds},
      {"steps_per_s", s.elapsedSeconds > 0 ? s.stepsRun / s.elapsedSeconds : 0.0},
  };
  return summary.dump(2) + "\n";
}

}  // namespace quorvan::batch
