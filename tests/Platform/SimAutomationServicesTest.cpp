#include "Platform/Sim/SimProcesses.h"
#include "Platform/Sim/SimWindowList.h"
#include "tests/support/SimWorldTest.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using namespace lumivast;
using namespace std::chrono_literals;

namespace {

class SimAutomationServicesTest : public test::SimWorldTest {
protected:
    SimAutomationServicesTest()
    {
        install(worldFrom(R"({
          "apps": [ {"pid": 7, "bundleID": "org.example.one", "name": "One"},
                    {"pid": 8, "bundleID": "org.example.two", "name": "Two", "running": false},
                    {"pid": 9, "bundleID": "org.example.three", "name": "Three"} ],
          "windows": [ {"id": 70, "pid": 7, "title": "one"} ],
          "installed": [ {"path": "/Applications/One.app", "bundleID": "org.example.one"},
                         {"path": "/Applications/Two.app", "bundleID": "org.example.two"},
                         {"path": "/Applications/Paint.app", "bundleID": "org.example.paint"} ],
          "shortcuts": ["Focus", "", "Écrire"],
          "unopenablePreferenceDomains": ["org.example.locked"] })"));
    }
    OpenResult open(const QString& path, OpenConfiguration configuration)
    {
        std::optional<OpenResult> result;
        world->openApplication(QUrl::fromLocalFile(path), configuration, [&](const OpenResult& r) { result = r; });
        scheduler.runPending();
        EXPECT_TRUE(result.has_value()) << "the completion did not run";
        return result.value_or(std::unexpected(QString()));
    }
    OpenConfiguration with(QStringList arguments, bool activates = true, bool newInstance = false)
    {
        return OpenConfiguration{activates, std::move(arguments), newInstance};
    }
};

} // namespace

TEST_F(SimAutomationServicesTest, OpeningStartsWithArgumentsOnlyWhatDoesNotRun)
{
    std::vector<std::int32_t> launched;
    const Subscription watch = world->observeApplications(WorkspaceEvent::DidLaunchApplication,
                                                          [&](const RunningApplication& app) { launched.push_back(app.pid); });

    EXPECT_EQ(open("/Applications/One.app", with({"--x"})), 7); // runs: only comes forward
    EXPECT_TRUE(world->app(7)->launchArguments.isEmpty());
    EXPECT_EQ(world->frontmostPID, 7);

    EXPECT_EQ(open("/Applications/Two.app", with({"--profile-directory=Work"}, false)), 8);
    EXPECT_TRUE(world->app(8)->running);
    EXPECT_EQ(world->app(8)->launchArguments, QStringList{"--profile-directory=Work"});
    EXPECT_EQ(world->frontmostPID, 7); // not activated when asked not to

    const OpenResult paint = open("/Applications/Paint.app", with({"--new"}));
    ASSERT_TRUE(paint);
    EXPECT_EQ(world->app(*paint)->launchArguments, QStringList{"--new"});
    EXPECT_EQ(world->frontmostPID, *paint);

    const OpenResult second = open("/Applications/One.app", with({"--again"}, true, true));
    ASSERT_TRUE(second);
    EXPECT_NE(*second, 7);
    EXPECT_EQ(world->app(*second)->launchArguments, QStringList{"--again"});

    const OpenResult missing = open("/Applications/Nothing.app", with({}));
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error(), "The file \"Nothing.app\" couldn't be opened because there is no such file.");

    EXPECT_EQ(launched, (std::vector<std::int32_t>{8, *paint, *second}));
    ASSERT_EQ(world->openRequests.size(), 5u);
    EXPECT_EQ(world->openRequests[1].path, "/Applications/Two.app");
    EXPECT_EQ(world->openRequests[1].configuration, with({"--profile-directory=Work"}, false));
    EXPECT_EQ(world->urlForApplication("org.example.paint"), QUrl::fromLocalFile("/Applications/Paint.app"));
}

