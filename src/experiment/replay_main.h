#pragma once
// Running `quorvan-batch replay`.

#include "replay_command.h"

namespace quorvan::batch {

/// Runs the replay with its outputs and compares its final world with the
/// digest the sweep recorded: 0 when equal (or when there is none to compare
/// with, which it says), 1 when they differ (the outputs, written, show this
/// replay), 2 when an output cannot be written (nothing is then replaced).
int RunReplay(const ReplayCommand& command);

}  // namespace quorvan::batch
