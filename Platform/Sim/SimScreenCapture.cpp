// Screen capture and desktop pictures of the simulated system.
#include "Platform/Sim/SimScreenCapture.h"

#include "Platform/Sim/SimWorld.h"
#include "Platform/StableHash.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace lumivast {

namespace {

// A card's look, in points; scaled with the picture.
constexpr double kCornerRadius = 10;
constexpr double kTitleFontSize = 13;

bool onScreen(const SimWorld& world, const SimWorld::Window& window, const std::set<std::uint64_t>& current)
{
    if (window.minimized)
        return false;
    for (const SimWorld::App& app : world.apps) {
        if (app.pid == window.pid && app.hidden)
            return false;
    }
    return std::any_of(window.spaces.begin(), window.spaces.end(), [&](std::uint64_t s) { return current.contains(s); });
}

QString colorSeed(const SimWorld& world, std::int32_t pid)
{
    for (const SimWorld::App& app : world.apps) {
        if (app.pid == pid && !app.bundleID.isEmpty())
            return app.bundleID;
    }
    return QString::number(pid);
}

} // namespace

QColor simAppColor(const QString& seed)
{
    return QColor::fromHsv(int(stableHash(seed) % 360), 160, 220);
}

void SimScreenCapture::shareableContent(bool excludeDesktopWindows, bool onScreenWindowsOnly, Answer<ShareableContent> answer)
{
    contentRequests.push_back({excludeDesktopWindows, onScreenWindowsOnly});
    std::erase_if(m_answers, [](const WorkItem& item) { return !item.isPending(); });
    m_answers.push_back(m_world.scheduler().after(delay, [this, onScreenWindowsOnly, answer = std::move(answer)] {
        if (!m_world.screenRecordingGranted)
            return answer(std::unexpected(kNotPermitted));
        if (contentError)
            return answer(std::unexpected(*contentError));
        ShareableContent content;
        std::lock_guard lock(m_world.stateMutex());
        std::set<std::uint64_t> current;
        for (const SimWorld::Display& display : m_world.displays) {
            current.insert(display.current);
            if (omittedDisplays.contains(display.identifier) || omittedDisplays.contains(display.uuid))
                continue;
            content.displays.push_back({display.number, int(display.frame.width()), int(display.frame.height()), std::nullopt});
        }
        const auto self = std::int32_t(QCoreApplication::applicationPid());
        for (const SimWorld::Window& window : m_world.windows) {
            if (onScreenWindowsOnly && !onScreen(m_world, window, current))
                continue;
            ShareableWindow entry{window.id, std::nullopt};
            for (const SimWorld::App& app : m_world.apps) {
                if (app.pid == window.pid)
                    entry.owningPID = app.isThisProgram ? self : app.pid;
            }
            content.windows.push_back(entry);
        }
        answer(std::move(content));
    }));
}

void SimScreenCapture::captureImage(const StillImageRequest& request, Answer<QImage> answer)
{
    imageRequests.push_back(request);
    std::erase_if(m_answers, [](const WorkItem& item) { return !item.isPending(); });
    m_answers.push_back(m_world.scheduler().after(delay, [this, request, answer = std::move(answer)] {
        if (!m_world.screenRecordingGranted)
            return answer(std::unexpected(kNotPermitted));
        if (imageError)
            return answer(std::unexpected(*imageError));
        if (request.width <= 0 || request.height <= 0)
            return answer(std::unexpected(QStringLiteral("The requested image size is not valid")));
        const std::set<std::uint32_t> excluded(request.excludedWindows.begin(), request.excludedWindows.end());
        QImage image = paint(request.displayID, QSize(request.width, request.height), excluded, request.sourceRect);
        if (image.isNull())
            return answer(std::unexpected(QStringLiteral("The display is no longer available")));
        answer(std::move(image));
    }));
}

QImage SimScreenCapture::paint(std::uint32_t displayNumber, QSize size, const std::set<std::uint32_t>& excluded,
                               std::optional<QRect> area)
{
    std::lock_guard lock(m_world.stateMutex());
    const auto display = std::find_if(m_world.displays.begin(), m_world.displays.end(),
                                      [&](const SimWorld::Display& d) { return d.number == displayNumber; });
    if (display == m_world.displays.end() || display->frame.isEmpty() || size.isEmpty())
        return {};
    // A display shows its own Spaces only: the area is cut to it.
    const QRectF whole(QPointF(0, 0), display->frame.size());
    const QRectF source = area ? whole.intersected(QRectF(*area)) : whole;
    if (source.isEmpty())
        return {};
    const double sx = size.width() / source.width();
    const double sy = size.height() / source.height();
    const QPointF origin = display->frame.topLeft() + source.topLeft(); // world point at the picture's top-left

    QImage image(size, QImage::Format_RGB32);
    const std::optional<QString> picture = m_world.currentWallpaper(*display);
    const QSize wholeSize = area ? QSize(qRound(whole.width() * sx), qRound(whole.height() * sy)) : size;
    const QImage backdrop = picture ? wallpaper(*picture, wholeSize) : QImage();
    if (backdrop.isNull())
        image.fill(kDesktopFill);

    QPainter painter(&image);
    if (!backdrop.isNull())
        painter.drawImage(QPointF(-source.x() * sx, -source.y() * sy), backdrop);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const double scale = std::min(sx, sy);
    QFont font = painter.font();
    font.setPixelSize(std::max(6, int(kTitleFontSize * scale + 0.5)));
    painter.setFont(font);

    const std::set<std::uint64_t> current{display->current};
    // The window list runs front to back; paint from the back.
    for (auto it = m_world.windows.rbegin(); it != m_world.windows.rend(); ++it) {
        const SimWorld::Window& window = *it;
        if (excluded.contains(window.id) || !onScreen(m_world, window, current))
            continue;
        const QRectF card((window.frame.x() - origin.x()) * sx, (window.frame.y() - origin.y()) * sy,
                          window.frame.width() * sx, window.frame.height() * sy);
        const QColor color = simAppColor(colorSeed(m_world, window.pid));
        const double radius = kCornerRadius * scale;
        QPainterPath outline;
        outline.addRoundedRect(card, radius, radius);
        painter.fillPath(outline, color);
        const QRectF titleBar(card.x(), card.y(), card.width(), std::min(card.height(), SimWorld::kTitleBarHeight * sy));
        painter.save();
        painter.setClipPath(outline);
        painter.fillRect(titleBar, color.darker(135));
        painter.restore();
        if (!window.title.isEmpty()) {
            painter.setPen(Qt::white);
            const QRectF textRect = titleBar.adjusted(radius, 0, -radius, 0);
            painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignHCenter,
                             painter.fontMetrics().elidedText(window.title, Qt::ElideRight, int(textRect.width())));
        }
    }
    return image;
}

