#include "Core/Demo/DemoMode.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/AppPaths.h"
#include "Core/Spaces/SpaceStore.h"
#include "Platform/DataFile.h"
#include "Platform/VirtualScheduler.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

Space desktop(const QString& id, std::optional<int> number)
{
    return Space{id, 10, "Main", number, 0, false, std::nullopt, false};
}

Space fullscreen(const QString& id, std::optional<std::int32_t> pid)
{
    return Space{id, 20, "Main", std::nullopt, 1, true, pid, false};
}

class SpaceStoreTest : public test::TempHomeTest {
protected:
    void SetUp() override { DemoMode::resetForTesting(); }
    void TearDown() override
    {
        DemoMode::resetForTesting();
        DemoMode::setLaunchArgumentsProvider(nullptr);
    }

    QString filePath() const { return AppPaths::file(QStringLiteral("spaces.json")); }

    std::unique_ptr<SpaceStore> makeStore()
    {
        auto store = std::make_unique<SpaceStore>(scheduler, filePath());
        store->runningAppProvider = [this](std::int32_t pid) -> std::optional<RunningApplication> {
            if (const auto it = apps.find(pid); it != apps.end())
                return it->second;
            return std::nullopt;
        };
        return store;
    }

    // What the file holds now, or nothing when there is none.
    std::optional<SpaceMetaMap> onDisk() const
    {
        const DataFile::ReadResult file = DataFile::read(filePath());
        if (file.status != DataFile::ReadStatus::Read)
            return std::nullopt;
        return SpaceMetaCoding::fromFileBytes(file.bytes);
    }

    void writeFile(const QByteArray& bytes) const { ASSERT_TRUE(DataFile::write(filePath(), bytes)); }

    QStringList asideFiles() const
    {
        return QDir(AppPaths::supportDirectory()).entryList({QStringLiteral("spaces.json.unreadable-*")});
    }

    VirtualScheduler scheduler;
    std::map<std::int32_t, RunningApplication> apps{
        {812, {812, QString("com.example.player"), QString("Player")}},
        {900, {900, std::nullopt, QString("Nameless")}},
    };
};

} // namespace

TEST_F(SpaceStoreTest, LoadsTheFileAndAnswersLookups)
{
    writeFile(R"({"A": {"name": "Mail", "symbol": "envelope"}})");
    auto store = makeStore();
    EXPECT_EQ(store->meta("A"), (SpaceMeta{.name = "Mail", .symbol = "envelope"}));
    EXPECT_EQ(store->meta("nothing"), SpaceMeta{});
    EXPECT_EQ(store->metas().size(), 1u);
    EXPECT_EQ(scheduler.pendingCount(), 0u); // loading writes nothing
}

TEST_F(SpaceStoreTest, UndecodableFileCountsAsEmptyAndIsKeptAside)
{
    const QByteArray original = R"({"A": {"name": "Mail"}, "B": {"name": 42}})";
    writeFile(original);
    auto store = makeStore();
    EXPECT_TRUE(store->metas().empty());

    const QStringList aside = asideFiles();
    ASSERT_EQ(aside.size(), 1);
    QFile kept(AppPaths::supportDirectory() + "/" + aside.front());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), original);

    store->setName("New", "C");
    scheduler.advance(SpaceStore::saveDelay);
    EXPECT_EQ(onDisk(), (SpaceMetaMap{{"C", SpaceMeta{.name = "New"}}}));
    EXPECT_EQ(asideFiles().size(), 1);
}

TEST_F(SpaceStoreTest, MissingFileIsEmptyAndNothingIsSetAside)
{
    auto store = makeStore();
    EXPECT_TRUE(store->metas().empty());
    EXPECT_TRUE(asideFiles().isEmpty());
    EXPECT_FALSE(QFile::exists(filePath()));
}

