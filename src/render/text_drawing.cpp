#include "text_drawing.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvan {

bool EnsureTextDrawing() {
  if (QCoreApplication::instance() != nullptr) {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
  }
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
  return true;
}

}  // namespace quorvan
