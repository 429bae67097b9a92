#include "winsys/qt/help_viewer.h"

#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

namespace winsys {

HelpViewer::HelpViewer(QUrl index) : index_(std::move(index)), browser_(new QTextBrowser(this)) {
  setWindowTitle(QStringLiteral("XARN_WIN Help"));
  resize(760, 600);
  auto* tools = new QToolBar(this);
  QAction* back = tools->addAction(QStringLiteral("Back"), browser_, &QTextBrowser::backward);
  QAction* forward = tools->addAction(QStringLiteral("Forward"), browser_, &QTextBrowser::forward);
  tools->addAction(QStringLiteral("Contents"), this, &HelpViewer::showIndex);
  back->setEnabled(false);
  forward->setEnabled(false);
  connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
  browser_->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(tools);
  layout->addWidget(browser_);
}

void HelpViewer::showIndex() {
  if (index_.isEmpty()) {
    browser_->setHtml(QStringLiteral("<p>No help pages are installed.</p>"));
  } else {
    browser_->setSource(index_);
  }
}

}  // namespace winsys
