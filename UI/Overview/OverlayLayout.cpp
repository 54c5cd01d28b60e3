#include "UI/Overview/OverlayLayout.h"

#include "Platform/Platform.h"

#include <QApplication>
#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace lumivast {

namespace {

// The content column.
constexpr double kTopPadding = 56;
constexpr double kColumnSpacing = 28;
constexpr double kSidePadding = 72;
constexpr double kBottomPadding = 48;
constexpr double kSectionSpacing = 36;
constexpr double kTitleSpacing = 14;
constexpr double kColumnGap = 28;
constexpr double kRowGap = 30;
// A tile.
constexpr double kTileSpacing = 8;
constexpr double kTitleRowHeight = 24;
constexpr double kIconSlot = 18;
constexpr double kNoteIndent = 26;
// The app strip: 22-point icons, 4 apart, 6 in from the capsule's ends.
constexpr double kStripIcon = 22;
constexpr double kStripIconGap = 4;
constexpr double kStripPadding = 6;

constexpr double kSymbolScale = OverlayLayout::kSymbolScale;
constexpr double kStripInset = OverlayLayout::kStripInset;
constexpr double kStripHeight = OverlayLayout::kStripHeight;

QFont pixelFont(double pixelSize, QFont::Weight weight)
{
    return OverlayLayout::font(pixelSize, weight);
}

double tileHeight(const OverlayTile& tile, QSizeF size)
{
    double h = size.height() + kTileSpacing + kTitleRowHeight;
    if (tile.note)
        h += kTileSpacing + QFontMetricsF(pixelFont(12, QFont::Normal)).height();
    return h;
}

// The strip of a card that shows `apps` apps, its icons and the count of the rest.
void placeAppStrip(OverlayTileFrame& frame, std::size_t apps)
{
    const QRectF& card = frame.card;
    const std::size_t shown = OverlayLayout::stripIcons(card.width(), apps);
    const QRectF strip(card.left() + kStripInset, card.bottom() - kStripInset - kStripHeight,
                       OverlayLayout::stripWidth(shown, apps), kStripHeight);
    frame.appStrip = strip;
    const double step = kStripIcon + kStripIconGap;
    for (std::size_t a = 0; a < shown; ++a)
        frame.appIcons.emplace_back(strip.left() + kStripPadding + double(a) * step, strip.top() + 4, kStripIcon, kStripIcon);
    if (shown < apps) {
        const double left = strip.left() + kStripPadding + double(shown) * step;
        frame.moreApps = QRectF(left, strip.top(), strip.right() - kStripPadding - left, strip.height());
    }
}

} // namespace

QFont OverlayLayout::font(double pixelSize, QFont::Weight weight)
{
    QFont f = QApplication::font();
    f.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    f.setWeight(weight);
    return f;
}

QString OverlayLayout::bannerText()
{
    return tr("Previews need Screen Recording permission. Grant it in %1, then relaunch Lumivast.")
        .arg(Platform::current().parts().words().systemSettings);
}

QString OverlayLayout::bannerButtonText()
{
    return tr("Open %1").arg(Platform::current().parts().words().systemSettings);
}

OverlayLayout::Pill OverlayLayout::pill(const QString& query, double viewWidth)
{
    const double maxWidth = (viewWidth - 2 * kSidePadding) * 0.4;
    const bool empty = query.isEmpty();
    Pill look;
    look.font = pixelFont(14, empty ? QFont::Normal : QFont::DemiBold);
    const QFontMetricsF metrics(look.font);
    const double fixed = 12 + 13 * kSymbolScale + 7 + (empty ? 0 : 7 + 1.5) + 12;
    const QString shown = empty ? QStringLiteral("Search Spaces and apps") : query;
    // A long search shows its end, where the typing happens.
    look.text = metrics.elidedText(shown, empty ? Qt::ElideRight : Qt::ElideLeft, std::max(20.0, maxWidth - fixed));
    look.width = fixed + metrics.horizontalAdvance(look.text);
    look.height = std::max({metrics.height(), 13 * kSymbolScale, 16.0}) + 14;
    return look;
}

QRectF OverlayLayout::numberBadge(const QRectF& card, int number)
{
    const QFontMetricsF m(pixelFont(12, QFont::Bold));
    return QRectF(card.left() + 10, card.top() + 10, m.horizontalAdvance(QString::number(number)) + 16, m.height() + 8);
}

QString OverlayLayout::moreAppsText(std::size_t hidden)
{
    return hidden > 0 ? QStringLiteral("+%1").arg(hidden) : QString();
}

