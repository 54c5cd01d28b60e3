#pragma once

#include "Core/Overview/OverlayViewModel.h"
#include "Core/Previews/PreviewImage.h"
#include "Platform/Scheduler.h"
#include "UI/Overview/OverlayLayout.h"
#include "UI/Overview/OverlayPainter.h"

#include <QPointer>
#include <QRectF>
#include <QWidget>

#include <map>
#include <optional>
#include <vector>

class QLineEdit;

namespace lumivast {

class AlertService;
class FileChooser;
class OverlayPictureCache;

// The overview's content over the whole screen: the blurred desktop picture,
// the header with the search pill and hints, the permission banner, and one
// block per section with its grid of tiles. The widget takes the pointer, the
// drags and the rename field, and eases what moves; where things lie is the
// layout's, the drawing the painter's, the pictures the cache's. It keeps no
// state of the overview's own (all of that is the model's) beyond what the
// pointer is doing: hover, a drag, the scroll position and the rename field.
// Only the tiles in view are drawn.
class OverlayView final : public QWidget {
    Q_OBJECT
public:
    OverlayView(Scheduler& scheduler, OverlayViewModel& model, OverlayPictureCache& pictures, qreal radius,
                AlertService& alerts, FileChooser& chooser, QWidget* parent = nullptr);
    ~OverlayView() override;

    using TileFrame = OverlayTileFrame;
    using Frames = OverlayFrames;
    // The layout of the model at the view's size and scroll position.
    Frames frames() const;

    double scrollOffset() const { return m_scroll; }
    void scrollTo(double offset);
    // The column's presentation (0: hidden, small and clear; 1: shown).
    double presentation() const { return m_presentation; }
    // The rename field while a tile's name is edited.
    QLineEdit* renameField() const;
    // The backdrop as drawn: the picture blurred and saturated once per new picture.
    const QImage& backdrop() const { return m_painter.backdrop(); }
    // The tile menu of a tile (shown on a secondary click).
    void showTileMenu(const QString& tileID, const QPoint& globalPos);

    // Draws the content at rest once, off screen, so that everything it is
    // made of (previews at this size, shadows, borders, symbols) is at hand
    // before the overview first opens.
    void prepareDrawing();
    // Whether the tile's preview is held at the card size the grid shows now,
    // or would be drawn scaled from another size.
    bool holdsPictureAtSize(const QString& tileID) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Tween {
        double from = 0;
        double to = 0;
        Duration start{};
        double value(Duration now) const;
    };

    void modelChanged();
    void animate();
    double tween(const std::map<QString, Tween>& tweens, const QString& id, double fallback) const;
    void setTweenTarget(std::map<QString, Tween>& tweens, const QString& id, double target);
    // The tile under the point; `frame` gets a copy of its frame.
    const OverlayTile* tileAt(const QPointF& point, TileFrame* frame = nullptr) const;
    const OverlayTile* tileByID(const QString& id) const;
    void setHovered(const std::optional<QString>& id);
    void beginRename(const QString& id);
    void syncRenameField();
    void clampScroll();
    void revealSelection();

    // Everything a paint reads from the model outside the header: a change
    // that leaves it as it was (a search that keeps the same tiles) repaints
    // the header only.
    struct GridLook {
        std::vector<OverlaySection> sections;
        int columns = 0;
        QSizeF tileSize;
        QSize size;
        double scroll = 0;
        std::optional<QString> selected;
        std::optional<QString> editing;
        std::optional<QString> dragging;
        std::optional<QString> dropTarget;
        bool banner = false;
        qint64 wallpaper = 0;
        std::map<QString, PreviewImage> previews;
        QString noMatchQuery;
        bool operator==(const GridLook&) const = default;
    };
    GridLook gridLook() const;
    std::optional<GridLook> m_shownLook;
    QRect headerArea() const;
    bool isAtRest() const;
    void repaintAll();

    // True while a hover, selection or search pill change is being eased.
    bool isEasing() const;
    // The painter's view of this moment: the eased values and the pictures.
    OverlayPainter::Moment moment();
    void paintContent(QPainter& p, const QRect& repainted, bool unscaled);

    Scheduler& m_scheduler;
    OverlayViewModel& m_model;
    OverlayPictureCache& m_pictures;
    const qreal m_radius;
    AlertService& m_alerts;
    FileChooser& m_chooser;

    double m_scroll = 0;
    double m_presentation = 0;
    bool m_lastPresented = false;
    Duration m_presentStart{};
    double m_presentFrom = 0;
    double m_presentTo = 0;
    std::map<QString, Tween> m_hoverTweens;
    std::map<QString, Tween> m_selectTweens;
    WorkItem m_animation;
    std::optional<QString> m_hovered;
    std::optional<QString> m_dropTarget;
    std::optional<QString> m_lastSelected;
    // The search pill eases between its empty and typed looks.
    OverlayPainter::Pill m_pillFrom;
    OverlayPainter::Pill m_pillTo;
    Duration m_pillStart{};
    QString m_lastQuery;
    OverlayPainter::Pill pillNow() const;

    // Pointer press, until it turns into a click or a drag.
    struct Press {
        QPointF at;
        QString tileID;
        enum class Part { card, name, appIcon, automation, other } part = Part::other;
        int appIndex = -1;
    };
    std::optional<Press> m_press;
    bool m_pressOnBackdrop = false;
    bool m_pressOnBannerButton = false;

    OverlayPainter m_painter;
    // The tile's picture at that card size, from the cache; a stand-in is made at its size after the frame.
    QImage cardPicture(const OverlayTile& tile, QSize cardSize);
    void refineLater(const OverlayTile& tile, QSize cardSize);
    void refineNext();
    // Pictures drawn scaled from another size, to be made at their own size
    // after the frame if they are still shown at it.
    std::map<QString, std::pair<OverlayTile, QSize>> m_unrefined;
    WorkItem m_refining;
    bool m_exactPictures = false; // no stand-ins: the drawing is kept
    // While the column scales in or out, the content at rest drawn once.
    struct LayerLook {
        GridLook grid;
        QString query;
        std::optional<QString> hovered;
        bool operator==(const LayerLook&) const = default;
    };
    std::optional<QImage> m_layer;
    std::optional<LayerLook> m_layerLook;
    LayerLook layerLook() const;
    const QImage& restingLayer();

    QPointer<QLineEdit> m_renameField;
    std::optional<QString> m_renameFor;
};

} // namespace lumivast
