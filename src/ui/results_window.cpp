#include "results_window.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QPainter>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "csv_table.h"
#include "sweep_command.h"

namespace quorvan {

namespace {

// The analysis tables a folder may hold, with their tabs' titles.
constexpr std::pair<const char*, const char*> kAnalysisTables[] = {
    {"points.csv", "Points"},       {"contrasts.csv", "Contrasts"}, {"indices.csv", "Indices"},
    {"posterior.csv", "Posterior"}, {"posterior_summary.csv", "Posterior summary"}};
// The figures, first among the tabs.
constexpr std::pair<const char*, const char*> kFigures[] = {
    {"plot.png", "Plot"}, {"response.png", "Response"}, {"indices.png", "Indices figure"}, {"posterior.png", "Posterior figure"}};

// The plot, scaled to the space it has, keeping its proportions.
class FitPicture : public QWidget {
 public:
  explicit FitPicture(const QPixmap& pixmap) : pixmap_(pixmap) { setMinimumSize(300, 200); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize size = pixmap_.size().scaled(this->size(), Qt::KeepAspectRatio);
    painter.drawPixmap(QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size), pixmap_);
  }

 private:
  QPixmap pixmap_;
};

int Column(const QAbstractItemModel& model, const QString& name) {
  for (int c = 0; c < model.columnCount(); ++c) {
    if (model.headerData(c, Qt::Horizontal).toString() == name) return c;
  }
  return -1;
}

}  // namespace

ResultsWindow::ResultsWindow(OpenRun openRun, QWidget* parent) : QWidget(parent, Qt::Window), openRun_(std::move(openRun)) {
  setWindowTitle(tr("Quorvan - sweep results"));
  auto* layout = new QVBoxLayout(this);
  heading_ = new QLabel(this);
  heading_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(heading_);
  tabs_ = new QTabWidget(this);
  layout->addWidget(tabs_, 1);
  message_ = new QLabel(this);
  message_->setWordWrap(true);
  message_->setStyleSheet(QStringLiteral("color: #b00000"));
  message_->hide();
  layout->addWidget(message_);
  auto* buttons = new QHBoxLayout;
  openRunButton_ = new QPushButton(tr("&Open run"), this);
  openRunButton_->setObjectName(QStringLiteral("openRun"));
  openRunButton_->setToolTip(tr("Open the selected run in the main window at its start, ready to watch step by step"));
  openRunAtButton_ = new QPushButton(tr("Open run at &step..."), this);
  openRunAtButton_->setObjectName(QStringLiteral("openRunAt"));
  openRunAtButton_->setToolTip(tr("Run the selected run to a chosen step, exactly as the sweep ran it, and open it there"));
  auto* close = new QPushButton(tr("Close"), this);
  buttons->addWidget(openRunButton_);
  buttons->addWidget(openRunAtButton_);
  buttons->addStretch(1);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  connect(openRunButton_, &QPushButton::clicked, this, &ResultsWindow::OpenRunClick);
  connect(openRunAtButton_, &QPushButton::clicked, this, &ResultsWindow::OpenRunAtStepClick);
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  resize(900, 640);
}

QTableView* ResultsWindow::AddTable(const QString& path, const QString& title, QString& error) {
  QStandardItemModel* model = ReadCsvModel(path, error, nullptr);
  if (!model) return nullptr;
  auto* view = new QTableView;
  auto* proxy = new QSortFilterProxyModel(view);
  model->setParent(proxy);
  proxy->setSourceModel(model);
  proxy->setSortRole(Qt::UserRole);
  view->setModel(proxy);
  view->setSortingEnabled(true);
  view->sortByColumn(0, Qt::AscendingOrder);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setAlternatingRowColors(true);
  view->verticalHeader()->hide();
  view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
  view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  tabs_->addTab(view, title);
  return view;
}

