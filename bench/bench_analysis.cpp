// The analysis of a 10,000-run Sobol sweep: reading runs.csv, the summaries
// (points.csv, contrasts.csv) and the Sobol indices of three outputs with
// 1,000 bootstrap resamples each.

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "csv_table.h"
#include "design.h"
#include "sobol_indices.h"
#include "sweep_summary.h"

namespace {

using namespace quorvan;

// runs.csv of a Sobol design over four settings (N = 1666, 9,996 runs), its
// outputs smooth functions of the settings.
std::string SobolRunsTable() {
  batch::DesignRequest request{
      batch::DesignKind::kSobol,
      {{"wiggle", 0, 180, true}, {"threshold", 0, 180, true}, {"consume", 0.05, 0.6, false}, {"noise", 0, 100, true}},
      1666,
      4,
      42};
  batch::Design design;
  batch::MakeDesign(request, design);
  std::string text =
      "run,wiggle,threshold,consume,noise,replicate,seed,landscape_seed,steps,successful,returning,deliveries,"
      "successful_50\n";
  for (std::size_t r = 0; r < design.values.size(); ++r) {
    const std::vector<double>& x = design.values[r];
    const double deliveries = 20000 * std::exp(-x[0] / 60) + 30 * x[1] * x[2] + x[3];
    const double returning = 30 * std::sin(x[0] / 60) + 40 * x[2];
    const double s50 = 300 + 5 * x[0] + 2 * x[1];
    text += std::to_string(r) + "," + std::to_string(static_cast<int>(x[0])) + "," +
            std::to_string(static_cast<int>(x[1])) + "," + std::to_string(x[2]) + "," +
            std::to_string(static_cast<int>(x[3])) + ",0,1,2,2000,90," + std::to_string(returning) + "," +
            std::to_string(static_cast<long>(deliveries)) + "," +
            (s50 < 1500 ? std::to_string(static_cast<int>(s50)) : "") + "\n";
  }
  return text;
}

void BM_SobolAnalysis(benchmark::State& state) {
  const std::string text = SobolRunsTable();
  for (auto _ : state) {
    batch::CsvTable runs;
    std::string error;
    batch::ParseCsv(text, "runs.csv", runs, error);
    // The design analysed as such: no per-point summaries (each point runs once).
    for (const char* output : {"deliveries", "returning", "successful_50"}) {
      std::vector<std::optional<double>> column;
      runs.Numbers(runs.Column(output), column, error);
      std::vector<double> y;
      for (const auto& v : column) y.push_back(v.value_or(2000));  // never reached: the run's end
      const analysis::SobolSample sample = analysis::SobolBlocks(y, 4, error);
      benchmark::DoNotOptimize(analysis::SobolIndices(sample, 1000, 7));
    }
  }
  state.SetLabel("9,996 runs, 4 settings, 3 outputs, 1,000 resamples");
}
BENCHMARK(BM_SobolAnalysis)->Unit(benchmark::kMillisecond);

void BM_SummariesOf10000Runs(benchmark::State& state) {
  const std::string text = SobolRunsTable();
  for (auto _ : state) {
    batch::CsvTable runs;
    std::string error;
    batch::ParseCsv(text, "runs.csv", runs, error);
    batch::SummaryTexts texts;
    batch::SummarizeRuns(runs, 0, texts);
    benchmark::DoNotOptimize(texts);
  }
}
BENCHMARK(BM_SummariesOf10000Runs)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
