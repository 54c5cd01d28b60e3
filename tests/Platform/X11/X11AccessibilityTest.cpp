// Other applications' windows through the Accessibility elements, the
// workspace's application notifications, and the program's own panels, on a
// real X server and window manager.
#include "CGSBridge/CGSBridge.h"
#include "Platform/X11/OwnWindows.h"
#include "tests/Platform/X11/XServerFixture.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace lumivast;
using namespace lumivast::test::x11;

namespace {

constexpr std::uint32_t kAllDesktops = 0xFFFFFFFF;

template <class T>
std::optional<AXError> errorOf(const std::expected<T, AXError>& result)
{
    return result ? std::nullopt : std::optional<AXError>(result.error());
}

class X11AccessibilityTest : public SharedDesktopTest {
protected:
    struct Helper {
        Child process;
        std::vector<std::uint32_t> windows; // front to back
    };
    // The helper with `count` windows, once the window manager has framed and shown them all.
    std::optional<Helper> startHelper(const QString& title, int count = 1)
    {
        auto child = Child::spawn({QStringLiteral(LUMIVAST_X11_HELPER), QString::fromLatin1(display), title, QString::number(count)});
        if (!child)
            return std::nullopt;
        Helper helper{std::move(*child), {}};
        const bool framed = client->waitUntil([&] {
            helper.windows.clear();
            // Shown: the window manager has placed them.
            const PlistValue list = Platform::current().windowList().copyWindowInfo(WindowList::kOptionOnScreenOnly, 0);
            for (const PlistValue& entry : *list.array()) {
                const PlistValue* owner = entry.value(WindowListKey::ownerPID);
                if (owner && owner->int32() == helper.process.pid() && entry.value(WindowListKey::bounds)->value("Width")->real() > 300.0)
                    helper.windows.push_back(std::uint32_t(*entry.value(WindowListKey::number)->integer()));
            }
            return int(helper.windows.size()) == count;
        });
        if (!framed)
            return std::nullopt;
        return helper;
    }
    std::optional<QRectF> listedFrame(std::uint32_t id)
    {
        const PlistValue list = Platform::current().windowList().copyWindowInfo(WindowList::kOptionIncludingWindow, id);
        if (!list.array() || list.array()->empty())
            return std::nullopt;
        const PlistValue* b = list.array()->front().value(WindowListKey::bounds);
        return QRectF(*b->value("X")->real(), *b->value("Y")->real(), *b->value("Width")->real(), *b->value("Height")->real());
    }
    std::uint32_t numberOf(sysfn::AXElementRef element)
    {
        std::uint32_t id = 0;
        return CGSBridgeAXWindowID(element, &id) ? id : 0;
    }
    std::vector<sysfn::AXElementRef> windowsOf(std::int32_t pid)
    {
        AXElements& ax = Platform::current().accessibilityElements();
        const auto value = ax.copyAttributeValue(ax.applicationElement(pid), QStringLiteral("AXWindows"));
        const auto* list = value ? std::get_if<std::vector<sysfn::AXElementRef>>(&*value) : nullptr;
        return list ? *list : std::vector<sysfn::AXElementRef>{};
    }
    template <class T>
    std::optional<T> read(sysfn::AXElementRef element, const char* attribute)
    {
        const auto value = Platform::current().accessibilityElements().copyAttributeValue(element, QString::fromLatin1(attribute));
        const T* typed = value ? std::get_if<T>(&*value) : nullptr;
        return typed ? std::optional<T>(*typed) : std::nullopt;
    }
    std::optional<bool> flag(sysfn::AXElementRef element, const char* attribute)
    {
        const auto plain = read<PlistValue>(element, attribute);
        return plain ? plain->boolean() : std::nullopt;
    }
    std::optional<std::uint32_t> windowCardinal(xcb_window_t window, const char* property)
    {
        xcb_connection_t* c = client->get();
        xcb_get_property_reply_t* r =
            xcb_get_property_reply(c, xcb_get_property(c, 0, window, client->atom(property), XCB_ATOM_ANY, 0, 64), nullptr);
        std::optional<std::uint32_t> value;
        if (r && r->format == 32 && xcb_get_property_value_length(r) >= 4)
            value = *static_cast<std::uint32_t*>(xcb_get_property_value(r));
        std::free(r);
        return value;
    }
    std::vector<xcb_atom_t> windowStates(xcb_window_t window)
    {
        xcb_connection_t* c = client->get();
        xcb_get_property_reply_t* r =
            xcb_get_property_reply(c, xcb_get_property(c, 0, window, client->atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 0, 64), nullptr);
        std::vector<xcb_atom_t> states;
        if (r && r->format == 32) {
            const auto* v = static_cast<const xcb_atom_t*>(xcb_get_property_value(r));
            states.assign(v, v + xcb_get_property_value_length(r) / 4);
        }
        std::free(r);
        return states;
    }
    bool viewable(xcb_window_t window)
    {
        xcb_connection_t* c = client->get();
        auto* r = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
        const bool result = r && r->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(r);
        return result;
    }
    // Asks for `window` to be active as a pager does: another client than the program.
    void activateFromOutside(xcb_window_t window)
    {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = client->atom("_NET_ACTIVE_WINDOW");
        event.data.data32[0] = 2;
        xcb_send_event(client->get(), 0, client->root(), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(client->get());
    }
};

TEST_F(X11AccessibilityTest, AHelpersWindowsAreReadAndChanged)
{
    auto helper = startHelper(QStringLiteral("Sheet"), 2);
    ASSERT_TRUE(helper) << "the helper's windows never appeared";
    const std::int32_t pid = helper->process.pid();
    AXElements& ax = Platform::current().accessibilityElements();

    // Its windows in the window list's order, each tied to its window number.
    const std::vector<sysfn::AXElementRef> elements = windowsOf(pid);
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_EQ(numberOf(elements[0]), helper->windows[0]);
    EXPECT_EQ(numberOf(elements[1]), helper->windows[1]);
    EXPECT_FALSE(CGSBridgeAXWindowID(ax.applicationElement(pid), nullptr)) << "an application element has no window number";
    EXPECT_TRUE(ax.setMessagingTimeout(ax.applicationElement(pid), 0.3));

    const sysfn::AXElementRef front = elements[0];
    const sysfn::AXElementRef back = elements[1];
    const auto title = read<PlistValue>(front, "AXTitle");
    ASSERT_TRUE(title && title->string()) << int(errorOf(ax.copyAttributeValue(front, QStringLiteral("AXTitle"))).value_or(AXError{}));
    EXPECT_TRUE(*title->string() == "Sheet-1" || *title->string() == "Sheet-2");
    const auto appTitle = read<PlistValue>(ax.applicationElement(pid), "AXTitle");
    ASSERT_TRUE(appTitle && appTitle->string());
    EXPECT_EQ(*appTitle->string(), QStringLiteral("LumivastHelper"));

    // Position and size are the frame the window list gives, decorations included.
    const auto frame = listedFrame(helper->windows[0]);
    ASSERT_TRUE(frame);
    EXPECT_EQ(read<QPointF>(front, "AXPosition"), frame->topLeft());
    EXPECT_EQ(read<QSizeF>(front, "AXSize"), frame->size());

    // Set as layouts set them: position first, then size.
    EXPECT_TRUE(ax.setAttributeValue(front, QStringLiteral("AXPosition"), QPointF(240, 160)));
    EXPECT_TRUE(ax.setAttributeValue(front, QStringLiteral("AXSize"), QSizeF(520, 340)));
    EXPECT_TRUE(client->waitUntil([&] { return listedFrame(helper->windows[0]) == QRectF(240, 160, 520, 340); }))
        << "listed at " << listedFrame(helper->windows[0]).value_or(QRectF()).x() << ","
        << listedFrame(helper->windows[0]).value_or(QRectF()).y() << " "
        << listedFrame(helper->windows[0]).value_or(QRectF()).width() << "x"
        << listedFrame(helper->windows[0]).value_or(QRectF()).height();
    EXPECT_EQ(read<QPointF>(front, "AXPosition"), QPointF(240, 160));
    EXPECT_EQ(read<QSizeF>(front, "AXSize"), QSizeF(520, 340));
    EXPECT_EQ(errorOf(ax.setAttributeValue(front, QStringLiteral("AXPosition"), QSizeF(1, 1))), AXError::illegalArgument);

    // What the window manager cannot give is unsupported, not made up.
    EXPECT_EQ(errorOf(ax.copyAttributeValue(front, QStringLiteral("AXRole"))), AXError::attributeUnsupported);
    EXPECT_EQ(errorOf(ax.copyAttributeValue(front, QStringLiteral("AXMinimizeButton"))), AXError::attributeUnsupported);
    EXPECT_EQ(errorOf(ax.copyAttributeValue(ax.applicationElement(pid), QStringLiteral("AXMenuBar"))), AXError::attributeUnsupported);
    EXPECT_EQ(ax.setAttributeValue(front, QStringLiteral("AXTitle"), PlistValue(QStringLiteral("x"))).error(),
              AXError::attributeUnsupported);
    EXPECT_EQ(errorOf(ax.performAction(front, QStringLiteral("AXPress"))), AXError::actionUnsupported);

    // Minimised and back.
    EXPECT_EQ(flag(back, "AXMinimized"), false);
    EXPECT_TRUE(ax.setAttributeValue(back, QStringLiteral("AXMinimized"), PlistValue(true)));
    EXPECT_TRUE(client->waitUntil([&] { return flag(back, "AXMinimized") == true && !viewable(helper->windows[1]); }));
    EXPECT_TRUE(ax.setAttributeValue(back, QStringLiteral("AXMinimized"), PlistValue(false)));
    EXPECT_TRUE(client->waitUntil([&] { return flag(back, "AXMinimized") == false && viewable(helper->windows[1]); }));

    // Raised: it comes to the front of the stacking order.
    EXPECT_TRUE(ax.performAction(back, QStringLiteral("AXRaise")));
    EXPECT_TRUE(client->waitUntil([&] {
        const std::vector<sysfn::AXElementRef> now = windowsOf(pid);
        return !now.empty() && now.front() == back;
    }));

    // The focused window follows the active one, and becomes the one chosen as main.
    EXPECT_TRUE(Platform::current().runningApplications().activate(pid));
    EXPECT_TRUE(client->waitUntil([&] { return client->rootCardinal("_NET_ACTIVE_WINDOW") == numberOf(back); }));
    EXPECT_EQ(read<AXElementValue>(ax.applicationElement(pid), "AXFocusedWindow"), AXElementValue{back});
    EXPECT_EQ(flag(back, "AXMain"), true);
    EXPECT_EQ(flag(front, "AXMain"), false);
    EXPECT_TRUE(ax.setAttributeValue(front, QStringLiteral("AXMain"), PlistValue(true)));
    EXPECT_TRUE(client->waitUntil([&] { return client->rootCardinal("_NET_ACTIVE_WINDOW") == numberOf(front); }));
    EXPECT_EQ(read<AXElementValue>(ax.applicationElement(pid), "AXFocusedWindow"), AXElementValue{front});

    // Closing through the close button: the window goes and its element with it; the last one ends the helper.
    const auto button = read<AXElementValue>(front, "AXCloseButton");
    ASSERT_TRUE(button && button->element);
    EXPECT_EQ(errorOf(ax.performAction(button->element, QStringLiteral("AXRaise"))), AXError::actionUnsupported);
    EXPECT_TRUE(ax.performAction(button->element, QStringLiteral("AXPress")));
    EXPECT_TRUE(client->waitUntil([&] { return windowsOf(pid).size() == 1; }));
    EXPECT_EQ(errorOf(ax.copyAttributeValue(front, QStringLiteral("AXTitle"))), AXError::invalidElement);
    EXPECT_EQ(errorOf(ax.setAttributeValue(front, QStringLiteral("AXPosition"), QPointF(0, 0))), AXError::invalidElement);
    EXPECT_EQ(windowsOf(pid), std::vector<sysfn::AXElementRef>{back});
    const auto lastButton = read<AXElementValue>(back, "AXCloseButton");
    ASSERT_TRUE(lastButton);
    EXPECT_TRUE(ax.performAction(lastButton->element, QStringLiteral("AXPress")));
    EXPECT_EQ(helper->process.wait(5s), 0) << "the helper was killed instead of asked";
    EXPECT_EQ(errorOf(ax.copyAttributeValue(ax.applicationElement(pid), QStringLiteral("AXWindows"))), AXError::invalidElement);
}

TEST_F(X11AccessibilityTest, LaunchEndAndActivationAreAnnounced)
{
    std::vector<std::int32_t> launched, terminated, activated;
    int plainLaunches = 0, spaceChanges = 0;
    Workspace& workspace = Platform::current().workspace();
    std::vector<Subscription> subscriptions;
    subscriptions.push_back(workspace.observeApplications(WorkspaceEvent::DidLaunchApplication,
                                                          [&](const RunningApplication& app) { launched.push_back(app.pid); }));
    subscriptions.push_back(workspace.observeApplications(WorkspaceEvent::DidTerminateApplication,
                                                          [&](const RunningApplication& app) { terminated.push_back(app.pid); }));
    subscriptions.push_back(workspace.observeApplications(WorkspaceEvent::DidActivateApplication, [&](const RunningApplication& app) {
        EXPECT_TRUE(app.isActive);
        activated.push_back(app.pid);
    }));
    subscriptions.push_back(workspace.observe(WorkspaceEvent::DidLaunchApplication, [&] { ++plainLaunches; }));
    subscriptions.push_back(workspace.observe(WorkspaceEvent::ActiveSpaceDidChange, [&] { ++spaceChanges; }));
    const auto settled = [&](const std::function<bool()>& condition) {
        return client->waitUntil([&] {
            scheduler.runPending();
            return condition();
        });
    };

    // Two windows, one launch: the application starts with its first.
    auto first = startHelper(QStringLiteral("Launch"), 2);
    auto second = startHelper(QStringLiteral("Other"));
    ASSERT_TRUE(first && second);
    const std::int32_t a = first->process.pid(), b = second->process.pid();
    EXPECT_TRUE(settled([&] { return std::count(launched.begin(), launched.end(), a) == 1 && std::count(launched.begin(), launched.end(), b) == 1; }));
    EXPECT_EQ(plainLaunches, int(launched.size()));

    // Activation by another client is announced once per change of application.
    activateFromOutside(second->windows[0]);
    ASSERT_TRUE(settled([&] { return !activated.empty() && activated.back() == b; }));
    const std::size_t before = activated.size();
    activateFromOutside(first->windows[0]);
    EXPECT_TRUE(settled([&] { return activated.size() == before + 1 && activated.back() == a; }));
    activateFromOutside(first->windows[1]);
    EXPECT_TRUE(client->waitUntil([&] { return client->rootCardinal("_NET_ACTIVE_WINDOW") == first->windows[1]; }));
    activateFromOutside(second->windows[0]);
    EXPECT_TRUE(settled([&] { return activated.back() == b; }));
    EXPECT_EQ(activated.size(), before + 2) << "another window of the same application is no activation";
    EXPECT_EQ(Platform::current().runningApplications().frontmostApplication()->pid, b);

    // A desktop change is announced, and the Spaces preferences file is rewritten first.
    spaceChanges = 0;
    showDesktop(2);
    EXPECT_TRUE(settled([&] { return spaceChanges >= 1; }));
    QFile preferences(Platform::current().spacesPreferencesPath());
    ASSERT_TRUE(preferences.open(QIODevice::ReadOnly));
    EXPECT_TRUE(preferences.readAll().contains("\"current\":2"));
    preferences.close();
    showDesktop(0);

    // The polite request: every window is asked to close and the application ends on its own.
    EXPECT_TRUE(workspace.terminateApplication(a));
    EXPECT_EQ(first->process.wait(5s), 0);
    EXPECT_TRUE(settled([&] { return terminated == std::vector<std::int32_t>{a}; }));
    // One killed ends with its last window too.
    second->process.stop();
    EXPECT_TRUE(settled([&] { return terminated == (std::vector<std::int32_t>{a, b}); }));
    EXPECT_FALSE(workspace.terminateApplication(b)) << "no such application runs any more";
    EXPECT_FALSE(Platform::current().runningApplications().runningApplication(b));
}

// The program's panels, as windows of another client (the toolkit's connection) that the platform prepares.
TEST_F(X11AccessibilityTest, PanelsStayVisibleAcrossADesktopSwitch)
{
    auto helper = startHelper(QStringLiteral("Behind"));
    ASSERT_TRUE(helper);
    auto& panels = dynamic_cast<x11::X11PanelWindows&>(Platform::current().panelWindows());
    xcb_connection_t* c = client->get();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const auto makeWindow = [&](int y) {
        const xcb_window_t w = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 600, std::int16_t(y), 200, 80, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen->root_visual, 0, nullptr);
        const char klass[] = "lumivast\0Lumivast";
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, sizeof klass, klass);
        // Created on the server before the platform's own connection looks at it.
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        return w;
    };
    struct Case {
        const char* name;
        PanelTraits traits;
        bool preparedWhileShown;
        xcb_window_t window = 0;
    };
    std::vector<Case> cases{
        {"a focus-less HUD", {.takesKeys = false, .clickThrough = true, .level = PanelLevel::overlay}, false},
        {"a finder that takes keys", {.takesKeys = true, .level = PanelLevel::modal}, false},
        {"a panel already up when prepared", {.takesKeys = true, .level = PanelLevel::floating}, true},
        {"the desktop label", {.takesKeys = false, .clickThrough = true, .level = PanelLevel::belowNormal}, false},
    };
    int y = 100;
    for (Case& k : cases) {
        k.window = makeWindow(y += 100);
        if (!k.preparedWhileShown)
            panels.prepare(k.window, k.traits);
        xcb_map_window(c, k.window);
        xcb_flush(c);
    }
    const auto managed = [&](xcb_window_t w) { return windowCardinal(w, "WM_STATE").has_value(); };
    for (Case& k : cases) {
        SCOPED_TRACE(k.name);
        const bool takesManager = k.traits.takesKeys || k.traits.level == PanelLevel::belowNormal;
        EXPECT_TRUE(client->waitUntil([&] { return viewable(k.window) && (!takesManager || managed(k.window)); }));
        if (k.preparedWhileShown)
            panels.prepare(k.window, k.traits);
    }

