// The time step, in the order it runs.

#include <cmath>
#include <limits>
#include <tuple>

#include "trail_decay.h"
#include "trail_extremes.h"
#include "numerics.h"
#include "simulation.h"

namespace quorvan {

namespace {

/// Converts the step's settings in the order the step reads them; the first
/// failure's message comes back in `error`.
StepSettings ReadStepSettings(const Settings& s, std::string& error) {
  StepSettings out;
  out.threshold = s.TrB_thresh;
  out.wiggle = s.SB_wiggle;
  const auto noise = TextToRoundedInt(s.E_noise);
  if (!noise) {
    error = noise.error;
    return out;
  }
  out.returnNoise = *noise;
  const auto consume = TextToDouble(s.E_CProbab);
  if (!consume) {
    error = consume.error;
    return out;
  }
  out.consume = *consume;
  out.sniffMode = s.SniffMode();
  out.decay = s.CB_decay;
  if (out.decay) {
    const auto rate = TextToDouble(s.E_decay);
    if (!rate) {
      error = rate.error;
      return out;
    }
    out.decayRate = *rate;
  }
  return out;
}

}  // namespace

StepResult Simulation::DoStep() {
  StepResult result;
  if (!HasWorld()) {
    result.error = "There is no world to step: press \"new Setup\"";
    return result;
  }
  const StepSettings step = ReadStepSettings(settings, result.error);
  if (!result.ok()) return result;

  // The range of the shown trail: the sensing noise and the chart use it.
  ScanTrackRange();

  // The picture of the world as it stands before anyone moves.
  display_->ClearAgentLayer();
  display_->PaintChangedCells();
  if (settings.CB_gravity) result.warning = display_->DrawGravityLines();
  if (settings.CB_showAg) display_->DrawAgents();

  // Sense, turn and move; then let the trails fade.
  result.deliveries = MoveAgents(step);
  if (step.decay) DecayTracks(step.decayRate);

  // Count the step; equality with the stop time ends the run.
  StepCount = StepCount == std::numeric_limits<int32_t>::max() ? StepCount : StepCount + 1;
  display_->ShowStepCount(StepCount);
  result.stopReached = StepCount == StopTime;

  // Statistics for the chart.
  UpdateStatistics(result.successful, result.returning);
  result.trackMax = TrackMax;
  display_->AddChartPoints(result.successful, result.returning);
  return result;
}

void Simulation::ScanTrackRange() { std::tie(TrackMax, TrackMin) = ShownTrackRange(); }

std::pair<long double, long double> Simulation::ShownTrackRange() const {
  const double* v = settings.CB_showAB ? Cells.ReturnTrackData() : Cells.TrackData();
  const TrailExtremes extremes = FindExtremes(v, Cells.Count());
  // The floor and the ceiling are extended reals, 0.1 and 10^15 - 1.
  long double largest = 0.1L;
  long double smallest = 999999999999999.0L;
  if (extremes.largest > largest) largest = extremes.largest;
  if (extremes.smallest < smallest) smallest = extremes.smallest;
  return {largest, smallest};
}

int32_t Simulation::MoveAgents(const StepSettings& step) {
  const int32_t columns = Cells.Columns();
  const int32_t rows = Cells.Rows();
  double* track = Cells.TrackData();
  double* returnTrack = Cells.ReturnTrackData();
  const int32_t* kinds = Cells.KindData();

  int32_t deliveries = 0;
  const std::size_t n = Agents.size();
  for (std::size_t i = 0; i < n; ++i) {
    SenseNeighbourhood(i, step.threshold);
    TAgent& A = Agents[i];
    A.ChangeHeading(step.threshold, step.wiggle, step.sniffMode, step.returnNoise, Rand);

    int32_t tx = A.CellX + A.StepX;
    int32_t ty = A.CellY + A.StepY;
    WrapCell(tx, ty, columns, rows);
    const int32_t targetKind = kinds[Cells.Index(tx, ty)];
    const std::size_t S = Cells.Index(A.CellX, A.CellY);

    // Return trail: laid on the cell a returning agent starts from.
    if (A.State == kReturning) returnTrack[S] += 10.0;

    // Delivery at the nest.
    if (targetKind == kNest && A.State == kReturning) {
      A.State = kSearching;
      A.Successful = 1;
      ++deliveries;
      if (A.Source >= 0 && static_cast<std::size_t>(A.Source) < Destinations.size()) {
        // A count that a long run (or an opened file) brought to the top stays there.
        int32_t& returns = Destinations[static_cast<std::size_t>(A.Source)].Returns;
        if (returns < std::numeric_limits<int32_t>::max()) ++returns;
      }
    }

    // Pick-up at a destination.
    if (targetKind == kDestination && A.State == kSearching) {
      const double r = Rand.RandomReal();
      if (r <= step.consume) {
        A.State = kReturning;
        A.Source = Cells(tx, ty).DestIndex;
      }
    }

    // Move, or turn away from an obstacle.
    if (targetKind == kObstacle) {
      A.Heading += Rand.Random(360);
      NormalizeAngle(A.Heading);
    } else {
      track[S] += 10.0;
      A.CellX = tx;
      A.CellY = ty;
      A.PixelX = tx * CellSize + HalfCell;
      A.PixelY = ty * CellSize + HalfCell;
    }
  }
  return deliveries;
}

void Simulation::DecayTracks(double rate) {
  // Each product is formed in extended precision and stored as a double.
  DecayTrail(Cells.TrackData(), Cells.Count(), rate);
  DecayTrail(Cells.ReturnTrackData(), Cells.Count(), rate);
}

void Simulation::UpdateStatistics(int32_t& successful, int32_t& returning) const {
  int64_t successes = 0;
  int64_t returners = 0;
  for (const TAgent& a : Agents) {
    successes += a.Successful;
    returners += a.State;
  }
  // Per cent of the agents in the world (not of the agent-count text, which
  // may have changed since the setup).
  const long double count = static_cast<long double>(Agents.size());
  const auto percent = [count](int64_t s) -> int32_t {
    if (s <= 0 || count == 0) return 0;
    return static_cast<int32_t>(RoundEven((static_cast<long double>(s) / count) * 100.0L));
  };
  successful = percent(successes);
  returning = percent(returners);
}

}  // namespace quorvan
