// The help viewer: the operator's manual as HTML pages, with back, forward and the index.
#pragma once

#include <QUrl>
#include <QWidget>

class QTextBrowser;

namespace winsys {

class HelpViewer final : public QWidget {
  Q_OBJECT
 public:
  explicit HelpViewer(QUrl index);
  void showIndex();
  QTextBrowser& browser() { return *browser_; }

 private:
  QUrl index_;
  QTextBrowser* browser_;
};

}  // namespace winsys
