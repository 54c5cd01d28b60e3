#include "UI/Overview/OverlayView.h"

#include "Core/Previews/ThumbnailService.h"
#include "Core/Spaces/Permissions.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "UI/Menus/MenuAdapter.h"
#include "UI/Overview/OverlayPictureCache.h"
#include "UI/Overview/TileMenu.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <set>

namespace lumivast {

namespace {

// Motion.
constexpr Duration kFrame = 16ms;
constexpr Duration kTileAnimation = 120ms; // ease-out, hover and selection
constexpr double kSpringResponse = 0.28;   // seconds
constexpr double kSpringDamping = 0.9;
constexpr Duration kSpringSettled = 900ms;
// Closer than this to its end, the column is off by under a tenth of a pixel and half a colour level.
constexpr double kSpringUnseen = 0.002;
constexpr double kHiddenScale = 1.06;

double easeOut(double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return 1 - (1 - t) * (1 - t) * (1 - t);
}

// The share of the way a damped spring has gone after `t` seconds.
double springProgress(double t)
{
    const double omega = 2 * M_PI / kSpringResponse;
    const double zeta = kSpringDamping;
    const double damped = omega * std::sqrt(1 - zeta * zeta);
    const double decay = std::exp(-zeta * omega * t);
    return 1 - decay * (std::cos(damped * t) + zeta * omega / damped * std::sin(damped * t));
}

} // namespace

// ---------------------------------------------------------------------------

class RenameField final : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    std::function<void()> onSubmit;
    std::function<void()> onCancel;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            if (auto submit = onSubmit)
                submit();
            return;
        case Qt::Key_Escape:
            event->accept();
            if (auto cancel = onCancel)
                cancel();
            return;
        default:
            QLineEdit::keyPressEvent(event);
            // Keys the field does not use stay the field's: the overview's table is off meanwhile.
            event->accept();
        }
    }
};

// ---------------------------------------------------------------------------

double OverlayView::Tween::value(Duration now) const
{
    const double t = double((now - start).count()) / double(std::chrono::duration_cast<Duration>(kTileAnimation).count());
    return from + (to - from) * easeOut(t);
}

OverlayView::OverlayView(Scheduler& scheduler, OverlayViewModel& model, OverlayPictureCache& pictures, qreal radius,
                         AlertService& alerts, FileChooser& chooser, QWidget* parent)
    : QWidget(parent)
    , m_scheduler(scheduler)
    , m_model(model)
    , m_pictures(pictures)
    , m_radius(radius)
    , m_alerts(alerts)
    , m_chooser(chooser)
    , m_painter(model, pictures, radius)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setAcceptDrops(true);
    setFocusPolicy(Qt::NoFocus);
    m_lastPresented = m_model.isPresented();
    m_presentation = m_lastPresented ? 1 : 0;
    m_presentTo = m_presentation;
    m_lastSelected = m_model.selectedID();
    m_lastQuery = m_model.query();
    connect(&m_model, &OverlayViewModel::changed, this, &OverlayView::modelChanged);
    // Pictures of Spaces that are gone are not kept.
    std::set<QString> known;
    for (const Space& space : m_model.watcher().snapshot().allSpaces())
        known.insert(space.id);
    m_pictures.keepOnly(known);
}

OverlayView::~OverlayView()
{
    if (m_layer)
        m_pictures.keepBuffer(OverlayPictureCache::Buffer::layer, std::move(*m_layer));
}

QLineEdit* OverlayView::renameField() const
{
    return m_renameField;
}

