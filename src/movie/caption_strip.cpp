#include "caption_strip.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvan::movie {

QImage WithCaption(const QImage& panel, const std::string& text) {
  QImage frame(panel.width(), panel.height() + kCaptionHeight, QImage::Format_RGB32);
  if (frame.isNull()) return frame;
  // The panel's rows copied as they are, the strip white under them.
  const QImage rgb = panel.convertToFormat(QImage::Format_RGB32);
  const auto rowBytes = static_cast<std::size_t>(panel.width()) * 4;
  for (int y = 0; y < panel.height(); ++y) std::memcpy(frame.scanLine(y), rgb.constScanLine(y), rowBytes);
  for (int y = panel.height(); y < frame.height(); ++y) {
    std::fill_n(reinterpret_cast<uint32_t*>(frame.scanLine(y)), panel.width(), 0xFFFFFFFFu);
  }
  QPainter painter(&frame);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(12);
  font.setStyleHint(QFont::SansSerif);
  // Grey edges only (no coloured sub-pixels): a GIF's palette holds every grey.
  font.setHintingPreference(QFont::PreferFullHinting);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.drawText(QRect(4, panel.height(), panel.width() - 8, kCaptionHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromStdString(text));
  painter.end();
  return frame;
}

void EnsureTextDrawing() {
  if (QCoreApplication::instance() != nullptr) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Headless there is often no runtime folder, and Qt would warn on stderr
  // about the one it falls back to: a private one of our own.
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
  static char name[] = "quorvan";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
}

}  // namespace quorvan::movie
