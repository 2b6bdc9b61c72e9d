#pragma once
// The simulated world and the operations on it: setup, the time step,
// sensing and landscape editing. Plain C++; the display is reached only
// through the Display interface.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "Calcer.h"
#include "agenten.h"
#include "display.h"
#include "random_source.h"
#include "settings.h"

namespace quorvan {

/// One destination: its pixel point and the deliveries credited to it.
struct TDestination {
  int32_t X = 0;
  int32_t Y = 0;
  int32_t Returns = 0;
};

/// The width and height of the drawing panel the grid is laid over.
inline constexpr int32_t kPanelWidth = 404;
inline constexpr int32_t kPanelHeight = 404;

/// What a step hands back to whoever runs it.
struct StepResult {
  /// Empty when the step ran; otherwise why it did not (and nothing changed).
  std::string error;
  /// A display failure that did not stop the step (gravity-size text).
  std::string warning;
  /// The step brought StepCount to StopTime: the run stops here.
  bool stopReached = false;
  /// The step's statistics (per cent of agents; TrackMax of its scan).
  int32_t successful = 0;
  int32_t returning = 0;
  long double trackMax = 0.0L;
  /// Returning agents that reached the nest in this step.
  int32_t deliveries = 0;

  bool ok() const { return error.empty(); }
};

/// The values a step reads from its settings, converted before anything changes.
struct StepSettings {
  int32_t threshold = 0;    ///< angle threshold
  int32_t wiggle = 0;       ///< wiggle threshold
  int32_t returnNoise = 0;  ///< the return noise, rounded
  double consume = 0.0;     ///< consume probability
  int32_t sniffMode = kNoSniffMode;
  bool decay = false;
  double decayRate = 1.0;   ///< read only while decay is on
};

/// What the mouse is editing when EditCellAt is called.
enum class EditAction {
  None,         ///< nothing
  Obstacles,    ///< a 3 x 3 obstacle block
  Free,         ///< free one cell
  Destination,  ///< one cell of destination EditDest
};

class Simulation {
 public:
  explicit Simulation(Display* display = nullptr);

  // ---- the world: what a setup builds and ClearWorld releases ----
  std::vector<TAgent> Agents;
  TCellList Cells;
  TLimbo Limbo;
  std::vector<TDestination> Destinations;

  // ---- world variables ----
  int32_t ColCount = 0;
  int32_t RowCount = 0;
  int32_t CellSize = 0;
  int32_t HalfCell = 0;
  int32_t StepCount = 0;
  int32_t StopTime = 0;
  long double TrackMax = 0.0L;
  long double TrackMin = 0.0L;

  /// The settings, as the controls hold them.
  Settings settings;
  /// The random source of every draw.
  RandomSource Rand;

  void SetDisplay(Display* display);

  /// True between a successful setup and ClearWorld.
  bool HasWorld() const { return !Cells.Empty(); }

  // ---- setup (world_setup.cpp, landscape.cpp) ----
  /// Builds a new world from the settings. Every input is converted and
  /// checked, and the new world's memory allocated, before the old world
  /// is released: on a failure the message comes back and the old world
  /// stays whole.
  std::string SetupWorld();
  /// Releases the world: agents, layers, cells. Destinations stay.
  void ClearWorld();
  void CreateCells();
  void ResetCells();
  void ComputeHomeScent();
  void CreateAgents(int32_t count);
  void PlaceAgents();
  void BuildLandscape();
  void PlaceNest();

  // ---- the time step (time_step.cpp) ----
  /// One time step. The step's settings are converted first: a text that
  /// does not convert is reported and the world stays exactly as it was.
  StepResult DoStep();
  /// TrackMax and TrackMin over the shown trail of every cell.
  void ScanTrackRange();
  /// What ScanTrackRange sets, {TrackMax, TrackMin}, leaving both as they are.
  std::pair<long double, long double> ShownTrackRange() const;
  /// Senses, turns and moves every agent once, with the step's settings;
  /// returns the deliveries made.
  int32_t MoveAgents(const StepSettings& step);
  /// Both trails of every cell times the rate.
  void DecayTracks(double rate);
  /// Percentages of successful and returning agents among the agents in the world.
  void UpdateStatistics(int32_t& successful, int32_t& returning) const;

  // ---- sensing (sensing.cpp) ----
  /// Fills the agent's Directions, Chances and ScentSum from its cone.
  void SenseNeighbourhood(std::size_t index, int32_t threshold);

  // ---- landscape editing (landscape_edit.cpp) ----
  /// Appends a destination at the pixel point; returns its index.
  int32_t AddDestination(int32_t x, int32_t y);
  /// Edits the cell(s) at the pixel point; `destIndex` is used by
  /// EditAction::Destination. A point whose cell lies outside the grid
  /// edits nothing; the obstacle block of a point inside wraps.
  void EditCellAt(int32_t x, int32_t y, EditAction action, int32_t destIndex);

  // ---- helpers shared by the files above ----
  /// Column or row index nearest to a pixel coordinate: Round(p / CellSize).
  int32_t CellIndexOf(int32_t pixel) const;
  /// The nest centre cell: Round(ColCount / 2), Round(RowCount / 2).
  int32_t NestColumn() const;
  int32_t NestRow() const;

 private:
  /// The landscape of SetupMode, drawing from the stream BuildLandscape chose.
  void BuildLandscapeFromStream();
  void AppendDestinationForCell(int32_t column, int32_t row);
  void StampBlock(int32_t column, int32_t row, int32_t halfWidth, int32_t kind, bool setIndex,
                  int32_t destIndex);
  void RandomBlocks(int32_t count, int32_t halfWidth);

  Display* display_;
};

/// A 64-bit digest of a world's state: agents, trails, kinds, destinations
/// and the step counter. Two runs that agree on every value agree on it.
uint64_t WorldDigest(const Simulation& sim);

}  // namespace quorvan