void OverlayView::modelChanged()
{
    if (m_model.isPresented() != m_lastPresented) {
        m_lastPresented = m_model.isPresented();
        m_presentFrom = m_presentation;
        m_presentTo = m_lastPresented ? 1 : 0;
        m_presentStart = m_scheduler.now();
        animate();
    }
    if (m_model.selectedID() != m_lastSelected) {
        if (m_lastSelected)
            setTweenTarget(m_selectTweens, *m_lastSelected, 0);
        if (m_model.selectedID())
            setTweenTarget(m_selectTweens, *m_model.selectedID(), 1);
        m_lastSelected = m_model.selectedID();
        revealSelection();
        if (m_hovered)
            setTweenTarget(m_hoverTweens, *m_hovered, m_hovered == m_lastSelected ? 0 : 1);
    }
    if (m_model.query() != m_lastQuery) {
        m_lastQuery = m_model.query();
        m_pillFrom = pillNow();
        m_pillTo = OverlayPainter::pillAtRest(m_lastQuery, width());
        if (m_pillFrom.width <= 0)
            m_pillFrom = m_pillTo;
        m_pillStart = m_scheduler.now();
        animate();
    }
    if (!m_model.draggingID())
        m_dropTarget.reset();
    clampScroll();
    syncRenameField();
    GridLook look = gridLook();
    const bool sameGrid = m_shownLook && *m_shownLook == look;
    m_shownLook = std::move(look);
    if (sameGrid && isAtRest())
        update(headerArea());
    else
        update();
}

OverlayView::GridLook OverlayView::gridLook() const
{
    GridLook look;
    look.sections = m_model.sections();
    look.columns = m_model.columns();
    look.tileSize = m_model.tileSize();
    look.size = size();
    look.scroll = m_scroll;
    look.selected = m_model.selectedID();
    look.editing = m_model.editingID();
    look.dragging = m_model.draggingID();
    look.dropTarget = m_dropTarget;
    look.banner = m_model.needsScreenRecording();
    look.wallpaper = m_model.wallpaper() ? m_model.wallpaper()->cacheKey() : 0;
    look.previews = m_model.thumbnails().images();
    // The no-match line quotes the search.
    if (m_model.sections().empty() || m_model.allTiles().empty())
        look.noMatchQuery = m_model.query();
    return look;
}

void OverlayView::repaintAll()
{
    // The grid changed outside the model: the next model change is not compared with the old look.
    m_shownLook.reset();
    update();
}

bool OverlayView::isAtRest() const
{
    // While the column scales in or out, every frame moves everything.
    return m_presentation == 1.0 && m_presentTo == 1.0;
}

QRect OverlayView::headerArea() const
{
    return frames().header.adjusted(-4, -4, 4, 4).toAlignedRect();
}

void OverlayView::setTweenTarget(std::map<QString, Tween>& tweens, const QString& id, double target)
{
    const Duration now = m_scheduler.now();
    const auto it = tweens.find(id);
    const double current = it == tweens.end() ? (&tweens == &m_selectTweens ? (m_lastSelected == id ? 1 : 0) : 0)
                                              : it->second.value(now);
    tweens[id] = Tween{current, target, now};
    animate();
}

double OverlayView::tween(const std::map<QString, Tween>& tweens, const QString& id, double fallback) const
{
    const auto it = tweens.find(id);
    return it == tweens.end() ? fallback : it->second.value(m_scheduler.now());
}

void OverlayView::animate()
{
    if (m_animation.isPending())
        return;
    m_animation = m_scheduler.every(kFrame, [this] {
        const Duration now = m_scheduler.now();
        const double seconds = double(std::chrono::duration_cast<std::chrono::microseconds>(now - m_presentStart).count()) / 1e6;
        const double sprung = m_presentFrom + (m_presentTo - m_presentFrom) * springProgress(seconds);
        // Once the rest of its way cannot be seen, the spring stops: frames that change nothing are not drawn.
        const bool springDone = now - m_presentStart >= kSpringSettled
            || (now > m_presentStart && std::abs(m_presentTo - sprung) < kSpringUnseen);
        m_presentation = springDone ? m_presentTo : sprung;
        const auto settled = [now](const Tween& t) { return now - t.start >= kTileAnimation; };
        // At rest, only what moves is drawn again: the pill and the tiles with a running tween.
        QRegion dirty;
        const bool whole = !springDone || !isAtRest();
        if (!whole) {
            const Frames f = frames();
            if (now - m_pillStart < kTileAnimation + kFrame)
                dirty += headerArea();
            for (const TileFrame& frame : f.tiles) {
                if (m_hoverTweens.contains(frame.id) || m_selectTweens.contains(frame.id))
                    dirty += OverlayLayout::drawnArea(frame.tile);
            }
        }
        std::erase_if(m_hoverTweens, [&](const auto& e) { return settled(e.second) && e.second.to == 0; });
        std::erase_if(m_selectTweens, [&](const auto& e) { return settled(e.second) && e.second.to == 0; });
        const bool pillDone = now - m_pillStart >= kTileAnimation;
        const bool tilesDone = pillDone && std::all_of(m_hoverTweens.begin(), m_hoverTweens.end(), [&](const auto& e) { return settled(e.second); })
            && std::all_of(m_selectTweens.begin(), m_selectTweens.end(), [&](const auto& e) { return settled(e.second); });
        if (whole)
            update();
        else if (!dirty.isEmpty())
            update(dirty);
        if (springDone && tilesDone)
            m_animation.cancel();
    });
}

