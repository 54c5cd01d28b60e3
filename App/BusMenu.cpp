#include "App/BusMenu.h"

#include "UI/Menus/MenuAdapter.h"
#include "UI/Symbols/SymbolCatalogue.h"

#include <QBuffer>
#include <QDBusMetaType>
#include <QGuiApplication>
#include <QKeySequence>
#include <QPalette>

namespace lumivast {

namespace {

constexpr int kIconSize = 16;

QVariantMap filtered(const QVariantMap& properties, const QStringList& names)
{
    if (names.isEmpty())
        return properties;
    QVariantMap kept;
    for (const QString& name : names) {
        if (const auto it = properties.find(name); it != properties.end())
            kept.insert(name, *it);
    }
    return kept;
}

QByteArray png(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray iconData(const MenuItem& item)
{
    if (!item.picture.isNull())
        return png(item.picture.scaled(kIconSize, kIconSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    if (item.symbol.isEmpty())
        return {};
    const QColor color = item.symbolTint.value_or(QGuiApplication::palette().color(QPalette::Text));
    const QPixmap symbol = SymbolCatalogue::image(item.symbol, kIconSize, color);
    return symbol.isNull() ? QByteArray() : png(symbol.toImage());
}

} // namespace

BusMenu::BusMenu(Scheduler& scheduler, QObject* parent) : QObject(parent), m_scheduler(scheduler)
{
    registerBusMenuTypes();
    m_nodes.push_back(Node{&m_root, properties(m_root, false), {}});
    new BusMenuAdaptor(this);
}

QVariantMap BusMenu::properties(const MenuItem& item, bool hasParentMenu)
{
    QVariantMap map;
    if (!hasParentMenu) {
        map.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
        return map;
    }
    if (item.isSeparator) {
        map.insert(QStringLiteral("type"), QStringLiteral("separator"));
        return map;
    }
    // An underscore marks a mnemonic: titles show as written.
    QString label = item.title;
    map.insert(QStringLiteral("label"), label.replace(QLatin1Char('_'), QStringLiteral("__")));
    // Sent even at their defaults: hosts keep a row's old value when a new layout leaves one out.
    map.insert(QStringLiteral("enabled"), MenuAdapter::choosable(item));
    const bool marked = item.state != MenuItem::State::off;
    map.insert(QStringLiteral("toggle-type"), marked ? QStringLiteral("checkmark") : QString());
    map.insert(QStringLiteral("toggle-state"), item.state == MenuItem::State::on ? 1 : marked ? -1 : 0);
    if (!item.children.empty())
        map.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    if (item.hasKey())
        map.insert(QStringLiteral("shortcut"), QVariant::fromValue(shortcut(item)));
    if (const QByteArray icon = iconData(item); !icon.isEmpty())
        map.insert(QStringLiteral("icon-data"), icon);
    return map;
}

QList<QStringList> BusMenu::shortcut(const MenuItem& item)
{
    if (!item.hasKey())
        return {};
    QStringList keys;
    // The protocol's names of the modifiers, in its order.
    if (item.modifiers & Qt::ControlModifier)
        keys << QStringLiteral("Control");
    if (item.modifiers & Qt::AltModifier)
        keys << QStringLiteral("Alt");
    if (item.modifiers & Qt::ShiftModifier)
        keys << QStringLiteral("Shift");
    if (item.modifiers & Qt::MetaModifier)
        keys << QStringLiteral("Super");
    QString key = QKeySequence(item.key).toString(QKeySequence::PortableText);
    // Key names follow X's keysyms: letters and the space bar are lower case.
    if (key.size() == 1 || key == QLatin1String("Space"))
        key = key.toLower();
    keys << key;
    return {keys};
}

bool BusMenu::refresh()
{
    MenuItem root;
    root.children = tree();
    std::vector<Node> nodes;
    nodes.push_back(Node{nullptr, properties(root, false), {}});
    // Depth first, so ids stay put while the rows above a change stay.
    std::function<void(std::size_t, const std::vector<MenuItem>&)> add = [&](std::size_t parent,
                                                                              const std::vector<MenuItem>& items) {
        for (const MenuItem& item : items) {
            const int id = int(nodes.size());
            nodes[parent].children.push_back(id);
            nodes.push_back(Node{&item, properties(item), {}});
            add(std::size_t(id), item.children);
        }
    };
    add(0, root.children);
    const bool changed = !std::equal(nodes.begin(), nodes.end(), m_nodes.begin(), m_nodes.end(),
                                     [](const Node& a, const Node& b) {
                                         return a.children == b.children && a.properties == b.properties;
                                     });
    // The new tree replaces the old even when it reads the same: its actions are the fresh ones.
    m_root = std::move(root);
    // Moving the root keeps its children's storage, so the pointers into it stay good.
    nodes[0].item = &m_root;
    m_nodes = std::move(nodes);
    if (changed)
        ++m_revision;
    return changed;
}

void BusMenu::invalidate()
{
    ++m_revision;
    emit layoutUpdated(m_revision, 0);
}

BusMenuLayoutItem BusMenu::layoutOf(int id, int depth, const QStringList& names) const
{
    BusMenuLayoutItem layout;
    layout.id = id;
    if (id < 0 || std::size_t(id) >= m_nodes.size())
        return layout;
    const Node& node = m_nodes[std::size_t(id)];
    layout.properties = filtered(node.properties, names);
    if (depth == 0)
        return layout;
    for (const int child : node.children)
        layout.children << QVariant::fromValue(layoutOf(child, depth < 0 ? depth : depth - 1, names));
    return layout;
}

uint BusMenu::layout(int parentId, int depth, const QStringList& names, BusMenuLayoutItem& out)
{
    // The menu is read from the world as it is now, as the status menu is on every opening.
    refresh();
    out = layoutOf(parentId, depth, names);
    return m_revision;
}

QList<BusMenuItemProperties> BusMenu::groupProperties(const QList<int>& ids, const QStringList& names)
{
    QList<BusMenuItemProperties> result;
    for (const int id : ids) {
        if (id >= 0 && std::size_t(id) < m_nodes.size())
            result << BusMenuItemProperties{id, filtered(m_nodes[std::size_t(id)].properties, names)};
    }
    return result;
}

QDBusVariant BusMenu::property(int id, const QString& name)
{
    if (id < 0 || std::size_t(id) >= m_nodes.size())
        return QDBusVariant(QVariant());
    return QDBusVariant(m_nodes[std::size_t(id)].properties.value(name));
}

bool BusMenu::event(int id, const QString& eventId)
{
    if (id < 0 || std::size_t(id) >= m_nodes.size())
        return false;
    if (eventId != QLatin1String("clicked"))
        return true;
    const MenuItem* item = m_nodes[std::size_t(id)].item;
    if (!item || !MenuAdapter::choosable(*item) || !item->action)
        return true;
    // After the call returns, as a chosen row of the status menu runs once its menu is gone.
    m_scheduler.post(item->action);
    return true;
}

bool BusMenu::aboutToShow(int id)
{
    return id == 0 && refresh();
}

BusMenuAdaptor::BusMenuAdaptor(BusMenu* menu) : QDBusAbstractAdaptor(menu), m_menu(menu)
{
    connect(menu, &BusMenu::layoutUpdated, this, &BusMenuAdaptor::LayoutUpdated);
    connect(menu, &BusMenu::itemsPropertiesUpdated, this, &BusMenuAdaptor::ItemsPropertiesUpdated);
    connect(menu, &BusMenu::itemActivationRequested, this, &BusMenuAdaptor::ItemActivationRequested);
}

QString BusMenuAdaptor::textDirection() const
{
    return QGuiApplication::layoutDirection() == Qt::RightToLeft ? QStringLiteral("rtl") : QStringLiteral("ltr");
}

uint BusMenuAdaptor::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                               BusMenuLayoutItem& layout)
{
    return m_menu->layout(parentId, recursionDepth, propertyNames, layout);
}

QList<BusMenuItemProperties> BusMenuAdaptor::GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames)
{
    return m_menu->groupProperties(ids, propertyNames);
}

QDBusVariant BusMenuAdaptor::GetProperty(int id, const QString& name)
{
    return m_menu->property(id, name);
}

void BusMenuAdaptor::Event(int id, const QString& eventId, const QDBusVariant&, uint)
{
    m_menu->event(id, eventId);
}

QList<int> BusMenuAdaptor::EventGroup(const QList<BusMenuEvent>& events)
{
    QList<int> errors;
    for (const BusMenuEvent& event : events) {
        if (!m_menu->event(event.id, event.eventId))
            errors << event.id;
    }
    return errors;
}

bool BusMenuAdaptor::AboutToShow(int id)
{
    return m_menu->aboutToShow(id);
}

QList<int> BusMenuAdaptor::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors)
{
    QList<int> updates;
    idErrors.clear();
    for (const int id : ids) {
        if (m_menu->aboutToShow(id))
            updates << id;
    }
    return updates;
}

void registerBusMenuTypes()
{
    static const bool once = [] {
        qDBusRegisterMetaType<BusMenuLayoutItem>();
        qDBusRegisterMetaType<BusMenuItemProperties>();
        qDBusRegisterMetaType<QList<BusMenuItemProperties>>();
        qDBusRegisterMetaType<BusMenuRemovedProperties>();
        qDBusRegisterMetaType<QList<BusMenuRemovedProperties>>();
        qDBusRegisterMetaType<BusMenuEvent>();
        qDBusRegisterMetaType<QList<BusMenuEvent>>();
        qDBusRegisterMetaType<QList<QStringList>>();
        return true;
    }();
    Q_UNUSED(once);
}

QDBusArgument& operator<<(QDBusArgument& argument, const BusMenuLayoutItem& item)
{
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.beginArray(qMetaTypeId<QDBusVariant>());
    for (const QVariant& child : item.children)
        argument << QDBusVariant(child);
    argument.endArray();
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, BusMenuLayoutItem& item)
{
    argument.beginStructure();
    argument >> item.id >> item.properties;
    item.children.clear();
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        item.children << child.variant();
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const BusMenuItemProperties& item)
{
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, BusMenuItemProperties& item)
{
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const BusMenuRemovedProperties& item)
{
    argument.beginStructure();
    argument << item.id << item.names;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, BusMenuRemovedProperties& item)
{
    argument.beginStructure();
    argument >> item.id >> item.names;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const BusMenuEvent& event)
{
    argument.beginStructure();
    argument << event.id << event.eventId << event.data << event.timestamp;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, BusMenuEvent& event)
{
    argument.beginStructure();
    argument >> event.id >> event.eventId >> event.data >> event.timestamp;
    argument.endStructure();
    return argument;
}

} // namespace lumivast
