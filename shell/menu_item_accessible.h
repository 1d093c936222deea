#pragma once
// Menu items of the command table as assistive technology sees them. The
// item's text carries its accelerator after a tab ("&Copy\tCtrl+C"), which
// the menu draws at the right; Qt's own accessible menu item would read the
// whole of it as the name. This one is named by the text before the tab,
// mnemonic marker removed ("Copy"), and reports the accelerator as the item's
// key binding, where a screen reader looks for it.
//
// A greyed item that can say why it is greyed ("Not available: there is no
// FOOT.REQ in ...") carries that as its description, which a screen reader
// reads when the arrow keys reach the item.
//
// The item of a submenu (Sport in the File menu) is marked too: it says that
// it opens a menu (has-popup, collapsed until the menu shows, expanded while
// it does), which Qt's own item leaves out, so a screen reader tells it from
// a command. (Qt's bridge gives no item the role of a menu.)
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
  // A submenu's item has its menu as its one child.
  QAccessibleInterface* child(int index) const override;
  int childCount() const override;
  int indexOfChild(const QAccessibleInterface* child) const override;
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
  // The menu this item opens; nullptr for a command.
  QMenu* Submenu() const;
  QString KeyText() const;

  QPointer<QAction> m_action;
};

}  // namespace corvella
