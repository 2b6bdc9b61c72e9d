#pragma once
// The uniform random source of the simulation: xoshiro256** with Lemire's
// bounded integers.
//
// The simulation reseeds "from the clock" at fixed points (placing the
// agents, building the landscape). A source with a fixed seed reseeds
// instead from that seed and the number of reseeds so far, so that a seed
// and the settings determine a whole run, and the landscape of a seed does
// not depend on how many agents drew before it.

#include <cstdint>
#include <optional>

namespace quorvan {

/// One step of SplitMix64 (Vigna's seeding generator): advances x, returns the output.
uint64_t SplitMix64(uint64_t& x);

/// A fresh seed from the clock; two calls never give the same seed, even
/// within one clock tick. Every seed "from the clock" comes from here.
uint64_t SeedFromClock();

/// Everything a random source is: enough to continue its stream exactly.
struct RandomState {
  uint64_t words[4] = {};  ///< the xoshiro256** state
  uint64_t seed = 0;       ///< the seed the stream came from
  uint64_t reseeds = 0;    ///< reseeding points passed since the seed was fixed
  bool fixed = false;      ///< reseeds derive from the seed, not from the clock
  std::optional<uint64_t> landscapeSeed;  ///< the landscape's own seed, if it has one
  friend bool operator==(const RandomState&, const RandomState&) = default;
};

class RandomSource {
 public:
  /// Starts seeded from the clock, reseeding from the clock.
  RandomSource();
  /// Starts from a fixed seed; every later reseed derives from it.
  explicit RandomSource(uint64_t seed);

  /// Fixes the seed and restarts the stream from it.
  void FixSeed(uint64_t seed);
  /// Reseeds from the clock from now on (no fixed seed).
  void UseClock();
  bool HasFixedSeed() const { return fixed_; }
  uint64_t Seed() const { return seed_; }

  /// A reseeding point of the simulation.
  void Reseed();

  /// Gives the landscape a seed of its own (or takes it away): its draws then
  /// come from a stream of that seed, and the main stream is left alone.
  void SetLandscapeSeed(std::optional<uint64_t> seed) { landscapeSeed_ = seed; }
  std::optional<uint64_t> LandscapeSeed() const { return landscapeSeed_; }
  /// Called where the landscape is built, in place of Reseed(). With a
  /// landscape seed the main stream is set aside (and handed back by
  /// EndLandscape); without one this is Reseed() and EndLandscape does nothing.
  void BeginLandscape();
  void EndLandscape();

  /// The whole state, for saving a world and opening it again.
  RandomState State() const;
  void SetState(const RandomState& state);

  /// A whole number in 0..bound-1; a bound of 0 or less gives 0. Either way
  /// it is one draw.
  int32_t Random(int64_t bound) {
    uint64_t x = Next();
    if (bound <= 0) return 0;
    // Lemire's multiply-and-shift, with rejection of the biased low products.
    const auto n = static_cast<uint64_t>(bound);
    Wide m = static_cast<Wide>(x) * n;
    if (static_cast<uint64_t>(m) < n) {
      const uint64_t threshold = (0 - n) % n;
      while (static_cast<uint64_t>(m) < threshold) {
        x = Next();
        m = static_cast<Wide>(x) * n;
      }
    }
    return static_cast<int32_t>(m >> 64);
  }
  /// A real in [0, 1).
  double RandomReal() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

  uint64_t Next() {
    const uint64_t result = Rotl(s_[1] * 5, 7) * 9;
    const uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = Rotl(s_[3], 45);
    return result;
  }

 private:
  __extension__ using Wide = unsigned __int128;  // 64 x 64 -> 128-bit products
  static uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  void SeedWords(uint64_t seed);

  uint64_t s_[4] = {};
  uint64_t seed_ = 0;
  uint64_t reseeds_ = 0;
  bool fixed_ = false;
  std::optional<uint64_t> landscapeSeed_;
  std::optional<RandomState> setAside_;  ///< the main stream while the landscape draws
};

}  // namespace quorvan
