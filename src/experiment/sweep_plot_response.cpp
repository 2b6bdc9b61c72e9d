// The response figure of a one-setting sweep: each output against the
// setting, drawn from runs.csv.
#include <QFontMetricsF>
#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

#include "csv_table.h"
#include "kaplan_meier.h"
#include "stats_summary.h"
#include "sweep_plot.h"
#include "sweep_plot_canvas.h"

namespace quorvan::batch {

namespace {

constexpr std::size_t kMaxDots = 2000;  // per panel; more runs are shown one in k
constexpr std::size_t kMaxSeries = 8;   // lines per panel for a two-setting sweep

struct OutputInfo {
  const char* column;
  const char* title;
  const char* axis;
  bool passage;  // a first-passage step: Kaplan-Meier median
  bool percent;
};

const OutputInfo kOutputs[] = {
    {"deliveries", "deliveries over the run", "deliveries (agents)", false, false},
    {"successful_50", "time to 50% successful", "step", true, false},
    {"returning", "returning at the last step", "returning agents (%)", false, true},
};

QString SettingTitle(const std::string& column) {
  static const std::map<std::string, const char*> titles = {{"wiggle", "wiggle threshold (degrees)"},
                                                            {"threshold", "angle threshold (degrees)"},
                                                            {"noise", "return noise"},
                                                            {"consume", "consume probability"},
                                                            {"decay", "decay rate (per step)"},
                                                            {"agents", "agents"},
                                                            {"cell_size", "cell size (pixels)"},
                                                            {"steps", "steps run (step)"},
                                                            {"landscape_seed", "landscape seed"},
                                                            {"mode", "landscape mode"},
                                                            {"sniff", "sniffing rule"},
                                                            {"trail", "trail"},
                                                            {"world", "world file"}};
  const auto it = titles.find(column);
  return it != titles.end() ? QString::fromUtf8(it->second) : QString::fromStdString(column);
}

struct PointStat {
  std::optional<double> centre, low, high;
  std::vector<double> reached;   // the runs' values
  std::vector<double> censored;  // runs that never got there: their last step
};

}  // namespace

std::string WriteResponsePlot(const std::string& dir) {
  CsvTable runs;
  std::string error;
  if (!ReadCsv(dir + "/runs.csv", runs, error)) return "cannot draw the response figure: " + error;
  const int replicateCol = runs.Column("replicate"), stepsCol = runs.Column("steps");
  // One setting, or two (a line per value of the outer one); else no figure.
  if (replicateCol < 2 || replicateCol > 3 || stepsCol < 0 || runs.rows.empty()) return {};
  const auto xCol = static_cast<std::size_t>(replicateCol - 1);
  const bool bySeries = xCol == 2;
  const std::string setting = runs.header[xCol];

  // The values of the setting and of the outer one, in order, and each
  // pair's rows.
  std::vector<std::string> values, seriesNames;
  std::map<std::string, std::size_t> valueAt, seriesAt;
  for (const auto& row : runs.rows) {
    if (valueAt.try_emplace(row[xCol], values.size()).second) values.push_back(row[xCol]);
    const std::string name = bySeries ? row[1] : std::string();
    if (seriesAt.try_emplace(name, seriesNames.size()).second) seriesNames.push_back(name);
  }
  if (values.size() < 2 || seriesNames.size() > kMaxSeries) return {};
  // A numeric setting is placed by value, in order; another one value after another.
  std::vector<double> xs(values.size());
  bool numeric = true;
  for (std::size_t i = 0; i < values.size(); ++i) {
    char* end = nullptr;
    xs[i] = std::strtod(values[i].c_str(), &end);
    numeric = numeric && !values[i].empty() && end == values[i].c_str() + values[i].size() && std::isfinite(xs[i]);
  }
  std::vector<std::size_t> order(values.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  if (numeric) {
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return xs[a] < xs[b]; });
  } else {
    for (std::size_t i = 0; i < xs.size(); ++i) xs[i] = static_cast<double>(i);
  }
  std::vector<std::vector<std::vector<std::size_t>>> rowsOf(seriesNames.size(),
                                                            std::vector<std::vector<std::size_t>>(values.size()));
  for (std::size_t r = 0; r < runs.rows.size(); ++r)
    rowsOf[seriesAt[bySeries ? runs.rows[r][1] : std::string()]][valueAt[runs.rows[r][xCol]]].push_back(r);
  const double xMin = xs[order.front()], xMax = xs[order.back()];
  double spacing = xMax - xMin;
  for (std::size_t i = 1; i < order.size(); ++i) spacing = std::min(spacing, xs[order[i]] - xs[order[i - 1]]);

