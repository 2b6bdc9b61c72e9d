#include "replay_main.h"

#include <cstdio>

#include "run_records.h"
#include "single_run.h"

namespace quorvan::batch {

int RunReplay(const ReplayCommand& cmd) {
  Simulation sim;
  if (const int code = RunSingle(cmd.command, sim); code != 0) return code;
  const std::string digest = Hex(quorvan::WorldDigest(sim));
  const std::string which = "run " + std::to_string(cmd.run) + " of '" + cmd.dir + "'";
  if (!cmd.recordedDigest) {
    std::fprintf(stderr, "quorvan-batch: %s replayed; %s, so its final world was not compared\n", which.c_str(),
                 cmd.unchecked.c_str());
    return 0;
  }
  if (Hex(*cmd.recordedDigest) != digest) {
    std::fprintf(stderr,
                 "quorvan-batch: the replay of %s is not exact: its final world digest is %s, the sweep recorded "
                 "%s (the outputs show the replay)\n",
                 which.c_str(), digest.c_str(), Hex(*cmd.recordedDigest).c_str());
    return 1;
  }
  std::fprintf(stderr, "quorvan-batch: %s replayed exactly (final world digest %s)\n", which.c_str(), digest.c_str());
  return 0;
}

}  // namespace quorvan::batch
