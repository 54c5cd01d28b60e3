#include "UI/Strips/DesktopLabelController.h"

#include "Core/Demo/DemoMode.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/DisplayGeometry.h"
#include "Core/Spaces/HexColor.h"
#include "Core/Spaces/SpaceStore.h"
#include "UI/Symbols/SymbolCatalogue.h"

#include <QBitmap>
#include <QFontMetrics>
#include <QGraphicsDropShadowEffect>
#include <QPainter>
#include <QSet>

#include <algorithm>

namespace lumivast {

namespace {

constexpr int kPadding = 8; // room for the shadow
constexpr int kSymbolSize = 30;
constexpr int kSymbolGap = 12;
constexpr int kLineGap = 2;

QFont font(int pixelSize, QFont::Weight weight)
{
    QFont f;
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    return f;
}

QFont nameFont() { return font(40, QFont::Bold); }
QFont noteFont() { return font(15, QFont::Medium); }

QStringList noteLines(const std::optional<QString>& note)
{
    return note ? note->split(QLatin1Char('\n')) : QStringList();
}

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(float(alpha));
    return color;
}

// Where the label is more ink than air. Without a compositing manager only
// these pixels are shown, so the desktop shows around the letters instead of
// a black box.
QRegion inkShape(QWidget& view)
{
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return QRegion(QBitmap::fromImage(image.createAlphaMask(Qt::ThresholdAlphaDither)));
}

} // namespace

DesktopLabelView::DesktopLabelView(QString name, std::optional<QString> note, QString symbol, QColor color,
                                   QWidget* parent)
    : QWidget(parent), m_name(std::move(name)), m_note(std::move(note)), m_symbol(std::move(symbol)), m_color(color)
{
    setAttribute(Qt::WA_TranslucentBackground);
    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setColor(QColor(0, 0, 0, 115));
    shadow->setBlurRadius(8);
    shadow->setOffset(0, 2);
    setGraphicsEffect(shadow);
    resize(sizeHint());
}

QSize DesktopLabelView::sizeHint() const
{
    const QFontMetrics nameMetrics(nameFont());
    const QFontMetrics noteMetrics(noteFont());
    int textWidth = nameMetrics.horizontalAdvance(m_name);
    int textHeight = nameMetrics.height();
    const QStringList lines = noteLines(m_note);
    if (!lines.isEmpty()) {
        textHeight += kLineGap;
        for (const QString& line : lines)
            textWidth = std::max(textWidth, noteMetrics.horizontalAdvance(line));
        textHeight += int(lines.size()) * noteMetrics.lineSpacing();
    }
    return QSize(kPadding + kSymbolSize + kSymbolGap + textWidth + kPadding,
                 kPadding + std::max(textHeight, kSymbolSize) + kPadding);
}

void DesktopLabelView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics nameMetrics(nameFont());
    const int baseline = kPadding + nameMetrics.ascent();
    // The symbol sits on the name's baseline.
    const QPixmap symbol = SymbolCatalogue::image(m_symbol, kSymbolSize, withAlpha(m_color, 0.85), devicePixelRatioF());
    if (!symbol.isNull())
        painter.drawPixmap(QPointF(kPadding, std::max(kPadding, baseline - kSymbolSize)), symbol);

    const int textX = kPadding + kSymbolSize + kSymbolGap;
    painter.setFont(nameFont());
    painter.setPen(withAlpha(Qt::white, 0.85));
    painter.drawText(QPointF(textX, baseline), m_name);

    const QStringList lines = noteLines(m_note);
    if (lines.isEmpty())
        return;
    const QFontMetrics noteMetrics(noteFont());
    painter.setFont(noteFont());
    painter.setPen(withAlpha(Qt::white, 0.60));
    double y = kPadding + nameMetrics.height() + kLineGap + noteMetrics.ascent();
    for (const QString& line : lines) {
        painter.drawText(QPointF(textX, y), line);
        y += noteMetrics.lineSpacing();
    }
}

DesktopLabelController::DesktopLabelController(Scheduler& scheduler) : m_scheduler(scheduler) {}

DesktopLabelController::~DesktopLabelController() = default;

Panel* DesktopLabelController::panel(const QString& displayID) const
{
    const auto found = m_panels.find(displayID);
    return found == m_panels.end() ? nullptr : found->second.get();
}

