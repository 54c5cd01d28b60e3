#pragma once

#include "Core/Previews/PreviewImage.h"
#include "Core/Spaces/SpaceModel.h"
#include "Platform/Scheduler.h"

#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <map>
#include <optional>
#include <set>

namespace lumivast {

// The one store of Space previews: a still picture of each Space as it last
// looked while it was on screen, held in memory for the views and kept as
// <id>.jpg in its folder so that previews survive a restart. Only the Space
// shown on a display at that moment can be captured; the program's own
// windows are left out. The folder is read once, at construction.
//
// A request for a Space replaces its pending one (a debounce per Space); a
// capture already under way for a Space drops further requests for it. A
// capture gives up the main thread while the system takes the picture, and
// whatever happens meanwhile (removal, pausing) does not stop it from storing
// its picture. Main thread only.
class ThumbnailService final : public QObject {
    Q_OBJECT
public:
    static constexpr int kWidth = 1280;       // pixels, whatever the display's resolution
    static constexpr int kJPEGQuality = 82;
    static inline const QString kManagedPrefix = QStringLiteral("managed-");
    static inline const QString kNotGranted = QStringLiteral("screen recording not granted");
    static inline const QString kDisplayNotFound = QStringLiteral("display not found");

    // Reads the previews already in `directory`; the folder itself is never created here.
    ThumbnailService(Scheduler& scheduler, QString directory, QObject* parent = nullptr);

    // The latest preview of each Space and when it was taken (for one read
    // from disk, the file's modification date). Both hold the same keys.
    const std::map<QString, PreviewImage>& images() const { return m_images; }
    const std::map<QString, QDateTime>& capturedAt() const { return m_capturedAt; }
    // The latest failed capture's text; none at start and after every success.
    const std::optional<QString>& lastError() const { return m_lastError; }
    // While set, no capture starts (the overview is showing).
    bool isSuspended() const { return m_suspended; }
    void setSuspended(bool suspended) { m_suspended = suspended; }

    const QString& directory() const { return m_directory; }
    // Where the Space's preview file lives; none for an id that is not a plain
    // file name (its preview is held in memory only).
    std::optional<QString> filePath(const QString& spaceID) const;
    // Why the Space's latest preview is not on disk; none when its file was written.
    std::optional<QString> fileError(const QString& spaceID) const;

    // Captures the active Space of every display `delay` from now.
    void captureActiveSpaces(const SpaceSnapshot& snapshot, Duration delay);
    // Captures the active Space of every display one after another and calls
    // `done` once each has ended or been skipped (at once when previews are off).
    void captureActiveSpacesNow(const SpaceSnapshot& snapshot, std::function<void()> done);

    // Drops the previews of Spaces not in `keeping`; "managed-" ids stay.
    void prune(const QSet<QString>& keeping);
    void remove(const QString& spaceID);
    // Drops every held preview with its file; other files of the folder stay.
    void removeAll();

    // Whether a capture for the Space is under way or waiting (for tests and diagnostics).
    bool isCapturing(const QString& spaceID) const { return m_inFlight.contains(spaceID); }
    bool isScheduled(const QString& spaceID) const { return m_scheduled.contains(spaceID); }

signals:
    // After every change of images() and capturedAt().
    void changed();

private:
    void loadFromDisk();
    void schedule(const Space& space, Duration delay);
    void capture(const Space& space, std::function<void()> done);
    void captureInTurn(std::vector<Space> spaces, std::size_t index, std::function<void()> done);
    void failed(const QString& spaceID, const QString& description);
    void stored(const QString& spaceID, const QImage& image);
    void writeFile(const QString& spaceID, const QByteArray& data);
    void deleteFile(const QString& spaceID);
    static std::vector<Space> activeSpaces(const SpaceSnapshot& snapshot);

    Scheduler& m_scheduler;
    const QString m_directory;
    std::map<QString, PreviewImage> m_images;
    std::map<QString, QDateTime> m_capturedAt;
    std::optional<QString> m_lastError;
    bool m_suspended = false;
    std::set<QString> m_inFlight;
    std::map<QString, WorkItem> m_scheduled;
    std::map<QString, QString> m_fileErrors;
};

} // namespace lumivast
