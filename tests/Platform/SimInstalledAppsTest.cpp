#include "Platform/Sim/SimWindowList.h"
#include "tests/support/SimWorldTest.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

class SimInstalledAppsTest : public test::SimWorldTest {
protected:
    RunningApplications& system() { return Platform::current().runningApplications(); }
};

TEST_F(SimInstalledAppsTest, RunningAppsAreInstalledUnlessTheWorldListsItsOwn)
{
    install(worldFrom(R"({"apps": [ {"pid": 7, "bundleID": "org.example.one", "name": "One"}, {"pid": 8, "name": "NoID"} ]})"));
    EXPECT_EQ(system().folderEntries("/Applications"), QStringList{"/Applications/One.app"});
    EXPECT_EQ(system().bundleIdentifier("/Applications/One.app"), "org.example.one");
    EXPECT_FALSE(system().folderEntries("/System/Applications"));

    install(worldFrom(R"({"installed": [ {"path": "~/Applications/Mine.app", "bundleID": "org.example.mine"},
                                          {"path": "~/Applications/notes.txt"} ],
                          "unreadableFolders": ["/Applications"]})"));
    const QString home = QDir::homePath();
    EXPECT_EQ(system().folderEntries(home + "/Applications"), (QStringList{home + "/Applications/Mine.app", home + "/Applications/notes.txt"}));
    EXPECT_FALSE(system().bundleIdentifier(home + "/Applications/notes.txt"));
    EXPECT_FALSE(system().iconForFile(home + "/Applications/notes.txt").isNull());
    EXPECT_TRUE(system().iconForFile("/nowhere").isNull());

    QString error;
    EXPECT_FALSE(SimWorld::fromJson(QJsonDocument::fromJson(R"({"installed": [ {"path": "relative/Thing.app"} ]})").object(), &error));
    EXPECT_EQ(error, "an installed entry needs an absolute path");
}

TEST_F(SimInstalledAppsTest, ActivationAndLaunching)
{
    install(worldFrom(R"({"apps": [ {"pid": 7, "bundleID": "org.example.one", "name": "One"} ],
                          "installed": [ {"path": "/Applications/One.app", "bundleID": "org.example.one"},
                                         {"path": "/Applications/Two.app", "bundleID": "org.example.two", "name": "Two"} ]})"));
    std::vector<std::optional<std::int32_t>> opened;
    const auto open = [&](const char* path) {
        world->openApplication(QUrl::fromLocalFile(path), [&](std::optional<std::int32_t> pid) { opened.push_back(pid); });
        scheduler.runPending();
        return opened.back();
    };
    EXPECT_FALSE(system().activate(99));
    EXPECT_TRUE(system().activate(7));
    EXPECT_EQ(world->frontmostPID, 7);

    EXPECT_EQ(open("/Applications/Two.app"), 500);
    const auto two = system().runningApplication(500);
    ASSERT_TRUE(two);
    EXPECT_EQ(two->bundleID, "org.example.two");
    EXPECT_EQ(two->localizedName, "Two");
    EXPECT_EQ(world->frontmostPID, 500);

    EXPECT_EQ(open("/Applications/One.app"), 7); // already runs: brought forward
    EXPECT_EQ(world->frontmostPID, 7);
    EXPECT_EQ(system().runningApplications().size(), 3u); // One, Two and the Dock
    EXPECT_EQ(open("/Applications/Missing.app"), std::nullopt);
    EXPECT_EQ(world->activatedPIDs, (std::vector<std::int32_t>{7, 7}));
}

} // namespace
