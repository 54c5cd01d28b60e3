#include "UI/MenuBar/TrayStatusItem.h"

#include "Platform/Log.h"
#include "UI/Menus/MenuAdapter.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QWheelEvent>

namespace lumivast {

namespace {

QFont titleFont()
{
    QFont font;
    font.setPointSizeF(TrayStatusItem::kTitlePixels * 72.0 / 96.0);
    font.setWeight(QFont::Medium);
    return font;
}

} // namespace

TrayStatusItem::TrayStatusItem(Scheduler& scheduler, QObject* parent) : QObject(parent), m_scheduler(scheduler)
{
    // No context menu: every click reaches the controller, which opens its own.
    connect(&m_icon, &QSystemTrayIcon::activated, this, &TrayStatusItem::activated);
    // On XEmbed hosts the icon is a window of this program, and Qt hands the
    // wheel events over it to the icon object: that is where scrolls are seen.
    qApp->installEventFilter(this);
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        qCInfo(lcApp) << "no system tray: the status item shows once a tray host starts";
    redraw();
    // Kept even without a host, so one that starts later shows it.
    m_icon.show();
}

TrayStatusItem::~TrayStatusItem()
{
    if (m_menu)
        delete m_menu.data();
}

void TrayStatusItem::setTitle(const QString& title)
{
    m_title = title;
    scheduleRedraw();
}

void TrayStatusItem::setImage(const std::optional<Image>& image)
{
    m_image = image;
    scheduleRedraw();
}

void TrayStatusItem::setImagePosition(ImagePosition position)
{
    m_position = position;
    scheduleRedraw();
}

void TrayStatusItem::setToolTip(const QString& toolTip)
{
    if (m_icon.toolTip() != toolTip)
        m_icon.setToolTip(toolTip);
}

QImage TrayStatusItem::compose(const QString& title, const std::optional<Image>& image, ImagePosition position,
                               const QColor& textColor, qreal devicePixelRatio, qreal* imageLeft)
{
    const QFont font = titleFont();
    const QFontMetricsF metrics(font);
    const bool showTitle = position != ImagePosition::imageOnly && !title.isEmpty();
    QSizeF imageSize;
    if (image && !image->image.isNull())
        imageSize = QSizeF(image->image.size()) / image->image.devicePixelRatio();
    qreal content = imageSize.width();
    if (showTitle)
        content += (content > 0 ? kImageTitleGap : 0) + metrics.horizontalAdvance(title);
    // Never empty (Qt hides a tray item without an icon), never narrower than the slot.
    const qreal width = qMax(content, kSlotHeight);
    const qreal height = qMax(kSlotHeight, imageSize.height());

    QImage result(qCeil(width * devicePixelRatio), qCeil(height * devicePixelRatio), QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    result.setDevicePixelRatio(devicePixelRatio);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    qreal x = (width - content) / 2;
    if (imageLeft)
        *imageLeft = x;
    if (!imageSize.isEmpty()) {
        const QRectF place(QPointF(x, (height - imageSize.height()) / 2), imageSize);
        painter.drawImage(place, image->image);
        if (image->isTemplate) {
            // Only the alpha counts: what was drawn takes the text colour.
            painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
            painter.fillRect(place, textColor);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
        x += imageSize.width() + kImageTitleGap;
    }
    if (showTitle) {
        painter.setFont(font);
        painter.setPen(textColor);
        painter.drawText(QRectF(x, 0, width - x, height), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title);
    }
    return result;
}

qreal TrayStatusItem::imageX(qreal pointerX, const QRectF& slot, const QSizeF& imageSize)
{
    if (imageSize.isEmpty())
        return pointerX - slot.left();
    // Hosts shrink an image to fit and never enlarge it; what is left is centred.
    const qreal scale = qMin(1.0, qMin(slot.width() / imageSize.width(), slot.height() / imageSize.height()));
    const qreal offset = (slot.width() - imageSize.width() * scale) / 2;
    return (pointerX - slot.left() - offset) / scale;
}

void TrayStatusItem::scheduleRedraw()
{
    // The controller sets title, image and position one after the other: draw once.
    if (m_redrawPending)
        return;
    m_redrawPending = true;
    m_lifetime.post([this] { redraw(); });
}

void TrayStatusItem::redraw()
{
    m_redrawPending = false;
    const QColor text = QGuiApplication::palette().color(QPalette::WindowText);
    QImage image = compose(m_title, m_image, m_position, text, devicePixelRatio(), &m_imageLeft);
    if (image == m_shown && !m_shown.isNull())
        return;
    m_shown = image;
    m_icon.setIcon(QIcon(QPixmap::fromImage(image)));
}

std::optional<QRectF> TrayStatusItem::frame() const
{
    const QRect geometry = m_icon.geometry();
    if (geometry.isEmpty())
        return std::nullopt;
    return QRectF(geometry);
}

std::optional<qreal> TrayStatusItem::squareSlot() const
{
    // XEmbed and StatusNotifierItem hosts alike; only XEmbed ones say how big.
    if (const auto place = frame())
        return place->height();
    return kSlotHeight;
}

qreal TrayStatusItem::devicePixelRatio() const
{
    if (const auto place = frame()) {
        if (const QScreen* screen = QGuiApplication::screenAt(place->center().toPoint()))
            return screen->devicePixelRatio();
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->devicePixelRatio() : 1.0;
}

void TrayStatusItem::activated(QSystemTrayIcon::ActivationReason reason)
{
    // XEmbed hosts report presses; each stands for the click.
    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::Context)
        return;
    const Qt::KeyboardModifiers modifiers = QGuiApplication::queryKeyboardModifiers();
    Click click;
    click.rightButton = reason == QSystemTrayIcon::Context;
    click.control = modifiers & Qt::ControlModifier;
    click.option = modifiers & Qt::AltModifier;
    if (const auto place = frame()) {
        const qreal x = imageX(QCursor::pos().x(), *place, QSizeF(m_shown.size()) / m_shown.devicePixelRatio());
        click.x = x - m_imageLeft;
    }
    if (onClick)
        onClick(click);
}

void TrayStatusItem::showMenu(std::vector<MenuItem> items)
{
    if (m_menu)
        m_menu->close();
    const auto place = frame();
    const QPoint at = place ? QPoint(qRound(place->left()), qRound(place->bottom()) + 1) : QCursor::pos();
    m_menu = MenuAdapter::popUp(items, m_scheduler, at);
}

bool TrayStatusItem::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Wheel || watched != &m_icon)
        return false;
    const auto* wheel = static_cast<QWheelEvent*>(event);
    Scroll scroll;
    if (!wheel->pixelDelta().isNull()) {
        scroll.precise = true;
        scroll.dx = wheel->pixelDelta().x();
        scroll.dy = wheel->pixelDelta().y();
    } else {
        // One wheel notch is 120 eighths of a degree: a line.
        scroll.dx = wheel->angleDelta().x() / 120.0;
        scroll.dy = wheel->angleDelta().y() / 120.0;
    }
    scroll.inverted = wheel->inverted();
    return onScroll && onScroll(scroll);
}

} // namespace lumivast
