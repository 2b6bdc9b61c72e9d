#include "sweep_runner.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>

#include "batch_run.h"
#include "run_records.h"
#include "run_recorder.h"
#include "sweep_tables.h"
#include "temporary_files.h"

namespace quorvan::batch {

namespace {

std::atomic<int> gStopSignal{0};

extern "C" void OnStopSignal(int signal) {
  gStopSignal.store(signal);
  std::signal(signal, RemoveTemporaryFilesAndDie);  // a second one ends the program
}

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

void InstallStopSignals() {
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);
  std::signal(SIGHUP, OnStopSignal);
}

int StopSignal() { return gStopSignal.load(); }
void RequestStop(int signal) { gStopSignal.store(signal); }
void ClearStop() { gStopSignal.store(0); }

std::string RunOne(const SweepPlan& plan, const RunSpec& pointSpec, int64_t run, const std::string& identity,
                   RecordWriter& records, Simulation& sim, double& stepSeconds, const std::string& fieldsFolder) {
  const RunSpec spec = RunSpecOf(plan, pointSpec, run);
  const std::string name = "run " + std::to_string(run) + ": ";

  // The run's field history, put in place before its record: a run counts
  // as done only with its file.
  RunRecorder fields;
  if (plan.fieldsEvery && !fieldsFolder.empty()) {
    RecordingOptions options;
    options.fieldsPath = fieldsFolder + "/" + FieldsFileName(run);
    options.fieldsEvery = *plan.fieldsEvery;
    if (std::string error; !fields.Open(options, error)) return name + error;
  }

  RunOutcome outcome;
  outcome.seed = *spec.seed;
  outcome.landscapeSeed = spec.landscapeSeed;
  thread_local std::string steps;
  steps.clear();
  RunSummary summary;
  const std::string error = RunWorldSteps(
      spec, sim,
      [&](int32_t step, const StepResult& r) {
        outcome.stats.Step(step, r);
        AppendSeriesRow(steps, run, step, r);
        if (fields.Active()) fields.AfterStep(sim, r.stopReached || sim.StepCount >= sim.StopTime);
      },
      summary);
  if (!error.empty()) return name + error;
  stepSeconds = summary.elapsedSeconds;
  if (std::string failure; !fields.Finish(sim, failure) || !fields.Rename(failure)) return name + failure;

  outcome.stepsRun = summary.stepsRun;
  outcome.successful = summary.successful;
  outcome.returning = summary.returning;
  outcome.trackMax = summary.trackMax;
  outcome.destinations = sim.Destinations;
  return records.Append(run, identity, RunRow(plan, run, outcome), steps, quorvan::WorldDigest(sim));
}

PoolReport RunPool(const SweepPlan& plan, const std::vector<RunSpec>& points, const std::vector<int64_t>& pending,
                   const RecordPlace& place, int jobs, const ProgressCallback& progress) {
  PoolReport report;
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t next = 0;  // the next index into pending
  int running = 0;
  std::string current;

  const auto worker = [&](int index) {
    Simulation sim;
    RecordWriter records;
    bool opened = false;
    const auto fail = [&](const std::string& error) {
      std::lock_guard lock(mutex);
      if (report.error.empty()) report.error = error;
    };
    for (;;) {
      int64_t run = 0;
      {
        std::lock_guard lock(mutex);
        if (next >= pending.size() || !report.error.empty() || StopSignal() != 0) break;
        run = pending[next++];
        current = plan.PointLabel(plan.PointOf(run)) + " #" + std::to_string(plan.ReplicateOf(run));
      }
      const auto start = std::chrono::steady_clock::now();
      double stepSeconds = 0.0;
      std::string error;
      if (!opened) {  // no file for a worker that gets no run
        error = records.Open(RecordFilePath(place.partsFolder, place.session, index));
        opened = error.empty();
      }
      if (error.empty()) {
        error = RunOne(plan, points[static_cast<std::size_t>(plan.PointOf(run))], run, place.identity, records, sim,
                       stepSeconds, place.fieldsFolder);
      }
      std::lock_guard lock(mutex);
      if (error.empty()) {
        ++report.done;
        report.stepSeconds += stepSeconds;
        report.runSeconds += Since(start);
      } else if (report.error.empty()) {
        report.error = error;
      }
      changed.notify_all();
    }
    // Until closed, the last runs may not be on disk: they count as done
    // only once it succeeds.
    if (std::string error = records.Close(); !error.empty()) fail(error);
    std::lock_guard lock(mutex);
    --running;
    changed.notify_all();
  };

  const int threads = std::max(1, std::min<int>(jobs, static_cast<int>(pending.size())));
  std::vector<std::thread> pool;
  running = threads;
  for (int i = 0; i < threads; ++i) pool.emplace_back(worker, i + 1);
  {
    std::unique_lock lock(mutex);
    while (running > 0) {
      changed.wait_for(lock, std::chrono::milliseconds(200));
      if (progress) {
        const int64_t done = report.done;
        const std::string label = current;
        lock.unlock();
        progress(done, label);
        lock.lock();
      }
    }
  }
  for (std::thread& t : pool) t.join();
  report.stopSignal = StopSignal();
  return report;
}

}  // namespace quorvan::batch
