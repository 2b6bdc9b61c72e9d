#include "agent_follower.h"

#include <QPainter>
#include <algorithm>
#include <cstdlib>

namespace quorvan {

void AgentFollower::Follow(const Simulation& sim, std::size_t index) {
  path_.clear();
  index_.reset();
  if (index >= sim.Agents.size()) return;
  index_ = index;
  path_.emplace_back(sim.Agents[index].PixelX, sim.Agents[index].PixelY);
}

void AgentFollower::Stop() {
  index_.reset();
  path_.clear();
}

void AgentFollower::Record(const Simulation& sim) {
  if (!index_) return;
  if (*index_ >= sim.Agents.size()) {
    Stop();
    return;
  }
  const TAgent& a = sim.Agents[*index_];
  path_.emplace_back(a.PixelX, a.PixelY);
  while (path_.size() > kPathSteps + 1) path_.pop_front();
}

void AgentFollower::Paint(QPainter& painter, const Simulation& sim) const {
  if (!index_ || *index_ >= sim.Agents.size() || path_.empty()) return;
  painter.save();
  // A step moves an agent by about a cell; a longer jump is a wrap round
  // the edge, which the path does not draw across the panel.
  const int jump = std::max(3 * sim.CellSize, 8);
  painter.setPen(QPen(QColor(255, 0, 255), 1));
  for (std::size_t i = 1; i < path_.size(); ++i) {
    const QPoint a = path_[i - 1];
    const QPoint b = path_[i];
    if (std::abs(a.x() - b.x()) <= jump && std::abs(a.y() - b.y()) <= jump) painter.drawLine(a, b);
  }
  const TAgent& agent = sim.Agents[*index_];
  painter.setRenderHint(QPainter::Antialiasing);
  const int radius = agent.Radius + 5;
  painter.setPen(QPen(QColor(255, 0, 255), 2));
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(QPoint(agent.PixelX, agent.PixelY), radius, radius);
  painter.restore();
}

}  // namespace quorvan
