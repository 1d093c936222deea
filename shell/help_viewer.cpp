#include "shell/help_viewer.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace corvella {

HelpViewer::HelpViewer(QWidget* parent) : QDialog(parent), m_browser(new QTextBrowser(this)) {
  setObjectName(QStringLiteral("helpViewer"));
  setWindowTitle(QStringLiteral("Corvella Help"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setModal(false);
  m_browser->setObjectName(QStringLiteral("helpBrowser"));
  m_browser->setOpenExternalLinks(false);
  m_browser->setSource(QUrl(QStringLiteral("qrc:/help/operators_guide.html")));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_browser);
  layout->addWidget(buttons);
  resize(620, 560);
}

void HelpViewer::ShowTopic(const QString& anchor) {
  // Shown first, so the page is laid out at the window's width when it scrolls.
  show();
  raise();
  activateWindow();
  if (anchor.isEmpty()) {
    m_browser->moveCursor(QTextCursor::Start);
    m_browser->ensureCursorVisible();
  } else {
    m_browser->scrollToAnchor(anchor);
  }
}

}  // namespace corvella
