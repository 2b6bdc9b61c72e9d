#pragma once
// The main window: every parameter lives in one of its controls, it owns
// the world, and its timer drives the simulation one step per timeout.

#include <QMainWindow>
#include <QMessageBox>
#include <QPoint>
#include <QPointer>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <QElapsedTimer>
#include <QTimer>

#include "agent_follower.h"
#include "mouse_editing.h"
#include "movie_recording.h"
#include "simulation.h"
#include "status_line.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTimer;

namespace quorvan {

class DrawingPanel;
class ExperimentMenu;
class FollowDock;
class FormDisplay;
class StatsChart;

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  /// Builds the controls and the first world; the timer runs from here on.
  explicit TForm1(QWidget* parent = nullptr);
  /// As above; every world built uses `seed` when given (quorvan --seed N).
  explicit TForm1(std::optional<uint64_t> seed, QWidget* parent = nullptr);
  ~TForm1() override;

  /// The world and the settings the controls hold.
  Simulation sim;

  const MouseEditing& Editing() const { return editing_; }
  const StatusLine& Status() const { return *status_; }
  FormDisplay& Display() { return *display_; }

  // ---- seeds and the run's state (run_status.cpp) ----
  /// The seed of every later setup; without one each setup draws a fresh
  /// seed from the clock. Either way the seed is shown in the status bar.
  void SetSeed(std::optional<uint64_t> seed);
  /// "running", "stopped" or "stopped at the stop time".
  QString RunState() const;

  // ---- world files, exports and pictures (world_menu.cpp) ----
  // Each returns an empty text on success, else the message it showed in
  // the status line, which names the file. A failure changes nothing:
  // neither the world, the run, the window nor any file.
  /// Opens a saved world: controls, layers, chart and step counter as they
  /// were saved; the timer keeps its on/off state.
  std::string OpenWorldFile(const QString& path);
  /// Saves the world with its chart points; the window then names `path`.
  std::string SaveWorldFile(const QString& path);
  // A success says so in the status line: the file's name and size.
  /// The chart's points as CSV: step,successful,returning,track_max,deliveries.
  std::string ExportChart(const QString& path);
  /// The panel as it is shown, as a PNG.
  std::string SavePicture(const QString& path);
  /// The chart as it is shown, as SVG for a path ending in .svg, else PNG.
  std::string SaveChartPicture(const QString& path);
  // ---- the inspector (inspector.cpp) ----
  /// Follows agent `index`: ring and path on the panel, fields in the
  /// dock. Returns an empty text, else the message it showed.
  std::string FollowAgent(int index);
  const AgentFollower& Follower() const { return follower_; }
  FollowDock* FollowFields() const { return followDock_; }

  // ---- unsaved work (unsaved_work.cpp) ----
  /// Minutes between two autosaves of a world with unsaved changes.
  static constexpr int kAutosaveMinutes = 3;
  /// Mouse edits or setting changes since the world was made, opened or saved.
  bool HasUnsavedWork() const;
  /// Saves a world with unsaved changes to its recovery file (nothing
  /// else, and only after StartRecovery). Returns an empty text or the
  /// failure, which the status line shows.
  std::string Autosave();
  /// The program's session, not a test's: marks the session as running in
  /// the recovery folder, offers the latest recovery file when a session
  /// before did not end, and starts the autosaves.
  void StartRecovery();
  /// Opens a recovery file as an unnamed world with unsaved changes.
  std::string RecoverWorld(const QString& path);
  /// The recovery folder of this session, empty before StartRecovery.
  const QString& RecoveryFolderInUse() const { return recoveryFolder_; }

  /// The world file the window names, empty when none.
  const QString& WorldFilePath() const { return worldFile_; }

  // ---- experiments (experiment_menu.cpp) ----
  /// Opens run `run` of the sweep in `folder` as the world, stopped at its
  /// start or run exactly to `step`, once unsaved work is saved or set
  /// aside; an error text, empty on success (or when the user cancelled).
  std::string OpenSweepRun(const QString& folder, int64_t run, std::optional<int32_t> step);
  ExperimentMenu* Experiments() const { return experiments_; }

