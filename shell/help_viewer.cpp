#include "shell/help_viewer.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

namespace corvella {

HelpViewer::HelpViewer(QWidget* parent) : QDialog(parent), m_browser(new QTextBrowser(this)) {
  setObjectName(QStringLiteral("helpViewer"));
  setWindowTitle(QStringLiteral("Corvella Help"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setModal(false);
  m_browser->setObjectName(QStringLiteral("helpBrowser"));
  m_browser->setAccessibleName(QStringLiteral("Operator's guide"));
  m_browser->setOpenExternalLinks(false);
  // A caret the arrow keys move, read-only: a screen reader reads the line,
  // word or character the caret comes to, and Tab still goes from link to
  // link.
  m_browser->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse |
                                     Qt::LinksAccessibleByKeyboard | Qt::LinksAccessibleByMouse);
  m_browser->setSource(QUrl(QStringLiteral("qrc:/help/operators_guide.html")));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_browser);
  layout->addWidget(buttons);
  resize(620, 560);
}

void HelpViewer::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  const QWidget* active = QApplication::activeWindow();
  if (QWidget* back = parentWidget(); back && back->isVisible() && (!active || active == this))
    back->activateWindow();
}

void HelpViewer::ShowTopic(const QString& anchor) {
  // Shown first, so the page is laid out at the window's width when it scrolls.
  show();
  raise();
  activateWindow();
  m_browser->setFocus(Qt::OtherFocusReason);
  if (anchor.isEmpty()) {
    m_browser->moveCursor(QTextCursor::Start);
    m_browser->ensureCursorVisible();
  } else {
    // The caret goes to the topic too, where the screen reader starts.
    const QTextDocument* doc = m_browser->document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
      for (auto it = block.begin(); !it.atEnd(); ++it) {
        if (!it.fragment().charFormat().anchorNames().contains(anchor)) continue;
        QTextCursor at(m_browser->document());
        at.setPosition(it.fragment().position());
        m_browser->setTextCursor(at);
        break;
      }
    }
    m_browser->scrollToAnchor(anchor);
  }
}

}  // namespace corvella
