#pragma once
// The final world digest that a sweep folder recorded for one of its runs,
// which a replay of the run must reach.

#include <cstdint>
#include <optional>
#include <string>

#include "sweep_folder.h"
#include "sweep_plan.h"

namespace quorvan::batch {

/// Finds run `run`'s digest in `dir`: in digests.csv once the sweep (or the
/// merge of its shares) has finished, else in its run records. Without one
/// (a folder of an older quorvan-batch, a run not done yet) `digest` stays
/// empty and `missing` says why. Returns an error for a folder whose digests
/// or records do not read.
std::string FindRecordedDigest(const std::string& dir, const SweepPlan& plan, const FolderRecord& history, int64_t run,
                               std::optional<uint64_t>& digest, std::string& missing);

}  // namespace quorvan::batch
