#pragma once
// A single run with its outputs: the CSV, the JSON summary, the picture, the
// saved world and the recordings, each made under a temporary name and put
// in place only once the whole run has succeeded.

#include "run_command.h"
#include "simulation.h"

namespace quorvan::batch {

/// Runs `command` in `sim` and writes its outputs. Returns the exit status:
/// 0, or 2 with the message on stderr (every existing file then stays as it
/// was). `sim` holds the world as the run left it.
int RunSingle(const RunCommand& command, Simulation& sim);

}  // namespace quorvan::batch
