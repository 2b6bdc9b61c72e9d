// The statistics chart: three curves per world, their axes and colours,
// one point per step, and the thinned copy the screen is handed.

#include <QChart>
#include <QLegend>
#include <QLineSeries>
#include <QValueAxis>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>
#include <cmath>
#include <limits>
#include <vector>

#include "form_helpers.h"
#include "stats_chart.h"

using quorvan::StatsChart;
using quorvan::TForm1;
using quorvan::ThinMinMax;
using namespace quorvan::testing;

namespace {

QValueAxis* VerticalAxisOf(QLineSeries* series) {
  for (QAbstractAxis* axis : series->attachedAxes()) {
    if (axis->orientation() == Qt::Vertical) return qobject_cast<QValueAxis*>(axis);
  }
  return nullptr;
}

// Per cent of the agents: the division first, then the product, rounded
// half to even.
int Percent(int count, int agents) {
  if (count == 0) return 0;
  return static_cast<int>(std::nearbyintl(static_cast<long double>(count) / agents * 100.0L));
}

}  // namespace

class StatsChartTest : public QObject {
  Q_OBJECT

 private slots:
  void threeEmptyCurvesAfterSetup();
  void onePointPerStepFromOne();
  void secondSetupStartsAfresh();
  void pointsReachTheScreenWithoutBeingAsked();
  void roundAxisBounds_data();
  void roundAxisBounds();
  void axesFollowTheDataInFewSteps();
  void hugeJumpsNeverLayOutThousandsOfTicks_data();
  void hugeJumpsNeverLayOutThousandsOfTicks();
  void thinningKeepsEveryExtreme_data();
  void thinningKeepsEveryExtreme();
};

void StatsChartTest::threeEmptyCurvesAfterSetup() {
  TForm1 form;
  StopTimer(form);
  QChart* chart = form.Chart1->chart();
  QCOMPARE(chart->title(), QStringLiteral("average values"));
  QVERIFY(chart->legend()->isVisible());
  QCOMPARE(chart->legend()->alignment(), Qt::AlignRight);

  // Empty, the axes still have ticks to lay out (an interval of 0 draws
  // none and leaves the axes' titles heaped in a corner).
  for (QValueAxis* axis : {form.Chart1->AxisX(), form.Chart1->AxisLeft(), form.Chart1->AxisRight()}) {
    QVERIFY2(axis->tickInterval() > 0.0, qPrintable(axis->titleText()));
  }

  const QList<QAbstractSeries*> series = chart->series();
  QCOMPARE(series.size(), 3);
  QCOMPARE(series[0], form.Chart1->SuccessSeries);
  QCOMPARE(series[1], form.Chart1->MaxMarkSeries);
  QCOMPARE(series[2], form.Chart1->ReturnSeries);

  struct Expected {
    QLineSeries* series;
    QString title;
    QColor colour;
    int width;
    Qt::Alignment axis;
  };
  const Expected expected[] = {
      {form.Chart1->SuccessSeries, "successful Ag`s", QColor(255, 0, 0), 1, Qt::AlignRight},
      {form.Chart1->MaxMarkSeries, "max mark", QColor(0, 128, 0), 1, Qt::AlignLeft},
      {form.Chart1->ReturnSeries, "returning Ag", QColor(255, 255, 0), 2, Qt::AlignRight},
  };
  for (const Expected& e : expected) {
    QCOMPARE(e.series->name(), e.title);
    QCOMPARE(e.series->pen().color(), e.colour);
    QCOMPARE(e.series->pen().width(), e.width);
    QCOMPARE(e.series->count(), 0);
    QValueAxis* axis = VerticalAxisOf(e.series);
    QVERIFY(axis != nullptr);
    QCOMPARE(axis->alignment(), e.axis);
  }
  QValueAxis* right = VerticalAxisOf(form.Chart1->SuccessSeries);
  QCOMPARE(right->min(), 0.0);
  QCOMPARE(right->max(), 101.0);
  QCOMPARE(right->titleText(), QStringLiteral("per cent"));
  QCOMPARE(form.Chart1->AxisLeft()->titleText(), QStringLiteral("max mark"));
  QCOMPARE(form.Chart1->AxisX()->titleText(), QStringLiteral("step"));
}

