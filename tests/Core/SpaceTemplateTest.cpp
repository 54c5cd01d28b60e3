#include "Core/Profiles/SpaceTemplate.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/AppPaths.h"
#include "Core/Spaces/SpaceProvider.h"
#include "Core/Spaces/SpaceStore.h"
#include "Platform/DataFile.h"
#include "tests/support/SimWorldTest.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

// Desktops 1 and 2, a full-screen Space, desktop 3; one installed app known by its
// bundle identifier and one only as a bundle in /Applications.
constexpr const char* kThreeDesktops = R"({
  "displays": [ { "uuid": "D1", "main": true, "frame": {"x": 0, "y": 0, "w": 1440, "h": 900}, "current": 1,
                  "spaces": [ {"managedID": 1, "uuid": "S1"}, {"managedID": 2, "uuid": "S2"},
                              {"managedID": 9, "uuid": "F9", "type": "fullscreen", "pid": 700},
                              {"managedID": 3, "uuid": "S3"} ] } ],
  "apps": [ {"pid": 700, "bundleID": "com.example.player", "name": "Player"} ],
  "installed": [ {"path": "/Applications/Terminal.app", "bundleID": "com.apple.Terminal"},
                 {"path": "/Applications/Sketch Pad.app"} ]
})";

constexpr const char* kSixDesktops = R"({
  "displays": [ { "uuid": "D1", "main": true, "frame": {"x": 0, "y": 0, "w": 1440, "h": 900}, "current": 1,
                  "spaces": [ {"managedID": 1, "uuid": "S1"}, {"managedID": 2, "uuid": "S2"}, {"managedID": 3, "uuid": "S3"},
                              {"managedID": 4, "uuid": "S4"}, {"managedID": 5, "uuid": "S5"}, {"managedID": 6, "uuid": "S6"} ] } ]
})";

const SpaceTemplate& builtIn(const QString& name)
{
    for (const SpaceTemplate& t : SpaceTemplate::builtIn()) {
        if (t.name == name)
            return t;
    }
    throw std::runtime_error("no such template");
}

class SpaceTemplateTest : public test::SimWorldTest {
protected:
    void SetUp() override { Settings::registerDefaults(); }
    SpaceSnapshot snapshot() { return SpaceProvider::snapshot(scheduler).value_or(SpaceSnapshot{}); }
    QString templatesPath() const { return AppPaths::file(QStringLiteral("templates.json")); }
    QString importFile(const QByteArray& bytes)
    {
        static int n = 0;
        const QString path = home.path(QStringLiteral("import-%1.json").arg(++n));
        EXPECT_TRUE(DataFile::write(path, bytes));
        return path;
    }
    QByteArray templatesBytes() const
    {
        QFile file(templatesPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    SpaceStore store{scheduler, AppPaths::file(QStringLiteral("spaces.json"))};
};

} // namespace

TEST_F(SpaceTemplateTest, BuiltInTemplatesInOrderWithTheirSlots)
{
    QStringList names;
    for (const SpaceTemplate& t : SpaceTemplate::builtIn())
        names.append(t.name + ":" + QString::number(t.slotList.size()));
    EXPECT_EQ(names, (QStringList{"Developer:5", "Designer:4", "Freelancer:5", "Student:4", "Streamer:4"}));
    const SpaceTemplate::Slot& code = builtIn("Developer").slotList[0];
    EXPECT_EQ(code, (SpaceTemplate::Slot{"Code", "chevron.left.forwardslash.chevron.right", "#9B6BF4",
                                         "Editor and terminal", {"com.microsoft.VSCode", "com.apple.Terminal"}, {}}));
    EXPECT_EQ(builtIn("Freelancer").slotList[3].note, "Invoices and email");
    EXPECT_EQ(builtIn("Streamer").slotList[0].apps, QStringList{"com.obsproject.obs-studio"});
}

TEST_F(SpaceTemplateTest, DeveloperSkipsTheFullScreenSpaceAndReportsWhatIsMissing)
{
    install(worldFrom(kThreeDesktops));
    store.setNote("old note", "S3");
    store.setGroup("Work", "S1");
    const auto result = builtIn("Developer").apply(snapshot(), store);
    EXPECT_EQ(result, (SpaceTemplate::Result{3, 2}));
    EXPECT_EQ(store.meta("S1").name, "Code");
    EXPECT_EQ(store.meta("S2").name, "Browser");
    EXPECT_EQ(store.meta("S3").name, "Chat");
    EXPECT_FALSE(store.meta("F9").name);
    EXPECT_EQ(store.meta("S3").colorHex, "#F45E8C");
    EXPECT_FALSE(store.meta("S3").note); // a slot without a note clears the old one
    EXPECT_EQ(store.meta("S1").group, "Work");
    // Only Terminal is installed; VS Code is dropped.
    EXPECT_EQ(store.meta("S1").automation->launchApps, QStringList{"/Applications/Terminal.app"});
    // A slot with no app still leaves an automation that only launches into an empty Space.
    ASSERT_TRUE(store.meta("S2").automation);
    EXPECT_TRUE(store.meta("S2").automation->launchOnlyIfEmpty);
    EXPECT_EQ(Settings::defaults().stringList(Settings::Key::recentSpaceNames)->mid(0, 3),
              (QStringList{"Chat", "Browser", "Code"}));
}

TEST_F(SpaceTemplateTest, StudentOnSixDesktopsLeavesTheRestAlone)
{
    install(worldFrom(kSixDesktops));
    store.setName("Keep", "S5");
    EXPECT_EQ(builtIn("Student").apply(snapshot(), store), (SpaceTemplate::Result{4, 0}));
    QStringList names;
    for (const char* id : {"S1", "S2", "S3", "S4", "S5", "S6"})
        names.append(store.meta(id).name.value_or("-"));
    EXPECT_EQ(names, (QStringList{"Class", "Research", "Writing", "Chill", "Keep", "-"}));
}

TEST_F(SpaceTemplateTest, AutomationKeepsEverythingButAppsUrlsAndOnlyIfEmpty)
{
    install(worldFrom(kThreeDesktops));
    SpaceAutomation before;
    before.launchApps = {"/old.app"};
    before.openURLs = {"https://old.example"};
    before.launchOnce = false;
    before.keystrokeOnEnter = "cmd+k";
    before.pinnedApps = {"a.b", "c.d"};
    before.scriptOnLeave = "echo bye";
    store.setAutomation(before, "S1");
    SpaceTemplate custom{"Custom", "", {{"  Web  ", std::nullopt, std::nullopt, " \n", {"Sketch Pad", "Nowhere", "com.apple.Terminal"},
                                         {"https://example.org"}}}};
    custom.apply(snapshot(), store);
    SpaceAutomation expected = before;
    expected.launchApps = {"/Applications/Sketch Pad.app", "/Applications/Terminal.app"};
    expected.openURLs = {"https://example.org"};
    expected.launchOnlyIfEmpty = true;
    EXPECT_EQ(store.meta("S1").automation, expected);
    EXPECT_EQ(store.meta("S1").name, "Web");
    EXPECT_FALSE(store.meta("S1").note);
    EXPECT_FALSE(store.meta("S1").symbol);

    // A name of white space clears the name and is not remembered.
    const QStringList recent = Settings::defaults().stringList(Settings::Key::recentSpaceNames).value_or(QStringList{});
    SpaceTemplate blank{"Blank", "", {{" \t", std::nullopt, std::nullopt, std::nullopt, {}, {}}}};
    blank.apply(snapshot(), store);
    EXPECT_FALSE(store.meta("S1").name);
    EXPECT_EQ(Settings::defaults().stringList(Settings::Key::recentSpaceNames).value_or(QStringList{}), recent);
}

TEST_F(SpaceTemplateTest, ImportReplacesBySameExactNameAndMovesItLast)
{
    const QByteArray designer = R"({"name":"Designer","summary":"mine","slots":[{"name":"Ink","apps":[],"urls":[]}]})";
    const QByteArray other = R"({"name":"Other","summary":"","slots":[]})";
    const QByteArray designer2 = R"({"name":"Designer","summary":"again","slots":[{"name":"Pen","symbol":"pencil","apps":["x"],"urls":["u"]}]})";
    ASSERT_TRUE(SpaceTemplate::importFile(importFile(designer), templatesPath()));
    ASSERT_TRUE(SpaceTemplate::importFile(importFile(other), templatesPath()));
    const auto second = SpaceTemplate::importFile(importFile(designer2), templatesPath());
    ASSERT_TRUE(second);
    EXPECT_EQ(second->slotList[0].symbol, "pencil");
    const auto list = SpaceTemplate::imported(templatesPath());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "Other");
    EXPECT_EQ(list[1].summary, "again");
    EXPECT_FALSE(templatesBytes().contains('\n')); // compact
}

