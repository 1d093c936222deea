#include "shell/menu_item_accessible.h"

#include <QAction>
#include <QMenu>
#include <QStyle>
#include <QWindow>

namespace corvella {

namespace {

const char* const kCommandProperty = "corvellaCommandItem";

}  // namespace

void MarkCommandAction(QAction* action) { action->setProperty(kCommandProperty, true); }

QAccessibleInterface* MenuItemAccessibleFactory(const QString& className, QObject* object) {
  if (className != QLatin1String("QAction")) return nullptr;
  auto* action = qobject_cast<QAction*>(object);
  if (!action || !action->property(kCommandProperty).toBool() || action->isSeparator()) {
    return nullptr;
  }
  return new MenuItemAccessible(action);
}

QString MenuItemName(const QString& text) {
  const QString shown = text.left(text.indexOf(u'\t'));  // the whole text when there is no tab
  QString name;
  name.reserve(shown.size());
  for (qsizetype i = 0; i < shown.size(); ++i) {
    if (shown[i] == u'&') {
      if (i + 1 < shown.size() && shown[i + 1] == u'&') name += u'&';
      ++i;
      if (i < shown.size() && shown[i] != u'&') name += shown[i];
      continue;
    }
    name += shown[i];
  }
  return name;
}

QMenu* MenuItemAccessible::Menu() const {
  if (!m_action) return nullptr;
  for (QObject* owner : m_action->associatedObjects()) {
    if (auto* menu = qobject_cast<QMenu*>(owner)) return menu;
  }
  return nullptr;
}

QString MenuItemAccessible::KeyText() const {
  if (!m_action) return {};
  const QString text = m_action->text();
  const qsizetype tab = text.indexOf(u'\t');
  return tab < 0 ? QString() : text.mid(tab + 1);
}

bool MenuItemAccessible::isValid() const { return m_action && Menu(); }

QObject* MenuItemAccessible::object() const { return m_action.data(); }

QWindow* MenuItemAccessible::window() const {
  QMenu* menu = Menu();
  return menu ? menu->window()->windowHandle() : nullptr;
}

QAccessibleInterface* MenuItemAccessible::child(int index) const {
  QMenu* submenu = Submenu();
  return index == 0 && submenu ? QAccessible::queryAccessibleInterface(submenu) : nullptr;
}

int MenuItemAccessible::childCount() const { return Submenu() ? 1 : 0; }

int MenuItemAccessible::indexOfChild(const QAccessibleInterface* child) const {
  QMenu* submenu = Submenu();
  return submenu && child && child->object() == submenu ? 0 : -1;
}

QMenu* MenuItemAccessible::Submenu() const { return m_action ? m_action->menu() : nullptr; }

QAccessibleInterface* MenuItemAccessible::parent() const {
  QMenu* menu = Menu();
  return menu ? QAccessible::queryAccessibleInterface(menu) : nullptr;
}

QString MenuItemAccessible::text(QAccessible::Text t) const {
  if (!m_action) return {};
  switch (t) {
    case QAccessible::Name: return MenuItemName(m_action->text());
    case QAccessible::Accelerator: return KeyText();
    case QAccessible::Help: return m_action->statusTip();
    // A greyed item's reason (set as its "What's This" text), read with it.
    case QAccessible::Description: return m_action->whatsThis();
    default: return {};
  }
}

QRect MenuItemAccessible::rect() const {
  QMenu* menu = Menu();
  if (!menu) return {};
  const QRect r = menu->actionGeometry(m_action);
  return r.translated(menu->mapToGlobal(QPoint(0, 0)));
}

QAccessible::State MenuItemAccessible::state() const {
  QAccessible::State s;
  QMenu* menu = Menu();
  if (!m_action || !menu) {
    s.invalid = true;
    return s;
  }
  if (!menu->isVisible() || !m_action->isVisible()) s.invisible = true;
  if (menu->activeAction() == m_action) s.focused = true;
  if (menu->style()->styleHint(QStyle::SH_Menu_MouseTracking)) s.hotTracked = true;
  if (!m_action->isEnabled()) s.disabled = true;
  if (m_action->isCheckable()) s.checkable = true;
  if (m_action->isChecked()) s.checked = true;
  if (QMenu* submenu = Submenu()) {
    // A submenu's item opens a menu: collapsed until its menu shows.
    s.hasPopup = true;
    s.expandable = true;
    s.expanded = submenu->isVisible();
    s.collapsed = !s.expanded;
  }
  return s;
}

void* MenuItemAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
  return nullptr;
}

QStringList MenuItemAccessible::actionNames() const {
  return m_action ? QStringList{pressAction()} : QStringList{};
}

void MenuItemAccessible::doAction(const QString& actionName) {
  if (!m_action || !m_action->isEnabled() || actionName != pressAction()) return;
  // A submenu's item opens its menu, as choosing it with the keyboard does.
  QMenu* menu = Menu();
  if (Submenu() && menu)
    menu->setActiveAction(m_action);
  else
    m_action->trigger();
}

QStringList MenuItemAccessible::keyBindingsForAction(const QString& actionName) const {
  const QString key = KeyText();
  if (actionName != pressAction() || key.isEmpty()) return {};
  return {key};
}

}  // namespace corvella
