// Real client windows: the window list, their desktops, moving and activating them.
#include "CGSBridge/CGSBridge.h"
#include "Platform/X11/Session.h"
#include "Platform/X11/Windows.h"
#include "tests/Platform/X11/XServerFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>

#include <unistd.h>

using namespace lumivast;
using namespace lumivast::test::x11;

namespace {

class X11WindowsTest : public SharedDesktopTest {
protected:

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

    // The frame is the client area grown by the frame extents, in root coordinates. The window manager may still
    // be placing the frame when the window first shows up, so both sides are read again until they agree.
    xcb_connection_t* c = client->get();
    QString mismatch;
    const bool framed = client->waitUntil([&] {
        const PlistValue list = Platform::current().windowList().copyWindowInfo(WindowList::kOptionIncludingWindow, id);
        if (list.array()->empty())
            return false;
        const PlistValue* bounds = list.array()->front().value(WindowListKey::bounds);
        auto* origin = xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, id, client->root(), 0, 0), nullptr);
        auto* extents = xcb_get_property_reply(c, xcb_get_property(c, 0, id, client->atom("_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL, 0, 4), nullptr);
        bool agree = false;
        if (origin && extents && xcb_get_property_value_length(extents) == 16) {
            const auto* e = static_cast<const std::uint32_t*>(xcb_get_property_value(extents));
            const double expected[] = {double(origin->dst_x - int(e[0])), double(origin->dst_y - int(e[2])), double(300 + e[0] + e[1]), double(200 + e[2] + e[3])};
            const double actual[] = {*bounds->value("X")->real(), *bounds->value("Y")->real(), *bounds->value("Width")->real(), *bounds->value("Height")->real()};
            agree = std::equal(std::begin(expected), std::end(expected), std::begin(actual));
            mismatch = QStringLiteral("expected %1,%2 %3x%4; listed %5,%6 %7x%8")
                           .arg(expected[0]).arg(expected[1]).arg(expected[2]).arg(expected[3])
                           .arg(actual[0]).arg(actual[1]).arg(actual[2]).arg(actual[3]);
        }
        std::free(origin);
        std::free(extents);
        return agree;
    });
    EXPECT_TRUE(framed) << mismatch.toStdString();

    // It is on the current desktop, and the running applications count its pid.
    EXPECT_TRUE(client->waitUntil([&] { return spacesOf(id) == std::vector<std::int64_t>{1}; })) << "never listed on desktop 1";
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

// The title and pid come from the newer properties where a window has them, else from the old-style
// title and from the server, which knows which client made the window (this test's own connection).
TEST_F(X11WindowsTest, OldStyleTitlesAndWindowsWithoutAPidAreListed)
{
    xcb_connection_t* c = client->get();
    struct Case {
        const char* netName; // none: no _NET_WM_NAME
        QByteArray oldName;
        std::optional<std::uint32_t> pid;
        QString title;
        std::int32_t owner;
    };
    const QByteArray latin1 = QStringLiteral("Caf\u00e9 old").toLatin1();
    const Case cases[] = {
        {nullptr, latin1, std::nullopt, QStringLiteral("Caf\u00e9 old"), std::int32_t(::getpid())},
        {"Caf\u00e9 new", "ignored", 4242, QStringLiteral("Caf\u00e9 new"), 4242},
        {"", "ignored", std::nullopt, QString(), std::int32_t(::getpid())},
    };
    std::vector<xcb_window_t> made;
    for (const Case& k : cases) {
        const xcb_window_t w = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, client->root(), 0, 0, 320, 200, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        if (k.netName)
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, client->atom("_NET_WM_NAME"), client->atom("UTF8_STRING"), 8,
                                std::uint32_t(std::strlen(k.netName)), k.netName);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, std::uint32_t(k.oldName.size()),
                            k.oldName.constData());
        const char klass[] = "plain\0PlainClass";
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, sizeof klass, klass);
        if (k.pid)
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, client->atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &*k.pid);
        xcb_map_window(c, w);
        made.push_back(w);
    }
    xcb_flush(c);
    std::map<xcb_window_t, PlistValue> listed;
    EXPECT_TRUE(client->waitUntil([&] {
        listed.clear();
        const PlistValue list = Platform::current().windowList().copyWindowInfo(WindowList::kOptionAll, 0);
        for (const PlistValue& entry : *list.array()) {
            const auto id = xcb_window_t(*entry.value(WindowListKey::number)->integer());
            if (std::find(made.begin(), made.end(), id) != made.end())
                listed[id] = entry;
        }
        return listed.size() == made.size();
    })) << "the window manager listed " << listed.size() << " of " << made.size();
    for (std::size_t i = 0; i < made.size() && listed.contains(made[i]); ++i) {
        const PlistValue& entry = listed[made[i]];
        EXPECT_EQ(*entry.value(WindowListKey::name)->string(), cases[i].title) << i;
        ASSERT_TRUE(entry.value(WindowListKey::ownerPID)) << i;
        EXPECT_EQ(entry.value(WindowListKey::ownerPID)->int32(), cases[i].owner) << i;
        EXPECT_EQ(*entry.value(WindowListKey::ownerName)->string(), "PlainClass") << i;
    }
    for (xcb_window_t w : made)
        xcb_destroy_window(c, w);
    xcb_flush(c);
}

