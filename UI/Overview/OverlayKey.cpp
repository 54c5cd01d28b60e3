#include "UI/Overview/OverlayKey.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QTextBoundaryFinder>

namespace lumivast {

namespace {

// The key left of 1 on the desktop's keyboard (its X key code).
constexpr quint32 kLeftOfOneScanCode = 49;

Qt::KeyboardModifiers modifierOf(int key)
{
    switch (key) {
    case Qt::Key_Shift:
        return Qt::ShiftModifier;
    case Qt::Key_Control:
        return Qt::ControlModifier;
    case Qt::Key_Alt:
        return Qt::AltModifier;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return Qt::MetaModifier;
    default:
        return {};
    }
}

bool isOneCharacter(const QString& text)
{
    if (text.isEmpty())
        return false;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    return finder.toNextBoundary() == text.size();
}

bool printable(const QString& text)
{
    return isOneCharacter(text) && text.at(0).unicode() >= 0x20 && text.at(0) != QChar(0x7F);
}

} // namespace

OverlayKey OverlayKey::fromEvent(const QKeyEvent& event)
{
    OverlayKey key;
    key.key = Qt::Key(event.key());
    key.modifiers = event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (key.key == Qt::Key_Backtab) {
        key.key = Qt::Key_Tab;
        key.modifiers |= Qt::ShiftModifier;
    }
    key.text = event.text();
    // Control and Command make control characters of the text; the key itself still names its character.
    if (printable(key.text) && !key.commandOrControl()) {
        key.shiftedText = key.text;
    } else if (event.key() >= 0x20 && event.key() < 0x7F) {
        const QString plain(QChar(event.key()));
        key.shiftedText = key.shift() ? plain : plain.toLower();
    }
    const bool positionKnown = QGuiApplication::platformName() == QLatin1String("xcb") && event.nativeScanCode() != 0;
    key.isKeyLeftOfOne = positionKnown ? event.nativeScanCode() == kLeftOfOneScanCode : event.key() == Qt::Key_QuoteLeft;
    return key;
}

bool OverlayFlags::isModifierKey(int key)
{
    return modifierOf(key) != Qt::KeyboardModifiers{};
}

OverlayFlags OverlayFlags::fromEvent(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers mask = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    const Qt::KeyboardModifiers changed = modifierOf(event.key());
    Qt::KeyboardModifiers now = event.modifiers() & mask;
    // Platforms differ in whether the event's modifiers already count the key itself.
    if (event.type() == QEvent::KeyPress)
        return OverlayFlags{now | changed, {}};
    return OverlayFlags{now & ~changed, changed};
}

namespace OverlayTyping {

bool isTypable(const QString& text)
{
    if (!isOneCharacter(text))
        return false;
    const uint scalar = text.toUcs4().value(0);
    if (scalar == '\t')
        return true;
    switch (QChar::category(char32_t(scalar))) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
    case QChar::Punctuation_Connector:
    case QChar::Punctuation_Dash:
    case QChar::Punctuation_Open:
    case QChar::Punctuation_Close:
    case QChar::Punctuation_InitialQuote:
    case QChar::Punctuation_FinalQuote:
    case QChar::Punctuation_Other:
    case QChar::Separator_Space:
        return true;
    default:
        return false;
    }
}

} // namespace OverlayTyping

} // namespace lumivast