TEST_F(SpaceStoreTest, BurstOfEditsWritesOnceAfterTheLast)
{
    auto store = makeStore();
    for (int i = 0; i < 6; ++i) {
        store->setName(QString("Name %1").arg(i), "A");
        scheduler.advance(250ms);
        EXPECT_FALSE(QFile::exists(filePath())) << "written early, at edit " << i;
    }
    EXPECT_TRUE(store->isSavePending());
    scheduler.advance(49ms);
    EXPECT_FALSE(QFile::exists(filePath()));
    scheduler.advance(1ms);
    ASSERT_TRUE(QFile::exists(filePath()));
    EXPECT_EQ(onDisk(), (SpaceMetaMap{{"A", SpaceMeta{.name = "Name 5"}}}));
    EXPECT_FALSE(store->isSavePending());
    EXPECT_EQ(scheduler.pendingCount(), 0u);

    // Nothing further is written without another change.
    QFile::remove(filePath());
    scheduler.advance(5s);
    EXPECT_FALSE(QFile::exists(filePath()));
}

TEST_F(SpaceStoreTest, EditsThatNeverPauseStillReachTheDiskEveryTwoSeconds)
{
    auto store = makeStore();
    std::vector<int> savedAt; // the edit whose name was on disk, at each full second
    for (int i = 0; i < 40; ++i) {
        store->setName(QString("Name %1").arg(i), "A");
        scheduler.advance(100ms);
        if (i == 18)
            EXPECT_FALSE(QFile::exists(filePath())) << "written before the first two seconds";
        if (i == 19) {
            ASSERT_TRUE(QFile::exists(filePath())) << "the save was put off past two seconds";
            EXPECT_EQ(onDisk(), (SpaceMetaMap{{"A", SpaceMeta{.name = "Name 19"}}}));
        }
    }
    // The next stretch of two seconds was saved too.
    EXPECT_EQ(onDisk(), (SpaceMetaMap{{"A", SpaceMeta{.name = "Name 39"}}}));
}

TEST_F(SpaceStoreTest, PendingSaveIsWrittenWhenTheStoreGoesAway)
{
    auto store = makeStore();
    store->setNote("just before quitting", "A");
    store.reset();
    EXPECT_EQ(onDisk(), (SpaceMetaMap{{"A", SpaceMeta{.note = "just before quitting"}}}));
}

TEST_F(SpaceStoreTest, SettersStoreAndClearFields)
{
    auto store = makeStore();
    QSignalSpy changed(store.get(), &SpaceStore::changed);

    store->setName("Mail", "A");
    store->setSymbol("envelope", "A");
    store->setColor("#4F7BF7", "A");
    store->setNote("inbox", "A");
    store->setGroup("Work", "A");
    SpaceAutomation automation;
    automation.scriptOnEnter = "echo hi";
    store->setAutomation(automation, "A");
    EXPECT_EQ(store->meta("A"), (SpaceMeta{"Mail", "envelope", "#4F7BF7", "inbox", std::nullopt, automation, "Work"}));
    EXPECT_EQ(changed.count(), 6);

    store->setName("", "A");
    store->setNote(std::nullopt, "A");
    store->setGroup("", "A");
    store->setColor(std::nullopt, "A");
    store->setAutomation(SpaceAutomation{}, "A"); // the default counts as none
    EXPECT_EQ(store->meta("A"), (SpaceMeta{.symbol = "envelope"}));

    store->setSymbol("", "A"); // an empty symbol is kept as such
    EXPECT_EQ(store->meta("A").symbol, "");
    EXPECT_EQ(store->symbol(desktop("A", 1)), "");
    store->setSymbol(std::nullopt, "A");
    EXPECT_FALSE(store->metas().contains("A")); // no empty records

    store->setName("Only", "B");
    scheduler.advance(SpaceStore::saveDelay);
    EXPECT_EQ(onDisk(), (SpaceMetaMap{{"B", SpaceMeta{.name = "Only"}}}));
    store->setName("", "B");
    scheduler.advance(SpaceStore::saveDelay);
    EXPECT_EQ(onDisk(), SpaceMetaMap{});
}