TEST_F(SimAutomationServicesTest, AQuitRequestStopsTheAppAndSaysSo)
{
    std::vector<RunningApplication> terminated;
    const Subscription watch = world->observeApplications(WorkspaceEvent::DidTerminateApplication,
                                                          [&](const RunningApplication& app) { terminated.push_back(app); });
    world->frontmostPID = 7;
    EXPECT_TRUE(world->terminateApplication(7));
    EXPECT_TRUE(terminated.empty()) << "told inside the call";
    scheduler.runPending();
    ASSERT_EQ(terminated.size(), 1u);
    EXPECT_EQ(terminated[0].bundleID, "org.example.one");
    EXPECT_FALSE(world->windowList().runningApplication(7));
    EXPECT_EQ(world->window(70), nullptr);
    EXPECT_FALSE(world->frontmostPID);
    EXPECT_FALSE(world->terminateApplication(7));
    EXPECT_FALSE(world->terminateApplication(8)); // never ran
    EXPECT_EQ(world->quitRequests, std::vector<std::int32_t>{7});
    // Still installed: opening it starts it again.
    EXPECT_EQ(open("/Applications/One.app", with({})), 7);
    EXPECT_TRUE(world->app(7)->running);
}

TEST_F(SimAutomationServicesTest, TheShortcutsToolPrintsTheWorldsShortcutsAndRecordsRuns)
{
    ShortcutsTool& tool = Platform::current().shortcuts();
    EXPECT_EQ(tool.listing(), QByteArray("Focus\n\n\xC3\x89\x63rire\n"));
    EXPECT_EQ(tool.run("Focus"), std::nullopt);
    EXPECT_EQ(world->shortcuts().runs(), QStringList{"Focus"});

    install(worldFrom("{}"));
    EXPECT_EQ(Platform::current().shortcuts().listing(), std::nullopt);
    EXPECT_EQ(Platform::current().shortcuts().run("Focus"), SimShortcuts::kNoTool);
    EXPECT_EQ(world->shortcuts().runs(), QStringList{"Focus"});

    QString error;
    EXPECT_FALSE(SimWorld::fromJson(QJsonDocument::fromJson(R"({"shortcuts": "Focus"})").object(), &error));
    EXPECT_EQ(error, "shortcuts must be a list of names");
}

TEST_F(SimAutomationServicesTest, SomePreferenceDomainsCannotBeOpened)
{
    EXPECT_EQ(Platform::current().openPreferenceDomain("org.example.locked"), nullptr);
    EXPECT_EQ(Platform::current().openPreferenceDomain("org.example.open"), &world->preferenceDomain("org.example.open"));
}

TEST_F(SimAutomationServicesTest, TheProgramShortcutsToolRunsTheToolAtItsPath)
{
    auto processes = std::make_shared<RecordingChildProcesses>();
    processes->outputs["/usr/bin/shortcuts"] = "Focus\n";
    world->childProcesses = processes;
    ProcessShortcutsTool tool;
    EXPECT_EQ(tool.listing(), QByteArray("Focus\n"));
    EXPECT_EQ(tool.run("Deep Work"), std::nullopt);
    EXPECT_EQ(processes->starts(), (std::vector<RecordingChildProcesses::Start>{
                                       {"/usr/bin/shortcuts", {"list"}, {}, false},
                                       {"/usr/bin/shortcuts", {"run", "Deep Work"}, {}, true},
                                   }));
}

TEST(QtChildProcessesTest, RealProcessesGetTheirEnvironmentAndOutput)
{
    QtChildProcesses processes;
    QTemporaryDir dir;
    const QString out = dir.filePath("out.txt");
    qputenv("LUMIVAST_TEST_REPLACED", "old");
    const auto failure = processes.startDetached(
        "/bin/sh", {"-c", QStringLiteral("echo \"$LUMIVAST_TEST_REPLACED $LUMIVAST_TEST_ADDED\" > '%1.part'; echo noise; echo noise >&2; mv '%1.part' '%1'").arg(out)},
        {{"LUMIVAST_TEST_REPLACED", "new"}, {"LUMIVAST_TEST_ADDED", "added"}});
    qunsetenv("LUMIVAST_TEST_REPLACED");
    EXPECT_EQ(failure, std::nullopt);
    QDeadlineTimer deadline(20s);
    while (!QFile::exists(out) && !deadline.hasExpired())
        QThread::msleep(20);
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("new added\n"));

    EXPECT_EQ(processes.runReadingOutput("/bin/sh", {"-c", "printf 'b\\na\\n'; echo hidden >&2; exit 4"}), QByteArray("b\na\n"));
    EXPECT_EQ(processes.runReadingOutput("/nonexistent/tool", {"list"}), std::nullopt);
    const auto missing = processes.startDetached("/nonexistent/tool", {}, {});
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing->isEmpty());
}
