#pragma once

#include <string>

#include "simulation.h"

namespace quorvan::batch {

/// Writes the panel as "repaint all" would show it now, as a PNG: the track
/// layer (with gravity lines while they are on) under the agent layer.
/// Returns an error text, empty on success. A gravity size that does not
/// convert skips only the lines; its message lands in `warning`.
std::string WritePicture(Simulation& sim, const std::string& path, std::string* warning = nullptr);

}  // namespace quorvan::batch
