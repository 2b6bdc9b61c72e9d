// The time step: move rules, trails, decay, statistics, the stop time, the
// order of the display calls, and all-or-nothing steps.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "recording_display.h"
#include "simulation.h"

namespace quorvan {
namespace {

using testing::RecordingDisplay;

// A 40 x 40 world (cell size 10) with no landscape but the nest, and agents
// whose moves are forced: a threshold of 0 gives a one-cell cone, and wiggles
// of 0 make the chosen cell the step.
class TimeStep : public ::testing::Test {
 protected:
  void Build(int agents, int cellSize = 10) {
    sim.settings = Settings{};
    sim.Rand.FixSeed(7);
    sim.settings.Edit_size = std::to_string(cellSize);
    sim.settings.Edit_anzAg = std::to_string(agents);
    sim.settings.SetupMode = -1;
    ASSERT_EQ(sim.SetupWorld(), "");
    sim.settings.TrB_thresh = 0;
    sim.settings.SB_wiggle = 0;
    sim.settings.E_noise = "0";
  }

  // Puts agent i on (c, r) heading along `heading`, searching or returning.
  TAgent& Put(std::size_t i, int c, int r, int heading, int state) {
    TAgent& a = sim.Agents[i];
    a.CellX = c;
    a.CellY = r;
    a.PixelX = c * sim.CellSize + sim.HalfCell;
    a.PixelY = r * sim.CellSize + sim.HalfCell;
    a.Heading = heading;
    a.State = state;
    return a;
  }

  Simulation sim;
};

TEST_F(TimeStep, ReturningAgentLaysBothTrailsOnTheCellItLeaves) {
  Build(1);
  TAgent& a = Put(0, 5, 5, 0, kReturning);  // cone: (1, 0)
  const StepResult r = sim.DoStep();
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.deliveries, 0);
  EXPECT_EQ(a.CellX, 6);
  EXPECT_EQ(a.CellY, 5);
  EXPECT_EQ(a.PixelX, 65);
  EXPECT_EQ(sim.Cells.Track(5, 5), 10.0);
  EXPECT_EQ(sim.Cells.ReturnTrack(5, 5), 10.0);
  EXPECT_EQ(sim.Cells.Track(6, 5), 0.0);
  EXPECT_EQ(sim.StepCount, 1);
}

TEST_F(TimeStep, SearchingAgentFollowsTheReturnTrailAndLaysOnlyFootprints) {
  Build(1);
  sim.Cells.ReturnTrack(5, 6) = 1000.0;   // below (5, 5)
  TAgent& a = Put(0, 5, 5, 90, kSearching);  // cone: (0, 1)
  ASSERT_TRUE(sim.DoStep().ok());
  EXPECT_EQ(a.CellY, 6);
  EXPECT_EQ(a.Heading, 90);
  EXPECT_EQ(sim.Cells.Track(5, 5), 10.0);
  EXPECT_EQ(sim.Cells.ReturnTrack(5, 5), 0.0);
}

TEST_F(TimeStep, PickUpDependsOnTheConsumeProbability) {
  struct Case {
    const char* consume;
    int32_t state;
  };
  for (const Case& c : {Case{"1", kReturning}, Case{"1,5", kReturning}, Case{"-0,1", kSearching}}) {
    SCOPED_TRACE(c.consume);
    Build(1);
    sim.settings.E_CProbab = c.consume;
    sim.Cells.ReturnTrack(6, 5) = 1000.0;
    sim.Cells.Kind(6, 5) = kDestination;
    sim.Cells(6, 5).DestIndex = 3;
    TAgent& a = Put(0, 5, 5, 0, kSearching);
    ASSERT_TRUE(sim.DoStep().ok());
    EXPECT_EQ(a.State, c.state);
    if (c.state == kReturning) {
      EXPECT_EQ(a.Source, 3);
    }
    // The agent moves onto the destination in the same step, leaving only a footprint.
    EXPECT_EQ(a.CellX, 6);
    EXPECT_EQ(sim.Cells.Track(5, 5), 10.0);
    EXPECT_EQ(sim.Cells.ReturnTrack(5, 5), 0.0);
  }
}

TEST_F(TimeStep, DeliveryAtTheNestCreditsTheSource) {
  // Returns before and after the delivery; a full count stays full.
  const struct {
    int32_t before, after;
  } kCounts[] = {{5, 6}, {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max()}};
  for (const auto& count : kCounts) {
    Build(1);
    sim.Destinations = {{0, 0, 0}, {0, 0, count.before}};
    const int nest = sim.NestColumn();  // nest block covers nest-1..nest+1
    TAgent& a = Put(0, nest - 2, nest, 0, kReturning);
    a.Source = 1;
    const StepResult r = sim.DoStep();
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.deliveries, 1);
    EXPECT_EQ(a.State, kSearching);
    EXPECT_EQ(a.Successful, 1);
    EXPECT_EQ(sim.Destinations[1].Returns, count.after);
    EXPECT_EQ(sim.Destinations[0].Returns, 0);
    EXPECT_EQ(a.CellX, nest - 1);
    EXPECT_EQ(sim.Cells.ReturnTrack(nest - 2, nest), 10.0);
  }
}

