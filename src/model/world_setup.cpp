// Building a world from the settings, and releasing it.

#include <new>
#include <unistd.h>

#include "numerics.h"
#include "simulation.h"

namespace quorvan {

namespace {

constexpr int32_t kAgentRadius = 2;

// The agents of one world may take at most half of the machine's memory;
// a count beyond that is refused up front instead of exhausting it.
std::size_t MaxAgents() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return static_cast<std::size_t>(1) << 26;
  const auto bytes = static_cast<unsigned long long>(pages) * static_cast<unsigned long long>(pageSize);
  return static_cast<std::size_t>(bytes / 2 / sizeof(TAgent));
}

}  // namespace

std::string Simulation::SetupWorld() {
  // Convert and check every input before anything of the old world goes.
  const auto size = TextToInt(settings.Edit_size);
  if (!size) return size.error;
  if (*size < kMinCellSize || *size > kMaxCellSize) {
    return FormatMessage("'%s' is not a cell size from " + IntToText(kMinCellSize) + " to " + IntToText(kMaxCellSize),
                         settings.Edit_size);
  }
  const auto stop = TextToInt(settings.E_stop);
  if (!stop) return stop.error;
  const auto agentCount = TextToInt(settings.Edit_anzAg);
  if (!agentCount) return agentCount.error;

  const int32_t cellSize = *size;
  const auto columns = static_cast<int32_t>(RoundEven(static_cast<double>(kPanelWidth) / cellSize));
  const auto rows = static_cast<int32_t>(RoundEven(static_cast<double>(kPanelHeight) / cellSize));
  const std::size_t count = *agentCount > 0 ? static_cast<std::size_t>(*agentCount) : 0;

  // The new world's memory, taken while the old world still stands.
  std::vector<TAgent> agents;
  TCellList cells;
  TLimbo limbo;
  try {
    if (count > MaxAgents()) throw std::bad_alloc();
    agents.reserve(count);
    cells.Resize(columns, rows);
    limbo.Resize(columns, rows);
  } catch (const std::bad_alloc&) {
    return "Not enough memory for " + IntToText(*agentCount) + " agents";
  }

  ClearWorld();

  CellSize = cellSize;
  HalfCell = static_cast<int32_t>(RoundEven(CellSize / 2.0));
  ColCount = columns;
  RowCount = rows;
  StopTime = *stop;
  display_->ShowAngleLabels(settings.TrB_thresh, settings.SB_wiggle);
  Agents = std::move(agents);
  Cells = std::move(cells);
  Limbo = std::move(limbo);
  display_->CreateLayers();
  CreateCells();
  CreateAgents(*agentCount);
  StepCount = 0;
  ComputeHomeScent();
  BuildLandscape();
  PlaceNest();
  display_->CreateChartSeries();
  return {};
}

void Simulation::ClearWorld() {
  StepCount = 0;
  Agents = {};
  display_->ReleaseLayers();
  Cells.Clear();
  Limbo.Clear();
}

void Simulation::CreateCells() {
  for (int32_t r = 0; r < RowCount; ++r) {
    for (int32_t c = 0; c < ColCount; ++c) {
      Cells(c, r) = TCell(c * CellSize + HalfCell, r * CellSize + HalfCell, HalfCell, 0);
    }
  }
  ResetCells();
}

void Simulation::ResetCells() {
  for (int32_t r = 0; r < RowCount; ++r) {
    for (int32_t c = 0; c < ColCount; ++c) {
      TCell& cell = Cells(c, r);
      cell.Grey = 255;
      Cells.Kind(c, r) = kFree;
      Cells.LastPainted(c, r) = 0.0;
      Cells.Track(c, r) = 0.0;
      Cells.ReturnTrack(c, r) = 0.0;
    }
  }
  Cells.ShownMax = 1.0L;
  ScanTrackRange();
  display_->PaintChangedCells();
}

void Simulation::ComputeHomeScent() {
  const TCell& nest = Cells(NestColumn(), NestRow());
  const int32_t nestX = nest.PositionX;
  const int32_t nestY = nest.PositionY;
  for (int32_t r = 0; r < RowCount; ++r) {
    for (int32_t c = 0; c < ColCount; ++c) {
      TCell& cell = Cells(c, r);
      cell.Distance = CellDistance(cell.PositionX, cell.PositionY, nestX, nestY);
      Cells.HomeScent(c, r) = 10 * (1000 - cell.Distance);
    }
  }
}

void Simulation::CreateAgents(int32_t count) {
  if (count > 0) Agents.resize(static_cast<std::size_t>(count));
  PlaceAgents();
}

void Simulation::PlaceAgents() {
  const auto s = static_cast<int32_t>(RoundEven(RowCount / 2.0));
  Rand.Reseed();
  for (TAgent& a : Agents) {
    a.CellX = s;
    a.CellY = s;
    a.PixelX = s * CellSize + HalfCell;
    a.PixelY = s * CellSize + HalfCell;
    a.Radius = kAgentRadius;
    a.Successful = 0;
    a.Heading = Rand.Random(360);
    a.State = kSearching;
  }
  display_->DrawAgents();
}

}  // namespace quorvan