// ---- geometry ----

OverlayPainter::Pill OverlayView::pillNow() const
{
    const double t = easeOut(double((m_scheduler.now() - m_pillStart).count())
                             / double(std::chrono::duration_cast<Duration>(kTileAnimation).count()));
    const auto lerp = [t](double a, double b) { return a + (b - a) * t; };
    return OverlayPainter::Pill{lerp(m_pillFrom.width, m_pillTo.width), lerp(m_pillFrom.fill, m_pillTo.fill),
                                lerp(m_pillFrom.ink, m_pillTo.ink)};
}

OverlayView::Frames OverlayView::frames() const
{
    return OverlayLayout::frames(OverlayLayout::input(m_model, QSizeF(size()), m_scroll));
}

void OverlayView::clampScroll()
{
    const Frames f = frames();
    const double limit = std::max(0.0, f.contentHeight - f.scrollArea.height());
    m_scroll = std::clamp(m_scroll, 0.0, limit);
}

void OverlayView::revealSelection()
{
    // A walk by keys never leaves the selected tile out of sight.
    if (!m_model.selectedID())
        return;
    const Frames f = frames();
    for (const TileFrame& frame : f.tiles) {
        if (frame.id != *m_model.selectedID())
            continue;
        if (frame.tile.top() < f.scrollArea.top())
            m_scroll -= f.scrollArea.top() - frame.tile.top();
        else if (frame.tile.bottom() > f.scrollArea.bottom())
            m_scroll += std::min(frame.tile.bottom() - f.scrollArea.bottom(), frame.tile.top() - f.scrollArea.top());
        return;
    }
}

void OverlayView::scrollTo(double offset)
{
    m_scroll = offset;
    clampScroll();
    syncRenameField();
    repaintAll();
}

// ---- painting ----

void OverlayView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_painter.redoBackdrop(); // drawn again at the new size
    m_shownLook.reset();
    clampScroll();
    // The view gets its size only as the overview opens: the selection made
    // before then (the active Space) is brought into sight now.
    revealSelection();
    syncRenameField();
}

void OverlayView::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.setClipRegion(event->region());
    m_painter.paintBackdrop(p, size(), devicePixelRatioF());

    const double presented = std::clamp(m_presentation, 0.0, 1.0);
    if (presented <= 0.001)
        return;
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setOpacity(presented);
    const double scale = kHiddenScale + (1.0 - kHiddenScale) * m_presentation;
    const bool unscaled = std::abs(scale - 1.0) <= 1e-4;
    if (!unscaled) {
        const QPointF c = rect().center();
        p.translate(c);
        p.scale(scale, scale);
        p.translate(-c);
    }
    if (!unscaled && !isEasing()) {
        // While the column scales in or out, the content at rest is drawn once
        // and each frame only scales and fades it: every card, shadow and line
        // of text drawn anew under a new scale took longer than a frame.
        p.drawImage(QRectF(rect()), restingLayer());
        return;
    }
    paintContent(p, event->rect(), unscaled);
}

OverlayView::LayerLook OverlayView::layerLook() const
{
    return LayerLook{gridLook(), m_model.query(), m_hovered};
}

