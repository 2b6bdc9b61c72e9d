#pragma once
// Asking where to save: the file dialog, and the extension of the chosen
// filter added to a name typed without one (the Open dialog's filter would
// otherwise hide the file just saved).

#include <QString>

class QWidget;

namespace quorvan {

/// `path` with the first extension of `filter` ("PNG pictures (*.png)")
/// appended when the file name has no extension; `path` itself when it has
/// one or the filter names none (as "All files (*)").
QString WithFilterExtension(const QString& path, const QString& filter);

/// The save dialog over `parent`, starting at `start`, with `filters`
/// separated by ";;". Empty when cancelled.
QString AskSavePath(QWidget* parent, const QString& caption, const QString& start, const QString& filters);

}  // namespace quorvan
