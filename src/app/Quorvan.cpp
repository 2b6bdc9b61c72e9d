// The window program: starts the toolkit, creates the main window and runs
// the message loop. `--benchmark` runs the window to a number of steps and
// prints the steps per second it reached.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QCommandLineParser>
#include <charconv>
#include <cstdio>
#include <optional>

#include "CellForm.h"
#include "experiment_menu.h"
#include "settings_limits.h"
#include "window_benchmark.h"

namespace {

// The landscapes' names, "random, circle, raster" and then `last` before the final one.
QString LandscapeNames(const char* last) {
  QString names;
  for (std::size_t i = 0; i < quorvan::kLandscapeModes.size(); ++i) {
    if (i > 0) names += QLatin1String(i + 1 == quorvan::kLandscapeModes.size() ? last : ", ");
    const std::string_view name = quorvan::kLandscapeModes[i].name;
    names += QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
  }
  return names;
}

}  // namespace

int main(int argc, char* argv[]) {
  // The run loop is a 1 ms timer. Qt's GLib event dispatcher rounds every
  // wait up to a whole millisecond and drops ticks once a step takes about
  // half of one; the plain Unix dispatcher wakes on time. Unless told
  // otherwise, use that.
  if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorvan"));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Foraging agents on a torus grid."));
  parser.addHelpOption();
  const QCommandLineOption benchmark(
      QStringLiteral("benchmark"),
      QStringLiteral("Run <steps> steps at the timer's pace, print steps per second, quit."),
      QStringLiteral("steps"));
  const QCommandLineOption block(QStringLiteral("block"),
                                 QStringLiteral("Report every <n> steps (1000)."),
                                 QStringLiteral("n"), QStringLiteral("1000"));
  parser.addOption(benchmark);
  parser.addOption(block);
  const QCommandLineOption seedOption(
      QStringLiteral("seed"), QStringLiteral("Build every world from seed <N> (0 to 2^64-1)."),
      QStringLiteral("N"));
  parser.addOption(seedOption);
  const QCommandLineOption landscapeOption(
      QStringLiteral("landscape"),
      QStringLiteral("Start with a new setup of landscape <L>: ") + LandscapeNames(" or ") + QStringLiteral("."),
      QStringLiteral("L"));
  const QCommandLineOption cellSizeOption(
      QStringLiteral("cell-size"),
      QStringLiteral("Start with a new setup of cell size <N> (%1 to %2).").arg(quorvan::kMinCellSize).arg(quorvan::kMaxCellSize),
      QStringLiteral("N"));
  parser.addOption(landscapeOption);
  parser.addOption(cellSizeOption);
  const QCommandLineOption resultsOption(QStringLiteral("results"),
                                         QStringLiteral("Show the results of the sweep in folder <DIR>."),
                                         QStringLiteral("DIR"));
  parser.addOption(resultsOption);
  const QCommandLineOption followOption(
      QStringLiteral("follow"), QStringLiteral("Follow agent <N> from the start (as View > Follow agent...)."),
      QStringLiteral("N"));
  parser.addOption(followOption);
  const QCommandLineOption recordOption(
      QStringLiteral("record"),
      QStringLiteral("Record the panel as movie <FILE> (.mp4, .webm, .gif) from the start, as File > Record movie..."),
      QStringLiteral("FILE"));
  const QCommandLineOption frameEveryOption(QStringLiteral("frame-every"),
                                            QStringLiteral("Steps per frame of --record (10)."), QStringLiteral("N"),
                                            QStringLiteral("10"));
  parser.addOption(recordOption);
  parser.addOption(frameEveryOption);
  parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("A world file to open at start."),
                               QStringLiteral("[FILE]"));
  parser.process(app);

  std::optional<uint64_t> seed;
  if (parser.isSet(seedOption)) {
    const std::string text = parser.value(seedOption).toStdString();
    uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text.front() < '0' || text.front() > '9' || ec != std::errc() ||
        end != text.data() + text.size()) {
      std::fprintf(stderr, "quorvan: --seed: '%s' is not a whole number from 0 to 2^64-1\n", text.c_str());
      return 2;
    }
    seed = value;
  }
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) {
    std::fprintf(stderr, "quorvan: one world file at most\n");
    return 2;
  }

  const QStringList landscapes = LandscapeNames(", ").split(QStringLiteral(", "));
  const qsizetype landscape =
      parser.isSet(landscapeOption) ? landscapes.indexOf(parser.value(landscapeOption)) : quorvan::kInitialSetupMode;
  if (landscape < 0) {
    std::fprintf(stderr, "quorvan: --landscape: '%s' is none of %s\n", qPrintable(parser.value(landscapeOption)),
                 qPrintable(LandscapeNames(", ")));
    return 2;
  }
  bool cellSizeOk = true;
  const int cellSize =
      parser.isSet(cellSizeOption) ? parser.value(cellSizeOption).toInt(&cellSizeOk) : quorvan::kInitialCellSize;
  if (!cellSizeOk || cellSize < quorvan::kMinCellSize || cellSize > quorvan::kMaxCellSize) {
    std::fprintf(stderr, "quorvan: --cell-size: '%s' is not from %d to %d\n", qPrintable(parser.value(cellSizeOption)),
                 quorvan::kMinCellSize, quorvan::kMaxCellSize);
    return 2;
  }
  if ((parser.isSet(landscapeOption) || parser.isSet(cellSizeOption)) && !parser.positionalArguments().isEmpty()) {
    std::fprintf(stderr, "quorvan: --landscape and --cell-size make a new world; they do not go with a world file\n");
    return 2;
  }

  quorvan::TForm1 form(seed);
  if (parser.isSet(landscapeOption) || parser.isSet(cellSizeOption)) {
    // As a user would: choose in the controls, then "new Setup".
    form.CB_pre->setCurrentIndex(static_cast<int>(landscape));
    form.Edit_size->setText(QString::number(cellSize));
    form.B_setupClick();
  }
  if (!files.isEmpty()) {
    // A file that does not open leaves the new world; the message is in
    // the status line, and here.
    const std::string error = form.OpenWorldFile(files.front());
    if (!error.empty()) std::fprintf(stderr, "quorvan: %s\n", error.c_str());
  }
  if (parser.isSet(followOption)) {
    bool ok = false;
    const int agent = parser.value(followOption).toInt(&ok);
    const std::string error = ok ? form.FollowAgent(agent)
                                 : "'" + parser.value(followOption).toStdString() + "' is not an agent's index";
    if (!error.empty()) {
      std::fprintf(stderr, "quorvan: --follow: %s\n", error.c_str());
      return 2;
    }
  }
  if (parser.isSet(recordOption)) {
    quorvan::batch::RecordingOptions movie;
    movie.moviePath = parser.value(recordOption).toStdString();
    bool ok = false;
    movie.frameEvery = parser.value(frameEveryOption).toInt(&ok);
    if (!ok || movie.frameEvery < 1) {
      std::fprintf(stderr, "quorvan: --frame-every: '%s' is not a whole number of steps from 1\n",
                   qPrintable(parser.value(frameEveryOption)));
      return 2;
    }
    if (const std::string error = form.StartRecording(movie); !error.empty()) {
      std::fprintf(stderr, "quorvan: --record: %s\n", error.c_str());
      return 2;
    }
  }
  form.show();
  if (parser.isSet(resultsOption)) {
    const std::string error = form.Experiments()->ShowResults(parser.value(resultsOption));
    if (!error.empty()) std::fprintf(stderr, "quorvan: --results: %s\n", error.c_str());
  }
  // A benchmark is no session of the user's: no recovery, and no question
  // that would hold it up.
  if (!parser.isSet(benchmark)) form.StartRecovery();

  if (parser.isSet(benchmark)) {
    bool stepsOk = false;
    bool blockOk = false;
    const int steps = parser.value(benchmark).toInt(&stepsOk);
    const int every = parser.value(block).toInt(&blockOk);
    if (!stepsOk || steps <= 0 || !blockOk || every <= 0) {
      std::fprintf(stderr, "quorvan: --benchmark and --block take a positive number of steps\n");
      return 2;
    }
    new quorvan::WindowBenchmark(form, steps, every, stdout);  // owned by the form
  }
  return QApplication::exec();
}
