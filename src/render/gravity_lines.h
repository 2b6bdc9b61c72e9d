#pragma once
// The gravity lines: from every busy destination to the nest centre, as
// wide as the destination's share of the deliveries per step times the
// size factor of E_grav.

#include <cstdint>
#include <optional>
#include <string>

#include "canvas.h"

namespace quorvan {

class Simulation;

/// The pen width of a destination's line: Round(returns / stepCount * g)
/// (real division first, half to even). Nothing when the width cannot be
/// had, and the pen then keeps the width it has, as with a negative width:
/// - stepCount 0 (no division by zero);
/// - a product that is not a number.
/// A width beyond 32 bits saturates (an enormous pen covers the layer
/// either way); a negative one is returned, and the canvas ignores it.
std::optional<int32_t> GravityLineWidth(int32_t returns, int32_t stepCount, double g);

/// Draws the lines of every destination with Returns > 1 on `canvas`.
/// The size text E_grav is converted first: when it is not a number its
/// message comes back and nothing is drawn. Empty text on success.
std::string DrawGravityLines(const Simulation& sim, Canvas& canvas);

}  // namespace quorvan
