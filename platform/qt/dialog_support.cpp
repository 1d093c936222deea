#include "platform/qt/dialog_support.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QValidator>
#include <algorithm>
#include <climits>

#include "platform/qt/announcer.h"
#include "platform/qt/windows1252.h"

namespace corvella {

namespace {
// Installs the accessible faces of the dialogs' numeric edits and drop-down
// lists (below).
void InstallDialogAccessibility();
// Has a screen reader told the entry chosen in a closed drop-down list.
void SpeakDropDownValues(QDialog* dialog);
}  // namespace

// ---- dialog units ------------------------------------------------------------

DialogUnits::DialogUnits(const QFontMetrics& metrics) {
  // The average width of the 52 letters, as dialog base units are measured.
  static const QString kLetters =
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  baseX = std::max(1, (metrics.horizontalAdvance(kLetters) / 26 + 1) / 2);
  baseY = std::max(1, metrics.height());
}

void DialogUnits::FitWidth(int pixels, int du) {
  if (du <= 0) return;
  while (X(du) < pixels) ++baseX;
}

// ---- dialog set-up ---------------------------------------------------------------

void SetUpDialog(QDialog* dialog, const QString& objectName, const QString& title,
                 Qt::WindowFlags extraFlags) {
  dialog->setObjectName(objectName);
  dialog->setWindowTitle(title);
  dialog->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | extraFlags);
}

ModalDialog::ModalDialog(QWidget* parent, const QString& objectName, const QString& title,
                         Qt::WindowFlags extraFlags)
    : QDialog(parent) {
  SetUpDialog(this, objectName, title, extraFlags);
  InstallDialogAccessibility();
}

void ModalDialog::showEvent(QShowEvent* event) {
  if (!m_bInitialised) {
    OnInitDialog();
    m_bInitialised = true;
    SpeakDropDownValues(this);
  }
  QDialog::showEvent(event);
}

void PlaceInDialogUnits(QWidget* widget, const DialogUnits& du, int x, int y, int width,
                        int height) {
  const QRect r = du.Rect(x, y, width, 0);
  widget->setGeometry(r.x(), r.y(), r.width(), height);
}

OkCancelButtons AddOkCancelButtons(QDialog* dialog) {
  OkCancelButtons buttons{new QPushButton(QStringLiteral("OK"), dialog),
                          new QPushButton(QStringLiteral("Cancel"), dialog)};
  buttons.ok->setObjectName(QStringLiteral("okPushButton"));
  buttons.ok->setDefault(true);
  buttons.cancel->setObjectName(QStringLiteral("cancelPushButton"));
  buttons.cancel->setAutoDefault(false);
  // accept() and reject() are virtual: the dialog's own checks run on OK.
  QObject::connect(buttons.ok, &QPushButton::clicked, dialog, &QDialog::accept);
  QObject::connect(buttons.cancel, &QPushButton::clicked, dialog, &QDialog::reject);
  return buttons;
}

QSize DialogSize(const DialogUnits& du, int width, int height, const QWidget* lowest) {
  return QSize(du.X(width), std::max(du.Y(height), lowest->geometry().bottom() + du.Y(7)));
}

void SetTabChain(std::initializer_list<QWidget*> chain) {
  QWidget* const* widgets = chain.begin();
  for (std::size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(widgets[i - 1], widgets[i]);
}

// ---- typed-character limit -------------------------------------------------------

namespace {

// Refuses an edit that would leave the text longer than the limit and longer
// than it was before the edit, or that adds a character the edit refuses:
// the operator can still shorten or correct a text the program has set
// (setText is not validated). A refusal is named on the hint label.
class TypingLimit : public QValidator {
 public:
  TypingLimit(QLineEdit* edit, int maxChars, const QString& refused, QLabel* hint)
      : QValidator(edit),
        m_maxChars(maxChars),
        m_refused(refused),
        m_hint(hint),
        m_last(edit->text()) {
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) {
      m_last = text;
      ShowCount();
    });
    if (m_hint) edit->installEventFilter(this);
  }

  State validate(QString& input, int&) const override {
    // Only a character the edit did not hold before counts as typed.
    const QString added = FirstRefusedCharacter(Added(input), m_refused);
    if (!added.isEmpty()) {
      ShowHint(RefusedCharacterText(added));
      return Invalid;
    }
    const int size = static_cast<int>(input.size());
    if (size > m_maxChars && size > m_last.size()) {
      ShowHint(MaxCharsText(m_maxChars));
      return Invalid;
    }
    return Acceptable;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusIn) ShowCount();
    return QValidator::eventFilter(watched, event);
  }

 private:
  // What `input` holds beyond the last text: the characters between the
  // common beginning and the common end.
  QString Added(const QString& input) const {
    qsizetype head = 0;
    while (head < input.size() && head < m_last.size() && input[head] == m_last[head]) ++head;
    qsizetype tail = 0;
    while (tail < input.size() - head && tail < m_last.size() - head &&
           input[input.size() - 1 - tail] == m_last[m_last.size() - 1 - tail]) {
      ++tail;
    }
    // A surrogate pair is judged whole.
    if (head > 0 && input[head - 1].isHighSurrogate()) --head;
    if (tail > 0 && input[input.size() - tail].isLowSurrogate()) --tail;
    return input.mid(head, input.size() - head - tail);
  }
  void ShowCount() const {
    ShowHint(CharacterCountText(static_cast<int>(m_last.size()), m_maxChars));
  }
  void ShowHint(const QString& text) const {
    if (m_hint) m_hint->setText(text);
  }

  int m_maxChars;
  QString m_refused;
  QPointer<QLabel> m_hint;
  QString m_last;
};

}  // namespace

