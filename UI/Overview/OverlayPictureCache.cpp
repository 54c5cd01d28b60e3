#include "UI/Overview/OverlayPictureCache.h"

#include "Core/Demo/DemoMode.h"
#include "Core/Previews/ThumbnailService.h"
#include "UI/Overview/OverlayEffects.h"
#include "UI/Symbols/SymbolCatalogue.h"

#include <algorithm>
#include <cmath>

namespace lumivast {

namespace {

// Two sizes per tile: a search that narrows the grid and the erasing that
// widens it again switch between two tile sizes, and neither decodes anew.
constexpr std::size_t kSizesPerTile = 2;
constexpr std::size_t kShadows = 64;
constexpr std::size_t kBorders = 256;
constexpr std::size_t kSymbols = 512;

int hundredths(double value)
{
    return int(std::lround(value * 100));
}

} // namespace

OverlayPictureCache::Source OverlayPictureCache::Source::of(const OverlayTile& tile, const ThumbnailService& thumbnails)
{
    Source source;
    if (auto demo = DemoMode::thumbnail(tile.space, QSize(640, 400))) {
        source.image = *demo;
        source.size = demo->size();
        return source;
    }
    const auto it = thumbnails.images().find(tile.id);
    if (it == thumbnails.images().end() || it->second.isNull())
        return source;
    source.preview = it->second;
    if (it->second.data().isEmpty())
        source.image = it->second.image();
    source.size = it->second.size();
    return source;
}

// An entry holds the data it was made from, so a changed preview never passes for the old one.
bool OverlayPictureCache::Held::madeFrom(const Source& source) const
{
    const QByteArray bytes = source.data();
    const bool same = bytes.isEmpty() ? (data.isEmpty() && !source.image.isNull() && decoded.cacheKey() == source.image.cacheKey())
                                      : data.constData() == bytes.constData();
    return same && sourceSize == source.size && !card.isNull();
}

OverlayPictureCache::Held* OverlayPictureCache::find(const QString& id, const Source& source, QSize cardSize, qreal dpr,
                                                     double radius)
{
    const auto tile = m_cards.find(id);
    if (tile == m_cards.end())
        return nullptr;
    std::vector<Held>& sizes = tile->second;
    const auto it = std::find_if(sizes.begin(), sizes.end(), [&](const Held& c) {
        return !c.standIn && c.cardSize == cardSize && c.dpr == dpr && c.radius == radius && c.madeFrom(source);
    });
    if (it == sizes.end())
        return nullptr;
    // The entry found becomes the most recently used.
    std::rotate(sizes.begin(), it, it + 1);
    return &sizes.front();
}

bool OverlayPictureCache::holds(const QString& id, const Source& source, QSize cardSize, qreal dpr, double radius)
{
    return find(id, source, cardSize, dpr, radius) != nullptr;
}

void OverlayPictureCache::keep(const QString& id, Held held)
{
    // It replaces the entry of its size or, with none, the one used longest ago.
    std::vector<Held>& sizes = m_cards[id];
    std::erase_if(sizes, [&](const Held& c) { return c.cardSize == held.cardSize; });
    if (sizes.size() >= kSizesPerTile)
        sizes.pop_back();
    sizes.insert(sizes.begin(), std::move(held));
}

QImage OverlayPictureCache::make(const QString& id, const Source& source, QSize cardSize, qreal dpr, double radius)
{
    const QSize pixels(std::max(1, int(std::lround(cardSize.width() * dpr))), std::max(1, int(std::lround(cardSize.height() * dpr))));
    const QSize cover = source.size.scaled(pixels, Qt::KeepAspectRatioByExpanding).expandedTo(QSize(1, 1));
    const QByteArray data = source.data();
    QImage image = !data.isEmpty() ? source.preview->image(cover) : source.image;
    if (image.isNull())
        return {}; // data that no longer decodes
    if (image.size() != cover)
        image = image.scaled(cover, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    ++m_made;
    QImage card = OverlayEffects::cutToCard(std::move(image), cardSize, dpr, radius);
    keep(id, Held{data, data.isEmpty() ? source.image : QImage(), source.size, cardSize, dpr, radius, card});
    return card;
}

OverlayPictureCache::Card OverlayPictureCache::card(const QString& id, const Source& source, QSize cardSize, qreal dpr,
                                                    double radius, bool exact)
{
    if (source.isNull())
        return {};
    if (const Held* held = find(id, source, cardSize, dpr, radius))
        return Card{held->card};
    if (!exact) {
        // The same picture at the grid's other size (or standing in at this one) stands in.
        const auto tile = m_cards.find(id);
        const Held* other = nullptr;
        if (tile != m_cards.end()) {
            for (const Held& c : tile->second) {
                if (c.dpr != dpr || c.radius != radius || !c.madeFrom(source))
                    continue;
                if (c.standIn && c.cardSize == cardSize)
                    return Card{c.card, true};
                if (!c.standIn && !other)
                    other = &c;
            }
        }
        if (other) {
            Held from = *other; // the entries change below
            from.card = OverlayEffects::scaledCard(other->card, other->cardSize, cardSize, dpr, radius);
            from.cardSize = cardSize;
            from.standIn = true;
            QImage standIn = from.card;
            keep(id, std::move(from));
            return Card{standIn, true};
        }
    }
    return Card{make(id, source, cardSize, dpr, radius)};
}

void OverlayPictureCache::keepOnly(const std::set<QString>& ids)
{
    std::erase_if(m_cards, [&ids](const auto& entry) { return !ids.contains(entry.first); });
}

QImage OverlayPictureCache::shadow(QSize cardSize, double blur, double strength, qreal dpr, double radius)
{
    const auto key = std::make_tuple(cardSize.width(), cardSize.height(), int(blur), hundredths(dpr), hundredths(radius),
                                     int(std::lround(strength * 1000)));
    auto it = m_shadows.find(key);
    if (it == m_shadows.end()) {
        if (m_shadows.size() > kShadows)
            m_shadows.clear();
        QImage image = OverlayEffects::shadow(QSize(int(std::lround(cardSize.width() * dpr)), int(std::lround(cardSize.height() * dpr))),
                                              radius * dpr, blur * dpr, strength);
        image.setDevicePixelRatio(dpr);
        it = m_shadows.emplace(key, std::move(image)).first;
    }
    return it->second;
}

QImage OverlayPictureCache::border(QSize cardSize, double lineWidth, const QColor& color, qreal dpr, double radius)
{
    const auto key = std::make_tuple(cardSize.width(), cardSize.height(), hundredths(lineWidth), color.rgba(), hundredths(dpr),
                                     hundredths(radius));
    auto it = m_borders.find(key);
    if (it == m_borders.end()) {
        if (m_borders.size() > kBorders)
            m_borders.clear();
        it = m_borders.emplace(key, OverlayEffects::border(cardSize, dpr, radius, lineWidth, color)).first;
    }
    return it->second;
}

QPixmap OverlayPictureCache::symbol(const QString& name, double side, const QColor& color)
{
    // One per name, size and colour is enough.
    const int px = std::max(1, int(std::lround(side)));
    const auto key = std::make_tuple(name, px, color.rgba());
    if (const auto it = m_symbols.find(key); it != m_symbols.end())
        return it->second;
    QPixmap pixmap = SymbolCatalogue::image(name, px, color);
    if (m_symbols.size() > kSymbols)
        m_symbols.clear();
    m_symbols.emplace(key, pixmap);
    return pixmap;
}

QImage OverlayPictureCache::takeBuffer(Buffer which, QSize pixels, QImage::Format format)
{
    QImage& spare = which == Buffer::backdrop ? m_spareBackdrop : m_spareLayer;
    QImage buffer = spare.size() == pixels && spare.format() == format ? std::move(spare) : QImage(pixels, format);
    spare = QImage();
    return buffer;
}

void OverlayPictureCache::keepBuffer(Buffer which, QImage buffer)
{
    (which == Buffer::backdrop ? m_spareBackdrop : m_spareLayer) = std::move(buffer);
}

} // namespace lumivast
