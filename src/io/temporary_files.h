#pragma once
// The temporary files a process has open, kept where a signal handler can
// reach them: a signal that ends the program removes them first, so that an
// interrupted run leaves no hidden `.NAME.tmp-XXXXXX` files behind.

namespace quorvan::batch {

/// Records a temporary file (its path is copied). Returns its slot, or -1
/// when the registry is full: that file then goes only with its owner.
/// Installs the signal handlers on first use.
int RegisterTemporaryFile(const char* path);
/// Forgets the file of `slot` (renamed or removed by its owner); -1 is ignored.
void ForgetTemporaryFile(int slot);

/// Removes every recorded temporary file. Async-signal-safe.
void RemoveTemporaryFiles();

/// For SIGINT, SIGTERM, SIGHUP, SIGQUIT and the crashes (SIGSEGV, SIGBUS,
/// SIGFPE, SIGILL, SIGABRT) whose handling is still the default: a handler
/// that removes the temporary files and then lets the signal end the program
/// as before. Handlers the program set itself are left alone.
void InstallTemporaryFileCleanup();

/// The handler itself, for programs that catch a signal first (a sweep
/// stops gently on the first Ctrl+C and ends on the second through this).
extern "C" void RemoveTemporaryFilesAndDie(int signal);

}  // namespace quorvan::batch
