#pragma once
// The chart's data and picture as files: the data in the batch runner's
// columns, the picture as PNG or SVG.

#include <QString>
#include <span>
#include <string>

#include "world_file.h"

class QIODevice;
class QWidget;

namespace quorvan {

/// step,successful,returning,track_max,deliveries, one row per point, each
/// number in the shortest text that reads back as the same value; a point
/// without deliveries (of a world saved before the chart kept them) has
/// that field empty.
std::string ChartCsv(std::span<const ChartPoint> points);

/// Whether `path` asks for an SVG picture (by its extension), else PNG.
bool IsSvgPath(const QString& path);

/// Draws `chart` as it is shown into `device`, as SVG or PNG. Returns an
/// empty text on success, else why it failed.
std::string WriteChartPicture(QWidget& chart, QIODevice& device, bool svg);

}  // namespace quorvan
