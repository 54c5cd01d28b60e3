#include "Core/Windows/LayoutManager.h"

#include "Core/Spaces/AppPaths.h"
#include "Platform/DataFile.h"
#include "tests/Core/WindowWorld.h"

#include <QDir>
#include <QFile>

using namespace lumivast;
using lumivast::test::WindowWorldTest;
using lumivast::test::kExtDisplay;
using Entry = WindowLayout::Entry;

namespace {

const QString kBothDisplays = kExtDisplay + QStringLiteral("+Main");

class LayoutManagerTest : public WindowWorldTest {
protected:
    LayoutManagerTest() { readContents(); }

    QString path(const QString& name, const QString& setup) { return LayoutManager::filePath(name, setup); }
    QByteArray bytes(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeFile(const QString& file, const QByteArray& data) { ASSERT_TRUE(DataFile::write(file, data)); }
    QStringList layoutFiles() { return QDir(LayoutManager::folder()).entryList(QDir::Files, QDir::Name); }
    // Files keep whole seconds.
    static void expectSame(const std::optional<WindowLayout>& loaded, const WindowLayout& saved)
    {
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded->name, saved.name);
        EXPECT_EQ(loaded->savedAt.toSecsSinceEpoch(), saved.savedAt.toSecsSinceEpoch());
        EXPECT_EQ(loaded->displaySetup, saved.displaySetup);
        EXPECT_EQ(loaded->entries, saved.entries);
    }

    // Runs a restore or eject to its end and returns what the completion got.
    template <typename Start>
    std::optional<int> finish(Start start)
    {
        std::optional<int> count;
        int calls = 0;
        start([&](int n) {
            count = n;
            ++calls;
        });
        EXPECT_FALSE(count.has_value()) << "the completion is never called at once";
        scheduler.advance(1s);
        EXPECT_LE(calls, 1);
        return count;
    }
    std::optional<int> restore(const WindowLayout& layout)
    {
        return finish([&](auto done) { layouts.restore(layout, snapshot(), done); });
    }