TEST_F(TimeStep, DeliveryWithASourceOutsideTheListCreditsNothing) {
  Build(1);
  sim.Destinations = {{0, 0, 0}};
  const int nest = sim.NestColumn();
  TAgent& a = Put(0, nest - 2, nest, 0, kReturning);
  a.Source = 7;
  const StepResult r = sim.DoStep();
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.deliveries, 1);  // a delivery, though no entry is credited
  EXPECT_EQ(a.Successful, 1);
  EXPECT_EQ(sim.Destinations[0].Returns, 0);
}

TEST_F(TimeStep, ObstacleTurnsTheAgentAndKeepsItInPlace) {
  Build(1);
  sim.Cells.Kind(6, 5) = kObstacle;
  for (int step = 0; step < 20; ++step) {
    TAgent& a = Put(0, 5, 5, 0, kReturning);
    sim.Cells.Track(5, 5) = 0.0;
    sim.Cells.ReturnTrack(5, 5) = 0.0;
    ASSERT_TRUE(sim.DoStep().ok());
    EXPECT_EQ(a.CellX, 5);
    EXPECT_EQ(a.CellY, 5);
    EXPECT_EQ(a.StepX, 1);  // the chosen step stays
    EXPECT_EQ(a.StepY, 0);
    EXPECT_GE(a.Heading, 0);
    EXPECT_LE(a.Heading, 360);
    EXPECT_EQ(sim.Cells.Track(5, 5), 0.0);
    EXPECT_EQ(sim.Cells.ReturnTrack(5, 5), 10.0);  // a blocked returner still marks its cell
  }
}

