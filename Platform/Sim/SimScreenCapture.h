#pragma once

#include "Platform/Scheduler.h"
#include "Platform/ScreenCapture.h"

#include <QColor>
#include <QRect>
#include <QString>

#include <map>
#include <optional>
#include <set>
#include <vector>

namespace lumivast {

class SimWorld;

// Screen capture on the simulated system: each still image is painted from
// the world as the display shows it when the answer is given (the desktop
// picture of its current Space, then that Space's windows as cards in their
// app's colour). Answers come through the world's scheduler, `delay` after
// the request, so a test can hold a capture in flight.
class SimScreenCapture final : public ScreenCapture {
public:
    struct ContentRequest {
        bool excludeDesktopWindows = false;
        bool onScreenWindowsOnly = false;
        bool operator==(const ContentRequest&) const = default;
    };

    // The one text the content request fails with while screen recording is not permitted.
    static inline const QString kNotPermitted = QStringLiteral("The user declined screen recording for this application");
    // Shown where a Space has no desktop picture.
    static inline const QColor kDesktopFill = QColor(0x1E, 0x22, 0x2B);

    explicit SimScreenCapture(SimWorld& world) : m_world(world) {}

    void shareableContent(bool excludeDesktopWindows, bool onScreenWindowsOnly, Answer<ShareableContent> answer) override;
    void captureImage(const StillImageRequest& request, Answer<QImage> answer) override;

    // The picture of `displayNumber` (or of `area` of it, in points from its top-left) as it looks
    // now, at `size` pixels, without the windows listed. A null image when there is no such display,
    // or the area misses it.
    QImage paint(std::uint32_t displayNumber, QSize size, const std::set<std::uint32_t>& excluded,
                 std::optional<QRect> area = std::nullopt);

    // ---- knobs (world file "screenCapture") ----
    Duration delay = Duration::zero();
    std::optional<QString> contentError; // the content request fails with this text
    std::optional<QString> imageError;   // every still image fails with this text
    std::set<QString> omittedDisplays;   // display identifiers or UUIDs left out of the content

    // ---- record ----
    std::vector<ContentRequest> contentRequests;
    std::vector<StillImageRequest> imageRequests;

private:
    QImage wallpaper(const QString& path, QSize size);

    SimWorld& m_world;
    std::vector<WorkItem> m_answers;
    // The last desktop picture drawn, scaled to the size it was drawn at.
    QString m_wallpaperPath;
    QImage m_wallpaperImage;
};

// The colour the simulated system gives an application (its icon, its windows
// in captures): the same in every run and on every machine.
QColor simAppColor(const QString& seed);

} // namespace lumivast
