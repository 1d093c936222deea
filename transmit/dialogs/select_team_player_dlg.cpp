#include "transmit/dialogs/select_team_player_dlg.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <algorithm>
#include <initializer_list>

#include "platform/qt/dialog_support.h"
#include "platform/qt/windows1252.h"

namespace corvella {

CSelectTeamPlayerDlg::CSelectTeamPlayerDlg(QWidget* parent)
    : ModalDialog(parent, QStringLiteral("selectTeamPlayerDialog"),
                  QStringLiteral("Select Desired Team/Player")) {
  m_request = new QLabel(this);
  m_request->setObjectName(QStringLiteral("requestLabel"));
  m_request->setTextFormat(Qt::PlainText);
  auto* group = new QGroupBox(QStringLiteral("Which Team"), this);
  group->setObjectName(QStringLiteral("whichTeamGroupBox"));
  // The choices are the group's children, so assistive technology finds
  // them inside the grouping named "Which Team" and says its name with them.
  m_home = new QRadioButton(QStringLiteral("&Home"), group);
  m_home->setObjectName(QStringLiteral("homeRadioButton"));
  m_visitor = new QRadioButton(QStringLiteral("&Visitor"), group);
  m_visitor->setObjectName(QStringLiteral("visitorRadioButton"));
  m_both = new QRadioButton(QStringLiteral("&Both"), group);
  m_both->setObjectName(QStringLiteral("bothRadioButton"));
  m_sides = new QButtonGroup(this);
  m_sides->setExclusive(true);
  m_sides->addButton(m_home, 0);
  m_sides->addButton(m_visitor, 1);
  m_sides->addButton(m_both, 2);

  auto* label = new QLabel(QStringLiteral("Player Number"), this);
  label->setObjectName(QStringLiteral("playerNumberLabel"));
  m_player = new QLineEdit(this);
  m_player->setObjectName(QStringLiteral("playerNumberLineEdit"));
  m_player->setAlignment(Qt::AlignCenter);
  // Digits only, as many as the operator likes; OK judges the number.
  m_player->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_player));
  label->setBuddy(m_player);
  m_spin = new UpDownControl(m_player, this);
  m_spin->setObjectName(QStringLiteral("playerSpinUp"));
  m_spin->SetWrap(true);

  const OkCancelButtons buttons = AddOkCancelButtons(this);
  m_ok = buttons.ok;
  m_cancel = buttons.cancel;

  // The layout in dialog units (a quarter of the average character width, an
  // eighth of the line height), grown where the style needs more room.
  DialogUnits du(fontMetrics());
  const int lineHeight = std::max(
      {m_player->sizeHint().height(), m_ok->sizeHint().height(), m_home->sizeHint().height()});
  while (du.Y(14) < lineHeight) ++du.baseY;
  du.FitWidth(m_visitor->sizeHint().width(), 35);
  du.FitWidth(m_both->sizeHint().width(), 31);
  du.FitWidth(label->sizeHint().width(), 47);
  // The request's line takes the top; the controls keep their places below it.
  constexpr int kTop = 14;
  // Places in the dialog's coordinates, also for the group's children.
  auto place = [&](QWidget* w, int x, int y, int width, int height) {
    QRect r = du.Rect(x, y + (w == m_request ? 0 : kTop), width, height);
    if (w->parentWidget() == group) r.translate(-group->pos());
    w->setGeometry(r.x(), r.y(), r.width(), std::max(r.height(), w->sizeHint().height()));
  };
  place(m_request, 10, 4, 212, 10);
  place(group, 10, 5, 65, 65);
  place(m_home, 25, 20, 35, 10);
  place(m_visitor, 25, 35, 35, 10);
  place(m_both, 25, 50, 31, 10);
  place(label, 135, 5, 47, 8);
  place(m_player, 135, 19, 40, 14);
  place(m_spin, 175, 19, 11, 14);
  m_spin->setGeometry(m_spin->x(), m_player->y(), m_spin->width(), m_player->height());
  place(m_ok, 175, 55, 50, 14);
  place(m_cancel, 105, 55, 50, 14);
  QSize size = DialogSize(du, 232, 76 + kTop, m_ok);
  size.setHeight(std::max(size.height(), group->geometry().bottom() + du.Y(6)));
  setFixedSize(size);
  // The number first, then the buttons, then the team: the dialog's tab
  // order. The side is mostly chosen by its key (Alt+H, Alt+V, Alt+B) from
  // the number, so the digits typed right after Send Request land in it.
  SetTabChain({m_player, m_ok, m_cancel, m_home, m_visitor, m_both});
}

