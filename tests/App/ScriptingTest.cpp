#include "App/AppDelegate.h"
#include "App/BusService.h"
#include "tests/support/RecordingFront.h"
#include "App/ScriptingBridge.h"
#include "App/Subcommand.h"
#include "Core/Settings/Settings.h"
#include "Platform/Sim/SimWorld.h"
#include "tests/support/FakeAlertService.h"
#include "tests/support/FakeStatusItem.h"
#include "tests/support/SimWorldTest.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace lumivast;
using Ref = SpaceCommand::SpaceRef;

TEST(ScriptingBridgeRef, ReadsLooselyTypedArguments)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        QVariant value;
        Ref expected;
    } cases[] = {
        {QVariant(), Ref::current()},
        {QVariant(3), Ref::number(3)},
        {QVariant(0), Ref::current()},
        {QVariant(qlonglong(-2)), Ref::number(-2)},
        {QVariant::fromValue<uchar>(4), Ref::number(4)},
        {QVariant::fromValue<qulonglong>(std::numeric_limits<qulonglong>::max()), Ref::current()},
        {QVariant(2.7), Ref::number(2)},
        {QVariant(-0.5), Ref::current()},
        {QVariant(nan), Ref::current()},
        {QVariant(inf), Ref::current()},
        {QVariant(1e19), Ref::current()},
        {QVariant(QStringLiteral("0")), Ref::number(0)},
        {QVariant(QStringLiteral("+3")), Ref::number(3)},
        {QVariant(QStringLiteral("-2")), Ref::number(-2)},
        {QVariant(QStringLiteral("3 ")), Ref::name(QStringLiteral("3 "))},
        {QVariant(QStringLiteral("99999999999999999999")), Ref::name(QStringLiteral("99999999999999999999"))},
        {QVariant(QStringLiteral("")), Ref::name(QString())},
        {QVariant(QStringLiteral("Mail")), Ref::name(QStringLiteral("Mail"))},
        {QVariant(true), Ref::current()},
        {QVariant::fromValue(QDBusObjectPath(QStringLiteral("/x"))), Ref::current()},
        {QVariant(QVariantList{3}), Ref::current()},
        {QVariant::fromValue(QDBusVariant(QVariant(3))), Ref::current()},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ScriptingBridge::ref(cases[i].value), cases[i].expected);
    }
}

namespace {

class DelegateQueriesTest : public test::SimWorldTest {
protected:
    void launch()
    {
        delegate = std::make_unique<AppDelegate>(scheduler, alerts, statusItem, QStringList{QStringLiteral("lumivast")},
                                                 nullptr, 0);
        delegate->applicationDidFinishLaunching();
        scheduler.advance(500ms);
    }

    test::FakeAlertService alerts;
    test::FakeStatusItem statusItem;
    std::unique_ptr<AppDelegate> delegate;
};

} // namespace

TEST_F(DelegateQueriesTest, AnswerFromTheWatcherAndCommandsReachTheDispatcher)
{
    install(SimWorld::fromFile(test::fixture(QStringLiteral("worlds/two-displays-fullscreen.json"))));
    launch();
    const SpaceQueries& queries = delegate->queries();
    EXPECT_EQ(queries.currentNumber(), 0); // a full-screen Space is active
    EXPECT_EQ(queries.currentName(), QStringLiteral("Browser"));
    EXPECT_EQ(queries.allNames(), QStringLiteral("Desktop 1\nDesktop 2\nBrowser\nDesktop 3\nDesktop 4\nDesktop 5"));

    delegate->commands().perform(SpaceCommand::rename(Ref::number(2), QStringLiteral("Mail")));
    EXPECT_EQ(queries.allNames(), QStringLiteral("Desktop 1\nMail\nBrowser\nDesktop 3\nDesktop 4\nDesktop 5"));
}