  std::vector<std::optional<double>> steps;
  if (!runs.Numbers(stepsCol, steps, error)) return "cannot draw the response figure: " + error;
  std::vector<const OutputInfo*> outputs;
  std::vector<std::vector<std::vector<PointStat>>> stats;  // [output][series][value]
  for (const OutputInfo& o : kOutputs) {
    const int c = runs.Column(o.column);
    std::vector<std::optional<double>> column;
    if (c < 0 || !runs.Numbers(c, column, error)) continue;
    std::vector<std::vector<PointStat>> perSeries(seriesNames.size(), std::vector<PointStat>(values.size()));
    for (std::size_t sr = 0; sr < seriesNames.size(); ++sr) {
      for (std::size_t p = 0; p < values.size(); ++p) {
        PointStat& s = perSeries[sr][p];
        std::vector<analysis::Passage> passages;
        for (const std::size_t r : rowsOf[sr][p]) {
          if (column[r]) {
            s.reached.push_back(*column[r]);
            passages.push_back({*column[r], true});
          } else if (o.passage && steps[r]) {
            s.censored.push_back(*steps[r]);
            passages.push_back({*steps[r], false});
          }
        }
        if (o.passage) {
          const analysis::KaplanMeierMedian km = analysis::KaplanMeier(passages);
          s.centre = km.median, s.low = km.low, s.high = km.high;
        } else if (!s.reached.empty()) {
          const analysis::Summary sum = analysis::Summarize(s.reached);
          s.centre = sum.mean;
          if (sum.n > 1) s.low = sum.low, s.high = sum.high;
        }
      }
    }
    outputs.push_back(&o);
    stats.push_back(std::move(perSeries));
  }
  if (outputs.empty()) return {};
  if (std::string e = plot::EnsureApplication(); !e.empty()) return e;

  // Dots for the runs while they stay readable: one series, or a few.
  const bool dotsShown = seriesNames.size() <= 3;
  const std::size_t every = (runs.rows.size() + kMaxDots - 1) / kMaxDots;
  QString title = QStringLiteral("Response to the %1").arg(SettingTitle(setting));
  if (bySeries) title += QStringLiteral(", by %1").arg(SettingTitle(runs.header[1]));
  QString caption = dotsShown ? QStringLiteral("Dots: runs. ") : QString();
  caption += QStringLiteral(
      "Line: the mean over a point's runs; shaded band: its 95% confidence interval (Student t). "
      "For the time to 50% successful, the line is the Kaplan\u2013Meier median, counting runs that never got there "
      "(open triangles, at their last step) as censored; its band is the median's 95% interval, open-ended "
      "where it reaches past the runs.");
  if (dotsShown && every > 1) caption += QStringLiteral(" One run in %1 shown as a dot.").arg(every);

  const double contentW = plot::kFigureWidth - 20;
  const QFont titleFont = plot::FigureFont(19, true), textFont = plot::FigureFont(13.5);
  const std::size_t cols = outputs.size();
  const double left = 86, gap = 78;
  const double panelW =
      (plot::kFigureWidth - left - 16 - gap * static_cast<double>(cols - 1)) / static_cast<double>(cols);
  const double panelH = std::clamp(panelW * 0.9, 180.0, 320.0);
  const double legendH = bySeries ? 22 : 0;
  const double top = 14 + plot::WrappedHeight(title, contentW, titleFont) + 8 + legendH + 32;
  const double captionTop = top + panelH + 54;
  const double height = captionTop + plot::WrappedHeight(caption, contentW, textFont) + 14;