void StatsChartTest::onePointPerStepFromOne() {
  TForm1 form;
  StopTimer(form);
  // Agents turn returning at once: a ring of destinations around the
  // nest (columns and rows 100..102) that always gives a load.
  NewWorld(form, 2, 2);
  form.E_CProbab->setText(QStringLiteral("1"));
  const int32_t ring = form.sim.AddDestination(203, 203);
  for (int c = 99; c <= 103; ++c) {
    for (int r = 99; r <= 103; ++r) {
      if (c == 99 || c == 103 || r == 99 || r == 103) {
        form.sim.EditCellAt(c * 2, r * 2, quorvan::EditAction::Destination, ring);
      }
    }
  }
  std::vector<double> maxMarks;
  for (int i = 0; i < 6; ++i) {
    QTest::mouseClick(form.B_oneStep, Qt::LeftButton);
    maxMarks.push_back(static_cast<double>(form.sim.TrackMax));
  }
  form.Chart1->Flush();

  for (QLineSeries* s : {form.Chart1->SuccessSeries, form.Chart1->MaxMarkSeries,
                         form.Chart1->ReturnSeries}) {
    QCOMPARE(s->count(), 6);
    for (int i = 0; i < 6; ++i) QCOMPARE(s->at(i).x(), i + 1.0);
  }
  for (int i = 0; i < 6; ++i) {
    const double maxMark = maxMarks[static_cast<std::size_t>(i)];
    QCOMPARE(form.Chart1->MaxMarkSeries->at(i).y(), maxMark);
    QVERIFY(maxMark >= 0.1);
  }

  int returning = 0;
  int successful = 0;
  for (const auto& a : form.sim.Agents) {
    returning += a.State;
    successful += a.Successful;
  }
  QVERIFY(returning + successful > 0);
  const int agents = static_cast<int>(form.sim.Agents.size());
  QCOMPARE(form.Chart1->ReturnSeries->at(5).y(), double(Percent(returning, agents)));
  QCOMPARE(form.Chart1->SuccessSeries->at(5).y(), double(Percent(successful, agents)));

  // The horizontal and the left axis span the data.
  QCOMPARE(form.Chart1->AxisX()->min(), 1.0);
  QCOMPARE(form.Chart1->AxisX()->max(), 6.0);
  const auto [low, high] = std::minmax_element(maxMarks.begin(), maxMarks.end());
  QVERIFY(form.Chart1->AxisLeft()->min() <= *low);
  QVERIFY(form.Chart1->AxisLeft()->max() >= *high);
}

void StatsChartTest::secondSetupStartsAfresh() {
  TForm1 form;
  StopTimer(form);
  for (int i = 0; i < 4; ++i) QTest::mouseClick(form.B_oneStep, Qt::LeftButton);
  const QPointer<QLineSeries> old = form.Chart1->SuccessSeries;
  QTest::mouseClick(form.B_setup, Qt::LeftButton);
  QChart* chart = form.Chart1->chart();
  QCOMPARE(chart->series().size(), 3);
  QVERIFY(old.isNull());  // removed from the chart and gone
  QCOMPARE(form.Chart1->StoredPoints(), std::size_t{0});
  QCOMPARE(form.Chart1->SuccessSeries->pen().color(), QColor(255, 0, 0));
  QCOMPARE(form.Chart1->MaxMarkSeries->pen().color(), QColor(0, 128, 0));
  QCOMPARE(form.Chart1->ReturnSeries->pen().color(), QColor(255, 255, 0));
  for (auto* s : chart->series()) QCOMPARE(static_cast<QLineSeries*>(s)->count(), 0);

  QTest::mouseClick(form.B_oneStep, Qt::LeftButton);
  form.Chart1->Flush();
  QCOMPARE(form.Chart1->ReturnSeries->count(), 1);
  QCOMPARE(form.Chart1->ReturnSeries->at(0).x(), 1.0);
}

