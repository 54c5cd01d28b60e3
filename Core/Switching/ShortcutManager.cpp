#include "Core/Switching/ShortcutManager.h"

#include "Core/Settings/Settings.h"
#include "Core/Shell/KeyNames.h"

#include <QCoreApplication>

namespace lumivast {

namespace {

namespace Mod = HotKeyModifier;

namespace KeyCode {
constexpr quint32 w = 13;
constexpr quint32 f = 3;
constexpr quint32 l = 37;
constexpr quint32 slash = 44;
constexpr quint32 m = 46;
constexpr quint32 quote = 39;
constexpr quint32 tab = 48;
constexpr quint32 space = 49;
constexpr quint32 backtick = 50;
constexpr quint32 f13 = 105;
constexpr quint32 leftArrow = 123;
constexpr quint32 rightArrow = 124;
constexpr quint32 downArrow = 125;
constexpr quint32 upArrow = 126;
} // namespace KeyCode

struct OverviewKey {
    quint32 keyCode;
    quint32 modifiers;
    Qt::Key key; // for its name
};

OverviewKey overviewKey(OverlayHotKeyPreset preset)
{
    switch (preset) {
    case OverlayHotKeyPreset::optionTab:
        return {KeyCode::tab, Mod::option, Qt::Key_Tab};
    case OverlayHotKeyPreset::controlOptionSpace:
        return {KeyCode::space, Mod::control | Mod::option, Qt::Key_Space};
    case OverlayHotKeyPreset::optionBacktick:
        return {KeyCode::backtick, Mod::option, Qt::Key_QuoteLeft};
    case OverlayHotKeyPreset::commandOptionSpace:
        return {KeyCode::space, Mod::command | Mod::option, Qt::Key_Space};
    case OverlayHotKeyPreset::f13:
        return {KeyCode::f13, 0, Qt::Key_F13};
    }
    return {KeyCode::tab, Mod::option, Qt::Key_Tab};
}

std::optional<quint32> baseModifiers(DesktopShortcutModifier modifier)
{
    switch (modifier) {
    case DesktopShortcutModifier::off:
        return std::nullopt;
    case DesktopShortcutModifier::controlOption:
        return Mod::control | Mod::option;
    case DesktopShortcutModifier::controlCommand:
        return Mod::control | Mod::command;
    case DesktopShortcutModifier::optionCommand:
        return Mod::option | Mod::command;
    case DesktopShortcutModifier::hyper:
        return Mod::control | Mod::option | Mod::command;
    }
    return std::nullopt;
}

QString boolText(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }

// Binds a handler (copied, so the key never reaches back into the manager)
// to its argument; an unset handler does nothing.
template <typename Fn, typename... Args>
GlobalHotKey::Action bind(const Fn& handler, Args... args)
{
    return [handler, args...] {
        if (handler)
            handler(args...);
    };
}

} // namespace

QString ShortcutManager::overviewShortcutName(OverlayHotKeyPreset preset)
{
    const OverviewKey overview = overviewKey(preset);
    return KeyNames::hotKey(overview.modifiers, overview.key);
}

std::optional<quint32> ShortcutManager::modifierMask(DesktopShortcutModifier modifier)
{
    return baseModifiers(modifier);
}

ShortcutManager::Handlers ShortcutManager::handlersFor(CommandSink& sink)
{
    CommandSink* to = &sink;
    const auto command = [to](SpaceCommand c) { return [to, c] { to->perform(c); }; };
    using Ref = SpaceCommand::SpaceRef;
    Handlers h;
    h.overview = [to] { to->overviewHotKey(); };
    h.switchToDesktop = [to](int n) { to->perform(SpaceCommand::switchTo(Ref::number(n))); };
    h.moveWindowToDesktop = [to](int n) { to->perform(SpaceCommand::moveWindow(Ref::number(n))); };
    h.step = [to](bool right) { to->perform(SpaceCommand::step(right)); };
    h.moveWindowStep = [to](bool right) { to->perform(SpaceCommand::moveWindowStep(right)); };
    h.previous = command(SpaceCommand::back());
    h.step2D = [to](bool up) { to->perform(SpaceCommand::step2D(up)); };
    h.windowSwitcher = command(SpaceCommand::windows(false));
    h.windowSearch = command(SpaceCommand::windows(true));
    h.launcher = command(SpaceCommand::launcher());
    h.scratchpad = command(SpaceCommand::scratchpad());
    h.setMark = [to] { to->captureMark(true); };
    h.jumpToMark = [to] { to->captureMark(false); };
    return h;
}

ShortcutManager::ShortcutManager(GlobalHotKeys& hotKeys, Handlers handlers)
    : m_hotKeys(hotKeys)
    , m_handlers(std::move(handlers))
{
}

QString ShortcutManager::settingsSignature()
{
    auto& defaults = Settings::defaults();
    return QStringList{
        rawValue(Settings::overlayHotKey()),
        rawValue(Settings::desktopShortcutModifier()),
        boolText(defaults.boolValue(Settings::Key::moveWindowShortcuts)),
        boolText(defaults.boolValue(Settings::Key::navigationShortcuts)),
        QString::number(defaults.integerValue(Settings::Key::gridColumns)),
    }.join(QLatin1Char('|'));
}

void ShortcutManager::refresh()
{
    const QString signature = settingsSignature();
    if (signature == m_signature)
        return;
    // Stored before registering: unchanged settings do not retry refused keys.
    m_signature = signature;
    // Every old key is unregistered before a new one takes its combination.
    m_keys.clear();
    m_failures.clear();
    m_takenKeys.clear();

    auto& defaults = Settings::defaults();
    const bool moveWindow = defaults.boolValue(Settings::Key::moveWindowShortcuts);
    const bool navigation = defaults.boolValue(Settings::Key::navigationShortcuts);
    const bool grid = defaults.integerValue(Settings::Key::gridColumns) > 0;

    const OverviewKey overview = overviewKey(Settings::overlayHotKey());
    const QString overviewName = overviewShortcutName(Settings::overlayHotKey());
    add(overview.keyCode, overview.modifiers, bind(m_handlers.overview), overviewName,
        QCoreApplication::translate("ShortcutManager", "Overview (%1)").arg(overviewName));

    const auto base = baseModifiers(Settings::desktopShortcutModifier());
    if (!base)
        return;
    const quint32 m = *base;
    const quint32 shifted = m | Mod::shift;
    const auto name = [](quint32 modifiers, int key) { return KeyNames::hotKey(modifiers, Qt::Key(key)); };

    for (int n = 1; n <= 10; ++n) {
        const quint32 key = digitKeyCodes[static_cast<std::size_t>(n - 1)];
        const int digit = Qt::Key_0 + n % 10;
        add(key, m, bind(m_handlers.switchToDesktop, n), name(m, digit));
        if (moveWindow)
            add(key, shifted, bind(m_handlers.moveWindowToDesktop, n), name(shifted, digit));
    }

    if (navigation) {
        add(KeyCode::leftArrow, m, bind(m_handlers.step, false), name(m, Qt::Key_Left));
        add(KeyCode::rightArrow, m, bind(m_handlers.step, true), name(m, Qt::Key_Right));
        add(KeyCode::backtick, m, bind(m_handlers.previous), name(m, Qt::Key_QuoteLeft));
        if (moveWindow) {
            add(KeyCode::leftArrow, shifted, bind(m_handlers.moveWindowStep, false), name(shifted, Qt::Key_Left));
            add(KeyCode::rightArrow, shifted, bind(m_handlers.moveWindowStep, true), name(shifted, Qt::Key_Right));
        }
        if (grid) {
            add(KeyCode::upArrow, m, bind(m_handlers.step2D, true), name(m, Qt::Key_Up));
            add(KeyCode::downArrow, m, bind(m_handlers.step2D, false), name(m, Qt::Key_Down));
        }
    }

    add(KeyCode::w, m, bind(m_handlers.windowSwitcher), name(m, Qt::Key_W));
    add(KeyCode::f, m, bind(m_handlers.windowSearch), name(m, Qt::Key_F));
    add(KeyCode::l, m, bind(m_handlers.launcher), name(m, Qt::Key_L));
    add(KeyCode::slash, m, bind(m_handlers.scratchpad), name(m, Qt::Key_Slash));
    add(KeyCode::m, m, bind(m_handlers.setMark), name(m, Qt::Key_M));
    add(KeyCode::quote, m, bind(m_handlers.jumpToMark), name(m, Qt::Key_Apostrophe));
}

void ShortcutManager::add(quint32 keyCode, quint32 modifiers, GlobalHotKey::Action action, const QString& keyName,
                          const QString& failureLabel)
{
    if (auto key = m_hotKeys.create(keyCode, modifiers, std::move(action))) {
        m_keys.push_back(std::move(key));
        return;
    }
    m_failures.append(failureLabel.isEmpty() ? keyName : failureLabel);
    m_takenKeys.append(keyName);
}

} // namespace lumivast
