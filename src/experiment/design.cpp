#include "design.h"

#include <algorithm>
#include <boost/random/sobol.hpp>
#include <charconv>
#include <cmath>
#include <numeric>

#include "bootstrap.h"

namespace quorvan::batch {

namespace {

using analysis::Resampler;

void Shuffle(std::vector<std::size_t>& v, Resampler& random) {
  for (std::size_t i = v.size(); i > 1; --i) std::swap(v[i - 1], v[random.Index(i)]);
}

// N points, each setting's range cut into N equal strata, one point in each,
// the strata paired at random between settings.
std::vector<std::vector<double>> LatinHypercube(std::size_t n, std::size_t k, Resampler& random) {
  std::vector<std::vector<double>> unit(n, std::vector<double>(k));
  std::vector<std::size_t> strata(n);
  for (std::size_t i = 0; i < k; ++i) {
    std::iota(strata.begin(), strata.end(), 0);
    Shuffle(strata, random);
    for (std::size_t r = 0; r < n; ++r)
      unit[r][i] = (static_cast<double>(strata[r]) + random.Uniform()) / static_cast<double>(n);
  }
  return unit;
}

// Saltelli's scheme: a Sobol sequence of dimension 2k (its first point, the
// origin, skipped) gives A (the first k coordinates) and B (the last k); a
// random shift modulo 1 from the seed makes different seeds give different
// designs with the same evenness.
std::vector<std::vector<double>> Saltelli(std::size_t n, std::size_t k, Resampler& random) {
  boost::random::sobol engine(2 * k);
  engine.discard(2 * k);  // the origin
  std::vector<double> shift(2 * k);
  for (double& s : shift) s = random.Uniform();
  const double scale =
      std::ldexp(1.0, -static_cast<int>(std::numeric_limits<boost::random::sobol::result_type>::digits));
  std::vector<std::vector<double>> a(n, std::vector<double>(k)), b(n, std::vector<double>(k));
  for (std::size_t r = 0; r < n; ++r) {
    for (std::size_t d = 0; d < 2 * k; ++d) {
      double u = static_cast<double>(engine()) * scale + shift[d];
      if (u >= 1) u -= 1;
      (d < k ? a[r][d] : b[r][d - k]) = u;
    }
  }
  std::vector<std::vector<double>> unit = a;
  unit.insert(unit.end(), b.begin(), b.end());
  for (std::size_t i = 0; i < k; ++i) {
    for (std::size_t r = 0; r < n; ++r) {
      std::vector<double> row = a[r];
      row[i] = b[r][i];
      unit.push_back(std::move(row));
    }
  }
  return unit;
}

// Trajectories on the grid {0, 1/(p-1), ..., 1}: a random start, then each
// setting in a random order moves by delta = floor(p/2)/(p-1) up or down
// (whichever stays on the grid; at random where both do).
std::vector<std::vector<double>> Morris(std::size_t n, std::size_t k, int levels, Resampler& random) {
  const auto p = static_cast<std::size_t>(levels);
  const std::size_t jump = p / 2;
  std::vector<std::vector<double>> unit;
  std::vector<std::size_t> order(k), level(k);
  for (std::size_t t = 0; t < n; ++t) {
    for (std::size_t& l : level) l = random.Index(p);
    std::iota(order.begin(), order.end(), 0);
    Shuffle(order, random);
    const auto row = [&] {
      std::vector<double> u(k);
      for (std::size_t i = 0; i < k; ++i) u[i] = static_cast<double>(level[i]) / static_cast<double>(p - 1);
      return u;
    };
    unit.push_back(row());
    for (const std::size_t i : order) {
      const bool up = level[i] + jump < p, down = level[i] >= jump;
      const bool goUp = up && (!down || random.Index(2) == 0);
      level[i] = goUp ? level[i] + jump : level[i] - jump;
      unit.push_back(row());
    }
  }
  return unit;
}

std::string Number(double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

}  // namespace

bool ParseDesignKind(const std::string& name, DesignKind& kind) {
  for (const DesignKind k : {DesignKind::kLhs, DesignKind::kSobol, DesignKind::kMorris}) {
    if (name == DesignKindName(k)) {
      kind = k;
      return true;
    }
  }
  return false;
}

const char* DesignKindName(DesignKind kind) {
  switch (kind) {
    case DesignKind::kLhs:
      return "lhs";
    case DesignKind::kSobol:
      return "sobol";
    case DesignKind::kMorris:
      return "morris";
  }
  return "?";
}

int64_t MinimumSamples(DesignKind kind, std::size_t settings) {
  switch (kind) {
    case DesignKind::kLhs:
      return static_cast<int64_t>(settings) + 2;  // the PRCC's t needs n - k - 1 >= 1
    case DesignKind::kSobol:
      return 2;  // a variance needs two samples
    case DesignKind::kMorris:
      return 2;  // the effects' spread needs two trajectories
  }
  return 2;
}

double ScaleToInterval(const DesignInterval& s, double u) {
  if (!s.whole) return s.low + u * (s.high - s.low);
  // Whole values: low..high in equal shares of the unit interval.
  const double span = std::floor(s.high) - std::ceil(s.low) + 1;
  return std::min(std::ceil(s.low) + std::floor(u * span), std::floor(s.high));
}

std::string MakeDesign(const DesignRequest& request, Design& design) {
  const char* name = DesignKindName(request.kind);
  const std::size_t k = request.settings.size();
  if (k == 0)
    return std::string("the ") + name + " design needs settings given as intervals (for example --wiggle 0..180)";
  for (const DesignInterval& s : request.settings) {
    if (!std::isfinite(s.low) || !std::isfinite(s.high)) return "the interval of --" + s.key + " must have finite ends";
    if (s.low > s.high)
      return "the interval of --" + s.key + " runs from " + Number(s.low) + " down to " + Number(s.high) +
             ": its low end must not lie above its high end";
    if (s.whole && std::ceil(s.low) > std::floor(s.high))
      return "the interval of --" + s.key + " holds no whole number";
  }
  if (request.kind == DesignKind::kMorris && request.levels < 2)
    return "--levels " + std::to_string(request.levels) +
           ": a Morris grid needs at least 2 levels for a setting to move at all";
  const int64_t least = MinimumSamples(request.kind, k);
  if (request.samples < least) {
    std::string why = request.kind == DesignKind::kLhs
                          ? "partial rank correlations of " + std::to_string(k) + " settings need at least " +
                                std::to_string(least) + " points"
                      : request.kind == DesignKind::kSobol
                          ? std::string("the indices' variance needs at least 2 base samples")
                          : std::string("the spread of the elementary effects needs at least 2 trajectories");
    return std::string("--samples ") + std::to_string(request.samples) + " is too few for the " + name +
           " design: " + why + " (--samples " + std::to_string(least) + " or more)";
  }
  Resampler random(request.seed);
  const auto n = static_cast<std::size_t>(request.samples);
  design.request = request;
  switch (request.kind) {
    case DesignKind::kLhs:
      design.unit = LatinHypercube(n, k, random);
      break;
    case DesignKind::kSobol:
      design.unit = Saltelli(n, k, random);
      break;
    case DesignKind::kMorris:
      design.unit = Morris(n, k, request.levels, random);
      break;
  }
  design.values.assign(design.unit.size(), std::vector<double>(k));
  for (std::size_t r = 0; r < design.unit.size(); ++r)
    for (std::size_t i = 0; i < k; ++i) design.values[r][i] = ScaleToInterval(request.settings[i], design.unit[r][i]);
  return {};
}

std::vector<std::vector<std::string>> DesignPointValues(const Design& design) {
  std::vector<std::vector<std::string>> out;
  out.reserve(design.values.size());
  for (const std::vector<double>& row : design.values) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < row.size(); ++i) {
      texts.push_back(design.request.settings[i].whole ? std::to_string(static_cast<long long>(row[i]))
                                                       : Number(row[i]));
    }
    out.push_back(std::move(texts));
  }
  return out;
}

}  // namespace quorvan::batch
