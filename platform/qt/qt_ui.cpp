#include "platform/qt/qt_ui.h"

#include <QMessageBox>
#include <QPushButton>
#include <QWidget>
#include <vector>

#include "platform/qt/windows1252.h"

namespace corvella {

namespace {

constexpr unsigned kButtonMask = 0x000F;
constexpr unsigned kIconMask = 0x00F0;

QMessageBox::Icon IconFor(unsigned flags) {
  switch (flags & kIconMask) {
    case MB_ICONSTOP: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

void FillBox(QMessageBox& box, const std::string& text, const std::string& detail,
             const std::string& caption, unsigned flags) {
  box.setWindowTitle(caption.empty() ? QStringLiteral("Corvella") : FromWindows1252(caption));
  box.setText(FromWindows1252(text));
  box.setTextFormat(Qt::PlainText);
  if (!detail.empty()) box.setInformativeText(FromWindows1252(detail));
  box.setIcon(IconFor(flags));
}

}  // namespace

void QtUi::ShowNotice(const std::string& text, const std::string& detail,
                      const std::string& caption, unsigned flags) {
  auto* box = new QMessageBox(m_parent);
  box->setObjectName(QStringLiteral("corvellaNoticeBox"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::NonModal);
  FillBox(*box, text, detail, caption, flags);
  box->setStandardButtons(QMessageBox::Ok);
  box->setEscapeButton(QMessageBox::Ok);
  // Answered, it gives the window the keyboard back, as a modal box does.
  if (m_parent) {
    QObject::connect(box, &QDialog::finished, m_parent, [window = m_parent] {
      if (window->isVisible()) window->activateWindow();
    });
  }
  box->show();
  // Asked for, so the box has the keyboard also where no window manager
  // hands it out (a bare X session at the operator's desk).
  box->raise();
  box->activateWindow();
}

ReturnActivation::~ReturnActivation() {
  if (m_window && m_window->isVisible()) m_window->activateWindow();
}

int QtUi::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  return MessageBoxWithDetail(text, std::string(), caption, flags);
}

int QtUi::MessageBoxWithDetail(const std::string& text, const std::string& detail,
                               const std::string& caption, unsigned flags) {
  ReturnActivation back(m_parent);
  QMessageBox box(m_parent);
  box.setObjectName(QStringLiteral("corvellaMessageBox"));
  FillBox(box, text, detail, caption, flags);

  // The buttons in the platform's order; the first one is the default.
  struct Choice {
    QMessageBox::StandardButton button;
    int id;
  };
  std::vector<Choice> choices;
  switch (flags & kButtonMask) {
    case MB_OKCANCEL: choices = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}}; break;
    case MB_YESNOCANCEL:
      choices = {
          {QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
      break;
    case MB_YESNO: choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}}; break;
    default: choices = {{QMessageBox::Ok, IDOK}}; break;
  }
  QMessageBox::StandardButtons buttons;
  for (const Choice& c : choices) buttons |= c.button;
  box.setStandardButtons(buttons);
  box.setDefaultButton(choices.front().button);
  // Escape and the close button: Cancel where there is one, else the only
  // button (OK) or No.
  if (buttons & QMessageBox::Cancel) {
    box.setEscapeButton(QMessageBox::Cancel);
  } else if (buttons & QMessageBox::No) {
    box.setEscapeButton(QMessageBox::No);
  } else {
    box.setEscapeButton(QMessageBox::Ok);
  }

  box.exec();
  const auto clicked = box.standardButton(box.clickedButton());
  for (const Choice& c : choices) {
    if (c.button == clicked) return c.id;
  }
  // Closed without a button (the platform closes a box by its escape answer).
  if (buttons & QMessageBox::Cancel) return IDCANCEL;
  if (buttons & QMessageBox::No) return IDNO;
  return IDOK;
}

}  // namespace corvella
