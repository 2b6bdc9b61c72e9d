#include "batch_options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <filesystem>
#include <limits>
#include <sstream>

namespace quorvan::batch {

namespace {

constexpr int64_t kMaxInt = std::numeric_limits<int32_t>::max();

const std::map<std::string, int32_t> kModes = [] {
  std::map<std::string, int32_t> modes;
  for (const LandscapeModeInfo& m : kLandscapeModes) modes.emplace(m.name, m.mode);
  return modes;
}();

// The --mode names in the landscape chooser's order.
std::vector<std::string> ModeNames() {
  std::vector<std::string> names;
  for (const LandscapeModeInfo& m : kLandscapeModes) names.emplace_back(m.name);
  return names;
}

// A text the simulation will convert: refuse it now, naming the option,
// rather than after the run has begun.
std::string CheckText(const char* option, const std::optional<std::string>& text, bool rounded) {
  if (!text) return {};
  const std::string error = rounded ? TextToRoundedInt(*text).error : TextToDouble(*text).error;
  return error.empty() ? std::string() : std::string(option) + ": " + error;
}

// A whole number from lo to hi, written in decimal digits with an optional
// sign, as the window's conversions take it (no "0x5", no "12.5"); the
// message is short and names the fault.
CLI::Validator WholeNumber(int64_t lo, int64_t hi) {
  return CLI::Validator(
      [lo, hi](std::string& text) -> std::string {
        const Converted<int32_t> value = TextToInt(text);
        if (!value) return "'" + text + "' is not a whole number";
        if (*value < lo || *value > hi) {
          return "'" + text + "' is not from " + std::to_string(lo) + " to " + std::to_string(hi);
        }
        return {};
      },
      "", "WholeNumber");
}

// The output paths: none empty, no two the same file (standard output, "-",
// counts as one place too).
std::string CheckOutputs(const BatchOptions& o, const std::vector<std::pair<const char*, bool>>& given) {
  const std::pair<const char*, const std::string*> outputs[] = {
      {"--csv", &o.csvPath}, {"--json", &o.jsonPath}, {"--png", &o.pngPath}, {"--save-world", &o.saveWorldPath}};
  std::vector<std::pair<const char*, std::string>> seen;
  for (std::size_t i = 0; i < std::size(outputs); ++i) {
    const auto& [option, path] = outputs[i];
    if (!given[i].second) continue;
    if (path->empty()) return std::string(option) + ": the file name is empty";
    if (*path == "-" && (std::string(option) == "--png" || std::string(option) == "--save-world")) {
      return std::string(option) + ": this file cannot go to standard output";
    }
    std::error_code ec;
    const std::string place =
        *path == "-" ? std::string("-") : std::filesystem::weakly_canonical(std::filesystem::absolute(*path), ec).string();
    for (const auto& [other, otherPlace] : seen) {
      if (otherPlace == place) return std::string(option) + ": '" + *path + "' is also the file of " + other;
    }
    seen.emplace_back(option, place);
  }
  // The world that is read may be saved over at the end, but no other output
  // may replace it.
  if (!o.worldPath.empty()) {
    std::error_code ec;
    const std::string world = std::filesystem::weakly_canonical(std::filesystem::absolute(o.worldPath), ec).string();
    for (const auto& [option, place] : seen) {
      if (place == world && std::string(option) != "--save-world") {
        return std::string(option) + ": '" + o.worldPath + "' is the world read by --world";
      }
    }
  }
  return {};
}

}  // namespace

// Digits only: a sign would wrap around silently.
std::optional<uint64_t> SeedOfText(const std::string& text) {
  uint64_t seed = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  const auto [end, ec] = std::from_chars(first, last, seed);
  if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.front())) || ec != std::errc() || end != last) {
    return std::nullopt;
  }
  return seed;
}

int32_t ModeNumber(const std::string& mode) { return kModes.at(mode); }

bool BatchOptions::Given(const std::string& option) const {
  return std::find(given.begin(), given.end(), option) != given.end();
}