const QImage& OverlayView::restingLayer()
{
    LayerLook look = layerLook();
    if (m_layer && m_layerLook == look)
        return *m_layer;
    const qreal dpr = devicePixelRatioF();
    const QSize pixels = (QSizeF(size().expandedTo(QSize(1, 1))) * dpr).toSize();
    if (!m_layer) {
        // The buffer of the last opening, if it fits: a fresh one costs its
        // whole size in page faults.
        m_layer = m_pictures.takeBuffer(OverlayPictureCache::Buffer::layer, pixels, QImage::Format_ARGB32_Premultiplied);
    } else if (m_layer->size() != pixels) {
        *m_layer = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    }
    m_layer->setDevicePixelRatio(dpr);
    m_layer->fill(Qt::transparent);
    {
        QPainter lp(&*m_layer);
        lp.setRenderHint(QPainter::Antialiasing);
        lp.setRenderHint(QPainter::TextAntialiasing);
        lp.setRenderHint(QPainter::SmoothPixmapTransform);
        paintContent(lp, rect(), true);
    }
    m_layerLook = std::move(look);
    return *m_layer;
}

void OverlayView::prepareDrawing()
{
    m_exactPictures = true;
    restingLayer();
    m_exactPictures = false;
}

bool OverlayView::holdsPictureAtSize(const QString& tileID) const
{
    const OverlayTile* tile = tileByID(tileID);
    if (!tile)
        return false;
    const Frames f = frames();
    for (const TileFrame& frame : f.tiles) {
        if (frame.id == tileID)
            return m_pictures.holds(tileID, OverlayPictureCache::Source::of(*tile, m_model.thumbnails()),
                                    frame.card.size().toSize(), devicePixelRatioF(), m_radius);
    }
    return false;
}

bool OverlayView::isEasing() const
{
    const Duration now = m_scheduler.now();
    const auto easing = [now](const auto& entry) { return now - entry.second.start < kTileAnimation; };
    return now - m_pillStart < kTileAnimation || std::any_of(m_hoverTweens.begin(), m_hoverTweens.end(), easing)
        || std::any_of(m_selectTweens.begin(), m_selectTweens.end(), easing);
}

OverlayPainter::Moment OverlayView::moment()
{
    OverlayPainter::Moment m;
    m.size = size();
    m.dpr = devicePixelRatioF();
    m.pill = pillNow();
    m.dropTarget = m_dropTarget;
    m.selection = [this](const QString& id) { return tween(m_selectTweens, id, m_model.selectedID() == id ? 1 : 0); };
    m.hover = [this](const QString& id) { return tween(m_hoverTweens, id, 0); };
    m.cardPicture = [this](const OverlayTile& tile, QSize cardSize) { return cardPicture(tile, cardSize); };
    return m;
}

void OverlayView::paintContent(QPainter& p, const QRect& repainted, bool unscaled)
{
    m_painter.paintContent(p, frames(), moment(), repainted, unscaled);
}

QImage OverlayView::cardPicture(const OverlayTile& tile, QSize cardSize)
{
    // Unless the drawing is kept, the same picture at the grid's other size
    // stands in, scaled, for this frame; the right size is made after it.
    const OverlayPictureCache::Card card = m_pictures.card(tile.id, OverlayPictureCache::Source::of(tile, m_model.thumbnails()),
                                                           cardSize, devicePixelRatioF(), m_radius, m_exactPictures);
    if (card.standIn)
        refineLater(tile, cardSize);
    return card.image;
}

void OverlayView::refineLater(const OverlayTile& tile, QSize cardSize)
{
    m_unrefined.insert_or_assign(tile.id, std::make_pair(tile, cardSize));
    if (!m_refining.isPending())
        m_refining = m_scheduler.after(Duration::zero(), [this] { refineNext(); });
}

