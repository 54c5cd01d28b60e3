#include "Core/Windows/WindowMover.h"

#include "CGSBridge/CGSBridge.h"
#include "Core/Switching/SpaceSwitcher.h"
#include "Core/Windows/Deferred.h"
#include "Platform/Log.h"
#include "Platform/Platform.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>

namespace lumivast {

namespace {

bool contains(const std::vector<int>& list, int value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

std::optional<QRectF> rectFrom(const PlistValue* bounds)
{
    if (!bounds || !bounds->dict())
        return std::nullopt;
    const auto number = [&](const char* key) -> std::optional<double> {
        const PlistValue* v = bounds->value(QString::fromLatin1(key));
        return v ? v->real() : std::nullopt;
    };
    const auto x = number("X"), y = number("Y"), w = number("Width"), h = number("Height");
    if (!x || !y || !w || !h)
        return std::nullopt;
    return QRectF(*x, *y, *w, *h);
}

void postMouse(MouseEventType type, const QPointF& location)
{
    EventPoster& events = Platform::current().events();
    // An event that cannot be made is left out; the check afterwards decides.
    if (const auto event = events.createMouseEvent(type, location))
        events.post(EventTap::hid, *event);
}

WindowMover::Result failed(WindowMover::Failure failure)
{
    return std::unexpected(failure);
}

} // namespace

std::vector<int> spacesOfWindow(std::uint32_t windowID)
{
    const PlistValue list = CGSBridgeCopySpacesForWindow(windowID);
    const PlistValue::Array* items = list.array();
    if (!items)
        return {};
    std::vector<int> spaces;
    for (const PlistValue& item : *items) {
        const auto number = item.integer();
        if (!number || *number < std::numeric_limits<int>::min() || *number > std::numeric_limits<int>::max())
            return {};
        spaces.push_back(int(*number));
    }
    return spaces;
}

QString WindowMover::description(Failure failure)
{
    switch (failure) {
    case Failure::noWindow:
        return QCoreApplication::translate("WindowMover", "There is no window to move.");
    case Failure::fullscreenWindow:
        return QCoreApplication::translate("WindowMover", "Full screen windows cannot be moved to another Space.");
    case Failure::fullscreenTarget:
        return QCoreApplication::translate("WindowMover", "Windows cannot be moved into a full screen Space.");
    case Failure::sameSpace:
        return QCoreApplication::translate("WindowMover", "The window is already on that Space.");
    case Failure::notMoved:
        return QCoreApplication::translate("WindowMover", "%1 did not move the window.")
            .arg(Platform::current().parts().words().system);
    }
    return {};
}

WindowMover::WindowMover(SpaceSwitcher& switcher, Scheduler& scheduler) : m_switcher(switcher), m_scheduler(scheduler) {}

WindowMover::~WindowMover() = default;

std::optional<WindowMover::FrontWindow> WindowMover::frontWindow()
{
    Platform& platform = Platform::current();
    const std::int32_t ownPID = std::int32_t(QCoreApplication::applicationPid());
    const auto frontmost = platform.runningApplications().frontmostApplication();

    if (frontmost && frontmost->pid != ownPID && platform.trust().isAccessibilityTrusted(false)) {
        AXElements& ax = platform.accessibilityElements();
        const sysfn::AXElementRef app = ax.applicationElement(frontmost->pid);
        (void)ax.setMessagingTimeout(app, kMessagingTimeout);
        const auto focused = ax.copyAttributeValue(app, QStringLiteral("AXFocusedWindow"));
        const auto* element = focused ? std::get_if<AXElementValue>(&*focused) : nullptr;
        std::uint32_t id = 0;
        if (element && CGSBridgeAXWindowID(element->element, &id) && id != 0) {
            if (const auto bounds = frame(id))
                return FrontWindow{id, frontmost->pid, *bounds};
        }
    }

    const PlistValue list = platform.windowList().copyWindowInfo(kFrontWindowListOptions, 0);
    const PlistValue::Array* entries = list.array();
    if (!entries)
        return std::nullopt;
    for (const PlistValue& entry : *entries) {
        const PlistValue* layer = entry.value(WindowListKey::layer);
        if (!layer || layer->integer() != 0)
            continue;
        const PlistValue* ownerValue = entry.value(WindowListKey::ownerPID);
        const auto owner = ownerValue ? ownerValue->int32() : std::nullopt;
        if (!owner || *owner == ownPID || (frontmost && *owner != frontmost->pid))
            continue;
        const PlistValue* numberValue = entry.value(WindowListKey::number);
        const auto number = numberValue ? numberValue->integer() : std::nullopt;
        if (!number || *number < 0 || *number > std::numeric_limits<std::uint32_t>::max())
            continue;
        const auto bounds = rectFrom(entry.value(WindowListKey::bounds));
        if (!bounds || bounds->width() <= kMinimumSide || bounds->height() <= kMinimumSide)
            continue;
        return FrontWindow{std::uint32_t(*number), *owner, *bounds};
    }
    return std::nullopt;
}

std::optional<QRectF> WindowMover::frame(std::uint32_t id)
{
    const PlistValue list = Platform::current().windowList().copyWindowInfo(WindowList::kOptionIncludingWindow, id);
    const PlistValue::Array* entries = list.array();
    if (!entries || entries->empty())
        return std::nullopt;
    return rectFrom(entries->front().value(WindowListKey::bounds));
}

void WindowMover::raise(const FrontWindow& window)
{
    Platform& platform = Platform::current();
    if (!platform.trust().isAccessibilityTrusted(false))
        return;
    AXElements& ax = platform.accessibilityElements();
    const sysfn::AXElementRef app = ax.applicationElement(window.pid);
    (void)ax.setMessagingTimeout(app, kMessagingTimeout);
    const auto value = ax.copyAttributeValue(app, QStringLiteral("AXWindows"));
    const auto* elements = value ? std::get_if<std::vector<sysfn::AXElementRef>>(&*value) : nullptr;
    if (!elements)
        return;
    for (sysfn::AXElementRef element : *elements) {
        std::uint32_t id = 0;
        if (!CGSBridgeAXWindowID(element, &id) || id != window.id)
            continue;
        (void)ax.setAttributeValue(element, QStringLiteral("AXMain"), PlistValue(true));
        (void)ax.performAction(element, QStringLiteral("AXRaise"));
        RunningApplications& running = platform.runningApplications();
        if (running.runningApplication(window.pid))
            running.activate(window.pid);
        return;
    }
}

QPointF WindowMover::grabPoint(const QRectF& frame)
{
    return QPointF(frame.x() + std::min(frame.width() / 3, 80.0), frame.y() + 12);
}

void WindowMover::move(const FrontWindow& window, const Space& target, const SpaceSnapshot& snapshot, bool follow,
                       bool allowDrag, Completion completion)
{
    const auto finish = [completion](Result result) {
        if (completion)
            completion(result);
    };
    if (target.isFullscreen)
        return finish(failed(Failure::fullscreenTarget));
    const std::vector<int> spaces = spacesOfWindow(window.id);
    if (contains(spaces, target.managedID))
        return finish(failed(Failure::sameSpace));
    for (const Space& space : snapshot.allSpaces()) {
        if (contains(spaces, space.managedID)) {
            if (space.isFullscreen)
                return finish(failed(Failure::fullscreenWindow));
            break;
        }
    }

    CGSBridgeMoveWindowToSpace(window.id, std::uint64_t(target.managedID)); // the check below decides

    runDetached(m_scheduler, kVerifyDelay, m_lifetime.guard([this, window, target, snapshot, follow, allowDrag, finish] {
        if (contains(spacesOfWindow(window.id), target.managedID)) {
            if (follow) {
                m_switcher.switchTo(target, snapshot);
                runDetached(m_scheduler, kRaiseAfterFollow, [window] { raise(window); });
            }
            finish({});
            return;
        }
        // A window that went meanwhile is not moved, and nothing else may be dragged in its place.
        if (!frame(window.id)) {
            finish(failed(Failure::noWindow));
            return;
        }
        if (!allowDrag || !Platform::current().windowList().carriesDraggedWindows()) {
            finish(failed(Failure::notMoved));
            return;
        }
        qCInfo(lcWindowMover) << "private move did not take, using drag fallback";
        dragMove(window, target, snapshot, finish);
    }));
}

void WindowMover::dragMove(const FrontWindow& window, const Space& target, const SpaceSnapshot& snapshot, Completion completion)
{
    Platform& platform = Platform::current();
    if (!platform.trust().isAccessibilityTrusted(true)) {
        completion(failed(Failure::notMoved));
        return;
    }
    // Pressed where the window's title bar is now; a window that is gone leaves nothing to press.
    const std::optional<QRectF> current = frame(window.id);
    if (!current) {
        completion(failed(Failure::noWindow));
        return;
    }
    const QPointF pointerBefore = platform.mouse().eventLocation().value_or(QPointF(0, 0));
    const QPointF grab = grabPoint(*current);
    const QPointF drop = grab + QPointF(4, 0);
    postMouse(MouseEventType::mouseMoved, grab);
    postMouse(MouseEventType::leftMouseDown, grab);
    postMouse(MouseEventType::leftMouseDragged, drop);

    const auto switchTo = m_lifetime.guard([this, target, snapshot] { m_switcher.switchTo(target, snapshot); });
    Scheduler* scheduler = &m_scheduler;
    runDetached(m_scheduler, kDragSwitchDelay, [switchTo, scheduler, window, target, drop, pointerBefore, completion] {
        switchTo();
        // The button is released even when the mover is gone: a held button would stay held.
        runDetached(*scheduler, kDragReleaseDelay, [window, target, drop, pointerBefore, completion] {
            postMouse(MouseEventType::leftMouseUp, drop);
            if (contains(spacesOfWindow(window.id), target.managedID)) {
                completion({});
                return;
            }
            Platform::current().events().warpPointer(pointerBefore);
            completion(failed(Failure::notMoved));
        });
    });
}

void WindowMover::bringHere(const SpaceContents::WindowInfo& info, const SpaceSnapshot& snapshot, Completion completion)
{
    std::optional<Space> target;
    for (const Space& space : snapshot.allSpaces()) {
        if (space.managedID != info.spaceID)
            continue;
        if (const DisplaySpaces* display = snapshot.display(space)) {
            if (const Space* active = display->activeSpace())
                target = *active;
        }
        break;
    }
    if (!target) {
        if (const DisplaySpaces* menuBar = snapshot.menuBarDisplay()) {
            if (const Space* active = menuBar->activeSpace())
                target = *active;
        }
    }
    if (!target) {
        if (completion)
            completion(failed(Failure::noWindow));
        return;
    }
    const FrontWindow window{info.id, info.pid, info.frame};
    move(window, *target, snapshot, false, false, [window, completion](Result result) {
        if (result)
            raise(window);
        if (completion)
            completion(result);
    });
}

} // namespace lumivast
