// A fixed seed and fixed settings give one run, step for step. The pinned
// digests catch any change to the order of the draws or to the arithmetic.

#include <gtest/gtest.h>

#include <cstdio>

#include "simulation.h"

namespace quorvan {
namespace {

struct Scenario {
  const char* name;
  int mode;
  bool roulette;
  bool decay;
  int steps;
  uint64_t digest;
};

uint64_t RunScenario(const Scenario& s, uint64_t seed) {
  Simulation sim;
  sim.Rand.FixSeed(seed);
  sim.settings.SetupMode = s.mode;
  sim.settings.rb_rulette = s.roulette;
  sim.settings.rb_hill = !s.roulette;
  sim.settings.CB_decay = s.decay;
  EXPECT_EQ(sim.SetupWorld(), "");
  for (int i = 0; i < s.steps; ++i) {
    const StepResult r = sim.DoStep();
    EXPECT_TRUE(r.ok()) << r.error;
  }
  return WorldDigest(sim);
}

const Scenario kScenarios[] = {
    {"random destinations, hill climbing", 0, false, false, 400, 0x2d5cd67b8fc5cd17ull},
    {"circle destinations, roulette, decay", 1, true, true, 300, 0x2137060afbd9f1c7ull},
    {"raster destinations, hill climbing, decay", 2, false, true, 300, 0xdc1a835e3a22966bull},
    {"manhattan, roulette", 3, true, false, 300, 0x4791b4d928dbff64ull},
};

TEST(Determinism, SameSeedSameRun) {
  for (const Scenario& s : kScenarios) {
    SCOPED_TRACE(s.name);
    EXPECT_EQ(RunScenario(s, 2024), RunScenario(s, 2024));
    EXPECT_NE(RunScenario(s, 2024), RunScenario(s, 2025));
  }
}

TEST(Determinism, PinnedDigests) {
  for (const Scenario& s : kScenarios) {
    SCOPED_TRACE(s.name);
    const uint64_t digest = RunScenario(s, 12345);
    EXPECT_EQ(digest, s.digest) << std::hex << "0x" << digest << "ull";
  }
}

}  // namespace
}  // namespace quorvan
