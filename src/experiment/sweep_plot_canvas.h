#pragma once
// A few drawing tools for the sweep figures, on QPainter: panels with
// nice-number axes, lines and bands rounded to whole units (so that the SVG
// stays light), and one figure rendered to PNG and SVG and written through
// OutputFile (both files complete before either replaces its target).
//
// A figure is laid out in units of kFigureWidth across 170 mm.

#include <QColor>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <functional>
#include <string>
#include <vector>

namespace quorvan::batch::plot {

inline constexpr double kFigureWidth = 1000;  ///< units across the figure
inline constexpr double kFigureMillimetres = 170;

struct Axis {
  double low = 0, high = 1;
  std::vector<double> ticks;
};

/// An axis over [low, high] widened to nice numbers (or kept as it is when
/// `tight`), with about `ticks` ticks at nice numbers.
Axis NiceAxis(double low, double high, int ticks, bool tight = false);

struct Panel {
  QRectF box;  ///< the plotting area, in figure units
  Axis x, y;
  double X(double v) const;
  double Y(double v) const;
};

/// Fonts in figure units.
QFont FigureFont(double size, bool bold = false);

/// Frame, grid, ticks; tick labels and axis titles where asked (small
/// multiples label only their outer panels); a title above the panel.
void DrawPanel(QPainter& p, const Panel& panel, const QString& title, bool xLabels, bool yLabels, const QString& xTitle,
               const QString& yTitle);

/// A polyline through (xs[i], ys[i]), clipped to the panel, its vertices
/// rounded to whole units with repeats dropped.
void DrawLine(QPainter& p, const Panel& panel, const std::vector<double>& xs, const std::vector<double>& ys,
              const QPen& pen);
/// The area between `low` and `high` over xs.
void DrawBand(QPainter& p, const Panel& panel, const std::vector<double>& xs, const std::vector<double>& low,
              const std::vector<double>& high, const QColor& fill);

/// Text wrapped to `width`, from `top`; returns the height used.
double DrawWrapped(QPainter& p, const QString& text, double left, double top, double width, const QFont& font,
                   Qt::Alignment align = Qt::AlignLeft);
/// The height `text` takes wrapped to `width`.
double WrappedHeight(const QString& text, double width, const QFont& font);

/// A colour per series, told apart on white (and in grey); repeats after eight.
QColor SeriesColour(std::size_t i);
/// A colour along a sequential scale, t in [0, 1] (dark blue to yellow).
QColor ScaleColour(double t);

/// Draws the figure (kFigureWidth x `height` units) with `draw` into a PNG
/// and an SVG of 170 mm width and writes both, replacing neither unless
/// both are complete. Returns an error text, empty on success.
std::string WriteFigure(double height, const QString& title, const std::function<void(QPainter&)>& draw,
                        const std::string& pngPath, const std::string& svgPath);

/// Makes sure a QGuiApplication exists (offscreen when no platform is set).
std::string EnsureApplication();

}  // namespace quorvan::batch::plot
