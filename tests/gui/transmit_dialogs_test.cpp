// The Select Desired Team/Player and Choose Appropriate Selection dialogs,
// offscreen: the enabling table, the wrapping spin, the check on OK, the
// results of the run functions, the list's fill and preselection.

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <functional>

#include "listview/dialogs/choose_selection_dlg.h"
#include "transmit/dialogs/select_team_player_dlg.h"

using namespace corvella;

namespace {

template <typename T>
T* Child(QWidget* parent, const char* name) {
  T* child = parent->findChild<T*>(QLatin1String(name));
  if (child == nullptr) qFatal("no child %s", name);
  return child;
}

// Answers the next modal message box with OK, keeping its text.
void CloseNextMessageBox(QString* text) {
  QTimer::singleShot(0, [text] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    *text = box->text();
    box->accept();
  });
}

// Drives the next modal dialog once it is open and active. A dialog the
// driver leaves open (a failed check returns early) is cancelled, so a
// failure never hangs the run.
void DriveNextDialog(std::function<void(QDialog*)> drive) {
  QTimer::singleShot(0, [drive] {
    QPointer<QDialog> dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dlg == nullptr) qFatal("no modal dialog");
    dlg->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dlg));
    drive(dlg);
    if (dlg != nullptr && dlg->isVisible()) dlg->reject();
  });
}

}  // namespace

class TransmitDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void enablingTable_data();
  void enablingTable();
  void spinWrapsBothWays();
  void spinFollowsItsBuddy();
  void numberOutsideTheRangeKeepsTheDialogOpen_data();
  void numberOutsideTheRangeKeepsTheDialogOpen();
  void onlyDigitsCanBeTyped();
  void visitorAndTwelveAreReturned();
  void cancelAndEscapeLeaveTheChoice();
  void layoutKeepsControlsApart();
  void teamChoiceIsReachedByTabInsideItsGroup();
  void choiceListIsFilledAndPreselected_data();
  void choiceListIsFilledAndPreselected();
  void choiceCaptionNamesTheTitle();
  void choiceOkWithNothingSelectedIsEmpty();
  void choiceCancelIsEmpty();
  void choiceOperatorPicksAnEntry();
};

void TransmitDialogsTest::enablingTable_data() {
  QTest::addColumn<bool>("team");
  QTest::addColumn<bool>("top3");
  QTest::addColumn<QString>("sport");
  QTest::addColumn<bool>("playerEnabled");
  QTest::addColumn<bool>("bothEnabled");

  QTest::newRow("individual basketball") << false << false << "BASK" << true << false;
  QTest::newRow("individual football") << false << false << "FOOT" << true << false;
  QTest::newRow("top-3") << false << true << "FOOT" << false << true;
  QTest::newRow("team basketball") << true << false << "BASK" << false << false;
  QTest::newRow("team basketball lower case") << true << false << "bask" << false << false;
  QTest::newRow("team football") << true << false << "FOOT" << false << true;
  QTest::newRow("team hockey") << true << false << "HOCK" << false << true;
  QTest::newRow("team top-3 basketball") << true << true << "BASK" << false << true;
}

