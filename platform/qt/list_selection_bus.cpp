#include "platform/qt/list_selection_bus.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "platform/qt/list_accessible.h"

namespace corvella {

namespace {

// Names Qt's bridge uses on the bus (its connection, the object tree of the
// accessible objects) and those of the AT-SPI protocol.
const QString kConnectionName = QStringLiteral("a11y");
const QString kAccessibleTree = QStringLiteral("/org/a11y/atspi/accessible");
const QString kObjectPrefix = QStringLiteral("/org/a11y/atspi/accessible/");
const QString kApplicationPath = QStringLiteral("/org/a11y/atspi/accessible/root");
const QString kNullPath = QStringLiteral("/org/a11y/atspi/null");
const QString kAccessible = QStringLiteral("org.a11y.atspi.Accessible");
const QString kSelection = QStringLiteral("org.a11y.atspi.Selection");
const QString kTable = QStringLiteral("org.a11y.atspi.Table");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kSelectedCount = QStringLiteral("NSelectedChildren");

const char kSelectionIntrospection[] =
    "  <interface name=\"org.a11y.atspi.Selection\">\n"
    "    <property name=\"NSelectedChildren\" type=\"i\" access=\"read\"/>\n"
    "    <method name=\"GetSelectedChild\">\n"
    "      <arg direction=\"in\" name=\"selectedChildIndex\" type=\"i\"/>\n"
    "      <arg direction=\"out\" type=\"(so)\"/>\n"
    "    </method>\n"
    "    <method name=\"SelectChild\">\n"
    "      <arg direction=\"in\" name=\"childIndex\" type=\"i\"/>\n"
    "      <arg direction=\"out\" type=\"b\"/>\n"
    "    </method>\n"
    "    <method name=\"DeselectSelectedChild\">\n"
    "      <arg direction=\"in\" name=\"selectedChildIndex\" type=\"i\"/>\n"
    "      <arg direction=\"out\" type=\"b\"/>\n"
    "    </method>\n"
    "    <method name=\"IsChildSelected\">\n"
    "      <arg direction=\"in\" name=\"childIndex\" type=\"i\"/>\n"
    "      <arg direction=\"out\" type=\"b\"/>\n"
    "    </method>\n"
    "    <method name=\"SelectAll\"><arg direction=\"out\" type=\"b\"/></method>\n"
    "    <method name=\"ClearSelection\"><arg direction=\"out\" type=\"b\"/></method>\n"
    "    <method name=\"DeselectChild\">\n"
    "      <arg direction=\"in\" name=\"childIndex\" type=\"i\"/>\n"
    "      <arg direction=\"out\" type=\"b\"/>\n"
    "    </method>\n"
    "  </interface>\n";

// The request list's table behind an object path; nullptr for any other
// object.
ListAccessible* ListAt(const QString& path) {
  if (!path.startsWith(kObjectPrefix)) return nullptr;
  bool ok = false;
  const QAccessible::Id id = QStringView(path).mid(kObjectPrefix.size()).toUInt(&ok);
  if (!ok) return nullptr;
  return dynamic_cast<ListAccessible*>(QAccessible::accessibleInterface(id));
}

QString PathOf(QAccessibleInterface* iface) {
  if (!iface || !iface->isValid()) return kNullPath;
  return kObjectPrefix + QString::number(QAccessible::uniqueId(iface));
}

// An AT-SPI object reference: the owner's bus name and the object's path.
QVariant Reference(const QDBusConnection& connection, const QString& path) {
  QDBusArgument reference;
  reference.beginStructure();
  reference << connection.baseService() << QDBusObjectPath(path);
  reference.endStructure();
  return QVariant::fromValue(reference);
}

// The interfaces Qt's bridge lists for a widget, as it decides them.
QStringList BridgeInterfaces(QAccessibleInterface* iface) {
  QStringList names{kAccessible, QStringLiteral("org.a11y.atspi.Component")};
  if (iface->actionInterface() || iface->valueInterface())
    names << QStringLiteral("org.a11y.atspi.Action");
  if (iface->textInterface()) names << QStringLiteral("org.a11y.atspi.Text");
  if (iface->editableTextInterface()) names << QStringLiteral("org.a11y.atspi.EditableText");
  if (iface->valueInterface()) names << QStringLiteral("org.a11y.atspi.Value");
  if (iface->tableInterface()) names << QStringLiteral("org.a11y.atspi.Table");
  return names;
}

// What a call on the list's table or its selection takes, by its D-Bus
// signature, and which of those arguments name a place in the table.
enum class Takes {
  kNothing,    // ""
  kRow,        // "i": a row
  kColumn,     // "i": a column
  kCell,       // "ii": a row and a column
  kCellIndex,  // "i": a cell's index, row * columns + column
  kChild,      // "i": a child or selected child of the Selection interface,
               // which the list answers itself for any number
};

// The answer to a call about a row, column or cell that is not there (a
// screen reader may ask right after a delete): what the call answers for
// "nothing there". Qt's bridge would follow a null cell and crash.
enum class Neutral { kNone, kFalse, kZero, kMinusOne, kEmptyText, kNullObject, kNoExtents };

struct ListCall {
  const QString& interface;
  const char* method;
  Takes takes;
  Neutral neutral;
};

const ListCall kListCalls[] = {
    {kTable, "GetAccessibleAt", Takes::kCell, Neutral::kNullObject},
    {kTable, "GetIndexAt", Takes::kCell, Neutral::kMinusOne},
    {kTable, "GetRowAtIndex", Takes::kCellIndex, Neutral::kMinusOne},
    {kTable, "GetColumnAtIndex", Takes::kCellIndex, Neutral::kMinusOne},
    {kTable, "GetRowDescription", Takes::kRow, Neutral::kEmptyText},
    {kTable, "GetColumnDescription", Takes::kColumn, Neutral::kEmptyText},
    {kTable, "GetRowExtentAt", Takes::kCell, Neutral::kZero},
    {kTable, "GetColumnExtentAt", Takes::kCell, Neutral::kZero},
    {kTable, "GetRowHeader", Takes::kRow, Neutral::kNullObject},
    {kTable, "GetColumnHeader", Takes::kColumn, Neutral::kNullObject},
    {kTable, "GetSelectedRows", Takes::kNothing, Neutral::kNone},
    {kTable, "GetSelectedColumns", Takes::kNothing, Neutral::kNone},
    {kTable, "IsRowSelected", Takes::kRow, Neutral::kFalse},
    {kTable, "IsColumnSelected", Takes::kColumn, Neutral::kFalse},
    {kTable, "IsSelected", Takes::kCell, Neutral::kFalse},
    {kTable, "AddRowSelection", Takes::kRow, Neutral::kFalse},
    {kTable, "AddColumnSelection", Takes::kColumn, Neutral::kFalse},
    {kTable, "RemoveRowSelection", Takes::kRow, Neutral::kFalse},
    {kTable, "RemoveColumnSelection", Takes::kColumn, Neutral::kFalse},
    {kTable, "GetRowColumnExtentsAtIndex", Takes::kCellIndex, Neutral::kNoExtents},
    {kSelection, "GetSelectedChild", Takes::kChild, Neutral::kNone},
    {kSelection, "SelectChild", Takes::kChild, Neutral::kNone},
    {kSelection, "DeselectSelectedChild", Takes::kChild, Neutral::kNone},
    {kSelection, "IsChildSelected", Takes::kChild, Neutral::kNone},
    {kSelection, "DeselectChild", Takes::kChild, Neutral::kNone},
    {kSelection, "SelectAll", Takes::kNothing, Neutral::kNone},
    {kSelection, "ClearSelection", Takes::kNothing, Neutral::kNone},
};

const ListCall* FindListCall(const QDBusMessage& message) {
  for (const ListCall& call : kListCalls) {
    if (message.interface() == call.interface && message.member() == QLatin1String(call.method))
      return &call;
  }
  return nullptr;
}

QLatin1String SignatureOf(Takes takes) {
  switch (takes) {
    case Takes::kNothing: return QLatin1String("");
    case Takes::kCell: return QLatin1String("ii");
    default: return QLatin1String("i");
  }
}

// Whether the place `call` names in `arguments` (of the right types) is in
// the table `list`.
bool IsInTable(const ListAccessible& list, Takes takes, const QVariantList& arguments) {
  const int rows = list.rowCount();
  const int columns = list.columnCount();
  const auto within = [](int value, qint64 end) { return value >= 0 && value < end; };
  switch (takes) {
    case Takes::kRow: return within(arguments[0].toInt(), rows);
    case Takes::kColumn: return within(arguments[0].toInt(), columns);
    case Takes::kCell:
      return within(arguments[0].toInt(), rows) && within(arguments[1].toInt(), columns);
    case Takes::kCellIndex: return within(arguments[0].toInt(), qint64{rows} * columns);
    case Takes::kNothing:
    case Takes::kChild: return true;
  }
  return true;
}

int IntArgument(const QDBusMessage& message) {
  const QVariantList arguments = message.arguments();
  return arguments.isEmpty() ? -1 : arguments.first().toInt();
}

// Stands in front of Qt's bridge object: answers what the bridge lacks for
// the request list and hands everything else to it.
class SelectionAnswerer final : public QDBusVirtualObject {
 public:
  explicit SelectionAnswerer(QDBusVirtualObject* bridge) : m_bridge(bridge) {
    setParent(QCoreApplication::instance());
  }

