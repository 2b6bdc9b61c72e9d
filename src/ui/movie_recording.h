#pragma once
// A movie recorded from the window: the batch runner's recorder, fed after
// each step the window runs, so that its frames are those of
// `quorvan-batch --movie` on the world saved when the recording began.
//
// The frames are made on the window's thread (the "repaint all" picture of
// the step, the world left as it was) and encoded on a thread of their own.
// The movie is written under a temporary name and put in place by Stop():
// a failure leaves no half-written movie and the target as it was.

#include <QElapsedTimer>
#include <cstdint>
#include <memory>
#include <string>

#include "recording_options.h"

namespace quorvan {

class Simulation;

namespace batch {
class RunRecorder;
}

class MovieRecording {
 public:
  MovieRecording();
  ~MovieRecording();
  MovieRecording(const MovieRecording&) = delete;
  MovieRecording& operator=(const MovieRecording&) = delete;

  /// Opens the movie (and the frame files, when named) of `options`;
  /// the first frame is that of the next step. An error text naming the
  /// file, empty on success; a failure leaves nothing recording.
  std::string Start(const batch::RecordingOptions& options);
  bool Active() const { return recorder_ != nullptr; }
  /// After a step that ran: a frame every frameEvery steps, and one at
  /// `last`, the step the run stops at.
  void AfterStep(Simulation& sim, bool last);
  /// Whether writing has failed; Stop() then says why.
  bool Failed() const;
  /// Closes the movie: the frame of the last step recorded, unless it has
  /// one, then the file is completed and put in place. An error text, empty
  /// on success; on failure nothing is left at the target but what was there.
  /// `frames`, when given, gets the movie's frame count.
  std::string Stop(Simulation& sim, int64_t* frames = nullptr);

  /// The movie's path while recording.
  const std::string& Path() const { return options_.moviePath; }
  int32_t FrameEvery() const { return options_.frameEvery; }
  /// Frames taken so far (handed to the encoder).
  int64_t Frames() const;
  /// Time the window's thread spent on frames (made and handed over).
  int64_t FrameNanoseconds() const { return frameNs_; }

 private:
  batch::RecordingOptions options_;
  std::unique_ptr<batch::RunRecorder> recorder_;
  bool stepped_ = false;
  int64_t frameNs_ = 0;
  QElapsedTimer clock_;
};

}  // namespace quorvan
