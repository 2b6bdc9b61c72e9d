#pragma once
// The statistics chart: per step the per cent of successful and of
// returning agents (right axis, fixed 0..101) and the largest trail value
// (left axis), over the steps of the current world.
//
// Every point is kept here, in the program's own storage. The series on
// the screen are handed a thinned copy about 30 times a second: appending
// to a QLineSeries point by point costs time that grows with the series,
// while a replace() of at most ~1,000 points keeps the cost of a step flat.

#include <QChartView>
#include <QList>
#include <QPointF>
#include <QTimer>
#include <span>
#include <vector>

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

class StatsChart : public QChartView {
  Q_OBJECT

 public:
  /// Points handed to a series at a flush, at most.
  static constexpr int kShownPoints = 1000;
  /// Milliseconds between two flushes while points arrive.
  static constexpr int kFlushInterval = 33;

  explicit StatsChart(QWidget* parent = nullptr);

  /// Removes every series and starts the three curves afresh, empty.
  void CreateChartSeries();
  /// One point per curve at x = `step`; shown at the next flush.
  void AddChartPoints(int step, double successful, double returning, double trackMax);

  /// Hands the series their thinned points now and sets the axis ranges.
  void Flush();

  /// Points stored for the current world, per curve.
  std::size_t StoredPoints() const { return success_.size(); }
  /// Flushes done since the chart was made.
  int Flushes() const { return flushes_; }

  // The curves of the current world (none before the first setup).
  QLineSeries* SuccessSeries = nullptr;
  QLineSeries* MaxMarkSeries = nullptr;
  QLineSeries* ReturnSeries = nullptr;

  QValueAxis* AxisX() const { return axisX_; }
  QValueAxis* AxisLeft() const { return axisLeft_; }
  QValueAxis* AxisRight() const { return axisRight_; }

 private:
  QLineSeries* AddSeries(const QString& title, QValueAxis* axis, const QColor& colour, int width);
  void SetRange(QValueAxis* axis, double low, double high);

  QChart* chart_;
  QValueAxis* axisX_;
  QValueAxis* axisLeft_;
  QValueAxis* axisRight_;

  std::vector<QPointF> success_;
  std::vector<QPointF> maxMark_;
  std::vector<QPointF> returning_;
  // The range of the max-mark values, kept as they arrive.
  double maxMarkLow_ = 0.0;
  double maxMarkHigh_ = 0.0;

  QTimer flushTimer_;
  int flushes_ = 0;
};

}  // namespace quorvan
