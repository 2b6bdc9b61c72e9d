#include "experiment_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <filesystem>

#include "batch_command.h"
#include "run_spec.h"
#include "sweep_job.h"
#include "sweep_record.h"

namespace quorvan {

namespace {

const QString kTomlFilter = QStringLiteral("Experiment files (*.toml);;All files (*)");
constexpr const char* kBaseWorldName = "base.qvw";

// Points the sweep at the world's final place (the parser read a copy).
void MoveWorld(batch::SweepCommand& cmd, const std::string& from, const std::string& to) {
  for (batch::SweepSetting& s : cmd.plan.settings) {
    for (std::string& v : s.values) {
      if (s.key == "world" && v == from) v = to;
    }
  }
  for (batch::RunSpec& spec : cmd.points) {
    if (spec.world == from) spec.world = to;
  }
  for (std::string& arg : cmd.command) {
    if (arg == from) arg = to;
  }
}

std::string Absolute(const std::string& path) {
  return path.empty() ? path : QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString();
}

}  // namespace

ExperimentDialog::ExperimentDialog(const ExperimentRequest& seed, SaveWorld saveWorld, SweepJob& job, QWidget* parent)
    : QDialog(parent), saveWorld_(std::move(saveWorld)), job_(job) {
  setWindowTitle(tr("Experiment"));
  auto* layout = new QVBoxLayout(this);

  auto* baseRow = new QHBoxLayout;
  baseRow->addWidget(new QLabel(tr("Every run starts from:"), this));
  base_ = new QComboBox(this);
  base_->setObjectName(QStringLiteral("base"));
  base_->addItem(tr("the current world (mouse edits included; saved as base.qvw in the output folder)"),
                 static_cast<int>(ExperimentRequest::Base::CurrentWorld));
  base_->addItem(tr("a new setup per run (landscape and settings below)"),
                 static_cast<int>(ExperimentRequest::Base::NewSetup));
  baseRow->addWidget(base_, 1);
  layout->addLayout(baseRow);

  auto* hint = new QLabel(tr("Each setting takes one value, a list (<tt>0.1,0.35,1</tt>) or a range "
                             "(<tt>first:last:step</tt>, as <tt>0:180:20</tt>): lists and ranges make it vary. "
                             "An empty value leaves it to the world or the landscape."),
                          this);
  hint->setWordWrap(true);
  layout->addWidget(hint);

  const std::vector<std::string> keys = ExperimentSettingKeys();
  table_ = new QTableWidget(static_cast<int>(keys.size()), 2, this);
  table_->setObjectName(QStringLiteral("settings"));
  table_->setHorizontalHeaderLabels({tr("Setting"), tr("Values")});
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setStretchLastSection(true);
  for (std::size_t i = 0; i < keys.size(); ++i) {
    auto* name = new QTableWidgetItem(QString::fromStdString(keys[i]));
    name->setFlags(Qt::ItemIsEnabled);
    name->setToolTip(QString::fromUtf8(batch::FindRunKey(keys[i])->help));
    table_->setItem(static_cast<int>(i), 0, name);
    table_->setItem(static_cast<int>(i), 1, new QTableWidgetItem);
  }
  table_->resizeRowsToContents();
  int height = table_->horizontalHeader()->height() + 4;
  for (int r = 0; r < table_->rowCount(); ++r) height += table_->rowHeight(r);
  table_->setMinimumHeight(height);
  layout->addWidget(table_, 1);

  auto* form = new QFormLayout;
  steps_ = new QLineEdit(this);
  steps_->setToolTip(QString::fromUtf8(batch::FindRunKey("steps")->help));
  form->addRow(tr("Steps (stop time):"), steps_);
  replicates_ = new QSpinBox(this);
  replicates_->setRange(1, 10'000'000);
  form->addRow(tr("Replicates per point:"), replicates_);
  seed_ = new QLineEdit(this);
  seed_->setPlaceholderText(tr("from the clock"));
  form->addRow(tr("Base seed:"), seed_);
  jobs_ = new QSpinBox(this);
  jobs_->setRange(1, 1024);
  jobs_->setToolTip(tr("Runs at once (default: all cores but one, so that the window keeps running)"));
  form->addRow(tr("Jobs:"), jobs_);
  auto* outRow = new QHBoxLayout;
  out_ = new QLineEdit(this);
  out_->setPlaceholderText(tr("a new or empty folder"));
  auto* browse = new QPushButton(tr("Browse..."), this);
  outRow->addWidget(out_, 1);
  outRow->addWidget(browse);
  form->addRow(tr("Output folder:"), outRow);
  series_ = new QCheckBox(tr("series.csv: every step of every run"), this);
  plot_ = new QCheckBox(tr("plot.png and plot.svg"), this);
  form->addRow(QString(), series_);
  form->addRow(QString(), plot_);
  layout->addLayout(form);
  fields_ = {{"steps", steps_}, {"replicates", replicates_}, {"seed", seed_}, {"jobs", jobs_}, {"out", out_}};

  message_ = new QLabel(this);
  message_->setObjectName(QStringLiteral("message"));
  message_->setWordWrap(true);
  message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  message_->setStyleSheet(QStringLiteral("color: #b00000"));
  message_->hide();
  layout->addWidget(message_);

  auto* buttons = new QDialogButtonBox(this);
  auto* open = buttons->addButton(tr("Open experiment file..."), QDialogButtonBox::ActionRole);
  auto* save = buttons->addButton(tr("Save as experiment file..."), QDialogButtonBox::ActionRole);
  auto* resume = buttons->addButton(tr("Resume..."), QDialogButtonBox::ActionRole);
  resume->setToolTip(tr("Run what a stopped sweep's folder is missing"));
  auto* run = buttons->addButton(tr("Run"), QDialogButtonBox::AcceptRole);
  run->setObjectName(QStringLiteral("run"));
  run->setDefault(true);
  buttons->addButton(QDialogButtonBox::Close);
  layout->addWidget(buttons);

  connect(base_, &QComboBox::currentIndexChanged, this, &ExperimentDialog::BaseChanged);
  connect(browse, &QPushButton::clicked, this, &ExperimentDialog::BrowseOutClick);
  connect(open, &QPushButton::clicked, this, &ExperimentDialog::OpenFileClick);
  connect(save, &QPushButton::clicked, this, &ExperimentDialog::SaveFileClick);
  connect(resume, &QPushButton::clicked, this, &ExperimentDialog::ResumeClick);
  connect(run, &QPushButton::clicked, this, &ExperimentDialog::RunClick);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  SetRequest(seed);
  resize(std::max(640, sizeHint().width()), sizeHint().height());
}

int ExperimentDialog::RowOf(const std::string& key) const {
  for (int r = 0; r < table_->rowCount(); ++r) {
    if (table_->item(r, 0)->text().toStdString() == key) return r;
  }
  return -1;
}

ExperimentRequest ExperimentDialog::Request() const {
  ExperimentRequest r;
  r.base = static_cast<ExperimentRequest::Base>(base_->currentData().toInt());
  if (r.base == ExperimentRequest::Base::WorldFile) r.worldFile = base_->currentData(Qt::UserRole + 1).toString().toStdString();
  for (int row = 0; row < table_->rowCount(); ++row) {
    r.SetSetting(table_->item(row, 0)->text().toStdString(), table_->item(row, 1)->text().trimmed().toStdString());
  }
  r.steps = steps_->text().trimmed().toStdString();
  r.replicates = replicates_->value();
  r.seed = seed_->text().trimmed().toStdString();
  r.jobs = jobs_->value();
  r.outDir = out_->text().trimmed().toStdString();
  r.series = series_->isChecked();
  r.plot = plot_->isChecked();
  return r;
}

void ExperimentDialog::SetRequest(const ExperimentRequest& r) {
  // A world file as the base is a choice of its own, shown with its name.
  while (base_->count() > 2) base_->removeItem(2);
  if (r.base == ExperimentRequest::Base::WorldFile) {
    base_->addItem(tr("the world file %1").arg(QString::fromStdString(r.worldFile)),
                   static_cast<int>(ExperimentRequest::Base::WorldFile));
    base_->setItemData(2, QString::fromStdString(r.worldFile), Qt::UserRole + 1);
  }
  base_->setCurrentIndex(base_->findData(static_cast<int>(r.base)));
  for (int row = 0; row < table_->rowCount(); ++row) {
    table_->item(row, 1)->setText(QString::fromStdString(r.Setting(table_->item(row, 0)->text().toStdString())));
  }
  steps_->setText(QString::fromStdString(r.steps));
  replicates_->setValue(r.replicates);
  seed_->setText(QString::fromStdString(r.seed));
  jobs_->setValue(r.jobs);
  out_->setText(QString::fromStdString(r.outDir));
  series_->setChecked(r.series);
  plot_->setChecked(r.plot);
  BaseChanged();
}

void ExperimentDialog::BaseChanged() {
  // A world keeps its agents, cells and landscape: those rows need a new setup.
  const bool newWorld = base_->currentData().toInt() == static_cast<int>(ExperimentRequest::Base::NewSetup);
  for (int row = 0; row < table_->rowCount(); ++row) {
    const bool usable = newWorld || !NeedsNewWorld(table_->item(row, 0)->text().toStdString());
    for (int c = 0; c < 2; ++c) {
      QTableWidgetItem* item = table_->item(row, c);
      item->setFlags(usable ? (c == 0 ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemIsSelectable)
                            : Qt::NoItemFlags);
      if (c == 0) {
        item->setToolTip(usable ? QString::fromUtf8(batch::FindRunKey(item->text().toStdString())->help)
                                : tr("The world's own; a new setup per run may vary it"));
      }
    }
  }
}

QString ExperimentDialog::Message() const { return message_->isVisible() ? message_->text() : QString(); }

std::string ExperimentDialog::Show(const std::string& error) {
  for (int row = 0; row < table_->rowCount(); ++row) table_->item(row, 1)->setBackground(QBrush());
  for (const auto& [name, widget] : fields_) widget->setStyleSheet(QString());
  message_->setText(QString::fromStdString(error));
  message_->setVisible(!error.empty());
  if (!error.empty()) MarkFault(error);
  return error;
}

void ExperimentDialog::MarkFault(const std::string& error) {
  // The engine names the option first: "--wiggle: '200' ...".
  if (error.rfind("--", 0) != 0) return;
  const std::string key = error.substr(2, error.find_first_of(": ", 2) - 2);
  if (const int row = RowOf(key); row >= 0) {
    table_->item(row, 1)->setBackground(QColor(255, 210, 210));
    table_->setCurrentCell(row, 1);
  } else if (const auto it = fields_.find(key); it != fields_.end()) {
    it->second->setStyleSheet(QStringLiteral("background: rgb(255, 210, 210)"));
    it->second->setFocus();
  }
}

std::string ExperimentDialog::StartSweep() {
  if (job_.Running()) return Show("a sweep is running; wait for it or cancel it in the status bar");
  ExperimentRequest r = Request();
  r.outDir = Absolute(r.outDir);
  // The window's world is saved to a scratch file for the parser to check;
  // it moves into the output folder once everything is accepted.
  QTemporaryDir scratch;
  std::string world;
  if (r.base == ExperimentRequest::Base::CurrentWorld) {
    if (!scratch.isValid()) return Show("cannot make a scratch folder for the base world");
    world = scratch.filePath(QString::fromLatin1(kBaseWorldName)).toStdString();
    if (std::string error = saveWorld_(world); !error.empty()) return Show(error);
  }
  batch::SweepParse parsed = ParseRequest(r, world);
  if (!parsed.command) return Show(parsed.error);
  batch::SweepCommand& cmd = *parsed.command;

  // The folder is absent or empty (the parser checked): a failure from
  // here on takes away what was put into it.
  std::error_code ec;
  const bool made = !std::filesystem::exists(cmd.outDir, ec);
  std::filesystem::create_directories(cmd.outDir, ec);
  if (ec) return Show("--out: cannot make '" + cmd.outDir + "': " + ec.message());
  const auto fail = [&](const std::string& error) {
    std::error_code ignored;
    if (made) {
      std::filesystem::remove_all(cmd.outDir, ignored);
    } else {
      for (const char* name : {kBaseWorldName, "experiment.toml"}) std::filesystem::remove(cmd.outDir + "/" + name, ignored);
    }
    return Show(error);
  };
  if (r.base == ExperimentRequest::Base::CurrentWorld) {
    const std::string placed = cmd.outDir + "/" + kBaseWorldName;
    if (!QFile::copy(QString::fromStdString(world), QString::fromStdString(placed))) {
      return fail("cannot write the base world to '" + placed + "'");
    }
    MoveWorld(cmd, world, placed);
    world = placed;
  }
  if (std::string error = batch::WriteTextFile(cmd.outDir + "/experiment.toml", ExperimentToml(r, world)); !error.empty()) {
    return fail(error);
  }
  if (!job_.Start(std::move(cmd))) return Show("another sweep is running in this program");
  Show({});
  return {};
}

std::string ExperimentDialog::ResumeFolder(const QString& folder) {
  if (job_.Running()) return Show("a sweep is running; wait for it or cancel it in the status bar");
  const batch::BatchCommand parsed = batch::ParseBatchCommandLine(
      {"--resume", folder.toStdString(), "--jobs", std::to_string(jobs_->value()), "--quiet"});
  const auto* cmd = std::get_if<batch::SweepCommand>(&parsed.command);
  if (!cmd) {
    std::string error = parsed.output.substr(0, parsed.output.find('\n'));
    if (error.rfind("quorvan-batch: ", 0) == 0) error.erase(0, 15);
    return Show(error);
  }
  if (!job_.Start(*cmd)) return Show("another sweep is running in this program");
  Show({});
  return {};
}

std::string ExperimentDialog::SaveExperimentFile(const QString& path) {
  ExperimentRequest r = Request();
  r.outDir = Absolute(r.outDir);
  std::string world;
  if (r.base == ExperimentRequest::Base::CurrentWorld) {
    const QFileInfo info(path);
    world = info.dir().filePath(info.completeBaseName() + QStringLiteral(".base.qvw")).toStdString();
    if (std::string error = saveWorld_(world); !error.empty()) return Show(error);
  }
  if (std::string error = batch::WriteTextFile(path.toStdString(), ExperimentToml(r, world)); !error.empty()) {
    return Show(error);
  }
  Show({});
  return {};
}

std::string ExperimentDialog::OpenExperimentFile(const QString& path) {
  ExperimentRequest r = Request();
  if (std::string error = ReadRequestFile(path.toStdString(), r); !error.empty()) return Show(error);
  SetRequest(r);
  Show({});
  return {};
}

void ExperimentDialog::BrowseOutClick() {
  const QString dir = QFileDialog::getExistingDirectory(this, tr("Output folder"), out_->text());
  if (!dir.isEmpty()) out_->setText(dir);
}

void ExperimentDialog::OpenFileClick() {
  const QString path = QFileDialog::getOpenFileName(this, tr("Open experiment file"), QString(), kTomlFilter);
  if (!path.isEmpty()) OpenExperimentFile(path);
}

void ExperimentDialog::SaveFileClick() {
  QString path = QFileDialog::getSaveFileName(this, tr("Save as experiment file"), QString(), kTomlFilter);
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".toml");
  SaveExperimentFile(path);
}

void ExperimentDialog::ResumeClick() {
  const QString dir = QFileDialog::getExistingDirectory(this, tr("Resume the sweep in"), out_->text());
  if (!dir.isEmpty() && ResumeFolder(dir).empty()) accept();
}

void ExperimentDialog::RunClick() {
  if (StartSweep().empty()) accept();
}

}  // namespace quorvan