void TransmitDialogsTest::enablingTable() {
  QFETCH(bool, team);
  QFETCH(bool, top3);
  QFETCH(QString, sport);
  QFETCH(bool, playerEnabled);
  QFETCH(bool, bothEnabled);

  CSelectTeamPlayerDlg dlg;
  dlg.m_bTeamRequest = team;
  dlg.m_bTop3Request = top3;
  dlg.m_strSportCode = sport.toStdString();
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));

  QCOMPARE(dlg.windowTitle(), QStringLiteral("Select Desired Team/Player"));
  auto* player = Child<QLineEdit>(&dlg, "playerNumberLineEdit");
  QCOMPARE(player->text(), QStringLiteral("0"));
  QCOMPARE(player->isEnabled(), playerEnabled);
  QCOMPARE(Child<QWidget>(&dlg, "playerSpinUp")->isEnabled(), playerEnabled);
  QVERIFY(Child<QRadioButton>(&dlg, "homeRadioButton")->isChecked());
  QVERIFY(Child<QRadioButton>(&dlg, "homeRadioButton")->isEnabled());
  QVERIFY(Child<QRadioButton>(&dlg, "visitorRadioButton")->isEnabled());
  QCOMPARE(Child<QRadioButton>(&dlg, "bothRadioButton")->isEnabled(), bothEnabled);
  QCOMPARE(dlg.m_nSide, 0);
  // The first enabled stop in tab order has the focus: the number, else OK.
  QCOMPARE(dlg.focusWidget(),
           playerEnabled ? static_cast<QWidget*>(player) : Child<QWidget>(&dlg, "okPushButton"));
}

void TransmitDialogsTest::spinWrapsBothWays() {
  CSelectTeamPlayerDlg dlg;
  dlg.show();
  auto* player = Child<QLineEdit>(&dlg, "playerNumberLineEdit");
  auto* spin = Child<QWidget>(&dlg, "playerSpinUp");
  auto* up = Child<QToolButton>(spin, "upToolButton");
  auto* down = Child<QToolButton>(spin, "downToolButton");

  QTest::mouseClick(down, Qt::LeftButton);  // 0 -> 99
  QCOMPARE(player->text(), QStringLiteral("99"));
  QTest::mouseClick(up, Qt::LeftButton);  // 99 -> 0
  QCOMPARE(player->text(), QStringLiteral("0"));
  QTest::mouseClick(up, Qt::LeftButton);
  QCOMPARE(player->text(), QStringLiteral("1"));

  // The arrow keys in the edit step as well.
  player->setFocus();
  QTest::keyClick(player, Qt::Key_Down);
  QTest::keyClick(player, Qt::Key_Down);
  QCOMPARE(player->text(), QStringLiteral("99"));
  QTest::keyClick(player, Qt::Key_Up);
  QCOMPARE(player->text(), QStringLiteral("0"));
}

void TransmitDialogsTest::spinFollowsItsBuddy() {
  CSelectTeamPlayerDlg dlg;
  dlg.show();
  auto* player = Child<QLineEdit>(&dlg, "playerNumberLineEdit");
  auto* up = Child<QToolButton>(Child<QWidget>(&dlg, "playerSpinUp"), "upToolButton");
  player->setText(QStringLiteral("41"));
  QTest::mouseClick(up, Qt::LeftButton);
  QCOMPARE(player->text(), QStringLiteral("42"));
  player->setText(QStringLiteral("250"));  // typed beyond the range
  QTest::mouseClick(up, Qt::LeftButton);
  QCOMPARE(player->text(), QStringLiteral("0"));
  player->clear();  // no number: steps from the last value
  QTest::mouseClick(up, Qt::LeftButton);
  QCOMPARE(player->text(), QStringLiteral("1"));

  // Not usable while the number is not.
  CSelectTeamPlayerDlg team;
  team.m_bTeamRequest = true;
  team.show();
  auto* teamUp = Child<QToolButton>(Child<QWidget>(&team, "playerSpinUp"), "upToolButton");
  QTest::mouseClick(teamUp, Qt::LeftButton);
  QCOMPARE(Child<QLineEdit>(&team, "playerNumberLineEdit")->text(), QStringLiteral("0"));
}

void TransmitDialogsTest::numberOutsideTheRangeKeepsTheDialogOpen_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("message");
  QTest::newRow("100") << "100"
                       << "Please enter an integer between 0 and 99.";
  QTest::newRow("very long") << "123456789012345678901234567890"
                             << "Please enter an integer.";
  QTest::newRow("empty") << ""
                         << "Please enter an integer.";
}

