#include "listview/dialogs/edit_request_dlg.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <utility>

#include "listview/clipboard_text.h"
#include "platform/qt/dialog_support.h"
#include "platform/qt/windows1252.h"
#include "platform/text.h"
#include "requests/request_record.h"

namespace corvella {

namespace {

// The steps of the data exchange, in the order they run.
enum ExchangeStep {
  kFrame,
  kLibrary,
  kDescription,
  kOffset,
  kSequence,
  kSign,
  kTimes,
  kRequestNumber,
  kDrive,
  kDisplayMode,
  kStyle,
  kTop3,
  kType,
  kStepCount
};

// Selects the first entry that begins with `text` (case-insensitive). A text
// that begins no entry selects the first one, so that OK never reads an
// empty code out of a list.
void SelectByPrefix(QComboBox* combo, const std::string& text) {
  const QString wanted = FromWindows1252(text);
  for (int i = 0; i < combo->count(); ++i) {
    if (combo->itemText(i).startsWith(wanted, Qt::CaseInsensitive)) {
      combo->setCurrentIndex(i);
      return;
    }
  }
  combo->setCurrentIndex(combo->count() > 0 ? 0 : -1);
}

std::string ComboText(const QComboBox* combo) { return ToWindows1252(combo->currentText()); }

// Reads an integer edit with its range check.
bool ReadInt(const QLineEdit* edit, int low, int high, int& member, QString* message) {
  int value = 0;
  if (!ParseDialogInt(edit->text(), value)) {
    *message = IntegerExpectedText();
    return false;
  }
  if (value < low || value > high) {
    *message = IntegerRangeText(low, high);
    return false;
  }
  member = value;
  return true;
}

// The characters no text field takes besides those outside Windows-1252.
QString RefusedInText() { return QString(QLatin1Char(kClipboardSeparator)); }

// Reads a text edit with its length and character checks.
bool ReadText(const QLineEdit* edit, int maxChars, std::string& member, QString* message) {
  const QString text = edit->text();
  *message = CheckEnteredText(text, maxChars, RefusedInText());
  if (!message->isEmpty()) return false;
  member = ToWindows1252(text);
  return true;
}

}  // namespace

CEditRequestDlg::CEditRequestDlg(QWidget* parent)
    : ModalDialog(parent, QStringLiteral("editRequestDialog"), QStringLiteral("Edit Request"),
                  Qt::WindowContextHelpButtonHint) {
  CreateControls();
  PlaceControls();
  SetTabChain({m_description, m_type, m_top3, m_style, m_sign, m_displayMode, m_times, m_drive,
               m_library, m_sequence, m_frame, m_offset, m_ok, m_cancel});
  connect(m_type, &QComboBox::activated, this, [this] { OnSelchangeType(); });
  connect(m_displayMode, &QComboBox::activated, this, [this] { OnSelchangeDisplayMode(); });
}

void CEditRequestDlg::CreateControls() {
  auto makeEdit = [this](const char* name) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QLatin1String(name));
    return edit;
  };
  auto makeCombo = [this](const char* name, Choices choices) {
    auto* combo = new QComboBox(this);
    combo->setObjectName(QLatin1String(name));
    for (const Choice& choice : choices) combo->addItem(FromWindows1252(std::string(choice.name)));
    return combo;
  };

  m_requestNumber = new QLabel(this);
  m_requestNumber->setObjectName(QStringLiteral("requestNumberLabel"));
  m_requestNumber->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  m_description = makeEdit("descriptionLineEdit");
  m_type = makeCombo("typeComboBox", kTeamIndChoices);
  m_top3 = makeCombo("top3ComboBox", kTop3Choices);
  m_style = makeCombo("styleComboBox", kGameSeasonChoices);
  m_sign = makeEdit("signLineEdit");
  m_signSpin = new UpDownControl(m_sign, this);
  m_signSpin->setObjectName(QStringLiteral("signUpDown"));
  m_signSpin->SetAccessibleSubject(QStringLiteral("Sign #"));
  m_displayMode = makeCombo("displayModeComboBox", kDisplayModeChoices);
  m_times = makeEdit("timesLineEdit");
  m_timesSpin = new UpDownControl(m_times, this);
  m_timesSpin->setObjectName(QStringLiteral("timesUpDown"));
  m_timesSpin->SetAccessibleSubject(QStringLiteral("Times to Display"));
  m_drive = makeCombo("driveComboBox", kDriveChoices);
  m_library = makeEdit("libraryLineEdit");
  m_sequence = makeEdit("sequenceLineEdit");
  m_frame = makeEdit("frameLineEdit");
  m_frameSpin = new UpDownControl(m_frame, this);
  m_frameSpin->setObjectName(QStringLiteral("frameUpDown"));
  m_frameSpin->SetAccessibleSubject(QStringLiteral("Frame #"));
  m_offset = makeEdit("offsetLineEdit");
  m_offsetSpin = new UpDownControl(m_offset, this);
  m_offsetSpin->setObjectName(QStringLiteral("offsetUpDown"));
  m_offsetSpin->SetAccessibleSubject(QStringLiteral("Offset"));
  const OkCancelButtons buttons = AddOkCancelButtons(this);
  m_ok = buttons.ok;
  m_cancel = buttons.cancel;

  m_hint = new QLabel(this);
  m_hint->setObjectName(QStringLiteral("hintLabel"));
  m_hint->setAlignment(Qt::AlignCenter);
  LimitTyping(m_description, kMaxDescription, RefusedInText(), m_hint);
  LimitTyping(m_library, kMaxName, RefusedInText(), m_hint);
  LimitTyping(m_sequence, kMaxName, RefusedInText(), m_hint);
}

