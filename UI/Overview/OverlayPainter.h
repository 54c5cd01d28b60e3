#pragma once

#include "Core/Overview/OverlayViewModel.h"
#include "UI/Overview/OverlayLayout.h"

#include <QImage>
#include <QRect>

#include <functional>
#include <map>
#include <optional>

class QPainter;

namespace lumivast {

class OverlayPictureCache;

// Draws the overview into the frames the layout made: the blurred desktop
// picture, the header with the search pill and hints, the permission banner,
// the section titles and the tiles. Where things lie is the layout's and
// what moves is the widget's: it hands the painter the eased values of the
// moment. Pictures come from the cache; the backdrop, made once per desktop
// picture, and the apps' icons are kept for the life of one view.
class OverlayPainter {
public:
    OverlayPainter(const OverlayViewModel& model, OverlayPictureCache& pictures, qreal radius);
    ~OverlayPainter();
    OverlayPainter(const OverlayPainter&) = delete;
    OverlayPainter& operator=(const OverlayPainter&) = delete;

    // The search pill's look, eased between its empty and typed looks.
    struct Pill {
        double width = 0;
        double fill = 0;
        double ink = 0;
    };
    static Pill pillAtRest(const QString& query, double viewWidth);

    // What the widget animates, as it stands at the frame being drawn.
    struct Moment {
        QSize size;  // the view's
        qreal dpr = 1;
        Pill pill;   // none yet (no width): at rest
        std::optional<QString> dropTarget;
        std::function<double(const QString& id)> selection; // 0 to 1 per tile
        std::function<double(const QString& id)> hover;     // 0 to 1 per tile
        // The tile's preview cut to a card of that size, or null for the placeholder.
        std::function<QImage(const OverlayTile& tile, QSize cardSize)> cardPicture;
    };
    // Everything but the backdrop; unscaled, tiles wholly outside `repainted` are left out.
    void paintContent(QPainter& p, const OverlayFrames& f, const Moment& m, const QRect& repainted, bool unscaled);

    // The desktop picture blurred, saturated and dimmed, or a grey without one.
    void paintBackdrop(QPainter& p, QSize size, qreal dpr);
    // The backdrop as drawn: made once per new picture and size.
    const QImage& backdrop() const { return m_backdrop; }
    // Makes the backdrop again at the next paint.
    void redoBackdrop() { m_backdropKey = -1; }

private:
    void paintHeader(QPainter& p, const OverlayFrames& f, const Moment& m);
    void paintBanner(QPainter& p, const OverlayFrames& f);
    void paintTile(QPainter& p, const OverlayTile& tile, const OverlayTileFrame& frame, const Moment& m);
    void paintCard(QPainter& p, const OverlayTile& tile, const OverlayTileFrame& frame, const Moment& m);
    void paintAppStrip(QPainter& p, const OverlayTile& tile, const OverlayTileFrame& frame, qreal dpr);
    void paintPlaceholder(QPainter& p, const OverlayTile& tile, const QRectF& card);
    void drawSymbol(QPainter& p, const QString& name, const QRectF& box, double side, const QColor& color);
    QImage appIcon(const SpaceContents::AppOnSpace& app, qreal dpr);

    const OverlayViewModel& m_model;
    OverlayPictureCache& m_pictures;
    const qreal m_radius;
    QImage m_backdrop;
    qint64 m_backdropKey = 0;
    std::map<std::int32_t, QImage> m_appIcons; // per view: an app may change its icon
};

} // namespace lumivast