TEST_F(SpaceStoreTest, ShownNameAndSymbol)
{
    auto store = makeStore();
    store->setName("Mail", "named");
    store->setSymbol("envelope", "named");
    store->setName("Movie", "fs-named");
    store->autoNameProvider = [](const Space& s) -> std::optional<QString> {
        if (s.id == "withApps")
            return QString("Editor");
        if (s.id == "emptyName")
            return QString();
        return std::nullopt;
    };

    struct Case {
        Space space;
        bool autoName;
        QString name;
        QString symbol;
        bool custom;
    };
    const std::vector<Case> cases{
        {desktop("named", 2), false, "Mail", "envelope", true},
        {desktop("named", 2), true, "Mail", "envelope", true},
        {desktop("withApps", 3), true, "Editor", "rectangle.on.rectangle", false},
        {desktop("withApps", 3), false, "Desktop 3", "rectangle.on.rectangle", false},
        {desktop("noApps", 4), true, "Desktop 4", "rectangle.on.rectangle", false},
        {desktop("emptyName", 5), true, "Desktop 5", "rectangle.on.rectangle", false},
        {desktop("unnumbered", std::nullopt), false, "Desktop", "rectangle.on.rectangle", false},
        {fullscreen("fs-named", 812), false, "Movie", "macwindow", true},
        {fullscreen("fs-player", 812), true, "Player", "macwindow", false},
        {fullscreen("fs-quit", 4242), false, "Full Screen", "macwindow", false},
        {fullscreen("fs-nopid", std::nullopt), false, "Full Screen", "macwindow", false},
    };
    for (const Case& c : cases) {
        Settings::defaults().set(Settings::Key::autoNameSpaces, c.autoName);
        EXPECT_EQ(store->displayName(c.space), c.name) << c.space.id.toStdString();
        EXPECT_EQ(store->symbol(c.space), c.symbol) << c.space.id.toStdString();
        EXPECT_EQ(store->hasCustomName(c.space), c.custom) << c.space.id.toStdString();
    }

    store->runningAppProvider = nullptr;
    EXPECT_EQ(store->displayName(fullscreen("fs-player", 812)), "Full Screen");
}

// Full-screen Spaces and desktops without a name of their own are not the pager's.
TEST_F(SpaceStoreTest, ThePagerGetsTheDesktopsOwnNamesByManagedNumber)
{
    auto store = makeStore();
    Space named = desktop("D1", 1);
    named.managedID = 11;
    Space unnamed = desktop("D2", 2);
    unnamed.managedID = 12;
    Space film = fullscreen("F1", 812);
    film.managedID = 13;
    SpaceSnapshot snapshot;
    snapshot.displays.push_back(DisplaySpaces{QStringLiteral("Main"), {named, unnamed, film}, std::nullopt, true});
    store->setName(QStringLiteral("Mail"), QStringLiteral("D1"));
    store->setName(QStringLiteral("Film"), QStringLiteral("F1"));
    EXPECT_EQ(store->desktopNamesByManagedNumber(snapshot), (std::map<std::uint64_t, QString>{{11, "Mail"}}));
    store->setName(std::nullopt, QStringLiteral("D1"));
    EXPECT_TRUE(store->desktopNamesByManagedNumber(snapshot).empty());
}

TEST_F(SpaceStoreTest, DemoModeSamplesReplaceStoredData)
{
    Settings::defaults().set(Settings::Key::demoMode, true);
    auto store = makeStore();
    store->setName("Mine", "A");
    store->setSymbol("star", "A");

    const Space first = desktop("A", 1);
    EXPECT_EQ(store->displayName(first), "Mail & Calendar");
    EXPECT_EQ(store->symbol(first), "envelope");
    EXPECT_TRUE(store->hasCustomName(first));
    EXPECT_EQ(store->displayName(desktop("B", 10)), QString::fromUtf8("Lumivast \u00B7 Xcode"));
    EXPECT_FALSE(store->hasCustomName(desktop("C", std::nullopt)));
    EXPECT_EQ(store->displayName(fullscreen("F", 812)), "Player");
    EXPECT_EQ(store->meta("A").name, "Mine"); // nothing stored is changed
}

