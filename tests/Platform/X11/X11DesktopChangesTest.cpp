// Adding and removing the real desktops, asked of the window manager and confirmed from the server.
#include "CGSBridge/CGSBridge.h"
#include "Core/MissionControl/SpaceManagement.h"
#include "Platform/X11/Desktops.h"
#include "tests/Platform/X11/XServerFixture.h"

#include <gtest/gtest.h>

using namespace lumivast;
using namespace lumivast::test::x11;

namespace {

using Result = std::expected<void, SpaceManagement::Failure>;

class X11DesktopChangesTest : public SharedDesktopTest {
protected:
    // Runs the platform's checks on virtual time until the request is answered.
    std::optional<Result> answer(const std::function<void(SpaceManagement::Completion)>& request)
    {
        std::optional<Result> result;
        request([&result](Result r) { result = r; });
        client->waitUntil([&] {
            scheduler.advance(50ms);
            return result.has_value();
        }, 5s);
        return result;
    }
    // A helper window on desktop `index`, its id; 0 when it never showed.
    xcb_window_t windowOn(std::uint32_t index, const QString& title)
    {
        auto child = Child::spawn({QStringLiteral(LUMIVAST_X11_HELPER), QString::fromLatin1(display), title});
        if (!child)
            return 0;
        helpers.push_back(std::move(*child));
        xcb_window_t id = 0;
        client->waitUntil([&] {
            const PlistValue list = Platform::current().windowList().copyWindowInfo(WindowList::kOptionAll, 0);
            for (const PlistValue& entry : *list.array()) {
                const PlistValue* name = entry.value(WindowListKey::name);
                if (name && name->string() && *name->string() == title)
                    id = xcb_window_t(entry.value(WindowListKey::number)->integer().value_or(0));
            }
            return id != 0;
        });
        if (id == 0)
            return 0;
        CGSBridgeMoveWindowToSpace(id, x11::managedNumber(0, index));
        return client->waitUntil([&] { return desktopOf(id) == index; }) ? id : 0;
    }
    std::optional<std::uint32_t> desktopOf(xcb_window_t window)
    {
        xcb_connection_t* c = client->get();
        auto* reply = xcb_get_property_reply(c, xcb_get_property(c, 0, window, client->atom("_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, 0, 1), nullptr);
        std::optional<std::uint32_t> desktop;
        if (reply && xcb_get_property_value_length(reply) == 4)
            desktop = *static_cast<std::uint32_t*>(xcb_get_property_value(reply));
        std::free(reply);
        return desktop;
    }

    std::vector<Child> helpers;
};

TEST_F(X11DesktopChangesTest, AddingAppendsADesktop)
{
    const auto added = answer([&](SpaceManagement::Completion done) { SpaceManagement::addDesktop(scheduler, std::move(done)); });
    ASSERT_TRUE(added);
    EXPECT_TRUE(*added);
    EXPECT_EQ(client->rootCardinal("_NET_NUMBER_OF_DESKTOPS"), 5u);
    EXPECT_EQ(client->rootCardinal("_NET_CURRENT_DESKTOP"), 0u);
}

TEST_F(X11DesktopChangesTest, RemovingMovesTheWindowsOfItAndOfEveryLaterDesktopDown)
{
    const xcb_window_t first = windowOn(0, QStringLiteral("OnFirst"));
    const xcb_window_t second = windowOn(1, QStringLiteral("OnSecond"));
    const xcb_window_t third = windowOn(2, QStringLiteral("OnThird"));
    const xcb_window_t fourth = windowOn(3, QStringLiteral("OnFourth"));
    ASSERT_TRUE(first && second && third && fourth);
    showDesktop(2);

    const auto removed = answer([&](SpaceManagement::Completion done) { SpaceManagement::removeDesktop(scheduler, 2, std::move(done)); });
    ASSERT_TRUE(removed);
    EXPECT_TRUE(*removed);
    EXPECT_EQ(client->rootCardinal("_NET_NUMBER_OF_DESKTOPS"), 3u);
    EXPECT_TRUE(client->waitUntil([&] {
        return desktopOf(first) == 0u && desktopOf(second) == 0u && desktopOf(third) == 1u && desktopOf(fourth) == 2u;
    })) << desktopOf(second).value_or(99) << desktopOf(third).value_or(99) << desktopOf(fourth).value_or(99);
    // The desktop shown is still the one with the third window.
    EXPECT_EQ(client->rootCardinal("_NET_CURRENT_DESKTOP"), 1u);

    // The first desktop's windows go to the next one, which becomes the first.
    const auto first2 = answer([&](SpaceManagement::Completion done) { SpaceManagement::removeDesktop(scheduler, 1, std::move(done)); });
    ASSERT_TRUE(first2);
    EXPECT_TRUE(*first2);
    EXPECT_TRUE(client->waitUntil([&] {
        return desktopOf(first) == 0u && desktopOf(third) == 0u && desktopOf(fourth) == 1u;
    }));

    const auto missing = answer([&](SpaceManagement::Completion done) { SpaceManagement::removeDesktop(scheduler, 9, std::move(done)); });
    ASSERT_TRUE(missing);
    EXPECT_EQ(*missing, std::unexpected(SpaceManagement::Failure::notFound));
    EXPECT_EQ(client->rootCardinal("_NET_NUMBER_OF_DESKTOPS"), 2u);
}

} // namespace
