// The figures of a design's analysis: the indices per output (Sobol bars
// with intervals, Morris mu* against sigma, PRCC bars), and the accepted
// points of a calibration over the prior ranges (a pair plot).
#include <QFontMetricsF>
#include <algorithm>
#include <cmath>
#include <map>

#include "csv_table.h"
#include "sweep_plot.h"
#include "sweep_plot_canvas.h"

namespace quorvan::batch {

namespace {

struct Measure {
  double value = 0;
  std::optional<double> low, high;
};

// indices[output][setting][measure], outputs and settings in the order they came.
struct Indices {
  std::vector<std::string> outputs, settings;
  std::map<std::string, std::map<std::string, std::map<std::string, Measure>>> at;
};

std::optional<double> Number(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::string ReadIndices(const std::string& csv, Indices& out) {
  CsvTable t;
  std::string error;
  if (!ParseCsv(csv, "indices.csv", t, error)) return error;
  if (t.header != std::vector<std::string>{"output", "setting", "measure", "value", "low", "high"})
    return "indices.csv does not have the columns output,setting,measure,value,low,high";
  for (const auto& row : t.rows) {
    const std::optional<double> v = Number(row[3]);
    if (!v) return "indices.csv holds '" + row[3] + "' as a value";
    if (std::find(out.outputs.begin(), out.outputs.end(), row[0]) == out.outputs.end()) out.outputs.push_back(row[0]);
    if (std::find(out.settings.begin(), out.settings.end(), row[1]) == out.settings.end())
      out.settings.push_back(row[1]);
    out.at[row[0]][row[1]][row[2]] = {*v, Number(row[4]), Number(row[5])};
  }
  if (out.outputs.empty()) return "indices.csv holds no indices";
  return {};
}

void CategoryLabels(QPainter& p, const plot::Panel& panel, const std::vector<std::string>& names) {
  p.setFont(plot::FigureFont(12));
  p.setPen(QColor(0x33, 0x33, 0x33));
  const double room = panel.box.width() / static_cast<double>(names.size());
  for (std::size_t i = 0; i < names.size(); ++i)
    p.drawText(QRectF(panel.X(static_cast<double>(i)) - room / 2, panel.box.bottom() + 3, room, 16), Qt::AlignHCenter,
               QFontMetricsF(p.font()).elidedText(QString::fromStdString(names[i]), Qt::ElideMiddle, room));
}

}  // namespace

std::string WriteIndicesPlot(const std::string& indicesCsv, const std::string& pngPath, const std::string& svgPath) {
  Indices ix;
  if (std::string e = ReadIndices(indicesCsv, ix); !e.empty()) return "cannot draw the indices: " + e;
  if (std::string e = plot::EnsureApplication(); !e.empty()) return e;
  const auto& sample = ix.at[ix.outputs.front()][ix.settings.front()];
  const bool sobol = sample.count("first") > 0, morris = sample.count("mu_star") > 0;
  const QString title = sobol    ? QStringLiteral("Sobol indices of each output")
                        : morris ? QStringLiteral("Morris elementary effects of each output")
                                 : QStringLiteral("Partial rank correlations of each output");
  const QString caption =
      sobol ? QStringLiteral(
                  "Bars: first-order index (Saltelli 2010; dark) and total index (Jansen; light) of each "
                  "setting; whiskers: their 95% bootstrap intervals. The first-order index is the share of "
                  "the output's variance the setting explains alone; the total adds its interactions.")
      : morris ? QStringLiteral(
                     "Each setting at its mean absolute elementary effect \u03bc* (influence) and the "
                     "effects' standard deviation \u03c3 (nonlinearity or interaction), in the output's "
                     "units per whole range of the setting.")
               : QStringLiteral(
                     "Bars: the partial rank correlation coefficient of each setting with the output, "
                     "the other settings accounted for; at the end of each bar its p-value.");
  const std::size_t panels = ix.outputs.size();
  const std::size_t cols = std::min<std::size_t>(3, panels), rows = (panels + cols - 1) / cols;
  const double left = 86, gap = 92;
  const double panelW =
      (plot::kFigureWidth - left - 16 - gap * static_cast<double>(cols - 1)) / static_cast<double>(cols);
  const double panelH = std::clamp(panelW * 0.8, 180.0, 300.0), rowH = panelH + 76;
  const double contentW = plot::kFigureWidth - 20;
  const QFont titleFont = plot::FigureFont(19, true), textFont = plot::FigureFont(13.5);
  const double legendH = sobol ? 22 : 0;
  const double top = 14 + plot::WrappedHeight(title, contentW, titleFont) + 8 + legendH + 30;
  const double captionTop = top + static_cast<double>(rows) * rowH;
  const double height = captionTop + plot::WrappedHeight(caption, contentW, textFont) + 14;
  const QColor dark = plot::SeriesColour(0), light(0x9e, 0xc9, 0xe8);

  const auto draw = [&](QPainter& p) {
    p.setPen(Qt::black);
    double y = 14 + plot::DrawWrapped(p, title, 10, 14, contentW, titleFont) + 8;
    if (sobol) {
      p.setFont(textFont);
      p.fillRect(QRectF(12, y + 3, 14, 12), dark);
      p.setPen(QColor(0x33, 0x33, 0x33));
      p.drawText(QRectF(32, y, 150, 18), Qt::AlignVCenter, QStringLiteral("first-order"));
      p.fillRect(QRectF(142, y + 3, 14, 12), light);
      p.drawText(QRectF(162, y, 150, 18), Qt::AlignVCenter, QStringLiteral("total"));
    }
    for (std::size_t o = 0; o < panels; ++o) {
      const auto& per = ix.at[ix.outputs[o]];
      plot::Panel panel;
      panel.box = QRectF(left + static_cast<double>(o % cols) * (panelW + gap),
                         top + static_cast<double>(o / cols) * rowH, panelW, panelH);
      const QString name = QString::fromStdString(ix.outputs[o]);
      const auto k = static_cast<double>(ix.settings.size());
      if (morris) {
        double mx = 0, my = 0;
        for (const auto& [s, m] : per) mx = std::max(mx, m.at("mu_star").value), my = std::max(my, m.at("sigma").value);
        panel.x = plot::NiceAxis(0, mx > 0 ? mx * 1.15 : 1, 4);
        panel.y = plot::NiceAxis(0, my > 0 ? my * 1.15 : 1, 4);
        plot::DrawPanel(p, panel, name, true, true, QStringLiteral("\u03bc*"), QStringLiteral("\u03c3"));
        p.setFont(plot::FigureFont(12.5));
        for (std::size_t i = 0; i < ix.settings.size(); ++i) {
          const auto& m = per.at(ix.settings[i]);
          const QPointF at(panel.X(m.at("mu_star").value), panel.Y(m.at("sigma").value));
          p.setPen(QPen(plot::SeriesColour(i), 1));
          p.setBrush(plot::SeriesColour(i));
          p.drawEllipse(at, 4, 4);
          p.setPen(QColor(0x22, 0x22, 0x22));
          const bool leftSide = at.x() > panel.box.right() - 80;
          p.drawText(QRectF(leftSide ? at.x() - 106 : at.x() + 6, at.y() - 16, 100, 16),
                     leftSide ? Qt::AlignRight : Qt::AlignLeft, QString::fromStdString(ix.settings[i]));
        }
        continue;
      }
      double lo = 0, hi = sobol ? 1 : 1;
      if (!sobol) lo = -1;
      for (const auto& [s, m] : per)
        for (const auto& [measure, v] : m) {
          if (measure == "prcc_p") continue;
          lo = std::min(lo, v.low.value_or(v.value)), hi = std::max(hi, v.high.value_or(v.value));
        }
      panel.x = plot::Axis{-0.6, k - 0.4, {}};
      panel.y = plot::NiceAxis(lo, hi, 5);
      plot::DrawPanel(p, panel, name, false, true, QString(), sobol ? QStringLiteral("index") : QStringLiteral("PRCC"));
      CategoryLabels(p, panel, ix.settings);
      p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1));
      p.drawLine(QPointF(panel.box.left(), panel.Y(0)), QPointF(panel.box.right(), panel.Y(0)));
      const double slot = panel.box.width() / k;
      for (std::size_t i = 0; i < ix.settings.size(); ++i) {
        const auto& m = per.at(ix.settings[i]);
        const auto bar = [&](const Measure& v, double offset, double width, const QColor& colour) {
          const double x = panel.X(static_cast<double>(i)) + offset * slot;
          const double y0 = panel.Y(0), y1 = panel.Y(v.value);
          p.fillRect(QRectF(x - width * slot / 2, std::min(y0, y1), width * slot, std::abs(y1 - y0)), colour);
          if (v.low && v.high) {
            p.setPen(QPen(Qt::black, 1.2));
            p.drawLine(QPointF(x, panel.Y(*v.low)), QPointF(x, panel.Y(*v.high)));
            p.drawLine(QPointF(x - 4, panel.Y(*v.low)), QPointF(x + 4, panel.Y(*v.low)));
            p.drawLine(QPointF(x - 4, panel.Y(*v.high)), QPointF(x + 4, panel.Y(*v.high)));
          }
        };
        if (sobol) {
          bar(m.at("first"), -0.17, 0.3, dark);
          bar(m.at("total"), 0.17, 0.3, light);
        } else {
          const Measure& r = m.at("prcc");
          bar(r, 0, 0.5, dark);
          const double pv = m.count("prcc_p") ? m.at("prcc_p").value : 1;
          const QString label = pv < 0.001 ? QStringLiteral("p<0.001") : QStringLiteral("p=%1").arg(pv, 0, 'g', 2);
          // Beside the bar's end, or inside it when the end is near the panel's edge.
          const bool inside = std::abs(r.value) > 0.8 * std::max(std::abs(panel.y.low), std::abs(panel.y.high));
          const double yText = (r.value >= 0) != inside ? panel.Y(r.value) - 16 : panel.Y(r.value) + 2;
          p.setPen(inside ? QColor(Qt::white) : QColor(0x22, 0x22, 0x22));
          p.setFont(plot::FigureFont(11.5));
          p.drawText(QRectF(panel.X(static_cast<double>(i)) - slot / 2, yText, slot, 14), Qt::AlignHCenter, label);
        }
      }
    }
    p.setPen(QColor(0x33, 0x33, 0x33));
    plot::DrawWrapped(p, caption, 10, captionTop, contentW, textFont);
  };
  return plot::WriteFigure(height, title, draw, pngPath, svgPath);
}

