#include "layer_painter.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "agent_draw.h"
#include "cell_paint.h"
#include "gravity_lines.h"

namespace quorvan {

namespace {

/// Has any of four cells a Track at least 1 away from its LastPainted?
/// (A NaN difference is not.) A quick filter before the exact test.
inline bool AnyMovedByOneOrMore(const double* track, const double* last) {
#if defined(__SSE2__)
  const __m128d sign = _mm_set1_pd(-0.0);
  const __m128d one = _mm_set1_pd(1.0);
  const __m128d a = _mm_andnot_pd(sign, _mm_sub_pd(_mm_loadu_pd(track), _mm_loadu_pd(last)));
  const __m128d b = _mm_andnot_pd(sign, _mm_sub_pd(_mm_loadu_pd(track + 2), _mm_loadu_pd(last + 2)));
  return _mm_movemask_pd(_mm_or_pd(_mm_cmpge_pd(a, one), _mm_cmpge_pd(b, one))) != 0;
#else
  bool any = false;
  for (int k = 0; k < 4; ++k) any |= std::fabs(track[k] - last[k]) >= 1.0;
  return any;
#endif
}

/// How many shapes ahead the painting asks for the memory it will draw on:
/// the shapes of a step lie scattered over the layers, and waiting for each
/// in turn is most of the cost.
constexpr std::size_t kFetchAhead = 8;

/// Fetches the rows of a (clipped) box ahead of drawing there.
void PrefetchBox(const Canvas& canvas, const PixelBox& b) {
  for (int64_t y = b.y1; y < b.y2 && y < b.y1 + 16; ++y) {
    canvas.Prefetch(b.x1, y);
    canvas.Prefetch(b.x2 - 1, y);
  }
}

}  // namespace

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
  agentBoxes_.clear();
  agentBoxesComplete_ = true;
  wipePending_ = false;
  pendingMarks_.clear();
}

void LayerPainter::ReleaseLayers() {
  trackCanvas_.reset();
  agentCanvas_.reset();
  track_ = QImage();
  agent_ = QImage();
  wipePending_ = false;
  pendingMarks_.clear();
}

bool LayerPainter::CanPaintCells() const { return HasLayers() && !sim_.Cells.Empty(); }

void LayerPainter::HandOutRange() {
  sim_.Cells.ShownMax = sim_.TrackMax;
  sim_.Cells.ShownMin = sim_.TrackMin;
}

void LayerPainter::PaintAt(int32_t column, int32_t row, int32_t trail, double scale) {
  Paint(sim_.Cells, column, row, *trackCanvas_, trail, scale);
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
  const double scale = GreyScale(sim_.Cells.ShownMin, sim_.Cells.ShownMax);
  // Which cells: one pass over the trail and LastPainted arrays, four cells at a time,
  // looking closer only where one of them moved by 1 or more. Storage order
  // is the painting order, row by row and left to right.
  const std::size_t count = sim_.Cells.Count();
  const double* track = sim_.Cells.TrackData();
  const double* last = sim_.Cells.LastPaintedData();
  changed_.clear();
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    if (AnyMovedByOneOrMore(track + i, last + i)) {
      for (std::size_t k = i; k < i + 4; ++k) {
        if (TrackMoved(track[k], last[k])) changed_.push_back(k);
      }
    }
  }
  for (; i < count; ++i) {
    if (TrackMoved(track[i], last[i])) changed_.push_back(i);
  }
  PaintCells(sim_.Cells, changed_, *trackCanvas_, trail, scale);
}

void LayerPainter::PaintAllCells() {
  if (!CanPaintCells()) return;
  const int32_t trail = sim_.settings.CB_showAB ? kTrailReturn : kTrailFootprint;
  HandOutRange();
  const double scale = GreyScale(sim_.Cells.ShownMin, sim_.Cells.ShownMax);
  Canvas::Batch batch(*trackCanvas_);
  for (int32_t r = 0; r < sim_.Cells.Rows(); ++r) {
    for (int32_t c = 0; c < sim_.Cells.Columns(); ++c) PaintAt(c, r, trail, scale);
  }
}

void LayerPainter::PaintStoredCells() {
  if (!CanPaintCells()) return;
  Canvas::Batch batch(*trackCanvas_);
  for (int32_t r = 0; r < sim_.Cells.Rows(); ++r) {
    for (int32_t c = 0; c < sim_.Cells.Columns(); ++c) PaintAsStored(sim_.Cells, c, r, *trackCanvas_);
  }
}

