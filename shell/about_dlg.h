#pragma once
// CAboutDlg: the About box ("About Corvella"), shown modally by the About
// command; it only shows the program icon, its version and an OK button.

#include <QDialog>

namespace corvella {

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace corvella
