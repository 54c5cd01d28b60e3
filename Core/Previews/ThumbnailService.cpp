#include "Core/Previews/ThumbnailService.h"

#include "Core/Settings/Settings.h"
#include "Core/Spaces/DisplayGeometry.h"
#include "Core/Spaces/SpaceProvider.h"
#include "Platform/DataFile.h"
#include "Platform/Log.h"
#include "Platform/Platform.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPointer>

#include <cmath>

namespace lumivast {

namespace {

const QString kExtension = QStringLiteral("jpg");

// The capture time of a file whose date cannot be read.
QDateTime distantPast()
{
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
}

// The id names a file of its own in the folder and nothing else: not empty,
// no path separator, no dot names.
bool isPlainFileName(const QString& id)
{
    return !id.isEmpty() && id != QLatin1String(".") && !id.contains(QLatin1Char('/')) && !id.contains(QLatin1Char('\\'))
        && !id.contains(QStringLiteral("..")) && !id.contains(QChar(u'\0'));
}

bool previewsEnabled()
{
    return Settings::defaults().boolValue(Settings::Key::thumbnailsEnabled);
}

QByteArray encodeJPEG(const QImage& image)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(ThumbnailService::kJPEGQuality);
    if (!writer.write(image))
        return {};
    return data;
}

} // namespace

