#include "gui/traffic_view.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>
#include <QVBoxLayout>

#include "xarndll/control.h"

namespace gui {
namespace {

QString interfaceName(uint32_t i) { return QString::fromLatin1(xarncap::kInterfaceNames[i]); }

}  // namespace

// ---- The activity view

ActivityView::ActivityView(app::Station& station, QWidget* parent)
    : QWidget(parent), station_(station), chart_(new QChart), table_(new QTableWidget(0, 3, this)) {
  auto* seconds = new QValueAxis;
  seconds->setRange(-xarncap::kHistorySeconds + 1, 0);
  seconds->setTitleText(QStringLiteral("seconds"));
  seconds->setLabelFormat(QStringLiteral("%d"));
  auto* load = new QValueAxis;
  load->setRange(0, 100);
  load->setTitleText(QStringLiteral("bus load %"));
  load->setLabelFormat(QStringLiteral("%d"));
  chart_->addAxis(seconds, Qt::AlignBottom);
  chart_->addAxis(load, Qt::AlignLeft);
  for (uint32_t i = 0; i < xarncap::kInterfaces; ++i) {
    series_[i] = new QLineSeries;
    series_[i]->setName(interfaceName(i));
    chart_->addSeries(series_[i]);
    series_[i]->attachAxis(seconds);
    series_[i]->attachAxis(load);
  }
  chart_->setTitle(QStringLiteral("Bus load, last minute"));
  chartView_ = new QChartView(chart_, this);
  chartView_->setMinimumSize(420, 240);
  table_->setHorizontalHeaderLabels(
      {QStringLiteral("RT"), QStringLiteral("messages/s"), QStringLiteral("errors/s")});
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setMinimumWidth(260);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(chartView_, 2);
  layout->addWidget(table_, 1);
  timer_.setInterval(kActivityRefreshMs);
  connect(&timer_, &QTimer::timeout, this, &ActivityView::refresh);
}

void ActivityView::setCounting(bool on) {
  xarnsim::countActivity(&station_.card(), on);
  if (on) {
    refresh();
    timer_.start();
  } else {
    timer_.stop();
  }
}

// The chart shows the connectors of the card's mode; the table the addresses busy in the last
// whole second.
void ActivityView::refresh() {
  std::optional<xarncap::Activity> activity = xarnsim::busActivity(&station_.card());
  if (!activity) return;
  auto mode = static_cast<int>(station_.shell().mode);
  std::vector<uint32_t> shown = cli::modeInterfaces(mode);
  for (uint32_t i = 0; i < xarncap::kInterfaces; ++i) {
    bool visible = std::find(shown.begin(), shown.end(), i) != shown.end();
    QList<QPointF> points;
    if (visible) {
      points.reserve(xarncap::kHistorySeconds);
      for (int s = 0; s < xarncap::kHistorySeconds; ++s)
        points.append(
            QPointF(s - xarncap::kHistorySeconds + 1, activity->load[i][static_cast<size_t>(s)]));
    }
    series_[i]->replace(points);
    series_[i]->setVisible(visible);
  }
  cli::ActivityTable t = cli::activityTable(*activity, mode);
  table_->setRowCount(static_cast<int>(t.addresses.size()));
  for (int r = 0; r < table_->rowCount(); ++r) {
    const cli::ActivityRow& row = t.addresses[static_cast<size_t>(r)];
    const QString cells[] = {QString::fromStdString(row.name), QString::number(row.messages),
                             QString::number(row.errors)};
    for (int c = 0; c < 3; ++c) {
      QTableWidgetItem* item = table_->item(r, c);
      if (!item) table_->setItem(r, c, item = new QTableWidgetItem);
      item->setText(cells[c]);
    }
  }
}

// ---- The tool bar

TrafficControls::TrafficControls(winsys::MainWindow& window, app::Station& station,
                                 std::function<QString()> chooseFile,
                                 std::function<QString()> choosePlayback)
    : QObject(&window),
      window_(window),
      station_(station),
      chooseFile_(std::move(chooseFile)),
      choosePlayback_(std::move(choosePlayback)),
      bar_(window.addToolBar(QStringLiteral("Traffic"))),
      record_(bar_->addAction(QStringLiteral("Record…"))),
      stop_(bar_->addAction(QStringLiteral("Stop recording"))),
      activity_(bar_->addAction(QStringLiteral("Bus activity"))),
      playback_(bar_->addAction(QStringLiteral("Monitor playback…"))),
      size_(new QLabel(&window)),
      dock_(new QDockWidget(QStringLiteral("Bus activity"), &window)),
      view_(new ActivityView(station, dock_)) {
  bar_->setObjectName(QStringLiteral("traffic"));
  bar_->setMovable(false);
  if (!chooseFile_) {
    chooseFile_ = [this] {
      return QFileDialog::getSaveFileName(&window_, QStringLiteral("Record to capture file"),
                                          QStringLiteral("capture.pcapng"),
                                          QStringLiteral("Capture files (*.pcapng)"));
    };
  }
  if (!choosePlayback_) {
    choosePlayback_ = [this] {
      return QFileDialog::getOpenFileName(&window_, QStringLiteral("Monitor plays back"), {},
                                          QStringLiteral("Capture files (*.pcapng)"));
    };
  }
  stop_->setEnabled(false);
  activity_->setCheckable(true);
  window.statusBar()->addPermanentWidget(size_);
  dock_->setObjectName(QStringLiteral("activity"));
  dock_->setWidget(view_);
  window.addDockWidget(Qt::BottomDockWidgetArea, dock_);
  dock_->hide();
  connect(record_, &QAction::triggered, this, &TrafficControls::startRecording);
  connect(stop_, &QAction::triggered, this, &TrafficControls::stopRecording);
  connect(playback_, &QAction::triggered, this, &TrafficControls::choosePlayback);
  connect(activity_, &QAction::toggled, this, [this](bool on) {
    dock_->setVisible(on);
    view_->setCounting(on);
  });
  connect(dock_, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    if (!visible && !dock_->isVisible() && activity_->isChecked()) activity_->setChecked(false);
  });
  sizeTimer_.setInterval(kActivityRefreshMs);
  connect(&sizeTimer_, &QTimer::timeout, this, &TrafficControls::showSize);
}

