// quorvan-batch: runs a world headless, for experiments and measurement.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "batch_options.h"
#include "batch_picture.h"
#include "batch_run.h"
#include "world_file.h"

using namespace quorvan;
using namespace quorvan::batch;

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Output files, opened before the run so that a bad path fails before any
// work; on failure, whatever was created is removed again.
class Outputs {
 public:
  ~Outputs() {
    if (!keep_) {
      files_.clear();
      for (const auto& p : created_) std::filesystem::remove(p);
    }
  }
  std::FILE* Open(const std::string& path, std::string& error) {
    File f(std::fopen(path.c_str(), "wb"));
    if (!f) {
      error = "cannot write '" + path + "'";
      return nullptr;
    }
    created_.push_back(path);
    files_.push_back(std::move(f));
    return files_.back().get();
  }
  void Keep() { keep_ = true; }

 private:
  std::vector<File> files_;
  std::vector<std::string> created_;
  bool keep_ = false;
};

uint64_t ClockSeed() {
  const auto now = std::chrono::system_clock::now().time_since_epoch().count();
  std::seed_seq seq{static_cast<uint32_t>(now), static_cast<uint32_t>(static_cast<uint64_t>(now) >> 32)};
  uint32_t words[2];
  seq.generate(words, words + 2);
  return (static_cast<uint64_t>(words[0]) << 32) | words[1];
}

int Fail(const std::string& message, int code) {
  std::fprintf(stderr, "quorvan-batch: %s\n", message.c_str());
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  const ParseOutcome parsed = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.options) {
    std::fputs(parsed.output.c_str(), parsed.exitCode == 0 ? stdout : stderr);
    return parsed.exitCode;
  }
  const BatchOptions& options = *parsed.options;

  Outputs outputs;
  std::string error;
  std::FILE* csvFile = nullptr;
  std::FILE* jsonFile = nullptr;
  if (!options.csvPath.empty() && !(csvFile = outputs.Open(options.csvPath, error))) return Fail(error, 2);
  if (!options.jsonPath.empty() && options.jsonPath != "-" && !(jsonFile = outputs.Open(options.jsonPath, error))) {
    return Fail(error, 2);
  }
  if (!options.pngPath.empty() && !outputs.Open(options.pngPath, error)) return Fail(error, 2);

  const uint64_t seed = options.seed.value_or(ClockSeed());
  Simulation sim;
  std::unique_ptr<CsvWriter> csv = csvFile ? std::make_unique<CsvWriter>(csvFile) : nullptr;
  RunSummary summary;
  if (error = RunWorld(options, seed, sim, csv.get(), summary); !error.empty()) return Fail(error, 2);
  if (csv && !csv->Finish()) return Fail("cannot write '" + options.csvPath + "'", 1);

  const std::string json = SummaryJson(options, sim, summary);
  if (options.jsonPath == "-") {
    std::fputs(json.c_str(), stdout);
  } else if (jsonFile) {
    if (std::fputs(json.c_str(), jsonFile) < 0 || std::fflush(jsonFile) != 0) {
      return Fail("cannot write '" + options.jsonPath + "'", 1);
    }
  }
  if (!options.pngPath.empty()) {
    std::string warning;
    if (error = WritePicture(sim, options.pngPath, &warning); !error.empty()) return Fail(error, 1);
    if (!warning.empty()) std::fprintf(stderr, "quorvan-batch: %s (no gravity lines drawn)\n", warning.c_str());
  }
  if (!options.saveWorldPath.empty()) {
    if (error = SaveWorld(options.saveWorldPath, sim, {}); !error.empty()) return Fail(error, 1);
  }
  outputs.Keep();

  std::fprintf(stderr, "quorvan-batch: %d steps of %zu agents in %.3f s (%.0f steps/s), seed %llu\n",
               summary.stepsRun, sim.Agents.size(), summary.elapsedSeconds,
               summary.elapsedSeconds > 0 ? summary.stepsRun / summary.elapsedSeconds : 0.0,
               static_cast<unsigned long long>(seed));
  return 0;
}
