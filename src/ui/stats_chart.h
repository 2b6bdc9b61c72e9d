#pragma once
// The statistics chart: per step the per cent of successful and of
// returning agents (right axis, fixed 0..101) and the largest trail value
// (left axis), over the steps of the current world.
//
// Every point is kept here, in the program's own storage. The series on
// the screen are handed a thinned copy up to 30 times a second: appending
// to a QLineSeries point by point costs time that grows with the series,
// while a replace() of at most ~1,000 points keeps the cost of a step flat.
// A flush and the repaint after it take a few milliseconds, long enough to
// swallow timer ticks of the run loop; so flushes are spaced so that the
// chart takes no more than a set share of the time.

#include <QChartView>
#include <QList>
#include <QPointF>
#include <QTimer>
#include <optional>
#include <span>
#include <vector>

#include "world_file.h"

class QChart;
class QLineSeries;
class QValueAxis;

namespace quorvan {

/// At most `maxPoints` points of `points` (x ascending) that draw the same
/// line at screen resolution: the points are cut into maxPoints / 2 buckets
/// of consecutive points, and of each bucket its lowest and its highest
/// point are kept, in x order, so no spike disappears. With no more than
/// `maxPoints` points, all of them.
QList<QPointF> ThinMinMax(std::span<const QPointF> points, int maxPoints);

/// The round number (1, 1.2, 1.5, 2, 2.5, 3, 4, 5, 6 or 8 times a power of
/// ten) at or above `v`; RoundDown the one at or below. An axis bound.
double RoundUp(double v);
double RoundDown(double v);
/// A tick step of 1, 2 or 5 times a power of ten, about a fifth of `span`.
double TickStep(double span);

class StatsChart : public QChartView {
  Q_OBJECT

 public:
  /// Points handed to a series at a flush, at most.
  static constexpr int kShownPoints = 1000;
  /// Milliseconds between two flushes while points arrive, at least.
  static constexpr int kFlushInterval = 33;
  /// ... and at most.
  static constexpr int kMaxFlushInterval = 250;
  /// The share of the time that flushing and repainting the chart may take.
  static constexpr double kTimeShare = 0.05;

  explicit StatsChart(QWidget* parent = nullptr);

  /// Removes every series and starts the three curves afresh, empty.
  void CreateChartSeries();
  /// One point per curve at x = `step`; shown at the next flush.
  void AddChartPoints(int step, double successful, double returning, double trackMax);

  /// The deliveries of the step of the last point (none when unknown).
  void SetLastDeliveries(int32_t deliveries);

  /// Hands the series their thinned points now and sets the axis ranges.
  void Flush();

  /// Starts the three curves afresh with `points` (an opened world's) and
  /// shows them at once.
  void SetPoints(std::span<const ChartPoint> points);
  /// Every point stored for the current world, in step order.
  std::vector<ChartPoint> Points() const;

  /// Points stored for the current world, per curve.
  std::size_t StoredPoints() const { return success_.size(); }
  /// Flushes done since the chart was made, and the time they and the
  /// chart's repaints took.
  int Flushes() const { return flushes_; }
  qint64 FlushNanoseconds() const { return flushNsTotal_; }
  qint64 PaintNanoseconds() const { return paintNsTotal_; }
  /// Milliseconds from a first new point to the flush that shows it.
  int NextFlushInterval() const;

  // The curves of the current world (none before the first setup).
  QLineSeries* SuccessSeries = nullptr;
  QLineSeries* MaxMarkSeries = nullptr;
  QLineSeries* ReturnSeries = nullptr;

  QValueAxis* AxisX() const { return axisX_; }
  QValueAxis* AxisLeft() const { return axisLeft_; }
  QValueAxis* AxisRight() const { return axisRight_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QLineSeries* AddSeries(const QString& title, QValueAxis* axis, const QColor& colour, int width);
  void SetRange(QValueAxis* axis, double low, double high);
  /// Hands the series their thinned points and sets the axis ranges.
  void ShowPoints();

  QChart* chart_;
  QValueAxis* axisX_;
  QValueAxis* axisLeft_;
  QValueAxis* axisRight_;

  std::vector<QPointF> success_;
  std::vector<QPointF> maxMark_;
  std::vector<QPointF> returning_;
  // Beside each point: its step's deliveries, which the chart does not draw.
  std::vector<std::optional<int32_t>> deliveries_;
  // The range of the max-mark values, kept as they arrive.
  double maxMarkLow_ = 0.0;
  double maxMarkHigh_ = 0.0;

  QTimer flushTimer_;
  int flushes_ = 0;
  // What the last flush and the last repaint cost, in nanoseconds.
  qint64 flushCostNs_ = 0;
  qint64 paintCostNs_ = 0;
  qint64 flushNsTotal_ = 0;
  qint64 paintNsTotal_ = 0;
};

}  // namespace quorvan
