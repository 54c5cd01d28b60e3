#pragma once

#include <QPointF>
#include <QRectF>

// Screen frames and the pointer are global with the origin at the bottom left
// of the primary screen; window bounds (and Qt) put it at the top left. Values
// stay in the system they are defined in and are converted here only.
namespace lumivast::Coordinates {

// Bottom-left <-> top-left; the same flip works both ways.
inline QRectF flipped(const QRectF& rect, qreal primaryScreenHeight)
{
    return QRectF(rect.x(), primaryScreenHeight - rect.y() - rect.height(), rect.width(), rect.height());
}

inline QPointF flipped(const QPointF& point, qreal primaryScreenHeight)
{
    return QPointF(point.x(), primaryScreenHeight - point.y());
}

// Half-open containment: minimum edges inside, maximum edges outside.
inline bool containsHalfOpen(const QRectF& rect, const QPointF& point)
{
    return point.x() >= rect.left() && point.x() < rect.x() + rect.width() && point.y() >= rect.top()
        && point.y() < rect.y() + rect.height();
}

// The pointer in a screen frame, both bottom-left: the left and top edges
// inside, the right and bottom edges outside (the pointer at the very top of
// a screen is on it).
inline bool mouseInRect(const QRectF& rect, const QPointF& point)
{
    return point.x() >= rect.left() && point.x() < rect.x() + rect.width() && point.y() > rect.top()
        && point.y() <= rect.y() + rect.height();
}

} // namespace lumivast::Coordinates
