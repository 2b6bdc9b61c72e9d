// The four landscape modes and the nest.

#include "numerics.h"
#include "simulation.h"

namespace quorvan {

namespace {
constexpr int32_t kCircleRadius = 180;  // pixels from the nest centre

std::string NoiseTextOf(int32_t mode) {
  return std::string(kLandscapeModes[static_cast<std::size_t>(mode)].noiseText);
}
}

void Simulation::AppendDestinationForCell(int32_t column, int32_t row) {
  Destinations.push_back({column * CellSize + HalfCell, row * CellSize + HalfCell, 0});
}

void Simulation::StampBlock(int32_t column, int32_t row, int32_t halfWidth, int32_t kind, bool setIndex,
                            int32_t destIndex) {
  for (int32_t dy = -halfWidth; dy <= halfWidth; ++dy) {
    for (int32_t dx = -halfWidth; dx <= halfWidth; ++dx) {
      int32_t c = column + dx;
      int32_t r = row + dy;
      WrapCell(c, r, ColCount, RowCount);
      Cells.Kind(c, r) = kind;
      if (setIndex) Cells(c, r).DestIndex = destIndex;
      display_->PaintCell(c, r);
    }
  }
}

void Simulation::RandomBlocks(int32_t count, int32_t halfWidth) {
  for (int32_t i = 0; i < count; ++i) {
    // The column is drawn before the row.
    const int32_t c = Rand.Random(ColCount);
    const int32_t r = Rand.Random(RowCount);
    AppendDestinationForCell(c, r);
    StampBlock(c, r, halfWidth, kDestination, true, i);
  }
}

void Simulation::BuildLandscape() {
  Rand.BeginLandscape();
  BuildLandscapeFromStream();
  Rand.EndLandscape();
}

void Simulation::BuildLandscapeFromStream() {
  Destinations.clear();

  switch (settings.SetupMode) {
    case kRandomDestinations:
      settings.E_noise = NoiseTextOf(kRandomDestinations);
      display_->SettingTextsChanged();
      RandomBlocks(10, 1);
      break;

    case kCircleDestinations: {
      ComputeHomeScent();
      settings.E_noise = NoiseTextOf(kCircleDestinations);
      display_->SettingTextsChanged();
      int32_t n = 0;
      for (int32_t r = 0; r < RowCount; ++r) {
        for (int32_t c = 0; c < ColCount; ++c) {
          TCell& cell = Cells(c, r);
          if (cell.Distance > kCircleRadius) {
            Cells.Kind(c, r) = kDestination;
            cell.DestIndex = n;
            AppendDestinationForCell(c, r);
            display_->PaintCell(c, r);
            ++n;
          }
        }
      }
      break;
    }

    case kRasterDestinations: {
      settings.E_noise = NoiseTextOf(kRasterDestinations);
      display_->SettingTextsChanged();
      const double colStep = ColCount / 5.0;
      const double rowStep = RowCount / 5.0;
      int32_t n = 0;
      for (int32_t i = 0; i < 5; ++i) {
        for (int32_t j = 0; j < 5; ++j) {
          const auto c = static_cast<int32_t>(RoundEven(j * colStep + colStep * 0.5));
          const auto r = static_cast<int32_t>(RoundEven(i * rowStep + rowStep * 0.5));
          AppendDestinationForCell(c, r);
          StampBlock(c, r, 1, kDestination, true, n);
          ++n;
        }
      }
      break;
    }

    case kManhattanLandscape: {
      settings.E_noise = NoiseTextOf(kManhattanLandscape);
      settings.E_CProbab = kManhattanConsumeText;
      display_->SettingTextsChanged();
      RandomBlocks(20, 2);
      const double colStep = ColCount / 15.0;
      const double rowStep = RowCount / 15.0;
      for (int32_t i = 0; i < 15; ++i) {
        for (int32_t j = 0; j < 15; ++j) {
          const auto c = static_cast<int32_t>(RoundEven(j * colStep + colStep));
          const auto r = static_cast<int32_t>(RoundEven(i * rowStep + rowStep));
          StampBlock(c, r, 4, kObstacle, false, 0);
        }
      }
      break;
    }

    default:  // no mode chosen: an empty landscape
      break;
  }
}

void Simulation::PlaceNest() { StampBlock(NestColumn(), NestRow(), 1, kNest, false, 0); }

}  // namespace quorvan
