#include "Platform/PackageManagerUpdates.h"
#include "Platform/QtPasteboard.h"
#include "Platform/Sim/SimServices.h"
#include "tests/support/SimWorldTest.h"

#include <QJsonDocument>

using namespace lumivast;
using lumivast::test::SimWorldTest;

namespace {

class PlatformServicesTest : public SimWorldTest {};

TEST_F(PlatformServicesTest, WorldFileSeedsOtherApplicationsDomainsInMemory)
{
    install(worldFrom(R"({"preferenceDomains": {"com.apple.dock": {"mru-spaces": false, "tilesize": 48},
                                               "org.example.other": {"names": ["a", "b"]}}})"));
    UserDefaults& dock = Platform::current().preferenceDomain(QStringLiteral("com.apple.dock"));
    EXPECT_EQ(dock.object("mru-spaces"), QJsonValue(false));
    EXPECT_EQ(dock.integerValue("tilesize"), 48);
    EXPECT_TRUE(dock.filePath().isEmpty());
    EXPECT_EQ(&dock, &world->preferenceDomain(QStringLiteral("com.apple.dock")));
    EXPECT_EQ(Platform::current().preferenceDomain(QStringLiteral("org.example.other")).stringList("names"), (QStringList{"a", "b"}));
    // An unseeded domain is an empty store, changed like any other.
    UserDefaults& fresh = Platform::current().preferenceDomain(QStringLiteral("org.example.fresh"));
    EXPECT_FALSE(fresh.object("anything"));
    fresh.set("k", 1);
    EXPECT_EQ(world->preferenceDomain(QStringLiteral("org.example.fresh")).integerValue("k"), 1);
}

TEST_F(PlatformServicesTest, MalformedPreferenceDomainsAreRejected)
{
    for (const char* json : {R"({"preferenceDomains": []})", R"({"preferenceDomains": {"com.apple.dock": true}})"}) {
        SCOPED_TRACE(json);
        QString error;
        EXPECT_FALSE(SimWorld::fromJson(QJsonDocument::fromJson(json).object(), &error));
        EXPECT_TRUE(error.contains("preference"));
    }
}

TEST_F(PlatformServicesTest, SimulatedPasteboardKeepsAndRecordsText)
{
    Pasteboard& board = Platform::current().pasteboard();
    EXPECT_FALSE(board.string());
    EXPECT_TRUE(board.setString(QStringLiteral("one")));
    board.clearContents();
    EXPECT_FALSE(board.string());
    board.setString(QStringLiteral("two"));
    EXPECT_EQ(board.string(), QStringLiteral("two"));
    EXPECT_EQ(world->pasteboard().written, (QStringList{"one", "two"}));
    EXPECT_EQ(world->pasteboard().clears, 1);
}

TEST_F(PlatformServicesTest, QtPasteboardUsesTheClipboard)
{
    QtPasteboard board;
    ASSERT_TRUE(board.setString(QStringLiteral("Lumivast 0.1.0 (1)\nmacOS Version 15")));
    EXPECT_EQ(board.string(), QStringLiteral("Lumivast 0.1.0 (1)\nmacOS Version 15"));
    board.clearContents();
    EXPECT_FALSE(board.string().value_or(QString()).contains("Lumivast"));
}

TEST_F(PlatformServicesTest, UpdateServices)
{
    SimUpdates& simulated = world->updates();
    EXPECT_EQ(&Platform::current().updates(), &simulated);
    Platform::current().updates().start();
    EXPECT_FALSE(Platform::current().updates().checkForUpdates());
    EXPECT_EQ(simulated.starts, 1);
    EXPECT_EQ(simulated.checkRequests, 1);

    PackageManagerUpdates packaged;
    const auto message = packaged.checkForUpdates();
    ASSERT_TRUE(message);
    EXPECT_TRUE(message->contains("package manager"));
}

} // namespace