void LimitTyping(QLineEdit* edit, int maxChars, const QString& refused, QLabel* hint) {
  edit->setValidator(new TypingLimit(edit, maxChars, refused, hint));
}

QString FirstRefusedCharacter(const QString& text, const QString& refused) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (refused.contains(text[i])) return text.mid(i, 1);
    const QString outside = FirstCharacterOutsideWindows1252(text.mid(i, 2));
    if (!outside.isEmpty() && outside[0] == text[i]) return outside;
  }
  return {};
}

QString RefusedCharacterText(const QString& character) {
  if (FirstCharacterOutsideWindows1252(character).isEmpty()) {
    return QStringLiteral("The character \"%1\" cannot be used here.").arg(character);
  }
  return QStringLiteral(
             "The character \"%1\" cannot be used here: requests hold only the "
             "characters of Windows-1252.")
      .arg(character);
}

QString CharacterCountText(int count, int maxChars) {
  return QStringLiteral("%1 of %2 characters").arg(count).arg(maxChars);
}

QString CheckEnteredText(const QString& text, int maxChars, const QString& refused) {
  if (text.size() > maxChars) return MaxCharsText(maxChars);
  const QString character = FirstRefusedCharacter(text, refused);
  if (!character.isEmpty()) return RefusedCharacterText(character);
  return {};
}

// ---- data exchange checks -----------------------------------------------------------

bool ParseDialogInt(const QString& text, int& value) {
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty()) return false;
  int i = 0;
  bool negative = false;
  if (trimmed[0] == u'+' || trimmed[0] == u'-') {
    negative = trimmed[0] == u'-';
    ++i;
  }
  if (i >= trimmed.size()) return false;
  long long n = 0;
  for (; i < trimmed.size(); ++i) {
    const QChar c = trimmed[i];
    if (c < u'0' || c > u'9') return false;
    n = n * 10 + (c.unicode() - u'0');
    if (n > static_cast<long long>(INT_MAX) + 1) return false;
  }
  if (negative) n = -n;
  if (n > INT_MAX || n < INT_MIN) return false;
  value = static_cast<int>(n);
  return true;
}

QString IntegerExpectedText() { return QStringLiteral("Please enter an integer."); }

QString IntegerRangeText(int low, int high) {
  return QStringLiteral("Please enter an integer between %1 and %2.").arg(low).arg(high);
}

QString MaxCharsText(int maxChars) {
  return QStringLiteral("Please enter no more than %1 characters.").arg(maxChars);
}

void ShowCheckMessage(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Corvella"), text, QMessageBox::Ok, parent);
  box.setObjectName(QStringLiteral("checkMessageBox"));
  box.exec();
}

// ---- up-down control ------------------------------------------------------------------

namespace {

const char kUpDownProperty[] = "corvellaUpDown";

// The buddy of an up-down control as assistive technology sees it: a spin
// button, as a spin box is, whose value is the number in the edit. A screen
// reader says that value when the field gets the focus and again each time
// the arrows or the Up and Down keys step it (a value change of the focused
// spin button), which it does not for text changes of a plain edit. The
// text itself stays readable and editable through the text interfaces.
class SpinEditAccessible : public QAccessibleWidget,
                           public QAccessibleValueInterface,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
 public:
  explicit SpinEditAccessible(QLineEdit* edit) : QAccessibleWidget(edit, QAccessible::SpinBox) {}

