#pragma once
// One forager and its choice of the next step.

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>

namespace quorvan {

class RandomSource;

/// A neighbour offset: dx is added to the column, dy to the row.
struct Direction {
  int32_t dx = 0;
  int32_t dy = 0;
  friend bool operator==(const Direction&, const Direction&) = default;
};

/// A sensing cone covers at most the eight neighbours.
inline constexpr std::size_t kMaxDirections = 8;

/// A list of at most eight entries kept inside the agent, rebuilt by every
/// sensing call without touching the heap.
template <typename T>
class ConeArray {
 public:
  void clear() { size_ = 0; }
  void push_back(const T& v) {
    assert(size_ < kMaxDirections && "a cone has at most eight directions");
    items_[size_++] = v;
  }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T& operator[](std::size_t i) { return items_[i]; }
  const T& operator[](std::size_t i) const { return items_[i]; }
  const T* begin() const { return items_.data(); }
  const T* end() const { return items_.data() + size_; }

 private:
  std::array<T, kMaxDirections> items_{};
  std::size_t size_ = 0;
};

/// Agent states.
enum AgentState : int32_t { kSearching = 0, kReturning = 1 };

class TAgent {
 public:
  /// Column and row of the cell the agent is on.
  int32_t CellX = 0;
  int32_t CellY = 0;
  /// 0 searching, 1 returning with a load.
  int32_t State = kSearching;
  /// DestIndex of the destination of the last pick-up: credited on delivery.
  int32_t Source = 0;
  /// 1 once the agent has delivered a load.
  int32_t Successful = 0;
  /// Pixel centre of the agent's cell, for drawing.
  int32_t PixelX = 0;
  int32_t PixelY = 0;
  /// Radius of the drawn circle.
  int32_t Radius = 0;
  /// Whole degrees; steers the next sensing cone and the drawn tick.
  int32_t Heading = 0;
  /// Offset of the next move, each -1..1.
  int32_t StepX = 0;
  int32_t StepY = 0;
  /// The neighbour offsets of the last sensing cone, in cone order.
  ConeArray<Direction> Directions;
  /// Each direction's share of the sensed total, in per cent.
  ConeArray<double> Chances;
  /// The sensed total over the cone, noise included.
  double ScentSum = 0.0;

  /// Chooses the next step from the last sensing: returning agents climb
  /// with the return noise as wiggle; searching agents follow a sensed trail
  /// by roulette wheel (kSniffRoulette) or hill climbing (kSniffHill), or wander.
  void ChangeHeading(int32_t threshold, int32_t wiggle, int32_t sniffMode, int32_t returnNoise,
                     RandomSource& rnd);
  void rouletteWheel(int32_t wiggle, RandomSource& rnd);
  void hillClimbing(int32_t wiggle, RandomSource& rnd);
  void randomWalk(int32_t turningRange, RandomSource& rnd);

 private:
  /// Turns the heading by up to `wiggle` degrees either way.
  void Wiggle(int32_t wiggle, RandomSource& rnd);
  void TakeDirection(std::size_t i, int32_t wiggle, RandomSource& rnd);
};

}  // namespace quorvan
