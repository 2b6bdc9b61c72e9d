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
  SeedWords(seed);
}

void RandomSource::UseClock() {
  fixed_ = false;
  seed_ = SeedFromClock();
  reseeds_ = 0;
  SeedWords(seed_);
}

void RandomSource::Reseed() {
  if (!fixed_) {
    SeedWords(SeedFromClock());
    return;
  }
  ++reseeds_;
  uint64_t x = seed_ ^ (reseeds_ * 0xA0761D6478BD642Full);
  SeedWords(SplitMix64(x));
}

void RandomSource::BeginLandscape() {
  if (!landscapeSeed_) {
    Reseed();
    return;
  }
  setAside_ = State();
  // A constant of its own keeps the landscape stream apart from a run
  // stream of the same number.
  uint64_t x = *landscapeSeed_ ^ 0x6A09E667F3BCC909ull;
  SeedWords(SplitMix64(x));
}

void RandomSource::EndLandscape() {
  if (!setAside_) return;
  SetState(*setAside_);
  setAside_.reset();
}

RandomState RandomSource::State() const {
  RandomState st;
  for (int i = 0; i < 4; ++i) st.words[i] = s_[i];
  st.seed = seed_;
  st.reseeds = reseeds_;
  st.fixed = fixed_;
  st.landscapeSeed = landscapeSeed_;
  return st;
}

void RandomSource::SetState(const RandomState& st) {
  for (int i = 0; i < 4; ++i) s_[i] = st.words[i];
  seed_ = st.seed;
  reseeds_ = st.reseeds;
  fixed_ = st.fixed;
  landscapeSeed_ = st.landscapeSeed;
}

void RandomSource::SeedWords(uint64_t seed) {
  uint64_t x = seed;
  for (auto& s : s_) s = SplitMix64(x);
}

}  // namespace quorvan