  QLineEdit* Edit() const { return static_cast<QLineEdit*>(widget()); }
  const UpDownControl* Control() const {
    return static_cast<const UpDownControl*>(Edit()->property(kUpDownProperty).value<QObject*>());
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    switch (type) {
      case QAccessible::ValueInterface: return static_cast<QAccessibleValueInterface*>(this);
      case QAccessible::TextInterface: return static_cast<QAccessibleTextInterface*>(this);
      case QAccessible::EditableTextInterface:
        return static_cast<QAccessibleEditableTextInterface*>(this);
      default: return QAccessibleWidget::interface_cast(type);
    }
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.editable = !Edit()->isReadOnly();
    s.focusable = true;
    return s;
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return Edit()->text();
    return QAccessibleWidget::text(t);
  }

  // ---- implements QAccessibleValueInterface ------------------------------------------
  QVariant currentValue() const override {
    int value = 0;
    return ParseDialogInt(Edit()->text(), value) ? QVariant(value) : QVariant();
  }
  void setCurrentValue(const QVariant& value) override {
    Edit()->setText(QString::number(value.toInt()));
  }
  QVariant maximumValue() const override { return Control() ? Control()->High() : QVariant(); }
  QVariant minimumValue() const override { return Control() ? Control()->Low() : QVariant(); }
  QVariant minimumStepSize() const override { return 1; }

  // ---- implements QAccessibleTextInterface -------------------------------------------
  void selection(int index, int* start, int* end) const override {
    *start = *end = 0;
    if (index != 0 || !Edit()->hasSelectedText()) return;
    *start = Edit()->selectionStart();
    *end = *start + static_cast<int>(Edit()->selectedText().size());
  }
  int selectionCount() const override { return Edit()->hasSelectedText() ? 1 : 0; }
  void addSelection(int start, int end) override { setSelection(0, start, end); }
  void removeSelection(int) override { Edit()->deselect(); }
  void setSelection(int, int start, int end) override { Edit()->setSelection(start, end - start); }
  int cursorPosition() const override { return Edit()->cursorPosition(); }
  void setCursorPosition(int position) override { Edit()->setCursorPosition(position); }
  QString text(int start, int end) const override { return Edit()->text().mid(start, end - start); }
  int characterCount() const override { return static_cast<int>(Edit()->text().size()); }
  QRect characterRect(int) const override { return rect(); }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int offset, int* start, int* end) const override {
    *start = offset;
    *end = offset;
    return {};
  }

  // ---- implements QAccessibleEditableTextInterface -----------------------------------
  void deleteText(int start, int end) override {
    QString t = Edit()->text();
    Edit()->setText(t.remove(start, end - start));
  }
  void insertText(int offset, const QString& text) override {
    QString t = Edit()->text();
    Edit()->setText(t.insert(offset, text));
  }
  void replaceText(int start, int end, const QString& text) override {
    QString t = Edit()->text();
    Edit()->setText(t.replace(start, end - start, text));
  }
};

// A drop-down list of a dialog as assistive technology sees it: a combo box
// whose name, value and text are the chosen entry, so a screen reader says
// the entry with the field's label when the field gets the focus (it looks
// for the text of a combo box without children).
class DropDownAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit DropDownAccessible(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {
    addControllingSignal(QStringLiteral("activated(int)"));
  }
  QComboBox* Combo() const { return static_cast<QComboBox*>(widget()); }

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name || t == QAccessible::Value) return Combo()->currentText();
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.expandable = true;
    s.expanded = Combo()->view() && Combo()->view()->isVisible();
    s.readOnly = true;
    return s;
  }

  // ---- implements QAccessibleTextInterface -------------------------------------------
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QString text(int start, int end) const override {
    return Combo()->currentText().mid(start, end - start);
  }
  int characterCount() const override { return static_cast<int>(Combo()->currentText().size()); }
  QRect characterRect(int) const override { return rect(); }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int offset, int* start, int* end) const override {
    *start = offset;
    *end = offset;
    return {};
  }
};

QAccessibleInterface* SpinEditAccessibleFactory(const QString& className, QObject* object) {
  if (className != QLatin1String("QLineEdit")) return nullptr;
  auto* edit = qobject_cast<QLineEdit*>(object);
  if (!edit || !edit->property(kUpDownProperty).value<QObject*>()) return nullptr;
  return new SpinEditAccessible(edit);
}

