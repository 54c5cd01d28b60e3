#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

// Maps the system symbol names the program uses (the names stored with each
// Space and used for toasts and menus) to drawable icons. An unknown name
// draws nothing.
namespace lumivast::SymbolCatalogue {

bool contains(const QString& name);
// The symbol drawn in `color` at `size` device-independent pixels; a null pixmap for an unknown name.
QPixmap image(const QString& name, int size, const QColor& color, qreal devicePixelRatio = 1.0);

} // namespace lumivast::SymbolCatalogue
