// The Edit Request dialog and the text prompt, offscreen: the type rule in
// and outside Football, the display-mode rule, the checks on OK with their
// order and focus, the up-down controls, the layout, and the dialog run by
// the list view's EditRequest (OK writes the row, Cancel changes nothing but
// the modified flag).

#include "listview/dialogs/edit_request_dlg.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "listview/corvella_view.h"
#include "listview/dialogs/text_prompt_dlg.h"
#include "listview/view_columns.h"
#include "platform/profile.h"
#include "platform/qt/dialog_support.h"
#include "requests/corvella_doc.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

using namespace corvella;

namespace {

EditRequestData NewRequest(bool football) {
  EditRequestData data;
  data.requestNumber = "1";
  data.type = "Individual";
  data.top3 = "Normal";
  data.style = "Game";
  data.sign = 1;
  data.displayMode = "Continuous";
  data.times = 1;
  data.drive = "C";
  data.library = "DEFAULT";
  data.sequence = "RTD_SEQ ";
  data.frame = 1;
  data.offset = 0;
  data.football = football;
  return data;
}

template <typename T>
T* Child(QWidget* parent, const char* name) {
  T* child = parent->findChild<T*>(QLatin1String(name));
  if (child == nullptr) qFatal("no child %s", name);
  return child;
}

// Chooses an entry of a drop-down list as the operator does: the list has
// the focus and the arrow keys move its selection.
void Choose(QComboBox* combo, const QString& entry) {
  const int target = combo->findText(entry);
  QVERIFY2(target >= 0, qPrintable(entry));
  combo->setFocus();
  while (combo->currentIndex() < target) QTest::keyClick(combo, Qt::Key_Down);
  while (combo->currentIndex() > target) QTest::keyClick(combo, Qt::Key_Up);
}

// A UI whose Edit Request dialog is the real one, driven by `drive` once it
// is open.
class DialogUi : public ScriptedUi {
 public:
  bool EditRequestDialog(EditRequestData& data) override {
    QTimer::singleShot(0, [this] {
      auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (dlg != nullptr && drive) drive(dlg);
    });
    return RunEditRequestDialog(nullptr, data);
  }
  std::function<void(QDialog*)> drive;
};

}  // namespace

class EditRequestDlgTest : public QObject {
  Q_OBJECT

 public:
  // Every message box a test opens is answered with OK and its text kept
  // here, so that no test can hang on an unexpected one.
  QStringList m_messages;
  QTimer m_messageCloser;

 private slots:
  void initTestCase();
  void init();
  void footballTeamSelectsNormalAndDisablesTopThree();
  void topThreeStaysDisabledOutsideFootball();
  void displayModeRule_data();
  void displayModeRule();
  void ruleReportsAFailingFieldAndGoesOn();
  void openingAppliesTheRulesToTheData();
  void storedCodesSelectTheirEntries();
  void signSeventeenIsRefusedOnOk();
  void continuousTimesZeroIsRefusedOnOk();
  void checksRunInTheDialogsOrder();
  void typingStopsAtTheLimit();
  void aLoadedDescriptionIsNotRefusedWhenAnotherFieldChanged();
  void textFieldsRefuseWhatARequestCannotHold_data();
  void textFieldsRefuseWhatARequestCannotHold();
  void signTypedBeforeAModeChangeStaysForCorrection();
  void everyDropDownShowsItsLongestEntry();
  void okReturnsTheValues();
  void upDownControlsStepWithinTheirRanges();
  void upDownControlStepsWithAndWithoutWrap_data();
  void upDownControlStepsWithAndWithoutWrap();
  void layoutKeepsLabelsReadableAndTabOrder();
  void fieldsTellAssistiveTechnologyTheirValues();
  void cancelThroughTheViewChangesNoRow();
  void okThroughTheViewWritesTheRow();
  void textPromptTitleLimitAndResult();
};

void EditRequestDlgTest::initTestCase() {
  m_messageCloser.setInterval(5);
  connect(&m_messageCloser, &QTimer::timeout, this, [this] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      m_messages << box->text();
      box->accept();
    }
  });
  m_messageCloser.start();
}

void EditRequestDlgTest::init() { m_messages.clear(); }

void EditRequestDlgTest::footballTeamSelectsNormalAndDisablesTopThree() {
  CEditRequestDlg dlg;
  EditRequestData data = NewRequest(true);
  data.top3 = "Passing";
  dlg.SetData(data);
  dlg.show();
  auto* type = Child<QComboBox>(&dlg, "typeComboBox");
  auto* top3 = Child<QComboBox>(&dlg, "top3ComboBox");
  QVERIFY(top3->isEnabled());
  QCOMPARE(top3->currentText(), QStringLiteral("Passing"));

  Choose(type, QStringLiteral("Team"));
  QCOMPARE(top3->currentText(), QStringLiteral("Normal"));
  QVERIFY(!top3->isEnabled());

  Choose(type, QStringLiteral("Individual"));
  QVERIFY(top3->isEnabled());
  QVERIFY(!Child<QComboBox>(&dlg, "styleComboBox")->isEnabled());
}

