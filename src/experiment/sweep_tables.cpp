#include "sweep_tables.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "output_file.h"

namespace quorvan::batch {

namespace {

std::string RunName(int64_t run) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%06lld", static_cast<long long>(run));
  return buf;
}

template <typename T>
void Field(std::string& out, T value, char end) {
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, res.ptr);
  out.push_back(end);
}

template <typename T>
void OptionalField(std::string& out, const std::optional<T>& value, char end) {
  if (value) {
    Field(out, *value, end);
  } else {
    out.push_back(end);
  }
}

// A CSV field: quoted when it holds a comma, a quote or a line break.
std::string CsvText(const std::string& text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
  std::string q = "\"";
  for (const char c : text) {
    if (c == '"') q.push_back('"');
    q.push_back(c);
  }
  return q + "\"";
}

std::string ColumnName(const std::string& key) {
  std::string name = key;
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
}

bool ReadWhole(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// The running sums and extremes of one point's replicates, step by step.
class CurveSums {
 public:
  // Adds one run's steps file; false when a line does not read.
  bool Add(const std::string& text) {
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
      int64_t run = 0;
      int32_t step = 0, successful = 0, returning = 0;
      auto r = std::from_chars(p, end, run);
      if (r.ec != std::errc() || r.ptr == end || *r.ptr != ',') return false;
      r = std::from_chars(r.ptr + 1, end, step);
      if (r.ec != std::errc() || r.ptr == end || *r.ptr != ',' || step < 1) return false;
      r = std::from_chars(r.ptr + 1, end, successful);
      if (r.ec != std::errc() || r.ptr == end || *r.ptr != ',') return false;
      r = std::from_chars(r.ptr + 1, end, returning);
      if (r.ec != std::errc()) return false;
      const char* eol = std::find(r.ptr, end, '\n');
      p = eol == end ? end : eol + 1;
      Take(static_cast<std::size_t>(step - 1), successful, returning);
    }
    return true;
  }

  bool Empty() const { return count_.empty(); }

  PlotCurve Curve(std::string label) const {
    PlotCurve c;
    c.label = std::move(label);
    for (std::size_t i = 0; i < count_.size(); ++i) {
      if (count_[i] == 0) continue;
      const auto n = static_cast<double>(count_[i]);
      c.steps.push_back(static_cast<int32_t>(i + 1));
      c.meanSuccessful.push_back(sumS_[i] / n);
      c.lowSuccessful.push_back(lowS_[i]);
      c.highSuccessful.push_back(highS_[i]);
      c.meanReturning.push_back(sumR_[i] / n);
      c.lowReturning.push_back(lowR_[i]);
      c.highReturning.push_back(highR_[i]);
    }
    return c;
  }

 private:
  void Take(std::size_t i, double s, double r) {
    if (i >= count_.size()) {
      const std::size_t n = i + 1;
      constexpr double inf = std::numeric_limits<double>::infinity();
      count_.resize(n, 0);
      sumS_.resize(n, 0.0), sumR_.resize(n, 0.0);
      lowS_.resize(n, inf), lowR_.resize(n, inf);
      highS_.resize(n, -inf), highR_.resize(n, -inf);
    }
    ++count_[i];
    sumS_[i] += s, sumR_[i] += r;
    lowS_[i] = std::min(lowS_[i], s), lowR_[i] = std::min(lowR_[i], r);
    highS_[i] = std::max(highS_[i], s), highR_[i] = std::max(highR_[i], r);
  }

  std::vector<int64_t> count_;
  std::vector<double> sumS_, lowS_, highS_, sumR_, lowR_, highR_;
};

}  // namespace

std::string StepsPartPath(const std::string& partsFolder, int64_t run) {
  return partsFolder + "/" + RunName(run) + ".steps.csv";
}

std::string RowPartPath(const std::string& partsFolder, int64_t run) {
  return partsFolder + "/" + RunName(run) + ".row.csv";
}

void RunStats::Step(int32_t step, const StepResult& r) {
  deliveries += r.deliveries;
  if (r.deliveries > 0 && !firstDelivery) firstDelivery = step;
  if (r.successful >= 50 && !successful50) successful50 = step;
  if (r.successful >= 90 && !successful90) successful90 = step;
}