// One agent's step against a stream replayed from the same seed, with the
// expected outcome worked out from the rules: one real per direction for
// the sensing, then the strategy's draws, then the pick-up real or the
// obstacle turn. Two draws taken in another order give another outcome.
TEST_F(TimeStep, AStepsDrawsComeInTheirOrderFromTheStream) {
  struct Case {
    const char* what;
    int32_t state, sniff;
    double trail[3];  // return trail of the cone cells (6, 4), (6, 5), (6, 6)
    int32_t kind;     // of every neighbour of (5, 5)
    bool showReturn;  // the scan's trail; either way its smallest value is 0
  };
  const Case cases[] = {
      {"roulette, pick-up", kSearching, kSniffRoulette, {30, 30, 40}, kDestination, true},
      {"hill climbing, pick-up", kSearching, kSniffHill, {30, 40, 30}, kDestination, true},
      {"returning climbs, turns", kReturning, kSniffRoulette, {0, 0, 0}, kObstacle, true},
      {"nothing sensed, walks, turns", kSearching, kSniffRoulette, {-1, -1, -1}, kObstacle, false},
  };
  // Heading 0 with threshold 30: the cone and the angles of its directions.
  const Direction cone[3] = {{1, -1}, {1, 0}, {1, 1}};
  const int32_t angle[3] = {-45, 0, 45};
  const auto normalize = [](int32_t h) { return h < 0 ? h + 360 : (h > 360 ? h - 360 : h); };
  for (const Case& k : cases) {
    for (uint64_t seed = 1; seed <= 12; ++seed) {
      SCOPED_TRACE(::testing::Message() << k.what << ", seed " << seed);
      Build(1);
      sim.settings.TrB_thresh = 30;
      sim.settings.SB_wiggle = 20;
      sim.settings.E_noise = "25";
      sim.settings.E_CProbab = "0,5";
      sim.settings.rb_rulette = k.sniff == kSniffRoulette;
      sim.settings.rb_hill = k.sniff == kSniffHill;
      sim.settings.CB_showAB = k.showReturn;
      for (int32_t dy = -1; dy <= 1; ++dy) {
        for (int32_t dx = -1; dx <= 1; ++dx) {
          if (dx == 0 && dy == 0) continue;
          sim.Cells.Kind(5 + dx, 5 + dy) = k.kind;
          sim.Cells(5 + dx, 5 + dy).DestIndex = 3 * (dx + 1) + dy + 1;
        }
      }
      for (int32_t j = 0; j < 3; ++j) sim.Cells.ReturnTrack(6, 4 + j) = k.trail[j];
      const TAgent& a = Put(0, 5, 5, 0, k.state);
      sim.Rand.FixSeed(seed);
      RandomSource rnd = sim.Rand;
      ASSERT_TRUE(sim.DoStep().ok());

      // Sensing, with noise amplitude TrackMin + 1 = 1.
      double sensed[3];
      double total = 0.0;
      for (int32_t j = 0; j < 3; ++j) {
        const double noise = static_cast<double>(static_cast<long double>(rnd.RandomReal()) - 0.5L);
        const long double v = k.state == kReturning ? sim.Cells.HomeScent(6, 4 + j) : k.trail[j];
        total = static_cast<double>((static_cast<long double>(total) + v) + noise);
        sensed[j] = static_cast<double>(v + noise);
      }
      double chance[3];
      for (int32_t j = 0; j < 3; ++j) chance[j] = static_cast<double>(sensed[j] / static_cast<long double>(total) * 100.0L);

      // The heading: a magnitude, then a sign.
      const auto wiggle = [&rnd](int32_t w) {
        const int32_t m = rnd.Random(w + 1);
        const int32_t b = rnd.Random(2);
        return m * (2 * b - 1);
      };
      int32_t heading = 0;
      Direction step;
      std::size_t chosen = 0;
      if (k.state == kReturning || (total > 0.0 && k.sniff == kSniffHill)) {
        double best = 0.0;
        for (std::size_t j = 0; j < 3; ++j) {
          if (chance[j] > best) {
            best = chance[j];
            chosen = j;
          }
        }
        heading = angle[chosen] + wiggle(k.state == kReturning ? 25 : 20);
        step = cone[chosen];
      } else if (total > 0.0) {
        const int32_t r = rnd.Random(100);
        long double sum = 0.0L;
        for (chosen = 0; chosen < 2; ++chosen) {
          sum += chance[chosen];
          if (!(r > sum)) break;
        }
        heading = angle[chosen] + wiggle(20);
        step = cone[chosen];
      } else {
        heading = wiggle(30);
        const auto rad = static_cast<double>(heading * (3.141592654L / 180.0L));
        step = {static_cast<int32_t>(std::nearbyintl(std::cos(static_cast<long double>(rad)))),
                static_cast<int32_t>(std::nearbyintl(std::sin(static_cast<long double>(rad))))};
      }
      heading = normalize(heading);

      // Pick-up at a destination, or the turn at an obstacle.
      int32_t state = k.state;
      int32_t source = 0;
      Direction at{5, 5};
      if (k.kind == kDestination && rnd.RandomReal() <= 0.5) {
        state = kReturning;
        source = 3 * (step.dx + 1) + step.dy + 1;
      }
      if (k.kind == kObstacle) {
        heading = normalize(heading + rnd.Random(360));
      } else {
        at = {5 + step.dx, 5 + step.dy};
      }

      EXPECT_EQ(a.Heading, heading);
      EXPECT_EQ(a.StepX, step.dx);
      EXPECT_EQ(a.StepY, step.dy);
      EXPECT_EQ(a.CellX, at.dx);
      EXPECT_EQ(a.CellY, at.dy);
      EXPECT_EQ(a.State, state);
      if (k.kind == kDestination) {
        EXPECT_EQ(a.Source, source);
      }
      EXPECT_EQ(sim.Rand.Next(), rnd.Next()) << "as many draws as the rules make";
    }
  }
}

TEST_F(TimeStep, MovesWrapAroundTheTorus) {
  struct Case {
    int c, r, heading, toC, toR;
  };
  for (const Case& k : {Case{39, 7, 0, 0, 7}, Case{0, 7, 180, 39, 7}, Case{7, 0, 270, 7, 39},
                        Case{7, 39, 90, 7, 0}, Case{39, 39, 45, 0, 0}}) {
    SCOPED_TRACE(::testing::Message() << k.c << "," << k.r << " heading " << k.heading);
    Build(1);
    TAgent& a = Put(0, k.c, k.r, k.heading + 22, kReturning);  // sector of heading + 22 - 22.5
    ASSERT_TRUE(sim.DoStep().ok());
    EXPECT_EQ(a.CellX, k.toC);
    EXPECT_EQ(a.CellY, k.toR);
    EXPECT_EQ(a.PixelX, k.toC * 10 + 5);
    EXPECT_EQ(a.PixelY, k.toR * 10 + 5);
  }
}

