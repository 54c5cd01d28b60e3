#include "App/UrlIntake.h"

#include <gtest/gtest.h>

#include <optional>

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
        {"https://example.org/switch/3", std::nullopt, "Lumivast does not understand example.org"},
        {"lumivast:switch", std::nullopt, "Lumivast does not understand lumivast:switch"},
        {"not a URL", std::nullopt, nullptr},
        {"lumivast://switch/a b", std::nullopt, nullptr},
        {"", std::nullopt, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<SpaceCommand> performed;
        QStringList toasts;
        UrlIntake::handle(
            QString::fromUtf8(c.text), [&](const SpaceCommand& command) { performed.push_back(command); },
            [&](const QString& message) { toasts.append(message); });
        if (c.performed) {
            ASSERT_EQ(performed.size(), 1u);
            EXPECT_TRUE(performed.front() == *c.performed);
        } else {
            EXPECT_TRUE(performed.empty());
        }
        EXPECT_EQ(toasts, c.toast ? QStringList{QString::fromUtf8(c.toast)} : QStringList{});
    }
}

TEST(UrlIntake, LaunchArgumentsThatAreURLs)
{
    EXPECT_EQ(UrlIntake::launchURLs({"lumivast", "lumivast://switch/2", "--demo", "lumivast:next", "notes.txt"}),
              (QStringList{"lumivast://switch/2", "lumivast:next"}));
    EXPECT_EQ(UrlIntake::launchURLs({"lumivast", "--settings", "general", "LUMIVAST://overview"}),
              (QStringList{"LUMIVAST://overview"}));
    EXPECT_EQ(UrlIntake::launchURLs({"lumivast://switch/1"}), QStringList{}); // the program itself
    EXPECT_EQ(UrlIntake::launchURLs({"lumivast", "--settings"}), QStringList{});
}

} // namespace
