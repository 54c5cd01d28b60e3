#include "UI/Symbols/SymbolCatalogue.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

static void initSymbolResources()
{
    Q_INIT_RESOURCE(symbols);
}

namespace lumivast::SymbolCatalogue {

namespace {

QString resourcePath(const QString& name)
{
    static const bool initialised = (initSymbolResources(), true);
    Q_UNUSED(initialised);
    return QStringLiteral(":/symbols/") + name + QStringLiteral(".svg");
}

} // namespace

bool contains(const QString& name)
{
    return !name.isEmpty() && QFile::exists(resourcePath(name));
}

QPixmap image(const QString& name, int size, const QColor& color, qreal devicePixelRatio)
{
    if (!contains(name) || size <= 0)
        return {};
    // Lists and pickers ask for the same few symbols on every build and paint; parsing
    // and drawing the SVG each time was most of their cost. Main thread only, as pixmaps are.
    static QHash<QString, QPixmap> drawn;
    const QString key = QStringLiteral("%1|%2|%3|%4").arg(name).arg(size).arg(color.rgba()).arg(devicePixelRatio);
    if (const auto it = drawn.constFind(key); it != drawn.constEnd())
        return *it;
    if (drawn.size() > 512)
        drawn.clear();
    QSvgRenderer renderer(resourcePath(name));
    if (!renderer.isValid())
        return {};
    const int pixels = qRound(size * devicePixelRatio);
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    // The icons draw in one colour; tint every drawn pixel.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), color);
    painter.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    drawn.insert(key, pixmap);
    return pixmap;
}

} // namespace lumivast::SymbolCatalogue
