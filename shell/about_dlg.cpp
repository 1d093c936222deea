#include "shell/about_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/toolbar_icons.h"

namespace corvella {

CAboutDlg::CAboutDlg(QWidget* parent)
    : ModalDialog(parent, QStringLiteral("aboutDialog"), QStringLiteral("About Corvella")) {
  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("aboutIconLabel"));
  icon->setPixmap(ProgramIcon().pixmap(32, 32));
  icon->setAlignment(Qt::AlignTop);

  auto* version = new QLabel(QStringLiteral("Corvella Version 1.04"), this);
  version->setObjectName(QStringLiteral("aboutVersionLabel"));
  auto* line = new QLabel(QStringLiteral("Display requests for the venue's sign system"), this);
  line->setObjectName(QStringLiteral("aboutLineLabel"));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, Qt::Vertical, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* texts = new QVBoxLayout;
  texts->addWidget(version);
  texts->addWidget(line);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(icon);
  layout->addSpacing(8);
  layout->addLayout(texts, 1);
  layout->addWidget(buttons, 0, Qt::AlignTop);
  setFixedSize(sizeHint().expandedTo(QSize(330, 0)));
}

}  // namespace corvella