void LayerPainter::PaintCell(int32_t column, int32_t row) {
  if (!CanPaintCells()) return;
  if (column < 0 || column >= sim_.Cells.Columns() || row < 0 || row >= sim_.Cells.Rows()) return;
  PaintAt(column, row, kTrailFootprint, GreyScale(sim_.Cells.ShownMin, sim_.Cells.ShownMax));
}

void LayerPainter::ClearAgentLayer() {
  if (!HasLayers()) return;
  wipePending_ = true;
  pendingMarks_.clear();
}

void LayerPainter::DrawAgents() {
  if (!HasLayers()) return;
  // Drawings kept without a wipe between them pile up; past this many
  // marks they are done on the pixels, to keep the memory bounded.
  constexpr std::size_t kMaxPendingMarks = std::size_t{1} << 20;
  if (pendingMarks_.size() + sim_.Agents.size() > kMaxPendingMarks) BringAgentLayerUpToDate();
  for (const TAgent& agent : sim_.Agents) pendingMarks_.push_back(MarkOf(agent));
}

const QImage& LayerPainter::AgentLayer() const {
  BringAgentLayerUpToDate();
  return agent_;
}

void LayerPainter::BringAgentLayerUpToDate() const {
  if (!agentCanvas_) return;
  if (wipePending_) WipeAgentPixels();
  wipePending_ = false;
  if (!pendingMarks_.empty()) DrawAgentPixels(pendingMarks_);
  pendingMarks_.clear();
}

void LayerPainter::WipeAgentPixels() const {
  agentCanvas_->SetBrushColor(kWhite);
  agentCanvas_->SetPenColor(kWhite);
  Canvas::Batch batch(*agentCanvas_);
  if (agentBoxesComplete_) {
    // The rest of the layer is blank already: wiping (a little more than)
    // the agents' boxes leaves the same layer as wiping all of it.
    const std::size_t n = agentBoxes_.size();
    for (std::size_t k = 0; k < n; ++k) {
      if (k + kFetchAhead < n) PrefetchBox(*agentCanvas_, agentBoxes_[k + kFetchAhead]);
      const PixelBox& b = agentBoxes_[k];
      agentCanvas_->FillBlocks(b.x1, b.y1, b.x2, b.y2);
    }
  } else {
    agentCanvas_->Rectangle(0, 0, width_, height_);
  }
  agentBoxes_.clear();
  agentBoxesComplete_ = true;
}

void LayerPainter::DrawAgentPixels(const std::vector<AgentMark>& marks) const {
  const std::size_t n = marks.size();
  constexpr std::size_t kMaxBoxes = std::size_t{1} << 22;
  if (agentBoxes_.size() + n > kMaxBoxes) {
    agentBoxesComplete_ = false;
    agentBoxes_.clear();
  }
  // Where each agent will draw, clipped to the layer: to fetch those rows
  // ahead, and to know what the next wipe has to clear.
  const std::size_t first = agentBoxes_.size();
  if (agentBoxesComplete_) {
    for (const AgentMark& mark : marks) {
      const AgentBounds b = BoundsOf(mark);
      agentBoxes_.push_back(Clip(PixelBox{std::min(b.circle.x1, b.tick.x1), std::min(b.circle.y1, b.tick.y1),
                                          std::max(b.circle.x2, b.tick.x2), std::max(b.circle.y2, b.tick.y2)}));
    }
  }
  Canvas::Batch batch(*agentCanvas_);
  for (std::size_t k = 0; k < n; ++k) {
    if (agentBoxesComplete_ && k + kFetchAhead < n) PrefetchBox(*agentCanvas_, agentBoxes_[first + k + kFetchAhead]);
    Draw(marks[k], *agentCanvas_);
  }
}

PixelBox LayerPainter::Clip(const PixelBox& b) const {
  return {std::max<int64_t>(b.x1, 0), std::max<int64_t>(b.y1, 0), std::min<int64_t>(b.x2, width_),
          std::min<int64_t>(b.y2, height_)};
}

std::string LayerPainter::DrawGravityLines() {
  if (!HasLayers()) return TextToReal(sim_.settings.E_grav).error;
  return quorvan::DrawGravityLines(sim_, *trackCanvas_);
}

QImage LayerPainter::Composite() const {
  if (!HasLayers()) return {};
  QImage panel = track_.copy();
  QPainter painter(&panel);
  painter.drawImage(0, 0, AgentLayer());
  painter.end();
  return panel;
}

}  // namespace quorvan