QString OverlayLayout::headerHints(double room)
{
    // In reading order, each with its rank: the lowest gives way first.
    const std::pair<QString, int> hints[] = {
        {tr("Type to search"), 2}, {tr("Drag to arrange"), 1}, {tr("Double-click a name to rename"), 0}, {tr("Esc to close"), 3}};
    const QFontMetricsF metrics(pixelFont(13, QFont::Normal));
    for (int lowest = 0; lowest <= 3; ++lowest) {
        QStringList kept;
        for (const auto& [hint, rank] : hints) {
            if (rank >= lowest)
                kept << hint;
        }
        const QString text = kept.join(QStringLiteral("  \u00B7  "));
        if (metrics.horizontalAdvance(text) <= room)
            return text;
    }
    return {};
}

double OverlayLayout::stripWidth(std::size_t shown, std::size_t apps)
{
    double w = 2 * kStripPadding + double(shown) * kStripIcon + double(shown > 0 ? shown - 1 : 0) * kStripIconGap;
    if (shown < apps)
        w += kStripIconGap + QFontMetricsF(pixelFont(11, QFont::Bold)).horizontalAdvance(moreAppsText(apps - shown));
    return w;
}

std::size_t OverlayLayout::stripIcons(double cardWidth, std::size_t apps)
{
    std::size_t shown = std::min<std::size_t>(apps, 6);
    while (shown > 1 && stripWidth(shown, apps) > cardWidth - 2 * kStripInset)
        --shown;
    return shown;
}

QRect OverlayLayout::drawnArea(const QRectF& tile)
{
    return tile.adjusted(-48, -48, 48, 54).toAlignedRect();
}

OverlayLayout::Input OverlayLayout::input(const OverlayViewModel& model, QSizeF size, double scroll)
{
    return Input{size, scroll, model.query(), model.sections(), model.columns(), model.tileSize(), model.needsScreenRecording()};
}

OverlayFrames OverlayLayout::frames(const Input& in)
{
    OverlayFrames f;
    const double width = in.size.width();
    const QFont titleFont = pixelFont(26, QFont::DemiBold);
    const Pill pill = OverlayLayout::pill(in.query, width);
    const double headerHeight = std::max({QFontMetricsF(titleFont).height(), pill.height,
                                          QFontMetricsF(pixelFont(13, QFont::Normal)).height()});
    f.header = QRectF(kSidePadding, kTopPadding, width - 2 * kSidePadding, headerHeight);
    const double titleWidth = QFontMetricsF(titleFont).horizontalAdvance(tr("Spaces"));
    f.pill = QRectF(f.header.left() + titleWidth + 16, f.header.center().y() - pill.height / 2, pill.width, pill.height);
    f.hints = QRectF(f.pill.right() + 16, f.header.top(), std::max(0.0, f.header.right() - (f.pill.right() + 16)), f.header.height());
    double y = f.header.bottom() + kColumnSpacing;
    if (in.banner) {
        const double h = std::max({18 * kSymbolScale, QFontMetricsF(pixelFont(13, QFont::Normal)).height(), 22.0}) + 24;
        f.banner = QRectF(kSidePadding, y, width - 2 * kSidePadding, h);
        const double buttonWidth = QFontMetricsF(pixelFont(12, QFont::Medium)).horizontalAdvance(bannerButtonText()) + 20;
        f.bannerButton = QRectF(f.banner->right() - 16 - buttonWidth, f.banner->center().y() - 11, buttonWidth, 22);
        y = f.banner->bottom() + kColumnSpacing;
    }
    f.scrollArea = QRectF(0, y, width, std::max(0.0, in.size.height() - y));

    // The sections, in content coordinates first.
    const QSizeF size = in.tileSize;
    const int columns = std::max(1, in.columns);
    const QFontMetricsF sectionMetrics(pixelFont(12, QFont::DemiBold));
    const QFontMetricsF noteMetrics(pixelFont(12, QFont::Normal));
    double cy = 0;
    bool first = true;
    bool anyTile = false;
    const double top = f.scrollArea.top() - in.scroll;
    for (const OverlaySection& section : in.sections) {
        if (!first)
            cy += kSectionSpacing;
        first = false;
        if (!section.title.isEmpty()) {
            f.sectionTitles.emplace_back(QRectF(kSidePadding, top + cy, width - 2 * kSidePadding, sectionMetrics.height()),
                                         section.title);
            cy += sectionMetrics.height() + kTitleSpacing;
        }
        anyTile = anyTile || !section.tiles.empty();
        for (std::size_t start = 0; start < section.tiles.size(); start += std::size_t(columns)) {
            const std::size_t end = std::min(section.tiles.size(), start + std::size_t(columns));
            double rowHeight = 0;
            for (std::size_t i = start; i < end; ++i) {
                const OverlayTile& tile = section.tiles[i];
                const double h = tileHeight(tile, size);
                rowHeight = std::max(rowHeight, h);
                OverlayTileFrame frame;
                frame.id = tile.id;
                const double x = kSidePadding + double(i - start) * (size.width() + kColumnGap);
                frame.tile = QRectF(x, top + cy, size.width(), h);
                frame.card = QRectF(x, top + cy, size.width(), size.height());
                const double rowY = frame.card.bottom() + kTileSpacing;
                frame.icon = QRectF(x, rowY, kIconSlot, kTitleRowHeight);
                const double nameWidth = std::min(QFontMetricsF(pixelFont(15, QFont::DemiBold)).horizontalAdvance(tile.name),
                                                  size.width() - kIconSlot - 8);
                frame.name = QRectF(x + kIconSlot + 8, rowY, std::max(0.0, nameWidth), kTitleRowHeight);
                if (tile.note)
                    frame.note = QRectF(x + kNoteIndent, rowY + kTitleRowHeight + kTileSpacing, size.width() - kNoteIndent,
                                        noteMetrics.height());
                if (!tile.apps.empty())
                    placeAppStrip(frame, tile.apps.size());
                if (tile.hasAutomation) {
                    const double side = 11 * kSymbolScale + 12;
                    frame.automationMark = QRectF(frame.card.right() - 8 - side, frame.card.bottom() - 8 - side, side, side);
                }
                f.tiles.push_back(std::move(frame));
            }
            cy += rowHeight;
            if (end < section.tiles.size())
                cy += kRowGap;
        }
    }
    if (!anyTile && !in.query.isEmpty()) {
        if (!in.sections.empty())
            cy += kSectionSpacing;
        const double h = QFontMetricsF(pixelFont(15, QFont::Normal)).height() * 2.4;
        f.noMatch = QRectF(kSidePadding, top + cy, width - 2 * kSidePadding, h);
        cy += h;
    }
    f.contentHeight = cy + kBottomPadding;
    return f;
}

