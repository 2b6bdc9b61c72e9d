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
  QFileDialog dialog(parent, caption, start, filters);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  // The dialog adds the chosen filter's extension itself, before it asks
  // whether to replace a file: so it asks about the file that is written.
  const auto suffixOf = [](const QString& filter) {
    const QString probe = WithFilterExtension(QStringLiteral("x"), filter);
    return probe.size() > 2 ? probe.mid(2) : QString();
  };
  dialog.setDefaultSuffix(suffixOf(filters.section(QStringLiteral(";;"), 0, 0)));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                   [&dialog, suffixOf](const QString& filter) { dialog.setDefaultSuffix(suffixOf(filter)); });
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  // A dialog of the desktop's may leave the suffix out.
  return WithFilterExtension(dialog.selectedFiles().constFirst(), dialog.selectedNameFilter());
}

}  // namespace quorvan
