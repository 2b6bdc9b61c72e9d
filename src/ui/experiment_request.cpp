#include "experiment_request.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "batch_command.h"
#include "experiment_file.h"
#include "run_spec.h"

namespace quorvan {

namespace {

// A TOML basic string.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
      out += buf;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Join(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : ",") + item;
  return out;
}

}  // namespace

std::string ExperimentRequest::Setting(const std::string& key) const {
  for (const auto& [k, text] : settings) {
    if (k == key) return text;
  }
  return {};
}

void ExperimentRequest::SetSetting(const std::string& key, const std::string& text) {
  for (auto& [k, t] : settings) {
    if (k == key) {
      t = text;
      return;
    }
  }
  settings.emplace_back(key, text);
}

std::vector<std::string> ExperimentSettingKeys() {
  std::vector<std::string> keys;
  for (const batch::RunKey& key : batch::RunKeys()) {
    const std::string name = key.name;
    if (key.sweepable && name != "world" && name != "steps" && name != "for") keys.push_back(name);
  }
  return keys;
}

bool NeedsNewWorld(const std::string& key) {
  return key == "agents" || key == "cell-size" || key == "mode" || key == "landscape-seed";
}

int DefaultJobs() { return static_cast<int>(std::max(2u, std::thread::hardware_concurrency()) - 1); }

namespace {

// The request's values by key, in one order for the arguments and the file.
std::vector<std::pair<std::string, std::string>> Values(const ExperimentRequest& r, const std::string& world) {
  std::vector<std::pair<std::string, std::string>> values;
  const bool newWorld = r.base == ExperimentRequest::Base::NewSetup;
  if (!newWorld) values.emplace_back("world", r.base == ExperimentRequest::Base::WorldFile ? r.worldFile : world);
  for (const std::string& key : ExperimentSettingKeys()) {
    const std::string text = r.Setting(key);
    if (!text.empty() && (newWorld || !NeedsNewWorld(key))) values.emplace_back(key, text);
  }
  if (!r.steps.empty()) values.emplace_back("steps", r.steps);
  return values;
}

}  // namespace

std::vector<std::string> SweepArgs(const ExperimentRequest& r, const std::string& world) {
  std::vector<std::string> args;
  for (const auto& [key, text] : Values(r, world)) {
    args.push_back("--" + key);
    args.push_back(text);
  }
  args.insert(args.end(), {"--replicates", std::to_string(r.replicates)});
  if (!r.seed.empty()) args.insert(args.end(), {"--seed", r.seed});
  args.insert(args.end(), {"--jobs", std::to_string(r.jobs), "--out", r.outDir, "--plot", r.plot ? "on" : "none"});
  if (r.series) args.emplace_back("--series");
  args.emplace_back("--quiet");
  return args;
}

std::string ExperimentToml(const ExperimentRequest& r, const std::string& world) {
  std::string toml = "# A Quorvan sweep: quorvan-batch --experiment FILE runs it (the command line's options win).\n";
  for (const auto& [key, text] : Values(r, world)) {
    const std::string name = key.find('-') == std::string::npos ? key : Quoted(key);
    toml += name + " = " + Quoted(text) + "\n";
  }
  toml += "replicates = " + std::to_string(r.replicates) + "\n";
  if (!r.seed.empty()) toml += "seed = " + Quoted(r.seed) + "\n";
  toml += "series = " + std::string(r.series ? "true" : "false") + "\n";
  toml += "plot = " + Quoted(r.plot ? "on" : "none") + "\n";
  if (!r.outDir.empty()) toml += "out = " + Quoted(r.outDir) + "\n";
  return toml;
}

batch::SweepParse ParseRequest(const ExperimentRequest& r, const std::string& world) {
  return batch::ParseSweepCommandLine(SweepArgs(r, world));
}

std::string ReadRequestFile(const std::string& path, ExperimentRequest& request) {
  std::vector<batch::ExperimentValue> values;
  if (std::string error = batch::ReadExperimentFile(path, values); !error.empty()) return error;
  ExperimentRequest r = request;
  r.settings.clear();
  r.base = ExperimentRequest::Base::NewSetup;
  r.steps.clear();
  r.seed.clear();
  r.series = false;
  r.plot = true;
  r.replicates = 1;
  for (const batch::ExperimentValue& v : values) {
    // An array's items make a list, as they would on the command line.
    const std::string text = v.expand ? v.items.front() : Join(v.items);
    if (v.key == "world") {
      if (v.items.size() != 1) return v.where + ": the dialog starts every run from one world";
      r.base = ExperimentRequest::Base::WorldFile;
      r.worldFile = text;
    } else if (v.key == "steps") {
      r.steps = text;
    } else if (v.key == "replicates") {
      const auto n = batch::ParseWhole(v.where, text, 1, 10'000'000);
      if (!n) return n.error;
      r.replicates = static_cast<int>(*n);
    } else if (v.key == "jobs") {
      const auto n = batch::ParseWhole(v.where, text, 1, 1024);
      if (!n) return n.error;
      r.jobs = static_cast<int>(*n);
    } else if (v.key == "seed") {
      r.seed = text;
    } else if (v.key == "series") {
      r.series = text == "true";
    } else if (v.key == "plot") {
      r.plot = text != "none";
    } else if (v.key == "out") {
      r.outDir = text;
    } else if (v.key == "quiet") {
    } else if (v.key == "for" || v.key == "shard") {
      return v.where + ": the dialog does not take '" + v.key + "'; run this file with quorvan-batch";
    } else {
      r.SetSetting(v.key, text);
    }
  }
  request = std::move(r);
  return {};
}

}  // namespace quorvan