std::string WritePosteriorPlot(const std::string& posteriorCsv, const std::string& summaryCsv,
                               const std::string& pngPath, const std::string& svgPath) {
  CsvTable post, summary;
  std::string error;
  if (!ParseCsv(posteriorCsv, "posterior.csv", post, error) ||
      !ParseCsv(summaryCsv, "posterior_summary.csv", summary, error))
    return "cannot draw the posterior: " + error;
  const std::size_t k = summary.rows.size();
  if (k == 0 || post.header.size() != k + 3) return "cannot draw the posterior: its tables do not agree";
  std::vector<std::string> names;
  std::vector<double> lows, highs;
  for (const auto& row : summary.rows) {
    names.push_back(row[0]);
    lows.push_back(Number(row[1]).value_or(0));
    highs.push_back(Number(row[2]).value_or(1));
  }
  std::vector<std::vector<double>> points;
  for (const auto& row : post.rows) {
    std::vector<double> v;
    for (std::size_t i = 0; i < k; ++i) v.push_back(Number(row[2 + i]).value_or(0));
    points.push_back(std::move(v));
  }
  if (std::string e = plot::EnsureApplication(); !e.empty()) return e;
  const QString title = QStringLiteral("Accepted settings (ABC rejection): %1 of %2 points")
                            .arg(post.rows.size())
                            .arg(QString::fromStdString(summary.rows[0][8]));
  const QString caption = QStringLiteral(
      "Diagonal: how the accepted points spread over each setting's prior range (histogram, the dashed line "
      "the posterior mean). Below it: the accepted points for each pair of settings, the axes spanning the "
      "prior ranges.");
  const double left = 86, gap = 18, contentW = plot::kFigureWidth - 20;
  const double cell = std::min(260.0, (plot::kFigureWidth - left - 16 - gap * static_cast<double>(k - 1)) / static_cast<double>(k));
  const QFont titleFont = plot::FigureFont(19, true), textFont = plot::FigureFont(13.5);
  const double top = 14 + plot::WrappedHeight(title, contentW, titleFont) + 36;
  const double captionTop = top + static_cast<double>(k) * (cell + gap) + 40;
  const double height = captionTop + plot::WrappedHeight(caption, contentW, textFont) + 14;
  const auto draw = [&](QPainter& p) {
    p.setPen(Qt::black);
    plot::DrawWrapped(p, title, 10, 14, contentW, titleFont);
    for (std::size_t r = 0; r < k; ++r) {
      for (std::size_t c = 0; c <= r; ++c) {
        plot::Panel panel;
        panel.box = QRectF(left + static_cast<double>(c) * (cell + gap), top + static_cast<double>(r) * (cell + gap),
                           cell, cell);
        panel.x = plot::NiceAxis(lows[c], highs[c], 3, true);
        const bool bottom = r == k - 1;
        if (r == c) {
          // A histogram of the accepted values over the prior range.
          constexpr int bins = 12;
          std::vector<int> counts(bins, 0);
          double mean = 0;
          for (const auto& v : points) {
            const double u = highs[c] > lows[c] ? (v[c] - lows[c]) / (highs[c] - lows[c]) : 0.5;
            ++counts[static_cast<std::size_t>(std::clamp(static_cast<int>(u * bins), 0, bins - 1))];
            mean += v[c];
          }
          mean /= static_cast<double>(std::max<std::size_t>(1, points.size()));
          const int tallest = std::max(1, *std::max_element(counts.begin(), counts.end()));
          panel.y = plot::NiceAxis(0, tallest, 3);
          // Only the first column has a scale: each histogram says its tallest bar.
          plot::DrawPanel(p, panel, c == 0 ? QString() : QStringLiteral("tallest bar: %1 points").arg(tallest), bottom,
                          c == 0, QString::fromStdString(names[c]),
                          c == 0 ? QStringLiteral("points") : QString());
          for (int b = 0; b < bins; ++b) {
            const double x0 = lows[c] + (highs[c] - lows[c]) * b / bins,
                         x1 = lows[c] + (highs[c] - lows[c]) * (b + 1) / bins;
            p.fillRect(QRectF(QPointF(panel.X(x0) + 0.5, panel.Y(counts[static_cast<std::size_t>(b)])),
                              QPointF(panel.X(x1) - 0.5, panel.Y(0))),
                       plot::SeriesColour(0));
          }
          p.setPen(QPen(plot::SeriesColour(1), 1.6, Qt::DashLine));
          p.drawLine(QPointF(panel.X(mean), panel.box.top()), QPointF(panel.X(mean), panel.box.bottom()));
        } else {
          panel.y = plot::NiceAxis(lows[r], highs[r], 3, true);
          plot::DrawPanel(p, panel, QString(), bottom, c == 0, QString::fromStdString(names[c]),
                          c == 0 ? QString::fromStdString(names[r]) : QString());
          QPolygonF dots;
          for (const auto& v : points) dots.append(QPointF(std::round(panel.X(v[c])), std::round(panel.Y(v[r]))));
          QColor dot = plot::SeriesColour(0);
          dot.setAlpha(140);
          p.setPen(QPen(dot, 4, Qt::SolidLine, Qt::RoundCap));
          p.drawPoints(dots);
        }
      }
    }
    p.setPen(QColor(0x33, 0x33, 0x33));
    plot::DrawWrapped(p, caption, 10, captionTop, contentW, textFont);
  };
  return plot::WriteFigure(height, title, draw, pngPath, svgPath);
}

}  // namespace quorvan::batch
