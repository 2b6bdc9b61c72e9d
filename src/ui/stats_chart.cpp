#include "stats_chart.h"

#include <QChart>
#include <QElapsedTimer>
#include <QLegend>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>

namespace quorvan {

namespace {

// The round numbers an axis ends on, per decade.
constexpr double kRoundSteps[] = {1.0, 1.2, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 8.0, 10.0};
constexpr double kLargest = std::numeric_limits<double>::max();

}  // namespace

double RoundUp(double v) {
  if (!(v > 0.0)) return v < 0.0 ? -RoundDown(-v) : 0.0;
  const double decade = std::pow(10.0, std::floor(std::log10(v)));
  // Past the largest round number a double holds, the largest double.
  for (double m : kRoundSteps) {
    if (m * decade >= v * (1.0 - 1e-12)) return std::min(m * decade, kLargest);
  }
  return std::min(10.0 * decade, kLargest);
}

double TickStep(double span) {
  if (!(span > 0.0)) return 1.0;
  // A span beyond the largest double still gets a step of a fifth of it.
  if (!std::isfinite(span)) return 2.0 * TickStep(kLargest);
  const double raw = span / 5.0;
  const double decade = std::pow(10.0, std::floor(std::log10(raw)));
  const double m = raw / decade;
  return (m <= 1.0 ? 1.0 : m <= 2.0 ? 2.0 : m <= 5.0 ? 5.0 : 10.0) * decade;
}

double RoundDown(double v) {
  if (!(v > 0.0)) return v < 0.0 ? -RoundUp(-v) : 0.0;
  const double decade = std::pow(10.0, std::floor(std::log10(v)));
  for (auto m = std::rbegin(kRoundSteps); m != std::rend(kRoundSteps); ++m) {
    if (*m * decade <= std::min(v * (1.0 + 1e-12), kLargest)) return *m * decade;
  }
  return decade;
}

QList<QPointF> ThinMinMax(std::span<const QPointF> points, int maxPoints) {
  const std::size_t n = points.size();
  maxPoints = std::max(maxPoints, 2);
  if (n <= static_cast<std::size_t>(maxPoints)) return QList<QPointF>(points.begin(), points.end());

  const std::size_t buckets = static_cast<std::size_t>(maxPoints) / 2;
  QList<QPointF> out;
  out.reserve(static_cast<qsizetype>(buckets * 2));
  for (std::size_t b = 0; b < buckets; ++b) {
    const std::size_t begin = b * n / buckets;
    const std::size_t end = (b + 1) * n / buckets;
    std::size_t low = begin;
    std::size_t high = begin;
    for (std::size_t i = begin + 1; i < end; ++i) {
      if (points[i].y() < points[low].y()) low = i;
      if (points[i].y() > points[high].y()) high = i;
    }
    out.append(points[std::min(low, high)]);
    if (low != high) out.append(points[std::max(low, high)]);
  }
  return out;
}

StatsChart::StatsChart(QWidget* parent)
    : QChartView(parent),
      chart_(new QChart),
      axisX_(new QValueAxis),
      axisLeft_(new QValueAxis),
      axisRight_(new QValueAxis) {
  setChart(chart_);  // the view owns the chart from here
  chart_->setTitle(QStringLiteral("TChart"));
  chart_->legend()->setAlignment(Qt::AlignRight);
  chart_->setPlotAreaBackgroundVisible(false);

  // Ticks on multiples of a round step, whatever the range.
  for (QValueAxis* axis : {axisX_, axisLeft_, axisRight_}) {
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0.0);
    axis->setLabelFormat(QStringLiteral("%g"));
  }
  axisX_->setTitleText(QStringLiteral("step"));
  axisLeft_->setTitleText(QStringLiteral("max mark"));
  axisRight_->setTitleText(QStringLiteral("per cent"));
  chart_->addAxis(axisX_, Qt::AlignBottom);
  chart_->addAxis(axisLeft_, Qt::AlignLeft);
  // The percentages' axis does not follow the data.
  axisRight_->setRange(0.0, 101.0);
  axisRight_->setTickInterval(20.0);
  axisRight_->setGridLineVisible(false);  // the left axis draws the grid
  chart_->addAxis(axisRight_, Qt::AlignRight);

  // The series of the design; the first setup removes it before any data.
  auto* designed = new QLineSeries;
  designed->setName(QStringLiteral("Series1"));
  chart_->addSeries(designed);
  designed->setPen(QPen(QColor(255, 0, 0), 1));

  flushTimer_.setSingleShot(true);
  connect(&flushTimer_, &QTimer::timeout, this, &StatsChart::Flush);
}

QLineSeries* StatsChart::AddSeries(const QString& title, QValueAxis* axis, const QColor& colour,
                                   int width) {
  auto* series = new QLineSeries;
  series->setName(title);
  chart_->addSeries(series);  // the chart owns it until it is removed
  series->attachAxis(axisX_);
  series->attachAxis(axis);
  // After addSeries: attaching would otherwise give the theme's colour.
  series->setPen(QPen(colour, width));
  return series;
}

