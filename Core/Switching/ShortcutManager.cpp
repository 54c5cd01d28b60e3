#include "Core/Switching/ShortcutManager.h"

#include "Core/Settings/Settings.h"

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
    const char* label;
};

OverviewKey overviewKey(OverlayHotKeyPreset preset)
{
    switch (preset) {
    case OverlayHotKeyPreset::optionTab:
        return {KeyCode::tab, Mod::option, QT_TRANSLATE_NOOP("ShortcutManager", "Option + Tab")};
    case OverlayHotKeyPreset::controlOptionSpace:
        return {KeyCode::space, Mod::control | Mod::option, QT_TRANSLATE_NOOP("ShortcutManager", "Control + Option + Space")};
    case OverlayHotKeyPreset::optionBacktick:
        return {KeyCode::backtick, Mod::option, QT_TRANSLATE_NOOP("ShortcutManager", "Option + `")};
    case OverlayHotKeyPreset::commandOptionSpace:
        return {KeyCode::space, Mod::command | Mod::option, QT_TRANSLATE_NOOP("ShortcutManager", "Command + Option + Space")};
    case OverlayHotKeyPreset::f13:
        return {KeyCode::f13, 0, "F13"};
    }
    return {KeyCode::tab, Mod::option, QT_TRANSLATE_NOOP("ShortcutManager", "Option + Tab")};
}

struct BaseModifiers {
    quint32 mask;
    QString symbols;
};

std::optional<BaseModifiers> baseModifiers(DesktopShortcutModifier modifier)
{
    switch (modifier) {
    case DesktopShortcutModifier::off:
        return std::nullopt;
    case DesktopShortcutModifier::controlOption:
        return BaseModifiers{Mod::control | Mod::option, QStringLiteral(u"⌃⌥")};
    case DesktopShortcutModifier::controlCommand:
        return BaseModifiers{Mod::control | Mod::command, QStringLiteral(u"⌃⌘")};
    case DesktopShortcutModifier::optionCommand:
        return BaseModifiers{Mod::option | Mod::command, QStringLiteral(u"⌥⌘")};
    case DesktopShortcutModifier::hyper:
        return BaseModifiers{Mod::control | Mod::option | Mod::command, QStringLiteral(u"⌃⌥⌘")};
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

ShortcutManager::ShortcutManager(Handlers handlers)
    : m_handlers(std::move(handlers))
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

    auto& defaults = Settings::defaults();
    const bool moveWindow = defaults.boolValue(Settings::Key::moveWindowShortcuts);
    const bool navigation = defaults.boolValue(Settings::Key::navigationShortcuts);
    const bool grid = defaults.integerValue(Settings::Key::gridColumns) > 0;

    const OverviewKey overview = overviewKey(Settings::overlayHotKey());
    add(overview.keyCode, overview.modifiers, bind(m_handlers.overview),
        QCoreApplication::translate("ShortcutManager", "Overview (%1)")
            .arg(QCoreApplication::translate("ShortcutManager", overview.label)));

    const auto base = baseModifiers(Settings::desktopShortcutModifier());
    if (!base)
        return;
    const quint32 m = base->mask;
    const quint32 shifted = m | Mod::shift;
    const QString& s = base->symbols;
    const QString shift = QStringLiteral(u"⇧");

    for (int n = 1; n <= 10; ++n) {
        const quint32 key = digitKeyCodes[static_cast<std::size_t>(n - 1)];
        const QString digit = QString::number(n % 10);
        add(key, m, bind(m_handlers.switchToDesktop, n), s + digit);
        if (moveWindow)
            add(key, shifted, bind(m_handlers.moveWindowToDesktop, n), s + shift + digit);
    }

    if (navigation) {
        add(KeyCode::leftArrow, m, bind(m_handlers.step, false), s + QStringLiteral(u"←"));
        add(KeyCode::rightArrow, m, bind(m_handlers.step, true), s + QStringLiteral(u"→"));
        add(KeyCode::backtick, m, bind(m_handlers.previous), s + QStringLiteral("`"));
        if (moveWindow) {
            add(KeyCode::leftArrow, shifted, bind(m_handlers.moveWindowStep, false), s + shift + QStringLiteral(u"←"));
            add(KeyCode::rightArrow, shifted, bind(m_handlers.moveWindowStep, true), s + shift + QStringLiteral(u"→"));
        }
        if (grid) {
            add(KeyCode::upArrow, m, bind(m_handlers.step2D, true), s + QStringLiteral(u"↑"));
            add(KeyCode::downArrow, m, bind(m_handlers.step2D, false), s + QStringLiteral(u"↓"));
        }
    }

    add(KeyCode::w, m, bind(m_handlers.windowSwitcher), s + QStringLiteral("W"));
    add(KeyCode::f, m, bind(m_handlers.windowSearch), s + QStringLiteral("F"));
    add(KeyCode::l, m, bind(m_handlers.launcher), s + QStringLiteral("L"));
    add(KeyCode::slash, m, bind(m_handlers.scratchpad), s + QStringLiteral("/"));
    add(KeyCode::m, m, bind(m_handlers.setMark), s + QStringLiteral("M"));
    add(KeyCode::quote, m, bind(m_handlers.jumpToMark), s + QStringLiteral("'"));
}

void ShortcutManager::add(quint32 keyCode, quint32 modifiers, GlobalHotKey::Action action, const QString& failureLabel)
{
    if (auto key = GlobalHotKey::create(keyCode, modifiers, std::move(action)))
        m_keys.push_back(std::move(key));
    else
        m_failures.append(failureLabel);
}

} // namespace lumivast