  QDBusVirtualObject* Bridge() const { return m_bridge; }

  QString introspect(const QString& path) const override {
    QString xml = m_bridge ? m_bridge->introspect(path) : QString();
    if (ListAt(path)) xml += QLatin1String(kSelectionIntrospection);
    return xml;
  }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (ListAccessible* list = ListAt(message.path())) {
      if (Answer(*list, message, connection)) return true;
    }
    return m_bridge && m_bridge->handleMessage(message, connection);
  }

 private:
  static bool Reply(const QDBusConnection& connection, const QDBusMessage& message,
                    const QVariant& value) {
    connection.send(message.createReply(value));
    return true;
  }

  // Arguments of the wrong types and places not in the table are answered
  // here; true when the call was answered.
  static bool AnswerBadCall(const ListAccessible& list, const QDBusMessage& message,
                            const QDBusConnection& connection) {
    const ListCall* call = FindListCall(message);
    if (!call) return false;
    if (message.signature() != SignatureOf(call->takes)) {
      connection.send(
          message.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("invalid arguments")));
      return true;
    }
    if (IsInTable(list, call->takes, message.arguments())) return false;
    switch (call->neutral) {
      case Neutral::kNone: return false;
      case Neutral::kFalse: return Reply(connection, message, false);
      case Neutral::kZero: return Reply(connection, message, 0);
      case Neutral::kMinusOne: return Reply(connection, message, -1);
      case Neutral::kEmptyText: return Reply(connection, message, QString());
      case Neutral::kNullObject:
        return Reply(connection, message, Reference(connection, kNullPath));
      case Neutral::kNoExtents:
        // Found, row, column, row extent, column extent, selected.
        connection.send(message.createReply(QVariantList{false, -1, -1, 0, 0, false}));
        return true;
    }
    return false;
  }

