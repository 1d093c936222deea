#include "platform/qt/announcer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>

namespace corvella {

namespace {

// How long the focus must stay put before a waiting line is said: the
// screen reader reads the window and the focused object once a dialog has
// closed, and that reading would cut off a line said in the middle of it.
constexpr int kSettleMs = 150;
// A line is said after this long at the latest when the program's window is
// not the active one (the operator went on in another program).
constexpr int kLongestWaitMs = 2000;

// The announcer as the screen reader sees it: a notification named after
// the last line.
class AnnouncerAccessible : public QAccessibleWidget {
 public:
  explicit AnnouncerAccessible(Announcer* announcer)
      : QAccessibleWidget(announcer, QAccessible::Notification) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return static_cast<const Announcer*>(widget())->Text();
    return QAccessibleWidget::text(t);
  }
};

QAccessibleInterface* AnnouncerAccessibleFactory(const QString& className, QObject* object) {
  if (className == QLatin1String(Announcer::staticMetaObject.className())) {
    if (auto* announcer = qobject_cast<Announcer*>(object))
      return new AnnouncerAccessible(announcer);
  }
  return nullptr;
}

}  // namespace

Announcer::Announcer(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("announcer"));
  QAccessible::installFactory(AnnouncerAccessibleFactory);
  // No room, no focus, no clicks: the line is shown by the widget around it.
  setGeometry(0, 0, 0, 0);
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  m_settle.setSingleShot(true);
  connect(&m_settle, &QTimer::timeout, this, &Announcer::Say);
  // The focus arriving somewhere (back in the window after a dialog) is
  // when a waiting line can be said.
  connect(qApp, &QApplication::focusChanged, this, [this] { TrySay(); });
}

void Announcer::Announce(const QString& text) {
  m_latest = text;
  Schedule();
}

void Announcer::AnnounceKept(const QString& text) {
  m_kept << text;
  Schedule();
}

void Announcer::Schedule() {
  QStringList lines = m_kept;
  if (!m_latest.isEmpty()) lines << m_latest;
  m_text = lines.join(QStringLiteral(". "));
  m_pending = true;
  TrySay();
  if (!m_settle.isActive()) m_settle.start(kLongestWaitMs);
}

bool Announcer::Busy() const {
  // A dialog, message box or menu over the window the announcer is in.
  // A box that is not modal (a send's notice) counts while it has the keyboard.
  const QWidget* modal = QApplication::activeModalWidget();
  const QWidget* active = QApplication::activeWindow();
  return (modal && modal != window()) || QApplication::activePopupWidget() ||
         (active && active != window() && active->inherits("QDialog"));
}

void Announcer::TrySay() {
  if (!m_pending || !window()->isActiveWindow() || Busy()) return;
  m_settle.start(kSettleMs);
}

void Announcer::Say() {
  // A dialog or message box of the program is open: the line waits for the
  // focus to come back, as the operator is busy there.
  if (!m_pending || Busy()) return;
  m_pending = false;
  m_kept.clear();
  m_latest.clear();
  if (!QAccessible::isActive()) return;
  // The new name first, so that what the screen reader keeps of the object
  // is up to date; then the showing that it speaks.
  QAccessibleEvent named(this, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&named);
  QAccessibleEvent shown(this, QAccessible::ObjectShow);
  QAccessible::updateAccessibility(&shown);
}

}  // namespace corvella
