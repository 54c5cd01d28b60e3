#include "UI/Overview/OverlayView.h"

#include "Core/Demo/DemoMode.h"
#include "Core/Previews/ThumbnailService.h"
#include "Core/Spaces/HexColor.h"
#include "Core/Spaces/Permissions.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Platform/Platform.h"
#include "UI/MenuBar/BrandIcon.h"
#include "UI/Menus/MenuAdapter.h"
#include "UI/Overview/TileMenu.h"
#include "UI/Symbols/SymbolCatalogue.h"

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
#include <QPainterPath>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <set>

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
constexpr double kHoverScale = 1.015;
constexpr double kStripInset = 8;   // the app strip's distance from the card's corner
constexpr double kStripHeight = 30; // 22-point icons padded 4 above and below
// Motion.
constexpr Duration kFrame = 16ms;
constexpr Duration kTileAnimation = 120ms; // ease-out, hover and selection
constexpr double kSpringResponse = 0.28;   // seconds
constexpr double kSpringDamping = 0.9;
constexpr Duration kSpringSettled = 900ms;
// Closer than this to its end, the column is off by under a tenth of a pixel and half a colour level.
constexpr double kSpringUnseen = 0.002;
constexpr double kHiddenScale = 1.06;
// The backdrop.
constexpr double kBlurRadius = 36;
constexpr double kSaturation = 1.2;
constexpr double kBackdropDim = 0.42;
constexpr double kNoPictureWhite = 0.08;

// A symbol set in an N-pixel font stands about 1.2 N high.
constexpr double kSymbolScale = 1.2;

// The backdrop buffer of the last closed overview, ready for the next opening.
QImage& spareBackdrop()
{
    static QImage spare;
    return spare;
}

// A tile's preview as drawn, kept from one opening to the next: decoding
// sixteen previews at every opening would cost more than the rest of it.
// An entry holds the data it was made from, so a changed preview never
// passes for the old one.
struct CachedPicture {
    QByteArray data;
    QImage decoded; // the source when the preview is held decoded
    QSize sourceSize;
    QSize cardSize;
    qreal dpr = 0;
    double radius = 0;
    QImage card;    // the preview cut to the card's rounded outline, in device pixels
    bool standIn = false; // scaled from another size until the picture is made at this one
};

// Two sizes per tile: a search that narrows the grid and the erasing that
// widens it again switch between two tile sizes, and neither decodes anew.
constexpr std::size_t kSizesPerTile = 2;

std::map<QString, std::vector<CachedPicture>>& pictureCache()
{
    static std::map<QString, std::vector<CachedPicture>> cache;
    return cache;
}

// What a tile's picture is made from: a preview's compressed data, or a
// picture held decoded (demo pictures, previews that could not be compressed).
struct PictureSource {
    std::optional<PreviewImage> preview;
    QImage image;
    QSize size;

    bool isNull() const { return size.isEmpty(); }
    QByteArray data() const { return preview ? preview->data() : QByteArray(); }
    bool made(const CachedPicture& c) const
    {
        const QByteArray bytes = data();
        const bool same = bytes.isEmpty() ? (c.data.isEmpty() && !image.isNull() && c.decoded.cacheKey() == image.cacheKey())
                                          : c.data.constData() == bytes.constData();
        return same && c.sourceSize == size && !c.card.isNull();
    }
};

