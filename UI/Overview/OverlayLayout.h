#pragma once

#include "Core/Overview/OverlayViewModel.h"

#include <QCoreApplication>
#include <QFont>
#include <QRectF>
#include <QSizeF>

#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace lumivast {

// Where each part of a tile lies, in the view's coordinates at rest (no
// scaling, current scroll position).
struct OverlayTileFrame {
    QString id;
    QRectF tile;                    // the whole tile: its hit area
    QRectF card;
    QRectF icon;                    // the icon slot of the title row
    QRectF name;
    std::optional<QRectF> note;
    std::optional<QRectF> appStrip; // the capsule behind the app icons
    std::vector<QRectF> appIcons;   // one per shown app: where it is drawn is where it is clicked
    std::optional<QRectF> moreApps; // the count of the apps left out
    std::optional<QRectF> automationMark;
};

struct OverlayFrames {
    QRectF header;
    QRectF pill;
    QRectF hints;                   // the room right of the pill, the hints at its right edge
    std::optional<QRectF> banner;
    std::optional<QRectF> bannerButton;
    QRectF scrollArea;              // the sections' viewport
    std::vector<std::pair<QRectF, QString>> sectionTitles;
    std::vector<OverlayTileFrame> tiles; // in the order of the model's tiles
    std::optional<QRectF> noMatch;
    double contentHeight = 0;       // of the scrolled content
};

// The overview's geometry: the model's sections and the view's size in,
// frames out. The painter draws into these frames and the pointer is tested
// against the same ones, so a part is clicked where it is drawn. Nothing here
// needs a widget; fonts are the application's.
class OverlayLayout {
    // The view's own texts: one translation context with the widget.
    Q_DECLARE_TR_FUNCTIONS(lumivast::OverlayView)
public:
    // A glyph set in an N-pixel font stands about 1.2 N high.
    static constexpr double kSymbolScale = 1.2;

    struct Input {
        QSizeF size;
        double scroll = 0;
        QString query;
        std::span<const OverlaySection> sections;
        int columns = 1;
        QSizeF tileSize;
        bool banner = false; // the permission banner
    };
    // The model's part of the input.
    static Input input(const OverlayViewModel& model, QSizeF size, double scroll);
    static OverlayFrames frames(const Input& input);

    // The search pill at rest for that search, in a view that wide.
    struct Pill {
        QFont font;
        QString text;
        double width = 0;
        double height = 0;
    };
    static Pill pill(const QString& query, double viewWidth);
    // The header's hints that fit in `room` pixels, joined in their order: whole hints only, the
    // least useful given up first (renaming, arranging, then searching); empty when none fits.
    static QString headerHints(double room);
    // How many app icons a card's strip shows: at most six, and no more than fit
    // on the card with the count of the rest beside them; and the strip's width.
    static std::size_t stripIcons(double cardWidth, std::size_t apps);
    static double stripWidth(std::size_t shown, std::size_t apps);
    static QString moreAppsText(std::size_t hidden);
    // The desktop number's badge in the card's top-left corner.
    static QRectF numberBadge(const QRectF& card, int number);

    // Where a placeholder card puts its parts; what does not fit is left
    // out (the symbol chip first, then the caption), so nothing overlaps.
    struct Placeholder {
        std::optional<QRectF> chip;
        std::optional<QRectF> name; // none on a card too small for it
        std::optional<QRectF> caption;
        int nameLines = 1;
        QFont nameFont;
    };
    static Placeholder placeholder(const QRectF& card, const OverlayTile& tile);

    // What drawing a tile may touch: its shadows (blur 18, 6 down), the hover
    // growth and the drop marker left of it.
    static QRect drawnArea(const QRectF& tile);

    static QFont font(double pixelSize, QFont::Weight weight);
    static QString bannerText();
    static QString bannerButtonText();

    static constexpr double kStripInset = 8;   // the app strip's distance from the card's corner
    static constexpr double kStripHeight = 30; // 22-point icons padded 4 above and below
};

} // namespace lumivast
