// The run description: how long a run goes from where its world stands,
// and how a sweep point's values are merged into one.

#include <gtest/gtest.h>

#include "run_spec.h"

namespace quorvan::batch {
namespace {

TEST(RunSpec, StopTimeFollowsStepsOrForFromTheWorldsStep) {
  struct Case {
    std::optional<int32_t> steps, more;
    int32_t from, own;
    std::optional<int32_t> stop;  ///< none: refused
  };
  const Case cases[] = {
      {{}, {}, 0, 10000, 10000},         // a new world's own stop time
      {5000, {}, 10000, 20000, 5000},    // a stop time behind the world: StartFromWorld refuses it
      {{}, 200, 10000, 10000, 10200},    // --for from where the world stands
      {{}, 1, 2147483646, 0, 2147483647},
      {{}, 2, 2147483646, 0, {}},        // past the last step a count can hold
  };
  for (const Case& c : cases) {
    RunSpec spec;
    spec.stopTime = c.steps;
    spec.moreSteps = c.more;
    const Parsed<int32_t> stop = StopTimeFrom(spec, c.from, c.own);
    EXPECT_EQ(stop.value, c.stop) << c.from;
    if (!c.stop) {
      EXPECT_NE(stop.error.find("--for"), std::string::npos) << stop.error;
    }
  }
  RunSpec both;
  both.stopTime = 5;
  both.moreSteps = 5;
  EXPECT_NE(CheckRunSpec(both).find("--steps and --for"), std::string::npos);
}

TEST(RunSpec, ValuesAreReadByTheirKeysAndMergedOverOneAnother) {
  RunSpec a, b;
  ASSERT_EQ(SetRunValue(a, *FindRunKey("wiggle"), "--wiggle", "40"), "");
  ASSERT_EQ(SetRunValue(a, *FindRunKey("mode"), "--mode", "manhattan"), "");
  ASSERT_EQ(SetRunValue(b, *FindRunKey("decay"), "e.toml: 'decay'", "0,9"), "");
  ASSERT_EQ(SetRunValue(b, *FindRunKey("wiggle"), "--wiggle", "10"), "");
  EXPECT_EQ(SetRunValue(b, *FindRunKey("wiggle"), "e.toml: 'wiggle'", "200"),
            "e.toml: 'wiggle': '200' is not a whole number from 0 to 180");
  EXPECT_EQ(b.wiggle, 10) << "a refused value leaves the description as it was";
  a.Merge(b);
  EXPECT_EQ(a.wiggle, 10);
  EXPECT_EQ(a.mode, Landscape::Manhattan);
  const Settings s = SettingsFor(a);
  EXPECT_EQ(s.SetupMode, 3);
  EXPECT_TRUE(s.CB_decay);
  EXPECT_EQ(s.E_decay, "0,9") << "the text as written, for the model to convert";
  EXPECT_EQ(FindRunKey("csv"), nullptr);
}

}  // namespace
}  // namespace quorvan::batch