void TransmitDialogsTest::numberOutsideTheRangeKeepsTheDialogOpen() {
  QFETCH(QString, typed);
  QFETCH(QString, message);
  CSelectTeamPlayerDlg dlg;
  dlg.show();
  auto* player = Child<QLineEdit>(&dlg, "playerNumberLineEdit");
  player->setFocus();
  player->selectAll();
  QTest::keyClick(player, Qt::Key_Delete);
  QTest::keyClicks(player, typed);
  QCOMPARE(player->text(), typed);

  QString shown;
  CloseNextMessageBox(&shown);
  QTest::mouseClick(Child<QPushButton>(&dlg, "okPushButton"), Qt::LeftButton);
  QCOMPARE(shown, message);
  QVERIFY(dlg.isVisible());
  QCOMPARE(dlg.result(), 0);
  QCOMPARE(dlg.focusWidget(), static_cast<QWidget*>(player));

  // Corrected, OK ends the dialog.
  player->setText(QStringLiteral("99"));
  QTest::mouseClick(Child<QPushButton>(&dlg, "okPushButton"), Qt::LeftButton);
  QVERIFY(!dlg.isVisible());
  QCOMPARE(dlg.result(), int(QDialog::Accepted));
  QCOMPARE(dlg.m_nPlayerNumber, 99);
}

