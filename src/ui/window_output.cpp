#include "window_output.h"

#include <QFile>
#include <QFileInfo>

#include "output_file.h"

namespace quorvan {

std::string WriteWindowFile(const QString& path, const std::function<std::string(QIODevice&)>& write) {
  batch::OutputFile out;
  std::string error;
  if (!out.Open(path.toStdString(), error)) return error;
  std::string written;
  {
    QFile device;
    if (!device.open(out.File(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
      return "cannot write '" + path.toStdString() + "': " + device.errorString().toStdString();
    }
    written = write(device);
    if (written.empty() && !device.flush()) written = device.errorString().toStdString();
  }
  if (!written.empty()) return "cannot write '" + path.toStdString() + "': " + written;
  if (!out.Finish(error) || !out.Rename(error)) return error;
  return {};
}

std::string SizeText(qint64 bytes) {
  if (bytes < 1000) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  const char* units[] = {"kB", "MB", "GB", "TB"};
  double value = static_cast<double>(bytes) / 1000.0;
  std::size_t unit = 0;
  while (value >= 999.95 && unit + 1 < std::size(units)) {
    value /= 1000.0;
    ++unit;
  }
  return QString::number(value, 'f', 1).toStdString() + " " + units[unit];
}

std::string SavedConfirmation(const QString& path) {
  const QFileInfo info(path);
  return "saved '" + info.fileName().toStdString() + "' (" + SizeText(info.size()) + ")";
}

}  // namespace quorvan
