#pragma once
// What every world must hold after any operation on it, and what a refused
// operation must leave alone.

#include <cmath>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "numerics.h"
#include "simulation.h"

namespace quorvan::fuzz {

// Everything a refused operation must leave alone.
struct Snapshot {
  uint64_t digest = 0;
  RandomState random;
  int32_t cellSize = 0, halfCell = 0, stopTime = 0;
  std::size_t destinations = 0;
  bool hasWorld = false;

  static Snapshot Of(const Simulation& sim) {
    return {WorldDigest(sim), sim.Rand.State(), sim.CellSize, sim.HalfCell, sim.StopTime,
            sim.Destinations.size(), sim.HasWorld()};
  }
  bool operator==(const Snapshot& o) const {
    return digest == o.digest && random == o.random && cellSize == o.cellSize && halfCell == o.halfCell &&
           stopTime == o.stopTime && destinations == o.destinations && hasWorld == o.hasWorld;
  }
};

/// The world values, the agents and the destinations (cheap: after every operation).
inline void CheckAgents(const Simulation& sim, std::size_t maxAgents) {
  if (!sim.HasWorld()) {
    FUZZ_REQUIRE(sim.Agents.empty() && sim.StepCount == 0);
    return;
  }
  FUZZ_REQUIRE(sim.CellSize >= 2 && sim.CellSize <= 10, std::to_string(sim.CellSize));
  FUZZ_REQUIRE(sim.HalfCell == static_cast<int32_t>(RoundEven(sim.CellSize / 2.0)));
  FUZZ_REQUIRE(sim.ColCount == static_cast<int32_t>(RoundEven(static_cast<double>(kPanelWidth) / sim.CellSize)));
  FUZZ_REQUIRE(sim.RowCount == static_cast<int32_t>(RoundEven(static_cast<double>(kPanelHeight) / sim.CellSize)));
  FUZZ_REQUIRE(sim.Cells.Columns() == sim.ColCount && sim.Cells.Rows() == sim.RowCount);
  FUZZ_REQUIRE(sim.Limbo.Count() == sim.Cells.Count());
  FUZZ_REQUIRE(sim.Agents.size() <= maxAgents);
  for (const TAgent& a : sim.Agents) {
    FUZZ_REQUIRE(a.CellX >= 0 && a.CellX < sim.ColCount && a.CellY >= 0 && a.CellY < sim.RowCount,
                 std::to_string(a.CellX) + "," + std::to_string(a.CellY));
    FUZZ_REQUIRE(a.PixelX == a.CellX * sim.CellSize + sim.HalfCell && a.PixelY == a.CellY * sim.CellSize + sim.HalfCell);
    FUZZ_REQUIRE(a.State == kSearching || a.State == kReturning);
    FUZZ_REQUIRE(a.Successful == 0 || a.Successful == 1);
    FUZZ_REQUIRE(a.Heading >= 0 && a.Heading <= 360, std::to_string(a.Heading));
    FUZZ_REQUIRE(a.StepX >= -1 && a.StepX <= 1 && a.StepY >= -1 && a.StepY <= 1);
    FUZZ_REQUIRE(a.Directions.size() <= kMaxDirections && a.Chances.size() <= kMaxDirections);
    FUZZ_REQUIRE(std::isfinite(a.ScentSum));
  }
  for (const TDestination& d : sim.Destinations) FUZZ_REQUIRE(d.Returns >= 0);
}

/// Every cell: kinds 0..3, and destination cells naming entries that exist.
inline void CheckCells(const Simulation& sim) {
  for (int32_t r = 0; r < sim.Cells.Rows(); ++r) {
    for (int32_t c = 0; c < sim.Cells.Columns(); ++c) {
      const int32_t kind = sim.Cells.Kind(c, r);
      FUZZ_REQUIRE(kind >= kFree && kind <= kObstacle, std::to_string(kind));
      if (kind == kDestination) {
        const int32_t d = sim.Cells(c, r).DestIndex;
        FUZZ_REQUIRE(d >= 0 && static_cast<std::size_t>(d) < sim.Destinations.size(), std::to_string(d));
      }
    }
  }
}

/// Everything a world holds.
inline void CheckWorld(const Simulation& sim, std::size_t maxAgents) {
  CheckAgents(sim, maxAgents);
  CheckCells(sim);
}

/// True when the step's setting texts convert, so that a step must run.
inline bool StepTextsConvert(const Settings& s) {
  return TextToRoundedInt(s.E_noise) && TextToDouble(s.E_CProbab) && (!s.CB_decay || TextToDouble(s.E_decay));
}

/// One step: it runs exactly when there is a world and its texts convert,
/// and a refused step changes nothing.
inline void Step(Simulation& sim) {
  const bool mustRun = sim.HasWorld() && StepTextsConvert(sim.settings);
  // The whole-world snapshot is costly on a large grid: taken only for a
  // step that must be refused.
  const Snapshot before = mustRun ? Snapshot{} : Snapshot::Of(sim);
  const int32_t steps = sim.StepCount;
  const StepResult result = sim.DoStep();
  FUZZ_REQUIRE(result.ok() == mustRun, result.error);
  if (!result.ok()) {
    FUZZ_REQUIRE(Snapshot::Of(sim) == before, result.error);
    return;
  }
  FUZZ_REQUIRE(sim.StepCount == (steps == INT32_MAX ? steps : steps + 1));
  FUZZ_REQUIRE(result.stopReached == (sim.StepCount == sim.StopTime));
  FUZZ_REQUIRE(result.successful >= 0 && result.successful <= 100 && result.returning >= 0 && result.returning <= 100);
  FUZZ_REQUIRE(!std::isnan(result.trackMax) && result.trackMax >= 0.1L);
}

}  // namespace quorvan::fuzz
