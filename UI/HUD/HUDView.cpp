#include "UI/HUD/HUDView.h"

#include "UI/Symbols/SymbolCatalogue.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <vector>

namespace lumivast {

namespace {

constexpr double kSpacing = 10;       // icon to text, scaled
constexpr double kLineSpacing = 1;    // title to subtitle, not scaled
constexpr double kPadX = 18;          // scaled
constexpr double kPadY = 11;          // scaled
constexpr double kCustomIconSide = 20; // scaled
constexpr double kCustomIconRadius = 4; // scaled
// A symbol set in a 16 pt font stands about 1.2 em high.
constexpr double kSymbolSide = 16 * 1.2; // scaled
constexpr double kShadowRadius = 14;
constexpr double kShadowOffsetY = 6;
constexpr double kShadowOpacity = 0.35;
constexpr double kBackgroundOpacity = 0.72;
const QColor kOpaqueBackground(28, 28, 30);
constexpr double kBorderOpacity = 0.12;
constexpr double kSubtitleOpacity = 0.7;

QFont font(double pixelSize, QFont::Weight weight)
{
    QFont f = QGuiApplication::font();
    f.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    f.setWeight(weight);
    return f;
}

QFont titleFont(double scale) { return font(17 * scale, QFont::DemiBold); }
QFont subtitleFont(double scale) { return font(12 * scale, QFont::Normal); }

QSizeF iconSize(const HUDView& view)
{
    const double side = (view.customIcon ? kCustomIconSide : kSymbolSide) * view.scale;
    return {side, side};
}

// The lines' natural width, cut to what `maxWidth` leaves for text.
double textWidth(const HUDView& view)
{
    double width = QFontMetricsF(titleFont(view.scale)).horizontalAdvance(view.title);
    if (view.subtitle)
        width = std::max(width, QFontMetricsF(subtitleFont(view.scale)).horizontalAdvance(*view.subtitle));
    width = std::ceil(width);
    if (view.maxWidth) {
        const double room = *view.maxWidth - 2 * HUDView::outerMargin - 2 * kPadX * view.scale
            - iconSize(view).width() - kSpacing * view.scale;
        width = std::min(width, std::max(0.0, std::floor(room)));
    }
    return width;
}

QSizeF textSize(const HUDView& view)
{
    double height = QFontMetricsF(titleFont(view.scale)).height();
    if (view.subtitle)
        height += kLineSpacing + QFontMetricsF(subtitleFont(view.scale)).height();
    return {textWidth(view), std::ceil(height)};
}

// Three box passes over the alpha channel: close to a Gaussian whose reach is
// three times `radius`.
void blurAlpha(QImage& image, int radius)
{
    if (radius < 1)
        return;
    const int w = image.width();
    const int h = image.height();
    std::vector<int> alpha(std::size_t(w) * std::size_t(h));
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            alpha[std::size_t(y) * std::size_t(w) + std::size_t(x)] = qAlpha(line[x]);
    }
    std::vector<int> scratch(alpha.size());
    const auto pass = [&](bool horizontal) {
        const int lines = horizontal ? h : w;
        const int length = horizontal ? w : h;
        for (int l = 0; l < lines; ++l) {
            const auto at = [&](int i) -> std::size_t {
                return horizontal ? std::size_t(l) * std::size_t(w) + std::size_t(i)
                                  : std::size_t(i) * std::size_t(w) + std::size_t(l);
            };
            int sum = 0;
            for (int i = -radius; i <= radius; ++i)
                sum += (i >= 0 && i < length) ? alpha[at(i)] : 0;
            for (int i = 0; i < length; ++i) {
                scratch[at(i)] = sum / (2 * radius + 1);
                const int out = i - radius;
                const int in = i + radius + 1;
                sum += (in < length ? alpha[at(in)] : 0) - (out >= 0 ? alpha[at(out)] : 0);
            }
        }
        alpha.swap(scratch);
    };
    for (int i = 0; i < 3; ++i) {
        pass(true);
        pass(false);
    }
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgba(0, 0, 0, alpha[std::size_t(y) * std::size_t(w) + std::size_t(x)]);
    }
}

QPainterPath capsule(const QRectF& rect)
{
    QPainterPath path;
    const double radius = std::min(rect.width(), rect.height()) / 2;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

} // namespace

