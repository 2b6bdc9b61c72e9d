#pragma once
// The two commands of quorvan-batch beyond a single run: a sweep, and the
// merge of a sweep's shares. Each returns the program's exit status.

#include <string>
#include <vector>

#include "sweep_command.h"

namespace quorvan::batch {

/// Runs a sweep (or resumes one): 0 when complete, 2 on bad input (nothing
/// written), 1 when a run failed, 128 + the signal when stopped.
int RunSweep(const SweepCommand& command);

/// `merge --out DIR SHARD_DIR...`: joins the shares into one sweep folder.
int RunMerge(const MergeCommand& command);

/// The same from the command's arguments, parsed by ParseBatchCommandLine
/// (for tests and scripts; a bad argument gives 2 with its message).
int RunSweep(const std::vector<std::string>& args);
int RunMerge(const std::vector<std::string>& mergeArgs);

}  // namespace quorvan::batch
