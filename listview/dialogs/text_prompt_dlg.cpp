#include "listview/dialogs/text_prompt_dlg.h"

#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>

#include "listview/dialogs/dialog_support.h"
#include "platform/qt/windows1252.h"

namespace corvella {

CTextPromptDlg::CTextPromptDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("textPromptDialog"));
  setWindowTitle(QStringLiteral("Dialog"));  // replaced when the dialog opens
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);

  m_text = new QLineEdit(this);
  m_text->setObjectName(QStringLiteral("promptLineEdit"));
  LimitTyping(m_text, kMaxChars);
  m_ok = new QPushButton(QStringLiteral("OK"), this);
  m_ok->setObjectName(QStringLiteral("okPushButton"));
  m_ok->setDefault(true);
  m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
  m_cancel->setObjectName(QStringLiteral("cancelPushButton"));
  m_cancel->setAutoDefault(false);

  DialogUnits du(fontMetrics());
  const int height = std::max({du.Y(14), m_text->sizeHint().height(), m_ok->sizeHint().height()});
  while (du.Y(28) < height) ++du.baseY;  // the edit and the buttons must not meet
  auto place = [&](QWidget* w, int x, int y, int width) {
    const QRect r = du.Rect(x, y, width, 0);
    w->setGeometry(r.x(), r.y(), r.width(), height);
  };
  place(m_text, 10, 15, 290);
  place(m_ok, 250, 45, 50);
  place(m_cancel, 10, 45, 50);
  setFixedSize(du.X(312), std::max(du.Y(66), m_ok->geometry().bottom() + du.Y(7)));

  setTabOrder(m_text, m_ok);
  setTabOrder(m_ok, m_cancel);
  connect(m_ok, &QPushButton::clicked, this, &CTextPromptDlg::accept);
  connect(m_cancel, &QPushButton::clicked, this, &CTextPromptDlg::reject);
}

bool CTextPromptDlg::DoModal() { return exec() == QDialog::Accepted; }

void CTextPromptDlg::showEvent(QShowEvent* event) {
  if (!m_bInitialised) OnInitDialog();
  QDialog::showEvent(event);
}

void CTextPromptDlg::OnInitDialog() {
  m_text->setText(FromWindows1252(m_strValue));
  m_text->selectAll();
  m_text->setFocus(Qt::OtherFocusReason);
  setWindowTitle(QStringLiteral("Enter ") + FromWindows1252(m_strLabel));
  m_bInitialised = true;
}

void CTextPromptDlg::accept() {
  const QString text = m_text->text();
  if (text.size() > kMaxChars) {
    ShowCheckMessage(this, MaxCharsText(kMaxChars));
    m_text->setFocus(Qt::OtherFocusReason);
    m_text->selectAll();
    return;
  }
  m_strValue = ToWindows1252(text);
  QDialog::accept();
}

std::string RunTextPromptDialog(QWidget* parent, const std::string& label, const std::string& initial) {
  CTextPromptDlg dlg(parent);
  dlg.m_strLabel = label;
  dlg.m_strValue = initial;
  if (!dlg.DoModal()) return {};
  return dlg.m_strValue;
}

}  // namespace corvella