TEST_F(TimeStep, TwoAgentsLeavingOneCellAddTwenty) {
  Build(2);
  Put(0, 5, 5, 0, kSearching);
  Put(1, 5, 5, 0, kSearching);
  sim.Cells.ReturnTrack(6, 5) = 1000.0;
  ASSERT_TRUE(sim.DoStep().ok());
  EXPECT_EQ(sim.Cells.Track(5, 5), 20.0);
}

TEST_F(TimeStep, DecayScalesBothTrailsButNotTheHomeScent) {
  struct Case {
    const char* rate;
    double track;
  };
  for (const Case& k : {Case{"0,95", 9.5}, Case{"1", 10.0}, Case{"2", 20.0}, Case{"-0.5", -5.0}}) {
    SCOPED_TRACE(k.rate);
    Build(0);
    sim.settings.CB_decay = true;
    sim.settings.E_decay = k.rate;
    sim.Cells.Track(3, 3) = 10.0;
    sim.Cells.ReturnTrack(3, 3) = 10.0;
    const double scent = sim.Cells.HomeScent(3, 3);
    ASSERT_TRUE(sim.DoStep().ok());
    EXPECT_EQ(sim.Cells.Track(3, 3), k.track);
    EXPECT_EQ(sim.Cells.ReturnTrack(3, 3), k.track);
    EXPECT_EQ(sim.Cells.HomeScent(3, 3), scent);
  }
}

TEST_F(TimeStep, DecayFormsTheProductInExtendedPrecision) {
  // Rounded straight to a double this product would end in ...799; formed in
  // extended precision and then stored, it ends in ...7985.
  Build(0);
  sim.settings.CB_decay = true;
  sim.settings.E_decay = "0,95";
  sim.Cells.Track(1, 1) = 319.94788459745251;
  ASSERT_TRUE(sim.DoStep().ok());
  EXPECT_EQ(sim.Cells.Track(1, 1), 303.95049036757985);
  EXPECT_NE(sim.Cells.Track(1, 1), 319.94788459745251 * 0.95);
}

TEST_F(TimeStep, StatisticsArePercentOfTheAgentsInTheWorld) {
  struct Case {
    int successful;
    int32_t percent;
  };
  Build(800);
  for (const Case& k : {Case{0, 0}, Case{4, 0}, Case{12, 2}, Case{20, 2}, Case{400, 50}, Case{800, 100}}) {
    SCOPED_TRACE(k.successful);
    for (std::size_t i = 0; i < sim.Agents.size(); ++i) {
      sim.Agents[i].Successful = static_cast<int>(i) < k.successful ? 1 : 0;
      sim.Agents[i].State = static_cast<int>(i) < k.successful ? kReturning : kSearching;
    }
    sim.settings.Edit_anzAg = "400";  // the box no longer counts
    int32_t successful = -1, returning = -1;
    sim.UpdateStatistics(successful, returning);
    EXPECT_EQ(successful, k.percent);
    EXPECT_EQ(returning, k.percent);
  }
}

TEST_F(TimeStep, AnEmptyWorldStillStepsAndPlotsZero) {
  Build(0);
  sim.settings.Edit_anzAg = "0";
  const StepResult r = sim.DoStep();
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(sim.StepCount, 1);
  EXPECT_EQ(r.successful, 0);
  EXPECT_EQ(r.returning, 0);
}

TEST_F(TimeStep, RunStopsOnlyWhenTheCounterEqualsTheStopTime) {
  Build(3);
  sim.StopTime = 3;
  EXPECT_FALSE(sim.DoStep().stopReached);
  EXPECT_FALSE(sim.DoStep().stopReached);
  EXPECT_TRUE(sim.DoStep().stopReached);
  EXPECT_FALSE(sim.DoStep().stopReached);  // running on past it
  sim.StopTime = 2;                         // already passed
  EXPECT_FALSE(sim.DoStep().stopReached);
  EXPECT_EQ(sim.StepCount, 5);
}

TEST_F(TimeStep, BadSettingTextsChangeNothing) {
  struct Case {
    const char* noise;
    const char* consume;
    bool decay;
    const char* rate;
    const char* message;
  };
  const Case cases[] = {
      {"abc", "0,35", false, "0,95", "'abc' is not a valid floating point value"},
      {"", "0,35", false, "0,95", "'' is not a valid floating point value"},
      {"30", "x", false, "0,95", "'x' is not a valid floating point value"},
      {"30", "0,35", true, "nan", "'nan' is not a valid floating point value"},
      {"30", "0,35", true, "1e999", "'1e999' is not a valid floating point value"},
      {"1e300", "0,35", false, "0,95", "Invalid floating point operation"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.message);
    RecordingDisplay display;
    sim.SetDisplay(&display);
    Build(50);
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(sim.DoStep().ok());
    sim.settings.E_noise = k.noise;
    sim.settings.E_CProbab = k.consume;
    sim.settings.CB_decay = k.decay;
    sim.settings.E_decay = k.rate;
    const uint64_t before = WorldDigest(sim);
    display.calls.clear();
    const StepResult r = sim.DoStep();
    EXPECT_EQ(r.error, k.message);
    EXPECT_EQ(WorldDigest(sim), before);
    EXPECT_EQ(sim.StepCount, 5);
    EXPECT_TRUE(display.calls.empty());
    sim.SetDisplay(nullptr);
  }
}

