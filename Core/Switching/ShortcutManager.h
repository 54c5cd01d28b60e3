#pragma once

#include "Core/Commands/CommandSink.h"
#include "Core/Settings/SettingsEnums.h"
#include "Core/Switching/GlobalHotKey.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace lumivast {

// The program's whole set of system-wide shortcuts, built from five settings
// and rebuilt only when one of them changed. Shortcuts the system refused are
// kept as readable labels for the settings window. What a shortcut does is up
// to the handlers given at creation. Main thread only.
class ShortcutManager final {
public:
    struct Handlers {
        std::function<void()> overview;
        std::function<void(int desktop)> switchToDesktop;
        std::function<void(int desktop)> moveWindowToDesktop;
        std::function<void(bool right)> step;
        std::function<void(bool right)> moveWindowStep;
        std::function<void()> previous;
        std::function<void(bool up)> step2D;
        std::function<void()> windowSwitcher;
        std::function<void()> windowSearch;
        std::function<void()> launcher;
        std::function<void()> scratchpad;
        std::function<void()> setMark;
        std::function<void()> jumpToMark;
    };

    // Virtual key codes of the keys 1, 2, ..., 9, 0 of the main keyboard row.
    static constexpr std::array<quint32, 10> digitKeyCodes = {18, 19, 20, 21, 23, 22, 26, 28, 25, 29};

    // What each key does when it goes to the command sink: the commands the
    // other fronts send, and the overview's own key and the marks.
    static Handlers handlersFor(CommandSink& sink);

    ShortcutManager(GlobalHotKeys& hotKeys, Handlers handlers);

    // Rebuilds the shortcuts when the settings they depend on changed.
    void refresh();

    // Labels of the shortcuts refused in the last rebuild, in registration order.
    const QStringList& failures() const { return m_failures; }
    // The same shortcuts as key names ("Alt+Tab"), as KeyNames spells them.
    const QStringList& takenKeys() const { return m_takenKeys; }

    // The settings the shortcuts are built from, as one text.
    static QString settingsSignature();
    // The name of the overview's shortcut for a preset, as texts show it ("Alt+Tab").
    static QString overviewShortcutName(OverlayHotKeyPreset preset);
    // The hot-key modifier mask of the desktop shortcuts; nothing while they are off.
    static std::optional<quint32> modifierMask(DesktopShortcutModifier modifier);

private:
    // `failureLabel` empty: the key's name.
    void add(quint32 keyCode, quint32 modifiers, GlobalHotKey::Action action, const QString& keyName,
             const QString& failureLabel = {});

    GlobalHotKeys& m_hotKeys;
    std::vector<std::unique_ptr<GlobalHotKey>> m_keys;
    QString m_signature;
    const Handlers m_handlers;
    QStringList m_failures;
    QStringList m_takenKeys;
};

} // namespace lumivast
