#pragma once
// The setting texts a world file brings to a run, checked before the run.

#include <string>

#include "settings.h"

namespace quorvan {

/// Converts the texts the step converts (`E_noise`, `E_CProbab`, and
/// `E_decay` while decay is on) as the step would. A world saved from the
/// window may hold any text a user typed, and opens; a run from it needs
/// numbers. Empty when all convert, else a message naming the file, the
/// attribute and the text, with bytes that cannot be shown escaped (\xNN):
/// "w.qvw: attribute '/settings/E_noise': 'na' is not a valid floating point value".
std::string CheckStepTexts(const std::string& path, const Settings& settings);

}  // namespace quorvan
