#pragma once
// The command line of quorvan-batch: what to run and where to write it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "recording_options.h"
#include "settings.h"

namespace quorvan::batch {

struct BatchOptions {
  int32_t agents = kInitialAgents;
  int32_t cellSize = kInitialCellSize;
  int32_t steps = kInitialStopTime;
  std::string mode{kLandscapeModes[kInitialSetupMode].name};
  int32_t threshold = kInitialThreshold;
  int32_t wiggle = kInitialWiggle;
  std::optional<std::string> noise;    ///< the mode's text when absent
  std::optional<std::string> consume;  ///< 0.35, or the mode's text, when absent
  std::optional<std::string> decay;    ///< decay off when absent
  std::string sniff = "hill";
  std::string trail = "return";
  std::optional<uint64_t> seed;  ///< from the clock when absent (parsed from seedText)
  std::optional<uint64_t> landscapeSeed;  ///< the landscape's own seed (parsed from landscapeSeedText)
  std::string saveWorldPath;              ///< save the final world here (empty: do not)
  std::string csvPath;
  std::string jsonPath;  ///< "-" for standard output
  std::string pngPath;
  std::optional<std::string> gravity;  ///< draw gravity lines of this size in the picture
  bool noAgents = false;
  std::string worldPath;            ///< start from this saved world (empty: build a new one)
  std::vector<std::string> given;   ///< the options named on the command line ("--agents", ...)
  RecordingOptions recording;       ///< --movie, --frames, --fields and their settings

  /// Whether `option` was named on the command line.
  bool Given(const std::string& option) const;
};

/// What parsing the command line came to.
struct ParseOutcome {
  std::optional<BatchOptions> options;  ///< set when the run should go ahead
  int exitCode = 0;                     ///< otherwise: 0 after --help, 2 on a bad option
  std::string output;                   ///< help text (stdout) or the error (stderr)
};

/// Parses and checks the whole command line; nothing is opened or written.
ParseOutcome ParseCommandLine(const std::vector<std::string>& args);

/// A seed written as decimal digits, 0 to 2^64-1; none for anything else.
std::optional<uint64_t> SeedOfText(const std::string& text);

/// The landscape mode number of a --mode name (random 0 ... manhattan 3).
int32_t ModeNumber(const std::string& mode);

/// The settings record for a run: everything the setup reads. The texts that
/// override the landscape's own (--noise, --consume) are applied by ApplyOverrides.
Settings SettingsFor(const BatchOptions& options);

/// Puts --noise and --consume over what the landscape wrote.
void ApplyOverrides(const BatchOptions& options, Settings& settings);

/// Puts the options that were given over the settings of an opened world:
/// the run's settings (thresholds, noise, consume, decay, sniffing, trail,
/// picture, stop time). Agents, cell size and landscape belong to the world.
void ApplyGivenOptions(const BatchOptions& options, Settings& settings);

}  // namespace quorvan::batch
