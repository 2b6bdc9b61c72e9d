// The estimators against answers known in closed form: summaries and
// Kaplan-Meier on textbook data, Sobol indices of the Ishigami and G
// functions within their bootstrap intervals, Morris on a function whose
// ranking is known, PRCC, and ABC on a toy model whose posterior is known.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

#include "abc_rejection.h"
#include "bootstrap.h"
#include "design.h"
#include "kaplan_meier.h"
#include "morris_effects.h"
#include "prcc.h"
#include "sobol_indices.h"
#include "stats_summary.h"

namespace quorvan::analysis {
namespace {

using batch::Design;
using batch::DesignInterval;
using batch::DesignKind;
using batch::DesignRequest;
using batch::MakeDesign;

TEST(Summary, TextbookValues) {
  struct Case {
    const char* name;
    std::vector<double> values;
    double mean, sd, half, median, q1, q3;
  };
  const double t7 = 2.364624251592785, t2 = 4.302652729911275;
  for (const Case& c : {
           Case{"eight",
                {9, 2, 4, 4, 5, 4, 5, 7},
                5,
                std::sqrt(32.0 / 7),
                t7 * std::sqrt(32.0 / 7) / std::sqrt(8.0),
                4.5,
                4,
                5.5},
           Case{"one", {3}, 3, 0, 0, 3, 3, 3},
           Case{"three", {1, 2, 3}, 2, 1, t2 / std::sqrt(3.0), 2, 1.5, 2.5},
       }) {
    SCOPED_TRACE(c.name);
    const Summary s = Summarize(c.values);
    EXPECT_EQ(s.n, c.values.size());
    EXPECT_NEAR(s.mean, c.mean, 1e-12);
    EXPECT_NEAR(s.sd, c.sd, 1e-12);
    EXPECT_NEAR(s.high - s.mean, c.half, 1e-9);
    EXPECT_NEAR(s.mean - s.low, c.half, 1e-9);
    EXPECT_DOUBLE_EQ(s.median, c.median);
    EXPECT_DOUBLE_EQ(s.q1, c.q1);
    EXPECT_DOUBLE_EQ(s.q3, c.q3);
  }
  // Pairs by index: the same spread as the "three" case, shifted.
  const Summary d = PairedDifference({10, 20, 30}, {11, 22, 33});
  EXPECT_DOUBLE_EQ(d.mean, 2);
  EXPECT_NEAR(d.high - d.low, 2 * t2 / std::sqrt(3.0), 1e-9);
}

TEST(KaplanMeier, MediansWithCensoredRuns) {
  // Freireich's 6-MP arm (weeks; censored marked false): median 23, and the
  // band never falls to one half, so the interval has no upper end.
  std::vector<Passage> sixMp;
  for (const auto& [t, reached] : std::vector<std::pair<double, bool>>{
           {6, true},   {6, true},   {6, true},   {6, false},  {7, true},   {9, false},  {10, true},
           {10, false}, {11, false}, {13, true},  {16, true},  {17, false}, {19, false}, {20, false},
           {22, true},  {23, true},  {25, false}, {32, false}, {32, false}, {34, false}, {35, false}})
    sixMp.push_back({t, reached});
  struct Case {
    const char* name;
    std::vector<Passage> passages;
    std::size_t censored;
    std::optional<double> median;
    bool upperOpen;
  };
  for (const Case& c : {
           Case{"six-MP", sixMp, 12, 23.0, true},
           Case{"all reached", {{5, true}, {1, true}, {3, true}, {2, true}, {4, true}}, 0, 3.0, false},
           Case{"none reached", {{100, false}, {100, false}}, 2, std::nullopt, true},
           // Most never reached: a naive median of the reached ones would say 2.
           Case{"most censored",
                {{1, true}, {2, true}, {3, true}, {50, false}, {50, false}, {50, false}, {50, false}},
                4,
                std::nullopt,
                true},
       }) {
    SCOPED_TRACE(c.name);
    const KaplanMeierMedian km = KaplanMeier(c.passages);
    EXPECT_EQ(km.censored, c.censored);
    EXPECT_EQ(km.median, c.median);
    EXPECT_EQ(!km.high.has_value(), c.upperOpen);
    if (km.median && km.low) {
      EXPECT_LE(*km.low, *km.median);
    }
    if (km.median && km.high) {
      EXPECT_GE(*km.high, *km.median);
    }
  }
}

// Runs a Sobol design of `k` settings on [lo, hi] through `f` and returns the indices.
std::vector<SobolIndex> SobolOf(const std::function<double(const std::vector<double>&)>& f, std::size_t k, double lo,
                                double hi, int64_t n) {
  DesignRequest request{DesignKind::kSobol, {}, n, 4, 7};
  for (std::size_t i = 0; i < k; ++i) request.settings.push_back({"x" + std::to_string(i), lo, hi, false});
  Design design;
  EXPECT_EQ(MakeDesign(request, design), "");
  std::vector<double> y;
  for (const auto& row : design.values) y.push_back(f(row));
  std::string error;
  const SobolSample sample = SobolBlocks(y, k, error);
  EXPECT_EQ(error, "");
  return SobolIndices(sample, 1000, 11);
}

TEST(SobolIndices, KnownFunctionsLieInsideTheirIntervals) {
  const double pi = std::numbers::pi;
  const auto ishigami = [](const std::vector<double>& x) {
    return std::sin(x[0]) + 7 * std::pow(std::sin(x[1]), 2) + 0.1 * std::pow(x[2], 4) * std::sin(x[0]);
  };
  const std::vector<double> a = {0, 1, 4.5, 9, 99, 99};
  const auto g = [&](const std::vector<double>& x) {
    double p = 1;
    for (std::size_t i = 0; i < a.size(); ++i) p *= (std::abs(4 * x[i] - 2) + a[i]) / (1 + a[i]);
    return p;
  };
  // The G function's indices in closed form: V_i = 1 / (3 (1 + a_i)^2).
  std::vector<double> gFirst, gTotal;
  double all = 1;
  for (const double ai : a) all *= 1 + 1 / (3 * (1 + ai) * (1 + ai));
  for (const double ai : a) {
    const double vi = 1 / (3 * (1 + ai) * (1 + ai));
    gFirst.push_back(vi / (all - 1));
    gTotal.push_back(vi * all / (1 + vi) / (all - 1));
  }
  struct Case {
    const char* name;
    std::vector<SobolIndex> indices;
    std::vector<double> first, total;
  };
  for (const Case& c : {
           Case{"Ishigami N=8192", SobolOf(ishigami, 3, -pi, pi, 8192), {0.3139, 0.4424, 0}, {0.5576, 0.4424, 0.2437}},
           Case{"G N=4096", SobolOf(g, 6, 0, 1, 4096), gFirst, gTotal},
       }) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(c.indices.size(), c.first.size());
    for (std::size_t i = 0; i < c.first.size(); ++i) {
      SCOPED_TRACE(i);
      const SobolIndex& s = c.indices[i];
      std::printf("%s x%zu first %.4f [%.4f, %.4f] (%.4f) total %.4f [%.4f, %.4f] (%.4f)\n", c.name, i + 1, s.first,
                  s.firstLow, s.firstHigh, c.first[i], s.total, s.totalLow, s.totalHigh, c.total[i]);
      EXPECT_LE(s.firstLow, c.first[i]);
      EXPECT_GE(s.firstHigh, c.first[i]);
      EXPECT_LE(s.totalLow, c.total[i]);
      EXPECT_GE(s.totalHigh, c.total[i]);
      EXPECT_LT(s.totalHigh - s.totalLow, 0.1);
    }
  }
  // Seeded: the same intervals every time; an output that never varies has no effects.
  const auto again = SobolOf(ishigami, 3, -pi, pi, 512);
  EXPECT_EQ(again[1].firstLow, SobolOf(ishigami, 3, -pi, pi, 512)[1].firstLow);
  for (const SobolIndex& s : SobolOf([](const std::vector<double>&) { return 4.0; }, 2, 0, 1, 64))
    EXPECT_EQ(s.first + s.total + s.firstHigh, 0);
}

TEST(MorrisEffects, RanksAFunctionWithKnownEffects) {
  // 10 x1 + 5 x2^2 + x3 + 0 x4: mu* ranks x1 > x2 > x3 > x4; only x2 bends.
  DesignRequest request{DesignKind::kMorris, {}, 50, 4, 3};
  for (const char* key : {"x1", "x2", "x3", "x4"}) request.settings.push_back({key, 0, 1, false});
  Design design;
  ASSERT_EQ(MakeDesign(request, design), "");
  std::vector<double> y;
  for (const auto& x : design.values) y.push_back(10 * x[0] + 5 * x[1] * x[1] + x[2]);
  std::string error;
  const std::vector<MorrisEffect> m = MorrisEffects(design.unit, y, error);
  ASSERT_EQ(error, "");
  ASSERT_EQ(m.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i)
    std::printf("morris x%zu mu %.4f mu* %.4f sigma %.4f\n", i + 1, m[i].mu, m[i].muStar, m[i].sigma);
  EXPECT_NEAR(m[0].mu, 10, 1e-9);
  EXPECT_NEAR(m[0].sigma, 0, 1e-9);
  EXPECT_GT(m[1].sigma, 0.5);
  EXPECT_GT(m[0].muStar, m[1].muStar);
  EXPECT_GT(m[1].muStar, m[2].muStar);
  EXPECT_NEAR(m[2].muStar, 1, 1e-9);
  EXPECT_EQ(m[3].muStar, 0);
  for (const MorrisEffect& e : m) EXPECT_EQ(e.effects, 50u);

  // A row that moves two settings at once is no trajectory.
  std::vector<std::vector<double>> bad = {{0, 0}, {1, 1}, {1, 0}};
  MorrisEffects(bad, {1, 2, 3}, error);
  EXPECT_NE(error.find("row 1 moves 2 settings"), std::string::npos) << error;
}

TEST(Prcc, FindsMonotoneDriversAndTheirSigns) {
  DesignRequest request{DesignKind::kLhs, {{"x1", 0, 1, false}, {"x2", 0, 1, false}, {"x3", 0, 1, false}}, 200, 4, 5};
  Design design;
  ASSERT_EQ(MakeDesign(request, design), "");
  std::vector<double> y;
  for (const auto& x : design.values) y.push_back(std::exp(3 * x[0]) - 2 * x[1] + 0.0 * x[2]);
  std::string error;
  const std::vector<Prcc> p = PartialRankCorrelation(design.values, y, error);
  ASSERT_EQ(error, "");
  EXPECT_GT(p[0].value, 0.9);
  EXPECT_LT(p[1].value, -0.5);
  EXPECT_LT(p[0].p, 1e-6);
  EXPECT_LT(p[1].p, 1e-6);
  EXPECT_LT(std::abs(p[2].value), 0.2);
  EXPECT_GT(p[2].p, 0.01);
  EXPECT_EQ(Ranks({3, 1, 3, 2}), (std::vector<double>{3.5, 1, 3.5, 2}));

  PartialRankCorrelation({{1, 2, 3}, {2, 3, 1}, {3, 1, 2}, {4, 4, 4}}, {1, 2, 3, 4}, error);
  EXPECT_NE(error.find("need at least 5 points"), std::string::npos) << error;
}

TEST(AbcRejection, RecoversAKnownPosteriorAndRefusesBadFractions) {
  // y1 = t1 + t2, y2 = t1 - t2 with targets 1.0 and 0.2: only t = (0.6, 0.4)
  // fits, so the nearest points close in on it from a uniform prior.
  DesignRequest request{DesignKind::kLhs, {{"t1", 0, 1, false}, {"t2", 0, 1, false}}, 20000, 4, 9};
  Design design;
  ASSERT_EQ(MakeDesign(request, design), "");
  std::vector<std::vector<double>> outputs;
  for (const auto& t : design.values) outputs.push_back({t[0] + t[1], t[0] - t[1]});
  std::string error;
  const AbcResult r = AbcReject(design.values, outputs, {1.0, 0.2}, 0.01, error);
  ASSERT_EQ(error, "");
  EXPECT_EQ(r.accepted.size(), 200u);
  EXPECT_DOUBLE_EQ(r.acceptedFraction, 0.01);
  EXPECT_TRUE(std::is_sorted(r.accepted.begin(), r.accepted.end(),
                             [&](std::size_t a, std::size_t b) { return r.distance[a] < r.distance[b]; }));
  const double truth[] = {0.6, 0.4};
  for (std::size_t i = 0; i < 2; ++i) {
    std::printf("abc t%zu mean %.4f median %.4f [%.4f, %.4f] (%.1f)\n", i + 1, r.settings[i].mean, r.settings[i].median,
                r.settings[i].low, r.settings[i].high, truth[i]);
    EXPECT_NEAR(r.settings[i].mean, truth[i], 0.01);
    EXPECT_LT(r.settings[i].low, truth[i]);
    EXPECT_GT(r.settings[i].high, truth[i]);
    EXPECT_LT(r.settings[i].high - r.settings[i].low, 0.2);
  }
  for (const double accept : {0.0, -0.1, 1.5, std::nan("")}) {
    AbcReject(design.values, outputs, {1.0, 0.2}, accept, error);
    EXPECT_NE(error.find("accepted fraction must lie in (0, 1]"), std::string::npos) << accept;
  }
}

}  // namespace
}  // namespace quorvan::analysis
