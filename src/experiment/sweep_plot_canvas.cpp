#include "sweep_plot_canvas.h"


#include <QBuffer>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainterPath>
#include <QPolygonF>
#include <QSvgGenerator>
#include <QTextLayout>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "output_file.h"
#include "text_drawing.h"

namespace quorvan::batch::plot {

namespace {

constexpr double kPngScale = 1.6;  // 1600 pixels across: about 240 dpi at 170 mm

double NiceStep(double span, int ticks) {
  const double raw = span / std::max(1, ticks);
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double m : {1.0, 2.0, 2.5, 5.0, 10.0})
    if (raw <= m * magnitude) return m * magnitude;
  return 10 * magnitude;
}

QString TickText(double v, double step) {
  if (std::abs(v) < step * 1e-9) v = 0;
  // As many decimals as the step needs (0.25: two).
  int decimals = 0;
  for (double scaled = step; decimals < 6 && std::abs(scaled - std::round(scaled)) > 1e-6 * std::max(1.0, scaled);
       scaled *= 10)
    ++decimals;
  if (std::abs(v) >= 1e5 && step >= 1) return QString::number(v, 'g', 4);
  return QString::number(v, 'f', std::min(decimals, 6));
}

bool WriteBytes(OutputFile& file, const std::string& path, const QByteArray& bytes, std::string& error) {
  if (!file.Open(path, error)) return false;
  // A failed write is reported by Finish, with its reason (a full disk).
  file.Write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  return file.Finish(error);
}

}  // namespace

Axis NiceAxis(double low, double high, int ticks, bool tight) {
  if (!(high > low)) {
    const double pad = std::max(1.0, std::abs(low) * 0.1);
    low -= pad, high += pad;
  }
  const double step = NiceStep(high - low, ticks);
  Axis a;
  a.low = tight ? low : std::floor(low / step + 1e-9) * step;
  a.high = tight ? high : std::ceil(high / step - 1e-9) * step;
  for (double t = std::ceil(a.low / step - 1e-9) * step; t <= a.high + step * 1e-6; t += step) a.ticks.push_back(t);
  return a;
}

double Panel::X(double v) const { return box.left() + (v - x.low) / (x.high - x.low) * box.width(); }
double Panel::Y(double v) const { return box.bottom() - (v - y.low) / (y.high - y.low) * box.height(); }

QFont FigureFont(double size, bool bold) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
  f.setBold(bold);
  return f;
}

void DrawPanel(QPainter& p, const Panel& panel, const QString& title, bool xLabels, bool yLabels, const QString& xTitle,
               const QString& yTitle) {
  const QRectF& b = panel.box;
  const QFont tickFont = FigureFont(13), titleFont = FigureFont(15);
  p.setPen(QPen(QColor(0xe4, 0xe4, 0xe4), 1));
  for (const double t : panel.y.ticks)
    p.drawLine(QPointF(b.left(), std::round(panel.Y(t))), QPointF(b.right(), std::round(panel.Y(t))));
  for (const double t : panel.x.ticks)
    p.drawLine(QPointF(std::round(panel.X(t)), b.top()), QPointF(std::round(panel.X(t)), b.bottom()));
  p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(b);
  p.setFont(tickFont);
  const double xStep = panel.x.ticks.size() > 1 ? panel.x.ticks[1] - panel.x.ticks[0] : 1;
  const double yStep = panel.y.ticks.size() > 1 ? panel.y.ticks[1] - panel.y.ticks[0] : 1;
  if (xLabels) {
    // Every other label when they would crowd.
    const double room = b.width() / static_cast<double>(std::max<std::size_t>(1, panel.x.ticks.size()));
    const std::size_t every = room < 45 ? 2 : 1;
    for (std::size_t i = 0; i < panel.x.ticks.size(); i += every) {
      const double x = panel.X(panel.x.ticks[i]);
      // Labels at the frame's edges keep inside it, clear of the next panel's.
      QRectF box(x - 40, b.bottom() + 3, 80, 16);
      Qt::Alignment align = Qt::AlignHCenter;
      if (x <= b.left() + 0.5) box = QRectF(x - 4, b.bottom() + 3, 80, 16), align = Qt::AlignLeft;
      if (x >= b.right() - 0.5) box = QRectF(x - 76, b.bottom() + 3, 80, 16), align = Qt::AlignRight;
      p.drawText(box, static_cast<int>(align | Qt::AlignTop), TickText(panel.x.ticks[i], xStep));
    }
    if (!xTitle.isEmpty()) {
      p.setFont(titleFont);
      p.drawText(QRectF(b.left(), b.bottom() + 20, b.width(), 20), Qt::AlignHCenter | Qt::AlignTop, xTitle);
      p.setFont(tickFont);
    }
  }
  if (yLabels) {
    for (const double t : panel.y.ticks)
      p.drawText(QRectF(b.left() - 48, panel.Y(t) - 8, 44, 16), Qt::AlignRight | Qt::AlignVCenter, TickText(t, yStep));
    if (!yTitle.isEmpty()) {
      p.save();
      p.setFont(titleFont);
      p.translate(b.left() - 62, b.center().y());
      p.rotate(-90);
      p.drawText(QRectF(-b.height() / 2 - 60, -18, b.height() + 120, 20), Qt::AlignHCenter | Qt::AlignBottom, yTitle);
      p.restore();
    }
  }
  if (!title.isEmpty()) {
    p.setFont(titleFont);
    p.setPen(Qt::black);
    const QString shown = QFontMetricsF(titleFont).elidedText(title, Qt::ElideMiddle, b.width());
    p.drawText(QRectF(b.left(), b.top() - 21, b.width(), 20), Qt::AlignHCenter | Qt::AlignBottom, shown);
  }
}

