#include "UI/Overview/OverlayPainter.h"

#include "Core/Spaces/HexColor.h"
#include "UI/MenuBar/BrandIcon.h"
#include "UI/Overview/OverlayEffects.h"
#include "UI/Overview/OverlayPictureCache.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace lumivast {

namespace {

using OverlayEffects::capsule;
using OverlayEffects::rounded;

constexpr double kHoverScale = 1.015;
constexpr double kSymbolScale = OverlayLayout::kSymbolScale;
// The backdrop.
constexpr double kBackdropDim = 0.42;
constexpr double kNoPictureWhite = 0.08;

QFont pixelFont(double pixelSize, QFont::Weight weight)
{
    return OverlayLayout::font(pixelSize, weight);
}

QColor white(double alpha)
{
    QColor c(Qt::white);
    c.setAlphaF(float(std::clamp(alpha, 0.0, 1.0)));
    return c;
}

QColor black(double alpha)
{
    QColor c(Qt::black);
    c.setAlphaF(float(std::clamp(alpha, 0.0, 1.0)));
    return c;
}

QColor withAlpha(QColor c, double alpha)
{
    c.setAlphaF(float(c.alphaF() * alpha));
    return c;
}

QColor mix(const QColor& a, const QColor& b, double t)
{
    const auto lerp = [t](double x, double y) { return x + (y - x) * t; };
    return QColor::fromRgbF(float(lerp(a.redF(), b.redF())), float(lerp(a.greenF(), b.greenF())),
                            float(lerp(a.blueF(), b.blueF())), float(lerp(a.alphaF(), b.alphaF())));
}

QString elided(const QString& text, const QFont& f, double width, Qt::TextElideMode mode = Qt::ElideRight)
{
    return QFontMetricsF(f).elidedText(text, mode, std::max(0.0, width));
}

} // namespace

OverlayPainter::OverlayPainter(const OverlayViewModel& model, OverlayPictureCache& pictures, qreal radius)
    : m_model(model)
    , m_pictures(pictures)
    , m_radius(radius)
{
}

OverlayPainter::~OverlayPainter()
{
    if (!m_backdrop.isNull())
        m_pictures.keepBuffer(OverlayPictureCache::Buffer::backdrop, std::move(m_backdrop));
}

OverlayPainter::Pill OverlayPainter::pillAtRest(const QString& query, double viewWidth)
{
    const bool empty = query.isEmpty();
    return Pill{OverlayLayout::pill(query, viewWidth).width, empty ? 0.06 : 0.14, empty ? 0.45 : 0.95};
}

void OverlayPainter::drawSymbol(QPainter& p, const QString& name, const QRectF& box, double side, const QColor& color)
{
    const QPixmap pixmap = m_pictures.symbol(name, side, color);
    if (pixmap.isNull())
        return;
    const QSizeF size = QSizeF(pixmap.size()) / pixmap.devicePixelRatio();
    p.drawPixmap(QRectF(box.center().x() - size.width() / 2, box.center().y() - size.height() / 2, size.width(),
                        size.height()),
                 pixmap, QRectF(pixmap.rect()));
}

void OverlayPainter::paintBackdrop(QPainter& p, QSize size, qreal dpr)
{
    const std::optional<QImage>& wallpaper = m_model.wallpaper();
    const QRect whole(QPoint(0, 0), size);
    if (!wallpaper || wallpaper->isNull()) {
        // The grey under the dimming layer, in one pass; a screen-sized buffer
        // for one colour would cost its size in memory and page faults.
        const float grey = float(kNoPictureWhite * (1 - kBackdropDim));
        if (!m_backdrop.isNull())
            m_pictures.keepBuffer(OverlayPictureCache::Buffer::backdrop, std::move(m_backdrop));
        m_backdrop = QImage();
        m_backdropKey = 0;
        p.save();
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(whole, QColor::fromRgbF(grey, grey, grey));
        p.restore();
        return;
    }
    const qint64 key = wallpaper->cacheKey();
    // Kept at the screen's pixel density, so each frame copies it without scaling.
    const QSize pixels = (QSizeF(size.expandedTo(QSize(1, 1))) * dpr).toSize();
    if (key != m_backdropKey || m_backdrop.size() != pixels) {
        // Once per picture: the blur never runs per frame.
        m_backdropKey = key;
        // A screen-sized buffer left by the last opening is painted over.
        m_backdrop = m_pictures.takeBuffer(OverlayPictureCache::Buffer::backdrop, pixels, QImage::Format_RGB32);
        m_backdrop.setDevicePixelRatio(dpr);
        QPainter bp(&m_backdrop);
        const QRectF area(QPointF(0, 0), QSizeF(pixels) / dpr);
        const QImage soft = OverlayEffects::blurred(*wallpaper);
        const QSizeF fill = QSizeF(soft.size()).scaled(area.size(), Qt::KeepAspectRatioByExpanding);
        bp.setRenderHint(QPainter::SmoothPixmapTransform);
        bp.drawImage(QRectF((area.width() - fill.width()) / 2, (area.height() - fill.height()) / 2, fill.width(),
                            fill.height()),
                     soft);
        bp.fillRect(area, black(kBackdropDim));
    }
    // Opaque: copied as it is, nothing beneath to blend with.
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPointF(0, 0), m_backdrop);
    p.restore();
}