ThumbnailService::ThumbnailService(Scheduler& scheduler, QString directory, QObject* parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_directory(std::move(directory))
{
    loadFromDisk();
}

std::optional<QString> ThumbnailService::filePath(const QString& spaceID) const
{
    if (!isPlainFileName(spaceID))
        return std::nullopt;
    return m_directory + QLatin1Char('/') + spaceID + QLatin1Char('.') + kExtension;
}

std::optional<QString> ThumbnailService::fileError(const QString& spaceID) const
{
    const auto it = m_fileErrors.find(spaceID);
    if (it == m_fileErrors.end())
        return std::nullopt;
    return it->second;
}

void ThumbnailService::loadFromDisk()
{
    const QDir folder(m_directory);
    if (!folder.exists())
        return;
    // Hidden files count too; only the exact lower-case extension is read.
    const QFileInfoList entries = folder.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        if (entry.suffix() != kExtension)
            continue;
        const QString key = entry.completeBaseName();
        if (!isPlainFileName(key))
            continue;
        QFile file(entry.filePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        auto image = PreviewImage::fromData(file.readAll());
        if (!image)
            continue;
        m_images[key] = std::move(*image);
        const QDateTime modified = entry.lastModified().toUTC();
        m_capturedAt[key] = modified.isValid() ? modified : distantPast();
    }
}

std::vector<Space> ThumbnailService::activeSpaces(const SpaceSnapshot& snapshot)
{
    std::vector<Space> spaces;
    for (const DisplaySpaces& display : snapshot.displays) {
        if (const Space* active = display.activeSpace())
            spaces.push_back(*active);
    }
    return spaces;
}

void ThumbnailService::captureActiveSpaces(const SpaceSnapshot& snapshot, Duration delay)
{
    if (!previewsEnabled())
        return;
    for (const Space& space : activeSpaces(snapshot))
        schedule(space, delay);
}

void ThumbnailService::captureActiveSpacesNow(const SpaceSnapshot& snapshot, std::function<void()> done)
{
    if (!done)
        done = [] {};
    if (!previewsEnabled())
        return done();
    captureInTurn(activeSpaces(snapshot), 0, std::move(done));
}

void ThumbnailService::captureInTurn(std::vector<Space> spaces, std::size_t index, std::function<void()> done)
{
    if (index >= spaces.size())
        return done();
    const Space space = spaces[index];
    QPointer<ThumbnailService> self(this);
    capture(space, [self, spaces = std::move(spaces), index, done = std::move(done)]() mutable {
        if (self)
            self->captureInTurn(std::move(spaces), index + 1, std::move(done));
    });
}

void ThumbnailService::schedule(const Space& space, Duration delay)
{
    QPointer<ThumbnailService> self(this);
    // Replacing the entry cancels the pending request for this Space.
    m_scheduled[space.id] = m_scheduler.after(delay, [self, space] {
        if (!self)
            return;
        self->m_scheduled.erase(space.id);
        self->capture(space, {});
    });
}

void ThumbnailService::capture(const Space& space, std::function<void()> done)
{
    if (!done)
        done = [] {};
    if (!previewsEnabled() || m_suspended || m_inFlight.contains(space.id))
        return done();
    if (!Platform::current().trust().preflightScreenCaptureAccess()) {
        m_lastError = kNotGranted;
        return done();
    }
    const auto displayNumber = DisplayGeometry::directDisplayID(space.displayID);
    if (!displayNumber) {
        m_lastError = kDisplayNotFound;
        return done();
    }
    // The user may have left the Space since the request: then there is nothing to take.
    const auto fresh = SpaceProvider::snapshot(m_scheduler);
    const auto onDisplay = [&](const DisplaySpaces& d) { return d.id == space.displayID; };
    const auto display = fresh ? std::find_if(fresh->displays.begin(), fresh->displays.end(), onDisplay) : decltype(fresh->displays.end()){};
    if (!fresh || display == fresh->displays.end() || display->activeSpaceID != space.id)
        return done();

    const QString id = space.id;
    m_inFlight.insert(id);
    QPointer<ThumbnailService> self(this);
    Platform::current().screenCapture().shareableContent(false, true, [self, id, number = *displayNumber, done](std::expected<ShareableContent, QString> content) {
        if (!self)
            return;
        if (!content) {
            self->failed(id, content.error());
            return done();
        }
        const auto display = std::find_if(content->displays.begin(), content->displays.end(),
                                          [&](const ShareableDisplay& d) { return d.displayID == number; });
        if (display == content->displays.end()) {
            self->m_inFlight.erase(id);
            return done();
        }
        // The program's own panels (HUD, strips, the overview) stay out of the picture.
        const auto ownPID = std::int32_t(QCoreApplication::applicationPid());
        StillImageRequest request;
        request.displayID = number;
        for (const ShareableWindow& window : content->windows) {
            if (window.owningPID && *window.owningPID == ownPID)
                request.excludedWindows.push_back(window.windowID);
        }
        // A display that shows part of a larger desktop (a row of Spaces across monitors) gives that
        // desktop's picture, in its own shape.
        request.sourceRect = display->desktopArea;
        const QSize area = display->desktopArea ? display->desktopArea->size() : QSize(display->width, display->height);
        request.width = kWidth;
        request.height = int(std::trunc(double(area.height()) / double(std::max(area.width(), 1)) * double(kWidth)));
        request.showsCursor = false;
        request.resolution = CaptureResolution::nominal;
        Platform::current().screenCapture().captureImage(request, [self, id, done](std::expected<QImage, QString> image) {
            if (!self)
                return;
            if (!image)
                self->failed(id, image.error());
            else
                self->stored(id, *image);
            done();
        });
    });
}

void ThumbnailService::failed(const QString& spaceID, const QString& description)
{
    m_lastError = description;
    qCCritical(lcThumbnails).noquote() << QStringLiteral("capture failed for %1: %2").arg(spaceID, description);
    m_inFlight.erase(spaceID);
}

void ThumbnailService::stored(const QString& spaceID, const QImage& image)
{
    const QByteArray data = encodeJPEG(image);
    m_images[spaceID] = data.isEmpty() ? PreviewImage::fromImage(image) : *PreviewImage::fromData(data);
    m_capturedAt[spaceID] = m_scheduler.wallNow();
    if (data.isEmpty()) {
        m_fileErrors[spaceID] = QStringLiteral("the picture could not be compressed");
        qCWarning(lcThumbnails).noquote() << "could not compress the preview of" << spaceID;
    } else {
        writeFile(spaceID, data);
    }
    m_lastError.reset();
    m_inFlight.erase(spaceID);
    emit changed();
}

void ThumbnailService::writeFile(const QString& spaceID, const QByteArray& data)
{
    const auto path = filePath(spaceID);
    if (!path) {
        m_fileErrors[spaceID] = QStringLiteral("the Space id is not a plain file name, so its preview is kept in memory only");
        return;
    }
    // Written whole beside the old file and then renamed over it: a crash
    // mid-write leaves the previous preview, never a torn one.
    // The folder is the application's to make; one that went away is not made again here.
    const auto written = QFileInfo(m_directory).isDir()
        ? DataFile::writeReportingError(*path, data)
        : std::expected<void, QString>(std::unexpected(QStringLiteral("the folder %1 is missing").arg(m_directory)));
    if (!written) {
        m_fileErrors[spaceID] = written.error();
        qCWarning(lcThumbnails).noquote() << QStringLiteral("could not write %1: %2").arg(*path, written.error());
        return;
    }
    m_fileErrors.erase(spaceID);
}

void ThumbnailService::deleteFile(const QString& spaceID)
{
    m_fileErrors.erase(spaceID);
    if (const auto path = filePath(spaceID))
        QFile::remove(*path); // a file that is not there, or cannot go, changes nothing
}

void ThumbnailService::prune(const QSet<QString>& keeping)
{
    QStringList gone;
    for (const auto& [id, image] : m_images) {
        if (!keeping.contains(id) && !id.startsWith(kManagedPrefix))
            gone << id;
    }
    for (const QString& id : gone)
        remove(id);
}

void ThumbnailService::remove(const QString& spaceID)
{
    const bool held = m_images.erase(spaceID) > 0;
    m_capturedAt.erase(spaceID);
    deleteFile(spaceID);
    if (held)
        emit changed();
}

void ThumbnailService::removeAll()
{
    if (m_images.empty())
        return;
    for (const auto& [id, image] : m_images)
        deleteFile(id);
    m_images.clear();
    m_capturedAt.clear();
    emit changed();
}

} // namespace lumivast
