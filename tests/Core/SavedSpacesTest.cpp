#include "Core/Windows/BrowserTabs.h"
#include "Core/Windows/SavedSpaces.h"

#include "Core/Settings/Settings.h"
#include "Core/Spaces/AppPaths.h"
#include "Core/Spaces/SpaceContents.h"
#include "Core/Spaces/SpaceProvider.h"
#include "Core/Spaces/SpaceStore.h"
#include "Platform/DataFile.h"
#include "Platform/Sim/SimAccessibility.h"
#include "Platform/Sim/SimBrowsers.h"
#include "tests/support/SimWorldTest.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

using namespace lumivast;

namespace {

// Desktop 2 holds an editor window, a Safari window, a second editor window,
// a Chrome window and a helper without a bundle identifier; Desktop 3 one more
// Safari window; Desktop 1 nothing. Safari's front window has three tabs, one
// without an address; Chrome answers with a single text.
const char* kBrowserWorld = R"({
  "displays": [ { "identifier": "Main", "main": true, "current": 1,
                  "spaces": [ {"managedID": 1, "uuid": "S1"}, {"managedID": 2, "uuid": "S2"}, {"managedID": 3, "uuid": "S3"} ] } ],
  "apps": [ {"pid": 701, "bundleID": "com.apple.Safari", "name": "Safari"},
            {"pid": 702, "bundleID": "com.google.Chrome", "name": "Google Chrome"},
            {"pid": 703, "bundleID": "org.example.editor", "name": "Editor"},
            {"pid": 704, "name": "Helper"},
            {"pid": 705, "bundleID": "com.brave.Browser", "name": "Brave", "running": false} ],
  "windows": [ {"id": 71, "pid": 703, "title": "one", "frame": {"x": 10, "y": 20, "w": 500, "h": 400}, "spaces": [2]},
               {"id": 72, "pid": 701, "title": "tabs", "frame": {"x": 30, "y": 40, "w": 900, "h": 700}, "spaces": [2]},
               {"id": 73, "pid": 703, "title": "two", "frame": {"x": 50, "y": 60, "w": 600, "h": 450}, "spaces": [2]},
               {"id": 74, "pid": 702, "title": "news", "frame": {"x": 70, "y": 80, "w": 800, "h": 600}, "spaces": [2]},
               {"id": 75, "pid": 704, "title": "helper", "frame": {"x": 90, "y": 100, "w": 300, "h": 300}, "spaces": [2]},
               {"id": 76, "pid": 701, "title": "other", "frame": {"x": 110, "y": 120, "w": 900, "h": 700}, "spaces": [3]} ],
  "browsers": [ {"pid": 701, "tabs": ["https://a.example/", null, "https://b.example/"]},
                {"pid": 702, "answer": "text", "tabs": ["https://c.example/"]},
                {"pid": 705, "tabs": ["https://never.example/"]} ]
})";

class SavedSpacesTest : public test::SimWorldTest {
protected:
    SavedSpacesTest()
    {
        install(worldFrom(kBrowserWorld));
        Settings::registerDefaults();
        readContents();
    }

