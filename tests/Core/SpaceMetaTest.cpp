#include "Core/Spaces/SpaceMeta.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

using namespace lumivast;
using namespace lumivast::SpaceMetaCoding;

namespace {

SpaceMeta everyField()
{
    SpaceAutomation a;
    a.launchApps = {"/Applications/Mail.app", "/Applications/Notes.app"};
    a.openURLs = {"https://example.com", "~/Documents/plan.md"};
    a.launchOnce = false;
    a.shortcutOnEnter = "Focus";
    a.shortcutOnLeave = "Unfocus";
    a.scriptOnEnter = "echo in";
    a.scriptOnLeave = "echo out";
    a.launchOnlyIfEmpty = true;
    a.pinnedApps = {"com.example.mail"};
    a.keystrokeOnEnter = "cmd+shift+k";
    a.hideOtherApps = true;
    a.browserApp = "com.example.browser";
    a.browserProfile = "Profile 2";
    return SpaceMeta{"Mail", "envelope", "#4F7BF7", "Inbox zero", "A1.png", a, "Work"};
}

QJsonObject parse(const char* json)
{
    return QJsonDocument::fromJson(QByteArray(json)).object();
}

} // namespace

TEST(SpaceMeta, FileRoundTripWithEveryField)
{
    const SpaceMetaMap metas{{"A1", everyField()}, {"fs:com.example.app", SpaceMeta{.name = "Player"}}, {"managed-4", {}}};
    const std::optional<SpaceMetaMap> back = fromFileBytes(toFileBytes(metas));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, metas);
}

TEST(SpaceMeta, EncodingLeavesOutAbsentFieldsButWritesAutomationFlags)
{
    EXPECT_EQ(encode(SpaceMeta{}), QJsonObject{});
    EXPECT_EQ(encode(SpaceMeta{.group = "Work"}), (QJsonObject{{"group", "Work"}}));

    const QJsonObject automation = encode(SpaceAutomation{});
    EXPECT_EQ(automation, (QJsonObject{{"launchApps", QJsonArray{}},
                                       {"openURLs", QJsonArray{}},
                                       {"pinnedApps", QJsonArray{}},
                                       {"launchOnce", true},
                                       {"launchOnlyIfEmpty", false},
                                       {"hideOtherApps", false}}));
}

TEST(SpaceMeta, FileIsPrettyPrintedWithSortedMembers)
{
    const QByteArray text = toFileBytes({{"b", everyField()}, {"a", SpaceMeta{.name = "x"}}});
    EXPECT_TRUE(text.contains('\n'));
    EXPECT_LT(text.indexOf("\"a\""), text.indexOf("\"b\""));
    const QList<const char*> order{"\"automation\"", "\"browserApp\"", "\"browserProfile\"", "\"hideOtherApps\"",
                                   "\"keystrokeOnEnter\"", "\"launchApps\"", "\"launchOnce\"", "\"launchOnlyIfEmpty\"",
                                   "\"openURLs\"", "\"pinnedApps\"", "\"scriptOnEnter\"", "\"scriptOnLeave\"",
                                   "\"shortcutOnEnter\"", "\"shortcutOnLeave\"", "\"colorHex\"", "\"group\"",
                                   "\"iconFile\"", "\"name\"", "\"note\"", "\"symbol\""};
    const qsizetype b = text.indexOf("\"b\"");
    qsizetype last = b;
    for (const char* member : order) {
        const qsizetype at = text.indexOf(member, b);
        EXPECT_GT(at, last) << member;
        last = at;
    }
}

