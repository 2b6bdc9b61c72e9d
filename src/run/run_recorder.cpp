#include "run_recorder.h"

#include <optional>

#include "bounded_worker.h"
#include "caption_strip.h"
#include "field_history.h"
#include "frame_folder.h"
#include "frame_picture.h"
#include "frame_scene.h"
#include "movie_encoder.h"
#include "run_caption.h"
#include "simulation.h"
#include "text_drawing.h"

namespace quorvan::batch {

struct RunRecorder::State {
  RecordingOptions options;
  std::optional<movie::MovieEncoder> movie;
  std::optional<movie::FrameFolder> frames;
  std::optional<FieldHistory> fields;
  FrameSceneTaker sceneTaker;  // on the run's thread
  FramePainter painter;        // on the frames' worker
  // Declared last: destroyed (their threads joined) before what their jobs
  // use. Frames go through two threads, so that painting and encoding share
  // the cores the steps leave: the painter's hands each picture on to the
  // encoder's.
  std::optional<movie::BoundedWorker> encoder;       // frames: caption and encoding
  std::optional<movie::BoundedWorker> worker;        // frames: painting, PNG files
  std::optional<movie::BoundedWorker> fieldsWorker;  // compressing and writing the snapshots
  std::optional<int32_t> firstStep;  // the step count before the run's first step
  int32_t lastFrame = -1;
  int32_t lastSnapshot = -1;
  int64_t framesTaken = 0;
  std::string error;  // the first failure on the run's thread

  bool Pictures() const { return movie.has_value() || frames.has_value(); }

  void Frame(Simulation& sim) {
    if (!Pictures() || worker->Failed() || encoder->Failed() || lastFrame == sim.StepCount) return;
    lastFrame = sim.StepCount;
    ++framesTaken;
    // The run's thread only copies what the picture needs; the picture is
    // painted beside the steps.
    FrameScene scene = sceneTaker.Take(sim, sim.settings.CB_gravity, sim.settings.CB_showAg);
    std::string caption = options.caption ? CaptionText(sim) : std::string();
    const int32_t step = sim.StepCount;
    worker->Post([this, scene = std::move(scene), caption = std::move(caption), step]() -> std::string {
      const QImage picture = painter.Paint(scene);
      if (picture.isNull()) return "cannot make the picture of step " + std::to_string(step) + ": out of memory";
      std::string failure;
      if (frames && !frames->WritePng(step, picture, failure)) return failure;
      if (movie) {
        // A failed encoder has its own message, which Finish reports.
        encoder->Post([this, picture, caption]() -> std::string {
          std::string encoding;
          movie->Add(options.caption ? movie::WithCaption(picture, caption) : picture, encoding);
          return encoding;
        });
      }
      return {};
    });
  }

  void Snapshot(const Simulation& sim) {
    if (!fields || !error.empty() || fieldsWorker->Failed() || lastSnapshot == sim.StepCount) return;
    lastSnapshot = sim.StepCount;
    if (!fields->LayOut(sim, error)) return;
    fieldsWorker->Post([this, snap = FieldHistory::Take(sim)]() -> std::string {
      std::string failure;
      fields->Append(snap, failure);
      return failure;
    });
  }
};

RunRecorder::RunRecorder() = default;
RunRecorder::~RunRecorder() = default;

bool RunRecorder::Active() const { return state_ != nullptr; }
bool RunRecorder::Failed() const {
  return state_ && (!state_->error.empty() || state_->worker->Failed() || state_->encoder->Failed() ||
                    state_->fieldsWorker->Failed());
}
int64_t RunRecorder::Frames() const { return state_ ? state_->framesTaken : 0; }
int64_t RunRecorder::Snapshots() const { return state_ && state_->fields ? state_->fields->Snapshots() : 0; }

bool RunRecorder::Open(const RecordingOptions& options, std::string& error) {
  state_.reset();
  if (!options.Active()) return true;
  auto s = std::make_unique<State>();
  s->options = options;
  if (!options.moviePath.empty()) {
    movie::MovieSettings settings;
    settings.width = kPanelWidth;
    settings.height = kPanelHeight + (options.caption ? movie::kCaptionHeight : 0);
    settings.fps = options.fps;
    settings.exactColours = PanelColours();
    if (options.caption && !EnsureTextDrawing()) {
      error = "cannot caption '" + options.moviePath + "': the program runs a Qt application without a GUI";
      return false;
    }
    if (!s->movie.emplace().Open(options.moviePath, settings, error)) return false;
  }
  if (!options.framesDir.empty() && !s->frames.emplace().Open(options.framesDir, error)) return false;
  if (!options.fieldsPath.empty() && !s->fields.emplace().Open(options.fieldsPath, error)) return false;
  s->encoder.emplace(4);
  s->worker.emplace(4);
  s->fieldsWorker.emplace(4);
  state_ = std::move(s);
  return true;
}

void RunRecorder::AfterStep(Simulation& sim, bool last) {
  if (!state_) return;
  State& s = *state_;
  if (!s.firstStep) s.firstStep = sim.StepCount - 1;
  const int32_t done = sim.StepCount - *s.firstStep;
  if (last || done % s.options.frameEvery == 0) s.Frame(sim);
  if (last || done % s.options.fieldsEvery == 0) s.Snapshot(sim);
}

bool RunRecorder::Finish(Simulation& sim, std::string& error) {
  if (!state_) return true;
  State& s = *state_;
  if (!s.firstStep) {
    s.Frame(sim);
    s.Snapshot(sim);
  }
  // The painter's first: it hands its last pictures to the encoder's.
  for (movie::BoundedWorker* worker : {&*s.worker, &*s.encoder, &*s.fieldsWorker}) {
    if (std::string failure = worker->Finish(); !failure.empty()) {
      error = failure;
      return false;
    }
  }
  if (!s.error.empty()) {
    error = s.error;
    return false;
  }
  if (s.movie && !s.movie->Finish(error)) return false;
  if (s.fields && !s.fields->Finish(sim, error)) return false;
  return true;
}

bool RunRecorder::Rename(std::string& error) {
  if (!state_) return true;
  State& s = *state_;
  if (s.movie && !s.movie->Rename(error)) return false;
  if (s.fields && !s.fields->Rename(error)) return false;
  if (s.frames && !s.frames->Commit(error)) return false;
  return true;
}

}  // namespace quorvan::batch
