#include "UI/Overview/OverlayWindow.h"

#include <QBackingStore>
#include <QKeyEvent>
#include <QPainter>

namespace lumivast {

OverlayWindow::OverlayWindow(Scheduler& scheduler, QWidget* parent)
    : Panel(scheduler, Options{.takesKeys = true, .clickThrough = false, .level = Level::overlay}, parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setWindowTitle(QStringLiteral("Lumivast Overview"));
}

void OverlayWindow::dropHandlers()
{
    keyHandler = nullptr;
    flagsHandler = nullptr;
    onResignKey = nullptr;
}

void OverlayWindow::prepareBuffer()
{
    if (isVisible())
        return;
    create();
    QBackingStore* store = backingStore();
    if (!store)
        return;
    // The size the first paint asks for, so the buffer is kept then.
    store->resize(size());
    const QRegion all(rect());
    store->beginPaint(all);
    {
        QPainter p(store->paintDevice());
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(rect(), Qt::transparent);
    }
    store->endPaint();
}

void OverlayWindow::keyPressEvent(QKeyEvent* event)
{
    if (OverlayFlags::isModifierKey(event->key())) {
        if (auto handler = flagsHandler)
            handler(OverlayFlags::fromEvent(*event));
        event->accept();
        return;
    }
    // A copy: the handler may close the window and drop the handlers.
    if (auto handler = keyHandler; handler && handler(OverlayKey::fromEvent(*event))) {
        event->accept();
        return;
    }
    Panel::keyPressEvent(event);
}

void OverlayWindow::keyReleaseEvent(QKeyEvent* event)
{
    if (OverlayFlags::isModifierKey(event->key())) {
        if (auto handler = flagsHandler)
            handler(OverlayFlags::fromEvent(*event));
        event->accept();
        return;
    }
    Panel::keyReleaseEvent(event);
}

void OverlayWindow::changeEvent(QEvent* event)
{
    Panel::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible()) {
        if (auto handler = onResignKey)
            handler();
    }
}

} // namespace lumivast
