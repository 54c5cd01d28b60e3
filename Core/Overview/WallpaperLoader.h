#pragma once

#include "Platform/Screens.h"

#include <QImage>

#include <optional>

// The desktop picture behind the overview, read anew at every opening and
// decoded straight to at most half the screen's larger side, so the full
// picture is never held. Nothing is cached.
namespace lumivast::WallpaperLoader {

// None when the screen has no picture or it cannot be read.
std::optional<QImage> image(const ScreenInfo& screen);

} // namespace lumivast::WallpaperLoader
