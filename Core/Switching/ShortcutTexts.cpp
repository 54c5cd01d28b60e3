#include "Core/Switching/ShortcutTexts.h"

#include "Core/Shell/KeyNames.h"
#include "Core/Switching/ShortcutManager.h"
#include "Platform/HotKeys.h"

namespace lumivast {

std::optional<ShortcutTexts> ShortcutTexts::forModifier(DesktopShortcutModifier modifier)
{
    const auto mask = ShortcutManager::modifierMask(modifier);
    if (!mask)
        return std::nullopt;
    const quint32 m = *mask;
    const quint32 shifted = m | HotKeyModifier::shift;
    const auto key = [](quint32 modifiers, Qt::Key k) { return KeyNames::hotKey(modifiers, k); };
    const QString ellipsis = QStringLiteral(" \u2026 ");
    const QString slash = QStringLiteral(" / ");

    ShortcutTexts texts;
    texts.switchToDesktops = key(m, Qt::Key_1) + ellipsis + key(m, Qt::Key_0);
    texts.previousNext = key(m, Qt::Key_Left) + slash + key(m, Qt::Key_Right);
    texts.backToLast = key(m, Qt::Key_QuoteLeft);
    texts.sendToDesktops = key(shifted, Qt::Key_1) + ellipsis + key(shifted, Qt::Key_0);
    texts.sendLeftRight = key(shifted, Qt::Key_Left) + slash + key(shifted, Qt::Key_Right);
    texts.tools = {key(m, Qt::Key_F), key(m, Qt::Key_W), key(m, Qt::Key_L),
                   key(m, Qt::Key_Slash), key(m, Qt::Key_M), key(m, Qt::Key_Apostrophe)};
    return texts;
}

QString ShortcutTexts::modifierName(DesktopShortcutModifier modifier)
{
    const auto mask = ShortcutManager::modifierMask(modifier);
    if (!mask)
        return {};
    // The desktop's spelling of the modifiers is that of any key with them, minus the key.
    const QString withKey = KeyNames::hotKey(*mask, Qt::Key_A);
    return withKey.left(withKey.size() - 2);
}

QString ShortcutTexts::presetName(OverlayHotKeyPreset preset)
{
    return ShortcutManager::overviewShortcutName(preset);
}

} // namespace lumivast