void AppendSeriesRow(std::string& out, int64_t run, int32_t step, const StepResult& r) {
  Field(out, run, ',');
  Field(out, step, ',');
  Field(out, r.successful, ',');
  Field(out, r.returning, ',');
  Field(out, static_cast<double>(r.trackMax), ',');
  Field(out, r.deliveries, '\n');
}

std::string RunsHeader(const SweepPlan& plan) {
  std::string h = "run";
  for (const SweepSetting* s : plan.Swept()) {
    if (s->key != "landscape-seed") h += "," + ColumnName(s->key);
  }
  return h +
         ",replicate,seed,landscape_seed,steps,successful,returning,track_max,deliveries,first_delivery,"
         "successful_50,successful_90,returns_max,returns_min\n";
}

std::string RunRow(const SweepPlan& plan, int64_t run, const RunOutcome& o) {
  std::string row;
  Field(row, run, ',');
  const std::vector<std::string> values = plan.PointValues(plan.PointOf(run));
  for (std::size_t i = 0; i < plan.settings.size(); ++i) {
    const SweepSetting& s = plan.settings[i];
    if (s.values.size() > 1 && s.key != "landscape-seed") row += CsvText(values[i]) + ",";
  }
  Field(row, plan.ReplicateOf(run), ',');
  Field(row, o.seed, ',');
  OptionalField(row, o.landscapeSeed, ',');
  Field(row, o.stepsRun, ',');
  Field(row, o.successful, ',');
  Field(row, o.returning, ',');
  Field(row, o.trackMax, ',');
  Field(row, o.stats.deliveries, ',');
  OptionalField(row, o.stats.firstDelivery, ',');
  OptionalField(row, o.stats.successful50, ',');
  OptionalField(row, o.stats.successful90, ',');
  std::optional<int32_t> most, least;
  for (const TDestination& d : o.destinations) {
    most = std::max(most.value_or(d.Returns), d.Returns);
    least = std::min(least.value_or(d.Returns), d.Returns);
  }
  OptionalField(row, most, ',');
  OptionalField(row, least, '\n');
  return row;
}

std::string WriteTables(const SweepPlan& plan, const PartsOf& partsOf, const std::function<bool(int64_t)>& take,
                        const std::string& outDir, std::vector<PlotCurve>& curves) {
  std::string error;
  OutputFile runs, series;
  if (!runs.Open(outDir + "/runs.csv", error)) return error;
  if (plan.series && !series.Open(outDir + "/series.csv", error)) return error;
  const auto write = [](OutputFile& f, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), f.File()) == text.size();
  };
  bool written = write(runs, RunsHeader(plan));
  if (plan.series) written = write(series, kSeriesHeader) && written;

  curves.clear();
  std::string row, steps;
  for (int64_t point = 0; point < plan.PointCount(); ++point) {
    CurveSums sums;
    for (int64_t r = 0; r < plan.replicates; ++r) {
      const int64_t run = point * plan.replicates + r;
      if (!take(run)) continue;
      const std::string folder = partsOf(run);
      if (!ReadWhole(RowPartPath(folder, run), row) || !ReadWhole(StepsPartPath(folder, run), steps)) {
        return "run " + std::to_string(run) + " has no complete record in '" + folder + "'";
      }
      if (!sums.Add(steps)) return "'" + StepsPartPath(folder, run) + "' is damaged";
      written = write(runs, row) && written;
      if (plan.series) written = write(series, steps) && written;
    }
    if (!sums.Empty())
      curves.push_back(ThinCurve(sums.Curve(plan.PointLabel(point)), PlotPointsPerCurve(plan.PointCount())));
  }
  if (!written) return "cannot write the tables in '" + outDir + "'";
  if (!runs.Finish(error) || (plan.series && !series.Finish(error))) return error;
  if (!runs.Rename(error) || (plan.series && !series.Rename(error))) return error;
  return {};
}

}  // namespace quorvan::batch