std::string ResultsWindow::LoadFolder(const QString& folder) {
  batch::SweepPlan plan;
  if (std::string error = batch::ReadPlan(folder.toStdString(), plan); !error.empty()) {
    Report(error);
    return error;
  }
  const QDir dir(folder);
  if (!dir.exists(QStringLiteral("runs.csv"))) {
    const std::string error = "'" + folder.toStdString() +
                              "' holds a sweep without runs.csv: it is not finished (resume it from the "
                              "Experiment dialog or with quorvan-batch --resume)";
    Report(error);
    return error;
  }
  // Everything is read before the window changes.
  QString error;
  QStandardItemModel* probe = ReadCsvModel(dir.filePath(QStringLiteral("runs.csv")), error, nullptr);
  if (!probe) {
    Report(error.toStdString());
    return error.toStdString();
  }
  const int runCount = probe->rowCount();
  delete probe;

  while (tabs_->count() > 0) {
    QWidget* page = tabs_->widget(0);
    tabs_->removeTab(0);
    delete page;
  }
  folder_ = folder;
  runsView_ = AddTable(dir.filePath(QStringLiteral("runs.csv")), tr("Runs"), error);
  runsProxy_ = runsView_ ? static_cast<QSortFilterProxyModel*>(runsView_->model()) : nullptr;
  if (runsView_) {
    connect(runsView_, &QTableView::doubleClicked, this, &ResultsWindow::OpenRunClick);
  }
  int figures = 0;
  for (const auto& [file, title] : kFigures) {
    const QString png = dir.filePath(QString::fromLatin1(file));
    if (QFileInfo::exists(png)) tabs_->insertTab(figures++, new FitPicture(QPixmap(png)), tr(title));
  }
  tabs_->setCurrentIndex(0);
  for (const auto& [file, title] : kAnalysisTables) {
    if (dir.exists(QString::fromLatin1(file))) AddTable(dir.filePath(QString::fromLatin1(file)), tr(title), error);
  }
  QString swept;
  for (const batch::SweepSetting* s : plan.Swept()) {
    swept += (swept.isEmpty() ? QString() : QStringLiteral(" × ")) + QString::fromStdString(s->key) +
             QStringLiteral(" (%1)").arg(s->values.size());
  }
  heading_->setText(tr("<b>%1</b><br>%2 runs: %3, %4 replicates each")
                        .arg(folder.toHtmlEscaped())
                        .arg(runCount)
                        .arg(swept.isEmpty() ? tr("one point") : swept.toHtmlEscaped())
                        .arg(plan.replicates));
  setWindowTitle(tr("Quorvan - sweep results: %1").arg(QFileInfo(folder).fileName()));
  Report({});
  return {};
}

std::optional<int64_t> ResultsWindow::SelectedRun() const {
  if (!runsView_ || !runsView_->currentIndex().isValid()) return std::nullopt;
  const int column = Column(*runsProxy_, QStringLiteral("run"));
  if (column < 0) return std::nullopt;
  const QModelIndex index = runsProxy_->index(runsView_->currentIndex().row(), column);
  bool ok = false;
  const qlonglong run = runsProxy_->data(index).toString().toLongLong(&ok);
  if (!ok) return std::nullopt;
  return static_cast<int64_t>(run);
}

void ResultsWindow::Report(const std::string& error) {
  message_->setText(QString::fromStdString(error));
  message_->setVisible(!error.empty());
}

void ResultsWindow::OpenRunClick() {
  const std::optional<int64_t> run = SelectedRun();
  if (!run) return Report("choose a run in the Runs table first");
  Report(openRun_(folder_, *run, std::nullopt));
}

void ResultsWindow::OpenRunAtStepClick() {
  const std::optional<int64_t> run = SelectedRun();
  if (!run) return Report("choose a run in the Runs table first");
  int last = 10000;
  if (const int column = Column(*runsProxy_, QStringLiteral("steps")); column >= 0) {
    last = runsProxy_->data(runsProxy_->index(runsView_->currentIndex().row(), column)).toString().toInt();
  }
  bool ok = false;
  const int step = QInputDialog::getInt(this, tr("Open run at step"),
                                        tr("Run %1 to step (up to %2), exactly as the sweep ran it:").arg(*run).arg(last),
                                        last, 0, last, 1, &ok);
  if (ok) Report(openRun_(folder_, *run, step));
}

}  // namespace quorvan
