// What the core relies on from any desktop, held against the simulated one and
// the real one alike. Each case states one promise; a case a desktop cannot
// offer is skipped by that desktop's own answer to SystemParts::has().
#include "CGSBridge/CGSBridge.h"
#include "Core/Spaces/SpaceProvider.h"
#include "tests/Platform/Contract/ContractDesktop.h"
#include "tests/support/TestEnv.h"

#include <QImage>
#include <QUuid>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>

using namespace lumivast;
using namespace lumivast::test::contract;

namespace {

// Set while a case is inside a call that may cause a change; read from whichever thread announces it.
std::atomic<bool> insideCall{false};
std::atomic<int> heardInsideCall{0};

void noteHeard()
{
    if (insideCall)
        ++heardInsideCall;
}

// The window server's Space notifications stay registered for the platform's life; counted here.
std::atomic<int> windowServerEvents{0};
void windowServerEvent(std::uint32_t, void*)
{
    ++windowServerEvents;
    noteHeard();
}

class PlatformContract : public test::TempHomeTest, public ::testing::WithParamInterface<DesktopFactory> {
protected:
    void SetUp() override
    {
        MadeDesktop made = GetParam().make();
        if (!made.broken.isEmpty())
            FAIL() << made.broken.toStdString();
        if (!made.desktop) {
            if (GetParam().required())
                FAIL() << made.absent.toStdString();
            GTEST_SKIP() << made.absent.toStdString();
        }
        desktop = std::move(made.desktop);
        heardInsideCall = 0;
    }
    void TearDown() override { desktop.reset(); }

    Platform& platform() { return desktop->platform(); }
    bool settle(const std::function<bool()>& done) { return desktop->settle(done); }

    // Runs `call` as the core would make it, noting any announcement heard before it returns.
    template <class F>
    auto during(F call)
    {
        insideCall = true;
        auto result = call();
        insideCall = false;
        return result;
    }

    // The menu-bar display's desktops, in order.
    std::vector<std::uint64_t> desktops()
    {
        std::vector<std::uint64_t> ids;
        const auto snapshot = SpaceProvider::snapshot(desktop->scheduler());
        if (!snapshot)
            return ids;
        for (const DisplaySpaces& display : snapshot->displays) {
            if (!display.isMenuBarDisplay)
                continue;
            for (const Space& space : display.spaces) {
                if (!space.isFullscreen)
                    ids.push_back(std::uint64_t(space.managedID));
            }
        }
        return ids;
    }

    // The system's "Desktop N" keys, pressed as the core presses them.
    bool pressDesktopKey(int number)
    {
        std::uint16_t keyCode = 0;
        std::uint32_t modifiers = 0;
        if (!CGSBridgeGetSymbolicHotKey(117 + number, &keyCode, &modifiers))
            return false;
        EventPoster& events = platform().events();
        auto down = events.createKeyboardEvent(keyCode, true);
        auto up = events.createKeyboardEvent(keyCode, false);
        if (!down || !up)
            return false;
        down->flags = modifiers;
        events.post(EventTap::hid, *down);
        events.post(EventTap::hid, *up);
        return true;
    }

    std::vector<std::uint64_t> spacesOf(std::uint32_t window)
    {
        std::vector<std::uint64_t> spaces;
        const PlistValue list = CGSBridgeCopySpacesForWindow(window);
        if (const auto* items = list.array()) {
            for (const PlistValue& item : *items)
                spaces.push_back(std::uint64_t(item.integer().value_or(-1)));
        }
        return spaces;
    }

    bool listed(std::uint32_t window, std::uint32_t options)
    {
        const PlistValue list = platform().windowList().copyWindowInfo(options, 0);
        const auto* items = list.array();
        return items && std::any_of(items->begin(), items->end(), [&](const PlistValue& entry) {
                   const PlistValue* number = entry.value(WindowListKey::number);
                   return number && number->integer() == std::int64_t(window);
               });
    }

    std::optional<QRectF> frameOf(std::uint32_t window)
    {
        const PlistValue list = platform().windowList().copyWindowInfo(WindowList::kOptionIncludingWindow, window);
        if (!list.array() || list.array()->empty())
            return std::nullopt;
        const PlistValue* bounds = list.array()->front().value(WindowListKey::bounds);
        if (!bounds)
            return std::nullopt;
        return QRectF(bounds->value("X")->real().value_or(0), bounds->value("Y")->real().value_or(0),
                      bounds->value("Width")->real().value_or(0), bounds->value("Height")->real().value_or(0));
    }

