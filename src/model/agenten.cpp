#include "agenten.h"

#include <limits>

#include "Calcer.h"
#include "numerics.h"
#include "random_source.h"
#include "settings_limits.h"

namespace quorvan {

void TAgent::ChangeHeading(int32_t threshold, int32_t wiggle, int32_t sniffMode, int32_t returnNoise,
                           RandomSource& rnd) {
  if (State == kReturning) {
    hillClimbing(returnNoise, rnd);
  } else if (State == kSearching) {
    if (ScentSum > 0) {
      if (sniffMode == kSniffRoulette) {
        rouletteWheel(wiggle, rnd);
      } else if (sniffMode == kSniffHill) {
        hillClimbing(wiggle, rnd);
      }
    } else {
      randomWalk(threshold, rnd);
    }
  }
  NormalizeAngle(Heading);
  // A return noise beyond +-180 can leave the heading more than one period
  // out; the sensing cone needs it within 0..360.
  if (Heading < 0 || Heading > 360) Heading = WrapDegrees(Heading);
}

void TAgent::Wiggle(int32_t wiggle, RandomSource& rnd) {
  // Two statements: the magnitude is drawn before the sign.
  const int64_t a = rnd.Random(static_cast<int64_t>(wiggle) + 1);
  const int64_t b = rnd.Random(2);
  const int64_t turned = static_cast<int64_t>(Heading) + a * (2 * b - 1);
  if (turned < std::numeric_limits<int32_t>::min() || turned > std::numeric_limits<int32_t>::max()) {
    Heading = WrapDegrees(turned);
  } else {
    Heading = static_cast<int32_t>(turned);
  }
}

void TAgent::TakeDirection(std::size_t i, int32_t wiggle, RandomSource& rnd) {
  const Direction d = Directions[i];
  Heading = DirectionAngle(d.dx, d.dy);
  Wiggle(wiggle, rnd);
  StepX = d.dx;
  StepY = d.dy;
}

void TAgent::rouletteWheel(int32_t wiggle, RandomSource& rnd) {
  const int32_t r = rnd.Random(100);
  const std::size_t n = Directions.size();
  if (n == 0) return;
  long double sum = 0.0L;
  std::size_t i = 0;
  for (; i < n; ++i) {
    sum += Chances[i];
    if (!(r > sum)) break;
  }
  // Chances that never reach r (they add up to 100, so only through
  // rounding) choose the last direction rather than run past it.
  if (i == n) i = n - 1;
  TakeDirection(i, wiggle, rnd);
}

void TAgent::hillClimbing(int32_t wiggle, RandomSource& rnd) {
  double best = 0.0;
  std::size_t chosen = kMaxDirections;
  for (std::size_t i = 0; i < Chances.size(); ++i) {
    if (Chances[i] > best) {
      best = Chances[i];
      chosen = i;
    }
  }
  // No positive chance: nothing to climb; heading and step stay as they were.
  if (chosen == kMaxDirections) return;
  TakeDirection(chosen, wiggle, rnd);
}

void TAgent::randomWalk(int32_t turningRange, RandomSource& rnd) {
  Wiggle(turningRange, rnd);
  const WalkStep step = WalkStepFor(Heading);
  StepX = step.x;
  StepY = step.y;
}

}  // namespace quorvan