PictureSource pictureSource(const OverlayTile& tile, const ThumbnailService& thumbnails)
{
    PictureSource source;
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

// The tile's picture at that card size, made from that source; the entry
// found becomes the most recently used.
const QImage* heldPicture(const QString& id, const PictureSource& source, QSize cardSize, qreal dpr, double radius)
{
    const auto tile = pictureCache().find(id);
    if (tile == pictureCache().end())
        return nullptr;
    std::vector<CachedPicture>& sizes = tile->second;
    const auto it = std::find_if(sizes.begin(), sizes.end(), [&](const CachedPicture& c) {
        return !c.standIn && c.cardSize == cardSize && c.dpr == dpr && c.radius == radius && source.made(c);
    });
    if (it == sizes.end())
        return nullptr;
    std::rotate(sizes.begin(), it, it + 1);
    return &sizes.front().card;
}

// The same picture at another card size (or standing in at this one), if one is held.
const CachedPicture* pictureAtOtherSize(const QString& id, const PictureSource& source, QSize cardSize, qreal dpr,
                                        double radius)
{
    const auto tile = pictureCache().find(id);
    if (tile == pictureCache().end())
        return nullptr;
    const CachedPicture* other = nullptr;
    for (const CachedPicture& c : tile->second) {
        if (c.dpr != dpr || c.radius != radius || !source.made(c))
            continue;
        if (c.standIn && c.cardSize == cardSize)
            return &c;
        if (!c.standIn && !other)
            other = &c;
    }
    return other;
}

QPainterPath rounded(const QRectF& rect, double radius);

int& picturesMadeSoFar()
{
    static int made = 0;
    return made;
}

// Decodes the picture straight at the card's size in device pixels, cuts it
// to the card's outline and keeps it; it replaces the entry of that size or,
// with none, the one used longest ago.
QImage makePicture(const QString& id, const PictureSource& source, QSize cardSize, qreal dpr, double radius)
{
    const QSize pixels(std::max(1, int(std::lround(cardSize.width() * dpr))), std::max(1, int(std::lround(cardSize.height() * dpr))));
    const QSize cover = source.size.scaled(pixels, Qt::KeepAspectRatioByExpanding).expandedTo(QSize(1, 1));
    const QByteArray data = source.data();
    QImage image = !data.isEmpty() ? source.preview->image(cover) : source.image;
    if (image.isNull())
        return {}; // data that no longer decodes: the placeholder is drawn
    if (image.size() != cover)
        image = image.scaled(cover, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    ++picturesMadeSoFar();
    // Cut once: a clip path per card and frame costs more than the drawing itself.
    QImage card(pixels, QImage::Format_ARGB32_Premultiplied);
    card.setDevicePixelRatio(dpr);
    card.fill(Qt::transparent);
    image.setDevicePixelRatio(dpr);
    {
        QPainter p(&card);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const QRectF area(QPointF(0, 0), QSizeF(cardSize));
        p.setClipPath(rounded(area, radius));
        const QSizeF shown = QSizeF(image.size()) / dpr;
        p.drawImage(QRectF(area.center().x() - shown.width() / 2, area.center().y() - shown.height() / 2, shown.width(),
                           shown.height()),
                    image);
    }

    std::vector<CachedPicture>& sizes = pictureCache()[id];
    std::erase_if(sizes, [&](const CachedPicture& c) { return c.cardSize == cardSize; });
    if (sizes.size() >= kSizesPerTile)
        sizes.pop_back();
    sizes.insert(sizes.begin(), CachedPicture{data, data.isEmpty() ? source.image : QImage(), source.size, cardSize, dpr,
                                              radius, card});
    return card;
}

// A stand-in at `cardSize`, scaled once from the picture at another size:
// enlarged, its rounded corners grow too, so it is drawn that much larger and
// cut to the card's outline. It is kept until the picture is made at this size.
QImage makeStandIn(const QString& id, const CachedPicture& other, QSize cardSize, qreal dpr, double radius)
{
    const CachedPicture from = other; // the cache changes below
    const QSize pixels(std::max(1, int(std::lround(cardSize.width() * dpr))), std::max(1, int(std::lround(cardSize.height() * dpr))));
    QImage card(pixels, QImage::Format_ARGB32_Premultiplied);
    card.setDevicePixelRatio(dpr);
    card.fill(Qt::transparent);
    {
        QPainter p(&card);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const QRectF area(QPointF(0, 0), QSizeF(cardSize));
        const QSizeF held = QSizeF(from.cardSize);
        const double k = std::max(area.width() / std::max(1.0, held.width()), area.height() / std::max(1.0, held.height()));
        const double over = std::max(0.0, (k - 1) * radius);
        p.setClipPath(rounded(area, radius));
        p.drawImage(area.adjusted(-over, -over, over, over), from.card);
    }
    std::vector<CachedPicture>& sizes = pictureCache()[id];
    std::erase_if(sizes, [&](const CachedPicture& c) { return c.cardSize == cardSize; });
    if (sizes.size() >= kSizesPerTile)
        sizes.pop_back();
    sizes.insert(sizes.begin(), CachedPicture{from.data, from.decoded, from.sourceSize, cardSize, dpr, radius, card, true});
    return card;
}

// The drawing buffer of the content at rest, kept from one opening to the next.
QImage& spareLayer()
{
    static QImage spare;
    return spare;
}

const QString kAutomationTip = QStringLiteral("Runs an automation when you enter");

QFont pixelFont(double pixelSize, QFont::Weight weight)
{
    QFont f = QApplication::font();
    f.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    f.setWeight(weight);
    return f;
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

QPixmap symbolPixmap(const QString& name, double side, const QColor& color)
{
    // Symbols are drawn from vector files; one per name, size and colour is enough.
    static std::map<std::tuple<QString, int, QRgb>, QPixmap> cache;
    const int px = std::max(1, int(std::lround(side)));
    const auto key = std::make_tuple(name, px, color.rgba());
    if (const auto it = cache.find(key); it != cache.end())
        return it->second;
    QPixmap pixmap = SymbolCatalogue::image(name, px, color);
    if (cache.size() > 512)
        cache.clear();
    cache.emplace(key, pixmap);
    return pixmap;
}

void drawSymbol(QPainter& p, const QString& name, const QRectF& box, double side, const QColor& color)
{
    const QPixmap pixmap = symbolPixmap(name, side, color);
    if (pixmap.isNull())
        return;
    const QSizeF size = QSizeF(pixmap.size()) / pixmap.devicePixelRatio();
    p.drawPixmap(QRectF(box.center().x() - size.width() / 2, box.center().y() - size.height() / 2, size.width(),
                        size.height()),
                 pixmap, QRectF(pixmap.rect()));
}

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

QImage shadowImage(QSize card, double radius, double blur)
{
    const int margin = int(std::ceil(blur * 2));
    QImage image(card + QSize(2 * margin, 2 * margin), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(rounded(QRectF(margin, margin, card.width(), card.height()), radius), Qt::black);
    }
    boxBlur(image, std::max(1, int(std::lround(blur / 2))));
    return image;
}

QString elided(const QString& text, const QFont& f, double width, Qt::TextElideMode mode = Qt::ElideRight)
{
    return QFontMetricsF(f).elidedText(text, mode, std::max(0.0, width));
}

struct PillLook {
    QFont font;
    QString text;
    double width;
    double height;
};
PillLook pillLook(const QString& query, double maxWidth);

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

OverlayView::OverlayView(Scheduler& scheduler, OverlayViewModel& model, qreal radius, AlertService& alerts,
                         FileChooser& chooser, QWidget* parent)
    : QWidget(parent)
    , m_scheduler(scheduler)
    , m_model(model)
    , m_radius(radius)
    , m_alerts(alerts)
    , m_chooser(chooser)
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
    std::erase_if(pictureCache(), [&known](const auto& entry) { return !known.contains(entry.first); });
}

OverlayView::~OverlayView()
{
    if (!m_backdrop.isNull())
        spareBackdrop() = std::move(m_backdrop);
    if (m_layer)
        spareLayer() = std::move(*m_layer);
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
        const bool empty = m_lastQuery.isEmpty();
        m_pillFrom = pillNow();
        m_pillTo = PillState{pillLook(m_lastQuery, (width() - 2 * kSidePadding) * 0.4).width, empty ? 0.06 : 0.14,
                             empty ? 0.45 : 0.95};
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

QRect OverlayView::tileArea(const QRectF& tile) const
{
    // The shadows (blur 18, 6 down), the hover growth and the drop marker left of the tile.
    return tile.adjusted(-48, -48, 48, 54).toAlignedRect();
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
                    dirty += tileArea(frame.tile);
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

namespace {

PillLook pillLook(const QString& query, double maxWidth)
{
    const bool empty = query.isEmpty();
    PillLook look;
    look.font = pixelFont(14, empty ? QFont::Normal : QFont::DemiBold);
    const QFontMetricsF metrics(look.font);
    const double fixed = 12 + 13 * kSymbolScale + 7 + (empty ? 0 : 7 + 1.5) + 12;
    const QString shown = empty ? QStringLiteral("Search Spaces and apps") : query;
    // A long search shows its end, where the typing happens.
    look.text = elided(shown, look.font, std::max(20.0, maxWidth - fixed), empty ? Qt::ElideRight : Qt::ElideLeft);
    look.width = fixed + metrics.horizontalAdvance(look.text);
    look.height = std::max({metrics.height(), 13 * kSymbolScale, 16.0}) + 14;
    return look;
}

double tileHeight(const OverlayTile& tile, QSizeF size)
{
    double h = size.height() + kTileSpacing + kTitleRowHeight;
    if (tile.note)
        h += kTileSpacing + QFontMetricsF(pixelFont(12, QFont::Normal)).height();
    return h;
}

QString bannerText()
{
    return OverlayView::tr("Previews need Screen Recording permission. Grant it in %1, then relaunch Lumivast.")
        .arg(Platform::current().parts().words().systemSettings);
}

QString bannerButtonText()
{
    return OverlayView::tr("Open %1").arg(Platform::current().parts().words().systemSettings);
}

// The desktop number's badge in the card's top-left corner.
QRectF numberBadge(const QRectF& card, int number)
{
    const QFontMetricsF m(pixelFont(12, QFont::Bold));
    return QRectF(card.left() + 10, card.top() + 10, m.horizontalAdvance(QString::number(number)) + 16, m.height() + 8);
}

QString moreAppsText(std::size_t hidden)
{
    return hidden > 0 ? QStringLiteral("+%1").arg(hidden) : QString();
}

} // namespace

QString OverlayView::headerHints(double room)
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

double OverlayView::stripWidth(std::size_t shown, std::size_t apps)
{
    double w = 12 + double(shown) * 22 + double(shown > 0 ? shown - 1 : 0) * 4;
    if (shown < apps)
        w += 4 + QFontMetricsF(pixelFont(11, QFont::Bold)).horizontalAdvance(moreAppsText(apps - shown));
    return w;
}

std::size_t OverlayView::stripIcons(double cardWidth, std::size_t apps)
{
    std::size_t shown = std::min<std::size_t>(apps, 6);
    while (shown > 1 && stripWidth(shown, apps) > cardWidth - 2 * kStripInset)
        --shown;
    return shown;
}

OverlayView::PillState OverlayView::pillNow() const
{
    const double t = easeOut(double((m_scheduler.now() - m_pillStart).count())
                             / double(std::chrono::duration_cast<Duration>(kTileAnimation).count()));
    const auto lerp = [t](double a, double b) { return a + (b - a) * t; };
    return PillState{lerp(m_pillFrom.width, m_pillTo.width), lerp(m_pillFrom.fill, m_pillTo.fill),
                     lerp(m_pillFrom.ink, m_pillTo.ink)};
}

OverlayView::Frames OverlayView::frames() const
{
    Frames f;
    const double width = this->width();
    const QFont titleFont = pixelFont(26, QFont::DemiBold);
    const PillLook pill = pillLook(m_model.query(), (width - 2 * kSidePadding) * 0.4);
    const double headerHeight = std::max({QFontMetricsF(titleFont).height(), pill.height,
                                          QFontMetricsF(pixelFont(13, QFont::Normal)).height()});
    f.header = QRectF(kSidePadding, kTopPadding, width - 2 * kSidePadding, headerHeight);
    const double titleWidth = QFontMetricsF(titleFont).horizontalAdvance(tr("Spaces"));
    f.pill = QRectF(f.header.left() + titleWidth + 16, f.header.center().y() - pill.height / 2, pill.width, pill.height);
    f.hints = QRectF(f.pill.right() + 16, f.header.top(), std::max(0.0, f.header.right() - (f.pill.right() + 16)), f.header.height());
    double y = f.header.bottom() + kColumnSpacing;
    if (m_model.needsScreenRecording()) {
        const double h = std::max({18 * kSymbolScale, QFontMetricsF(pixelFont(13, QFont::Normal)).height(), 22.0}) + 24;
        f.banner = QRectF(kSidePadding, y, width - 2 * kSidePadding, h);
        const double buttonWidth = QFontMetricsF(pixelFont(12, QFont::Medium)).horizontalAdvance(bannerButtonText()) + 20;
        f.bannerButton = QRectF(f.banner->right() - 16 - buttonWidth, f.banner->center().y() - 11, buttonWidth, 22);
        y = f.banner->bottom() + kColumnSpacing;
    }
    f.scrollArea = QRectF(0, y, width, std::max(0.0, height() - y));

    // The sections, in content coordinates first.
    const QSizeF size = m_model.tileSize();
    const int columns = std::max(1, m_model.columns());
    const QFontMetricsF sectionMetrics(pixelFont(12, QFont::DemiBold));
    const QFontMetricsF noteMetrics(pixelFont(12, QFont::Normal));
    double cy = 0;
    bool first = true;
    const double top = f.scrollArea.top() - m_scroll;
    for (const OverlaySection& section : m_model.sections()) {
        if (!first)
            cy += kSectionSpacing;
        first = false;
        if (!section.title.isEmpty()) {
            f.sectionTitles.emplace_back(QRectF(kSidePadding, top + cy, width - 2 * kSidePadding, sectionMetrics.height()),
                                         section.title);
            cy += sectionMetrics.height() + kTitleSpacing;
        }
        for (std::size_t start = 0; start < section.tiles.size(); start += std::size_t(columns)) {
            const std::size_t end = std::min(section.tiles.size(), start + std::size_t(columns));
            double rowHeight = 0;
            for (std::size_t i = start; i < end; ++i) {
                const OverlayTile& tile = section.tiles[i];
                const double h = tileHeight(tile, size);
                rowHeight = std::max(rowHeight, h);
                TileFrame frame;
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
                if (!tile.apps.empty()) {
                    const std::size_t shown = stripIcons(size.width(), tile.apps.size());
                    for (std::size_t a = 0; a < shown; ++a)
                        frame.appIcons.emplace_back(frame.card.left() + 8 + 6 + double(a) * (22 + 4),
                                                    frame.card.bottom() - 8 - 4 - 22, 22, 22);
                }
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
    if (m_model.sections().empty() || m_model.allTiles().empty()) {
        if (!m_model.query().isEmpty()) {
            if (!m_model.sections().empty())
                cy += kSectionSpacing;
            const double h = QFontMetricsF(pixelFont(15, QFont::Normal)).height() * 2.4;
            f.noMatch = QRectF(kSidePadding, top + cy, width - 2 * kSidePadding, h);
            cy += h;
        }
    }
    f.contentHeight = cy + kBottomPadding;
    return f;
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

QImage OverlayView::blurred(const QImage& picture)
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

void OverlayView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_backdropKey = -1; // drawn again at the new size
    m_shownLook.reset();
    clampScroll();
    // The view gets its size only as the overview opens: the selection made
    // before then (the active Space) is brought into sight now.
    revealSelection();
    syncRenameField();
}

void OverlayView::paintBackdrop(QPainter& p)
{
    const std::optional<QImage>& wallpaper = m_model.wallpaper();
    if (!wallpaper || wallpaper->isNull()) {
        // The grey under the dimming layer, in one pass; a screen-sized buffer
        // for one colour would cost its size in memory and page faults.
        const float grey = float(kNoPictureWhite * (1 - kBackdropDim));
        if (!m_backdrop.isNull())
            spareBackdrop() = std::move(m_backdrop);
        m_backdrop = QImage();
        m_backdropKey = 0;
        p.save();
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(rect(), QColor::fromRgbF(grey, grey, grey));
        p.restore();
        return;
    }
    const qint64 key = wallpaper->cacheKey();
    // Kept at the screen's pixel density, so each frame copies it without scaling.
    const qreal dpr = devicePixelRatioF();
    const QSize pixels = (QSizeF(size().expandedTo(QSize(1, 1))) * dpr).toSize();
    if (key != m_backdropKey || m_backdrop.size() != pixels) {
        // Once per picture: the blur never runs per frame.
        m_backdropKey = key;
        // A screen-sized buffer left by the last opening is painted over: a fresh one
        // costs its whole size in page faults before the first frame.
        QImage& spare = spareBackdrop();
        if (spare.size() == pixels && spare.format() == QImage::Format_RGB32)
            m_backdrop = std::move(spare);
        else
            m_backdrop = QImage(pixels, QImage::Format_RGB32);
        spare = QImage();
        m_backdrop.setDevicePixelRatio(dpr);
        QPainter bp(&m_backdrop);
        const QRectF area(QPointF(0, 0), QSizeF(pixels) / dpr);
        const QImage soft = blurred(*wallpaper);
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

void OverlayView::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.setClipRegion(event->region());
    paintBackdrop(p);

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
        QImage& spare = spareLayer();
        m_layer = spare.size() == pixels ? std::move(spare) : QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        spare = QImage();
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
            return heldPicture(tileID, pictureSource(*tile, m_model.thumbnails()), frame.card.size().toSize(),
                               devicePixelRatioF(), m_radius);
    }
    return false;
}

int OverlayView::picturesMade()
{
    return picturesMadeSoFar();
}

bool OverlayView::isEasing() const
{
    const Duration now = m_scheduler.now();
    const auto easing = [now](const auto& entry) { return now - entry.second.start < kTileAnimation; };
    return now - m_pillStart < kTileAnimation || std::any_of(m_hoverTweens.begin(), m_hoverTweens.end(), easing)
        || std::any_of(m_selectTweens.begin(), m_selectTweens.end(), easing);
}

void OverlayView::paintContent(QPainter& p, const QRect& repainted, bool unscaled)
{
    const Frames f = frames();
    paintHeader(p, f);
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
        if (unscaled && !tileArea(f.tiles[i].tile).intersects(repainted))
            continue;
        if (f.tiles[i].tile.adjusted(-30, -30, 30, 30).intersects(visible))
            paintTile(p, tiles[i], f.tiles[i]);
    }
    if (f.noMatch) {
        p.setFont(pixelFont(15, QFont::Normal));
        p.setPen(white(0.7));
        const QString text = tr("No Space matches \u201C%1\u201D. Press Delete to edit the search or Esc to clear it.")
                                 .arg(m_model.query());
        p.drawText(*f.noMatch, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    }
    p.restore();
}

void OverlayView::paintHeader(QPainter& p, const Frames& f)
{
    const QFont titleFont = pixelFont(26, QFont::DemiBold);
    p.setFont(titleFont);
    p.setPen(Qt::white);
    p.drawText(f.header, Qt::AlignLeft | Qt::AlignVCenter, tr("Spaces"));

    // The pill, easing its size and shades after each change of the search.
    const bool empty = m_model.query().isEmpty();
    const PillLook look = pillLook(m_model.query(), (width() - 2 * kSidePadding) * 0.4);
    PillState state = pillNow();
    if (state.width <= 0)
        state = PillState{look.width, empty ? 0.06 : 0.14, empty ? 0.45 : 0.95};
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
    p.drawText(hints, Qt::AlignRight | Qt::AlignVCenter, headerHints(hints.width()));
}

void OverlayView::paintBanner(QPainter& p, const Frames& f)
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
               elided(bannerText(), textFont, room));
    p.fillPath(rounded(*f.bannerButton, 5), QColor(0x0A, 0x84, 0xFF));
    p.setFont(pixelFont(12, QFont::Medium));
    p.setPen(Qt::white);
    p.drawText(*f.bannerButton, Qt::AlignCenter, bannerButtonText());
}

QImage OverlayView::cardPicture(const OverlayTile& tile, QSize cardSize)
{
    const PictureSource source = pictureSource(tile, m_model.thumbnails());
    if (source.isNull())
        return {};
    const qreal dpr = devicePixelRatioF();
    if (const QImage* held = heldPicture(tile.id, source, cardSize, dpr, m_radius))
        return *held;
    if (!m_exactPictures) {
        // The same picture at the grid's other size stands in, scaled, for
        // this frame; the right size is made after it.
        if (const CachedPicture* other = pictureAtOtherSize(tile.id, source, cardSize, dpr, m_radius)) {
            refineLater(tile, cardSize);
            return other->cardSize == cardSize ? other->card : makeStandIn(tile.id, *other, cardSize, dpr, m_radius);
        }
    }
    return makePicture(tile.id, source, cardSize, dpr, m_radius);
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
        const PictureSource source = pictureSource(tile, m_model.thumbnails());
        if (source.isNull() || heldPicture(tile.id, source, cardSize, dpr, m_radius))
            continue;
        makePicture(tile.id, source, cardSize, dpr, m_radius);
        m_layerLook.reset(); // the layer, if any, holds the stand-in
        if (isAtRest())
            update(tileArea(frame->tile));
        else
            update();
        break;
    }
    if (!m_unrefined.empty())
        m_refining = m_scheduler.after(Duration::zero(), [this] { refineNext(); });
}

const QImage& OverlayView::shadowFor(QSize cardSize, double blur, double strength)
{
    // Shadows depend on nothing but their size and strength: made once, at the screen's pixel density.
    static std::map<std::tuple<int, int, int, int, int, int>, QImage> cache;
    const qreal dpr = devicePixelRatioF();
    const auto key = std::make_tuple(cardSize.width(), cardSize.height(), int(blur), int(std::lround(dpr * 100)),
                                     int(std::lround(m_radius * 100)), int(std::lround(strength * 1000)));
    auto it = cache.find(key);
    if (it == cache.end()) {
        if (cache.size() > 64)
            cache.clear();
        QImage image = shadowImage(QSize(int(std::lround(cardSize.width() * dpr)), int(std::lround(cardSize.height() * dpr))),
                                   m_radius * dpr, blur * dpr);
        if (strength < 1) {
            QPainter sp(&image);
            sp.setCompositionMode(QPainter::CompositionMode_DestinationIn);
            sp.fillRect(image.rect(), black(strength));
        }
        image.setDevicePixelRatio(dpr);
        it = cache.emplace(key, std::move(image)).first;
    }
    return it->second;
}

const QImage& OverlayView::borderFor(QSize cardSize, double lineWidth, const QColor& color)
{
    static std::map<std::tuple<int, int, int, QRgb, int, int>, QImage> cache;
    const qreal dpr = devicePixelRatioF();
    const auto key = std::make_tuple(cardSize.width(), cardSize.height(), int(std::lround(lineWidth * 100)), color.rgba(),
                                     int(std::lround(dpr * 100)), int(std::lround(m_radius * 100)));
    auto it = cache.find(key);
    if (it == cache.end()) {
        if (cache.size() > 256)
            cache.clear();
        QImage ring(QSize(std::max(1, int(std::lround(cardSize.width() * dpr))), std::max(1, int(std::lround(cardSize.height() * dpr)))),
                    QImage::Format_ARGB32_Premultiplied);
        ring.setDevicePixelRatio(dpr);
        ring.fill(Qt::transparent);
        QPainter rp(&ring);
        rp.setRenderHint(QPainter::Antialiasing);
        rp.setPen(QPen(color, lineWidth));
        rp.setBrush(Qt::NoBrush);
        const double inset = lineWidth / 2;
        const QRectF area(QPointF(0, 0), QSizeF(cardSize));
        rp.drawPath(rounded(area.adjusted(inset, inset, -inset, -inset), std::max(0.0, m_radius - inset)));
        rp.end();
        it = cache.emplace(key, std::move(ring)).first;
    }
    return it->second;
}

QImage OverlayView::appIcon(const SpaceContents::AppOnSpace& app)
{
    const auto it = m_appIcons.find(app.pid);
    if (app.pid >= 0 && it != m_appIcons.end())
        return it->second;
    const qreal dpr = devicePixelRatioF();
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

void OverlayView::paintTile(QPainter& p, const OverlayTile& tile, const TileFrame& frame)
{
    p.save();
    if (m_model.draggingID() == tile.id)
        p.setOpacity(p.opacity() * 0.4);
    paintCard(p, tile, frame);

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
    if (m_dropTarget == tile.id) {
        p.setOpacity(1);
        p.fillPath(capsule(QRectF(frame.tile.left() - 16 - 2, frame.tile.top(), 4, frame.tile.height())), Qt::white);
    }
    p.restore();
}

void OverlayView::paintCard(QPainter& p, const OverlayTile& tile, const TileFrame& frame)
{
    const double selected = tween(m_selectTweens, tile.id, m_model.selectedID() == tile.id ? 1 : 0);
    const double hover = tween(m_hoverTweens, tile.id, 0);
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
        const double margin = std::ceil(blur * devicePixelRatioF() * 2) / devicePixelRatioF();
        const QPointF at(card.left() - margin, card.top() - margin + 6);
        if (still) {
            p.drawImage(at, shadowFor(cardSize, blur, alpha));
            return;
        }
        p.save();
        p.setOpacity(p.opacity() * alpha);
        p.drawImage(at, shadowFor(cardSize, blur, 1));
        p.restore();
    };
    const double shown = still ? std::round(selected) : selected;
    drawShadow(10, 0.3 * (1 - shown));
    drawShadow(18, 0.5 * shown);

    const QImage picture = cardPicture(tile, cardSize);
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
                    borderFor(cardSize, 1 + 2 * rest, mix(white(0.18), selectedColor, rest)));
    } else {
        p.setPen(QPen(borderColor, lineWidth));
        p.setBrush(Qt::NoBrush);
        p.drawPath(rounded(card.adjusted(inset, inset, -inset, -inset), std::max(0.0, m_radius - inset)));
    }

    // Badges.
    if (tile.number) {
        const QFont f = pixelFont(12, QFont::Bold);
        const QString text = QString::number(*tile.number);
        const QRectF badge = numberBadge(card, *tile.number);
        p.fillPath(capsule(badge), black(0.55));
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(badge, Qt::AlignCenter, text);
    }
    if (tile.isActive) {
        const QFont f = pixelFont(11, QFont::DemiBold);
        const QString text = tr("Current");
        const QFontMetricsF m(f);
        const double w = m.horizontalAdvance(text) + 16;
        const QRectF badge(card.right() - 10 - w, card.top() + 10, w, m.height() + 8);
        p.fillPath(capsule(badge), white(0.9));
        p.setFont(f);
        p.setPen(Qt::black);
        p.drawText(badge, Qt::AlignCenter, text);
    }
    if (!tile.apps.empty()) {
        const std::size_t shown = stripIcons(card.width(), tile.apps.size());
        const QFont more = pixelFont(11, QFont::Bold);
        const QString moreText = moreAppsText(tile.apps.size() - shown);
        const QRectF strip(card.left() + kStripInset, card.bottom() - kStripInset - kStripHeight,
                           stripWidth(shown, tile.apps.size()), kStripHeight);
        p.fillPath(capsule(strip), black(0.55));
        for (std::size_t a = 0; a < shown; ++a) {
            const QRectF box(strip.left() + 6 + double(a) * 26, strip.top() + 4, 22, 22);
            const QImage icon = appIcon(tile.apps[a]);
            if (!icon.isNull())
                p.drawImage(box, icon);
            else
                drawSymbol(p, QStringLiteral("app"), box, 22, Qt::white);
        }
        if (!moreText.isEmpty()) {
            p.setFont(more);
            p.setPen(Qt::white);
            p.drawText(QRectF(strip.left() + 6 + double(shown) * 26, strip.top(), strip.right() - 6 - (strip.left() + 6 + double(shown) * 26),
                              strip.height()),
                       Qt::AlignLeft | Qt::AlignVCenter, moreText);
        }
    }
    if (frame.automationMark) {
        const QRectF mark = *frame.automationMark;
        QPainterPath circle;
        circle.addEllipse(mark);
        p.fillPath(circle, black(0.55));
        drawSymbol(p, QStringLiteral("bolt.fill"), mark, 11 * kSymbolScale, QColor(0xFF, 0xD6, 0x0A));
    }
    p.restore();
}

OverlayView::PlaceholderLayout OverlayView::placeholderLayout(const QRectF& card, const OverlayTile& tile)
{
    PlaceholderLayout layout;
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

void OverlayView::paintPlaceholder(QPainter& p, const OverlayTile& tile, const QRectF& card)
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

    const PlaceholderLayout layout = placeholderLayout(card, tile);
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

const OverlayTile* OverlayView::tileAt(const QPointF& point, const TileFrame** frameOut) const
{
    thread_local Frames f;
    f = frames();
    if (!f.scrollArea.contains(point))
        return nullptr;
    for (const TileFrame& frame : f.tiles) {
        if (frame.tile.contains(point)) {
            if (frameOut)
                *frameOut = &frame;
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
    const TileFrame* frame = nullptr;
    if (const OverlayTile* tile = tileAt(at, &frame)) {
        Press press{at, tile->id, Press::Part::other, -1};
        for (std::size_t a = 0; a < frame->appIcons.size(); ++a) {
            if (frame->appIcons[a].contains(at)) {
                press.part = Press::Part::appIcon;
                press.appIndex = int(a);
            }
        }
        if (press.part == Press::Part::other) {
            if (frame->automationMark && frame->automationMark->contains(at))
                press.part = Press::Part::automation;
            else if (frame->card.contains(at))
                press.part = Press::Part::card;
            else if (frame->name.contains(at))
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
    const TileFrame* frame = nullptr;
    const OverlayTile* tile = tileAt(event->position(), &frame);
    if (tile && frame->name.contains(event->position())) {
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
        const TileFrame* frame = nullptr;
        if (const OverlayTile* tile = tileAt(help->pos(), &frame)) {
            for (std::size_t a = 0; a < frame->appIcons.size() && a < tile->apps.size(); ++a) {
                if (frame->appIcons[a].contains(help->pos())) {
                    QToolTip::showText(help->globalPos(), tile->apps[a].name, this);
                    return true;
                }
            }
            if (frame->automationMark && frame->automationMark->contains(help->pos())) {
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
        field->setFont(pixelFont(15, QFont::DemiBold));
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
            const double h = QFontMetricsF(pixelFont(15, QFont::DemiBold)).height() + 8;
            m_renameField->setGeometry(QRectF(frame.name.left(), frame.name.center().y() - h / 2,
                                              frame.tile.right() - frame.name.left(), h)
                                           .toAlignedRect());
            m_renameField->setVisible(f.scrollArea.intersects(frame.tile));
        }
    }
}

} // namespace lumivast
