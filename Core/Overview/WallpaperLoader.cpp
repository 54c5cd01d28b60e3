#include "Core/Overview/WallpaperLoader.h"

#include "Platform/Platform.h"

#include <QImageReader>

#include <algorithm>
#include <cmath>

namespace lumivast::WallpaperLoader {

std::optional<QImage> image(const ScreenInfo& screen)
{
    const std::optional<QUrl> url = Platform::current().workspace().desktopImageURL(screen);
    if (!url || !url->isLocalFile())
        return std::nullopt;
    QImageReader reader(url->toLocalFile());
    reader.setAutoTransform(true);
    const int largest = int(std::max(screen.frame.width(), screen.frame.height()) / 2);
    const QSize size = reader.size();
    if (!size.isValid() || largest < 1)
        return std::nullopt;
    // The bound is square, so it holds whichever way the picture is turned afterwards.
    if (std::max(size.width(), size.height()) > largest)
        reader.setScaledSize(size.scaled(largest, largest, Qt::KeepAspectRatio));
    QImage decoded = reader.read();
    if (decoded.isNull())
        return std::nullopt;
    return decoded;
}

} // namespace lumivast::WallpaperLoader