    std::unique_ptr<ContractDesktop> desktop;
};

#define SKIP_UNLESS_OFFERED(part)                                                                                      \
    do {                                                                                                               \
        if (!platform().parts().has(SystemParts::Part::part))                                                          \
            GTEST_SKIP() << "not offered here: " #part;                                                                \
    } while (0)

TEST_P(PlatformContract, ASwitchIsAnnouncedOnceAndOnlyOnceItHasLanded)
{
    const std::vector<std::uint64_t> spaces = desktops();
    ASSERT_GE(spaces.size(), 2u);
    ASSERT_EQ(CGSBridgeActiveSpace(), spaces[0]);
    // What an observer reads when it hears of the switch.
    std::vector<std::uint64_t> heard;
    Subscription observed = platform().workspace().observe(WorkspaceEvent::ActiveSpaceDidChange,
                                                           [&] { heard.push_back(CGSBridgeActiveSpace()); });

    ASSERT_TRUE(during([&] { return pressDesktopKey(2); }));
    ASSERT_TRUE(settle([&] { return !heard.empty(); })) << "the switch was never announced";
    desktop->quiesce();
    EXPECT_EQ(heard, (std::vector<std::uint64_t>{spaces[1]}));

    ASSERT_TRUE(during([&] { return pressDesktopKey(1); }));
    ASSERT_TRUE(settle([&] { return heard.size() >= 2; })) << "the switch back was never announced";
    desktop->quiesce();
    EXPECT_EQ(heard, (std::vector<std::uint64_t>{spaces[1], spaces[0]}));
    EXPECT_EQ(heardInsideCall, 0);
}

// Which of the two comes first differs: the simulated desktop tells the activation first, the real one
// the switch (its window manager shows the desktop, then focuses the window). The core acts on a
// switch only after its watcher's debounce, and counts on both having arrived by then; what it reads
// as it hears each is held here.
TEST_P(PlatformContract, AnActivationThatSwitchesIsAnnouncedOnceAndSoIsTheSwitch)
{
    const std::vector<std::uint64_t> spaces = desktops();
    ASSERT_GE(spaces.size(), 2u);
    const auto here = desktop->openWindow(QStringLiteral("Here"));
    const auto there = desktop->openWindow(QStringLiteral("There"));
    ASSERT_TRUE(here && there);
    ASSERT_TRUE(CGSBridgeMoveWindowToSpace(there->id, spaces[1]));
    ASSERT_TRUE(settle([&] { return spacesOf(there->id) == std::vector<std::uint64_t>{spaces[1]}; }));
    RunningApplications& running = platform().runningApplications();
    ASSERT_TRUE(running.activate(here->pid));
    ASSERT_TRUE(settle([&] {
        const auto front = running.frontmostApplication();
        return front && front->pid == here->pid;
    }));
    desktop->quiesce();

    // What an observer reads as it hears each.
    std::vector<std::string> activations, switches;
    Subscription activated = platform().workspace().observeApplications(WorkspaceEvent::DidActivateApplication, [&](const RunningApplication& app) {
        const auto front = running.frontmostApplication();
        activations.push_back(std::to_string(app.pid) + " in front: " + std::to_string(front ? front->pid : 0));
    });
    Subscription switched = platform().workspace().observe(WorkspaceEvent::ActiveSpaceDidChange,
                                                           [&] { switches.push_back(std::to_string(CGSBridgeActiveSpace())); });
    ASSERT_TRUE(running.activate(there->pid));
    ASSERT_TRUE(settle([&] { return !activations.empty() && !switches.empty(); }));
    desktop->quiesce();
    const std::string pid = std::to_string(there->pid);
    EXPECT_EQ(activations, std::vector<std::string>{pid + " in front: " + pid});
    EXPECT_EQ(switches, std::vector<std::string>{std::to_string(spaces[1])});
}

TEST_P(PlatformContract, ObserversNeverRunInsideTheCallThatCausedTheChange)
{
    ASSERT_TRUE(CGSBridgeRegisterSpaceNotifications(&windowServerEvent, nullptr));
    std::vector<Subscription> observed;
    for (WorkspaceEvent event : {WorkspaceEvent::ActiveSpaceDidChange, WorkspaceEvent::ScreenParametersDidChange,
                                 WorkspaceEvent::DidLaunchApplication, WorkspaceEvent::DidTerminateApplication,
                                 WorkspaceEvent::DidActivateApplication}) {
        observed.push_back(platform().workspace().observe(event, [] { noteHeard(); }));
        observed.push_back(platform().workspace().observeApplications(event, [](const RunningApplication&) { noteHeard(); }));
    }
    int activations = 0;
    observed.push_back(platform().workspace().observeApplications(WorkspaceEvent::DidActivateApplication,
                                                                  [&](const RunningApplication&) { ++activations; }));
    int switches = 0;
    observed.push_back(platform().workspace().observe(WorkspaceEvent::ActiveSpaceDidChange, [&] { ++switches; }));
    const std::vector<std::uint64_t> spaces = desktops();
    ASSERT_GE(spaces.size(), 3u);
    const auto window = desktop->openWindow(QStringLiteral("Caller"));
    ASSERT_TRUE(window);
    desktop->quiesce();
    const int eventsBefore = windowServerEvents;

    // An activation.
    ASSERT_TRUE(during([&] { return platform().runningApplications().activate(window->pid); }));
    ASSERT_TRUE(settle([&] { return activations > 0; })) << "the activation was never announced";
    // A switch.
    ASSERT_TRUE(during([&] { return pressDesktopKey(2); }));
    ASSERT_TRUE(settle([&] { return switches > 0 && windowServerEvents > eventsBefore; })) << "the switch was never announced";
    // A window moved.
    during([&] { return CGSBridgeMoveWindowToSpace(window->id, spaces[2]); });
    EXPECT_TRUE(settle([&] { return spacesOf(window->id) == std::vector<std::uint64_t>{spaces[2]}; }));
    // A desktop added and taken away, where the system takes such requests.
    if (DesktopManagement* management = platform().desktopManagement()) {
        std::optional<DesktopManagement::Outcome> added, removed;
        during([&] {
            management->addDesktop([&](DesktopManagement::Outcome outcome) { added = outcome; });
            return true;
        });
        EXPECT_FALSE(added) << "answered inside the call";
        ASSERT_TRUE(settle([&] { return added.has_value(); }));
        EXPECT_EQ(*added, DesktopManagement::Outcome::done);
        during([&] {
            management->removeDesktop(int(spaces.size()) + 1, [&](DesktopManagement::Outcome outcome) { removed = outcome; });
            return true;
        });
        EXPECT_FALSE(removed) << "answered inside the call";
        ASSERT_TRUE(settle([&] { return removed.has_value(); }));
        EXPECT_EQ(*removed, DesktopManagement::Outcome::done);
    }
    desktop->closeWindow(*window);
    desktop->quiesce();
    EXPECT_EQ(heardInsideCall, 0);
}

TEST_P(PlatformContract, AMovedWindowIsListedOnItsNewSpace)
{
    const std::vector<std::uint64_t> spaces = desktops();
    ASSERT_GE(spaces.size(), 3u);
    const auto window = desktop->openWindow(QStringLiteral("Mover"));
    ASSERT_TRUE(window);
    ASSERT_TRUE(settle([&] { return spacesOf(window->id) == std::vector<std::uint64_t>{spaces[0]}; }));
    EXPECT_TRUE(listed(window->id, WindowList::kOptionOnScreenOnly));

    EXPECT_TRUE(CGSBridgeMoveWindowToSpace(window->id, spaces[2]));
    EXPECT_TRUE(settle([&] { return spacesOf(window->id) == std::vector<std::uint64_t>{spaces[2]}; }))
        << "never listed on the Space it was moved to";
    // Listed, but not on screen while another Space is shown; on screen once its Space is.
    EXPECT_TRUE(settle([&] { return !listed(window->id, WindowList::kOptionOnScreenOnly); }));
    EXPECT_TRUE(listed(window->id, WindowList::kOptionAll));
    ASSERT_TRUE(pressDesktopKey(3));
    ASSERT_TRUE(settle([&] { return CGSBridgeActiveSpace() == spaces[2]; }));
    EXPECT_TRUE(settle([&] { return listed(window->id, WindowList::kOptionOnScreenOnly); }));
    EXPECT_EQ(spacesOf(window->id), std::vector<std::uint64_t>{spaces[2]});
}

TEST_P(PlatformContract, NamesWrittenAreReadBack)
{
    SKIP_UNLESS_OFFERED(desktopNames);
    const std::vector<std::uint64_t> spaces = desktops();
    ASSERT_GE(spaces.size(), 4u);
    DesktopNames& names = platform().desktopNames();
    const std::map<std::uint64_t, QString> own = names.shownNames();
    ASSERT_EQ(own.size(), spaces.size());

    names.setStoredNames({{spaces[1], QStringLiteral("Mail")}});
    EXPECT_TRUE(settle([&] { return names.shownNames()[spaces[1]] == QStringLiteral("Mail"); }));
    names.setStoredNames({{spaces[1], QStringLiteral("Mail")}, {spaces[3], QStringLiteral("Web ✓")}});
    EXPECT_TRUE(settle([&] { return names.shownNames()[spaces[3]] == QStringLiteral("Web ✓"); }));
    auto shown = names.shownNames();
    EXPECT_EQ(shown[spaces[0]], own.at(spaces[0])) << "a desktop without a stored name keeps the system's";
    EXPECT_EQ(shown[spaces[1]], QStringLiteral("Mail"));

    // Taken back: the system's own names return.
    names.setStoredNames({});
    EXPECT_TRUE(settle([&] { return names.shownNames() == own; }));
}

TEST_P(PlatformContract, AWindowThatClosesMidOperationIsReportedGone)
{
    const std::vector<std::uint64_t> spaces = desktops();
    ASSERT_GE(spaces.size(), 2u);
    const auto window = desktop->openWindow(QStringLiteral("Leaver"));
    ASSERT_TRUE(window);
    ASSERT_TRUE(settle([&] { return frameOf(window->id).has_value(); }));

    // Closed between the request to move it and the check that it moved.
    CGSBridgeMoveWindowToSpace(window->id, spaces[1]);
    desktop->closeWindow(*window);
    EXPECT_TRUE(settle([&] { return !frameOf(window->id) && !listed(window->id, WindowList::kOptionAll); }))
        << "still listed after it closed";
    EXPECT_TRUE(settle([&] { return spacesOf(window->id).empty(); })) << "still on a Space after it closed";
    EXPECT_TRUE(settle([&] { return !platform().runningApplications().runningApplication(window->pid); }));

    // Asked again, it stays gone, and its application cannot be brought forward.
    CGSBridgeMoveWindowToSpace(window->id, spaces[1]);
    desktop->quiesce();
    EXPECT_FALSE(frameOf(window->id));
    EXPECT_TRUE(spacesOf(window->id).empty());
    EXPECT_FALSE(platform().runningApplications().activate(window->pid));
}

TEST_P(PlatformContract, TheSpacesListHasItsShapeAndItsDisplaysAreScreens)
{
    const PlistValue list = CGSBridgeCopyManagedDisplaySpaces();
    ASSERT_TRUE(list.array());
    ASSERT_FALSE(list.array()->empty());
    const PlistValue menuBar = CGSBridgeCopyActiveMenuBarDisplayIdentifier();
    ASSERT_TRUE(menuBar.string());
    std::set<std::int64_t> managed;
    bool menuBarListed = false;
    const std::vector<ScreenInfo> screens = platform().screens().screens();
    const std::optional<ScreenInfo> main = platform().screens().mainScreen();
    ASSERT_FALSE(screens.empty());
    ASSERT_TRUE(main);
    for (const PlistValue& display : *list.array()) {
        const PlistValue* identifier = display.value(QStringLiteral("Display Identifier"));
        ASSERT_TRUE(identifier && identifier->string());
        const PlistValue* spaces = display.value(QStringLiteral("Spaces"));
        ASSERT_TRUE(spaces && spaces->array() && !spaces->array()->empty());
        std::vector<std::int64_t> here;
        for (const PlistValue& space : *spaces->array()) {
            const PlistValue* id = space.value(QStringLiteral("ManagedSpaceID"));
            ASSERT_TRUE(id && id->integer() && *id->integer() > 0);
            EXPECT_TRUE(managed.insert(*id->integer()).second) << "listed twice: " << *id->integer();
            const PlistValue* type = space.value(QStringLiteral("type"));
            ASSERT_TRUE(type && type->integer());
            here.push_back(*id->integer());
        }
        const PlistValue* current = display.value(QStringLiteral("Current Space"));
        ASSERT_TRUE(current && current->value(QStringLiteral("ManagedSpaceID")));
        const std::int64_t currentID = current->value(QStringLiteral("ManagedSpaceID"))->integer().value_or(-1);
        EXPECT_NE(std::find(here.begin(), here.end(), currentID), here.end()) << "the current Space is one of its own";
        if (*identifier->string() == *menuBar.string()) {
            menuBarListed = true;
            EXPECT_EQ(std::int64_t(CGSBridgeActiveSpace()), currentID);
        }
        // Each display is a screen: the main one by name, any other by its UUID.
        if (*identifier->string() != QStringLiteral("Main"))
            EXPECT_NE(platform().screens().displayIDFromUUID(QUuid(*identifier->string())), 0u) << identifier->string()->toStdString();
    }
    EXPECT_TRUE(menuBarListed);
    EXPECT_EQ(desktops().size(), 4u);

    // Global coordinates with the main screen's corner at the origin; each visible frame inside its screen.
    EXPECT_EQ(main->frame.topLeft(), QPointF(0, 0));
    std::set<std::int64_t> numbers;
    for (const ScreenInfo& screen : screens) {
        EXPECT_FALSE(screen.frame.isEmpty());
        EXPECT_TRUE(screen.frame.contains(screen.visibleFrame)) << screen.localizedName.toStdString();
        const PlistValue* number = screen.deviceDescription.value(QStringLiteral("NSScreenNumber"));
        ASSERT_TRUE(number && number->integer());
        EXPECT_TRUE(numbers.insert(*number->integer()).second);
    }
    EXPECT_TRUE(numbers.contains(platform().screens().mainDisplayID()));
}

TEST_P(PlatformContract, TheCaptureShowsTheCurrentSpaceAndAnswersLater)
{
    const std::vector<std::uint64_t> spaces = desktops();
    ASSERT_GE(spaces.size(), 2u);
    ScreenCapture& capture = platform().screenCapture();
    std::optional<std::expected<ShareableContent, QString>> content;
    during([&] {
        capture.shareableContent(false, true, [&](std::expected<ShareableContent, QString> answer) { content = std::move(answer); });
        return true;
    });
    EXPECT_FALSE(content) << "answered inside the call";
    ASSERT_TRUE(settle([&] { return content.has_value(); }));
    ASSERT_TRUE(content->has_value()) << content->error().toStdString();
    const std::uint32_t mainID = platform().screens().mainDisplayID();
    const auto display = std::find_if((*content)->displays.begin(), (*content)->displays.end(),
                                      [&](const ShareableDisplay& d) { return d.displayID == mainID; });
    ASSERT_NE(display, (*content)->displays.end());
    const QSizeF size = platform().screens().mainScreen()->frame.size();
    EXPECT_EQ(QSizeF(display->width, display->height), size);

    const auto picture = [&]() -> QImage {
        std::optional<std::expected<QImage, QString>> image;
        StillImageRequest request;
        request.displayID = mainID;
        request.width = display->width;
        request.height = display->height;
        during([&] {
            capture.captureImage(request, [&](std::expected<QImage, QString> answer) { image = std::move(answer); });
            return true;
        });
        EXPECT_FALSE(image) << "answered inside the call";
        if (!settle([&] { return image.has_value(); }) || !image->has_value()) {
            ADD_FAILURE() << "no picture";
            return {};
        }
        return **image;
    };
    const QImage before = picture();
    EXPECT_EQ(before.size(), QSize(display->width, display->height));

    const auto window = desktop->openWindow(QStringLiteral("Pictured"));
    ASSERT_TRUE(window);
    ASSERT_TRUE(settle([&] { return frameOf(window->id).has_value(); }));
    const QRect inside = frameOf(window->id)->toRect().adjusted(10, 40, -10, -10).intersected(before.rect());
    ASSERT_FALSE(inside.isEmpty());
    EXPECT_NE(picture().copy(inside), before.copy(inside)) << "the window on the current Space is not in the picture";
    ASSERT_TRUE(CGSBridgeMoveWindowToSpace(window->id, spaces[1]));
    ASSERT_TRUE(settle([&] { return !listed(window->id, WindowList::kOptionOnScreenOnly); }));
    EXPECT_EQ(picture().copy(inside), before.copy(inside)) << "a window on another Space is in the picture";
}

INSTANTIATE_TEST_SUITE_P(Sim, PlatformContract, ::testing::Values(simulatedDesktop()),
                         [](const auto& info) { return std::string(info.param.name); });
// The real desktop's cases carry its name first, so that they run again under each window manager.
INSTANTIATE_TEST_SUITE_P(X11, PlatformContract, ::testing::Values(realDesktop()),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
