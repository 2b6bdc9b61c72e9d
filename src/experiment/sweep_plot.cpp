#include "sweep_plot.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>
#include <map>

#include "sweep_plot_canvas.h"

namespace quorvan::batch {

namespace {

using plot::Panel;

constexpr std::size_t kMaxPanels = 48;
constexpr std::size_t kMaxCurves = 300;
constexpr double kVertexBudget = 60000;  // vertices of the whole figure, bands included
constexpr double kLeft = 86, kRight = 16, kGap = 16;

std::string CheckCurve(const PlotCurve& c) {
  const std::size_t n = c.steps.size();
  for (const std::vector<double>* v :
       {&c.meanSuccessful, &c.lowSuccessful, &c.highSuccessful, &c.meanReturning, &c.lowReturning, &c.highReturning})
    if (v->size() != n) return "cannot draw the plot: curve '" + c.label + "' has values for some steps only";
  return "";
}

// "wiggle=20 mode=raster" -> ("wiggle=20", "mode=raster"): the outer setting
// and the rest. A value may hold spaces, so a split needs "key=" after it.
std::pair<std::string, std::string> SplitLabel(const std::string& label) {
  for (std::size_t at = label.find(' '); at != std::string::npos; at = label.find(' ', at + 1)) {
    std::size_t k = at + 1;
    while (k < label.size() && (std::islower(static_cast<unsigned char>(label[k])) || label[k] == '-')) ++k;
    if (k > at + 1 && k < label.size() && label[k] == '=') return {label.substr(0, at), label.substr(at + 1)};
  }
  return {label, ""};
}

std::vector<double> Steps(const PlotCurve& c) { return {c.steps.begin(), c.steps.end()}; }

struct Group {
  std::string outer;
  std::vector<std::size_t> curves;
};

}  // namespace

std::string WritePlot(const std::vector<PlotCurve>& curves, const std::string& pngPath, const std::string& svgPath) {
  for (const PlotCurve& c : curves)
    if (std::string e = CheckCurve(c); !e.empty()) return e;
  if (std::string e = plot::EnsureApplication(); !e.empty()) return e;

  // Few points share two panels (successful | returning); more get a panel
  // per value of the outer setting.
  const bool overview = curves.size() <= 4;
  std::vector<Group> groups;
  std::vector<std::string> inner(curves.size());
  if (overview) {
    groups = {{"successful agents", {}}, {"returning agents", {}}};
    for (std::size_t i = 0; i < curves.size(); ++i) groups[0].curves.push_back(i), groups[1].curves.push_back(i);
  } else {
    std::map<std::string, std::size_t> at;
    for (std::size_t i = 0; i < curves.size(); ++i) {
      auto [outer, rest] = SplitLabel(curves[i].label);
      inner[i] = rest;
      const auto [it, fresh] = at.try_emplace(outer, groups.size());
      if (fresh) groups.push_back({outer, {}});
      groups[it->second].curves.push_back(i);
    }
  }
  const std::size_t total = groups.size();
  if (groups.size() > kMaxPanels) groups.resize(kMaxPanels);
  std::size_t drawn = 0;
  for (const Group& g : groups) drawn += g.curves.size();
  // Past kMaxCurves lines, every stride-th inner value is drawn.
  const std::size_t stride = overview ? 1 : (drawn + kMaxCurves - 1) / kMaxCurves;
  if (stride > 1) {
    for (Group& g : groups) {
      std::vector<std::size_t> kept;
      for (std::size_t j = 0; j < g.curves.size(); j += stride) kept.push_back(g.curves[j]);
      g.curves = std::move(kept);
    }
  }
  std::size_t perPanel = 0;
  drawn = 0;
  for (const Group& g : groups) perPanel = std::max(perPanel, g.curves.size()), drawn += g.curves.size();
  // The inner values, in order, each with its colour.
  std::vector<std::string> innerValues;
  for (const Group& g : groups)
    for (const std::size_t i : g.curves)
      if (std::find(innerValues.begin(), innerValues.end(), inner[i]) == innerValues.end())
        innerValues.push_back(inner[i]);
  const bool coloursByPoint = overview || perPanel > 1;
  const bool gradient = !overview && innerValues.size() > 8;
  const bool bands = overview ? curves.size() <= 4 : perPanel <= 2;
  const auto colourOf = [&](std::size_t curve) {
    if (overview) return plot::SeriesColour(curve);
    const auto k =
        static_cast<std::size_t>(std::find(innerValues.begin(), innerValues.end(), inner[curve]) - innerValues.begin());
    if (gradient) return plot::ScaleColour(static_cast<double>(k) / static_cast<double>(innerValues.size() - 1));
    return plot::SeriesColour(k);
  };

  // The grid.
  const std::size_t panels = groups.size();
  const std::size_t cols = panels <= 2    ? std::max<std::size_t>(1, panels)
                           : panels <= 4  ? 2
                           : panels <= 9  ? 3
                           : panels <= 16 ? 4
                           : panels <= 30 ? 5
                                          : 6;
  const std::size_t rows = (panels + cols - 1) / std::max<std::size_t>(1, cols);
  const double panelW =
      (plot::kFigureWidth - kLeft - kRight - kGap * static_cast<double>(cols - 1)) / static_cast<double>(cols);
  const double panelH = std::clamp(panelW * 0.62, 110.0, 300.0);
  const double rowH = panelH + 30;

  // Thin to what a panel can show, within the figure's vertex budget.
  const double seriesPerCurve = bands ? 6 : 2;  // two means, and two bands of two edges each
  const auto budget =
      static_cast<std::size_t>(kVertexBudget / (seriesPerCurve * static_cast<double>(std::max<std::size_t>(1, drawn))));
  const std::size_t keep = std::max<std::size_t>(16, std::min(static_cast<std::size_t>(panelW * 1.2), budget));
  std::vector<PlotCurve> thin(curves.size());
  for (const Group& g : groups)
    for (const std::size_t i : g.curves)
      if (thin[i].steps.empty()) thin[i] = ThinCurve(curves[i], keep);

  int32_t first = 0, last = 1;
  bool any = false;
  for (const PlotCurve& c : curves) {
    if (c.steps.empty()) continue;
    first = any ? std::min(first, c.steps.front()) : c.steps.front();
    last = any ? std::max(last, c.steps.back()) : c.steps.back();
    any = true;
  }
  const plot::Axis xAxis = plot::NiceAxis(first, std::max(last, first + 1), cols >= 4 ? 3 : 5);
  plot::Axis yAxis = plot::NiceAxis(0, 100, panelH < 160 ? 2 : 5);

  // Texts.
  const QString title =
      overview
          ? QStringLiteral("Successful and returning agents over the steps")
          : QStringLiteral("Successful and returning agents over the steps, one panel per %1")
                .arg(QString::fromStdString(SplitLabel(curves.front().label)
                                                .first.substr(0, SplitLabel(curves.front().label).first.find('='))));
  const bool styleLegend = !overview && coloursByPoint && !gradient;
  QString legend;
  if (overview) {
    legend.clear();
  } else if (!coloursByPoint) {
    legend = QStringLiteral("blue, solid: successful agents; orange, dashed: returning agents");
  } else if (gradient) {
    legend = QStringLiteral("solid: successful, dashed: returning; colour from dark to light: %1 \u2026 %2")
                 .arg(QString::fromStdString(innerValues.front()), QString::fromStdString(innerValues.back()));
  }
  QString caption = QStringLiteral("Line: the mean over a point's runs at each step. ");
  caption += bands ? QStringLiteral(
                         "Shaded band: from the lowest to the highest run at each step (the runs' range, "
                         "not a confidence interval). ")
                   : QStringLiteral("Bands left out (too many lines per panel). ");
  caption += QStringLiteral("Curves thinned to the figure's resolution, keeping every extreme.");
  const bool partial = stride > 1 || total > groups.size();
  if (stride > 1)
    caption += QStringLiteral(" One inner value in %1 drawn.").arg(stride);
  if (total > groups.size())
    caption += QStringLiteral(" Showing the first %1 of %2 panels.").arg(groups.size()).arg(total);
  if (partial) caption += QStringLiteral(" Every point is in runs.csv and points.csv.");

  const double contentW = plot::kFigureWidth - 20;
  const QFont titleFont = plot::FigureFont(19, true), textFont = plot::FigureFont(13.5);
  // A legend of named entries (overview, or a few inner values).
  std::vector<std::pair<QString, QColor>> entries;
  if (overview) {
    for (std::size_t i = 0; i < curves.size(); ++i)
      entries.emplace_back(QString::fromStdString(curves[i].label), colourOf(i));
  } else if (coloursByPoint && !gradient) {
    for (std::size_t k = 0; k < innerValues.size(); ++k)
      entries.emplace_back(QString::fromStdString(innerValues[k]), plot::SeriesColour(k));
  }
  const double entryW = 190;
  const auto perRow = static_cast<std::size_t>(std::max(1.0, std::floor((contentW - 60) / entryW)));
  const double legendH = (entries.empty() ? 0 : 20.0 * static_cast<double>((entries.size() + perRow - 1) / perRow)) +
                         (legend.isEmpty() ? 0 : plot::WrappedHeight(legend, contentW, textFont) + 4) +
                         (styleLegend ? 20 : 0);
  const double top = 14 + plot::WrappedHeight(title, contentW, titleFont) + 8 + legendH + 26;
  const double captionTop = top + static_cast<double>(rows) * rowH + 34;
  const double height = captionTop + plot::WrappedHeight(caption, contentW, textFont) + 14;

  const auto draw = [&](QPainter& p) {
    p.setPen(Qt::black);
    double y = 14 + plot::DrawWrapped(p, title, 10, 14, contentW, titleFont) + 8;
    p.setPen(QColor(0x33, 0x33, 0x33));
    if (styleLegend) {
      // Line styles, then the colour of each point.
      p.setFont(textFont);
      p.setPen(QPen(Qt::black, 2));
      p.drawLine(QPointF(12, y + 9), QPointF(40, y + 9));
      p.drawText(QRectF(46, y, 150, 18), Qt::AlignVCenter, QStringLiteral("successful agents"));
      p.setPen(QPen(Qt::black, 2, Qt::DashLine));
      p.drawLine(QPointF(212, y + 9), QPointF(240, y + 9));
      p.setPen(QColor(0x33, 0x33, 0x33));
      p.drawText(QRectF(246, y, 150, 18), Qt::AlignVCenter, QStringLiteral("returning agents"));
      y += 20;
    }
    for (std::size_t e = 0; e < entries.size(); ++e) {
      const double ex = 12 + static_cast<double>(e % perRow) * entryW, ey = y + static_cast<double>(e / perRow) * 20;
      p.setPen(QPen(entries[e].second, 3));
      p.drawLine(QPointF(ex, ey + 9), QPointF(ex + 22, ey + 9));
      p.setPen(QColor(0x33, 0x33, 0x33));
      p.setFont(textFont);
      p.drawText(QRectF(ex + 28, ey, entryW - 32, 18), Qt::AlignVCenter,
                 QFontMetricsF(textFont).elidedText(entries[e].first, Qt::ElideMiddle, entryW - 32));
    }
    y += entries.empty() ? 0 : 20.0 * static_cast<double>((entries.size() + perRow - 1) / perRow);
    if (!legend.isEmpty()) plot::DrawWrapped(p, legend, 10, y, contentW, textFont);

    for (std::size_t g = 0; g < groups.size(); ++g) {
      const std::size_t row = g / cols, col = g % cols;
      Panel panel;
      panel.box = QRectF(kLeft + static_cast<double>(col) * (panelW + kGap), top + static_cast<double>(row) * rowH,
                         panelW, panelH);
      panel.x = xAxis;
      panel.y = yAxis;
      const bool bottom = row == rows - 1 || g + cols >= groups.size();
      plot::DrawPanel(p, panel, QString::fromStdString(groups[g].outer), bottom, col == 0, QStringLiteral("step"),
                      QStringLiteral("agents (%)"));
      p.save();
      p.setClipRect(panel.box.adjusted(-1, -1, 1, 1));
      const bool successfulPanel = !overview || g == 0, returningPanel = !overview || g == 1;
      for (const std::size_t i : groups[g].curves) {
        const PlotCurve& c = thin[i];
        const std::vector<double> xs = Steps(c);
        QColor s = coloursByPoint ? colourOf(i) : plot::SeriesColour(0);
        QColor r = coloursByPoint ? colourOf(i) : plot::SeriesColour(1);
        if (bands) {
          QColor fs = s, fr = r;
          fs.setAlpha(overview ? 40 : 55), fr.setAlpha(overview ? 40 : 55);
          if (successfulPanel) plot::DrawBand(p, panel, xs, c.lowSuccessful, c.highSuccessful, fs);
          if (returningPanel) plot::DrawBand(p, panel, xs, c.lowReturning, c.highReturning, fr);
        }
        const double width = groups[g].curves.size() > 8 ? 1.2 : 1.8;
        if (successfulPanel) plot::DrawLine(p, panel, xs, c.meanSuccessful, QPen(s, width));
        if (returningPanel)
          plot::DrawLine(p, panel, xs, c.meanReturning, QPen(r, width, overview ? Qt::SolidLine : Qt::DashLine));
      }
      p.restore();
    }
    p.setPen(QColor(0x33, 0x33, 0x33));
    plot::DrawWrapped(p, caption, 10, captionTop, contentW, textFont);
  };
  return plot::WriteFigure(height, title, draw, pngPath, svgPath);
}

std::string WriteFigures(const std::vector<PlotCurve>& curves, const std::string& dir) {
  if (std::string e = WritePlot(curves, dir + "/plot.png", dir + "/plot.svg"); !e.empty()) return e;
  return WriteResponsePlot(dir);
}

}  // namespace quorvan::batch
