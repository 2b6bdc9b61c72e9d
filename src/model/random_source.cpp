#include "random_source.h"

#include <atomic>
#include <chrono>

namespace quorvan {

uint64_t SplitMix64(uint64_t& x) {
  uint64_t z = (x += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

uint64_t SeedFromClock() {
  // Atomic: a batch runner may seed worlds from several threads.
  static std::atomic<uint64_t> counter{0};
  const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  uint64_t x = static_cast<uint64_t>(now) ^ ((counter.fetch_add(1, std::memory_order_relaxed) + 1) * 0xD1B54A32D192ED03ull);
  return SplitMix64(x);
}

RandomSource::RandomSource() { UseClock(); }

RandomSource::RandomSource(uint64_t seed) { FixSeed(seed); }

void RandomSource::FixSeed(uint64_t seed) {
  fixed_ = true;
  seed_ = seed;
  reseeds_ = 0;
  SetState(seed);
}

void RandomSource::UseClock() {
  fixed_ = false;
  seed_ = SeedFromClock();
  reseeds_ = 0;
  SetState(seed_);
}

void RandomSource::Reseed() {
  if (!fixed_) {
    SetState(SeedFromClock());
    return;
  }
  ++reseeds_;
  uint64_t x = seed_ ^ (reseeds_ * 0xA0761D6478BD642Full);
  SetState(SplitMix64(x));
}

void RandomSource::SetState(uint64_t seed) {
  uint64_t x = seed;
  for (auto& s : s_) s = SplitMix64(x);
}

}  // namespace quorvan
