#include "UI/MissionControl/LabelView.h"

#include "Platform/Platform.h"
#include "UI/Symbols/SymbolCatalogue.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <set>

namespace lumivast {

namespace {

constexpr double kPositionRate = 19; // per second, exponential easing
constexpr double kOpacityRate = 14;
constexpr double kSnapDistance = 0.25;
constexpr double kSnapOpacity = 0.01;
constexpr double kGoneOpacity = 0.001;
constexpr double kDrawnOpacity = 0.01;

double seconds(Duration d)
{
    return double(d.count()) / 1000.0;
}

} // namespace

LabelView::LabelView(Scheduler& scheduler, QWidget* parent)
    : QWidget(parent)
    , m_scheduler(scheduler)
    , m_lastStep(scheduler.now())
    , m_reduceMotion(Platform::current().system().reduceMotion())
    , m_font(font())
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

LabelView::~LabelView() = default;

QFont LabelView::font()
{
    QFont f = QApplication::font();
    f.setPixelSize(13);
    f.setWeight(QFont::Medium);
    return f;
}

QRectF LabelView::pillRect(const Label& label, double room) const
{
    const QFontMetricsF metrics(m_font);
    const double natural = metrics.horizontalAdvance(label.name) + (label.symbol ? kIconAllowance : 0) + 2 * kPadding;
    const double width = std::min({natural, std::max(kMinMaxWidth, label.anchor.width() + 40), room});
    const double x = label.anchor.center().x() - width / 2;
    // Origin bottom left: an expanded button's pill hangs below it, others sit on it.
    const double y = label.expanded ? label.anchor.y() - kHeight - kExpandedGap : label.anchor.center().y() - kHeight / 2;
    return QRectF(std::round(x), std::round(y), std::round(width), kHeight);
}

QString LabelView::visibleName(const Label& label, const QRectF& pill) const
{
    const QFontMetricsF metrics(m_font);
    const bool icon = label.symbol && SymbolCatalogue::contains(*label.symbol);
    const double room = pill.width() - 2 * kPadding - (icon ? kIconAllowance : 0);
    // The pill's width was rounded to a whole point, possibly down: a name that
    // fitted before the rounding still fits.
    if (metrics.horizontalAdvance(label.name) <= room + 0.5)
        return label.name;
    return metrics.elidedText(label.name, Qt::ElideRight, std::max(0.0, room));
}

// How wide each pill may grow: buttons are often closer together than the
// widest pill, and a pill running under its neighbour would hide its own name.
static double roomBeside(const std::vector<LabelPanel::Label>& labels, std::size_t i)
{
    double nearest = std::numeric_limits<double>::infinity();
    const LabelPanel::Label& self = labels[i];
    for (std::size_t j = 0; j < labels.size(); ++j) {
        const LabelPanel::Label& other = labels[j];
        const bool sameRow = other.expanded == self.expanded && std::abs(other.anchor.center().y() - self.anchor.center().y()) < LabelView::kHeight;
        if (j != i && sameRow)
            nearest = std::min(nearest, std::abs(other.anchor.center().x() - self.anchor.center().x()));
    }
    return nearest - LabelView::kNeighbourGap;
}

void LabelView::retarget()
{
    std::set<QString> seen;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const Label& label = labels[i];
        const QRectF target = pillRect(label, roomBeside(labels, i));
        seen.insert(label.id);
        auto it = m_items.find(label.id);
        if (it == m_items.end()) {
            // A new pill fades in at its place; it does not fly in.
            m_items.emplace(label.id, Animated{label, target, target, 0, 1});
        } else {
            it->second.label = label;
            it->second.target = target;
            it->second.targetOpacity = 1;
        }
    }
    QStringList order;
    for (const Label& label : labels)
        order << label.id;
    for (auto& [id, item] : m_items) {
        if (!seen.contains(id)) {
            item.targetOpacity = 0;
            order << id;
        }
    }
    m_order = order;
    startAnimating();
}

void LabelView::clear()
{
    stopAnimating();
    m_items.clear();
    m_order.clear();
    update();
}

