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
  static const std::map<std::string, const char*> titles = {
      {"wiggle", "wiggle threshold (degrees)"}, {"threshold", "angle threshold (degrees)"},
      {"noise", "return noise"},                {"consume", "consume probability"},
      {"decay", "decay rate (per step)"},       {"agents", "agents"},
      {"cell_size", "cell size (pixels)"},      {"steps", "steps run (step)"},
      {"landscape_seed", "landscape seed"},     {"mode", "landscape mode"},
      {"sniff", "sniffing rule"},               {"trail", "trail"},
      {"world", "world file"}};
  const auto it = titles.find(column);
  return it != titles.end() ? QString::fromUtf8(it->second) : QString::fromStdString(column);
}

struct PointStat {
  std::optional<double> centre, low, high;
  std::vector<double> reached;    // the runs' values
  std::vector<double> censored;   // runs that never got there: their last step
};

}  // namespace

std::string WriteResponsePlot(const std::string& dir) {
  CsvTable runs;
  std::string error;
  if (!ReadCsv(dir + "/runs.csv", runs, error)) return "cannot draw the response figure: " + error;
  const int replicateCol = runs.Column("replicate"), stepsCol = runs.Column("steps");
  if (replicateCol != 2 || stepsCol < 0 || runs.rows.empty()) return {};  // not one setting: no response figure
  const std::string setting = runs.header[1];

  // The points in order, with their rows.
  std::vector<std::string> values;
  std::vector<std::vector<std::size_t>> rowsOf;
  std::map<std::string, std::size_t> at;
  for (std::size_t r = 0; r < runs.rows.size(); ++r) {
    const auto [it, fresh] = at.try_emplace(runs.rows[r][1], values.size());
    if (fresh) values.push_back(runs.rows[r][1]), rowsOf.emplace_back();
    rowsOf[it->second].push_back(r);
  }
  if (values.size() < 2) return {};
  // A numeric setting is placed by value, another one point after another.
  std::vector<double> xs(values.size());
  bool numeric = true;
  for (std::size_t i = 0; i < values.size(); ++i) {
    char* end = nullptr;
    xs[i] = std::strtod(values[i].c_str(), &end);
    numeric = numeric && !values[i].empty() && end == values[i].c_str() + values[i].size() && std::isfinite(xs[i]);
  }
  if (!numeric)
    for (std::size_t i = 0; i < xs.size(); ++i) xs[i] = static_cast<double>(i);
  double spacing = xs.back() - xs.front();
  for (std::size_t i = 1; i < xs.size(); ++i) spacing = std::min(spacing, std::abs(xs[i] - xs[i - 1]));

  std::vector<std::optional<double>> steps;
  if (!runs.Numbers(stepsCol, steps, error)) return "cannot draw the response figure: " + error;
  std::vector<const OutputInfo*> outputs;
  std::vector<std::vector<PointStat>> stats;
  for (const OutputInfo& o : kOutputs) {
    const int c = runs.Column(o.column);
    std::vector<std::optional<double>> column;
    if (c < 0 || !runs.Numbers(c, column, error)) continue;
    std::vector<PointStat> perPoint(values.size());
    for (std::size_t p = 0; p < values.size(); ++p) {
      PointStat& s = perPoint[p];
      std::vector<analysis::Passage> passages;
      for (const std::size_t r : rowsOf[p]) {
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
    outputs.push_back(&o);
    stats.push_back(std::move(perPoint));
  }
  if (outputs.empty()) return {};
  if (std::string e = plot::EnsureApplication(); !e.empty()) return e;

  std::size_t runCount = runs.rows.size();
  const std::size_t every = (runCount + kMaxDots - 1) / kMaxDots;
  const QString title = QStringLiteral("Response to the %1").arg(SettingTitle(setting).section(QLatin1Char(' '), 0, -1));
  QString caption = QStringLiteral(
      "Dots: runs. Line: the mean over a point's runs; shaded band: its 95% confidence interval (Student t). "
      "For the time to 50% successful, the line is the Kaplan\u2013Meier median, counting runs that never got there "
      "(open triangles, at their last step) as censored; its band is the median's 95% interval, open-ended "
      "where it reaches past the runs.");
  if (every > 1) caption += QStringLiteral(" One run in %1 shown as a dot.").arg(every);

  const double contentW = plot::kFigureWidth - 20;
  const QFont titleFont = plot::FigureFont(19, true), textFont = plot::FigureFont(13.5);
  const std::size_t cols = outputs.size();
  const double left = 86, gap = 78;
  const double panelW = (plot::kFigureWidth - left - 16 - gap * static_cast<double>(cols - 1)) / static_cast<double>(cols);
  const double panelH = std::clamp(panelW * 0.9, 180.0, 320.0);
  const double top = 14 + plot::WrappedHeight(title, contentW, titleFont) + 40;
  const double captionTop = top + panelH + 54;
  const double height = captionTop + plot::WrappedHeight(caption, contentW, textFont) + 14;

  const auto draw = [&](QPainter& p) {
    p.setPen(Qt::black);
    plot::DrawWrapped(p, title, 10, 14, contentW, titleFont);
    for (std::size_t o = 0; o < outputs.size(); ++o) {
      const std::vector<PointStat>& perPoint = stats[o];
      double lowY = 0, highY = outputs[o]->percent ? 100 : 1;
      for (const PointStat& s : perPoint) {
        for (const double v : s.reached) lowY = std::min(lowY, v), highY = std::max(highY, v);
        for (const double v : s.censored) highY = std::max(highY, v);
        if (s.low) lowY = std::min(lowY, *s.low);
        if (s.high) highY = std::max(highY, *s.high);
      }
      plot::Panel panel;
      panel.box = QRectF(left + static_cast<double>(o) * (panelW + gap), top, panelW, panelH);
      const double pad = numeric ? spacing * 0.5 : 0.6;
      panel.x = numeric ? plot::NiceAxis(xs.front() - pad, xs.back() + pad, 4, true)
                        : plot::Axis{-0.6, xs.back() + 0.6, {}};
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
      // The band, then the dots, then the line on top.
      const QColor colour = plot::SeriesColour(0);
      std::vector<double> bx, bl, bh, lx, ly;
      for (std::size_t i = 0; i < perPoint.size(); ++i) {
        const PointStat& s = perPoint[i];
        if (s.centre) lx.push_back(xs[i]), ly.push_back(*s.centre);
        if (s.low || s.high) {
          bx.push_back(xs[i]);
          bl.push_back(s.low.value_or(s.centre.value_or(panel.y.low)));
          bh.push_back(s.high.value_or(panel.y.high));
        }
      }
      QColor fill = colour;
      fill.setAlpha(50);
      if (bx.size() > 1) plot::DrawBand(p, panel, bx, bl, bh, fill);
      QPolygonF dots, open;
      std::size_t n = 0;
      for (std::size_t i = 0; i < perPoint.size(); ++i) {
        const auto jitter = [&](std::size_t k) {
          return xs[i] + spacing * 0.16 * (static_cast<double>((k * 7) % 11) / 5.0 - 1.0);
        };
        std::size_t k = 0;
        for (const double v : perPoint[i].reached)
          if (n++ % every == 0) dots.append(QPointF(std::round(panel.X(jitter(k++))), std::round(panel.Y(v))));
        for (const double v : perPoint[i].censored)
          if (n++ % every == 0) open.append(QPointF(std::round(panel.X(jitter(k++))), std::round(panel.Y(v))));
      }
      p.setPen(QPen(QColor(0x60, 0x60, 0x60, 150), 4.2, Qt::SolidLine, Qt::RoundCap));
      p.drawPoints(dots);
      p.setPen(QPen(QColor(0xd5, 0x5e, 0x00), 1.2));
      p.setBrush(Qt::NoBrush);
      for (const QPointF& c : open)
        p.drawPolygon(QPolygonF({c + QPointF(0, -4), c + QPointF(4, 3), c + QPointF(-4, 3)}));
      plot::DrawLine(p, panel, lx, ly, QPen(colour, 2.2));
      p.setPen(QPen(colour, 1));
      p.setBrush(colour);
      for (std::size_t i = 0; i < lx.size(); ++i) p.drawEllipse(QPointF(panel.X(lx[i]), panel.Y(ly[i])), 3.2, 3.2);
      p.restore();
    }
    p.setPen(QColor(0x33, 0x33, 0x33));
    plot::DrawWrapped(p, caption, 10, captionTop, contentW, textFont);
  };
  return plot::WriteFigure(height, title, draw, dir + "/response.png", dir + "/response.svg");
}

}  // namespace quorvan::batch
