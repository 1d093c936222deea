#include "listview/dialogs/text_prompt_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "listview/clipboard_text.h"
#include "platform/qt/dialog_support.h"
#include "platform/qt/windows1252.h"

namespace corvella {

CTextPromptDlg::CTextPromptDlg(QWidget* parent)
    // The title is replaced when the dialog opens.
    : ModalDialog(parent, QStringLiteral("textPromptDialog"), QStringLiteral("Dialog")) {
  m_text = new QLineEdit(this);
  m_text->setObjectName(QStringLiteral("promptLineEdit"));
  m_hint = new QLabel(this);
  m_hint->setObjectName(QStringLiteral("hintLabel"));
  m_hint->setAlignment(Qt::AlignCenter);
  LimitTyping(m_text, kMaxChars, QString(QLatin1Char(kClipboardSeparator)), m_hint);
  const OkCancelButtons buttons = AddOkCancelButtons(this);
  m_ok = buttons.ok;
  m_cancel = buttons.cancel;

  DialogUnits du(fontMetrics());
  const int height = std::max({du.Y(14), m_text->sizeHint().height(), m_ok->sizeHint().height()});
  while (du.Y(28) < height) ++du.baseY;  // the edit and the buttons must not meet
  PlaceInDialogUnits(m_text, du, 10, 15, 290, height);
  PlaceInDialogUnits(m_ok, du, 250, 45, 50, height);
  PlaceInDialogUnits(m_cancel, du, 10, 45, 50, height);
  PlaceInDialogUnits(m_hint, du, 65, 45, 180, height);
  setFixedSize(DialogSize(du, 312, 66, m_ok));
  SetTabChain({m_text, m_ok, m_cancel});
}

void CTextPromptDlg::OnInitDialog() {
  m_text->setText(FromWindows1252(m_strValue));
  m_text->selectAll();
  m_text->setFocus(Qt::OtherFocusReason);
  setWindowTitle(QStringLiteral("Enter ") + FromWindows1252(m_strLabel));
  // The prompt has no label of its own: the field is named after what it asks for.
  m_text->setAccessibleName(FromWindows1252(m_strLabel));
}

void CTextPromptDlg::accept() {
  const QString text = m_text->text();
  const QString problem =
      CheckEnteredText(text, kMaxChars, QString(QLatin1Char(kClipboardSeparator)));
  if (!problem.isEmpty()) {
    ShowCheckMessage(this, problem);
    m_text->setFocus(Qt::OtherFocusReason);
    m_text->selectAll();
    return;
  }
  m_strValue = ToWindows1252(text);
  QDialog::accept();
}

std::string RunTextPromptDialog(QWidget* parent, const std::string& label,
                                const std::string& initial) {
  CTextPromptDlg dlg(parent);
  dlg.m_strLabel = label;
  dlg.m_strValue = initial;
  if (!dlg.DoModal()) return {};
  return dlg.m_strValue;
}

}  // namespace corvella
