#pragma once
// Builds small worlds for the model tests: a fixed seed, a chosen cell
// size, agent count and landscape mode.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "simulation.h"

namespace quorvan::testing {

/// What a test world is built from.
struct WorldOptions {
  int32_t cellSize = 2;
  int32_t agents = 0;
  int32_t mode = kNoLandscape;  ///< SetupMode; kNoLandscape leaves the landscape empty
  uint64_t seed = 7;
};

/// Sets up `sim` from the options; the setup must succeed.
inline void BuildWorld(Simulation& sim, const WorldOptions& options) {
  sim.Rand.FixSeed(options.seed);
  sim.settings.Edit_size = std::to_string(options.cellSize);
  sim.settings.Edit_anzAg = std::to_string(options.agents);
  sim.settings.SetupMode = options.mode;
  const std::string error = sim.SetupWorld();
  ASSERT_EQ(error, "") << "setup of cell size " << options.cellSize << ", mode " << options.mode;
}

}  // namespace quorvan::testing