void OverlayView::refineNext()
{
    // One picture a turn: a key typed meanwhile does not wait for all of them.
    const qreal dpr = devicePixelRatioF();
    while (!m_unrefined.empty()) {
        const auto [tile, cardSize] = m_unrefined.begin()->second;
        m_unrefined.erase(m_unrefined.begin());
        // Only what is still shown at that size: a search typed on meanwhile
        // does not wait behind pictures nobody sees.
        const Frames f = frames();
        const auto frame = std::find_if(f.tiles.begin(), f.tiles.end(), [&](const TileFrame& t) { return t.id == tile.id; });
        if (frame == f.tiles.end() || frame->card.size().toSize() != cardSize)
            continue;
        const OverlayPictureCache::Source source = OverlayPictureCache::Source::of(tile, m_model.thumbnails());
        if (source.isNull() || m_pictures.holds(tile.id, source, cardSize, dpr, m_radius))
            continue;
        m_pictures.make(tile.id, source, cardSize, dpr, m_radius);
        m_layerLook.reset(); // the layer, if any, holds the stand-in
        if (isAtRest())
            update(OverlayLayout::drawnArea(frame->tile));
        else
            update();
        break;
    }
    if (!m_unrefined.empty())
        m_refining = m_scheduler.after(Duration::zero(), [this] { refineNext(); });
}

// ---- pointer ----

const OverlayTile* OverlayView::tileByID(const QString& id) const
{
    for (const OverlaySection& section : m_model.sections()) {
        for (const OverlayTile& tile : section.tiles) {
            if (tile.id == id)
                return &tile;
        }
    }
    return nullptr;
}

const OverlayTile* OverlayView::tileAt(const QPointF& point, TileFrame* frameOut) const
{
    const Frames f = frames();
    if (!f.scrollArea.contains(point))
        return nullptr;
    for (const TileFrame& frame : f.tiles) {
        if (frame.tile.contains(point)) {
            if (frameOut)
                *frameOut = frame;
            return tileByID(frame.id);
        }
    }
    return nullptr;
}

void OverlayView::setHovered(const std::optional<QString>& id)
{
    if (id == m_hovered)
        return;
    if (m_hovered)
        setTweenTarget(m_hoverTweens, *m_hovered, 0);
    m_hovered = id;
    if (m_hovered && m_hovered != m_model.selectedID())
        setTweenTarget(m_hoverTweens, *m_hovered, 1);
}

void OverlayView::wheelEvent(QWheelEvent* event)
{
    const QPoint pixels = event->pixelDelta();
    const double delta = !pixels.isNull() ? pixels.y() : event->angleDelta().y() / 120.0 * 60;
    scrollTo(m_scroll - delta);
    event->accept();
}

void OverlayView::mousePressEvent(QMouseEvent* event)
{
    m_press.reset();
    m_pressOnBackdrop = false;
    m_pressOnBannerButton = false;
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPointF at = event->position();
    const Frames f = frames();
    if (f.bannerButton && f.bannerButton->contains(at)) {
        m_pressOnBannerButton = true;
        return;
    }
    TileFrame frame;
    if (const OverlayTile* tile = tileAt(at, &frame)) {
        Press press{at, tile->id, Press::Part::other, -1};
        for (std::size_t a = 0; a < frame.appIcons.size(); ++a) {
            if (frame.appIcons[a].contains(at)) {
                press.part = Press::Part::appIcon;
                press.appIndex = int(a);
            }
        }
        if (press.part == Press::Part::other) {
            if (frame.automationMark && frame.automationMark->contains(at))
                press.part = Press::Part::automation;
            else if (frame.card.contains(at))
                press.part = Press::Part::card;
            else if (frame.name.contains(at))
                press.part = Press::Part::name;
        }
        m_press = press;
        return;
    }
    // The whole header (title, search, hints) and the banner belong to the content;
    // everything else is the backdrop.
    const bool onContent = f.header.contains(at) || f.pill.contains(at) || (f.banner && f.banner->contains(at));
    m_pressOnBackdrop = !onContent;
}

