#include "movie_recording.h"

#include "run_recorder.h"
#include "simulation.h"

namespace quorvan {

MovieRecording::MovieRecording() = default;
MovieRecording::~MovieRecording() = default;

std::string MovieRecording::Start(const batch::RecordingOptions& options) {
  recorder_.reset();
  auto recorder = std::make_unique<batch::RunRecorder>();
  std::string error;
  if (!recorder->Open(options, error)) return error;
  options_ = options;
  recorder_ = std::move(recorder);
  stepped_ = false;
  frameNs_ = 0;
  return {};
}

void MovieRecording::AfterStep(Simulation& sim, bool last) {
  if (!recorder_) return;
  clock_.start();
  recorder_->AfterStep(sim, last);
  stepped_ = true;
  frameNs_ += clock_.nsecsElapsed();
}

bool MovieRecording::Failed() const { return recorder_ && recorder_->Failed(); }

int64_t MovieRecording::Frames() const { return recorder_ ? recorder_->Frames() : 0; }

std::string MovieRecording::Stop(Simulation& sim, int64_t* frames) {
  if (!recorder_) return {};
  // As the batch runner's last step: the picture the recording ended at.
  if (stepped_ && !recorder_->Failed()) recorder_->AfterStep(sim, true);
  std::string error;
  const bool ok = recorder_->Finish(sim, error) && recorder_->Rename(error);
  if (frames) *frames = recorder_->Frames();
  // An unfinished movie's temporary file goes with the recorder.
  recorder_.reset();
  return ok ? std::string() : error;
}

}  // namespace quorvan
