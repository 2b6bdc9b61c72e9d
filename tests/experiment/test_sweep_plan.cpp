// The plan of a sweep: its identity, which names its folder.

#include <gtest/gtest.h>

#include <filesystem>

#include "batch_command.h"

namespace quorvan::batch {
namespace {

// A sweep's identity names its folder for --resume and merge: a change in how
// a plan is read or hashed would orphan every existing sweep folder.
TEST(SweepPlan, TheIdentityOfAFixedPlanStaysAsItWas) {
  const SweepParse parsed = ParseSweepCommandLine(
      {"--agents", "30", "--steps", "20", "--wiggle", "0:40:20", "--consume", "0.1,0.35", "--decay", "off,0.5",
       "--sniff", "hill,roulette", "--mode", "random", "--replicates", "2", "--seed", "11", "--series", "--plot",
       "none", "--quiet", "--out", (std::filesystem::temp_directory_path() / "quorvan-identity-never-made").string()});
  ASSERT_TRUE(parsed.command) << parsed.error;
  EXPECT_EQ(SweepIdentity(parsed.command->plan), "065d59d355f400f4");
  SweepPlan plan;
  plan.settings = {{"mode", {"random"}}, {"agents", {"30"}}, {"steps", {"20"}}, {"wiggle", {"0", "20", "40"}},
                   {"consume", {"0.1", "0.35"}}, {"decay", {"off", "0.5"}}, {"sniff", {"hill", "roulette"}}};
  plan.replicates = 2;
  plan.seed = 11;
  plan.series = true;
  plan.shardIndex = 2;  // the share and the plot are not part of it
  plan.shardCount = 3;
  EXPECT_EQ(SweepIdentity(plan), "065d59d355f400f4");
}

}  // namespace
}  // namespace quorvan::batch
