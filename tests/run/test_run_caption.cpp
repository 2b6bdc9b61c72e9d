// The caption under a movie frame: the settings that differ from the defaults.

#include "run_caption.h"

#include <gtest/gtest.h>

#include "batch_options.h"

namespace quorvan::batch {
namespace {

// A new world of the options, as the batch runner builds it.
std::string CaptionOf(const std::vector<std::string>& args) {
  std::vector<std::string> line = {"--steps", "1", "--seed", "7"};
  line.insert(line.end(), args.begin(), args.end());
  const ParseOutcome parsed = ParseCommandLine(line);
  EXPECT_TRUE(parsed.options.has_value()) << parsed.output;
  Simulation sim;
  sim.Rand.FixSeed(7);
  sim.settings = SettingsFor(*parsed.options);
  EXPECT_EQ(sim.SetupWorld(), "");
  ApplyOverrides(*parsed.options, sim.settings);
  return CaptionText(sim);
}

TEST(RunCaption, NamesOnlyTheSettingsThatDifferFromTheDefaults) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "step 0 · seed 7"},
      // The landscape's own noise and consume are its defaults.
      {{"--mode", "circle"}, "step 0 · seed 7 · circle"},
      {{"--mode", "manhattan"}, "step 0 · seed 7 · manhattan"},
      {{"--mode", "raster", "--wiggle", "40", "--sniff", "roulette"}, "step 0 · seed 7 · raster · wiggle 40 · roulette"},
      {{"--noise", "31", "--consume", "0.5", "--decay", "0,9", "--trail", "footprint"},
       "step 0 · seed 7 · noise 31 · consume 0.5 · decay 0.9 · footprint trail"},
      {{"--mode", "circle", "--noise", "30", "--agents", "50", "--cell-size", "4", "--threshold", "45"},
       "step 0 · seed 7 · 50 agents · cell size 4 · circle · threshold 45 · noise 30"},
  };
  for (const auto& [args, caption] : cases) EXPECT_EQ(CaptionOf(args), caption);
}

}  // namespace
}  // namespace quorvan::batch
