// The agent's choice of heading and step: roulette wheel, hill climbing,
// random walk, and ChangeHeading choosing among them.

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <vector>

#include "agenten.h"
#include "numerics.h"
#include "random_source.h"

namespace quorvan {
namespace {

constexpr int32_t kMaxInt = std::numeric_limits<int32_t>::max();
constexpr int32_t kMinInt = std::numeric_limits<int32_t>::min();

// The eight neighbours with the angle of each, as whole degrees.
struct NamedDirection {
  Direction d;
  int32_t angle;       // Round(atan2(dy, dx) in degrees)
  int32_t normalised;  // the same brought into 0..360
};
constexpr NamedDirection kNeighbours[] = {
    {{1, 0}, 0, 0},      {{1, 1}, 45, 45},      {{0, 1}, 90, 90},    {{-1, 1}, 135, 135},
    {{-1, 0}, 180, 180}, {{-1, -1}, -135, 225}, {{0, -1}, -90, 270}, {{1, -1}, -45, 315},
};

int32_t AngleOf(Direction d) {
  for (const auto& n : kNeighbours) {
    if (n.d == d) return n.angle;
  }
  ADD_FAILURE() << "not a neighbour: (" << d.dx << ", " << d.dy << ")";
  return 0;
}

// An agent as the sensing leaves it. Entries beyond the cone hold a stale
// direction that no test expects, so a read past the last one shows.
TAgent SensedAgent(std::initializer_list<Direction> directions, std::initializer_list<double> chances,
                   double scentSum = 100.0, int32_t state = kSearching) {
  TAgent a;
  for (std::size_t i = 0; i < kMaxDirections; ++i) {
    a.Directions.push_back({-1, -1});
    a.Chances.push_back(1000.0);
  }
  a.Directions.clear();
  a.Chances.clear();
  for (const Direction& d : directions) a.Directions.push_back(d);
  for (double c : chances) a.Chances.push_back(c);
  a.ScentSum = scentSum;
  a.State = state;
  return a;
}

// The heading a wiggle of at most w degrees gives, with the draws read from
// a copy of the source: magnitude first, then sign.
int64_t Wiggled(int64_t heading, int64_t w, RandomSource& copy) {
  const int64_t a = copy.Random(w + 1);
  const int64_t b = copy.Random(2);
  return heading + a * (2 * b - 1);
}

// The one-period normalisation of a heading (< 0 gains 360, then > 360 loses 360).
int64_t OnePeriod(int64_t v) {
  if (v < 0) v += 360;
  if (v > 360) v -= 360;
  return v;
}

int64_t Mod360(int64_t v) {
  const int64_t m = v % 360;
  return m < 0 ? m + 360 : m;
}

// ---- rouletteWheel --------------------------------------------------------

struct RouletteCase {
  std::vector<double> chances;
  // Direction i is chosen for r up to lastR[i] (inclusive), after the one before.
  std::vector<int32_t> lastR;
};

TEST(RouletteWheel, EachDrawFallsIntoItsSliceOfTheRunningSum) {
  const Direction dirs[] = {{1, -1}, {1, 0}, {1, 1}, {0, 1}};
  const RouletteCase cases[] = {
      {{0, 50, 50}, {0, 50, 99}},
      {{25, 25, 25, 25}, {25, 50, 75, 99}},
      {{40, 0, 60}, {40, 40, 99}},    // a zero chance after the first is never chosen
      {{-10, 60, 50}, {-1, 50, 99}},  // nor is a negative first chance
      {{100}, {99}},
  };
  const int32_t wiggle = 20;
  for (const auto& c : cases) {
    std::vector<bool> seen(100, false);
    int seenCount = 0;
    for (uint64_t seed = 1; seenCount < 100 && seed < 20000; ++seed) {
      RandomSource rnd(seed);
      RandomSource copy = rnd;
      const int32_t r = copy.Random(100);
      std::size_t expected = 0;
      while (r > c.lastR[expected]) ++expected;
      const Direction want = dirs[expected];
      const int64_t heading = Wiggled(AngleOf(want), wiggle, copy);

      TAgent a = SensedAgent({}, {});
      for (std::size_t i = 0; i < c.chances.size(); ++i) {
        a.Directions.push_back(dirs[i]);
        a.Chances.push_back(c.chances[i]);
      }
      a.rouletteWheel(wiggle, rnd);
      ASSERT_EQ(a.StepX, want.dx) << "r = " << r << ", chances[0] = " << c.chances[0];
      ASSERT_EQ(a.StepY, want.dy) << "r = " << r << ", chances[0] = " << c.chances[0];
      ASSERT_EQ(a.Heading, heading) << "r = " << r;
      ASSERT_EQ(rnd.Next(), copy.Next()) << "draws: Random(100), Random(wiggle + 1), Random(2)";
      if (!seen[static_cast<std::size_t>(r)]) {
        seen[static_cast<std::size_t>(r)] = true;
        ++seenCount;
      }
    }
    EXPECT_EQ(seenCount, 100) << "every r from 0 to 99 was tried";
  }
}

TEST(RouletteWheel, ChancesThatNeverReachTheDrawStillChooseADirectionOfTheCone) {
  const Direction dirs[] = {{0, -1}, {1, 0}, {0, 1}};
  const std::vector<double> cases[] = {{0, 0, 0}, {-10, -10, -10}, {10, 10, 10}, {0.1}};
  for (const auto& chances : cases) {
    for (uint64_t seed = 1; seed <= 300; ++seed) {
      RandomSource rnd(seed);
      TAgent a = SensedAgent({}, {});
      for (std::size_t i = 0; i < chances.size(); ++i) {
        a.Directions.push_back(dirs[i]);
        a.Chances.push_back(chances[i]);
      }
      a.rouletteWheel(0, rnd);
      bool inCone = false;
      for (std::size_t i = 0; i < chances.size(); ++i) {
        if (a.StepX == dirs[i].dx && a.StepY == dirs[i].dy && a.Heading == AngleOf(dirs[i])) inCone = true;
      }
      ASSERT_TRUE(inCone) << "seed " << seed << ": step (" << a.StepX << ", " << a.StepY << ")";
    }
  }
}

TEST(RouletteWheel, AnEmptyConeLeavesTheStepAsItWas) {
  RandomSource rnd(1);
  TAgent a = SensedAgent({}, {});
  a.StepX = -1;
  a.StepY = 1;
  a.Heading = 77;
  a.rouletteWheel(10, rnd);
  EXPECT_EQ(a.StepX, -1);
  EXPECT_EQ(a.StepY, 1);
  EXPECT_EQ(a.Heading, 77);
}

// ---- hillClimbing ---------------------------------------------------------

TEST(HillClimbing, ChoosesTheFirstLargestPositiveChance) {
  const Direction dirs[] = {{-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
  const struct {
    std::vector<double> chances;
    std::size_t expected;
  } cases[] = {
      {{10, 40, 40, 10}, 1}, {{50, 20, 30}, 0}, {{-5, 0, 3}, 2},
      {{30, 30, 40}, 2},     {{100}, 0},        {{-20, 120}, 1},
  };
  const int32_t wiggle = 15;
  for (const auto& c : cases) {
    for (uint64_t seed = 1; seed <= 20; ++seed) {
      RandomSource rnd(seed);
      RandomSource copy = rnd;
      const Direction want = dirs[c.expected];
      const int64_t heading = Wiggled(AngleOf(want), wiggle, copy);
      TAgent a = SensedAgent({}, {});
      for (std::size_t i = 0; i < c.chances.size(); ++i) {
        a.Directions.push_back(dirs[i]);
        a.Chances.push_back(c.chances[i]);
      }
      a.hillClimbing(wiggle, rnd);
      ASSERT_EQ(a.StepX, want.dx) << "chances[0] = " << c.chances[0];
      ASSERT_EQ(a.StepY, want.dy) << "chances[0] = " << c.chances[0];
      ASSERT_EQ(a.Heading, heading);
      ASSERT_EQ(rnd.Next(), copy.Next()) << "draws: Random(wiggle + 1), Random(2)";
    }
  }
}

TEST(HillClimbing, NoPositiveChanceLeavesHeadingAndStepAsTheyWere) {
  const std::vector<double> cases[] = {{0, 0}, {-5, -1, 0}, {}};
  for (const auto& chances : cases) {
    RandomSource rnd(8);
    TAgent a = SensedAgent({}, {});
    for (double c : chances) {
      a.Directions.push_back({0, 1});
      a.Chances.push_back(c);
    }
    a.Heading = 123;
    a.StepX = 1;
    a.StepY = -1;
    a.hillClimbing(30, rnd);
    EXPECT_EQ(a.Heading, 123) << chances.size() << " directions";
    EXPECT_EQ(a.StepX, 1);
    EXPECT_EQ(a.StepY, -1);
  }
}

// ---- randomWalk -----------------------------------------------------------

TEST(RandomWalk, TurningRangeZeroStepsAlongTheHeading) {
  const struct {
    int32_t heading, x, y;
  } cases[] = {
      {30, 1, 1}, {60, 0, 1}, {330, 1, 0}, {-30, 1, -1}, {0, 1, 0}, {180, -1, 0}, {29, 1, 0}, {270, 0, -1},
  };
  for (const auto& c : cases) {
    RandomSource rnd(2);
    TAgent a;
    a.Heading = c.heading;
    a.randomWalk(0, rnd);
    EXPECT_EQ(a.Heading, c.heading) << "not normalised by the walk itself";
    EXPECT_EQ(a.StepX, c.x) << "heading " << c.heading;
    EXPECT_EQ(a.StepY, c.y) << "heading " << c.heading;
  }
}

TEST(RandomWalk, TurnsFirstThenStepsAlongTheNewHeading) {
  for (uint64_t seed = 1; seed <= 50; ++seed) {
    RandomSource rnd(seed);
    RandomSource copy = rnd;
    const int64_t heading = Wiggled(350, 40, copy);
    TAgent a;
    a.Heading = 350;
    a.randomWalk(40, rnd);
    ASSERT_EQ(a.Heading, heading);
    const WalkStep s = WalkStepFor(heading);
    EXPECT_EQ(a.StepX, s.x);
    EXPECT_EQ(a.StepY, s.y);
    ASSERT_EQ(rnd.Next(), copy.Next());
  }
}

// ---- ChangeHeading --------------------------------------------------------

TEST(ChangeHeading, WithWiggleZeroTheHeadingIsTheDirectionsAngle) {
  for (int32_t sniffMode : {1, 2}) {
    for (const auto& n : kNeighbours) {
      RandomSource rnd(4);
      TAgent a = SensedAgent({n.d}, {100.0});
      a.ChangeHeading(30, 0, sniffMode, 30, rnd);
      EXPECT_EQ(a.Heading, n.normalised)
          << "sniff mode " << sniffMode << ", (" << n.d.dx << ", " << n.d.dy << ")";
      EXPECT_EQ(a.StepX, n.d.dx);
      EXPECT_EQ(a.StepY, n.d.dy);
    }
  }
}

TEST(ChangeHeading, AReturningAgentClimbsWithTheReturnNoiseInEitherSniffMode) {
  // Roulette would take the second direction for r > 60; climbing always the first.
  for (int32_t sniffMode : {1, 2, 0}) {
    for (uint64_t seed = 1; seed <= 100; ++seed) {
      RandomSource rnd(seed);
      RandomSource copy = rnd;
      const int64_t heading = OnePeriod(Wiggled(0, 10, copy));
      TAgent a = SensedAgent({{1, 0}, {0, 1}}, {60, 40}, 5000.0, kReturning);
      a.ChangeHeading(30, 0, sniffMode, 10, rnd);
      ASSERT_EQ(a.StepX, 1) << "sniff mode " << sniffMode << ", seed " << seed;
      ASSERT_EQ(a.StepY, 0);
      ASSERT_EQ(a.Heading, heading) << "seed " << seed;
      ASSERT_EQ(rnd.Next(), copy.Next()) << "no roulette draw";
    }
  }
}

TEST(ChangeHeading, ASearchingAgentThatSensedNothingWalksRandomly) {
  // Climbing would step to (0, 1); the walk with turning range 0 keeps heading 0.
  for (double scentSum : {0.0, -0.0, -3.5}) {
    RandomSource rnd(6);
    TAgent a = SensedAgent({{0, 1}}, {100.0}, scentSum);
    a.Heading = 0;
    a.ChangeHeading(0, 45, 2, 30, rnd);
    EXPECT_EQ(a.StepX, 1) << "ScentSum " << scentSum;
    EXPECT_EQ(a.StepY, 0) << "ScentSum " << scentSum;
    EXPECT_EQ(a.Heading, 0);
  }
  // The angle threshold is the turning range.
  for (uint64_t seed = 1; seed <= 50; ++seed) {
    RandomSource rnd(seed);
    RandomSource copy = rnd;
    const int64_t turned = Wiggled(10, 25, copy);
    TAgent a = SensedAgent({{0, 1}}, {100.0}, 0.0);
    a.Heading = 10;
    a.ChangeHeading(25, 0, 1, 30, rnd);
    EXPECT_EQ(a.Heading, OnePeriod(turned));
    EXPECT_EQ(a.StepX, WalkStepFor(turned).x);
    EXPECT_EQ(a.StepY, WalkStepFor(turned).y);
  }
}

TEST(ChangeHeading, ASmallPositiveScentIsFollowed) {
  RandomSource rnd(6);
  TAgent a = SensedAgent({{0, 1}}, {100.0}, 1e-300);
  a.ChangeHeading(0, 0, 2, 30, rnd);
  EXPECT_EQ(a.StepX, 0);
  EXPECT_EQ(a.StepY, 1);
  EXPECT_EQ(a.Heading, 90);
}

TEST(ChangeHeading, OtherSniffModesAndStatesOnlyNormalise) {
  const struct { int32_t state, sniffMode; } cases[] = {{kSearching, 0}, {kSearching, 3}, {2, 1}, {-1, 2}};
  for (const auto& c : cases) {
    RandomSource rnd(3);
    RandomSource copy = rnd;
    TAgent a = SensedAgent({{0, 1}}, {100.0}, 50.0, c.state);
    a.Heading = -90;
    a.StepX = -1;
    a.StepY = -1;
    a.ChangeHeading(30, 20, c.sniffMode, 30, rnd);
    EXPECT_EQ(a.Heading, 270) << "state " << c.state << ", sniff mode " << c.sniffMode;
    EXPECT_EQ(a.StepX, -1);
    EXPECT_EQ(a.StepY, -1);
    EXPECT_EQ(rnd.Next(), copy.Next()) << "no draw";
  }
}

TEST(ChangeHeading, WigglesUpTo180KeepTheHeadingWithin0To360) {
  for (uint64_t seed = 1; seed <= 40; ++seed) {
    RandomSource rnd(seed);
    for (const auto& n : kNeighbours) {
      for (int32_t sniffMode : {1, 2}) {
        TAgent a = SensedAgent({n.d}, {100.0});
        a.ChangeHeading(180, 180, sniffMode, 180, rnd);
        ASSERT_GE(a.Heading, 0);
        ASSERT_LE(a.Heading, 360);
      }
    }
    for (int32_t start = 0; start <= 360; start += 30) {
      TAgent a = SensedAgent({{1, 0}}, {100.0}, 0.0);
      a.Heading = start;
      a.ChangeHeading(180, 180, 2, 180, rnd);
      ASSERT_GE(a.Heading, 0) << "from " << start;
      ASSERT_LE(a.Heading, 360) << "from " << start;
    }
  }
}

// A return noise comes from free text: far beyond +-180 the heading is still
// brought into 0..360, with the same angle modulo 360.
TEST(ChangeHeading, ReturnNoiseFarOutsideItsRangeStillGivesAHeadingWithin0To360) {
  const int32_t noises[] = {225, 383, 384, 100000, kMaxInt - 1, kMaxInt};
  for (int32_t noise : noises) {
    for (const auto& n : kNeighbours) {
      for (uint64_t seed = 1; seed <= 25; ++seed) {
        RandomSource rnd(seed);
        RandomSource copy = rnd;
        const int64_t turned = Wiggled(n.angle, noise, copy);
        TAgent a = SensedAgent({n.d}, {100.0}, 5000.0, kReturning);
        a.ChangeHeading(30, 20, 1, noise, rnd);
        ASSERT_GE(a.Heading, 0) << "noise " << noise << ", seed " << seed;
        ASSERT_LE(a.Heading, 360) << "noise " << noise << ", seed " << seed;
        ASSERT_EQ(Mod360(a.Heading), Mod360(turned)) << "noise " << noise << ", seed " << seed;
        ASSERT_EQ(a.StepX, n.d.dx);
        ASSERT_EQ(a.StepY, n.d.dy);
      }
    }
  }
}

TEST(ChangeHeading, ANegativeReturnNoiseDrawsNoTurn) {
  // Random of a bound of 0 or less gives 0: the heading is the direction's angle.
  const int32_t noises[] = {-1, -2, -5000, kMinInt + 1, kMinInt};
  for (int32_t noise : noises) {
    for (const auto& n : kNeighbours) {
      RandomSource rnd(static_cast<uint64_t>(noise) + 17);
      TAgent a = SensedAgent({n.d}, {100.0}, 5000.0, kReturning);
      a.ChangeHeading(30, 20, 2, noise, rnd);
      EXPECT_EQ(a.Heading, n.normalised) << "noise " << noise;
    }
  }
}

}  // namespace
}  // namespace quorvan