void CEditRequestDlg::PlaceControls() {
  DialogUnits du(fontMetrics());
  // Each control with its label, which stands to its left, right-aligned, in
  // the space between the previous control of the row and its own; an
  // up-down control takes the right end of its edit's space. Dialog units.
  struct Field {
    const char* label;
    int labelLeft;
    QWidget* control;
    UpDownControl* spin;
    int x;
    int y;
    int width;
  };
  const Field fields[] = {
      {"Request #: ", 5, m_requestNumber, nullptr, 65, 10, 19},
      {"Description: ", 86, m_description, nullptr, 170, 10, 145},
      {"Type: ", 5, m_type, nullptr, 45, 35, 48},
      {"Top 3: ", 95, m_top3, nullptr, 160, 35, 65},
      {"Style: ", 227, m_style, nullptr, 275, 35, 40},
      {"Sign #: ", 5, m_sign, m_signSpin, 65, 65, 40},
      {"Display Mode: ", 5, m_displayMode, nullptr, 65, 85, 55},
      {"Times to Display: ", 5, m_times, m_timesSpin, 65, 105, 40},
      {"Drive: ", 118, m_drive, nullptr, 160, 65, 50},
      {"Library:", 122, m_library, nullptr, 160, 85, 50},
      {"Sequence: ", 118, m_sequence, nullptr, 160, 105, 50},
      {"Frame #:", 212, m_frame, m_frameSpin, 275, 65, 40},
      {"Offset: ", 212, m_offset, m_offsetSpin, 275, 85, 40},
  };
  const QFontMetrics& fm = fontMetrics();
  for (const Field& field : fields) {
    du.FitWidth(fm.horizontalAdvance(QString::fromLatin1(field.label).trimmed()) + 4,
                field.x - 2 - field.labelLeft);
  }
  // Every drop-down list shows its longest entry in full (the style's size
  // hint of a closed list is its longest entry plus the arrow and frame).
  for (const Field& field : fields) {
    if (auto* combo = qobject_cast<QComboBox*>(field.control))
      du.FitWidth(combo->sizeHint().width(), field.width);
  }
  // Rows are 20 dialog units apart: every control must fit into 16.
  const int rowHeight = std::max(
      {m_description->sizeHint().height(), m_type->sizeHint().height(), m_ok->sizeHint().height()});
  while (du.Y(16) < rowHeight) ++du.baseY;
  const int controlHeight = std::max(du.Y(14), rowHeight);

  for (const Field& field : fields) {
    if (field.spin != nullptr) {
      const QRect r = du.Rect(field.x, field.y, field.width, 0);
      const int spinWidth = du.X(11);
      field.control->setGeometry(r.x(), r.y(), r.width() - spinWidth, controlHeight);
      field.spin->setGeometry(r.x() + r.width() - spinWidth, r.y(), spinWidth, controlHeight);
    } else {
      const int height =
          field.control == m_requestNumber ? std::max(du.Y(10), fm.height() + 4) : controlHeight;
      PlaceInDialogUnits(field.control, du, field.x, field.y, field.width, height);
    }
  }
  PlaceInDialogUnits(m_ok, du, 265, 130, 50, controlHeight);
  PlaceInDialogUnits(m_cancel, du, 10, 130, 50, controlHeight);
  PlaceInDialogUnits(m_hint, du, 65, 130, 195, controlHeight);

  auto* rule = new QFrame(this);
  rule->setObjectName(QStringLiteral("separatorFrame"));
  rule->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  PlaceInDialogUnits(rule, du, 10, 55, 310, std::max(2, du.Y(1)));

  for (const Field& field : fields) {
    auto* label = new QLabel(QString::fromLatin1(field.label), this);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const QRect r = du.Rect(field.labelLeft, field.y, field.x - 2 - field.labelLeft, 0);
    label->setGeometry(r.x(), r.y(), r.width(), field.control->height());
    label->setBuddy(field.control);
  }

  setFixedSize(DialogSize(du, 332, 151, m_ok));
}

