#include "UI/Panels/Panel.h"

#include "Core/Settings/Settings.h"
#include "Platform/Coordinates.h"
#include "Platform/Platform.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QShowEvent>
#include <QStringList>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>
#include <QWindow>

namespace lumivast {

namespace {
constexpr Duration kFadeStep = 16ms;
}

Panel::Panel(Scheduler& scheduler, Options options, QWidget* parent)
    : QWidget(parent), m_scheduler(scheduler), m_options(options)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating, !m_options.takesKeys);
    applyFlags();
}

Panel::~Panel() = default;

void Panel::applyFlags()
{
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint;
    // The desktop label lives under every application window.
    flags |= m_options.level == Level::belowNormal ? Qt::WindowStaysOnBottomHint : Qt::WindowStaysOnTopHint;
    if (!m_options.shadow)
        flags |= Qt::NoDropShadowWindowHint;
    if (!m_options.takesKeys)
        flags |= Qt::WindowDoesNotAcceptFocus;
    if (m_options.clickThrough)
        flags |= Qt::WindowTransparentForInput;
    // Left to no window manager, so nothing it stacks can come above it.
    if (m_options.level == Level::screenSaver)
        flags |= Qt::X11BypassWindowManagerHint;
    const bool wasVisible = isVisible();
    setWindowFlags(flags);
    if (wasVisible)
        show();
}

void Panel::showEvent(QShowEvent* event)
{
    // Sent before the native window is mapped: the window system learns what kind of window it is first.
    QWindow* window = windowHandle();
    if (window && !event->spontaneous())
        Platform::current().panelWindows().preparePanel(
            window, PanelTraits{m_options.takesKeys, m_options.clickThrough, m_options.level, m_options.shadow});
    QWidget::showEvent(event);
}

void Panel::applyOpacity(qreal opacity)
{
    m_opacity = opacity;
    // The headless platform has no window opacity and says so on every call.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        setWindowOpacity(opacity);
}

void Panel::setClickThrough(bool on)
{
    if (m_options.clickThrough == on)
        return;
    m_options.clickThrough = on;
    applyFlags();
}

qreal Panel::primaryScreenHeight()
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->geometry().height() : 0.0;
}

QRect Panel::qtGeometry(const QRectF& modelFrame, qreal primaryHeight)
{
    return Coordinates::flipped(modelFrame, primaryHeight).toAlignedRect();
}

void Panel::setModelFrame(const QRectF& frame)
{
    m_modelFrame = frame;
    setGeometry(qtGeometry(frame, primaryScreenHeight()));

    Screens& screens = Platform::current().screens();
    std::optional<ScreenInfo> screen;
    for (const ScreenInfo& candidate : screens.screens()) {
        if (!screen && Coordinates::containsHalfOpen(candidate.frame, frame.center()))
            screen = candidate;
    }
    if (!screen)
        screen = screens.mainScreen();
    const bool translucent = !screen || Platform::current().compositing().isActive(*screen);
    if (translucent != m_translucent) {
        m_translucent = translucent;
        applyOutline();
        update();
        for (QWidget* child : findChildren<QWidget*>())
            child->update();
    }
}

bool Panel::isTranslucent(const QWidget* content)
{
    const auto* panel = content ? qobject_cast<const Panel*>(content->window()) : nullptr;
    return !panel || panel->isTranslucent();
}