    WindowMover mover{switcher, scheduler};
    LayoutManager layouts{mover, contents, scheduler};
};

// ---- the display-setup key and file names ----

TEST_F(LayoutManagerTest, DisplaySetupIsSortedAndIndependentOfTheSystemsOrder)
{
    SpaceSnapshot listed = snapshot();
    ASSERT_EQ(listed.displays.size(), 2u);
    EXPECT_EQ(LayoutManager::displaySetup(listed), kBothDisplays);
    std::reverse(listed.displays.begin(), listed.displays.end());
    EXPECT_EQ(LayoutManager::displaySetup(listed), kBothDisplays);
    listed.displays.pop_back();
    EXPECT_EQ(LayoutManager::displaySetup(listed), kExtDisplay);
    EXPECT_EQ(LayoutManager::displaySetup(SpaceSnapshot::empty()), QString());
}

TEST_F(LayoutManagerTest, FileKeysReplaceSlashesAndShortenLongKeysWithAStableHash)
{
    EXPECT_EQ(LayoutManager::fileKey("manual", "Main"), "manual--Main");
    EXPECT_EQ(LayoutManager::fileKey("auto-setup", "Main"), "auto-setup--Main");
    EXPECT_EQ(LayoutManager::fileKey("a/b", "x/y"), "a-b--x-y");
    EXPECT_TRUE(path("manual", "Main").endsWith("/Lumivast/Layouts/manual--Main.json"));

    // "--" and the setup make 6 characters: a name of 114 gives exactly 120.
    const QString exactly = QString(114, QLatin1Char('n'));
    EXPECT_EQ(LayoutManager::fileKey(exactly, "Main"), exactly + "--Main");

    const QString longer = QString(115, QLatin1Char('n'));
    const QString key = LayoutManager::fileKey(longer, "Main");
    EXPECT_TRUE(key.startsWith(QString(60, QLatin1Char('n'))));
    bool isNumber = false;
    key.mid(60).toLongLong(&isNumber);
    EXPECT_TRUE(isNumber) << key.toStdString();
    EXPECT_EQ(LayoutManager::fileKey(longer, "Main"), key); // the same every time
    EXPECT_NE(LayoutManager::fileKey(longer, "Main2"), key);

    // Characters are what the user sees: an accented letter written as two code points counts once.
    const QString accented = QStringLiteral("e\u0301");
    QString wide;
    for (int i = 0; i < 114; ++i)
        wide += accented;
    EXPECT_EQ(LayoutManager::fileKey(wide, "Main"), wide + "--Main");
    const QString shortened = LayoutManager::fileKey(wide + accented, "Main");
    EXPECT_TRUE(shortened.startsWith(wide.left(120))); // 60 characters, 120 code points
    EXPECT_FALSE(shortened.mid(120).startsWith(QChar(0x301)));
}

// ---- capture, save, load ----

TEST_F(LayoutManagerTest, CaptureRecordsListedWindowsOfAppsOnOrdinarySpaces)
{
    addFrontWindow(30, 999, QRectF(10, 10, 300, 300), {1}); // an app the system knows no bundle of
    readContents();
    const WindowLayout layout = layouts.capture("manual", snapshot());
    EXPECT_EQ(layout.name, "manual");
    EXPECT_EQ(layout.savedAt, scheduler.wallNow());
    EXPECT_EQ(layout.displaySetup, kBothDisplays);
    // The movie on the full-screen Space and the window without a bundle are left out.
    const std::vector<Entry> expected{
        {"org.example.browser", "Start", QRectF(100, 50, 600, 400), "S1", "Main"},
        {"org.example.editor", "a.txt", QRectF(200, 120, 800, 600), "S2", "Main"},
        {"org.example.editor", "b.txt", QRectF(260, 160, 800, 600), "S2", "Main"},
        {"org.example.terminal", "shell", QRectF(300, 200, 700, 450), "S3", "Main"},
        {"org.example.notes", "Scratch", QRectF(400, 300, 500, 400), "S3", "Main"},
    };
    EXPECT_EQ(layout.entries, expected);
    EXPECT_TRUE(layoutFiles().isEmpty());
}

TEST_F(LayoutManagerTest, SaveWritesOneCompactFileAndAutoAlsoWritesItsSetupTwin)
{
    const WindowLayout manual = layouts.save("manual", snapshot());
    EXPECT_EQ(layoutFiles(), QStringList{"manual--" + kBothDisplays + ".json"});
    const QByteArray written = bytes(path("manual", kBothDisplays));
    EXPECT_FALSE(written.contains('\n'));
    EXPECT_TRUE(written.contains(R"("savedAt":"2026-01-05T09:00:00Z")")); // the fraction of a second is dropped
    EXPECT_TRUE(written.contains(R"("frame":[[100,50],[600,400]])"));
    expectSame(layouts.load("manual", kBothDisplays), manual);

    const WindowLayout automatic = layouts.save("auto", snapshot());
    EXPECT_EQ(layoutFiles().size(), 3u);
    EXPECT_EQ(bytes(path("auto", kBothDisplays)), bytes(path("auto-setup", kBothDisplays)));
    EXPECT_EQ(layouts.load("auto-setup", kBothDisplays)->name, "auto");
    expectSame(layouts.load("auto", kBothDisplays), automatic);
    EXPECT_FALSE(layouts.load("manual", "Main"));
}

TEST_F(LayoutManagerTest, AnEmptyLayoutIsReturnedButNeverWritten)
{
    ASSERT_EQ(layouts.save("manual", snapshot()).entries.size(), 5u);
    world->windows.clear();
    readContents();
    const WindowLayout empty = layouts.save("manual", snapshot());
    EXPECT_TRUE(empty.entries.empty());
    EXPECT_EQ(empty.name, "manual");
    EXPECT_EQ(layouts.load("manual", kBothDisplays)->entries.size(), 5u); // the older file stands
}

TEST_F(LayoutManagerTest, EachDisplaySetupKeepsItsOwnLayout)
{
    layouts.save("manual", snapshot());
    // The external display goes; its Spaces with it.
    world->displays.pop_back();
    window(12).frame = QRectF(0, 30, 640, 480);
    readContents();
    const SpaceSnapshot single = snapshot();
    ASSERT_EQ(LayoutManager::displaySetup(single), "Main");
    layouts.save("manual", single);

    EXPECT_EQ(layoutFiles(), (QStringList{"manual--" + kBothDisplays + ".json", "manual--Main.json"}));
    EXPECT_EQ(layouts.load("manual", "Main")->entries[1].frame, QRectF(0, 30, 640, 480));
    EXPECT_EQ(layouts.load("manual", kBothDisplays)->entries[1].frame, QRectF(200, 120, 800, 600));
}

TEST_F(LayoutManagerTest, ReadingIsStrictAndAnUndecodableFileIsKeptAside)
{
    const QByteArray good = R"({"name":"manual","savedAt":"2026-01-31T09:15:00Z","displaySetup":"Main","entries":[)"
                            R"({"bundleID":"b","title":"t","frame":[[1,2],[3,4]],"spaceUUID":"S1","displayID":"Main"}]})";
    writeFile(path("manual", "Main"), good);
    const auto loaded = layouts.load("manual", "Main");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->savedAt, QDateTime(QDate(2026, 1, 31), QTime(9, 15), Qt::UTC));
    EXPECT_EQ(loaded->entries, (std::vector<Entry>{{"b", "t", QRectF(1, 2, 3, 4), "S1", "Main"}}));

