#include "caption_strip.h"

#include <QFont>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cstring>

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

}  // namespace quorvan::movie
