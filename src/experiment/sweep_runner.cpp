#include "sweep_runner.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>

#include "batch_run.h"
#include "output_file.h"
#include "sweep_tables.h"

namespace quorvan::batch {

namespace {

std::atomic<int> gStopSignal{0};

extern "C" void OnStopSignal(int signal) {
  gStopSignal.store(signal);
  std::signal(signal, SIG_DFL);  // a second one ends the program
}

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool WriteText(OutputFile& file, const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), file.File()) == text.size();
}

}  // namespace

void InstallStopSignals() {
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);
}

int StopSignal() { return gStopSignal.load(); }
void RequestStop(int signal) { gStopSignal.store(signal); }
void ClearStop() { gStopSignal.store(0); }

std::string RunOne(const SweepPlan& plan, const RunSpec& pointSpec, int64_t run,
                   const std::string& partsFolder, Simulation& sim, double& stepSeconds) {
  const RunSpec spec = RunSpecOf(plan, pointSpec, run);

  std::string error;
  OutputFile steps;
  if (!steps.Open(StepsPartPath(partsFolder, run), error)) return error;
  RunOutcome outcome;
  outcome.seed = *spec.seed;
  outcome.landscapeSeed = spec.landscapeSeed;
  std::string buffer;
  bool written = true;
  RunSummary summary;
  error = RunWorldSteps(
      spec, sim,
      [&](int32_t step, const StepResult& r) {
        outcome.stats.Step(step, r);
        AppendSeriesRow(buffer, run, step, r);
        if (buffer.size() > (1u << 16)) {
          written = WriteText(steps, buffer) && written;
          buffer.clear();
        }
      },
      summary);
  if (!error.empty()) return "run " + std::to_string(run) + ": " + error;
  stepSeconds = summary.elapsedSeconds;
  if (!WriteText(steps, buffer) || !written) return "cannot write '" + StepsPartPath(partsFolder, run) + "'";
  if (!steps.Finish(error) || !steps.Rename(error)) return error;

  outcome.stepsRun = summary.stepsRun;
  outcome.successful = summary.successful;
  outcome.returning = summary.returning;
  outcome.trackMax = summary.trackMax;
  outcome.destinations = sim.Destinations;
  OutputFile row;
  if (!row.Open(RowPartPath(partsFolder, run), error)) return error;
  if (!WriteText(row, RunRow(plan, run, outcome))) return "cannot write '" + RowPartPath(partsFolder, run) + "'";
  if (!row.Finish(error) || !row.Rename(error)) return error;
  return {};
}

PoolReport RunPool(const SweepPlan& plan, const std::vector<RunSpec>& points, const std::vector<int64_t>& pending,
                   const std::string& partsFolder, int jobs, const ProgressCallback& progress) {
  PoolReport report;
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t next = 0;  // the next index into pending
  int running = 0;
  std::string current;

  const auto worker = [&] {
    Simulation sim;
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
      const std::string error =
          RunOne(plan, points[static_cast<std::size_t>(plan.PointOf(run))], run, partsFolder, sim, stepSeconds);
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
    std::lock_guard lock(mutex);
    --running;
    changed.notify_all();
  };

  const int threads = std::max(1, std::min<int>(jobs, static_cast<int>(pending.size())));
  std::vector<std::thread> pool;
  running = threads;
  for (int i = 0; i < threads; ++i) pool.emplace_back(worker);
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
