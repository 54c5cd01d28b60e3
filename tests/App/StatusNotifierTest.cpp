#include "App/AppDelegate.h"
#include "App/StatusItemChoice.h"
#include "Core/Spaces/SpaceStore.h"
#include "App/NotifierStatusItem.h"
#include "UI/MenuBar/TrayStatusItem.h"
#include "App/BusMenu.h"
#include "UI/Menus/MenuAdapter.h"
#include "tests/Core/WindowWorld.h"
#include "tests/support/FakeAlertService.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMutex>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

using namespace lumivast;
namespace K = Settings::Key;

namespace {

const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");

// A status-notifier watcher as panels run one. It lives on a thread of its
// own, so that the program can ask it questions and wait for the answer.
class FakeWatcher final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    explicit FakeWatcher(bool withHost) : m_withHost(withHost) {}
    bool hostRegistered() const { return m_withHost; }
    int protocolVersion() const { return 0; }
    QStringList items() const
    {
        QMutexLocker lock(&m_mutex);
        return m_items;
    }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service)
    {
        QMutexLocker lock(&m_mutex);
        m_items << service;
    }
    void RegisterStatusNotifierHost(const QString&) {}

private:
    const bool m_withHost;
    mutable QMutex m_mutex;
    QStringList m_items;
};

// Counts the item's change signals as a host receives them.
class SignalCounter final : public QObject {
    Q_OBJECT
public:
    int icons = 0, toolTips = 0, labels = 0, layouts = 0;
    QString lastLabel;

public Q_SLOTS:
    void newIcon() { ++icons; }
    void newToolTip() { ++toolTips; }
    void newLabel(const QString& label, const QString&)
    {
        ++labels;
        lastLabel = label;
    }
    void layoutUpdated(uint, int) { ++layouts; }
};

// A row of a bus menu's layout, unpacked.
struct Row {
    int id = 0;
    QVariantMap properties;
    std::vector<Row> children;
};

Row unpack(const BusMenuLayoutItem& item)
{
    Row row{item.id, item.properties, {}};
    for (const QVariant& child : item.children)
        row.children.push_back(unpack(qdbus_cast<BusMenuLayoutItem>(child.value<QDBusArgument>())));
    return row;
}

const Row* findRow(const std::vector<Row>& rows, const QString& label)
{
    for (const Row& row : rows) {
        if (row.properties.value(QStringLiteral("label")).toString() == label)
            return &row;
        if (const Row* inner = findRow(row.children, label))
            return inner;
    }
    return nullptr;
}

// The real delegate with the status item the session gives it, a watcher on
// a private session bus and a host on a connection of its own.
class StatusNotifierTest : public test::WindowWorldTest {
protected:
    ~StatusNotifierTest() override
    {
        delegate.reset();
        statusItem.reset();
        if (m_watcher) {
            QDBusConnection watcherBus(QStringLiteral("lumivast-test-watcher"));
            watcherBus.unregisterService(QLatin1String(NotifierStatusItem::kWatcherService));
            watcherBus.unregisterObject(QLatin1String(NotifierStatusItem::kWatcherPath));
            m_thread.quit();
            m_thread.wait();
            delete m_watcher;
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("lumivast-test-watcher"));
        QDBusConnection::disconnectFromBus(QStringLiteral("lumivast-test-host"));
    }

    void SetUp() override
    {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run the tests under dbus-run-session";
        registerBusMenuTypes();
        qDBusRegisterMetaType<NotifierPixmap>();
        qDBusRegisterMetaType<NotifierPixmaps>();
        qDBusRegisterMetaType<NotifierToolTip>();
    }

