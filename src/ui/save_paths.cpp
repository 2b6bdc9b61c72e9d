#include "save_paths.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

namespace quorvan {

QString WithFilterExtension(const QString& path, const QString& filter) {
  if (path.isEmpty() || path.endsWith(QLatin1Char('/'))) return path;
  // A name with a dot after its first character has an extension; a
  // leading dot alone (".hidden") is no extension.
  const QString name = QFileInfo(path).fileName();
  if (name.lastIndexOf(QLatin1Char('.')) > 0) return path;
  static const QRegularExpression pattern(QStringLiteral(R"(\*\.([A-Za-z0-9_]+))"));
  const QRegularExpressionMatch match = pattern.match(filter);
  return match.hasMatch() ? path + QLatin1Char('.') + match.captured(1) : path;
}

QString AskSavePath(QWidget* parent, const QString& caption, const QString& start, const QString& filters) {
  QString chosen;
  const QString path = QFileDialog::getSaveFileName(parent, caption, start, filters, &chosen);
  return WithFilterExtension(path, chosen.isEmpty() ? filters.section(QStringLiteral(";;"), 0, 0) : chosen);
}

}  // namespace quorvan