void EditRequestDlgTest::topThreeStaysDisabledOutsideFootball() {
  CEditRequestDlg dlg;
  dlg.SetData(NewRequest(false));
  dlg.show();
  auto* type = Child<QComboBox>(&dlg, "typeComboBox");
  auto* top3 = Child<QComboBox>(&dlg, "top3ComboBox");
  QVERIFY(!top3->isEnabled());
  Choose(type, QStringLiteral("Team"));
  QVERIFY(!top3->isEnabled());
  Choose(type, QStringLiteral("Individual"));
  QVERIFY(!top3->isEnabled());
  QVERIFY(!Child<QComboBox>(&dlg, "styleComboBox")->isEnabled());
}

void EditRequestDlgTest::displayModeRule_data() {
  QTest::addColumn<QString>("startMode");
  QTest::addColumn<QString>("typedFrame");  // typed before the change; empty: none
  QTest::addColumn<QString>("mode");
  QTest::addColumn<QString>("times");
  QTest::addColumn<bool>("timesEnabled");
  QTest::addColumn<QString>("frame");
  QTest::addColumn<bool>("frameEnabled");

  QTest::newRow("single step") << "Continuous"
                               << ""
                               << "Single Step"
                               << "0" << false << "0" << false;
  QTest::newRow("selected frame from frame 0") << "Continuous"
                                               << ""
                                               << "Selected Frame"
                                               << "0" << false << "1" << true;
  QTest::newRow("selected frame keeps a frame of 7") << "Single Step"
                                                     << "7"
                                                     << "Selected Frame"
                                                     << "0" << false << "7" << true;
  QTest::newRow("continuous from single step") << "Single Step"
                                               << ""
                                               << "Continuous"
                                               << "1" << true << "0" << false;
  QTest::newRow("continuous from selected frame") << "Selected Frame"
                                                  << "12"
                                                  << "Continuous"
                                                  << "1" << true << "0" << false;
}

void EditRequestDlgTest::displayModeRule() {
  QFETCH(QString, startMode);
  QFETCH(QString, typedFrame);
  QFETCH(QString, mode);
  QFETCH(QString, times);
  QFETCH(bool, timesEnabled);
  QFETCH(QString, frame);
  QFETCH(bool, frameEnabled);

  CEditRequestDlg dlg;
  EditRequestData data = NewRequest(false);
  data.displayMode = startMode.toStdString();
  data.times = 25;
  dlg.SetData(data);
  dlg.show();
  auto* timesEdit = Child<QLineEdit>(&dlg, "timesLineEdit");
  auto* frameEdit = Child<QLineEdit>(&dlg, "frameLineEdit");
  if (!typedFrame.isEmpty()) frameEdit->setText(typedFrame);
  Choose(Child<QComboBox>(&dlg, "displayModeComboBox"), mode);

  QCOMPARE(timesEdit->text(), times);
  QCOMPARE(timesEdit->isEnabled(), timesEnabled);
  QCOMPARE(frameEdit->text(), frame);
  QCOMPARE(frameEdit->isEnabled(), frameEnabled);
  // A disabled edit cannot be changed through its arrows either.
  QCOMPARE(Child<QWidget>(&dlg, "timesUpDown")->isEnabled(), timesEnabled);
  QCOMPARE(Child<QWidget>(&dlg, "frameUpDown")->isEnabled(), frameEnabled);
  QCOMPARE(m_messages, QStringList());
}

void EditRequestDlgTest::ruleReportsAFailingFieldAndGoesOn() {
  CEditRequestDlg dlg;
  dlg.SetData(NewRequest(false));
  dlg.show();
  auto* frameEdit = Child<QLineEdit>(&dlg, "frameLineEdit");
  frameEdit->setText(QStringLiteral("-3"));
  Choose(Child<QComboBox>(&dlg, "displayModeComboBox"), QStringLiteral("Selected Frame"));
  QCOMPARE(m_messages, QStringList{IntegerRangeText(0, 9999)});
  // The choice stands; the refused frame gives way to the rule's.
  QCOMPARE(Child<QComboBox>(&dlg, "displayModeComboBox")->currentText(),
           QStringLiteral("Selected Frame"));
  QCOMPARE(frameEdit->text(), QStringLiteral("1"));
  QVERIFY(frameEdit->isEnabled());
  QCOMPARE(Child<QLineEdit>(&dlg, "timesLineEdit")->text(), QStringLiteral("0"));
}