ParseOutcome ParseCommandLine(const std::vector<std::string>& args) {
  BatchOptions o;
  CLI::App app{"Runs a Quorvan world headless and writes what happened.", "quorvan-batch"};
  app.set_help_flag("-h,--help", "Print this help and exit");
  app.get_formatter()->column_width(34);

  app.add_option("--agents", o.agents, "Number of agents")->capture_default_str()->check(WholeNumber(0, kMaxInt));
  app.add_option("--cell-size", o.cellSize, "Cell edge in pixels on the 404-pixel panel")
      ->capture_default_str()
      ->check(WholeNumber(kMinCellSize, kMaxCellSize));
  app.add_option("--steps", o.steps,
                 "Stop time: the step at which the run stops (with --world: the world's own stop time when absent; "
                 "a world saved at step k runs steps k+1 to N)")
      ->capture_default_str()
      ->check(WholeNumber(0, kMaxInt));
  app.add_option("--mode", o.mode, "Landscape")->capture_default_str()->check(CLI::IsMember(ModeNames()));
  app.add_option("--threshold", o.threshold, "Angle threshold in degrees")
      ->capture_default_str()
      ->check(WholeNumber(kMinAngle, kMaxAngle));
  app.add_option("--wiggle", o.wiggle, "Wiggle threshold in degrees")
      ->capture_default_str()
      ->check(WholeNumber(kMinAngle, kMaxAngle));
  app.add_option("--noise", o.noise, "Return noise (default: the landscape's, 30 or 50)");
  app.add_option("--consume", o.consume, "Consume probability (default: 0.35, or 0.05 in manhattan)");
  app.add_option("--decay", o.decay, "Decay rate per step (decay is off when absent)")->type_name("RATE");
  app.add_option("--sniff", o.sniff, "Trail following")->capture_default_str()->check(
      CLI::IsMember({"roulette", "hill"}));
  app.add_option("--trail", o.trail, "Shown trail: return (show only return tracks) or footprint")
      ->capture_default_str()
      ->check(CLI::IsMember({"return", "footprint"}));
  std::optional<std::string> seedText;
  app.add_option("--seed", seedText, "Random seed, 0 to 2^64-1 (from the clock when absent; always reported)")
      ->type_name("N");
  std::optional<std::string> landscapeSeedText;
  app.add_option("--landscape-seed", landscapeSeedText,
                 "Seed of the landscape alone, so that replicates share it while the agents vary")
      ->type_name("N");
  CLI::Option* world =
      app.add_option("--world", o.worldPath,
                     "Start from this saved world: its settings are the defaults, the options given override them "
                     "(not --agents, --cell-size, --mode, --landscape-seed: those need a new world); without --seed "
                     "the world's own random stream goes on")
          ->type_name("FILE");
  CLI::Option* saveWorld =
      app.add_option("--save-world", o.saveWorldPath, "Save the final world to this HDF5 file")->type_name("FILE");
  CLI::Option* csv =
      app.add_option("--csv", o.csvPath, "Write step,successful,returning,track_max,deliveries per step (- for standard output)")
          ->type_name("FILE");
  CLI::Option* json =
      app.add_option("--json", o.jsonPath, "Write a summary as JSON (- for standard output)")->type_name("FILE");
  CLI::Option* png = app.add_option("--png", o.pngPath, "Write the panel after the last step as a PNG")->type_name("FILE");
  app.add_option("--gravity", o.gravity, "Draw gravity lines of this size factor in the picture")
      ->type_name("G");
  app.add_flag("--no-agents", o.noAgents, "Leave the agents out of the picture");
  AddRecordingOptions(app, o.recording);
  app.footer(
      "Experiments: a setting may take a list (--consume 0.1,0.35,1) or a range first:last:step\n"
      "(--wiggle 0:180:20); with --out DIR every combination runs, and:\n"
      "  --replicates K        runs per combination (seeds derived from --seed)\n"
      "  --experiment FILE     the sweep as TOML, keys as the options without dashes\n"
      "  --series              also series.csv, every step of every run\n"
      "  --jobs N              runs at once (default: all cores)\n"
      "  --plot none           no plot.png/plot.svg\n"
      "  --quiet               no progress on stderr\n"
      "  --shard K/N           only the K-th of N shares of the runs\n"
      "  --resume DIR          run what an interrupted sweep in DIR is missing\n"
      "  merge --out DIR SHARD_DIR...   join the shares into one sweep folder");

  // CLI11 wants argv-style input, program name first, and reads it backwards.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  ParseOutcome out;
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    out.output = app.help();
    out.exitCode = 0;
    return out;
  } catch (const CLI::ParseError& e) {
    out.output = std::string("quorvan-batch: ") + e.what() + "\nRun with --help for the options.\n";
    out.exitCode = 2;
    return out;
  }

  for (const CLI::Option* option : app.get_options()) {
    if (option->count() > 0 && !option->get_lnames().empty()) o.given.push_back("--" + option->get_lnames().front());
  }
  if (world->count() > 0 && o.worldPath.empty()) {
    out.output = "quorvan-batch: --world: the file name is empty\n";
    out.exitCode = 2;
    return out;
  }

  const auto parseSeed = [&out](const char* option, const std::optional<std::string>& text,
                                std::optional<uint64_t>& value) {
    if (!text) return true;
    const std::optional<uint64_t> seed = SeedOfText(*text);
    if (!seed) {
      out.output = std::string("quorvan-batch: ") + option + ": '" + *text + "' is not a whole number from 0 to 2^64-1\n";
      out.exitCode = 2;
      return false;
    }
    value = seed;
    return true;
  };
  if (!parseSeed("--seed", seedText, o.seed) || !parseSeed("--landscape-seed", landscapeSeedText, o.landscapeSeed)) {
    return out;
  }
  for (const std::string& error : {CheckText("--noise", o.noise, true), CheckText("--consume", o.consume, false),
                                   CheckText("--decay", o.decay, false), CheckText("--gravity", o.gravity, false)}) {
    if (!error.empty()) {
      out.output = "quorvan-batch: " + error + "\n";
      out.exitCode = 2;
      return out;
    }
  }
  if (const std::string error =
          CheckOutputs(o, {{"--csv", csv->count() > 0}, {"--json", json->count() > 0}, {"--png", png->count() > 0},
                          {"--save-world", saveWorld->count() > 0}});
      !error.empty()) {
    out.output = "quorvan-batch: " + error + "\n";
    out.exitCode = 2;
    return out;
  }
  out.options = o;
  return out;
}

