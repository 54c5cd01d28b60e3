// Real client windows: the window list, their desktops, moving and activating them.
#include "CGSBridge/CGSBridge.h"
#include "Platform/Sim/SimPlatform.h"
#include "Platform/X11/X11Platform.h"
#include "tests/Platform/X11/XServerFixture.h"

#include <gtest/gtest.h>

using namespace lumivast;
using namespace lumivast::test::x11;

namespace {

class X11WindowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SharedDesktop& desktop = sharedDesktop();
        LUMIVAST_REQUIRE_DESKTOP(desktop);
        display = desktop.server->display();
        client = std::make_unique<Client>(display);
        ASSERT_TRUE(setDesktopCount(display, 4));
        client->sendRootMessage("_NET_CURRENT_DESKTOP", 0);
        ASSERT_TRUE(client->waitUntil([&] { return client->rootCardinal("_NET_CURRENT_DESKTOP") == 0u; }));
        Platform::install(X11Platform::create(display));
    }
    void TearDown() override { Platform::install(SimPlatform::create(SimWorld::defaultWorld())); }

    // Starts the helper with `title` and waits for its window in the list; the entry, or null.
    std::optional<PlistValue> helperWindow(const QString& title)
    {
        auto child = Child::spawn({QStringLiteral(LUMIVAST_X11_HELPER), QString::fromLatin1(display), title});
        if (!child)
            return std::nullopt;
        helperPID = child->pid();
        helpers.push_back(std::move(*child));
        std::optional<PlistValue> found;
        client->waitUntil([&] {
            const PlistValue list = Platform::current().windowList().copyWindowInfo(WindowList::kOptionAll, 0);
            for (const PlistValue& entry : *list.array()) {
                const PlistValue* name = entry.value(WindowListKey::name);
                const PlistValue* bounds = entry.value(WindowListKey::bounds);
                // Decorated: the window manager has reparented it and set its extents.
                if (name && name->string() && *name->string() == title && bounds && bounds->value("Width")->real() > 300.0)
                    found = entry;
            }
            return found.has_value();
        });
        return found;
    }
    std::vector<std::int64_t> spacesOf(std::uint32_t id)
    {
        std::vector<std::int64_t> spaces;
        const PlistValue list = CGSBridgeCopySpacesForWindow(id);
        if (list.array()) {
            for (const PlistValue& v : *list.array())
                spaces.push_back(v.integer().value_or(-1));
        }
        return spaces;
    }

    QByteArray display;
    std::unique_ptr<Client> client;
    std::vector<Child> helpers;
    int helperPID = 0;
};

TEST_F(X11WindowsTest, AHelperWindowsFieldsMoveAndActivation)
{
    const auto entry = helperWindow(QStringLiteral("Front"));
    ASSERT_TRUE(entry) << "the helper's window never appeared";
    const auto id = std::uint32_t(*entry->value(WindowListKey::number)->integer());
    EXPECT_EQ(entry->value(WindowListKey::ownerPID)->int32(), helperPID);
    EXPECT_EQ(entry->value(WindowListKey::layer)->integer(), 0);
    EXPECT_EQ(*entry->value(WindowListKey::ownerName)->string(), "LumivastHelper");

    // The frame is the client area grown by the frame extents, in root coordinates.
    xcb_connection_t* c = client->get();
    auto* origin = xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, id, client->root(), 0, 0), nullptr);
    auto* extents = xcb_get_property_reply(c, xcb_get_property(c, 0, id, client->atom("_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL, 0, 4), nullptr);
    ASSERT_TRUE(origin && extents && xcb_get_property_value_length(extents) == 16);
    const auto* e = static_cast<const std::uint32_t*>(xcb_get_property_value(extents));
    const PlistValue* bounds = entry->value(WindowListKey::bounds);
    EXPECT_EQ(bounds->value("X")->real(), double(origin->dst_x - int(e[0])));
    EXPECT_EQ(bounds->value("Y")->real(), double(origin->dst_y - int(e[2])));
    EXPECT_EQ(bounds->value("Width")->real(), double(300 + e[0] + e[1]));
    EXPECT_EQ(bounds->value("Height")->real(), double(200 + e[2] + e[3]));
    std::free(origin);
    std::free(extents);

    // It is on the current desktop, and the running applications count its pid.
    // The window manager may set the desktop a moment after the frame.
    EXPECT_TRUE(client->waitUntil([&] { return spacesOf(id) == std::vector<std::int64_t>{1}; })) << spacesOf(id).size();
    const auto app = Platform::current().runningApplications().runningApplication(helperPID);
    ASSERT_TRUE(app);
    EXPECT_EQ(app->localizedName, QStringLiteral("LumivastHelper"));

    // The direct move puts it on the third desktop; it leaves the screen.
    EXPECT_TRUE(LVMoveManagedSpace(CGSBridgeConnection(), id, 3));
    EXPECT_TRUE(client->waitUntil([&] { return spacesOf(id) == std::vector<std::int64_t>{3}; }));
    EXPECT_TRUE(client->waitUntil([&] {
        return Platform::current().windowList().copyWindowInfo(WindowList::kOptionOnScreenOnly | WindowList::kOptionIncludingWindow, id).array()->empty();
    }));

    // Activating its application from another desktop shows the desktop of its window first.
    EXPECT_TRUE(Platform::current().runningApplications().activate(helperPID));
    EXPECT_TRUE(client->waitUntil([&] { return client->rootCardinal("_NET_CURRENT_DESKTOP") == 2u; }));
    EXPECT_TRUE(client->waitUntil([&] { return client->rootCardinal("_NET_ACTIVE_WINDOW") == id; }));
    EXPECT_EQ(Platform::current().runningApplications().frontmostApplication()->pid, helperPID);
}

} // namespace
