#include "kaplan_meier.h"

#include <algorithm>
#include <cmath>

namespace quorvan::analysis {

KaplanMeierMedian KaplanMeier(std::vector<Passage> passages) {
  KaplanMeierMedian out;
  out.n = passages.size();
  for (const Passage& p : passages) out.censored += p.reached ? 0u : 1u;
  // At a tie, events come before censorings (a run censored at t was still
  // at risk at t).
  std::sort(passages.begin(), passages.end(), [](const Passage& a, const Passage& b) {
    return a.time != b.time ? a.time < b.time : a.reached > b.reached;
  });
  double survival = 1, greenwood = 0;
  std::size_t atRisk = passages.size();
  constexpr double z = 1.959963984540054;
  for (std::size_t i = 0; i < passages.size();) {
    const double t = passages[i].time;
    std::size_t events = 0, leaving = 0;
    for (; i < passages.size() && passages[i].time == t; ++i, ++leaving) events += passages[i].reached ? 1u : 0u;
    if (events > 0) {
      const auto d = static_cast<double>(events), r = static_cast<double>(atRisk);
      survival *= 1 - d / r;
      if (r > d) greenwood += d / (r * (r - d));
      double lower = survival, upper = survival;
      if (survival > 0 && survival < 1) {
        // log(-log S) has variance greenwood / log(S)^2.
        const double ls = std::log(survival);
        const double spread = z * std::sqrt(greenwood) / std::abs(ls);
        lower = std::pow(survival, std::exp(spread));
        upper = std::pow(survival, std::exp(-spread));
      } else if (survival <= 0) {
        lower = upper = 0;
      }
      if (!out.median && survival <= 0.5) out.median = t;
      // The lower band falls to one half first: the interval's low end.
      if (!out.low && lower <= 0.5) out.low = t;
      if (!out.high && upper <= 0.5) out.high = t;
    }
    atRisk -= leaving;
  }
  return out;
}

}  // namespace quorvan::analysis