DesktopLabelView* DesktopLabelController::view(const QString& displayID) const
{
    Panel* p = panel(displayID);
    return p ? p->findChild<DesktopLabelView*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

QPointF DesktopLabelController::origin(DesktopLabelPosition position, const QRectF& v, QSizeF size)
{
    const double w = size.width();
    const double h = size.height();
    const double minX = v.x();
    const double minY = v.y();
    const double maxX = v.x() + v.width();
    const double maxY = v.y() + v.height();
    switch (position) {
    case DesktopLabelPosition::bottomLeft:
        return {minX + kMargin, minY + kMargin};
    case DesktopLabelPosition::bottomRight:
        return {maxX - w - kMargin, minY + kMargin};
    case DesktopLabelPosition::topLeft:
        return {minX + kMargin, maxY - h - kMargin};
    case DesktopLabelPosition::topRight:
        return {maxX - w - kMargin, maxY - h - kMargin};
    case DesktopLabelPosition::center:
        return {v.center().x() - w * 0.5, v.center().y() - h * 0.5};
    }
    return {minX + kMargin, minY + kMargin};
}

QRectF DesktopLabelController::clearOf(QRectF frame, const std::vector<QRectF>& others, DesktopLabelPosition position)
{
    const bool fromTop = position == DesktopLabelPosition::topLeft || position == DesktopLabelPosition::topRight;
    // Moving clear of one may run into another: look again until none is in the way.
    for (std::size_t round = 0; round <= others.size(); ++round) {
        bool moved = false;
        for (const QRectF& other : others) {
            if (!frame.intersects(other))
                continue;
            frame.moveTop(fromTop ? other.top() - kMargin - frame.height() : other.bottom() + kMargin);
            moved = true;
        }
        if (!moved)
            break;
    }
    return frame;
}

void DesktopLabelController::update(const SpaceSnapshot& snapshot, const SpaceStore& store)
{
    if (!Settings::defaults().boolValue(Settings::Key::desktopLabel)) {
        for (auto& [id, panel] : m_panels)
            panel->hide();
        m_panels.clear();
        return;
    }

    // A label left on a display that is gone would be moved onto another screen and name the wrong Space.
    QSet<QString> present;
    for (const DisplaySpaces& display : snapshot.displays)
        present.insert(display.id);
    for (auto it = m_panels.begin(); it != m_panels.end();) {
        if (!present.contains(it->first)) {
            it->second->hide();
            it = m_panels.erase(it);
        } else {
            ++it;
        }
    }

    const DesktopLabelPosition position = Settings::desktopLabelPosition();
    for (const DisplaySpaces& display : snapshot.displays) {
        const auto screen = DisplayGeometry::screen(display.id);
        if (!screen)
            continue;
        const Space* active = display.activeSpace();
        if (!active)
            continue;
        std::unique_ptr<Panel>& panel = m_panels[display.id];
        if (!panel)
            panel = std::make_unique<Panel>(m_scheduler, Panel::Options{.takesKeys = false, .clickThrough = true,
                                                                        .level = Panel::Level::belowNormal,
                                                                        .shadow = false});

        SpaceMeta meta = store.meta(active->id);
        if (meta.note && meta.note->isEmpty())
            meta.note.reset();
        std::optional<QColor> color;
        if (const DemoMode::Sample* sample = DemoMode::sample(*active))
            color = colorFromHex(sample->colorHex);
        else if (meta.colorHex)
            color = colorFromHex(*meta.colorHex);

        delete panel->findChild<DesktopLabelView*>(QString(), Qt::FindDirectChildrenOnly);
        auto* view = new DesktopLabelView(store.displayName(*active), meta.note, store.symbol(*active),
                                          color.value_or(QColor(Qt::white)), panel.get());
        const QSize size = view->sizeHint();
        view->setGeometry(0, 0, size.width(), size.height());
        view->show();
        QRectF frame(origin(position, screen->visibleFrame, QSizeF(size)), QSizeF(size));
        if (keepClearOf)
            frame = clearOf(frame, keepClearOf(display.id), position);
        panel->setModelFrame(frame);
        if (!panel->isTranslucent())
            panel->setOutline(inkShape(*view));
        panel->present();
    }
}

} // namespace lumivast