void TransmitDialogsTest::onlyDigitsCanBeTyped() {
  CSelectTeamPlayerDlg dlg;
  dlg.show();
  auto* player = Child<QLineEdit>(&dlg, "playerNumberLineEdit");
  player->setFocus();
  player->selectAll();
  QTest::keyClicks(player, QStringLiteral("1a-2 "));
  QCOMPARE(player->text(), QStringLiteral("12"));
  QCOMPARE(player->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
}

void TransmitDialogsTest::visitorAndTwelveAreReturned() {
  TeamPlayerChoice choice;
  choice.request = 12;
  choice.description = "Caf\xe9 Leaders";  // Windows-1252
  choice.sportCode = "BASK";
  QString named;
  DriveNextDialog([&named](QDialog* dlg) {
    QLabel* request = Child<QLabel>(dlg, "requestLabel");
    if (QRect(QPoint(0, 0), dlg->size()).contains(request->geometry())) named = request->text();
    QTest::mouseClick(Child<QRadioButton>(dlg, "visitorRadioButton"), Qt::LeftButton);
    auto* player = Child<QLineEdit>(dlg, "playerNumberLineEdit");
    player->selectAll();
    QTest::keyClicks(player, QStringLiteral("12"));
    QTest::keyClick(player, Qt::Key_Return);  // OK is the default button
  });
  QVERIFY(RunSelectTeamPlayerDialog(nullptr, choice));
  QCOMPARE(choice.side, 1);
  QCOMPARE(choice.playerNumber, 12);
  QCOMPARE(named, QStringLiteral("Request 12: Caf\u00e9 Leaders"));  // which request goes out

  // Both, for a team request of a sport other than Basketball; Alt+B selects it.
  TeamPlayerChoice team;
  team.teamRequest = true;
  team.sportCode = "FOOT";
  DriveNextDialog([](QDialog* dlg) {
    QTest::keyClick(dlg->windowHandle(), Qt::Key_B, Qt::AltModifier);
    QTRY_VERIFY(Child<QRadioButton>(dlg, "bothRadioButton")->isChecked());  // an animated click
    QTest::mouseClick(Child<QPushButton>(dlg, "okPushButton"), Qt::LeftButton);
  });
  QVERIFY(RunSelectTeamPlayerDialog(nullptr, team));
  QCOMPARE(team.side, 2);
  QCOMPARE(team.playerNumber, 0);
}

void TransmitDialogsTest::cancelAndEscapeLeaveTheChoice() {
  for (int way = 0; way < 2; ++way) {
    TeamPlayerChoice choice;
    DriveNextDialog([way](QDialog* dlg) {
      QTest::mouseClick(Child<QRadioButton>(dlg, "visitorRadioButton"), Qt::LeftButton);
      if (way == 0) {
        QTest::mouseClick(Child<QPushButton>(dlg, "cancelPushButton"), Qt::LeftButton);
      } else {
        QTest::keyClick(dlg, Qt::Key_Escape);
      }
    });
    QVERIFY(!RunSelectTeamPlayerDialog(nullptr, choice));
    QCOMPARE(choice.side, -1);
    QCOMPARE(choice.playerNumber, 0);
  }
}

void TransmitDialogsTest::layoutKeepsControlsApart() {
  CSelectTeamPlayerDlg dlg;
  dlg.show();
  const QRect group = Child<QGroupBox>(&dlg, "whichTeamGroupBox")->geometry();
  QRect previous;
  for (const char* name : {"homeRadioButton", "visitorRadioButton", "bothRadioButton"}) {
    const QRadioButton* radio = Child<QRadioButton>(&dlg, name);
    const QRect r(radio->mapTo(&dlg, QPoint(0, 0)), radio->size());
    QVERIFY2(group.contains(r), name);
    QVERIFY2(!r.intersects(previous), name);
    previous = r;
  }
  // Both is the narrower of the three (31 dialog units against 35), and its
  // text still fits.
  const QRect visitor = Child<QRadioButton>(&dlg, "visitorRadioButton")->geometry();
  QRadioButton* both = Child<QRadioButton>(&dlg, "bothRadioButton");
  QCOMPARE(both->x(), visitor.x());
  QVERIFY(both->width() < visitor.width());
  QVERIFY(both->width() >= both->sizeHint().width());
  const QRect edit = Child<QLineEdit>(&dlg, "playerNumberLineEdit")->geometry();
  const QRect spin = Child<QWidget>(&dlg, "playerSpinUp")->geometry();
  const QRect ok = Child<QPushButton>(&dlg, "okPushButton")->geometry();
  const QRect cancel = Child<QPushButton>(&dlg, "cancelPushButton")->geometry();
  QCOMPARE(spin.left(), edit.right() + 1);
  QVERIFY(!edit.intersects(group));
  QVERIFY(!ok.intersects(cancel));
  QVERIFY(cancel.right() < ok.left());
  QVERIFY(!ok.intersects(edit));
  QVERIFY(QRect(QPoint(0, 0), dlg.size()).contains(ok));
}

// Tab runs from the number through the buttons to the team; the choices sit
// in the "Which Team" grouping, whose name a screen reader says with them.
void TransmitDialogsTest::teamChoiceIsReachedByTabInsideItsGroup() {
  CSelectTeamPlayerDlg dlg;
  dlg.show();
  dlg.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&dlg));
  // Tab from where the dialog opens, once round.
  QStringList order{dlg.focusWidget()->objectName()};
  for (int i = 0; i < 8; ++i) {
    QTest::keyClick(dlg.focusWidget(), Qt::Key_Tab);
    if (dlg.focusWidget()->objectName() == order.front()) break;
    order << dlg.focusWidget()->objectName();
  }
  QCOMPARE(order, (QStringList{"playerNumberLineEdit", "okPushButton", "cancelPushButton",
                               "homeRadioButton"}));

  for (const char* name : {"homeRadioButton", "visitorRadioButton", "bothRadioButton"}) {
    QAccessibleInterface* radio =
        QAccessible::queryAccessibleInterface(Child<QRadioButton>(&dlg, name));
    QVERIFY2(radio && radio->parent(), name);
    QCOMPARE(radio->parent()->role(), QAccessible::Grouping);
    QCOMPARE(radio->parent()->text(QAccessible::Name), QStringLiteral("Which Team"));
  }
}

