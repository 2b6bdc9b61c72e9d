#include "simulation.h"

#include "numerics.h"

namespace quorvan {

namespace {
// What a headless run shows: nothing.
Display& NullDisplay() {
  static Display none;
  return none;
}
}  // namespace

Simulation::Simulation(Display* display) : display_(display ? display : &NullDisplay()) {}

void Simulation::SetDisplay(Display* display) { display_ = display ? display : &NullDisplay(); }

int32_t Simulation::CellIndexOf(int32_t pixel) const {
  if (CellSize <= 0) return -1;
  return static_cast<int32_t>(RoundEven(static_cast<double>(pixel) / CellSize));
}

int32_t Simulation::NestColumn() const { return static_cast<int32_t>(RoundEven(ColCount / 2.0)); }
int32_t Simulation::NestRow() const { return static_cast<int32_t>(RoundEven(RowCount / 2.0)); }

}  // namespace quorvan
