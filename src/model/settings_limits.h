#pragma once
// The one place for the settings' initial values, their limits and the
// names of the landscape and sniff modes. The settings record, the window's
// design and the batch runner's options all take them from here.

#include <array>
#include <cstdint>
#include <string_view>

namespace quorvan {

// ---- limits ----

/// The cell edge in pixels: the cell-size box is clamped to this range.
inline constexpr int32_t kMinCellSize = 2;
inline constexpr int32_t kMaxCellSize = 10;
/// The angle scroll bars (angle and wiggle threshold), in degrees.
inline constexpr int32_t kMinAngle = 0;
inline constexpr int32_t kMaxAngle = 180;
/// The scroll bars' large change.
inline constexpr int32_t kAnglePageStep = 5;

// ---- sniff modes ----

/// What a searching agent that senses a trail follows it by.
inline constexpr int32_t kNoSniffMode = 0;  ///< neither radio button checked
inline constexpr int32_t kSniffRoulette = 1;  ///< "rulette wheel"
inline constexpr int32_t kSniffHill = 2;      ///< "hill climbing"

// ---- landscape modes (SetupMode, the item index of the landscape chooser) ----

inline constexpr int32_t kNoLandscape = -1;  ///< no item chosen: the nest alone
inline constexpr int32_t kRandomDestinations = 0;
inline constexpr int32_t kCircleDestinations = 1;
inline constexpr int32_t kRasterDestinations = 2;
inline constexpr int32_t kManhattanLandscape = 3;

/// One landscape mode: its item in the chooser, its batch runner name and
/// the return-noise text its setup writes.
struct LandscapeModeInfo {
  int32_t mode;
  std::string_view caption;
  std::string_view name;
  std::string_view noiseText;
};

/// The modes in the chooser's order: entry i is mode i.
inline constexpr std::array<LandscapeModeInfo, 4> kLandscapeModes = {{
    {kRandomDestinations, "Random Destinations", "random", "30"},
    {kCircleDestinations, "Circle Destinations", "circle", "50"},
    {kRasterDestinations, "Raster Destinations", "raster", "30"},
    {kManhattanLandscape, "Manhattan Landscape", "manhattan", "30"},
}};
static_assert(kLandscapeModes[0].mode == 0 && kLandscapeModes[1].mode == 1 && kLandscapeModes[2].mode == 2 &&
                  kLandscapeModes[3].mode == 3,
              "a mode's entry sits at its own index");

/// The consume-probability text the Manhattan landscape writes.
inline constexpr std::string_view kManhattanConsumeText = "0,05";

/// True for a mode that has an entry in kLandscapeModes.
constexpr bool IsLandscapeMode(int32_t mode) {
  return mode >= 0 && mode < static_cast<int32_t>(kLandscapeModes.size());
}

// ---- initial values of the controls ----

inline constexpr int32_t kInitialAgents = 800;
inline constexpr int32_t kInitialCellSize = 2;
inline constexpr int32_t kInitialStopTime = 10000;
inline constexpr int32_t kInitialSetupMode = kRandomDestinations;
inline constexpr int32_t kInitialThreshold = 30;
inline constexpr int32_t kInitialWiggle = 20;
inline constexpr std::string_view kInitialNoiseText = "30";
inline constexpr std::string_view kInitialDecayText = "0,95";
inline constexpr bool kInitialDecayOn = false;
inline constexpr std::string_view kInitialConsumeText = "0,35";
inline constexpr int32_t kInitialSniffMode = kSniffHill;
inline constexpr bool kInitialShowAgents = true;
inline constexpr bool kInitialShowReturnTracks = true;
inline constexpr bool kInitialNoTracks = false;
inline constexpr bool kInitialGravity = false;
inline constexpr std::string_view kInitialGravityText = "5";

static_assert(kInitialCellSize >= kMinCellSize && kInitialCellSize <= kMaxCellSize);
static_assert(kInitialThreshold >= kMinAngle && kInitialThreshold <= kMaxAngle && kInitialWiggle >= kMinAngle &&
              kInitialWiggle <= kMaxAngle);

}  // namespace quorvan
