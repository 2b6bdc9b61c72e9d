// The random source: ranges, bounds of 0 or less, reproducible seeds.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "random_source.h"

namespace quorvan {
namespace {

std::vector<int32_t> Draws(RandomSource& rnd, int n, int64_t bound) {
  std::vector<int32_t> out;
  for (int i = 0; i < n; ++i) out.push_back(rnd.Random(bound));
  return out;
}

// xoshiro256** as published by Blackman and Vigna, written apart from the source.
struct ReferenceXoshiro {
  std::array<uint64_t, 4> s;
  static uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  uint64_t Next() {
    const uint64_t result = Rotl(s[1] * 5, 7) * 9;
    const uint64_t t = s[1] << 17;
    s[2] ^= s[0];
    s[3] ^= s[1];
    s[1] ^= s[2];
    s[0] ^= s[3];
    s[2] ^= t;
    s[3] = Rotl(s[3], 45);
    return result;
  }
};

// Known answers of the reference generators: SplitMix64 from 0, xoshiro256**
// from the state {1, 2, 3, 4}; a fixed seed fills the state from SplitMix64.
TEST(RandomSource, KnownAnswersOfTheReferenceGenerators) {
  const uint64_t splitmixFromZero[4] = {0xe220a8397b1dcdafull, 0x6e789e6aa1b965f4ull, 0x06c45d188009454full,
                                        0xf88bb8a8724c81ecull};
  uint64_t x = 0;
  for (const uint64_t want : splitmixFromZero) EXPECT_EQ(SplitMix64(x), want);

  ReferenceXoshiro ref{{1, 2, 3, 4}};
  for (const uint64_t want : {11520ull, 0ull, 1509978240ull, 1215971899390074240ull}) EXPECT_EQ(ref.Next(), want);

  ReferenceXoshiro seeded{{splitmixFromZero[0], splitmixFromZero[1], splitmixFromZero[2], splitmixFromZero[3]}};
  RandomSource rnd(0);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(rnd.Next(), seeded.Next()) << i;
}

TEST(RandomSource, SeedsFromTheClockDiffer) {
  const uint64_t a = SeedFromClock(), b = SeedFromClock();
  EXPECT_NE(a, b);
}

TEST(RandomSource, BoundsOfZeroOrLessGiveZeroAndStillDraw) {
  RandomSource rnd(3);
  for (int64_t bound : {0LL, -1LL, -5000LL, -2147483648LL, 1LL}) {
    RandomSource before = rnd;
    EXPECT_EQ(rnd.Random(bound), 0) << bound;
    before.Next();
    EXPECT_EQ(rnd.Next(), before.Next()) << "bound " << bound << " takes one draw";
  }
}

TEST(RandomSource, WholeNumbersStayWithinTheirBound) {
  RandomSource rnd(11);
  for (int64_t bound : {2LL, 3LL, 100LL, 202LL, 360LL, 2147483647LL, 2147483648LL}) {
    for (int i = 0; i < 20000; ++i) {
      const int32_t v = rnd.Random(bound);
      ASSERT_GE(v, 0) << bound;
      ASSERT_LT(v, bound) << bound;
    }
  }
}

TEST(RandomSource, RealsLieInTheHalfOpenUnitInterval) {
  RandomSource rnd(12);
  double lowest = 1.0;
  double highest = 0.0;
  for (int i = 0; i < 100000; ++i) {
    const double r = rnd.RandomReal();
    ASSERT_GE(r, 0.0);
    ASSERT_LT(r, 1.0);
    lowest = std::min(lowest, r);
    highest = std::max(highest, r);
  }
  EXPECT_LT(lowest, 0.001);
  EXPECT_GT(highest, 0.999);
}

TEST(RandomSource, DrawsAreRoughlyUniform) {
  // A fixed seed: the counts are the same on every run.
  RandomSource rnd(2024);
  std::array<int, 100> counts{};
  const int draws = 200000;
  for (int i = 0; i < draws; ++i) ++counts[static_cast<std::size_t>(rnd.Random(100))];
  for (std::size_t v = 0; v < counts.size(); ++v) {
    EXPECT_GT(counts[v], 1800) << "value " << v;
    EXPECT_LT(counts[v], 2200) << "value " << v;
  }

  std::array<int, 10> deciles{};
  for (int i = 0; i < draws; ++i) ++deciles[static_cast<std::size_t>(rnd.RandomReal() * 10)];
  for (int d : deciles) {
    EXPECT_GT(d, 19000);
    EXPECT_LT(d, 21000);
  }
}

TEST(RandomSource, TheSameSeedGivesTheSameDraws) {
  RandomSource a(42);
  RandomSource b(42);
  EXPECT_EQ(Draws(a, 1000, 360), Draws(b, 1000, 360));
  EXPECT_TRUE(a.HasFixedSeed());
  EXPECT_EQ(a.Seed(), 42u);

  // FixSeed restarts the stream.
  RandomSource c(42);
  const auto first = Draws(c, 50, 1000);
  Draws(c, 10, 7);
  c.FixSeed(42);
  EXPECT_EQ(Draws(c, 50, 1000), first);
}

TEST(RandomSource, DifferentSeedsGiveDifferentDraws) {
  RandomSource a(1);
  RandomSource b(2);
  EXPECT_NE(Draws(a, 100, 1000000), Draws(b, 100, 1000000));
}

TEST(RandomSource, ReseedsUnderAFixedSeedAreDeterministic) {
  RandomSource a(9);
  RandomSource b(9);
  a.Reseed();
  b.Reseed();
  EXPECT_EQ(Draws(a, 100, 1000), Draws(b, 100, 1000));

  // A reseed starts a new stream: the first reseed's draws differ from the
  // unreseeded stream's, and the second's from the first's.
  RandomSource plain(9);
  RandomSource once(9);
  once.Reseed();
  RandomSource twice(9);
  twice.Reseed();
  twice.Reseed();
  const auto p = Draws(plain, 100, 1000000);
  const auto o = Draws(once, 100, 1000000);
  const auto t = Draws(twice, 100, 1000000);
  EXPECT_NE(p, o);
  EXPECT_NE(o, t);
}

TEST(RandomSource, AReseedDoesNotDependOnTheDrawsBeforeIt) {
  // What follows a reseed depends on the seed and the number of reseeds only,
  // so a landscape does not change with the number of agents placed before it.
  RandomSource few(77);
  RandomSource many(77);
  few.Reseed();
  many.Reseed();
  Draws(few, 3, 360);
  Draws(many, 8000, 360);
  few.Reseed();
  many.Reseed();
  EXPECT_EQ(Draws(few, 100, 202), Draws(many, 100, 202));
}

}  // namespace
}  // namespace quorvan