    const std::vector<std::pair<const char*, QByteArray>> broken{
        {"not JSON", "{"},
        {"an array", "[]"},
        {"no entries", R"({"name":"manual","savedAt":"2026-01-31T09:15:00Z","displaySetup":"Main"})"},
        {"fractional seconds", QByteArray(good).replace("09:15:00Z", "09:15:00.5Z")},
        {"date without zone", QByteArray(good).replace("09:15:00Z", "09:15:00")},
        {"numeric name", QByteArray(good).replace(R"("name":"manual")", R"("name":7)")},
        {"entry without displayID", QByteArray(good).replace(R"(,"displayID":"Main")", "")},
        {"flat frame", QByteArray(good).replace("[[1,2],[3,4]]", "[1,2,3,4]")},
        {"null title", QByteArray(good).replace(R"("title":"t")", R"("title":null)")},
    };
    for (const auto& [what, data] : broken) {
        SCOPED_TRACE(what);
        EXPECT_FALSE(WindowLayout::decode(data));
        writeFile(path("manual", "Main"), data);
        EXPECT_FALSE(layouts.load("manual", "Main"));
        EXPECT_FALSE(QFile::exists(path("manual", "Main")));
    }
    EXPECT_EQ(layoutFiles().filter(".unreadable-").size(), broken.size());
}

TEST_F(LayoutManagerTest, SavingOverAnUndecodableFileMovesItAsideFirst)
{
    const QString file = path("auto-setup", kBothDisplays);
    writeFile(file, "not a layout");
    layouts.save("auto", snapshot());
    ASSERT_TRUE(layouts.load("auto-setup", kBothDisplays));
    const QStringList aside = layoutFiles().filter("auto-setup--" + kBothDisplays + ".json.unreadable-");
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(bytes(LayoutManager::folder() + "/" + aside[0]), "not a layout");
}

// ---- restore ----

TEST_F(LayoutManagerTest, RestorePutsWindowsBackOnTheirSpacesAndFrames)
{
    const WindowLayout layout = layouts.save("manual", snapshot());
    // The user rearranges: an editor window goes to the external display and is resized; the shell is moved.
    window(12).spaces = {5};
    window(12).frame = QRectF(1600, 40, 500, 300);
    window(14).frame = QRectF(0, 0, 400, 300);
    readContents();
    world->accessibility().clearLog();

    EXPECT_EQ(restore(layout), 1); // the frame-only change is not counted
    EXPECT_EQ(spacesOf(12), std::vector<std::uint64_t>{2});
    EXPECT_EQ(window(12).frame, QRectF(200, 120, 800, 600));
    EXPECT_EQ(window(14).frame, QRectF(300, 200, 700, 450));
    // Windows already where they were recorded are left alone.
    EXPECT_FALSE(axLog().contains("position 11"));
    EXPECT_FALSE(axLog().contains("position 13"));
}

TEST_F(LayoutManagerTest, RestoreMatchesByTitleFirstThenByApp)
{
    window(13).title = "a.txt";
    addFrontWindow(17, 402, QRectF(10, 10, 400, 400), {2});
    addFrontWindow(18, 402, QRectF(20, 20, 400, 400), {2});
    window(17).title = "a.txt";
    window(18).title = "";
    readContents();
    std::vector<std::uint32_t> editorOrder;
    for (const auto& w : contents.windows()) {
        if (w.pid == 402)
            editorOrder.push_back(w.id);
    }
    ASSERT_EQ(editorOrder, (std::vector<std::uint32_t>{18, 17, 12, 13}));

    WindowLayout layout{"manual", scheduler.wallNow(), kBothDisplays, {}};
    const auto entry = [](const char* title, const char* space) {
        return Entry{"org.example.editor", title, QRectF(200, 120, 800, 600), space, "Main"};
    };
    layout.entries = {entry("x.txt", "S1"), entry("a.txt", "S3"), entry("a.txt", "S5"), entry("a.txt", "S6")};

    EXPECT_EQ(restore(layout), 4);
    // 18 has no title: the first remaining entry of its app, even one with a title.
    EXPECT_EQ(spacesOf(18), std::vector<std::uint64_t>{1});
    // 17 and 12 take the "a.txt" entries in entry order; 13 the last one left.
    EXPECT_EQ(spacesOf(17), std::vector<std::uint64_t>{3});
    EXPECT_EQ(spacesOf(12), std::vector<std::uint64_t>{5});
    EXPECT_EQ(spacesOf(13), std::vector<std::uint64_t>{6});
}

