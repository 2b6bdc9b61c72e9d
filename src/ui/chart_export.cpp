#include "chart_export.h"

#include <QImageWriter>
#include <QPainter>
#include <QPixmap>
#include <QSvgGenerator>
#include <QWidget>
#include <charconv>

namespace quorvan {

namespace {

void AppendNumber(std::string& out, double v) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  out.append(buffer, result.ptr);
}

}  // namespace

std::string ChartCsv(std::span<const ChartPoint> points) {
  std::string text = "step,successful,returning,track_max,deliveries\n";
  for (const ChartPoint& p : points) {
    for (double v : {p.step, p.successful, p.returning, p.trackMax}) {
      AppendNumber(text, v);
      text += ',';
    }
    if (p.deliveries) text += std::to_string(*p.deliveries);
    text += '\n';
  }
  return text;
}

bool IsSvgPath(const QString& path) { return path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive); }

std::string WriteChartPicture(QWidget& chart, QIODevice& device, bool svg) {
  if (!svg) {
    QImageWriter writer(&device, "png");
    if (!writer.write(chart.grab().toImage())) return writer.errorString().toStdString();
    return {};
  }
  QSvgGenerator generator;
  generator.setOutputDevice(&device);
  generator.setSize(chart.size());
  generator.setViewBox(QRect(QPoint(0, 0), chart.size()));
  generator.setTitle(QStringLiteral("Quorvan chart"));
  QPainter painter;
  if (!painter.begin(&generator)) return "cannot draw the chart as SVG";
  chart.render(&painter);
  painter.end();
  return {};
}

}  // namespace quorvan