// A window's pid, class and type are asked for once while the event thread watches the window, and
// again after it saw one of them change: each change reaches the list.
TEST_F(X11WindowsTest, TheWindowListShowsEachChangeAtOnce)
{
    // The applications are answered from the listing the window list keeps; the list itself shows
    // each change at once, well within the time a kept listing lasts.
    const auto entry = helperWindow(QStringLiteral("Before"));
    ASSERT_TRUE(entry) << "the helper's window never appeared";
    const auto id = std::uint32_t(*entry->value(WindowListKey::number)->integer());
    xcb_connection_t* c = client->get();
    const auto titleOf = [&] {
        const PlistValue list = Platform::current().windowList().copyWindowInfo(WindowList::kOptionIncludingWindow, id);
        return list.array()->empty() ? QString() : *list.array()->front().value(WindowListKey::name)->string();
    };
    const auto desktopOf = [&] {
        const PlistValue list = Platform::current().windowList().copyWindowInfo(WindowList::kOptionOnScreenOnly, 0);
        return std::any_of(list.array()->begin(), list.array()->end(), [&](const PlistValue& e) {
            return e.value(WindowListKey::number)->integer() == std::int64_t(id);
        });
    };
    const auto within = std::chrono::milliseconds(x11::X11Windows::kListingReuse.count() / 2);
    for (const char* title : {"After", "Again"}) {
        ASSERT_FALSE(titleOf().isEmpty());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, client->atom("_NET_WM_NAME"), client->atom("UTF8_STRING"), 8,
                            std::uint32_t(std::strlen(title)), title);
        xcb_flush(c);
        EXPECT_TRUE(client->waitUntil([&] { return titleOf() == QLatin1String(title); }, within)) << title;
    }
    // Another desktop shown: the window is no longer on screen. It is listed as soon as the window manager has
    // framed it, which may be a moment before the frame is mapped.
    ASSERT_TRUE(client->waitUntil([&] { return desktopOf(); }, within));
    showDesktop(1);
    EXPECT_TRUE(client->waitUntil([&] { return !desktopOf(); }, within));
}

