#include "single_run.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "batch_picture.h"
#include "batch_run.h"
#include "output_file.h"
#include "world_file.h"

namespace quorvan::batch {

namespace {

int Fail(const std::string& message, int code) {
  std::fprintf(stderr, "quorvan-batch: %s\n", message.c_str());
  return code;
}

}  // namespace

int RunSingle(const RunCommand& options, Simulation& sim) {
  // Every output is made under a temporary name first, so that a bad path
  // fails before any work, and renamed over its target only once the whole
  // run has succeeded: a failure leaves every existing file as it was.
  std::string error;
  OutputFile csvFile;
  OutputFile jsonFile;
  OutputFile pngFile;
  const bool csvToStdout = options.csvPath == "-";
  const bool jsonToStdout = options.jsonPath == "-";
  if (!options.csvPath.empty() && !csvToStdout && !csvFile.Open(options.csvPath, error)) return Fail(error, 2);
  if (!options.jsonPath.empty() && !jsonToStdout && !jsonFile.Open(options.jsonPath, error)) return Fail(error, 2);
  if (!options.pngPath.empty() && !pngFile.Open(options.pngPath, error)) return Fail(error, 2);
  RunRecorder recorder;
  if (!recorder.Open(options.recording, error)) return Fail(error, 2);

  std::unique_ptr<CsvWriter> csv;
  if (csvToStdout) {
    csv = std::make_unique<CsvWriter>(stdout);
  } else if (csvFile.File()) {
    csv = std::make_unique<CsvWriter>(csvFile.File());
  }
  RunSummary summary;
  // The chart is kept only for a world that is saved: the opened world's
  // points and one more per step, as the window's chart holds them.
  std::vector<ChartPoint> chart;
  std::vector<ChartPoint>* const keptChart = options.saveWorldPath.empty() ? nullptr : &chart;
  if (error = RunWorld(options.spec, sim, csv.get(), summary, keptChart, recorder.Active() ? &recorder : nullptr);
      !error.empty()) {
    return Fail(error, 2);
  }
  if (csv && !csv->Finish()) {
    if (!csvToStdout && !csvFile.Finish(error)) return Fail(error, 2);  // with the reason
    return Fail("cannot write '" + options.csvPath + "'", 2);
  }

  const std::string json = SummaryJson(options.spec, sim, summary);
  if (jsonToStdout) {
    if (std::fputs(json.c_str(), stdout) < 0 || std::fflush(stdout) != 0) return Fail("cannot write the JSON summary", 2);
  } else if (jsonFile.File() && !jsonFile.Write(json)) {
    return Fail(jsonFile.Finish(error) ? "cannot write '" + options.jsonPath + "'" : error, 2);
  }
  if (pngFile.File()) {
    std::string warning;
    if (error = WritePicture(sim, pngFile.WritePath(), &warning); !error.empty()) {
      const std::size_t at = error.find(pngFile.WritePath());  // said of the file as the user named it
      return Fail(at == std::string::npos ? error : error.replace(at, pngFile.WritePath().size(), options.pngPath), 2);
    }
    if (!warning.empty()) std::fprintf(stderr, "quorvan-batch: %s (no gravity lines drawn)\n", warning.c_str());
  }
  OutputFile* const files[] = {&csvFile, &jsonFile, &pngFile};
  for (OutputFile* file : files) {
    if (file->File() && !file->Finish(error)) return Fail(error, 2);
  }
  if (!recorder.Finish(sim, error)) return Fail(error, 2);
  // The world file is written under a temporary name and renamed by
  // SaveWorld itself, before the other outputs replace anything.
  if (!options.saveWorldPath.empty()) {
    if (error = SaveWorld(options.saveWorldPath, sim, chart); !error.empty()) return Fail(error, 2);
  }
  for (OutputFile* file : files) {
    if (!file->WritePath().empty() && !file->Rename(error)) return Fail(error, 2);
  }
  if (!recorder.Rename(error)) return Fail(error, 2);

  const int32_t steps = summary.stepsRun - summary.startStep;
  std::fprintf(stderr, "quorvan-batch: %d steps of %zu agents in %.3f s (%.0f steps/s), seed %llu\n", steps,
               sim.Agents.size(), summary.elapsedSeconds, summary.elapsedSeconds > 0 ? steps / summary.elapsedSeconds : 0.0,
               static_cast<unsigned long long>(summary.seed));
  return 0;
}

}  // namespace quorvan::batch