    void readContents()
    {
        contents.refresh();
        scheduler.advance(SpaceContents::kPassDelay);
        contents.waitForReading();
        scheduler.runPending();
    }
    Space space(const char* id) { return *SpaceProvider::snapshot(scheduler)->space(QString::fromLatin1(id)); }
    bool isOpen(std::uint32_t id) { return world->window(id) != nullptr; }
    QByteArray fileBytes()
    {
        QFile f(SavedSpaces::filePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList asideFiles()
    {
        return QDir(AppPaths::supportDirectory()).entryList({"saved-spaces.json.unreadable-*"}, QDir::Files);
    }
    SavedSpace record(const QString& name)
    {
        return SavedSpace{QUuid::createUuid(), name, QDateTime(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC), {}, {}, {}};
    }
    SimScripts& scripts() { return world->scripts(); }

    SpaceContents contents{scheduler};
    SpaceStore store{scheduler, AppPaths::file("spaces.json")};
    SavedSpaces saved{store, contents, scheduler};
};

TEST_F(SavedSpacesTest, ASpaceIsRecordedClosedAndReopened)
{
    const auto result = saved.saveAndClose(space("S2"));
    ASSERT_TRUE(result);
    const SavedSpace& record = *result;
    EXPECT_EQ(record.name, "Desktop 2");
    EXPECT_EQ(record.savedAt, scheduler.wallNow());
    EXPECT_EQ(record.apps, (QStringList{"org.example.editor", "com.apple.Safari", "com.google.Chrome"}));
    // Safari's tab without an address is skipped; Chrome's single text is taken.
    EXPECT_EQ(record.urls, (QStringList{"https://a.example/", "https://b.example/", "https://c.example/"}));
    const std::map<QString, std::vector<QRectF>> frames{
        {"org.example.editor", {QRectF(10, 20, 500, 400), QRectF(50, 60, 600, 450)}},
        {"com.apple.Safari", {QRectF(30, 40, 900, 700)}},
        {"com.google.Chrome", {QRectF(70, 80, 800, 600)}},
    };
    EXPECT_EQ(record.frames, frames);
    EXPECT_EQ(scripts().log.filter("Google Chrome").size(), 2); // not a list: asked a second time
    EXPECT_EQ(scripts().log.filter("Safari").size(), 1);

    // Written first, compact, with an upper-case id.
    const QByteArray bytes = fileBytes();
    EXPECT_FALSE(bytes.contains('\n'));
    EXPECT_TRUE(bytes.contains(R"("frames":{"com.apple.Safari":[[[30,40],[900,700]]])"));
    EXPECT_TRUE(QRegularExpression("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$").match(record.idText()).hasMatch());
    EXPECT_TRUE(bytes.contains(record.idText().toUtf8()));
    const std::vector<SavedSpace> onDisk = SavedSpaces::records();
    ASSERT_EQ(onDisk.size(), 1u);
    EXPECT_EQ(onDisk[0].id, record.id);
    EXPECT_EQ(onDisk[0].urls, record.urls);
    EXPECT_EQ(onDisk[0].frames, record.frames);
    EXPECT_EQ(onDisk[0].savedAt.toSecsSinceEpoch(), record.savedAt.toSecsSinceEpoch());

    // Every window of the Space was closed, the one without a bundle too; Desktop 3 is untouched.
    for (std::uint32_t id : {71, 72, 73, 74, 75})
        EXPECT_FALSE(isOpen(id)) << id;
    EXPECT_TRUE(isOpen(76));
    EXPECT_EQ(world->accessibility().messagingTimeout(world->dockElements().applicationElement(703)), 0.3);

    // Reopening: the browsers are left to their addresses.
    saved.restore(onDisk[0]);
    EXPECT_EQ(world->openedApplications, QStringList{"/Applications/Editor.app"});
    EXPECT_EQ(world->openedURLs(), (QList<QUrl>{QUrl("https://a.example/"), QUrl("https://b.example/"), QUrl("https://c.example/")}));
}

TEST_F(SavedSpacesTest, ReopeningLaunchesBrowsersWithoutAddressesAndSkipsWhatCannotOpen)
{
    SavedSpace plain = record("plain");
    plain.apps = {"com.apple.Safari", "org.example.missing", "com.brave.Browser", "org.example.editor"};
    saved.restore(plain);
    EXPECT_EQ(world->openedApplications, (QStringList{"/Applications/Safari.app", "/Applications/Brave.app", "/Applications/Editor.app"}));
    scheduler.runPending();
    EXPECT_TRUE(world->app(705)->running);

    SavedSpace addresses = record("addresses");
    addresses.urls = {"https://ok.example/page", "", "not a url at all", "relative/path", "mailto:someone@example.org"};
    saved.restore(addresses);
    EXPECT_EQ(world->openedURLs(), (QList<QUrl>{QUrl("https://ok.example/page"), QUrl("mailto:someone@example.org")}));
}

TEST_F(SavedSpacesTest, WindowsOfAppsWithoutABundleAreClosedButNotRecorded)
{
    world->window(75)->spaces = {1};
    readContents();
    const auto result = saved.saveAndClose(space("S1"));
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->apps.isEmpty());
    EXPECT_TRUE(result->urls.isEmpty());
    EXPECT_TRUE(result->frames.empty());
    EXPECT_FALSE(isOpen(75));
    EXPECT_EQ(SavedSpaces::records().size(), 1u);
}

TEST_F(SavedSpacesTest, ASpaceWithoutWindowsSavesNothing)
{
    const auto result = saved.saveAndClose(space("S1"));
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), SavedSpaces::Failure::nothingToSave);
    EXPECT_EQ(SavedSpaces::description(result.error()), "This Space has no windows to save");
    EXPECT_FALSE(QFile::exists(SavedSpaces::filePath()));
    EXPECT_TRUE(scripts().log.isEmpty());
}