void LabelView::startAnimating()
{
    if (m_displayLink.isPending())
        return;
    m_lastStep = m_scheduler.now();
    m_displayLink = m_scheduler.every(kFrameInterval, [this] { frameTick(); });
}

void LabelView::stopAnimating()
{
    // Cancelled in place: this may run inside the timer's own step.
    m_displayLink.cancel();
}

void LabelView::frameTick()
{
    const Duration now = m_scheduler.now();
    const double dt = std::min(kMaxStep, seconds(now - m_lastStep));
    m_lastStep = now;
    const double kp = m_reduceMotion ? 1.0 : 1.0 - std::exp(-kPositionRate * dt);
    const double ko = 1.0 - std::exp(-kOpacityRate * dt);
    bool moving = false;
    for (auto& [id, item] : m_items) {
        const QRectF& r = item.rect;
        const QRectF& t = item.target;
        const double x = r.x() + (t.x() - r.x()) * kp;
        const double y = r.y() + (t.y() - r.y()) * kp;
        const double w = r.width() + (t.width() - r.width()) * kp;
        const double o = item.opacity + (item.targetOpacity - item.opacity) * ko;
        if (std::abs(x - t.x()) <= kSnapDistance && std::abs(y - t.y()) <= kSnapDistance
            && std::abs(w - t.width()) <= kSnapDistance && std::abs(o - item.targetOpacity) <= kSnapOpacity) {
            item.rect = t;
            item.opacity = item.targetOpacity;
        } else {
            item.rect = QRectF(x, y, w, t.height());
            item.opacity = o;
            moving = true;
        }
    }
    std::erase_if(m_items, [](const auto& entry) {
        return entry.second.opacity <= kGoneOpacity && entry.second.targetOpacity <= 0;
    });
    update();
    if (!moving)
        stopAnimating();
}

QRectF LabelView::flipped(const QRectF& rect) const
{
    return QRectF(rect.x(), height() - rect.y() - rect.height(), rect.width(), rect.height());
}

void LabelView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const QString& id : m_order) {
        const auto it = m_items.find(id);
        if (it != m_items.end() && it->second.opacity > kDrawnOpacity)
            drawPill(painter, it->second.label, it->second.rect, it->second.opacity);
    }
}

void LabelView::drawPill(QPainter& painter, const Label& label, const QRectF& r, double o) const
{
    const QRectF shape = flipped(r);
    QPainterPath capsule;
    capsule.addRoundedRect(shape, shape.height() / 2, shape.height() / 2);
    QColor fill = label.color.value_or(QColor::fromRgbF(0.12f, 0.12f, 0.12f));
    fill.setAlphaF(float(o * 0.92));
    painter.fillPath(capsule, fill);
    if (label.isActive) {
        QPen pen(QColor::fromRgbF(1, 1, 1, float(o * 0.9)));
        pen.setWidthF(1.5);
        painter.strokePath(capsule, pen);
    }
    double x = r.x() + kPadding;
    // The symbol is always drawn white; an unknown name leaves its room empty at the end.
    if (label.symbol && SymbolCatalogue::contains(*label.symbol)) {
        const QRectF icon(x, r.center().y() - kIconSize / 2, kIconSize, kIconSize);
        const QPixmap image = SymbolCatalogue::image(*label.symbol, int(kIconSize), Qt::white, devicePixelRatioF());
        painter.setOpacity(o);
        painter.drawPixmap(flipped(icon), image, QRectF(QPointF(0, 0), image.size()));
        painter.setOpacity(1);
        x += kIconAllowance;
    }
    const QFontMetricsF metrics(m_font);
    const double h = metrics.height();
    const QRectF text(x, std::round(r.center().y() - h / 2), std::max(0.0, r.right() - kPadding - x) + 0.5, h);
    painter.setFont(m_font);
    painter.setPen(QColor::fromRgbF(1, 1, 1, float(o)));
    painter.drawText(flipped(text), Qt::AlignLeft | Qt::AlignVCenter, visibleName(label, r));
}

} // namespace lumivast