void EditRequestDlgTest::openingAppliesTheRulesToTheData() {
  // A new request: frame 1 goes back to 0 in Continuous mode.
  CEditRequestDlg dlg;
  dlg.SetData(NewRequest(false));
  dlg.show();
  QCOMPARE(Child<QLineEdit>(&dlg, "frameLineEdit")->text(), QStringLiteral("0"));
  QVERIFY(!Child<QLineEdit>(&dlg, "frameLineEdit")->isEnabled());
  QCOMPARE(Child<QLineEdit>(&dlg, "timesLineEdit")->text(), QStringLiteral("1"));
  QCOMPARE(Child<QLabel>(&dlg, "requestNumberLabel")->text(), QStringLiteral("1"));
  QCOMPARE(Child<QLineEdit>(&dlg, "sequenceLineEdit")->text(), QStringLiteral("RTD_SEQ "));
  QCOMPARE(dlg.windowTitle(), QStringLiteral("Edit Request"));

  // A team request in Football that still carries a Top 3 statistic opens
  // with Top 3 closed on "Normal", and OK stores what the list shows.
  CEditRequestDlg team;
  EditRequestData data = NewRequest(true);
  data.type = "Team";
  data.top3 = "Passing";
  team.SetData(data);
  team.show();
  QVERIFY(!Child<QComboBox>(&team, "top3ComboBox")->isEnabled());
  QCOMPARE(Child<QComboBox>(&team, "top3ComboBox")->currentText(), QStringLiteral("Normal"));
  QTest::mouseClick(Child<QPushButton>(&team, "okPushButton"), Qt::LeftButton);
  QCOMPARE(team.result(), static_cast<int>(QDialog::Accepted));
  QCOMPARE(team.GetData().top3, std::string("Normal"));
}

void EditRequestDlgTest::storedCodesSelectTheirEntries() {
  CEditRequestDlg dlg;
  EditRequestData data = NewRequest(true);
  data.type = "t";  // a code selects the entry it begins
  data.style = "G";
  data.displayMode = "single step";
  data.drive = "?";  // begins no entry: the first one
  dlg.SetData(data);
  dlg.show();
  QCOMPARE(Child<QComboBox>(&dlg, "typeComboBox")->currentText(), QStringLiteral("Team"));
  QCOMPARE(Child<QComboBox>(&dlg, "styleComboBox")->currentText(), QStringLiteral("Game"));
  QCOMPARE(Child<QComboBox>(&dlg, "displayModeComboBox")->currentText(),
           QStringLiteral("Single Step"));
  QCOMPARE(Child<QComboBox>(&dlg, "driveComboBox")->currentText(), QStringLiteral("A"));
  QCOMPARE(Child<QLineEdit>(&dlg, "timesLineEdit")->text(), QStringLiteral("0"));
}

void EditRequestDlgTest::signSeventeenIsRefusedOnOk() {
  CEditRequestDlg dlg;
  dlg.SetData(NewRequest(false));
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  auto* sign = Child<QLineEdit>(&dlg, "signLineEdit");
  sign->setText(QStringLiteral("17"));

  QTest::mouseClick(Child<QPushButton>(&dlg, "okPushButton"), Qt::LeftButton);
  QCOMPARE(m_messages, QStringList{IntegerRangeText(1, 16)});
  QVERIFY(dlg.isVisible());
  QCOMPARE(dlg.result(), 0);
  QCOMPARE(dlg.focusWidget(), static_cast<QWidget*>(sign));
  QCOMPARE(sign->selectedText(), QStringLiteral("17"));
  QCOMPARE(dlg.m_nSign, 1);
}

// The edit takes 0 (the other modes' count), but a continuous request is
// shown at least once: OK says so with the field rules' message.
void EditRequestDlgTest::continuousTimesZeroIsRefusedOnOk() {
  CEditRequestDlg dlg;
  dlg.SetData(NewRequest(false));
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  auto* times = Child<QLineEdit>(&dlg, "timesLineEdit");
  times->setText(QStringLiteral("0"));

  QTest::mouseClick(Child<QPushButton>(&dlg, "okPushButton"), Qt::LeftButton);
  QCOMPARE(m_messages, QStringList{QStringLiteral("Times to Display can not be LESS than 1")});
  QVERIFY(dlg.isVisible());
  QCOMPARE(dlg.result(), 0);
  QCOMPARE(dlg.focusWidget(), static_cast<QWidget*>(times));
}