    void startWatcher(bool withHost = true)
    {
        m_thread.start();
        m_watcher = new FakeWatcher(withHost);
        m_watcher->moveToThread(&m_thread);
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                            QStringLiteral("lumivast-test-watcher"));
        ASSERT_TRUE(bus.registerObject(QLatin1String(NotifierStatusItem::kWatcherPath), m_watcher,
                                       QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
        ASSERT_TRUE(bus.registerService(QLatin1String(NotifierStatusItem::kWatcherService)));
    }

    void launch()
    {
        statusItem = createStatusItem(scheduler, QDBusConnection::sessionBus());
        item = dynamic_cast<NotifierStatusItem*>(statusItem.get());
        home.defaults().set(K::didShowOnboarding, true);
        delegate = std::make_unique<AppDelegate>(scheduler, alerts, *statusItem, QStringList{"lumivast"});
        delegate->applicationDidFinishLaunching();
        settle();
        if (!item)
            return;
        // The host follows the item's signals from now on.
        for (const auto& [name, slot] : {std::pair{"NewIcon", SLOT(newIcon())},
                                         std::pair{"NewToolTip", SLOT(newToolTip())},
                                         std::pair{"XAyatanaNewLabel", SLOT(newLabel(QString, QString))}})
            ASSERT_TRUE(host().connect(item->serviceName(), QLatin1String(NotifierStatusItem::kItemPath),
                                       kItemInterface, QLatin1String(name), &counter, slot));
        ASSERT_TRUE(host().connect(item->serviceName(), QLatin1String(NotifierStatusItem::kMenuPath),
                                   QLatin1String(BusMenu::kInterface), QStringLiteral("LayoutUpdated"), &counter,
                                   SLOT(layoutUpdated(uint, int))));
        sync();
    }

    void settle(Duration by = 1s) { scheduler.advance(by); }

    QDBusConnection host() const
    {
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("lumivast-test-host"));
    }

    QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments = {}) const
    {
        QDBusMessage message = QDBusMessage::createMethodCall(item->serviceName(), path, interface, method);
        message.setArguments(arguments);
        QDBusPendingCallWatcher watcher(host().asyncCall(message));
        EXPECT_TRUE(QTest::qWaitFor([&] { return watcher.isFinished(); }, 5000)) << method.toStdString();
        EXPECT_EQ(watcher.reply().type(), QDBusMessage::ReplyMessage) << watcher.reply().errorMessage().toStdString();
        return watcher.reply();
    }
    QDBusMessage callItem(const char* method, const QVariantList& arguments = {}) const
    {
        return call(QLatin1String(NotifierStatusItem::kItemPath), kItemInterface, QLatin1String(method), arguments);
    }
    QVariant property(const char* name) const
    {
        const QDBusMessage reply = call(QLatin1String(NotifierStatusItem::kItemPath),
                                        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                                        {kItemInterface, QLatin1String(name)});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }
    QString label() const { return property("XAyatanaLabel").toString(); }
    QStringList watcherItems() const { return m_watcher ? m_watcher->items() : QStringList(); }
    // The menu as the host fetches it.
    std::pair<uint, Row> layout() const
    {
        const QDBusMessage reply = call(QLatin1String(NotifierStatusItem::kMenuPath), QLatin1String(BusMenu::kInterface),
                                        QStringLiteral("GetLayout"), {0, -1, QStringList()});
        return {reply.arguments().value(0).toUInt(),
                unpack(qdbus_cast<BusMenuLayoutItem>(reply.arguments().value(1).value<QDBusArgument>()))};
    }
    // Every signal sent so far has reached the host: they travel ahead of a reply.
    void sync()
    {
        property("Id");
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    test::FakeAlertService alerts;
    std::unique_ptr<StatusItem> statusItem;
    NotifierStatusItem* item = nullptr;
    std::unique_ptr<AppDelegate> delegate;
    SignalCounter counter;

private:
    QThread m_thread;
    FakeWatcher* m_watcher = nullptr;
};

} // namespace

TEST_F(StatusNotifierTest, WithoutAWatcherThatShowsItemsTheTrayIconStays)
{
    EXPECT_TRUE(dynamic_cast<TrayStatusItem*>(createStatusItem(scheduler, QDBusConnection::sessionBus()).get()));
    startWatcher(false);
    EXPECT_TRUE(dynamic_cast<TrayStatusItem*>(createStatusItem(scheduler, QDBusConnection::sessionBus()).get()));
}