TEST_F(SavedSpacesTest, TheThirtyFirstRecordDropsTheOldest)
{
    std::vector<SavedSpace> older;
    for (int n = 1; n <= 30; ++n)
        older.push_back(record(QStringLiteral("old %1").arg(n))); // newest first
    ASSERT_TRUE(DataFile::write(SavedSpaces::filePath(), SavedSpaces::encode(older)));

    const auto result = saved.saveAndClose(space("S3"));
    ASSERT_TRUE(result);
    const std::vector<SavedSpace> list = SavedSpaces::records();
    ASSERT_EQ(list.size(), 30u);
    EXPECT_EQ(list.front().id, result->id);
    EXPECT_EQ(list[1].name, "old 1");
    EXPECT_EQ(list.back().name, "old 29");
    EXPECT_EQ(list[1], older[0]); // older records come back unchanged
}

TEST_F(SavedSpacesTest, AFailedWriteLeavesEveryWindowOpen)
{
    // The data folder cannot be written: a plain file stands where it should be.
    const QString folder = AppPaths::supportDirectory();
    ASSERT_TRUE(QDir(folder).removeRecursively());
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    const auto result = saved.saveAndClose(space("S2"));
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), SavedSpaces::Failure::notWritten);
    EXPECT_EQ(SavedSpaces::description(result.error()), "Could not save this Space, so its windows were left open");
    for (std::uint32_t id : {71, 72, 73, 74, 75, 76})
        EXPECT_TRUE(isOpen(id)) << id;
    EXPECT_FALSE(world->accessibility().log().join(' ').contains("close"));
}

TEST_F(SavedSpacesTest, OnAFullDiskTheEarlierRecordsStayAndEveryWindowStaysOpen)
{
    LUMIVAST_ON_SMALL_DISK();
    ASSERT_TRUE(DataFile::write(SavedSpaces::filePath(), SavedSpaces::encode({record(QStringLiteral("Earlier"))})));
    const QByteArray earlier = fileBytes();
    test::fillDisk(home.path());

    const auto result = saved.saveAndClose(space("S2"));
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), SavedSpaces::Failure::notWritten);
    EXPECT_EQ(fileBytes(), earlier);
    for (std::uint32_t id : {71, 72, 73, 74, 75, 76})
        EXPECT_TRUE(isOpen(id)) << id;
    EXPECT_FALSE(world->accessibility().log().join(' ').contains("close"));
}

TEST_F(SavedSpacesTest, AnUndecodableFileIsKeptAsideBeforeTheNextSave)
{
    for (const QByteArray& unreadable : {QByteArray("[{\"id\": tru"), QByteArray(R"({"id":"not a list"})")}) {
        if (!isOpen(76)) {
            SimWorld::Window again;
            again.id = 76;
            again.pid = 701;
            again.frame = QRectF(110, 120, 900, 700);
            again.spaces = {3};
            world->windows.push_back(again);
            readContents();
        }
        ASSERT_TRUE(DataFile::write(SavedSpaces::filePath(), unreadable));
        const QStringList before = asideFiles();
        ASSERT_TRUE(saved.saveAndClose(space("S3")));
        const QStringList after = asideFiles();
        ASSERT_EQ(after.size(), before.size() + 1);
        QFile kept(AppPaths::file(after.last()));
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), unreadable);
        EXPECT_EQ(SavedSpaces::records().size(), 1u);
    }
}