void EditRequestDlgTest::checksRunInTheDialogsOrder() {
  CEditRequestDlg dlg;
  EditRequestData data = NewRequest(false);
  data.description = std::string(35, 'x');  // longer than the dialog takes
  data.displayMode = "Selected Frame";
  dlg.SetData(data);
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  Child<QLineEdit>(&dlg, "signLineEdit")->setText(QStringLiteral("0"));
  Child<QLineEdit>(&dlg, "frameLineEdit")->setText(QStringLiteral("12a"));
  Child<QLineEdit>(&dlg, "offsetLineEdit")->setText(QStringLiteral("5001"));

  struct Step {
    const char* fix;  // the edit to correct after the message
    QString fixedText;
    QString expected;  // the message of this round
  };
  const Step steps[] = {
      {"frameLineEdit", QStringLiteral("12"), IntegerExpectedText()},
      {"descriptionLineEdit", QStringLiteral("Twenty-nine characters are ok"), MaxCharsText(29)},
      // 5000 is refused by the Offset check of the list: the dialog stops
      // where that check does.
      {"offsetLineEdit", QStringLiteral("4999"), IntegerRangeText(0, 4999)},
      {"signLineEdit", QStringLiteral("16"), IntegerRangeText(1, 16)},
  };
  for (const Step& step : steps) {
    m_messages.clear();
    QTest::mouseClick(Child<QPushButton>(&dlg, "okPushButton"), Qt::LeftButton);
    QCOMPARE(m_messages, QStringList{step.expected});
    QCOMPARE(dlg.focusWidget()->objectName(), QString::fromLatin1(step.fix));
    Child<QLineEdit>(&dlg, step.fix)->setText(step.fixedText);
  }
  QTest::mouseClick(Child<QPushButton>(&dlg, "okPushButton"), Qt::LeftButton);
  QCOMPARE(dlg.result(), static_cast<int>(QDialog::Accepted));
  QCOMPARE(dlg.m_nFrame, 12);
  QCOMPARE(dlg.m_nOffset, 4999);
  QCOMPARE(dlg.m_nSign, 16);
  QCOMPARE(dlg.m_strDescription, std::string("Twenty-nine characters are ok"));
}

void EditRequestDlgTest::typingStopsAtTheLimit() {
  CEditRequestDlg dlg;
  dlg.SetData(NewRequest(false));
  dlg.show();
  auto* library = Child<QLineEdit>(&dlg, "libraryLineEdit");
  library->clear();
  QTest::keyClicks(library, QStringLiteral("ABCDEFGHIJK"));
  QCOMPARE(library->text(), QStringLiteral("ABCDEFGH"));

  // A description takes the 29 characters a cell keeps, and the hint
  // counts them while the operator types.
  auto* description = Child<QLineEdit>(&dlg, "descriptionLineEdit");
  auto* hint = Child<QLabel>(&dlg, "hintLabel");
  description->clear();
  QTest::keyClicks(description, QString(35, QLatin1Char('d')));
  QCOMPARE(description->text().size(), 29);
  QCOMPARE(hint->text(), MaxCharsText(29));
  QTest::keyClick(description, Qt::Key_Backspace);
  QCOMPARE(hint->text(), CharacterCountText(28, 29));

  // A longer text given to the dialog stays and can be shortened.
  description->setText(QString(35, QLatin1Char('d')));
  QCOMPARE(description->text().size(), 35);
  description->end(false);
  QTest::keyClick(description, Qt::Key_Backspace);
  QCOMPARE(description->text().size(), 34);
  QTest::keyClick(description, Qt::Key_A);
  QCOMPARE(description->text().size(), 34);
}

void EditRequestDlgTest::aLoadedDescriptionIsNotRefusedWhenAnotherFieldChanged() {
  // 29 characters, as a request file gives a longer one back.
  CEditRequestDlg dlg;
  EditRequestData data = NewRequest(false);
  data.description = "Rebounds, assists and steals";
  data.description += "!";
  QCOMPARE(data.description.size(), kMaxRequestValue);
  dlg.SetData(data);
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  Child<QLineEdit>(&dlg, "signLineEdit")->setText(QStringLiteral("4"));
  QTest::mouseClick(Child<QPushButton>(&dlg, "okPushButton"), Qt::LeftButton);
  QCOMPARE(m_messages, QStringList());
  QCOMPARE(dlg.result(), static_cast<int>(QDialog::Accepted));
  QCOMPARE(dlg.GetData().description, data.description);
  QCOMPARE(dlg.GetData().sign, 4);
}

void EditRequestDlgTest::textFieldsRefuseWhatARequestCannotHold_data() {
  QTest::addColumn<QString>("edit");
  QTest::addColumn<QString>("entered");  // typed, pasted or composed at once
  QTest::addColumn<QString>("refused");  // the character the hint names
  const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
  const QString arrow = QString::fromUtf8("\xE2\x86\x92");  // not in Windows-1252
  for (const char* edit : {"descriptionLineEdit", "libraryLineEdit", "sequenceLineEdit"}) {
    QTest::addRow("%s bar", edit) << edit << QStringLiteral("|") << QStringLiteral("|");
    QTest::addRow("%s emoji", edit) << edit << emoji << emoji;
    QTest::addRow("%s arrow in text", edit) << edit << (QStringLiteral("a") + arrow) << arrow;
  }
}

