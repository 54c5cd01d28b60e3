#include "UI/Overview/OverlayEffects.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace lumivast::OverlayEffects {

namespace {

constexpr double kBlurRadius = 36;
constexpr double kSaturation = 1.2;

// Three box passes come close to a Gaussian; `radius` is about two standard deviations.
void boxBlur(QImage& image, int radius)
{
    if (radius < 1 || image.isNull())
        return;
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = image.width();
    const int h = image.height();
    std::vector<QRgb> line(std::size_t(std::max(w, h)));
    const auto pass = [&](QRgb* base, int count, int stride) {
        for (int i = 0; i < count; ++i)
            line[std::size_t(i)] = base[i * stride];
        int sum[4] = {0, 0, 0, 0};
        const auto add = [&sum](QRgb c, int sign) {
            sum[0] += sign * qAlpha(c);
            sum[1] += sign * qRed(c);
            sum[2] += sign * qGreen(c);
            sum[3] += sign * qBlue(c);
        };
        // Edges repeat their last pixel: the picture stays opaque to its border.
        const auto at = [&](int i) { return line[std::size_t(std::clamp(i, 0, count - 1))]; };
        for (int i = -radius; i <= radius; ++i)
            add(at(i), 1);
        const int span = 2 * radius + 1;
        for (int i = 0; i < count; ++i) {
            base[i * stride] = qRgba(sum[1] / span, sum[2] / span, sum[3] / span, sum[0] / span);
            add(at(i + radius + 1), 1);
            add(at(i - radius), -1);
        }
    };
    for (int round = 0; round < 3; ++round) {
        for (int y = 0; y < h; ++y)
            pass(reinterpret_cast<QRgb*>(image.scanLine(y)), w, 1);
        auto* bits = reinterpret_cast<QRgb*>(image.bits());
        const int stride = int(image.bytesPerLine() / 4);
        for (int x = 0; x < w; ++x)
            pass(bits + x, h, stride);
    }
}

QSize devicePixels(QSize size, qreal dpr)
{
    return QSize(std::max(1, int(std::lround(size.width() * dpr))), std::max(1, int(std::lround(size.height() * dpr))));
}

// A transparent canvas for a card, in device pixels.
QImage cardCanvas(QSize cardSize, qreal dpr)
{
    QImage card(devicePixels(cardSize, dpr), QImage::Format_ARGB32_Premultiplied);
    card.setDevicePixelRatio(dpr);
    card.fill(Qt::transparent);
    return card;
}

} // namespace

QPainterPath rounded(const QRectF& rect, double radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QPainterPath capsule(const QRectF& rect)
{
    return rounded(rect, rect.height() / 2);
}

QImage blurred(const QImage& picture)
{
    if (picture.isNull())
        return {};
    // Blurring a quarter-size copy looks the same and costs a sixteenth.
    constexpr int kReduction = 4;
    QImage small = picture.scaled(std::max(1, picture.width() / kReduction), std::max(1, picture.height() / kReduction),
                                  Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    boxBlur(small, int(std::lround(kBlurRadius / kReduction / 2)));
    for (int y = 0; y < small.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(small.scanLine(y));
        for (int x = 0; x < small.width(); ++x) {
            const QRgb c = row[x];
            // Saturation about the pixel's luminance.
            const double lum = 0.2126 * qRed(c) + 0.7152 * qGreen(c) + 0.0722 * qBlue(c);
            const auto sat = [lum](int v) { return std::clamp(int(std::lround(lum + (v - lum) * kSaturation)), 0, 255); };
            row[x] = qRgba(sat(qRed(c)), sat(qGreen(c)), sat(qBlue(c)), 255);
        }
    }
    return small;
}

QImage shadow(QSize cardPixels, double radius, double blur, double strength)
{
    const int margin = int(std::ceil(blur * 2));
    QImage image(cardPixels + QSize(2 * margin, 2 * margin), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(rounded(QRectF(margin, margin, cardPixels.width(), cardPixels.height()), radius), Qt::black);
    }
    boxBlur(image, std::max(1, int(std::lround(blur / 2))));
    if (strength < 1) {
        // Made with its strength, it is drawn without a second pass for the opacity.
        QPainter p(&image);
        p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        QColor mask(Qt::black);
        mask.setAlphaF(float(std::clamp(strength, 0.0, 1.0)));
        p.fillRect(image.rect(), mask);
    }
    return image;
}

QImage border(QSize cardSize, qreal dpr, double radius, double lineWidth, const QColor& color)
{
    QImage ring = cardCanvas(cardSize, dpr);
    QPainter p(&ring);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color, lineWidth));
    p.setBrush(Qt::NoBrush);
    const double inset = lineWidth / 2;
    const QRectF area(QPointF(0, 0), QSizeF(cardSize));
    p.drawPath(rounded(area.adjusted(inset, inset, -inset, -inset), std::max(0.0, radius - inset)));
    p.end();
    return ring;
}

QImage cutToCard(QImage image, QSize cardSize, qreal dpr, double radius)
{
    // Cut once: a clip path per card and frame costs more than the drawing itself.
    QImage card = cardCanvas(cardSize, dpr);
    image.setDevicePixelRatio(dpr);
    QPainter p(&card);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF area(QPointF(0, 0), QSizeF(cardSize));
    p.setClipPath(rounded(area, radius));
    const QSizeF shown = QSizeF(image.size()) / dpr;
    p.drawImage(QRectF(area.center().x() - shown.width() / 2, area.center().y() - shown.height() / 2, shown.width(), shown.height()),
                image);
    p.end();
    return card;
}

QImage scaledCard(const QImage& held, QSize heldSize, QSize cardSize, qreal dpr, double radius)
{
    QImage card = cardCanvas(cardSize, dpr);
    QPainter p(&card);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF area(QPointF(0, 0), QSizeF(cardSize));
    const QSizeF from = QSizeF(heldSize);
    const double k = std::max(area.width() / std::max(1.0, from.width()), area.height() / std::max(1.0, from.height()));
    const double over = std::max(0.0, (k - 1) * radius);
    p.setClipPath(rounded(area, radius));
    p.drawImage(area.adjusted(-over, -over, over, over), held);
    p.end();
    return card;
}

} // namespace lumivast::OverlayEffects