QAccessibleInterface* DropDownAccessibleFactory(const QString& className, QObject* object) {
  if (className != QLatin1String("QComboBox")) return nullptr;
  auto* combo = qobject_cast<QComboBox*>(object);
  // The drop-down lists of the program's own dialogs, from their creation on.
  if (!combo || combo->isEditable() || !dynamic_cast<ModalDialog*>(combo->window())) return nullptr;
  return new DropDownAccessible(combo);
}

}  // namespace

UpDownControl::UpDownControl(QLineEdit* buddy, QWidget* parent)
    : QWidget(parent), m_buddy(buddy), m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
  for (QToolButton* button : {m_up, m_down}) {
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
  }
  m_up->setArrowType(Qt::UpArrow);
  m_down->setArrowType(Qt::DownArrow);
  m_up->setObjectName(QStringLiteral("upToolButton"));
  m_down->setObjectName(QStringLiteral("downToolButton"));
  SetAccessibleSubject({});
  connect(m_up, &QToolButton::clicked, this, [this] { Step(+1); });
  connect(m_down, &QToolButton::clicked, this, [this] { Step(-1); });
  setFocusPolicy(Qt::NoFocus);
  setEnabled(m_buddy->isEnabled());
  m_buddy->installEventFilter(this);
  // The buddy is a spin button to assistive technology (it is asked for its
  // accessible face no earlier than when the dialog is shown).
  m_buddy->setProperty(kUpDownProperty, QVariant::fromValue<QObject*>(this));
  InstallDialogAccessibility();
}

void UpDownControl::SetAccessibleSubject(const QString& subject) {
  const QString suffix = subject.isEmpty() ? QString() : u' ' + subject;
  m_up->setAccessibleName(QStringLiteral("Increase") + suffix);
  m_down->setAccessibleName(QStringLiteral("Decrease") + suffix);
  setAccessibleName(subject);
}

void UpDownControl::SetRange(int low, int high) {
  m_low = std::min(low, high);
  m_high = std::max(low, high);
  m_pos = std::clamp(m_pos, m_low, m_high);
}

void UpDownControl::Step(int delta) {
  if (!m_buddy->isEnabled()) return;
  int value = m_pos;
  if (ParseDialogInt(m_buddy->text(), value)) m_pos = value;
  // A value outside the range steps into it; at a bound it stays, or, when
  // the control wraps, goes to the other bound.
  int next = m_pos;
  if (delta > 0) {
    if (m_pos < m_low)
      next = m_low;
    else if (m_pos < m_high)
      next = std::min(m_pos + delta, m_high);
    else if (m_wrap)
      next = m_low;
  } else if (delta < 0) {
    if (m_pos > m_high)
      next = m_high;
    else if (m_pos > m_low)
      next = std::max(m_pos + delta, m_low);
    else if (m_wrap)
      next = m_high;
  }
  m_pos = next;
  m_buddy->setText(QString::number(next));
  if (QAccessible::isActive()) {
    QAccessibleValueChangeEvent event(m_buddy, next);
    QAccessible::updateAccessibility(&event);
  }
}

bool UpDownControl::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_buddy) {
    if (event->type() == QEvent::EnabledChange) {
      setEnabled(m_buddy->isEnabled());
    } else if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
        Step(key->key() == Qt::Key_Up ? +1 : -1);
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void UpDownControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int half = height() / 2;
  m_up->setGeometry(0, 0, width(), half);
  m_down->setGeometry(0, half, width(), height() - half);
}

namespace {

void InstallDialogAccessibility() {
  QAccessible::installFactory(SpinEditAccessibleFactory);
  QAccessible::installFactory(DropDownAccessibleFactory);
}

void SpeakDropDownValues(QDialog* dialog) {
  Announcer* announcer = nullptr;
  for (QComboBox* combo : dialog->findChildren<QComboBox*>()) {
    if (combo->isEditable()) continue;
    if (!announcer) announcer = new Announcer(dialog);
    // Up, Down and the letter keys choose another entry of a closed list;
    // a screen reader is told the entry (an open list reads its own).
    QObject::connect(combo, &QComboBox::currentIndexChanged, announcer, [combo, announcer] {
      if (combo->hasFocus() && !(combo->view() && combo->view()->isVisible()))
        announcer->Announce(combo->currentText());
    });
  }
}

}  // namespace

}  // namespace corvella