  const auto draw = [&](QPainter& p) {
    p.setPen(Qt::black);
    double y = 14 + plot::DrawWrapped(p, title, 10, 14, contentW, titleFont) + 8;
    if (bySeries) {
      // The outer setting's values and their colours.
      p.setFont(textFont);
      double x = 12;
      for (std::size_t sr = 0; sr < seriesNames.size(); ++sr) {
        p.setPen(QPen(plot::SeriesColour(sr), 3));
        p.drawLine(QPointF(x, y + 9), QPointF(x + 22, y + 9));
        p.setPen(QColor(0x33, 0x33, 0x33));
        const QString name = QString::fromStdString(runs.header[1] + "=" + seriesNames[sr]);
        const double w = std::min(220.0, QFontMetricsF(textFont).horizontalAdvance(name) + 8);
        p.drawText(QRectF(x + 28, y, w, 18), Qt::AlignVCenter,
                   QFontMetricsF(textFont).elidedText(name, Qt::ElideMiddle, w));
        x += 28 + w + 16;
      }
    }
    for (std::size_t o = 0; o < outputs.size(); ++o) {
      double lowY = 0, highY = 1;
      for (const std::vector<PointStat>& perPoint : stats[o]) {
        for (const PointStat& s : perPoint) {
          for (const double v : s.reached) lowY = std::min(lowY, v), highY = std::max(highY, v);
          for (const double v : s.censored) highY = std::max(highY, v);
          if (s.low) lowY = std::min(lowY, *s.low);
          if (s.high) highY = std::max(highY, *s.high);
        }
      }
      plot::Panel panel;
      panel.box = QRectF(left + static_cast<double>(o) * (panelW + gap), top, panelW, panelH);
      const double pad = numeric ? spacing * 0.5 : 0.6;
      panel.x = numeric ? plot::NiceAxis(xMin - pad, xMax + pad, 5, true)
                        : plot::Axis{-0.6, static_cast<double>(values.size()) - 0.4, {}};
      // Outputs are counts, steps and per cents: from 0, with room above
      // for the runs that never got there.
      panel.y = outputs[o]->percent ? plot::NiceAxis(0, 100, 5) : plot::NiceAxis(std::max(0.0, lowY), highY * 1.06, 5);
      plot::DrawPanel(p, panel, QString::fromUtf8(outputs[o]->title), numeric, true, SettingTitle(setting),
                      QString::fromUtf8(outputs[o]->axis));
      if (!numeric) {
        p.setFont(plot::FigureFont(12));
        p.setPen(QColor(0x33, 0x33, 0x33));
        const double room = panelW / static_cast<double>(values.size());
        for (std::size_t i = 0; i < values.size(); ++i)
          p.drawText(QRectF(panel.X(xs[i]) - room / 2, panel.box.bottom() + 3, room, 16), Qt::AlignHCenter,
                     QFontMetricsF(p.font()).elidedText(QString::fromStdString(values[i]), Qt::ElideMiddle, room));
        p.setFont(plot::FigureFont(15));
        p.drawText(QRectF(panel.box.left(), panel.box.bottom() + 20, panelW, 20), Qt::AlignHCenter,
                   SettingTitle(setting));
      }
      p.save();
      p.setClipRect(panel.box.adjusted(-3, -3, 3, 3));
      for (std::size_t sr = 0; sr < seriesNames.size(); ++sr) {
        const std::vector<PointStat>& perPoint = stats[o][sr];
        // The band, then the dots, then the line on top.
        const QColor colour = plot::SeriesColour(sr);
        std::vector<double> bx, bl, bh, lx, ly;
        for (const std::size_t i : order) {
          const PointStat& s = perPoint[i];
          if (s.centre) lx.push_back(xs[i]), ly.push_back(*s.centre);
          if (s.low || s.high) {
            bx.push_back(xs[i]);
            bl.push_back(s.low.value_or(s.centre.value_or(panel.y.low)));
            bh.push_back(s.high.value_or(panel.y.high));
          }
        }
        QColor fill = colour;
        fill.setAlpha(seriesNames.size() > 1 ? 38 : 50);
        if (bx.size() > 1) plot::DrawBand(p, panel, bx, bl, bh, fill);
        if (dotsShown) {
          QPolygonF dots, open;
          std::size_t n = 0;
          for (std::size_t i = 0; i < perPoint.size(); ++i) {
            const auto jitter = [&](std::size_t k) {
              return xs[i] + (numeric ? spacing : 1.0) * 0.16 * (static_cast<double>((k * 7) % 11) / 5.0 - 1.0);
            };
            std::size_t k = 0;
            for (const double v : perPoint[i].reached)
              if (n++ % every == 0) dots.append(QPointF(std::round(panel.X(jitter(k++))), std::round(panel.Y(v))));
            for (const double v : perPoint[i].censored)
              if (n++ % every == 0) open.append(QPointF(std::round(panel.X(jitter(k++))), std::round(panel.Y(v))));
          }
          QColor dot = seriesNames.size() > 1 ? colour : QColor(0x60, 0x60, 0x60);
          dot.setAlpha(seriesNames.size() > 1 ? 110 : 150);
          p.setPen(QPen(dot, 4.2, Qt::SolidLine, Qt::RoundCap));
          p.drawPoints(dots);
          p.setPen(QPen(seriesNames.size() > 1 ? colour : QColor(0xd5, 0x5e, 0x00), 1.2));
          p.setBrush(Qt::NoBrush);
          for (const QPointF& c : open)
            p.drawPolygon(QPolygonF({c + QPointF(0, -4), c + QPointF(4, 3), c + QPointF(-4, 3)}));
        }
        plot::DrawLine(p, panel, lx, ly, QPen(colour, 2.2));
        p.setPen(QPen(colour, 1));
        p.setBrush(colour);
        for (std::size_t i = 0; i < lx.size(); ++i) p.drawEllipse(QPointF(panel.X(lx[i]), panel.Y(ly[i])), 3.2, 3.2);
      }
      p.restore();
    }
    p.setPen(QColor(0x33, 0x33, 0x33));
    plot::DrawWrapped(p, caption, 10, captionTop, contentW, textFont);
  };
  return plot::WriteFigure(height, title, draw, dir + "/response.png", dir + "/response.svg");
}

}  // namespace quorvan::batch
