// The design generators: each design's shape, whole-number settings, the
// same seed giving the same design, and the refusals.

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "design.h"

namespace quorvan::batch {
namespace {

const DesignInterval kWiggle{"wiggle", 0, 180, true}, kConsume{"consume", 0.05, 0.6, false};

TEST(Design, RefusesWhatCannotBeEstimated) {
  struct Case {
    const char* name;
    DesignRequest request;
    const char* message;
  };
  for (const Case& c : {
           Case{"no intervals", {DesignKind::kLhs, {}, 10, 4, 1}, "needs settings given as intervals"},
           Case{"low above high",
                {DesignKind::kLhs, {{"consume", 0.6, 0.05, false}}, 10, 4, 1},
                "--consume runs from 0.6 down to 0.05"},
           Case{"no whole number",
                {DesignKind::kSobol, {{"wiggle", 2.2, 2.8, true}}, 10, 4, 1},
                "holds no whole number"},
           Case{"lhs too few",
                {DesignKind::kLhs, {kWiggle, kConsume}, 3, 4, 1},
                "--samples 3 is too few for the lhs design: partial rank correlations of 2 settings need at least 4"},
           Case{"sobol too few", {DesignKind::kSobol, {kWiggle}, 1, 4, 1}, "(--samples 2 or more)"},
           Case{"morris too few", {DesignKind::kMorris, {kWiggle}, 1, 4, 1}, "at least 2 trajectories"},
           Case{"one level", {DesignKind::kMorris, {kWiggle}, 10, 1, 1}, "--levels 1: a Morris grid needs at least 2"},
       }) {
    SCOPED_TRACE(c.name);
    Design d;
    const std::string error = MakeDesign(c.request, d);
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_TRUE(d.unit.empty());
  }
}

TEST(Design, ShapesOfEachKind) {
  for (const DesignKind kind : {DesignKind::kLhs, DesignKind::kSobol, DesignKind::kMorris}) {
    SCOPED_TRACE(DesignKindName(kind));
    const DesignRequest request{kind, {kWiggle, kConsume, {"noise", 0, 100, true}}, 16, 4, 42};
    Design d, same, other;
    ASSERT_EQ(MakeDesign(request, d), "");
    ASSERT_EQ(MakeDesign(request, same), "");
    DesignRequest reseeded = request;
    reseeded.seed = 43;
    ASSERT_EQ(MakeDesign(reseeded, other), "");
    EXPECT_EQ(d.values, same.values);
    EXPECT_NE(d.values, other.values);

    const std::size_t k = 3, n = 16;
    const std::size_t rows = kind == DesignKind::kLhs ? n : kind == DesignKind::kSobol ? n * (k + 2) : n * (k + 1);
    ASSERT_EQ(d.unit.size(), rows);
    ASSERT_EQ(DesignPointValues(d).size(), rows);
    for (std::size_t r = 0; r < rows; ++r) {
      for (std::size_t i = 0; i < k; ++i) {
        EXPECT_GE(d.unit[r][i], 0);
        EXPECT_LE(d.unit[r][i], 1);
        EXPECT_GE(d.values[r][i], request.settings[i].low);
        EXPECT_LE(d.values[r][i], request.settings[i].high);
        if (request.settings[i].whole) {
          EXPECT_EQ(d.values[r][i], std::round(d.values[r][i]));
        }
      }
    }
    if (kind == DesignKind::kLhs) {
      // One point in each of the N strata of every setting.
      for (std::size_t i = 0; i < k; ++i) {
        std::set<int> strata;
        for (const auto& row : d.unit) strata.insert(static_cast<int>(row[i] * n));
        EXPECT_EQ(strata.size(), n);
      }
    } else if (kind == DesignKind::kSobol) {
      // A_B^(i) is A with column i from B.
      for (std::size_t i = 0; i < k; ++i)
        for (std::size_t r = 0; r < n; ++r)
          for (std::size_t c = 0; c < k; ++c)
            EXPECT_EQ(d.unit[(2 + i) * n + r][c], c == i ? d.unit[n + r][c] : d.unit[r][c]);
    } else {
      // Each step of a trajectory moves one setting by 2/3 on the grid of 4 levels.
      for (std::size_t r = 0; r < rows; ++r) {
        for (const double u : d.unit[r]) EXPECT_NEAR(u * 3, std::round(u * 3), 1e-12);
        if (r % (k + 1) == 0) continue;
        int moved = 0;
        for (std::size_t i = 0; i < k; ++i) {
          if (d.unit[r][i] == d.unit[r - 1][i]) continue;
          ++moved;
          EXPECT_NEAR(std::abs(d.unit[r][i] - d.unit[r - 1][i]), 2.0 / 3, 1e-12);
        }
        EXPECT_EQ(moved, 1);
      }
    }
  }
  // The texts a sweep point sets: whole settings without a fraction.
  Design d;
  ASSERT_EQ(MakeDesign({DesignKind::kMorris, {kWiggle, kConsume}, 2, 2, 1}, d), "");
  for (const auto& texts : DesignPointValues(d)) {
    EXPECT_TRUE(texts[0] == "0" || texts[0] == "180") << texts[0];
    EXPECT_TRUE(texts[1] == "0.05" || texts[1] == "0.6") << texts[1];
  }
}

}  // namespace
}  // namespace quorvan::batch