  // ---- movies (movie_menu.cpp) ----
  /// Records the panel from the next step on, as File > Record movie...
  /// does once its dialog is answered. An error text naming the file,
  /// shown as well, empty on success; a recording under way ends first.
  std::string StartRecording(const batch::RecordingOptions& options);
  /// Closes the movie being recorded (File > Stop recording; a new setup,
  /// opening a world and quitting do it too). An error text, shown as well,
  /// empty on success or when nothing records.
  std::string StopRecording();
  const MovieRecording& Recording() const { return recording_; }

  // ---- the controls, in the order of the design ----
  DrawingPanel* ZeichenPanel = nullptr;
  QGroupBox* RadioGroup1 = nullptr;
  QRadioButton* rb_rulette = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QPushButton* B_setup = nullptr;
  QPushButton* B_stop = nullptr;
  QPushButton* B_oneStep = nullptr;
  QLineEdit* Edit_anzAg = nullptr;
  QLabel* Lbl_TextAnzahl = nullptr;
  QLineEdit* Edit_size = nullptr;
  QLabel* Label2 = nullptr;
  QRadioButton* rb_hill = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QLabel* lbl_Steps = nullptr;
  QTimer* Timer1 = nullptr;
  QGroupBox* GroupBox3 = nullptr;
  QScrollBar* TrB_thresh = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Lbl_B = nullptr;
  QScrollBar* SB_wiggle = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Lbl_wiggle = nullptr;
  QLineEdit* E_noise = nullptr;
  QLabel* Label6 = nullptr;
  QPushButton* Button1 = nullptr;
  QLineEdit* E_stop = nullptr;
  QLabel* Label4 = nullptr;
  QComboBox* CB_pre = nullptr;
  StatsChart* Chart1 = nullptr;
  QGroupBox* GroupBox4 = nullptr;
  QCheckBox* CB_noTracks = nullptr;
  QCheckBox* CB_gravity = nullptr;
  QCheckBox* CB_showAB = nullptr;
  QCheckBox* CB_showAg = nullptr;
  QLineEdit* E_decay = nullptr;
  QLabel* Label7 = nullptr;
  QCheckBox* CB_decay = nullptr;
  QLineEdit* E_grav = nullptr;
  QLineEdit* E_CProbab = nullptr;
  /// The status line, where failures are reported.
  QLabel* Lbl_status = nullptr;
  /// The status bar's seed and run state.
  QLabel* Lbl_run = nullptr;
  /// The status bar's word on a movie being recorded; hidden otherwise.
  QLabel* Lbl_record = nullptr;
  // The File menu's actions.
  QAction* A_open = nullptr;
  QAction* A_save = nullptr;
  QAction* A_saveAs = nullptr;
  QAction* A_exportChart = nullptr;
  QAction* A_recover = nullptr;
  QAction* A_saveChartPicture = nullptr;
  QAction* A_savePicture = nullptr;
  QAction* A_recordMovie = nullptr;
  QAction* A_stopRecording = nullptr;
  QAction* A_quit = nullptr;
  // The View menu's actions.
  QAction* A_follow = nullptr;
  QAction* A_stopFollowing = nullptr;

 signals:
  /// A timer event, "one step" or anything else ran a step (or tried to).
  void StepDone(int stepCount);

