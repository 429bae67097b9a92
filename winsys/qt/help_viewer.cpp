#include "winsys/qt/help_viewer.h"

#include <QLineEdit>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace winsys {

HelpViewer::HelpViewer(QUrl index)
    : index_(std::move(index)), browser_(new QTextBrowser(this)), find_(new QLineEdit(this)) {
  setWindowTitle(QStringLiteral("XARN_WIN Help"));
  setObjectName(QStringLiteral("XARN_WIN_HELP"));
  auto* tools = new QToolBar(this);
  QAction* back = tools->addAction(QStringLiteral("Back"), browser_, &QTextBrowser::backward);
  QAction* forward = tools->addAction(QStringLiteral("Forward"), browser_, &QTextBrowser::forward);
  tools->addAction(QStringLiteral("Contents"), this, &HelpViewer::showIndex);
  back->setEnabled(false);
  forward->setEnabled(false);
  connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
  tools->addSeparator();
  find_->setPlaceholderText(QStringLiteral("Find (Enter: next)"));
  find_->setClearButtonEnabled(true);
  find_->setMaximumWidth(260);
  tools->addWidget(find_);
  connect(find_, &QLineEdit::returnPressed, this, [this] { findNext(find_->text()); });
  browser_->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(tools);
  layout->addWidget(browser_);
}

void HelpViewer::showIndex() { showTopic(QString()); }

void HelpViewer::showTopic(const QString& topic) {
  if (index_.isEmpty()) {
    browser_->setHtml(QStringLiteral("<p>No help pages are installed.</p>"));
    return;
  }
  QUrl at = index_;
  if (!topic.isEmpty()) at.setFragment(topic);
  browser_->setSource(at);
  // The same page again scrolls to the section asked for, or back to the top; and once more
  // when the viewer has been laid out, since a window not yet shown cannot scroll.
  auto scroll = [this, topic] {
    if (topic.isEmpty()) {
      browser_->moveCursor(QTextCursor::Start);
    } else {
      browser_->scrollToAnchor(topic);
    }
  };
  scroll();
  QTimer::singleShot(0, this, scroll);
}

bool HelpViewer::findNext(const QString& text) {
  if (text.isEmpty()) return false;
  if (browser_->find(text)) return true;
  // Past the last match: once more from the top.
  QTextCursor top = browser_->textCursor();
  top.movePosition(QTextCursor::Start);
  browser_->setTextCursor(top);
  return browser_->find(text);
}

}  // namespace winsys