namespace {

// The run's settings from the options: every one for a new world, only those
// given for an opened one.
void ApplyRunOptions(const BatchOptions& o, Settings& s, bool givenOnly) {
  const auto take = [&](const char* option) { return !givenOnly || o.Given(option); };
  if (take("--steps")) s.E_stop = IntToText(o.steps);
  if (take("--threshold")) s.TrB_thresh = o.threshold;
  if (take("--wiggle")) s.SB_wiggle = o.wiggle;
  if (take("--decay")) s.CB_decay = o.decay.has_value();
  if (o.decay) s.E_decay = *o.decay;
  if (take("--sniff")) {
    s.rb_rulette = o.sniff == "roulette";
    s.rb_hill = o.sniff == "hill";
  }
  if (take("--trail")) s.CB_showAB = o.trail == "return";
  if (take("--gravity")) s.CB_gravity = o.gravity.has_value();
  if (o.gravity) s.E_grav = *o.gravity;
  if (take("--no-agents")) s.CB_showAg = !o.noAgents;
}

}  // namespace

Settings SettingsFor(const BatchOptions& o) {
  Settings s;
  s.Edit_anzAg = IntToText(o.agents);
  s.Edit_size = IntToText(o.cellSize);
  s.SetupMode = ModeNumber(o.mode);
  ApplyRunOptions(o, s, false);
  return s;
}

void ApplyGivenOptions(const BatchOptions& o, Settings& s) {
  ApplyRunOptions(o, s, true);
  ApplyOverrides(o, s);
}

void ApplyOverrides(const BatchOptions& o, Settings& s) {
  if (o.noise) s.E_noise = *o.noise;
  if (o.consume) s.E_CProbab = *o.consume;
}

}  // namespace quorvan::batch