void EditRequestDlgTest::textFieldsRefuseWhatARequestCannotHold() {
  QFETCH(QString, edit);
  QFETCH(QString, entered);
  QFETCH(QString, refused);
  CEditRequestDlg dlg;
  dlg.SetData(NewRequest(false));
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  auto* field = Child<QLineEdit>(&dlg, edit.toLatin1().constData());
  field->setFocus();
  field->setText(QStringLiteral("AB"));
  field->setCursorPosition(1);
  field->insert(entered);
  QCOMPARE(field->text(), QStringLiteral("AB"));
  QCOMPARE(Child<QLabel>(&dlg, "hintLabel")->text(), RefusedCharacterText(refused));
  QVERIFY(Child<QLabel>(&dlg, "hintLabel")
              ->text()
              .contains(QLatin1Char('"') + refused + QLatin1Char('"')));
  // Typed key by key as well.
  if (refused == QStringLiteral("|")) {
    QTest::keyClicks(field, QStringLiteral("|"));
    QCOMPARE(field->text(), QStringLiteral("AB"));
  }

  // The character in a text the program set (a file written elsewhere) is
  // named on OK, and the dialog stays open for the correction: it is never
  // stored as "?".
  field->setText(QStringLiteral("X") + refused);
  QTest::mouseClick(Child<QPushButton>(&dlg, "okPushButton"), Qt::LeftButton);
  QCOMPARE(m_messages, QStringList{RefusedCharacterText(refused)});
  QVERIFY(dlg.isVisible());
  QCOMPARE(dlg.focusWidget(), static_cast<QWidget*>(field));
}

void EditRequestDlgTest::signTypedBeforeAModeChangeStaysForCorrection() {
  CEditRequestDlg dlg;
  dlg.SetData(NewRequest(false));
  dlg.show();
  auto* sign = Child<QLineEdit>(&dlg, "signLineEdit");
  sign->setText(QStringLiteral("17"));
  Choose(Child<QComboBox>(&dlg, "displayModeComboBox"), QStringLiteral("Single Step"));
  QCOMPARE(m_messages, QStringList{IntegerRangeText(1, 16)});
  // The rule has done its part; the sign is what the operator typed.
  QCOMPARE(Child<QLineEdit>(&dlg, "timesLineEdit")->text(), QStringLiteral("0"));
  QCOMPARE(sign->text(), QStringLiteral("17"));
}

void EditRequestDlgTest::everyDropDownShowsItsLongestEntry() {
  CEditRequestDlg dlg;
  dlg.SetData(NewRequest(true));
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  const QList<QComboBox*> lists = dlg.findChildren<QComboBox*>();
  QCOMPARE(lists.size(), 5);
  for (QComboBox* list : lists) {
    QString longest;
    for (int i = 0; i < list->count(); ++i) {
      if (list->fontMetrics().horizontalAdvance(list->itemText(i)) >
          list->fontMetrics().horizontalAdvance(longest)) {
        longest = list->itemText(i);
      }
    }
    // The style's text field of the closed list, as it is drawn.
    QStyleOptionComboBox option;
    option.initFrom(list);
    option.editable = list->isEditable();
    option.frame = list->hasFrame();
    option.currentText = longest;
    const QRect field = list->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                      QStyle::SC_ComboBoxEditField, list);
    QVERIFY2(list->fontMetrics().horizontalAdvance(longest) <= field.width(),
             qPrintable(list->objectName() + QStringLiteral(": ") + longest));
    QVERIFY2(list->width() >= list->sizeHint().width(), qPrintable(list->objectName()));
  }
}

void EditRequestDlgTest::okReturnsTheValues() {
  EditRequestData data = NewRequest(true);
  CEditRequestDlg dlg;
  dlg.SetData(data);
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  QTest::keyClicks(Child<QLineEdit>(&dlg, "descriptionLineEdit"),
                   QStringLiteral("Rushing leaders"));
  Choose(Child<QComboBox>(&dlg, "top3ComboBox"), QStringLiteral("Rushing"));
  Choose(Child<QComboBox>(&dlg, "displayModeComboBox"), QStringLiteral("Selected Frame"));
  Choose(Child<QComboBox>(&dlg, "driveComboBox"), QStringLiteral("E"));
  Child<QLineEdit>(&dlg, "libraryLineEdit")->setText(QStringLiteral("my.lib"));
  Child<QLineEdit>(&dlg, "offsetLineEdit")->setText(QStringLiteral("4999"));
  QTest::keyClick(Child<QLineEdit>(&dlg, "offsetLineEdit"), Qt::Key_Return);  // OK is the default
  QCOMPARE(dlg.result(), static_cast<int>(QDialog::Accepted));

  const EditRequestData out = dlg.GetData();
  QCOMPARE(out.description, std::string("Rushing leaders"));
  QCOMPARE(out.type, std::string("Individual"));
  QCOMPARE(out.top3, std::string("Rushing"));
  QCOMPARE(out.style, std::string("Game"));
  QCOMPARE(out.displayMode, std::string("Selected Frame"));
  QCOMPARE(out.times, 0);
  QCOMPARE(out.frame, 1);
  QCOMPARE(out.drive, std::string("E"));
  QCOMPARE(out.library, std::string("my.lib"));
  QCOMPARE(out.sequence, std::string("RTD_SEQ "));
  QCOMPARE(out.offset, 4999);
  QCOMPARE(out.requestNumber, std::string("1"));
}

