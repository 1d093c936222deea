#pragma once
// CAboutDlg: the About box ("About Corvella"), shown modally by the About
// command; it only shows the program icon, its version and an OK button.

#include "platform/qt/dialog_support.h"

namespace corvella {

class CAboutDlg : public ModalDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace corvella
