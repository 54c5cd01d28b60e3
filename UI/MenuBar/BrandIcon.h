#pragma once

#include "Core/Spaces/SpaceModel.h"

#include <QColor>
#include <QImage>

namespace lumivast::BrandIcon {

// The program's 16x16 menu-bar glyph: a 2x2 grid of rounded squares with the
// one at `activeIndex` filled (0 bottom left, 1 bottom right, 2 top left,
// 3 top right). Only the alpha counts: the menu bar tints it.
QImage menuBarImage(int activeIndex, qreal devicePixelRatio = 1.0);

// The colour of a Space the user gave none: consecutive desktops step 47°
// round the colour wheel.
QColor autoColor(const Space& space);

} // namespace lumivast::BrandIcon
