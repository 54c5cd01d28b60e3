#include "App/EntryMode.h"
#include "App/UrlIntake.h"
#include "tests/support/RecordingFront.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace lumivast;

namespace {

TEST(UrlIntake, CommandsGoToPerformAndAnythingElseIsReportedOrDropped)
{
    struct Case {
        const char* text;
        std::optional<SpaceCommand> performed;
        const char* toast; // nullptr: nothing shown
    };
    const Case cases[] = {
        {"lumivast://switch/3", SpaceCommand::switchTo(SpaceCommand::SpaceRef::number(3)), nullptr},
        {"LUMIVAST://Switch/3", SpaceCommand::switchTo(SpaceCommand::SpaceRef::number(3)), nullptr},
        {"lumivast://frobnicate", std::nullopt, "Lumivast does not understand frobnicate"},
        {"lumivast://Frobnicate", std::nullopt, "Lumivast does not understand Frobnicate"},
        {"https://Example.org/switch/3", std::nullopt, "Lumivast does not understand Example.org"},
        {"lumivast:switch", std::nullopt, "Lumivast does not understand lumivast:switch"},
        // Texts in this scheme that the strict parser rejects are answered too.
        {"lumivast://switch/a b", std::nullopt, "Lumivast does not understand switch"},
        {"lumivast://sw%69tch/3", std::nullopt, "Lumivast does not understand sw%69tch"},
        {"lumivast://a.b..c", std::nullopt, "Lumivast does not understand a.b..c"},
        {"lumivast://swi\u00dftch/3", std::nullopt, "Lumivast does not understand swi\u00dftch"},
        {"lumivast://\u2603/3", std::nullopt, "Lumivast does not understand \u2603"},
        {"LUMIVAST:sw itch", std::nullopt, "Lumivast does not understand LUMIVAST:sw itch"},
        {"not a URL", std::nullopt, nullptr},
        {"https://a..b/c", std::nullopt, nullptr},
        {"", std::nullopt, nullptr},
    };
    const std::string longWord(64, 'w');
    const std::string longURL = "lumivast://" + longWord + "/3";
    const std::string longToast = "Lumivast does not understand " + longWord;
    std::vector<Case> all(std::begin(cases), std::end(cases));
    all.push_back({longURL.c_str(), std::nullopt, longToast.c_str()});
    for (const Case& c : all) {
        SCOPED_TRACE(c.text);
        test::RecordingFront sink;
        UrlIntake::handle(QString::fromUtf8(c.text), sink);
        if (c.performed) {
            ASSERT_EQ(sink.commands.size(), 1u);
            EXPECT_TRUE(sink.commands.front() == *c.performed);
        } else {
            EXPECT_TRUE(sink.commands.empty());
        }
        EXPECT_EQ(sink.calls, c.toast ? QStringList{QStringLiteral("reportError ") + QString::fromUtf8(c.toast)} : QStringList{});
    }
}

TEST(UrlIntake, LaunchArgumentsThatAreURLs)
{
    EXPECT_EQ(launchURLs({"lumivast", "lumivast://switch/2", "--demo", "lumivast:next", "notes.txt"}),
              (QStringList{"lumivast://switch/2", "lumivast:next"}));
    EXPECT_EQ(launchURLs({"lumivast", "--settings", "general", "LUMIVAST://overview"}),
              (QStringList{"LUMIVAST://overview"}));
    EXPECT_EQ(launchURLs({"lumivast://switch/1"}), QStringList{}); // the program itself
    EXPECT_EQ(launchURLs({"lumivast", "--settings"}), QStringList{});
}

} // namespace
