#include "batch_picture.h"

#include "panel_image.h"

namespace quorvan::batch {

std::string WritePicture(Simulation& sim, const std::string& path, std::string* warning) {
  const QImage picture = RenderPanel(sim, sim.settings.CB_gravity, sim.settings.CB_showAg, warning);
  std::string error;
  if (!SavePng(picture, path, error)) return error;
  return {};
}

}  // namespace quorvan::batch
