#include "platform/qt/dialog_support.h"

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

#include "platform/qt/windows1252.h"

namespace corvella {

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
}

void ModalDialog::showEvent(QShowEvent* event) {
  if (!m_bInitialised) {
    OnInitDialog();
    m_bInitialised = true;
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

}  // namespace corvella