void CSelectTeamPlayerDlg::OnInitDialog() {
  // Which request goes out; a long description is cut to the line.
  if (m_nRequest > 0) {
    const QString line =
        QStringLiteral("Request %1: %2").arg(m_nRequest).arg(FromWindows1252(m_strDescription));
    m_request->setText(
        m_request->fontMetrics().elidedText(line, Qt::ElideRight, m_request->width()));
    m_request->setToolTip(line);
    m_request->setAccessibleName(line);
  }
  // The members into the controls: the number, and no side yet.
  m_player->setText(QString::number(m_nPlayerNumber));
  m_sides->setExclusive(false);
  for (QAbstractButton* b : m_sides->buttons()) b->setChecked(false);
  m_sides->setExclusive(true);

  // Home is the starting choice.
  m_nSide = 0;
  m_home->setChecked(true);
  m_spin->SetRange(kLowestPlayer, kHighestPlayer);

  if (m_bTeamRequest) {
    // Basketball has no combined team statistics.
    m_player->setEnabled(false);
    m_both->setEnabled(QString::fromStdString(m_strSportCode)
                           .compare(QStringLiteral("BASK"), Qt::CaseInsensitive) != 0);
  } else {
    m_player->setEnabled(true);
    m_both->setEnabled(false);
  }
  if (m_bTop3Request) {
    m_player->setEnabled(false);
    m_both->setEnabled(true);
  }

  // The first enabled stop in tab order takes the focus: the player number
  // of an individual request, else OK. The number is selected, so typing
  // replaces the 0.
  for (QWidget* stop : std::initializer_list<QWidget*>{m_player, m_ok, m_cancel, m_home}) {
    if (!stop->isEnabled()) continue;
    stop->setFocus(Qt::OtherFocusReason);
    break;
  }
  if (m_player->isEnabled()) m_player->selectAll();
}

void CSelectTeamPlayerDlg::accept() {
  int number = 0;
  const bool isNumber = ParseDialogInt(m_player->text(), number);
  if (!isNumber || number < kLowestPlayer || number > kHighestPlayer) {
    ShowCheckMessage(
        this, isNumber ? IntegerRangeText(kLowestPlayer, kHighestPlayer) : IntegerExpectedText());
    if (m_player->isEnabled()) {
      m_player->setFocus(Qt::OtherFocusReason);
      m_player->selectAll();
    }
    return;
  }
  m_nPlayerNumber = number;
  // A side's key (Alt+V) presses its button and checks it a moment later,
  // when the press is shown; OK pressed within that moment takes the side
  // whose button is down, not the one checked before.
  for (QAbstractButton* b : m_sides->buttons()) {
    if (b->isDown() && b->isEnabled()) b->setChecked(true);
  }
  m_nSide = m_sides->checkedId();
  QDialog::accept();
}

bool RunSelectTeamPlayerDialog(QWidget* parent, TeamPlayerChoice& choice) {
  CSelectTeamPlayerDlg dlg(parent);
  dlg.m_nRequest = choice.request;
  dlg.m_strDescription = choice.description;
  dlg.m_bTeamRequest = choice.teamRequest;
  dlg.m_bTop3Request = choice.top3Request;
  dlg.m_strSportCode = choice.sportCode;
  if (!dlg.DoModal()) return false;
  choice.side = dlg.m_nSide;
  choice.playerNumber = dlg.m_nPlayerNumber;
  return true;
}

}  // namespace corvella
