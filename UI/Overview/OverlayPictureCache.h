#pragma once

#include "Core/Overview/OverlayViewModel.h"
#include "Core/Previews/PreviewImage.h"

#include <QColor>
#include <QImage>
#include <QPixmap>

#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <vector>

namespace lumivast {

class ThumbnailService;

// What the overview draws from, kept from one opening to the next: the tiles'
// previews cut to their cards (decoding sixteen previews at every opening
// would cost more than the rest of it), the cards' shadows and borders, the
// symbols, and the screen-sized buffers the last opening drew into. Owned by
// the overview's controller and lent to each of its views. Everything is
// handed out by value (an image shares its data): a later miss that drops
// entries never takes a picture from a caller still drawing it. Main thread only.
class OverlayPictureCache {
public:
    OverlayPictureCache() = default;
    OverlayPictureCache(const OverlayPictureCache&) = delete;
    OverlayPictureCache& operator=(const OverlayPictureCache&) = delete;

    // What a tile's picture is made from: a preview's compressed data, or a
    // picture held decoded (demo pictures, previews that could not be compressed).
    struct Source {
        std::optional<PreviewImage> preview;
        QImage image;
        QSize size;

        static Source of(const OverlayTile& tile, const ThumbnailService& thumbnails);
        bool isNull() const { return size.isEmpty(); }
        QByteArray data() const { return preview ? preview->data() : QByteArray(); }
    };

    // A tile's card at `cardSize` points: the preview cut to the card's rounded outline, in device pixels.
    struct Card {
        QImage image;         // null when the source no longer decodes: the placeholder is drawn
        bool standIn = false; // scaled from another size until the picture is made at this one
    };
    // The card held at that size; else, unless `exact`, the same picture at
    // another size scaled to stand in (the caller has it made later); else made now.
    Card card(const QString& id, const Source& source, QSize cardSize, qreal dpr, double radius, bool exact);
    // Whether the picture is held at that size, made from that source.
    bool holds(const QString& id, const Source& source, QSize cardSize, qreal dpr, double radius);
    // Decodes the picture straight at the card's size and keeps it in place of any stand-in.
    QImage make(const QString& id, const Source& source, QSize cardSize, qreal dpr, double radius);
    // How many previews have been decoded and cut to a card so far.
    int made() const { return m_made; }
    // Drops the pictures of tiles not among `ids` (Spaces that are gone).
    void keepOnly(const std::set<QString>& ids);

    // A card's shadow and border ring; they depend on nothing but their size and look.
    QImage shadow(QSize cardSize, double blur, double strength, qreal dpr, double radius);
    QImage border(QSize cardSize, double lineWidth, const QColor& color, qreal dpr, double radius);
    // A symbol drawn from its vector file, `side` pixels square.
    QPixmap symbol(const QString& name, double side, const QColor& color);

    // The screen-sized drawing buffers of the last opening: a fresh one costs
    // its whole size in page faults before the first frame.
    enum class Buffer { backdrop, layer };
    // The kept buffer if it has that size and format, else a new one; nothing is kept after.
    QImage takeBuffer(Buffer which, QSize pixels, QImage::Format format);
    void keepBuffer(Buffer which, QImage buffer);

private:
    struct Held {
        QByteArray data;
        QImage decoded; // the source when the preview is held decoded
        QSize sourceSize;
        QSize cardSize;
        qreal dpr = 0;
        double radius = 0;
        QImage card;
        bool standIn = false;
        bool madeFrom(const Source& source) const;
    };
    Held* find(const QString& id, const Source& source, QSize cardSize, qreal dpr, double radius);
    void keep(const QString& id, Held held);

    // Most recently used first, at most two sizes a tile.
    std::map<QString, std::vector<Held>> m_cards;
    int m_made = 0;
    std::map<std::tuple<int, int, int, int, int, int>, QImage> m_shadows;
    std::map<std::tuple<int, int, int, QRgb, int, int>, QImage> m_borders;
    std::map<std::tuple<QString, int, QRgb>, QPixmap> m_symbols;
    QImage m_spareBackdrop;
    QImage m_spareLayer;
};

} // namespace lumivast
