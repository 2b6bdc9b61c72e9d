#include "recovery_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <csignal>
#include <cerrno>

namespace quorvan {

namespace {

const QString kRecoveryPattern = QStringLiteral("recovered-*.qvw");
const QString kSessionPrefix = QStringLiteral("session-");

// Whether process `pid` is alive (it may belong to another user).
bool ProcessAlive(qint64 pid) {
  if (pid <= 0) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace

QString RecoveryFolder() {
  const QString base = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  if (base.isEmpty()) return {};
  const QString folder = QDir(base).filePath(QStringLiteral("recovery"));
  return QDir().mkpath(folder) ? folder : QString();
}

QString NewRecoveryPath(const QString& folder) {
  const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
  QString path;
  for (int n = 0; path.isEmpty() || QFileInfo::exists(path); ++n) {
    path = QDir(folder).filePath(QStringLiteral("recovered-%1-%2-%3.qvw")
                                     .arg(stamp)
                                     .arg(QCoreApplication::applicationPid())
                                     .arg(n));
  }
  return path;
}

QList<RecoveryFile> ListRecoveryFiles(const QString& folder) {
  QList<RecoveryFile> files;
  const QFileInfoList infos = QDir(folder).entryInfoList({kRecoveryPattern}, QDir::Files);
  for (const QFileInfo& info : infos) files.append({info.filePath(), info.lastModified(), info.size()});
  // The newest first; the name (which holds the time) breaks ties.
  std::sort(files.begin(), files.end(), [](const RecoveryFile& a, const RecoveryFile& b) {
    return a.saved != b.saved ? a.saved > b.saved : a.path > b.path;
  });
  return files;
}

void PruneRecoveryFiles(const QString& folder, int keep) {
  const QList<RecoveryFile> files = ListRecoveryFiles(folder);
  for (qsizetype i = std::max(keep, 0); i < files.size(); ++i) QFile::remove(files[i].path);
}

QString MarkSessionRunning(const QString& folder) {
  const QString mark = QDir(folder).filePath(kSessionPrefix + QString::number(QCoreApplication::applicationPid()));
  QFile file(mark);
  if (file.open(QIODevice::WriteOnly)) file.write(QDateTime::currentDateTime().toString(Qt::ISODate).toUtf8());
  return mark;
}

QStringList TakeEndedSessionMarks(const QString& folder) {
  QStringList ended;
  const QFileInfoList marks = QDir(folder).entryInfoList({kSessionPrefix + QLatin1Char('*')}, QDir::Files);
  for (const QFileInfo& mark : marks) {
    bool ok = false;
    const qint64 pid = mark.fileName().mid(kSessionPrefix.size()).toLongLong(&ok);
    if (ok && pid == QCoreApplication::applicationPid()) continue;
    if (ok && ProcessAlive(pid)) continue;
    ended << mark.filePath();
    QFile::remove(mark.filePath());
  }
  return ended;
}

}  // namespace quorvan