TEST_F(StatusNotifierTest, TheItemRegistersAndCarriesTheSpaceNameAsItsLabel)
{
    startWatcher();
    launch();
    ASSERT_TRUE(item) << "a watcher with a host is on the bus: the item must be our own notifier item";
    EXPECT_TRUE(QTest::qWaitFor([&] { return watcherItems().contains(item->serviceName()); }, 5000));

    EXPECT_EQ(property("Id").toString(), QStringLiteral("lumivast"));
    EXPECT_EQ(property("Category").toString(), QStringLiteral("ApplicationStatus"));
    EXPECT_EQ(property("Status").toString(), QStringLiteral("Active"));
    EXPECT_EQ(property("Title").toString(), QStringLiteral("Lumivast"));
    EXPECT_FALSE(property("ItemIsMenu").toBool());
    EXPECT_EQ(property("Menu").value<QDBusObjectPath>().path(), QLatin1String(NotifierStatusItem::kMenuPath));
    EXPECT_EQ(label(), QStringLiteral("Desktop 1"));
    const auto toolTip = qdbus_cast<NotifierToolTip>(property("ToolTip").value<QDBusArgument>());
    EXPECT_EQ(toolTip.title, QStringLiteral("Desktop 1 \u00B7 Lumivast"));

    // The picture is the square glyph alone, in network byte order, with ink in it.
    const auto pixmaps = qdbus_cast<NotifierPixmaps>(property("IconPixmap").value<QDBusArgument>());
    ASSERT_EQ(pixmaps.size(), 1);
    EXPECT_EQ(pixmaps[0].width, pixmaps[0].height);
    EXPECT_EQ(pixmaps[0].bytes.size(), pixmaps[0].width * pixmaps[0].height * 4);
    int inked = 0;
    for (qsizetype i = 0; i < pixmaps[0].bytes.size(); i += 4)
        inked += quint8(pixmaps[0].bytes[i]) > 0; // alpha comes first
    EXPECT_GT(inked, 20);
    EXPECT_EQ(pixmaps[0].width, qRound(NotifierStatusItem::kSlotSide * item->devicePixelRatio()));
    // Hosts that load icons by name get the same picture as a private file.
    const QString iconName = property("IconName").toString();
    EXPECT_TRUE(QDir::isAbsolutePath(iconName)) << iconName.toStdString();
    EXPECT_EQ(QImage(iconName).convertToFormat(QImage::Format_ARGB32), item->icon().convertToFormat(QImage::Format_ARGB32));
    EXPECT_EQ(QFile(iconName).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());

    // The guide is the widest title any shown Space would give.
    delegate->store().setName(QStringLiteral("Mail and Calendar"), space("S2").id);
    settle();
    EXPECT_EQ(property("XAyatanaLabelGuide").toString(), QStringLiteral("Mail and Calendar"));

    // The label is the title each style gives; the picture styles have none.
    const struct {
        const char* style;
        const char* label;
        const char* guide;
    } cases[] = {
        {"number", "1", "1"},
        {"numberAndName", "1  Desktop 1", "2  Mail and Calendar"},
        {"iconOnly", "", ""},
        {"dots", "", ""},
        {"strip", "", ""},
        {"name", "Desktop 1", "Mail and Calendar"},
    };
    for (const auto& c : cases) {
        Settings::defaults().set(K::menuBarStyle, QLatin1String(c.style));
        settle();
        EXPECT_EQ(label(), QLatin1String(c.label)) << c.style;
        if (QLatin1String(c.style) != QLatin1String("number"))
            EXPECT_EQ(property("XAyatanaLabelGuide").toString(), QLatin1String(c.guide)) << c.style;
        EXPECT_FALSE(property("IconPixmap").value<QDBusArgument>().currentSignature().isEmpty()) << c.style;
    }
}

