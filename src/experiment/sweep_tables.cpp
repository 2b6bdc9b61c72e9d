#include "sweep_tables.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>

#include "csv_table.h"
#include "output_file.h"
#include "run_records.h"

namespace quorvan::batch {

namespace {

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

std::string ColumnName(const std::string& key) {
  std::string name = key;
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
}

// The running sums and extremes of one point's replicates, step by step.
// They are kept from the first step any replicate recorded on, so that a
// run from a world at step 10^9 needs no more than one from step 0.
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
      Take(step, successful, returning);
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
      c.steps.push_back(static_cast<int32_t>(first_ + static_cast<int64_t>(i)));
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
  void Take(int32_t step, double s, double r) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    if (count_.empty()) first_ = step;
    if (step < first_) {  // a replicate that began earlier: room in front
      const auto more = static_cast<std::size_t>(first_ - step);
      count_.insert(count_.begin(), more, 0);
      sumS_.insert(sumS_.begin(), more, 0.0), sumR_.insert(sumR_.begin(), more, 0.0);
      lowS_.insert(lowS_.begin(), more, inf), lowR_.insert(lowR_.begin(), more, inf);
      highS_.insert(highS_.begin(), more, -inf), highR_.insert(highR_.begin(), more, -inf);
      first_ = step;
    }
    const auto i = static_cast<std::size_t>(step - first_);
    if (i >= count_.size()) {
      const std::size_t n = i + 1;
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

  int32_t first_ = 0;  // the step of index 0
  std::vector<int64_t> count_;
  std::vector<double> sumS_, lowS_, highS_, sumR_, lowR_, highR_;
};

}  // namespace

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
    if (s.values.size() > 1 && s.key != "landscape-seed") row += CsvField(values[i]) + ",";
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

std::string WriteTables(const SweepPlan& plan, const RecordIndex& records, const std::function<bool(int64_t)>& take,
                        const std::string& outDir, std::vector<PlotCurve>& curves) {
  std::string error;
  OutputFile runs, series, digests;
  if (!runs.Open(outDir + "/runs.csv", error)) return error;
  if (plan.series && !series.Open(outDir + "/series.csv", error)) return error;
  if (!digests.Open(outDir + "/" + kDigestsFile, error)) return error;
  runs.Write(RunsHeader(plan));
  if (plan.series) series.Write(kSeriesHeader);
  digests.Write(kDigestsHeader);

  curves.clear();
  std::string row, steps;
  for (int64_t point = 0; point < plan.PointCount(); ++point) {
    CurveSums sums;
    for (int64_t r = 0; r < plan.replicates; ++r) {
      const int64_t run = point * plan.replicates + r;
      if (!take(run)) continue;
      const auto spot = records.runs.find(run);
      if (spot == records.runs.end()) return "run " + std::to_string(run) + " has no complete record";
      if (!LoadRecord(records, spot->second, row, steps)) {
        return "cannot read run " + std::to_string(run) + "'s record in '" +
               records.files[static_cast<std::size_t>(spot->second.file)] + "'";
      }
      if (!sums.Add(steps)) return "run " + std::to_string(run) + "'s steps do not read";
      runs.Write(row);
      if (plan.series) series.Write(steps);
      std::string line = std::to_string(run) + ",";
      if (spot->second.digest) line += Hex(*spot->second.digest);
      digests.Write(line + "\n");
    }
    if (!sums.Empty())
      curves.push_back(ThinCurve(sums.Curve(plan.PointLabel(point)), PlotPointsPerCurve(plan.PointCount())));
  }
  if (!runs.Finish(error) || (plan.series && !series.Finish(error)) || !digests.Finish(error)) return error;
  if (!runs.Rename(error) || (plan.series && !series.Rename(error)) || !digests.Rename(error)) return error;
  return {};
}

}  // namespace quorvan::batch
