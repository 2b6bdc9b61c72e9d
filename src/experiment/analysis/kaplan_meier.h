#pragma once
// The median time to an event when some runs never reach it: those runs
// count as censored at the step their run ended (Kaplan-Meier), not as
// missing, which would bias the median towards the runs that were quick.

#include <optional>
#include <vector>

namespace quorvan::analysis {

struct Passage {
  double time = 0;       ///< the step of the event, or the run's last step
  bool reached = false;  ///< false: censored at `time`
};

struct KaplanMeierMedian {
  std::size_t n = 0, censored = 0;
  /// Each is empty when the survival curve (or its band) never falls to 0.5
  /// within the data: the median lies beyond the longest run.
  std::optional<double> median, low, high;
};

/// The Kaplan-Meier median and its 95% interval: the times where the
/// pointwise band of the survival curve (Greenwood's variance on the
/// log(-log) scale) crosses one half (Brookmeyer and Crowley).
KaplanMeierMedian KaplanMeier(std::vector<Passage> passages);

}  // namespace quorvan::analysis
