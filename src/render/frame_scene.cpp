#include "frame_scene.h"

#include <QPainter>
#include <algorithm>

#include "canvas.h"
#include "cell_paint.h"
#include "colors.h"
#include "frame_picture.h"

namespace quorvan {

struct CellSquares {
  int32_t columns = 0;
  int32_t rows = 0;
  /// Three cells' centres and sizes, to tell another grid of the same shape.
  std::vector<int32_t> probe;
  /// Each cell's square, clipped to the panel (empty where nothing shows).
  std::vector<PixelBox> boxes;
  /// Whether the cell's square is still wholly its own once every later
  /// cell is painted: most grids tile the panel, and those squares are
  /// filled whole.
  std::vector<uint8_t> whole;
  /// Per panel pixel (row by row): the last cell whose square covers it, -1 for none.
  std::vector<int32_t> owner;
};

namespace {

constexpr int kDotsPerMeter = 3780;  // 96 dots per inch, as RenderPanel's

std::vector<int32_t> Probe(const TCellList& cells) {
  std::vector<int32_t> probe;
  const std::size_t n = cells.Count();
  for (const std::size_t i : {std::size_t{0}, n / 2, n - 1}) {
    const TCell& c = cells.at(i);
    probe.insert(probe.end(), {c.PositionX, c.PositionY, c.Size});
  }
  return probe;
}

bool SameGrid(const CellSquares& squares, const TCellList& cells) {
  return squares.columns == cells.Columns() && squares.rows == cells.Rows() &&
         squares.boxes.size() == cells.Count() && squares.probe == Probe(cells);
}

/// The squares DrawSquare paints: PositionX/Y -/+ Size, corners swapped
/// where reversed, clipped to the panel.
std::shared_ptr<const CellSquares> SquaresOf(const TCellList& cells) {
  auto s = std::make_shared<CellSquares>();
  s->columns = cells.Columns();
  s->rows = cells.Rows();
  s->probe = Probe(cells);
  const std::size_t n = cells.Count();
  s->boxes.resize(n);
  s->whole.assign(n, 1);
  s->owner.assign(static_cast<std::size_t>(kPanelWidth) * kPanelHeight, -1);
  for (std::size_t i = 0; i < n; ++i) {
    const TCell& c = cells.at(i);
    int64_t x1 = int64_t{c.PositionX} - c.Size, x2 = int64_t{c.PositionX} + c.Size;
    int64_t y1 = int64_t{c.PositionY} - c.Size, y2 = int64_t{c.PositionY} + c.Size;
    if (x2 < x1) std::swap(x1, x2);
    if (y2 < y1) std::swap(y1, y2);
    PixelBox b{std::max<int64_t>(x1, 0), std::max<int64_t>(y1, 0), std::min<int64_t>(x2, kPanelWidth),
               std::min<int64_t>(y2, kPanelHeight)};
    if (b.x1 >= b.x2 || b.y1 >= b.y2) b = PixelBox{0, 0, 0, 0};
    s->boxes[i] = b;
    for (int64_t y = b.y1; y < b.y2; ++y) {
      std::fill_n(s->owner.begin() + y * kPanelWidth + b.x1, b.x2 - b.x1, static_cast<int32_t>(i));
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    const PixelBox& b = s->boxes[i];
    for (int64_t y = b.y1; y < b.y2 && s->whole[i]; ++y) {
      for (int64_t x = b.x1; x < b.x2; ++x) {
        if (s->owner[static_cast<std::size_t>(y * kPanelWidth + x)] != static_cast<int32_t>(i)) {
          s->whole[i] = 0;
          break;
        }
      }
    }
  }
  return s;
}

/// The agent layer drawn over the track layer, as QPainter's drawImage
/// does it: the canvas writes every agent pixel opaque and leaves the rest
/// transparent (0), so each pixel is the agent layer's or the track
/// layer's, in one pass that the compiler vectorises. A layer with a
/// translucent pixel (which the canvas never writes) is left to QPainter.
__attribute__((optimize("tree-vectorize"))) QImage Composite(const QImage& track, const QImage& agents) {
  QImage panel(track.width(), track.height(), QImage::Format_RGB32);
  if (panel.isNull()) return panel;
  uint32_t translucent = 0;
  const int width = track.width();
  for (int y = 0; y < track.height(); ++y) {
    const auto* t = reinterpret_cast<const uint32_t*>(track.constScanLine(y));
    const auto* a = reinterpret_cast<const uint32_t*>(agents.constScanLine(y));
    auto* out = reinterpret_cast<uint32_t*>(panel.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const uint32_t alpha = a[x] >> 24;
      const uint32_t agent = 0u - ((alpha + 0xFFu) >> 8);  // all ones where the agent layer has a pixel
      out[x] = t[x] ^ ((t[x] ^ a[x]) & agent);
      translucent |= alpha ^ ((a[x] >> 31) * 0xFFu);  // 0 for alpha 0 and 255
    }
  }
  if (translucent != 0) {
    panel = track.copy();
    QPainter painter(&panel);
    painter.drawImage(0, 0, agents);
  }
  return panel;
}

}  // namespace

FrameScene FrameSceneTaker::Take(Simulation& sim, bool gravity, bool agents, std::string* warning) {
  FrameScene scene;
  const std::size_t n = sim.Cells.Count();
  const int32_t* kinds = sim.Cells.KindData();
  bool known = true;
  for (std::size_t i = 0; i < n; ++i) known &= static_cast<uint32_t>(kinds[i]) <= kObstacle;
  if (gravity || !known) {
    scene.whole = FramePicture(sim, gravity, agents, warning);
    return scene;
  }
  if (warning != nullptr) warning->clear();
  scene.blank = sim.settings.CB_noTracks || sim.Cells.Empty();
  if (!scene.blank) {
    if (!squares_ || !SameGrid(*squares_, sim.Cells)) squares_ = SquaresOf(sim.Cells);
    scene.squares = squares_;
    const double* values = sim.settings.CB_showAB ? sim.Cells.ReturnTrackData() : sim.Cells.TrackData();
    scene.values.assign(values, values + n);
    scene.kinds.assign(kinds, kinds + n);
    std::tie(scene.shownMax, scene.shownMin) = sim.ShownTrackRange();
  }
  if (agents) {
    scene.agents.reserve(sim.Agents.size());
    for (const TAgent& agent : sim.Agents) scene.agents.push_back(MarkOf(agent));
  }
  return scene;
}

FramePainter::FramePainter() = default;
FramePainter::~FramePainter() = default;

QImage FramePainter::Paint(const FrameScene& scene) {
  if (!scene.whole.isNull()) return scene.whole;
  if (track_.isNull()) {
    track_ = QImage(kPanelWidth, kPanelHeight, QImage::Format_RGB32);
    agents_ = QImage(kPanelWidth, kPanelHeight, QImage::Format_ARGB32_Premultiplied);
    if (track_.isNull() || agents_.isNull()) return {};
    track_.fill(OpaquePixel(kWhite));
  }
  if (scene.blank || scene.squares != squares_) {
    squares_ = scene.squares;
    track_.fill(OpaquePixel(kWhite));
    shown_.assign(squares_ ? squares_->boxes.size() : 0, 0u);
  }
  if (!scene.blank) {
    const CellSquares& sq = *squares_;
    const std::size_t n = sq.boxes.size();
    if (scene.values.size() != n || scene.kinds.size() != n) return {};
    colours_.resize(n);
    if (!CellColours(scene.values.data(), scene.kinds.data(), n, scene.shownMin, scene.shownMax, colours_.data())) {
      return {};
    }
    auto* bits = reinterpret_cast<uint32_t*>(track_.bits());
    const auto stride = static_cast<int64_t>(track_.bytesPerLine() / 4);
    for (std::size_t i = 0; i < n; ++i) {
      const uint32_t pixel = OpaquePixel(colours_[i]);
      if (pixel == shown_[i]) continue;
      shown_[i] = pixel;
      const PixelBox& b = sq.boxes[i];
      for (int64_t y = b.y1; y < b.y2; ++y) {
        uint32_t* row = bits + y * stride;
        if (sq.whole[i]) {
          std::fill(row + b.x1, row + b.x2, pixel);
          continue;
        }
        const int32_t* owners = sq.owner.data() + y * kPanelWidth;
        for (int64_t x = b.x1; x < b.x2; ++x) {
          if (owners[x] == static_cast<int32_t>(i)) row[x] = pixel;
        }
      }
    }
  }
  // The agents as the panel's agent layer draws them after its wipe: on a
  // transparent layer, in order, pen and brush starting white.
  agents_.fill(0u);
  if (!scene.agents.empty()) {
    Canvas canvas(agents_, Canvas::WhiteIs::Transparent);
    canvas.SetPenColor(kWhite);
    canvas.SetBrushColor(kWhite);
    Canvas::Batch batch(canvas);
    for (const AgentMark& mark : scene.agents) Draw(mark, canvas);
  }
  QImage panel = Composite(track_, agents_);
  panel.setDotsPerMeterX(kDotsPerMeter);
  panel.setDotsPerMeterY(kDotsPerMeter);
  return panel;
}

}  // namespace quorvan