namespace {

QPolygonF Rounded(const Panel& panel, const std::vector<double>& xs, const std::vector<double>& ys) {
  QPolygonF poly;
  poly.reserve(static_cast<qsizetype>(xs.size()));
  for (std::size_t i = 0; i < xs.size(); ++i) {
    const double y = std::clamp(panel.Y(ys[i]), panel.box.top(), panel.box.bottom());
    const QPointF pt(std::round(panel.X(xs[i])), std::round(y));
    if (poly.isEmpty() || poly.back() != pt) poly.append(pt);
  }
  return poly;
}

}  // namespace

void DrawLine(QPainter& p, const Panel& panel, const std::vector<double>& xs, const std::vector<double>& ys,
              const QPen& pen) {
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  const QPolygonF poly = Rounded(panel, xs, ys);
  if (poly.size() == 1) {
    p.drawPoint(poly.front());
  } else {
    p.drawPolyline(poly);
  }
}

void DrawBand(QPainter& p, const Panel& panel, const std::vector<double>& xs, const std::vector<double>& low,
              const std::vector<double>& high, const QColor& fill) {
  QPolygonF poly = Rounded(panel, xs, high);
  const QPolygonF lower = Rounded(panel, xs, low);
  for (auto it = lower.rbegin(); it != lower.rend(); ++it) poly.append(*it);
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawPolygon(poly);
}

double WrappedHeight(const QString& text, double width, const QFont& font) {
  return QFontMetricsF(font).boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, text).height();
}

double DrawWrapped(QPainter& p, const QString& text, double left, double top, double width, const QFont& font,
                   Qt::Alignment align) {
  const double h = WrappedHeight(text, width, font);
  p.setFont(font);
  p.drawText(QRectF(left, top, width, h + 2), static_cast<int>(align) | Qt::TextWordWrap, text);
  return h;
}

QColor SeriesColour(std::size_t i) {
  // Okabe and Ito's palette, distinct for colour-blind readers.
  static const std::array<QRgb, 8> colours = {0x0072b2, 0xd55e00, 0x009e73, 0xcc79a7,
                                              0xe69f00, 0x56b4e9, 0x000000, 0x999999};
  return QColor(colours[i % colours.size()]);
}

QColor ScaleColour(double t) {
  // A few stops of viridis, interpolated.
  static const std::array<std::array<double, 3>, 5> stops = {
      {{68, 1, 84}, {59, 82, 139}, {33, 145, 140}, {94, 201, 98}, {253, 231, 37}}};
  t = std::clamp(t, 0.0, 1.0) * 0.92;  // the last yellow is too pale on white
  const double at = t * (stops.size() - 1);
  const auto i = std::min(static_cast<std::size_t>(at), stops.size() - 2);
  const double f = at - static_cast<double>(i);
  const auto mix = [&](std::size_t c) {
    return static_cast<int>(std::lround(stops[i][c] + f * (stops[i + 1][c] - stops[i][c])));
  };
  return QColor(mix(0), mix(1), mix(2));
}

std::string EnsureApplication() {
  return EnsureTextDrawing() ? "" : "cannot draw the plot: the program runs a Qt application without a GUI";
}

std::string WriteFigure(double height, const QString& title, const std::function<void(QPainter&)>& draw,
                        const std::string& pngPath, const std::string& svgPath) {
  if (std::string e = EnsureApplication(); !e.empty()) return e;
  const int h = static_cast<int>(std::ceil(height));
  const int w = static_cast<int>(kFigureWidth);
  QByteArray pngBytes, svgBytes;
  {
    QImage image(static_cast<int>(w * kPngScale), static_cast<int>(h * kPngScale), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(kPngScale, kPngScale);
    draw(painter);
    painter.end();
    QBuffer buffer(&pngBytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return "cannot write '" + pngPath + "': the picture could not be encoded";
  }
  {
    QBuffer buffer(&svgBytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(QSize(w, h));
    generator.setViewBox(QRectF(0, 0, w, h));
    generator.setResolution(static_cast<int>(std::lround(kFigureWidth / kFigureMillimetres * 25.4)));
    generator.setTitle(title);
    QPainter painter;
    if (!painter.begin(&generator)) return "cannot write '" + svgPath + "': the drawing could not start";
    painter.fillRect(QRectF(0, 0, w, h), Qt::white);
    draw(painter);
    painter.end();
  }
  // Both complete before either replaces what was there.
  std::string error;
  OutputFile png, svg;
  if (!WriteBytes(png, pngPath, pngBytes, error) || !WriteBytes(svg, svgPath, svgBytes, error)) return error;
  if (!png.Rename(error) || !svg.Rename(error)) return error;
  return {};
}

}  // namespace quorvan::batch::plot