void OverlayView::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF at = event->position();
    if (m_press && (event->buttons() & Qt::LeftButton)
        && (at - m_press->at).manhattanLength() >= QApplication::startDragDistance()) {
        const QString id = m_press->tileID;
        m_press.reset();
        m_model.setDraggingID(id);
        auto* drag = new QDrag(this);
        auto* data = new QMimeData;
        data->setText(id);
        drag->setMimeData(data);
        if (const OverlayTile* tile = tileByID(id)) {
            const QImage picture = cardPicture(*tile, m_model.tileSize().toSize());
            if (!picture.isNull()) {
                QImage shown = picture.scaledToWidth(160, Qt::SmoothTransformation);
                shown.setDevicePixelRatio(1);
                drag->setPixmap(QPixmap::fromImage(shown));
            }
        }
        QPointer<OverlayView> self(this);
        drag->exec(Qt::MoveAction | Qt::CopyAction);
        // However the drag ended (on a tile, elsewhere, cancelled), nothing is being dragged now.
        if (self && self->m_model.draggingID() == id)
            self->m_model.setDraggingID(std::nullopt);
        return;
    }
    const OverlayTile* tile = tileAt(at);
    setHovered(tile ? std::optional<QString>(tile->id) : std::nullopt);
}

void OverlayView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPointF at = event->position();
    const Frames f = frames();
    if (m_pressOnBannerButton) {
        m_pressOnBannerButton = false;
        if (f.bannerButton && f.bannerButton->contains(at))
            Permissions::requestScreenRecording();
        return;
    }
    if (m_pressOnBackdrop) {
        m_pressOnBackdrop = false;
        if (!tileAt(at)) {
            if (auto close = m_model.onClose)
                close();
        }
        return;
    }
    if (!m_press)
        return;
    const Press press = *m_press;
    m_press.reset();
    const OverlayTile* found = tileByID(press.tileID);
    if (!found)
        return;
    const OverlayTile tile = *found; // the callbacks may rebuild the model
    switch (press.part) {
    case Press::Part::card:
    case Press::Part::automation:
        // Ends any rename first, then commits this tile without selecting it.
        m_model.setEditingID(std::nullopt);
        if (auto commit = m_model.onCommit)
            commit(tile.space);
        break;
    case Press::Part::appIcon:
        if (press.appIndex >= 0 && std::size_t(press.appIndex) < tile.apps.size()) {
            if (auto focus = m_model.onFocusApp)
                focus(tile.space, tile.apps[std::size_t(press.appIndex)]);
        }
        break;
    case Press::Part::name:
        m_model.setSelectedID(tile.id);
        break;
    case Press::Part::other:
        break;
    }
}

void OverlayView::mouseDoubleClickEvent(QMouseEvent* event)
{
    TileFrame frame;
    const OverlayTile* tile = tileAt(event->position(), &frame);
    if (tile && frame.name.contains(event->position())) {
        beginRename(tile->id);
        return;
    }
    // Anything else counts as a second click of its own.
    mousePressEvent(event);
}

void OverlayView::leaveEvent(QEvent* event)
{
    setHovered(std::nullopt);
    QWidget::leaveEvent(event);
}

bool OverlayView::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        TileFrame frame;
        if (const OverlayTile* tile = tileAt(help->pos(), &frame)) {
            for (std::size_t a = 0; a < frame.appIcons.size() && a < tile->apps.size(); ++a) {
                if (frame.appIcons[a].contains(help->pos())) {
                    QToolTip::showText(help->globalPos(), tile->apps[a].name, this);
                    return true;
                }
            }
            if (frame.automationMark && frame.automationMark->contains(help->pos())) {
                QToolTip::showText(help->globalPos(), tr("Runs an automation when you enter"), this);
                return true;
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

void OverlayView::contextMenuEvent(QContextMenuEvent* event)
{
    if (const OverlayTile* tile = tileAt(event->pos()))
        showTileMenu(tile->id, event->globalPos());
}

void OverlayView::showTileMenu(const QString& tileID, const QPoint& globalPos)
{
    const OverlayTile* tile = tileByID(tileID);
    if (!tile)
        return;
    QPointer<OverlayView> self(this);
    TileMenu::Actions actions;
    actions.beginRename = [self](const QString& id) {
        if (self)
            self->beginRename(id);
    };
    QMenu* menu = MenuAdapter::build(TileMenu::items(*tile, m_model, m_alerts, m_chooser, std::move(actions)), m_scheduler,
                                     this, true);
    menu->popup(globalPos);
}

// ---- drag and drop ----

void OverlayView::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasText())
        event->acceptProposedAction();
    else
        event->ignore();
}

