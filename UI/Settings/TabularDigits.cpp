#include "UI/Settings/TabularDigits.h"

#include <QFontDatabase>
#include <QFontMetricsF>

namespace lumivast::TabularDigits {

bool hasTabularDigits(const QFont& font)
{
    const QFontMetricsF metrics(font);
    const qreal zero = metrics.horizontalAdvance(QLatin1Char('0'));
    for (char digit = '1'; digit <= '9'; ++digit) {
        if (metrics.horizontalAdvance(QLatin1Char(digit)) != zero)
            return false;
    }
    return true;
}

QFont font(const QFont& base)
{
    if (hasTabularDigits(base))
        return base;
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (base.pointSizeF() > 0)
        fixed.setPointSizeF(base.pointSizeF());
    else
        fixed.setPixelSize(base.pixelSize());
    return fixed;
}

} // namespace lumivast::TabularDigits
