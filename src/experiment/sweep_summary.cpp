#include "sweep_summary.h"

#include <charconv>
#include <cstdio>
#include <map>
#include <optional>

#include "kaplan_meier.h"
#include "output_file.h"
#include "stats_summary.h"

namespace quorvan::batch {

namespace {

using analysis::Summary;

bool IsFirstPassage(const std::string& column) {
  return column == "first_delivery" || column == "successful_50" || column == "successful_90";
}

std::string Num(double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 10);
  return std::string(buf, r.ptr);
}

std::string Opt(const std::optional<double>& v) { return v ? Num(*v) : std::string(); }

// mean,sd,low,high (spread and interval empty for fewer than two values, all empty for none).
std::string Moments(const Summary& s) {
  if (s.n == 0) return ",,,";
  if (s.n == 1) return Num(s.mean) + ",,,";
  return Num(s.mean) + "," + Num(s.sd) + "," + Num(s.low) + "," + Num(s.high);
}

struct Column {
  std::string name;
  std::vector<std::optional<double>> values;
};

}  // namespace

std::string SummarizeRuns(const CsvTable& runs, int64_t baseline, SummaryTexts& out) {
  const int replicateCol = runs.Column("replicate"), stepsCol = runs.Column("steps");
  if (runs.Column("run") != 0 || replicateCol < 1 || stepsCol < 0)
    return "runs.csv has no 'run', 'replicate' and 'steps' columns";
  // The settings lie between run and replicate; the outputs are the numeric
  // columns that are neither settings nor seeds.
  std::vector<std::string> settingNames(runs.header.begin() + 1, runs.header.begin() + replicateCol);
  std::vector<Column> outputs;
  std::string error;
  for (int c = replicateCol + 1; c < static_cast<int>(runs.header.size()); ++c) {
    const std::string& name = runs.header[static_cast<std::size_t>(c)];
    if (name == "seed" || name == "landscape_seed") continue;
    Column col{name, {}};
    if (runs.Numbers(c, col.values, error)) outputs.push_back(std::move(col));
  }
  std::vector<std::optional<double>> steps, replicates;
  if (!runs.Numbers(stepsCol, steps, error) || !runs.Numbers(replicateCol, replicates, error))
    return "runs.csv: " + error;

  // A swept landscape seed has no column among the settings: it shows as
  // one replicate number with several landscape seeds at one setting, and
  // then belongs to the point.
  const int landscapeCol = runs.Column("landscape_seed");
  bool landscapeSwept = false;
  if (landscapeCol >= 0) {
    std::map<std::vector<std::string>, std::string> seen;
    for (const auto& row : runs.rows) {
      std::vector<std::string> at(row.begin() + 1, row.begin() + replicateCol + 1);
      const auto [it, fresh] = seen.try_emplace(at, row[static_cast<std::size_t>(landscapeCol)]);
      landscapeSwept = landscapeSwept || (!fresh && it->second != row[static_cast<std::size_t>(landscapeCol)]);
    }
  }
  if (landscapeSwept) settingNames.push_back("landscape_seed");

  // Points in the order they first appear, each with its rows.
  std::vector<std::vector<std::string>> pointSettings;
  std::vector<std::vector<std::size_t>> pointRows;
  std::map<std::vector<std::string>, std::size_t> pointOf;
  for (std::size_t r = 0; r < runs.rows.size(); ++r) {
    std::vector<std::string> key(runs.rows[r].begin() + 1, runs.rows[r].begin() + replicateCol);
    if (landscapeSwept) key.push_back(runs.rows[r][static_cast<std::size_t>(landscapeCol)]);
    const auto [it, fresh] = pointOf.try_emplace(key, pointSettings.size());
    if (fresh) {
      pointSettings.push_back(key);
      pointRows.emplace_back();
    }
    pointRows[it->second].push_back(r);
  }
  if (baseline < 0 || (!pointRows.empty() && static_cast<std::size_t>(baseline) >= pointRows.size()))
    return "the baseline point " + std::to_string(baseline) + " is not among the " + std::to_string(pointRows.size()) +
           " points of runs.csv";

  std::string settingsHeader;
  for (const std::string& s : settingNames) settingsHeader += CsvField(s) + ",";
  const auto settingsOf = [&](std::size_t p) {
    std::string text;
    for (const std::string& v : pointSettings[p]) text += CsvField(v) + ",";
    return text;
  };

  out.points = "point," + settingsHeader +
               "output,runs,empty,mean,sd,mean_low,mean_high,median,q1,q3,km_median,km_low,km_high\n";
  for (std::size_t p = 0; p < pointRows.size(); ++p) {
    for (const Column& col : outputs) {
      std::vector<double> present;
      std::vector<analysis::Passage> passages;
      for (const std::size_t r : pointRows[p]) {
        if (col.values[r]) present.push_back(*col.values[r]);
        if (col.values[r]) {
          passages.push_back({*col.values[r], true});
        } else if (steps[r]) {
          passages.push_back({*steps[r], false});
        }
      }
      const std::size_t empty = pointRows[p].size() - present.size();
      const Summary s = analysis::Summarize(present);
      out.points += std::to_string(p) + "," + settingsOf(p) + CsvField(col.name) + "," +
                    std::to_string(pointRows[p].size()) + "," + std::to_string(empty) + "," + Moments(s) + ",";
      out.points += s.n == 0 ? ",," : Num(s.median) + "," + Num(s.q1) + "," + Num(s.q3);
      if (IsFirstPassage(col.name)) {
        const analysis::KaplanMeierMedian km = analysis::KaplanMeier(passages);
        out.points += "," + Opt(km.median) + "," + Opt(km.low) + "," + Opt(km.high) + "\n";
      } else {
        out.points += ",,,\n";
      }
    }
  }

  out.contrasts.clear();
  if (pointRows.size() < 2) return {};
  out.contrasts = "point," + settingsHeader + "baseline,output,pairs,difference,sd,low,high\n";
  const auto base = static_cast<std::size_t>(baseline);
  for (std::size_t p = 0; p < pointRows.size(); ++p) {
    if (p == base) continue;
    for (const Column& col : outputs) {
      // Replicate r of the point against replicate r of the baseline; a
      // pair with an empty field is left out.
      std::map<double, double> baseValues;
      for (const std::size_t r : pointRows[base])
        if (col.values[r] && replicates[r]) baseValues[*replicates[r]] = *col.values[r];
      std::vector<double> a, b;
      for (const std::size_t r : pointRows[p]) {
        if (!col.values[r] || !replicates[r]) continue;
        const auto it = baseValues.find(*replicates[r]);
        if (it == baseValues.end()) continue;
        a.push_back(it->second);
        b.push_back(*col.values[r]);
      }
      const Summary d = analysis::PairedDifference(a, b);
      out.contrasts += std::to_string(p) + "," + settingsOf(p) + std::to_string(base) + "," + CsvField(col.name) + "," +
                       std::to_string(d.n) + "," + Moments(d) + "\n";
    }
  }
  return {};
}

std::string WriteSummaries(const std::string& dir, int64_t baseline) {
  CsvTable runs;
  std::string error;
  if (!ReadCsv(dir + "/runs.csv", runs, error)) return error;
  SummaryTexts texts;
  if (error = SummarizeRuns(runs, baseline, texts); !error.empty()) return "'" + dir + "/runs.csv': " + error;
  OutputFile points, contrasts;
  const bool withContrasts = !texts.contrasts.empty();
  const auto write = [&](OutputFile& f, const std::string& path, const std::string& text) {
    if (!f.Open(path, error)) return false;
    f.Write(text);  // a failure is reported by Finish, with its reason
    return f.Finish(error);
  };
  if (!write(points, dir + "/points.csv", texts.points)) return error;
  if (withContrasts && !write(contrasts, dir + "/contrasts.csv", texts.contrasts)) return error;
  if (!points.Rename(error) || (withContrasts && !contrasts.Rename(error))) return error;
  return {};
}

}  // namespace quorvan::batch
