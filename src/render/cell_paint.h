#pragma once
// Painting one cell's square on the track layer: TCell.Paint and
// TCell.PaintIfChanged. The cell record belongs to the model, which knows
// nothing of canvases, so these are free functions over the grid.

#include <cmath>
#include <cstdint>
#include <vector>

#include "canvas.h"
#include "Calcer.h"

namespace quorvan {

/// Which trail gives a free cell its grey.
inline constexpr int32_t kTrailFootprint = 0;  // Track
inline constexpr int32_t kTrailReturn = 1;     // ReturnTrack

/// The grey level of trail value v against the range [shownMin, shownMax]:
/// 255 - e rounded half to even, where e = (v - shownMin) * 235 / (shownMax
/// - shownMin), plus 20 when v > 0. Not limited to 0..255.
///
/// Beyond the plain formula:
/// - an empty range (shownMax == shownMin) or one whose scale is not finite
///   paints with a scale of 0: 235 for a trail above 0, 255 for none;
/// - a level beyond 32 bits saturates (a trail grown far past the range
///   gives INT32_MIN, whose low eight bits are black), and a level that is
///   not a number at all (an infinite trail against an infinite range)
///   gives 0, black.
int32_t GreyLevel(double v, long double shownMin, long double shownMax);

/// The scale of GreyLevel: 235 / (shownMax - shownMin) held as a double,
/// 0 for an empty range or one whose scale is not finite.
double GreyScale(long double shownMin, long double shownMax);
/// GreyLevel with the range's scale worked out already.
int32_t GreyLevel(double v, long double shownMin, double scale);

/// TCell.Paint: computes and stores the cell's Grey from `trail` (0 Track,
/// 1 ReturnTrack) against the grid's shown range, sets pen and brush by its
/// Kind (a Kind outside 0..3 leaves them as they are), draws its square
/// PositionX/Y +/- Size with pen width 0, and records Track in LastPainted.
void Paint(TCellList& cells, int32_t column, int32_t row, Canvas& canvas, int32_t trail);
/// Paint with the scale of the grid's range worked out already, for runs
/// over many cells.
void Paint(TCellList& cells, int32_t column, int32_t row, Canvas& canvas, int32_t trail, double scale);

/// Paint of each cell listed (grid indices), in that order, with the
/// scale of the grid's range worked out already: a step's repainting.
void PaintCells(TCellList& cells, const std::vector<std::size_t>& indices, Canvas& canvas, int32_t trail,
                double scale);

/// The colour Paint gives each of n cells, from its Kind and its shown
/// trail value, against the range [shownMin, shownMax], without touching a
/// cell. False, with nothing written, when a Kind lies outside 0..3: that
/// cell's colour is whatever the canvas held, which only the painting in
/// order knows.
bool CellColours(const double* values, const int32_t* kinds, std::size_t n, long double shownMin,
                 long double shownMax, TColor* colours);

/// The incremental rule: has Track moved by more than 1 since `last`, the
/// Track of the cell's last painting? The difference is formed in extended
/// precision; the double difference decides every case but the one where
/// it rounds to exactly 1.
inline bool TrackMoved(double track, double last) {
  const double moved = std::fabs(track - last);
  return moved > 1.0 ||
         (moved == 1.0 && std::fabs(static_cast<long double>(track) - static_cast<long double>(last)) > 1.0L);
}

/// The cell's square as its last Paint left it: the colour of its Kind, a
/// free cell in the grey of its stored Grey. Computes nothing and records
/// nothing, so the cell's painting state stays as it is (an opened world).
void PaintAsStored(TCellList& cells, int32_t column, int32_t row, Canvas& canvas);

/// TCell.PaintIfChanged: Paint when |Track - LastPainted| > 1, whichever
/// trail is shown.
void PaintIfChanged(TCellList& cells, int32_t column, int32_t row, Canvas& canvas, int32_t trail);

}  // namespace quorvan