TEST_F(LayoutManagerTest, RestoreSkipsWhatItCannotPlace)
{
    addFrontWindow(30, 999, QRectF(10, 10, 300, 300), {1}); // no bundle identifier
    window(12).moves = SimWorld::WindowMoves::ignore;
    readContents();
    WindowLayout layout{"manual", scheduler.wallNow(), kBothDisplays, {}};
    layout.entries = {
        {"org.example.browser", "Start", QRectF(1, 1, 500, 500), "gone", "Main"}, // its Space no longer exists
        {"org.example.editor", "a.txt", QRectF(2, 2, 500, 500), "S6", "Main"},    // the system will not move it
        {"org.example.terminal", "shell", QRectF(3, 3, 500, 500), "S5", "Main"},
        {"", "", QRectF(4, 4, 500, 500), "S5", "Main"},
    };
    world->app(403)->unresponsive = true; // moves, but its frame cannot be set

    EXPECT_EQ(restore(layout), 1);
    EXPECT_EQ(window(11).frame, QRectF(100, 50, 600, 400));
    EXPECT_EQ(spacesOf(11), std::vector<std::uint64_t>{1});
    EXPECT_EQ(spacesOf(12), std::vector<std::uint64_t>{2});
    EXPECT_EQ(window(12).frame, QRectF(2, 2, 500, 500)); // the frame is set even so
    EXPECT_EQ(spacesOf(14), std::vector<std::uint64_t>{5});
    EXPECT_EQ(window(14).frame, QRectF(300, 200, 700, 450));
    EXPECT_EQ(window(30).frame, QRectF(10, 10, 300, 300));
    EXPECT_EQ(spacesOf(30), std::vector<std::uint64_t>{1});
}

TEST_F(LayoutManagerTest, RestoringWithNothingToMatchReportsZeroLater)
{
    WindowLayout layout{"manual", scheduler.wallNow(), "Main", {{"org.example.other", "x", QRectF(), "S1", "Main"}}};
    EXPECT_EQ(restore(layout), 0);
    EXPECT_EQ(restore(WindowLayout{}), 0);
}

// ---- auto-save ----

TEST_F(LayoutManagerTest, AutoSaveWritesAutoEveryFiveMinutesWhileTheSettingIsOn)
{
    int asked = 0;
    layouts.startAutoSave([&] {
        ++asked;
        return snapshot();
    });
    EXPECT_TRUE(layouts.isAutoSaving());
    scheduler.advance(299s);
    EXPECT_TRUE(layoutFiles().isEmpty());
    scheduler.advance(1s);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(layoutFiles(), (QStringList{"auto--" + kBothDisplays + ".json", "auto-setup--" + kBothDisplays + ".json"}));

    home.defaults().set(Settings::Key::autoSaveLayout, false);
    QFile::remove(path("auto", kBothDisplays));
    scheduler.advance(300s);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(QFile::exists(path("auto", kBothDisplays)));

    home.defaults().set(Settings::Key::autoSaveLayout, true);
    scheduler.advance(300s);
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(QFile::exists(path("auto", kBothDisplays)));
}

TEST_F(LayoutManagerTest, StartingAutoSaveAgainReplacesTheTimer)
{
    int first = 0, second = 0;
    layouts.startAutoSave([&] {
        ++first;
        return snapshot();
    });
    scheduler.advance(200s);
    layouts.startAutoSave([&] {
        ++second;
        return snapshot();
    });
    scheduler.advance(200s);
    EXPECT_EQ(first + second, 0);
    scheduler.advance(100s);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
}

// ---- preparing to unplug ----

class EjectTest : public LayoutManagerTest {
protected:
    std::optional<int> eject(const SpaceSnapshot& at)
    {
        return finish([&](auto done) { layouts.ejectExternalDisplays(at, done); });
    }
};