TEST_F(DelegateQueriesTest, AllNamesAreTheDisplayNamesOneALine)
{
    install(SimWorld::fromFile(test::fixture(QStringLiteral("worlds/three-spaces.json"))));
    launch();
    const std::vector<Space> spaces = delegate->watcher().snapshot().allSpaces();
    ASSERT_EQ(spaces.size(), 3u);
    const char* names[] = {"A", "B", "C"};
    for (std::size_t i = 0; i < 3; ++i)
        delegate->store().setName(QString::fromLatin1(names[i]), spaces[i].id);
    EXPECT_EQ(delegate->queries().allNames(), QStringLiteral("A\nB\nC"));
    EXPECT_EQ(delegate->queries().currentName(), QStringLiteral("A"));
    // Without any Space the questions answer "", 0 and "".
    test::RecordingFront nothing;
    EXPECT_EQ(nothing.currentName(), QString());
    EXPECT_EQ(nothing.currentNumber(), 0);
    EXPECT_EQ(nothing.allNames(), QString());
}

namespace {

// Calls the program's bus object through a second connection, so every call
// really crosses the bus (a call on the same connection would stay in-process).
class BusTest : public ::testing::Test {
protected:
    BusTest()
    {
        // Desktop 1, and Desktop 7 called Mail, the current one.
        DisplaySpaces display{QStringLiteral("Main"), {}, QStringLiteral("S7"), true};
        display.spaces.push_back(Space{QStringLiteral("S1"), 1, display.id, 1, 0, false, std::nullopt, false});
        display.spaces.push_back(Space{QStringLiteral("S7"), 7, display.id, 7, 1, false, std::nullopt, true});
        front.world.displays.push_back(display);
        front.names.insert(QStringLiteral("S7"), QStringLiteral("Mail"));
    }
    ~BusTest() override
    {
        service.unregister();
        QDBusConnection::disconnectFromBus(QStringLiteral("lumivast-test-client"));
    }

    void SetUp() override
    {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run the tests under dbus-run-session";
        ASSERT_TRUE(service.registerOn(QDBusConnection::sessionBus()));
    }

    QDBusConnection client() const
    {
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("lumivast-test-client"));
    }

    QDBusMessage call(const char* interface, const char* method, const QVariantList& arguments = {}) const
    {
        QDBusMessage message = QDBusMessage::createMethodCall(QLatin1String(BusService::kServiceName),
                                                             QLatin1String(BusService::kObjectPath),
                                                             QLatin1String(interface), QLatin1String(method));
        message.setArguments(arguments);
        QDBusPendingCallWatcher watcher(client().asyncCall(message));
        EXPECT_TRUE(QTest::qWaitFor([&] { return watcher.isFinished(); }, 5000)) << method;
        return watcher.reply();
    }

    QDBusMessage property(const char* name) const
    {
        return call("org.freedesktop.DBus.Properties", "Get",
                    {QLatin1String(BusService::kScriptingInterface), QLatin1String(name)});
    }

    static QVariant unwrapped(const QDBusMessage& reply)
    {
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }

    test::RecordingFront front;
    BusService service{front, front};
    std::vector<SpaceCommand>& handed = front.commands;
};

QVariant busVariant(const QVariant& value)
{
    return QVariant::fromValue(QDBusVariant(value));
}

} // namespace