void StatsChart::CreateChartSeries() {
  while (!chart_->series().isEmpty()) {
    QAbstractSeries* first = chart_->series().constFirst();
    chart_->removeSeries(first);
    delete first;
  }
  chart_->setTitle(QStringLiteral("average values"));

  SuccessSeries = AddSeries(QStringLiteral("successful Ag`s"), axisRight_, QColor(255, 0, 0), 1);
  MaxMarkSeries = AddSeries(QStringLiteral("max mark"), axisLeft_, QColor(0, 128, 0), 1);
  ReturnSeries = AddSeries(QStringLiteral("returning Ag"), axisRight_, QColor(255, 255, 0), 2);

  success_.clear();
  maxMark_.clear();
  returning_.clear();
  deliveries_.clear();
  flushTimer_.stop();
  Flush();
}

void StatsChart::AddChartPoints(int step, double successful, double returning, double trackMax) {
  const double x = step;
  success_.emplace_back(x, successful);
  returning_.emplace_back(x, returning);
  maxMark_.emplace_back(x, trackMax);
  deliveries_.emplace_back();
  if (maxMark_.size() == 1) {
    maxMarkLow_ = maxMarkHigh_ = trackMax;
  } else {
    maxMarkLow_ = std::min(maxMarkLow_, trackMax);
    maxMarkHigh_ = std::max(maxMarkHigh_, trackMax);
  }
  if (!flushTimer_.isActive()) flushTimer_.start(NextFlushInterval());
}

void StatsChart::SetPoints(std::span<const ChartPoint> points) {
  CreateChartSeries();
  for (const ChartPoint& p : points) {
    AddChartPoints(0, p.successful, p.returning, p.trackMax);
    // The stored step, not a rounded one: a point's x is a double.
    success_.back().setX(p.step);
    returning_.back().setX(p.step);
    maxMark_.back().setX(p.step);
    deliveries_.back() = p.deliveries;
  }
  flushTimer_.stop();
  Flush();
}

std::vector<ChartPoint> StatsChart::Points() const {
  std::vector<ChartPoint> points(success_.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    points[i] = {success_[i].x(), success_[i].y(), returning_[i].y(), maxMark_[i].y(), deliveries_[i]};
  }
  return points;
}

void StatsChart::SetLastDeliveries(int32_t deliveries) {
  if (!deliveries_.empty()) deliveries_.back() = deliveries;
}

int StatsChart::NextFlushInterval() const {
  const double costMs = static_cast<double>(flushCostNs_ + paintCostNs_) * 1e-6;
  return std::clamp(static_cast<int>(costMs / kTimeShare), kFlushInterval, kMaxFlushInterval);
}

void StatsChart::paintEvent(QPaintEvent* event) {
  QElapsedTimer clock;
  clock.start();
  QChartView::paintEvent(event);
  paintCostNs_ = clock.nsecsElapsed();
  paintNsTotal_ += paintCostNs_;
}

void StatsChart::SetRange(QValueAxis* axis, double low, double high) {
  // A new axis already spans 0..1, but with no tick interval yet.
  if (axis->min() == low && axis->max() == high && axis->tickInterval() > 0.0) return;
  // high - low may exceed the largest double; halves do not.
  const double half = high / 2.0 - low / 2.0;
  const double step = std::isfinite(high - low) ? TickStep(high - low) : 2.0 * TickStep(half);
  // Each call lays the axis out at once: a wider range under the old, fine
  // step would make thousands of labels for a moment (seconds to minutes of
  // layout), so a coarser step comes before the range, a finer one after.
  if (step >= axis->tickInterval()) {
    axis->setTickInterval(step);
    axis->setRange(low, high);
  } else {
    axis->setRange(low, high);
    axis->setTickInterval(step);
  }
}

void StatsChart::Flush() {
  ++flushes_;
  if (SuccessSeries == nullptr) return;
  QElapsedTimer clock;
  clock.start();
  ShowPoints();
  flushCostNs_ = clock.nsecsElapsed();
  flushNsTotal_ += flushCostNs_;
}

void StatsChart::ShowPoints() {
  SuccessSeries->replace(ThinMinMax(success_, kShownPoints));
  ReturnSeries->replace(ThinMinMax(returning_, kShownPoints));
  MaxMarkSeries->replace(ThinMinMax(maxMark_, kShownPoints));

  if (success_.empty()) {
    SetRange(axisX_, 0.0, 1.0);
    SetRange(axisLeft_, 0.0, 1.0);
    return;
  }
  // The horizontal and the left axis span the data, out to round numbers:
  // a new range lays the whole chart out anew (several milliseconds), so
  // it should come a few dozen times in a run, not at every flush.
  const double first = success_.front().x();
  const double last = success_.back().x();
  SetRange(axisX_, first, RoundUp(std::max(last, first + 1.0)));
  if (std::isfinite(maxMarkLow_) && std::isfinite(maxMarkHigh_)) {
    const double low = RoundDown(maxMarkLow_);
    const double high = RoundUp(maxMarkHigh_);
    SetRange(axisLeft_, low, high > low ? high : low + 1.0);
  }
}

}  // namespace quorvan
