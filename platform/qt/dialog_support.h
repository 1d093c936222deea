#pragma once
// What the request dialogs share: their window set-up, dialog-unit geometry,
// the OK and Cancel buttons, the limit on typed characters of an edit, the
// up-down control beside a numeric edit, and the standard checks of the
// dialog data exchange with their messages.

#include <QDialog>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>
#include <initializer_list>

class QFontMetrics;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace corvella {

// Converts dialog units to pixels: a horizontal unit is a quarter of the
// font's average character width, a vertical unit an eighth of its height.
struct DialogUnits {
  explicit DialogUnits(const QFontMetrics& metrics);

  int X(int du) const { return (du * baseX + 2) / 4; }
  int Y(int du) const { return (du * baseY + 4) / 8; }
  QRect Rect(int x, int y, int width, int height) const {
    return QRect(X(x), Y(y), X(x + width) - X(x), Y(y + height) - Y(y));
  }
  // Widens the horizontal unit so that `pixels` fit into `du` dialog units.
  void FitWidth(int pixels, int du);

  int baseX = 6;
  int baseY = 13;
};

// Gives a dialog its object name and caption and the frame of a fixed-size
// dialog: title bar, system menu and close button, plus `extraFlags`.
void SetUpDialog(QDialog* dialog, const QString& objectName, const QString& title,
                 Qt::WindowFlags extraFlags = {});

// The base of the program's modal dialogs: set up by SetUpDialog, run by
// DoModal, and filled by OnInitDialog once, before the dialog is first shown.
class ModalDialog : public QDialog {
 public:
  ModalDialog(QWidget* parent, const QString& objectName, const QString& title,
              Qt::WindowFlags extraFlags = {});

  // Runs the dialog modally; true when it ended with OK.
  bool DoModal() { return exec() == QDialog::Accepted; }

 protected:
  // Fills the controls from the members; runs once, before the first showing.
  virtual void OnInitDialog() {}
  // True once OnInitDialog has run to its end.
  bool IsInitialised() const { return m_bInitialised; }
  void showEvent(QShowEvent* event) override;

 private:
  bool m_bInitialised = false;
};

// Puts `widget` at (x, y), `width` dialog units wide and `height` pixels
// high (the height is the style's, so that rows of controls line up).
void PlaceInDialogUnits(QWidget* widget, const DialogUnits& du, int x, int y, int width,
                        int height);

// The OK and Cancel buttons of a dialog, named okPushButton and
// cancelPushButton. OK is the default button and accepts the dialog; Cancel
// is never the default and rejects it. They are placed by the caller, which
// may need their size hints to fit the dialog units first.
struct OkCancelButtons {
  QPushButton* ok;
  QPushButton* cancel;
};
OkCancelButtons AddOkCancelButtons(QDialog* dialog);

// The fixed size of a dialog `width` by `height` dialog units, made taller
// where the style pushed the button row down: 7 units stay below `lowest`.
QSize DialogSize(const DialogUnits& du, int width, int height, const QWidget* lowest);

// Sets the tab order to run through `chain` in turn.
void SetTabChain(std::initializer_list<QWidget*> chain);

// Typing or pasting that would make the text longer than `maxChars` is
// refused, as an edit control's text limit does. So is a character that
// Windows-1252 cannot hold (the program's texts are Windows-1252) or one of
// `refused`. A text the program sets stays as it is and can still be edited
// and shortened; the checks on OK (CheckEnteredText) report what is wrong
// with it. `hint`, when given, says while the operator types how many
// characters the edit holds of how many it takes, and names a refused
// character.
void LimitTyping(QLineEdit* edit, int maxChars, const QString& refused = {},
                 QLabel* hint = nullptr);

// The check on OK of a text edit limited by LimitTyping: an empty string
// when the text is acceptable, else the message to show.
QString CheckEnteredText(const QString& text, int maxChars, const QString& refused);

// The first character of `text` that an edit refuses: one outside
// Windows-1252 or one of `refused`; empty when there is none.
QString FirstRefusedCharacter(const QString& text, const QString& refused);

// The message naming a refused character, and the count a hint shows.
QString RefusedCharacterText(const QString& character);
QString CharacterCountText(int count, int maxChars);

// Reads an integer as the dialog data exchange does: blanks, an optional
// sign, digits, blanks and nothing else. False for anything else, including
// a number outside the range of int.
bool ParseDialogInt(const QString& text, int& value);

// The standard messages of the failed checks.
QString IntegerExpectedText();
QString IntegerRangeText(int low, int high);
QString MaxCharsText(int maxChars);

// Shows a failed check's message (exclamation icon, OK) over `parent`.
void ShowCheckMessage(QWidget* parent, const QString& text);

// An up-down control attached to the right edge of a numeric edit (its
// buddy). The arrows and the Up and Down keys in the buddy step the buddy's
// integer by one and write it back without thousands separators; a buddy
// text that is no number steps from the last value. It is usable only while
// its buddy is: a disabled edit cannot be changed through its arrows either.
//
// Without wrapping (the default) a value outside the range steps into it and
// at a bound it stays. With wrapping one step past the highest value gives
// the lowest and one below the lowest the highest; a value above the range
// steps up to the lowest and down to the highest.
class UpDownControl : public QWidget {
 public:
  UpDownControl(QLineEdit* buddy, QWidget* parent);

  void SetRange(int low, int high);
  void SetWrap(bool wrap) { m_wrap = wrap; }
  bool Wraps() const { return m_wrap; }
  // Steps the buddy by `delta` (the arrows use +1 and -1); a step that
  // wraps lands on the other end of the range.
  void Step(int delta);
  // Names the arrows for assistive technology after the value they step
  // ("Increase Sign #", "Decrease Sign #"); until then "Increase" and
  // "Decrease".
  void SetAccessibleSubject(const QString& subject);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QLineEdit* m_buddy;
  QToolButton* m_up;
  QToolButton* m_down;
  int m_low = 0;
  int m_high = 100;
  int m_pos = 0;  // last value stepped to or read from the buddy
  bool m_wrap = false;
};

}  // namespace corvella