  static bool Answer(ListAccessible& list, const QDBusMessage& message,
                     const QDBusConnection& connection) {
    if (AnswerBadCall(list, message, connection)) return true;
    const QString member = message.member();
    if (message.interface() == kAccessible && member == QLatin1String("GetInterfaces"))
      return Reply(connection, message, BridgeInterfaces(&list) << kSelection);
    if (message.interface() == kProperties) {
      const QVariantList arguments = message.arguments();
      if (arguments.isEmpty() || arguments.first().toString() != kSelection) return false;
      const int count = list.SelectedChildCount();
      if (member == QLatin1String("Get") && arguments.value(1).toString() == kSelectedCount)
        return Reply(connection, message, QVariant::fromValue(QDBusVariant(count)));
      if (member == QLatin1String("GetAll"))
        return Reply(connection, message, QVariantMap{{kSelectedCount, count}});
      return false;
    }
    if (message.interface() != kSelection) return false;
    if (member == QLatin1String("GetSelectedChild"))
      return Reply(connection, message,
                   Reference(connection, PathOf(list.SelectedChild(IntArgument(message)))));
    if (member == QLatin1String("IsChildSelected"))
      return Reply(connection, message, list.IsChildSelected(IntArgument(message)));
    // The selection follows the list's own keys and clicks; it is not
    // changed from outside, as for the table's row selection.
    if (member == QLatin1String("SelectChild") || member == QLatin1String("DeselectChild") ||
        member == QLatin1String("DeselectSelectedChild") || member == QLatin1String("SelectAll") ||
        member == QLatin1String("ClearSelection"))
      return Reply(connection, message, false);
    return false;
  }

  QPointer<QDBusVirtualObject> m_bridge;
};

QPointer<SelectionAnswerer> g_answerer;

// Swaps the answerer in for Qt's bridge object once that is registered.
void PutAnswererInFront() {
  QDBusConnection bus(kConnectionName);
  if (!bus.isConnected()) return;
  auto* registered = qobject_cast<QDBusVirtualObject*>(bus.objectRegisteredAt(kAccessibleTree));
  if (!registered || registered == g_answerer) return;
  bus.unregisterObject(kAccessibleTree);
  auto* answerer = new SelectionAnswerer(registered);
  if (!bus.registerVirtualObject(kAccessibleTree, answerer, QDBusConnection::SubPath)) {
    // Give the tree back to Qt rather than leave the bus without it.
    delete answerer;
    bus.registerVirtualObject(kAccessibleTree, registered, QDBusConnection::SubPath);
    return;
  }
  delete g_answerer;
  g_answerer = answerer;
}

// The bridge switches accessibility on first and registers its object right
// after, within the same call: the swap waits for the event loop.
class BridgeWatch final : public QAccessible::ActivationObserver {
 public:
  void accessibilityActiveChanged(bool active) override {
    if (active) QTimer::singleShot(0, QCoreApplication::instance(), PutAnswererInFront);
  }
};

}  // namespace

void EnableListSelectionOnBus() {
  static BridgeWatch* watch = nullptr;
  if (watch) return;
  watch = new BridgeWatch;  // lives as long as Qt's observer list
  QAccessible::installActivationObserver(watch);
  if (QAccessible::isActive())
    QTimer::singleShot(0, QCoreApplication::instance(), PutAnswererInFront);
}

void NotifyListSelectionChanged(QWidget* list) {
  if (!g_answerer || !list) return;
  QDBusConnection bus(kConnectionName);
  if (!bus.isConnected()) return;
  QDBusMessage signal = QDBusMessage::createSignal(
      PathOf(QAccessible::queryAccessibleInterface(list)),
      QStringLiteral("org.a11y.atspi.Event.Object"), QStringLiteral("SelectionChanged"));
  // The arguments every object event carries: kind, two details, any data,
  // and the application the object belongs to.
  signal << QString() << 0 << 0 << QVariant::fromValue(QDBusVariant(0))
         << Reference(bus, kApplicationPath);
  bus.send(signal);
}

}  // namespace corvella
