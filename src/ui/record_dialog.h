#pragma once
// File > Record movie...: the movie's file (its extension picks MP4, WebM or
// GIF), the steps per frame, the frames per second and the caption strip.

#include <QDialog>

#include "recording_options.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace quorvan {

class RecordDialog : public QDialog {
  Q_OBJECT

 public:
  /// Starts with the values of `start` (the last recording's).
  RecordDialog(QWidget* parent, const batch::RecordingOptions& start);

  /// The movie the dialog describes.
  batch::RecordingOptions Options() const;
  /// What is wrong with the values, empty when they will do.
  QString Problem() const;

  void accept() override;

  /// The file filters of the movie formats, for the file dialog.
  static const QString& Filters();

 private:
  void Browse();

  QLineEdit* path_ = nullptr;
  QSpinBox* frameEvery_ = nullptr;
  QSpinBox* fps_ = nullptr;
  QCheckBox* caption_ = nullptr;
  QLabel* problem_ = nullptr;
};

}  // namespace quorvan