 public slots:
  void Timer1Timer();
  void B_oneStepClick();
  void B_stopClick();
  void B_setupClick();
  void TrB_threshChange();
  void SB_wiggleChange();
  void Edit_sizeChange();
  void E_noiseChange();
  void E_stopChange();
  void CB_preChange();
  void CB_showABClick();
  void CB_noTracksClick();
  void CB_gravityClick();
  void E_gravChange();
  void Button1Click();
  void ZeichenPanelMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint point);
  void ZeichenPanelMouseMove(QPoint point);
  void ZeichenPanelMouseUp(Qt::MouseButton button, QPoint point);
  // The File menu: a file dialog, then the operation above.
  void OpenWorldClick();
  void SaveWorldClick();
  void SaveWorldAsClick();
  void ExportChartClick();
  void SavePictureClick();
  void SaveChartPictureClick();
  void RecoverClick();
  void RecordMovieClick();
  void StopRecordingClick();
  // The View menu.
  void FollowAgentClick();
  void StopFollowing();

 private:
  /// The components with their places, captions and initial values.
  void CreateControls();
  /// Copies every control's value into sim.settings.
  void ReadSettingsFromControls();
  /// Binds the controls to their handlers and keeps sim.settings in step
  /// with the controls that have no handler.
  void ConnectHandlers();
  void FormCreate();
  void FormDestroy();

  /// One time step, its failures reported and its picture requested.
  void RunStep();
  /// The world and its layers exist, so the display controls may repaint.
  bool WorldShown() const;

  /// The menu bar and its File menu (world_menu.cpp).
  void CreateMenu();
  /// Experiment... and its kin in the File menu (experiment_menu.cpp).
  void CreateExperimentMenu(QMenu* file);
  /// Record movie... and Stop recording in the File menu, and the status
  /// bar's recording label (movie_menu.cpp).
  void CreateRecordMenu(QMenu* file);
  /// After a step that ran: its frame, and a failure of the movie stops it.
  void RecordStep(bool last);
  /// The recording label and the menu's actions as the recording stands.
  void ShowRecording();
  /// The message of a recording that failed, in the status line and a box.
  void ShowRecordingFault(const std::string& message);
  /// Unsaved work: the title follows the controls; the autosave timer.
  void TrackUnsavedWork();
  /// The world now shown is as made, opened or saved: nothing unsaved.
  void WorkSaved();
  /// A mouse edit changed the world.
  void EditedWithMouse();
  /// The title: the program, the file, and whether changes are unsaved.
  void ShowTitle();
  /// Whether the world may be replaced or the window closed: asks to
  /// save unsaved work first (Save, Discard, Cancel).
  bool MaySetWorldAside();
  void closeEvent(QCloseEvent* event) override;

  /// The View menu, the follow dock and the panel's hover and overlay.
  void CreateInspector();
  /// The cell under panel pixel `point` in the status bar.
  void ShowCellAt(QPoint point);
  /// After a step that ran: the followed agent's path and fields, and the
  /// hovered cell now and then.
  void UpdateInspector();
  /// The followed agent's fields in the dock now.
  void RefreshFollowDock();
  /// Another world replaced the shown one (setup or open).
  void WorldReplaced();

  /// Seeds the random source (the fixed seed, else a fresh one) and builds
  /// a new world; a failing setup leaves the old world and its random
  /// stream as they were.
  void SetupSeededWorld();
  /// Shows the seed and RunState() in the status bar.
  void ShowRunState();
  /// Sets every control from sim.settings without running its handler.
  void ShowSettingsInControls();
  /// Names `path` (or nothing) in the window title.
  void SetWorldFile(const QString& path);
  /// Reports a file operation's outcome in the status line.
  std::string ReportFile(const std::string& message);
  /// Confirms a file written to `path` in the status line.
  std::string ReportSaved(const QString& path);
  /// A file operation or a setup succeeded: a file failure shown in the
  /// status line or in the open-fault box goes.
  void FileSucceeded();
  /// The box that names a world file that was refused, and why.
  void ShowOpenFault(const QString& path, const std::string& message);

  std::optional<uint64_t> seed_;
  /// The last step stopped the run at the stop time.
  bool stoppedAtStopTime_ = false;
  QString worldFile_;
  ExperimentMenu* experiments_ = nullptr;
  QPointer<QMessageBox> faultBox_;

  bool editsUnsaved_ = false;
  // The settings as the world was made, opened or saved.
  Settings savedSettings_;
  QString recoveryFolder_;
  // This world's recovery file, once it has one.
  QString recoveryPath_;
  QString sessionMark_;
  QTimer autosave_;

  AgentFollower follower_;
  FollowDock* followDock_ = nullptr;
  // Spaces the dock's refreshes; a step within the space leaves its fields
  // pending for the timeout.
  QTimer dockRefresh_;
  bool dockPending_ = false;
  // The panel pixel under the mouse, while the mouse is over the panel.
  std::optional<QPoint> hover_;
  QElapsedTimer hoverShown_;

  std::unique_ptr<FormDisplay> display_;
  std::unique_ptr<StatusLine> status_;
  MouseEditing editing_{sim};
  MovieRecording recording_;
  // The dialog's values: the last recording's.
  batch::RecordingOptions recordChoice_;
  // Spaces the recording label's updates while the timer runs.
  QElapsedTimer recordShown_;
  QPointer<QMessageBox> recordFault_;
};

}  // namespace quorvan