// ---- data ------------------------------------------------------------------------

void CEditRequestDlg::SetData(const EditRequestData& data) {
  m_strRequestNumber = data.requestNumber;
  m_strDescription = data.description;
  m_strType = data.type;
  m_strTop3 = data.top3;
  m_strStyle = data.style;
  m_nSign = data.sign;
  m_strDisplayMode = data.displayMode;
  m_nTimes = data.times;
  m_strDrive = data.drive;
  m_strLibrary = data.library;
  m_strSequence = data.sequence;
  m_nFrame = data.frame;
  m_nOffset = data.offset;
  m_bFootball = data.football;
}

EditRequestData CEditRequestDlg::GetData() const {
  EditRequestData data;
  data.requestNumber = m_strRequestNumber;
  data.description = m_strDescription;
  data.type = m_strType;
  data.top3 = m_strTop3;
  data.style = m_strStyle;
  data.sign = m_nSign;
  data.displayMode = m_strDisplayMode;
  data.times = m_nTimes;
  data.drive = m_strDrive;
  data.library = m_strLibrary;
  data.sequence = m_strSequence;
  data.frame = m_nFrame;
  data.offset = m_nOffset;
  data.football = m_bFootball;
  return data;
}

// ---- data exchange -----------------------------------------------------------------

bool CEditRequestDlg::ExchangeOne(int step, QString* message, QWidget** control) {
  switch (step) {
    case kFrame: *control = m_frame; return ReadInt(m_frame, 0, 9999, m_nFrame, message);
    case kLibrary:
      *control = m_library;
      return ReadText(m_library, kMaxName, m_strLibrary, message);
    case kDescription:
      *control = m_description;
      return ReadText(m_description, kMaxDescription, m_strDescription, message);
    case kOffset: *control = m_offset; return ReadInt(m_offset, 0, kMaxOffset, m_nOffset, message);
    case kSequence:
      *control = m_sequence;
      return ReadText(m_sequence, kMaxName, m_strSequence, message);
    case kSign: *control = m_sign; return ReadInt(m_sign, 1, 16, m_nSign, message);
    case kTimes: *control = m_times; return ReadInt(m_times, 0, 99999, m_nTimes, message);
    case kRequestNumber: m_strRequestNumber = ToWindows1252(m_requestNumber->text()); return true;
    case kDrive: m_strDrive = ComboText(m_drive); return true;
    case kDisplayMode: m_strDisplayMode = ComboText(m_displayMode); return true;
    case kStyle: m_strStyle = ComboText(m_style); return true;
    case kTop3: m_strTop3 = ComboText(m_top3); return true;
    case kType: m_strType = ComboText(m_type); return true;
    default: return true;
  }
}

