#pragma once
// What a batch run records as it goes: the movie of --movie, the frame files
// of --frames and the field history of --fields.
//
// Frames are made on the run's thread (the picture "repaint all" would show
// at that step, leaving the world as it was) and handed to a thread of their
// own, which captions and encodes them and writes the frame files, beside
// the steps. Every output is written under a temporary name and put in
// place by Rename() only after the whole run and Finish() succeeded.

#include <memory>
#include <string>

#include "recording_options.h"

namespace quorvan {
class Simulation;
}

namespace quorvan::batch {

class RunRecorder {
 public:
  RunRecorder();
  ~RunRecorder();
  RunRecorder(const RunRecorder&) = delete;
  RunRecorder& operator=(const RunRecorder&) = delete;

  /// Opens the outputs the options name, before the run: a bad path fails
  /// here, before any work. False, with a message naming the file.
  bool Open(const RecordingOptions& options, std::string& error);
  /// Whether anything is recorded.
  bool Active() const;
  /// Sees the world after a step: a frame every frameEvery steps and a
  /// snapshot every fieldsEvery steps, counted from the run's first step,
  /// and both at the last step (`last`).
  void AfterStep(Simulation& sim, bool last);
  /// Completes every output (a run that ran no step gets the world as it
  /// stands as its one frame and snapshot). False, with the first failure's message.
  bool Finish(Simulation& sim, std::string& error);
  /// Puts the finished outputs in place.
  bool Rename(std::string& error);

  /// Whether writing an output has failed already (Finish then says why).
  bool Failed() const;
  /// Frames and snapshots taken so far.
  int64_t Frames() const;
  int64_t Snapshots() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quorvan::batch