TEST_F(BusTest, ScriptingMethodsHandTheirCommandsOver)
{
    const char* scripting = BusService::kScriptingInterface;
    const struct {
        const char* method;
        QVariantList arguments;
        SpaceCommand expected;
    } cases[] = {
        {"Switch", {busVariant(3)}, SpaceCommand::switchTo(Ref::number(3))},
        {"Switch", {busVariant(0)}, SpaceCommand::switchTo(Ref::current())},
        {"Switch", {busVariant(QStringLiteral("0"))}, SpaceCommand::switchTo(Ref::number(0))},
        {"Switch", {busVariant(2.7)}, SpaceCommand::switchTo(Ref::number(2))},
        {"Switch", {busVariant(true)}, SpaceCommand::switchTo(Ref::current())},
        {"Next", {}, SpaceCommand::step(true)},
        {"Previous", {}, SpaceCommand::step(false)},
        {"Back", {}, SpaceCommand::back()},
        {"Overview", {}, SpaceCommand::overview()},
        {"MoveWindow", {busVariant(QStringLiteral("Mail"))}, SpaceCommand::moveWindow(Ref::name(QStringLiteral("Mail")))},
        {"Rename",
         {busVariant(2), QVariantMap{{QStringLiteral("name"), QStringLiteral("Inbox")}}},
         SpaceCommand::rename(Ref::number(2), QStringLiteral("Inbox"))},
        {"Rename",
         {busVariant(2), QVariantMap{{QStringLiteral("name"), QString()}}},
         SpaceCommand::rename(Ref::number(2), QString())},
        {"Rename", {busVariant(2), QVariantMap{}}, SpaceCommand::rename(Ref::number(2), std::nullopt)},
        {"Rename",
         {busVariant(2), QVariantMap{{QStringLiteral("name"), 5}}},
         SpaceCommand::rename(Ref::number(2), std::nullopt)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.method);
        handed.clear();
        const QDBusMessage reply = call(scripting, c.method, c.arguments);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        EXPECT_TRUE(reply.arguments().isEmpty());
        ASSERT_EQ(handed.size(), 1u);
        EXPECT_EQ(handed[0], c.expected);
    }

    // Only the bus's own errors: a wrong signature reaches nothing.
    handed.clear();
    EXPECT_EQ(call(scripting, "Switch", {3}).type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(call(scripting, "Jump").type(), QDBusMessage::ErrorMessage);
    EXPECT_TRUE(handed.empty());
}

TEST_F(BusTest, PropertiesAreReadOnlyAnswersOfTheHooks)
{
    EXPECT_EQ(unwrapped(property("CurrentSpaceName")), QVariant(QStringLiteral("Mail")));
    const QVariant number = unwrapped(property("CurrentSpaceNumber"));
    EXPECT_EQ(number.metaType().id(), QMetaType::LongLong);
    EXPECT_EQ(number.toLongLong(), 7);
    EXPECT_EQ(unwrapped(property("SpaceNames")), QVariant(QStringLiteral("Desktop 1\nMail")));

    const QDBusMessage set = call("org.freedesktop.DBus.Properties", "Set",
                                  {QLatin1String(BusService::kScriptingInterface), QStringLiteral("SpaceNames"),
                                   busVariant(QStringLiteral("x"))});
    EXPECT_EQ(set.type(), QDBusMessage::ErrorMessage);
}

TEST_F(BusTest, IntentsHandOverTheirTextAndAnswerTheCurrentName)
{
    const char* intents = BusService::kIntentsInterface;
    const struct {
        const char* method;
        QVariantList arguments;
        SpaceCommand expected;
    } cases[] = {
        {"SwitchSpace", {QStringLiteral("2")}, SpaceCommand::switchTo(Ref::number(2))},
        {"SwitchSpace", {QStringLiteral("0")}, SpaceCommand::switchTo(Ref::number(0))},
        {"SwitchSpace", {QStringLiteral("Mail")}, SpaceCommand::switchTo(Ref::name(QStringLiteral("Mail")))},
        {"LastSpace", {}, SpaceCommand::back()},
        {"MoveWindow", {QStringLiteral("3")}, SpaceCommand::moveWindow(Ref::number(3))},
        {"SwitchProfile", {QStringLiteral(" Work  ")}, SpaceCommand::profile(QStringLiteral(" Work  "))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.method);
        handed.clear();
        const QDBusMessage reply = call(intents, c.method, c.arguments);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        ASSERT_EQ(handed.size(), 1u);
        EXPECT_EQ(handed[0], c.expected);
    }
    const QDBusMessage current = call(intents, "CurrentSpace");
    ASSERT_EQ(current.arguments().size(), 1);
    EXPECT_EQ(current.arguments()[0], QVariant(QStringLiteral("Mail")));
}

TEST_F(BusTest, IntrospectionShowsBothInterfacesWhole)
{
    const QDBusMessage reply = call("org.freedesktop.DBus.Introspectable", "Introspect");
    const QString xml = reply.arguments().value(0).toString();
    for (const char* expected : {
             R"(<interface name="org.lumivast.Lumivast.Scripting">)",
             R"(<method name="Switch">)",
             R"(<arg name="space" type="v" direction="in"/>)",
             R"(<method name="Next">)",
             R"(<method name="Previous">)",
             R"(<method name="Back">)",
             R"(<method name="Overview">)",
             R"(<method name="MoveWindow">)",
             R"(<method name="Rename">)",
             R"(<arg name="arguments" type="a{sv}" direction="in"/>)",
             R"(<property name="CurrentSpaceName" type="s" access="read"/>)",
             R"(<property name="CurrentSpaceNumber" type="x" access="read"/>)",
             R"(<property name="SpaceNames" type="s" access="read"/>)",
             R"(<interface name="org.lumivast.Lumivast.Intents">)",
             R"(<method name="SwitchSpace">)",
             R"(<method name="LastSpace">)",
             R"(<method name="SwitchProfile">)",
             R"(<arg name="profile" type="s" direction="in"/>)",
             R"(<method name="CurrentSpace">)",
             R"(<arg type="s" direction="out"/>)",
         })
        EXPECT_TRUE(xml.contains(QLatin1String(expected))) << expected << "\n" << xml.toStdString();
}

TEST_F(BusTest, ASecondServiceFindsTheNameTakenAndStepsAside)
{
    test::RecordingFront other;
    BusService second(other, other);
    EXPECT_FALSE(second.registerOn(client()));
    EXPECT_EQ(call(BusService::kIntentsInterface, "CurrentSpace").arguments().value(0), QVariant(QStringLiteral("Mail")));
}

TEST(SubcommandParse, RecognisesOnlyTheFirstArgumentAndCountsTheRest)
{
    using K = Subcommand::Kind;
    const struct {
        QStringList arguments;
        std::optional<Subcommand> expected; // nothing: a usage error
        bool isSubcommand = true;
    } cases[] = {
        {{}, std::nullopt, false},
        {{"--probe"}, std::nullopt, false},
        {{"lumivast://switch/3"}, std::nullopt, false},
        {{"--settings", "current-space"}, std::nullopt, false},
        {{"switch-space", "3"}, Subcommand{K::switchSpace, "3"}},
        {{"switch-space", "--probe"}, Subcommand{K::switchSpace, "--probe"}},
        {{"switch-space", "My Desk "}, Subcommand{K::switchSpace, "My Desk "}},
        {{"switch-space"}, std::nullopt},
        {{"switch-space", "3", "classic"}, std::nullopt},
        {{"last-space"}, Subcommand{K::lastSpace, {}}},
        {{"last-space", "1"}, std::nullopt},
        {{"move-window", "2"}, Subcommand{K::moveWindow, "2"}},
        {{"switch-profile", " Work "}, Subcommand{K::switchProfile, " Work "}},
        {{"switch-profile"}, std::nullopt},
        {{"current-space"}, Subcommand{K::currentSpace, {}}},
        {{"current-space", ""}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const auto parsed = Subcommand::parse(c.arguments);
        ASSERT_EQ(parsed.has_value(), c.isSubcommand);
        if (!c.isSubcommand)
            continue;
        ASSERT_EQ(parsed->has_value(), c.expected.has_value());
        if (c.expected) {
            EXPECT_EQ(int((*parsed)->kind), int(c.expected->kind));
            EXPECT_EQ((*parsed)->argument, c.expected->argument);
        } else {
            EXPECT_EQ(parsed->error(), Subcommand::usage());
        }
    }
    const QString usage = Subcommand::usage();
    for (const char* part : {"lumivast switch-space SPACE", "Switch to Space", "lumivast last-space",
                             "Go Back to Last Space", "lumivast move-window SPACE", "Move Front Window to Space",
                             "lumivast switch-profile PROFILE", "Switch Lumivast Profile", "lumivast current-space",
                             "Get Current Space Name", "SPACE: Desktop number or Space name"})
        EXPECT_TRUE(usage.contains(QLatin1String(part))) << part;
}

namespace {

// An Intents object that takes calls and never answers them.
class SilentIntents final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.lumivast.Lumivast.Intents")
public:
    int calls = 0;
public Q_SLOTS:
    QString CurrentSpace()
    {
        ++calls;
        setDelayedReply(true);
        return {};
    }
};

struct Output {
    QStringList out;
    QStringList err;
    SubcommandIO io()
    {
        return {[this](const QString& line) { out.append(line); }, [this](const QString& line) { err.append(line); }};
    }
};

} // namespace

TEST(SubcommandRun, ReportsNoProgramNoBusAndNoAnswer)
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run the tests under dbus-run-session";
    VirtualScheduler scheduler;
    const Subcommand current{Subcommand::Kind::currentSpace, {}};

    Output nobody;
    EXPECT_EQ(runSubcommand(current, QDBusConnection::sessionBus(), scheduler, nobody.io()), 1);
    EXPECT_EQ(nobody.err, QStringList{QStringLiteral("lumivast: Lumivast is not running")});
    EXPECT_TRUE(nobody.out.isEmpty());

    Output noBus;
    EXPECT_EQ(runSubcommand(current, QDBusConnection(QStringLiteral("never-connected")), scheduler, noBus.io()), 1);
    ASSERT_EQ(noBus.err.size(), 1);
    EXPECT_TRUE(noBus.err[0].startsWith(QStringLiteral("lumivast: no session bus"))) << noBus.err[0].toStdString();

    SilentIntents silent;
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.registerObject(QLatin1String(BusService::kObjectPath), &silent, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus.registerService(QLatin1String(BusService::kServiceName)));
    QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("silent-client"));
    // The wait ends when the scheduler's 25 s have passed, not before.
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            EXPECT_TRUE(QTest::qWaitFor([&] { return silent.calls == 1; }, 5000));
            scheduler.advance(Subcommand::kAnswerTimeout - 1ms);
            QMetaObject::invokeMethod(qApp, [&] { scheduler.advance(1ms); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    Output unanswered;
    EXPECT_EQ(runSubcommand(current, client, scheduler, unanswered.io()), 1);
    EXPECT_EQ(unanswered.err, QStringList{QStringLiteral("lumivast: Lumivast did not answer within 25 s")});
    EXPECT_EQ(silent.calls, 1);
    bus.unregisterService(QLatin1String(BusService::kServiceName));
    bus.unregisterObject(QLatin1String(BusService::kObjectPath));
    QDBusConnection::disconnectFromBus(QStringLiteral("silent-client"));
}

namespace {

QString executable()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../App/lumivast");
}

struct ProgramRun {
    int code = -1;
    QString out;
    QString err;
};

ProgramRun runLumivast(const QStringList& arguments, const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(executable(), arguments);
    process.waitForFinished(30000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

TEST(SubcommandRun, DrivesTheRunningProgramThroughTheRealExecutable)
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run the tests under dbus-run-session";
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // The full-screen world, with the Accessibility permission that switching needs.
    QFile fixture(test::fixture(QStringLiteral("worlds/two-displays-fullscreen.json")));
    ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
    QJsonObject world = QJsonDocument::fromJson(fixture.readAll()).object();
    world[QStringLiteral("permissions")] = QJsonObject{{"accessibility", true}, {"screenRecording", true}};
    QFile worldFile(home.filePath(QStringLiteral("world.json")));
    ASSERT_TRUE(worldFile.open(QIODevice::WriteOnly));
    worldFile.write(QJsonDocument(world).toJson());
    worldFile.close();
    environment.insert(QStringLiteral("LUMIVAST_PLATFORM"), QStringLiteral("sim"));
    environment.insert(QStringLiteral("LUMIVAST_WORLD"), worldFile.fileName());

    // A subcommand loads what a bus call needs and no more: the dynamic loader names what it loads.
    QProcessEnvironment traced = environment;
    traced.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("libs"));
    const ProgramRun missing = runLumivast({QStringLiteral("current-space")}, traced);
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("lumivast: Lumivast is not running"))) << missing.err.right(2000).toStdString();
    EXPECT_TRUE(missing.err.contains(QStringLiteral("libQt6DBus.so"))) << "the loader's report is missing";
    for (const char* heavy : {"libQt6Gui.so", "libQt6Widgets.so", "libQt6Network.so", "libxcb.so"})
        EXPECT_FALSE(missing.err.contains(QLatin1String(heavy))) << heavy << " was loaded for a bus call";
    const ProgramRun usage = runLumivast({QStringLiteral("switch-space")}, environment);
    EXPECT_EQ(usage.code, 2);
    EXPECT_TRUE(usage.err.contains(QStringLiteral("Desktop number or Space name")));

    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(executable(), {});
    ASSERT_TRUE(program.waitForStarted(10000));
    const auto registered = [] {
        return QDBusConnection::sessionBus().interface()->isServiceRegistered(QLatin1String(BusService::kServiceName)).value();
    };
    EXPECT_TRUE(QTest::qWaitFor(registered, 20000));

    EXPECT_EQ(runLumivast({QStringLiteral("current-space")}, environment).out, QStringLiteral("Browser\n"));
    EXPECT_EQ(runLumivast({QStringLiteral("switch-space"), QStringLiteral("3")}, environment).code, 0);
    // The simulated Dock lands the switch a moment later, on the program's own clock.
    QString answer;
    (void)QTest::qWaitFor(
        [&] {
            answer = runLumivast({QStringLiteral("current-space")}, environment).out;
            return answer == QStringLiteral("Desktop 3\n");
        },
        10000);
    EXPECT_EQ(answer, QStringLiteral("Desktop 3\n"));

    program.terminate();
    EXPECT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_FALSE(registered());
}