bool CEditRequestDlg::UpdateData(bool bSaveAndValidate) {
  if (!bSaveAndValidate) {
    m_requestNumber->setText(FromWindows1252(m_strRequestNumber));
    // A screen reader names the dialog with the request it edits (it leaves
    // out a lone number shown in the dialog); the title stays the same.
    setAccessibleName(windowTitle() + QStringLiteral(", request ") +
                      FromWindows1252(m_strRequestNumber));
    m_description->setText(FromWindows1252(m_strDescription));
    SelectByPrefix(m_type, m_strType);
    SelectByPrefix(m_top3, m_strTop3);
    SelectByPrefix(m_style, m_strStyle);
    m_sign->setText(QString::number(m_nSign));
    SelectByPrefix(m_displayMode, m_strDisplayMode);
    m_times->setText(QString::number(m_nTimes));
    SelectByPrefix(m_drive, m_strDrive);
    m_library->setText(FromWindows1252(m_strLibrary));
    m_sequence->setText(FromWindows1252(m_strSequence));
    m_frame->setText(QString::number(m_nFrame));
    m_offset->setText(QString::number(m_nOffset));
    return true;
  }
  for (int step = 0; step < kStepCount; ++step) {
    QString message;
    QWidget* control = nullptr;
    if (!ExchangeOne(step, &message, &control)) {
      ShowCheckMessage(this, message);
      if (control != nullptr) {
        control->setFocus(Qt::OtherFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
      }
      return false;
    }
  }
  return true;
}

void CEditRequestDlg::ReadForRule() {
  // Unlike OK, a failing check does not stop the reading: the rule must see
  // the entry the operator has just chosen. The failing field keeps its last
  // accepted value, which the display-mode rule writes back.
  bool reported = false;
  for (int step = 0; step < kStepCount; ++step) {
    QString message;
    QWidget* control = nullptr;
    if (!ExchangeOne(step, &message, &control) && !reported) {
      reported = true;
      ShowCheckMessage(this, message);
    }
  }
}

void CEditRequestDlg::accept() {
  if (!UpdateData(true)) return;
  // The edit takes 0, the count of the other modes; the field rules show a
  // continuous request at least once, and say so as they do in the list.
  if (m_strDisplayMode == kContinuous && m_nTimes < 1) {
    ShowCheckMessage(this, QStringLiteral("Times to Display can not be LESS than 1"));
    m_times->setFocus(Qt::OtherFocusReason);
    m_times->selectAll();
    return;
  }
  QDialog::accept();
}

// ---- initialisation and rules --------------------------------------------------------

void CEditRequestDlg::OnInitDialog() {
  UpdateData(false);
  // The lists hold what the rules and OK go by: a stored code such as "I"
  // reads back as the entry it selected.
  m_strType = ComboText(m_type);
  m_strTop3 = ComboText(m_top3);
  m_strStyle = ComboText(m_style);
  m_strDisplayMode = ComboText(m_displayMode);
  m_strDrive = ComboText(m_drive);
  m_style->setEnabled(false);
  if (!m_bFootball) m_top3->setEnabled(false);
  m_frameSpin->SetRange(1, 9999);
  m_offsetSpin->SetRange(0, kMaxOffset);
  m_signSpin->SetRange(1, 16);
  // The times arrows reach 30000; larger values up to 99999 can be typed.
  m_timesSpin->SetRange(1, 30000);
  // The members have just been written to the controls: the rules apply to
  // them without reading the controls back (a too long description is
  // reported by OK, not twice on opening).
  OnSelchangeType();
  OnSelchangeDisplayMode();
  m_description->setFocus(Qt::OtherFocusReason);
}

void CEditRequestDlg::OnSelchangeType() {
  if (IsInitialised()) ReadForRule();
  if (!m_bFootball) return;  // the Top 3 list stays disabled
  if (m_strType == TeamIndName("T")) {
    // A team request has no Top 3 statistic.
    if (TeamClearsTop3(Top3FromText(m_strTop3), Judged::kWholeText))
      SelectByPrefix(m_top3, Top3Name(kNoTop3));
    // The member follows the list: the display-mode rule writes the members
    // back into the controls, and OK must store what the closed list shows.
    m_strTop3 = ComboText(m_top3);
    m_top3->setEnabled(false);
  } else {
    m_top3->setEnabled(true);
  }
}

void CEditRequestDlg::OnSelchangeDisplayMode() {
  if (IsInitialised()) ReadForRule();
  const int times = m_nTimes;
  const int frame = m_nFrame;
  ApplyDisplayModeRule();
  // Only the two counts the rule decides are written back. Every other
  // field keeps what the operator typed, also a value its check has just
  // refused, so that it can be corrected rather than silently replaced.
  ShowRuleCount(m_times, times, m_nTimes);
  ShowRuleCount(m_frame, frame, m_nFrame);
}

void CEditRequestDlg::ShowRuleCount(QLineEdit* edit, int before, int after) {
  // A count the rule changed, or one the rule has fixed in a disabled edit,
  // is shown; a refused entry the rule left alone stays for correction.
  const QString text = QString::number(after);
  if (after != before || (!edit->isEnabled() && edit->text() != text)) edit->setText(text);
}

void CEditRequestDlg::ApplyDisplayModeRule() {
  // The mode decides both counts; the operator sets Times only in Continuous
  // mode and Frame only in Selected Frame mode.
  m_nTimes =
      LeadingInt(TimesForDisplayMode(m_strDisplayMode, std::to_string(m_nTimes), Judged::kNumber));
  m_nFrame = FrameForDisplayMode(m_strDisplayMode, m_nFrame);
  m_times->setEnabled(m_strDisplayMode == kContinuous);
  m_frame->setEnabled(m_strDisplayMode != kContinuous && m_strDisplayMode != kSingleStep);
}

// ---- hook ----------------------------------------------------------------------------

bool RunEditRequestDialog(QWidget* parent, EditRequestData& data) {
  CEditRequestDlg dlg(parent);
  dlg.SetData(data);
  if (!dlg.DoModal()) return false;
  data = dlg.GetData();
  return true;
}

}  // namespace corvella
