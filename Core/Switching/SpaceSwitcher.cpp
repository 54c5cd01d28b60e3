#include "Core/Switching/SpaceSwitcher.h"

#include "CGSBridge/CGSBridge.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/DisplayGeometry.h"
#include "Core/Switching/DockSwipe.h"
#include "Platform/Coordinates.h"
#include "Platform/Log.h"
#include "Platform/Platform.h"

#include <QUuid>

#include <cstdlib>

namespace lumivast {

namespace {

// The display's bounds (global, origin top left), from the screen that shows it.
std::optional<QRectF> displayBounds(std::uint32_t displayID)
{
    Screens& screens = Platform::current().screens();
    const auto main = screens.mainScreen();
    if (!main)
        return std::nullopt;
    for (const ScreenInfo& screen : screens.screens()) {
        if (DisplayGeometry::screen(screen, displayID))
            return Coordinates::flipped(screen.frame, main->frame.height());
    }
    return std::nullopt;
}

// The pointer in the coordinates of display bounds (global, origin top left).
QPointF pointerTopLeft()
{
    Screens& screens = Platform::current().screens();
    const auto main = screens.mainScreen();
    return Coordinates::flipped(screens.pointerLocation(), main ? main->frame.height() : 0);
}

// Puts the pointer onto the display when it is elsewhere. `previous` is where
// it was when it moved; false when the display's screen cannot be found.
bool movePointerOnto(const QString& displayID, std::optional<QPointF>& previous)
{
    const auto id = DisplayGeometry::directDisplayID(displayID);
    const auto bounds = id ? displayBounds(*id) : std::nullopt;
    if (!bounds)
        return false;
    const QPointF pointer = pointerTopLeft();
    if (Coordinates::containsHalfOpen(*bounds, pointer))
        return true;
    if (!Platform::current().events().warpPointer(bounds->center()))
        return false;
    previous = pointer;
    return true;
}

} // namespace

SpaceSwitcher::SpaceSwitcher(Scheduler& scheduler) : m_scheduler(scheduler) {}

SpaceSwitcher::~SpaceSwitcher()
{
    // Leaving the user's shortcuts switched on would outlive us in the system's settings.
    restoreHotKeys();
}

bool SpaceSwitcher::switchTo(const Space& target, const SpaceSnapshot& snapshot)
{
    const DisplaySpaces* display = snapshot.display(target);
    if (!display || !display->activeSpace()) {
        qCCritical(lcSwitcher) << "target display or current space missing";
        return false;
    }
    // Counted from where a switch still in flight is going: the snapshot has
    // not caught up with it yet, and the system counts from there too.
    const Space* current = destination(*display);
    if (current->id == target.id)
        return true;
    if (!Platform::current().trust().isAccessibilityTrusted(true)) {
        qCCritical(lcSwitcher) << "accessibility not granted";
        return false;
    }
    const int steps = target.indexOnDisplay - current->indexOnDisplay;
    const bool classic = Settings::switchMode() == SwitchMode::classic || m_prefersClassicAfterBounces
        || (Platform::current().events().pressedMouseButtons() & 1) != 0;
    // Copies: the snapshot belongs to the caller and may change under a callback.
    const DisplaySpaces row(*display);
    const Space origin(*current);
    const bool sent = classic ? classicSwitch(row, target, steps) : instantSwitch(row, origin, target, steps);
    if (sent)
        m_inFlight[row.id] = InFlight{target.id, m_scheduler.now()};
    return sent;
}

const Space* SpaceSwitcher::destination(const DisplaySpaces& display) const
{
    const Space* active = display.activeSpace();
    const auto it = m_inFlight.find(display.id);
    if (it == m_inFlight.end() || m_scheduler.now() - it->second.sentAt > kInFlightTimeout)
        return active;
    for (const Space& space : display.spaces) {
        if (space.id == it->second.targetID)
            return &space;
    }
    return active;
}

bool SpaceSwitcher::instantSwitch(const DisplaySpaces& display, const Space& current, const Space& target, int steps)
{
    // The gesture acts on the display under the pointer, so put it there first.
    std::optional<QPointF> previous;
    movePointerOnto(display.id, previous);
    if (!DockSwipe::postSwipe(steps))
        return false;
    m_gestureRecords[display.id] = GestureRecord{display.id, current.id, target.id, m_scheduler.now(), false};
    return true;
}

bool SpaceSwitcher::classicSwitch(const DisplaySpaces& display, const Space& target, int steps)
{
    if (target.desktopNumber && *target.desktopNumber < 17)
        return postSymbolicHotKey(kDesktopHotKeyBase + *target.desktopNumber);
    if (steps == 0)
        return true;
    // One-Space presses act on the display under the pointer: without the
    // pointer on the target's display they would step another display.
    std::optional<QPointF> previous;
    if (!movePointerOnto(display.id, previous)) {
        qCCritical(lcSwitcher) << "cannot move the pointer onto display" << display.id;
        return false;
    }
    const int key = steps < 0 ? kMoveLeftHotKey : kMoveRightHotKey;
    bool pressed = true;
    for (int i = 0; i < std::abs(steps) && pressed; ++i)
        pressed = postSymbolicHotKey(key);
    if (previous)
        Platform::current().events().warpPointer(*previous);
    return pressed;
}

bool SpaceSwitcher::postSymbolicHotKey(int number)
{
    std::uint16_t keyCode = 0;
    std::uint32_t modifiers = 0;
    if (!CGSBridgeGetSymbolicHotKey(number, &keyCode, &modifiers)) {
        qCCritical(lcSwitcher, "no key binding for symbolic hot key %ld", long(number));
        return false;
    }
    if (!CGSBridgeIsSymbolicHotKeyEnabled(number)) {
        if (!CGSBridgeSetSymbolicHotKeyEnabled(number, true))
            return false;
        m_forceEnabledHotKeys.insert(number);
        scheduleHotKeyRestore();
    }
    EventPoster& events = Platform::current().events();
    std::optional<InputEvent> down = events.createKeyboardEvent(keyCode, true);
    std::optional<InputEvent> up = events.createKeyboardEvent(keyCode, false);
    if (!down || !up)
        return false;
    down->flags = modifiers;
    events.post(EventTap::hid, *down);
    up->flags = 0;
    events.post(EventTap::hid, *up);
    return true;
}

void SpaceSwitcher::scheduleHotKeyRestore()
{
    m_restoreWork = m_scheduler.after(kHotKeyRestoreDelay, [this] { restoreHotKeys(); });
}

void SpaceSwitcher::restoreHotKeys()
{
    for (int number : m_forceEnabledHotKeys)
        CGSBridgeSetSymbolicHotKeyEnabled(number, false);
    m_forceEnabledHotKeys.clear();
}

void SpaceSwitcher::observe(const SpaceSnapshot& snapshot)
{
    const Duration now = m_scheduler.now();
    for (auto it = m_inFlight.begin(); it != m_inFlight.end();) {
        const DisplaySpaces* display = nullptr;
        for (const DisplaySpaces& d : snapshot.displays) {
            if (d.id == it->first)
                display = &d;
        }
        const bool arrived = display && display->activeSpaceID == it->second.targetID;
        if (arrived || now - it->second.sentAt > kInFlightTimeout)
            it = m_inFlight.erase(it);
        else
            ++it;
    }
    if (m_gestureRecords.empty())
        return;
    for (const DisplaySpaces& display : snapshot.displays) {
        const auto it = m_gestureRecords.find(display.id);
        if (it == m_gestureRecords.end() || !display.activeSpaceID)
            continue;
        GestureRecord& record = it->second;
        if (now - record.madeAt > kBounceWindow) {
            m_gestureRecords.erase(it);
            continue;
        }
        if (*display.activeSpaceID == record.targetID) {
            record.armed = true;
        } else if (record.armed && *display.activeSpaceID == record.originID) {
            m_gestureRecords.erase(it);
            ++m_bounceCount;
            if (m_bounceCount >= kBouncesBeforeClassic && !m_prefersClassicAfterBounces) {
                m_prefersClassicAfterBounces = true;
                qCCritical(lcSwitcher) << "gesture switches bounce back, using classic switching for this session";
            }
        }
    }
}

std::optional<DisplaySpaces> SpaceSwitcher::displayUnderMouse(const SpaceSnapshot& snapshot) const
{
    if (snapshot.displays.size() < 2)
        return std::nullopt;
    const auto screen = DisplayGeometry::screenUnderMouse();
    if (!screen)
        return std::nullopt;
    Screens& screens = Platform::current().screens();
    for (const DisplaySpaces& display : snapshot.displays) {
        std::uint32_t id = 0;
        if (display.id == QLatin1String("Main")) {
            id = screens.mainDisplayID();
        } else {
            const QUuid uuid = QUuid::fromString(display.id);
            if (uuid.isNull())
                continue;
            id = screens.displayIDFromUUID(uuid);
        }
        if (id != 0 && DisplayGeometry::screen(*screen, id))
            return display;
    }
    return std::nullopt;
}

} // namespace lumivast