TEST_F(X11WindowsTest, KeptFactsOfAWindowFollowEachChange)
{
    auto session = x11::Session::create(display, scheduler);
    auto x = session->connection();
    ASSERT_TRUE(x);
    xcb_connection_t* c = client->get();
    const xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, client->root(), 0, 0, 320, 200, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    const auto setClass = [&](const QByteArray& name) {
        const QByteArray value = QByteArray("kept", 5) + name + '\0';
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, std::uint32_t(value.size()),
                            value.constData());
    };
    const auto setPid = [&](std::uint32_t pid) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, client->atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &pid);
    };
    const auto setType = [&](const char* type) {
        const xcb_atom_t atom = client->atom(type);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, client->atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1, &atom);
    };
    setClass("First");
    setPid(4101);
    setType("_NET_WM_WINDOW_TYPE_NORMAL");
    xcb_map_window(c, w);
    xcb_flush(c);

    const auto listed = [&]() -> std::optional<x11::ClientWindow> {
        for (const x11::ClientWindow& window : x11::readClientWindows(*x, session.get())) {
            if (window.id == w)
                return window;
        }
        return std::nullopt;
    };
    // Kept: listed once the event thread watches it, and held for the generation a read starts at.
    const auto kept = [&] {
        const std::uint64_t generation = session->factsGeneration();
        return listed().has_value() && generation != 0 && session->keptFacts({w}, generation).front().has_value();
    };
    struct Step {
        const char* change;
        std::function<void()> make;
        std::function<bool(const x11::ClientWindow&)> seen;
    };
    const Step steps[] = {
        {"class", [&] { setClass("Second"); }, [](const x11::ClientWindow& k) { return k.appClass == "Second"; }},
        {"pid", [&] { setPid(4102); }, [](const x11::ClientWindow& k) { return k.pid == 4102; }},
        {"type", [&] { setType("_NET_WM_WINDOW_TYPE_DOCK"); }, [](const x11::ClientWindow& k) { return !k.normalLayer; }},
    };
    for (const Step& step : steps) {
        ASSERT_TRUE(client->waitUntil(kept)) << "the window's facts were never kept before the " << step.change << " changed";
        step.make();
        xcb_flush(c);
        EXPECT_TRUE(client->waitUntil([&] {
            const auto window = listed();
            return window && step.seen(*window);
        })) << "the list kept the old " << step.change;
    }
    const auto last = listed();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->appClass, "Second");
    EXPECT_EQ(last->pid, 4102);
    EXPECT_FALSE(last->normalLayer);

    // A window that ends takes its facts along.
    ASSERT_TRUE(client->waitUntil(kept));
    xcb_destroy_window(c, w);
    xcb_flush(c);
    EXPECT_TRUE(client->waitUntil([&] {
        const std::uint64_t generation = session->factsGeneration();
        return !session->keptFacts({w}, generation).front().has_value();
    }));
}

// A server of the test's own with no window manager: the test writes the client list itself, so a list that
// still names a window that is gone is not a matter of timing.
class X11ClientWatchTest : public X11PlatformTest {};

TEST_F(X11ClientWatchTest, AWindowGivenTheIdOfOneThatIsGoneIsWatchedAndItsFactsFollowItsChanges)
{
    startServer({QStringLiteral("640x480x24")});
    if (!server)
        return;
    xcb_connection_t* c = client->get();
    const xcb_window_t w = xcb_generate_id(c);
    const auto create = [&] {
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, client->root(), 0, 0, 200, 100, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
    };
    const auto list = [&] {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, client->root(), client->atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 32, 1,
                            &w);
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    };
    const auto setClass = [&](const QByteArray& name) {
        const QByteArray value = QByteArray("kept", 5) + name + '\0';
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, std::uint32_t(value.size()),
                            value.constData());
        xcb_flush(c);
    };
    // The list still names a window that has ended when the session starts watching.
    create();
    xcb_destroy_window(c, w);
    list();
    auto session = x11::Session::create(server->display(), scheduler);
    ASSERT_TRUE(session->connection());
    // The same id comes back for a new window, and the list names it again.
    create();
    setClass("First");
    list();
    // Facts are kept only for a window the session watches.
    const auto keeps = [&] {
        const std::uint64_t generation = session->factsGeneration();
        session->keepFacts(generation, {{w, x11::WindowFacts{4101, QStringLiteral("First"), std::nullopt}}});
        return session->keptFacts({w}, generation).front().has_value();
    };
    const auto dropped = [&] { return !session->keptFacts({w}, session->factsGeneration()).front().has_value(); };
    ASSERT_TRUE(client->waitUntil(keeps)) << "the new window was never watched";
    setClass("Second");
    EXPECT_TRUE(client->waitUntil(dropped)) << "the facts of the window that ended stood for the new one";
    ASSERT_TRUE(client->waitUntil(keeps));
    xcb_destroy_window(c, w);
    xcb_flush(c);
    EXPECT_TRUE(client->waitUntil(dropped)) << "a window that ended kept its facts";
}

} // namespace
