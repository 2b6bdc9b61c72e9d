#include "run_spec.h"

#include <limits>

namespace quorvan::batch {

namespace {

constexpr int64_t kMaxInt = std::numeric_limits<int32_t>::max();
constexpr std::string_view kSniffNames[] = {"roulette", "hill"};
constexpr std::string_view kTrailNames[] = {"return", "footprint"};

template <typename T>
void Take(std::optional<T>& into, const std::optional<T>& over) {
  if (over) into = over;
}

// Sets `field` from a parse, or hands back its error.
template <typename Field, typename Value>
std::string Store(Field& field, const Parsed<Value>& parsed) {
  if (!parsed) return parsed.error;
  field = *parsed;
  return {};
}

std::string SetWhole(std::optional<int32_t>& field, std::string_view where, std::string_view text, int64_t lo,
                     int64_t hi) {
  const Parsed<int64_t> v = ParseWhole(where, text, lo, hi);
  if (!v) return v.error;
  field = static_cast<int32_t>(*v);
  return {};
}

}  // namespace

void RunSpec::Merge(const RunSpec& o) {
  if (!o.world.empty()) world = o.world;
  Take(agents, o.agents);
  Take(cellSize, o.cellSize);
  Take(mode, o.mode);
  Take(landscapeSeed, o.landscapeSeed);
  Take(stopTime, o.stopTime);
  Take(moreSteps, o.moreSteps);
  Take(threshold, o.threshold);
  Take(wiggle, o.wiggle);
  Take(noise, o.noise);
  Take(consume, o.consume);
  Take(decay, o.decay);
  Take(sniff, o.sniff);
  Take(trail, o.trail);
  Take(gravity, o.gravity);
  noAgents = noAgents || o.noAgents;
  Take(seed, o.seed);
}

const std::vector<RunKey>& RunKeys() {
  static const std::vector<RunKey> keys = {
      {"world", ValueKind::Name, true,
       "Start from this saved world: its settings are the defaults, the options given override them (not --agents, "
       "--cell-size, --mode, --landscape-seed: those need a new world); without --seed the world's own random "
       "stream goes on"},
      {"mode", ValueKind::Name, true, "Landscape: random, circle, raster or manhattan (default random)"},
      {"cell-size", ValueKind::Whole, true, "Cell edge in pixels on the 404-pixel panel, 2 to 10 (default 2)"},
      {"agents", ValueKind::Whole, true, "Number of agents (default 800)"},
      {"steps", ValueKind::Whole, true,
       "Stop time: the step at which the run stops (default 10000; with --world the world's own); it must lie "
       "after the step a world stands at"},
      {"for", ValueKind::Whole, true, "Run this many steps more from wherever the world stands (instead of --steps)"},
      {"threshold", ValueKind::Whole, true, "Angle threshold in degrees, 0 to 180 (default 30)"},
      {"wiggle", ValueKind::Whole, true, "Wiggle threshold in degrees, 0 to 180 (default 20)"},
      {"noise", ValueKind::Real, true, "Return noise (default: the landscape's, 30 or 50)"},
      {"consume", ValueKind::Real, true, "Consume probability (default: 0.35, or 0.05 in manhattan)"},
      {"decay", ValueKind::Real, true, "Decay rate per step (decay is off when absent; off in a sweep's list)"},
      {"sniff", ValueKind::Name, true, "Trail following: roulette or hill (default hill)"},
      {"trail", ValueKind::Name, true, "Shown trail: return (only return tracks, default) or footprint"},
      {"landscape-seed", ValueKind::Whole, true,
       "Seed of the landscape alone, so that replicates share it while the agents vary"},
      {"gravity", ValueKind::Real, false, "Draw gravity lines of this size factor in the picture"},
  };
  return keys;
}

const RunKey* FindRunKey(std::string_view name) {
  for (const RunKey& k : RunKeys()) {
    if (name == k.name) return &k;
  }
  return nullptr;
}

std::vector<std::string_view> LandscapeNames() {
  std::vector<std::string_view> names;
  for (const LandscapeModeInfo& m : kLandscapeModes) names.push_back(m.name);
  return names;
}

std::string SetRunValue(RunSpec& spec, const RunKey& key, std::string_view where, std::string_view text) {
  const std::string_view name = key.name;
  if (name == "world") {
    if (text.empty()) return std::string(where) + ": the file name is empty";
    spec.world = text;
    return {};
  }
  if (name == "mode") {
    const std::vector<std::string_view> names = LandscapeNames();
    const Parsed<std::size_t> m = ParseName(where, text, names);
    if (!m) return m.error;
    spec.mode = static_cast<Landscape>(kLandscapeModes[*m].mode);
    return {};
  }
  if (name == "cell-size") return SetWhole(spec.cellSize, where, text, kMinCellSize, kMaxCellSize);
  if (name == "agents") return SetWhole(spec.agents, where, text, 0, kMaxInt);
  if (name == "steps") return SetWhole(spec.stopTime, where, text, 0, kMaxInt);
  if (name == "for") return SetWhole(spec.moreSteps, where, text, 1, kMaxInt);
  if (name == "threshold") return SetWhole(spec.threshold, where, text, kMinAngle, kMaxAngle);
  if (name == "wiggle") return SetWhole(spec.wiggle, where, text, kMinAngle, kMaxAngle);
  if (name == "noise") return Store(spec.noise, ParseReal(where, text, RealUse::Rounded));
  if (name == "consume") return Store(spec.consume, ParseReal(where, text));
  if (name == "decay") return Store(spec.decay, ParseReal(where, text));
  if (name == "gravity") return Store(spec.gravity, ParseReal(where, text));
  if (name == "sniff") {
    const Parsed<std::size_t> s = ParseName(where, text, kSniffNames);
    if (!s) return s.error;
    spec.sniff = *s == 0 ? Sniff::Roulette : Sniff::Hill;
    return {};
  }
  if (name == "trail") {
    const Parsed<std::size_t> t = ParseName(where, text, kTrailNames);
    if (!t) return t.error;
    spec.trail = *t == 0 ? Trail::Return : Trail::Footprint;
    return {};
  }
  if (name == "landscape-seed") return Store(spec.landscapeSeed, ParseSeed(where, text));
  return std::string(where) + ": not a value of a run";
}

std::string CheckRunSpec(const RunSpec& spec) {
  if (spec.stopTime && spec.moreSteps) {
    return "--steps and --for: give one of them (--steps N stops at step N, --for N runs N steps more)";
  }
  return {};
}

Parsed<int32_t> StopTimeFrom(const RunSpec& spec, int32_t from, int32_t own) {
  if (spec.moreSteps) {
    if (*spec.moreSteps > kMaxInt - from) {
      return {std::nullopt, "--for: " + std::to_string(*spec.moreSteps) + " steps from step " + std::to_string(from) +
                                " go beyond step 2147483647"};
    }
    return {from + *spec.moreSteps, {}};
  }
  return {spec.stopTime.value_or(own), {}};
}

Settings SettingsFor(const RunSpec& spec) {
  Settings s;
  s.Edit_anzAg = IntToText(spec.agents.value_or(kInitialAgents));
  s.Edit_size = IntToText(spec.cellSize.value_or(kInitialCellSize));
  s.SetupMode = static_cast<int32_t>(spec.mode.value_or(static_cast<Landscape>(kInitialSetupMode)));
  s.E_stop = IntToText(*StopTimeFrom(spec, 0, kInitialStopTime));
  ApplyRunValues(spec, s);
  s.CB_decay = spec.decay.has_value();
  s.CB_gravity = spec.gravity.has_value();
  return s;
}

void ApplyGivenValues(const RunSpec& spec, Settings& s) {
  ApplyRunValues(spec, s);
  ApplyOverrides(spec, s);
}

void ApplyRunValues(const RunSpec& spec, Settings& s) {
  if (spec.threshold) s.TrB_thresh = *spec.threshold;
  if (spec.wiggle) s.SB_wiggle = *spec.wiggle;
  if (spec.decay) {
    s.CB_decay = true;
    s.E_decay = spec.decay->text;
  }
  if (spec.sniff) {
    s.rb_rulette = *spec.sniff == Sniff::Roulette;
    s.rb_hill = *spec.sniff == Sniff::Hill;
  }
  if (spec.trail) s.CB_showAB = *spec.trail == Trail::Return;
  if (spec.gravity) {
    s.CB_gravity = true;
    s.E_grav = spec.gravity->text;
  }
  if (spec.noAgents) s.CB_showAg = false;
}

void ApplyOverrides(const RunSpec& spec, Settings& s) {
  if (spec.noise) s.E_noise = spec.noise->text;
  if (spec.consume) s.E_CProbab = spec.consume->text;
}

}  // namespace quorvan::batch