void EditRequestDlgTest::upDownControlsStepWithinTheirRanges() {
  CEditRequestDlg dlg;
  EditRequestData data = NewRequest(false);
  data.sign = 16;
  data.times = 29999;
  data.offset = 1;
  dlg.SetData(data);
  dlg.show();
  auto* signUp = Child<QWidget>(&dlg, "signUpDown")->findChild<QAbstractButton*>("upToolButton");
  auto* timesUp = Child<QWidget>(&dlg, "timesUpDown")->findChild<QAbstractButton*>("upToolButton");
  auto* offsetDown =
      Child<QWidget>(&dlg, "offsetUpDown")->findChild<QAbstractButton*>("downToolButton");
  QVERIFY(signUp && timesUp && offsetDown);

  signUp->click();
  QCOMPARE(Child<QLineEdit>(&dlg, "signLineEdit")->text(), QStringLiteral("16"));  // no wrap
  timesUp->click();
  timesUp->click();
  QCOMPARE(Child<QLineEdit>(&dlg, "timesLineEdit")->text(), QStringLiteral("30000"));
  offsetDown->click();
  offsetDown->click();
  QCOMPARE(Child<QLineEdit>(&dlg, "offsetLineEdit")->text(), QStringLiteral("0"));

  // The arrow keys in the edit step it too, without thousands separators.
  auto* times = Child<QLineEdit>(&dlg, "timesLineEdit");
  times->setText(QStringLiteral("1500"));
  QTest::keyClick(times, Qt::Key_Down);
  QCOMPARE(times->text(), QStringLiteral("1499"));

  // A typed number beyond the arrows' range stays until stepped down.
  times->setText(QStringLiteral("50000"));
  timesUp->click();
  QCOMPARE(times->text(), QStringLiteral("50000"));
}

void EditRequestDlgTest::upDownControlStepsWithAndWithoutWrap_data() {
  QTest::addColumn<QString>("start");
  QTest::addColumn<int>("delta");
  QTest::addColumn<QString>("stopping");  // the result without wrapping
  QTest::addColumn<QString>("wrapping");  // the result with wrapping
  // The range is 0 to 99 in every row; "x" is no number and steps from 0.
  const struct {
    const char* name;
    const char* start;
    int delta;
    const char* stopping;
    const char* wrapping;
  } rows[] = {
      {"inside, up", "41", +1, "42", "42"}, {"inside, down", "41", -1, "40", "40"},
      {"top, up", "99", +1, "99", "0"},     {"bottom, down", "0", -1, "0", "99"},
      {"above, up", "250", +1, "250", "0"}, {"above, down", "250", -1, "99", "99"},
      {"below, up", "-7", +1, "0", "0"},    {"below, down", "-7", -1, "-7", "99"},
      {"no number, up", "x", +1, "1", "1"}, {"no number, down", "x", -1, "0", "99"},
  };
  for (const auto& row : rows) {
    QTest::newRow(row.name) << QString::fromLatin1(row.start) << row.delta
                            << QString::fromLatin1(row.stopping)
                            << QString::fromLatin1(row.wrapping);
  }
}

void EditRequestDlgTest::upDownControlStepsWithAndWithoutWrap() {
  QFETCH(QString, start);
  QFETCH(int, delta);
  QFETCH(QString, stopping);
  QFETCH(QString, wrapping);
  for (const bool wrap : {false, true}) {
    QWidget host;
    auto* edit = new QLineEdit(&host);
    auto* spin = new UpDownControl(edit, &host);
    spin->SetRange(0, 99);
    spin->SetWrap(wrap);
    QCOMPARE(spin->Wraps(), wrap);
    edit->setText(start);
    spin->Step(delta);
    QCOMPARE(edit->text(), wrap ? wrapping : stopping);
  }
}

