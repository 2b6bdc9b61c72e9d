#include "analyze_command.h"

#include <cstdio>
#include <filesystem>
#include <map>

#include "design_command.h"
#include "design_results.h"
#include "sweep_command.h"

namespace quorvan::batch {

AnalyzeOptions::AnalyzeOptions(CLI::App& app) {
  analyze_ = app.add_subcommand("analyze", "Analyse a design's sweep folder again from its runs.csv");
  analyze_->add_option("dir", dir_, "The sweep's folder (a whole sweep, or the merge of its shares)")->type_name("DIR");
  analyze_->add_option("--outputs", outputs_, "Outputs analysed, numeric columns of runs.csv (default: the sweep's)")
      ->type_name("LIST");
  analyze_->add_option("--bootstrap", bootstrap_, "Bootstrap resamples of the Sobol indices' intervals")->type_name("B");
  analyze_->add_flag("--calibrate", calibrate_, "Calibrate to --target values (lhs or sobol designs)");
  analyze_->add_option("--target", targets_, "OUTPUT=VALUE, once per output (replaces the sweep's targets)")
      ->type_name("OUTPUT=VALUE")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  analyze_->add_option("--accept", accept_, "The fraction of points nearest the targets kept")->type_name("F");
  analyze_->add_option("--plot", plot_, "indices and posterior figures, or none (default: as the sweep's plan)")
      ->type_name("on|none");
  analyze_->add_flag("--quiet", quiet_, "No report on stderr");
}

bool AnalyzeOptions::Chosen() const { return analyze_->parsed(); }

std::string AnalyzeOptions::Read(AnalyzeCommand& cmd) const {
  cmd = AnalyzeCommand{};
  if (dir_.empty()) return "analyze needs the sweep's folder: analyze DIR";
  cmd.dir = dir_;
  if (std::string error = ReadPlan(dir_, cmd.plan); !error.empty()) return "analyze: " + error;
  if (!cmd.plan.design) {
    return "analyze: '" + dir_ + "' holds a grid sweep; analyze reads the sweeps of a design (--design)";
  }
  if (cmd.plan.shardCount > 1) {
    return "analyze: '" + dir_ + "' holds one share of a sweep; merge the shares and analyse the merged folder";
  }
  if (!std::filesystem::exists(dir_ + "/runs.csv")) {
    return "analyze: '" + dir_ + "' has no runs.csv yet; --resume " + dir_ + " finishes the sweep";
  }
  cmd.options = cmd.plan.design->analysis;
  cmd.plot = cmd.plan.plot;
  cmd.quiet = quiet_;
  const auto given = [this](const char* name) { return analyze_->get_option(name)->count() > 0; };
  std::map<std::string, ExperimentValue> values;
  if (given("--outputs")) {
    if (std::string error = ReadOutputs("analyze: --outputs", {outputs_}, cmd.plan, cmd.options.outputs);
        !error.empty()) {
      return error;
    }
  }
  if (given("--bootstrap")) {
    const Parsed<int64_t> b = ParseWhole("analyze: --bootstrap", bootstrap_, 1, 1'000'000);
    if (!b) return b.error;
    cmd.options.bootstrap = *b;
  }
  if (given("--calibrate") || given("--target")) {
    if (cmd.plan.design->request.kind == DesignKind::kMorris) {
      return "analyze: --calibrate samples the prior with --design lhs or sobol, not morris's trajectories";
    }
    cmd.options.calibrate = true;
  }
  if (given("--target")) {
    if (std::string error = ReadTargets("analyze: --target", targets_, cmd.plan, cmd.options); !error.empty()) {
      return error;
    }
  }
  if (cmd.options.calibrate && cmd.options.targets.empty() && cmd.options.targetSeries.empty()) {
    return "analyze: --calibrate needs --target OUTPUT=VALUE";
  }
  if (given("--accept")) {
    const Parsed<double> a = ParseAcceptFraction("analyze: --accept", accept_);
    if (!a) return a.error;
    cmd.options.accept = *a;
  }
  if (given("--plot")) {
    constexpr std::string_view names[] = {"none", "on"};
    const Parsed<std::size_t> p = ParseName("analyze: --plot", plot_, names);
    if (!p) return p.error;
    cmd.plot = *p == 1;
  }
  return {};
}

int RunAnalyze(const AnalyzeCommand& cmd) {
  std::string notes;
  if (std::string error = WriteDesignResults(cmd.plan, cmd.options, cmd.dir, cmd.plot, notes); !error.empty()) {
    std::fprintf(stderr, "quorvan-batch: analyze: %s\n", error.c_str());
    return 2;
  }
  if (!cmd.quiet) {
    std::fputs(NotesForStderr(notes).c_str(), stderr);
    std::fprintf(stderr, "quorvan-batch: analysis of '%s' written (analysis.txt says what it holds)\n", cmd.dir.c_str());
  }
  return 0;
}

}  // namespace quorvan::batch