OverlayLayout::Placeholder OverlayLayout::placeholder(const QRectF& card, const OverlayTile& tile)
{
    Placeholder layout;
    QRectF content = card.adjusted(18, 18, -18, -18);
    // The number badge covers the top-left corner and the app strip the
    // bottom-left one: everything stands between them.
    if (tile.number)
        content.setTop(std::max(content.top(), numberBadge(card, *tile.number).bottom() + 8));
    if (!tile.apps.empty())
        content.setBottom(std::min(content.bottom(), card.bottom() - kStripInset - kStripHeight - 6));

    // The name: two lines at most, shrinking to 60 % before it is cut short.
    const double full = std::min(0.085 * card.width(), 28.0);
    layout.nameFont = pixelFont(full, QFont::Bold);
    for (double size = full; size >= full * 0.6 - 0.01; size -= 1) {
        layout.nameFont = pixelFont(size, QFont::Bold);
        const QFontMetricsF m(layout.nameFont);
        const QRectF need = m.boundingRect(QRectF(0, 0, content.width(), 1e6), Qt::TextWordWrap, tile.name);
        if (need.height() <= m.lineSpacing() * 2 + 0.5 && need.width() <= content.width() + 0.5)
            break;
    }
    const QFontMetricsF nm(layout.nameFont);
    const QRectF need = nm.boundingRect(QRectF(0, 0, content.width(), 1e6), Qt::TextWordWrap, tile.name);
    layout.nameLines = need.height() > nm.lineSpacing() + 0.5 ? 2 : 1;
    const double captionHeight = QFontMetricsF(pixelFont(12, QFont::Medium)).height();

    // What fits, from the bottom up: the name first, then the caption, then the chip.
    const auto nameHeight = [&] { return nm.lineSpacing() * layout.nameLines; };
    bool caption = true;
    bool chip = true;
    const auto needed = [&] { return nameHeight() + (caption ? 6 + captionHeight : 0) + (chip ? 44 + 8 : 0); };
    if (needed() > content.height())
        chip = false;
    if (needed() > content.height())
        caption = false;
    if (needed() > content.height())
        layout.nameLines = 1;
    // The title row under the card names the Space too: a card too small for
    // the name shows the picture of its colour and symbol alone.
    if (needed() > content.height() + 0.5)
        return layout;

    double bottom = content.bottom();
    if (caption) {
        layout.caption = QRectF(content.left(), bottom - captionHeight, content.width(), captionHeight);
        bottom = layout.caption->top() - 6;
    }
    layout.name = QRectF(content.left(), bottom - nameHeight(), content.width(), nameHeight());
    if (chip)
        layout.chip = QRectF(content.left(), content.top(), 44, 44);
    return layout;
}

} // namespace lumivast
