#include "layer_painter.h"

#include <QPainter>

#include "agent_draw.h"
#include "cell_paint.h"
#include "gravity_lines.h"

namespace quorvan {

LayerPainter::LayerPainter(Simulation& sim, int width, int height)
    : sim_(sim), width_(width), height_(height) {}

void LayerPainter::CreateLayers() {
  ReleaseLayers();
  QImage track(width_, height_, QImage::Format_RGB32);
  QImage agent(width_, height_, QImage::Format_ARGB32_Premultiplied);
  if (track.isNull() || agent.isNull()) return;  // no size, or no memory: nothing to paint on
  track.fill(OpaquePixel(kWhite));
  agent.fill(0u);  // transparent
  track_ = std::move(track);
  agent_ = std::move(agent);
  trackCanvas_.emplace(track_, Canvas::WhiteIs::Opaque);
  agentCanvas_.emplace(agent_, Canvas::WhiteIs::Transparent);
}

void LayerPainter::ReleaseLayers() {
  trackCanvas_.reset();
  agentCanvas_.reset();
  track_ = QImage();
  agent_ = QImage();
}

bool LayerPainter::CanPaintCells() const { return HasLayers() && !sim_.Cells.Empty(); }

void LayerPainter::HandOutRange() {
  sim_.Cells.ShownMax = sim_.TrackMax;
  sim_.Cells.ShownMin = sim_.TrackMin;
}

void LayerPainter::PaintChangedCells() {
  if (!HasLayers()) return;
  if (sim_.settings.CB_noTracks) {
    trackCanvas_->SetBrushColor(kWhite);
    trackCanvas_->FillRect(0, 0, width_, height_);
    return;
  }
  if (!CanPaintCells()) return;
  const int32_t trail = sim_.settings.CB_showAB ? kTrailReturn : kTrailFootprint;
  HandOutRange();
  TCellList& cells = sim_.Cells;
  const double* track = cells.TrackData();
  for (int32_t r = 0; r < cells.Rows(); ++r) {
    for (int32_t c = 0; c < cells.Columns(); ++c) {
      const std::size_t i = cells.Index(c, r);
      if (TrackMoved(track[i], cells.at(i).LastPainted)) Paint(cells, c, r, *trackCanvas_, trail);
    }
  }
}

void LayerPainter::PaintAllCells() {
  if (!CanPaintCells()) return;
  const int32_t trail = sim_.settings.CB_showAB ? kTrailReturn : kTrailFootprint;
  HandOutRange();
  TCellList& cells = sim_.Cells;
  for (int32_t r = 0; r < cells.Rows(); ++r) {
    for (int32_t c = 0; c < cells.Columns(); ++c) Paint(cells, c, r, *trackCanvas_, trail);
  }
}

void LayerPainter::PaintCell(int32_t column, int32_t row) {
  if (!CanPaintCells()) return;
  if (column < 0 || column >= sim_.Cells.Columns() || row < 0 || row >= sim_.Cells.Rows()) return;
  Paint(sim_.Cells, column, row, *trackCanvas_, kTrailFootprint);
}

void LayerPainter::ClearAgentLayer() {
  if (!HasLayers()) return;
  agentCanvas_->SetBrushColor(kWhite);
  agentCanvas_->SetPenColor(kWhite);
  agentCanvas_->Rectangle(0, 0, width_, height_);
}

void LayerPainter::DrawAgents() {
  if (!HasLayers()) return;
  for (const TAgent& agent : sim_.Agents) Draw(agent, *agentCanvas_);
}

std::string LayerPainter::DrawGravityLines() {
  if (!HasLayers()) return TextToReal(sim_.settings.E_grav).error;
  return quorvan::DrawGravityLines(sim_, *trackCanvas_);
}

QImage LayerPainter::Composite() const {
  if (!HasLayers()) return {};
  QImage panel = track_.copy();
  QPainter painter(&panel);
  painter.drawImage(0, 0, agent_);
  painter.end();
  return panel;
}

}  // namespace quorvan
