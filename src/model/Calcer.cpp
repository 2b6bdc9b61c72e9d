#include "Calcer.h"

#include <cmath>

#include "numerics.h"

namespace quorvan {

int32_t CellDistance(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const long double dx = static_cast<long double>(x1) - x2;
  const long double dy = static_cast<long double>(y1) - y2;
  const long double s = dx * dx + dy * dy;
  const double root = static_cast<double>(std::sqrt(s));
  return static_cast<int32_t>(RoundEven(root));
}

void NormalizeAngleF(double& angle) {
  if (!(angle >= 0.0)) angle += 360.0;
  if (angle > 360.0) angle -= 360.0;
}

void TCellList::Resize(int32_t columns, int32_t rows) {
  const std::size_t n = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
  std::vector<TCell> cells(n);
  std::vector<double> track(n, 0.0);
  std::vector<double> returnTrack(n, 0.0);
  std::vector<int32_t> kind(n, kFree);
  std::vector<double> homeScent(n, 0.0);
  std::vector<double> lastPainted(n, 0.0);
  cells_.swap(cells);
  track_.swap(track);
  returnTrack_.swap(returnTrack);
  kind_.swap(kind);
  homeScent_.swap(homeScent);
  lastPainted_.swap(lastPainted);
  columns_ = columns;
  rows_ = rows;
  ShownMax = 1.0L;
  ShownMin = 0.0L;
}

void TCellList::Clear() {
  cells_ = {};
  track_ = {};
  returnTrack_ = {};
  kind_ = {};
  homeScent_ = {};
  lastPainted_ = {};
  columns_ = 0;
  rows_ = 0;
}

}  // namespace quorvan
