#pragma once
// A run described once, as typed values: the world to build or to open, how
// long to run it, the run's settings and its seeds. The single run and every
// run of a sweep start from one. Texts are read into it by SetRunValue (from
// the command line, experiment files and sweep plans alike) and leave it by
// SettingsFor, since the model's settings record keeps the window's texts.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings.h"
#include "value_text.h"

namespace quorvan::batch {

/// The landscapes, in the chooser's order (the model's SetupMode numbers).
enum class Landscape : int32_t { Random, Circle, Raster, Manhattan };
enum class Sniff { Roulette, Hill };
enum class Trail { Return, Footprint };

/// Every value is optional: absent means the window's initial value for a
/// new world, and the world's own for an opened one.
struct RunSpec {
  // The world: a new one built from these, or the one saved in `world`.
  std::string world;
  std::optional<int32_t> agents;
  std::optional<int32_t> cellSize;
  std::optional<Landscape> mode;
  std::optional<uint64_t> landscapeSeed;  ///< the landscape's own seed
  // How long: a stop time, or so many steps more than the world stands at.
  std::optional<int32_t> stopTime;   ///< --steps
  std::optional<int32_t> moreSteps;  ///< --for
  // The run's settings.
  std::optional<int32_t> threshold;
  std::optional<int32_t> wiggle;
  std::optional<RealText> noise;    ///< rounded by the model
  std::optional<RealText> consume;
  std::optional<RealText> decay;    ///< decay on at this rate
  std::optional<Sniff> sniff;
  std::optional<Trail> trail;
  std::optional<RealText> gravity;  ///< gravity lines of this size in the picture
  bool noAgents = false;            ///< leave the agents out of the picture
  /// The agents' random stream: from the clock for a new world when absent;
  /// an opened world's own stream goes on unless one is given.
  std::optional<uint64_t> seed;

  /// Takes every value that `over` holds.
  void Merge(const RunSpec& over);
};

/// A value of the run as the command line names it (without the dashes) and
/// experiment files and sweep plans name their keys.
struct RunKey {
  const char* name;
  ValueKind kind;
  bool sweepable;    ///< a sweep may vary it (else it belongs to a single run)
  const char* help;  ///< for the command line's help
};

/// The run's values, sweepable ones in the order that nests a sweep's points
/// (the first varies slowest).
const std::vector<RunKey>& RunKeys();

/// The key of that name; none for any other.
const RunKey* FindRunKey(std::string_view name);

/// The value of "decay" that leaves decay off in a sweep.
inline constexpr std::string_view kDecayOff = "off";

/// Reads one value of `key` into `spec`. An error names `where`, the text and
/// what is accepted; `spec` is then unchanged.
std::string SetRunValue(RunSpec& spec, const RunKey& key, std::string_view where, std::string_view text);

/// The checks across values (a stop time and --for are not given together).
std::string CheckRunSpec(const RunSpec& spec);

/// The --mode names, random ... manhattan.
std::vector<std::string_view> LandscapeNames();

/// The stop time a run of `spec` goes to from a world at step `from` whose
/// own stop time is `own`. An error when the run could not take a step: the
/// stop time is not after `from`, or `from` plus --for is beyond 2^31-1.
Parsed<int32_t> StopTimeFrom(const RunSpec& spec, int32_t from, int32_t own);

/// The settings record of a new world: everything the setup reads. The
/// texts that override the landscape's own (noise, consume) are applied by
/// ApplyOverrides once the landscape has written them.
Settings SettingsFor(const RunSpec& spec);

/// Puts noise and consume over what the landscape wrote.
void ApplyOverrides(const RunSpec& spec, Settings& settings);

/// Puts the run's values that are given, but for noise and consume, over
/// `settings`.
void ApplyRunValues(const RunSpec& spec, Settings& settings);

/// Puts the run's values that are given over the settings of an opened
/// world (thresholds, noise, consume, decay, sniffing, trail, picture).
/// Agents, cell size and landscape belong to the world.
void ApplyGivenValues(const RunSpec& spec, Settings& settings);

}  // namespace quorvan::batch