TEST_F(TimeStep, DisplayIsCalledInStepOrderWithTheAgentsBeforeTheirMoves) {
  struct Case {
    bool gravity, agents;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {false, true, {"ClearAgentLayer", "PaintChangedCells", "DrawAgents", "ShowStepCount", "AddChartPoints"}},
      {true, false, {"ClearAgentLayer", "PaintChangedCells", "DrawGravityLines", "ShowStepCount", "AddChartPoints"}},
      {true, true,
       {"ClearAgentLayer", "PaintChangedCells", "DrawGravityLines", "DrawAgents", "ShowStepCount",
        "AddChartPoints"}},
  };
  for (const Case& k : cases) {
    RecordingDisplay display;
    display.agents = &sim.Agents;
    sim.SetDisplay(&display);
    Build(1);
    Put(0, 5, 5, 0, kReturning);
    sim.settings.CB_gravity = k.gravity;
    sim.settings.CB_showAg = k.agents;
    display.calls.clear();
    ASSERT_TRUE(sim.DoStep().ok());
    EXPECT_EQ(display.calls, k.calls);
    if (k.agents) {
      EXPECT_EQ(display.drawnAgentX, 5);
    }
    EXPECT_EQ(sim.Agents[0].CellX, 6);
    sim.SetDisplay(nullptr);
  }
}

TEST_F(TimeStep, AGravityFailureIsReportedAndTheStepGoesOn) {
  RecordingDisplay display;
  display.gravityFailure = "'x' is not a valid floating point value";
  sim.SetDisplay(&display);
  Build(1);
  Put(0, 5, 5, 0, kReturning);
  sim.settings.CB_gravity = true;
  const StepResult r = sim.DoStep();
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.warning, display.gravityFailure);
  EXPECT_EQ(sim.Agents[0].CellX, 6);
  EXPECT_EQ(sim.StepCount, 1);
  sim.SetDisplay(nullptr);
}

TEST_F(TimeStep, RangeScanFloorsCeilingsAndChoosesTheShownTrail) {
  Build(0, 9);  // 45 x 45: an odd number of cells
  sim.ScanTrackRange();
  EXPECT_EQ(sim.TrackMax, 0.1L);  // the extended 0.1, not the double
  EXPECT_EQ(sim.TrackMin, 0.0L);

  sim.Cells.ReturnTrack(44, 44) = 70.0;  // the very last cell
  sim.Cells.Track(3, 4) = 500.0;
  sim.settings.CB_showAB = true;
  sim.ScanTrackRange();
  EXPECT_EQ(sim.TrackMax, 70.0L);
  sim.settings.CB_showAB = false;
  sim.ScanTrackRange();
  EXPECT_EQ(sim.TrackMax, 500.0L);
  EXPECT_EQ(sim.TrackMin, 0.0L);

  // Every trail large: the minimum never exceeds 10^15 - 1.
  for (int r = 0; r < sim.RowCount; ++r)
    for (int c = 0; c < sim.ColCount; ++c) sim.Cells.Track(c, r) = 1e16;
  sim.Cells.Track(10, 10) = std::numeric_limits<double>::quiet_NaN();
  sim.ScanTrackRange();
  EXPECT_EQ(sim.TrackMin, 999999999999999.0L);
  EXPECT_EQ(sim.TrackMax, 1e16L);

  // The double 0.1 lies above the extended floor, and counts.
  sim.Cells.Track(0, 0) = 0.1;
  for (int r = 0; r < sim.RowCount; ++r)
    for (int c = 0; c < sim.ColCount; ++c) sim.Cells.Track(c, r) = (c || r) ? 0.0 : 0.1;
  sim.ScanTrackRange();
  EXPECT_EQ(sim.TrackMax, static_cast<long double>(0.1));
}

TEST_F(TimeStep, NoWorldNoStep) {
  Simulation empty;
  const StepResult r = empty.DoStep();
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(empty.StepCount, 0);
}

}  // namespace
}  // namespace quorvan
