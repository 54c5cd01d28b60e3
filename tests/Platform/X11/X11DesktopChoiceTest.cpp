// Which desktop the program manages when started without being told, and what it says when it cannot.
#include "App/PlatformChoice.h"
#include "tests/Platform/X11/XServerFixture.h"

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

using namespace lumivast;
using namespace lumivast::test::x11;

namespace {

QProcessEnvironment environmentOf(std::initializer_list<std::pair<const char*, QString>> values)
{
    QProcessEnvironment environment;
    for (const auto& [name, value] : values)
        environment.insert(QString::fromLatin1(name), value);
    return environment;
}

struct ProgramRun {
    int code = -1;
    QString out;
    QString err;
};

// The real executable in a scratch home, with only the variables given (and the scratch folders).
ProgramRun runProgram(const QStringList& arguments, QProcessEnvironment environment, const QString& home)
{
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);
    environment.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../App/lumivast"), arguments);
    process.waitForFinished(30000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

class X11DesktopChoiceTest : public X11PlatformTest {};

TEST_F(X11DesktopChoiceTest, WithoutAServerOrWhenToldTheSimulationOrAReasonToStop)
{
    const QString world = test::fixture(QStringLiteral("worlds/three-spaces.json"));
    struct Case {
        QProcessEnvironment environment;
        PlatformChoice::Kind kind;
        QString error;     // expected error, empty for none
        QString reason;    // a part of the reason, when there is no error
    };
    const Case cases[] = {
        {environmentOf({}), PlatformChoice::Kind::sim, {}, "DISPLAY is not set"},
        {environmentOf({{"DISPLAY", ":9999"}}), PlatformChoice::Kind::sim, {}, "cannot open X display :9999"},
        {environmentOf({{"LUMIVAST_WORLD", world}, {"DISPLAY", ":9999"}}), PlatformChoice::Kind::sim, {}, world},
        {environmentOf({{"LUMIVAST_PLATFORM", "x11"}, {"DISPLAY", ":9999"}}), PlatformChoice::Kind::x11,
         "cannot open X display :9999", {}},
        {environmentOf({{"LUMIVAST_PLATFORM", "x11"}}), PlatformChoice::Kind::x11,
         "cannot open X display (DISPLAY is not set)", {}},
        {environmentOf({{"LUMIVAST_PLATFORM", "wayland"}}), PlatformChoice::Kind::sim,
         "unknown platform \"wayland\" in LUMIVAST_PLATFORM (it is sim or x11)", {}},
        {environmentOf({{"LUMIVAST_WORLD", "/nonexistent/world.json"}}), PlatformChoice::Kind::sim,
         "cannot load world /nonexistent/world.json", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.environment.toStringList().join(QLatin1Char(' ')).toStdString());
        const PlatformChoice choice = choosePlatform(c.environment);
        EXPECT_EQ(choice.kind, c.kind);
        EXPECT_TRUE(choice.error.startsWith(c.error)) << choice.error.toStdString();
        EXPECT_EQ(choice.error.isEmpty(), c.error.isEmpty());
        EXPECT_TRUE(choice.reason.contains(c.reason)) << choice.reason.toStdString();
        EXPECT_EQ(choice.create() == nullptr, !c.error.isEmpty());
    }
}

TEST_F(X11DesktopChoiceTest, TheRealDesktopOnlyWhereAnEwmhWindowManagerRuns)
{
    SharedDesktop& desktop = sharedDesktop();
    LUMIVAST_REQUIRE_DESKTOP(desktop);
    const QString managed = QString::fromLocal8Bit(desktop.server->display());
    EXPECT_EQ(choosePlatform(environmentOf({{"DISPLAY", managed}})).kind, PlatformChoice::Kind::x11);
    EXPECT_EQ(choosePlatform(environmentOf({{"DISPLAY", managed}, {"LUMIVAST_PLATFORM", "sim"}})).kind,
              PlatformChoice::Kind::sim);
    EXPECT_EQ(choosePlatform(environmentOf({{"DISPLAY", managed}, {"LUMIVAST_WORLD", test::fixture("worlds/three-spaces.json")}})).kind,
              PlatformChoice::Kind::sim);

    startServer({QStringLiteral("640x480x24")});
    if (IsSkipped())
        return;
    const PlatformChoice bare = choosePlatform(environmentOf({{"DISPLAY", QString::fromLocal8Bit(server->display())}}));
    EXPECT_EQ(bare.kind, PlatformChoice::Kind::sim);
    EXPECT_TRUE(bare.reason.contains(QStringLiteral("no EWMH window manager"))) << bare.reason.toStdString();
}

TEST_F(X11DesktopChoiceTest, TheProgramSwitchesTheRealDesktopWithoutBeingTold)
{
    SharedDesktop& desktop = sharedDesktop();
    LUMIVAST_REQUIRE_DESKTOP(desktop);
    client = std::make_unique<Client>(desktop.server->display());
    ASSERT_TRUE(setDesktopCount(desktop.server->display(), 4));
    client->sendRootMessage("_NET_CURRENT_DESKTOP", 0);
    ASSERT_TRUE(client->waitUntil([&] { return client->rootCardinal("_NET_CURRENT_DESKTOP") == 0u; }));

    const QString display = QString::fromLocal8Bit(desktop.server->display());
    const ProgramRun run = runProgram({QStringLiteral("--switch"), QStringLiteral("3")},
                                      environmentOf({{"DISPLAY", display}}), home.path());
    EXPECT_EQ(run.code, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(client->waitUntil([&] { return client->rootCardinal("_NET_CURRENT_DESKTOP") == 2u; }));
    EXPECT_TRUE(run.err.contains(QStringLiteral("Managing the X11 desktop on ") + display)) << run.err.toStdString();
    client->sendRootMessage("_NET_CURRENT_DESKTOP", 0);
}

TEST_F(X11DesktopChoiceTest, TheProgramStopsWithTheReasonWhenThereIsNothingToManage)
{
    struct Case {
        QStringList arguments;
        QProcessEnvironment environment;
        QString error;
    };
    const Case cases[] = {
        {{}, environmentOf({{"LUMIVAST_PLATFORM", "x11"}, {"DISPLAY", ":9999"}}), "lumivast: cannot open X display :9999\n"},
        {{}, environmentOf({{"LUMIVAST_PLATFORM", "x11"}}), "lumivast: cannot open X display (DISPLAY is not set)\n"},
        {{"--probe"}, environmentOf({{"LUMIVAST_PLATFORM", "sims"}}),
         "lumivast: unknown platform \"sims\" in LUMIVAST_PLATFORM (it is sim or x11)\n"},
        {{"--switch", "2"}, environmentOf({{"LUMIVAST_WORLD", "/nonexistent/world.json"}}),
         "lumivast: cannot load world /nonexistent/world.json: "},
        {{"--capture"}, environmentOf({{"LUMIVAST_WORLD", "/nonexistent/world.json"}}),
         "lumivast: cannot load world /nonexistent/world.json: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const ProgramRun run = runProgram(c.arguments, c.environment, home.path());
        EXPECT_EQ(run.code, 1);
        EXPECT_TRUE(run.err.startsWith(c.error)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
}

} // namespace