void StatsChartTest::pointsReachTheScreenWithoutBeingAsked() {
  TForm1 form;
  StopTimer(form);
  for (int i = 0; i < 3; ++i) QTest::mouseClick(form.B_oneStep, Qt::LeftButton);
  QCOMPARE(form.Chart1->MaxMarkSeries->count(), 0);  // not yet flushed
  QTRY_COMPARE_WITH_TIMEOUT(form.Chart1->MaxMarkSeries->count(), 3, 2000);
  QCOMPARE(form.Chart1->SuccessSeries->count(), 3);
  QCOMPARE(form.Chart1->ReturnSeries->count(), 3);
}

void StatsChartTest::roundAxisBounds_data() {
  QTest::addColumn<double>("value");
  QTest::addColumn<double>("up");
  QTest::addColumn<double>("down");
  QTest::newRow("0.1") << 0.1 << 0.1 << 0.1;
  QTest::newRow("0.11") << 0.11 << 0.12 << 0.1;
  QTest::newRow("7") << 7.0 << 8.0 << 6.0;
  QTest::newRow("9.5") << 9.5 << 10.0 << 8.0;
  QTest::newRow("10") << 10.0 << 10.0 << 10.0;
  QTest::newRow("1234") << 1234.0 << 1500.0 << 1200.0;
  QTest::newRow("10001") << 10001.0 << 12000.0 << 10000.0;
  QTest::newRow("0") << 0.0 << 0.0 << 0.0;
  QTest::newRow("-7") << -7.0 << -6.0 << -8.0;
  // Past 1.5e308 the next round number is no double: the largest double.
  constexpr double kLargest = std::numeric_limits<double>::max();
  QTest::newRow("1.6e308") << 1.6e308 << kLargest << 1.5e308;
  QTest::newRow("largest") << kLargest << kLargest << 1.5e308;
}

void StatsChartTest::roundAxisBounds() {
  QFETCH(double, value);
  QFETCH(double, up);
  QFETCH(double, down);
  QCOMPARE(quorvan::RoundUp(value), up);
  QCOMPARE(quorvan::RoundDown(value), down);
}

void StatsChartTest::axesFollowTheDataInFewSteps() {
  StatsChart chart;
  chart.CreateChartSeries();
  QSignalSpy xChanges(chart.AxisX(), &QValueAxis::rangeChanged);
  QSignalSpy leftChanges(chart.AxisLeft(), &QValueAxis::rangeChanged);
  double low = 1e300;
  double high = -1e300;
  for (int step = 1; step <= 10000; ++step) {
    const double mark = 0.1 + step * 0.37 + 20.0 * std::sin(step * 0.003);
    low = std::min(low, mark);
    high = std::max(high, mark);
    chart.AddChartPoints(step, 0, 0, mark);
    if (step % 33 == 0 || step == 10000) {
      chart.Flush();
      // Every flush shows all the data inside the axes.
      QVERIFY(chart.AxisX()->min() <= 1.0 && chart.AxisX()->max() >= step);
      QVERIFY(chart.AxisLeft()->min() <= low && chart.AxisLeft()->max() >= high);
    }
  }
  // ... with a new range only now and then: each one lays the chart out anew.
  QVERIFY2(xChanges.size() <= 45, qPrintable(QString::number(xChanges.size())));
  QVERIFY2(leftChanges.size() <= 60, qPrintable(QString::number(leftChanges.size())));
  // The axes stay close to the data: a round bound at most 25 % beyond it.
  QVERIFY(chart.AxisX()->max() <= 10000 * 1.25);
  QVERIFY(chart.AxisLeft()->max() <= high * 1.25);
}

