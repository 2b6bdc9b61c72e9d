#pragma once
// The picture of the world at a step, for movies and frame files: what
// "repaint all" would show, made without changing the world.

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "simulation.h"

namespace quorvan {

/// RenderPanel(sim, gravity, agents) with the world left exactly as it was:
/// the trail range (TrackMax, TrackMin), the range handed to the cells and
/// each cell's painting state (Grey, LastPainted) are put back afterwards,
/// so that recording a run never changes it (nor its digest, nor what a
/// window paints next). Equal, pixel for pixel, to the panel a --png of the
/// run stopped at this step writes.
QImage FramePicture(Simulation& sim, bool gravity, bool agents, std::string* warning = nullptr);

/// The colours the panel is painted in (0xRRGGBB), besides greys: those a
/// movie's palette must hold exactly.
std::vector<uint32_t> PanelColours();

}  // namespace quorvan
