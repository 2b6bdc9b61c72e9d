#pragma once
// A sweep's plan: its settings with their values, the replicates, the base
// seed, and how each run's settings and seeds follow from them.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "design_plan.h"
#include "run_spec.h"

namespace quorvan::batch {

/// One setting of a sweep and its values, as written (the plan keeps the
/// texts: they make the sweep's identity and its tables' columns).
struct SweepSetting {
  std::string key;                  ///< option name without dashes
  std::vector<std::string> values;  ///< one or more
  friend bool operator==(const SweepSetting&, const SweepSetting&) = default;
};

struct SweepPlan {
  /// Settings in the order of RunKeys(); a point takes one value of each.
  /// A grid crosses every setting's values; a design's settings hold one
  /// value per point (the others a single value), read in parallel.
  std::vector<SweepSetting> settings;
  std::optional<SweepDesign> design;  ///< a design's sweep (else a grid)
  int64_t replicates = 1;
  uint64_t seed = 0;  ///< base seed of every run
  bool series = false;  ///< write series.csv
  bool plot = true;     ///< write plot.png and plot.svg
  /// Write each run's field history, a snapshot every so many steps, into
  /// DIR/fields/ (FieldsFileName). An output: no part of the identity.
  std::optional<int32_t> fieldsEvery;
  int64_t shardIndex = 1;  ///< this share, 1..shardCount
  int64_t shardCount = 1;

  int64_t PointCount() const;
  int64_t RunCount() const { return PointCount() * replicates; }
  int64_t PointOf(int64_t run) const { return run / replicates; }
  int64_t ReplicateOf(int64_t run) const { return run % replicates; }
  /// Whether this share runs `run` (runs whose index % shardCount is shardIndex - 1).
  bool InShard(int64_t run) const { return run % shardCount == shardIndex - 1; }
  /// The settings that take more than one value: the columns of the tables.
  std::vector<const SweepSetting*> Swept() const;
  /// The value of each setting at a point (in a grid the first setting varies slowest).
  std::vector<std::string> PointValues(int64_t point) const;
  /// "wiggle=20 mode=raster", or "all runs" when nothing is swept.
  std::string PointLabel(int64_t point) const;
  /// Whether the landscape seed is one of the settings (else it is derived).
  bool HasLandscapeSeed() const;
  bool HasWorld() const;
};

/// The seed of replicate r: the (r+1)-th output of SplitMix64 started at the
/// base seed. Every point's replicate r gets the same seed.
uint64_t RunSeed(uint64_t base, int64_t replicate);
/// The landscape seed of replicate r when the sweep sets none: the same
/// derivation from the base seed with its bits flipped.
uint64_t DerivedLandscapeSeed(uint64_t base, int64_t replicate);

/// The run description of every point, each setting's values read once by
/// its key's parser. An error names where the setting came from
/// (`where(key)`: "--wiggle", "e.toml: 'wiggle'"), the value and what is
/// accepted.
std::string PointSpecs(const SweepPlan& plan, const std::function<std::string(const std::string& key)>& where,
                       std::vector<RunSpec>& points);

/// The description of run `run`: its point's, with the replicate's seed and,
/// unless the plan sets one or starts from worlds, its landscape seed. Every
/// run of a sweep, and every replay of one, starts from this.
RunSpec RunSpecOf(const SweepPlan& plan, const RunSpec& pointSpec, int64_t run);

/// The name of run `run`'s field history in a sweep's fields folder: run-000037.h5.
std::string FieldsFileName(int64_t run);
inline constexpr const char* kFieldsFolder = "fields";

/// The plan as JSON (what plan.json holds), and back. The identity leaves
/// out the share, so the shares of one sweep have one identity.
std::string PlanJson(const SweepPlan& plan);
std::string ParsePlanJson(const std::string& text, SweepPlan& plan);
std::string SweepIdentity(const SweepPlan& plan);

}  // namespace quorvan::batch