// What a screen reader is given of the value fields: a numeric edit with its
// arrows is a spin button whose value is the number, and a step is a value
// change (said by the screen reader, see screen_reader_bus_test.py); a
// drop-down list reads as the entry it shows.
void EditRequestDlgTest::fieldsTellAssistiveTechnologyTheirValues() {
  QWidget host;
  auto* edit = new QLineEdit(&host);
  auto* spin = new UpDownControl(edit, &host);
  spin->SetRange(1, 16);
  edit->setText(QStringLiteral("5"));
  QAccessibleInterface* field = QAccessible::queryAccessibleInterface(edit);
  QCOMPARE(field->role(), QAccessible::SpinBox);
  QVERIFY(field->valueInterface() && field->textInterface());
  QCOMPARE(field->valueInterface()->currentValue().toInt(), 5);
  QCOMPARE(field->valueInterface()->maximumValue().toInt(), 16);
  QCOMPARE(field->textInterface()->text(0, 1), QStringLiteral("5"));
  spin->Step(+1);
  QCOMPARE(field->valueInterface()->currentValue().toInt(), 6);

  CEditRequestDlg dlg;
  dlg.SetData(NewRequest(false));
  dlg.show();
  // The dialog is named with the request's number.
  QCOMPARE(QAccessible::queryAccessibleInterface(&dlg)->text(QAccessible::Name),
           QStringLiteral("Edit Request, request ") +
               dlg.findChild<QLabel*>(QStringLiteral("requestNumberLabel"))->text());
  QVERIFY(!dlg.findChild<QLabel*>(QStringLiteral("requestNumberLabel"))->text().isEmpty());
  auto* mode = dlg.findChild<QComboBox*>(QStringLiteral("displayModeComboBox"));
  QVERIFY(mode);
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(mode);
  QCOMPARE(list->role(), QAccessible::ComboBox);
  QCOMPARE(list->childCount(), 0);
  QCOMPARE(list->text(QAccessible::Name), QStringLiteral("Continuous"));
  QVERIFY(list->textInterface());
  QCOMPARE(list->textInterface()->text(0, list->textInterface()->characterCount()),
           QStringLiteral("Continuous"));
}

void EditRequestDlgTest::layoutKeepsLabelsReadableAndTabOrder() {
  CEditRequestDlg dlg;
  dlg.SetData(NewRequest(true));
  dlg.show();
  // Every label shows its whole text and none covers a control.
  const auto labels = dlg.findChildren<QLabel*>();
  QVERIFY(labels.size() >= 13);
  const auto widgets = dlg.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  for (QLabel* label : labels) {
    if (label->objectName() == QStringLiteral("requestNumberLabel")) continue;
    QVERIFY2(label->fontMetrics().horizontalAdvance(label->text().trimmed()) <= label->width(),
             qPrintable(label->text()));
    for (QWidget* w : widgets) {
      if (w == label || qobject_cast<QLabel*>(w) != nullptr) continue;
      QVERIFY2(!label->geometry().intersects(w->geometry()),
               qPrintable(label->text() + QStringLiteral(" / ") + w->objectName()));
    }
  }
  // Every control lies inside the dialog (what takes no room, the screen
  // reader's announcer, has no place).
  for (QWidget* w : widgets) {
    if (w->geometry().isEmpty()) continue;
    QVERIFY2(dlg.rect().contains(w->geometry()), qPrintable(w->objectName()));
  }

  const char* order[] = {"descriptionLineEdit", "typeComboBox",    "top3ComboBox",
                         "styleComboBox",       "signLineEdit",    "displayModeComboBox",
                         "timesLineEdit",       "driveComboBox",   "libraryLineEdit",
                         "sequenceLineEdit",    "frameLineEdit",   "offsetLineEdit",
                         "okPushButton",        "cancelPushButton"};
  QWidget* w = Child<QWidget>(&dlg, order[0]);
  for (std::size_t i = 1; i < std::size(order); ++i) {
    w = w->nextInFocusChain();
    while (w->focusPolicy() == Qt::NoFocus || qobject_cast<QLabel*>(w) != nullptr)
      w = w->nextInFocusChain();
    QCOMPARE(w->objectName(), QString::fromLatin1(order[i]));
  }
}

void EditRequestDlgTest::cancelThroughTheViewChangesNoRow() {
  TempDir dir;
  AppProfile profile(dir.Write("CORVELLA.INI", "[REQUEST]\r\nSPORT=BASK.REQ\r\nZLRTDINPUT=1\r\n"));
  DialogUi ui;
  CCorvellaDoc doc(profile, ui);
  CCorvellaView view(doc, ui);
  SetupColumns(view.GetListCtrl(), nullptr);
  view.Checks().SetLoading(false);
  ListControl& list = view.GetListCtrl();
  const char* cells[kColumnCount] = {"1", "Leaders", "I",       "N",   "G", "3", "Continuous",
                                     "5", "C",       "DEFAULT", "RTD", "0", "0"};
  list.InsertItem(0, "1");
  for (int c = 1; c < kColumnCount; ++c) list.SetItemText(0, c, cells[c]);

  bool driven = false;
  ui.drive = [&driven](QDialog* dlg) {
    // Change every kind of field, then Cancel.
    auto* description = Child<QLineEdit>(dlg, "descriptionLineEdit");
    description->selectAll();
    QTest::keyClicks(description, QStringLiteral("Changed"));
    Child<QLineEdit>(dlg, "signLineEdit")->setText(QStringLiteral("9"));
    Choose(Child<QComboBox>(dlg, "typeComboBox"), QStringLiteral("Team"));
    Choose(Child<QComboBox>(dlg, "displayModeComboBox"), QStringLiteral("Single Step"));
    Child<QLineEdit>(dlg, "libraryLineEdit")->setText(QStringLiteral("NEW"));
    driven = true;
    QTest::mouseClick(Child<QPushButton>(dlg, "cancelPushButton"), Qt::LeftButton);
  };
  view.EditRequest(0, false);
  QVERIFY(driven);
  for (int c = 0; c < kColumnCount; ++c)
    QCOMPARE(list.GetItemText(0, c), std::string(c == 0 ? "1" : cells[c]));
}