TEST_F(SpaceStoreTest, PruneDropsGoneSpacesButKeepsManagedAndFullscreenKeys)
{
    writeFile(R"({"live": {"name": "a"}, "gone": {"name": "b"}, "managed-7": {"name": "c"},
                  "fs:com.example.player": {"name": "d"}})");
    auto store = makeStore();
    QSignalSpy changed(store.get(), &SpaceStore::changed);

    store->prune({"live", "gone", "managed-7", "fs:com.example.player"});
    EXPECT_EQ(store->metas().size(), 4u);
    EXPECT_FALSE(store->isSavePending());
    EXPECT_EQ(changed.count(), 0);

    store->prune({}); // a momentary empty snapshot removes nothing
    EXPECT_EQ(store->metas().size(), 4u);
    EXPECT_FALSE(store->isSavePending());

    store->prune({"live", "other"});
    EXPECT_EQ(store->metas().size(), 3u);
    EXPECT_FALSE(store->metas().contains("gone"));
    EXPECT_TRUE(store->metas().contains("managed-7"));
    EXPECT_TRUE(store->metas().contains("fs:com.example.player"));
    EXPECT_TRUE(store->isSavePending());
    scheduler.advance(SpaceStore::saveDelay);
    EXPECT_EQ(onDisk()->size(), 3u);
}

// Two displays; each row lists the given Space ids (an absent row: the display is missing).
SpaceSnapshot rows(std::optional<QStringList> main, std::optional<QStringList> ext)
{
    SpaceSnapshot snapshot;
    int n = 0;
    for (const auto& [displayID, ids] : {std::pair{QStringLiteral("Main"), main}, std::pair{QStringLiteral("EXT"), ext}}) {
        if (!ids)
            continue;
        DisplaySpaces display{displayID, {}, std::nullopt, displayID == "Main"};
        for (const QString& id : *ids) {
            Space space = desktop(id, ++n);
            space.displayID = displayID;
            space.indexOnDisplay = int(display.spaces.size());
            display.spaces.push_back(space);
        }
        if (!display.spaces.empty())
            display.activeSpaceID = display.spaces.front().id;
        snapshot.displays.push_back(display);
    }
    return snapshot;
}

TEST_F(SpaceStoreTest, PruneAgainstSnapshotsSparesDisplaysThatMomentarilyReportNothing)
{
    writeFile(R"({"A1": {"name": "a1"}, "A2": {"note": "a2"}, "B1": {"name": "b1"}, "B2": {"group": "b2"},
                  "stale": {"name": "s"}, "managed-3": {"name": "m"}})");
    auto store = makeStore();
    const auto keys = [&] {
        QStringList k;
        for (const auto& [key, meta] : store->metas())
            k << key;
        return k;
    };
    // Launch with EXT's row empty: nothing is known of EXT's Spaces, so the unknown record stays.
    store->pruneAgainst(rows(QStringList{"A1", "A2"}, QStringList{}));
    EXPECT_EQ(keys(), (QStringList{"A1", "A2", "B1", "B2", "managed-3", "stale"}));
    store->pruneAgainst(rows(QStringList{"A1", "A2"}, QStringList{"B1", "B2"}));
    EXPECT_EQ(keys(), (QStringList{"A1", "A2", "B1", "B2", "managed-3"})); // a record of no Space anywhere goes
    scheduler.advance(SpaceStore::saveDelay);
    store->pruneAgainst(rows(QStringList{"A1", "A2"}, QStringList{})); // EXT reports an empty row
    store->pruneAgainst(rows(QStringList{"A1", "A2"}, std::nullopt)); // then no row at all
    store->pruneAgainst(rows(QStringList{}, std::nullopt)); // and Main too
    EXPECT_EQ(keys(), (QStringList{"A1", "A2", "B1", "B2", "managed-3"}));
    EXPECT_FALSE(store->isSavePending());

    // Gone from a row that is present and not empty: pruned, whatever the other display says.
    store->pruneAgainst(rows(QStringList{"A1"}, QStringList{}));
    EXPECT_EQ(keys(), (QStringList{"A1", "B1", "B2", "managed-3"}));
    store->pruneAgainst(rows(QStringList{"A1"}, QStringList{"B2"}));
    EXPECT_EQ(keys(), (QStringList{"A1", "B2", "managed-3"}));
    // A Space that moved to the other display is followed there.
    store->pruneAgainst(rows(QStringList{"A1", "B2"}, QStringList{"B3"}));
    store->pruneAgainst(rows(QStringList{"A1"}, QStringList{}));
    EXPECT_EQ(keys(), (QStringList{"A1", "managed-3"}));
    scheduler.advance(SpaceStore::saveDelay);
    EXPECT_EQ(onDisk()->size(), 2u);
}

