// The window's own controls for the card's traffic, outside the modes' menus: a "Traffic" tool
// bar that records to a capture file (a file dialog to choose it, the recording's size in the
// status bar), chooses a capture for the monitor to play back, and shows or hides the bus-activity
// view, a dock with a strip chart of each
// connector's bus load over the last minute and a table of messages and errors per second for
// each terminal address, refreshed each second.
#pragma once

#include <QDockWidget>
#include <QLabel>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <functional>

#include "app/station.h"
#include "front/traffic.h"
#include "winsys/qt/main_window.h"

namespace gui {

inline constexpr int kActivityRefreshMs = 1000;

class ActivityView final : public QWidget {
  Q_OBJECT
 public:
  explicit ActivityView(app::Station& station, QWidget* parent = nullptr);
  // Counting runs while the view is shown.
  void setCounting(bool on);
  // Reads the card's activity and redraws the chart and the table.
  void refresh();

  const QTableWidget& table() const { return *table_; }
  const QChart& chart() const { return *chart_; }
  // The chart's series of interface `i` (bus_activity.h's order).
  const QLineSeries& series(uint32_t i) const { return *series_[i]; }

 private:
  app::Station& station_;
  QChart* chart_;
  QChartView* chartView_;
  std::array<QLineSeries*, xarncap::kInterfaces> series_{};
  QTableWidget* table_;
  QTimer timer_;
};

class TrafficControls final : public QObject {
  Q_OBJECT
 public:
  // Adds the tool bar, the status-bar size and the activity dock to `window`. `chooseFile` asks
  // for the capture file (empty: cancelled); by default a file dialog.
  // `choosePlayback` asks for the capture the monitor plays back (empty: its own partners).
  TrafficControls(winsys::MainWindow& window, app::Station& station,
                  std::function<QString()> chooseFile = {},
                  std::function<QString()> choosePlayback = {});

  QAction& recordAction() { return *record_; }
  QAction& stopAction() { return *stop_; }
  QAction& activityAction() { return *activity_; }
  QAction& playbackAction() { return *playback_; }
  const QLabel& sizeLabel() const { return *size_; }
  ActivityView& activityView() { return *view_; }
  // The status bar's text for the recording as it stands.
  void showSize();

 private:
  void startRecording();
  void stopRecording();
  void choosePlayback();

  winsys::MainWindow& window_;
  app::Station& station_;
  std::function<QString()> chooseFile_;
  std::function<QString()> choosePlayback_;
  QToolBar* bar_;
  QAction* record_;
  QAction* stop_;
  QAction* activity_;
  QAction* playback_;
  QLabel* size_;
  QDockWidget* dock_;
  ActivityView* view_;
  QTimer sizeTimer_;
};

}  // namespace gui
