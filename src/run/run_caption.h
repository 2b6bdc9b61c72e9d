#pragma once
// The caption under a movie frame: the step, the seed and the settings
// that differ from the batch runner's defaults.

#include <string>

#include "simulation.h"

namespace quorvan::batch {

/// "step 120 · seed 42 · raster · wiggle 40 · roulette", the settings in
/// the order of the options table; a default setting is left out (noise
/// and consume are compared with the landscape's own).
std::string CaptionText(const Simulation& sim);

}  // namespace quorvan::batch
