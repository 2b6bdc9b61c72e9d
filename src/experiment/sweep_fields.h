#pragma once
// The field histories of a sweep's runs, DIR/fields/run-NNNNNN.h5, when
// its plan asks for them: a merge gathers the shares' into its folder.

#include <string>
#include <vector>

#include "sweep_plan.h"

namespace quorvan::batch {

/// Puts every run's field history of the shares (`shards`, with their
/// `plans`) into outDir/fields/: linked where the file system allows it,
/// else copied, each under a temporary name first. An error names the
/// missing or unwritable file.
std::string GatherFields(const std::vector<std::string>& shards, const std::vector<SweepPlan>& plans,
                         const std::string& outDir);

}  // namespace quorvan::batch
