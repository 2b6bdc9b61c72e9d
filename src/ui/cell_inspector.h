#pragma once
// What the inspector says about the cell under the mouse and about a
// followed agent: plain texts built from the world, for the status bar and
// the follow dock.

#include <QString>
#include <cstddef>

#include "simulation.h"

namespace quorvan {

/// The cell nearest to panel pixel (x, y), as the mouse edits pick it:
/// "col C, row R | kind | trail T, return trail R | home scent H |
/// distance D", a destination adding its index and Returns. Empty when
/// there is no world or the point lies off the grid.
QString DescribeCell(const Simulation& sim, int x, int y);

/// The followed agent's fields, one "name: value" line each: state,
/// source, successful, cell, heading, and the directions and chances of
/// its last sensing. Empty when `index` names no agent.
QString DescribeAgent(const Simulation& sim, std::size_t index);

/// The agent drawn nearest to panel pixel (x, y), if one is within
/// `reach` pixels of its centre; -1 otherwise.
int AgentAt(const Simulation& sim, int x, int y, int reach);

}  // namespace quorvan
