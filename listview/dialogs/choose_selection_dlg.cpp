#include "listview/dialogs/choose_selection_dlg.h"

#include <QComboBox>
#include <QPushButton>
#include <algorithm>

#include "listview/dialogs/choice_list.h"
#include "platform/qt/dialog_support.h"
#include "platform/qt/windows1252.h"

namespace corvella {

CChooseSelectionDlg::CChooseSelectionDlg(QWidget* parent)
    // The caption is replaced when the dialog opens.
    : ModalDialog(parent, QStringLiteral("chooseSelectionDialog"),
                  QStringLiteral("Choose Appropriate Selection")) {
  m_list = new QComboBox(this);
  m_list->setObjectName(QStringLiteral("selectionComboBox"));
  m_list->setEditable(false);
  m_list->setInsertPolicy(QComboBox::NoInsert);
  m_list->setMaxVisibleItems(8);
  const OkCancelButtons buttons = AddOkCancelButtons(this);
  m_ok = buttons.ok;
  m_cancel = buttons.cancel;

  DialogUnits du(fontMetrics());
  const int height = std::max({du.Y(14), m_list->sizeHint().height(), m_ok->sizeHint().height()});
  while (du.Y(14) < height) ++du.baseY;
  // The list's 80 units of height are its drop-down part; closed it is one line.
  PlaceInDialogUnits(m_list, du, 15, 10, 155, height);
  PlaceInDialogUnits(m_ok, du, 125, 70, 50, height);
  PlaceInDialogUnits(m_cancel, du, 10, 70, 50, height);
  setFixedSize(DialogSize(du, 186, 95, m_ok));
  SetTabChain({m_list, m_ok, m_cancel});
}

void CChooseSelectionDlg::OnInitDialog() {
  setWindowTitle(QStringLiteral("Select ") + FromWindows1252(m_strTitle));

  m_list->clear();
  m_entries = SplitChoices(m_strChoices);
  for (const std::string& entry : m_entries) m_list->addItem(FromWindows1252(entry));
  m_list->setCurrentIndex(m_strCurrent.empty() ? -1 : PreselectIndex(m_entries, m_strCurrent));
  m_list->setFocus(Qt::OtherFocusReason);
}

void CChooseSelectionDlg::accept() {
  const int index = m_list->currentIndex();
  m_strChosen =
      (index >= 0 && index < static_cast<int>(m_entries.size())) ? m_entries[index] : std::string();
  QDialog::accept();
}

std::string RunChooseSelectionDialog(QWidget* parent, const std::string& label,
                                     const std::string& current, const std::string& choices) {
  CChooseSelectionDlg dlg(parent);
  dlg.m_strTitle = label;
  dlg.m_strCurrent = current;
  dlg.m_strChoices = choices;
  if (!dlg.DoModal()) return {};
  return dlg.m_strChosen;
}

}  // namespace corvella
