// The sweep figures: both files drawn offscreen, small multiples and the
// response figure saying what they show, long runs thinned without losing
// an extreme, the SVG light, and a failed write replacing nothing.

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "sweep_plot.h"

namespace quorvan::batch {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A curve rising over `steps` steps, its band `spread` either side.
PlotCurve Rising(const std::string& label, int32_t steps, double top, double spread) {
  PlotCurve c;
  c.label = label;
  for (int32_t s = 0; s < steps; ++s) {
    const double v = top * s / steps;
    c.steps.push_back(s);
    c.meanSuccessful.push_back(v);
    c.lowSuccessful.push_back(std::max(0.0, v - spread));
    c.highSuccessful.push_back(std::min(100.0, v + spread));
    c.meanReturning.push_back(v / 2);
    c.lowReturning.push_back(std::max(0.0, v / 2 - spread));
    c.highReturning.push_back(v / 2 + spread);
  }
  return c;
}

fs::path Fresh(const std::string& name) {
  // Per process: another checkout may run these tests at the same time.
  const fs::path dir = fs::temp_directory_path() / ("quorvan-plot-" + name + "-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

TEST(SweepPlot, DrawsBothFilesWithTheLegend) {
  const fs::path dir = Fresh("draw");
  // Ten thousand steps: thinned, so the SVG stays small. The second label
  // holds characters that markup would misread.
  const std::vector<PlotCurve> curves = {Rising("wiggle=0", 10000, 90, 5), Rising("world=a&b<c>.h5", 10000, 40, 10)};
  ASSERT_EQ(WritePlot(curves, (dir / "plot.png").string(), (dir / "plot.svg").string()), "");

  QImage png(QString::fromStdString((dir / "plot.png").string()));
  ASSERT_FALSE(png.isNull());
  EXPECT_EQ(png.width(), 1600);
  const QRgb background = png.pixel(0, 0);
  int differing = 0;
  for (int y = 0; y < png.height(); y += 4)
    for (int x = 0; x < png.width(); x += 4) differing += png.pixel(x, y) != background;
  EXPECT_GT(differing, 500);

  const std::string svg = Slurp(dir / "plot.svg");
  for (const char* text : {"wiggle=0", "world=a&amp;b&lt;c&gt;.h5", "successful agents", "returning agents", "step",
                           "agents (%)", "lowest to the highest run", "width=\"170."})
    EXPECT_NE(svg.find(text), std::string::npos) << text;
  EXPECT_LT(svg.size(), 300'000u);

  // A folder whose name is not UTF-8: the bytes are the name.
  const fs::path odd = dir / std::string("o\xff");
  fs::create_directories(odd);
  ASSERT_EQ(WritePlot(curves, (odd / "plot.png").string(), (odd / "plot.svg").string()), "");
  EXPECT_TRUE(fs::exists(odd / "plot.png"));
  EXPECT_TRUE(fs::exists(odd / "plot.svg"));
}

TEST(SweepPlot, SmallMultiplesStayLightAndSayWhatTheyShow) {
  struct Case {
    const char* name;
    int outer, inner, steps;
    std::vector<const char*> texts;
    std::size_t svgBelow;
  };
  for (const Case& c : {
           Case{"ten points", 10, 1, 10000, {"one panel per wiggle", "wiggle=90", "orange, dashed"}, 300'000},
           Case{"two settings, few inner", 3, 4, 2000, {"mode=raster", "noise=3", "returning agents"}, 300'000},
           Case{"more panels than fit", 60, 1, 500, {"first 48 of 60 panels"}, 1'000'000},
           Case{"many inner values", 2, 181, 1000,
                {"colour from dark to light: noise=0", "Bands left out", "One inner value in 2 drawn"}, 1'000'000},
       }) {
    SCOPED_TRACE(c.name);
    const fs::path dir = Fresh("multiples");
    std::vector<PlotCurve> curves;
    for (int o = 0; o < c.outer; ++o) {
      for (int i = 0; i < c.inner; ++i) {
        const std::string outer = c.inner == 1 ? "wiggle=" + std::to_string(10 * o)
                                  : o == 0     ? std::string("mode=raster")
                                               : "mode=circle" + std::to_string(o);
        curves.push_back(Rising(c.inner == 1 ? outer : outer + " noise=" + std::to_string(i), c.steps, 50 + i % 50, 4));
      }
    }
    ASSERT_EQ(WritePlot(curves, (dir / "plot.png").string(), (dir / "plot.svg").string()), "");
    const std::string svg = Slurp(dir / "plot.svg");
    for (const char* text : c.texts) EXPECT_NE(svg.find(text), std::string::npos) << text;
    EXPECT_LT(svg.size(), c.svgBelow);
  }
}

TEST(SweepPlot, ResponseFigureForOneOrTwoSettings) {
  std::string nineOuter = "run,mode,wiggle,replicate,seed,landscape_seed,steps,deliveries\n";
  for (int i = 0; i < 18; ++i)
    nineOuter += std::to_string(i) + ",m" + std::to_string(i / 2) + "," + std::to_string(i % 2) + ",0,1,,100,5\n";
  struct Case {
    const char* name;
    std::string runs;
    std::vector<const char*> texts;  // none: no figure
  };
  for (const Case& c : {
           Case{"one setting",
                "run,wiggle,replicate,seed,landscape_seed,steps,deliveries,successful_50,returning\n"
                "0,90,0,1,,100,4,,5\n1,90,1,2,,100,6,90,7\n2,0,0,1,,100,10,40,20\n3,0,1,2,,100,12,,25\n",
                {"Response to the wiggle threshold (degrees)", "deliveries (agents)", "Kaplan", "returning agents (%)",
                 "Dots: runs"}},
           Case{"two settings",
                "run,noise,wiggle,replicate,seed,landscape_seed,steps,deliveries\n0,1,0,0,1,,100,10\n"
                "1,1,90,0,1,,100,7\n2,5,0,0,1,,100,9\n3,5,90,0,1,,100,3\n",
                {"Response to the wiggle threshold (degrees), by return noise", "noise=5"}},
           Case{"nine outer values", nineOuter, {}},
           Case{"three settings", "run,a,b,c,replicate,seed,landscape_seed,steps,deliveries\n0,1,2,3,0,1,,100,10\n", {}},
           Case{"nothing swept", "run,replicate,seed,landscape_seed,steps,deliveries\n0,0,1,,100,10\n", {}},
       }) {
    SCOPED_TRACE(c.name);
    const fs::path dir = Fresh("response");
    std::ofstream(dir / "runs.csv") << c.runs;
    EXPECT_EQ(WriteResponsePlot(dir.string()), "");
    EXPECT_EQ(fs::exists(dir / "response.png"), !c.texts.empty());
    if (c.texts.empty()) continue;
    const std::string svg = Slurp(dir / "response.svg");
    for (const char* text : c.texts) EXPECT_NE(svg.find(text), std::string::npos) << text;
  }
}

TEST(SweepPlot, IndicesAndPosteriorFigures) {
  const std::string head = "output,setting,measure,value,low,high\n";
  struct Case {
    const char* name;
    std::string indices;
    const char* text;  // empty: refused
  };
  for (const Case& c : {
           Case{"sobol",
                head + "deliveries,wiggle,first,0.6,0.5,0.7\ndeliveries,wiggle,total,0.7,0.62,0.8\n"
                       "deliveries,noise,first,0.05,-0.02,0.1\ndeliveries,noise,total,0.3,0.25,0.36\n"
                       "returning,wiggle,first,0.2,0.1,0.3\nreturning,wiggle,total,0.4,0.3,0.5\n"
                       "returning,noise,first,0.5,0.4,0.6\nreturning,noise,total,0.8,0.7,0.9\n",
                "Sobol indices of each output"},
           Case{"morris",
                head + "deliveries,wiggle,mu,-900,,\ndeliveries,wiggle,mu_star,1200,,\ndeliveries,wiggle,sigma,300,,\n"
                       "deliveries,noise,mu,10,,\ndeliveries,noise,mu_star,40,,\ndeliveries,noise,sigma,90,,\n",
                "Morris elementary effects"},
           Case{"prcc",
                head + "deliveries,wiggle,prcc,-0.8,,\ndeliveries,wiggle,prcc_p,0.00001,,\n"
                       "deliveries,noise,prcc,0.1,,\ndeliveries,noise,prcc_p,0.2,,\n",
                "p=0.2"},
           Case{"not indices", "a,b\n1,2\n", ""},
           Case{"a value that is no number", head + "deliveries,wiggle,first,x,,\n", ""},
       }) {
    SCOPED_TRACE(c.name);
    const fs::path dir = Fresh(std::string("indices-") + c.name);
    const std::string error = WriteIndicesPlot(c.indices, (dir / "i.png").string(), (dir / "i.svg").string());
    EXPECT_EQ(error.empty(), *c.text != '\0') << error;
    EXPECT_EQ(fs::exists(dir / "i.svg"), *c.text != '\0');
    if (*c.text != '\0') {
      EXPECT_NE(Slurp(dir / "i.svg").find(c.text), std::string::npos);
    }
  }
  const fs::path dir = Fresh("posterior");
  std::string posterior = "rank,point,wiggle,consume,distance\n";
  for (int i = 0; i < 40; ++i)
    posterior += std::to_string(i + 1) + "," + std::to_string(i) + "," + std::to_string(60 + i % 9) + "," +
                 std::to_string(0.3 + 0.002 * i) + ",0.1\n";
  const std::string summary =
      "setting,prior_low,prior_high,mean,median,low,high,accepted,points\n"
      "wiggle,0,180,64,64,60,68,40,800\nconsume,0.05,0.6,0.34,0.34,0.3,0.38,40,800\n";
  ASSERT_EQ(WritePosteriorPlot(posterior, summary, (dir / "p.png").string(), (dir / "p.svg").string()), "");
  EXPECT_NE(Slurp(dir / "p.svg").find("40 of 800 points"), std::string::npos);
  EXPECT_NE(WritePosteriorPlot(posterior, "setting\n", (dir / "q.png").string(), (dir / "q.svg").string()), "");
}

TEST(SweepPlot, AFailedWriteReplacesNothing) {
  struct Case {
    const char* name;
    bool pngUnwritable, svgUnwritable, unevenCurve;
  };
  for (const Case& c : {Case{"png folder missing", true, false, false}, Case{"svg folder missing", false, true, false},
                        Case{"curve values missing", false, false, true}}) {
    SCOPED_TRACE(c.name);
    const fs::path dir = Fresh("fail");
    const fs::path png = dir / "plot.png", svg = dir / "plot.svg";
    std::ofstream(png) << "old png";
    std::ofstream(svg) << "old svg";
    std::vector<PlotCurve> curves = {Rising("a", 50, 80, 3)};
    if (c.unevenCurve) curves[0].highReturning.pop_back();
    const std::string error = WritePlot(curves, c.pngUnwritable ? (dir / "none" / "p.png").string() : png.string(),
                                        c.svgUnwritable ? (dir / "none" / "p.svg").string() : svg.string());
    EXPECT_NE(error, "");
    EXPECT_EQ(Slurp(png), "old png");
    EXPECT_EQ(Slurp(svg), "old svg");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2) << "temporary files left";
  }
}

TEST(SweepPlot, ThinningKeepsTheBandsExtremes) {
  PlotCurve c = Rising("a", 10001, 100, 1);
  c.highSuccessful[4321] = 100;  // one replicate's spike
  c.lowReturning[7777] = -1;
  c.meanReturning[1234] = 77;  // and a spike of the mean itself
  c.meanSuccessful[8888] = -3;
  const PlotCurve t = ThinCurve(c, 2000);
  ASSERT_EQ(t.steps.size(), 2000u);
  EXPECT_EQ(t.meanReturning.size(), 2000u);
  EXPECT_EQ(*std::max_element(t.highSuccessful.begin(), t.highSuccessful.end()), 100);
  EXPECT_EQ(*std::min_element(t.lowReturning.begin(), t.lowReturning.end()), -1);
  EXPECT_EQ(*std::max_element(t.meanReturning.begin(), t.meanReturning.end()), 77);
  EXPECT_EQ(*std::min_element(t.meanSuccessful.begin(), t.meanSuccessful.end()), -3);
  EXPECT_TRUE(std::is_sorted(t.steps.begin(), t.steps.end()));
  EXPECT_LE(t.steps.front(), 5);
  EXPECT_GE(t.steps.back(), 9995);
  EXPECT_NEAR(t.meanSuccessful.back(), c.meanSuccessful.back(), 0.1);

  const PlotCurve shortOne = Rising("b", 30, 50, 1);
  EXPECT_EQ(ThinCurve(shortOne, 2000).meanSuccessful, shortOne.meanSuccessful);
}

}  // namespace
}  // namespace quorvan::batch