TEST_F(SpaceStoreTest, FullscreenMetadataFollowsItsApplication)
{
    auto store = makeStore();
    const std::vector<Space> first{desktop("D1", 1), fullscreen("FS1", 812), fullscreen("FS-nameless", 900),
                                   fullscreen("FS-gone", 4242)};
    store->noteFullscreenKeys(first);
    EXPECT_EQ(store->fullscreenKeyByID(), (std::map<QString, QString>{{"FS1", "fs:com.example.player"}}));

    store->setName("Cinema", "FS1");
    store->setColor("#EF5B5B", "FS1");
    EXPECT_EQ(store->meta("fs:com.example.player"), (SpaceMeta{.name = "Cinema", .colorHex = "#EF5B5B"}));
    store->setName("Desk", "D1");
    EXPECT_EQ(store->metas().size(), 3u); // desktops are not mirrored

    // The app leaves full screen and enters it again on a new Space.
    const std::vector<Space> second{desktop("D1", 1), fullscreen("FS2", 812), fullscreen("FS3", 812)};
    store->setName("Own", "FS3");
    store->prune({"D1", "FS2", "FS3"});
    store->noteFullscreenKeys(second);
    scheduler.advance(SpaceStore::saveDelay);
    store->adoptFullscreenMemory(second);
    EXPECT_FALSE(store->metas().contains("FS1"));
    EXPECT_EQ(store->meta("FS2"), (SpaceMeta{.name = "Cinema", .colorHex = "#EF5B5B"}));
    EXPECT_EQ(store->meta("FS3").name, "Own"); // an existing record is kept
    EXPECT_FALSE(store->isSavePending());      // adoption alone schedules no save

    // Clearing every field of the full-screen Space also forgets the app's record.
    store->setName(std::nullopt, "FS2");
    store->setColor(std::nullopt, "FS2");
    EXPECT_FALSE(store->metas().contains("FS2"));
    EXPECT_FALSE(store->metas().contains("fs:com.example.player"));
}

TEST_F(SpaceStoreTest, ReplaceAllTakesTheMappingAsItIs)
{
    auto store = makeStore();
    store->setName("Old", "A");
    const SpaceMetaMap profile{{"B", SpaceMeta{.name = "Profile"}}, {"C", SpaceMeta{}}};
    store->replaceAll(profile);
    EXPECT_EQ(store->metas(), profile);
    scheduler.advance(SpaceStore::saveDelay);
    EXPECT_EQ(onDisk(), profile);
}

TEST_F(SpaceStoreTest, RememberKeepsTwentyRecentNamesCaseInsensitively)
{
    auto store = makeStore();
    UserDefaults& d = Settings::defaults();
    d.set(Settings::Key::recentSpaceNames, QJsonArray{"Mail", "code", "Chat"});
    store->remember("Code");
    EXPECT_EQ(d.stringList(Settings::Key::recentSpaceNames), (QStringList{"Code", "Mail", "Chat"}));

    d.set(Settings::Key::recentSpaceNames, QJsonArray{1, 2}); // not a list of texts: counts as empty
    store->remember("Mail");
    EXPECT_EQ(d.stringList(Settings::Key::recentSpaceNames), QStringList{"Mail"});

    for (int i = 0; i < 25; ++i)
        store->remember(QString("N%1").arg(i));
    const QStringList recent = d.stringList(Settings::Key::recentSpaceNames).value();
    ASSERT_EQ(recent.size(), 20);
    EXPECT_EQ(recent.front(), "N24");
    EXPECT_EQ(recent.back(), "N5");
}

