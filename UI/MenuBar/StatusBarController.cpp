#include "UI/MenuBar/StatusBarController.h"

#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceContents.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Core/Switching/SpaceNavigator.h"
#include "Platform/Coordinates.h"
#include "Platform/Platform.h"
#include "UI/MenuBar/BrandIcon.h"
#include "UI/Symbols/SymbolCatalogue.h"

#include <QPainter>
#include <QtMath>
#include <QPainterPath>
#include <QPointer>

#include <cmath>
#include <map>
#include <tuple>

namespace lumivast {

namespace K = Settings::Key;

namespace {

MenuBarStyle menuBarStyle()
{
    return fromRawValueOrFallback<MenuBarStyle>(Settings::defaults().string(K::menuBarStyle).value_or(QString()));
}

QImage blankImage(qreal width, qreal height, qreal devicePixelRatio)
{
    QImage image(qMax(1, qCeil(width * devicePixelRatio)), qMax(1, qCeil(height * devicePixelRatio)),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

// A font of `pixels` device-independent pixels; point sizes keep the fraction.
QFont pixelFont(qreal pixels, QFont::Weight weight)
{
    QFont font;
    font.setPointSizeF(pixels * 72.0 / 96.0);
    font.setWeight(weight);
    return font;
}

} // namespace

StatusBarController::StatusBarController(StatusItem& item, SpaceWatcher& watcher, SpaceStore& store,
                                         SpaceContents& contents, Scheduler& scheduler, AlertService& alerts,
                                         CommandSink& sink, const SpaceQueries& queries, QObject* parent)
    : QObject(parent)
    , m_item(item)
    , m_watcher(watcher)
    , m_store(store)
    , m_contents(contents)
    , m_scheduler(scheduler)
    , m_alerts(alerts)
    , m_sink(sink)
    , m_queries(queries)
    , m_lastSnapshot(SpaceSnapshot::empty())
{
    // Written only when absent: an arrangement the user made stays.
    if (!Settings::defaults().hasStoredValue(kPreferredPositionKey))
        Settings::defaults().set(kPreferredPositionKey, kPreferredPosition);

    QPointer<StatusBarController> self(this);
    m_item.onClick = [self](const StatusItem::Click& click) {
        if (self)
            self->clicked(click);
    };
    m_item.onScroll = [self](const StatusItem::Scroll& scroll) { return self && self->scrolled(scroll); };
    m_item.menuTree = [self] { return self ? self->menuTree() : std::vector<MenuItem>(); };
    update(m_watcher.snapshot());
}

std::vector<Space> StatusBarController::visibleSpaces(const DisplaySpaces& display) const
{
    const bool hideFullscreen = Settings::defaults().boolValue(K::hideFullscreenSpaces);
    const bool hideEmpty = Settings::defaults().boolValue(K::hideEmptySpaces);
    std::vector<Space> spaces;
    for (const Space& space : display.spaces) {
        if (display.activeSpaceID == space.id
            || !SpaceNavigator::hides(space, hideFullscreen, hideEmpty, m_contents.isEmpty(space)))
            spaces.push_back(space);
    }
    return spaces;
}

std::optional<StatusItem::Image> StatusBarController::iconImage(const Space& space, const QString&) const
{
    const qreal dpr = m_item.devicePixelRatio();
    if (const auto custom = m_store.customIcon(space)) {
        // The user's own picture keeps its colours.
        QImage image = blankImage(kImageHeight, kImageHeight, dpr);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QRectF(0, 0, kImageHeight, kImageHeight), *custom);
        return StatusItem::Image{image, false};
    }
    // The stored record decides, not the default symbol a desktop would get.
    if (!m_store.meta(space.id).symbol)
        return StatusItem::Image{BrandIcon::menuBarImage(space.indexOnDisplay % 4, dpr), true};
    const QPixmap symbol = SymbolCatalogue::image(m_store.symbol(space), int(kImageHeight), Qt::black, dpr);
    if (symbol.isNull())
        return std::nullopt;
    return StatusItem::Image{symbol.toImage(), true};
}

void StatusBarController::update(const SpaceSnapshot& snapshot)
{
    m_lastSnapshot = snapshot;
    const DisplaySpaces* display = snapshot.menuBarDisplay();
    const Space* active = display ? display->activeSpace() : nullptr;
    if (!active) {
        // The tooltip and the rest stay as they were.
        m_item.setTitle(QStringLiteral("Spaces"));
        m_item.setImage(std::nullopt);
        m_hasImage = false;
        return;
    }
    MenuBarStyle style = menuBarStyle();
    // A square slot shrinks a title to a few pixels: the icon shows, the name
    // stays in the tooltip. Hosts that draw the title as a label beside the
    // slot shrink only the image.
    const std::optional<qreal> slot = m_item.squareSlot();
    const bool titleShrinks = slot && !m_item.titleBesideSlot();
    if ((m_compactFallback || titleShrinks) && !showsAllSpaces(style))
        style = MenuBarStyle::iconOnly;
    if (slot && showsAllSpaces(style)
        && !stripFitsSquareSlot(visibleSpaces(*display).size(), style == MenuBarStyle::dots, *slot)) {
        style = MenuBarStyle::iconOnly;
        m_stripHits.clear(); // a click on the icon opens the menu
    }
    const QString name = m_store.displayName(*active);
    auto titleOf = [this, style](const Space& space) {
        const QString number = space.desktopNumber ? QString::number(*space.desktopNumber) : QStringLiteral("F");
        switch (style) {
        case MenuBarStyle::number:
            return number;
        case MenuBarStyle::numberAndName:
            return number + QStringLiteral("  ") + m_store.displayName(space);
        case MenuBarStyle::name:
            return m_store.displayName(space);
        default:
            return QString();
        }
    };

    if (showsAllSpaces(style)) {
        m_item.setImagePosition(StatusItem::ImagePosition::imageOnly);
        m_item.setTitle(QString());
        const QImage strip = stripImage(visibleSpaces(*display), style == MenuBarStyle::dots, m_item.devicePixelRatio(),
                                        &m_stripHits);
        m_item.setImage(StatusItem::Image{strip, true});
        m_hasImage = true;
    } else {
        m_item.setImagePosition(StatusItem::ImagePosition::imageLeading);
        m_item.setTitle(titleOf(*active));
        std::optional<StatusItem::Image> image;
        if (style == MenuBarStyle::iconOnly || Settings::defaults().boolValue(K::menuBarShowsIcon))
            image = iconImage(*active, name);
        m_item.setImage(image);
        m_hasImage = image.has_value();
    }
    if (m_item.titleBesideSlot()) {
        // The widest title any shown Space would give, so the host keeps room and does not jump.
        const QFontMetricsF metrics{QFont()};
        QString guide;
        for (const Space& space : visibleSpaces(*display)) {
            const QString title = titleOf(space);
            if (metrics.horizontalAdvance(title) > metrics.horizontalAdvance(guide))
                guide = title;
        }
        m_item.setTitleGuide(guide);
    }

    const auto note = m_store.meta(active->id).note;
    m_item.setToolTip(note ? name + QStringLiteral(": ") + *note : name + QStringLiteral(" \u00B7 Lumivast"));
    scheduleNotchCheck();
}

namespace {

// One cell of the strip (or one dot) at the origin, in black.
QImage drawCell(const QString& label, bool active, bool dots, qreal devicePixelRatio)
{
    QImage image = blankImage(dots ? StatusBarController::kDotSlotWidth : StatusBarController::kStripCellWidth,
                              StatusBarController::kImageHeight, devicePixelRatio);
    // Fonts in logical pixels whatever the density.
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    // The shapes in top-left coordinates: both are centred vertically.
    if (dots) {
        QPainterPath path;
        path.addEllipse(QRectF(1, 4.5, 7, 7));
        if (active)
            painter.fillPath(path, Qt::black);
        else
            painter.strokePath(path, QPen(Qt::black, 1.2));
        return image;
    }
    const QRectF cell(0, 1, StatusBarController::kStripCellWidth, 14);
    QPainterPath path;
    path.addRoundedRect(cell, 3.5, 3.5);
    // One character at 10.5 px, two or more at 9.
    painter.setFont(pixelFont(label.size() == 1 ? 10.5 : 9, QFont::Bold));
    const QFontMetricsF metrics(painter.font(), &image);
    const QSizeF size(metrics.horizontalAdvance(label), metrics.height());
    const QRectF labelRect(cell.center().x() - size.width() / 2, cell.center().y() - size.height() / 2 - 0.5,
                           size.width(), size.height());
    if (active) {
        // The label is cut out of the filled cell.
        painter.fillPath(path, Qt::black);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
    } else {
        painter.strokePath(path, QPen(Qt::black, 1.1));
    }
    painter.setPen(Qt::black);
    painter.drawText(labelRect, Qt::AlignCenter, label);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    return image;
}

// Cells repeat from one update to the next: each look is drawn once.
const QImage& cell(const QString& label, bool active, bool dots, qreal devicePixelRatio)
{
    static std::map<std::tuple<QString, bool, bool, qreal>, QImage> cache;
    auto key = std::make_tuple(dots ? QString() : label, active, dots, devicePixelRatio);
    if (const auto it = cache.find(key); it != cache.end())
        return it->second;
    if (cache.size() > 512)
        cache.clear();
    return cache.emplace(std::move(key), drawCell(label, active, dots, devicePixelRatio)).first->second;
}

} // namespace

bool StatusBarController::stripFitsSquareSlot(std::size_t count, bool dots, qreal slot)
{
    const qreal width = dots ? kDotSlotWidth : kStripCellWidth;
    const qreal gap = dots ? kDotGap : kStripGap;
    const auto n = qreal(count);
    // The tray item draws its look at least kSlotReference wide and high, and
    // the host shrinks that to fit the slot.
    const qreal drawnWidth = std::max(kSlotReference, n * width + std::max(0.0, n - 1) * gap);
    const qreal scale = std::min({1.0, slot / drawnWidth, slot / kSlotReference});
    return (width + gap) * scale >= kNarrowestPitch * slot / kSlotReference;
}

QImage StatusBarController::stripImage(const std::vector<Space>& spaces, bool dots, qreal devicePixelRatio,
                                       std::vector<StripHit>* hits)
{
    const qreal width = dots ? kDotSlotWidth : kStripCellWidth;
    const qreal gap = dots ? kDotGap : kStripGap;
    const qreal pitch = width + gap;
    const auto n = qreal(spaces.size());
    const qreal imageWidth = std::max(1.0, n * width + (n > 0 ? (n - 1) * gap : 0));
    QImage image = blankImage(imageWidth, kImageHeight, devicePixelRatio);

    std::vector<StripHit> targets;
    QPainter painter(&image);
    for (std::size_t i = 0; i < spaces.size(); ++i) {
        const Space& space = spaces[i];
        const qreal x = qreal(i) * pitch;
        targets.push_back({x - gap / 2, x + width + gap / 2, space.id});
        const QString label = space.isFullscreen ? QStringLiteral("F")
            : space.desktopNumber                ? QString::number(*space.desktopNumber)
                                                 : QStringLiteral("?");
        painter.drawImage(QPointF(x, 0), cell(label, space.isActive, dots, devicePixelRatio));
    }
    painter.end();
    if (hits)
        *hits = std::move(targets);
    return image;
}

void StatusBarController::scheduleNotchCheck()
{
    if (m_compactFallback)
        return;
    QPointer<StatusBarController> self(this);
    m_notchCheck = m_scheduler.after(kNotchCheckDelay, [self] {
        if (!self || self->m_compactFallback || !self->isHiddenByNotch())
            return;
        self->m_compactFallback = true;
        self->update(self->m_lastSnapshot);
    });
}

bool StatusBarController::isHiddenByNotch() const
{
    const auto frame = m_item.frame();
    if (!frame)
        return false;
    Screens& screens = Platform::current().screens();
    const auto main = screens.mainScreen();
    if (!main)
        return false;
    const QRectF item = Coordinates::flipped(*frame, main->frame.height());
    for (const ScreenInfo& screen : screens.screens()) {
        if (!Coordinates::containsHalfOpen(screen.frame, item.center()))
            continue;
        if (!screen.auxiliaryTopLeftArea || !screen.auxiliaryTopRightArea)
            return false;
        auto inside = [&item](const QRectF& area) {
            return item.left() >= area.left() - 1 && item.right() <= area.right() + 1;
        };
        return !inside(*screen.auxiliaryTopLeftArea) && !inside(*screen.auxiliaryTopRightArea);
    }
    return false;
}

void StatusBarController::clicked(const StatusItem::Click& click)
{
    if (click.rightButton || click.control || click.option)
        return openMenu();
    if (!showsAllSpaces(menuBarStyle()) || !m_hasImage || !click.x)
        return openMenu();
    for (const StripHit& hit : m_stripHits) {
        if (*click.x < hit.low || *click.x > hit.high)
            continue;
        const Space* space = m_watcher.snapshot().space(hit.id);
        if (!space)
            return openMenu();
        m_sink.switchTo(*space);
        return;
    }
    openMenu();
}

bool StatusBarController::scrolled(const StatusItem::Scroll& scroll)
{
    if (!Settings::defaults().boolValue(K::menuBarScrollSwitches))
        return false;
    qreal delta = std::abs(scroll.dy) > std::abs(scroll.dx) ? scroll.dy : -scroll.dx;
    delta *= scroll.precise ? 1 : kLineScrollFactor;
    m_scrollAccumulator += delta;
    const Duration now = m_scheduler.now();
    if (std::abs(m_scrollAccumulator) > kScrollThreshold
        && (!m_lastScrollSwitch || now - *m_lastScrollSwitch > kScrollPause)) {
        const qreal sum = m_scrollAccumulator;
        m_scrollAccumulator = 0;
        m_lastScrollSwitch = now;
        m_sink.perform(SpaceCommand::step((sum < 0) != scroll.inverted));
    }
    return true;
}

void StatusBarController::openMenu()
{
    m_item.showMenu(menuTree());
}

} // namespace lumivast