TEST(SpaceMeta, MissingAndNullMembersTakeDefaults)
{
    const std::optional<SpaceAutomation> empty = decodeAutomation(QJsonObject{});
    ASSERT_TRUE(empty);
    EXPECT_EQ(*empty, SpaceAutomation{});
    EXPECT_TRUE(empty->launchOnce);

    const auto nulls = decodeAutomation(parse(R"({"launchApps": null, "launchOnce": null, "hideOtherApps": null,
                                                  "browserApp": null})"));
    ASSERT_TRUE(nulls);
    EXPECT_EQ(*nulls, SpaceAutomation{});

    const auto meta = decodeMeta(parse(R"({"name": null, "automation": null, "symbol": "star", "future": 7})"));
    ASSERT_TRUE(meta);
    EXPECT_EQ(*meta, SpaceMeta{.symbol = "star"});
    EXPECT_EQ(encode(*meta), (QJsonObject{{"symbol", "star"}})); // unknown members are not written back

    const auto off = decodeAutomation(parse(R"({"launchOnce": false})"));
    ASSERT_TRUE(off);
    EXPECT_FALSE(off->launchOnce);
}

// Each line: a spaces.json text and whether it decodes.
struct DecodeCase {
    const char* label;
    const char* json;
    bool decodes;
};

class SpaceMetaDecoding : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(SpaceMetaDecoding, WholeFileIsStrict)
{
    const DecodeCase& c = GetParam();
    EXPECT_EQ(fromFileBytes(QByteArray(c.json)).has_value(), c.decodes);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SpaceMetaDecoding,
    ::testing::Values(
        DecodeCase{"empty object", "{}", true},
        DecodeCase{"plain record", R"({"A": {"name": "Mail"}, "B": {}})", true},
        DecodeCase{"name is a number", R"({"A": {"name": "ok"}, "B": {"name": 3}})", false},
        DecodeCase{"symbol is a bool", R"({"A": {"symbol": true}})", false},
        DecodeCase{"automation is an array", R"({"A": {"automation": []}})", false},
        DecodeCase{"record is a string", R"({"A": "Mail"})", false},
        DecodeCase{"record is null", R"({"A": null})", false},
        DecodeCase{"launchOnce is a string", R"({"A": {"automation": {"launchOnce": "yes"}}})", false},
        DecodeCase{"launchApps is a string", R"({"A": {"automation": {"launchApps": "/x.app"}}})", false},
        DecodeCase{"pinnedApps holds a number", R"({"A": {"automation": {"pinnedApps": ["a", 1]}}})", false},
        DecodeCase{"scriptOnEnter is an object", R"({"A": {"automation": {"scriptOnEnter": {}}}})", false},
        DecodeCase{"top level is an array", R"([{"name": "Mail"}])", false},
        DecodeCase{"not JSON", "{\"A\": {\"name\": ", false},
        DecodeCase{"empty text", "", false}),
    [](const auto& info) {
        QString name = QString::fromLatin1(info.param.label);
        name.replace(' ', '_');
        return name.toStdString();
    });

TEST(SpaceMeta, IconFileThatIsAPathDecodesAsNoIcon)
{
    for (const char* bad : {"../spaces.json", "/etc/passwd", "sub/dir.png", "..", "a\\b.png", ""}) {
        const auto meta = decodeMeta(QJsonObject{{"iconFile", bad}, {"name", "x"}});
        ASSERT_TRUE(meta) << bad;
        EXPECT_FALSE(meta->iconFile) << bad;
        EXPECT_EQ(meta->name, "x");
    }
    const auto good = decodeMeta(QJsonObject{{"iconFile", "7C2E-44.png"}});
    ASSERT_TRUE(good);
    EXPECT_EQ(good->iconFile, "7C2E-44.png");

    // A record that held nothing but a rejected name is dropped, not written back as {}.
    const auto map = fromFileBytes(R"({"A": {"iconFile": "../spaces.json"}, "B": {"name": "x"}})");
    ASSERT_TRUE(map);
    EXPECT_EQ(map->size(), 1u);
    EXPECT_TRUE(map->contains("B"));
    EXPECT_FALSE(toFileBytes(*map).contains("\"A\"")) << toFileBytes(*map).toStdString();
}
