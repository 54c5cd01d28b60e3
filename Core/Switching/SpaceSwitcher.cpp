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
    const Space* current = display ? display->activeSpace() : nullptr;
    if (!display || !current) {
        qCCritical(lcSwitcher) << "target display or current space missing";
        return false;
    }
    if (current->id == target.id)
        return true;
    if (!Platform::current().trust().isAccessibilityTrusted(true)) {
        qCCritical(lcSwitcher) << "accessibility not granted";
        return false;
    }
    const int steps = target.indexOnDisplay - current->indexOnDisplay;
    const bool classic = Settings::switchMode() == SwitchMode::classic || m_prefersClassicAfterBounces
        || (Platform::current().events().pressedMouseButtons() & 1) != 0;
    if (classic)
        return classicSwitch(target, steps);
    // Copies: the snapshot belongs to the caller and may change under a callback.
    return instantSwitch(DisplaySpaces(*display), Space(*current), target, steps);
}

bool SpaceSwitcher::instantSwitch(const DisplaySpaces& display, const Space& current, const Space& target, int steps)
{
    // The gesture acts on the display under the pointer, so put it there first.
    if (const auto id = DisplayGeometry::directDisplayID(display.id)) {
        if (const auto bounds = displayBounds(*id)) {
            Screens& screens = Platform::current().screens();
            const auto main = screens.mainScreen();
            const QPointF pointer = Coordinates::flipped(screens.pointerLocation(), main ? main->frame.height() : 0);
            if (!Coordinates::containsHalfOpen(*bounds, pointer))
                Platform::current().events().warpPointer(bounds->center());
        }
    }
    if (!DockSwipe::postSwipe(steps))
        return false;
    m_gestureRecords[display.id] = GestureRecord{display.id, current.id, target.id, m_scheduler.now(), false};
    return true;
}

bool SpaceSwitcher::classicSwitch(const Space& target, int steps)
{
    if (target.desktopNumber && *target.desktopNumber < 17)
        return postSymbolicHotKey(kDesktopHotKeyBase + *target.desktopNumber);
    if (steps == 0)
        return true;
    const int key = steps < 0 ? kMoveLeftHotKey : kMoveRightHotKey;
    for (int i = 0; i < std::abs(steps); ++i) {
        if (!postSymbolicHotKey(key))
            return false;
    }
    return true;
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
    if (m_gestureRecords.empty())
        return;
    const Duration now = m_scheduler.now();
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
