#include "series_target.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>

#include "abc_rejection.h"
#include "csv_table.h"
#include "design_analysis.h"
#include "settings_limits.h"

namespace quorvan::batch {

namespace {

constexpr const char* kSeriesColumns[] = {"successful", "returning", "track_max", "deliveries"};

// Index of a column in series.csv's rows (run, step, then these).
int SeriesIndex(const std::string& column) {
  for (int i = 0; i < 4; ++i) {
    if (column == kSeriesColumns[i]) return i + 2;
  }
  return -1;
}

}  // namespace

std::string ReadSeriesTarget(const std::string& where, const std::string& path, SeriesTarget& target) {
  CsvTable table;
  std::string error;
  if (!ReadCsv(path, table, error)) return where + ": " + error;
  if (table.header.empty() || table.header.front() != "step" || table.header.size() < 2) {
    return where + ": '" + path + "' needs a header step,<columns of series.csv>";
  }
  target = SeriesTarget{};
  for (std::size_t c = 1; c < table.header.size(); ++c) {
    const std::string& name = table.header[c];
    if (SeriesIndex(name) < 0) {
      return where + ": '" + path + "': '" + name + "' is not a column of series.csv (successful, returning, ...)";
    }
    if (std::find(target.columns.begin(), target.columns.end(), name) != target.columns.end()) {
      return where + ": '" + path + "': '" + name + "' is there twice";
    }
    target.columns.push_back(name);
  }
  if (table.rows.empty()) return where + ": '" + path + "' has no steps";
  std::vector<std::optional<double>> numbers;
  for (std::size_t c = 0; c < table.header.size(); ++c) {
    if (!table.Numbers(static_cast<int>(c), numbers, error)) return where + ": " + error;
    for (std::size_t r = 0; r < numbers.size(); ++r) {
      if (!numbers[r]) return where + ": '" + path + "' line " + std::to_string(r + 2) + " has an empty field";
      if (c == 0 && *numbers[r] != static_cast<double>(r + 1)) {
        return where + ": '" + path + "' line " + std::to_string(r + 2) + " is not step " + std::to_string(r + 1);
      }
    }
    if (c > 0) {
      std::vector<double>& column = target.values.emplace_back();
      for (const auto& n : numbers) column.push_back(*n);
    }
  }
  return {};
}

std::string RunLength(const SweepPlan& plan, int64_t& steps) {
  steps = kInitialStopTime;
  for (const SweepSetting& s : plan.settings) {
    if (s.key == "world") return "series targets need runs of new worlds, not of worlds opened from files";
    if (s.key != "steps" && s.key != "for") continue;
    if (s.values.size() != 1) return "series targets need every run to take the same steps; --" + s.key + " varies";
    const Parsed<int64_t> n = ParseWhole("--" + s.key, s.values.front(), 0, kInitialStopTime * 100000LL);
    if (!n) return n.error;
    steps = *n;
  }
  return {};
}

std::string CalibrateToSeries(const Design& design, int64_t replicates, const std::string& seriesCsv,
                              const SeriesTarget& target, double accept, std::string& posteriorCsv,
                              std::string& summaryCsv) {
  const std::size_t points = design.unit.size(), steps = target.Steps(), columns = target.columns.size();
  std::vector<int> index;
  for (const std::string& c : target.columns) index.push_back(SeriesIndex(c));
  // Sums per point of each column at each step, and the runs that reached it.
  std::vector<std::vector<double>> outputs(points, std::vector<double>(columns * steps, 0.0));
  std::vector<std::vector<int64_t>> counts(points, std::vector<int64_t>(steps, 0));
  std::ifstream in(seriesCsv, std::ios::binary);
  if (!in) return "'" + seriesCsv + "' cannot be read (the sweep wrote no series: it needs --series)";
  std::string line;
  std::getline(in, line);
  int64_t lineNo = 1;
  while (std::getline(in, line)) {
    ++lineNo;
    double fields[6] = {};
    const char* p = line.data();
    const char* const end = p + line.size();
    for (int f = 0; f < 6; ++f) {
      const auto r = std::from_chars(p, end, fields[f]);
      if (r.ec != std::errc()) return "'" + seriesCsv + "' line " + std::to_string(lineNo) + " does not read";
      p = r.ptr + (r.ptr < end ? 1 : 0);
    }
    const auto point = static_cast<std::size_t>(static_cast<int64_t>(fields[0]) / replicates);
    const auto step = static_cast<std::size_t>(fields[1]);
    if (point >= points || step < 1) return "'" + seriesCsv + "' line " + std::to_string(lineNo) + " is outside the design";
    if (step > steps) continue;
    ++counts[point][step - 1];
    for (std::size_t c = 0; c < columns; ++c) {
      outputs[point][c * steps + step - 1] += fields[static_cast<std::size_t>(index[c])];
    }
  }
  for (std::size_t p = 0; p < points; ++p) {
    for (std::size_t s = 0; s < steps; ++s) {
      if (counts[p][s] == 0) {
        return "design point " + std::to_string(p) + " has no step " + std::to_string(s + 1) + " in '" + seriesCsv +
               "' (the runs are shorter than the target series)";
      }
      for (std::size_t c = 0; c < columns; ++c) outputs[p][c * steps + s] /= static_cast<double>(counts[p][s]);
    }
  }
  std::vector<double> goal;
  for (const std::vector<double>& column : target.values) goal.insert(goal.end(), column.begin(), column.end());

  std::string error;
  const analysis::AbcResult abc = analysis::AbcReject(design.values, outputs, goal, accept, error);
  if (!error.empty()) return error;
  PosteriorTables(design, abc, posteriorCsv, summaryCsv);
  return {};
}

}  // namespace quorvan::batch
