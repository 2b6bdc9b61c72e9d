#pragma once
// The two raster layers of the drawing panel and the model's display calls
// that paint them.
//
// TrackLayer is opaque (Format_RGB32): one square per cell, in the grey of
// the shown trail or the colour of its kind, with the gravity lines on it.
// AgentLayer (Format_ARGB32_Premultiplied) is transparent where it is
// blank; every agent is a small circle with a heading tick on it. The panel
// shows AgentLayer over TrackLayer (Composite).
//
// A window derives its display from this class and overrides the hooks
// that are not painting (labels, chart, step count); its handlers call the
// public painting operations directly. Every operation does nothing while
// there are no layers (before CreateLayers, after ReleaseLayers) or no
// world.

#include <QImage>
#include <optional>
#include <string>
#include <vector>

#include "agent_draw.h"
#include "canvas.h"
#include "display.h"
#include "simulation.h"

namespace quorvan {

class LayerPainter : public Display {
 public:
  explicit LayerPainter(Simulation& sim, int width = kPanelWidth, int height = kPanelHeight);
  LayerPainter(const LayerPainter&) = delete;
  LayerPainter& operator=(const LayerPainter&) = delete;

  /// Two new layers of the panel's size: TrackLayer white, AgentLayer
  /// transparent, both canvases with a fresh pen and brush.
  void CreateLayers() override;
  /// Under "no tracks" (CB_noTracks) blanks the track layer white and
  /// leaves the cells alone; otherwise hands every cell the range of the
  /// last scan (TrackMax, TrackMin) and repaints, row by row, those whose
  /// Track moved by more than 1 since they were last painted, with the
  /// trail that CB_showAB chooses.
  void PaintChangedCells() override;
  /// Repaints one cell with Trail 0 against the range it holds.
  void PaintCell(int32_t column, int32_t row) override;
  /// Wipes the agent layer (white, i.e. transparent).
  void ClearAgentLayer() override;
  /// Draws every agent, in list order.
  void DrawAgents() override;
  /// Draws the gravity lines on the track layer; the message of an E_grav
  /// text that is not a number, or empty.
  std::string DrawGravityLines() override;
  /// Drops both layers.
  void ReleaseLayers() override;

  /// Hands every cell the range of the last scan and repaints all of them,
  /// whatever "no tracks" says.
  void PaintAllCells();

  bool HasLayers() const { return trackCanvas_.has_value(); }
  const QImage& TrackLayer() const { return track_; }
  const QImage& AgentLayer() const { return agent_; }
  /// What the panel shows: AgentLayer composited over TrackLayer
  /// (Format_RGB32). A null image while there are no layers.
  QImage Composite() const;

  int Width() const { return width_; }
  int Height() const { return height_; }

 protected:
  Simulation& sim() { return sim_; }

 private:
  /// The cells of the world, when there is one to paint on.
  bool CanPaintCells() const;
  /// Hands the scanned range to every cell (one shared pair in the grid).
  void HandOutRange();
  /// Paint of one cell, with the scale of the grid's range.
  void PaintAt(int32_t column, int32_t row, int32_t trail, double scale);
  /// Paints the cells listed in changed_, in their order.
  void PaintListed(int32_t trail, double scale);
  /// The part of a box on the layers.
  PixelBox Clip(const PixelBox& box) const;

  Simulation& sim_;
  int width_;
  int height_;
  QImage track_;
  QImage agent_;
  std::optional<Canvas> trackCanvas_;
  std::optional<Canvas> agentCanvas_;

  /// The cells a PaintChangedCells repaints (grid indices), kept to reuse its memory.
  std::vector<std::size_t> changed_;

  // Where agents were drawn since the agent layer was last wiped, one box
  // per agent (clipped to the layer). Nothing else draws on that layer, so
  // the rest of it is still blank and a wipe need only clear these boxes:
  // wiping the whole layer costs more than drawing all the agents. Should
  // there ever be too many, the next wipe clears the whole layer.
  std::vector<PixelBox> agentBoxes_;
  bool agentBoxesComplete_ = true;
};

}  // namespace quorvan
