#include "Platform/Sim/SimBrowsers.h"
#include "tests/support/SimWorldTest.h"

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

class SimBrowsersTest : public test::SimWorldTest {
protected:
    SimBrowsersTest()
    {
        install(worldFrom(R"({
          "apps": [ {"pid": 9, "bundleID": "org.example.web", "name": "Web \"Pro\""}, {"pid": 10, "bundleID": "org.example.text", "name": "Text"} ],
          "browsers": [ {"pid": 9, "tabs": ["https://one.example/", null]}, {"pid": 10, "answer": "text", "tabs": ["https://t.example/"]} ]
        })"));
    }
    std::optional<ScriptValue> run(const QString& source) { return Platform::current().scripts().run(source); }
};

TEST_F(SimBrowsersTest, OnlyACompleteTabQuestionIsUnderstood)
{
    using Addressee = SimScripts::Addressee;
    const std::vector<std::pair<QString, std::optional<Addressee>>> cases{
        {R"(tell application "Safari" to get URL of every tab of front window)", Addressee{"Safari", false}},
        {R"(tell application id "com.apple.Safari" to get URL of every tab of front window)", Addressee{"com.apple.Safari", true}},
        {R"(tell application "a\"b\\c\n" to get URL of every tab of front window)", Addressee{"a\"b\\c\n", false}},
        {R"(tell application "Safari" to get URL of every tab of front window & "x")", std::nullopt},
        {R"(tell application "Safari)", std::nullopt},
        {R"(tell application "a\qb" to get URL of every tab of front window)", std::nullopt},
        {R"(tell application Safari to get URL of every tab of front window)", std::nullopt},
        {R"(do shell script "ls")", std::nullopt},
    };
    for (const auto& [source, expected] : cases)
        EXPECT_EQ(SimScripts::parseTabQuestion(source), expected) << source.toStdString();
}

TEST_F(SimBrowsersTest, BrowsersAnswerInTheirOwnShape)
{
    const auto list = run(R"(tell application "Web \"Pro\"" to get URL of every tab of front window)");
    ASSERT_TRUE(list);
    EXPECT_TRUE(list->isList);
    EXPECT_EQ(list->items, (std::vector<ScriptValue>{{"https://one.example/", false, {}}, {std::nullopt, false, {}}}));
    EXPECT_EQ(run(R"(tell application id "org.example.text" to get URL of every tab of front window)"),
              (ScriptValue{"https://t.example/", false, {}}));
    // An unescaped quote ends the name early: the text is no longer the question.
    EXPECT_FALSE(run(R"(tell application "Web "Pro"" to get URL of every tab of front window)"));
    EXPECT_FALSE(run(R"(tell application "Nobody" to get URL of every tab of front window)"));
    world->app(10)->running = false;
    EXPECT_FALSE(run(R"(tell application "Text" to get URL of every tab of front window)"));
    EXPECT_EQ(world->scripts().log.size(), 5);
}

TEST_F(SimBrowsersTest, WorldFilesDescribeBrowsersAndBuiltInDisplays)
{
    QString error;
    EXPECT_FALSE(SimWorld::fromJson(QJsonDocument::fromJson(R"({"browsers": [ {"pid": 1, "answer": "loud"} ]})").object(), &error));
    EXPECT_EQ(error, "a browser's answer must be list, text or nothing");
    EXPECT_FALSE(SimWorld::fromJson(QJsonDocument::fromJson(R"({"browsers": [ {"pid": 1, "tabs": [3]} ]})").object(), &error));
    EXPECT_EQ(error, "a tab is an address or null");
    EXPECT_FALSE(SimWorld::fromJson(QJsonDocument::fromJson(R"({"browsers": [ {"tabs": []} ]})").object(), &error));
    EXPECT_EQ(error, "a browser needs a pid");

    auto two = worldFrom(R"({"displays": [ {"uuid": "A0000000-0000-4000-8000-000000000001", "builtin": true}, {} ]})");
    EXPECT_TRUE(two->displayIsBuiltin(1));
    EXPECT_FALSE(two->displayIsBuiltin(2));
    EXPECT_FALSE(two->displayIsBuiltin(7));
    EXPECT_TRUE(SimWorld::defaultWorld()->displayIsBuiltin(1));
}

} // namespace
