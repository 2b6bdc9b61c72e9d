// Decay must equal the extended product stored as a double, bit for bit,
// over the whole range of doubles: ordinary trails, values near the midpoints
// where double rounding differs, denormals, zeros of both signs, infinities.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "extended_product.h"
#include "trail_decay.h"
#include "trail_extremes.h"
#include "vector_kernels.h"

namespace quorvan {
namespace {

uint64_t Bits(double v) {
  uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

// What a plain extended multiplication gives (slow on denormals, but right).
double Reference(double t, double rate) { return static_cast<double>(static_cast<long double>(t) * rate); }

std::vector<double> MixedTrails(std::mt19937_64& g, std::size_t n) {
  std::vector<double> v(n);
  for (double& x : v) {
    const uint64_t raw = g();
    switch (g() % 6) {
      case 0: std::memcpy(&x, &raw, sizeof x); break;                                  // any bit pattern
      case 1: x = 10.0 * static_cast<double>(g() % 1000) * std::pow(0.95, g() % 16000); break;  // decayed trails
      case 2: x = (g() & 1) ? 0.0 : -0.0; break;
      case 3: x = std::ldexp(static_cast<double>(raw >> 11), -static_cast<int>(g() % 1200)); break;  // tiny
      case 4: x = (g() & 1 ? 1 : -1) * static_cast<double>(g() % 64) * 0x1p-1074; break;  // stuck denormals
      default: x = 319.94788459745251; break;  // a product that double rounding changes
    }
  }
  return v;
}

TEST(TrailDecay, EqualsTheExtendedProductBitForBit) {
  std::mt19937_64 g(11);
  for (double rate : {0.95, 0.5, 1.0, 2.0, -0.5, 0.999999, 3.0, 1e-200, 1e200, 1e-320, 0.0}) {
    std::vector<double> trail = MixedTrails(g, 20003);  // not a multiple of the vector width
    std::vector<double> expected(trail.size());
    for (std::size_t i = 0; i < trail.size(); ++i) expected[i] = Reference(trail[i], rate);
    DecayTrail(trail.data(), trail.size(), rate);
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < trail.size(); ++i) {
      const bool same = Bits(trail[i]) == Bits(expected[i]) || (std::isnan(trail[i]) && std::isnan(expected[i]));
      if (!same && wrong++ < 3) ADD_FAILURE() << "rate " << rate << ": " << std::hexfloat << expected[i] << " vs " << trail[i];
    }
    EXPECT_EQ(wrong, 0u) << "rate " << rate;
  }
}

TEST(TrailDecay, AFullDecayIntoTheDenormalsAndToZero) {
  double reference = 10.0;
  double decayed = 10.0;
  for (int step = 0; step < 16000; ++step) {
    reference = Reference(reference, 0.95);
    DecayTrail(&decayed, 1, 0.95);
    ASSERT_EQ(Bits(decayed), Bits(reference)) << "step " << step;
  }
  // 10 * 2^-1074 decays to 9.5 * 2^-1074, which rounds back to the even 10:
  // a trail decaying at 0.95 never reaches zero.
  EXPECT_GT(decayed, 0.0);
  EXPECT_LE(decayed, 10 * 0x1p-1074);
}

TEST(TrailDecay, ExtendedProductRoundsDenormalsHalfToEven) {
  // 3 * 2^-1075 lies halfway between 2^-1074 and 2^-1073; the even one is 2^-1073.
  EXPECT_EQ(ExtendedProduct(0x1.8p-1073, 0.5L), 0x1p-1073);
  // 2^-1075 is halfway between 0 and 2^-1074: 0.
  EXPECT_EQ(ExtendedProduct(0x1p-1074, 0.5L), 0.0);
  EXPECT_TRUE(std::signbit(ExtendedProduct(-0x1p-1074, 0.5L)));
}

TEST(TrailExtremes, StrictComparisonsSkipNaNs) {
  const double nan = std::nan("");
  const std::vector<double> v = {nan, 3.0, -1.0, 7.0, nan, 2.0, 7.0, -4.0, 0.5, nan, 9.0};  // 11 values
  for (std::size_t n = 0; n <= v.size(); ++n) {
    double largest = -INFINITY, smallest = INFINITY;
    for (std::size_t i = 0; i < n; ++i) {
      if (v[i] > largest) largest = v[i];
      if (v[i] < smallest) smallest = v[i];
    }
    const TrailExtremes e = FindExtremes(v.data(), n);
    EXPECT_EQ(e.largest, largest) << n;
    EXPECT_EQ(e.smallest, smallest) << n;
  }
}

// Zeros of both signs in lanes the vector scan visits in another order than
// the plain one: both report +0.0.
TEST(TrailExtremes, ZeroExtremesAreTheSameBitsOnBothPaths) {
  std::vector<double> v(17, 0.0);
  v[1] = -0.0;
  v[9] = -0.0;
  v[16] = -0.0;
  for (const bool scalar : {false, true}) {
    ForceScalarKernels(scalar);
    const TrailExtremes e = FindExtremes(v.data(), v.size());
    EXPECT_FALSE(std::signbit(e.largest)) << scalar;
    EXPECT_FALSE(std::signbit(e.smallest)) << scalar;
  }
  ForceScalarKernels(false);
}

}  // namespace
}  // namespace quorvan