TEST_F(StatusNotifierTest, ASwitchIsFollowedWithOneSignalOfEachKindAndABurstCausesNoStorm)
{
    startWatcher();
    launch();
    ASSERT_TRUE(item);
    showSpace(3);
    settle();
    sync();
    EXPECT_EQ(label(), QStringLiteral("Desktop 3"));
    EXPECT_EQ(counter.labels, 1);
    EXPECT_EQ(counter.lastLabel, QStringLiteral("Desktop 3"));
    EXPECT_EQ(counter.toolTips, 1);
    EXPECT_EQ(counter.icons, 1); // the glyph marks the third square
    EXPECT_EQ(QImage(property("IconName").toString()).convertToFormat(QImage::Format_ARGB32),
              item->icon().convertToFormat(QImage::Format_ARGB32));
    EXPECT_EQ(counter.layouts, 1); // the menu's check mark moved

    // A redraw that changes nothing sends nothing.
    delegate->store().setNote(std::nullopt, space("S3").id);
    Settings::defaults().set(K::menuBarScrollSwitches, false);
    settle();
    sync();
    EXPECT_EQ(counter.labels, 1);
    EXPECT_EQ(counter.toolTips, 1);
    EXPECT_EQ(counter.icons, 1);

    // Twelve switches in a row, then the item redraws once.
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(world->switchSpace("Main", std::uint64_t(1 + i % 3)));
    settle();
    sync();
    EXPECT_LE(counter.labels, 2);
    EXPECT_LE(counter.icons, 2);
    EXPECT_LE(counter.layouts, 2);
    EXPECT_EQ(label(), QStringLiteral("Desktop 3"));
    EXPECT_EQ(counter.lastLabel, label());
}

TEST_F(StatusNotifierTest, ActivateOpensTheStatusMenuWhereTheHostSays)
{
    startWatcher();
    launch();
    ASSERT_TRUE(item);
    for (const char* method : {"Activate", "ContextMenu"}) {
        callItem(method, {140, 26});
        scheduler.runPending();
        QMenu* menu = item->openMenu();
        ASSERT_TRUE(menu) << method;
        EXPECT_TRUE(menu->isVisible()) << method;
        EXPECT_EQ(menu->pos(), QPoint(140, 26)) << method;
        QStringList titles;
        for (const QAction* action : menu->actions())
            titles << action->text();
        EXPECT_TRUE(titles.filter(QStringLiteral("Desktop 3")).size() == 1) << titles.join(u'|').toStdString();
        menu->close();
        QCoreApplication::processEvents();
    }

}

TEST_F(StatusNotifierTest, ScrollStepsLikeTheWheel)
{
    startWatcher();
    launch();
    ASSERT_TRUE(item);
    // Hosts send wheel angles (120 a notch) or one per notch; two notches step, down to the right.
    ASSERT_EQ(current(), 1u);
    callItem("Scroll", {-240, QStringLiteral("vertical")});
    settle();
    EXPECT_EQ(current(), 2u);
    EXPECT_EQ(label(), QStringLiteral("Desktop 2"));
    callItem("Scroll", {1, QStringLiteral("vertical")});
    EXPECT_EQ(current(), 2u); // one notch is not enough
    callItem("Scroll", {1, QStringLiteral("vertical")});
    settle();
    EXPECT_EQ(current(), 1u);
    // Sideways as the wheel reports it: the negated delta counts.
    callItem("Scroll", {240, QStringLiteral("horizontal")});
    settle();
    EXPECT_EQ(current(), 2u);
}

