#include "UI/Symbols/SymbolCatalogue.h"

#include <QFile>
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
    return pixmap;
}

} // namespace lumivast::SymbolCatalogue