void TransmitDialogsTest::choiceListIsFilledAndPreselected_data() {
  QTest::addColumn<QString>("choices");
  QTest::addColumn<QString>("current");
  QTest::addColumn<QStringList>("entries");
  QTest::addColumn<int>("selected");
  const QString modes = QStringLiteral("Continuous,Single Step,Selected Frame");
  QTest::newRow("S picks Single Step")
      << modes << "S" << QStringList{"Continuous", "Single Step", "Selected Frame"} << 1;
  QTest::newRow("case does not matter")
      << modes << "selected" << QStringList{"Continuous", "Single Step", "Selected Frame"} << 2;
  QTest::newRow("no current") << modes << ""
                              << QStringList{"Continuous", "Single Step", "Selected Frame"} << -1;
  QTest::newRow("no match") << modes << "X"
                            << QStringList{"Continuous", "Single Step", "Selected Frame"} << -1;
  QTest::newRow("empty pieces") << "A,,B,"
                                << "b" << QStringList{"A", "B"} << 1;
  QTest::newRow("leading comma") << ",X"
                                 << "" << QStringList{"X"} << -1;
  QTest::newRow("nothing") << ""
                           << "A" << QStringList{} << -1;
}

void TransmitDialogsTest::choiceListIsFilledAndPreselected() {
  QFETCH(QString, choices);
  QFETCH(QString, current);
  QFETCH(QStringList, entries);
  QFETCH(int, selected);
  CChooseSelectionDlg dlg;
  dlg.m_strTitle = "Display Mode";
  dlg.m_strChoices = choices.toStdString();
  dlg.m_strCurrent = current.toStdString();
  dlg.show();
  auto* list = Child<QComboBox>(&dlg, "selectionComboBox");
  QStringList shown;
  for (int i = 0; i < list->count(); ++i) shown << list->itemText(i);
  QCOMPARE(shown, entries);
  QCOMPARE(list->currentIndex(), selected);
  QVERIFY(!list->isEditable());
}

void TransmitDialogsTest::choiceCaptionNamesTheTitle() {
  CChooseSelectionDlg dlg;
  QCOMPARE(dlg.windowTitle(), QStringLiteral("Choose Appropriate Selection"));
  dlg.m_strTitle = "Sign Number";
  dlg.m_strChoices = "1,2,3";
  dlg.show();
  QCOMPARE(dlg.windowTitle(), QStringLiteral("Select Sign Number"));
}

void TransmitDialogsTest::choiceOkWithNothingSelectedIsEmpty() {
  DriveNextDialog([](QDialog* dlg) {
    QCOMPARE(Child<QComboBox>(dlg, "selectionComboBox")->currentIndex(), -1);
    QTest::mouseClick(Child<QPushButton>(dlg, "okPushButton"), Qt::LeftButton);
  });
  QCOMPARE(RunChooseSelectionDialog(nullptr, "Drive", "", "C,D,E"), std::string());
}

void TransmitDialogsTest::choiceCancelIsEmpty() {
  DriveNextDialog([](QDialog* dlg) {
    QCOMPARE(Child<QComboBox>(dlg, "selectionComboBox")->currentText(), QStringLiteral("D"));
    QTest::mouseClick(Child<QPushButton>(dlg, "cancelPushButton"), Qt::LeftButton);
  });
  QCOMPARE(RunChooseSelectionDialog(nullptr, "Drive", "d", "C,D,E"), std::string());
}

void TransmitDialogsTest::choiceOperatorPicksAnEntry() {
  DriveNextDialog([](QDialog* dlg) {
    auto* list = Child<QComboBox>(dlg, "selectionComboBox");
    QCOMPARE(dlg->focusWidget(), static_cast<QWidget*>(list));
    QTest::keyClick(list, Qt::Key_Down);  // Continuous -> Single Step
    QTest::keyClick(dlg, Qt::Key_Return);
  });
  QCOMPARE(RunChooseSelectionDialog(nullptr, "Display Mode", "Con",
                                    "Continuous,Single Step,Selected Frame"),
           std::string("Single Step"));
}

QTEST_MAIN(TransmitDialogsTest)
#include "transmit_dialogs_test.moc"
