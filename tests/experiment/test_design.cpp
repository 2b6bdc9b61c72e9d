// The design generators: each design's shape, whole-number settings, the
// same seed giving the same design, and the refusals; and the analysis of
// a design's runs (indices, calibration) read back from a runs table.

#include <gtest/gtest.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <cmath>
#include <functional>
#include <set>
#include <sstream>
#include <unistd.h>

#include "design.h"
#include "design_analysis.h"

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

// A runs table of `design` with two replicates per point (f(x) + 1 and
// f(x) - 1, so each point's mean is f(x)); successful_50 is empty where g(x)
// is negative (never reached within the 100 steps).
std::string Exact(double v) {
  char buf[64];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

std::string RunsText(const Design& design, const std::function<double(const std::vector<double>&)>& f,
                const std::function<double(const std::vector<double>&)>& g) {
  std::string text = "run";
  for (const DesignInterval& s : design.request.settings) text += "," + s.key;
  text += ",replicate,seed,landscape_seed,steps,deliveries,successful_50,mode\n";
  for (std::size_t p = 0; p < design.values.size(); ++p) {
    for (int r = 0; r < 2; ++r) {
      text += std::to_string(2 * p + static_cast<std::size_t>(r));
      for (const double v : design.values[p]) text += "," + Exact(v);
      const double s50 = g(design.values[p]);
      text += "," + std::to_string(r) + ",1,2,100," + Exact(f(design.values[p]) + (r == 0 ? 1 : -1)) + "," +
              (s50 < 0 ? "" : Exact(s50)) + ",raster\n";
    }
  }
  return text;
}

CsvTable RunsOf(const Design& design, const std::function<double(const std::vector<double>&)>& f,
                const std::function<double(const std::vector<double>&)>& g) {
  CsvTable table;
  std::string error;
  EXPECT_TRUE(ParseCsv(RunsText(design, f, g), "runs.csv", table, error)) << error;
  return table;
}

std::vector<std::string> Rows(const std::string& csv, const std::string& start) {
  std::vector<std::string> rows;
  std::istringstream in(csv);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(start, 0) == 0) rows.push_back(line);
  return rows;
}

TEST(DesignAnalysis, IndicesFromTheRunsOfEachKind) {
  const auto linear = [](const std::vector<double>& x) { return 10 * x[0] + 2 * x[1]; };
  const auto late = [](const std::vector<double>& x) { return x[0] > 0.5 ? -1.0 : 50.0; };
  struct Case {
    DesignKind kind;
    int64_t samples;
    std::vector<std::string> expected;  // rows that must be there
    std::size_t rows;
  };
  for (const Case& c : {
           Case{DesignKind::kMorris,
                10,
                {"deliveries,x1,mu_star,10,,", "deliveries,x2,mu,2,,", "deliveries,x3,sigma,0,,"},
                9},
           Case{DesignKind::kLhs, 200, {"deliveries,x1,prcc,", "deliveries,x3,prcc_p,"}, 6},
           Case{DesignKind::kSobol, 512, {"deliveries,x1,first,0.9", "deliveries,x3,total,0,0,0"}, 6},
       }) {
    SCOPED_TRACE(DesignKindName(c.kind));
    Design d;
    ASSERT_EQ(MakeDesign({c.kind, {{"x1", 0, 1, false}, {"x2", 0, 1, false}, {"x3", 0, 1, false}}, c.samples, 4, 3}, d),
              "");
    const CsvTable runs = RunsOf(d, linear, late);
    std::string indices, notes;
    ASSERT_EQ(AnalyzeDesign(d, 2, runs, {"deliveries", "successful_50"}, 200, 1, indices, notes), "");
    EXPECT_EQ(Rows(indices, "deliveries,").size(), c.rows);
    EXPECT_EQ(Rows(indices, "successful_50,").size(), c.rows);
    for (const std::string& row : c.expected) EXPECT_EQ(Rows(indices, row).size(), 1u) << row << "\n" << indices;
    // Runs that never reached 50% are counted and said to be lower bounds.
    EXPECT_NE(notes.find("successful_50: "), std::string::npos);
    EXPECT_NE(notes.find("a lower bound"), std::string::npos);

    std::string error = AnalyzeDesign(d, 2, runs, {"mode"}, 10, 1, indices, notes);
    EXPECT_NE(error.find("'mode' is not a numeric column of runs.csv"), std::string::npos) << error;
    CsvTable partial = runs;
    partial.rows.erase(partial.rows.begin() + 6, partial.rows.begin() + 8);  // point 3's two runs
    error = AnalyzeDesign(d, 2, partial, {"deliveries"}, 10, 1, indices, notes);
    EXPECT_NE(error.find("design point 3 has no value of 'deliveries'"), std::string::npos) << error;
  }
}

