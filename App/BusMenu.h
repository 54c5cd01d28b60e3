#pragma once

#include "Core/Menus/MenuItem.h"
#include "Platform/Scheduler.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>
#include <QVariantMap>

#include <functional>
#include <vector>

namespace lumivast {

// One item of a bus menu's layout: its id, properties and children (each a
// variant holding a layout item).
struct BusMenuLayoutItem {
    int id = 0;
    QVariantMap properties;
    QVariantList children;
};

struct BusMenuItemProperties {
    int id = 0;
    QVariantMap properties;
};

struct BusMenuRemovedProperties {
    int id = 0;
    QStringList names;
};

struct BusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};

// The second adapter of menu trees (beside the QMenu one): exports the tree a
// provider gives as com.canonical.dbusmenu, for hosts that draw an item's menu
// themselves. The tree is asked for again whenever a host fetches the layout;
// ids are the rows' places in the last tree sent, and a chosen row runs its
// own action, which looks its payload up again. Main thread only.
class BusMenu final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kInterface = "com.canonical.dbusmenu";

    explicit BusMenu(Scheduler& scheduler, QObject* parent = nullptr);

    std::function<std::vector<MenuItem>()> tree = [] { return std::vector<MenuItem>(); };

    // Tells hosts that the menu may read differently now; they fetch it again when they need it.
    void invalidate();
    uint revision() const { return m_revision; }

    // The bus calls, as the adaptor hands them over.
    uint layout(int parentId, int depth, const QStringList& names, BusMenuLayoutItem& out);
    QList<BusMenuItemProperties> groupProperties(const QList<int>& ids, const QStringList& names);
    QDBusVariant property(int id, const QString& name);
    bool event(int id, const QString& eventId);
    bool aboutToShow(int id);

    // A row's properties as the protocol spells them.
    static QVariantMap properties(const MenuItem& item, bool hasParentMenu = true);
    // The key hint as the protocol's list of key names ("Control", "Alt", "1").
    static QList<QStringList> shortcut(const MenuItem& item);

Q_SIGNALS:
    void layoutUpdated(uint revision, int parent);
    void itemsPropertiesUpdated(const QList<BusMenuItemProperties>& updated,
                                const QList<BusMenuRemovedProperties>& removed);
    void itemActivationRequested(int id, uint timestamp);

private:
    struct Node {
        const MenuItem* item = nullptr; // into m_root
        QVariantMap properties;
        std::vector<int> children;
    };
    // Asks for the tree again; true when it reads differently from the last one.
    bool refresh();
    BusMenuLayoutItem layoutOf(int id, int depth, const QStringList& names) const;

    Scheduler& m_scheduler;
    MenuItem m_root; // its children are the tree; ids count the rows depth first from 1
    std::vector<Node> m_nodes; // by id; 0 is the root
    uint m_revision = 1;
};

class BusMenuAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_CLASSINFO("D-Bus Introspection", ""
"  <interface name=\"com.canonical.dbusmenu\">\n"
"    <property name=\"Version\" type=\"u\" access=\"read\"/>\n"
"    <property name=\"TextDirection\" type=\"s\" access=\"read\"/>\n"
"    <property name=\"Status\" type=\"s\" access=\"read\"/>\n"
"    <property name=\"IconThemePath\" type=\"as\" access=\"read\"/>\n"
"    <method name=\"GetLayout\">\n"
"      <arg name=\"parentId\" type=\"i\" direction=\"in\"/>\n"
"      <arg name=\"recursionDepth\" type=\"i\" direction=\"in\"/>\n"
"      <arg name=\"propertyNames\" type=\"as\" direction=\"in\"/>\n"
"      <arg name=\"revision\" type=\"u\" direction=\"out\"/>\n"
"      <arg name=\"layout\" type=\"(ia{sv}av)\" direction=\"out\"/>\n"
"    </method>\n"
"    <method name=\"GetGroupProperties\">\n"
"      <arg name=\"ids\" type=\"ai\" direction=\"in\"/>\n"
"      <arg name=\"propertyNames\" type=\"as\" direction=\"in\"/>\n"
"      <arg name=\"properties\" type=\"a(ia{sv})\" direction=\"out\"/>\n"
"    </method>\n"
"    <method name=\"GetProperty\">\n"
"      <arg name=\"id\" type=\"i\" direction=\"in\"/>\n"
"      <arg name=\"name\" type=\"s\" direction=\"in\"/>\n"
"      <arg name=\"value\" type=\"v\" direction=\"out\"/>\n"
"    </method>\n"
"    <method name=\"Event\">\n"
"      <arg name=\"id\" type=\"i\" direction=\"in\"/>\n"
"      <arg name=\"eventId\" type=\"s\" direction=\"in\"/>\n"
"      <arg name=\"data\" type=\"v\" direction=\"in\"/>\n"
"      <arg name=\"timestamp\" type=\"u\" direction=\"in\"/>\n"
"    </method>\n"
"    <method name=\"EventGroup\">\n"
"      <arg name=\"events\" type=\"a(isvu)\" direction=\"in\"/>\n"
"      <arg name=\"idErrors\" type=\"ai\" direction=\"out\"/>\n"
"    </method>\n"
"    <method name=\"AboutToShow\">\n"
"      <arg name=\"id\" type=\"i\" direction=\"in\"/>\n"
"      <arg name=\"needUpdate\" type=\"b\" direction=\"out\"/>\n"
"    </method>\n"
"    <method name=\"AboutToShowGroup\">\n"
"      <arg name=\"ids\" type=\"ai\" direction=\"in\"/>\n"
"      <arg name=\"updatesNeeded\" type=\"ai\" direction=\"out\"/>\n"
"      <arg name=\"idErrors\" type=\"ai\" direction=\"out\"/>\n"
"    </method>\n"
"    <signal name=\"ItemsPropertiesUpdated\">\n"
"      <arg name=\"updatedProps\" type=\"a(ia{sv})\"/>\n"
"      <arg name=\"removedProps\" type=\"a(ias)\"/>\n"
"    </signal>\n"
"    <signal name=\"LayoutUpdated\">\n"
"      <arg name=\"revision\" type=\"u\"/>\n"
"      <arg name=\"parent\" type=\"i\"/>\n"
"    </signal>\n"
"    <signal name=\"ItemActivationRequested\">\n"
"      <arg name=\"id\" type=\"i\"/>\n"
"      <arg name=\"timestamp\" type=\"u\"/>\n"
"    </signal>\n"
"  </interface>\n")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)
public:
    explicit BusMenuAdaptor(BusMenu* menu);

    uint version() const { return 3; }
    QString textDirection() const;
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

public Q_SLOTS:
    // Types spelt whole: the bus looks them up by these names.
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   lumivast::BusMenuLayoutItem& layout);
    QList<lumivast::BusMenuItemProperties> GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const QList<lumivast::BusMenuEvent>& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

Q_SIGNALS:
    void ItemsPropertiesUpdated(const QList<lumivast::BusMenuItemProperties>& updatedProps,
                                const QList<lumivast::BusMenuRemovedProperties>& removedProps);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

private:
    BusMenu* m_menu;
};

// Makes the protocol's structures known to the bus; once per process.
void registerBusMenuTypes();

QDBusArgument& operator<<(QDBusArgument& argument, const BusMenuLayoutItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, BusMenuLayoutItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const BusMenuItemProperties& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, BusMenuItemProperties& item);
QDBusArgument& operator<<(QDBusArgument& argument, const BusMenuRemovedProperties& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, BusMenuRemovedProperties& item);
QDBusArgument& operator<<(QDBusArgument& argument, const BusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& argument, BusMenuEvent& event);

} // namespace lumivast

Q_DECLARE_METATYPE(lumivast::BusMenuLayoutItem)
Q_DECLARE_METATYPE(lumivast::BusMenuItemProperties)
Q_DECLARE_METATYPE(lumivast::BusMenuRemovedProperties)
Q_DECLARE_METATYPE(lumivast::BusMenuEvent)
