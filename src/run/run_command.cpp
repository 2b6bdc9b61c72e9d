#include "run_command.h"

#include <filesystem>

#include "command_line.h"

namespace quorvan::batch {

namespace {


// The output paths: none empty, no two the same file (standard output, "-",
// counts as one place too), and none but --save-world over the world read.
std::string CheckOutputs(const RunCommand& c, const std::map<std::string, CLI::Option*>& options) {
  const std::pair<const char*, const std::string*> outputs[] = {
      {"--csv", &c.csvPath}, {"--json", &c.jsonPath}, {"--png", &c.pngPath}, {"--save-world", &c.saveWorldPath}};
  std::vector<std::pair<std::string, std::string>> seen;
  for (const auto& [option, path] : outputs) {
    if (options.at(option + 2)->count() == 0) continue;
    const std::string name = option;
    if (path->empty()) return name + ": the file name is empty";
    if (*path == "-" && (name == "--png" || name == "--save-world")) return name + ": this file cannot go to standard output";
    std::error_code ec;
    const std::string place =
        *path == "-" ? std::string("-") : std::filesystem::weakly_canonical(std::filesystem::absolute(*path), ec).string();
    for (const auto& [other, otherPlace] : seen) {
      if (otherPlace == place) return name + ": '" + *path + "' is also the file of " + other;
    }
    seen.emplace_back(name, place);
  }
  if (!c.spec.world.empty()) {
    std::error_code ec;
    const std::string world = std::filesystem::weakly_canonical(std::filesystem::absolute(c.spec.world), ec).string();
    for (const auto& [option, place] : seen) {
      if (place == world && option != "--save-world") return option + ": '" + c.spec.world + "' is the world read by --world";
    }
  }
  return {};
}

}  // namespace

RunOutputOptions::RunOutputOptions(CLI::App& app) {
  const std::pair<const char*, const char*> outputs[] = {
      {"csv", "Write step,successful,returning,track_max,deliveries per step (- for standard output)"},
      {"json", "Write a summary as JSON (- for standard output)"},
      {"png", "Write the panel after the last step as a PNG"},
      {"save-world", "Save the final world, with every chart point, to this HDF5 file"}};
  for (const auto& [name, help] : outputs) {
    options_[name] = app.add_option(std::string("--") + name, texts_[name], help)->type_name("FILE")->group("Single run");
  }
  options_["no-agents"] = app.add_flag("--no-agents", noAgents_, "Leave the agents out of the picture")->group("Single run");
  AddRecordingOptions(app, recording_);
  options_["fields"] = app.get_option("--fields");
  options_["fields-every"] = app.get_option("--fields-every");
}

std::vector<std::string> RunOutputOptions::Given() const {
  std::vector<std::string> given;
  for (const char* name : {"csv", "json", "png", "save-world", "no-agents"}) {
    if (options_.at(name)->count() > 0) given.push_back(std::string("--") + name);
  }
  if (!recording_.moviePath.empty()) given.emplace_back("--movie");
  if (!recording_.framesDir.empty()) given.emplace_back("--frames");
  if (!recording_.fieldsPath.empty()) given.emplace_back("--fields");
  return given;
}

std::optional<std::string> RunOutputOptions::Fields() const {
  if (options_.at("fields")->count() == 0) return std::nullopt;
  return recording_.fieldsPath;
}

std::optional<int32_t> RunOutputOptions::FieldsEvery() const {
  if (options_.at("fields-every")->count() == 0) return std::nullopt;
  return recording_.fieldsEvery;
}

std::string RunOutputOptions::Read(RunCommand& c) const {
  if (Fields() && Fields()->empty()) {
    return "--fields needs a file name (--fields FILE.h5); alone it belongs to a sweep, which writes one per run";
  }
  c.recording = recording_;
  c.spec.noAgents = noAgents_;
  c.csvPath = texts_.at("csv");
  c.jsonPath = texts_.at("json");
  c.pngPath = texts_.at("png");
  c.saveWorldPath = texts_.at("save-world");
  return CheckOutputs(c, options_);
}

RunOptions::RunOptions(CLI::App& app) {
  const std::string run = "Run (a setting may take a list a,b,c or a range first:last:step: a sweep)";
  for (const RunKey& key : RunKeys()) {
    const char* type = key.kind == ValueKind::Whole ? "N" : key.kind == ValueKind::Real ? "X" : "NAME";
    if (std::string(key.name) == "world") type = "FILE";
    options_[key.name] = app.add_option(std::string("--") + key.name, texts_[key.name], key.help)
                             ->type_name(type)
                             ->group(key.sweepable ? run : "Single run");
  }
  options_["seed"] = app.add_option("--seed", texts_["seed"],
                                    "Random seed, 0 to 2^64-1 (from the clock when absent; always reported); a "
                                    "sweep's base seed")
                         ->type_name("N")
                         ->group(run);
  outputs_ = std::make_unique<RunOutputOptions>(app);
}

std::vector<std::pair<const RunKey*, std::string>> RunOptions::GivenSettings() const {
  std::vector<std::pair<const RunKey*, std::string>> given;
  for (const RunKey& key : RunKeys()) {
    if (key.sweepable && options_.at(key.name)->count() > 0) given.emplace_back(&key, texts_.at(key.name));
  }
  return given;
}

std::optional<std::string> RunOptions::Seed() const {
  if (options_.at("seed")->count() == 0) return std::nullopt;
  return texts_.at("seed");
}

std::vector<std::string> RunOptions::SingleRunOnly() const {
  std::vector<std::string> given;
  if (options_.at("gravity")->count() > 0) given.emplace_back("--gravity");
  // The outputs of a single run (a sweep's runs are replayed one by one for them).
  for (std::string& output : outputs_->Given()) given.push_back(std::move(output));
  return given;
}

std::string RunOptions::Read(RunCommand& c) const {
  c = RunCommand{};
  for (const RunKey& key : RunKeys()) {
    if (options_.at(key.name)->count() == 0) continue;
    const std::string where = std::string("--") + key.name;
    const std::string& text = texts_.at(key.name);
    if (key.sweepable && key.kind != ValueKind::Name && text.find("..") != std::string::npos) {
      return where + ": '" + text + "' is an interval, which makes a design: add --design, --samples and --out DIR";
    }
    if (key.sweepable && IsSeveralValues(text, key.kind)) {
      return where + ": '" + text + "' is several values, which makes a sweep; a sweep needs --out DIR";
    }
    if (std::string error = SetRunValue(c.spec, key, where, text); !error.empty()) return error;
  }
  if (const auto seed = Seed()) {
    const Parsed<uint64_t> s = ParseSeed("--seed", *seed);
    if (!s) return s.error;
    c.spec.seed = *s;
  }
  if (std::string error = CheckRunSpec(c.spec); !error.empty()) return error;
  return outputs_->Read(c);
}

ParseOutcome ParseCommandLine(const std::vector<std::string>& args) {
  CLI::App app{"Runs a Quorvan world headless and writes what happened.", "quorvan-batch"};
  SetUpApp(app);
  const RunOptions options(app);
  ParseOutcome out;
  out.exitCode = ParseArgs(app, args, out.output);
  if (out.exitCode >= 0) {
    if (out.exitCode != 0) out.output = "quorvan-batch: " + out.output + "\nRun with --help for the options.\n";
    return out;
  }
  RunCommand command;
  if (std::string error = options.Read(command); !error.empty()) {
    out.exitCode = 2;
    out.output = "quorvan-batch: " + error + "\n";
    return out;
  }
  out.exitCode = 0;
  out.command = std::move(command);
  return out;
}

}  // namespace quorvan::batch