void OverlayPainter::paintContent(QPainter& p, const OverlayFrames& f, const Moment& m, const QRect& repainted, bool unscaled)
{
    paintHeader(p, f, m);
    paintBanner(p, f);

    p.save();
    p.setClipRect(f.scrollArea, Qt::IntersectClip);
    for (const auto& [rect, title] : f.sectionTitles) {
        if (!rect.intersects(f.scrollArea))
            continue;
        QFont titleFont = pixelFont(12, QFont::DemiBold);
        titleFont.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
        p.setFont(titleFont);
        p.setPen(white(0.6));
        p.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, elided(title.toUpper(), titleFont, rect.width()));
    }
    const std::vector<OverlayTile> tiles = m_model.allTiles();
    const QRectF visible = f.scrollArea.adjusted(-40, -40, 40, 40);
    for (std::size_t i = 0; i < f.tiles.size() && i < tiles.size(); ++i) {
        // Unscaled, a tile wholly outside the repainted part is not drawn at all.
        if (unscaled && !OverlayLayout::drawnArea(f.tiles[i].tile).intersects(repainted))
            continue;
        if (f.tiles[i].tile.adjusted(-30, -30, 30, 30).intersects(visible))
            paintTile(p, tiles[i], f.tiles[i], m);
    }
    if (f.noMatch) {
        p.setFont(pixelFont(15, QFont::Normal));
        p.setPen(white(0.7));
        const QString text = OverlayLayout::tr("No Space matches \u201C%1\u201D. Press Delete to edit the search or Esc to clear it.")
                                 .arg(m_model.query());
        p.drawText(*f.noMatch, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    }
    p.restore();
}