QImage SimScreenCapture::wallpaper(const QString& path, QSize size)
{
    if (path == m_wallpaperPath && m_wallpaperImage.size() == size)
        return m_wallpaperImage;
    QImageReader reader(path);
    reader.setAutoTransform(true);
    // Fill the picture, keeping its aspect ratio; the overflow is cut off evenly.
    const QSize source = reader.size();
    if (source.isValid() && !source.isEmpty())
        reader.setScaledSize(source.scaled(size, Qt::KeepAspectRatioByExpanding));
    QImage read = reader.read();
    if (read.isNull())
        return {};
    if (read.size() != size) {
        read = read.scaled(size, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
        read = read.copy((read.width() - size.width()) / 2, (read.height() - size.height()) / 2, size.width(), size.height());
    }
    m_wallpaperPath = path;
    m_wallpaperImage = read;
    return read;
}

// ---- the world's side ----

SimScreenCapture& SimWorld::screenCapture()
{
    if (!m_screenCapture)
        m_screenCapture = std::make_shared<SimScreenCapture>(*this);
    return *m_screenCapture;
}

std::optional<QUrl> SimWorld::desktopImageURL(const ScreenInfo& screen)
{
    const PlistValue* number = screen.deviceDescription.value(QStringLiteral("NSScreenNumber"));
    const auto id = number ? number->integer() : std::nullopt;
    for (const Display& display : displays) {
        if (!id || std::int64_t(display.number) != *id)
            continue;
        const std::optional<QString> picture = currentWallpaper(display);
        if (!picture)
            return std::nullopt;
        return QUrl::fromLocalFile(*picture);
    }
    return std::nullopt;
}

std::optional<QString> SimWorld::currentWallpaper(const Display& display) const
{
    if (const auto own = spaceWallpapers.find(display.current); own != spaceWallpapers.end())
        return own->second;
    return display.wallpaper;
}

void SimWorld::resolvePicturePaths(const QString& baseDirectory)
{
    const QDir base(baseDirectory);
    const auto resolve = [&](std::optional<QString>& path) {
        if (path && QFileInfo(*path).isRelative())
            path = QDir::cleanPath(base.absoluteFilePath(*path));
    };
    for (Display& display : displays)
        resolve(display.wallpaper);
    for (auto& [managedID, path] : spaceWallpapers) {
        std::optional<QString> resolved = path;
        resolve(resolved);
        path = *resolved;
    }
}

bool SimWorld::readScreenCapture(const QJsonObject& json, QString* error)
{
    const auto failWith = [error](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    const QJsonValue value = json.value("screenCapture");
    if (value.isUndefined())
        return true;
    if (!value.isObject())
        return failWith(QStringLiteral("screenCapture must be an object"));
    const QJsonObject o = value.toObject();
    SimScreenCapture& capture = screenCapture();
    const QJsonValue delay = o.value("delayMs");
    if (!delay.isUndefined()) {
        if (!delay.isDouble() || delay.toDouble() < 0)
            return failWith(QStringLiteral("screenCapture delayMs must be a number of at least 0"));
        capture.delay = Duration(qint64(delay.toDouble()));
    }
    for (const char* key : {"contentError", "imageError"}) {
        const QJsonValue text = o.value(key);
        if (text.isUndefined() || text.isNull())
            continue;
        if (!text.isString())
            return failWith(QStringLiteral("screenCapture %1 must be a text").arg(QLatin1String(key)));
        (QLatin1String(key) == QLatin1String("contentError") ? capture.contentError : capture.imageError) = text.toString();
    }
    const QJsonValue omitted = o.value("omitDisplays");
    if (!omitted.isUndefined()) {
        if (!omitted.isArray())
            return failWith(QStringLiteral("screenCapture omitDisplays must be an array of display identifiers"));
        for (const QJsonValue& id : omitted.toArray())
            capture.omittedDisplays.insert(id.toString());
    }
    return true;
}

} // namespace lumivast