void Panel::paintRoundedBackground(const QWidget* content, QPainter& painter, QColor fill, qreal radius, qreal borderOpacity)
{
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(content->rect()), radius, radius);
    if (!isTranslucent(content))
        fill.setAlpha(255);
    painter.fillPath(shape, fill);
    QColor border = Qt::white;
    border.setAlphaF(float(borderOpacity));
    painter.setPen(QPen(border, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(content->rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
}

void Panel::setRoundedOutline(qreal inset, qreal radius)
{
    m_outline = Outline{inset, radius};
    m_shape.reset();
    applyOutline();
}

void Panel::setOutline(const QRegion& shape)
{
    m_outline.reset();
    m_shape = shape;
    applyOutline();
}

void Panel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    applyOutline();
}

void Panel::applyOutline()
{
    if (!m_translucent && m_shape) {
        setMask(*m_shape);
        return;
    }
    if (m_translucent || !m_outline) {
        if (!mask().isEmpty())
            clearMask();
        return;
    }
    // A shape mask: the window itself takes the rounded form.
    const QRectF body = QRectF(rect()).adjusted(m_outline->inset, m_outline->inset, -m_outline->inset, -m_outline->inset);
    QPainterPath path;
    path.addRoundedRect(body, m_outline->radius, m_outline->radius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void Panel::present(Duration duration)
{
    m_fadingOut = false;
    if (!isVisible()) {
        applyOpacity(duration > Duration::zero() ? 0.0 : 1.0);
        show();
    }
    fade(1.0, duration, {});
}

void Panel::dismiss(Duration duration, std::function<void()> completion)
{
    if (!isVisible() && !m_fadingOut) {
        m_fade.cancel();
        if (completion)
            completion();
        return;
    }
    m_fadingOut = true;
    fade(0.0, duration, [this, completion = std::move(completion)] {
        m_fadingOut = false;
        hide();
        if (completion)
            completion();
    });
}

void Panel::fade(qreal target, Duration duration, std::function<void()> done)
{
    m_fade.cancel();
    const qreal start = m_opacity;
    if (duration <= Duration::zero() || qFuzzyCompare(start, target)) {
        applyOpacity(target);
        if (done)
            done();
        return;
    }
    const Duration began = m_scheduler.now();
    m_fade = m_scheduler.every(kFadeStep, [this, start, target, duration, began, done = std::move(done)] {
        const double t = std::min(1.0, double((m_scheduler.now() - began).count()) / double(duration.count()));
        applyOpacity(start + (target - start) * t);
        if (t >= 1.0) {
            m_fade.cancel();
            if (done)
                done();
        }
    });
}

std::optional<QRectF> Panel::savedFrame(const QString& autosaveName)
{
    const auto text = Settings::defaults().string(frameDefaultsKey(autosaveName));
    if (!text)
        return std::nullopt;
    const QStringList parts = text->split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 4)
        return std::nullopt;
    double values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts[i].toDouble(&ok);
        if (!ok)
            return std::nullopt;
    }
    return QRectF(values[0], values[1], values[2], values[3]);
}

bool Panel::setFrameAutosaveName(const QString& name)
{
    m_autosaveName = name;
    const auto saved = savedFrame(name);
    if (!saved)
        return false;
    setModelFrame(QRectF(saved->topLeft(), m_modelFrame.size()));
    return true;
}

void Panel::saveFrame() const
{
    if (m_autosaveName.isEmpty())
        return;
    const QRectF& f = m_modelFrame;
    Settings::defaults().set(frameDefaultsKey(m_autosaveName),
                             QStringLiteral("%1 %2 %3 %4").arg(f.x()).arg(f.y()).arg(f.width()).arg(f.height()));
}

void Panel::dragBy(QPoint delta)
{
    // Qt's y grows downwards, ours upwards.
    setModelFrame(m_modelFrame.translated(delta.x(), -delta.y()));
}

void Panel::endDrag()
{
    saveFrame();
}

void Panel::mousePressEvent(QMouseEvent* event)
{
    if (m_options.movableByBackground && event->button() == Qt::LeftButton) {
        m_dragFrom = event->globalPosition().toPoint();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void Panel::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragFrom) {
        const QPoint now = event->globalPosition().toPoint();
        if (now != *m_dragFrom)
            dragBy(now - *m_dragFrom);
        m_dragFrom = now;
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void Panel::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_dragFrom && event->button() == Qt::LeftButton) {
        m_dragFrom.reset();
        endDrag();
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

} // namespace lumivast