void OverlayPainter::paintHeader(QPainter& p, const OverlayFrames& f, const Moment& m)
{
    const QFont titleFont = pixelFont(26, QFont::DemiBold);
    p.setFont(titleFont);
    p.setPen(Qt::white);
    p.drawText(f.header, Qt::AlignLeft | Qt::AlignVCenter, OverlayLayout::tr("Spaces"));

    // The pill, easing its size and shades after each change of the search.
    const bool empty = m_model.query().isEmpty();
    const OverlayLayout::Pill look = OverlayLayout::pill(m_model.query(), m.size.width());
    const Pill state = m.pill.width <= 0 ? pillAtRest(m_model.query(), m.size.width()) : m.pill;
    const QRectF pill(f.pill.left(), f.pill.top(), state.width, f.pill.height());
    p.fillPath(capsule(pill), white(state.fill));
    p.setPen(QPen(white(0.12), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(capsule(pill.adjusted(0.5, 0.5, -0.5, -0.5)));
    const QColor ink = white(state.ink);
    const double iconSide = 13 * kSymbolScale;
    drawSymbol(p, QStringLiteral("magnifyingglass"), QRectF(pill.left() + 12, pill.top(), iconSide, pill.height()), iconSide,
               ink);
    p.setFont(look.font);
    p.setPen(ink);
    const double textX = pill.left() + 12 + iconSide + 7;
    const double textWidth = QFontMetricsF(look.font).horizontalAdvance(look.text);
    p.drawText(QRectF(textX, pill.top(), textWidth + 1, pill.height()), Qt::AlignLeft | Qt::AlignVCenter, look.text);
    if (!empty) {
        // The caret stands still: the search is typed from anywhere, not in a field.
        p.save();
        p.setOpacity(p.opacity() * 0.8);
        p.fillRect(QRectF(textX + textWidth + 7, pill.center().y() - 8, 1.5, 16), ink);
        p.restore();
    }

    // The hints, pushed to the right edge; they give way, whole, before anything else.
    const QRectF hints = f.hints.adjusted(pill.right() - f.pill.right(), 0, 0, 0);
    p.setFont(pixelFont(13, QFont::Normal));
    p.setPen(white(0.55));
    p.drawText(hints, Qt::AlignRight | Qt::AlignVCenter, OverlayLayout::headerHints(hints.width()));
}

void OverlayPainter::paintBanner(QPainter& p, const OverlayFrames& f)
{
    if (!f.banner)
        return;
    const QRectF banner = *f.banner;
    p.fillPath(rounded(banner, 12), white(0.08));
    p.setPen(QPen(white(0.1), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(rounded(banner.adjusted(0.5, 0.5, -0.5, -0.5), 12));
    const double iconSide = 18 * kSymbolScale;
    drawSymbol(p, QStringLiteral("rectangle.dashed.badge.record"), QRectF(banner.left() + 16, banner.top(), iconSide, banner.height()),
               iconSide, QColor(0xFF, 0x9F, 0x0A));
    const QFont textFont = pixelFont(13, QFont::Normal);
    p.setFont(textFont);
    p.setPen(white(0.85));
    const double textX = banner.left() + 16 + iconSide + 12;
    const double room = f.bannerButton->left() - 12 - textX;
    p.drawText(QRectF(textX, banner.top(), room, banner.height()), Qt::AlignLeft | Qt::AlignVCenter,
               elided(OverlayLayout::bannerText(), textFont, room));
    p.fillPath(rounded(*f.bannerButton, 5), QColor(0x0A, 0x84, 0xFF));
    p.setFont(pixelFont(12, QFont::Medium));
    p.setPen(Qt::white);
    p.drawText(*f.bannerButton, Qt::AlignCenter, OverlayLayout::bannerButtonText());
}

QImage OverlayPainter::appIcon(const SpaceContents::AppOnSpace& app, qreal dpr)
{
    const auto it = m_appIcons.find(app.pid);
    if (app.pid >= 0 && it != m_appIcons.end())
        return it->second;
    QImage icon = app.icon();
    if (!icon.isNull()) {
        // Scaled once to the strip's 22 points.
        const int side = int(std::lround(22 * dpr));
        icon = icon.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                   .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        icon.setDevicePixelRatio(dpr);
    }
    if (app.pid >= 0)
        m_appIcons.emplace(app.pid, icon);
    return icon;
}

void OverlayPainter::paintTile(QPainter& p, const OverlayTile& tile, const OverlayTileFrame& frame, const Moment& m)
{
    p.save();
    if (m_model.draggingID() == tile.id)
        p.setOpacity(p.opacity() * 0.4);
    paintCard(p, tile, frame, m);

    // The title row: icon, then name (or the rename field over it).
    if (tile.customIcon && !tile.customIcon->isNull()) {
        const QRectF iconRect(frame.icon.left(), frame.icon.center().y() - 9, 18, 18);
        p.save();
        p.setClipPath(rounded(iconRect, 4), Qt::IntersectClip);
        p.drawImage(iconRect, *tile.customIcon);
        p.restore();
    } else {
        const auto color = tile.colorHex ? colorFromHex(*tile.colorHex) : std::nullopt;
        drawSymbol(p, tile.symbol, frame.icon, 14 * kSymbolScale, color.value_or(QColor(Qt::white)));
    }
    if (m_model.editingID() != tile.id) {
        const QFont nameFont = pixelFont(15, QFont::DemiBold);
        p.setFont(nameFont);
        p.setPen(Qt::white);
        const double room = frame.tile.right() - frame.name.left();
        p.drawText(QRectF(frame.name.left(), frame.name.top(), room, frame.name.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   elided(tile.name, nameFont, room));
    }
    if (frame.note && tile.note) {
        const QFont noteFont = pixelFont(12, QFont::Normal);
        p.setFont(noteFont);
        p.setPen(white(0.6));
        p.drawText(*frame.note, Qt::AlignLeft | Qt::AlignVCenter, elided(tile.note->simplified(), noteFont, frame.note->width()));
    }
    if (m.dropTarget == tile.id) {
        p.setOpacity(1);
        p.fillPath(capsule(QRectF(frame.tile.left() - 16 - 2, frame.tile.top(), 4, frame.tile.height())), Qt::white);
    }
    p.restore();
}

void OverlayPainter::paintCard(QPainter& p, const OverlayTile& tile, const OverlayTileFrame& frame, const Moment& m)
{
    const double selected = m.selection(tile.id);
    const double hover = m.hover(tile.id);
    const qreal dpr = m.dpr;
    const QRectF card = frame.card;
    p.save();
    const double scale = 1 + (kHoverScale - 1) * hover;
    if (scale != 1.0) {
        p.translate(card.center());
        p.scale(scale, scale);
        p.translate(-card.center());
    }

    // Shadow: two cached blurs, mixed while the selection changes.
    const QSize cardSize = card.size().toSize();
    // At rest a shadow has one of two strengths: made with it, it is copied
    // without a second pass for the opacity.
    const bool still = std::abs(selected - std::round(selected)) < 1e-6;
    const auto drawShadow = [&](double blur, double alpha) {
        if (alpha <= 0.001)
            return;
        const double margin = std::ceil(blur * dpr * 2) / dpr;
        const QPointF at(card.left() - margin, card.top() - margin + 6);
        if (still) {
            p.drawImage(at, m_pictures.shadow(cardSize, blur, alpha, dpr, m_radius));
            return;
        }
        p.save();
        p.setOpacity(p.opacity() * alpha);
        p.drawImage(at, m_pictures.shadow(cardSize, blur, 1, dpr, m_radius));
        p.restore();
    };
    const double shown = still ? std::round(selected) : selected;
    drawShadow(10, 0.3 * (1 - shown));
    drawShadow(18, 0.5 * shown);

    const QImage picture = m.cardPicture(tile, cardSize);
    if (!picture.isNull()) {
        p.drawImage(QRectF(card.topLeft(), QSizeF(cardSize)), picture);
    } else {
        p.save();
        p.setClipPath(rounded(card, m_radius), Qt::IntersectClip);
        paintPlaceholder(p, tile, card);
        p.restore();
    }

    // The border lies wholly inside the card's edge.
    const auto tint = tile.colorHex ? colorFromHex(*tile.colorHex) : std::nullopt;
    const QColor selectedColor = tint.value_or(QColor(Qt::white));
    const double lineWidth = 1 + 2 * selected;
    const QColor borderColor = mix(white(0.18), selectedColor, selected);
    const double inset = lineWidth / 2;
    if (const double rest = std::round(selected); std::abs(selected - rest) < 1e-6) {
        // At rest the border is one of two looks: stroked once, then copied.
        p.drawImage(QRectF(card.topLeft(), QSizeF(cardSize)),
                    m_pictures.border(cardSize, 1 + 2 * rest, mix(white(0.18), selectedColor, rest), dpr, m_radius));
    } else {
        p.setPen(QPen(borderColor, lineWidth));
        p.setBrush(Qt::NoBrush);
        p.drawPath(rounded(card.adjusted(inset, inset, -inset, -inset), std::max(0.0, m_radius - inset)));
    }

    // Badges.
    if (tile.number) {
        const QFont f = pixelFont(12, QFont::Bold);
        const QString text = QString::number(*tile.number);
        const QRectF badge = OverlayLayout::numberBadge(card, *tile.number);
        p.fillPath(capsule(badge), black(0.55));
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(badge, Qt::AlignCenter, text);
    }
    if (tile.isActive) {
        const QFont f = pixelFont(11, QFont::DemiBold);
        const QString text = OverlayLayout::tr("Current");
        const QFontMetricsF metrics(f);
        const double w = metrics.horizontalAdvance(text) + 16;
        const QRectF badge(card.right() - 10 - w, card.top() + 10, w, metrics.height() + 8);
        p.fillPath(capsule(badge), white(0.9));
        p.setFont(f);
        p.setPen(Qt::black);
        p.drawText(badge, Qt::AlignCenter, text);
    }
    paintAppStrip(p, tile, frame, dpr);
    if (frame.automationMark) {
        const QRectF mark = *frame.automationMark;
        QPainterPath circle;
        circle.addEllipse(mark);
        p.fillPath(circle, black(0.55));
        drawSymbol(p, QStringLiteral("bolt.fill"), mark, 11 * kSymbolScale, QColor(0xFF, 0xD6, 0x0A));
    }
    p.restore();
}

void OverlayPainter::paintAppStrip(QPainter& p, const OverlayTile& tile, const OverlayTileFrame& frame, qreal dpr)
{
    if (!frame.appStrip)
        return;
    p.fillPath(capsule(*frame.appStrip), black(0.55));
    for (std::size_t a = 0; a < frame.appIcons.size() && a < tile.apps.size(); ++a) {
        const QRectF& box = frame.appIcons[a];
        const QImage icon = appIcon(tile.apps[a], dpr);
        if (!icon.isNull())
            p.drawImage(box, icon);
        else
            drawSymbol(p, QStringLiteral("app"), box, 22, Qt::white);
    }
    if (frame.moreApps) {
        p.setFont(pixelFont(11, QFont::Bold));
        p.setPen(Qt::white);
        p.drawText(*frame.moreApps, Qt::AlignLeft | Qt::AlignVCenter,
                   OverlayLayout::moreAppsText(tile.apps.size() - frame.appIcons.size()));
    }
}

void OverlayPainter::paintPlaceholder(QPainter& p, const OverlayTile& tile, const QRectF& card)
{
    const auto parsed = tile.colorHex ? colorFromHex(*tile.colorHex) : std::nullopt;
    const QColor tint = parsed.value_or(BrandIcon::autoColor(tile.space));
    QLinearGradient wash(card.topLeft(), card.bottomRight());
    wash.setColorAt(0, withAlpha(tint, 0.95));
    wash.setColorAt(1, withAlpha(tint, 0.55));
    p.fillRect(card, wash);
    QLinearGradient shade(card.topLeft(), card.bottomLeft());
    shade.setColorAt(0, black(0));
    shade.setColorAt(1, black(0.45));
    p.fillRect(card, shade);

    // The watermark, cut off by the card.
    const double markSide = 0.95 * card.height() * kSymbolScale;
    const QRectF markBox(card.right() - markSide + 0.28 * card.width(), card.bottom() - markSide + 0.18 * card.height(), markSide,
                         markSide);
    drawSymbol(p, tile.symbol, markBox, markSide * 0.8, white(0.10));

    const OverlayLayout::Placeholder layout = OverlayLayout::placeholder(card, tile);
    if (layout.chip) {
        p.fillPath(rounded(*layout.chip, 12), white(0.18));
        drawSymbol(p, tile.symbol, *layout.chip, 20 * kSymbolScale, Qt::white);
    }
    if (layout.caption) {
        QString caption;
        if (tile.hasCustomName && tile.number)
            caption = QStringLiteral("Desktop ") + QString::number(*tile.number);
        else if (tile.isActive)
            caption = QStringLiteral("Capturing preview\u2026");
        else
            caption = QStringLiteral("No preview yet");
        const QFont captionFont = pixelFont(12, QFont::Medium);
        p.setFont(captionFont);
        p.setPen(white(0.65));
        p.drawText(*layout.caption, Qt::AlignLeft | Qt::AlignVCenter, elided(caption, captionFont, layout.caption->width()));
    }

    if (!layout.name)
        return;
    const QFontMetricsF nm(layout.nameFont);
    QString name = tile.name;
    if (layout.nameLines < 2) {
        name = nm.elidedText(name, Qt::ElideRight, layout.name->width());
    } else {
        // The second line is cut short with an ellipsis.
        const QStringList words = name.split(QLatin1Char(' '));
        QString firstLine;
        int i = 0;
        for (; i < words.size(); ++i) {
            const QString trial = firstLine.isEmpty() ? words[i] : firstLine + QLatin1Char(' ') + words[i];
            if (nm.horizontalAdvance(trial) > layout.name->width())
                break;
            firstLine = trial;
        }
        if (firstLine.isEmpty())
            name = nm.elidedText(name, Qt::ElideRight, layout.name->width());
        else if (i < words.size())
            name = firstLine + QLatin1Char('\n')
                + nm.elidedText(QStringList(words.mid(i)).join(QLatin1Char(' ')), Qt::ElideRight, layout.name->width());
    }
    p.setFont(layout.nameFont);
    p.setPen(Qt::white);
    p.drawText(*layout.name, Qt::AlignLeft | Qt::AlignBottom, name);
}

} // namespace lumivast
