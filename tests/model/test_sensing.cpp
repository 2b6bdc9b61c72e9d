// The sensing cone: which neighbours an agent looks at, the noise on what it
// senses, and the shares of the total.

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include "world_fixture.h"

namespace quorvan {
namespace {

using Dirs = std::vector<Direction>;

// The neighbours in sector order 1..8.
const Direction kSectorOrder[] = {{1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}};

int SectorIndex(Direction d) {
  for (int i = 0; i < 8; ++i) {
    if (kSectorOrder[i] == d) return i;
  }
  return -1;
}

Dirs DirectionsOf(const TAgent& a) { return Dirs(a.Directions.begin(), a.Directions.end()); }

std::string Show(const Dirs& dirs) {
  std::string s;
  for (const Direction& d : dirs) s += "(" + std::to_string(d.dx) + "," + std::to_string(d.dy) + ")";
  return s;
}

// A 40 x 40 world (cell size 10) with one agent on the nest cell (20, 20),
// no landscape and no trails.
class Sensing : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::BuildWorld(sim, {.cellSize = 10, .agents = 1});
    sim.TrackMin = 0.0L;
  }
  TAgent& agent() { return sim.Agents[0]; }
  Dirs Cone(int32_t heading, int32_t threshold) {
    agent().Heading = heading;
    sim.SenseNeighbourhood(0, threshold);
    return DirectionsOf(agent());
  }

  Simulation sim;
};

TEST_F(Sensing, ConeDirectionsForHeadingAndThreshold) {
  const struct {
    int32_t heading, threshold;
    Dirs expected;
  } cases[] = {
      // threshold 0: the one sector of H - 22.5
      {0, 0, {{1, 0}}},
      {22, 0, {{1, 0}}},
      {23, 0, {{1, 1}}},
      {45, 0, {{1, 1}}},
      {67, 0, {{1, 1}}},
      {68, 0, {{0, 1}}},
      {90, 0, {{0, 1}}},
      {360, 0, {{1, 0}}},
      // threshold 30
      {0, 30, {{1, -1}, {1, 0}, {1, 1}}},
      {90, 30, {{1, 1}, {0, 1}, {-1, 1}}},
      {180, 30, {{-1, 1}, {-1, 0}, {-1, -1}}},
      {270, 30, {{-1, -1}, {0, -1}, {1, -1}}},
      {45, 30, {{1, 0}, {1, 1}, {0, 1}}},
      {360, 30, {{1, -1}, {1, 0}, {1, 1}}},
      // wide cones
      {0, 90, {{0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}}},
      {0, 135, {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}}},
      {0, 157, {{-1, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}}},
      // 158 and more: the edges meet behind the agent
      {0, 158, {{-1, 0}}},
      {0, 170, {{-1, 0}}},
      {0, 179, {{-1, 0}}},
      {90, 179, {{0, -1}}},
      {0, 180, {{-1, 0}}},
      {90, 180, {{0, -1}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Show(Cone(c.heading, c.threshold)), Show(c.expected))
        << "heading " << c.heading << ", threshold " << c.threshold;
  }
}

TEST_F(Sensing, ThresholdsFrom158To179GiveEightOrOneDirection) {
  for (int32_t threshold = 158; threshold <= 179; ++threshold) {
    bool eight = false;
    bool one = false;
    for (int32_t heading = 0; heading <= 360; ++heading) {
      const auto n = Cone(heading, threshold).size();
      ASSERT_TRUE(n == 1 || n == 8) << "heading " << heading << ", threshold " << threshold << ": " << n;
      eight = eight || n == 8;
      one = one || n == 1;
    }
    EXPECT_TRUE(eight && one) << "threshold " << threshold;
  }
}

TEST_F(Sensing, ThresholdThirtyGivesTwoOrThreeDirections) {
  bool two = false;
  bool three = false;
  for (int32_t heading = 0; heading <= 360; ++heading) {
    const auto n = Cone(heading, 30).size();
    ASSERT_TRUE(n == 2 || n == 3) << "heading " << heading << ": " << n;
    two = two || n == 2;
    three = three || n == 3;
  }
  EXPECT_TRUE(two && three);
}