TEST(DesignAnalysis, CalibrationFindsTheSettingsBehindTheTargets) {
  // deliveries = t1 + t2, successful_50 = 100 (t1 - t2) + 50: the targets
  // 1.0 and 70 hold at t = (0.6, 0.4) only.
  Design d;
  ASSERT_EQ(MakeDesign({DesignKind::kLhs, {{"t1", 0, 1, false}, {"t2", 0, 1, false}}, 4000, 4, 8}, d), "");
  const CsvTable runs = RunsOf(
      d, [](const std::vector<double>& t) { return t[0] + t[1]; },
      [](const std::vector<double>& t) { return 100 * (t[0] - t[1]) + 50; });
  std::string posterior, summary, notes;
  ASSERT_EQ(CalibrateDesign(d, 2, runs, {{"deliveries", 1.0}, {"successful_50", 70}}, 0.02, posterior, summary, notes),
            "");
  EXPECT_EQ(Rows(posterior, "").size(), 1 + 80u);
  EXPECT_EQ(Rows(posterior, "rank,point,t1,t2,distance").size(), 1u);
  EXPECT_EQ(Rows(posterior, "1,").size(), 1u);
  CsvTable s;
  std::string error;
  ASSERT_TRUE(ParseCsv(summary, "summary", s, error));
  ASSERT_EQ(s.rows.size(), 2u);
  EXPECT_NEAR(std::stod(s.rows[0][3]), 0.6, 0.02);
  EXPECT_NEAR(std::stod(s.rows[1][3]), 0.4, 0.02);
  EXPECT_EQ(s.rows[0][7], "80");

  struct Bad {
    std::map<std::string, double> targets;
    double accept;
    const char* message;
  };
  for (const Bad& b :
       {Bad{{{"nope", 1}}, 0.05, "target 'nope' is not a numeric column"},
        Bad{{{"deliveries", 1}}, 0, "accepted fraction must lie in (0, 1]"},
        Bad{{{"deliveries", 1}}, 1.5, "accepted fraction must lie in (0, 1]"}, Bad{{}, 0.05, "at least one target"}}) {
    error = CalibrateDesign(d, 2, runs, b.targets, b.accept, posterior, summary, notes);
    EXPECT_NE(error.find(b.message), std::string::npos) << error;
  }
}

TEST(DesignAnalysis, WritesItsFilesOrNothing) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("quorvan-design-analysis-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  Design d;
  ASSERT_EQ(MakeDesign({DesignKind::kSobol, {{"x1", 0, 1, false}, {"x2", 0, 1, false}}, 64, 4, 3}, d), "");
  std::ofstream(dir / "runs.csv") << RunsText(
      d, [](const std::vector<double>& x) { return x[0] + x[1]; }, [](const std::vector<double>&) { return 5.0; });
  std::string notes;
  // Refused: nothing written.
  EXPECT_NE(WriteDesignAnalysis(dir.string(), d, 2, {"nope"}, 50, 1, true, notes), "");
  EXPECT_NE(WriteCalibration(dir.string(), d, 2, {{"deliveries", 1}}, 2.0, true, notes), "");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

  ASSERT_EQ(WriteDesignAnalysis(dir.string(), d, 2, {"deliveries"}, 50, 1, true, notes), "");
  ASSERT_EQ(WriteCalibration(dir.string(), d, 2, {{"deliveries", 1}}, 0.1, true, notes), "");
  for (const char* name : {"indices.csv", "indices.png", "indices.svg", "posterior.csv", "posterior_summary.csv",
                           "posterior.png", "posterior.svg"})
    EXPECT_TRUE(fs::exists(dir / name)) << name;
}

}  // namespace
}  // namespace quorvan::batch