QSizeF HUDView::capsuleSize() const
{
    const QSizeF icon = iconSize(*this);
    const QSizeF text = textSize(*this);
    return {kPadX * scale + icon.width() + kSpacing * scale + text.width() + kPadX * scale,
            kPadY * scale + std::max(icon.height(), text.height()) + kPadY * scale};
}

QString HUDView::shownTitle() const
{
    return QFontMetricsF(titleFont(scale)).elidedText(title, Qt::ElideMiddle, textWidth(*this));
}

std::optional<QString> HUDView::shownSubtitle() const
{
    if (!subtitle)
        return std::nullopt;
    return QFontMetricsF(subtitleFont(scale)).elidedText(*subtitle, Qt::ElideMiddle, textWidth(*this));
}

QSizeF HUDView::fittingSize() const
{
    const QSizeF inner = capsuleSize();
    return {std::ceil(inner.width() + 2 * outerMargin), std::ceil(inner.height() + 2 * outerMargin)};
}

void HUDView::paint(QPainter& painter) const
{
    const QSizeF inner = capsuleSize();
    const QRectF body(outerMargin, outerMargin, inner.width(), inner.height());
    const QSizeF outer = fittingSize();

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);

    // Shadow: the capsule's silhouette moved down and blurred.
    if (!opaque) {
        QImage shadow(outer.toSize(), QImage::Format_ARGB32_Premultiplied);
        shadow.fill(Qt::transparent);
        {
            QPainter p(&shadow);
            p.setRenderHint(QPainter::Antialiasing);
            p.fillPath(capsule(body.translated(0, kShadowOffsetY)), Qt::black);
        }
        blurAlpha(shadow, int(std::lround(kShadowRadius / 3)));
        painter.setOpacity(kShadowOpacity);
        painter.drawImage(QPointF(0, 0), shadow);
        painter.setOpacity(1.0);
    }

    painter.fillPath(capsule(body), opaque ? kOpaqueBackground : QColor::fromRgbF(0, 0, 0, float(kBackgroundOpacity)));
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, float(kBorderOpacity)), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(capsule(body.adjusted(0.5, 0.5, -0.5, -0.5)));

    const QSizeF icon = iconSize(*this);
    const QSizeF text = textSize(*this);
    const double left = body.left() + kPadX * scale;
    const QRectF iconRect(left, body.center().y() - icon.height() / 2, icon.width(), icon.height());
    if (customIcon) {
        painter.save();
        QPainterPath clip;
        clip.addRoundedRect(iconRect, kCustomIconRadius * scale, kCustomIconRadius * scale);
        painter.setClipPath(clip);
        painter.drawImage(iconRect, *customIcon);
        painter.restore();
    } else {
        const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
        const QPixmap glyph = SymbolCatalogue::image(symbol, int(std::lround(icon.width())), color, dpr);
        if (!glyph.isNull())
            painter.drawPixmap(iconRect, glyph, QRectF(QPointF(0, 0), QSizeF(glyph.size())));
    }

    const double textLeft = iconRect.right() + kSpacing * scale;
    double y = body.center().y() - text.height() / 2;
    const QFont tFont = titleFont(scale);
    const QFontMetricsF tMetrics(tFont);
    painter.setFont(tFont);
    painter.setPen(Qt::white);
    painter.drawText(QPointF(textLeft, y + tMetrics.ascent()), shownTitle());
    if (subtitle) {
        y += tMetrics.height() + kLineSpacing;
        const QFont sFont = subtitleFont(scale);
        painter.setFont(sFont);
        painter.setPen(QColor::fromRgbF(1, 1, 1, float(kSubtitleOpacity)));
        painter.drawText(QPointF(textLeft, y + QFontMetricsF(sFont).ascent()), *shownSubtitle());
    }
    painter.restore();
}

bool HUDView::operator==(const HUDView& other) const
{
    return title == other.title && subtitle == other.subtitle && symbol == other.symbol
        && customIcon.has_value() == other.customIcon.has_value()
        && (!customIcon || *customIcon == *other.customIcon) && color == other.color && scale == other.scale && maxWidth == other.maxWidth
        && opaque == other.opaque;
}

HUDViewWidget::HUDViewWidget(HUDView view, QWidget* parent) : QWidget(parent), m_view(std::move(view))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(sizeHint());
}

QSize HUDViewWidget::sizeHint() const
{
    return m_view.fittingSize().toSize();
}

void HUDViewWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    m_view.paint(painter);
}

} // namespace lumivast