TEST_F(Sensing, EveryConeIsARunOfConsecutiveSectors) {
  for (int32_t threshold = 0; threshold <= 180; ++threshold) {
    for (int32_t heading = 0; heading <= 360; ++heading) {
      const Dirs dirs = Cone(heading, threshold);
      ASSERT_GE(dirs.size(), 1u);
      ASSERT_LE(dirs.size(), 8u);
      for (std::size_t j = 0; j < dirs.size(); ++j) {
        const int s = SectorIndex(dirs[j]);
        ASSERT_GE(s, 0) << "heading " << heading << ", threshold " << threshold << ": " << Show(dirs);
        if (j > 0) {
          ASSERT_EQ(s, (SectorIndex(dirs[j - 1]) + 1) % 8)
              << "heading " << heading << ", threshold " << threshold << ": " << Show(dirs);
        }
      }
    }
  }
}

TEST_F(Sensing, HeadingsOutsideOnePeriodFindTheConeOfTheirAngle) {
  // A heading left far out by a huge return noise is placed by its angle modulo 360.
  const struct {
    int32_t heading, same;
  } cases[] = {{-200, 160},
               {-5000, 40},
               {600, 240},
               {100000, 280},
               {std::numeric_limits<int32_t>::max(), 127},
               {std::numeric_limits<int32_t>::min(), 232}};
  for (const auto& c : cases) {
    for (int32_t threshold : {0, 30, 90, 170}) {
      EXPECT_EQ(Show(Cone(c.heading, threshold)), Show(Cone(c.same, threshold)))
          << "heading " << c.heading << ", threshold " << threshold;
    }
  }
}

TEST_F(Sensing, ChancesAreSharesOfTheSensedReturnTrail) {
  // W = TrackMin + 1 = 0: no noise, so the shares are exact.
  sim.TrackMin = -1.0L;
  sim.Cells.ReturnTrack(21, 19) = 10.0;
  sim.Cells.ReturnTrack(21, 20) = 30.0;
  sim.Cells.ReturnTrack(21, 21) = 60.0;
  sim.Cells.Track(21, 20) = 5000.0;  // the footprint trail is not sensed
  Cone(0, 30);
  const TAgent& a = agent();
  ASSERT_EQ(a.Chances.size(), 3u);
  EXPECT_EQ(a.ScentSum, 100.0);
  EXPECT_EQ(a.Chances[0], static_cast<double>(10.0L / 100.0L * 100.0L));
  EXPECT_EQ(a.Chances[1], static_cast<double>(30.0L / 100.0L * 100.0L));
  EXPECT_EQ(a.Chances[2], static_cast<double>(60.0L / 100.0L * 100.0L));
}

TEST_F(Sensing, AReturningAgentSensesTheHomeScent) {
  sim.TrackMin = -1.0L;
  agent().State = kReturning;
  for (int32_t c = 19; c <= 21; ++c) {
    for (int32_t r = 19; r <= 21; ++r) sim.Cells.ReturnTrack(c, r) = 1e6;
  }
  // From the nest (20, 20) at cell size 10: (21, 20) is 10 pixels away
  // (home scent 9900), (21, 19) and (21, 21) 14 (9860).
  Cone(0, 30);
  const TAgent& a = agent();
  EXPECT_EQ(a.ScentSum, 29620.0);
  ASSERT_EQ(a.Chances.size(), 3u);
  // The division first, then the multiplication, both in extended precision.
  EXPECT_EQ(a.Chances[0], static_cast<double>(9860.0L / 29620.0L * 100.0L));
  EXPECT_EQ(a.Chances[1], static_cast<double>(9900.0L / 29620.0L * 100.0L));
  EXPECT_EQ(a.Chances[2], static_cast<double>(9860.0L / 29620.0L * 100.0L));
}

