#include "Core/Spaces/HexColor.h"

namespace lumivast {

namespace {

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

std::optional<QColor> colorFromHex(const QString& text)
{
    QString s = text.trimmed();
    if (s.startsWith(QLatin1Char('#')))
        s.remove(0, 1);
    if (s.size() != 6)
        return std::nullopt;

    // The number reader of the original accepts a sign in front: "+" before
    // five digits, or "-" before a value that is zero.
    qsizetype start = 0;
    bool negative = false;
    if (s[0] == QLatin1Char('+') || s[0] == QLatin1Char('-')) {
        negative = s[0] == QLatin1Char('-');
        start = 1;
    }
    quint32 value = 0;
    for (qsizetype i = start; i < s.size(); ++i) {
        const int digit = hexDigit(s[i]);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + static_cast<quint32>(digit);
    }
    if (negative && value != 0)
        return std::nullopt;

    return QColor(static_cast<int>((value >> 16) & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>(value & 0xFF), 255);
}

} // namespace lumivast
