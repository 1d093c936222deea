#include "platform/qt/announcer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QDeadlineTimer>
#include <algorithm>

namespace corvella {

namespace {

// How long the focus must stay put before a waiting line is said: a dialog
// opening or closing sends the screen reader a burst of events, and Orca
// drops a notification that reaches it inside such a burst (its queue
// past 50 events) rather than speaking it.
constexpr int kSettleMs = 400;
// A line is said after this long at the latest when the program's window is
// not the active one (the operator went on in another program).
constexpr int kLongestWaitMs = 2000;
// The least time between two announcements: the screen reader reads a
// notification's name some time after its event, and a name changed before
// then would make it say the second line twice and never the first.
constexpr int kGapMs = 600;

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
  // A passing line waiting before it is out of date now.
  m_latest.clear();
  m_kept << text;
  Schedule();
}

QStringList Announcer::Waiting() const {
  QStringList lines = m_kept;
  if (!m_latest.isEmpty()) lines << m_latest;
  return lines;
}

QString Announcer::Join(const QStringList& lines) {
  QString text;
  for (const QString& line : lines) {
    if (!text.isEmpty()) {
      const QChar last = text.back();
      if (last != u'.' && last != u'!' && last != u'?') text += u'.';
      text += u' ';
    }
    text += line;
  }
  return text;
}

void Announcer::Schedule() {
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
  if (!Pending() || !window()->isActiveWindow() || Busy()) return;
  const qint64 sinceSaid = QDeadlineTimer::current().deadline() - m_saidAt;
  m_settle.start(std::max<qint64>(kSettleMs, kGapMs - sinceSaid));
}

void Announcer::Say() {
  // A dialog or message box of the program is open: the lines wait for the
  // focus to come back, as the operator is busy there.
  if (!Pending() || Busy()) return;
  const qint64 now = QDeadlineTimer::current().deadline();
  if (now - m_saidAt < kGapMs) {
    m_settle.start(int(kGapMs - (now - m_saidAt)));
    return;
  }
  m_text = Join(Waiting());
  m_kept.clear();
  m_latest.clear();
  m_saidAt = now;
  emit said(m_text);
  if (!QAccessible::isActive()) return;
  // The new name first, so that what the screen reader keeps of the object
  // is up to date; then the showing that it speaks.
  QAccessibleEvent named(this, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&named);
  QAccessibleEvent shown(this, QAccessible::ObjectShow);
  QAccessible::updateAccessibility(&shown);
}

}  // namespace corvella
