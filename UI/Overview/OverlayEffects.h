#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QSize>

namespace lumivast {

// The overview's picture work, each a pure function of its arguments: the
// backdrop's blur, the cards' shadows and borders, and the previews cut to a
// card's rounded outline or scaled from another size to stand in for it.
// What is kept and for how long is the picture cache's business.
namespace OverlayEffects {

QPainterPath rounded(const QRectF& rect, double radius);
QPainterPath capsule(const QRectF& rect);

// The desktop picture as the backdrop shows it: blurred and saturated, at a
// quarter of its size.
QImage blurred(const QImage& picture);

// A card's shadow in device pixels: its outline in black, blurred by `blur`
// pixels, `strength` its opacity; as many pixels of margin as twice the blur
// on each side.
QImage shadow(QSize cardPixels, double radius, double blur, double strength);

// A card's border ring, wholly inside the card's edge.
QImage border(QSize cardSize, qreal dpr, double radius, double lineWidth, const QColor& color);

// `image`, which covers the card in device pixels, centred on the card and cut
// to its rounded outline.
QImage cutToCard(QImage image, QSize cardSize, qreal dpr, double radius);

// A card cut at `heldSize`, scaled to `cardSize`: enlarged, its rounded corners
// grow too, so it is drawn that much larger and cut to the card's outline again.
QImage scaledCard(const QImage& held, QSize heldSize, QSize cardSize, qreal dpr, double radius);

} // namespace OverlayEffects

} // namespace lumivast
