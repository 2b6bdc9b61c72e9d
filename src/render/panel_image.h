#pragma once
// Pictures of the whole panel, for the "repaint all" button and for the
// batch runner's --png.

#include <QImage>
#include <string>

#include "layer_painter.h"
#include "simulation.h"

namespace quorvan {

/// "repaint all": scans the trail range; wipes the agent layer and draws
/// the agents when `showAgents`; blanks the track layer under "no tracks",
/// else repaints every cell; then the gravity lines when `gravity`.
/// Returns the message of a gravity-size text that is not a number (only
/// the lines are skipped), or empty.
std::string RepaintAll(Simulation& sim, LayerPainter& painter, bool showAgents, bool gravity);

/// The panel as "repaint all" shows it, painted on new layers of the
/// panel's size: the track layer, gravity lines on it when `gravity`, the
/// agents over it when `agents`. The world's trail range and the cells'
/// painting state are updated as a repaint updates them; the simulation's
/// own display is not touched. A gravity-size message lands in `warning`
/// (when given) and the picture comes without lines.
QImage RenderPanel(Simulation& sim, bool gravity, bool agents, std::string* warning = nullptr);

/// Writes `image` as a PNG file. On failure returns false with the reason
/// in `error`.
bool SavePng(const QImage& image, const std::string& path, std::string& error);

}  // namespace quorvan
