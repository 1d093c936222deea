#pragma once
// Menu items of the command table as assistive technology sees them. The
// item's text carries its accelerator after a tab ("&Copy\tCtrl+C"), which
// the menu draws at the right; Qt's own accessible menu item would read the
// whole of it as the name. This one is named by the text before the tab,
// mnemonic marker removed ("Copy"), and reports the accelerator as the item's
// key binding, where a screen reader looks for it.
//
// It stands in only for actions marked with MarkCommandAction; every other
// action keeps Qt's own interface. Install the factory once with
// QAccessible::installFactory.

#include <QAccessibleInterface>
#include <QPointer>

class QAction;
class QMenu;

namespace corvella {

// Marks `action` as a command-table item the factory below describes.
void MarkCommandAction(QAction* action);

// The interface of a marked action shown in a menu; nullptr otherwise.
QAccessibleInterface* MenuItemAccessibleFactory(const QString& className, QObject* object);

// "&Copy\tCtrl+C" -> "Copy"; "&&" stands for one "&".
QString MenuItemName(const QString& text);

class MenuItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  explicit MenuItemAccessible(QAction* action) : m_action(action) {}

  // ---- implements QAccessibleInterface ------------------------------------------
  bool isValid() const override;
  QObject* object() const override;
  QWindow* window() const override;
  QAccessibleInterface* parent() const override;
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QString text(QAccessible::Text t) const override;
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override;
  QAccessible::Role role() const override { return QAccessible::MenuItem; }
  QAccessible::State state() const override;
  void* interface_cast(QAccessible::InterfaceType type) override;

  // ---- implements QAccessibleActionInterface ------------------------------------
  QStringList actionNames() const override;
  void doAction(const QString& actionName) override;
  QStringList keyBindingsForAction(const QString& actionName) const override;

 private:
  // The menu the item is shown in (an action of the command table sits in
  // one menu and perhaps the toolbar).
  QMenu* Menu() const;
  QString KeyText() const;

  QPointer<QAction> m_action;
};

}  // namespace corvella
