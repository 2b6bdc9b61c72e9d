// The window program: starts the toolkit, creates the main window and runs
// the message loop. `--benchmark` runs the window to a number of steps and
// prints the steps per second it reached.

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

#include "CellForm.h"
#include "window_benchmark.h"

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
  parser.process(app);

  quorvan::TForm1 form;
  form.show();

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
