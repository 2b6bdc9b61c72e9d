#pragma once
// What the Experiment dialog holds, as the texts the command line takes:
// the settings (one value, a list or a range each), the base of every run,
// replicates, steps, seed, jobs, the output folder, series and plots. From
// it come the argument list that quorvan-batch's own parser reads (so every
// refusal is the engine's) and the experiment file that `quorvan-batch
// --experiment` runs as is.

#include <string>
#include <utility>
#include <vector>

#include "batch_command.h"

namespace quorvan {

struct ExperimentRequest {
  /// Where every run starts.
  enum class Base { CurrentWorld, NewSetup, WorldFile };
  Base base = Base::CurrentWorld;
  std::string worldFile;  ///< Base::WorldFile: the world every run opens

  /// Setting texts by key (run keys without dashes); empty texts are left out.
  std::vector<std::pair<std::string, std::string>> settings;
  std::string steps;  ///< the stop time, as --steps takes it
  int replicates = 1;
  std::string seed;   ///< the base seed; empty: from the clock
  int jobs = 1;
  std::string outDir;
  bool series = false;
  bool plot = true;

  /// The text of a setting, empty when absent.
  std::string Setting(const std::string& key) const;
  void SetSetting(const std::string& key, const std::string& text);
};

/// The settings the dialog offers, in the order of the run's keys.
std::vector<std::string> ExperimentSettingKeys();
/// Whether a setting needs a new world (agents, cell size, landscape and its seed).
bool NeedsNewWorld(const std::string& key);

/// All cores but one, at least one.
int DefaultJobs();

/// The sweep's arguments as quorvan-batch takes them. `world` is the base
/// world's path (Base::CurrentWorld: where it was saved).
std::vector<std::string> SweepArgs(const ExperimentRequest& request, const std::string& world);

/// The experiment file of the request: every setting as a TOML text, so
/// that lists and ranges read as on the command line. Jobs are left out
/// (they belong to the machine that runs it).
std::string ExperimentToml(const ExperimentRequest& request, const std::string& world);

/// Parses the request with the engine's parser: the sweep, or the engine's
/// message (without the program's name). Nothing is created or written.
batch::SweepParse ParseRequest(const ExperimentRequest& request, const std::string& world);

/// Fills `request` from an experiment file; an error names the file and the
/// fault, and leaves `request` as it was.
std::string ReadRequestFile(const std::string& path, ExperimentRequest& request);

}  // namespace quorvan