void TrafficControls::startRecording() {
  QString file = chooseFile_();
  if (file.isEmpty()) return;
  xarnsim::RecordSettings settings;
  settings.path = file.toStdString();
  settings.application = cli::recordingApplication("xarn_win");
  std::string why;
  if (!xarnsim::startRecording(&station_.card(), settings, why)) {
    QMessageBox::warning(&window_, QStringLiteral("Record"), QString::fromStdString(why));
    return;
  }
  record_->setEnabled(false);
  stop_->setEnabled(true);
  sizeTimer_.start();
  showSize();
}

void TrafficControls::stopRecording() {
  xarnsim::RecordingStatus done = xarnsim::stopRecording(&station_.card());
  sizeTimer_.stop();
  record_->setEnabled(true);
  if (!choosePlayback_) {
    choosePlayback_ = [this] {
      return QFileDialog::getOpenFileName(&window_, QStringLiteral("Monitor plays back"), {},
                                          QStringLiteral("Capture files (*.pcapng)"));
    };
  }
  stop_->setEnabled(false);
  size_->setText(
      QString::fromStdString("Recorded " + cli::megabytes(done.totalBytes) + " to " + done.file));
}

// The monitor hears the chosen capture from now on; no choice puts its own partners back.
void TrafficControls::choosePlayback() {
  QString file = choosePlayback_();
  std::string why;
  if (!xarnsim::setOption(&station_.card(), "monitor-replay",
                          file.isEmpty() ? std::string("off") : file.toStdString(), why))
    QMessageBox::warning(&window_, QStringLiteral("Monitor playback"), QString::fromStdString(why));
}

void TrafficControls::showSize() {
  xarnsim::RecordingStatus now = xarnsim::recordingStatus(&station_.card());
  std::string text = cli::recordingSize(now.totalBytes) + " " + now.file;
  if (!now.error.empty()) text += " (stopped: " + now.error + ")";
  size_->setText(QString::fromStdString(text));
}

}  // namespace gui