void EditRequestDlgTest::okThroughTheViewWritesTheRow() {
  TempDir dir;
  AppProfile profile(dir.Write("CORVELLA.INI", "[REQUEST]\r\nSPORT=BASK.REQ\r\nZLRTDINPUT=1\r\n"));
  DialogUi ui;
  CCorvellaDoc doc(profile, ui);
  CCorvellaView view(doc, ui);
  SetupColumns(view.GetListCtrl(), nullptr);
  view.Checks().SetLoading(false);
  ListControl& list = view.GetListCtrl();

  ui.drive = [](QDialog* dlg) {
    Choose(Child<QComboBox>(dlg, "displayModeComboBox"), QStringLiteral("Single Step"));
    QTest::mouseClick(Child<QPushButton>(dlg, "okPushButton"), Qt::LeftButton);
  };
  view.EditRequest(-1, false);  // Add on an empty list, description left empty
  QCOMPARE(list.GetItemCount(), 1);
  const std::string expected[kColumnCount] = {
      "1", " ", "I", "N", "G", "1", "Single Step", "0", "C", "DEFAULT", "RTD_SEQ ", "0", "0"};
  for (int c = 0; c < kColumnCount; ++c) QCOMPARE(list.GetItemText(0, c), expected[c]);
}

void EditRequestDlgTest::textPromptTitleLimitAndResult() {
  const std::string label = "Library Name -- 8 letters or less";
  // What the open prompt showed; checked once it is closed again.
  QString title;
  QString initial;
  QString hint;
  QString barHint;
  QString emojiHint;
  const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
  int typedSize = -1;
  QTimer::singleShot(0, [&] {
    auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dlg == nullptr) return;
    title = dlg->windowTitle();
    auto* edit = Child<QLineEdit>(dlg, "promptLineEdit");
    initial = edit->text();
    edit->selectAll();
    // What a cell keeps: 29 characters, counted while typing.
    QTest::keyClicks(edit, QString(28, QLatin1Char('x')));
    hint = Child<QLabel>(dlg, "hintLabel")->text();
    QTest::keyClicks(edit, QString(17, QLatin1Char('x')));
    typedSize = static_cast<int>(edit->text().size());
    // Neither the clipboard's separator nor a character outside
    // Windows-1252 gets in; the hint names it.
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, QStringLiteral("|"));
    barHint = Child<QLabel>(dlg, "hintLabel")->text();
    edit->insert(emoji);
    emojiHint = Child<QLabel>(dlg, "hintLabel")->text();
    QTest::keyClick(edit, Qt::Key_Return);
  });
  const std::string typed = RunTextPromptDialog(nullptr, label, "DEFAULT");
  QCOMPARE(title, QStringLiteral("Enter Library Name -- 8 letters or less"));
  QCOMPARE(initial, QStringLiteral("DEFAULT"));
  QCOMPARE(hint, CharacterCountText(28, 29));
  QCOMPARE(typedSize, 29);
  QCOMPARE(barHint, RefusedCharacterText(QStringLiteral("|")));
  QCOMPARE(emojiHint, RefusedCharacterText(emoji));
  QCOMPARE(typed, std::string(28, 'x'));

  QTimer::singleShot(0, [] {
    auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dlg == nullptr) return;
    QTest::keyClicks(Child<QLineEdit>(dlg, "promptLineEdit"), QStringLiteral("abc"));
    QTest::mouseClick(Child<QPushButton>(dlg, "cancelPushButton"), Qt::LeftButton);
  });
  QCOMPARE(RunTextPromptDialog(nullptr, "Description", "Old"), std::string());

  // A longer text given to the prompt is reported on OK, and the prompt stays.
  CTextPromptDlg prompt;
  prompt.m_strLabel = "Description";
  prompt.m_strValue = std::string(45, 'y');
  prompt.show();
  QVERIFY(QTest::qWaitForWindowExposed(&prompt));
  QTest::mouseClick(Child<QPushButton>(&prompt, "okPushButton"), Qt::LeftButton);
  QCOMPARE(m_messages, QStringList{MaxCharsText(29)});
  QVERIFY(prompt.isVisible());
  // So is a separator in a cell read from a file written elsewhere.
  m_messages.clear();
  Child<QLineEdit>(&prompt, "promptLineEdit")->setText(QStringLiteral("Lead|ers"));
  QTest::mouseClick(Child<QPushButton>(&prompt, "okPushButton"), Qt::LeftButton);
  QCOMPARE(m_messages, QStringList{RefusedCharacterText(QStringLiteral("|"))});
  QVERIFY(prompt.isVisible());
}

QTEST_MAIN(EditRequestDlgTest)
#include "edit_request_dlg_test.moc"
