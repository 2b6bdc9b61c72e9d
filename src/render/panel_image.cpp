#include "panel_image.h"

#include <QFile>
#include <QImageWriter>
#include <QString>

#include "output_file.h"

namespace quorvan {

std::string RepaintAll(Simulation& sim, LayerPainter& painter, bool showAgents, bool gravity) {
  sim.ScanTrackRange();
  painter.ClearAgentLayer();
  if (showAgents) painter.DrawAgents();
  if (sim.settings.CB_noTracks) {
    painter.PaintChangedCells();  // blanks the track layer
  } else {
    painter.PaintAllCells();
  }
  return gravity ? painter.DrawGravityLines() : std::string();
}

QImage RenderPanel(Simulation& sim, bool gravity, bool agents, std::string* warning) {
  LayerPainter painter(sim);
  painter.CreateLayers();
  const std::string message = RepaintAll(sim, painter, agents, gravity);
  if (warning != nullptr) *warning = message;
  QImage picture = painter.Composite();
  // 96 dots per inch, whether or not a Qt application (and its screen) is
  // there to give the default: the same world gives the same file.
  constexpr int kDotsPerMeter = 3780;
  picture.setDotsPerMeterX(kDotsPerMeter);
  picture.setDotsPerMeterY(kDotsPerMeter);
  return picture;
}

bool SavePng(const QImage& image, const std::string& path, std::string& error) {
  if (image.isNull()) {
    error = "there is no picture to write to '" + path + "'";
    return false;
  }
  // Written under a temporary name and renamed when complete: a failure
  // leaves whatever was at `path` as it was.
  batch::OutputFile out;
  if (!out.Open(path, error)) return false;
  {
    QFile file;
    if (!file.open(out.File(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
      error = "cannot write '" + path + "': " + file.errorString().toStdString();
      return false;
    }
    QImageWriter writer(&file, "png");
    // A write error's reason (a full disk) is the file's, and Finish()
    // reports it; the writer only knows that it failed.
    if (!writer.write(image) && file.error() == QFileDevice::NoError) {
      error = "cannot write '" + path + "': " + writer.errorString().toStdString();
      return false;  // the temporary file goes with `out`
    }
    file.flush();
  }
  if (!out.Finish(error) || !out.Rename(error)) return false;
  error.clear();
  return true;
}

}  // namespace quorvan
