#include "UI/MenuBar/BrandIcon.h"

#include "Platform/StableHash.h"

#include <QPainter>
#include <QPainterPath>

namespace lumivast::BrandIcon {

namespace {

constexpr qreal kSize = 16.0;
constexpr qreal kSquare = 5.5;
constexpr qreal kRadius = 1.6;
constexpr qreal kLine = 1.2;
constexpr QPointF kOrigins[4] = {{1.5, 1.5}, {9, 1.5}, {1.5, 9}, {9, 9}}; // bottom-left origin

} // namespace

QImage menuBarImage(int activeIndex, qreal devicePixelRatio)
{
    const int pixels = qRound(kSize * devicePixelRatio);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(devicePixelRatio);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 4; ++i) {
        // Flip the glyph's bottom-left layout into the image's top-left rows.
        const QRectF square(kOrigins[i].x(), kSize - kOrigins[i].y() - kSquare, kSquare, kSquare);
        QPainterPath path;
        path.addRoundedRect(square, kRadius, kRadius);
        if (i == activeIndex) {
            painter.fillPath(path, Qt::black);
        } else {
            QPen pen(Qt::black, kLine);
            painter.strokePath(path, pen);
        }
    }
    return image;
}

QColor autoColor(const Space& space)
{
    const std::uint64_t n = space.desktopNumber ? static_cast<std::uint64_t>(*space.desktopNumber)
                                                : stableHash(space.id) % 16 + 1;
    const double hue = double((n * 47) % 360) / 360.0;
    return QColor::fromHsvF(hue, 0.52, 0.7, 1.0);
}

} // namespace lumivast::BrandIcon
