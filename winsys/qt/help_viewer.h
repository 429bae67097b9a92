// The help viewer: the operator's manual as HTML pages, with back, forward, the contents and a
// find field.
#pragma once

#include <QUrl>
#include <QWidget>

class QLineEdit;
class QTextBrowser;

namespace winsys {

class HelpViewer final : public QWidget {
  Q_OBJECT
 public:
  explicit HelpViewer(QUrl index);
  void showIndex();
  // The manual at section `topic` (an anchor of the index page); the contents when empty.
  void showTopic(const QString& topic);
  // The next place the text occurs after the cursor, from the top again past the end; false
  // when the manual does not hold it.
  bool findNext(const QString& text);
  QTextBrowser& browser() { return *browser_; }
  QLineEdit& findField() { return *find_; }

 private:
  QUrl index_;
  QTextBrowser* browser_;
  QLineEdit* find_;
};

}  // namespace winsys
