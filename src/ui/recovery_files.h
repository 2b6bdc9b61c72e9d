#pragma once
// Recovery files: worlds with unsaved changes, autosaved into a folder of
// their own in the user's data folder, never over a file the user saved;
// and the marks of running sessions, by which the next start knows that a
// session did not end.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QList>

namespace quorvan {

/// How many recovery files are kept, the newest.
inline constexpr int kKeptRecoveryFiles = 10;

/// The folder of recovery files (made when missing), in the user's data
/// folder; empty when it cannot be made.
QString RecoveryFolder();

/// A name for a new recovery file in `folder`, unique to this moment and
/// this process.
QString NewRecoveryPath(const QString& folder);

struct RecoveryFile {
  QString path;
  QDateTime saved;
  qint64 bytes = 0;
};
/// The recovery files in `folder`, newest first.
QList<RecoveryFile> ListRecoveryFiles(const QString& folder);
/// Removes all but the newest `keep` recovery files of `folder`.
void PruneRecoveryFiles(const QString& folder, int keep = kKeptRecoveryFiles);

/// Marks this process's session as running in `folder`; returns the mark.
QString MarkSessionRunning(const QString& folder);
/// The marks in `folder` whose process is gone: sessions that did not end.
/// They are removed as they are found.
QStringList TakeEndedSessionMarks(const QString& folder);

}  // namespace quorvan
