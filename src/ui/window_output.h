#pragma once
// Every file the window writes (but worlds, which their library writes the
// same way) goes through the safe writer: a temporary file beside the
// target, synced and renamed over it only when complete.

#include <QString>
#include <functional>
#include <string>

class QIODevice;

namespace quorvan {

/// Runs `write` on a device open on a temporary file for `path`, then puts
/// the file in place. `write` returns an empty text on success, else why it
/// failed. Returns an empty text on success, else a message naming `path`;
/// then whatever was at `path` is untouched and no temporary file is left.
std::string WriteWindowFile(const QString& path, const std::function<std::string(QIODevice&)>& write);

/// "saved 'name' (size)", for the status line after a file was written.
std::string SavedConfirmation(const QString& path);

/// A size in bytes as people read it: "512 bytes", "12.3 kB", "4.1 MB".
std::string SizeText(qint64 bytes);

}  // namespace quorvan
