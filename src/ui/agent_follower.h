#pragma once
// Following one agent: its path over the last steps and the ring around
// it, painted over the panel's picture, never into the layers (so the
// picture the window saves and --png stay as they are).

#include <QPoint>
#include <cstddef>
#include <deque>
#include <optional>

#include "simulation.h"

class QPainter;

namespace quorvan {

class AgentFollower {
 public:
  /// Steps of path kept behind the agent.
  static constexpr std::size_t kPathSteps = 200;

  /// Follows agent `index` from where it stands now.
  void Follow(const Simulation& sim, std::size_t index);
  void Stop();
  bool Following() const { return index_.has_value(); }
  /// The followed agent (only while following).
  std::size_t Index() const { return index_.value_or(0); }

  /// After a step: the agent's new place joins the path, the oldest beyond
  /// kPathSteps steps goes. Stops following when the agent is gone.
  void Record(const Simulation& sim);
  /// The agent's places, oldest first: at most kPathSteps + 1.
  const std::deque<QPoint>& Path() const { return path_; }

  /// The path (broken where the agent wrapped round the grid's edge) and a
  /// ring around the agent.
  void Paint(QPainter& painter, const Simulation& sim) const;

 private:
  std::optional<std::size_t> index_;
  std::deque<QPoint> path_;
};

}  // namespace quorvan