    showDesktop(2);
    // The window manager has hidden the first desktop's windows: the switch is done.
    ASSERT_TRUE(client->waitUntil([&] { return !viewable(helper->windows[0]); }));
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        EXPECT_TRUE(client->waitUntil([&] { return viewable(k.window); })) << "hidden by the switch";
        if (k.traits.takesKeys || k.traits.level == PanelLevel::belowNormal) {
            EXPECT_TRUE(client->waitUntil([&] { return windowCardinal(k.window, "_NET_WM_DESKTOP") == kAllDesktops; }));
            const std::vector<xcb_atom_t> states = windowStates(k.window);
            const char* layer = k.traits.level == PanelLevel::belowNormal ? "_NET_WM_STATE_BELOW" : "_NET_WM_STATE_ABOVE";
            for (const char* state : {layer, "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"})
                EXPECT_NE(std::find(states.begin(), states.end(), client->atom(state)), states.end()) << state;
        } else {
            // Left to no window manager: not one of its clients at all.
            auto* attributes = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, k.window), nullptr);
            ASSERT_TRUE(attributes);
            EXPECT_TRUE(attributes->override_redirect);
            std::free(attributes);
            EXPECT_FALSE(managed(k.window));
        }
    }
    for (const Case& k : cases)
        xcb_destroy_window(c, k.window);
    xcb_flush(c);
    showDesktop(0);
}

} // namespace