void OverlayView::dragMoveEvent(QDragMoveEvent* event)
{
    const OverlayTile* tile = event->mimeData()->hasText() ? tileAt(event->position()) : nullptr;
    const std::optional<QString> target = tile ? std::optional<QString>(tile->id) : std::nullopt;
    if (target != m_dropTarget) {
        m_dropTarget = target;
        repaintAll();
    }
    if (tile)
        event->acceptProposedAction();
    else
        event->ignore();
}

void OverlayView::dragLeaveEvent(QDragLeaveEvent* event)
{
    m_dropTarget.reset();
    repaintAll();
    QWidget::dragLeaveEvent(event);
}

void OverlayView::dropEvent(QDropEvent* event)
{
    m_dropTarget.reset();
    m_shownLook.reset();
    const OverlayTile* tile = tileAt(event->position());
    if (!tile) {
        event->ignore();
        update();
        return;
    }
    m_model.setDraggingID(std::nullopt);
    if (!event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Any text is taken as the dragged id, also text from another application.
    const QString dragged = event->mimeData()->text();
    const QString target = tile->id;
    QPointer<OverlayViewModel> model(&m_model);
    m_scheduler.post([model, dragged, target] {
        if (model)
            model->moveTile(dragged, target);
    });
}

// ---- rename in place ----

void OverlayView::beginRename(const QString& id)
{
    m_model.setSelectedID(id);
    m_model.setEditingID(id);
}

void OverlayView::syncRenameField()
{
    const std::optional<QString>& editing = m_model.editingID();
    const OverlayTile* tile = editing ? tileByID(*editing) : nullptr;
    if (!tile) {
        if (m_renameField) {
            const bool hadFocus = m_renameField->hasFocus();
            m_renameField->hide();
            m_renameField->deleteLater();
            m_renameField = nullptr;
            if (hadFocus && window())
                window()->setFocus(Qt::OtherFocusReason);
        }
        m_renameFor.reset();
        return;
    }
    if (!m_renameField || m_renameFor != tile->id) {
        // Each showing starts from the stored name; text left from a dropped rename never returns.
        if (m_renameField) {
            m_renameField->hide();
            m_renameField->deleteLater();
        }
        auto* field = new RenameField(this);
        field->setPlaceholderText(tr("Name"));
        field->setFont(OverlayLayout::font(15, QFont::DemiBold));
        field->setFrame(false);
        field->setStyleSheet(QStringLiteral("QLineEdit { color: white; background: rgba(255,255,255,31); border: none;"
                                            " border-radius: 6px; padding: 3px 6px; }"));
        field->setText(tile->hasCustomName ? tile->name : QString());
        const QString id = tile->id;
        QPointer<OverlayView> self(this);
        QPointer<RenameField> guard(field);
        field->onSubmit = [self, guard, id] {
            if (!self || !guard)
                return;
            const QString text = guard->text().trimmed();
            self->m_model.store().setName(text.isEmpty() ? std::nullopt : std::optional<QString>(text), id);
            self->m_model.setEditingID(std::nullopt);
        };
        field->onCancel = [self] {
            if (self)
                self->m_model.setEditingID(std::nullopt);
        };
        m_renameField = field;
        m_renameFor = id;
        field->show();
        field->setFocus(Qt::OtherFocusReason);
    }
    const Frames f = frames();
    for (const TileFrame& frame : f.tiles) {
        if (frame.id == *m_renameFor) {
            const double h = QFontMetricsF(OverlayLayout::font(15, QFont::DemiBold)).height() + 8;
            m_renameField->setGeometry(QRectF(frame.name.left(), frame.name.center().y() - h / 2,
                                              frame.tile.right() - frame.name.left(), h)
                                           .toAlignedRect());
            m_renameField->setVisible(f.scrollArea.intersects(frame.tile));
        }
    }
}

} // namespace lumivast