TEST_F(StatusNotifierTest, TheBusMenuIsTheStatusMenuAndChoosingARowRunsIt)
{
    startWatcher();
    launch();
    ASSERT_TRUE(item);
    const std::vector<MenuItem> tree = item->menuTree();
    const auto [revision, root] = layout();
    EXPECT_EQ(root.properties.value(QStringLiteral("children-display")).toString(), QStringLiteral("submenu"));

    // One tree, row for row: titles, separators, enabled state, check marks, submenus and key hints.
    int checked = 0, hinted = 0, separators = 0, submenus = 0;
    std::function<void(const std::vector<MenuItem>&, const std::vector<Row>&)> compare =
        [&](const std::vector<MenuItem>& items, const std::vector<Row>& rows) {
            ASSERT_EQ(items.size(), rows.size());
            for (std::size_t i = 0; i < items.size(); ++i) {
                const MenuItem& item = items[i];
                const QVariantMap& p = rows[i].properties;
                if (item.isSeparator) {
                    ++separators;
                    EXPECT_EQ(p.value(QStringLiteral("type")).toString(), QStringLiteral("separator"));
                    continue;
                }
                EXPECT_EQ(p.value(QStringLiteral("label")).toString(), QString(item.title).replace(u'_', QStringLiteral("__")));
                EXPECT_EQ(p.value(QStringLiteral("enabled"), true).toBool(), MenuAdapter::choosable(item)) << item.title.toStdString();
                const bool on = item.state == MenuItem::State::on;
                checked += on;
                EXPECT_EQ(p.value(QStringLiteral("toggle-state"), 0).toInt() == 1, on) << item.title.toStdString();
                EXPECT_EQ(p.contains(QStringLiteral("children-display")), !item.children.empty());
                submenus += !item.children.empty();
                if (item.hasKey()) {
                    ++hinted;
                    const auto keys = qdbus_cast<QList<QStringList>>(p.value(QStringLiteral("shortcut")).value<QDBusArgument>());
                    EXPECT_EQ(keys, BusMenu::shortcut(item)) << item.title.toStdString();
                    ASSERT_EQ(keys.size(), 1);
                    EXPECT_GE(keys[0].size(), 2); // a modifier and the key
                }
                compare(item.children, rows[i].children);
            }
        };
    compare(tree, root.children);
    EXPECT_GE(checked, 1);
    EXPECT_GE(hinted, 1);
    EXPECT_GE(separators, 1);
    EXPECT_GE(submenus, 1);

    // Choosing "Desktop 3" as a host does switches to it, and the host hears of the new menu.
    const Row* desktop3 = findRow(root.children, QStringLiteral("Desktop 3"));
    ASSERT_TRUE(desktop3);
    call(QLatin1String(NotifierStatusItem::kMenuPath), QLatin1String(BusMenu::kInterface), QStringLiteral("Event"),
         {desktop3->id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
    settle();
    sync();
    EXPECT_EQ(current(), 3u);
    EXPECT_EQ(label(), QStringLiteral("Desktop 3"));
    EXPECT_EQ(counter.layouts, 1);
    const auto [after, again] = layout();
    EXPECT_GT(after, revision);
    EXPECT_EQ(findRow(again.children, QStringLiteral("Desktop 3"))->properties.value(QStringLiteral("toggle-state")).toInt(), 1);
    // The row that lost its mark says so: hosts keep a property a new layout leaves out.
    const QVariantMap desktop1 = findRow(again.children, QStringLiteral("Desktop 1"))->properties;
    EXPECT_EQ(desktop1.value(QStringLiteral("toggle-state")).toInt(), 0);
    EXPECT_EQ(desktop1.value(QStringLiteral("toggle-type")).toString(), QString());
    EXPECT_TRUE(desktop1.value(QStringLiteral("enabled")).toBool());

    // A row that cannot be chosen does nothing, and an unknown row is an error of the group call.
    const QDBusMessage errors = call(QLatin1String(NotifierStatusItem::kMenuPath), QLatin1String(BusMenu::kInterface),
                                     QStringLiteral("EventGroup"),
                                     {QVariant::fromValue(QList<BusMenuEvent>{
                                         BusMenuEvent{9999, QStringLiteral("clicked"), QDBusVariant(0), 0}})});
    EXPECT_EQ(qdbus_cast<QList<int>>(errors.arguments().value(0)), QList<int>{9999});
}

#include "StatusNotifierTest.moc"
