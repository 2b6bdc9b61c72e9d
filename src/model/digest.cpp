#include <cstring>

#include "simulation.h"

namespace quorvan {

namespace {

class Fnv1a {
 public:
  template <typename T>
  void Add(const T& value) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    for (unsigned char b : bytes) {
      hash_ ^= b;
      hash_ *= 0x100000001B3ull;
    }
  }
  uint64_t Value() const { return hash_; }

 private:
  uint64_t hash_ = 0xCBF29CE484222325ull;
};

}  // namespace

uint64_t WorldDigest(const Simulation& sim) {
  Fnv1a h;
  h.Add(sim.StepCount);
  h.Add(sim.ColCount);
  h.Add(sim.RowCount);
  for (const TAgent& a : sim.Agents) {
    for (int32_t v : {a.CellX, a.CellY, a.State, a.Source, a.Successful, a.PixelX, a.PixelY, a.Heading,
                      a.StepX, a.StepY}) {
      h.Add(v);
    }
    h.Add(a.ScentSum);
  }
  // The grid as it stands: after ClearWorld the world values keep the last
  // grid's size while the cells are gone.
  for (int32_t r = 0; r < sim.Cells.Rows(); ++r) {
    for (int32_t c = 0; c < sim.Cells.Columns(); ++c) {
      h.Add(sim.Cells.Track(c, r));
      h.Add(sim.Cells.ReturnTrack(c, r));
      h.Add(sim.Cells.Kind(c, r));
      h.Add(sim.Cells(c, r).DestIndex);
    }
  }
  for (const TDestination& d : sim.Destinations) {
    h.Add(d.X);
    h.Add(d.Y);
    h.Add(d.Returns);
  }
  h.Add(static_cast<double>(sim.TrackMax));
  h.Add(static_cast<double>(sim.TrackMin));
  return h.Value();
}

}  // namespace quorvan
