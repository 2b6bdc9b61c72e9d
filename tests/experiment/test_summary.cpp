// points.csv and contrasts.csv from a runs table: empty fields counted and
// censored rather than averaged, replicates paired by their number.

#include <gtest/gtest.h>

#include <sstream>

#include "sweep_summary.h"

namespace quorvan::batch {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Two points (the second's world name holds a comma), three replicates;
// successful_50 is empty where a run never got there.
const char* const kRuns =
    "run,world,replicate,seed,landscape_seed,steps,deliveries,successful_50\n"
    "0,a.qvw,0,11,,100,10,40\n"
    "1,a.qvw,1,12,,100,12,\n"
    "2,a.qvw,2,13,,100,14,60\n"
    "3,\"b,c.qvw\",2,13,,100,20,\n"
    "4,\"b,c.qvw\",0,11,,100,13,\n"
    "5,\"b,c.qvw\",1,12,,100,17,\n";

TEST(Summaries, PointsAndContrastsFromARunsTable) {
  CsvTable runs;
  std::string error;
  ASSERT_TRUE(ParseCsv(kRuns, "runs.csv", runs, error)) << error;
  SummaryTexts texts;
  ASSERT_EQ(SummarizeRuns(runs, 0, texts), "");
  const std::vector<std::string> points = Lines(texts.points);
  ASSERT_EQ(points.size(), 1u + 2 * 3);  // steps, deliveries, successful_50 at each point
  EXPECT_EQ(points[0],
            "point,world,output,runs,empty,mean,sd,mean_low,mean_high,median,q1,q3,km_median,km_low,km_high");
  // 10, 12, 14: sd 2, t(2) 4.3027 x 2 / sqrt 3.
  EXPECT_EQ(points[2], "0,a.qvw,deliveries,3,0,12,2,7.031724576,16.96827542,12,11,13,,,");
  // Two of three reached 50%: their mean is 50, but the Kaplan-Meier median,
  // counting the third as censored at step 100, is 60.
  EXPECT_EQ(points[3], "0,a.qvw,successful_50,3,1,50,14.14213562,-77.06204736,177.0620474,50,45,55,60,40,");
  EXPECT_EQ(points[6], "1,\"b,c.qvw\",successful_50,3,3,,,,,,,,,,");

  const std::vector<std::string> contrasts = Lines(texts.contrasts);
  ASSERT_EQ(contrasts.size(), 1u + 3);
  EXPECT_EQ(contrasts[0], "point,world,baseline,output,pairs,difference,sd,low,high");
  // Paired by replicate, not by row: 13-10, 17-12, 20-14.
  EXPECT_EQ(contrasts[2], "1,\"b,c.qvw\",0,deliveries,3,4.666666667,1.527525232,0.8720836331,8.4612497");
  EXPECT_EQ(contrasts[3], "1,\"b,c.qvw\",0,successful_50,0,,,,");

  // A swept landscape seed has no settings column: its values tell the
  // points apart (replicate 0 twice at one setting).
  ASSERT_TRUE(ParseCsv("run,replicate,seed,landscape_seed,steps,deliveries\n0,0,1,7,100,10\n1,1,2,7,100,12\n"
                       "2,0,1,8,100,20\n3,1,2,8,100,23\n",
                       "runs.csv", runs, error));
  ASSERT_EQ(SummarizeRuns(runs, 0, texts), "");
  EXPECT_EQ(Lines(texts.points)[4], "1,8,deliveries,2,0,21.5,2.121320344,2.440692896,40.5593071,21.5,20.75,22.25,,,");
  EXPECT_EQ(Lines(texts.contrasts)[2], "1,8,0,deliveries,2,10.5,0.7071067812,4.146897632,16.85310237");
  ASSERT_TRUE(ParseCsv(kRuns, "runs.csv", runs, error)) << error;

  // The other way round, and refusals.
  ASSERT_EQ(SummarizeRuns(runs, 1, texts), "");
  EXPECT_EQ(Lines(texts.contrasts)[2], "0,a.qvw,1,deliveries,3,-4.666666667,1.527525232,-8.4612497,-0.8720836331");
  EXPECT_NE(SummarizeRuns(runs, 2, texts).find("baseline point 2 is not among the 2 points"), std::string::npos);
  struct Bad {
    const char* text;
    const char* message;
  };
  for (const Bad& b : {Bad{"run,steps\n0,1\n", "no 'run', 'replicate' and 'steps'"},
                       Bad{"run,replicate,steps\n0,0,x\n", "column 'steps' holds 'x' in row 1"}}) {
    ASSERT_TRUE(ParseCsv(b.text, "runs.csv", runs, error));
    EXPECT_NE(SummarizeRuns(runs, 0, texts).find(b.message), std::string::npos) << b.text;
  }
  EXPECT_FALSE(ParseCsv("a,b\n1,2,3\n", "t.csv", runs, error));
  EXPECT_EQ(error, "'t.csv' line 2 has 3 fields; its header has 2");
}

}  // namespace
}  // namespace quorvan::batch
