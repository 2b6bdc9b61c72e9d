#include "record_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <limits>

#include "movie_format.h"
#include "save_paths.h"

namespace quorvan {

const QString& RecordDialog::Filters() {
  static const QString filters =
      QStringLiteral("MP4 movies (*.mp4);;WebM movies (*.webm);;GIF animations (*.gif)");
  return filters;
}

RecordDialog::RecordDialog(QWidget* parent, const batch::RecordingOptions& start) : QDialog(parent) {
  setObjectName(QStringLiteral("recordDialog"));
  setWindowTitle(QStringLiteral("Record movie"));
  path_ = new QLineEdit(QString::fromStdString(start.moviePath), this);
  path_->setObjectName(QStringLiteral("moviePath"));
  path_->setMinimumWidth(300);
  auto* browse = new QPushButton(QStringLiteral("&Browse..."), this);
  connect(browse, &QPushButton::clicked, this, &RecordDialog::Browse);
  auto* file = new QHBoxLayout;
  file->addWidget(path_, 1);
  file->addWidget(browse);

  frameEvery_ = new QSpinBox(this);
  frameEvery_->setObjectName(QStringLiteral("frameEvery"));
  frameEvery_->setRange(1, std::numeric_limits<int>::max());
  frameEvery_->setValue(start.frameEvery);
  fps_ = new QSpinBox(this);
  fps_->setObjectName(QStringLiteral("fps"));
  fps_->setRange(1, 120);
  fps_->setValue(start.fps);
  caption_ = new QCheckBox(QStringLiteral("Step, seed and settings under each frame"), this);
  caption_->setObjectName(QStringLiteral("caption"));
  caption_->setChecked(start.caption);
  problem_ = new QLabel(this);
  problem_->setStyleSheet(QStringLiteral("color: #b00000"));
  problem_->hide();

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Record"));
  connect(buttons, &QDialogButtonBox::accepted, this, &RecordDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &RecordDialog::reject);

  auto* form = new QFormLayout(this);
  auto* fileLabel = new QLabel(QStringLiteral("&File (.mp4, .webm, .gif):"), this);
  fileLabel->setBuddy(path_);
  form->addRow(fileLabel, file);
  form->addRow(QStringLiteral("&Steps per frame:"), frameEvery_);
  form->addRow(QStringLiteral("Frames per s&econd:"), fps_);
  form->addRow(QString(), caption_);
  form->addRow(problem_);
  form->addRow(buttons);
}

batch::RecordingOptions RecordDialog::Options() const {
  batch::RecordingOptions options;
  options.moviePath = path_->text().trimmed().toStdString();
  options.frameEvery = frameEvery_->value();
  options.fps = fps_->value();
  options.caption = caption_->isChecked();
  return options;
}

QString RecordDialog::Problem() const {
  const std::string path = Options().moviePath;
  if (path.empty()) return QStringLiteral("Name the movie's file.");
  if (!movie::FormatOfPath(path)) {
    return QStringLiteral("'%1' must end in %2.").arg(QString::fromStdString(path), movie::MovieExtensions());
  }
  return {};
}

void RecordDialog::accept() {
  const QString problem = Problem();
  problem_->setText(problem);
  problem_->setVisible(!problem.isEmpty());
  if (problem.isEmpty()) QDialog::accept();
}

void RecordDialog::Browse() {
  const QString path = AskSavePath(this, QStringLiteral("Record movie"), path_->text(), Filters());
  if (!path.isEmpty()) path_->setText(path);
}

}  // namespace quorvan
