// The sensing cone: which neighbours an agent looks at, and how strongly
// each of them draws it.

#include <array>
#include <cmath>
#include <stdexcept>

#include "extended_product.h"
#include "numerics.h"
#include "simulation.h"

namespace quorvan {

namespace {

// The neighbour that each sector 1..8 contributes (index 0 unused).
constexpr std::array<Direction, 9> kSectorOffset = {{
    {0, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0},
}};

}  // namespace

void Simulation::SenseNeighbourhood(std::size_t index, int32_t threshold) {
  if (index >= Agents.size()) throw std::out_of_range("SenseNeighbourhood: agent index out of range");
  TAgent& A = Agents[index];

  // Cone edges: heading -/+ threshold, each in its sector.
  const int64_t H = A.Heading;
  const int sL = SectorOfEdge(H - threshold);
  const int sU = SectorOfEdge(H + threshold);
  A.Directions.clear();
  for (int i = sL;; i = i % 8 + 1) {
    A.Directions.push_back(kSectorOffset[static_cast<std::size_t>(i)]);
    if (i == sU) break;
  }

  const std::size_t n = A.Directions.size();
  std::array<double, kMaxDirections> scratch;
  // The running total receives the same amounts in the same order as
  // ScentSum, so one sum serves as both.
  double total = 0.0;

  // Noise amplitude grows with the smallest trail of the step's scan.
  const double W = static_cast<double>(TrackMin + 1.0L);
  const int32_t columns = Cells.Columns();
  const int32_t rows = Cells.Rows();
  // A searching agent senses the return trail, a returning one the home scent.
  const double* sensed = A.State == kReturning ? Cells.HomeScentData() : Cells.ReturnTrackData();

  // Sums are formed in extended precision and stored as doubles. Trails
  // decayed into the denormals enter through WidenExact; a denormal result
  // (a noise of exactly 0 on such a trail) is rare enough to store plainly.
  // W is 1 whenever some cell has no trail at all, which is nearly always;
  // the noise is then r - 0.5, which a double holds exactly.
  const bool unitNoise = W == 1.0;
  const long double wideW = WidenExact(W);
  for (std::size_t j = 0; j < n; ++j) {
    const double r = Rand.RandomReal();
    const double N = unitNoise ? r - 0.5 : static_cast<double>((static_cast<long double>(r) - 0.5L) * wideW);
    int32_t c = A.CellX + A.Directions[j].dx;
    int32_t rr = A.CellY + A.Directions[j].dy;
    WrapCell(c, rr, columns, rows);
    const std::size_t cell = Cells.Index(c, rr);
    const long double v = WidenExact(sensed[cell]);
    total = static_cast<double>((WidenExact(total) + v) + N);
    scratch[j] = static_cast<double>(v + N);
  }

  A.ScentSum = total;
  A.Chances.clear();
  if (total == 0.0 || !std::isfinite(total)) {
    // Nothing can be shared out of a zero or non-finite total: the agent
    // senses nothing, and a searching agent wanders.
    A.ScentSum = 0.0;
    for (std::size_t j = 0; j < n; ++j) A.Chances.push_back(0.0);
    return;
  }
  for (std::size_t j = 0; j < n; ++j) {
    A.Chances.push_back(static_cast<double>((WidenExact(scratch[j]) / total) * 100.0L));
  }
}

}  // namespace quorvan
