#include "sweep_plot.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>
#include <QAreaSeries>
#include <QBuffer>
#include <QChart>
#include <QGraphicsScene>
#include <QImage>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QPen>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QThread>
#include <QValueAxis>
#include <algorithm>
#include <array>
#include <memory>

namespace quorvan::batch {

namespace {

constexpr int kWidth = 1200;
constexpr int kHeight = 800;

// Makes sure a QApplication exists: charts are graphics widgets.
std::string EnsureApplication() {
  if (QCoreApplication::instance() != nullptr) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
      return "cannot draw the plot: the program runs a Qt application without widgets";
    return "";
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Headless, there is often no runtime folder, and Qt would warn on stderr
  // about the one it falls back to: give it a private one of our own.
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    const QByteArray dir = QFile::encodeName(QDir::tempPath()) + "/quorvan-runtime-" + QByteArray::number(getuid());
    ::mkdir(dir.constData(), 0700);
    struct stat st {};
    if (::lstat(dir.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
        (st.st_mode & 0777) == 0700) {
      qputenv("XDG_RUNTIME_DIR", dir);
    }
  }
  // Lives as long as the program: Qt keeps pointers to argc and argv.
  static int argc = 1;
  static char name[] = "quorvan-batch";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
  return "";
}

std::string CheckCurve(const PlotCurve& c) {
  const std::size_t n = c.steps.size();
  for (const std::vector<double>* v : {&c.meanSuccessful, &c.lowSuccessful, &c.highSuccessful, &c.meanReturning,
                                       &c.lowReturning, &c.highReturning})
    if (v->size() != n) return "cannot draw the plot: curve '" + c.label + "' has values for some steps only";
  return "";
}

// A colour per sweep point, told apart on white; they repeat after twelve.
QColor PointColour(std::size_t i) {
  static const std::array<QRgb, 12> colours = {0x1f77b4, 0xd62728, 0x2ca02c, 0xff7f0e, 0x9467bd, 0x8c564b,
                                               0xe377c2, 0x7f7f7f, 0xbcbd22, 0x17becf, 0x393b79, 0x637939};
  return QColor(colours[i % colours.size()]);
}

QList<QPointF> Points(const std::vector<int32_t>& steps, const std::vector<double>& values) {
  QList<QPointF> points;
  points.reserve(static_cast<qsizetype>(steps.size()));
  for (std::size_t i = 0; i < steps.size(); ++i) points.append({static_cast<double>(steps[i]), values[i]});
  return points;
}

// The band from the lowest to the highest replicate, translucent.
void AddBand(QChart& chart, const PlotCurve& c, const std::vector<double>& low, const std::vector<double>& high,
             QColor colour) {
  auto* lower = new QLineSeries(&chart);
  auto* upper = new QLineSeries(&chart);
  lower->replace(Points(c.steps, low));
  upper->replace(Points(c.steps, high));
  auto* band = new QAreaSeries(upper, lower);
  colour.setAlpha(45);
  band->setBrush(colour);
  band->setPen(Qt::NoPen);
  chart.addSeries(band);
  for (QLegendMarker* m : chart.legend()->markers(band)) m->setVisible(false);
}

void AddMean(QChart& chart, const PlotCurve& c, const std::vector<double>& mean, const QString& name,
             const QColor& colour, Qt::PenStyle style) {
  auto* line = new QLineSeries(&chart);
  line->replace(Points(c.steps, mean));
  QPen pen(colour);
  pen.setWidthF(2.0);
  pen.setStyle(style);
  line->setPen(pen);
  line->setName(name);
  chart.addSeries(line);
}

std::unique_ptr<QChart> BuildChart(const std::vector<PlotCurve>& curves) {
  auto chart = std::make_unique<QChart>();
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->legend()->setAlignment(Qt::AlignRight);
  // Line markers, so that the legend shows solid and dashed apart.
  chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
  int32_t first = 0, last = 1;
  bool any = false;
  for (const PlotCurve& c : curves) {
    if (c.steps.empty()) continue;
    first = any ? std::min(first, c.steps.front()) : c.steps.front();
    last = any ? std::max(last, c.steps.back()) : c.steps.back();
    any = true;
  }
  if (last <= first) last = first + 1;

  std::vector<PlotCurve> thin;
  thin.reserve(curves.size());
  for (const PlotCurve& c : curves) thin.push_back(ThinCurve(c));
  // Every band first, so that no band covers another point's lines.
  for (std::size_t i = 0; i < thin.size(); ++i) {
    AddBand(*chart, thin[i], thin[i].lowSuccessful, thin[i].highSuccessful, PointColour(i));
    AddBand(*chart, thin[i], thin[i].lowReturning, thin[i].highReturning, PointColour(i));
  }
  for (std::size_t i = 0; i < thin.size(); ++i) {
    // Legend names are drawn as rich text: a label's own '<' or '&' must
    // not be taken for markup.
    const QString label = QString::fromStdString(thin[i].label).toHtmlEscaped();
    AddMean(*chart, thin[i], thin[i].meanSuccessful, label + QStringLiteral(" \u2014 successful"), PointColour(i),
            Qt::SolidLine);
    AddMean(*chart, thin[i], thin[i].meanReturning, label + QStringLiteral(" \u2014 returning"), PointColour(i),
            Qt::DashLine);
  }

  auto* x = new QValueAxis;
  x->setTitleText(QStringLiteral("step"));
  x->setRange(first, last);
  x->setLabelFormat(QStringLiteral("%d"));
  x->applyNiceNumbers();
  auto* y = new QValueAxis;
  y->setTitleText(QStringLiteral("per cent"));
  y->setRange(0, 100);
  y->setTickCount(11);
  y->setLabelFormat(QStringLiteral("%d"));
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  for (QAbstractSeries* s : chart->series()) {
    s->attachAxis(x);
    s->attachAxis(y);
  }
  return chart;
}

void Render(QGraphicsScene& scene, QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing);
  scene.render(&painter, QRectF(0, 0, kWidth, kHeight), QRectF(0, 0, kWidth, kHeight));
}

bool OpenTarget(QSaveFile& file, const std::string& path, std::string& error) {
  if (file.open(QIODevice::WriteOnly)) return true;
  error = "cannot write '" + path + "': " + file.errorString().toStdString();
  return false;
}

}  // namespace