TEST_F(Sensing, OneNoiseDrawPerDirectionInConeOrder) {
  // Trails that differ per direction show which draw went to which cell.
  for (int32_t c = 19; c <= 21; ++c) {
    for (int32_t r = 19; r <= 21; ++r) sim.Cells.ReturnTrack(c, r) = 3.0 * (c - 18) + 7.0 * (r - 18);
  }
  for (int32_t state : {kSearching, kReturning}) {
    for (long double trackMin : {0.0L, 3.0L, 250.0L, 0.1L, 1e-7L}) {
      for (int32_t heading = 0; heading <= 360; heading += 15) {
        for (int32_t threshold : {0, 30, 100, 157}) {
          sim.TrackMin = trackMin;
          agent().State = state;
          RandomSource copy = sim.Rand;
          const Dirs dirs = Cone(heading, threshold);
          // The amplitude is a double; noise, sums and shares are formed in
          // extended precision and each stored as a double.
          const double w = static_cast<double>(trackMin + 1.0L);
          std::vector<double> sensed;
          double total = 0.0;
          for (const Direction& d : dirs) {
            const double noise = static_cast<double>((static_cast<long double>(copy.RandomReal()) - 0.5L) * w);
            ASSERT_GE(noise, -0.5 * w);
            ASSERT_LT(noise, 0.5 * w);
            const long double v = state == kReturning ? sim.Cells.HomeScent(20 + d.dx, 20 + d.dy)
                                                      : sim.Cells.ReturnTrack(20 + d.dx, 20 + d.dy);
            sensed.push_back(static_cast<double>(v + noise));
            total = static_cast<double>((static_cast<long double>(total) + v) + noise);
          }
          ASSERT_EQ(sim.Rand.Next(), copy.Next()) << "one draw per direction";
          const TAgent& a = agent();
          ASSERT_EQ(a.ScentSum, total);
          ASSERT_EQ(a.Chances.size(), dirs.size());
          double sum = 0.0;
          for (std::size_t j = 0; j < dirs.size(); ++j) {
            ASSERT_EQ(a.Chances[j], static_cast<double>(sensed[j] / static_cast<long double>(total) * 100.0L))
                << "direction " << j;
            sum += a.Chances[j];
          }
          ASSERT_NEAR(sum, 100.0, 1e-9);
        }
      }
    }
  }
}

TEST_F(Sensing, TheConeReachesAcrossTheBorders) {
  const struct {
    int32_t x, y, heading, senseX, senseY;
  } cases[] = {
      {0, 5, 180, 39, 5},                      // left of column 0 is the last column
      {39, 5, 0, 0, 5},   {5, 0, 270, 5, 39},  // above row 0 is the last row
      {5, 39, 90, 5, 0},  {0, 0, 225, 39, 39}, {39, 39, 45, 0, 0},
  };
  sim.TrackMin = -1.0L;
  for (const auto& c : cases) {
    sim.Cells.ReturnTrack(c.senseX, c.senseY) = 42.0;
    agent().CellX = c.x;
    agent().CellY = c.y;
    Cone(c.heading, 0);
    EXPECT_EQ(agent().ScentSum, 42.0) << "from (" << c.x << ", " << c.y << ") at " << c.heading;
    sim.Cells.ReturnTrack(c.senseX, c.senseY) = 0.0;
  }
}

// A total of zero, or one that is not finite, cannot be shared out: the agent
// senses nothing, and no division happens.
TEST_F(Sensing, AZeroOrNonFiniteTotalSensesNothing) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    long double trackMin;
    double first, second;
    bool finite;  // no invalid operation is needed to form the total
  } cases[] = {
      {-1.0L, 5.0, -5.0, true},  // no noise; the trails cancel
      {-1.0L, 0.0, 0.0, true},   // no noise, no trail
      {0.0L, inf, 0.0, false},   {0.0L, nan, 1.0, false},
      {-1.0L, inf, -inf, false}, {1e400L, 1.0, 1.0, false},  // the noise amplitude is infinite as a double
  };
  for (const auto& c : cases) {
    sim.TrackMin = c.trackMin;
    // Heading 22, threshold 30: the cone is (1, 0), (1, 1).
    sim.Cells.ReturnTrack(21, 20) = c.first;
    sim.Cells.ReturnTrack(21, 21) = c.second;
    std::feclearexcept(FE_DIVBYZERO | FE_INVALID);
    const Dirs dirs = Cone(22, 30);
    EXPECT_FALSE(std::fetestexcept(FE_DIVBYZERO)) << c.first << ", " << c.second;
    if (c.finite) {
      EXPECT_FALSE(std::fetestexcept(FE_INVALID)) << c.first << ", " << c.second;
    }
    ASSERT_EQ(Show(dirs), Show({{1, 0}, {1, 1}}));
    const TAgent& a = agent();
    EXPECT_EQ(a.ScentSum, 0.0) << c.first << ", " << c.second;
    EXPECT_EQ(a.Chances.size(), 2u);
    for (double chance : a.Chances) EXPECT_FALSE(chance > 0.0) << c.first << ", " << c.second;

    // The agent then wanders instead of following a trail.
    agent().ChangeHeading(0, 0, 1, 30, sim.Rand);
    EXPECT_EQ(agent().StepX, 1);
    EXPECT_EQ(agent().StepY, 0);
  }
}

TEST_F(Sensing, AnAgentIndexOutsideTheListIsRefused) {
  EXPECT_THROW(sim.SenseNeighbourhood(1, 30), std::out_of_range);
}

}  // namespace
}  // namespace quorvan