#include "ScriptingTest.moc"

TEST_F(BusTest, ARenameThatAsksInADialogAnswersTheCallerWhileTheDialogIsUp)
{
    test::FakeAlertService alerts;
    alerts.holding = true;
    front.whilePerforming = [&](const SpaceCommand&) {
        alerts.open(Alert{.messageText = QStringLiteral("Rename Space")}, nullptr, {});
    };
    // No name, and a name that is no text.
    for (const QVariantMap& arguments : {QVariantMap{}, QVariantMap{{QStringLiteral("name"), 5}}}) {
        QDBusMessage message = QDBusMessage::createMethodCall(QLatin1String(BusService::kServiceName), QLatin1String(BusService::kObjectPath),
                                                             QLatin1String(BusService::kScriptingInterface), QStringLiteral("Rename"));
        message.setArguments({busVariant(2), arguments});
        QDBusPendingCallWatcher watcher(client().asyncCall(message, 20000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.isFinished(); }, 5000));
        EXPECT_EQ(watcher.reply().type(), QDBusMessage::ReplyMessage);
    }
    EXPECT_EQ(alerts.held.size(), 2u);
    EXPECT_EQ(handed, std::vector<SpaceCommand>(2, SpaceCommand::rename(Ref::number(2), std::nullopt)));
}
