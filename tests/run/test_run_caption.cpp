// The caption under a movie frame: the settings that differ from the defaults.

#include "run_caption.h"

#include <gtest/gtest.h>

#include <functional>

#include "settings_limits.h"

namespace quorvan::batch {
namespace {

// A new world of the default settings changed by `change`, as a setup builds it.
std::string CaptionOf(int32_t mode, int32_t agents, const std::function<void(Settings&)>& change) {
  Simulation sim;
  sim.Rand.FixSeed(7);
  sim.settings.SetupMode = mode;
  sim.settings.Edit_anzAg = std::to_string(agents);
  EXPECT_EQ(sim.SetupWorld(), "");
  change(sim.settings);
  return CaptionText(sim);
}

TEST(RunCaption, NamesOnlyTheSettingsThatDifferFromTheDefaults) {
  const auto none = [](Settings&) {};
  struct Case {
    int32_t mode;
    int32_t agents;
    std::function<void(Settings&)> change;
    std::string caption;
  };
  const Case cases[] = {
      {kRandomDestinations, 800, none, "step 0 · seed 7"},
      // The landscape's own noise and consume are its defaults.
      {kCircleDestinations, 800, none, "step 0 · seed 7 · circle"},
      {kManhattanLandscape, 800, none, "step 0 · seed 7 · manhattan"},
      {kRasterDestinations, 800,
       [](Settings& s) {
         s.SB_wiggle = 40;
         s.rb_rulette = true;
         s.rb_hill = false;
       },
       "step 0 · seed 7 · raster · wiggle 40 · roulette"},
      {kRandomDestinations, 800,
       [](Settings& s) {
         s.E_noise = "31";
         s.E_CProbab = "0.5";
         s.CB_decay = true;
         s.E_decay = "0,9";
         s.CB_showAB = false;
       },
       "step 0 · seed 7 · noise 31 · consume 0.5 · decay 0.9 · footprint trail"},
      {kCircleDestinations, 50,
       [](Settings& s) {
         s.E_noise = "30";
         s.TrB_thresh = 45;
       },
       "step 0 · seed 7 · 50 agents · circle · threshold 45 · noise 30"},
  };
  for (const Case& c : cases) EXPECT_EQ(CaptionOf(c.mode, c.agents, c.change), c.caption);
}

}  // namespace
}  // namespace quorvan::batch