std::string WritePlot(const std::vector<PlotCurve>& curves, const std::string& pngPath,
                      const std::string& svgPath) {
  for (const PlotCurve& c : curves)
    if (std::string e = CheckCurve(c); !e.empty()) return e;
  if (std::string e = EnsureApplication(); !e.empty()) return e;
  // Charts are widgets, which live on the application's thread: a sweep
  // running in the window's background has its plot drawn there.
  if (QThread::currentThread() != qApp->thread()) {
    std::string error;
    QMetaObject::invokeMethod(
        qApp, [&] { error = WritePlot(curves, pngPath, svgPath); }, Qt::BlockingQueuedConnection);
    return error;
  }

  QGraphicsScene scene;
  QChart* chart = BuildChart(curves).release();
  scene.addItem(chart);  // the scene owns it now
  chart->setGeometry(0, 0, kWidth, kHeight);
  scene.setSceneRect(0, 0, kWidth, kHeight);

  std::string error;
  QSaveFile png(QString::fromStdString(pngPath));
  QSaveFile svg(QString::fromStdString(svgPath));
  if (!OpenTarget(png, pngPath, error) || !OpenTarget(svg, svgPath, error)) return error;

  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    Render(scene, painter);
  }
  if (!image.save(&png, "PNG")) return "cannot write '" + pngPath + "': " + png.errorString().toStdString();

  QSvgGenerator generator;
  generator.setOutputDevice(&svg);
  generator.setSize(QSize(kWidth, kHeight));
  generator.setViewBox(QRect(0, 0, kWidth, kHeight));
  generator.setTitle(QStringLiteral("Sweep"));
  {
    QPainter painter;
    if (!painter.begin(&generator)) return "cannot write '" + svgPath + "': the drawing could not start";
    Render(scene, painter);
  }
  if (svg.error() != QFileDevice::NoError)
    return "cannot write '" + svgPath + "': " + svg.errorString().toStdString();

  // Both are complete: only now replace what was there.
  if (!png.commit()) return "cannot write '" + pngPath + "': " + png.errorString().toStdString();
  if (!svg.commit()) return "cannot write '" + svgPath + "': " + svg.errorString().toStdString();
  return "";
}

}  // namespace quorvan::batch
