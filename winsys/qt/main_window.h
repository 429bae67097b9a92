// The main window: a menu bar built from a menu resource, and a client area that shows the
// pictures the front end gives it and the red status line over them.
#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <functional>
#include <map>
#include <vector>

#include "winsys/template.h"

namespace winsys {

// What the client area shows. The front end fills it; the backend only draws it.
struct Backdrop {
  struct Picture {
    QPixmap pixmap;
    QRect source;  // the part of the picture that shows
    QPoint at;     // where its top-left corner goes in the client area
  };
  std::vector<Picture> pictures;
  QColor background = Qt::black;
  QSize clientSize{880, 410};
  QPoint statusAt{95, 35};
  QColor statusColour{255, 0, 0};
  QColor statusBackground = Qt::white;  // the status line is drawn opaque
  int statusBlanks = 38;                // blanks drawn first, so a shorter text leaves no trace
};

class Canvas final : public QWidget {
  Q_OBJECT
 public:
  explicit Canvas(QWidget* parent);
  void setBackdrop(Backdrop backdrop);
  void setStatus(const QString& text);
  // Where the status line is drawn (the blanks and the text), in client coordinates.
  QRect statusRect() const;
  void setFirstPaintHook(std::function<void()> hook) { firstPaint_ = std::move(hook); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Backdrop backdrop_;
  QString status_;
  std::function<void()> firstPaint_;
};

class MainWindow final : public QMainWindow {
  Q_OBJECT
 public:
  MainWindow();

  Canvas& canvas() { return *canvas_; }
  void setBackdrop(Backdrop backdrop);
  // Rebuilds the menu bar; each item calls `onCommand` with its command id.
  void setMenu(const Menu& menu, const std::function<void(int)>& onCommand);
  QAction* action(int id) const;
  // Called when the window is closed from its frame; the window then closes.
  void setCloseHandler(std::function<void()> handler) { onClose_ = std::move(handler); }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void addItems(QWidget* into, const std::vector<MenuItem>& items,
                const std::function<void(int)>& onCommand);

  Canvas* canvas_;
  std::map<int, QAction*> actions_;
  std::vector<QObject*> items_;  // the current menu's actions and pop-ups
  std::function<void()> onClose_;
};

}  // namespace winsys