// Built-in B: desktops 1, 2 and the full-screen 3. External X: 4, 5, full-screen 6, 7, 8. External Y: 9, 10.
const char* kThreeDisplays = R"({
  "displays": [ { "uuid": "B0000000-0000-4000-8000-000000000001", "builtin": true, "main": true, "current": 1,
                  "spaces": [ {"managedID": 1, "uuid": "B1"}, {"managedID": 2, "uuid": "B2"},
                              {"managedID": 3, "uuid": "B3", "type": "fullscreen", "pid": 505} ] },
                { "uuid": "C0000000-0000-4000-8000-000000000002", "current": 4,
                  "spaces": [ {"managedID": 4, "uuid": "X1"}, {"managedID": 5, "uuid": "X2"},
                              {"managedID": 6, "uuid": "X3", "type": "fullscreen", "pid": 505},
                              {"managedID": 7, "uuid": "X4"}, {"managedID": 8, "uuid": "X5"} ] },
                { "uuid": "D0000000-0000-4000-8000-000000000003", "current": 9,
                  "spaces": [ {"managedID": 9, "uuid": "Y1"}, {"managedID": 10, "uuid": "Y2"} ] } ],
  "menuBarDisplay": "C0000000-0000-4000-8000-000000000002",
  "apps": [ {"pid": 501, "bundleID": "org.example.a", "name": "A"}, {"pid": 505, "bundleID": "org.example.video", "name": "Video"} ],
  "windows": [ {"id": 1, "pid": 501, "spaces": [1]}, {"id": 4, "pid": 501, "spaces": [4]}, {"id": 5, "pid": 501, "spaces": [5]},
               {"id": 6, "pid": 505, "spaces": [6]}, {"id": 7, "pid": 501, "spaces": [7]}, {"id": 8, "pid": 501, "spaces": [8]},
               {"id": 80, "pid": 501, "spaces": [8]}, {"id": 9, "pid": 501, "spaces": [9]}, {"id": 10, "pid": 501, "spaces": [10]} ]
})";

TEST_F(EjectTest, WindowsOfExternalSpacesGoToTheBuiltInSpaceAtTheSamePosition)
{
    install(worldFrom(kThreeDisplays));
    readContents();
    window(80).moves = SimWorld::WindowMoves::ignore; // not counted

    EXPECT_EQ(eject(snapshot()), 6);
    const std::vector<std::pair<std::uint32_t, std::uint64_t>> expected{
        {1, 1}, {4, 1}, {5, 2}, {6, 6}, {7, 2}, {8, 2}, {80, 8}, {9, 1}, {10, 2}};
    for (const auto& [id, space] : expected)
        EXPECT_EQ(spacesOf(id), std::vector<std::uint64_t>{space}) << "window " << id;
    // The layout was saved first, so it can be put back on reconnecting.
    const QString setup = "B0000000-0000-4000-8000-000000000001+C0000000-0000-4000-8000-000000000002+D0000000-0000-4000-8000-000000000003";
    const auto saved = layouts.load("auto-setup", setup);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->entries.size(), 8u);
    EXPECT_EQ(saved->entries[1].spaceUUID, "X1");
}

TEST_F(EjectTest, WithoutABuiltInDisplayTheMenuBarDisplayKeepsTheWindows)
{
    install(worldFrom(kThreeDisplays));
    world->displays[0].builtin = false;
    readContents();
    EXPECT_EQ(eject(snapshot()), 3);
    EXPECT_EQ(spacesOf(1), std::vector<std::uint64_t>{4});
    EXPECT_EQ(spacesOf(9), std::vector<std::uint64_t>{4});
    EXPECT_EQ(spacesOf(10), std::vector<std::uint64_t>{5});
    EXPECT_EQ(spacesOf(8), std::vector<std::uint64_t>{8}); // nothing on the target is touched
}

TEST_F(EjectTest, WithOnlyTheBuiltInDisplayNothingMovesButTheLayoutIsSaved)
{
    world->displays.pop_back();
    world->displays[0].builtin = true;
    readContents();
    EXPECT_EQ(eject(snapshot()), 0);
    EXPECT_TRUE(layouts.load("auto", "Main"));
    EXPECT_EQ(spacesOf(12), std::vector<std::uint64_t>{2});
}

TEST_F(EjectTest, WithNoDisplayOrNoUsableSpaceTheAnswerIsZeroAtOnce)
{
    std::optional<int> count;
    layouts.ejectExternalDisplays(SpaceSnapshot::empty(), [&](int n) { count = n; });
    EXPECT_EQ(count, 0);

    world->displays[0].builtin = true;
    SpaceSnapshot onlyFullScreen = snapshot();
    std::erase_if(onlyFullScreen.displays[0].spaces, [](const Space& s) { return !s.isFullscreen; });
    count.reset();
    layouts.ejectExternalDisplays(onlyFullScreen, [&](int n) { count = n; });
    EXPECT_EQ(count, 0);
    scheduler.advance(1s);
    EXPECT_EQ(spacesOf(12), std::vector<std::uint64_t>{2});
}

} // namespace
