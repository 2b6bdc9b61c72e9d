#include "run_caption.h"

#include <charconv>

#include "settings_limits.h"

namespace quorvan::batch {

namespace {

std::string Real(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

}  // namespace

std::string CaptionText(const Simulation& sim) {
  const Settings& s = sim.settings;
  std::string text = "step " + std::to_string(sim.StepCount) + " \u00b7 seed " + std::to_string(sim.Rand.Seed());
  const auto add = [&text](const std::string& item) { text += " \u00b7 " + item; };
  if (sim.Agents.size() != static_cast<std::size_t>(kInitialAgents)) add(std::to_string(sim.Agents.size()) + " agents");
  if (sim.CellSize != kInitialCellSize) add("cell size " + std::to_string(sim.CellSize));
  const int32_t mode = s.SetupMode;
  if (mode != kInitialSetupMode) {
    add(IsLandscapeMode(mode) ? std::string(kLandscapeModes[static_cast<std::size_t>(mode)].name) : "no landscape");
  }
  if (s.TrB_thresh != kInitialThreshold) add("threshold " + std::to_string(s.TrB_thresh));
  if (s.SB_wiggle != kInitialWiggle) add("wiggle " + std::to_string(s.SB_wiggle));
  const auto noise = TextToRoundedInt(s.E_noise);
  const auto modeNoise =
      TextToRoundedInt(IsLandscapeMode(mode) ? kLandscapeModes[static_cast<std::size_t>(mode)].noiseText : kInitialNoiseText);
  if (noise && modeNoise && *noise != *modeNoise) add("noise " + std::to_string(*noise));
  const auto consume = TextToDouble(s.E_CProbab);
  const auto modeConsume =
      TextToDouble(mode == kManhattanLandscape ? kManhattanConsumeText : kInitialConsumeText);
  if (consume && modeConsume && *consume != *modeConsume) add("consume " + Real(*consume));
  if (s.CB_decay) {
    const auto rate = TextToDouble(s.E_decay);
    add("decay " + (rate ? Real(*rate) : s.E_decay));
  }
  if (s.SniffMode() != kInitialSniffMode) add(s.SniffMode() == kSniffRoulette ? "roulette" : "no sniffing");
  if (s.CB_showAB != kInitialShowReturnTracks) add("footprint trail");
  return text;
}

}  // namespace quorvan::batch
