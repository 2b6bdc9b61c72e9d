#pragma once
// For the window tests that compare the window's files with quorvan-batch's
// (QUORVAN_BATCH names the program).

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QtDebug>

namespace quorvan::testing {

/// A file's bytes, or a marker naming it when it cannot be read.
inline QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing " + path.toUtf8() + ">");
}

/// quorvan-batch with these arguments; its exit status (-1 when it does not finish).
inline int Batch(const QStringList& args) {
  QProcess batch;
  batch.start(QStringLiteral(QUORVAN_BATCH), args);
  if (!batch.waitForFinished(120000)) return -1;
  if (batch.exitCode() != 0) qWarning() << batch.readAllStandardError();
  return batch.exitCode();
}

}  // namespace quorvan::testing