TEST(SpaceStoreChoices, FixedLists)
{
    ASSERT_EQ(SpaceStore::symbolChoices().size(), 24);
    EXPECT_EQ(SpaceStore::symbolChoices().front(), "rectangle.on.rectangle");
    EXPECT_EQ(SpaceStore::symbolChoices()[3], "chevron.left.forwardslash.chevron.right");
    EXPECT_EQ(SpaceStore::symbolChoices().back(), "bolt");
    ASSERT_EQ(SpaceStore::colorChoices().size(), 9u);
    EXPECT_EQ(SpaceStore::colorChoices().front().name, "Blue");
    EXPECT_EQ(SpaceStore::colorChoices().front().hex, "#4F7BF7");
    EXPECT_EQ(SpaceStore::colorChoices().back().hex, "#8E8E93");
    ASSERT_EQ(SpaceStore::namePresets().size(), 16);
    EXPECT_EQ(SpaceStore::namePresets().front(), "Mail");
    EXPECT_EQ(SpaceStore::namePresets().back(), "Games");
}

TEST_F(SpaceStoreTest, NamesAreStoredOnOneLineOnEveryRoadIn)
{
    writeFile(R"({"A": {"name": "Mail\nInbox"}})");
    auto store = makeStore();
    EXPECT_EQ(store->meta("A").name, "Mail Inbox");
    for (const QString& broken : {QStringLiteral("Code\r\nReview"), QStringLiteral("Code\rReview"), QStringLiteral("Code\u2028Review")}) {
        store->setName(broken, "B");
        EXPECT_EQ(store->meta("B").name, "Code Review");
    }
    store->replaceAll({{"C", SpaceMeta{.name = QStringLiteral("Chat\n\nRoom")}}});
    EXPECT_EQ(store->meta("C").name, "Chat  Room");
    store->remember(QStringLiteral("Two\nLines"));
    EXPECT_EQ(Settings::defaults().stringList(Settings::Key::recentSpaceNames)->front(), "Two Lines");
}

TEST_F(SpaceStoreTest, RecentNamesReachTheDiskAfterTheDebounceNotAtEachRename)
{
    auto store = makeStore();
    UserDefaults& d = Settings::defaults();
    const QString path = d.filePath();
    auto onDiskNames = [&] { return QJsonDocument::fromJson(DataFile::read(path).bytes).object().value(Settings::Key::recentSpaceNames); };
    for (int i = 0; i < 5; ++i) {
        store->remember(QString("N%1").arg(i));
        scheduler.advance(100ms);
    }
    EXPECT_EQ(d.stringList(Settings::Key::recentSpaceNames)->front(), "N4"); // at once in memory
    EXPECT_TRUE(onDiskNames().isUndefined());
    scheduler.advance(SpaceStore::saveDelay);
    EXPECT_EQ(onDiskNames().toArray().first().toString(), "N4");

    // A quit writes what is waiting.
    store->remember("Last");
    store->flushPendingSave();
    EXPECT_EQ(onDiskNames().toArray().first().toString(), "Last");
}

TEST_F(SpaceStoreTest, AFileOverTheSizeCapIsSetAsideUnread)
{
    {
        QFile huge(filePath());
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.write(R"({"A": {"name": "Mail"}})"));
        ASSERT_TRUE(huge.resize(DataFile::kMaxReadBytes + 1)); // sparse: costs no disk
    }
    auto store = makeStore();
    EXPECT_TRUE(store->metas().empty());
    EXPECT_EQ(asideFiles().size(), 1);
    ASSERT_EQ(DataFile::setAsideFiles().size(), 1u); // the user is told
    EXPECT_EQ(DataFile::setAsideFiles().front().path, filePath());
}
