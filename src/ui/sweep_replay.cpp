#include "sweep_replay.h"

#include "batch_run.h"
#include "random_source.h"
#include "sweep_command.h"

namespace quorvan {

std::string BuildSweepRun(const std::string& folder, int64_t run, std::optional<int32_t> step, Simulation& sim,
                          std::vector<ChartPoint>& chart) {
  batch::SweepPlan plan;
  if (std::string error = batch::ReadPlan(folder, plan); !error.empty()) return error;
  if (run < 0 || run >= plan.RunCount()) {
    return "'" + folder + "' has runs 0 to " + std::to_string(plan.RunCount() - 1) + ", not run " + std::to_string(run);
  }
  std::vector<batch::RunSpec> points;
  const auto where = [&folder](const std::string& key) { return "'" + folder + "/plan.json': '" + key + "'"; };
  if (std::string error = batch::PointSpecs(plan, where, points); !error.empty()) return error;
  const batch::RunSpec spec =
      batch::RunSpecOf(plan, points[static_cast<std::size_t>(plan.PointOf(run))], run);

  // The setup of RunWorldSteps: an opened world, or a new one from the run's seeds.
  chart.clear();
  if (!spec.world.empty()) {
    if (std::string error = batch::StartFromWorld(spec, sim, &chart); !error.empty()) return error;
  } else {
    sim.Rand.FixSeed(*spec.seed);
    sim.Rand.SetLandscapeSeed(spec.landscapeSeed);
    sim.settings = batch::SettingsFor(spec);
    if (std::string error = sim.SetupWorld(); !error.empty()) return error;
    batch::ApplyOverrides(spec, sim.settings);
  }
  const int32_t target = step.value_or(sim.StepCount);
  if (target < sim.StepCount || target > sim.StopTime) {
    return "run " + std::to_string(run) + " goes from step " + std::to_string(sim.StepCount) + " to " +
           std::to_string(sim.StopTime) + "; step " + std::to_string(target) + " is not among them";
  }
  while (sim.StepCount < target) {
    const StepResult r = sim.DoStep();
    if (!r.ok()) return "run " + std::to_string(run) + ", step " + std::to_string(sim.StepCount + 1) + ": " + r.error;
    chart.push_back({static_cast<double>(sim.StepCount), static_cast<double>(r.successful),
                     static_cast<double>(r.returning), static_cast<double>(sim.TrackMax)});
    if (r.stopReached) break;
  }
  return {};
}

}  // namespace quorvan
