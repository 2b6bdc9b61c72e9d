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
  /// Wipes the agent layer (white, i.e. transparent). The wipe is done on
  /// the pixels when the layer is next looked at.
  void ClearAgentLayer() override;
  /// Draws every agent, in list order, as it stands now. The drawing is
  /// done on the pixels when the layer is next looked at.
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
  /// The agent layer as the wipes and drawings so far have left it. Its
  /// pixels are brought up to date here, when someone looks (see below):
  /// the image shows what it held when it was asked for, so ask again
  /// after painting rather than keeping the reference.
  const QImage& AgentLayer() const;
  /// What the panel shows: AgentLayer composited over TrackLayer
  /// (Format_RGB32). A null image while there are no layers.
  QImage Composite() const;

  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  /// The cells of the world, when there is one to paint on.
  bool CanPaintCells() const;
  /// Hands the scanned range to every cell (one shared pair in the grid).
  void HandOutRange();
  /// Paint of one cell, with the scale of the grid's range.
  void PaintAt(int32_t column, int32_t row, int32_t trail, double scale);
  /// The part of a box on the layers.
  PixelBox Clip(const PixelBox& box) const;

  /// Carries out on the agent layer's pixels the wipe and the drawings
  /// kept since they were last brought up to date.
  void BringAgentLayerUpToDate() const;
  /// The wipe of ClearAgentLayer, done on the pixels.
  void WipeAgentPixels() const;
  /// Draw of each agent mark, in order, done on the pixels.
  void DrawAgentPixels(const std::vector<AgentMark>& marks) const;

  Simulation& sim_;
  int width_;
  int height_;
  QImage track_;
  std::optional<Canvas> trackCanvas_;

  /// The cells a PaintChangedCells repaints (grid indices), kept to reuse its memory.
  std::vector<std::size_t> changed_;

  // The agent layer is wiped and drawn at every step but looked at only
  // some tens of times a second (the panel's frames, a picture, a test).
  // ClearAgentLayer and DrawAgents therefore keep what they would do: a
  // wipe, and what Draw reads of each agent in list order. AgentLayer()
  // does it on the pixels, in the same order and on the same canvas, so
  // the layer holds exactly what wiping and drawing at once would have
  // left; steps between two looks never draw agents that no one sees.
  // Only these two operations touch the agent layer, and its canvas's pen
  // and brush are set by each of them before use, so doing them later
  // changes nothing else.
  mutable QImage agent_;
  mutable std::optional<Canvas> agentCanvas_;
  /// A wipe is waiting; drawings kept before it are dropped.
  mutable bool wipePending_ = false;
  /// Agents to draw after the waiting wipe (or over the pixels as they are).
  mutable std::vector<AgentMark> pendingMarks_;

  // Where agents were drawn on the pixels since they were last wiped, one
  // box per agent (clipped to the layer). Nothing else draws on that layer,
  // so the rest of it is still blank and a wipe need only clear these
  // boxes: wiping the whole layer costs more than drawing all the agents.
  // Should there ever be too many, the next wipe clears the whole layer.
  mutable std::vector<PixelBox> agentBoxes_;
  mutable bool agentBoxesComplete_ = true;
};

}  // namespace quorvan