void StatsChartTest::hugeJumpsNeverLayOutThousandsOfTicks_data() {
  QTest::addColumn<int>("lastStep");
  QTest::addColumn<double>("firstMark");
  QTest::addColumn<double>("lastMark");
  QTest::newRow("mark 1 to 1e6") << 2 << 1.0 << 1e6;
  QTest::newRow("mark 1e6 to 1") << 2 << 1e6 << 1.0;
  QTest::newRow("mark -1e308 to largest") << 2 << -1e308 << std::numeric_limits<double>::max();
  QTest::newRow("step 1 to 1e9") << 1000000000 << 1.0 << 1.0;
}

void StatsChartTest::hugeJumpsNeverLayOutThousandsOfTicks() {
  QFETCH(int, lastStep);
  QFETCH(double, firstMark);
  QFETCH(double, lastMark);
  StatsChart chart;
  chart.CreateChartSeries();
  // Each change lays the axis out with the range and the step it has at
  // that moment; their ratio is the number of labels made.
  int worst = 0;
  const auto count = [&worst](QValueAxis* axis) {
    if (axis->tickInterval() <= 0.0) return;  // not set yet: Qt uses its tick count
    const double ticks = (axis->max() / 2.0 - axis->min() / 2.0) / (axis->tickInterval() / 2.0);
    worst = std::max(worst, std::isfinite(ticks) ? static_cast<int>(ticks) : 1 << 30);
  };
  for (QValueAxis* axis : {chart.AxisX(), chart.AxisLeft()}) {
    connect(axis, &QValueAxis::rangeChanged, axis, [&count, axis] { count(axis); });
    connect(axis, &QValueAxis::tickIntervalChanged, axis, [&count, axis] { count(axis); });
  }
  chart.AddChartPoints(1, 0, 0, firstMark);
  chart.Flush();
  chart.AddChartPoints(lastStep, 0, 0, lastMark);
  chart.Flush();
  QVERIFY2(worst <= 20, qPrintable(QString::number(worst)));
  QVERIFY(chart.AxisX()->max() >= lastStep);
  QVERIFY(chart.AxisLeft()->max() >= std::max(firstMark, lastMark));
  QVERIFY(chart.AxisLeft()->min() <= std::min(firstMark, lastMark));
}

void StatsChartTest::thinningKeepsEveryExtreme_data() {
  QTest::addColumn<int>("count");
  QTest::addColumn<int>("maxPoints");
  QTest::newRow("1000 to 1000: all kept") << 1000 << 1000;
  QTest::newRow("1001 to 1000") << 1001 << 1000;
  QTest::newRow("10000 to 1000") << 10000 << 1000;
  QTest::newRow("12345 to 1000") << 12345 << 1000;
  QTest::newRow("100000 to 400") << 100000 << 400;
}

void StatsChartTest::thinningKeepsEveryExtreme() {
  QFETCH(int, count);
  QFETCH(int, maxPoints);
  std::vector<QPointF> points;
  for (int i = 1; i <= count; ++i) points.emplace_back(i, 50.0 + 10.0 * std::sin(i * 0.01));
  const auto spike = static_cast<std::size_t>(count / 3);
  const auto dip = static_cast<std::size_t>((2 * count) / 3);
  points[spike].setY(1000.0);
  points[dip].setY(-1000.0);

  const QList<QPointF> shown = ThinMinMax(points, maxPoints);
  if (count <= maxPoints) {
    QCOMPARE(shown, QList<QPointF>(points.begin(), points.end()));
    return;
  }
  QVERIFY(shown.size() <= maxPoints);
  QVERIFY(shown.size() >= maxPoints / 2);
  QVERIFY(shown.contains(points[spike]));
  QVERIFY(shown.contains(points[dip]));
  for (int i = 1; i < shown.size(); ++i) QVERIFY(shown[i].x() > shown[i - 1].x());
  // Every shown point is one of the data's.
  for (const QPointF& p : shown) QCOMPARE(points[static_cast<std::size_t>(p.x()) - 1], p);
}

QTEST_MAIN(StatsChartTest)
#include "test_stats_chart.moc"