TEST_F(SpaceTemplateTest, ImportThatFailsLeavesTheTemplatesFileByteIdentical)
{
    ASSERT_TRUE(SpaceTemplate::importFile(importFile(R"({"name":"Keep","summary":"","slots":[]})"), templatesPath()));
    const QByteArray before = templatesBytes();
    const std::vector<std::pair<QByteArray, SpaceTemplate::ImportFailure>> cases{
        {R"([{"name":"A","summary":"","slots":[]}])", SpaceTemplate::ImportFailure::undecodable},
        {R"({"name":"A","summary":"","slots":[{"name":"x","urls":[]}]})", SpaceTemplate::ImportFailure::undecodable},
        {R"({"name":"A","summary":"","slots":[{"name":"x","apps":[],"urls":[],"note":5}]})", SpaceTemplate::ImportFailure::undecodable},
        {R"({"name":"A","slots":[]})", SpaceTemplate::ImportFailure::undecodable},
        {"not json", SpaceTemplate::ImportFailure::undecodable},
    };
    for (const auto& [bytes, failure] : cases) {
        const auto result = SpaceTemplate::importFile(importFile(bytes), templatesPath());
        ASSERT_FALSE(result) << bytes.toStdString();
        EXPECT_EQ(result.error(), failure);
    }
    const auto missing = SpaceTemplate::importFile(home.path("nothing.json"), templatesPath());
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error(), SpaceTemplate::ImportFailure::unreadable);
    EXPECT_EQ(templatesBytes(), before);
}

TEST_F(SpaceTemplateTest, UnreadableTemplatesFileIsSetAsideBeforeAnImportWrites)
{
    const QByteArray broken = R"([{"name":"Lost","summary":3,"slots":[]}])";
    ASSERT_TRUE(DataFile::write(templatesPath(), broken));
    ASSERT_TRUE(SpaceTemplate::importFile(importFile(R"({"name":"New","summary":"","slots":[]})"), templatesPath()));
    ASSERT_EQ(SpaceTemplate::imported(templatesPath()).size(), 1u);
    const QStringList aside = QDir(AppPaths::supportDirectory()).entryList({"templates.json.unreadable-*"});
    ASSERT_EQ(aside.size(), 1);
    QFile kept(AppPaths::supportDirectory() + "/" + aside.front());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), broken);
}