TEST_F(SavedSpacesTest, ReadingRequiresEveryFieldWithItsType)
{
    const QByteArray good = R"([{"id":"0f2c3b1e-5a4d-4c3b-9a8f-7e6d5c4b3a21","name":"Work","savedAt":"2026-01-31T09:15:00Z",)"
                            R"("apps":["a"],"urls":[],"frames":{"a":[[[1,2],[3,4]]]}}])";
    const auto decoded = SavedSpaces::decode(good);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->size(), 1u);
    EXPECT_EQ(decoded->front().idText(), "0F2C3B1E-5A4D-4C3B-9A8F-7E6D5C4B3A21");
    EXPECT_EQ(decoded->front().frames.at("a"), std::vector<QRectF>{QRectF(1, 2, 3, 4)});
    EXPECT_EQ(SavedSpaces::decode(SavedSpaces::encode(*decoded)), decoded);

    const std::vector<std::pair<const char*, QByteArray>> broken{
        {"no frames", QByteArray(good).replace(R"(,"frames":{"a":[[[1,2],[3,4]]]})", "")},
        {"braced id", QByteArray(good).replace("\"0f2c3b1e", "\"{0f2c3b1e").replace("3a21\"", "3a21}\"")},
        {"not an id", QByteArray(good).replace("0f2c3b1e-", "0f2c3b1e")},
        {"fractional seconds", QByteArray(good).replace("09:15:00Z", "09:15:00.250Z")},
        {"number in apps", QByteArray(good).replace(R"(["a"])", "[1]")},
        {"frames as a list", QByteArray(good).replace(R"({"a":[[[1,2],[3,4]]]})", "[]")},
        {"one record broken", QByteArray(good).replace("}]", "},{}]")},
    };
    for (const auto& [what, data] : broken)
        EXPECT_FALSE(SavedSpaces::decode(data)) << what;
    EXPECT_TRUE(SavedSpaces::records().empty()); // no file
}

// ---- browser tabs ----

TEST_F(SavedSpacesTest, BrowserTabsAskOnlyRunningSupportedBrowsersInOrder)
{
    EXPECT_EQ(BrowserTabs::urls({"com.google.Chrome", "org.example.editor", "com.brave.Browser", "com.apple.Safari"}),
              (QStringList{"https://c.example/", "https://a.example/", "https://b.example/"}));
    // Brave is installed but not running; the editor is no browser.
    EXPECT_EQ(scripts().log.size(), 3);
    EXPECT_EQ(scripts().log.first(), R"(tell application "Google Chrome" to get URL of every tab of front window)");
}

TEST_F(SavedSpacesTest, BrowserTabsAddNothingForBrowsersThatDoNotAnswer)
{
    scripts().browsers[701].answer = SimScripts::Answer::nothing;
    scripts().browsers[702].tabs.reset(); // no window open
    EXPECT_TRUE(BrowserTabs::urls({"com.apple.Safari", "com.google.Chrome"}).isEmpty());
    EXPECT_EQ(scripts().log.size(), 4); // each asked twice

    scripts().log.clear();
    world->app(701)->name.clear(); // no name to address it by
    EXPECT_TRUE(BrowserTabs::urls({"com.apple.Safari"}).isEmpty());
    EXPECT_TRUE(scripts().log.isEmpty());
}

TEST_F(SavedSpacesTest, ABrowsersNameCannotChangeTheScript)
{
    const QString hostile = QStringLiteral(R"(Evil" to do shell script "touch /tmp/x" --\)") + QStringLiteral("\nend");
    world->app(701)->name = hostile;
    EXPECT_EQ(BrowserTabs::urls({"com.apple.Safari"}), (QStringList{"https://a.example/", "https://b.example/"}));
    ASSERT_EQ(scripts().log.size(), 1);
    const auto addressee = SimScripts::parseTabQuestion(scripts().log.first());
    ASSERT_TRUE(addressee);
    EXPECT_EQ(addressee->text, hostile);
    EXPECT_FALSE(addressee->byID);
    EXPECT_EQ(BrowserTabs::quoted(R"(a"b\c)"), R"("a\"b\\c")");
}

} // namespace
