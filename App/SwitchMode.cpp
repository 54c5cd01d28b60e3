#include "App/SwitchMode.h"

#include "CGSBridge/CGSBridge.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceProvider.h"
#include "Core/Switching/SpaceSwitcher.h"
#include "Platform/Platform.h"

#include <array>

namespace lumivast {

namespace {

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

struct Check {
    Duration delay;
    const char* text;
};
constexpr std::array<Check, 4> kChecks{{{200ms, "0.2"}, {500ms, "0.5"}, {1000ms, "1.0"}, {2000ms, "2.0"}}};

// The desktop number of the menu-bar display's active Space, else -1.
qint64 activeDesktop(const Scheduler& clock)
{
    const auto snapshot = SpaceProvider::snapshot(clock);
    const DisplaySpaces* display = snapshot ? snapshot->menuBarDisplay() : nullptr;
    const Space* active = display ? display->activeSpace() : nullptr;
    return active && active->desktopNumber ? *active->desktopNumber : -1;
}

} // namespace

int runSwitchMode(qint64 desktop, bool classic, Scheduler& scheduler, const SwitchModeIO& io)
{
    if (classic)
        Settings::defaults().set(Settings::Key::switchMode, QStringLiteral("classic"));

    const PlistValue session = Platform::current().system().sessionDictionary();
    if (session.isStringKeyedDict()) {
        const PlistValue* locked = session.value(QStringLiteral("CGSSessionScreenIsLocked"));
        if (locked && locked->boolean() == true)
            io.print(QStringLiteral("warning: screen is locked, the Dock ignores space switches until it is unlocked"));
    }

    const std::optional<SpaceSnapshot> snapshot = SpaceProvider::snapshot(scheduler);
    std::optional<Space> target;
    if (snapshot) {
        for (const Space& space : snapshot->allSpaces()) {
            if (space.desktopNumber && *space.desktopNumber == desktop) {
                target = space;
                break;
            }
        }
    }
    if (!target) {
        io.print(QStringLiteral("desktop %1 not found").arg(desktop));
        return 1;
    }

    const auto hotKey = std::int32_t(117 + desktop);
    std::uint16_t keyCode = 0;
    std::uint32_t modifiers = 0;
    const bool bound = CGSBridgeGetSymbolicHotKey(hotKey, &keyCode, &modifiers);
    if (!bound) {
        keyCode = 0;
        modifiers = 0;
    }
    io.print(QStringLiteral("hotkey %1: bound=%2 keyCode=%3 mods=0x%4 enabled=%5")
                 .arg(hotKey)
                 .arg(boolText(bound))
                 .arg(keyCode)
                 .arg(modifiers, 0, 16)
                 .arg(boolText(CGSBridgeIsSymbolicHotKeyEnabled(hotKey))));
    io.print(QStringLiteral("accessibility trusted: ") + boolText(Platform::current().trust().isAccessibilityTrusted(false)));

    SpaceSwitcher switcher(scheduler);
    const bool posted = switcher.switchTo(*target, *snapshot);
    io.print(QStringLiteral("switch to desktop %1: %2").arg(desktop).arg(posted ? QStringLiteral("posted") : QStringLiteral("failed")));

    for (const Check& check : kChecks) {
        io.wait(check.delay);
        const qint64 active = activeDesktop(scheduler);
        io.print(QStringLiteral("  after +%1s active desktop: %2").arg(QLatin1String(check.text)).arg(active));
        if (active == desktop)
            return 0;
    }
    return 2;
}

} // namespace lumivast
